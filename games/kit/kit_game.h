// How a game describes itself to the kit. The kit defines the five exports
// (SystemInit, GetInfo, UserInit, MainLoop, CleanUp) around this record, so a
// game's glue file is one KitGame definition plus the few calls its Part adds:
//
//   const KitGame kKitGame = {
//       .title = "...", .author = "...", .comment = "...", .image = "image.bmp",
//       .textures = kTextures,               // loaded in UserInit, in order
//       .sounds = my_game::kSounds,          // generated from assets/sounds.table
//       .userInit = [](tev::Sink& s) { ...; return 0; },
//       .frame = [](const tev::Buttons& b, tev::Rand15& r, tev::Sink& s) { return my_game::Frame(...); },
//       .cleanUp = [] { return result; },
//   };
//
// MainLoop, per frame: the mapper's Update, the draw service's Clear, the
// font batch's Begin, the game's frame, the batch's End; then it returns the
// frame's value when that is non-zero (the game ends, or leaves before the
// Escape test), else 1 when Escape went down this frame (unless escapeEnds is
// false), else 0.
#pragma once
#include <cstdint>
#include <span>

#include "games/kit/tev_game.h"

enum class KitBinding {
    kStandard,  // UserInit, from the launcher's key record
    kFixed,     // SystemInit: arrows, Z, X and pad 0 buttons 0 ... 5
};

struct KitTexture {
    int slot = 0;
    const char* file = nullptr;  // relative to the game's folder
    uint32_t colorKey = 0;       // 0 none, 0x00FFFFFF the top-left pixel's colour, else that colour
};

struct KitGame {
    const char* title = "";
    const char* author = "";
    const char* comment = "";
    const char* image = "image.bmp";  // the game-list picture
    KitBinding binding = KitBinding::kStandard;
    std::span<const KitTexture> textures;
    std::span<const tev::SoundFile> sounds;  // <game>::kSounds of the generated <game>_sounds.h
    // After the services are stored, the screen size set and (fixed binding)
    // the buttons bound: the Part's extra SystemInit calls.
    void (*systemInit)() = nullptr;
    // After the binding and the loads; non-zero fails the start.
    int (*userInit)(tev::Sink& sink) = nullptr;
    // One frame; 0 = go on.
    int (*frame)(const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink) = nullptr;
    // CleanUp's result (0 when absent).
    int (*cleanUp)(tev::Sink& sink) = nullptr;
    bool escapeEnds = true;
};

// Defined by every game's glue file.
extern const KitGame kKitGame;

// Host calls that game Parts make outside the frame's drawing and sound.
// Each is a no-op without the service it needs.
void KitSetFullScreen(bool on);
void KitShowMouseCursor(bool show);
void KitSetFrameRate(double fps);
void KitSetWindowTitle(const char* text);
void* KitWindowHandle();
// The sound service's ReleaseAll (a CleanUp that frees its channels; the
// Sink's StopAll only stops them).
void KitReleaseAllSounds();
// The library's own 15-bit generator (state 1 when the library is loaded);
// Seed it with TevSrandFromClock() where the Part seeds from the clock.
tev::Rand15& KitRand();
// The Sink of the real services, for the few calls a game makes outside its
// frame (UserInit and CleanUp get it as their argument).
tev::Sink& KitSink();
