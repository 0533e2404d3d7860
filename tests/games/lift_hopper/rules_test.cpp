// Lift hopper's rules without the host: the lift grace, riding lifts both
// ways, the top of the screen, revealed coins, the clear bonus, a missing
// stage file, and the shipped stages (their shape, and a planned clear of
// each).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "games/lift_hopper/lift_hopper_rules.h"
#include "tests/games/lift_hopper/plan.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace lift_hopper;
using tevtest::RecordingSink;

constexpr int kCell = kTile;

tev::Buttons Keys(bool right, bool left, bool jump) {
    tev::Buttons b;
    if (right) b.count[tev::kRight] = 2;
    if (left) b.count[tev::kLeft] = 2;
    if (jump) b.count[tev::kButton1] = 1;
    return b;
}

void SetTile(Game& g, int col, int row, int tile) { g.tiles[(row + 1) * kFileCols + col + 1] = static_cast<uint8_t>(tile); }

// A game in play on an empty screen, the player centred in screen cell (col, row).
Game InPlay(int col, int row) {
    Game g;
    g.screen = kPlay;
    g.player.px = col * kCell + kCell / 2;
    g.player.py = row * kCell + kCell / 2;
    return g;
}

// The player standing on a lift `width` tiles wide whose top-left is at (x, y).
void OnLift(Game& g, int x, int y, int width, int speed) {
    g.lifts[0] = Lift{true, x, y, speed, width};
    g.player.py = y - 800;
    g.player.standingLift = 0;
    g.player.liftGrace = 3;
}

std::string DistDir() { return std::filesystem::path(TEV_GAME_SO).parent_path().string(); }

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char pattern[] = "/tmp/lift_hopper_test_XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path / name, std::ios::binary) << bytes;
    }
};

// A stage file: the grid as tile digits, then the start cell and lift records.
std::string StageText(int goalCol, int startCol) {
    std::string s;
    for (int row = 0; row < kFileRows; ++row) {
        for (int col = 0; col < kFileCols; ++col) {
            char c = '0';
            if (row >= 14) c = '1';
            if (row == 13 && col == goalCol) c = '3';
            s += c;
        }
        s += '\n';
    }
    s += static_cast<char>('0' + startCol);
    s += static_cast<char>('0' + 13);
    return s;
}

TEST(LiftHopperRules, JumpStaysPossibleForTwoFramesAfterSteppingOffALift) {
    // An up lift in open air; the player walks off its left edge and presses
    // button 1 on frame `jumpAt` (never when negative). Returns the frame
    // whose landing first found no lift, and whether the jump happened.
    struct Run {
        int off = -1;
        bool jumped = false;
    };
    auto play = [](int jumpAt) {
        Run run;
        Game g = InPlay(10, 8);
        OnLift(g, 9 * kCell, 9 * kCell, 2, -30);
        g.player.px = 9 * kCell + 400;
        tevtest::NullSink out;
        for (int f = 0; f < 40 && !run.jumped; ++f) {
            const bool jump = f == jumpAt;
            Frame(g, Keys(false, !jump, jump), out);
            run.jumped = jump && g.player.vy < 0;
            if (run.off < 0 && g.player.liftGrace == 2 && g.player.vy > 0) run.off = f;
        }
        return run;
    };
    const int off = play(-1).off;
    ASSERT_GT(off, 0);
    EXPECT_TRUE(play(off).jumped) << "the frame of stepping off";
    EXPECT_TRUE(play(off + 1).jumped) << "the frame after it (grace 2)";
    EXPECT_FALSE(play(off + 2).jumped) << "grace 1";
    EXPECT_FALSE(play(off + 3).jumped);
}

