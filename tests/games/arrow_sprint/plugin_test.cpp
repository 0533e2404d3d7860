// The built plug-in with the recording stand-in services: a bot that reads
// the arrow off the screen, on two loads of the library.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "games/arrow_sprint/pic_sprites.h"
#include "tests/support/standin_services.h"

namespace {

using namespace tevtest;

struct ArrowRun {
    std::vector<std::string> frames;
    int end_value = 0;
    int clean_up = 0;
};

std::string Sprite(tev::Rect r) {
    return " " + std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.w) + " " +
           std::to_string(r.h) + " 0";
}

// Taps the key of the big arrow icon every other frame and holds button 1 so
// the runner jumps whenever it lands; button 2 once the end screen shows.
ArrowRun PlayArrowSprint(StandinServices& host, PluginUnderTest& plugin) {
    namespace pic = arrow_sprint::pic;
    ArrowRun run;
    const std::pair<tev::Rect, int> keys_by_sprite[4] = {
        {pic::kArrowUp, kKeyUp}, {pic::kArrowDown, kKeyDown}, {pic::kArrowLeft, kKeyLeft}, {pic::kArrowRight, kKeyRight}};
    int arrow_key = 0;
    for (int frame = 0; frame < 6000; ++frame) {
        host.log.Clear();
        std::set<int> down = {kKeyZ};
        if (frame % 2 == 0 && arrow_key != 0) down.insert(arrow_key);
        const bool over = frame > 30 && run.frames.back().find("Push 2 Button") != std::string::npos;
        if (over) down = {kKeyX};
        const int r = plugin.Frame(down);
        for (const std::string& c : host.log.calls)
            for (const auto& [sprite, key] : keys_by_sprite)
                if (c == "draw2d.Draw 2 0 0" + Sprite(sprite)) arrow_key = key;
        run.frames.push_back(host.log.Text());
        if (r != 0) {
            run.end_value = r;
            break;
        }
    }
    run.clean_up = plugin.CleanUp();
    return run;
}

}  // namespace

TEST(ArrowSprintPlugin, RunsTheSameCourseOnEveryLoad) {
    StandinServices host;
    PluginUnderTest plugin(host);
    std::vector<ArrowRun> runs;
    for (int play = 0; play < 2; ++play) {
        ASSERT_EQ(plugin.Load(TEV_GAME_SO), "");
        ASSERT_EQ(plugin.SystemInit(), 0);
        host.log.Clear();
        ASSERT_EQ(plugin.UserInit(), 0);
        EXPECT_EQ(host.log.With("draw.CreateTexture"), (std::vector<std::string>{"draw.CreateTexture 2 pic.bmp FF000000"}));
        EXPECT_EQ(host.log.With("sound.Load"), (std::vector<std::string>{"sound.Load 0 P1.WAV 0", "sound.Load 1 P2.WAV 0",
                                                                          "sound.Load 2 P3.WAV 0", "sound.Load 3 P4.WAV 0"}));
        EXPECT_FALSE(host.app.title.empty());
        runs.push_back(PlayArrowSprint(host, plugin));
        plugin.Unload();
    }
    const ArrowRun& first = runs[0];
    ASSERT_FALSE(first.frames.empty());
    // The run ended on its own (cleared or failed), and button 2 left with
    // the result that CleanUp reports too.
    EXPECT_TRUE(first.end_value == 1 || first.end_value == 2) << first.end_value;
    EXPECT_EQ(first.clean_up, first.end_value);
    // Time advanced, and the ground scrolled past gaps.
    const std::string ground = Sprite(arrow_sprint::pic::kBlock) + "\n";
    bool saw_time = false, saw_gap = false;
    for (const std::string& f : first.frames) {
        saw_time |= f.find("Time:100\n") != std::string::npos;
        int blocks = 0;
        for (size_t p = f.find(ground); p != std::string::npos; p = f.find(ground, p + 1)) ++blocks;
        saw_gap |= blocks > 0 && blocks < 11;
    }
    EXPECT_TRUE(saw_time);
    EXPECT_TRUE(saw_gap);
    std::printf("arrow sprint bot: %zu frames, end value %d\n", first.frames.size(), first.end_value);
    EXPECT_EQ(runs[1].frames, first.frames);
    EXPECT_EQ(runs[1].end_value, first.end_value);
}

TEST(ArrowSprintPlugin, EscapeLeavesWithoutAResult) {
    StandinServices host;
    PluginUnderTest plugin(host);
    ASSERT_EQ(plugin.Load(TEV_GAME_SO), "");
    ASSERT_EQ(plugin.SystemInit(), 0);
    ASSERT_EQ(plugin.UserInit(), 0);
    EXPECT_EQ(plugin.Frame({}), 0);
    EXPECT_EQ(plugin.Frame({kKeyZ}), 0);
    EXPECT_EQ(plugin.Frame({kKeyZ, kKeyEscape}), 1);
    EXPECT_EQ(plugin.CleanUp(), 0);
}
