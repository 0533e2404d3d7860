// Hill drive's rules at their sharp edges: the brake at standstill, reversing
// off the left, the take-off speed, the flat road after 20 000 columns, the
// 60-degree wreck and its debris, and the finish.
#include "games/hill_drive/hill_drive_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tests/support/recording_sink.h"

using namespace hill_drive;

namespace {

struct Drive {
    std::unique_ptr<Game> g = std::make_unique<Game>();
    std::unique_ptr<SynthVoice[]> voices = std::make_unique<SynthVoice[]>(4);
    tev::Rand15 rng{1234};
    tevtest::RecordingSink out;
    // The first frame sets the drive up.
    Drive() { Step(); }
    int Step(bool brake = false, bool gas = false) {
        tev::Buttons b;
        b.count[tev::kButton1] = brake ? 2 : 0;
        b.count[tev::kButton2] = gas ? 2 : 0;
        out.Clear();
        return Frame(*g, b, rng, out, voices.get());
    }
    void Flat(int value = 0) {
        for (int& s : g->slopes) s = value;
    }
};

}  // namespace

TEST(HillDriveRules, BrakeActsOnlyOnAMovingCar) {
    Drive d;
    d.Flat();
    ASSERT_EQ(d.g->speed, 0);
    d.Step(true, true);
    EXPECT_EQ(d.g->speed, 2048) << "at standstill the held gas wins over the brake";
    d.Step(true, true);
    EXPECT_EQ(d.g->speed, 0) << "once moving, the brake takes 4096 and stops at zero";
    // Skid only while braking a moving car on the road.
    for (int i = 0; i < 3; ++i) d.Step(false, true);
    d.Step(true, false);
    EXPECT_EQ(d.g->speed, 2048);
    EXPECT_EQ(d.voices[2].volume.load(), 1024 - (2048 >> 9)) << "skid";
    d.Step(true, false);
    EXPECT_EQ(d.g->speed, 0);
    EXPECT_EQ(d.voices[2].volume.load(), 0);
}

TEST(HillDriveRules, RollingBackOffTheLeftFails) {
    Drive d;
    d.Flat(-200);   // rising to the right: the car rolls back
    int lastColumn = CarColumn(*d.g);
    int frames = 0;
    while (d.g->mode == kDriving && frames < 400) {
        lastColumn = CarColumn(*d.g);
        d.Step();
        ++frames;
        ASSERT_GE(d.g->speed, kMinSpeed);
    }
    ASSERT_EQ(d.g->mode, kFailed);
    EXPECT_GE(lastColumn, 0);
    EXPECT_LT(CarColumn(*d.g), 0);
    // The failed screen: a fail tone that fades, then the end with result 2.
    int end = 0;
    for (frames = 0; end == 0 && frames < 400; ++frames) end = d.Step();
    EXPECT_EQ(end, 1);
    EXPECT_EQ(d.g->result, 2);
    EXPECT_EQ(frames, 5 + 1 + 63 + 90) << "silence, the tone, its fade, the countdown";
    EXPECT_EQ(d.voices[0].pitch.load(), 10240);
}

TEST(HillDriveRules, ACrestLaunchesOnlyAboveTheTakeOffSpeed) {
    for (int extra : {0, 1}) {
        Drive d;
        d.Flat();
        for (int k = 122; k < kColumns; ++k) d.g->slopes[k] = 8;   // the crest reaches the car on the first column
        d.g->speed = kTakeOffSpeed + extra + 512;                 // coasting takes 512 first
        d.Step();
        if (extra == 0) {
            EXPECT_EQ(d.g->lift, 0) << "exactly 262 144 stays on the road";
        } else {
            EXPECT_LT(d.g->lift, 0) << "above 262 144 the car takes off";
        }
    }
}

TEST(HillDriveRules, RoadFlattensAfterTwentyThousandColumns) {
    Game g;
    tev::Rand15 rng(99);
    int widest = 0;
    g.steps = 18000;
    g.slopeHold = 1;
    while (g.steps <= 20000) {
        RoadStep(g, rng);
        widest = std::max(widest, std::abs(g.targetSlope));
    }
    EXPECT_GT(widest, 8) << "before the flat stretch the hills are steep";
    EXPECT_EQ(g.steps, 20001);
    // The next target drawn is within one notch; within 40 columns the slope
    // has reached it, and from then on every column is between -8 and 8.
    g.slopeHold = 1;
    for (int i = 0; i < 40; ++i) RoadStep(g, rng);
    for (int i = 0; i < 20000; ++i) {
        RoadStep(g, rng);
        ASSERT_GE(g.targetSlope, -8);
        ASSERT_LE(g.targetSlope, 8);
        ASSERT_GE(g.slopes[kColumns - 1], -8);
        ASSERT_LE(g.slopes[kColumns - 1], 8);
    }
}

TEST(HillDriveRules, ATurnOfSixtyDegreesWrecksAndTheDebrisFalls) {
    // The least slope under the car whose tilt differs from level by 60 degrees.
    int wreck = 1;
    while (std::atan2(wreck, 256.0) < kWreckAngle) ++wreck;
    for (int slope : {wreck - 1, wreck}) {
        Drive d;
        d.Flat();
        d.g->slopes[kCarColumn] = slope;
        d.Step();
        EXPECT_EQ(d.g->mode, slope == wreck ? kWrecked : kDriving) << slope;
    }
    Drive d;
    d.Flat();
    d.g->slopes[kCarColumn] = wreck;
    d.Step();
    d.Step();   // the wreck's first frame
    EXPECT_EQ(d.g->piecesLeft, kDebris);
    EXPECT_EQ(d.voices[0].flags.load(), 3) << "crash noise";
    EXPECT_EQ(d.voices[3].flags.load(), 3);
    EXPECT_EQ(d.voices[0].volume.load(), 1024 - 32);
    for (int i = 0; i < kDebris; ++i) {
        EXPECT_EQ(d.g->debrisY[i], d.g->heights[kCarColumn] + d.g->dvy[i] - 80);
        EXPECT_GE(d.g->dvx[i], 256);
        EXPECT_LE(d.g->dvx[i], 5 * 256);
    }
    EXPECT_EQ(d.out.Count("Rotate"), kDebris);
    int frames = 0;
    while (d.g->mode == kWrecked && frames < 600) {
        d.Step();
        ++frames;
    }
    EXPECT_EQ(d.g->mode, kFailed);
    EXPECT_EQ(d.g->piecesLeft, 0);
    EXPECT_EQ(d.voices[0].volume.load(), 0) << "the crash has faded";
}

TEST(HillDriveRules, FinishAfterThirtyThousandColumns) {
    Drive d;
    d.Flat();
    d.g->steps = kFinishSteps;
    d.g->speed = 65536 + 512;   // one column this frame after coasting
    d.Step(false, false);
    ASSERT_EQ(d.g->steps, kFinishSteps + 1);
    EXPECT_EQ(d.g->finishCountdown, 240);
    int end = 0, frames = 0;
    while (end == 0 && frames < 400) {
        end = d.Step(false, true);
        ++frames;
    }
    EXPECT_EQ(end, 1);
    EXPECT_EQ(frames, 240);
    EXPECT_EQ(d.g->result, 1);
    EXPECT_EQ(d.voices[3].pitch.load(), 18432) << "finish tone";
}
