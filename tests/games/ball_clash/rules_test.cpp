#include "games/ball_clash/ball_clash_rules.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/recording_sink.h"

using namespace ball_clash;
using tevtest::ButtonsWith;
using tevtest::RecordingSink;

namespace {

// A stage in play with an empty table; the pusher in its start spot.
Game Playing(int stage) {
    Game g;
    g.phase = 10 * stage + kPlay;
    g.timer = kStageFrames;
    return g;
}

Ball& Put(Game& g, int i, double x, double y, int hits = 1, int spin = 1) {
    Ball& b = g.balls[i];
    b = Ball{};
    b.hits = hits;
    b.x = x;
    b.y = y;
    b.spin = spin;
    return b;
}

struct Table {
    RecordingSink sink;
    tev::Rand15 rand{7};
    int Step(Game& g, const tev::Buttons& buttons = {}) {
        sink.Clear();
        return Frame(g, buttons, rand, sink);
    }
};

TEST(BallClashEnd, LastTwoBallsVanishingInOneClashClearTheStageEvenAsTimeRunsOut) {
    for (int timer : {kStageFrames, 1}) {
        Game g = Playing(4);
        g.timer = timer;
        Put(g, 10, 50, 50, 3);
        Put(g, 40, 60, 50, 3);
        Table run;
        EXPECT_EQ(run.Step(g), 0);
        EXPECT_EQ(LiveBalls(g), 0);
        EXPECT_EQ(g.phase, 43) << "timer " << timer;
        EXPECT_EQ(g.timer, kResultFrames);
        EXPECT_EQ(run.sink.Played().back(), sound::kClear);
    }
}

TEST(BallClashEnd, OneBallLeftOrNoTimeLeftFailsAtOnce) {
    // Two balls vanish together, the third can never meet another.
    Game g = Playing(2);
    Put(g, 0, 50, 50, 3);
    Put(g, 1, 60, 50, 3);
    Put(g, 2, 250, 200);
    Table run;
    run.Step(g);
    EXPECT_EQ(g.phase, 24);
    EXPECT_EQ(g.timer, kResultFrames);

    // Two balls apart: play goes on until the last frame of the time.
    Game t = Playing(0);
    Put(t, 0, 50, 50);
    Put(t, 1, 250, 200);
    t.timer = 2;
    run.Step(t);
    EXPECT_EQ(t.phase, kPlay);
    run.Step(t);
    EXPECT_EQ(t.phase, kFailed);
    EXPECT_EQ(run.sink.Played().back(), sound::kFail);
}

TEST(BallClashMotion, BallsDriftAndSpinOnEveryScreenButThePusherShovesOnlyInPlay) {
    for (int step : {kTitle, kReady, kPlay, kCleared, kFailed}) {
        Game g;
        g.phase = 30 * (step != kTitle) + step;
        g.timer = 100;
        Ball& near = Put(g, 5, kPusherStartX + 9, kPusherStartY + 12, 1, 359);
        near.vx = 1;
        near.vy = 0;
        near.angle = 0;
        Table run;
        run.Step(g);
        EXPECT_DOUBLE_EQ(g.balls[5].y, kPusherStartY + 12) << "step " << step;
        EXPECT_EQ(g.balls[5].angle, 359) << "step " << step;
        if (step == kPlay) {
            // 5 along the line from the pusher (moved after the balls).
            EXPECT_NEAR(g.balls[5].vx, 5 * 10 / std::hypot(10, 12), 1e-9);
            EXPECT_NEAR(g.balls[5].vy, 5 * 12 / std::hypot(10, 12), 1e-9);
        } else {
            EXPECT_DOUBLE_EQ(g.balls[5].x, kPusherStartX + 10) << "step " << step;
            EXPECT_DOUBLE_EQ(g.balls[5].vx, 1) << "step " << step;
            EXPECT_DOUBLE_EQ(g.balls[5].vy, 0) << "step " << step;
        }
    }
}

TEST(BallClashMotion, EdgesMirrorPositionAndTurnVelocityInward) {
    Game g;
    Ball& a = Put(g, 0, 9, 231);
    a.vx = -3;
    a.vy = 3;
    Ball& b = Put(g, 1, 311, 9);
    b.vx = 4;
    b.vy = -4;
    MoveBalls(g);
    const double want[2][4] = {{10, 3, 230, -3}, {309, -4, 11, 4}};
    for (int i = 0; i < 2; ++i) {
        const Ball& m = g.balls[i];
        EXPECT_DOUBLE_EQ(m.x, want[i][0]);
        EXPECT_DOUBLE_EQ(m.vx, want[i][1]);
        EXPECT_DOUBLE_EQ(m.y, want[i][2]);
        EXPECT_DOUBLE_EQ(m.vy, want[i][3]);
    }
}

TEST(BallClashCollision, EachClashQuadruplesSpinBothWaysAndTheThirdRemovesTheBall) {
    Game g;
    Ball& a = Put(g, 0, 100, 100, 1, 1);
    Ball& b = Put(g, 1, 110, 100, 1, 359);
    a.angle = b.angle = 0;
    const int spins_a[] = {4, 16};
    const int spins_b[] = {1436, 5744};
    for (int clash = 0; clash < 2; ++clash) {
        g.balls[0].x = 100;
        g.balls[1].x = 110;
        g.balls[0].y = g.balls[1].y = 100;
        const Clashes c = CollideBalls(g);
        EXPECT_EQ(c.clashes, 1);
        EXPECT_EQ(g.balls[0].spin, spins_a[clash]);
        EXPECT_EQ(g.balls[1].spin, spins_b[clash]);
        EXPECT_EQ(g.balls[0].hits, 2 + clash);
        // Bounced apart at speed 5 along the line between the centres.
        EXPECT_DOUBLE_EQ(g.balls[0].vx, -5);
        EXPECT_DOUBLE_EQ(g.balls[1].vx, 5);
        const int before_a = g.balls[0].angle, before_b = g.balls[1].angle;
        MoveBalls(g);
        EXPECT_EQ((g.balls[0].angle - before_a + 360) % 360, spins_a[clash] % 360);
        // 1436 turns like -4 and 5744 like -16.
        EXPECT_EQ((before_b - g.balls[1].angle + 360) % 360, clash == 0 ? 4 : 16);
    }
    g.balls[0].x = 100;
    g.balls[1].x = 110;
    const Clashes last = CollideBalls(g);
    EXPECT_EQ(last.vanished, 2);
    EXPECT_EQ(LiveBalls(g), 0);
}

TEST(BallClashCollision, OneClashPerBallInTableOrderWithLiveBallsOnly) {
    // All three overlap: ball 0 takes its first partner (1), never 2; ball 1
    // then takes 2 in its own turn.
    Game g;
    Put(g, 0, 100, 100);
    Put(g, 1, 110, 100);
    Put(g, 2, 105, 108);
    const Clashes c = CollideBalls(g);
    EXPECT_EQ(c.clashes, 2);
    EXPECT_EQ(g.balls[0].hits, 2);
    EXPECT_EQ(g.balls[1].hits, 3);
    EXPECT_EQ(g.balls[2].hits, 2);
    EXPECT_EQ(g.balls[0].spin, 4);
    EXPECT_EQ(g.balls[1].spin, 16);
    EXPECT_DOUBLE_EQ(g.balls[0].vx, -5);  // away from 1, not from 2
    EXPECT_DOUBLE_EQ(g.balls[0].vy, 0);

    // A ball removed earlier in the frame is no partner for a later one.
    Game h;
    Put(h, 0, 100, 100);
    Put(h, 1, 118, 100);
    Put(h, 2, 110, 100, 3);
    CollideBalls(h);
    EXPECT_EQ(h.balls[0].hits, 2);
    EXPECT_EQ(h.balls[2].hits, 0);
    EXPECT_EQ(h.balls[1].hits, 1);
    EXPECT_EQ(h.balls[1].spin, 1);
}

TEST(BallClashCollision, CentresOnOneSpotGiveAFiniteShoveAndParting) {
    Game g = Playing(0);
    Put(g, 0, kPusherStartX, kPusherStartY);
    Put(g, 1, 50, 50);
    Put(g, 2, 50, 50);
    EXPECT_TRUE(PushBalls(g));
    EXPECT_DOUBLE_EQ(std::hypot(g.balls[0].vx, g.balls[0].vy), 5);
    CollideBalls(g);
    EXPECT_DOUBLE_EQ(g.balls[1].vx, 5);
    EXPECT_DOUBLE_EQ(g.balls[2].vx, -5);
    for (const Ball& b : g.balls) EXPECT_TRUE(std::isfinite(b.vx) && std::isfinite(b.vy));
}

TEST(BallClashStages, ClearingGivesALifeAndTheNextLayoutFailingCostsOneThenEndsTheGame) {
    Table run;
    Game g;
    g.phase = 10 * 0 + kCleared;
    g.timer = 1;
    g.px = 30;
    EXPECT_EQ(run.Step(g), 0);
    EXPECT_EQ(g.phase, 11);
    EXPECT_EQ(g.lives, kStartLives + 1);
    EXPECT_EQ(g.timer, kReadyFrames);
    EXPECT_DOUBLE_EQ(g.px, kPusherStartX);
    ASSERT_EQ(LiveBalls(g), 4);
    EXPECT_DOUBLE_EQ(g.balls[0].x, 137);
    EXPECT_DOUBLE_EQ(g.balls[3].y, 180);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(g.balls[i].spin == 1 || g.balls[i].spin == 359);
        EXPECT_DOUBLE_EQ(g.balls[i].vx, 0);
    }

