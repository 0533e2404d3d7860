#include "games/block_zoning/block_zoning_rules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tests/support/recording_sink.h"

using namespace block_zoning;
using tevtest::ButtonsWith;
using tevtest::RecordingSink;

namespace {

// A game in play on an empty grid (no obstacles), cursor at (0, 0).
std::unique_ptr<Game> Playing() {
    auto g = std::make_unique<Game>();
    g->state = kPlay;
    g->col = 0;
    g->row = 0;
    return g;
}

int Blocks(const Game& g) {
    int n = 0;
    for (const Block& b : g.blocks) n += b.kind != kPass;
    return n;
}

const Block* At(const Game& g, int col, int row) {
    for (const Block& b : g.blocks)
        if (b.kind != kPass && b.col == col && b.row == row) return &b;
    return nullptr;
}

// Frames with no buttons until the shown score has caught up.
void Settle(Game& g, tev::Rand15& rng, tev::Sink& out) {
    for (int i = 0; i < 1000 && (g.shown_score != g.score || i == 0); ++i) Frame(g, {}, rng, out);
}

// One pressed frame, with the cursor first moved to (col, row) directly.
void PressAt(Game& g, int col, int row, int button, tev::Rand15& rng, tev::Sink& out) {
    g.col = col;
    g.row = row;
    Frame(g, ButtonsWith({button}), rng, out);
}

struct Folder {
    std::filesystem::path dir;
    Folder() {
        dir = std::filesystem::temp_directory_path() /
              ("block-zoning-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~Folder() { std::filesystem::remove_all(dir); }
    std::string File() const { return (dir / "hiscore.ini").string(); }
    void Write(const std::string& bytes) const { std::ofstream(File(), std::ios::binary) << bytes; }
    std::string Read() const {
        std::ifstream in(File(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

std::string Bytes(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    return std::string{char(u & 0xFF), char(u >> 8 & 0xFF), char(u >> 16 & 0xFF), char(u >> 24 & 0xFF)};
}

}  // namespace

TEST(BlockZoning, SetupShufflesObstaclesFromTheSeedAndReadsTheBest) {
    Folder folder;
    folder.Write(Bytes(12345) + "extra");
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(4242);
    const tev::Rand15 before = rng;
    Start(*g, rng, folder.File().c_str());
    // 10 000 swaps of two draws each; cells 93, 59 and 28 come first for this seed.
    EXPECT_EQ(tevtest::DrawsBetween(before, rng, 30000), 20000);
    ASSERT_EQ(Blocks(*g), 3);
    const int expected[3][2] = {{3, 9}, {9, 5}, {8, 2}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g->blocks[i].kind, kObstacle);
        EXPECT_EQ(g->blocks[i].col, expected[i][0]);
        EXPECT_EQ(g->blocks[i].row, expected[i][1]);
        EXPECT_EQ(g->blocks[i].width * g->blocks[i].height, 1);
    }
    EXPECT_EQ(g->state, kTitle);
    EXPECT_EQ(g->turns_left, 30);
    EXPECT_EQ(g->kind, kResidential);
    EXPECT_EQ(g->high, 12345);

    // The title waits for a button, draws the banner in a new colour each
    // frame (three draws) and starts play with the start sound.
    RecordingSink out;
    Frame(*g, {}, rng, out);
    EXPECT_TRUE(out.Blitted(kObjectTexture, object::kObstacle));
    EXPECT_EQ(g->state, kTitle);
    const tev::Rand15 at_title = rng;
    out.Clear();
    Frame(*g, ButtonsWith({tev::kButton2}), rng, out);
    EXPECT_EQ(g->state, kPlay);
    EXPECT_EQ(out.Played(), std::vector<int>{sound::kStart});
    EXPECT_EQ(tevtest::DrawsBetween(at_title, rng), 0) << "no banner once playing";
}

TEST(BlockZoning, ObstacleRefusesAPlacementWithoutTouchingAnythingElse) {
    auto g = Playing();
    tev::Rand15 rng(1);
    RecordingSink out;
    ASSERT_TRUE(Place(*g, kIndustrialWide, 0, 0));
    ASSERT_TRUE(Place(*g, kObstacle, 2, 2));
    // A 3 x 3 over both: the works it would clear stay, the turn stays.
    PressAt(*g, 0, 0, tev::kButton1, rng, out);
    EXPECT_EQ(Blocks(*g), 2);
    EXPECT_NE(At(*g, 0, 0), nullptr);
    EXPECT_EQ(g->turns_left, 30);
    EXPECT_TRUE(out.Played().empty());
    // Beside it the placement goes through and replaces the works.
    out.Clear();
    PressAt(*g, 0, 0, tev::kButton1, rng, out);
    g->kind = kCommercialWide;
    PressAt(*g, 0, 0, tev::kButton1, rng, out);
    EXPECT_EQ(g->turns_left, 29);
    ASSERT_NE(At(*g, 0, 0), nullptr);
    EXPECT_EQ(At(*g, 0, 0)->kind, kCommercialWide);
    EXPECT_EQ(Blocks(*g), 2);
    EXPECT_EQ(out.Played(), std::vector<int>{sound::kShop});
}

TEST(BlockZoning, GrowthCountsTheFourSidesNotTheCornersNorBeyondTheGrid) {
    auto g = Playing();
    tev::Rand15 rng(1);
    RecordingSink out;
    // Shop 4 x 2 at (0, 1): works along its top (4 cells) and one touching
    // its corner only; a tall works on its right side (2 of its cells touch).
    ASSERT_TRUE(Place(*g, kCommercialWide, 0, 1));
    ASSERT_TRUE(Place(*g, kIndustrialWide, 0, 0));
    ASSERT_TRUE(Place(*g, kIndustrialTall, 4, 2));  // touches rows 2 only
    ASSERT_TRUE(Place(*g, kIndustrialTall, 5, 0));  // diagonal to nothing: col 5 is beyond the right strip
    ASSERT_TRUE(Place(*g, kResidential, 0, 3));     // below the shop: 3 cells of it
    EndTurn(*g, kPass, out);
    EXPECT_EQ(At(*g, 0, 1)->worth, 1 + 4 + 1);
    // The house saw the shop's worth before the shop grew this turn.
    EXPECT_EQ(At(*g, 0, 3)->worth, 1 + 3 * 1);
    EXPECT_EQ(g->turns_left, 29);
    EXPECT_EQ(out.Played(), std::vector<int>{sound::kTick});
    EndTurn(*g, kPass, out);
    EXPECT_EQ(At(*g, 0, 1)->worth, 11);
    EXPECT_EQ(At(*g, 0, 3)->worth, 4 + 3 * 6);
    EXPECT_EQ(HouseWorth(*g), 22);
    // Works and shops never add to the score; industry never grows.
    EXPECT_EQ(At(*g, 0, 0)->worth, 1);
}

TEST(BlockZoning, PassCostsATurnAndBlocksStillGrowAndTheCounterCatchesUp) {
    auto g = Playing();
    tev::Rand15 rng(1);
    RecordingSink out;
    ASSERT_TRUE(Place(*g, kIndustrialWide, 0, 0));
    ASSERT_TRUE(Place(*g, kCommercialWide, 0, 1));
    ASSERT_TRUE(Place(*g, kResidential, 0, 3));
    g->score = g->shown_score = HouseWorth(*g);
    g->kind = kPass;
    for (int i = 0; i < 20; ++i) {
        out.Clear();
        Frame(*g, ButtonsWith({tev::kButton1}), rng, out);
        EXPECT_EQ(out.PlayCount(sound::kTick), 1) << "the pass plays the tick";
        Settle(*g, rng, out);
    }
    EXPECT_EQ(g->turns_left, 10);
    // The shop grew by 4 each turn, the house by 3 x the shop's worth.
    EXPECT_EQ(At(*g, 0, 1)->worth, 81);
    int32_t house = 1;
    for (int t = 0; t < 20; ++t) house += 3 * (1 + 4 * t);
    EXPECT_EQ(HouseWorth(*g), house);
    EXPECT_EQ(g->shown_score, g->score);

    // While the counter runs, input waits and the cursor stays drawn.
    g->kind = kPass;
    Frame(*g, ButtonsWith({tev::kButton1}), rng, out);
    ASSERT_NE(g->shown_score, g->score);
    const int left = g->turns_left;
    out.Clear();
    Frame(*g, ButtonsWith({tev::kButton1, tev::kRight}), rng, out);
    EXPECT_EQ(g->turns_left, left);
    EXPECT_EQ(g->col, 0);
    EXPECT_TRUE(out.Blitted(kObjectTexture, object::kCursorPass));
}

TEST(BlockZoning, PlacingOverBlocksRemovesThemAndTheScoreDropsWithoutStallingInput) {
    auto g = Playing();
    tev::Rand15 rng(1);
    RecordingSink out;
    ASSERT_TRUE(Place(*g, kResidential, 0, 0));
    ASSERT_TRUE(Place(*g, kResidential, 3, 0));
    g->blocks[0].worth = 500;
    g->blocks[1].worth = 700;
    Settle(*g, rng, out);
    ASSERT_EQ(g->shown_score, 1200);
    // Works 5 x 1 across both houses' bottom rows: both go, with their worth.
    g->kind = kIndustrialWide;
    out.Clear();
    PressAt(*g, 1, 2, tev::kButton1, rng, out);
    EXPECT_EQ(Blocks(*g), 1);
    EXPECT_EQ(g->blocks[0].kind, kIndustrialWide);
    EXPECT_EQ(out.Played(), std::vector<int>{sound::kFactory});
    EXPECT_EQ(g->turns_left, 29);
    // The counter follows the drop, so the next press is taken.
    Frame(*g, {}, rng, out);
    EXPECT_EQ(g->shown_score, 0);
    PressAt(*g, 0, 0, tev::kRight, rng, out);
    EXPECT_EQ(g->col, 1);
}

TEST(BlockZoning, KindLockedInTheLastFiveTurnsAndPulledBackToFit) {
    auto g = Playing();
    tev::Rand15 rng(1);
    RecordingSink out;
    g->turns_left = 6;
    g->kind = kResidential;
    g->col = 7;
    g->row = 7;
    Frame(*g, ButtonsWith({tev::kButton2}), rng, out);  // to the 4 x 2: one column back
    EXPECT_EQ(g->kind, kCommercialWide);
    EXPECT_EQ(g->col, 6);
    EXPECT_EQ(g->row, 7);
    g->col = 9;
    g->row = 8;
    Frame(*g, ButtonsWith({tev::kButton2}), rng, out);  // to the 2 x 4
    EXPECT_EQ(g->kind, kCommercialTall);
    EXPECT_EQ(g->col, 8);
    EXPECT_EQ(g->row, 6);
    // The move stops at the edge for this footprint.
    Frame(*g, ButtonsWith({tev::kDown}), rng, out);
    EXPECT_EQ(g->row, 6);
    g->turns_left = 5;
    out.Clear();
    Frame(*g, ButtonsWith({tev::kButton2}), rng, out);
    EXPECT_EQ(g->kind, kCommercialTall);
    EXPECT_TRUE(out.Played().empty());
    // Placing still works with the kind kept.
    Frame(*g, ButtonsWith({tev::kButton1}), rng, out);
    EXPECT_EQ(g->turns_left, 4);
}

TEST(BlockZoning, FullTableRefusesAPlacementThatRemovesNothing) {
    // Blocks of five cells or more never fill 30 records on 100 cells, so
    // the full table is built by hand: 30 one-cell works over rows 0 ... 2.
    auto g = Playing();
    tev::Rand15 rng(1);
    RecordingSink out;
    for (int i = 0; i < kRecords; ++i) g->blocks[i] = Block{kIndustrialTall, i % 10, i / 10, 1, 1, 1};
    g->kind = kIndustrialWide;
    PressAt(*g, 0, 5, tev::kButton1, rng, out);
    EXPECT_EQ(g->turns_left, 30);
    EXPECT_EQ(Blocks(*g), 30);
    EXPECT_TRUE(out.Played().empty());
    // A pass needs no record.
    g->kind = kPass;
    PressAt(*g, 0, 5, tev::kButton1, rng, out);
    EXPECT_EQ(g->turns_left, 29);
    // Over blocks, the records they free take the new one.
    Settle(*g, rng, out);
    g->kind = kResidential;
    PressAt(*g, 0, 2, tev::kButton1, rng, out);
    EXPECT_EQ(g->turns_left, 28);
    EXPECT_EQ(Blocks(*g), 28);
    EXPECT_EQ(At(*g, 0, 2)->kind, kResidential);
}

TEST(BlockZoning, LastTurnEndsAndTheResultFollowsTheClearMark) {
    for (int32_t worth : {19999, 20000}) {
        auto g = Playing();
        tev::Rand15 rng(1);
        RecordingSink out;
        ASSERT_TRUE(Place(*g, kResidential, 0, 0));
        g->blocks[0].worth = worth;
        g->score = g->shown_score = worth;
        g->turns_left = 1;
        g->kind = kPass;
        EXPECT_EQ(Frame(*g, ButtonsWith({tev::kButton1}), rng, out), 0);
        EXPECT_EQ(g->state, kEnd);
        out.Clear();
        EXPECT_EQ(Frame(*g, {}, rng, out), 0);
        EXPECT_TRUE(out.Blitted(kFontTexture, GlyphCell(worth >= kClearScore ? '!' : 'V')));
        EXPECT_EQ(Frame(*g, ButtonsWith({tev::kButton2}), rng, out), worth >= kClearScore ? 1 : 2);
    }
}

TEST(BlockZoning, BestScoreStoredOnAnyExitEvenEscapeAndNeverLowered) {
    Folder folder;
    folder.Write(Bytes(300));
    {
        auto g = std::make_unique<Game>();
        tev::Rand15 rng(9);
        Start(*g, rng, folder.File().c_str());
        g->state = kPlay;
        ASSERT_TRUE(Place(*g, kResidential, 0, 0) || Place(*g, kResidential, 5, 5));
        for (Block& b : g->blocks)
            if (b.kind == kResidential) b.worth = 450;
        // Escape mid-game: no result, but the best is kept.
        EXPECT_EQ(Finish(*g), 0);
        EXPECT_EQ(folder.Read(), Bytes(450));
    }
    {
        auto g = std::make_unique<Game>();
        tev::Rand15 rng(9);
        Start(*g, rng, folder.File().c_str());
        EXPECT_EQ(g->high, 450);
        EXPECT_EQ(Finish(*g), 0);
        EXPECT_EQ(folder.Read(), Bytes(450));
    }
}

TEST(BlockZoning, FontTintsPerTextAndDrawsOnlyPrintableCells) {
    RecordingSink out;
    PrintCentered(out, 265, 100, 0xFF20F0A0, "%05d %s", 42, "Az~\x7f\x01");
    const auto tint = out.Calls("SetTextureColors");
    ASSERT_EQ(tint.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(tint[0].args[1]), 0xFF80FFFFu);  // +96, clamped
    EXPECT_EQ(static_cast<uint32_t>(tint[0].args[2]), 0xFF80FFFFu);
    EXPECT_EQ(static_cast<uint32_t>(tint[0].args[3]), 0xFF009040u);  // -96, clamped
    EXPECT_EQ(static_cast<uint32_t>(tint[0].args[4]), 0xFF009040u);
    // "00042 Az~" plus two unprintable bytes: 11 wide, so it starts at 210;
    // the space and the unprintables take their place but draw nothing.
    const auto blits = out.Blits();
    ASSERT_EQ(blits.size(), 8u);
    EXPECT_EQ(blits[0].x, 210);
    EXPECT_EQ(blits[0].src, (tev::Rect{0, 20, 10, 20}));  // '0'
    EXPECT_EQ(blits[5].x, 270);
    EXPECT_EQ(blits[5].src, (tev::Rect{10, 40, 10, 20}));  // 'A'
    EXPECT_EQ(blits[7].src, (tev::Rect{140, 100, 10, 20}));  // '~'
    for (const auto& b : blits) EXPECT_EQ(b.texture, kFontTexture);
}
