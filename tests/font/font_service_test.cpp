// The font inside the draw service: set up with the device, reached by
// plug-ins through the draw object, closed and reopened around
// render-to-texture.
#include <gtest/gtest.h>

#include <climits>

#include "draw/tev_dx_draw.h"
#include "platform/backend.h"

namespace {

bool AnyInk(const platform::raster::Surface& s, int x0, int y0, int x1, int y1, uint32_t background) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (s.At(x, y) != background) return true;
    return false;
}

struct Service {
    CTevDxDraw draw;
    Service() {
        platform::SelectBackends(platform::BackendKind::Null);
        draw.Initialize(nullptr);
        draw.SetScreenSize(320, 240);
        draw.InitializeAfterUser();
    }
    platform::raster::Surface& Back() { return draw.Graphics().Device()->BackBuffer(); }
};

} // namespace

TEST(FontInService, TheDeviceBringsTheDefaultFontAndArea) {
    Service s;
    ASSERT_NE(s.draw.Graphics().Device(), nullptr);
    ITevDraw& plugin = s.draw;   // what a plug-in holds
    EXPECT_STREQ(plugin.font.GetFontName(), "ＭＳ　ゴシック");
    EXPECT_EQ(s.draw.Font().FontHeight(), 10);
    s.draw.SetClearColor(0xFF000000);
    s.draw.Clear();
    plugin.font.Begin();
    s.draw.SetTextColor(0xFFFFFF00);
    EXPECT_EQ(s.draw.PrintText(300, 0, "%s", "WWWWWWWW"), 10);
    plugin.font.End();
    // The area is one screen from the text's position; the screen cuts it.
    EXPECT_TRUE(AnyInk(s.Back(), 300, 0, 320, 10, 0xFF000000));
    EXPECT_FALSE(AnyInk(s.Back(), 0, 10, 320, 240, 0xFF000000));
}

TEST(FontInService, RenderToTextureSplitsTheBatch) {
    Service s;
    ITevDraw& plugin = s.draw;
    s.draw.SetClearColor(0xFF000000);
    s.draw.Clear();
    plugin.font.Begin();
    plugin.font.DrawTextColor(0, 0, "Screen", 0xFFFFFFFF);
    s.draw.BeginRenderToTexture(5);       // text so far goes to the screen
    EXPECT_TRUE(AnyInk(s.Back(), 0, 0, 60, 10, 0xFF000000));
    EXPECT_TRUE(s.draw.Font().InBatch());
    plugin.font.DrawTextColor(0, 100, "Texture", 0xFFFFFFFF);
    s.draw.EndRenderToTexture();          // ... and this into texture 5
    plugin.font.DrawTextColor(0, 200, "Again", 0xFFFFFFFF);
    plugin.font.End();

    auto texture = s.draw.Graphics().TextureOf(5);
    ASSERT_TRUE(texture);
    EXPECT_TRUE(AnyInk(*texture, 0, 100, 70, 110, 0));
    EXPECT_FALSE(AnyInk(*texture, 0, 0, 70, 10, 0));
    EXPECT_FALSE(AnyInk(*texture, 0, 200, 70, 210, 0));
    EXPECT_FALSE(AnyInk(s.Back(), 0, 100, 70, 110, 0xFF000000));
    EXPECT_TRUE(AnyInk(s.Back(), 0, 200, 70, 210, 0xFF000000));
}

TEST(FontInService, NoDeviceNoText) {
    platform::SelectBackends(platform::BackendKind::Null);
    CTevDxDraw draw;   // never initialised: no device
    ITevDraw& plugin = draw;
    EXPECT_EQ(plugin.font.DrawTextColor(0, 0, "A", 0xFFFFFFFF), -1);
    EXPECT_EQ(plugin.font.DrawText(0, 0, "A"), -1);
    EXPECT_EQ(plugin.font.ResetFont(), 0);
}
