// Plays every shipped plug-in for a moment with the real services (headless
// backends) inside a real application frame loop, the way the launcher does:
// SystemInit, UserInit and MainLoop in the game's folder, CleanUp, unload.
// Whatever a game registered while it ran must not keep it in the process.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include "app/module_factory.h"
#include "app/tev_win_app.h"
#include "platform/backend.h"
#include "platform/library.h"
#include "platform/run_options.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_plugin.h"
#include "plugin_api/tev_sound.h"
#include "tests/contract/contract_test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFramesPerPlay = 90;

struct PlayResult {
    std::string path;
    bool loaded = false;
    bool isGame = false;
    int userInit = -1;
    int frames = 0;
    bool residentAfterPlay = true;
    bool residentAfterReload = true;
};

struct Driver {
    std::vector<std::string> plugins;
    std::vector<PlayResult> results;
    ITevModule** block = nullptr;
    ITevApp* app = nullptr;
    std::string root;
} g_driver;

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

void ReleaseGameResources() {
    auto* sound = reinterpret_cast<ITevSound*>(g_driver.block[kTevServiceSound]);
    auto* draw = reinterpret_cast<ITevDraw*>(g_driver.block[kTevServiceDraw]);
    if (sound != nullptr) {
        sound->StopAll();
        sound->ReleaseAll();
    }
    if (draw != nullptr) {
        for (int i = 0; i < 32; ++i)
            draw->ReleaseTexture(i);
    }
}

void PlayOne(const std::string& path) {
    PlayResult r;
    r.path = path;
    std::printf("playing %s\n", path.c_str());
    std::fflush(stdout);
    void* handle = platform::OpenLibrary(path.c_str());
    r.loaded = handle != nullptr;
    if (handle != nullptr) {
        auto systemInit = reinterpret_cast<TevSystemInitFn>(platform::FindLibrarySymbol(handle, "SystemInit"));
        auto userInit = reinterpret_cast<TevUserInitFn>(platform::FindLibrarySymbol(handle, "UserInit"));
        auto mainLoop = reinterpret_cast<TevMainLoopFn>(platform::FindLibrarySymbol(handle, "MainLoop"));
        auto cleanUp = reinterpret_cast<TevCleanUpFn>(platform::FindLibrarySymbol(handle, "CleanUp"));
        r.isGame = systemInit && userInit && mainLoop && cleanUp;
        if (r.isGame) {
            const std::string folder = FolderOf(path);
            systemInit(g_driver.block, g_driver.app);
            platform::SetWorkingFolder(folder.c_str());
            r.userInit = userInit(reinterpret_cast<const unsigned char*>(&kTevDefaultKeyConfig));
            platform::SetWorkingFolder(g_driver.root.c_str());
            if (r.userInit == 0) {
                while (r.frames < kFramesPerPlay) {
                    platform::SetWorkingFolder(folder.c_str());
                    const int end = mainLoop();
                    platform::SetWorkingFolder(g_driver.root.c_str());
                    ++r.frames;
                    if (end != 0)
                        break;
                    g_driver.app->WaitNextFrame();
                }
            }
            platform::SetWorkingFolder(folder.c_str());
            cleanUp();
            platform::SetWorkingFolder(g_driver.root.c_str());
        }
        platform::CloseLibrary(handle);
        ReleaseGameResources();
        r.residentAfterPlay = platform::IsLibraryResident(path.c_str());
        // The launcher loads it again at once and calls SystemInit.
        if (void* again = platform::OpenLibrary(path.c_str())) {
            if (auto systemInit = reinterpret_cast<TevSystemInitFn>(platform::FindLibrarySymbol(again, "SystemInit")))
                systemInit(g_driver.block, g_driver.app);
            platform::CloseLibrary(again);
        }
        r.residentAfterReload = platform::IsLibraryResident(path.c_str());
    }
    g_driver.results.push_back(r);
}

int HookSystemInit(ITevModule** block, ITevApp* app) {
    g_driver.block = block;
    g_driver.app = app;
    return 0;
}
int HookUserInit() { return 0; }
// Every game is played inside the first frame of the loop, with the frame
// step between its own frames.
int HookMainLoop() {
    for (const std::string& path : g_driver.plugins)
        PlayOne(path);
    return 1;
}
void HookCleanUp() {}

TEST(PluginPlay, EveryShippedPluginLeavesTheProcessAfterAPlay) {
    std::error_code ec;
    for (const auto& folder : fs::directory_iterator(TEV_DIST_DIR, ec)) {
        if (!folder.is_directory())
            continue;
        for (const auto& file : fs::directory_iterator(folder.path(), ec)) {
            if (file.is_regular_file() && file.path().extension() == ".so") {
                g_driver.plugins.push_back(fs::canonical(file.path()).string());
                break;
            }
        }
    }
    if (g_driver.plugins.empty())
        GTEST_SKIP() << "no plug-in in " << TEV_DIST_DIR << " yet";

    contracttest::KeepWorkingFolder keep;
    contracttest::TempRoot root;
    g_driver.root = root.Path();
    ASSERT_TRUE(platform::SetWorkingFolder(root.Path().c_str()));   // the log goes here
    setenv("XDG_RUNTIME_DIR", root.Path().c_str(), 1);              // and the instance lock
    platform::SelectBackends(platform::BackendKind::Null);
    platform::Options().headless = true;

    CTevModuleFactory factory;
    LauncherHooks hooks{HookSystemInit, HookUserInit, HookMainLoop, HookCleanUp};
    g_app = new CTevWinApp(factory, hooks);
    char commandLine[] = "";
    const int created = g_app->Create(nullptr, nullptr, commandLine, 10);
    delete g_app;
    g_app = nullptr;
    ASSERT_EQ(created, 0);

    ASSERT_EQ(g_driver.results.size(), g_driver.plugins.size());
    for (const PlayResult& r : g_driver.results) {
        SCOPED_TRACE(r.path);
        EXPECT_TRUE(r.loaded);
        EXPECT_TRUE(r.isGame);
        EXPECT_FALSE(r.residentAfterPlay) << "still mapped after a play";
        EXPECT_FALSE(r.residentAfterReload) << "still mapped after a reload";
        std::printf("%-60s UserInit %d, %d frames, unloaded\n", r.path.c_str(), r.userInit, r.frames);
    }
}

} // namespace
