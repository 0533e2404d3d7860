// Slope runner in the kit: title, sprite sheet and game-over pictures, seven
// sounds, and Escape read by the game itself because it ends with 2.
#include "games/kit/kit_game.h"
#include "games/kit/tev_kit.h"
#include "games/slope_runner/slope_runner_rules.h"

namespace {

slope_runner::Game g_game;

const KitTexture kTextures[] = {
    {slope_runner::kTitleTexture, "title.bmp", 0},
    {slope_runner::kSheet, "vuzevid.bmp", 0x00FFFFFF},
    {slope_runner::kGameOverTexture, "gameover.bmp", 0},
};

}  // namespace

const KitGame kKitGame = {
    .title = "スロープランナー",
    .author = "Tev Arcade",
    .comment = "1ボタンで拾い、2ボタンで跳べ",
    .image = "title.bmp",
    .textures = kTextures,
    .sounds = slope_runner::kSounds,
    .userInit =
        [](tev::Sink&) {
            KitShowMouseCursor(false);
            return 0;
        },
    .frame = [](const tev::Buttons& buttons, tev::Rand15&,
                tev::Sink& sink) { return slope_runner::Frame(g_game, buttons, KitEscapePressed(), sink); },
    .escapeEnds = false,
};
