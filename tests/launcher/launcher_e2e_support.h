// Runs the built launcher headless in a sandbox with scripted input and
// reads back its dumped frames and files.
#pragma once
#include <gtest/gtest.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "platform/image/image_codec.h"
#include "tests/support/launcher_sandbox.h"

namespace e2e {

using platform::image::Image;

struct Rect {
    int x, y, w, h;
};

// Pixels of the region whose brightest channel is above threshold.
int Lit(const Image& img, Rect r, int threshold = 48);
// Pixels that are clearly red / yellow / green / blue.
int Reddish(const Image& img, Rect r);
int Yellowish(const Image& img, Rect r);
int Greenish(const Image& img, Rect r);
int Bluish(const Image& img, Rect r);
// Pixels with a strong colour (brightest minus darkest channel above 100).
int Colourful(const Image& img, Rect r);
// Sum of the brightest channel over the region.
long Brightness(const Image& img, Rect r);
// A fingerprint of the region's pixels.
uint64_t Hash(const Image& img, Rect r);
// Pixels that differ between two frames inside the region.
int Differing(const Image& a, const Image& b, Rect r);

// Timeline of a run: "frame key down" / "frame key up" lines.
class Script {
public:
    // Key goes down at frame and up at frame + hold.
    Script& Tap(long frame, const std::string& key, long hold = 1);
    Script& Down(long frame, const std::string& key);
    Script& Up(long frame, const std::string& key);
    std::string Text() const;

private:
    std::vector<std::string> m_lines;
};

class LauncherRun {
public:
    // A sandbox copy of the runnable tree with none of its games.
    LauncherRun();

    // Installs the probe game into folder; options are files next to it
    // ("title.txt", "frames.txt", "fail").
    void AddProbe(const std::string& folder, const std::string& title, const std::string& frames = "",
                  bool failStart = false);

    // Runs to at most maxFrames; dumps every dumpEvery-th frame into a fresh
    // folder. Returns the exit code.
    int Run(long maxFrames, const Script& script, int dumpEvery = 1, const std::vector<std::string>& extra = {});

    // Frame n of the last run (1 = the first main-loop frame); fails the
    // test when it was not dumped.
    Image Frame(long n) const;
    bool HasFrame(long n) const;
    // Highest frame number dumped by the last run.
    long LastFrame() const;

    tevtest::LauncherSandbox& Box() { return m_box; }
    std::string Read(const std::string& relative) const { return m_box.ReadFile(relative); }
    bool Exists(const std::string& relative) const { return m_box.Exists(relative); }

private:
    std::string FramePath(long n) const;
    tevtest::LauncherSandbox m_box;
    int m_runs = 0;
    std::string m_dumpDir;
};

// RMS (0 ... 1) of a 16-bit PCM WAV recording between two main-loop frames
// (44100 Hz: 735 sample frames per 60 Hz frame); -1 when it cannot be read.
double AudioRms(const std::string& wavPath, long firstFrame, long lastFrame);

// "pv.dat" / "save.dat" are stored with every 0x0A as 0x0D 0x0A.
std::string FromTextMode(const std::string& bytes);

// Timeline of the launcher with no input before it (see the tests).
constexpr long kSplashFirstFrame = 4;      // splash counter 1
constexpr long kSplashTimeout = 603;       // phase 0 -> 1 without input

} // namespace e2e
