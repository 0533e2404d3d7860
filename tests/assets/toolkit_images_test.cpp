// Picture file writers: what the host's readers rely on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tools/toolkit/image.h"
#include "tools/toolkit/source_text.h"

#if TEV_HAVE_CBMP
#include "draw/tev_bmp.h"
#endif
#if TEV_HAVE_ICON_READER
#include "platform/icon_file.h"
#endif

using tevtools::Image;

namespace {

uint32_t BE32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

Image Pattern(int w, int h) {
    Image im(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) im.At(x, y) = 0xFF000000u | (x * 37 % 256) << 16 | (y * 53 % 256) << 8 | (x ^ y);
    return im;
}

TEST(BmpWriter, PaddedBottomUpRowsRoundTrip) {
    for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {5, 7}, {64, 3}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        Image in = Pattern(w, h);
        std::vector<uint8_t> bytes = tevtools::EncodeBmp24(in);
        const size_t stride = (w * 3 + 3) / 4 * 4;
        ASSERT_EQ(bytes.size(), 54 + stride * h);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(bytes[2] | bytes[3] << 8 | bytes[4] << 16, static_cast<int>(bytes.size()));
        EXPECT_EQ(bytes[28], 24);
        // The first stored row is the bottom one.
        uint32_t bottomLeft = in.At(0, h - 1);
        EXPECT_EQ(bytes[54], bottomLeft & 0xFF);
        EXPECT_EQ(bytes[56], (bottomLeft >> 16) & 0xFF);
        Image out;
        std::string error;
        ASSERT_TRUE(tevtools::DecodeBmp24(bytes, out, error)) << error;
        EXPECT_EQ(out.pixels, in.pixels);
#if TEV_HAVE_CBMP
        CBmp bmp;
        ASSERT_EQ(bmp.LoadBmpFromMemory(bytes.data(), bytes.size(), true), 0);
        EXPECT_EQ(bmp.Width(), w);
        EXPECT_EQ(bmp.Height(), h);
        EXPECT_EQ(bmp.GetPixel(0, 0), in.At(0, 0));
        EXPECT_EQ(bmp.GetPixel(w - 1, h - 1), in.At(w - 1, h - 1));
#endif
    }
}

TEST(BmpReader, RejectsDamagedFilesWithoutReadingPastThem) {
    std::vector<uint8_t> good = tevtools::EncodeBmp24(Pattern(9, 9));
    Image out;
    std::string error;
    for (size_t cut : {size_t(0), size_t(2), size_t(53), size_t(54), good.size() - 1}) {
        std::vector<uint8_t> bytes(good.begin(), good.begin() + cut);
        EXPECT_FALSE(tevtools::DecodeBmp24(bytes, out, error)) << cut;
    }
    std::vector<uint8_t> huge = good;
    huge[18] = 0xFF;
    huge[19] = 0xFF;  // width 65535: the data cannot hold it
    EXPECT_FALSE(tevtools::DecodeBmp24(huge, out, error));
    std::vector<uint8_t> eight = good;
    eight[28] = 8;
    EXPECT_FALSE(tevtools::DecodeBmp24(eight, out, error));
}

