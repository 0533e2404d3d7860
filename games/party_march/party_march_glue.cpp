// Party march in the kit: the field, the characters and the fight marks in
// textures 0 ... 2 (keyed by their top-left pixel), the march and the fanfare
// streamed, the clash on two channels, the fixed binding, and the library's
// generator seeded from the clock (so --fixed-clock replays a play exactly).
#include "games/kit/kit_game.h"
#include "games/party_march/party_march_rules.h"

namespace {

party_march::Game g_game;

const KitTexture kTextures[] = {
    {party_march::kMapTexture, "./bmp/map.bmp", 0x00FFFFFF},
    {party_march::kCharaTexture, "./bmp/chara.bmp", 0x00FFFFFF},
    {party_march::kBattleTexture, "./bmp/battle.bmp", 0x00FFFFFF},
};

}  // namespace

const KitGame kKitGame = {
    .title = "もふもふマーチ",
    .author = "Tev Arcade",
    .comment = "拍に合わせて矢印で行進。仲間を集めて奥の魔王を倒せ",
    .image = "image.bmp",
    .binding = KitBinding::kFixed,
    .textures = kTextures,
    .sounds = party_march::kSounds,
    .userInit =
        [](tev::Sink&) {
            TevSrandFromClock();
            party_march::Start(g_game);
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return party_march::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return g_game.result; },
};
