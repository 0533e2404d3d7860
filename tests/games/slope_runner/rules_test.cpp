// Slope runner's rules: the distance bands, the buttons away from objects,
// the lost stages (missed goal, the pit of stage 5, a hazard), the stage-end
// timers and Escape, played through the frame function.
#include <gtest/gtest.h>

#include "tests/games/slope_runner/plan.h"

using namespace slope_runner_test;

namespace {

// A stage in progress with the runner on the ground at (x, y).
Sim AtStage(int stage, float x, float y) {
    Sim s;
    s.game.state = stage;
    s.game.runner.x = x;
    s.game.runner.y = y;
    return s;
}

// Frames until the state leaves `from`, counting the frame given.
int FramesUntilLeaving(Sim& s, int from, std::set<int> first = {}) {
    int n = 0;
    s.Step(first);
    ++n;
    while (s.game.state == from && n < 2000) {
        s.Step({});
        ++n;
    }
    return n;
}

}  // namespace

TEST(SlopeRunnerRules, DistanceBandsIncludeTheirOuterEdge) {
    // Stage 1's first pick-up at (16, 176) and first jump spot at (112, 144).
    struct Case {
        float dx, dy;
        int pickup, jump;
    } cases[] = {{0, 0, 20, 40}, {3, 0, 20, 40}, {0, -3.5f, 10, 20}, {7, 0, 10, 20},
                 {5, 12, 5, 10}, {13, 0, 5, 10}, {13, 1, 0, 0}};
    for (const Case& c : cases) {
        Sim s = AtStage(1, 16 + c.dx, 176 + c.dy);
        s.Step({tev::kButton1});
        EXPECT_EQ(s.game.score, c.pickup) << c.dx << "," << c.dy;
        EXPECT_EQ(s.game.pickups, c.pickup ? 1 : 0);
        EXPECT_EQ(s.sink.PlayCount(sound::kPickup), c.pickup ? 1 : 0);
        EXPECT_EQ(s.game.stages[0].objects[0].kind, c.pickup ? kNoObject : kPickup);

        Sim j = AtStage(1, 112 + c.dx, 144 + c.dy);
        j.game.runner.runState = kAir;  // a jump spot above the ground path is pressed in the air
        j.Step({tev::kButton2});
        EXPECT_EQ(j.game.score, c.jump) << c.dx << "," << c.dy;
        EXPECT_EQ(j.game.jumps, c.jump ? 1 : 0);
        if (c.jump) {
            EXPECT_FLOAT_EQ(j.game.runner.vy, -2.0f + 0.0625f);
        }
    }
    // A taken object gives nothing the second time; a stopped runner takes nothing.
    Sim again = AtStage(1, 16, 176);
    again.Step({tev::kButton1});
    again.Step({});
    again.game.runner.x = 16;
    again.Step({tev::kButton1});
    EXPECT_EQ(again.game.score, 20);
    Sim stopped = AtStage(1, 16, 176);
    stopped.game.runner.runState = kStopped;
    stopped.Step({tev::kButton1});
    EXPECT_EQ(stopped.game.score, 0);
}

TEST(SlopeRunnerRules, ButtonsAwayFromEveryObjectDoNothing) {
    Sim s = AtStage(1, 40, 176);
    s.Step({tev::kButton1, tev::kButton2});
    EXPECT_EQ(s.game.score, 0);
    EXPECT_EQ(s.game.jumps, 0);
    EXPECT_EQ(s.game.runner.runState, kGround);
    EXPECT_FLOAT_EQ(s.game.runner.x, 41);
    EXPECT_FLOAT_EQ(s.game.runner.y, 176);
    EXPECT_TRUE(s.sink.Played().empty());
    // Held buttons are not presses.
    s.game.runner.x = 16;
    s.Step({tev::kButton1, tev::kButton2});
    EXPECT_EQ(s.game.score, 0);
}

TEST(SlopeRunnerRules, RunningPastTheFinalSpotLosesAfter150Frames) {
    Sim s = AtStage(1, 0, 176);
    int frames = 0;
    while (s.game.goalResult[1] == kGoalOpen && frames < 1000) {
        s.Step({});
        ++frames;
    }
    ASSERT_EQ(s.game.goalResult[1], kGoalMissed);
    EXPECT_GT(s.game.runner.x, 260);
    EXPECT_FLOAT_EQ(s.game.runner.y, 176);  // on the ground, never jumped
    EXPECT_EQ(s.game.runner.runState, kStopped);
    EXPECT_EQ(s.game.endTimer, 7);
    // The frame of the contact counts as the first of 150.
    EXPECT_EQ(FramesUntilLeaving(s, 1) + 1, 150);
    EXPECT_EQ(s.game.state, kGameOver);
    // Game over: all sounds stop on its first frame, and it ends with 2.
    s.Step({});
    EXPECT_EQ(s.sink.Count("StopAll"), 1);
    int n = 1;
    while (s.Step({}) == 0 && n < 500) ++n;
    EXPECT_EQ(n + 1, 200);
    EXPECT_EQ(s.end_value, 2);
}

