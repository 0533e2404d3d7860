#include "games/sweet_pairs/sweet_pairs_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/support/recording_sink.h"

using namespace sweet_pairs;
using tevtest::ButtonsWith;
using tevtest::RecordingSink;

namespace {

constexpr uint32_t kBase = 44100;

struct Play {
    std::unique_ptr<Game> g = std::make_unique<Game>();
    tev::Rand15 rng{1234};
    RecordingSink sink;

    Play() {
        Start(*g, rng, kBase, sink);
        Frame(*g, ButtonsWith({tev::kButton2}), rng, sink);  // leave the instructions
    }
    int Step(const tev::Buttons& b = {}) {
        sink.Clear();
        return Frame(*g, b, rng, sink);
    }
    // Idle frames until the pair timer reads below t.
    void RunPairTimeBelow(int t) {
        while (g->pair_time >= t) Step();
    }
    // Puts colours a (at the cursor) and b (right of it) under a horizontal
    // cursor at (c, r) and makes them the wanted pair.
    void PlacePair(int c, int r, int a, int b) {
        g->vertical = false;
        g->cc = c;
        g->cr = r;
        g->well[c][r] = a;
        g->well[c + 1][r] = b;
        g->want = {b, a};
    }
};

// A fresh well with colour 1 everywhere below row 6, so nothing falls.
void FillBottom(Game& g) {
    for (auto& column : g.well)
        for (int r = 0; r < kRows; ++r) column[r] = r < kFilledRows ? 1 : 0;
}

}  // namespace

TEST(SweetPairs, StartFillsSixRowsAndWaitsForButtonTwo) {
    auto g = std::make_unique<Game>();
    tev::Rand15 rng{99};
    RecordingSink sink;
    Start(*g, rng, kBase, sink);
    for (const auto& column : g->well)
        for (int r = 0; r < kRows; ++r) {
            if (r < kFilledRows) {
                EXPECT_GE(column[r], 1);
                EXPECT_LE(column[r], kColours);
            } else {
                EXPECT_EQ(column[r], 0);
            }
        }
    ASSERT_EQ(sink.Count("Play"), 1);
    EXPECT_EQ(sink.Calls("Play")[0].Int(0), kSoundMusic);
    EXPECT_EQ(sink.Calls("Play")[0].Int(1), 1);  // looping

    // Button 1 and arrows do nothing on the instructions screen.
    sink.Clear();
    Frame(*g, ButtonsWith({tev::kButton1, tev::kLeft}), rng, sink);
    EXPECT_EQ(g->state, kInstructions);
    EXPECT_TRUE(sink.HasText("25"));
    Frame(*g, ButtonsWith({tev::kButton2}), rng, sink);
    EXPECT_EQ(g->state, kPlaying);
    EXPECT_EQ(g->time_left, kStageFrames);
}

TEST(SweetPairs, TakenPairLeavesHolesThatFallOneCellEverySixthFrame) {
    Play p;
    FillBottom(*p.g);
    // Column 2 and 3, row 1: a red-orange pair with four candies above each.
    p.PlacePair(2, 1, 1, 2);
    p.g->well[2][2] = 3;
    p.g->well[3][5] = 4;
    p.RunPairTimeBelow(kPairReady);
    // Take it on a frame whose fall step comes first, so the next fall is
    // six frames on.
    while (p.g->time_left % kFallEvery != 1) p.Step();
    p.Step(ButtonsWith({tev::kButton1}));
    EXPECT_EQ(p.g->pairs_left, kQuota - 1);
    EXPECT_EQ(p.g->well[2][1], 0);
    EXPECT_EQ(p.g->well[3][1], 0);

    // Five frames later nothing has moved; the sixth moves each stack one cell.
    for (int i = 0; i < kFallEvery - 1; ++i) p.Step();
    EXPECT_EQ(p.g->well[2][1], 0);
    EXPECT_EQ(p.g->well[2][2], 3);
    p.Step();
    EXPECT_EQ(p.g->well[2][1], 3);
    EXPECT_EQ(p.g->well[3][4], 4);
    EXPECT_EQ(p.g->well[3][5], 0);
    // Rows 1 ... 4 moved together: one hole per column now sits at row 5.
    EXPECT_EQ(p.g->well[2][5], 0);
    EXPECT_EQ(p.g->well[2][4], 1);
    for (int i = 0; i < 3 * kFallEvery; ++i) p.Step();
    EXPECT_EQ(p.g->well[2][5], 0);
    EXPECT_EQ(p.g->well[2][4], 1);  // settled: no column has a gap
}

