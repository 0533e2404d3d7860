// Picture files that common tools write and the readers once got wrong:
// 16-bit-per-channel PNG without gamma information, and OS/2 BMP files with
// the 12-byte header. The files are built here byte by byte; the expected
// colours follow from the bytes written, not from a decoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bmp_builder.h"
#include "draw/tev_bmp.h"
#include "platform/image/image_codec.h"

using namespace platform::image;
using namespace bmptest;

namespace {

// ---- PNG files without compression (stored deflate blocks) ----

uint32_t Crc32(const unsigned char* p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutBe32(std::vector<unsigned char>& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back((v >> s) & 0xFF);
}

void PngChunk(std::vector<unsigned char>& file, const char* type, const std::vector<unsigned char>& body) {
    PutBe32(file, static_cast<uint32_t>(body.size()));
    std::vector<unsigned char> crcd(type, type + 4);
    crcd.insert(crcd.end(), body.begin(), body.end());
    file.insert(file.end(), crcd.begin(), crcd.end());
    PutBe32(file, Crc32(crcd.data(), crcd.size()));
}

std::vector<unsigned char> Zlib(const std::vector<unsigned char>& raw) {
    std::vector<unsigned char> z{0x78, 0x01};
    size_t at = 0;
    do {
        size_t n = std::min<size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(n & 0xFF);
        z.push_back(n >> 8);
        z.push_back(~n & 0xFF);
        z.push_back((~n >> 8) & 0xFF);
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(z, (b << 16) | a);
    return z;
}

// 16 bits per sample; colourType 0 grey (1 sample) or 6 RGBA (4 samples).
// extra: chunks placed before IDAT (gAMA, sRGB).
std::vector<unsigned char> Png16(int width, int height, int colourType, const std::vector<uint16_t>& samples,
                                 const std::vector<std::pair<const char*, std::vector<unsigned char>>>& extra = {}) {
    const int perPixel = colourType == 6 ? 4 : 1;
    std::vector<unsigned char> file{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<unsigned char> ihdr;
    PutBe32(ihdr, static_cast<uint32_t>(width));
    PutBe32(ihdr, static_cast<uint32_t>(height));
    ihdr.insert(ihdr.end(), {16, static_cast<unsigned char>(colourType), 0, 0, 0});
    PngChunk(file, "IHDR", ihdr);
    for (const auto& [type, body] : extra) PngChunk(file, type, body);
    std::vector<unsigned char> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);   // filter: none
        for (int i = 0; i < width * perPixel; ++i) {
            uint16_t v = samples[static_cast<size_t>(y) * width * perPixel + i];
            raw.push_back(v >> 8);
            raw.push_back(v & 0xFF);
        }
    }
    PngChunk(file, "IDAT", Zlib(raw));
    PngChunk(file, "IEND", {});
    return file;
}

// The exact 8-bit value of a 16-bit sample: v * 255 / 65535, rounded.
uint32_t To8(uint32_t v) { return (v * 255 + 65535 / 2) / 65535; }

} // namespace

TEST(Png16Bit, SamplesWithoutGammaInformationScaleExactlyToEightBits) {
    // Every 16-bit value once, as a 256 x 256 grey picture.
    std::vector<uint16_t> grey(65536);
    for (uint32_t v = 0; v < 65536; ++v) grey[v] = static_cast<uint16_t>(v);
    std::vector<unsigned char> file = Png16(256, 256, 0, grey);
    Image img;
    std::string error;
    ASSERT_TRUE(DecodePng(file.data(), file.size(), img, &error)) << error;
    ASSERT_EQ(img.pixels.size(), 65536u);
    for (uint32_t v = 0; v < 65536; ++v) {
        const uint32_t g = To8(v);
        ASSERT_EQ(img.pixels[v], 0xFF000000u | g << 16 | g << 8 | g) << "sample " << v;
    }
}

TEST(Png16Bit, RgbaKeepsItsColoursWithOrWithoutAnSrgbChunk) {
    // A dark purple that a linear-light reading brightens to (47, 0, 113),
    // white, and half-transparent colours.
    const std::vector<uint16_t> rgba = {0x0606, 0x0000, 0x2B2B, 0xFFFF,   //
                                        0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,   //
                                        0x1234, 0x8000, 0xFEDC, 0x8000,   //
                                        0x0080, 0x7F7F, 0xC000, 0x4000};
    auto expected = [&](int px) {
        const uint16_t* s = &rgba[4 * px];
        return To8(s[3]) << 24 | To8(s[0]) << 16 | To8(s[1]) << 8 | To8(s[2]);
    };
    ASSERT_EQ(expected(0), 0xFF06002Bu);   // worked out by hand

    std::vector<unsigned char> gama;
    PutBe32(gama, 45455);   // 1/2.2, what sRGB files also carry
    const std::vector<std::vector<std::pair<const char*, std::vector<unsigned char>>>> variants = {
        {}, {{"sRGB", {0}}}, {{"gAMA", gama}}};
    for (size_t v = 0; v < variants.size(); ++v) {
        std::vector<unsigned char> file = Png16(2, 2, 6, rgba, variants[v]);
        Image img;
        std::string error;
        ASSERT_TRUE(DecodePng(file.data(), file.size(), img, &error)) << error;
        ASSERT_EQ(img.width, 2);
        ASSERT_EQ(img.height, 2);
        for (int px = 0; px < 4; ++px) EXPECT_EQ(img.pixels[px], expected(px)) << "variant " << v << " pixel " << px;
    }
}

// ---- OS/2 BMP: 12-byte header, 16-bit sizes, 3-byte palette entries ----

namespace {

std::vector<unsigned char> Os2Header(int width, int height, int bits, uint32_t paletteEntries) {
    std::vector<unsigned char> b{'B', 'M'};
    Put32(b, 0);   // file size, patched by Finish
    Put32(b, 0);
    Put32(b, 26 + paletteEntries * 3);
    Put32(b, 12);
    Put16(b, static_cast<uint32_t>(width));
    Put16(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(bits));
    return b;
}

} // namespace

TEST(Os2Bmp, TwentyFourBitSizesAndPixelsFromTheShortHeader) {
    // 300 x 2: a width above 255 needs both bytes of the 16-bit field.
    const int w = 300, h = 2;
    std::vector<unsigned char> f = Os2Header(w, h, 24, 0);
    auto colour = [](int x, int y) { return 0xFF000000u | uint32_t(x & 0xFF) << 16 | uint32_t(y * 100) << 8 | 0x5A; };
    for (int y = h - 1; y >= 0; --y) {   // bottom-up
        size_t start = f.size();
        for (int x = 0; x < w; ++x) {
            uint32_t c = colour(x, y);
            f.push_back(c & 0xFF);
            f.push_back((c >> 8) & 0xFF);
            f.push_back((c >> 16) & 0xFF);
        }
        while ((f.size() - start) % 4) f.push_back(0);
    }
    Finish(f);

    CBmp bmp;
    ASSERT_EQ(bmp.LoadBmpFromMemory(f.data(), f.size(), false), 0);
    EXPECT_EQ(bmp.Width(), w);
    EXPECT_EQ(bmp.Height(), h);
    EXPECT_EQ(bmp.FileSize(), f.size());
    EXPECT_EQ(bmp.InfoHeader().biBitCount, 24);
    ASSERT_EQ(bmp.LoadBmpFromMemory(f.data(), f.size(), true), 0);
    EXPECT_EQ(bmp.GetPixel(0, 0), colour(0, 0));
    EXPECT_EQ(bmp.GetPixel(299, 0), colour(299, 0));
    EXPECT_EQ(bmp.GetPixel(7, 1), colour(7, 1));

    Image img;
    std::string error;
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), img, &error)) << error;
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(img.pixels[size_t(y) * w + x], colour(x, y)) << x << "," << y;
}

