// The plug-in kit's service side: the service pointers, the button mapper and
// the pieces the kit's own exports (kit_exports.cpp) are made of. A game is
// written against games/kit/kit_game.h (its KitGame record) and
// games/kit/tev_game.h (its rules); it includes this header only when its
// Part needs a service call that the Sink does not carry. Test plug-ins that
// define their own exports use these pieces directly.
//
// All state is static storage of the library with its initial values: the
// host loads the library afresh before every play. Keep it that way: no
// function-local statics in inline functions or templates of your own headers
// that own resources, no thread_local objects with destructors.
#pragma once
#include "games/kit/button_mapper.h"
#include "games/kit/kit_rand.h"
#include "games/kit/mt_random.h"
#include "plugin_api/tev_plugin.h"

// Service pointers, filled by KitSystemInit from the block and the app.
extern ITevDraw* draw;
extern ITevInput* input;
extern ITevMovie* movie;   // kept, never used by a game
extern ITevSound* sound;
extern ITevApp* app;

// The plug-in's button mapper (constructed when the library is loaded).
extern ButtonMapper buttonMapper;

// DIK code of the Escape key.
constexpr int kTevKeyEscape = 1;

// Copies the block and app into the service pointers, then
// SetScreenSize(320, 240). Returns 0.
int KitSystemInit(ITevModule** block, ITevApp* application);

// Binding of player 0 from the 6-byte key record: directions from byte 0
// (arrows or W S A D) and pad 0 buttons 0 ... 3; button 1 = key byte 1 and
// pad button byte 3; button 2 = key byte 2 and pad button byte 4.
// A null record binds the launcher's defaults.
void KitBindStandard(const unsigned char* keyConfig, ButtonMapper& mapper = buttonMapper);
// The binding of games that ignore the record: arrows, Z, X; pad 0 buttons 0 ... 5.
void KitBindFixed(ButtonMapper& mapper = buttonMapper);

// Frame skeleton, first half: mapper Update, then the draw service's Clear.
void KitBeginFrame();
// Escape went down on the latest poll (GetKey(1) reads exactly 1).
bool KitEscapePressed();

// Fills the game-information record: texts (truncated to their fields and
// always terminated), reserved 0, image name. Returns info.
TevGameInfo* KitFillInfo(TevGameInfo* info, const char* title, const char* author, const char* comment,
                         const char* image);