TEST(LiftHopperRules, DownLiftCarriesAndUpLiftLifts) {
    tevtest::NullSink out;
    Game down = InPlay(10, 4);
    OnLift(down, 9 * kCell, 5 * kCell, 2, 40);
    Game up = InPlay(10, 9);
    OnLift(up, 9 * kCell, 10 * kCell, 2, -40);
    for (int f = 0; f < 120; ++f) {
        Frame(down, Keys(false, false, false), out);
        Frame(up, Keys(false, false, false), out);
        // Riding down alternates between standing on the top and 1/10 pixel
        // below it (the landing test wants the feet inside the lift).
        EXPECT_GE(down.player.py, down.lifts[0].y - 800);
        EXPECT_LE(down.player.py, down.lifts[0].y - 800 + 10);
        EXPECT_EQ(up.player.py, up.lifts[0].y - 800) << "frame " << f;
        EXPECT_EQ(up.player.vy, 0);
        // Either way the player can jump off at any moment.
        EXPECT_TRUE(down.player.vy == 0 || down.player.liftGrace == 2);
    }
    EXPECT_EQ(down.dying, 0);
    EXPECT_EQ(up.dying, 0);
    EXPECT_EQ(down.player.standingLift, 0);
    EXPECT_GE(down.player.py, 5 * kCell - 800 + 40 * 120);
    EXPECT_EQ(up.player.py, 10 * kCell - 800 - 40 * 120);

    // Ridden up under a tile, the player is squashed.
    Game squash = InPlay(10, 9);
    OnLift(squash, 9 * kCell, 10 * kCell, 2, -40);
    SetTile(squash, 10, 3, kSolid2);
    int f = 0;
    while (squash.dying == 0 && f < 400) Frame(squash, Keys(false, false, false), out), ++f;
    EXPECT_EQ(squash.dying, 1);
    EXPECT_GE(squash.player.py - 799, 3 * kCell) << "the head inside the tile";
    EXPECT_LT(squash.player.py - 799, 4 * kCell);
}

TEST(LiftHopperRules, PlayerStopsAtTheTopOfTheScreen) {
    tevtest::NullSink out;
    Game g = InPlay(5, 1);  // standing on a floor at screen row 2
    for (int col = 0; col < kScreenCols; ++col) SetTile(g, col, 2, kSolid1);
    Frame(g, Keys(false, false, false), out);
    ASSERT_EQ(g.player.py, 2400);
    Frame(g, Keys(false, false, true), out);
    int top = g.player.py;
    bool stopped = false;
    for (int f = 0; f < 60; ++f) {
        Frame(g, Keys(false, false, false), out);
        top = std::min(top, g.player.py);
        stopped |= g.player.py == kTop;
    }
    EXPECT_EQ(top, kTop);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(g.player.py, 2400) << "back on the floor";
    EXPECT_EQ(g.dying, 0);
}

TEST(LiftHopperRules, RevealedCoinWaitsTwentyFramesAndTheBonusComesOnce) {
    // Under a low ceiling the jump only bumps, so the player stays next to
    // the coin the jump reveals.
    Game g = InPlay(5, 10);
    for (int col = 0; col < kScreenCols; ++col) SetTile(g, col, 11, kSolid1), SetTile(g, col, 9, kSolid2);
    g.items[0] = Item{true, kHiddenCoin, g.player.px + 500, g.player.py, 0};
    g.items[1] = Item{true, kHiddenCoin, g.player.px + 700, g.player.py, 0};  // too far
    SetTile(g, 7, 10, kGoal);
    RecordingSink out;
    Frame(g, Keys(false, false, false), out);
    Frame(g, Keys(false, false, true), out);
    EXPECT_EQ(g.items[0].kind, kCoin);
    EXPECT_EQ(g.items[1].kind, kHiddenCoin);
    EXPECT_EQ(out.PlayCount(kJumpSound), 1);
    for (int f = 1; f < kCoinTimer; ++f) {
        Frame(g, Keys(false, false, false), out);
        ASSERT_TRUE(g.items[0].active) << f;
    }
    out.Clear();
    Frame(g, Keys(false, false, false), out);
    EXPECT_FALSE(g.items[0].active);
    EXPECT_EQ(g.score, kCoinScore);
    EXPECT_EQ(out.PlayCount(kCoinSound), 1);

    // Walk onto the goal: the time left then is the bonus, added once.
    int bonus = -1;
    while (g.dying == 0) {
        bonus = g.timeLeft - 1;
        Frame(g, Keys(true, false, false), out);
    }
    ASSERT_LT(g.dying, 0);
    EXPECT_EQ(g.score, kCoinScore + bonus);
    bool shown = false;
    for (int f = 0; f < kClearFrames - 1; ++f) {
        out.Clear();
        EXPECT_EQ(Frame(g, Keys(true, false, f % 2 == 0), out), 0);
        shown |= out.HasExactText("BONUS        " + std::to_string(bonus).insert(0, 8 - std::to_string(bonus).size(), ' '));
        EXPECT_TRUE(out.HasExactText("Stage1 Clear"));
    }
    EXPECT_TRUE(shown);
    EXPECT_EQ(g.score, kCoinScore + bonus);
    EXPECT_EQ(g.stage, 1);
}

