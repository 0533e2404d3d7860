// Start-up: the loading text is presented before the (possibly slow) scan.
#include "launcher/launcher_shell.h"
#include "launcher/screens.h"

namespace launcher {

int LoadingState() {
    Draw().Clear();
    Font().Begin();
    Draw().PrintText(0, 230, "ゲームを読み込んでいます...");
    Font().End();
    Stack().Replace(ScanState);
    return 0;
}

int ScanState() {
    S().games.ScanGames();
    S().data.LoadTitleLines();
    LoadLauncherSounds();
    Stack().Replace(AfterScanState);
    return 0;
}

int AfterScanState() {
    Draw().Clear();
    Stack().Replace(SplashEnter);
    return 0;
}

} // namespace launcher
