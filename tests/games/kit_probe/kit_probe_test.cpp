// The kit's probe game with the recording stand-ins: each departure a game
// may take reaches the service it names, and the frame skeleton keeps its
// order around the game's frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "games/kit/tev_game.h"
#include "tests/support/standin_services.h"

using namespace tevtest;

namespace {

struct ProbeHost {
    StandinServices services;
    PluginUnderTest plugin{services};
    ProbeHost() {
        EXPECT_EQ(plugin.Load(TEV_KIT_PROBE_SO), "");
        EXPECT_EQ(plugin.SystemInit(), 0);
    }
    const std::vector<std::string>& log() const { return services.log.calls; }
};

}  // namespace

TEST(KitProbe, SystemInitDeparturesReachTheirServices) {
    ProbeHost host;
    EXPECT_EQ(host.log(), (std::vector<std::string>{"draw.SetScreenSize 320 240", "draw.SetFullScreen 1",
                                                    "input.ShowMouseCursor 0", "app.SetFrameRate 30",
                                                    "app.SetWindowTitle probe title"}));
    TevHostGameInfo info{};
    host.plugin.GetInfo(reinterpret_cast<TevGameInfo*>(&info));
    EXPECT_STREQ(info.title, "probe");
    EXPECT_STREQ(info.author, "kit tests");
    EXPECT_STREQ(info.comment, "every departure");
    EXPECT_STREQ(info.image, "probe_image.bmp");
}

TEST(KitProbe, FixedBindingIgnoresTheKeyRecord) {
    ProbeHost host;
    host.services.log.Clear();
    // A record asking for W S A D and other buttons: the probe keeps arrows, Z, X.
    const unsigned char keys[6] = {1, 16, 18, 8, 9, 0};
    ASSERT_EQ(host.plugin.UserInit(keys), 0);
    EXPECT_EQ(host.services.log.With("draw.CreateTexture"),
              (std::vector<std::string>{"draw.CreateTexture 3 probe.bmp 00FFFFFF"}));
    EXPECT_EQ(host.services.log.With("sound.Load"),
              (std::vector<std::string>{"sound.Load 5 probe.wav 1", "sound.Load 6 probe.mid 0"}));
    EXPECT_TRUE(host.services.log.Has("app.GetWindowHandle"));
    EXPECT_TRUE(host.services.log.Has("sound.Play 6 1"));

    host.services.log.Clear();
    EXPECT_EQ(host.plugin.Frame({kKeyUp, kKeyW, 16}), 0);
    EXPECT_TRUE(host.services.log.With("draw.PrintText 0 10 buttons").at(0).starts_with(
        "draw.PrintText 0 10 buttons 1 0 0 0 0 0 "))
        << host.services.log.Text();
    // Pad 0 button 5 is button 2; X too.
    host.services.log.Clear();
    host.services.input.Poll({kKeyX}, {5});
    EXPECT_EQ(host.plugin.MainLoop(), 0);
    EXPECT_TRUE(host.services.log.With("draw.PrintText 0 10 buttons").at(0).starts_with(
        "draw.PrintText 0 10 buttons -1 0 0 0 0 1 "))
        << host.services.log.Text();
}

TEST(KitProbe, FrameCallsReachTheirServicesInsideTheSkeleton) {
    ProbeHost host;
    ASSERT_EQ(host.plugin.UserInit(), 0);
    host.services.app.frameRate = 29.0;
    host.services.log.Clear();
    ASSERT_EQ(host.plugin.Frame(), 0);
    char handle[64];
    std::snprintf(handle, sizeof handle, "%p", static_cast<void*>(&host.services.app));
    // The generator is the library's own, fresh: state 1.
    tev::Rand15 library;
    const int first = library.Next();
    const std::string second = "draw.PrintText 0 10 buttons 0 0 0 0 0 0 rand " + std::to_string(library.Next());
    EXPECT_EQ(host.log(), (std::vector<std::string>{
                              "draw.Clear",
                              "font.Begin",
                              "draw.SetBlendMode 1",
                              "sound.SetFrequency 5 30000",
                              "sound.GetFrequency 5",
                              "app.GetFrameRate",
                              std::string("draw.PrintText 0 0 freq 30000 fps 29 handle ") + handle,
                              "draw.PrintText 0 10 buttons 0 0 0 0 0 0 rand " + std::to_string(first),
                              "font.End",
                          }));
    host.services.log.Clear();
    ASSERT_EQ(host.plugin.Frame(), 0);
    EXPECT_TRUE(host.services.log.Has(second)) << host.services.log.Text();
}

TEST(KitProbe, EscapeDoesNotEndItAndItsOwnEndComesFirst) {
    ProbeHost host;
    ASSERT_EQ(host.plugin.UserInit(), 0);
    EXPECT_EQ(host.plugin.Frame({kKeyEscape}), 0);
    EXPECT_EQ(host.plugin.Frame({}), 0);
    // Z with Escape: the frame's own value, before any Escape test.
    EXPECT_EQ(host.plugin.Frame({kKeyZ, kKeyEscape}), 7);
    EXPECT_EQ(host.plugin.Frame({kKeyZ}), 0);  // held, not pressed
    host.services.log.Clear();
    EXPECT_EQ(host.plugin.CleanUp(), 4);
    EXPECT_EQ(host.log(), (std::vector<std::string>{"sound.StopAll", "sound.ReleaseAll"}));
}

TEST(KitProbe, AFailingUserInitIsReported) {
    setenv("TEV_PROBE_FAIL", "3", 1);
    ProbeHost host;
    EXPECT_EQ(host.plugin.UserInit(), 3);
    unsetenv("TEV_PROBE_FAIL");
}
