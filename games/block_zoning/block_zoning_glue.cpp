// Block zoning in the kit: the town ground, the blocks and the bitmap font in
// textures 10 ... 12, five sounds, the clock-seeded obstacles and the best
// score in "./hiscore.ini".
#include "games/block_zoning/block_zoning_rules.h"
#include "games/kit/kit_game.h"

namespace {

block_zoning::Game g_game;

const KitTexture kTextures[] = {
    {block_zoning::kBackTexture, "./bmp/back.bmp", 0},
    {block_zoning::kObjectTexture, "./bmp/object.bmp", 0x00FFFFFF},  // keyed by the top-left pixel
    {block_zoning::kFontTexture, "./bmp/font.bmp", 0x00FFFFFF},
};

}  // namespace

const KitGame kKitGame = {
    .title = "ブロックゾーニング",
    .author = "Tev Arcade",
    .comment = "工場の隣に商店、商店の隣に住宅。30手で2万点を目指せ",
    .image = "image.bmp",
    .textures = kTextures,
    .sounds = block_zoning::kSounds,
    .userInit =
        [](tev::Sink&) {
            TevSrandFromClock();
            block_zoning::Start(g_game, KitRand(), block_zoning::kScoreFileName);
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return block_zoning::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return block_zoning::Finish(g_game); },
};
