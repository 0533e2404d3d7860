// The built plug-in with the stand-in services: its files, and a game left
// with Escape that still stores its best score in the current folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/standin_services.h"

using namespace tevtest;

TEST(BlockZoningPlugin, LoadsItsFilesAndEscapeStillStoresTheBest) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("block-zoning-plugin-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    // Obstacles at (0, 2), (9, 6) and (7, 9): the first house fits at (3, 3).
    setenv("TEV_FIXED_CLOCK", "2606", 1);

    StandinServices host;
    PluginUnderTest plugin(host);
    ASSERT_EQ(plugin.Load(TEV_GAME_SO), "");
    ASSERT_EQ(plugin.SystemInit(), 0);
    ASSERT_EQ(plugin.UserInit(), 0);
    for (const char* call : {"draw.CreateTexture 10 ./bmp/back.bmp 00000000",
                             "draw.CreateTexture 11 ./bmp/object.bmp 00FFFFFF",
                             "draw.CreateTexture 12 ./bmp/font.bmp 00FFFFFF", "sound.Load 0 wav/st.wav 0",
                             "sound.Load 1 wav/R.wav 0", "sound.Load 2 wav/C.wav 0", "sound.Load 3 wav/I.wav 0",
                             "sound.Load 4 wav/sc.wav 0"})
        EXPECT_TRUE(host.log.Has(call)) << call << "\n" << host.log.Text();

    EXPECT_EQ(plugin.Frame({kKeyZ}), 0);  // title -> play
    EXPECT_EQ(plugin.Frame(), 0);
    host.log.Clear();
    EXPECT_EQ(plugin.Frame({kKeyZ}), 0);  // a house at (3, 3), worth 1
    EXPECT_TRUE(host.log.Has("sound.Play 1 0")) << host.log.Text();
    EXPECT_EQ(plugin.Frame(), 0);
    EXPECT_EQ(plugin.Frame({kKeyEscape}), 1);
    EXPECT_EQ(plugin.CleanUp(), 0);
    plugin.Unload();

    std::ifstream in("hiscore.ini", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(bytes, std::string("\x01\x00\x00\x00", 4));
    unsetenv("TEV_FIXED_CLOCK");
    std::filesystem::current_path(before);
    std::filesystem::remove_all(dir);
}