TEST(LiftHopperRules, MissingLaterStageIsEmptyAndThePlayerFallsToGameOver) {
    TempDir dir;
    dir.Write("stage1.dat", StageText(4, 2) + "\n");
    Game g;
    std::snprintf(g.folder, sizeof g.folder, "%s", dir.path.c_str());
    tev::ScoreFile none;
    ASSERT_EQ(Start(g, none), 0);
    RecordingSink out;
    Frame(g, Keys(false, false, true), out);  // the title
    EXPECT_EQ(out.PlayCount(kMusic), 1);
    int frames = 0;
    while (g.stage == 1 && frames++ < 1000) Frame(g, Keys(true, false, false), out);
    ASSERT_EQ(g.stage, 2);
    for (uint8_t t : g.tiles) ASSERT_EQ(t, kEmpty);
    for (const Lift& l : g.lifts) ASSERT_FALSE(l.active);
    EXPECT_EQ(g.timeLeft, kStageTime);

    // Stage 2: only the sky and the hopper, who falls until the fall is fatal.
    out.Clear();
    Frame(g, Keys(false, false, false), out);
    EXPECT_TRUE(out.Blitted(kTexture, tip::kHeroStand));
    for (const auto& b : out.Blits()) EXPECT_TRUE(b.src.y == 0 || b.src.x != tip::kBrick.x) << "a tile drawn";
    frames = 0;
    while (g.dying == 0 && frames++ < 100) Frame(g, Keys(false, false, false), out);
    EXPECT_EQ(g.dying, 1);
    out.Clear();
    Frame(g, Keys(false, false, false), out);
    EXPECT_EQ(out.PlayCount(kDeadSound), 1);
    EXPECT_EQ(out.Count("Stop"), 1);
    while (g.screen == kPlay) Frame(g, Keys(false, false, false), out);
    out.Clear();
    EXPECT_EQ(Frame(g, Keys(false, false, false), out), 0);
    EXPECT_TRUE(out.HasExactText("Game Over"));
    EXPECT_EQ(Frame(g, Keys(false, false, true), out), 1);
    EXPECT_EQ(g.result, kGameOverResult);
}

TEST(LiftHopperRules, StageOneMissingFailsTheStart) {
    TempDir dir;
    Game g;
    std::snprintf(g.folder, sizeof g.folder, "%s", dir.path.c_str());
    tev::ScoreFile none;
    EXPECT_EQ(Start(g, none), -1);
}

