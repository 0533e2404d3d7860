// Ball clash in the kit: one sprite sheet keyed by its top-left pixel, the
// generator seeded from the clock, a felt-green table.
#include "games/ball_clash/ball_clash_rules.h"
#include "games/kit/kit_game.h"

namespace {

ball_clash::Game g_game;

const KitTexture kTextures[] = {{ball_clash::kSheet, "./object.bmp", 0x00FFFFFF}};

constexpr uint32_t kFelt = 0xFF1A5A3A;

}  // namespace

const KitGame kKitGame = {
    .title = "ボールクラッシュ",
    .author = "Tev Arcade",
    .comment = "玉をぶつけ合え。三度当たると消える",
    .textures = kTextures,
    .sounds = ball_clash::kSounds,
    .userInit =
        [](tev::Sink& sink) {
            sink.SetClearColor(kFelt);
            sink.SetTextColor(ball_clash::kTextColor);
            TevSrandFromClock();
            ball_clash::Start(g_game, KitRand());
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return ball_clash::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return g_game.result; },
};
