// The built plug-in with the stand-in services, run from its own folder so
// that its stream library loads: the synth's channel is set up, re-sought
// once a frame, and stopped and freed (the thread joined) before the library
// goes; Escape leaves with result 0.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/standin_services.h"

namespace {

using namespace tevtest;

TEST(HillDrivePlugin, EscapeLeavesWithResultZeroAndTheStreamIsFreed) {
    setenv("TEV_FIXED_CLOCK", "4242", 1);
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(TEV_GAME_SO).parent_path());
    StandinServices host;
    for (int play = 0; play < 2; ++play) {
        PluginUnderTest plugin(host);
        ASSERT_EQ(plugin.Load(TEV_GAME_SO), "");
        ASSERT_EQ(plugin.SystemInit(), 0);
        host.log.Clear();
        ASSERT_EQ(plugin.UserInit(), 0);
        EXPECT_EQ(host.log.With("sound."),
                  (std::vector<std::string>{"sound.RegisterReader hdsynth", "sound.Load 0 engine.hdsynth 1",
                                            "sound.SetVolume 0 95", "sound.Play 0 1"}));
        EXPECT_EQ(host.log.With("draw.CreateTexture"),
                  (std::vector<std::string>{"draw.CreateTexture 8 car.bmp 00FFFFFF",
                                            "draw.CreateTexture 9 letter.bmp 00FFFFFF"}));
        host.log.Clear();
        for (int i = 0; i < 60; ++i) ASSERT_EQ(plugin.Frame({kKeyX}), 0);
        EXPECT_EQ(host.log.With("sound.SetPosition").size(), 60u);
        EXPECT_EQ(plugin.Frame({kKeyEscape}), 1);
        host.log.Clear();
        EXPECT_EQ(plugin.CleanUp(), 0);
        EXPECT_EQ(host.log.With("sound."), (std::vector<std::string>{"sound.Stop 0", "sound.Release 0"}));
        plugin.Unload();   // a synth thread still running would crash here
    }
    std::filesystem::current_path(home);
    unsetenv("TEV_FIXED_CLOCK");
}

}  // namespace
