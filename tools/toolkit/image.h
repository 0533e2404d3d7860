// Pictures in memory and the file formats the game host reads: 24-bit
// uncompressed bottom-up BMP, PNG (RGB or RGBA) and ICO (32-bit images).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tevtools {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row from the top

    Image() = default;
    Image(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    Image Crop(int x, int y, int w, int h) const;
};

// Encoders return the whole file; Save* write it and throw SourceError on failure.
std::vector<uint8_t> EncodeBmp24(const Image& image);          // alpha ignored
std::vector<uint8_t> EncodePng(const Image& image, bool alpha);
// Every image becomes one 32-bit entry (BITMAPINFOHEADER, BGRA rows bottom-up,
// then the 1-bit AND mask); sizes up to 256.
std::vector<uint8_t> EncodeIco(const std::vector<Image>& images);

void SaveFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Reads a 24-bit uncompressed BMP (bottom-up or top-down). Returns false with a
// reason for anything else or for a file that is cut short or inconsistent.
bool DecodeBmp24(const std::vector<uint8_t>& bytes, Image& out, std::string& error);

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace tevtools
