#include <gtest/gtest.h>
#include <algorithm>
#include <time.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "games/kit/kit_rand.h"
#include "launcher/game_catalogue.h"
#include "platform/library.h"
#include "tests/contract/contract_test_support.h"

using contracttest::KeepWorkingFolder;
using contracttest::TempRoot;

namespace {

class TestCatalogue : public CGameCatalogue {
public:
    std::vector<std::string> lines;
    int CountFind() const {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                              [](const std::string& l) { return l.rfind("Find PV Dll: ", 0) == 0; }));
    }
    bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

protected:
    void LogInfo(const char* text) override { lines.push_back(text); }
};

// Distinct non-null pointers the test plug-ins only store.
ITevModule* g_fakeBlock[4] = {};
ITevApp* const kFakeApp = reinterpret_cast<ITevApp*>(&g_fakeBlock[3]);

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        trace = root.Sub("trace.txt");
        setenv("TEV_CONTRACT_TRACE", trace.c_str(), 1);
    }
    void TearDown() override {
        catalogue.UnloadGames();
        unsetenv("TEV_CONTRACT_TRACE");
    }
    void Scan(const std::string& at) {
        ASSERT_TRUE(catalogue.Init(g_fakeBlock, kFakeApp, at.c_str()));
        catalogue.ScanGames();
    }
    std::vector<std::string> Trace() const {
        std::vector<std::string> out;
        std::stringstream in(root.Read("trace.txt"));
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

    KeepWorkingFolder keepCwd;
    TempRoot root;
    std::string trace;
    TestCatalogue catalogue;
};

TEST_F(CatalogueTest, FullGameIsListedWithItsRecordPathsAndCalls) {
    root.Install("game", "full_game", "full.so");
    Scan(root.Path());

    ASSERT_EQ(catalogue.GetCount(), 1);
    const TevGameEntry* e = catalogue.GetGame(0);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->folderName, "game");
    EXPECT_EQ(std::string(e->folderPath), root.Path() + "/game/");
    EXPECT_EQ(std::string(e->libraryPath), root.Path() + "/game/full.so");
    EXPECT_STREQ(e->info.title, "Full Game");
    EXPECT_STREQ(e->info.author, "Tester");
    EXPECT_STREQ(e->info.comment, "All five exports");
    EXPECT_EQ(std::string(e->info.image), root.Path() + "/game/title.bmp");
    EXPECT_EQ(e->info.imageWidth, 0);
    EXPECT_NE(e->GetInfo, nullptr);
    EXPECT_TRUE(catalogue.IsAvailable(0));
    EXPECT_TRUE(catalogue.Logged("Find PV Dll: " + root.Path() + "/game/full.so\n"));

    // SystemInit then GetInfo, both with the root as working directory.
    std::vector<std::string> expected = {"full SystemInit " + root.Path(), "full GetInfo " + root.Path()};
    EXPECT_EQ(Trace(), expected);

    // The key record reaches UserInit; block and app reached SystemInit.
    const TevKeyConfig keys = {0, 57, 45, 4, 5, 0};
    EXPECT_EQ(e->UserInit(reinterpret_cast<const unsigned char*>(&keys)), 57);

    ASSERT_TRUE(catalogue.EnterGameFolder(0));
    EXPECT_EQ(platform::GetWorkingFolder(), root.Path() + "/game");
    ASSERT_TRUE(catalogue.EnterRoot());
    EXPECT_EQ(platform::GetWorkingFolder(), root.Path());
}

TEST_F(CatalogueTest, LibraryMissingARequiredExportIsNeverListedNorCalled) {
    root.Install("broken", "no_main_loop", "broken.so");
    root.Install("plain", "not_a_game", "helper.so");
    root.Write("nolib/readme.txt", "no library here");
    Scan(root.Path());

    EXPECT_EQ(catalogue.GetCount(), 0);
    EXPECT_TRUE(Trace().empty());
    EXPECT_TRUE(catalogue.Logged("Find PV Dll: " + root.Path() + "/broken/broken.so\n"));
    EXPECT_TRUE(catalogue.Logged("Find PV Dll: " + root.Path() + "/plain/helper.so\n"));
    EXPECT_EQ(catalogue.CountFind(), 2);
    EXPECT_FALSE(platform::IsLibraryResident((root.Path() + "/broken/broken.so").c_str()));
    EXPECT_EQ(catalogue.GetGame(0), nullptr);
    EXPECT_FALSE(catalogue.IsAvailable(0));
}

