// The pause sign: centred, readable on any picture, and nothing of the
// picture outside its box changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/pause_sign.h"

TEST(PauseSign, SitsCentredInItsBoxAndLeavesTheRestAlone) {
    for (uint32_t ground : {0xFF000000u, 0xFFFFFFFFu, 0xFF3080C0u}) {
        const int w = 320, h = 240, pitch = 336;   // a pitch wider than the picture
        std::vector<uint32_t> pic(static_cast<size_t>(pitch) * h, ground);
        for (int i = 0; i < pitch * h; i += 7) pic[i] ^= 0x00102030u;   // some texture
        const std::vector<uint32_t> before = pic;
        platform::StampPauseSign(pic.data(), w, h, pitch);
        int minX = w, maxX = -1, minY = h, maxY = -1, white = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < pitch; ++x) {
                const size_t i = static_cast<size_t>(y) * pitch + x;
                if (pic[i] == before[i]) continue;
                ASSERT_LT(x, w) << "wrote past the picture's width";
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        // A small box in the middle, the same margin on both sides.
        ASSERT_GE(maxX, 0);
        EXPECT_LE(maxX - minX + 1, 64);
        EXPECT_LE(maxY - minY + 1, 24);
        EXPECT_LE(std::abs((minX) - (w - 1 - maxX)), 1);
        EXPECT_LE(std::abs((minY) - (h - 1 - maxY)), 1);
        // Letters: P A U S E D have 99 stroke pixels, white on a dimmed ground.
        for (int y = minY; y <= maxY; ++y)
            for (int x = minX; x <= maxX; ++x) white += pic[static_cast<size_t>(y) * pitch + x] == 0xFFFFFFFFu ? 1 : 0;
        EXPECT_EQ(white, 99);
    }
    // Too small for the sign: untouched, no writes out of bounds.
    std::vector<uint32_t> tiny(20 * 10, 0xFF123456u);
    platform::StampPauseSign(tiny.data(), 20, 10, 20);
    for (uint32_t p : tiny) ASSERT_EQ(p, 0xFF123456u);
}
