// The draw service's font: slots, results, layout rules, batching and
// drawing into the current render target.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "draw/font_text.h"
#include "draw/tev_dx_font.h"
#include "platform/font/font_face.h"
#include "platform/raster/raster_device.h"

using platform::raster::Device;
using platform::raster::Surface;

namespace {

constexpr uint32_t kBack = 0xFF000000u;

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;   // inclusive
    bool Empty() const { return left > right; }
};

// The pixels that differ from the background.
Box Inked(const Surface& s, uint32_t background = kBack) {
    Box b;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.At(x, y) != background) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

bool SamePixels(const Surface& a, const Surface& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.Pixels(), b.Pixels(), sizeof(uint32_t) * a.Width() * a.Height()) == 0;
}

// A font on its own 320 x 240 device, as the draw service sets it up.
struct FontRig {
    Device device{320, 240};
    CTevDxFont font;
    FontRig() {
        device.BackBuffer().Fill(kBack);
        EXPECT_EQ(font.InitOnDevice(&device, 0, 10), 0);
        font.SetTextArea(320, 240);
    }
    Surface& Screen() { return device.BackBuffer(); }
    void Clear() { Screen().Fill(kBack); }
};

// Renders text alone on a clean screen and returns the picture.
Surface Render(FontRig& rig, int x, int y, const char* text, uint32_t color = 0xFFFFFFFFu) {
    rig.Clear();
    rig.font.DrawTextColor(x, y, text, color);
    return rig.Screen();
}

} // namespace

TEST(FontSlots, NothingDrawsBeforeInit) {
    CTevDxFont font;
    EXPECT_FALSE(font.HasFont());
    EXPECT_EQ(font.DrawText(0, 0, "A"), -1);
    EXPECT_EQ(font.DrawTextColor(0, 0, "A", 0xFFFFFFFF), -1);
    EXPECT_EQ(font.Printf(0, 0, "%d", 5), -1);
    EXPECT_EQ(font.ChangeFont("Arial Black", 12, 0, 0), -1);   // no device to make it on
    EXPECT_EQ(font.ResetFont(), 0);                              // 0 even though it failed
    EXPECT_EQ(font.Begin(), 0);
    EXPECT_EQ(font.End(), 0);
    EXPECT_FALSE(font.InBatch());
}

TEST(FontSlots, InitWithoutADeviceFails) {
    CTevDxFont font;
    EXPECT_EQ(font.InitOnDevice(nullptr, 0, 10), -1);
    EXPECT_FALSE(font.HasFont());
    EXPECT_EQ(font.DrawTextColor(0, 0, "A", 0xFFFFFFFF), -1);
    EXPECT_EQ(font.Init(nullptr, 0, 10), -1);
}

TEST(FontSlots, InitMakesTheDefaultFace) {
    FontRig rig;
    EXPECT_TRUE(rig.font.HasFont());
    EXPECT_STREQ(rig.font.GetFontName(), "ＭＳ　ゴシック");
    EXPECT_EQ(rig.font.FontHeight(), 10);
    EXPECT_EQ(rig.font.FontWidth(), 0);
    EXPECT_EQ(rig.font.Color(), 0xFFFFFFFFu);
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 10);
    EXPECT_EQ(rig.font.DrawTextColor(0, 0, "A", 0xFFFF0000), 0);
}

TEST(FontSlots, SetFontSizeKeepsTheLowByteSigned) {
    FontRig rig;
    struct { int h, w, ph, pw; } cases[] = {
        {200, 0, -56, 0}, {300, 0, 44, 0}, {-1, 513, -1, 1}, {127, 128, 127, -128}, {0x1234, -0x100, 0x34, 0},
    };
    for (auto c : cases) {
        EXPECT_EQ(rig.font.SetFontSize(c.h, c.w), 0);
        EXPECT_EQ(rig.font.PendingHeight(), c.ph) << c.h;
        EXPECT_EQ(rig.font.PendingWidth(), c.pw) << c.w;
    }
    EXPECT_EQ(rig.font.FontHeight(), 10);   // nothing applied yet
    rig.font.SetFontSize(300, 0);
    EXPECT_EQ(rig.font.ApplyFont(), 0);
    EXPECT_EQ(rig.font.FontHeight(), 44);
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 44);
}