TEST_F(CatalogueTest, AFileThatIsNoLibraryIsSkipped) {
    root.Write("junk/fake.so", std::string("\x7f" "ELF garbage", 12));
    root.Install("real", "no_info", "real.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 1);
    EXPECT_STREQ(catalogue.GetGame(0)->folderName, "real");
    EXPECT_TRUE(catalogue.Logged("Find PV Dll: " + root.Path() + "/junk/fake.so\n"));
}

TEST_F(CatalogueTest, GameWithoutGetInfoKeepsTheDefaultTexts) {
    root.Install("quiet", "no_info", "quiet.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 1);
    const TevGameEntry* e = catalogue.GetGame(0);
    EXPECT_EQ(e->GetInfo, nullptr);
    EXPECT_STREQ(e->info.title, "無題");
    EXPECT_STREQ(e->info.author, "情報なし");
    EXPECT_STREQ(e->info.comment, "コメントなし");
    // No picture name: the picture path is the folder path itself.
    EXPECT_STREQ(e->info.image, e->folderPath);
}

TEST_F(CatalogueTest, RecordOfTheGamesOwnIsCopiedAndMinusOneEndsTheGame) {
    root.Install("minus", "quits_minus_one", "m.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 1);
    const TevGameEntry* e = catalogue.GetGame(0);
    EXPECT_STREQ(e->info.title, "Minus One");
    EXPECT_STREQ(e->info.author, "");
    EXPECT_STREQ(e->info.image, e->folderPath);
    EXPECT_EQ(e->info.imageWidth, 0);
    EXPECT_EQ(e->info.imageHeight, 0);
    EXPECT_EQ(e->MainLoop(), -1);
}

TEST_F(CatalogueTest, OnlyTheFirstLibraryOfAFolderInByteOrderIsTried) {
    root.Install("first_not_game", "not_a_game", "a.so");
    root.Install("first_not_game", "full_game", "b.so");
    root.Install("first_is_game", "no_info", "A.so");
    root.Install("first_is_game", "not_a_game", "a.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 1);
    EXPECT_EQ(std::string(catalogue.GetGame(0)->libraryPath), root.Path() + "/first_is_game/A.so");
    EXPECT_FALSE(catalogue.Logged("Find PV Dll: " + root.Path() + "/first_not_game/b.so\n"));
}

TEST_F(CatalogueTest, FoldersAreTakenInByteOrderAndAtMost32) {
    // Created out of order; "B" < "a" in byte order.
    for (int i = 32; i >= 0; --i) {
        char name[8];
        std::snprintf(name, sizeof name, "g%02d", i);
        root.Install(name, "no_info", "lib.so");
    }
    root.Install("B", "no_info", "lib.so");
    timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    Scan(root.Path());
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double ms = (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
    std::printf("scan of 34 folders, 32 games loaded: %.1f ms\n", ms);   // a figure, not a limit

    ASSERT_EQ(catalogue.GetCount(), 32);
    EXPECT_STREQ(catalogue.GetGame(0)->folderName, "B");
    EXPECT_STREQ(catalogue.GetGame(1)->folderName, "g00");
    EXPECT_STREQ(catalogue.GetGame(31)->folderName, "g30");
    // g30 filled the table (no "Find" line for it); later folders are only
    // named as left out, never loaded.
    EXPECT_EQ(catalogue.CountFind(), 31);
    EXPECT_FALSE(catalogue.Logged("Find PV Dll: " + root.Path() + "/g30/lib.so\n"));
    EXPECT_TRUE(catalogue.Logged("Find PV Dll: " + root.Path() + "/g29/lib.so\n"));
    EXPECT_TRUE(platform::IsLibraryResident((root.Path() + "/g30/lib.so").c_str()));
    EXPECT_FALSE(platform::IsLibraryResident((root.Path() + "/g31/lib.so").c_str()));
    EXPECT_FALSE(platform::IsLibraryResident((root.Path() + "/g32/lib.so").c_str()));
}

TEST_F(CatalogueTest, LibrariesInTheRootAndItsParentAreNeverLoaded) {
    root.Install("", "no_info", "parent.so");
    root.Install("launcher_root", "full_game", "here.so");
    root.Install("launcher_root/game", "no_info", "game.so");
    Scan(root.Sub("launcher_root"));

    ASSERT_EQ(catalogue.GetCount(), 1);
    EXPECT_STREQ(catalogue.GetGame(0)->folderName, "game");
    EXPECT_FALSE(platform::IsLibraryResident(root.Sub("parent.so").c_str()));
    EXPECT_FALSE(platform::IsLibraryResident(root.Sub("launcher_root/here.so").c_str()));
}

TEST_F(CatalogueTest, ReloadStartsFromFreshStaticsAndCallsOnlySystemInit) {
    root.Install("game", "full_game", "full.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 1);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1001);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1002);

    ASSERT_EQ(catalogue.ReloadGame(0), 0);
    EXPECT_TRUE(catalogue.IsAvailable(0));
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1001);
    EXPECT_STREQ(catalogue.GetGame(0)->info.title, "Full Game");

    std::vector<std::string> t = Trace();
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[4], "full SystemInit " + root.Path());   // the reload: no GetInfo
    EXPECT_EQ(std::count_if(t.begin(), t.end(), [](const std::string& l) { return l.find("GetInfo") != std::string::npos; }), 1);
    EXPECT_TRUE(catalogue.lines.end() ==
                std::find_if(catalogue.lines.begin(), catalogue.lines.end(),
                             [](const std::string& l) { return l.find("still mapped") != std::string::npos; }));
}

TEST_F(CatalogueTest, ReloadOfALibraryThatStaysMappedIsReported) {
    root.Install("sticky", "sticky", "sticky.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 1);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1);
    ASSERT_EQ(catalogue.ReloadGame(0), 0);
    // Its statics carried over, and the log says so.
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 2);
    EXPECT_TRUE(std::any_of(catalogue.lines.begin(), catalogue.lines.end(),
                            [](const std::string& l) { return l.find("still mapped") != std::string::npos; }));
}

TEST_F(CatalogueTest, KitRandRestartsWithEveryLoad) {
    root.Install("kit", "kit_game", "kit.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 1);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 41);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 18467);
    // The host's own generator is a separate state.
    EXPECT_EQ(TevRand(), 41);
    ASSERT_EQ(catalogue.ReloadGame(0), 0);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 41);

    // Seeded through the kit inside the plug-in.
    const unsigned char keys[6] = {0, 77, 45, 4, 5, 2};
    ASSERT_EQ(catalogue.GetGame(0)->UserInit(keys), 0);
    TevRand15 expected(77);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), expected.Next());
    EXPECT_STREQ(catalogue.GetGame(0)->info.title, "Kit Game");
}

TEST_F(CatalogueTest, FailedReloadLeavesTheEntryListedButUnavailable) {
    root.Install("game", "full_game", "full.so");
    root.Install("other", "no_info", "other.so");
    Scan(root.Path());
    ASSERT_EQ(catalogue.GetCount(), 2);

    std::filesystem::remove(root.Sub("game/full.so"));
    EXPECT_EQ(catalogue.ReloadGame(0), -1);
    EXPECT_FALSE(catalogue.IsAvailable(0));
    const TevGameEntry* e = catalogue.GetGame(0);
    EXPECT_EQ(e->module, nullptr);
    EXPECT_EQ(e->SystemInit, nullptr);
    EXPECT_EQ(e->UserInit, nullptr);
    EXPECT_EQ(e->MainLoop, nullptr);
    EXPECT_EQ(e->CleanUp, nullptr);
    EXPECT_STREQ(e->info.title, "Full Game");
    EXPECT_TRUE(catalogue.IsAvailable(1));

    // Replaced by a library that is no game: still unavailable, and unloaded.
    root.Install("game", "no_main_loop", "full.so");
    EXPECT_EQ(catalogue.ReloadGame(0), -1);
    EXPECT_FALSE(catalogue.IsAvailable(0));
    EXPECT_FALSE(platform::IsLibraryResident(root.Sub("game/full.so").c_str()));

    // Back in place: playable again.
    root.Install("game", "full_game", "full.so");
    EXPECT_EQ(catalogue.ReloadGame(0), 0);
    EXPECT_TRUE(catalogue.IsAvailable(0));
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1001);

    EXPECT_EQ(catalogue.ReloadGame(2), -1);
    EXPECT_EQ(catalogue.ReloadGame(-1), -1);
}

TEST_F(CatalogueTest, RescanUnloadsWithoutCleanUpAndKeepsTheSelection) {
    root.Install("game", "full_game", "full.so");
    Scan(root.Path());
    catalogue.SetSelected(0);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1001);
    std::filesystem::remove(trace);

    root.Install("more", "no_info", "more.so");
    catalogue.SetSelected(1);
    EXPECT_EQ(catalogue.RescanGames(), 0);
    EXPECT_EQ(catalogue.GetSelected(), 1);
    ASSERT_EQ(catalogue.GetCount(), 2);
    std::vector<std::string> expected = {"full SystemInit " + root.Path(), "full GetInfo " + root.Path(),
                                         "no_info SystemInit " + root.Path()};
    EXPECT_EQ(Trace(), expected);
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1001);

    // A second plain scan does not stack loads either.
    catalogue.ScanGames();
    EXPECT_EQ(catalogue.GetGame(0)->MainLoop(), 1001);
    catalogue.UnloadGames();
    EXPECT_FALSE(platform::IsLibraryResident(root.Sub("game/full.so").c_str()));
    EXPECT_FALSE(catalogue.IsAvailable(0));
}

TEST_F(CatalogueTest, UnlistableRootGivesAnEmptyTable) {
    Scan(root.Sub("does-not-exist"));
    EXPECT_EQ(catalogue.GetCount(), 0);
    EXPECT_EQ(catalogue.CountFind(), 0);
    TestCatalogue fresh;
    EXPECT_FALSE(fresh.Init(g_fakeBlock, kFakeApp, std::string(300, 'x').c_str()));
    EXPECT_EQ(fresh.ScanGames(), 0);
    EXPECT_EQ(fresh.GetCount(), 0);
}

TEST_F(CatalogueTest, InitWithoutARootTakesTheWorkingFolder) {
    root.Install("game", "no_info", "g.so");
    ASSERT_TRUE(platform::SetWorkingFolder(root.Path().c_str()));
    ASSERT_TRUE(catalogue.Init(g_fakeBlock, kFakeApp));
    EXPECT_EQ(std::string(catalogue.GetRoot()), root.Path());
    catalogue.ScanGames();
    EXPECT_EQ(catalogue.GetCount(), 1);
}

} // namespace