TEST(SweetPairs, ButtonOneIsIgnoredInThePairsFirstFifteenFrames) {
    Play p;
    FillBottom(*p.g);
    p.PlacePair(0, 0, 2, 3);
    p.RunPairTimeBelow(kPairReady + 2);
    ASSERT_EQ(p.g->pair_time, kPairReady + 1);  // 705 after the next frame's step
    p.Step(ButtonsWith({tev::kButton1}));  // 705: too early, not even a pass
    EXPECT_EQ(p.g->pairs_left, kQuota);
    EXPECT_EQ(p.g->pair_time, kPairReady);
    EXPECT_EQ(p.sink.Count("Play"), 0);
    p.Step(ButtonsWith({tev::kButton1}, 2));  // held, not pressed
    EXPECT_EQ(p.g->pairs_left, kQuota);
    p.Step();
    p.Step(ButtonsWith({tev::kButton1}));  // 702
    EXPECT_EQ(p.g->pairs_left, kQuota - 1);
    EXPECT_EQ(p.g->pair_time, 702 + kPairReward);
}

TEST(SweetPairs, WrongPairOrPassCostsThePairNextFrame) {
    for (bool pass : {false, true}) {
        SCOPED_TRACE(pass ? "pass on empty cells" : "wrong colours");
        Play p;
        FillBottom(*p.g);
        p.PlacePair(1, 0, 4, 5);
        p.RunPairTimeBelow(kPairReady);
        p.Step(ButtonsWith({tev::kButton1}));  // one good pair first: combo 1
        ASSERT_EQ(p.g->combo, 1);
        const int score = p.g->score;
        const auto next = p.g->next;
        p.RunPairTimeBelow(kPairReady);
        // Wrong colours, or the cursor over two empty cells.
        p.g->want = {2, 3};
        if (pass) p.g->cr = 9;
        else p.g->well[1][0] = p.g->well[2][0] = 4;
        p.Step(ButtonsWith({tev::kButton1}));
        EXPECT_EQ(p.g->pair_time, 0);
        EXPECT_EQ(p.g->combo, 1);
        EXPECT_EQ(p.sink.Count("Play"), 0);

        const auto before = p.g->well;
        p.Step();
        EXPECT_EQ(p.g->pair_time, kPairFrames);
        EXPECT_EQ(p.g->combo, 0);
        EXPECT_EQ(p.g->score, score);
        EXPECT_EQ(p.g->pairs_left, kQuota - 1);
        EXPECT_EQ(p.g->want, next);
        EXPECT_EQ(p.g->shown_total, 100);
        EXPECT_EQ(p.g->state, kPlaying);
        for (int c = 0; c < kColumns; ++c)  // one candy more in every column
            EXPECT_EQ(kRows - std::count(p.g->well[c].begin(), p.g->well[c].end(), 0),
                      kRows - std::count(before[c].begin(), before[c].end(), 0) + 1);
        EXPECT_EQ(p.sink.Played(), std::vector<int>{kSoundMiss});
        EXPECT_TRUE(p.sink.HasText("TOTAL     100"));
        // The taken pair has parked beside the well by now and leaves.
        int leaving = 0;
        for (const Flyer& f : p.g->flyers) leaving += f.phase == kLeaving;
        EXPECT_EQ(leaving, 2);
    }
}

TEST(SweetPairs, CaptureSoundRisesWithTheComboAndFlightsStackUp) {
    Play p;
    FillBottom(*p.g);
    for (int k = 0; k < 3; ++k) {
        p.RunPairTimeBelow(kPairReady);  // long enough for the last holes to close
        p.PlacePair(0, 0, 2, 5);
        p.Step(ButtonsWith({tev::kButton1}));
        const auto freq = p.sink.Calls("SetFrequency");
        ASSERT_EQ(freq.size(), 1u);
        EXPECT_EQ(freq[0].Int(0), kSoundCapture);
        EXPECT_EQ(static_cast<uint32_t>(freq[0].args[1]), kBase + 4096u * k);
        EXPECT_EQ(p.sink.Played(), std::vector<int>{kSoundCapture});
        EXPECT_EQ(p.g->score, 100 * (k + 1) * (k + 2) / 2);
    }
    // Each pair flies to its own rung of the stack: (210, 194 - 16 k) and 16 to the right.
    for (int i = 0; i < kFlightSteps + 2; ++i) p.Step();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(p.g->flyers[2 * k].phase, kParked);
        EXPECT_EQ(p.g->flyers[2 * k].x, kParkX);
        EXPECT_EQ(p.g->flyers[2 * k].y, kParkY - 16 * k);
        EXPECT_EQ(p.g->flyers[2 * k + 1].x, kParkX + 16);
        EXPECT_EQ(p.g->flyers[2 * k + 1].colour, 5);
    }

    // A missed pair resets the combo: the next capture plays at the base rate.
    p.g->pair_time = 1;
    p.Step();
    p.PlacePair(3, 3, 1, 1);
    p.RunPairTimeBelow(kPairReady);
    p.Step(ButtonsWith({tev::kButton1}));
    ASSERT_EQ(p.sink.Count("SetFrequency"), 1);
    EXPECT_EQ(static_cast<uint32_t>(p.sink.Calls("SetFrequency")[0].args[1]), kBase);
}

