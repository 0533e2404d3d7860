#include "games/arrow_sprint/arrow_sprint_rules.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/recording_sink.h"

using namespace arrow_sprint;

namespace {

using Rng = tev::Rand15;
using Buttons = tev::Buttons;

// The sink with the views these tests read.
struct Recorder : tevtest::RecordingSink {
    std::vector<tevtest::BlitCall> blits() const { return Blits(); }
    std::vector<tevtest::LineCall> lines() const { return Lines(); }
    std::vector<tevtest::TextCall> texts() const { return Texts(); }
    std::vector<int> sounds() const { return Played(); }
    int Count(int sound) const { return PlayCount(sound); }
};

Buttons Press(std::initializer_list<std::pair<int, int>> counts) {
    Buttons b;
    for (auto [button, count] : counts) b.count[button] = count;
    return b;
}

struct Fixture {
    std::unique_ptr<Game> g = std::make_unique<Game>();
    Rng rng;
    Recorder out;
    Fixture() { Start(*g, rng); }
    int Step(const Buttons& b = Buttons{}) {
        out.Clear();
        return Frame(*g, b, rng, out);
    }
    // Ready state until the runner stands on the ground, then start.
    void StartRunning() {
        for (int i = 0; i < 60; ++i) Step();
        Step(Press({{4, 1}}));
        ASSERT_EQ(g->state, kRunning);
    }
    void AllGround() {
        for (auto& c : g->course) c = 1;
    }
};

}  // namespace

TEST(ArrowSprint, StartingLayoutAndCourse) {
    Fixture f;
    const Game& g = *f.g;
    EXPECT_EQ(g.runner.w, 16);
    EXPECT_TRUE(g.runner.visible);
    for (int k = 0; k < kBlockCount; ++k) {
        EXPECT_EQ(g.blocks[k].x, 320 * k);
        EXPECT_EQ(g.blocks[k].y, 1800);
        EXPECT_EQ(g.blocks[k].u, kGroundU);
    }
    int gaps = 0;
    for (int i = 0; i < kCourseLength; ++i) {
        if (g.course[i] == 0) {
            ++gaps;
            if (i > 0) {
                EXPECT_EQ(g.course[i - 1], 1) << "two gaps at " << i;
            }
        }
    }
    EXPECT_GT(gaps, 20);
    for (int a : g.arrows) EXPECT_TRUE(a >= 0 && a < 4);
    EXPECT_EQ(tevtest::DrawsBetween(Rng(), f.rng), kArrowCount + kCourseLength);

    // A fresh generator in its initial state gives the same course again.
    Fixture again;
    EXPECT_EQ(again.g->course, g.course);
    EXPECT_EQ(again.g->arrows, g.arrows);

    // A gap only follows ground, whatever the draws say: a generator whose
    // first six course draws all ask for a gap (r % 9 == 1).
    const uint32_t seed = tevtest::SeedWhere([](Rng r) {
        for (int i = 0; i < kArrowCount; ++i) r.Next();
        for (int i = 0; i < 6; ++i)
            if (r.Next() % 9 != 1) return false;
        return true;
    });
    ASSERT_NE(seed, 0u);
    Fixture scripted;
    scripted.rng.Seed(seed);
    Start(*scripted.g, scripted.rng);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(scripted.g->course[i], i % 2) << i;
}

TEST(ArrowSprint, ReadyStateDropsTheRunnerAndWaitsForButton1) {
    Fixture f;
    for (int i = 0; i < 100; ++i) f.Step();
    EXPECT_EQ(f.g->state, kReady);
    // Standing: the runner sinks half a pixel and is put back every other
    // frame, always drawn on top of the ground.
    EXPECT_EQ(f.g->runner.y / 10, 164);
    EXPECT_FALSE(f.g->airborne);
    EXPECT_EQ(f.g->blocks[0].x, 0);
    EXPECT_EQ(f.g->frames, 0);
    ASSERT_EQ(f.out.texts().size(), 1u);
    EXPECT_EQ(f.out.texts()[0].text, kTitle);
    EXPECT_TRUE(f.out.sounds().empty());

    // Holding counts as well as a fresh press; the start frame does not jump.
    f.Step(Press({{4, 30}}));
    EXPECT_EQ(f.g->state, kRunning);
    EXPECT_FALSE(f.g->airborne);
    EXPECT_EQ(f.g->frames, 0);
    f.Step();
    EXPECT_EQ(f.g->frames, 1);
    EXPECT_TRUE(f.out.HasExactText("Time:1"));
}

