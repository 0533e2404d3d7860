// What every launcher screen shares: the services, the state stack, the
// button mapper, the game table, the data files and the common drawing
// helpers (key help box, slow mark, fade-out snapshot).
#pragma once
#include <cstdint>
#include "games/kit/button_mapper.h"
#include "games/kit/kit_rand.h"
#include "launcher/game_catalogue.h"
#include "launcher/launcher_data.h"
#include "launcher/state_stack.h"
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_font.h"
#include "plugin_api/tev_input.h"
#include "plugin_api/tev_sound.h"

namespace launcher {

// Texture slots of the launcher.
enum : int {
    kTexFrame = 0,        // "frame.bmp": every launcher sprite
    kTexPanel = 1,        // render target of the information panel
    kTexNoImage = 4,      // "noimage.bmp"
    kTexSnapshot = 5,     // render target for snapshots and pre-drawn texts
    kTexNowLoading = 6,   // "nowloading.bmp"
    kTexRing = 10,        // 10, 11, 12: picture ring of the game list
};

// Sound channels of the launcher.
enum : int {
    kSndOk = 0,
    kSndNg = 1,
    kSndBgm = 4,
    kSndCursor = 6,
    kSndDecide = 7,
    kSndCancel = 10,
};

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr double kSlowFps = 45.0;

struct Shell {
    ITevModule** block = nullptr;
    ITevDraw* draw = nullptr;
    ITevInput* input = nullptr;
    ITevSound* sound = nullptr;
    ITevApp* app = nullptr;
    bool ready = false;        // every service is there
    bool gameStarted = false;  // the selected game's UserInit ran and its CleanUp has not
    StateStack stack;
    ButtonMapper buttons;
    TevRand15 rng{1};
    CGameCatalogue games;
    CLauncherData data;
};

Shell& S();

// Quick access to the services of the shell.
inline ITevDraw& Draw() { return *S().draw; }
ITevDraw2d& D2();
ITevFont& Font();
inline ITevInput& Input() { return *S().input; }
inline ITevSound& Sound() { return *S().sound; }
inline StateStack& Stack() { return S().stack; }
inline int Rand() { return S().rng.Next(); }

// Button readings of player 0 (logical numbers of the button mapper).
inline bool Pressed(int button) { return S().buttons.GetCount(0, button) == 1; }
inline bool Released(int button) { return S().buttons.GetCount(0, button) == -1; }
// Escape went down on the latest poll.
bool EscapePressed();

// Binds the launcher's own buttons from a key record as a game binds them.
void BindButtons(const TevKeyConfig& keys);

// Font face and size made current at once.
void ApplyFontFace(const char* face, int height);
void ResetFontNow();

// Releases every texture and loads the launcher's own set.
void LoadLauncherTextures();
// Stops and releases every sound, then loads the launcher's own set.
void LoadLauncherSounds();

// Key-help box in the top right corner, from the saved key record.
void DrawKeyHelp(bool resetFont);
// The "running slow" mark when the measured frame rate is below threshold.
void DrawSlowMark(double threshold);

// Snapshot helpers: begin/end drawing into texture 5, cleared first.
void BeginSnapshot();
void EndSnapshot();
// Pushes the fade-out of the snapshot in texture 5 over the current top.
// stopSounds: all sounds stop when the fade ends.
void PushFadeSnapshot(bool stopSounds);
int FadeSnapshot();

// Tint of a texture slot with only the alpha changed from white.
inline uint32_t Alpha(int a) {
    if (a < 0) a = 0;
    if (a > 255) a = 255;
    return static_cast<uint32_t>(a) << 24 | 0x00FFFFFFu;
}

} // namespace launcher
