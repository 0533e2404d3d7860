// The five exports of every game, around the game's KitGame record. Linked
// into each plug-in as an object (not from the archive) so the exports are
// always there.
#include "games/kit/kit_game.h"
#include "games/kit/service_sink.h"
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_input.h"
#include "plugin_api/tev_sound.h"

namespace {
ServiceSink g_sink;

void LoadAssets(const KitGame& game) {
    if (draw != nullptr)
        for (const KitTexture& t : game.textures) draw->CreateTexture(t.slot, t.file, t.colorKey);
    if (sound != nullptr)
        for (const tev::SoundFile& s : game.sounds) sound->Load(s.channel, s.file, s.streaming);
}

tev::Buttons ReadButtons() {
    tev::Buttons buttons;
    for (int i = 0; i < tev::kButtonCount; ++i) buttons.count[i] = buttonMapper.GetCount(0, i);
    return buttons;
}
}  // namespace

tev::Sink& KitSink() { return g_sink; }
tev::Rand15& KitRand() { return TevLibraryRand(); }

void KitSetFullScreen(bool on) {
    if (draw != nullptr) draw->SetFullScreen(on);
}
void KitShowMouseCursor(bool show) {
    if (input != nullptr) input->ShowMouseCursor(show);
}
void KitSetFrameRate(double fps) {
    if (app != nullptr) app->SetFrameRate(fps);
}
void KitSetWindowTitle(const char* text) {
    if (app != nullptr) app->SetWindowTitle(text);
}
void* KitWindowHandle() { return app != nullptr ? app->GetWindowHandle() : nullptr; }
void KitReleaseAllSounds() {
    if (sound != nullptr) sound->ReleaseAll();
}

extern "C" {

int SystemInit(ITevModule** block, ITevApp* application) {
    KitSystemInit(block, application);
    if (kKitGame.binding == KitBinding::kFixed) KitBindFixed();
    if (kKitGame.systemInit != nullptr) kKitGame.systemInit();
    return 0;
}

TevGameInfo* GetInfo(TevGameInfo* info) {
    return KitFillInfo(info, kKitGame.title, kKitGame.author, kKitGame.comment, kKitGame.image);
}

int UserInit(const unsigned char* keyConfig) {
    if (kKitGame.binding == KitBinding::kStandard) KitBindStandard(keyConfig);
    LoadAssets(kKitGame);
    return kKitGame.userInit != nullptr ? kKitGame.userInit(g_sink) : 0;
}

int MainLoop() {
    KitBeginFrame();
    if (draw != nullptr) draw->font.Begin();
    const int leave = kKitGame.frame != nullptr ? kKitGame.frame(ReadButtons(), KitRand(), g_sink) : 0;
    if (draw != nullptr) draw->font.End();
    if (leave != 0) return leave;
    return kKitGame.escapeEnds && KitEscapePressed() ? 1 : 0;
}

int CleanUp() {
    return kKitGame.cleanUp != nullptr ? kKitGame.cleanUp(g_sink) : 0;
}

}  // extern "C"
