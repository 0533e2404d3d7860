// The launcher's pure pieces: the state stack, HsvColor, the ripple and the
// positions of the splash score line, the game list and its panel.
#include <gtest/gtest.h>
#include <cmath>
#include "launcher/hsv_color.h"
#include "launcher/ripple.h"
#include "launcher/screen_layout.h"
#include "launcher/state_stack.h"

namespace {

// ---- StateStack ------------------------------------------------------------

StateStack* g_stack = nullptr;
int g_calls = 0;
int g_result = 0;
int Recorder() { ++g_calls; return g_result; }
int Other() { return 0; }
int ReplacesItself() { g_stack->Replace(Other); return 0; }
int ReplacesAndFinishes() { g_stack->Replace(Other); return 5; }

TEST(StateStack, PushAndPopBounds) {
    StateStack s;
    EXPECT_EQ(s.Top(), 0);
    EXPECT_EQ(s.Pop(), -1);           // slot 0 is never popped
    EXPECT_EQ(s.Push(nullptr), -1);
    EXPECT_EQ(s.Top(), 0);
    for (int i = 1; i <= 99; ++i) ASSERT_EQ(s.Push(Other), i);
    EXPECT_EQ(s.Push(Other), -1);     // at most 99 states
    EXPECT_EQ(s.Top(), 99);
    EXPECT_EQ(s.Pop(), 98);
    EXPECT_EQ(s.At(99), nullptr);     // the vacated slot is cleared
    EXPECT_EQ(s.At(0), nullptr);
    EXPECT_EQ(s.At(-1), nullptr);
    EXPECT_EQ(s.At(100), nullptr);
}

TEST(StateStack, RunTopResults) {
    StateStack s;
    g_stack = &s;
    EXPECT_EQ(s.RunTop(), -1);        // empty stack
    s.Push(Other);
    s.Push(Recorder);
    g_calls = 0;
    g_result = 0;
    EXPECT_EQ(s.RunTop(), 0);
    EXPECT_EQ(s.Top(), 2);            // 0 stays
    g_result = 1;
    EXPECT_EQ(s.RunTop(), 1);
    EXPECT_EQ(s.Top(), 1);            // non-zero pops once
    EXPECT_EQ(s.At(1), Other);
    EXPECT_EQ(g_calls, 2);

    s.Push(Recorder);
    g_result = -1;
    EXPECT_EQ(s.RunTop(), -1);
    EXPECT_EQ(s.Top(), 1);

    // A state that replaces itself and stays: the new one is on top.
    s.Push(ReplacesItself);
    EXPECT_EQ(s.RunTop(), 0);
    EXPECT_EQ(s.Top(), 2);
    EXPECT_EQ(s.At(2), Other);
    // Replaced and returned non-zero: the replacement is popped.
    s.Clear();
    s.Push(ReplacesAndFinishes);
    EXPECT_EQ(s.RunTop(), 5);
    EXPECT_EQ(s.Top(), 0);
    EXPECT_EQ(s.RunTop(), -1);
}

// ---- HsvColor --------------------------------------------------------------

TEST(HsvColor, PrimaryAndWholeHues) {
    EXPECT_EQ(HsvColor(255, 0.0, 1, 255), 0xFFFF0000u);   // red
    // Whole hues from 1 up keep f = 1: hue 1 is green, 2 cyan, 3 blue...
    EXPECT_EQ(HsvColor(255, 1.0, 1, 255), 0xFF00FF00u);
    EXPECT_EQ(HsvColor(255, 2.0, 1, 255), 0xFF00FFFFu);
    EXPECT_EQ(HsvColor(255, 3.0, 1, 255), 0xFF0000FFu);
    EXPECT_EQ(HsvColor(255, 4.0, 1, 255), 0xFFFF00FFu);
    EXPECT_EQ(HsvColor(255, 5.0, 1, 255), 0xFFFF0000u);
    // ...and exactly 6 gives black factors.
    EXPECT_EQ(HsvColor(255, 6.0, 1, 255), 0xFF000000u);
    EXPECT_EQ(HsvColor(128, 6.0, 0.5, 200), 0x80646464u);
}

TEST(HsvColor, HueWrapsByWholeTurns) {
    EXPECT_EQ(HsvColor(255, 7.0, 1, 255), HsvColor(255, 1.0, 1, 255));
    EXPECT_EQ(HsvColor(255, 12.0, 1, 255), 0xFF000000u);  // 12 comes down to 6, not 0
    EXPECT_EQ(HsvColor(255, -1.0, 1, 255), HsvColor(255, 5.0, 1, 255));
    EXPECT_EQ(HsvColor(255, -5.5, 1, 255), HsvColor(255, 0.5, 1, 255));
    EXPECT_EQ(HsvColor(255, 6.5, 1, 255), HsvColor(255, 0.5, 1, 255));
}

TEST(HsvColor, FractionsAndTruncation) {
    // 255 * 0.5 = 127.5 is truncated.
    EXPECT_EQ(HsvColor(255, 0.5, 1, 255), 0xFFFF7F00u);
    EXPECT_EQ(HsvColor(255, 1.5, 1, 255), 0xFF7FFF00u);
    EXPECT_EQ(HsvColor(255, 4.25, 1, 100), 0xFF190064u);
    EXPECT_EQ(HsvColor(255, 5.75, 1, 255), 0xFFFF003Fu);
}

TEST(HsvColor, Clamps) {
    EXPECT_EQ(HsvColor(255, 0.0, 2.0, 255), 0xFFFF0000u);    // saturation 1
    EXPECT_EQ(HsvColor(255, 0.0, -1.0, 200), 0xFFC8C8C8u);   // saturation 0: grey
    EXPECT_EQ(HsvColor(255, 0.0, 1, 300), 0xFFFF0000u);      // value 255
    EXPECT_EQ(HsvColor(255, 0.0, 1, -20), 0xFF000000u);      // value 0
    EXPECT_EQ(HsvColor(300, 0.0, 1, 255) >> 24, 0xFFu);
    EXPECT_EQ(HsvColor(-5, 0.0, 1, 255) >> 24, 0u);
    EXPECT_EQ(HsvColor(0x42, 0.0, 1, 255) >> 24, 0x42u);
    // Hopeless input still ends with a colour.
    EXPECT_EQ(HsvColor(255, std::nan(""), 1, 255), 0xFFFF0000u);
    EXPECT_EQ(HsvColor(255, 1e300, 1, 255), 0xFFFF0000u);
}

// ---- Ripple ----------------------------------------------------------------

TEST(Ripple, OnlyInsideTheTravellingRing) {
    EXPECT_EQ(ripple::Displacement(10, 11.0), 0.0);    // not reached yet
    EXPECT_EQ(ripple::Displacement(100, 54.0), 0.0);   // ring has passed (r < t - 45)
    EXPECT_EQ(ripple::Displacement(170, 161.0), 0.0);  // beyond the fade-out radius
    double expected = std::sin(6.2832 * (60 / 45.0 - 30 / 10.0)) * 10 * (160 - 30) * 0.00625;
    EXPECT_DOUBLE_EQ(ripple::Displacement(60, 30.0), expected);
    EXPECT_NE(ripple::Displacement(60, 30.0), 0.0);
    EXPECT_DOUBLE_EQ(ripple::Displacement(160, 160.0), 0.0);  // faded out at the edge
}

TEST(Ripple, VerticesMoveAwayAlongTheirOwnAxes) {
    int x, y;
    ripple::Displace(50, 160, 50, x, y);   // the centre never moves
    EXPECT_EQ(x, 160);
    EXPECT_EQ(y, 50);
    // On the horizontal axis only x moves, with the sign of dx.
    int t = 12;
    double j = ripple::Displacement(t, 8.0);
    ripple::Displace(t, 168, 50, x, y);
    EXPECT_EQ(x, 168 + static_cast<int>(j));
    EXPECT_EQ(y, 50);
    ripple::Displace(t, 152, 50, x, y);
    EXPECT_EQ(x, 152 - static_cast<int>(j));
    // Before the ring starts nothing moves anywhere.
    for (int gy = 0; gy <= ripple::kHeight; gy += ripple::kCell)
        for (int gx = 0; gx <= ripple::kWidth; gx += ripple::kCell) {
            ripple::Displace(0, gx, gy, x, y);
            EXPECT_EQ(x, gx);
            EXPECT_EQ(y, gy);
        }
    EXPECT_EQ(ripple::RowY(ripple::kRows), ripple::kHeight);  // grid ends at the block's bottom
    EXPECT_EQ(ripple::RowY(12), 96);
}

// ---- Splash score line -----------------------------------------------------

TEST(SplashLayout, ScoreLineFollowsDigits) {
    const int expectedSen[] = {182, 194, 206, 218, 230};
    int tries = 1;
    for (int d = 0; d < 5; ++d, tries *= 10) {
        layout::ScoreLine s = layout::SplashScoreLine(tries, 0);
        EXPECT_EQ(s.triesX, 170);
        EXPECT_EQ(s.senX, expectedSen[d]) << tries;
        EXPECT_EQ(s.hitsX, s.senX + 30);
        EXPECT_EQ(s.winX, s.hitsX + 12);
    }
    layout::ScoreLine s = layout::SplashScoreLine(0, 123);
    EXPECT_EQ(s.winX, 182 + 30 + 36);
    EXPECT_EQ(layout::DigitCount(-12), 3);   // a broken score file still lays out
}

// ---- Game list -------------------------------------------------------------

TEST(ListLayout, IdleLines) {
    layout::ListLine c = layout::ListLineAt(0, 0, 0);
    EXPECT_EQ(c.x, 200);
    EXPECT_EQ(c.y, 120);
    EXPECT_EQ(c.color, 0xFFFF0000u);
    layout::ListLine n0 = layout::ListLineAt(1, 0, 0), n4 = layout::ListLineAt(5, 0, 0);
    EXPECT_EQ(n0.x, 195);
    EXPECT_EQ(n0.y, 135);
    EXPECT_EQ(n0.color, 0xFFFFFFFFu);
    EXPECT_EQ(n4.x, 175);
    EXPECT_EQ(n4.y, 195);
    EXPECT_EQ(n4.color, 0xA0A0A0A0u);   // outermost line below
    layout::ListLine p0 = layout::ListLineAt(-1, 0, 0), p5 = layout::ListLineAt(-6, 0, 0);
    EXPECT_EQ(p0.x, 205);
    EXPECT_EQ(p0.y, 105);
    EXPECT_EQ(p5.x, 230);
    EXPECT_EQ(p5.y, 30);
    EXPECT_EQ(p5.color, 0xA0A0A0A0u);   // outermost line above
    EXPECT_EQ(layout::ListLineAt(-5, 0, 0).color, 0xFFFFFFFFu);
    EXPECT_EQ(layout::FirstOffset(0), -6);
    EXPECT_EQ(layout::LastOffset(0), 5);
}

TEST(ListLayout, ScrollShiftsAndAddsALine) {
    // Scrolling down: lines move up and left, one more line shows below.
    layout::ListLine l = layout::ListLineAt(0, +1, 4);
    EXPECT_EQ(l.x, 200 - 1);   // -4 / 3 truncates to -1
    EXPECT_EQ(l.y, 116);
    EXPECT_EQ(layout::LastOffset(+1), 6);
    EXPECT_EQ(layout::FirstOffset(+1), -6);
    // Scrolling up: down and right, one more line above.
    l = layout::ListLineAt(0, -1, 14);
    EXPECT_EQ(l.x, 204);
    EXPECT_EQ(l.y, 134);
    EXPECT_EQ(layout::FirstOffset(-1), -7);
    EXPECT_EQ(layout::LastOffset(-1), 5);
    // After the last scroll frame the next line sits where the current was.
    layout::ListLine next = layout::ListLineAt(1, +1, 15);
    EXPECT_EQ(next.y, 120);
    EXPECT_EQ(layout::FadeOutAlpha(0) + layout::FadeInAlpha(0), 255);
    EXPECT_EQ(layout::FadeOutAlpha(15), 0);
    EXPECT_EQ(layout::FadeInAlpha(15), 255);
}

TEST(ListLayout, WrapAroundTheTable) {
    EXPECT_EQ(layout::Wrap(-1, 5), 4);
    EXPECT_EQ(layout::Wrap(5, 5), 0);
    EXPECT_EQ(layout::Wrap(-13, 5), 2);
    EXPECT_EQ(layout::Wrap(3, 1), 0);
    EXPECT_EQ(layout::Wrap(7, 0), 0);    // an empty table never divides by zero
}

TEST(PanelLayout, StripsFadeAndSlideIn) {
    // Strip 0 starts at once, strip 3 at counter 50.
    layout::PanelStrip s = layout::PanelStripAt(0, 0);
    EXPECT_FALSE(s.visible);
    s = layout::PanelStripAt(0, 2);
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.alpha, 17);
    EXPECT_LT(s.x, 20);
    s = layout::PanelStripAt(0, 30);
    EXPECT_EQ(s.alpha, 255);
    EXPECT_EQ(s.x, 20);
    EXPECT_EQ(s.y, 185);
    s = layout::PanelStripAt(0, 80);
    EXPECT_EQ(s.alpha, 255);
    EXPECT_EQ(s.x, 20);
    s = layout::PanelStripAt(1, 80);
    EXPECT_EQ(s.x, 180);
    EXPECT_EQ(s.srcY, 15);
    EXPECT_EQ(s.width, 200);
    EXPECT_FALSE(layout::PanelStripAt(3, 50).visible);
    s = layout::PanelStripAt(3, 80);
    EXPECT_EQ(s.alpha, 255);
    EXPECT_EQ(s.x, 30);
    EXPECT_EQ(s.y, 215);
    EXPECT_EQ(s.srcY, 45);
    EXPECT_EQ(s.srcH, 45);
    EXPECT_EQ(s.width, 290);
    // Strips slide monotonically towards their place.
    for (int k = 41; k < 80; ++k) EXPECT_LE(layout::PanelStripAt(2, k).x, layout::PanelStripAt(2, k + 1).x);
    EXPECT_FALSE(layout::PanelStripAt(7, 40).visible);
}

TEST(PanelLayout, BoxAndFrame) {
    layout::PanelBox b = layout::PanelBoxAt(10);
    EXPECT_EQ(b.x, 10);
    EXPECT_EQ(b.w, 140);
    b = layout::PanelBoxAt(20);
    EXPECT_EQ(b.x, 15);
    EXPECT_EQ(b.w, 280);
    layout::PanelBox f = layout::PanelFrameAt(6);
    EXPECT_EQ(f.x, 3);
    EXPECT_EQ(f.w, 90);
    f = layout::PanelFrameAt(80);
    EXPECT_EQ(f.x, 10);
    EXPECT_EQ(f.w, 300);
}

} // namespace
