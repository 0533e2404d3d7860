// The window's first size and place: --scale is cut to what the desktop's
// usable area holds, and the window never starts off screen.
#include <gtest/gtest.h>

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
