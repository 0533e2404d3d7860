#include "games/rail_swap/rail_swap_rules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "tests/support/recording_sink.h"

using namespace rail_swap;
namespace fs = std::filesystem;

namespace {

using tevtest::ButtonsWith;

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "rail-swap-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string File(const char* name) const { return (path / name).string(); }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A board of plain track with the start and goal in their corners, the cart
// resting on a chosen tile: the situations below change one tile at a time.
std::unique_ptr<Game> Board(int col, int row, float x, int dir = 1) {
    auto g = std::make_unique<Game>();
    for (Tile& t : g->tiles) t = {kTrack, 0};
    At(*g, 0, 0).type = kStart;
    At(*g, 7, 5).type = kGoal;
    g->state = kPlay;
    g->cart.col = col;
    g->cart.row = row;
    g->cart.x = x;
    g->cart.y = 23;
    g->cart.dir = dir;
    g->cart.speed = 0.1f * row + 0.15f;
    return g;
}

// The source of the picture drawn at a board tile this frame.
tev::Rect DrawnAt(const tevtest::RecordingSink& out, int col, int row) {
    tev::Rect last{};
    for (const auto& b : out.Blits())
        if (b.x == 32 * (col + 1) && b.y == 32 * (row + 1) && b.src.w == 32 && b.src.h == 32 &&
            b.src.y >= 64 && b.src.y < 128)
            last = b.src;
    return last;
}

TEST(RailSwapRules, DropTileLetsTheCartThroughOnlyInTheMiddleBand) {
    struct Case {
        float before;  // x before the step's move of 0.15
        int dir;
        bool through;
    };
    const Case cases[] = {
        {9.8f, 1, false},  {9.9f, 1, true},   {15.8f, 1, true},  {15.9f, 1, false},
        {22.2f, -1, false}, {22.1f, -1, true}, {16.2f, -1, true}, {16.1f, -1, false},
    };
    for (const Case& c : cases) {
        auto g = Board(3, 0, c.before, c.dir);
        At(*g, 3, 0).type = kDrop;
        g->cart.y = 0;  // high above the dip's floor: only the band decides
        StepCart(*g);
        EXPECT_EQ(g->cart.skipFloor, c.through ? 1 : 0) << c.before << " dir " << c.dir;
    }
    // Outside the band the cart rides the dip's profile.
    auto g = Board(3, 0, 4.0f);
    At(*g, 3, 0).type = kDrop;
    g->cart.y = 25.5f;
    StepCart(*g);
    EXPECT_FLOAT_EQ(g->cart.y, 25.0f);
    EXPECT_EQ(g->cart.fall, 0.0f);
    // Through the band it falls into the tile below, lands there, and the
    // landing sets the speed of the new row.
    g = Board(3, 0, 10.0f);
    At(*g, 3, 0).type = kDrop;
    g->cart.y = 31;
    for (int i = 0; i < 120 && g->cart.row == 0; ++i) StepCart(*g);
    ASSERT_EQ(g->cart.row, 1);
    for (int i = 0; i < 60; ++i) StepCart(*g);
    EXPECT_EQ(g->cart.dead, 0);
    EXPECT_NEAR(g->cart.y, kProfiles[kTrack][static_cast<int>(g->cart.x)], 1.0);
    EXPECT_FLOAT_EQ(g->cart.speed, 0.25f);
}

TEST(RailSwapRules, TurnBackTileReversesInsideItsWindowOnly) {
    auto g = Board(2, 1, 5.0f);
    At(*g, 2, 1).type = kTurn;
    StepCart(*g);  // 5.25: inside 5 ... 16
    EXPECT_EQ(g->cart.dir, -1);
    g = Board(2, 1, 16.0f);
    At(*g, 2, 1).type = kTurn;
    StepCart(*g);  // 16.25 moving right: past the window
    EXPECT_EQ(g->cart.dir, 1);
    g = Board(2, 1, 27.2f, -1);
    At(*g, 2, 1).type = kTurn;
    StepCart(*g);
    EXPECT_EQ(g->cart.dir, 1);
}

TEST(RailSwapRules, GemCountsOnceADirectionUntilPassedTheOtherWay) {
    auto g = Board(4, 2, 2.0f);
    At(*g, 4, 2).type = kGem;
    for (int i = 0; i < 50; ++i) StepCart(*g);
    EXPECT_EQ(g->gems, 1);
    EXPECT_EQ(g->popup, kGemPopup);
    g->cart.dir = -1;  // back over it the other way
    StepCart(*g);
    EXPECT_EQ(g->gems, 2);
    // Away to the neighbour and back, still moving left: the same pass.
    g->cart.col = 5;
    StepCart(*g);
    g->cart.col = 4;
    for (int i = 0; i < 20; ++i) StepCart(*g);
    EXPECT_EQ(g->gems, 2);
    g->cart.dir = 1;
    StepCart(*g);
    EXPECT_EQ(g->gems, 3);
}

TEST(RailSwapRules, VisitedTileBlinksFrom807AndCrumblesAt999) {
    auto g = Board(3, 3, 8.0f);
    g->cart.speed = 0;  // parked: the tile under it is the one watched
    tevtest::RecordingSink out;
    StepVisits(*g);  // frame t
    EXPECT_EQ(g->visited, 1);
    EXPECT_EQ(At(*g, 3, 3).age, 1);
    g->cart.dead = 1;  // no more visits; the tile keeps ageing
    std::map<int, tev::Rect> drawn;
    for (int k = 1; k <= 999; ++k) {
        StepVisits(*g);
        out.Clear();
        DrawBoard(*g, out);
        drawn[k] = DrawnAt(out, 3, 3);
        if (k == 998) {
            EXPECT_EQ(At(*g, 3, 3).type, kTrack);
        }
    }
    EXPECT_EQ(drawn[806], img::kTrack);
    EXPECT_EQ(drawn[807], img::kEmpty);  // age 808: first dark frame
    EXPECT_EQ(drawn[809], img::kTrack);  // age 810: bit 1
    EXPECT_EQ(drawn[811], img::kTrack);  // age 812: bit 2
    EXPECT_EQ(drawn[934], img::kTrack);  // age 935: bit 1 and 2
    EXPECT_EQ(drawn[935], img::kEmpty);  // age 936: bit 2 no longer enough
    EXPECT_EQ(drawn[937], img::kTrack);  // age 938: bit 1
    EXPECT_EQ(At(*g, 3, 3).type, kEmpty);
    EXPECT_EQ(At(*g, 3, 3).age, 0);
    EXPECT_EQ(g->visited, 1);
}

TEST(RailSwapRules, SwapUnderTheCartMovesItsSupportAway) {
    // A pit swapped in under the cart kills it; the visited tile's age
    // travels with the tile.
    auto g = Board(3, 2, 12.0f);
    At(*g, 4, 2).type = kPit;
    StepVisits(*g);
    g->cursorCol = 3;
    g->cursorRow = 2;
    StepInput(*g, ButtonsWith({tev::kButton1}));
    EXPECT_EQ(At(*g, 3, 2).type, kPit);
    EXPECT_EQ(At(*g, 4, 2).age, 1);
    EXPECT_EQ(At(*g, 3, 2).age, 0);
    StepCart(*g);
    EXPECT_EQ(g->cart.dead, 1);
    // A drop swapped in from below while the cart is in its band: it falls.
    g = Board(3, 2, 12.0f);
    At(*g, 3, 3).type = kDrop;
    g->cursorCol = 3;
    g->cursorRow = 2;
    g->swapDir = 1;
    StepInput(*g, ButtonsWith({tev::kButton1}));
    for (int i = 0; i < 40 && g->cart.row == 2; ++i) StepCart(*g);
    EXPECT_EQ(g->cart.row, 3);
    EXPECT_EQ(g->cart.dead, 0);
    // Start and goal never move; nor does a swap past the board's edge.
    g = Board(5, 5, 12.0f);
    g->cursorCol = 6;
    g->cursorRow = 5;
    StepInput(*g, ButtonsWith({tev::kButton1}));
    EXPECT_EQ(At(*g, 7, 5).type, kGoal);
    g->cursorCol = 7;
    g->cursorRow = 0;
    At(*g, 7, 0).type = kGem;
    StepInput(*g, ButtonsWith({tev::kButton1}));
    EXPECT_EQ(At(*g, 7, 0).type, kGem);
    g->cursorRow = 5;
    g->cursorCol = 0;
    StepInput(*g, ButtonsWith({tev::kButton2}));
    StepInput(*g, ButtonsWith({tev::kButton1}));  // lower neighbour: off the board
    EXPECT_EQ(At(*g, 0, 5).type, kTrack);
}

TEST(RailSwapRules, GoalThenRollingOffTheBoardStillClears) {
    TempDir dir;
    auto g = Board(6, 5, 20.0f);
    g->file.Load(dir.File("hs.txt").c_str());
    g->highScore = 100;
    tev::Rand15 rng{1};
    tevtest::RecordingSink out;
    int frames = 0;
    while (g->state == kPlay && frames < 2000) {
        Frame(*g, {}, rng, out);
        ++frames;
    }
    ASSERT_EQ(g->state, kCleared);
    EXPECT_EQ(g->cart.dead, 1);  // it left the board to the right
    EXPECT_GE(g->cart.row, 9);
    // The cleared screen scores on its first frame.
    Frame(*g, {}, rng, out);
    EXPECT_EQ(g->scoreT, kStartTime - frames);
    EXPECT_EQ(g->total, g->scoreP + g->scoreQ + g->scoreR + g->scoreT);
    EXPECT_TRUE(g->newRecord);
    EXPECT_EQ(g->highScore, g->total);
    // A held button does not end the screen while it slides in; once in,
    // a release frame is ignored and a press ends it.
    EXPECT_EQ(Frame(*g, ButtonsWith({tev::kButton1}), rng, out), 0);
    for (int i = 0; i < 20; ++i) Frame(*g, {}, rng, out);
    EXPECT_EQ(Frame(*g, ButtonsWith({tev::kButton1}, -1), rng, out), 0);
    EXPECT_EQ(Frame(*g, ButtonsWith({tev::kButton1}), rng, out), 1);
    EXPECT_EQ(Finish(*g), 1);
    const std::string bytes = ReadAll(dir.File("hs.txt"));
    ASSERT_EQ(bytes.size(), 4u);
    int32_t stored = 0;
    std::memcpy(&stored, bytes.data(), 4);
    EXPECT_EQ(stored, g->total);
}

TEST(RailSwapRules, FallingOffWithoutTheGoalIsLost) {
    auto g = Board(7, 2, 30.0f);
    tev::Rand15 rng{1};
    tevtest::RecordingSink out;
    for (int i = 0; i < 2000 && g->state == kPlay; ++i) Frame(*g, {}, rng, out);
    EXPECT_EQ(g->state, kLost);
    // The lost screen ends by itself on its 514th frame after sliding in.
    int frames = 0;
    while (Frame(*g, {}, rng, out) == 0 && frames < 1000) ++frames;
    EXPECT_EQ(frames + 1, kSlide + kLostWait);
    EXPECT_EQ(g->state, kTitle);
    EXPECT_EQ(Finish(*g), 0);
}

TEST(RailSwapRules, ScoreTermsIncludingTheFullTour) {
    EXPECT_EQ(DirectBonus(2), 256 * 256);
    EXPECT_EQ(DirectBonus(3), 170 * 170);
    EXPECT_EQ(DirectBonus(0), 0);
    EXPECT_EQ(DetourBonus(2), 11 * 11);
    EXPECT_EQ(DetourBonus(46), 256 * 256);
    EXPECT_EQ(DetourBonus(47), 512 * 512);
    EXPECT_EQ(DetourBonus(48), kFullTourBonus);
    EXPECT_GT(DetourBonus(48), DetourBonus(47));
    Game g;
    g.visited = 48;
    g.gems = 3;
    g.timeLeft = 1234;
    g.highScore = INT32_MAX;
    MakeScore(g);
    EXPECT_EQ(g.total, 10 * 10 + kFullTourBonus + 600 + 1234);
    EXPECT_FALSE(g.newRecord);
    EXPECT_EQ(g.highScore, INT32_MAX);
    // Numbers: right-aligned on x 240, ten pixels a digit; 0 is one digit.
    tevtest::RecordingSink out;
    DrawNumber(out, 0, 48);
    DrawNumber(out, 305, 60);
    const auto blits = out.Blits();
    ASSERT_EQ(blits.size(), 4u);
    EXPECT_EQ(blits[0].x, 240);
    EXPECT_EQ(blits[0].src.x, img::kDigits.x);
    EXPECT_EQ(blits[1].x, 240);
    EXPECT_EQ(blits[1].src.x, img::kDigits.x + 40);
    EXPECT_EQ(blits[3].x, 220);
    EXPECT_EQ(blits[3].src.x, img::kDigits.x + 24);
}

TEST(RailSwapRules, NewBoardDealsTheFixedMixAroundStartAndGoal) {
    Game g;
    tev::Rand15 rng{1000000};
    NewGame(g, rng);
    std::map<int, int> count;
    for (const Tile& t : g.tiles) {
        ++count[t.type];
        EXPECT_EQ(t.age, 0);
    }
    EXPECT_EQ(At(g, 0, 0).type, kStart);
    EXPECT_EQ(At(g, 1, 0).type, kTrack);
    EXPECT_EQ(At(g, 7, 5).type, kGoal);
    EXPECT_EQ(count[kGem], 1);
    EXPECT_EQ(count[kPit], 1);
    EXPECT_EQ(count[kDrop], 7);
    EXPECT_EQ(count[kTurn], 7);
    EXPECT_EQ(count[kTrack], 30);
    Game again;
    tev::Rand15 same{1000000};
    NewGame(again, same);
    for (int i = 0; i < kTileCount; ++i) EXPECT_EQ(again.tiles[i].type, g.tiles[i].type);
    EXPECT_EQ(g.cursorCol, 4);
    EXPECT_EQ(g.cursorRow, 3);
    EXPECT_EQ(g.timeLeft, kStartTime);
}

TEST(RailSwapRules, BestScoreFileMissingReadAndRewritten) {
    TempDir dir;
    Game g;
    Start(g, dir.File("hs.txt").c_str());
    EXPECT_EQ(g.highScore, 0);
    std::ofstream(dir.File("hs.txt"), std::ios::binary).write("\x39\x30\x00\x00garbage", 11);
    Game h;
    Start(h, dir.File("hs.txt").c_str());
    EXPECT_EQ(h.highScore, 12345);
    EXPECT_EQ(Finish(h), 0);
    EXPECT_EQ(ReadAll(dir.File("hs.txt")), std::string("\x39\x30\x00\x00", 4));
}

}  // namespace