TEST(SlopeRunnerRules, FinalJumpClearsTheStageAfter84Frames) {
    Sim s = AtStage(1, 256, 176);
    s.Step({tev::kButton2});
    EXPECT_EQ(s.game.score, 40);
    EXPECT_EQ(s.game.runner.runState, kFinalJump);
    while (s.game.goalResult[1] == kGoalOpen) s.Step({});
    EXPECT_EQ(s.game.endTimer, 7);
    EXPECT_EQ(FramesUntilLeaving(s, 1) + 1, 84);
    EXPECT_EQ(s.game.state, kIntro);
    EXPECT_EQ(s.game.savedStage, 1);
    EXPECT_EQ(s.sink.PlayCount(sound::kStageend), 1);
}

TEST(SlopeRunnerRules, HazardContactEndsTheGameAfter117Frames) {
    // Stage 3's cactus at (208, 160), approached on the ground.
    Sim s = AtStage(3, 200, 176);
    int frames = 0;
    while (s.game.endTimer == 0 && frames < 100) {
        s.Step({});
        ++frames;
    }
    EXPECT_EQ(s.game.stages[2].hazards[0].kind, kHazardATouched);
    EXPECT_EQ(s.game.runner.runState, kStopped);
    const float x = s.game.runner.x;
    EXPECT_GT(x, 208);
    // Only the hazard's own pass ends it: 117 frames after the contact's.
    EXPECT_EQ(FramesUntilLeaving(s, 3), 117);
    EXPECT_EQ(s.game.state, kGameOver);
    EXPECT_FLOAT_EQ(s.game.runner.x, x);  // stopped where it touched
}

TEST(SlopeRunnerRules, StageFivePitUnlessTheFirstSpotIsJumped) {
    Sim fall = AtStage(5, 0, 176);
    int frames = 0, fellAt = -1;
    while (fall.game.state == 5 && frames < 1000) {
        fall.Step({});
        ++frames;
        if (fellAt < 0 && fall.game.runner.runState == kAir) fellAt = static_cast<int>(fall.game.runner.x + 7) / 16;
    }
    EXPECT_EQ(fall.game.state, kGameOver);
    EXPECT_EQ(fellAt, 3);

    Sim jump = AtStage(5, 0, 176);
    while (jump.game.runner.x < 32) jump.Step({});
    jump.Step({tev::kButton2});
    EXPECT_EQ(jump.game.score, 40);
    for (int i = 0; i < 100; ++i) jump.Step({});
    EXPECT_EQ(jump.game.state, 5);
    EXPECT_GT(jump.game.runner.x, 64);
    EXPECT_LT(jump.game.runner.y, 176);  // up on the ledge beyond the pit
}

TEST(SlopeRunnerRules, EscapeEndsAtOnceFromAnyState) {
    for (int state : {int(kTitle), 1, 3, int(kIntro), int(kResults), int(kGameOver)}) {
        Sim s;
        s.game.state = state;
        EXPECT_EQ(s.Step({}, true), 2) << state;
        EXPECT_TRUE(s.sink.calls.empty()) << state;  // before the state's step
    }
}

TEST(SlopeRunnerRules, AGoodPlayerClearsAllFiveStages) {
    Sim s;
    PlayGame(s, 5);
    ASSERT_EQ(s.end_value, 1) << "cleared " << s.game.goalResult[1] << s.game.goalResult[2] << s.game.goalResult[3] << s.game.goalResult[4] << s.game.goalResult[5] << " x " << s.game.runner.x << " y " << s.game.runner.y;
    for (int b = 1; b <= kStages; ++b) EXPECT_EQ(s.game.goalResult[b], kGoalCleared) << b;
    EXPECT_GT(s.game.score, 370);
    // The stage tables are constants: a new game starts from them again.
    Game fresh;
    EXPECT_EQ(fresh.stages[0].objects[0].kind, kPickup);
}

TEST(SlopeRunnerRules, ResultScreenRanksAndEnds) {
    for (auto [score, src] : {std::pair{370, 304}, {371, 336}, {440, 336}, {540, 368}, {541, 400}}) {
        Sim s;
        s.game.state = kResults;
        s.game.score = score;
        s.Step({});
        EXPECT_TRUE(s.sink.Blitted(kSheet, {256, src, src == 400 ? 64 : 160, src == 400 ? 64 : 32})) << score;
        EXPECT_EQ(s.sink.Blitted(kSheet, {256, 272, 192, 32}), score <= 540) << score;
    }
    Sim s;
    s.game.state = kResults;
    int played = 0;
    while (s.Step({}) == 0) played += s.sink.PlayCount(sound::kResult);
    EXPECT_EQ(s.game.stateTimer, 960);
    EXPECT_EQ(s.end_value, 1);
    EXPECT_EQ(played, 5);
}

