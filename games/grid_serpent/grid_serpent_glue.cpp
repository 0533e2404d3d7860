// Grid serpent in the kit: windowed, no textures, no sounds.
#include <new>

#include "games/grid_serpent/grid_serpent_rules.h"
#include "games/kit/kit_game.h"

namespace {

// The segment table is large; kept in zeroed storage and constructed in
// UserInit, so it does not sit initialised in the library file.
alignas(grid_serpent::Game) unsigned char g_storage[sizeof(grid_serpent::Game)];
grid_serpent::Game* g_game = nullptr;

}  // namespace

const KitGame kKitGame = {
    .title = "グリッドサーペント",
    .author = "Tev Arcade",
    .comment = "食べて伸びるヘビ。始まる前に1・2ボタンで升目を選べる",
    .textures = {},   // plain coloured squares and silence, as the game is
    .sounds = {},
    .systemInit = [] { KitSetFullScreen(false); },
    .userInit =
        [](tev::Sink&) {
            TevSrandFromClock();
            g_game = new (g_storage) grid_serpent::Game();
            grid_serpent::Start(*g_game);
            return 0;
        },
    .frame =
        [](const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink) {
            if (g_game == nullptr) return 1;
            return grid_serpent::Frame(*g_game, buttons, rand, sink) ? 1 : 0;
        },
    .cleanUp = [](tev::Sink&) { return g_game != nullptr ? g_game->result : 0; },
};
