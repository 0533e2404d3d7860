// Litter sweep in the kit: the sprite sheet in texture 2 (keyed on opaque
// black), the bounce and pick-up sounds, the game's name as the window title,
// the best score in "score.dat" beside the plug-in.
#include "games/kit/kit_game.h"
#include "games/litter_sweep/litter_sweep_rules.h"

namespace {

litter_sweep::Game g_game;

const KitTexture kTextures[] = {{litter_sweep::kSheet, "pic.bmp", 0xFF000000}};

}  // namespace

const KitGame kKitGame = {
    .title = litter_sweep::kTitle,
    .author = "Tev Arcade",
    .comment = "ゴミ箱を滑らせて30個のゴミを拾え。3面中2面でクリア",
    .textures = kTextures,
    .sounds = litter_sweep::kSounds,
    // The library's own generator, never seeded: every play lays the same
    // litter.
    .userInit =
        [](tev::Sink&) {
            KitSetWindowTitle(litter_sweep::kTitle);
            litter_sweep::Start(g_game, KitRand());
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return litter_sweep::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return g_game.result; },
};
