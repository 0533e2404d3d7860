#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/icon_file.h"

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) { v.push_back(x & 0xFF); v.push_back((x >> 8) & 0xFF); }
void Put32(std::vector<uint8_t>& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }

// A 2x2 24-bit icon with an AND mask that hides the top-left pixel.
std::vector<uint8_t> TinyIcon() {
    std::vector<uint8_t> dib;
    Put32(dib, 40); Put32(dib, 2); Put32(dib, 4); Put16(dib, 1); Put16(dib, 24);
    for (int i = 0; i < 6; ++i) Put32(dib, 0);
    // XOR rows bottom-up, 4-byte aligned: bottom row blue, green; top row red, white.
    const uint8_t rows[2][8] = {{0xFF, 0, 0, 0, 0xFF, 0, 0, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}};
    for (auto& r : rows) dib.insert(dib.end(), r, r + 8);
    // AND mask rows bottom-up: top row's first pixel transparent.
    Put32(dib, 0); Put32(dib, 0x80);
    std::vector<uint8_t> ico;
    Put16(ico, 0); Put16(ico, 1); Put16(ico, 1);
    ico.push_back(2); ico.push_back(2); ico.push_back(0); ico.push_back(0);
    Put16(ico, 1); Put16(ico, 24); Put32(ico, static_cast<uint32_t>(dib.size())); Put32(ico, 22);
    ico.insert(ico.end(), dib.begin(), dib.end());
    return ico;
}

} // namespace

TEST(IconFile, DecodesBitmapImagesWithTheirMask) {
    std::vector<uint8_t> ico = TinyIcon();
    platform::IconImage image;
    std::string error;
    ASSERT_TRUE(platform::DecodeIcon(ico.data(), ico.size(), image, error)) << error;
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.argb[0], 0u);            // masked out
    EXPECT_EQ(image.argb[1], 0xFFFFFFFFu);   // white
    EXPECT_EQ(image.argb[2], 0xFF0000FFu);   // blue
    EXPECT_EQ(image.argb[3], 0xFF00FF00u);   // green
}

TEST(IconFile, RefusesEveryTruncationWithoutReadingPastTheEnd) {
    std::vector<uint8_t> ico = TinyIcon();
    for (size_t n = 0; n < ico.size(); ++n) {
        std::vector<uint8_t> cut(ico.begin(), ico.begin() + static_cast<long>(n));
        platform::IconImage image;
        std::string error;
        EXPECT_FALSE(platform::DecodeIcon(cut.data(), cut.size(), image, error)) << n;
    }
    std::vector<uint8_t> lying = ico;
    lying[14] = 0xFF; lying[15] = 0xFF; lying[16] = 0xFF;  // entry length far past the file
    platform::IconImage image;
    std::string error;
    EXPECT_FALSE(platform::DecodeIcon(lying.data(), lying.size(), image, error));
}
