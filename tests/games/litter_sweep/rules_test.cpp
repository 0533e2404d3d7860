#include "games/litter_sweep/litter_sweep_rules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "tests/support/recording_sink.h"

using namespace litter_sweep;
namespace fs = std::filesystem;

namespace {

using tevtest::ButtonsWith;

// A private folder for the best-score file, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "litter-sweep-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string File(const char* name) const { return (path / name).string(); }
};

void WriteScore(const std::string& path, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    const char bytes[4] = {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
    std::ofstream(path, std::ios::binary).write(bytes, 4);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct Fixture {
    TempDir dir;
    std::unique_ptr<Game> g = std::make_unique<Game>();
    tev::Rand15 rng{1};  // the plug-in's generator: fresh, never seeded
    tevtest::RecordingSink out;
    explicit Fixture(int32_t stored_best = -1) {
        if (stored_best >= 0) WriteScore(ScorePath(), stored_best);
        Start(*g, rng, ScorePath().c_str());
    }
    std::string ScorePath() const { return dir.File("score.dat"); }
    int Step(const tev::Buttons& b = {}) {
        out.Clear();
        return Frame(*g, b, rng, out);
    }
    // From the title through the Ready count: the next frame is play.
    void ToPlay() {
        Step(ButtonsWith({tev::kButton1}));
        while (g->state == kReady) Step();
        ASSERT_EQ(g->state, kPlay);
    }
    // Only piece 0 is left, lying where the bin will be after one idle frame
    // of play with the clock at time_left.
    void LastPieceUnderBin(int time_left) {
        for (Body& p : g->litter) p.visible = 0;
        g->litter[0].x = g->bin.x + 100;
        g->litter[0].y = g->bin.y + 100;
        g->litter[0].visible = 1;
        g->time_left = time_left;
    }
    // Plays stage g->stage to its end: cleared with that many frames left,
    // or failed (left < 0) by waiting out the clock.
    void FinishStage(int left) {
        ToPlay();
        if (left >= 0) {
            LastPieceUnderBin(left + 1);
            Step();
        } else {
            for (Body& p : g->litter) p.y = 2000;  // out of the bin's way
            while (g->state == kPlay) Step();
        }
    }
};

}  // namespace

TEST(LitterSweep, StageStartLaysTheSameLitterInsideTheFloor) {
    Fixture a, b;
    EXPECT_EQ(a.g->state, kTitleScreen);
    EXPECT_EQ(a.g->time_left, 400);
    EXPECT_EQ(a.g->bin.x, 0);
    EXPECT_EQ(a.g->bin.w, 32);
    for (int i = 0; i < kLitterCount; ++i) {
        const Body& p = a.g->litter[i];
        EXPECT_EQ(p.x, b.g->litter[i].x);
        EXPECT_EQ(p.y, b.g->litter[i].y);
        EXPECT_TRUE(p.x >= 100 && p.x <= 3010 && p.x % 10 == 0) << p.x;
        EXPECT_TRUE(p.y >= 100 && p.y <= 2210 && p.y % 10 == 0) << p.y;
    }
    // Each piece draws y first, then x.
    tev::Rand15 r{1};
    const int y = r.Next() % 212, x = r.Next() % 292;
    EXPECT_EQ(a.g->litter[0].y, 10 * y + 100);
    EXPECT_EQ(a.g->litter[0].x, 10 * x + 100);
}

TEST(LitterSweep, PushesAddFivePerAxisDiagonallySevenStraightAndCancelOpposites) {
    using tev::kDown, tev::kLeft, tev::kRight, tev::kUp;
    struct Case {
        std::initializer_list<int> held;
        int count, vx, vy;
    };
    const Case cases[] = {
        {{kUp, kLeft}, 3, -5, -5},  {{kUp, kRight}, 1, 5, -5}, {{kDown, kLeft}, 9, -5, 5},
        {{kDown, kRight}, 2, 5, 5}, {{kRight}, 1, 7, 0},       {{kUp}, 4, 0, -7},
        {{kUp, kDown}, 1, 0, 0},    {{kLeft, kRight}, 1, 0, 0},
        // A direction released this frame still pushes.
        {{kLeft}, -1, -7, 0},
        // With three held, the first diagonal wins.
        {{kUp, kDown, kRight}, 1, 5, -5},
    };
    for (const Case& c : cases) {
        Body bin;
        Push(bin, ButtonsWith(c.held, c.count));
        EXPECT_EQ(bin.vx, c.vx);
        EXPECT_EQ(bin.vy, c.vy);
    }
}

TEST(LitterSweep, SpeedIsCappedAtSevenPixelsAndWallsBounceWithTheirSound) {
    Fixture f;
    f.ToPlay();
    for (Body& p : f.g->litter) p.x = 3000, p.y = 100;  // all in the far corner
    const tev::Buttons right_down = ButtonsWith({tev::kRight, tev::kDown}, 5);
    int top_speed = 0;
    bool bounced = false;
    for (int i = 0; i < 60 && !bounced; ++i) {
        const int before = f.g->bin.x;
        f.Step(right_down);
        top_speed = std::max(top_speed, f.g->bin.vx);
        EXPECT_LE(f.g->bin.vx, 70);
        EXPECT_LE(std::abs(f.g->bin.vy), 70);
        bounced = f.g->bin.vy < 0;
        if (!bounced) {
            EXPECT_GT(f.g->bin.x, before);
        }
        EXPECT_EQ(f.out.Played().empty(), !bounced);
    }
    EXPECT_EQ(top_speed, 70);
    ASSERT_TRUE(bounced);
    // The floor's bottom edge: 240 - 32 pixels, speed turned round.
    EXPECT_EQ(f.g->bin.y, 2080);
    EXPECT_EQ(f.g->bin.vy, -70);
    EXPECT_EQ(f.out.Played(), std::vector<int>{kSoundBounce});

    // A screen x below zero bounces too; tenths above -10 do not count.
    Body bin;
    bin.w = bin.h = 32;
    bin.x = 30;
    bin.vx = -39;
    tevtest::RecordingSink out;
    StepBin(bin, out);
    EXPECT_EQ(bin.x, -9);
    EXPECT_TRUE(out.Played().empty());
    StepBin(bin, out);
    EXPECT_EQ(bin.x, 0);
    EXPECT_EQ(bin.vx, 37);
    EXPECT_EQ(out.Played(), std::vector<int>{kSoundBounce});
}

TEST(LitterSweep, LitterUnderTheBinsHomeIsTakenBeforePlay) {
    Fixture f;
    for (Body& p : f.g->litter) p.x = 3000, p.y = 2000;
    Body& under = f.g->litter[3];
    under.x = 310;  // screen (31, 10): inside the bin's 32 x 32
    under.y = 100;
    Body& beside = f.g->litter[4];
    beside.x = 320;  // screen (32, 10): edges touching do not overlap
    beside.y = 100;
    f.Step();
    EXPECT_EQ(f.g->state, kTitleScreen);
    EXPECT_FALSE(under.visible);
    EXPECT_TRUE(beside.visible);
    EXPECT_EQ(f.out.Played(), std::vector<int>{kSoundPickup});
    // The title shows the floor and its texts, not the pieces.
    EXPECT_TRUE(f.out.HasText("HI SCORE:0"));
    EXPECT_FALSE(f.out.Blitted(kSheet, kLitterKinds[4]));
}

TEST(LitterSweep, HoldingButton1ThroughAStageResultShowsTheTitleForOneFrame) {
    Fixture f;
    f.FinishStage(150);
    ASSERT_EQ(f.g->state, kStageResult);
    EXPECT_EQ(f.g->stage_score[0], 150);
    EXPECT_TRUE(f.out.HasText("Stage 1 Cleared!!"));
    EXPECT_TRUE(f.out.HasText("Time:150"));

    const tev::Buttons held = ButtonsWith({tev::kButton1}, 40);
    f.Step(held);
    EXPECT_EQ(f.g->stage, 1);
    EXPECT_EQ(f.g->state, kTitleScreen);
    EXPECT_EQ(f.g->time_left, 400);
    EXPECT_EQ(f.g->bin.x, 0);
    EXPECT_TRUE(f.out.HasText(kTitle));
    f.Step(held);
    EXPECT_EQ(f.g->state, kReady);
    EXPECT_TRUE(f.out.HasText("Ready?....99"));
    // Marks: stage 1 cleared, 2 and 3 still to come.
    EXPECT_TRUE(f.out.HasText("○"));
    EXPECT_EQ(f.out.Texts().back().text, "-");
    int frames = 1;
    while (f.g->state == kReady) {
        f.Step(held);
        ++frames;
    }
    EXPECT_EQ(frames, 100);
    EXPECT_EQ(f.g->state, kPlay);
}

TEST(LitterSweep, TheLastPieceOnTheClocksLastFrameIsTooLate) {
    Fixture late;
    late.ToPlay();
    late.LastPieceUnderBin(1);
    late.Step();
    EXPECT_FALSE(late.g->litter[0].visible);
    EXPECT_EQ(late.g->state, kStageResult);
    EXPECT_EQ(late.g->stage_cleared[0], 0);
    EXPECT_EQ(late.g->stage_score[0], 0);
    EXPECT_TRUE(late.out.HasText("Stage 1 Failed.."));

    Fixture in_time;
    in_time.ToPlay();
    in_time.LastPieceUnderBin(2);
    in_time.Step();
    EXPECT_EQ(in_time.g->stage_cleared[0], 1);
    EXPECT_EQ(in_time.g->stage_score[0], 1);
}

TEST(LitterSweep, TwoFailuresSkipTheThirdStageAndRecordNothing) {
    Fixture f(5);
    f.FinishStage(-1);
    EXPECT_EQ(f.g->state, kStageResult);
    EXPECT_EQ(f.g->time_left, 0);
    f.Step(ButtonsWith({tev::kButton1}));
    f.FinishStage(-1);
    // Straight to the game's result, no third title.
    EXPECT_EQ(f.g->state, kGameResult);
    EXPECT_EQ(f.g->stage, 3);
    EXPECT_EQ(f.g->result, kResultFailed);
    EXPECT_EQ(f.g->stage_score[2], -1);
    EXPECT_TRUE(f.out.HasText("Stage3 : Failed..  -1"));
    EXPECT_TRUE(f.out.HasText("Total :  Failed..   -1"));
    EXPECT_EQ(f.out.Texts().back().text, "×");
    EXPECT_FALSE(f.g->new_high);
    EXPECT_EQ(ReadAll(f.ScorePath()), std::string("\x05\0\0\0", 4));
    // Button 1 leaves with the result.
    EXPECT_EQ(f.Step(ButtonsWith({tev::kButton1}, 7)), kResultFailed);
}

TEST(LitterSweep, OneFailureStillPlaysTheThirdStage) {
    Fixture f;
    f.FinishStage(-1);
    f.Step(ButtonsWith({tev::kButton1}));
    f.FinishStage(100);
    EXPECT_EQ(f.g->state, kStageResult);
    f.Step(ButtonsWith({tev::kButton1}));
    EXPECT_EQ(f.g->stage, 2);
    f.FinishStage(-1);
    EXPECT_EQ(f.g->result, kResultFailed);
    EXPECT_EQ(Total(*f.g), 100);
    EXPECT_FALSE(fs::exists(f.ScorePath()));
}

TEST(LitterSweep, AClearedTotalMustBeatTheStoredBestToReplaceIt) {
    // Totals 300 + 0 + 200: equal to the stored 500, then one more.
    for (const int third : {200, 201}) {
        Fixture f(500);
        f.FinishStage(300);
        f.Step(ButtonsWith({tev::kButton1}));
        f.FinishStage(-1);
        f.Step(ButtonsWith({tev::kButton1}));
        f.FinishStage(third);
        ASSERT_EQ(f.g->state, kGameResult);
        EXPECT_EQ(f.g->result, kResultCleared);
        const int total = 500 + third - 200;
        EXPECT_TRUE(f.out.HasText("Stage1 : Cleared  +300"));
        EXPECT_TRUE(f.out.HasText("Stage2 : Failed..  0"));
        EXPECT_TRUE(f.out.HasText("Total :  Cleared!!  " + std::to_string(total)));
        const bool better = total > 500;
        EXPECT_EQ(f.g->new_high, better);
        EXPECT_EQ(f.out.HasText("You got HiScore"), better);
        const uint32_t stored = better ? 501 : 500;
        EXPECT_EQ(ReadAll(f.ScorePath()), std::string({char(stored & 0xFF), char(stored >> 8), 0, 0}));
        // Leaving: button 1 returns 1, which CleanUp reports as well.
        EXPECT_EQ(f.Step(ButtonsWith({tev::kButton1})), kResultCleared);
        EXPECT_EQ(f.g->result, kResultCleared);
    }
}
