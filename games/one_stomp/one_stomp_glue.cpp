// One stomp in the kit: the sprite sheet and the help picture, both keyed by
// their top-left pixel; the clock-seeded generator; every channel stopped and
// freed when the play ends.
#include "games/kit/kit_game.h"
#include "games/one_stomp/one_stomp_rules.h"

namespace {

one_stomp::Game g_game;

const KitTexture kTextures[] = {
    {one_stomp::kTip, "tip.bmp", 0x00FFFFFF},
    {one_stomp::kHelp, "help.bmp", 0x00FFFFFF},
};

}  // namespace

const KitGame kKitGame = {
    .title = "ワンストンプ",
    .author = "Tev Arcade",
    .comment = "六つのボタンのどれかでジャンプ。三回で敵を踏め",
    .image = "image.bmp",
    .textures = kTextures,
    .sounds = one_stomp::kSounds,
    .userInit =
        [](tev::Sink&) {
            TevSrandFromClock();
            one_stomp::Start(g_game, KitRand());
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15&,
                tev::Sink& sink) { return one_stomp::Frame(g_game, buttons, sink); },
    .cleanUp =
        [](tev::Sink& sink) {
            sink.StopAll();
            KitReleaseAllSounds();
            return g_game.result;
        },
};
