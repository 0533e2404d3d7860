// The picture language: drawing results and how faulty sources are reported.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tools/toolkit/picture.h"

using namespace tevtools;

namespace {

const char* kFont =
    "height 3\n"
    "glyph space\n..\n..\n..\n"
    "glyph A\n.#.\n###\n#.#\n"
    "glyph {dot}\n#\n.\n.\n";

PixelFont Font() { return PixelFont::Parse(kFont, "test.font"); }

Picture Draw(const std::string& src) {
    PixelFont f = Font();
    return RunPicture(src, "test.picture", &f);
}

std::string FailureOf(const std::string& src) {
    try {
        Draw(src);
    } catch (const SourceError& e) {
        return e.what();
    }
    return "";
}

TEST(PictureLanguage, ShapesLandWhereTheSourceSays) {
    Picture p = Draw(
        "size 16 8\nbackground #FF00FF\n"
        "rect 1 1 2 2 #FF0000\n"
        "sprite s 8 0 8 8\n"
        "rect 0 0 3 1 #00FF00\n"   // relative to the sprite
        "rect 6 0 10 10 #0000FF\n" // clipped to the sprite's box
        "sheet\n"
        "rect 0 7 1 1 #80808080\n");  // half-transparent over magenta
    EXPECT_EQ(p.image.At(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(p.image.At(1, 1), 0xFFFF0000u);
    EXPECT_EQ(p.image.At(2, 2), 0xFFFF0000u);
    EXPECT_EQ(p.image.At(3, 3), 0xFFFF00FFu);
    EXPECT_EQ(p.image.At(8, 0), 0xFF00FF00u);
    EXPECT_EQ(p.image.At(10, 0), 0xFF00FF00u);
    EXPECT_EQ(p.image.At(15, 7), 0xFF0000FFu);
    EXPECT_EQ(p.image.At(7, 0), 0xFFFF00FFu);  // nothing spilled out of the box
    uint32_t mixed = p.image.At(0, 7);
    EXPECT_NEAR(static_cast<int>((mixed >> 16) & 0xFF), 0xBF, 2);
    EXPECT_NEAR(static_cast<int>((mixed >> 8) & 0xFF), 0x40, 2);
    ASSERT_EQ(p.sprites.size(), 1u);
    EXPECT_EQ(p.sprites[0].x, 8);
}

TEST(PictureLanguage, TextPixelsAndOutline) {
    Picture p = Draw(
        "size 20 10\nbackground #000000\ncolour ink #101010\n"
        "text 1 1 \"A{dot}\" fill=#FFFFFF outline=ink\n"
        "pal R #FF0000\n"
        "pixels 12 0 scale=2\nR.R\n.R.\nend\n");
    // "A": row 0 is .#. at x = 1..3
    EXPECT_EQ(p.image.At(2, 1), 0xFFFFFFFFu);
    EXPECT_EQ(p.image.At(1, 1), 0xFF101010u);  // beside the ink: outline
    EXPECT_EQ(p.image.At(1, 2), 0xFFFFFFFFu);
    EXPECT_EQ(p.image.At(5, 1), 0xFFFFFFFFu);  // the named glyph after one pixel of spacing
    EXPECT_EQ(p.image.At(2, 0), 0xFF101010u);
    EXPECT_EQ(p.image.At(9, 9), 0xFF000000u);
    EXPECT_EQ(p.image.At(12, 0), 0xFFFF0000u);
    EXPECT_EQ(p.image.At(13, 1), 0xFFFF0000u);
    EXPECT_EQ(p.image.At(14, 0), 0xFF000000u);
    EXPECT_EQ(p.image.At(14, 2), 0xFFFF0000u);
}

TEST(PictureLanguage, CentredTextAndGrowOutline) {
    Picture p = Draw(
        "size 11 5\nbackground #000000\n"
        "text 0 1 \"A\" align=center w=11\n"
        "rect 0 4 1 1 #FFFFFF\n"
        "outline 0 0 11 5 #00FF00 1\n");
    EXPECT_EQ(p.image.At(5, 1), 0xFFFFFFFFu);  // centre column of the glyph
    EXPECT_EQ(p.image.At(4, 2), 0xFFFFFFFFu);
    EXPECT_EQ(p.image.At(3, 2), 0xFF00FF00u);  // grown outline
    EXPECT_EQ(p.image.At(1, 3), 0xFF00FF00u);
    EXPECT_EQ(p.image.At(9, 0), 0xFF000000u);
}

TEST(PictureLanguage, MistakesNameTheLine) {
    EXPECT_NE(FailureOf("size 8 8\nrect 0 0 1\n").find("test.picture:2"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\nfrobnicate 1\n").find("unknown command"), std::string::npos);
    EXPECT_NE(FailureOf("rect 0 0 1 1 #FFFFFF\n").find("'size' must come"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\nrect 0 0 1 1 nocolour\n").find("unknown colour"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\ntext 0 0 \"B\"\n").find("no glyph 'B'"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\ntext 0 0 \"A\" bold=1\n").find("unknown option"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\npixels 0 0\nXX\nend\n").find("no palette entry"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\npixels 0 0\n").find("without 'end'"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\nsprite s 4 4 8 8\n").find("inside the sheet"), std::string::npos);
    EXPECT_NE(FailureOf("size 0 8\n").find("size out of range"), std::string::npos);
}

TEST(PictureLanguage, EmptySpriteAndDrawnOverKeyPixelAreErrors) {
    EXPECT_NE(FailureOf("size 8 8\nsprite hole 0 0 4 4\n").find("sprite 'hole' is empty"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\nkeep 0 0\nrect 0 0 2 2 #FF0000\n").find("must stay background"), std::string::npos);
    // Drawing in the background colour leaves a sprite empty, as the key would.
    EXPECT_NE(FailureOf("size 8 8\nbackground #00FF00\nsprite s 0 0 4 4\nrect 0 0 4 4 key\n").find("empty"),
              std::string::npos);
    EXPECT_EQ(FailureOf("size 8 8\nsprite s 0 0 4 4\nrect 3 3 1 1 #FF0000\nkeep 0 0\n"), "");
}

TEST(PictureLanguage, GarbageSourcesFailCleanly) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        std::string src = "size 32 32\n";
        int n = rng() % 200;
        for (int i = 0; i < n; ++i) src += static_cast<char>(rng() % 256);
        try {
            Draw(src);
        } catch (const SourceError&) {
        }
    }
    // Numbers too large for a canvas or a loop are refused, not attempted.
    EXPECT_NE(FailureOf("size 99999999 2\n").find("out of range"), std::string::npos);
    EXPECT_NE(FailureOf("size 8 8\ndisc 0 0 99999999 #FFFFFF\n").find("out of range"), std::string::npos);
}

TEST(PixelFontFile, RowsMustMatchTheHeight) {
    EXPECT_THROW(PixelFont::Parse("height 2\nglyph A\n##\n", "f"), SourceError);
    EXPECT_THROW(PixelFont::Parse("height 2\nglyph A\n##\n#\n", "f"), SourceError);
    EXPECT_THROW(PixelFont::Parse("glyph A\n#\n", "f"), SourceError);
    EXPECT_THROW(PixelFont::Parse("height 1\nglyph A\n#\nglyph A\n#\n", "f"), SourceError);
    PixelFont f = PixelFont::Parse("height 1\nglyph W\n#####\n", "f");
    EXPECT_EQ(f.glyphs["W"].width, 5);
}

TEST(PixelFontFile, ProjectFontCoversTheSheetsLettering) {
    const std::string path = std::string(TEV_SOURCE_DIR) + "/tools/fonts/arcade5x7.font";
    PixelFont f = PixelFont::Parse(ReadWholeFile(path), path);
    EXPECT_EQ(f.height, 7);
    for (char c = 'A'; c <= 'Z'; ++c) EXPECT_TRUE(f.glyphs.count(std::string(1, c))) << c;
    for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(f.glyphs.count(std::string(1, c))) << c;
    for (const char* g : {"space", "{up}", "{down}", "{left}", "{right}", ".", "!", "&"}) EXPECT_TRUE(f.glyphs.count(g)) << g;
}

}  // namespace
