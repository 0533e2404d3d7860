// Rail swap in the kit: one sheet in texture 2 keyed on pure blue, no
// sounds, the generator seeded from the clock, the best score in "hs.txt".
#include "games/kit/kit_game.h"
#include "games/rail_swap/rail_swap_rules.h"

namespace {

rail_swap::Game g_game;

const KitTexture kTextures[] = {{rail_swap::kSheet, "img.bmp", 0xFF0000FF}};

}  // namespace

const KitGame kKitGame = {
    .title = "レールスワップ",
    .author = "Tev Arcade",
    .comment = "線路を入れ替えてトロッコをゴールへ導け",
    .textures = kTextures,
    .sounds = {},
    .userInit =
        [](tev::Sink&) {
            TevSrandFromClock();
            rail_swap::Start(g_game);
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return rail_swap::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return rail_swap::Finish(g_game); },
};