TEST(LiftHopperRules, StageReaderSkipsOtherCharactersAndCapsLifts) {
    // Tile values, then the start, then 20 lift records: only 16 fit.
    std::string text;
    int n = 0;
    for (char c : StageText(4, 2)) {
        text += c;
        if (++n % 7 == 0) text += "\xC8 ";
    }
    text += "\r\n";
    for (int i = 0; i < 20; ++i) text += "55213 ";
    Game g;
    ParseStage(g, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    EXPECT_EQ(g.player.px, kCell + 800);
    EXPECT_EQ(g.player.py, 12 * kCell + 800);
    int active = 0;
    for (const Lift& l : g.lifts) active += l.active;
    EXPECT_EQ(active, kLiftCount);
    EXPECT_EQ(g.lifts[0].x, 4 * kCell);
    EXPECT_EQ(g.lifts[0].y, 4 * kCell);
    EXPECT_EQ(g.lifts[0].width, 2);
    EXPECT_EQ(g.lifts[0].speed, -30);
    EXPECT_EQ(TileAt(g, 3 * kCell, 12 * kCell), kGoal);
}

// The shipped stages: values in range, the start on an empty cell with
// ground below, lifts inside the screen; and each cleared by its plan.
const char* const kStagePlans[kStageCount] = {
    "R37 RJ60 R20 RJ40 R400",
    "R120 W180 R67 J1 W45 R20 W32 R300",
    "R54 RJ40 R14 W50 R295 J1 W45 R20 W115 R20 W178 R60 RJ40 R100",
    "R52 W100 R296 J1 W45 R52 W18 R400",
    "R40 W20 R28 W130 R20 W60 R61 J1 W45 R23 RJ40 R5 W165 R200",
};

TEST(LiftHopperStages, ShippedStagesAreWellFormedAndClearedByTheirPlans) {
    int lastFrames = 0;
    for (int stage = 1; stage <= kStageCount; ++stage) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        std::ifstream in(DistDir() + "/stage" + std::to_string(stage) + ".dat", std::ios::binary);
        ASSERT_TRUE(in);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        int values = 0, goals = 0, coins = 0, hidden = 0;
        for (unsigned char c : bytes) {
            if (c < 48 || c > 127) continue;
            if (values < kTileValues) {
                EXPECT_LE(c - 48, 9) << "tile value " << values;
                goals += c - 48 == kGoal;
                coins += c - 48 == 9;
                hidden += c - 48 == 8;
            }
            ++values;
        }
        EXPECT_EQ((values - kTileValues - 2) % 5, 0);
        EXPECT_EQ(goals, 1);
        EXPECT_GE(coins, 3);
        EXPECT_EQ(hidden, 1);

        Game g;
        std::snprintf(g.folder, sizeof g.folder, "%s", DistDir().c_str());
        ASSERT_TRUE(LoadStage(g, stage));
        const Player start = g.player;
        EXPECT_EQ(TileAt(g, start.px, start.py), kEmpty);
        EXPECT_TRUE(SolidAt(g, start.px, start.py + kCell));
        EXPECT_GE(start.px, 0);
        EXPECT_LT(start.px, 320 * kUnit);
        int lifts = 0;
        for (const Lift& l : g.lifts) {
            if (!l.active) continue;
            ++lifts;
            EXPECT_GE(l.x, 0);
            EXPECT_LE(l.x + kCell * l.width, 320 * kUnit);
            EXPECT_GE(l.y, -kCell);
            EXPECT_LE(l.y, kBottom);
            EXPECT_NE(l.speed, 0);
        }
        EXPECT_GE(lifts, stage == 1 ? 1 : 2);

        // The plan clears it well inside the minute.
        g.stage = stage;
        g.screen = kPlay;
        tevtest::NullSink out;
        int frames = 0;
        for (const tev::Buttons& b : lift_hopper_test::PlanFrames(kStagePlans[stage - 1])) {
            Frame(g, b, out);
            ++frames;
            if (g.dying != 0) break;
        }
        EXPECT_LT(g.dying, 0) << "not cleared; player at " << g.player.px << ", " << g.player.py;
        EXPECT_LT(frames, 1200) << "about 20 seconds for a player who knows the stage";
        EXPECT_GE(frames, lastFrames * 3 / 4) << "later stages take no less";
        lastFrames = frames;
    }
}

}  // namespace
