// What crosses between the launcher and a mini-game plug-in: the five exports,
// the game-information record, the host's copy of it and the key record.
//
// A plug-in is a shared library "<folder>/<name>.so" in a sub-folder of the
// launcher's folder. It reaches the screen, the speakers and the input devices
// only through the service block and the application object handed to
// SystemInit; it owns nothing of the host's.
//
// Lifecycle, as the launcher drives it:
//  1. Scan: the library is loaded (immediate binding, local symbols),
//     SystemInit(block, app) is called, then GetInfo(buffer) if exported.
//     Working directory: the launcher's own folder. The library stays loaded.
//  2. Start: working directory = the game's folder; UserInit(keyConfig);
//     back to the launcher's folder. Non-zero = the game cannot start.
//  3. Play: every frame, working directory = the game's folder; MainLoop();
//     back. 0 = keep running, anything else = the game is over. The host
//     begins and presents the frame around it; MainLoop neither presents nor
//     waits.
//  4. End (after MainLoop returned non-zero, or after a failed UserInit):
//     working directory = the game's folder; CleanUp(); back. The library is
//     then unloaded, loaded again from the same path and SystemInit is called
//     on the fresh copy (GetInfo is not). Every play therefore starts from the
//     library's initial static state.
//  5. Launcher exit or re-scan: the library is unloaded with no further call.
//
// Consequences for plug-in authors:
//  - No static object may own a host resource (texture, sound, file handle,
//    thread) across CleanUp: the library is gone right afterwards.
//  - Build with the kit's tev_add_game(): it compiles with -fno-gnu-unique and
//    hidden visibility, because a "unique" symbol or a thread_local object
//    with a destructor would keep the library mapped after dlclose and the
//    next play would see the old statics.
//  - SystemInit runs with the launcher's folder current and in any launcher
//    screen: keep the pointers, set the logical screen size, nothing else.
//  - Records cross by pointer for the duration of one call only.
//  - Strings are NUL-terminated Shift-JIS (CP932).
#pragma once
#include <cstddef>
#include <cstdint>

class ITevModule;
class ITevApp;
class ITevDraw;
class ITevInput;
class ITevMovie;
class ITevSound;

// The service block: four module pointers, owned by the host and valid until
// the launcher exits. Each entry is the ITevModule base of its service.
enum TevServiceSlot {
    kTevServiceDraw = 0,   // ITevDraw
    kTevServiceInput = 1,  // ITevInput
    kTevServiceMovie = 2,  // ITevMovie
    kTevServiceSound = 3,  // ITevSound
    kTevServiceCount = 4,
};

// Game-information record, filled by GetInfo (1028 bytes).
struct TevGameInfo {
    char title[255];    // name shown in the game list
    char author[255];
    char comment[258];  // one-line description
    int32_t reserved;   // written 0; the host never reads it
    char image[256];    // menu picture, relative to the game's folder; "" = none
};
static_assert(sizeof(TevGameInfo) == 1028);
static_assert(offsetof(TevGameInfo, title) == 0);
static_assert(offsetof(TevGameInfo, author) == 255);
static_assert(offsetof(TevGameInfo, comment) == 510);
static_assert(offsetof(TevGameInfo, reserved) == 768);
static_assert(offsetof(TevGameInfo, image) == 772);

// The host's copy in its game table (1036 bytes): the record, then the size of
// the picture, filled by the host when it loads it. In the host's copy `image`
// holds the picture's path (the game's folder path followed by the name).
struct TevHostGameInfo {
    char title[255];
    char author[255];
    char comment[258];
    int32_t reserved;
    char image[256];
    int32_t imageWidth;
    int32_t imageHeight;
};
static_assert(sizeof(TevHostGameInfo) == 1036);
static_assert(offsetof(TevHostGameInfo, author) == offsetof(TevGameInfo, author));
static_assert(offsetof(TevHostGameInfo, comment) == offsetof(TevGameInfo, comment));
static_assert(offsetof(TevHostGameInfo, reserved) == offsetof(TevGameInfo, reserved));
static_assert(offsetof(TevHostGameInfo, image) == offsetof(TevGameInfo, image));
static_assert(offsetof(TevHostGameInfo, imageWidth) == 1028);
static_assert(offsetof(TevHostGameInfo, imageHeight) == 1032);

// Key-configuration record handed to UserInit (6 bytes), the launcher's saved
// settings.
struct TevKeyConfig {
    uint8_t directionKeys;  // 0 = arrow keys, non-zero = W S A D
    uint8_t key1;           // DIK code of button 1 (default 44, Z)
    uint8_t key2;           // DIK code of button 2 (default 45, X)
    uint8_t padButton1;     // pad button number of button 1 (default 4)
    uint8_t padButton2;     // pad button number of button 2 (default 5)
    uint8_t screenMode;     // 1 = full screen; applied by the host at start-up only
};
static_assert(sizeof(TevKeyConfig) == 6);
constexpr TevKeyConfig kTevDefaultKeyConfig = {0, 44, 45, 4, 5, 0};

// Direction keys of the two settings of byte 0 (up, down, left, right).
constexpr int kTevArrowKeys[4] = {200, 208, 203, 205};
constexpr int kTevWsadKeys[4] = {17, 31, 30, 32};

#define TEV_PLUGIN_EXPORT __attribute__((visibility("default")))

// Export names as the host resolves them.
#define TEV_EXPORT_SYSTEM_INIT "SystemInit"
#define TEV_EXPORT_GET_INFO "GetInfo"
#define TEV_EXPORT_USER_INIT "UserInit"
#define TEV_EXPORT_MAIN_LOOP "MainLoop"
#define TEV_EXPORT_CLEAN_UP "CleanUp"

extern "C" {
// After every load, before any other export. Result ignored; return 0.
TEV_PLUGIN_EXPORT int SystemInit(ITevModule** block, ITevApp* app);
// Optional. Fills the first 1028 bytes of a 1036-byte buffer and returns the
// record's address (normally buffer).
TEV_PLUGIN_EXPORT TevGameInfo* GetInfo(TevGameInfo* buffer);
// keyConfig: the 6-byte TevKeyConfig. 0 = ready, non-zero = cannot start.
TEV_PLUGIN_EXPORT int UserInit(const unsigned char* keyConfig);
// Once per frame. 0 = keep running, other = the game is over.
TEV_PLUGIN_EXPORT int MainLoop(void);
// Once after the game is over; the library is unloaded right afterwards.
// Result ignored (games return their end code).
TEV_PLUGIN_EXPORT int CleanUp(void);
}

using TevSystemInitFn = int (*)(ITevModule** block, ITevApp* app);
using TevGetInfoFn = TevGameInfo* (*)(TevGameInfo* buffer);
using TevUserInitFn = int (*)(const unsigned char* keyConfig);
using TevMainLoopFn = int (*)(void);
using TevCleanUpFn = int (*)(void);
