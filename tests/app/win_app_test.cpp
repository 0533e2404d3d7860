// The application object's start-up, frame loop and shutdown, with recording
// fake modules and hooks. Each scenario runs in a child process, because the
// object may exist only once per process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/module_factory.h"
#include "app/tev_win_app.h"
#include "platform/backend.h"
#include "platform/run_options.h"
#include "plugin_api/tev_module.h"

namespace {

std::vector<std::string> g_calls;
int g_failInitialize = -1;
int g_quitAfterFrames = -1;
int g_mainLoops = 0;
int g_deactivateAtFrame = -1;
int g_idleWhileInactive = 0;
double g_rateBeforeFirstFrame = -1;

class FakeModule : public ITevModule {
public:
    explicit FakeModule(int kind) : m_kind(kind), m_name(std::string(1, "dims"[kind])) {}
    ~FakeModule() override { g_calls.push_back(m_name + ":delete"); }
    bool Initialize(ITevApp*) override { return Record("Initialize", m_kind != g_failInitialize); }
    bool Finalize() override { return Record("Finalize", true); }
    bool InitializeAfterUser() override { return Record("After", true); }
    bool BeginFrame() override { return Record("Begin", false); }
    bool EndFrame() override { return Record("End", false); }
    bool Idle() override {
        if (g_deactivateAtFrame >= 0 && ++g_idleWhileInactive == 3) g_app->WindowProc(nullptr, kWmActivate, 1, 0);
        return false;
    }

private:
    bool Record(const char* what, bool result) {
        g_calls.push_back(m_name + ":" + what);
        return result;
    }
    int m_kind;
    std::string m_name;
};

} // namespace

// The program's factory makes the real services; this test's makes fakes.
// Draw, input and sound exist; the movie entry stays empty and is skipped.
ITevModule* CTevModuleFactory::Create(int kind) { return kind == 2 || kind > 3 ? nullptr : new FakeModule(kind); }

