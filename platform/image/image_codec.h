// Picture files: decoding BMP and PNG into 0xAARRGGBB pixels and writing
// PNG (frame dumps) and BMP (screenshots, saved textures). Decoders take
// untrusted bytes: they fail with a message, never read out of bounds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::image {

// Rows top to bottom, no padding. Pictures without alpha are opaque.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Largest picture the decoders accept (per side and in total).
constexpr int kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(64) << 20;

// Whole file into out; false when it cannot be opened or read.
bool ReadFile(const char* path, std::vector<unsigned char>& out);

// BMP: 1, 4, 8 bits with a palette (also RLE4 and RLE8), 16, 24 and 32
// bits (also with bit-field masks), bottom-up or top-down, Windows and
// OS/2 headers.
bool DecodeBmp(const unsigned char* data, size_t size, Image& out, std::string* error = nullptr);
// PNG through libpng, every colour type and depth.
bool DecodePng(const unsigned char* data, size_t size, Image& out, std::string* error = nullptr);
// By signature: "BM" or the PNG signature.
bool Decode(const unsigned char* data, size_t size, Image& out, std::string* error = nullptr);

// pitch in pixels. withAlpha: keep the alpha channel (RGBA PNG, 32-bit
// BMP); else opaque RGB (24-bit BMP).
bool WritePng(const char* path, const uint32_t* pixels, int width, int height, int pitch, bool withAlpha,
              std::string* error = nullptr);
bool WriteBmp(const char* path, const uint32_t* pixels, int width, int height, int pitch, bool withAlpha,
              std::string* error = nullptr);
// The BMP file as bytes (what WriteBmp stores).
std::vector<unsigned char> EncodeBmp(const uint32_t* pixels, int width, int height, int pitch, bool withAlpha);

} // namespace platform::image
