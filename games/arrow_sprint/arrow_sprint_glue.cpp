// Arrow sprint in the kit: the sprite sheet in texture 2, four sounds, and
// the game's name as the window title.
#include "games/arrow_sprint/arrow_sprint_rules.h"
#include "games/kit/kit_game.h"

namespace {

arrow_sprint::Game g_game;

const KitTexture kTextures[] = {{arrow_sprint::kSheet, "pic.bmp", 0xFF000000}};

}  // namespace

const KitGame kKitGame = {
    .title = arrow_sprint::kTitle,
    .author = "Tev Arcade",
    .comment = "出た矢印を押して加速、1ボタンで穴を跳び越せ",
    .textures = kTextures,
    .sounds = arrow_sprint::kSounds,
    // The library's own generator, never seeded: a freshly loaded plug-in
    // runs the same course every play.
    .userInit =
        [](tev::Sink&) {
            KitSetWindowTitle(arrow_sprint::kTitle);
            arrow_sprint::Start(g_game, KitRand());
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return arrow_sprint::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return g_game.result; },
};
