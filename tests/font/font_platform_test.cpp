// Face resolution, logical-font sizes, rasterizing and CP932 decoding.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/font/cp932.h"
#include "platform/font/font_face.h"

using namespace platform::font;

namespace {

std::u32string Decode(const std::vector<unsigned char>& bytes) {
    std::string s(bytes.begin(), bytes.end());
    return DecodeCp932(s.c_str());
}

FaceFile Resolved(const char* name) {
    FaceFile f;
    std::string error;
    EXPECT_TRUE(ResolveFace(name, f, error)) << error;
    return f;
}

std::unique_ptr<ScaledFace> Open(const char* name, int height, int width) {
    std::string error;
    auto face = ScaledFace::Open(Resolved(name), height, width, error);
    EXPECT_TRUE(face) << error;
    return face;
}

int Advance(ScaledFace& face, uint32_t cp) {
    Glyph g;
    EXPECT_TRUE(face.Rasterize(cp, g));
    return g.advance;
}

const char* kGothic = "ＭＳ　ゴシック";

} // namespace

TEST(Cp932, SingleBytesAndHalfWidthKatakana) {
    EXPECT_EQ(Decode({'A', ' ', '~', 0x5C}), U"A ~\\");
    // 0xA1 ... 0xDF are the half-width katakana block.
    EXPECT_EQ(Decode({0xA1, 0xB1, 0xDF}), U"\uFF61\uFF71\uFF9F");
}

TEST(Cp932, SecondByte5CBelongsToTheCharacter) {
    // "ソ" and "表" end in 0x5C, the backslash byte; it must not be read as one.
    EXPECT_EQ(Decode({0x83, 0x5C, 0x95, 0x5C}), U"\u30BD\u8868");
    EXPECT_EQ(DecodeCp932("ソ表示"), U"\u30BD\u8868\u793A");
    EXPECT_EQ(DecodeCp932("ゲームを読み込んでいます..."), U"ゲームを読み込んでいます...");
}

TEST(Cp932, InvalidBytesAreSkipped) {
    EXPECT_EQ(Decode({'a', 0x80, 'b', 0xA0, 0xFD, 0xFE, 0xFF, 'c'}), U"abc");
    // A lead byte before a byte that cannot follow it: only the lead goes.
    EXPECT_EQ(Decode({0x83, ' ', 'x'}), U" x");
    EXPECT_EQ(Decode({0x83, 0x7F, 'x'}), U"\x7Fx");
}

TEST(Cp932, LeadByteBeforeTheTerminatorStopsThere) {
    // The byte after the NUL would complete a character; it must stay unread.
    const unsigned char text[] = {'a', 0x83, 0x00, 0x5C, 0x00};
    uint32_t cp = 1;
    EXPECT_EQ(DecodeCp932Char(text + 1, cp), 1u);
    EXPECT_EQ(cp, 0u);
    EXPECT_EQ(DecodeCp932Char(text + 2, cp), 0u);
    EXPECT_EQ(DecodeCp932(reinterpret_cast<const char*>(text)), U"a");
    EXPECT_EQ(DecodeCp932(nullptr), U"");
}

