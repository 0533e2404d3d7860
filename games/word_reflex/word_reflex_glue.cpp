// Word reflex in the kit: the sheet in texture 2, the right and wrong sounds,
// the fixed binding, an MT generator seeded from the clock (so --fixed-clock
// replays a play exactly) and the best score in hiscore.dat.
#include <cstdio>

#include "games/kit/kit_game.h"
#include "games/word_reflex/word_reflex_rules.h"

namespace {

word_reflex::Game g_game;
tevkit::MTRandom g_rng;

const KitTexture kTextures[] = {{word_reflex::kSheet, "img/tip.bmp", 0x00FFFFFF}};

// Plug-ins have no log service of their own: skipped level lines go to stderr.
void LogLine(const char* message) { std::fprintf(stderr, "%s\n", message); }

}  // namespace

const KitGame kKitGame = {
    .title = "ワードリフレックス",
    .author = "Tev Arcade",
    .comment = "お題の言葉だけに1ボタンでｶﾞｯ！ほかは2ボタンでフーン",
    .image = "image.bmp",
    .binding = KitBinding::kFixed,
    .textures = kTextures,
    .sounds = word_reflex::kSounds,
    .userInit =
        [](tev::Sink&) {
            g_rng.Seed(static_cast<uint32_t>(TevClockTime()));
            g_game.log = LogLine;
            word_reflex::Start(g_game, "hiscore.dat");
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15&,
                tev::Sink& sink) { return word_reflex::Frame(g_game, buttons, g_rng, sink); },
    .cleanUp = [](tev::Sink&) { return word_reflex::Finish(g_game); },
};
