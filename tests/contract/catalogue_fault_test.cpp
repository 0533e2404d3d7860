// The scan facing broken or misplaced plug-ins: files cut short by an
// interrupted copy, and libraries outside the launcher's own sub-folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>
#include "launcher/game_catalogue.h"
#include "platform/library.h"
#include "tests/contract/contract_test_support.h"

using contracttest::KeepWorkingFolder;
using contracttest::PluginPath;
using contracttest::TempRoot;

namespace {

namespace fs = std::filesystem;

class LoggingCatalogue : public CGameCatalogue {
public:
    std::vector<std::string> lines;
    bool LoggedWith(const std::string& part) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }

protected:
    void LogInfo(const char* text) override { lines.push_back(text); }
};

ITevModule* g_block[4] = {};

// A copy of a built test plug-in keeping only its first `length` bytes.
void InstallCut(const TempRoot& root, const std::string& folder, uintmax_t length) {
    root.Install(folder, "full_game", "cut.so");
    fs::resize_file(root.Sub(folder + "/cut.so"), length);
}

TEST(CatalogueFaults, PluginsCutShortAreSkippedWithALogLine) {
    KeepWorkingFolder keep;
    TempRoot root;
    const uintmax_t full = fs::file_size(PluginPath("full_game"));
    ASSERT_GT(full, 8192u);
    InstallCut(root, "a_4k", 4096);
    InstallCut(root, "b_half", full / 2);
    InstallCut(root, "c_one_short", full - 1);
    InstallCut(root, "d_header_only", 64);
    root.Install("e_whole", "full_game", "whole.so");

    LoggingCatalogue catalogue;
    ASSERT_TRUE(catalogue.Init(g_block, nullptr, root.Path().c_str()));
    catalogue.ScanGames();   // died with SIGBUS inside dlopen before

    ASSERT_EQ(catalogue.GetCount(), 1);
    EXPECT_STREQ(catalogue.GetGame(0)->folderName, "e_whole");
    for (const char* folder : {"a_4k", "b_half", "c_one_short", "d_header_only"}) {
        const std::string path = root.Sub(std::string(folder) + "/cut.so");
        EXPECT_TRUE(catalogue.LoggedWith("cannot load: " + path + ": ")) << folder;
        EXPECT_FALSE(platform::IsLibraryResident(path.c_str())) << folder;
    }
    catalogue.UnloadGames();
}

TEST(CatalogueFaults, LibraryCheckNamesWhatIsWrong) {
    TempRoot root;
    std::string why;
    EXPECT_TRUE(platform::CheckLibraryFile(PluginPath("full_game").c_str(), why)) << why;
    root.Write("text.so", std::string(200, 't'));
    EXPECT_FALSE(platform::CheckLibraryFile(root.Sub("text.so").c_str(), why));
    EXPECT_EQ(why, "no ELF header");
    ASSERT_EQ(mkfifo(root.Sub("pipe.so").c_str(), 0644), 0);
    EXPECT_FALSE(platform::CheckLibraryFile(root.Sub("pipe.so").c_str(), why));   // no hang
    EXPECT_EQ(why, "not a regular file");
    EXPECT_FALSE(platform::CheckLibraryFile(root.Sub("missing.so").c_str(), why));
}

TEST(CatalogueFaults, OnlyRealSubFoldersAreSearched) {
    KeepWorkingFolder keep;
    TempRoot outside;
    outside.Install("elsewhere", "no_info", "far.so");
    outside.Install("", "full_game", "loose.so");
    TempRoot root;
    root.Install("game", "no_info", "game.so");
    root.Install("", "no_info", "in_root.so");
    fs::create_directories(root.Sub("linked_file"));
    fs::create_directories(root.Sub("local_link"));
    fs::create_symlink(outside.Sub("elsewhere"), root.Sub("linked_folder"));
    fs::create_symlink(outside.Sub("loose.so"), root.Sub("linked_file/a.so"));
    root.Install("local_link", "no_info", "real.so.1");
    fs::create_symlink("real.so.1", root.Sub("local_link/a.so"));

    LoggingCatalogue catalogue;
    ASSERT_TRUE(catalogue.Init(g_block, nullptr, root.Path().c_str()));
    catalogue.ScanGames();

    ASSERT_EQ(catalogue.GetCount(), 2);
    EXPECT_STREQ(catalogue.GetGame(0)->folderName, "game");
    EXPECT_STREQ(catalogue.GetGame(1)->folderName, "local_link");   // a link within its own folder is fine
    EXPECT_TRUE(catalogue.LoggedWith("a link, not searched: " + root.Sub("linked_folder")));
    EXPECT_TRUE(catalogue.LoggedWith("a link that leads outside its folder, not loaded: " + root.Sub("linked_file/a.so")));
    for (const std::string& path : {outside.Sub("elsewhere/far.so"), outside.Sub("loose.so"), root.Sub("in_root.so")})
        EXPECT_FALSE(platform::IsLibraryResident(path.c_str())) << path;
    catalogue.UnloadGames();
}

TEST(CatalogueFaults, EveryGameLeftOutOfAFullTableIsLogged) {
    KeepWorkingFolder keep;
    TempRoot root;
    for (int i = 0; i < 35; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "g%02d", i);
        root.Install(name, "no_info", "lib.so");
    }
    fs::create_directories(root.Sub("g40_empty"));
    LoggingCatalogue catalogue;
    ASSERT_TRUE(catalogue.Init(g_block, nullptr, root.Path().c_str()));
    catalogue.ScanGames();
    ASSERT_EQ(catalogue.GetCount(), 32);
    for (const char* left : {"g32", "g33", "g34"}) {
        const std::string path = root.Sub(std::string(left) + "/lib.so");
        EXPECT_TRUE(catalogue.LoggedWith("the table holds 32 games; left out: " + path)) << left;
        EXPECT_FALSE(platform::IsLibraryResident(path.c_str()));
    }
    EXPECT_FALSE(catalogue.LoggedWith("left out: " + root.Sub("g31")));
    EXPECT_FALSE(catalogue.LoggedWith("g40_empty"));
    catalogue.UnloadGames();
}

} // namespace
