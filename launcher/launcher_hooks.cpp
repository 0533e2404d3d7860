// The launcher shell's hooks: set up from the saved settings, then one state
// of the stack per frame.
#include "app/launcher_hooks.h"
#include "app/tev_win_app.h"
#include "launcher/launcher_shell.h"
#include "launcher/screens.h"
#include "platform/data_place.h"

using namespace launcher;

int LauncherSystemInit(ITevModule** block, ITevApp* app) {
    Shell& s = S();
    s.block = block;
    s.app = app;
    s.draw = static_cast<ITevDraw*>(block[kTevServiceDraw]);
    s.input = static_cast<ITevInput*>(block[kTevServiceInput]);
    s.sound = static_cast<ITevSound*>(block[kTevServiceSound]);
    if (s.draw == nullptr || s.input == nullptr || s.sound == nullptr || app == nullptr) {
        // A program built without one of the services runs its frame loop
        // with no screens rather than not at all.
        s.games.Log(1, "LauncherSystemInit|: a service is missing; no launcher screens");
        s.ready = false;
        return 0;
    }
    s.ready = true;

    s.games.Init(block, app);
    s.data.SetLog([](const char* line) { S().games.Info("%s", line); });
    if (platform::Place().mode == platform::RunMode::kInstalled) s.data.SetPlayerFolder(platform::Place().dataFolder);
    s.data.RemoveStaleTemporaries();
    s.data.LoadSettings();
    BindButtons(s.data.Saved());

    s.draw->SetFullScreen(s.data.Saved().screenMode == 1);
    s.draw->SetScreenSize(320, 240);
    if (auto* win = dynamic_cast<CTevWinApp*>(app)) {
        win->SetIcon("pv.ico", 0);
        win->SetIcon("pv.ico", 1);
    }
    app->SetWindowTitle("ProjectVarrow");
    app->SetFrameRate(60.0);
    return 0;
}

int LauncherUserInit() {
    if (!S().ready) return 0;
    Input().ShowMouseCursor(false);
    LoadLauncherTextures();
    Stack().Clear();
    Stack().Push(LoadingState);
    Font().SetFontName("Arial Black");
    Font().SetFontSize(10, 0);
    return 0;
}

int LauncherMainLoop() {
    if (!S().ready) return 0;
    int r = Stack().RunTop();
    if (r == 1) Stack().Pop();
    return r == -1 ? 1 : 0;
}

void LauncherCleanUp() {
    Shell& s = S();
    // Quitting in the middle of a game (the window closed, --frames ran out)
    // still ends it: a game may save its best score there or stop a thread of
    // its own, which must not outlive its library.
    CleanUpStartedGame();
    if (s.sound != nullptr) {
        s.sound->StopAll();
        s.sound->ReleaseAll();
    }
    s.games.UnloadGames();
}