    // Stage 2 failed: its own layout again, one life used.
    g.phase = 10 + kFailed;
    g.timer = 1;
    g.balls[2].hits = 0;
    run.Step(g);
    EXPECT_EQ(g.phase, 11);
    EXPECT_EQ(g.lives, kStartLives);
    EXPECT_EQ(LiveBalls(g), 4);

    // No lives left: the game ends with -1 and says so.
    g.phase = 10 + kFailed;
    g.timer = 1;
    g.lives = 0;
    EXPECT_EQ(run.Step(g), 1);
    EXPECT_EQ(g.result, kGameOver);
    EXPECT_TRUE(run.sink.HasText("game over"));

    // Stage 10 cleared: the game ends with 1.
    Game last;
    last.phase = 90 + kCleared;
    last.timer = 1;
    EXPECT_EQ(run.Step(last), 1);
    EXPECT_EQ(last.result, kAllCleared);
    EXPECT_EQ(LiveBalls(last), 0);
}

TEST(BallClashScreens, TitleReadyAndPlayDrawWhatAndWhereTheyShould) {
    Game g;
    tev::Rand15 seeded(1234);
    Start(g, seeded);
    Table run;
    run.sink.frameRate = 59.6;
    run.Step(g, ButtonsWith({tev::kButton2}));
    EXPECT_EQ(g.phase, kTitle);
    // The message in white over its dark outline, then the status lines.
    const auto texts = run.sink.Texts();
    ASSERT_EQ(texts.size(), 9u);
    const std::pair<int, const char*> expected[] = {{135, "press any key"}, {0, "zanki 3"}, {0, "stage 1"}, {290, "fps60"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(texts[5 + i].x, expected[i].first);
        EXPECT_EQ(texts[5 + i].text, expected[i].second);
    }
    const auto balls = run.sink.Calls("Rotate");
    ASSERT_EQ(balls.size(), 4u);
    EXPECT_EQ(balls[0].Int(1), 70);
    EXPECT_EQ(balls[0].Int(2), 120);
    EXPECT_EQ(balls[0].Int(5), object::kBall.x);
    EXPECT_NEAR(balls[0].args[9], g.balls[0].angle * 3.14159 / 180, 1e-12);
    EXPECT_TRUE(run.sink.Blitted(kSheet, object::kPusher));

    run.Step(g, ButtonsWith({tev::kButton1}));
    EXPECT_EQ(g.phase, kReady);
    for (int f = 0; f < kReadyFrames; ++f) run.Step(g);
    EXPECT_TRUE(run.sink.HasText("STAGE 1 READY?"));
    EXPECT_EQ(g.phase, kPlay);
    EXPECT_EQ(g.timer, kStageFrames);
    run.Step(g, ButtonsWith({tev::kLeft, tev::kUp}, 2));
    EXPECT_TRUE(run.sink.HasText("TIME  600"));
    EXPECT_DOUBLE_EQ(g.px, kPusherStartX - 2);
    EXPECT_DOUBLE_EQ(g.py, kPusherStartY - 2);
}

}  // namespace
