// Lift hopper in the kit: the sprite sheet in texture 2, music and three
// effects, full screen, no cursor, the best score in "hiscore.dat".
#include "games/kit/kit_game.h"
#include "games/kit/score_file.h"
#include "games/lift_hopper/lift_hopper_rules.h"

namespace {

lift_hopper::Game g_game;
tev::ScoreFile g_best;

const KitTexture kTextures[] = {{lift_hopper::kTexture, "tip.bmp", 0x00FFFFFF}};

}  // namespace

const KitGame kKitGame = {
    .title = lift_hopper::kTitleText,
    .author = "Tev Arcade",
    .comment = "リフトを乗り継いでゴールへ。1ボタンでジャンプ",
    .textures = kTextures,
    .sounds = lift_hopper::kSounds,
    .systemInit = [] { KitSetFullScreen(true); },
    .userInit =
        [](tev::Sink& sink) {
            KitShowMouseCursor(false);
            sink.SetClearColor(lift_hopper::kSkyColor);
            g_best.Load("hiscore.dat");
            return lift_hopper::Start(g_game, g_best);
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15&,
                tev::Sink& sink) { return lift_hopper::Frame(g_game, buttons, sink); },
    .cleanUp = [](tev::Sink&) { return lift_hopper::CleanUp(g_game, g_best); },
};