TEST(FontSlots, PendingFaceWaitsForApplyFont) {
    FontRig rig;
    rig.font.SetFontName("Arial Black");
    rig.font.SetFontSize(24, 0);
    EXPECT_STREQ(rig.font.GetFontName(), "ＭＳ　ゴシック");
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 10);
    EXPECT_EQ(rig.font.ApplyFont(), 0);
    EXPECT_STREQ(rig.font.GetFontName(), "Arial Black");
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 24);
    EXPECT_EQ(rig.font.ResetFont(), 0);
    EXPECT_STREQ(rig.font.GetFontName(), "ＭＳ　ゴシック");
    EXPECT_EQ(rig.font.FontHeight(), 10);
    EXPECT_EQ(rig.font.FontWidth(), 0);
}

TEST(FontSlots, FaceNamesAreCutTo259Characters) {
    FontRig rig;
    std::string longName(400, 'Q');
    rig.font.SetFontName(longName.c_str());
    EXPECT_EQ(rig.font.ApplyFont(), 0);   // an unknown name gets the best match
    EXPECT_EQ(std::strlen(rig.font.GetFontName()), 259u);
    EXPECT_EQ(rig.font.ChangeFont(longName.c_str(), 12, 0, 0), 0);
    EXPECT_EQ(std::strlen(rig.font.GetFontName()), 259u);
}

TEST(FontSlots, ApplyFontFailureKeepsThePreviousFont) {
    platform::font::SetFaceAlias("Unmakeable Face", std::string(TEV_BINARY_DIR) + "/no_such_font.ttf");
    FontRig rig;
    rig.font.SetFontName("Arial Black");
    rig.font.SetFontSize(12, 0);
    ASSERT_EQ(rig.font.ApplyFont(), 0);
    Surface before = Render(rig, 0, 0, "Keep");

    rig.font.SetFontName("Unmakeable Face");
    rig.font.SetFontSize(20, 0);
    EXPECT_EQ(rig.font.ApplyFont(), -1);
    EXPECT_STREQ(rig.font.GetFontName(), "Arial Black");
    EXPECT_EQ(rig.font.FontHeight(), 12);
    EXPECT_EQ(rig.font.DrawText(0, 0, "Keep"), 12);
    EXPECT_TRUE(SamePixels(Render(rig, 0, 0, "Keep"), before));

    // Sizes no screen can show fail the same way.
    rig.font.SetFontName("Arial Black");
    EXPECT_EQ(rig.font.ChangeFont("Arial Black", 100000, 0, 0), -1);
}

TEST(FontSlots, ChangeFontFailureLeavesNoFontUntilTheNextChange) {
    platform::font::SetFaceAlias("Unmakeable Face", std::string(TEV_BINARY_DIR) + "/no_such_font.ttf");
    FontRig rig;
    EXPECT_EQ(rig.font.ChangeFont("Unmakeable Face", 12, 0, 7), -1);
    EXPECT_STREQ(rig.font.GetFontName(), "Unmakeable Face");
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), -1);
    EXPECT_TRUE(Inked(Render(rig, 0, 0, "A")).Empty());
    EXPECT_EQ(rig.font.ChangeFont("Arial Black", 12, 0, 0), 0);
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 12);
}

TEST(FontSlots, PrintfFormatsInto259Characters) {
    FontRig rig;
    EXPECT_EQ(rig.font.Printf(0, 0, "%s %d", "score", 42), 10);
    EXPECT_TRUE(SamePixels(Render(rig, 0, 0, "score 42"), [&] {
        rig.Clear();
        rig.font.SetColor(0xFFFFFFFF);
        rig.font.Printf(0, 0, "%s %d", "score", 42);
        return rig.Screen();
    }()));
    std::string big(2000, 'W');
    EXPECT_EQ(rig.font.Printf(0, 0, "%s%s", big.c_str(), big.c_str()), 10);
    EXPECT_EQ(rig.font.Printf(0, 0, nullptr), 0);
}

TEST(FontLayout, FirstCellStartsAtThePosition) {
    FontRig rig;
    Box b = Inked(Render(rig, 100, 50, "ＢＸ"));
    ASSERT_FALSE(b.Empty());
    EXPECT_GE(b.left, 100);
    EXPECT_LE(b.left, 102);
    EXPECT_GE(b.top, 50);
    EXPECT_LE(b.bottom, 59);   // inside the 10-pixel cell
    EXPECT_LE(b.right, 119);   // two full-width characters of 10
    EXPECT_GE(b.right, 116);
}

