// Lumo in the kit: the orb and the cursor, three sounds, the music started
// at once, the clock-seeded generator, no mouse pointer over the field.
#include "games/kit/kit_game.h"
#include "games/lumo/lumo_rules.h"

namespace {

lumo::Game g_game;

const KitTexture kTextures[] = {
    {lumo::kOrbTexture, "lumo.bmp", 0},               // additive: black adds nothing
    {lumo::kCursorTexture, "cursor.bmp", 0x00FFFFFF},  // keyed by its top-left pixel
};

}  // namespace

const KitGame kKitGame = {
    .title = lumo::kTitle,
    .author = "Tev Arcade",
    .comment = "漂う光の玉を1ボタンで割れ。1分で全部消せばクリア",
    .image = "image.bmp",
    .textures = kTextures,
    .sounds = lumo::kSounds,
    .systemInit = [] { KitShowMouseCursor(false); },
    .userInit =
        [](tev::Sink& sink) {
            KitSetFrameRate(60);
            // Small enough that the four fields of the status line do not overlap.
            sink.SetFontSize(8);
            sink.Play(lumo::sound::kMusic, true);
            TevSrandFromClock();
            lumo::Start(g_game, KitRand(), lumo::kScoreFileName);
            KitSetWindowTitle(lumo::kTitle);
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15& rand,
                tev::Sink& sink) { return lumo::Frame(g_game, buttons, rand, sink); },
    .cleanUp = [](tev::Sink&) { return lumo::Finish(g_game); },
};
