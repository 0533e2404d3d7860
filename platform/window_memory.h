// The player's last windowed size, kept between runs in a small file of the
// host's own ("window.txt" in the folder of the player's files): one line
// "WIDTH HEIGHT".
#pragma once
#include <string>

namespace platform {

inline constexpr char kWindowSizeFile[] = "window.txt";

// "W H" and a line end, each a whole number from 64 to 16384; false for
// anything else (garbage, a cut-off file).
bool ParseWindowSize(const std::string& text, int* w, int* h);
std::string FormatWindowSize(int w, int h);

enum class WindowSizeRead { kMissing, kRead, kBad };
// kBad: the file is there but is not a size (why says what).
WindowSizeRead LoadWindowSize(const std::string& path, int* w, int* h, std::string* why);
// Replaces the file through a temporary one renamed over it. False on failure.
bool SaveWindowSize(const std::string& path, int w, int h);

} // namespace platform
