// Running a game: start it in its own folder, forward every frame to it,
// and bring the launcher back (sounds, textures, title, font) when it ends.
#include "launcher/launcher_shell.h"
#include "launcher/screens.h"
#include "platform/data_place.h"

#include <cstdlib>

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

// The game's own writable folder, told to it through TEV_GAME_DATA (the
// kit's score file reads it): beside the game when portable, the player's
// folder of the game when installed. The game's folder stays the working
// folder either way, so shipped files are found as always.
void OfferGameDataFolder(const TevGameEntry& e) {
    const std::string folder = platform::GameDataFolder(e.folderPath, e.folderName);
    if (platform::Place().mode == platform::RunMode::kInstalled && !platform::MakeFolders(folder))
        S().games.Info("StartGame|: cannot create %s", folder.c_str());
    setenv("TEV_GAME_DATA", folder.c_str(), 1);
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
            OfferGameDataFolder(*e);
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
    unsetenv("TEV_GAME_DATA");
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