TEST(Cp932, Utf8ForFaceNames) {
    std::string utf8 = Cp932ToUtf8(kGothic);
    const unsigned char expected[] = {0xEF, 0xBC, 0xAD, 0xEF, 0xBC, 0xB3, 0xE3, 0x80, 0x80, 0xE3, 0x82,
                                      0xB4, 0xE3, 0x82, 0xB7, 0xE3, 0x83, 0x83, 0xE3, 0x82, 0xAF};
    EXPECT_EQ(utf8, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
}

TEST(FaceResolution, SystemNamesUseTheirAliases) {
    FaceFile gothic = Resolved(kGothic);
    EXPECT_EQ(gothic.family, "IPAGothic");
    EXPECT_TRUE(gothic.cellIsEm);
    EXPECT_EQ(Resolved("MS Gothic").path, gothic.path);

    FaceFile black = Resolved("Arial Black");
    EXPECT_NE(black.path.find("Bold"), std::string::npos) << black.path;
    EXPECT_EQ(Resolved("ARIAL BLACK").path, black.path);   // names ignore case
    EXPECT_FALSE(black.cellIsEm);
}

TEST(FaceResolution, UnknownNamesGetTheBestMatch) {
    FaceFile f = Resolved("No Such Face At All");
    EXPECT_FALSE(f.path.empty());
    EXPECT_FALSE(Resolved("").path.empty());
    EXPECT_FALSE(Resolved(nullptr).path.empty());
}

TEST(FaceResolution, UnusableFilesFailToOpenWithAReason) {
    std::string dir = TEV_BINARY_DIR;
    std::string garbage = dir + "/font_garbage.ttf";
    {
        std::ofstream out(garbage, std::ios::binary);
        // A TrueType header promising tables that are not there.
        const unsigned char head[] = {0, 1, 0, 0, 0, 9, 0, 0x80, 0, 3, 0, 0x10};
        out.write(reinterpret_cast<const char*>(head), sizeof head);
        for (int i = 0; i < 4000; ++i) out.put(char(i * 37 + 11));
    }
    std::string truncated = dir + "/font_truncated.ttf";
    {
        std::ifstream in(Resolved(kGothic).path, std::ios::binary);
        std::vector<char> part(20000);
        in.read(part.data(), std::streamsize(part.size()));
        std::ofstream out(truncated, std::ios::binary);
        out.write(part.data(), in.gcount());
    }
    for (const std::string& file : {dir + "/font_missing.ttf", garbage, truncated}) {
        SetFaceAlias("Broken Test Face", file);
        FaceFile f;
        std::string error;
        ASSERT_TRUE(ResolveFace("Broken Test Face", f, error));
        EXPECT_EQ(f.path, file);
        auto face = ScaledFace::Open(f, 10, 0, error);
        if (face) {
            // FreeType may accept a cut file lazily; its glyphs must then fail safely.
            Glyph g;
            face->Rasterize('A', g);
            face->Rasterize(0x3042, g);
        } else {
            EXPECT_FALSE(error.empty()) << file;
        }
    }
    std::remove(garbage.c_str());
    std::remove(truncated.c_str());
}

TEST(LogicalSize, PositiveHeightIsTheCellHeight) {
    for (const char* name : {kGothic, "Arial Black", "DejaVu Serif"}) {
        for (int h : {1, 10, 11, 12, 20, 24, 30, 44, 127}) {
            auto face = Open(name, h, 0);
            ASSERT_TRUE(face);
            EXPECT_EQ(face->Metrics().cellHeight, h) << name << " " << h;
            EXPECT_EQ(face->Metrics().ascent + face->Metrics().descent, h);
            EXPECT_GE(face->Metrics().descent, 0);
        }
    }
}

TEST(LogicalSize, GothicKeepsFullAndHalfWidthCells) {
    for (int h : {10, 11, 12, 20, 24, 30}) {
        auto face = Open(kGothic, h, 0);
        ASSERT_TRUE(face);
        EXPECT_EQ(Advance(*face, 0x3042), h) << h;          // あ: one em
        int half = Advance(*face, 'A');                     // half of it
        EXPECT_TRUE(half == h / 2 || half == (h + 1) / 2) << h << " " << half;
        EXPECT_EQ(Advance(*face, ' '), half);
        EXPECT_EQ(Advance(*face, 0xFF71), half);           // half-width katakana
        int avg = face->Metrics().averageWidth;
        EXPECT_TRUE(avg == h / 2 || avg == (h + 1) / 2) << h << " " << avg;
    }
}

TEST(LogicalSize, NegativeHeightIsTheEmHeight) {
    // For the gothic face the em is the cell; for DejaVu the cell is taller.
    auto gothic = Open(kGothic, -20, 0);
    ASSERT_TRUE(gothic);
    EXPECT_EQ(Advance(*gothic, 0x3042), 20);
    EXPECT_EQ(gothic->Metrics().cellHeight, 20);
    auto sans = Open("Arial Black", -20, 0);
    auto sansCell = Open("Arial Black", 20, 0);
    ASSERT_TRUE(sans && sansCell);
    EXPECT_GT(sans->Metrics().cellHeight, 20);
    EXPECT_GT(Advance(*sans, 'M'), Advance(*sansCell, 'M'));
    // The low-byte heights SetFontSize can produce: 200 -> -56, 300 -> 44.
    auto big = Open(kGothic, -56, 0);
    ASSERT_TRUE(big);
    EXPECT_EQ(Advance(*big, 0x3042), 56);
}

TEST(LogicalSize, ZeroHeightIsADefaultSize) {
    auto face = Open(kGothic, 0, 0);
    ASSERT_TRUE(face);
    EXPECT_EQ(face->Metrics().cellHeight, 16);
}

TEST(LogicalSize, WidthSetsTheAverageCharacterWidth) {
    auto narrow = Open(kGothic, 20, 5);
    auto wide = Open(kGothic, 20, 16);
    auto negative = Open(kGothic, 20, -16);
    ASSERT_TRUE(narrow && wide && negative);
    EXPECT_EQ(narrow->Metrics().averageWidth, 5);
    EXPECT_EQ(wide->Metrics().averageWidth, 16);
    EXPECT_EQ(Advance(*narrow, 'A'), 5);
    EXPECT_EQ(Advance(*wide, 'A'), 16);
    EXPECT_EQ(Advance(*negative, 'A'), 16);
    EXPECT_EQ(wide->Metrics().cellHeight, 20);   // the height is untouched
    auto sans = Open("Arial Black", 20, 12);
    ASSERT_TRUE(sans);
    EXPECT_EQ(sans->Metrics().averageWidth, 12);
}

TEST(LogicalSize, AbsurdSizesAreRefused) {
    std::string error;
    FaceFile f = Resolved(kGothic);
    EXPECT_FALSE(ScaledFace::Open(f, 100000, 0, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ScaledFace::Open(f, 10, -100000, error));
    EXPECT_FALSE(ScaledFace::Open(f, -5000, 0, error));
}

TEST(Rasterize, GlyphsSitInTheirCell) {
    for (int h : {10, 12, 30}) {
        auto face = Open(kGothic, h, 0);
        ASSERT_TRUE(face);
        const auto& m = face->Metrics();
        for (uint32_t cp : {uint32_t('A'), uint32_t('g'), 0x3042u, 0x8868u, 0xFF71u}) {
            Glyph g;
            ASSERT_TRUE(face->Rasterize(cp, g));
            EXPECT_GT(g.width, 0);
            EXPECT_EQ(g.coverage.size(), size_t(g.width) * g.height);
            EXPECT_LE(g.top, m.ascent + 1) << h << " " << cp;
            EXPECT_GE(g.top - g.height, -m.descent - 1) << h << " " << cp;
        }
    }
}

TEST(Rasterize, SmallSizesAreCrispLargeOnesSmooth) {
    auto small = Open(kGothic, 12, 0);
    auto large = Open(kGothic, 30, 0);
    ASSERT_TRUE(small && large);
    Glyph g;
    ASSERT_TRUE(small->Rasterize(0x8868, g));
    for (uint8_t c : g.coverage) ASSERT_TRUE(c == 0 || c == 255);
    ASSERT_TRUE(large->Rasterize(0x8868, g));
    bool gray = false;
    for (uint8_t c : g.coverage) gray |= c != 0 && c != 255;
    EXPECT_TRUE(gray);
}

TEST(Rasterize, MissingCharactersGetTheBox) {
    auto sans = Open("Arial Black", 12, 0);
    ASSERT_TRUE(sans);
    EXPECT_FALSE(sans->HasGlyph(0x3042));
    EXPECT_TRUE(sans->HasGlyph('A'));
    Glyph g;
    ASSERT_TRUE(sans->Rasterize(0x3042, g));
    EXPECT_GT(g.advance, 0);
}

TEST(Cp932, JisRowsOfCharacters) {
    EXPECT_EQ(JisX0208Of(0x3042), 0x2422);   // あ
    EXPECT_EQ(JisX0208Of(0x4E9C), 0x3021);   // 亜, first of the kanji rows
    EXPECT_EQ(JisX0208Of(0x7199), 0x7426);   // 熙, the last
    EXPECT_EQ(JisX0208Of(0xFF5E), 0x2141);   // ～ as CP932 decodes it
    EXPECT_EQ(JisX0208Of(0x2460), 0x2D21);   // ① (NEC row 13)
    EXPECT_EQ(JisX0208Of('A'), 0);
    EXPECT_EQ(JisX0208Of(0xFF71), 0);        // half-width ｱ is a single byte
    EXPECT_EQ(JisX0208Of(0x2170), 0);        // ⅰ lives only in the vendor rows
    EXPECT_EQ(JisX0208Of(0x4E02), 0);        // not in CP932 at all
}

TEST(Rasterize, SmallGothicKeepsItsKanjiApart) {
    // The drawn strikes leave a blank column and row in every full-width
    // cell, so 確認 stays two characters at 10 to 12 pixels.
    if (!std::ifstream("/usr/share/fonts/X11/misc/mplus_j10r.pcf.gz")) GTEST_SKIP() << "no bitmap strikes";
    for (int h : {10, 11, 12}) {
        auto face = Open(kGothic, h, 0);
        ASSERT_TRUE(face);
        for (uint32_t cp : {0x78BAu, 0x8A8Du, 0x500Bu}) {   // 確 認 個
            Glyph g;
            ASSERT_TRUE(face->Rasterize(cp, g));
            EXPECT_EQ(g.advance, h);
            EXPECT_GE(g.left, 0);
            EXPECT_LT(g.left + g.width, h) << h << " " << cp;
            EXPECT_LT(g.height, face->Metrics().cellHeight + 1) << h << " " << cp;
        }
    }
}