TEST(FontLayout, DrawnHeightCountsLines) {
    FontRig rig;
    EXPECT_EQ(rig.font.DrawText(0, 0, ""), 0);
    EXPECT_EQ(rig.font.DrawText(0, 0, nullptr), 0);
    EXPECT_EQ(rig.font.DrawText(0, 0, "one"), 10);
    EXPECT_EQ(rig.font.DrawText(0, 0, "one\ntwo"), 20);
    EXPECT_EQ(rig.font.DrawText(0, 0, "one\r\ntwo\rthree"), 30);
    // Lines start again at x, one cell lower.
    Surface split = Render(rig, 20, 0, "A\nB");
    rig.Clear();
    rig.font.DrawTextColor(20, 0, "A", 0xFFFFFFFF);
    rig.font.DrawTextColor(20, 10, "B", 0xFFFFFFFF);
    EXPECT_TRUE(SamePixels(split, rig.Screen()));
}

TEST(FontLayout, TabsAdvanceToStopsOfEightAverageWidths) {
    FontRig rig;   // gothic 10: average width 5, stops every 40 pixels from x
    EXPECT_TRUE(SamePixels(Render(rig, 10, 0, "\tAB"), Render(rig, 50, 0, "AB")));
    EXPECT_TRUE(SamePixels(Render(rig, 10, 0, "abc\tX"), [&] {
        rig.Clear();
        rig.font.DrawTextColor(10, 0, "abc", 0xFFFFFFFF);
        rig.font.DrawTextColor(50, 0, "X", 0xFFFFFFFF);
        return rig.Screen();
    }()));
    // Text that ends exactly on a stop moves on to the next one.
    EXPECT_TRUE(SamePixels(Render(rig, 0, 0, "12345678\tX"), [&] {
        rig.Clear();
        rig.font.DrawTextColor(0, 0, "12345678", 0xFFFFFFFF);
        rig.font.DrawTextColor(80, 0, "X", 0xFFFFFFFF);
        return rig.Screen();
    }()));
    // A wider font has wider stops.
    rig.font.ChangeFont("ＭＳ　ゴシック", 20, 0, 0);
    EXPECT_TRUE(SamePixels(Render(rig, 0, 0, "\tZ"), Render(rig, 80, 0, "Z")));
}

TEST(FontLayout, TextIsClippedToTheAreaFromItsPosition) {
    FontRig rig;
    rig.font.SetTextArea(12, 6);
    Box b = Inked(Render(rig, 30, 40, "WWWWWWWW"));
    ASSERT_FALSE(b.Empty());
    EXPECT_GE(b.left, 30);
    EXPECT_LE(b.right, 41);
    EXPECT_GE(b.top, 40);
    EXPECT_LE(b.bottom, 45);
    // Inside the area the pixels are those of unclipped text.
    Surface clipped = Render(rig, 30, 40, "WWWWWWWW");
    rig.font.SetTextArea(320, 240);
    Surface full = Render(rig, 30, 40, "WWWWWWWW");
    for (int y = 40; y < 46; ++y)
        for (int x = 30; x < 42; ++x) EXPECT_EQ(clipped.At(x, y), full.At(x, y)) << x << "," << y;
    // An empty area shows nothing but still reports the height.
    rig.font.SetTextArea(0, 0);
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 10);
    EXPECT_TRUE(Inked(Render(rig, 0, 0, "A")).Empty());
}

TEST(FontLayout, AreaRunsOneScreenFromTheTextAndTheSurfaceCutsTheRest) {
    FontRig rig;
    Box b = Inked(Render(rig, 300, 0, "WWWWWWWWWW"));
    ASSERT_FALSE(b.Empty());
    EXPECT_GE(b.left, 300);
    // Up to the surface's edge (the drawn glyphs keep a blank last column).
    EXPECT_GE(b.right, 318);
    EXPECT_LE(b.right, 319);
    // Far outside, nothing breaks.
    rig.Clear();
    rig.font.DrawText(INT_MAX - 3, INT_MAX - 3, "WWWW\tW\nW");
    rig.font.DrawText(INT_MIN, INT_MIN, "WWWW\tW\nW");
    rig.font.DrawText(-15, -5, "■■");
    Box partial = Inked(rig.Screen());
    ASSERT_FALSE(partial.Empty());
    EXPECT_EQ(partial.left, 0);
    EXPECT_EQ(partial.top, 0);
}

TEST(FontText, Cp932PairsEndingIn5CAreOneCharacter) {
    FontRig rig;
    // "ソ" is 0x83 0x5C: drawn as one full-width character, no backslash after it.
    Surface so = Render(rig, 0, 0, "ソ");
    EXPECT_TRUE(SamePixels(Render(rig, 0, 0, "ソX"), [&] {
        rig.Clear();
        rig.font.DrawTextColor(0, 0, "ソ", 0xFFFFFFFF);
        rig.font.DrawTextColor(10, 0, "X", 0xFFFFFFFF);
        return rig.Screen();
    }()));
    EXPECT_FALSE(SamePixels(so, Render(rig, 0, 0, "\\")));
    Box table = Inked(Render(rig, 0, 0, "表"));
    EXPECT_GE(table.right, 6);   // a full-width glyph, not a lone lead byte
}

