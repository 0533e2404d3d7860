// Host text is CP932 (Shift-JIS); the desktop wants UTF-8. Conversion happens
// only where text leaves for the platform (titles, message boxes).
#pragma once
#include <string>

namespace platform {

// Invalid bytes become U+FFFD; never reads past the terminator.
std::string Cp932ToUtf8(const char* text);
std::string Utf8ToCp932(const std::string& text);

} // namespace platform
