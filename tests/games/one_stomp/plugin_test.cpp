// The built plug-in with the stand-in services: what it loads, and that every
// way out stops and frees all sound channels before reporting its result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/standin_services.h"

namespace {

using namespace tevtest;

// The sound calls of CleanUp, in order.
std::vector<std::string> CleanUpSounds(StandinServices& host, PluginUnderTest& plugin, int& result) {
    host.log.Clear();
    result = plugin.CleanUp();
    return host.log.With("sound.");
}

TEST(OneStompPlugin, EveryEndStopsAndFreesTheSounds) {
    setenv("TEV_FIXED_CLOCK", "4242", 1);
    StandinServices host;
    PluginUnderTest plugin(host);
    const std::vector<std::string> freed = {"sound.StopAll", "sound.ReleaseAll"};

    // Escape in the middle of the run: no result.
    ASSERT_EQ(plugin.Load(TEV_GAME_SO), "");
    ASSERT_EQ(plugin.SystemInit(), 0);
    host.log.Clear();
    ASSERT_EQ(plugin.UserInit(), 0);
    EXPECT_EQ(host.log.With("draw.CreateTexture"),
              (std::vector<std::string>{"draw.CreateTexture 0 tip.bmp 00FFFFFF", "draw.CreateTexture 1 help.bmp 00FFFFFF"}));
    EXPECT_EQ(host.log.With("sound.Load"),
              (std::vector<std::string>{"sound.Load 0 ost_bgm.wav 0", "sound.Load 1 kill.wav 0", "sound.Load 2 death.wav 0",
                                        "sound.Load 3 block.wav 0"}));
    EXPECT_EQ(plugin.Frame(), 0);
    EXPECT_EQ(plugin.Frame({kKeyZ}), 0);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(plugin.Frame(), 0);
    EXPECT_EQ(plugin.Frame({kKeyEscape}), 1);
    int result = -1;
    EXPECT_EQ(CleanUpSounds(host, plugin, result), freed);
    EXPECT_EQ(result, 0);
    plugin.Unload();

    // Left alone, the runner meets the beetle: the game ends by itself, failed.
    ASSERT_EQ(plugin.Load(TEV_GAME_SO), "");
    ASSERT_EQ(plugin.SystemInit(), 0);
    ASSERT_EQ(plugin.UserInit(), 0);
    plugin.Frame();
    plugin.Frame({kKeyZ});
    int frames = 2, end = 0;
    while (end == 0 && frames < 2000) {
        end = plugin.Frame();
        ++frames;
    }
    EXPECT_EQ(end, 1);
    EXPECT_EQ(CleanUpSounds(host, plugin, result), freed);
    EXPECT_EQ(result, 2);
    unsetenv("TEV_FIXED_CLOCK");
}

}  // namespace
