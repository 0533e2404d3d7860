// Sweet pairs in the kit: the candy sheet in texture 2, the well and panel in
// texture 3, streamed music on channel 0 and three effects whose capture
// sound climbs in pitch with the combo.
#include "games/kit/kit_game.h"
#include "games/kit/kit_rand.h"
#include "games/sweet_pairs/sweet_pairs_rules.h"

namespace {

sweet_pairs::Game g_game;

const KitTexture kTextures[] = {
    {sweet_pairs::kSheet, "tip.bmp", 0x00FFFFFF},
    {sweet_pairs::kBack, "back.bmp", 0},
};

}  // namespace

const KitGame kKitGame = {
    .title = sweet_pairs::kTitle,
    .author = "Tev Arcade",
    .comment = "注文どおりの色のキャンディを2つ組で取れ！60秒で25組",
    .textures = kTextures,
    .sounds = sweet_pairs::kSounds,
    .systemInit = [] { KitSetFullScreen(false); },
    .userInit =
        [](tev::Sink& sink) {
            TevSrandFromClock();
            const uint32_t base = sink.GetFrequency(sweet_pairs::kSoundCapture);
            KitShowMouseCursor(false);
            sweet_pairs::Start(g_game, KitRand(), base, sink);
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return sweet_pairs::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return g_game.result; },
};
