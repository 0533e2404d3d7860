// The arrow sprint plug-in: the five exports around the rules, with the
// sprite sheet in texture 2 and four sounds.
#include "games/arrow_sprint/arrow_sprint_rules.h"
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_sound.h"

namespace {

arrow_sprint::Game g_game;

class ScreenOutput : public arrow_sprint::Output {
public:
    void Blit(int texture, int dx, int dy, int sx, int sy, int w, int h) override {
        draw->draw2d.Draw(texture, dx, dy, sx, sy, w, h, 0);
    }
    void Line(int x1, int y1, int x2, int y2, int width, uint32_t color) override {
        draw->draw2d.DrawLine(x1, y1, x2, y2, width, color);
    }
    void BeginText() override { draw->font.Begin(); }
    // The text is already formatted; never hand it to printf as a format.
    void Text(int x, int y, const char* text) override { draw->PrintText(x, y, "%s", text); }
    void EndText() override { draw->font.End(); }
    void Play(int channel) override {
        if (sound != nullptr) sound->Play(channel, false);
    }
};

// The library's own generator, never seeded: a freshly loaded plug-in runs
// the same course every play.
class KitRandom : public arrow_sprint::Random {
public:
    int Next() override { return TevRand(); }
};

}  // namespace

extern "C" {

int SystemInit(ITevModule** block, ITevApp* application) { return KitSystemInit(block, application); }

TevGameInfo* GetInfo(TevGameInfo* info) {
    return KitFillInfo(info, arrow_sprint::kTitle, "TEV Arcade",
                       "出た矢印を押して加速、1ボタンで穴を跳び越せ", "image.bmp");
}

int UserInit(const unsigned char* keyConfig) {
    KitBindStandard(keyConfig);
    if (app != nullptr) app->SetWindowTitle(arrow_sprint::kTitle);
    draw->CreateTexture(arrow_sprint::kSheet, "pic.bmp", 0xFF000000);
    static const char* const kSounds[4] = {"P1.WAV", "P2.WAV", "P3.WAV", "P4.WAV"};
    if (sound != nullptr)
        for (int i = 0; i < 4; ++i) sound->Load(i, kSounds[i], false);
    KitRandom rng;
    arrow_sprint::Start(g_game, rng);
    return 0;
}

int MainLoop() {
    KitBeginFrame();
    arrow_sprint::Buttons buttons;
    for (int i = 0; i < 6; ++i) buttons.count[i] = buttonMapper.GetCount(0, i);
    ScreenOutput out;
    KitRandom rng;
    if (auto leave = arrow_sprint::Frame(g_game, buttons, rng, out)) return *leave;
    return KitEscapePressed() ? 1 : 0;
}

int CleanUp() { return g_game.result; }

}  // extern "C"
