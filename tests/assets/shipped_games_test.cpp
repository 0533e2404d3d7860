// The first games' files in their folders of the runnable tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "games/arrow_sprint/arrow_sprint_sounds.h"
#include "games/arrow_sprint/pic_sprites.h"
#include "tests/assets/asset_checks.h"
#include "tests/assets/game_sounds.h"  // generated: kGameSounds

using namespace asset_checks;

namespace {

TEST(ArrowSprintAssets, SpriteSheetHoldsEverySpriteTheGameDraws) {
    tevtools::Image pic = LoadPicture("arrow_sprint/pic.bmp", 512, 512);
    ASSERT_EQ(pic.width, 512);
    // Loaded with the key opaque black: black is transparent.
    const uint32_t key = 0xFF000000;
    namespace sp = arrow_sprint::pic;
    auto region = [](const char* what, tev::Rect r) { return Region{what, r.x, r.y, r.w, r.h}; };
    ExpectRegionsDrawn(pic, key,
                       {region("runner", sp::kRunner), region("ground block", sp::kBlock),
                        region("goal block", sp::kGoal), region("arrow up", sp::kArrowUp),
                        region("arrow down", sp::kArrowDown), region("arrow left", sp::kArrowLeft),
                        region("arrow right", sp::kArrowRight), region("next up", sp::kNextUp),
                        region("next down", sp::kNextDown), region("next left", sp::kNextLeft),
                        region("next right", sp::kNextRight)});
    // The blocks are solid: a transparent pixel would look like a hole in
    // the ground the runner can land on.
    for (tev::Rect b : {sp::kBlock, sp::kGoal})
        for (int y = b.y; y < b.y + b.h; ++y)
            for (int x = b.x; x < b.x + b.w; ++x) ASSERT_NE(pic.At(x, y), key) << x << "," << y;
    // The four large arrows differ from one another.
    const tev::Rect arrows[4] = {sp::kArrowUp, sp::kArrowDown, sp::kArrowLeft, sp::kArrowRight};
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_NE(pic.Crop(arrows[a].x, arrows[a].y, arrows[a].w, arrows[a].h).pixels,
                      pic.Crop(arrows[b].x, arrows[b].y, arrows[b].w, arrows[b].h).pixels);
}

TEST(ArrowSprintAssets, SoundsAndListPicture) {
    for (const tev::SoundFile& sound : arrow_sprint::kSounds) {
        SCOPED_TRACE(sound.file);
        CheckEffect(std::string("arrow_sprint/") + sound.file);
    }
    LoadPicture("arrow_sprint/image.bmp", 160, 120);
}

// Every sound of every game's table ships; its wave files are clean.
TEST(GameSounds, EveryTableEntryShips) {
    for (const GameSounds& game : kGameSounds) {
        for (const tev::SoundFile& sound : game.sounds) {
            const std::string relative = std::string(game.name) + "/" + sound.file;
            SCOPED_TRACE(relative);
            ASSERT_TRUE(std::filesystem::exists(DistPath(relative)));
            const std::string ext = std::filesystem::path(sound.file).extension().string();
            if (ext == ".wav" || ext == ".WAV") CheckWave(relative);
        }
    }
}

TEST(GridSerpentAssets, ListPicture) {
    tevtools::Image image = LoadPicture("grid_serpent/image.bmp", 160, 120);
    ExpectRegionsDrawn(image, 0xFF000000, {{"title and field", 0, 0, 160, 120}});
}

}  // namespace
