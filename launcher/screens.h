// Every screen state of the launcher. An entry state sets its screen up,
// replaces itself by the screen's per-frame state and runs it once.
#pragma once

namespace launcher {

// Start-up chain: loading text, scan, then the splash.
int LoadingState();
int ScanState();
int AfterScanState();

// Opening splash with its letter game.
int SplashEnter();
int SplashState();

// Title screen with the ring menu.
int TitleEnter();
int TitleState();
int ZoomTransition();
// The title's logo is the rippling block (from its 80th frame on).
bool TitleRippling();

// Settings menu: re-scan, key settings, credits.
int OptionEnter();
int OptionState();

// Game list.
int GameListEnter();
int GameListState();
// The list is between two games.
bool GameListScrolling();

// Running a game.
int StartGame();
int RunGame();
int StartFailed();
int EndGame();
// The started game's CleanUp in its folder, once; nothing when none runs.
void CleanUpStartedGame();

} // namespace launcher
