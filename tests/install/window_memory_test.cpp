// The remembered window size: its file, and fitting it to the desktop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "games/kit/score_file.h"
#include "platform/window_fit.h"
#include "platform/window_memory.h"

using namespace platform;

TEST(WindowMemory, ReadsOnlyAWholeSizeLine) {
    int w = 0, h = 0;
    EXPECT_TRUE(ParseWindowSize(FormatWindowSize(1000, 750), &w, &h));
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 750);
    for (const char* bad : {"", "1000", "1000 ", "1000 75", "1000 750", "1000 750\nx", "-640 480\n",
                            "640x480\n", "10 480\n", "640 99999\n", "64O 480\n", "640  480\n"})
        EXPECT_FALSE(ParseWindowSize(bad, &w, &h)) << '"' << bad << '"';

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tev-window-memory";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / kWindowSizeFile).string();
    std::filesystem::remove(path);
    std::string why;
    EXPECT_EQ(LoadWindowSize(path, &w, &h, &why), WindowSizeRead::kMissing);
    ASSERT_TRUE(SaveWindowSize(path, 1280, 720));
    EXPECT_EQ(LoadWindowSize(path, &w, &h, &why), WindowSizeRead::kRead);
    EXPECT_EQ(w * 10000 + h, 1280 * 10000 + 720);
    std::ofstream(path, std::ios::trunc) << "1280 7";   // cut off by a crash
    EXPECT_EQ(LoadWindowSize(path, &w, &h, &why), WindowSizeRead::kBad);
    EXPECT_FALSE(why.empty());
    std::filesystem::remove_all(dir);
}

TEST(WindowMemory, RememberedSizeIsCutToTheUsableArea) {
    const FitRect desktop{0, 0, 1280, 960};
    int w = 1900, h = 600;
    ClampClientSize(&w, &h, desktop, 4, 32);
    EXPECT_EQ(w, 1276);
    EXPECT_EQ(h, 600);
    w = 700, h = 5000;
    ClampClientSize(&w, &h, desktop, 4, 32);
    EXPECT_EQ(w, 700);
    EXPECT_EQ(h, 928);
    ClampClientSize(&w, &h, FitRect{}, 4, 32);   // nothing known: unchanged
    EXPECT_EQ(h, 928);
}

TEST(GameDataFolder, ScoreFileGoesWhereTheHostSays) {
    unsetenv("TEV_GAME_DATA");
    EXPECT_EQ(tev::ScoreFilePath("./hiscore.ini"), "./hiscore.ini");
    setenv("TEV_GAME_DATA", "/home/p/.local/share/tev-arcade/block_zoning", 1);
    EXPECT_EQ(tev::ScoreFilePath("./hiscore.ini"), "/home/p/.local/share/tev-arcade/block_zoning/hiscore.ini");
    EXPECT_EQ(tev::ScoreFilePath("hs.txt"), "/home/p/.local/share/tev-arcade/block_zoning/hs.txt");
    EXPECT_EQ(tev::ScoreFilePath("/tmp/x.dat"), "/tmp/x.dat");
    unsetenv("TEV_GAME_DATA");
}
