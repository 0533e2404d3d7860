#include "app/tev_win_app.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/debug_log.h"
#include "app/module_factory.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/data_place.h"
#include "platform/instance_lock.h"
#include "platform/program_path.h"
#include "platform/run_options.h"
#include "platform/window.h"
#include "platform/window_memory.h"
#include "plugin_api/tev_module.h"

CTevWinApp* g_app = nullptr;

namespace {

bool g_appConstructed = false;
platform::InstanceLock g_instanceLock;
bool g_lockRefused = false;

std::string WindowSizePath() {
    return platform::JoinPath(platform::Place().dataFolder, platform::kWindowSizeFile);
}

// An installed program is shared by every player of the machine: one copy
// per player, so the lock lives in the player's own folder.
std::string LockFolder() {
    const platform::DataPlace& place = platform::Place();
    return place.mode == platform::RunMode::kInstalled ? place.dataFolder : std::string();
}

template <typename F>
void ForEachModule(ITevModule* const (&block)[4], F f) {
    for (ITevModule* module : block)
        if (module) f(*module);
}

} // namespace

CTevWinApp::CTevWinApp(CTevModuleFactory& factory, const LauncherHooks& hooks) : m_hooks(hooks) {
    if (g_appConstructed) {
        Log(2, "Application already inited!!");
        m_quit = true;  // stands for the quit message with code -1
    }
    g_appConstructed = true;
    // The lock first: a copy that may not run must not truncate the log of
    // the copy that holds it.
    char name[sizeof m_programName];
    std::snprintf(name, sizeof name, "%s", platform::FileTitle(platform::ExecutablePath()).c_str());
    if (!g_instanceLock.Acquire(name, LockFolder())) {
        g_lockRefused = true;
        // One line for the player, not the modules' shutdown chatter.
        tev_log::Discard();
        std::fprintf(stderr, "%s: another copy is running already; this one ends.\n", name);
    } else {
        Init();
        const platform::DataPlace& place = platform::Place();
        Log(0, "CTevWinApp|: %s mode (%s)", platform::ModeName(place.mode), place.why.c_str());
        Log(0, "CTevWinApp|: program files: %s", place.programFolder.empty() ? "." : place.programFolder.c_str());
        Log(0, "CTevWinApp|: player files: %s", place.dataFolder.empty() ? "." : place.dataFolder.c_str());
    }
    for (int k = 0; k < 4; ++k) m_block[k] = factory.Create(k);
    m_frequency = platform::kClockFrequency;
    m_counter = platform::ClockNow();
    m_lastFrame = m_counter;
    m_requestedFrameRate = 60.0;
    m_ticksPerFrame = static_cast<int64_t>(static_cast<double>(m_frequency) * (1.0 / 60.0));
    m_measuredFrameRate = 0.0;
    m_idleInterval = m_frequency / 1000;
}

CTevWinApp::~CTevWinApp() {
    for (ITevModule*& module : m_block) {
        delete module;
        module = nullptr;
    }
    if (g_app == this) g_app = nullptr;
}

void CTevWinApp::ShowMessage(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (platform::SelectedBackends() == platform::BackendKind::Null) {
        Log(0, "CTevWinApp::ShowMessage|: %s", buffer);
        return;
    }
    platform::Window().MessageBox("TevLib : message", buffer);
}

void CTevWinApp::SetWindowTitle(const char* text) { platform::Window().SetTitle(text ? text : ""); }

bool CTevWinApp::SetFrameRate(double fps) {
    m_requestedFrameRate = fps;
    m_ticksPerFrame = fps > 0 ? static_cast<int64_t>(static_cast<double>(m_frequency) / fps) : 0;
    return true;
}

double CTevWinApp::GetFrameRate() { return m_measuredFrameRate; }

bool CTevWinApp::AddListener(TevListener* listener) {
    if (listener && listener->kind >= 0 && listener->kind <= 2) m_listeners[listener->kind].push_back(listener);
    return true;
}

