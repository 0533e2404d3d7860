// The application object: window, service modules, main loop and frame pacing.
#pragma once
#include <cstdint>
#include <vector>

#include "plugin_api/tev_app.h"

class ITevModule;
class CTevModuleFactory;

// Window messages the window procedure handles (the platform's window events
// are delivered as these).
enum : uint32_t { kWmDestroy = 0x0002, kWmActivate = 0x0006, kWmClose = 0x0010 };

// The launcher shell's start-up, frame and clean-up hooks.
struct LauncherHooks {
    int (*systemInit)(ITevModule** block, ITevApp* app);
    int (*userInit)();
    int (*mainLoop)();
    void (*cleanUp)();
};

class CTevWinApp : public ITevApp {
public:
    CTevWinApp(CTevModuleFactory& factory, const LauncherHooks& hooks);
    ~CTevWinApp() override;

    void ShowMessage(const char* format, ...) override __attribute__((format(printf, 2, 3)));
    void SetWindowTitle(const char* text) override;
    int WaitNextFrame() override;
    bool SetFrameRate(double fps) override;
    double GetFrameRate() override;
    bool AddListener(TevListener* listener) override;
    bool RemoveListener(TevListener* listener) override;
    void* GetWindowHandle() override;
    virtual void* GetInstanceHandle();
    virtual void* GetPrevInstanceHandle();
    virtual char* GetCommandLine();
    virtual int GetShowCommand();
    virtual intptr_t WindowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    virtual int Execute();

    // -1: another copy runs or the window cannot be made; 0 after Execute.
    int Create(void* instance, void* prevInstance, char* commandLine, int showCommand);
    // Loads an .ico file as the window icon (which: 0 large, 1 small).
    int SetIcon(const char* iconFile, int which);

    ITevModule** ServiceBlock() { return m_block; }
    const char* ProgramName() const { return m_programName; }
    bool QuitRequested() const { return m_quit; }
    long FramesRun() const { return m_framesRun; }

private:
    void PumpWindowEvents();
    void IdleModules();

    char m_windowClassName[256] = {};
    char m_windowName[256] = {};
    char m_programName[256] = {};
    void* m_window = nullptr;
    void* m_instance = nullptr;
    void* m_prevInstance = nullptr;
    char* m_commandLine = nullptr;
    int m_showCommand = 0;
    // The platform window centres itself; only the client size is kept.
    int32_t m_windowWidth = 0, m_windowHeight = 0;
    double m_requestedFrameRate = 60.0;
    double m_measuredFrameRate = 0.0;
    std::vector<TevListener*> m_listeners[3];
    bool m_quit = false;
    bool m_active = false;
    int32_t m_launcherResult = 0;
    int64_t m_frequency = 0;
    int64_t m_counter = 0;
    int64_t m_lastFrame = 0;
    int64_t m_ticksPerFrame = 0;
    int64_t m_idleInterval = 0;

    ITevModule* m_block[4] = {};
    LauncherHooks m_hooks;
    long m_framesRun = 0;
};

// The one application object of the process (null outside its lifetime).
extern CTevWinApp* g_app;