TEST(ArrowSprint, ArrowsChangeTheSpeed) {
    Fixture f;
    f.StartRunning();
    Game& g = *f.g;
    g.frames = 0;  // next frame is frame 1, no decay on it
    const int target = g.arrows[0];
    const int next = g.arrows[1];

    f.Step(Press({{target, 1}}));
    EXPECT_EQ(g.speed, 10);
    EXPECT_EQ(g.arrow_pos, 1);
    EXPECT_EQ(f.out.sounds(), std::vector<int>{kSoundCorrect});
    // Held is not pressed.
    f.Step(Press({{next, 2}}));
    EXPECT_EQ(g.speed, 10);
    EXPECT_EQ(g.arrow_pos, 1);

    f.Step(Press({{(next + 1) % 4, 1}}));
    EXPECT_EQ(g.speed, 0);
    EXPECT_EQ(f.out.sounds(), std::vector<int>{kSoundWrong});

    // Right and wrong together: both count, the wrong one against the arrow
    // shown before the right one advanced it.
    g.speed = 30;
    const int now = g.arrows[g.arrow_pos];
    f.Step(Press({{now, 1}, {(now + 2) % 4, 1}}));
    EXPECT_EQ(g.speed, 30);
    EXPECT_EQ(f.out.Count(kSoundWrong), 1);
    EXPECT_EQ(f.out.Count(kSoundCorrect), 1);

    // The top is 60, and every fifth frame takes one off.
    g.speed = 55;
    g.frames = 8;
    f.Step(Press({{g.arrows[g.arrow_pos], 1}}));
    EXPECT_EQ(g.speed, 60);
    f.Step();
    EXPECT_EQ(g.frames, 10);
    EXPECT_EQ(g.speed, 59);
}

TEST(ArrowSprint, WrongArrowAtLowSpeedDipsBelowZeroUntilTheNextDecay) {
    Fixture f;
    f.StartRunning();
    Game& g = *f.g;
    g.speed = 5;
    g.frames = 0;
    const int wrong = (g.arrows[g.arrow_pos] + 1) % 4;
    f.Step(Press({{wrong, 1}}));
    EXPECT_EQ(g.speed, -5);
    // -5 / 20 is no push at all.
    EXPECT_EQ(g.blocks[0].ax, 0);
    EXPECT_EQ(f.out.lines()[0].x2, -10);
    f.Step();
    f.Step();
    f.Step();
    EXPECT_EQ(g.speed, -5);
    f.Step();
    EXPECT_EQ(g.frames, 5);
    EXPECT_EQ(g.speed, 0);
}

TEST(ArrowSprint, SpeedBandsDriveTheGround) {
    // Below 20 no push (the ground coasts to a stop), 20 ... 39 exactly
    // cancels the decay, 40 and more accelerates, up to 7 pixels a frame.
    struct Band {
        int speed, start_vx, vx_after_3;
    } bands[] = {{19, -30, -27}, {20, -30, -30}, {39, -30, -30}, {40, -30, -33}, {60, -68, -70}};
    for (const Band& band : bands) {
        Fixture f;
        f.AllGround();
        f.StartRunning();
        Game& g = *f.g;
        g.frames = 1;  // frames 2 ... 4 leave the speed alone
        g.speed = band.speed;
        for (Body& b : g.blocks) b.vx = band.start_vx;
        for (int i = 0; i < 3; ++i) f.Step();
        EXPECT_EQ(g.speed, band.speed);
        EXPECT_EQ(g.blocks[0].vx, band.vx_after_3) << "speed " << band.speed;
    }

    Fixture f;
    f.AllGround();
    f.StartRunning();
    Game& g = *f.g;
    g.speed = 60;
    for (int i = 0; i < 100; ++i) f.Step();
    EXPECT_GE(g.speed, 40);
    EXPECT_EQ(g.blocks[5].vx, -70);
    const int x = g.blocks[5].x;
    f.Step();
    EXPECT_LE(g.blocks[5].x - x, -70);
    EXPECT_GE(g.blocks[5].x - x, -73);
}