// Reassembles the raw scanlines of a PNG written with stored deflate blocks,
// checking every chunk's CRC and the zlib checksum on the way.
bool UnpackStoredPng(const std::vector<uint8_t>& png, std::vector<uint8_t>& raw, uint32_t& w, uint32_t& h, int& type) {
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (png.size() < 8 || !std::equal(sig, sig + 8, png.begin())) return false;
    std::vector<uint8_t> z;
    for (size_t p = 8; p + 12 <= png.size();) {
        uint32_t len = BE32(png, p);
        if (p + 12 + len > png.size()) return false;
        if (tevtools::Crc32(png.data() + p + 4, len + 4) != BE32(png, p + 8 + len)) return false;
        std::string type4(png.begin() + p + 4, png.begin() + p + 8);
        if (type4 == "IHDR") {
            w = BE32(png, p + 8);
            h = BE32(png, p + 12);
            type = png[p + 17];
        } else if (type4 == "IDAT") {
            z.insert(z.end(), png.begin() + p + 8, png.begin() + p + 8 + len);
        }
        p += 12 + len;
    }
    size_t q = 2;
    for (bool final = false; !final;) {
        if (q + 5 > z.size()) return false;
        final = z[q] & 1;
        uint32_t n = z[q + 1] | z[q + 2] << 8, nn = z[q + 3] | z[q + 4] << 8;
        if ((n ^ 0xFFFF) != nn || q + 5 + n > z.size()) return false;
        raw.insert(raw.end(), z.begin() + q + 5, z.begin() + q + 5 + n);
        q += 5 + n;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return q + 4 == z.size() && BE32(z, q) == ((b << 16) | a);
}

TEST(PngWriter, HeaderSizeAndDataSurviveSeveralBlocks) {
    // 160 x 120 RGBA is more than one 64 KiB stored block.
    Image in = Pattern(160, 120);
    in.At(3, 4) = 0x00123456;
    std::vector<uint8_t> png = tevtools::EncodePng(in, true);
    // The host reads the size at bytes 16 and 20.
    EXPECT_EQ(BE32(png, 16), 160u);
    EXPECT_EQ(BE32(png, 20), 120u);
    std::vector<uint8_t> raw;
    uint32_t w = 0, h = 0;
    int type = 0;
    ASSERT_TRUE(UnpackStoredPng(png, raw, w, h, type));
    EXPECT_EQ(type, 6);
    ASSERT_EQ(raw.size(), 120u * (1 + 160 * 4));
    const uint8_t* px = raw.data() + 4 * (1 + 160 * 4) + 1 + 3 * 4;
    EXPECT_EQ(px[0], 0x12);
    EXPECT_EQ(px[2], 0x56);
    EXPECT_EQ(px[3], 0x00);
    std::vector<uint8_t> rgb = tevtools::EncodePng(Pattern(2, 2), false);
    raw.clear();
    ASSERT_TRUE(UnpackStoredPng(rgb, raw, w, h, type));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(raw.size(), 2u * (1 + 2 * 3));
}

TEST(IcoWriter, EntriesPointAtWholeImagesWithTheirMask) {
    Image big(32, 32, 0xFF2040C0), small(16, 16, 0xFFFFFFFF);
    big.At(0, 0) = 0;  // transparent corner
    std::vector<uint8_t> ico = tevtools::EncodeIco({big, small});
    ASSERT_GE(ico.size(), 6u + 32);
    EXPECT_EQ(ico[4], 2);
    for (int i = 0; i < 2; ++i) {
        const uint8_t* e = ico.data() + 6 + 16 * i;
        uint32_t len = e[8] | e[9] << 8 | e[10] << 16, off = e[12] | e[13] << 8 | e[14] << 16;
        int size = i == 0 ? 32 : 16;
        EXPECT_EQ(e[0], size);
        // header, 32-bit pixels and a 1-bit mask padded to 4 bytes a row
        EXPECT_EQ(len, 40u + size * size * 4 + 4u * size);
        EXPECT_LE(off + len, ico.size());
        EXPECT_EQ(ico[off + 8], size * 2);  // height counts pixels and mask
    }
    EXPECT_THROW(tevtools::EncodeIco({Image(300, 300, 0)}), tevtools::SourceError);
#if TEV_HAVE_ICON_READER
    platform::IconImage out;
    std::string error;
    ASSERT_TRUE(platform::DecodeIcon(ico.data(), ico.size(), out, error)) << error;
    EXPECT_EQ(out.width, 32);
    EXPECT_EQ(out.argb[0] >> 24, 0u);
    EXPECT_EQ(out.argb[1], 0xFF2040C0u);
#endif
}

TEST(FileOutput, UnwritablePathIsAnErrorNotASilentSkip) {
    EXPECT_THROW(tevtools::SaveFile("/nonexistent-dir/x.bmp", {1, 2, 3}), tevtools::SourceError);
}

}  // namespace
