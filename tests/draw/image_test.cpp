// Picture decoding and writing, and the small BMP reader of the loaders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "bmp_builder.h"
#include "draw/tev_bmp.h"
#include "platform/image/image_codec.h"

using namespace platform::image;
using namespace bmptest;

namespace {

std::vector<uint32_t> Sample3x2() {
    return {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF123456u, 0xFFFFFFFFu, 0xFF000000u};
}

std::string TempDir() {
    auto dir = std::filesystem::temp_directory_path() / ("tev_image_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

} // namespace

TEST(BmpDecode, TwentyFourBitRowsArePaddedAndBottomUp) {
    std::vector<unsigned char> file = Bmp24(3, 2, Sample3x2());
    EXPECT_EQ(file.size(), 54u + 2 * 12);
    Image img;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), img));
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.pixels, Sample3x2());
}

TEST(BmpDecode, PaletteDepthsTopDownAndRle) {
    // 8-bit, 2x2, top-down (negative height), 256-entry palette.
    std::vector<unsigned char> b = Header(2, -2, 8, 0, 256);
    for (int i = 0; i < 256; ++i) Put32(b, static_cast<uint32_t>(i) * 0x010101u);
    b.insert(b.end(), {1, 2, 0, 0, 3, 4, 0, 0});
    Finish(b);
    Image img;
    ASSERT_TRUE(DecodeBmp(b.data(), b.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF010101u, 0xFF020202u, 0xFF030303u, 0xFF040404u}));

    // 4-bit, 3x1, 16-entry palette.
    std::vector<unsigned char> f = Header(3, 1, 4, 0, 16);
    for (int i = 0; i < 16; ++i) Put32(f, static_cast<uint32_t>(i) << 16);
    f.insert(f.end(), {0x1F, 0x20, 0, 0});
    Finish(f);
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF010000u, 0xFF0F0000u, 0xFF020000u}));

    // RLE8, 4x2: a run, an end of line, an absolute run, end of bitmap.
    std::vector<unsigned char> r = Header(4, 2, 8, 1, 256);
    for (int i = 0; i < 256; ++i) Put32(r, static_cast<uint32_t>(i));
    r.insert(r.end(), {4, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1});
    Finish(r);
    ASSERT_TRUE(DecodeBmp(r.data(), r.size(), img));
    // Bottom row first in the file: row 1 is the run of 7s.
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000000u, 0xFF000007u,
                                                 0xFF000007u, 0xFF000007u, 0xFF000007u}));
}

TEST(BmpDecode, ThirtyTwoAndSixteenBit) {
    std::vector<unsigned char> b = Header(2, 1, 32);
    Put32(b, 0x00112233u);   // no alpha anywhere: opaque
    Put32(b, 0x00445566u);
    Finish(b);
    Image img;
    ASSERT_TRUE(DecodeBmp(b.data(), b.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF112233u, 0xFF445566u}));
    std::vector<unsigned char> a = Header(2, 1, 32);
    Put32(a, 0x80112233u);
    Put32(a, 0x00445566u);
    Finish(a);
    ASSERT_TRUE(DecodeBmp(a.data(), a.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x80112233u, 0x00445566u}));
    // 16-bit 5-5-5: pure red and white.
    std::vector<unsigned char> s = Header(2, 1, 16);
    Put16(s, 0x7C00);
    Put16(s, 0x7FFF);
    Finish(s);
    ASSERT_TRUE(DecodeBmp(s.data(), s.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFFFFFFFFu}));
}

TEST(BmpDecode, GarbageFailsWithoutReadingOutOfBounds) {
    std::vector<unsigned char> good = Bmp24(5, 4, std::vector<uint32_t>(20, 0xFF808080u));
    Image img;
    std::string error;
    // Every truncation of a valid file is rejected, never read past (the
    // last row may lack its padding byte).
    for (size_t n = 0; n < good.size() - 1; ++n) {
        std::vector<unsigned char> cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(DecodeBmp(cut.data(), cut.size(), img, &error)) << n;
    }
    EXPECT_FALSE(DecodeBmp(nullptr, 0, img, &error));
    // Absurd sizes and depths.
    std::vector<unsigned char> huge = Header(1 << 30, 1 << 30, 24);
    Finish(huge);
    EXPECT_FALSE(DecodeBmp(huge.data(), huge.size(), img, &error));
    EXPECT_FALSE(error.empty());
    std::vector<unsigned char> odd = Header(2, 2, 7);
    odd.resize(100, 0);
    Finish(odd);
    EXPECT_FALSE(DecodeBmp(odd.data(), odd.size(), img, &error));
    // Random bytes behind a valid signature, including RLE streams.
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        std::vector<unsigned char> junk = Header(1 + rng() % 40, int(rng() % 80) - 40, (i % 2) ? 8 : 4,
                                                 (i % 3 == 0) ? ((i % 2) ? 1 : 2) : 0, rng() % 300);
        size_t extra = rng() % 2000;
        for (size_t k = 0; k < extra; ++k) junk.push_back(static_cast<unsigned char>(rng()));
        if (i % 5) Finish(junk);
        DecodeBmp(junk.data(), junk.size(), img, &error);
        Decode(junk.data(), junk.size(), img, &error);
    }
}