TEST(FontText, InvalidBytesAreSkipped) {
    FontRig rig;
    Surface clean = Render(rig, 0, 0, "AB");
    EXPECT_TRUE(SamePixels(Render(rig, 0, 0, "A\x80\xFD\xFF" "B"), clean));
    const char cut[] = {'A', 'B', '\x83', '\0', '\x5C', '\0'};
    EXPECT_TRUE(SamePixels(Render(rig, 0, 0, cut), clean));
}

TEST(FontText, FacesWithoutJapaneseBorrowTheGothicGlyphs) {
    FontRig rig;
    rig.font.ChangeFont("ＭＳ　ゴシック", 20, 0, 0);
    Box gothic = Inked(Render(rig, 0, 0, "あ"));
    rig.font.ChangeFont("Arial Black", 20, 0, 0);
    Box borrowed = Inked(Render(rig, 0, 0, "あ"));
    ASSERT_FALSE(borrowed.Empty());
    EXPECT_EQ(borrowed.right - borrowed.left, gothic.right - gothic.left);
    EXPECT_EQ(borrowed.bottom - borrowed.top, gothic.bottom - gothic.top);
    EXPECT_GE(borrowed.top, 0);
    EXPECT_LE(borrowed.bottom, 19);
}

TEST(FontBlend, ColourAndAlphaBlendLikeASpriteBatch) {
    FontRig rig;
    rig.font.ChangeFont("ＭＳ　ゴシック", 20, 0, 0);
    Surface opaque = Render(rig, 0, 0, "■", 0xFF20C040);
    // Find a fully covered pixel inside the square.
    Box b = Inked(opaque);
    ASSERT_FALSE(b.Empty());
    int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    EXPECT_EQ(opaque.At(cx, cy), 0xFF20C040u);

    rig.Screen().Fill(0x00000000);
    rig.font.DrawTextColor(0, 0, "■", 0x80FFFFFF);
    // 0x80 of white over black; alpha blends as a colour channel: a*a + d*(1-a).
    EXPECT_EQ(rig.Screen().At(cx, cy), 0x40808080u);

    rig.Screen().Fill(0xFF0000FF);
    rig.font.DrawTextColor(0, 0, "■", 0x00FFFFFF);
    EXPECT_EQ(rig.Screen().At(cx, cy), 0xFF0000FFu);   // fully transparent text
}

TEST(FontBatch, TextWaitsForEndAndLandsOnTop) {
    FontRig rig;
    rig.Clear();
    rig.font.Begin();
    EXPECT_TRUE(rig.font.InBatch());
    rig.font.DrawTextColor(0, 0, "■", 0xFF00FF00);
    EXPECT_TRUE(Inked(rig.Screen()).Empty());   // nothing before End
    // Drawing done after the text but before End lies under it.
    rig.Screen().Fill(0xFFFF0000);
    rig.font.End();
    EXPECT_FALSE(rig.font.InBatch());
    Box b = Inked(rig.Screen(), 0xFFFF0000);
    ASSERT_FALSE(b.Empty());
    EXPECT_EQ(rig.Screen().At((b.left + b.right) / 2, (b.top + b.bottom) / 2), 0xFF00FF00u);
    // A second End draws nothing again.
    rig.Screen().Fill(0xFFFF0000);
    rig.font.End();
    EXPECT_TRUE(Inked(rig.Screen(), 0xFFFF0000).Empty());
}

TEST(FontBatch, LaterTextCoversEarlierText) {
    FontRig rig;
    rig.Clear();
    rig.font.Begin();
    rig.font.DrawTextColor(0, 0, "■", 0xFFFF0000);
    rig.font.ChangeFont("Arial Black", 10, 0, 0);   // a face change inside the batch
    rig.font.DrawTextColor(0, 0, "■", 0xFF0000FF);
    rig.font.Begin();                                // a nested Begin keeps the batch
    rig.font.End();
    Box b = Inked(rig.Screen());
    ASSERT_FALSE(b.Empty());
    EXPECT_EQ(rig.Screen().At((b.left + b.right) / 2, (b.top + b.bottom) / 2), 0xFF0000FFu);
}

