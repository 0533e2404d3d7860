// The grid serpent plug-in: the five exports around the rules. No textures,
// no sounds; everything is drawn as filled squares and text.
#include "games/grid_serpent/grid_serpent_rules.h"
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_draw.h"

#include <new>

namespace {

// The game's segment table is large; kept in zeroed storage and constructed
// in UserInit, so it does not sit initialised in the library file.
alignas(grid_serpent::Game) unsigned char g_storage[sizeof(grid_serpent::Game)];
grid_serpent::Game* g_game = nullptr;

class ScreenCanvas : public grid_serpent::Canvas {
public:
    void FillRect(int x, int y, int w, int h, uint32_t color) override { draw->draw2d.FillRect(x, y, w, h, color); }
    // The text is already formatted; never hand it to printf as a format.
    void Text(int x, int y, const char* text) override { draw->PrintText(x, y, "%s", text); }
};

class KitRandom : public grid_serpent::Random {
public:
    int Next() override { return TevRand(); }
};

}  // namespace

extern "C" {

int SystemInit(ITevModule** block, ITevApp* application) {
    KitSystemInit(block, application);
    if (draw != nullptr) draw->SetFullScreen(false);
    return 0;
}

TevGameInfo* GetInfo(TevGameInfo* info) {
    return KitFillInfo(info, "グリッドサーペント", "TEV Arcade", "食べて伸びるヘビ。始まる前に1・2ボタンで升目を選べる",
                       "image.bmp");
}

int UserInit(const unsigned char* keyConfig) {
    KitBindStandard(keyConfig);
    TevSrandFromClock();
    g_game = new (g_storage) grid_serpent::Game();
    grid_serpent::Start(*g_game);
    return 0;
}

int MainLoop() {
    if (g_game == nullptr) return 1;
    KitBeginFrame();
    grid_serpent::Buttons buttons;
    for (int i = 0; i < 6; ++i) buttons.count[i] = buttonMapper.GetCount(0, i);
    ScreenCanvas canvas;
    KitRandom rng;
    draw->font.Begin();
    const bool over = grid_serpent::Frame(*g_game, buttons, rng, canvas);
    draw->font.End();
    if (over) return 1;
    return KitEscapePressed() ? 1 : 0;
}

int CleanUp() { return g_game != nullptr ? g_game->result : 0; }

}  // extern "C"
