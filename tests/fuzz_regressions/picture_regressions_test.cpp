// BMP headers with extreme sizes: the texture loader's reader must answer
// without overflowing or reading outside the pixel bytes.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "draw/tev_bmp.h"

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// 14 + 40 header bytes, then `tail` (palette and pixels).
std::vector<uint8_t> Header(int32_t width, int32_t height, int bits, const std::vector<uint8_t>& tail) {
    std::vector<uint8_t> b{'B', 'M'};
    Put32(b, uint32_t(54 + tail.size()));
    Put32(b, 0);
    Put32(b, bits == 24 ? 54 : 54 + 1024);
    Put32(b, 40);
    Put32(b, uint32_t(width));
    Put32(b, uint32_t(height));
    Put16(b, 1);
    Put16(b, uint32_t(bits));
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

} // namespace

TEST(CBmpRegression, LowestHeightIsNotAPicture) {
    // -2^31 rows cannot be negated into a row count.
    const auto bytes = Header(4, INT32_MIN, 24, std::vector<uint8_t>(48, 0x11));
    CBmp bmp;
    EXPECT_EQ(bmp.LoadBmpFromMemory(bytes.data(), bytes.size(), true), 2);
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_GE(bmp.Height(), 0);
    // The next highest is a top-down picture of INT_MAX rows whose data is not there.
    const auto almost = Header(4, INT32_MIN + 1, 24, std::vector<uint8_t>(48, 0x11));
    ASSERT_EQ(bmp.LoadBmpFromMemory(almost.data(), almost.size(), true), 0);
    EXPECT_EQ(bmp.Height(), INT_MAX);
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFF111111u);
    EXPECT_EQ(bmp.GetPixel(0, 5), 0xFFFFFFFFu);
}

TEST(CBmpRegression, PaletteRowsOfAHugeWidthStayInsideTheData) {
    // 8 bits, a width whose padded row length does not fit an int, two rows
    // (bottom-up), a palette and a few pixel bytes: the bottom row's first
    // pixels are there, the top row is not.
    std::vector<uint8_t> tail(1024, 0);
    tail[4 * 1 + 2] = 0xAB;   // palette entry 1: red 0xAB
    for (int i = 0; i < 16; ++i) tail.push_back(1);
    const auto bytes = Header(INT32_MAX - 2, 2, 8, tail);
    CBmp bmp;
    ASSERT_EQ(bmp.LoadBmpFromMemory(bytes.data(), bytes.size(), true), 0);
    ASSERT_TRUE(bmp.PixelsDecodable());
    EXPECT_EQ(bmp.GetPixel(3, 1), 0xFFAB0000u);    // bottom row, stored first
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFFFFFFu);    // top row: beyond the bytes
    EXPECT_EQ(bmp.GetPixel(INT32_MAX - 3, 1), 0xFFFFFFFFu);
}

TEST(CBmpRegression, TrueColourRowsOfAHugePictureStayInsideTheData) {
    // 24 bits, about 2^31 by 2^31 pixels, bottom-up, 12 bytes of data: the
    // top row's place is far beyond any 64-bit product of row and stride.
    const auto bytes = Header(INT32_MAX - 15, INT32_MAX - 15, 24, std::vector<uint8_t>(12, 0x22));
    CBmp bmp;
    ASSERT_EQ(bmp.LoadBmpFromMemory(bytes.data(), bytes.size(), true), 0);
    ASSERT_TRUE(bmp.PixelsDecodable());
    EXPECT_EQ(bmp.GetPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.GetPixel(INT32_MAX - 16, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.GetPixel(1, INT32_MAX - 16), 0xFF222222u);   // the bottom row, stored first
}