TEST(SweetPairs, LastPairClearsWithAHundredPointsPerSecondLeft) {
    Play p;
    FillBottom(*p.g);
    p.g->pairs_left = 1;
    p.g->combo = 4;
    p.g->score = 1000;
    p.g->time_left = 1001;  // 1000 after the step: 1000 * 100 / 60 = 1666
    p.g->pair_time = 100;
    p.PlacePair(4, 2, 3, 1);
    EXPECT_EQ(p.Step(ButtonsWith({tev::kButton1})), 0);
    EXPECT_EQ(p.g->state, kFinished);
    EXPECT_EQ(p.g->result, kResultCleared);
    EXPECT_EQ(p.g->score, 1000 + 500 + 1666);
    EXPECT_TRUE(p.sink.HasText("STAGE CLEARED!!"));

    // The clock stops on the end screen; button 2 held more than ten frames leaves.
    for (int n = 1; n <= kLeaveHold; ++n) EXPECT_EQ(p.Step(ButtonsWith({tev::kButton2}, n)), 0);
    EXPECT_EQ(p.g->time_left, 1000);
    EXPECT_EQ(p.Step(ButtonsWith({tev::kButton2}, kLeaveHold + 1)), 1);
    EXPECT_EQ(p.g->result, kResultCleared);
}

TEST(SweetPairs, FullColumnAtTimerExpiryFailsEvenOnTheLastPair) {
    Play p;
    FillBottom(*p.g);
    p.g->pairs_left = 1;
    for (int r = 0; r < kRows; ++r) p.g->well[3][r] = 2;  // one column full to the top
    p.g->pair_time = 1;
    p.Step();
    EXPECT_EQ(p.g->state, kFinished);
    EXPECT_EQ(p.g->result, kResultFailed);
    EXPECT_TRUE(p.sink.HasText("STAGE FAILED..."));
    // A column whose top is free is no failure: the same expiry one row lower.
    Play q;
    FillBottom(*q.g);
    for (int r = 0; r < kRows - 1; ++r) q.g->well[3][r] = 2;
    q.g->pair_time = 1;
    q.Step();
    EXPECT_EQ(q.g->state, kPlaying);
    EXPECT_NE(q.g->well[3][kRows - 1], 0);  // now it is full
}

TEST(SweetPairs, TimeOutFailsAfterTheFrameCompletes) {
    Play p;
    FillBottom(*p.g);
    p.g->time_left = 2;
    p.g->pairs_left = 3;
    p.PlacePair(0, 0, 1, 1);
    p.g->pair_time = 300;
    p.Step();
    EXPECT_EQ(p.g->state, kPlaying);
    p.Step(ButtonsWith({tev::kButton1}));  // the last frame still takes the pair
    EXPECT_EQ(p.g->state, kFinished);
    EXPECT_EQ(p.g->pairs_left, 2);
    EXPECT_EQ(p.g->result, kResultFailed);  // set by the end screen
    EXPECT_TRUE(p.sink.HasText("STAGE FAILED..."));
}

TEST(SweetPairs, CursorRepeatsLimitsAndTurns) {
    Play p;
    Game& g = *p.g;
    // Held right: the press, then every fourth count above eight.
    g.cc = 0;
    for (int n = 1; n <= 16; ++n) p.Step(ButtonsWith({tev::kRight}, n));
    EXPECT_EQ(g.cc, 3);  // counts 1, 12, 16
    p.Step(ButtonsWith({tev::kRight}));
    p.Step(ButtonsWith({tev::kRight}));
    EXPECT_EQ(g.cc, 4);  // a horizontal cursor stops one short of the wall
    // Turning at the bottom row lifts it; vertical reaches column 5 but not row 0.
    g.cr = 0;
    p.Step(ButtonsWith({tev::kButton2}));
    EXPECT_TRUE(g.vertical);
    EXPECT_EQ(g.cr, 1);
    EXPECT_EQ(p.sink.Played(), std::vector<int>{kSoundChange});
    p.Step(ButtonsWith({tev::kRight}));
    p.Step(ButtonsWith({tev::kDown}));
    EXPECT_EQ(g.cc, 5);
    EXPECT_EQ(g.cr, 1);
    // Turning back at the right wall pulls it in; the top row is the limit up.
    p.Step(ButtonsWith({tev::kButton2}));
    EXPECT_FALSE(g.vertical);
    EXPECT_EQ(g.cc, 4);
    g.cr = 11;
    p.Step(ButtonsWith({tev::kUp}));
    EXPECT_EQ(g.cr, 11);
}
