// Windows icon files (.ico): BMP (DIB) or PNG images, one picked.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB, top row first
};

// Picks the largest image (then the deepest). False with a reason on any
// malformed data; never reads outside `bytes`.
bool DecodeIcon(const uint8_t* bytes, size_t size, IconImage& out, std::string& error);
bool LoadIconFile(const char* path, IconImage& out, std::string& error);

} // namespace platform
