// Builds BMP files byte by byte for the tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bmptest {

inline void Put16(std::vector<unsigned char>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
inline void Put32(std::vector<unsigned char>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// Headers for a 40-byte info header; pixel bytes and palette appended by
// the caller; sizes patched by Finish.
inline std::vector<unsigned char> Header(int width, int height, int bits, uint32_t compression = 0,
                                         uint32_t paletteEntries = 0) {
    std::vector<unsigned char> b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, 0);   // file size, patched
    Put32(b, 0);
    Put32(b, 54 + paletteEntries * 4);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, 0);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, paletteEntries == 256 ? 0 : paletteEntries);
    Put32(b, 0);
    return b;
}

inline void Finish(std::vector<unsigned char>& b) {
    uint32_t n = static_cast<uint32_t>(b.size());
    for (int i = 0; i < 4; ++i) b[2 + i] = (n >> (8 * i)) & 0xFF;
}

// 24-bit bottom-up picture from ARGB rows (top row first).
inline std::vector<unsigned char> Bmp24(int width, int height, const std::vector<uint32_t>& pixels) {
    std::vector<unsigned char> b = Header(width, height, 24);
    for (int y = height - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int x = 0; x < width; ++x) {
            uint32_t c = pixels[static_cast<size_t>(y) * width + x];
            b.push_back(c & 0xFF);
            b.push_back((c >> 8) & 0xFF);
            b.push_back((c >> 16) & 0xFF);
        }
        while ((b.size() - start) % 4) b.push_back(0);
    }
    Finish(b);
    return b;
}

inline bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace bmptest