TEST(ArrowSprint, HoldingButton1JumpsAgainRightAfterLanding) {
    Fixture f;
    f.AllGround();
    f.StartRunning();
    Game& g = *f.g;
    f.Step(Press({{4, 2}}));
    EXPECT_TRUE(g.airborne);
    EXPECT_EQ(f.out.sounds(), std::vector<int>{kSoundJump});
    EXPECT_LT(g.runner.y, 1640);

    int frames = 0;
    while (g.airborne && frames < 200) {
        f.Step(Press({{4, 3 + frames}}));
        ++frames;
        if (g.airborne) {
            EXPECT_TRUE(f.out.sounds().empty());
        }
    }
    ASSERT_FALSE(g.airborne);
    EXPECT_EQ(g.runner.y, 1640);
    EXPECT_GT(frames, 10);
    f.Step(Press({{4, 250}}));
    EXPECT_TRUE(g.airborne);
    EXPECT_EQ(f.out.sounds(), std::vector<int>{kSoundJump});

    // A release (-1) counts too.
    while (g.airborne) f.Step();
    f.Step(Press({{4, -1}}));
    EXPECT_TRUE(g.airborne);
}

TEST(ArrowSprint, FallingIntoAGapFailsAndButton2Leaves) {
    Fixture f;
    f.AllGround();
    f.g->blocks[1].visible = 0;  // the block after the one under the runner
    f.StartRunning();
    Game& g = *f.g;
    for (Body& b : g.blocks) b.vx = -10;
    g.speed = 25;  // keeps one pixel a frame
    int frames = 0;
    while (g.state == kRunning && frames++ < 500) f.Step();
    ASSERT_EQ(g.state, kFailed);
    EXPECT_EQ(g.result, kResultFailed);
    EXPECT_EQ(f.out.Count(kSoundCrash), 1);
    EXPECT_TRUE(f.out.HasExactText("GAME OVER!"));
    EXPECT_TRUE(f.out.HasExactText("Push 2 Button"));

    // Nothing moves any more; button 1 does nothing; button 2 ends with 2.
    const int x = g.blocks[0].x;
    EXPECT_EQ(f.Step(Press({{4, 1}})), 0);
    EXPECT_EQ(g.blocks[0].x, x);
    auto r = f.Step(Press({{5, 1}}));
    EXPECT_EQ(r, kResultFailed);
    EXPECT_TRUE(f.out.blits().empty());
}

TEST(ArrowSprint, RunningIntoABlockSideCrashes) {
    Fixture f;
    f.AllGround();
    f.StartRunning();
    Game& g = *f.g;
    // The runner has sunk into a gap; the next block arrives from the right.
    g.blocks[0].visible = 0;
    g.blocks[1].x = 200;
    g.blocks[1].vx = -20;
    g.runner.y = 1700;
    g.runner.vy = 0;
    g.speed = 25;
    int frames = 0;
    while (g.state == kRunning && frames++ < 20) f.Step();
    ASSERT_EQ(g.state, kFailed);
    EXPECT_EQ(g.result, kResultFailed);
    EXPECT_EQ(f.out.Count(kSoundCrash), 1);
    EXPECT_EQ(g.runner.x, g.blocks[1].x - 160);
    for (const Body& b : g.blocks) EXPECT_EQ(b.vx, 0);
    auto r = f.Step(Press({{5, 3}}));
    EXPECT_EQ(r, kResultFailed);
}

TEST(ArrowSprint, GoalBlockAt480thRecycleAndClearAt489th) {
    Fixture f;
    f.AllGround();
    f.StartRunning();
    Game& g = *f.g;
    bool goal_seen = false;
    int frames = 0;
    while (g.state == kRunning && frames++ < 20000) {
        const int before = g.course_pos;
        // Keep the speed up with the right arrow every other frame.
        Buttons b;
        if (frames % 2 == 0) b.count[g.arrows[g.arrow_pos]] = 1;
        f.Step(b);
        if (g.course_pos != before) {
            ASSERT_EQ(g.course_pos, before + 1);
            int goals = 0;
            for (const Body& blk : g.blocks) goals += blk.u == kGoalU;
            if (g.course_pos < 480) {
                EXPECT_EQ(goals, 0) << g.course_pos;
            } else {
                EXPECT_EQ(goals, 1) << g.course_pos;
                goal_seen = true;
            }
        }
    }
    EXPECT_TRUE(goal_seen);
    ASSERT_EQ(g.state, kCleared);
    EXPECT_EQ(g.course_pos, kCourseEnd);
    EXPECT_EQ(g.result, kResultCleared);
    EXPECT_TRUE(f.out.HasExactText("CLEAR!"));
    EXPECT_TRUE(f.out.HasExactText("Push 2 Button"));
    // The blit of the goal block uses its own column.
    bool goal_drawn = false;
    for (const auto& blit : f.out.blits()) goal_drawn |= blit.src.x == kGoalU && blit.src.w == 32;
    EXPECT_TRUE(goal_drawn);

    const int frames_at_clear = g.frames;
    f.Step();
    EXPECT_EQ(g.frames, frames_at_clear);
    EXPECT_TRUE(f.out.HasExactText("Time:" + std::to_string(frames_at_clear)));
    // A clear takes over 1000 frames; the time still ends on the screen.
    ASSERT_GT(frames_at_clear, 999);
    for (const auto& t : f.out.texts()) {
        if (t.text.starts_with("Time:")) {
            EXPECT_LE(t.x + 5 * static_cast<int>(t.text.size()), 320);
        }
    }
    auto r = f.Step(Press({{5, 1}}));
    EXPECT_EQ(r, kResultCleared);
}