namespace {
using FakeFactory = CTevModuleFactory;

int HookSystemInit(ITevModule** block, ITevApp* app) {
    g_calls.push_back("SystemInit");
    g_rateBeforeFirstFrame = app->GetFrameRate();
    return block[2] == nullptr && block[0] != nullptr ? 0 : 1;
}
int HookUserInit() {
    g_calls.push_back("UserInit");
    return 0;
}
int HookMainLoop() {
    ++g_mainLoops;
    g_calls.push_back("MainLoop");
    if (g_mainLoops == g_deactivateAtFrame) g_app->WindowProc(nullptr, kWmActivate, 0, 0);
    return g_mainLoops == g_quitAfterFrames ? 1 : 0;
}
void HookCleanUp() { g_calls.push_back("CleanUp"); }

void EnterScratchFolder() {
    auto dir = std::filesystem::temp_directory_path() / ("tev-app-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

int RunApp(long frames) {
    EnterScratchFolder();
    platform::SelectBackends(platform::BackendKind::Null);
    platform::Options().headless = true;
    platform::Options().frames = frames;
    FakeFactory factory;
    g_app = new CTevWinApp(factory, LauncherHooks{HookSystemInit, HookUserInit, HookMainLoop, HookCleanUp});
    int result = g_app->Execute();
    delete g_app;
    return result;
}

std::string Join(const std::vector<std::string>& calls) {
    std::string s;
    for (auto& c : calls) s += c + " ";
    return s;
}

// Child-process check: prints what went wrong and exits 1, else exits 0.
#define CHILD_EXPECT_EQ(a, b)                                                              \
    do {                                                                                   \
        if (!((a) == (b))) {                                                               \
            std::fprintf(stderr, "%s != %s\n", std::string(a).c_str(), std::string(b).c_str()); \
            std::exit(1);                                                                  \
        }                                                                                  \
    } while (0)

} // namespace

TEST(WinApp, StartsRunsFramesAndShutsDownInBlockOrder) {
    EXPECT_EXIT(
        {
            int result = RunApp(2);
            std::string expected =
                "d:Initialize i:Initialize s:Initialize SystemInit d:After i:After s:After UserInit "
                "d:Begin i:Begin s:Begin "
                "MainLoop d:End i:End s:End d:Begin i:Begin s:Begin "
                "MainLoop d:End i:End s:End d:Begin i:Begin s:Begin "
                "d:Finalize i:Finalize s:Finalize CleanUp d:delete i:delete s:delete ";
            CHILD_EXPECT_EQ(Join(g_calls), expected);
            CHILD_EXPECT_EQ(std::to_string(result), "0");
            CHILD_EXPECT_EQ(std::to_string(g_rateBeforeFirstFrame), std::to_string(0.0));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(WinApp, AFailedInitializeStillInitializesTheOthersThenGivesUp) {
    EXPECT_EXIT(
        {
            g_failInitialize = 1;
            int result = RunApp(5);
            CHILD_EXPECT_EQ(Join(g_calls),
                            "d:Initialize i:Initialize s:Initialize d:Finalize i:Finalize s:Finalize CleanUp "
                            "d:delete i:delete s:delete ");
            CHILD_EXPECT_EQ(std::to_string(result), "1");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(WinApp, NonZeroFrameResultEndsAfterThatFrameCompletes) {
    EXPECT_EXIT(
        {
            g_quitAfterFrames = 3;
            RunApp(100);
            CHILD_EXPECT_EQ(std::to_string(g_mainLoops), "3");
            std::string calls = Join(g_calls);
            // The last frame is still presented before shutdown.
            CHILD_EXPECT_EQ(calls.substr(calls.rfind("MainLoop")), std::string("MainLoop d:End i:End s:End d:Begin i:Begin s:Begin "
                                                                               "d:Finalize i:Finalize s:Finalize CleanUp d:delete i:delete s:delete "));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(WinApp, NoFrameRunsWhileInactive) {
    EXPECT_EXIT(
        {
            g_deactivateAtFrame = 2;
            RunApp(4);
            CHILD_EXPECT_EQ(std::to_string(g_mainLoops), "4");
            // Frames stopped at the second one until three idle passes later.
            CHILD_EXPECT_EQ(std::to_string(g_idleWhileInactive >= 3), "1");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(WinApp, FrameRateAndListeners) {
    EXPECT_EXIT(
        {
            EnterScratchFolder();
            platform::SelectBackends(platform::BackendKind::Null);
            FakeFactory factory;
            CTevWinApp app(factory, LauncherHooks{});
            CHILD_EXPECT_EQ(std::to_string(app.GetFrameRate()), std::to_string(0.0));
            CHILD_EXPECT_EQ(std::to_string(app.SetFrameRate(0)), "1");
            app.WaitNextFrame();  // waits only for one clock tick
            CHILD_EXPECT_EQ(std::to_string(app.GetFrameRate() > 0), "1");
            CHILD_EXPECT_EQ(std::to_string(app.SetFrameRate(-5)), "1");
            TevListener a{0};
            TevListener b{2};
            TevListener bad{7};
            CHILD_EXPECT_EQ(std::to_string(app.AddListener(&a) && app.AddListener(&b) && app.AddListener(&bad)), "1");
            CHILD_EXPECT_EQ(std::to_string(app.RemoveListener(&b)), "1");
            CHILD_EXPECT_EQ(std::to_string(app.RemoveListener(&b)), "0");
            CHILD_EXPECT_EQ(std::to_string(app.RemoveListener(&bad)), "0");
            app.WindowProc(nullptr, kWmClose, 0, 0);
            CHILD_EXPECT_EQ(std::to_string(app.QuitRequested()), "1");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(WinApp, MissingIconIsLoggedAndRefused) {
    EXPECT_EXIT(
        {
            EnterScratchFolder();
            platform::SelectBackends(platform::BackendKind::Null);
            FakeFactory factory;
            CTevWinApp app(factory, LauncherHooks{});
            CHILD_EXPECT_EQ(std::to_string(app.SetIcon("none.ico", 0)), "-1");
            FILE* f = std::fopen("report.html", "rb");
            char page[4096] = {};
            std::fread(page, 1, sizeof page - 1, f);
            std::fclose(f);
            CHILD_EXPECT_EQ(std::to_string(std::string(page).find("LoadImage Failed.") != std::string::npos), "1");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