TEST(Os2Bmp, PaletteOfThreeByteEntriesShortHeadersAndTruncation) {
    // 8-bit, 3 x 2, a full 256-entry palette: entry i is (i, 255 - i, 7).
    std::vector<unsigned char> f = Os2Header(3, 2, 8, 256);
    for (int i = 0; i < 256; ++i)
        f.insert(f.end(), {7, static_cast<unsigned char>(255 - i), static_cast<unsigned char>(i)});
    f.insert(f.end(), {200, 201, 202, 0});   // bottom row
    f.insert(f.end(), {9, 10, 255, 0});      // top row
    Finish(f);
    auto entry = [](uint32_t i) { return 0xFF000000u | i << 16 | (255 - i) << 8 | 7; };

    CBmp bmp;
    ASSERT_EQ(bmp.LoadBmpFromMemory(f.data(), f.size(), true), 0);
    EXPECT_EQ(bmp.Width(), 3);
    EXPECT_EQ(bmp.Height(), 2);
    EXPECT_EQ(bmp.GetPixel(0, 0), entry(9));
    EXPECT_EQ(bmp.GetPixel(2, 0), entry(255));
    EXPECT_EQ(bmp.GetPixel(1, 1), entry(201));
    Image img;
    std::string error;
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), img, &error)) << error;
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{entry(9), entry(10), entry(255), entry(200), entry(201), entry(202)}));

    // A palette of 4 entries (the pixel offset says so), on disk.
    std::vector<unsigned char> small = Os2Header(2, 1, 8, 4);
    for (int i = 0; i < 4; ++i) small.insert(small.end(), {static_cast<unsigned char>(i * 10), 0, 0xFF});
    small.insert(small.end(), {3, 1, 0, 0});
    Finish(small);
    ASSERT_EQ(bmp.LoadBmpFromMemory(small.data(), small.size(), true), 0);
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFF001Eu);
    EXPECT_EQ(bmp.GetPixel(1, 0), 0xFFFF000Au);
    ASSERT_TRUE(DecodeBmp(small.data(), small.size(), img, &error)) << error;
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFFFF001Eu, 0xFFFF000Au}));

    // Heights are unsigned in this header: 40000 rows is a (too) tall
    // picture, never a top-down one.
    std::vector<unsigned char> tall = Os2Header(1, 40000, 24, 0);
    tall.insert(tall.end(), 16, 0);
    Finish(tall);
    ASSERT_EQ(bmp.LoadBmpFromMemory(tall.data(), tall.size(), false), 0);
    EXPECT_EQ(bmp.Height(), 40000);
    EXPECT_FALSE(DecodeBmp(tall.data(), tall.size(), img));

    // Cut inside the header: refused; cut inside the pixels: no pixel.
    for (size_t n = 14; n < 26; ++n) EXPECT_EQ(bmp.LoadBmpFromMemory(f.data(), n, true), 2) << n;
    ASSERT_EQ(bmp.LoadBmpFromMemory(f.data(), f.size() - 4, true), 0);
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.GetPixel(0, 1), entry(200));
}

TEST(Os2Bmp, ShortVersionTwoHeaderHasFullSizeFields) {
    // A 16-byte OS/2 2.x header: 32-bit width and height, nothing after
    // the bit count; the palette (4-byte entries) follows at once.
    std::vector<unsigned char> f{'B', 'M'};
    Put32(f, 0);
    Put32(f, 0);
    Put32(f, 14 + 16 + 2 * 4);
    Put32(f, 16);
    Put32(f, 2);
    Put32(f, 1);
    Put16(f, 1);
    Put16(f, 8);
    Put32(f, 0x00112233u);
    Put32(f, 0x00445566u);
    f.insert(f.end(), {1, 0, 0, 0});
    Finish(f);   // 42 bytes in all
    CBmp bmp;
    ASSERT_EQ(bmp.LoadBmpFromMemory(f.data(), f.size(), true), 0);
    EXPECT_EQ(bmp.Width(), 2);
    EXPECT_EQ(bmp.Height(), 1);
    EXPECT_EQ(bmp.InfoHeader().biCompression, 0u);
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFF445566u);
    EXPECT_EQ(bmp.GetPixel(1, 0), 0xFF112233u);
    Image img;
    std::string error;
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), img, &error)) << error;
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF445566u, 0xFF112233u}));
}