TEST(FontBatch, EndDrawsIntoTheCurrentTarget) {
    FontRig rig;
    Surface texture(64, 64, 0);
    rig.Clear();
    rig.font.Begin();
    rig.font.DrawTextColor(0, 0, "Back", 0xFFFFFFFF);
    rig.font.End();   // as the service closes the batch before switching
    rig.device.SetRenderTarget(&texture);
    rig.font.Begin();
    rig.font.DrawTextColor(0, 0, "Tex", 0xFFFFFFFF);
    rig.font.End();
    rig.device.SetRenderTarget(nullptr);
    EXPECT_FALSE(Inked(texture, 0).Empty());
    EXPECT_TRUE(SamePixels(rig.Screen(), [&] { return Render(rig, 0, 0, "Back"); }()));
}

TEST(FontCache, AFrameNeverRasterizesAGlyphTwice) {
    FontRig rig;
    const char* line = "ABCDEFGHIJ あいうえお 0123456789";
    rig.font.Begin();
    rig.font.DrawText(0, 0, line);
    long first = rig.font.RasterizedGlyphs();
    EXPECT_GT(first, 0);
    for (int i = 0; i < 40; ++i) rig.font.DrawText(0, i * 6, line);
    rig.font.End();
    EXPECT_EQ(rig.font.RasterizedGlyphs(), first);
    // Switching faces back and forth, as the launcher does, keeps the glyphs.
    rig.font.ChangeFont("Arial Black", 10, 0, 0);
    rig.font.DrawText(0, 0, line);
    long both = rig.font.RasterizedGlyphs();
    for (int i = 0; i < 3; ++i) {
        rig.font.ResetFont();
        rig.font.DrawText(0, 0, line);
        rig.font.ChangeFont("Arial Black", 10, 0, 0);
        rig.font.DrawText(0, 0, line);
    }
    EXPECT_EQ(rig.font.RasterizedGlyphs(), both);
}

TEST(FontBatch, AnEndlessBatchIsBounded) {
    FontRig rig;
    rig.font.Begin();
    std::string line(200, 'W');
    for (int i = 0; i < 400; ++i) EXPECT_EQ(rig.font.DrawText(0, 0, line.c_str()), 10);
    rig.font.End();   // draws what was kept, without running out of memory
    EXPECT_FALSE(Inked(rig.Screen()).Empty());
}

TEST(FontCache, SteppingThroughEverySizeStaysBounded) {
    FontRig rig;
    // Every third low-byte height with a spread of widths: hundreds of sizes,
    // more than are kept, each usable when asked for again.
    for (int h = -128; h < 128; h += 3)
        for (int w : {0, 3, 9}) {
            rig.font.SetFontSize(h, w);
            ASSERT_EQ(rig.font.ApplyFont(), 0) << h << " " << w;
            rig.font.DrawText(0, 0, "Aあ");
        }
    rig.font.ResetFont();
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 10);
    rig.font.SetFontSize(-128, 0);
    ASSERT_EQ(rig.font.ApplyFont(), 0);
    EXPECT_EQ(rig.font.DrawText(0, 0, "A"), 128);
}

TEST(FontFit, KeyHelpLabelsStayApartAndInsideTheScreen) {
    // The launcher's key-help box prints "%c / %d" for button 2 at x 257 and
    // for button 1 at x 290, in whichever gothic size the screen has set
    // (10 on the splash, 11 in the game list, 12 in the settings). Pad
    // numbers run to 12; in a six-pixel pitch (12 pixels, or 11 without the
    // drawn strikes) two digits cannot fit the 30 pixels before the screen's
    // edge, so there the test is held to one digit.
    FontRig rig;
    struct Case {
        int height;
        const char* label;
    };
    const bool strikes = static_cast<bool>(std::ifstream("/usr/share/fonts/X11/misc/mplus_j10r.pcf.gz"));
    // With the drawn strikes 11 pixels keep their five-pixel pitch.
    for (Case c : {Case{10, "M / 12"}, Case{11, strikes ? "M / 12" : "M / 9"}, Case{12, "M / 9"}}) {
        ASSERT_EQ(rig.font.ChangeFont("ＭＳ　ゴシック", c.height, 0, 0), 0);
        // Drawn 40 pixels to the left, so the screen's edge cuts nothing.
        Box button2 = Inked(Render(rig, 257 - 40, 48, c.label));
        Box button1 = Inked(Render(rig, 290 - 40, 48, c.label));
        ASSERT_FALSE(button1.Empty() || button2.Empty());
        EXPECT_LT(button2.right + 1, button1.left) << c.height << ": a blank column between the labels";
        EXPECT_LE(button1.right, 319 - 40) << c.height << ": the last glyph whole on screen";
        EXPECT_LE(button1.bottom, 61) << c.height << ": inside the 62-row box";
    }
}