TEST(PngCodec, WriteThenReadBackAndRejectGarbage) {
    std::string dir = TempDir();
    std::string path = dir + "/p.png";
    const std::vector<uint32_t> px = {0x80FF0000u, 0xFF00FF00u, 0x000000FFu, 0xFFFFFFFFu, 0x11223344u, 0xFF000000u};
    ASSERT_TRUE(WritePng(path.c_str(), px.data(), 3, 2, 3, true));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFile(path.c_str(), bytes));
    Image img;
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), img));
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.pixels, px);
    // Opaque RGB with a pitch wider than the picture.
    const std::vector<uint32_t> wide = {0x00102030u, 0x12345678u, 0xDEADBEEFu, 0x00405060u, 0x9ABCDEF0u, 0u};
    ASSERT_TRUE(WritePng(path.c_str(), wide.data(), 1, 2, 3, false));
    ASSERT_TRUE(ReadFile(path.c_str(), bytes));
    ASSERT_TRUE(Decode(bytes.data(), bytes.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF102030u, 0xFF405060u}));
    // Truncations into the picture data and flipped bytes fail cleanly
    // (a missing end chunk alone is forgiven).
    std::string error;
    for (size_t n = 0; n + 12 < bytes.size(); n += 3) EXPECT_FALSE(DecodePng(bytes.data(), n, img, &error)) << n;
    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i) {
        std::vector<unsigned char> junk = bytes;
        junk[8 + rng() % (junk.size() - 8)] ^= static_cast<unsigned char>(1 + rng() % 255);
        DecodePng(junk.data(), junk.size(), img, &error);
    }
    std::filesystem::remove_all(dir);
}

TEST(BmpWrite, EncodesWhatTheDecoderReads) {
    const std::vector<uint32_t> px = {0x80FF0000u, 0xFF00FF00u, 0x000000FFu, 0xFFFFFFFFu, 0x11223344u, 0xFF000000u};
    for (bool alpha : {false, true}) {
        std::vector<unsigned char> b = EncodeBmp(px.data(), 3, 2, 3, alpha);
        Image img;
        ASSERT_TRUE(DecodeBmp(b.data(), b.size(), img));
        for (size_t i = 0; i < px.size(); ++i) {
            uint32_t want = alpha ? px[i] : (px[i] | 0xFF000000u);
            EXPECT_EQ(img.pixels[i], want) << i;
        }
    }
    EXPECT_FALSE(WriteBmp("/nonexistent-folder/x.bmp", px.data(), 3, 2, 3, false));
}

TEST(CBmpReader, SizesAndTopLeftPixel) {
    std::vector<unsigned char> file = Bmp24(3, 2, Sample3x2());
    CBmp bmp;
    EXPECT_EQ(bmp.LoadBmpFromMemory(file.data(), file.size(), false), 0);
    EXPECT_EQ(bmp.Width(), 3);
    EXPECT_EQ(bmp.Height(), 2);
    EXPECT_EQ(bmp.FileSize(), file.size());
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFFFFFFu);   // pixels not read
    ASSERT_EQ(bmp.LoadBmpFromMemory(file.data(), file.size(), true), 0);
    // Rows of a width-3 picture are 12 bytes: the top row is the second.
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bmp.GetPixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(bmp.GetPixel(0, 1), 0xFF123456u);
    EXPECT_EQ(bmp.GetPixel(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.GetPixel(-1, 0), 0xFFFFFFFFu);

    std::vector<unsigned char> pal = Header(2, 2, 8, 0, 256);
    for (int i = 0; i < 256; ++i) Put32(pal, i == 9 ? 0x00FF00FFu : 0u);
    pal.insert(pal.end(), {0, 0, 0, 0, 9, 0, 0, 0});   // top row (second in file) starts with index 9
    Finish(pal);
    ASSERT_EQ(bmp.LoadBmpFromMemory(pal.data(), pal.size(), true), 0);
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(bmp.GetPixel(1, 0), 0xFF000000u);

    // Not a BMP, and short or lying headers.
    const unsigned char png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_EQ(bmp.LoadBmpFromMemory(png, sizeof png, true), 2);
    EXPECT_EQ(bmp.LoadBmpFromMemory(file.data(), 20, true), 2);
    std::vector<unsigned char> liar = file;
    liar[2] = 0xFF;
    liar[3] = 0xFF;
    liar[4] = 0xFF;   // bfSize far beyond the data
    liar.resize(60);
    ASSERT_EQ(bmp.LoadBmpFromMemory(liar.data(), liar.size(), true), 0);
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFFFFFFu);   // its row is not there
    EXPECT_EQ(bmp.GetPixel(0, 1), 0xFF123456u);
    EXPECT_EQ(bmp.LoadBmp(0, "/nonexistent/file.bmp", true), 1);
}
