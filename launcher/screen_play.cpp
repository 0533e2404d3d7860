// Running a game: start it in its own folder, forward every frame to it,
// and bring the launcher back (sounds, textures, title, font) when it ends.
#include "launcher/launcher_shell.h"
#include "launcher/screens.h"

namespace launcher {
namespace {

TevGameEntry* Selected() { return S().games.GetGame(S().games.GetSelected()); }

// Whatever a game left behind that the launcher draws with.
void RestoreDrawState() {
    for (int i = 0; i < 32; ++i) Draw().SetTextureColor(i, kWhite);
    Draw().SetClearColor(0);
    Draw().SetTextColor(kWhite);
    D2().SetBlendMode(1);
}

} // namespace

int StartGame() {
    CGameCatalogue& games = S().games;
    int index = games.GetSelected();
    TevGameEntry* e = Selected();
    if (e != nullptr) S().data.CountPlay(e->folderName);
    ResetFontNow();
    Draw().Clear();
    for (int i = 0; i < 32; ++i) Draw().SetTextureColor(i, kWhite);

    int r = -1;
    if (e != nullptr && games.IsAvailable(index) && e->UserInit != nullptr) {
        if (games.EnterGameFolder(index)) {
            TevKeyConfig keys = S().data.Saved();
            S().gameStarted = true;
            r = e->UserInit(reinterpret_cast<const unsigned char*>(&keys));
        }
        games.EnterRoot();
    }
    Stack().Replace(r != 0 ? StartFailed : RunGame);
    return 0;
}

int RunGame() {
    CGameCatalogue& games = S().games;
    int index = games.GetSelected();
    TevGameEntry* e = Selected();
    int r = 1;
    if (e != nullptr && e->MainLoop != nullptr && games.EnterGameFolder(index)) r = e->MainLoop();
    games.EnterRoot();
    if (r != 0) Stack().Replace(EndGame);
    return 0;
}

int StartFailed() {
    S().buttons.Update();
    Draw().Clear();
    Font().Begin();
    Draw().PrintText(20, 100, "ゲーム起動失敗");
    Font().End();
    if (Pressed(kTevButton1)) Stack().Replace(EndGame);
    DrawSlowMark(kSlowFps);
    return 0;
}

namespace {
void CleanUpSelectedGame() {
    S().gameStarted = false;
    CGameCatalogue& games = S().games;
    TevGameEntry* e = Selected();
    if (e != nullptr && e->CleanUp != nullptr) {
        if (games.EnterGameFolder(games.GetSelected())) e->CleanUp();
        games.EnterRoot();
    }
}
} // namespace

void CleanUpStartedGame() {
    if (S().gameStarted) CleanUpSelectedGame();
}

int EndGame() {
    CGameCatalogue& games = S().games;
    int index = games.GetSelected();
    CleanUpSelectedGame();
    games.ReloadGame(index);
    Sound().StopAll();
    Sound().ReleaseAll();
    LoadLauncherSounds();
    RestoreDrawState();
    Input().ShowMouseCursor(false);
    S().app->SetWindowTitle("ProjectVarrow");
    ResetFontNow();
    Stack().Replace(GameListEnter);
    return 0;
}

} // namespace launcher