TEST(ArrowSprint, BodyStepAndOverlap) {
    Body b;
    b.vx = 75;
    StepHorizontal(b);
    EXPECT_EQ(b.x, 75);
    EXPECT_EQ(b.vx, 70);
    b.vx = -3;
    StepHorizontal(b);
    EXPECT_EQ(b.x, 72);
    EXPECT_EQ(b.vx, -2);

    // Leaving the top bounces; below the screen the body stays at 240.
    Body v;
    v.y = 5;
    v.vy = -20;
    StepVertical(v);
    EXPECT_EQ(v.y, 0);
    EXPECT_EQ(v.vy, 19);
    v.y = 2395;
    v.vy = 70;
    StepVertical(v);
    EXPECT_EQ(v.y, 2400);

    Body runner;
    runner.w = runner.h = 16;
    Body block;
    block.w = block.h = 32;
    block.visible = 1;
    block.y = 1800;
    runner.y = 1640;  // standing: touching edges do not overlap
    EXPECT_FALSE(Overlaps(runner, block));
    runner.y = 1650;
    EXPECT_TRUE(Overlaps(runner, block));
    block.visible = 0;
    EXPECT_FALSE(Overlaps(runner, block));
    block.visible = 1;
    block.x = 160;  // runner spans 0 ... 16, block from 16: touching
    EXPECT_FALSE(Overlaps(runner, block));
    block.x = 150;
    EXPECT_TRUE(Overlaps(runner, block));
}

TEST(ArrowSprint, DrawingOfIconsAndBars) {
    Fixture f;
    Game& g = *f.g;
    g.arrows[0] = 2;
    g.arrows[1] = 0;
    g.arrows[2] = 3;
    g.speed = 30;
    g.course_pos = 250;
    Draw(g, f.out);
    // runner, 11 blocks, two small arrows, the big one
    ASSERT_EQ(f.out.blits().size(), 15u);
    EXPECT_EQ(f.out.blits()[0].src.x, kRunnerU);
    EXPECT_EQ(f.out.blits()[0].src.w, 16);
    EXPECT_EQ(f.out.blits()[1].y, 180);
    EXPECT_EQ(f.out.blits()[12].x, 32);
    EXPECT_EQ(f.out.blits()[12].src, pic::kNextUp);
    EXPECT_EQ(f.out.blits()[13].x, 48);
    EXPECT_EQ(f.out.blits()[13].src, pic::kNextRight);
    EXPECT_EQ(f.out.blits()[14].src, pic::kArrowLeft);
    for (const auto& blit : f.out.blits()) EXPECT_EQ(blit.texture, kSheet);

    ASSERT_EQ(f.out.lines().size(), 7u);
    EXPECT_EQ(f.out.lines()[0].x2, 60);
    EXPECT_EQ(f.out.lines()[0].color, kYellow);
    EXPECT_EQ(f.out.lines()[4].x1, 120);
    EXPECT_EQ(f.out.lines()[6].x2, 160);

    // Invisible blocks are not drawn; screen positions truncate toward zero.
    g.blocks[3].visible = 0;
    g.runner.x = -15;
    f.out.Clear();
    Draw(g, f.out);
    EXPECT_EQ(f.out.blits().size(), 14u);
    EXPECT_EQ(f.out.blits()[0].x, -1);
}
