// The first games' files in their folders of the runnable tree.
#include <gtest/gtest.h>

#include "tests/assets/asset_checks.h"

using namespace asset_checks;

namespace {

TEST(ArrowSprintAssets, SpriteSheetHoldsEverySpriteTheGameDraws) {
    tevtools::Image pic = LoadPicture("arrow_sprint/pic.bmp", 512, 512);
    ASSERT_EQ(pic.width, 512);
    // Loaded with the key opaque black: black is transparent.
    const uint32_t key = 0xFF000000;
    ExpectRegionsDrawn(pic, key,
                       {{"runner", 0, 0, 16, 16},
                        {"ground block", 16, 0, 32, 32},
                        {"goal block", 240, 0, 32, 32},
                        {"arrow up", 48, 0, 32, 32},
                        {"arrow down", 80, 0, 32, 32},
                        {"arrow left", 112, 0, 32, 32},
                        {"arrow right", 144, 0, 32, 32},
                        {"next up", 176, 0, 16, 16},
                        {"next down", 192, 0, 16, 16},
                        {"next left", 208, 0, 16, 16},
                        {"next right", 224, 0, 16, 16}});
    // The blocks are solid: a transparent pixel would look like a hole in
    // the ground the runner can land on.
    for (int bx : {16, 240})
        for (int y = 0; y < 32; ++y)
            for (int x = bx; x < bx + 32; ++x) ASSERT_NE(pic.At(x, y), key) << x << "," << y;
    // The four large arrows differ from one another.
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_NE(pic.Crop(48 + 32 * a, 0, 32, 32).pixels, pic.Crop(48 + 32 * b, 0, 32, 32).pixels);
}

TEST(ArrowSprintAssets, SoundsAndListPicture) {
    for (const char* name : {"arrow_sprint/P1.WAV", "arrow_sprint/P2.WAV", "arrow_sprint/P3.WAV", "arrow_sprint/P4.WAV"}) {
        SCOPED_TRACE(name);
        CheckEffect(name);
    }
    LoadPicture("arrow_sprint/image.bmp", 160, 120);
}

TEST(GridSerpentAssets, ListPicture) {
    tevtools::Image image = LoadPicture("grid_serpent/image.bmp", 160, 120);
    ExpectRegionsDrawn(image, 0xFF000000, {{"title and field", 0, 0, 160, 120}});
}

}  // namespace
