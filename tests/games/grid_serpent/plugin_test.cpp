// The built plug-in with the recording stand-in services: played to a loss
// with the keys of the launcher's record, on two loads of the library.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/support/standin_services.h"

using namespace tevtest;

TEST(GridSerpentPlugin, PlaysToALossWithTheKeysOfTheRecord) {
    setenv("TEV_FIXED_CLOCK", "1234", 1);
    StandinServices host;
    PluginUnderTest plugin(host);
    std::vector<std::string> first_food;
    for (int play = 0; play < 2; ++play) {
        ASSERT_EQ(plugin.Load(TEV_GAME_SO), "");
        host.log.Clear();
        ASSERT_EQ(plugin.SystemInit(), 0);
        EXPECT_EQ(host.log.calls, (std::vector<std::string>{"draw.SetScreenSize 320 240", "draw.SetFullScreen 0"}));
        // W S A D for the directions: the arrow keys do nothing.
        const unsigned char keys[6] = {1, 44, 45, 4, 5, 0};
        host.log.Clear();
        ASSERT_EQ(plugin.UserInit(keys), 0);
        EXPECT_EQ(host.log.Count("draw.CreateTexture"), 0) << "no textures";
        EXPECT_EQ(host.log.Count("sound.Load"), 0);

        int result = 0, frames = 0, head_y = -1;
        bool saw_three = false, saw_verdict = false;
        std::string food;
        while (result == 0 && frames < 3000) {
            host.log.Clear();
            // Down arrow from the start (ignored), S once the game runs.
            std::set<int> down = {kKeyDown};
            if (frames > 250) down.insert(kKeyS);
            result = plugin.Frame(down);
            ++frames;
            EXPECT_EQ(host.log.Count("font.Begin"), 1);
            EXPECT_EQ(host.log.Count("font.End"), 1);
            for (const std::string& c : host.log.calls) {
                saw_three |= c == "draw.PrintText 150 115 3";
                saw_verdict |= c == "draw.PrintText 144 90  - 完 - ";
                int x, y;
                if (c.ends_with(" 8 8 FFFFFFFF") && std::sscanf(c.c_str(), "draw2d.FillRect %d %d", &x, &y) == 2)
                    head_y = y;
                if (food.empty() && c.find("FFFF0099") != std::string::npos) food = c;
            }
            if (frames == 250) {
                EXPECT_EQ(head_y, 8) << "moved by an unbound key";
            }
        }
        EXPECT_EQ(result, 1);
        EXPECT_GT(head_y, 200);  // went down to the bottom edge
        EXPECT_TRUE(saw_three);
        EXPECT_TRUE(saw_verdict);
        EXPECT_EQ(plugin.CleanUp(), 2);
        EXPECT_FALSE(food.empty());
        first_food.push_back(food);
        plugin.Unload();
    }
    // The same clock gives the same food.
    EXPECT_EQ(first_food[0], first_food[1]);
    unsetenv("TEV_FIXED_CLOCK");
}