bool CTevWinApp::RemoveListener(TevListener* listener) {
    if (!listener || listener->kind < 0 || listener->kind > 2) return false;
    auto& list = m_listeners[listener->kind];
    auto it = std::find(list.begin(), list.end(), listener);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

void* CTevWinApp::GetWindowHandle() { return m_window; }
void* CTevWinApp::GetInstanceHandle() { return m_instance; }
void* CTevWinApp::GetPrevInstanceHandle() { return m_prevInstance; }
char* CTevWinApp::GetCommandLine() { return m_commandLine; }
int CTevWinApp::GetShowCommand() { return m_showCommand; }

intptr_t CTevWinApp::WindowProc(void*, uint32_t message, uintptr_t wParam, intptr_t) {
    switch (message) {
    case kWmClose:
    case kWmDestroy:
        m_quit = true;
        return 0;
    case kWmActivate:
        m_active = (wParam & 0xFFFF) != 0;
        return 0;
    default:
        return 0;
    }
}

void CTevWinApp::PumpWindowEvents() {
    platform::WindowEvents events = platform::Window().PumpEvents();
    if (events.focusChanged) WindowProc(m_window, kWmActivate, events.active ? 1 : 0, 0);
    if (events.quitRequested) WindowProc(m_window, kWmClose, 0, 0);
}

void CTevWinApp::IdleModules() {
    ForEachModule(m_block, [](ITevModule& m) { m.Idle(); });
}

int CTevWinApp::Create(void* instance, void* prevInstance, char* commandLine, int showCommand) {
    m_instance = instance;
    m_prevInstance = prevInstance;
    m_commandLine = commandLine;
    m_showCommand = showCommand;

    std::string title = platform::FileTitle(platform::ExecutablePath());
    std::snprintf(m_programName, sizeof m_programName, "%s", title.c_str());
    std::snprintf(m_windowName, sizeof m_windowName, "%.240s_WINDOW", m_programName);
    std::snprintf(m_windowClassName, sizeof m_windowClassName, "%.240s_WINDOWCLASS", m_programName);

    if (g_lockRefused || !g_instanceLock.Acquire(m_programName, LockFolder())) return -1;

    // The client area starts at 640 x 480; the draw service resizes it to the
    // logical screen when it creates its device.
    m_windowWidth = 640;
    m_windowHeight = 480;
    if (!platform::Window().Create(m_windowName, m_windowWidth, m_windowHeight)) {
        ShowMessage("RegisterClassEx Failed.");
        return -1;
    }
    m_window = platform::Window().NativeHandle();
    if (platform::SelectedBackends() == platform::BackendKind::Real) {
        int w = 0, h = 0;
        std::string why;
        switch (platform::LoadWindowSize(WindowSizePath(), &w, &h, &why)) {
        case platform::WindowSizeRead::kRead:
            platform::Window().SetPreferredClientSize(w, h);
            break;
        case platform::WindowSizeRead::kBad:
            Log(0, "CTevWinApp::Create|: %s ignored: %s", WindowSizePath().c_str(), why.c_str());
            break;
        case platform::WindowSizeRead::kMissing:
            break;
        }
    }
    Execute();
    return 0;
}

int CTevWinApp::SetIcon(const char* iconFile, int /*which: one icon serves both sizes here*/) {
    if (!platform::Window().SetIconFromFile(iconFile)) {
        Log(1, "CTevWinApp::SetIcon|: LoadImage Failed.");
        return -1;
    }
    return 0;
}

int CTevWinApp::Execute() {
    bool ok = true;
    ForEachModule(m_block, [&](ITevModule& m) { ok = m.Initialize(this) && ok; });
    if (ok) {
        m_launcherResult = m_hooks.systemInit ? m_hooks.systemInit(m_block, this) : 0;
        ok = m_launcherResult == 0;
    }
    if (ok) {
        ForEachModule(m_block, [&](ITevModule& m) { ok = m.InitializeAfterUser() && ok; });
    }
    if (ok) {
        m_launcherResult = m_hooks.userInit ? m_hooks.userInit() : 0;
        ok = m_launcherResult == 0;
    }
    if (!ok) {
        ForEachModule(m_block, [](ITevModule& m) { m.Finalize(); });
        if (m_hooks.cleanUp) m_hooks.cleanUp();
        return 1;
    }

    platform::Window().Show();
    m_active = true;  // a newly shown window is the active one
    ForEachModule(m_block, [](ITevModule& m) { m.BeginFrame(); });
    m_lastFrame = platform::ClockNow();

    const long frameLimit = platform::Options().frames;
    while (!m_quit) {
        if (frameLimit >= 0 && m_framesRun >= frameLimit) break;
        if (m_active) {
            if (m_hooks.mainLoop && m_hooks.mainLoop() != 0) m_quit = true;
            WaitNextFrame();
        } else {
            platform::Window().WaitEvent(50);  // sleep instead of spinning while in the background
            PumpWindowEvents();
            IdleModules();
        }
    }

    // The player's window size for the next run (before the services go,
    // the window with them).
    int w = 0, h = 0;
    if (platform::Window().GetWindowedClientSize(&w, &h) && !platform::SaveWindowSize(WindowSizePath(), w, h))
        Log(0, "CTevWinApp::Execute|: cannot save %s", WindowSizePath().c_str());
    ForEachModule(m_block, [](ITevModule& m) { m.Finalize(); });
    if (m_hooks.cleanUp) m_hooks.cleanUp();
    platform::Window().ShowCursor(true);
    return 0;
}

int CTevWinApp::WaitNextFrame() {
    ForEachModule(m_block, [](ITevModule& m) { m.EndFrame(); });
    platform::YieldTimeSlice();

    if (m_ticksPerFrame >= 0 && !platform::Options().headless) {
        const int64_t deadline = m_lastFrame + m_ticksPerFrame + 1;  // the first tick past the boundary
        platform::WaitUntil(deadline, [](void* self) { static_cast<CTevWinApp*>(self)->IdleModules(); }, this);
    }
    // The clock always advances, so even an unpaced frame waits for one tick.
    do {
        m_counter = platform::ClockNow();
    } while (m_counter == m_lastFrame);
    int64_t elapsed = m_counter - m_lastFrame;
    m_lastFrame = m_counter;
    m_measuredFrameRate = static_cast<double>(m_frequency) / static_cast<double>(elapsed);
    ++m_framesRun;

    // Every pending event is handled right before the poll, so input is never
    // a frame late.
    PumpWindowEvents();
    ForEachModule(m_block, [](ITevModule& m) { m.BeginFrame(); });
    return 0;
}
