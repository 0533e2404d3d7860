// Checks shared by the tests of the shipped picture and sound files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/toolkit/audio_files.h"
#include "tools/toolkit/image.h"

namespace asset_checks {

std::string DistPath(const std::string& relative);

struct Region {
    const char* what;
    int x, y, w, h;
};

// Loads a shipped 24-bit BMP of the given size; checks the header's file size
// against the file and, where the draw service is built, that its BMP reader
// agrees on the size and the top-left pixel. Records failures in the test.
tevtools::Image LoadPicture(const std::string& relative, int width, int height);

// Every region lies inside the picture and holds a pixel other than `key`.
void ExpectRegionsDrawn(const tevtools::Image& image, uint32_t key, const std::vector<Region>& regions);

// A wave file: 16-bit PCM that the sound service's reader opens; peak at most
// -1 dBFS and loud enough to hear.
tevtools::PcmSound CheckWave(const std::string& relative);
// A sound effect: a wave file that starts and ends at (near) silence.
tevtools::PcmSound CheckEffect(const std::string& relative);

// Where the sound service is built: its WAV reader opens the file and
// delivers all of `sound`'s data as 16-bit PCM.
void CheckWithSoundReader(const std::string& relative, const tevtools::PcmSound& sound);

double PeakDbfs(const tevtools::PcmSound& sound);

}  // namespace asset_checks
