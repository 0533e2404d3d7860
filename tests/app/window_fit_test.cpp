// The window's first size and place: --scale is cut to what the desktop's
// usable area holds, and the window never starts off screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/window_fit.h"

using platform::ClampWindowScale;
using platform::FitRect;
using platform::PlaceWindow;

TEST(WindowFit, ScaleIsCutToTheUsableAreaWithItsFrame) {
    const FitRect desk{0, 0, 1280, 960};
    EXPECT_EQ(ClampWindowScale(5, 320, 240, desk), 4);          // 1600 x 1200 would not fit
    EXPECT_EQ(ClampWindowScale(4, 320, 240, desk), 4);          // exactly fits without a frame
    EXPECT_EQ(ClampWindowScale(4, 320, 240, desk, 4, 32), 3);   // but not with a title bar
    EXPECT_EQ(ClampWindowScale(2, 320, 240, desk, 4, 32), 2);   // a scale that fits is kept
    EXPECT_EQ(ClampWindowScale(0, 320, 240, desk), 3);          // automatic: about 3/4 of the desk
    EXPECT_EQ(ClampWindowScale(0, 320, 240, {0, 0, 3840, 2160 - 40}), 6);
    // A panel eats height: the limit is whichever side runs out first.
    EXPECT_EQ(ClampWindowScale(9, 320, 240, {0, 28, 1920, 1052}, 2, 30), 4);
    // Never below 1, even on a desktop smaller than the picture.
    EXPECT_EQ(ClampWindowScale(3, 320, 240, {0, 0, 300, 200}), 1);
    EXPECT_EQ(ClampWindowScale(0, 320, 240, {0, 0, 300, 200}), 1);
    // No usable area reported: the request stands.
    EXPECT_EQ(ClampWindowScale(5, 320, 240, {0, 0, 0, 0}), 5);
    EXPECT_EQ(ClampWindowScale(-2, 320, 240, {0, 0, 0, 0}), 1);
}

TEST(WindowFit, TheWindowIsCentredAndKeptOnScreen) {
    int x = 0, y = 0;
    // 960 x 720 client with a 2/30 frame in a 1280 x 960 desk offset by a top panel.
    PlaceWindow(960, 720, {0, 24, 1280, 936}, 2, 30, 4, 32, &x, &y);
    EXPECT_EQ(x, (1280 - 964) / 2 + 2);
    EXPECT_EQ(y, 24 + (936 - 752) / 2 + 30);
    // Bigger than the desk: its top-left corner (title bar) stays reachable,
    // never at negative coordinates as a plain centring would put it.
    PlaceWindow(1600, 1200, {0, 0, 1280, 960}, 0, 0, 0, 0, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    // A second monitor to the right.
    PlaceWindow(640, 480, {1920, 0, 1280, 1024}, 1, 20, 2, 21, &x, &y);
    EXPECT_EQ(x, 1920 + (1280 - 642) / 2 + 1);
    EXPECT_EQ(y, (1024 - 501) / 2 + 20);
}

TEST(WindowFit, LetterboxIsTheLargestWholeScaleCentredForAnyArea) {
    using platform::LetterboxRect;
    // Every area from tiny to 4K: the picture fits, is centred to within a
    // pixel, keeps its shape, and is a whole multiple whenever 1x fits.
    for (int w = 1; w <= 3840; w += 37) {
        for (int h = 1; h <= 2160; h += 29) {
            bool whole = false;
            const FitRect r = LetterboxRect(w, h, 320, 240, &whole);
            ASSERT_TRUE(r.w >= 1 && r.h >= 1 && r.w <= w && r.h <= h) << w << "x" << h;
            ASSERT_EQ(r.x, (w - r.w) / 2);
            ASSERT_EQ(r.y, (h - r.h) / 2);
            const int k = std::min(w / 320, h / 240);
            ASSERT_EQ(whole, k >= 1);
            if (k >= 1) {
                ASSERT_EQ(r.w, 320 * k) << w << "x" << h;
                ASSERT_EQ(r.h, 240 * k);
            } else {
                // Touches one side; the other is the 4:3 share, rounded down.
                ASSERT_TRUE(r.w == w || r.h == h) << w << "x" << h;
                ASSERT_LE(std::abs(r.w * 240 - r.h * 320), 320) << w << "x" << h;
            }
        }
    }
    // Named cases: a 1080p full screen is 4x with bars on all sides, a
    // maximised 1366x705 window is 2x, a window 1 pixel short of 3x is 2x.
    FitRect r = LetterboxRect(1920, 1080, 320, 240);
    EXPECT_TRUE(r.x == 320 && r.y == 60 && r.w == 1280 && r.h == 960);
    r = LetterboxRect(1366, 705, 320, 240);
    EXPECT_TRUE(r.x == 363 && r.y == 112 && r.w == 640 && r.h == 480);
    r = LetterboxRect(959, 720, 320, 240);
    EXPECT_EQ(r.w, 640);
    r = LetterboxRect(160, 240, 320, 240);   // half width: a half-size fit
    EXPECT_TRUE(r.x == 0 && r.y == 60 && r.w == 160 && r.h == 120);
    r = LetterboxRect(0, 480, 320, 240);     // minimised: nothing to draw into
    EXPECT_EQ(r.w, 0);
}
