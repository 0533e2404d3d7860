// Lift hopper played from the launcher's game list in headless runs with a
// fixed clock: first all five stages cleared in one play by the planned
// routes, then a play lost in stage 1's ditch. The timing comes from the
// game's own rules; hiscore.dat, the play counter and the dumped frames show
// what happened.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "games/lift_hopper/lift_hopper_rules.h"
#include "tests/games/lift_hopper/plan.h"
#include "tests/support/key_script.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace lift_hopper;

constexpr int kListToGame = 62;  // launcher frames from the list's release to the first MainLoop
constexpr int kTitleTap = 30;    // game frame of button 1 on the title

const char* const kRoutes[kStageCount] = {
    "R37 RJ60 R20 RJ40 R400",
    "R120 W180 R67 J1 W45 R20 W32 R300",
    "R54 RJ40 R14 W50 R295 J1 W45 R20 W115 R20 W178 R60 RJ40 R100",
    "R52 W100 R296 J1 W45 R52 W18 R400",
    "R40 W20 R28 W130 R20 W60 R61 J1 W45 R23 RJ40 R5 W165 R200",
};
// Over the block, then straight on into the ditch.
const char* const kIntoTheDitch = "R37 RJ60 R200";

struct Played {
    std::vector<tev::Buttons> input;  // per game frame
    int frames = 0;                   // up to and including the one that ends the game
    int score = 0;
    int result = 0;
    std::vector<int> stageStart;      // first play frame of each stage reached
    int gameOverFrame = -1;
};

// Plays the rules as the plug-in will: button 1 on the title, each stage's
// route from its first frame, button 1 once more on the game-over screen.
Played Play(const std::string& dist, const std::vector<std::string>& routes) {
    Played p;
    Game g;
    std::snprintf(g.folder, sizeof g.folder, "%s", dist.c_str());
    tev::ScoreFile none;
    EXPECT_EQ(Start(g, none), 0);
    tevtest::NullSink out;
    std::vector<tev::Buttons> route;
    size_t at = 0;
    int stage = 0;
    for (int f = 0; f < 20000; ++f) {
        tev::Buttons b;
        if (g.screen == kTitle && f == kTitleTap) b.count[tev::kButton1] = 1;
        if (g.screen == kPlay && g.dying == 0 && g.stage != stage) {
            stage = g.stage;
            p.stageStart.push_back(f);
            route = lift_hopper_test::PlanFrames(stage <= static_cast<int>(routes.size()) ? routes[stage - 1] : "");
            at = 0;
        }
        if (g.screen == kPlay && g.dying == 0 && at < route.size()) b = route[at++];
        if (g.screen == kGameOver) {
            if (p.gameOverFrame < 0) p.gameOverFrame = f;
            if (f == p.gameOverFrame + 60) b.count[tev::kButton1] = 1;
        }
        p.input.push_back(b);
        if (Frame(g, b, out)) {
            p.frames = f + 1;
            break;
        }
    }
    p.score = g.score;
    p.result = g.result;
    return p;
}

void AddInput(tevtest::KeyScript& script, long first, const std::vector<tev::Buttons>& input) {
    for (size_t f = 0; f < input.size(); ++f) {
        if (input[f].Held(tev::kRight)) script.Hold(first + f, "RIGHT");
        if (input[f].Held(tev::kLeft)) script.Hold(first + f, "LEFT");
        if (input[f].Pressed(tev::kButton1)) script.Hold(first + f, "Z");
    }
}

// Through the splash and the title to the list (only this game in it).
void ToList(tevtest::KeyScript& script) {
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
}

int32_t StoredBest(const tevtest::LauncherSandbox& box) {
    const std::string bytes = box.ReadFile("lift_hopper/hiscore.dat");
    int32_t v = -1;
    if (bytes.size() == 4) std::memcpy(&v, bytes.data(), 4);
    return v;
}

// Pixels of the timer bar's red at the top right.
bool TimerBarShown(const std::vector<unsigned char>& rgb) {
    const unsigned char* p = &rgb[(5 * 320 + 318) * 3];
    return p[0] > 200 && p[1] < 60 && p[2] < 60;
}

}  // namespace

TEST(LiftHopperFromLauncher, AllStagesClearedThenLostInTheDitch) {
    tevtest::LauncherSandbox box;
    const std::string dist = box.Path("lift_hopper");
    for (const char* file : {"save.dat", "play.dat", "pv.dat", "lift_hopper/hiscore.dat"})
        std::filesystem::remove(box.Path(file));
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "lift_hopper" && std::filesystem::exists(entry.path() / (name + ".so")))
            std::filesystem::remove_all(entry.path());
    }

    const Played win = Play(dist, {kRoutes, kRoutes + kStageCount});
    ASSERT_EQ(win.result, kAllCleared);
    ASSERT_EQ(win.stageStart.size(), 5u);
    ASSERT_GT(win.score, 5 * 5000);
    const Played loss = Play(dist, {kIntoTheDitch});
    ASSERT_EQ(loss.result, kGameOverResult);
    ASSERT_GT(loss.gameOverFrame, 0);
    ASSERT_LT(loss.score, win.score);

    // First run: the whole game cleared, then Escape in the list.
    {
        tevtest::KeyScript script;
        ToList(script);
        const long release = 405;
        script.Tap(release - 5, "Z", 5);
        const long first = release + kListToGame;
        AddInput(script, first, win.input);
        const long end = first + win.frames;
        script.Tap(end + 90, "ESCAPE");
        box.WriteFile("win.script", script.Text());
        const int rc = box.Run({"--headless", "--frames", std::to_string(end + 400), "--input", box.Path("win.script"),
                                "--fixed-clock", "1000000"},
                               600);
        ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
        EXPECT_NE(box.ReadFile("play.dat").find("lift_hopper=1"), std::string::npos) << box.ReadFile("play.dat");
        EXPECT_EQ(StoredBest(box), win.score);
    }

    // Second run: lost in stage 1's ditch; the better score stays stored.
    {
        std::filesystem::remove_all(box.Path("dump"));
        tevtest::KeyScript script;
        ToList(script);
        const long release = 405;
        script.Tap(release - 5, "Z", 5);
        const long first = release + kListToGame;
        AddInput(script, first, loss.input);
        const long end = first + loss.frames;
        script.Tap(end + 90, "ESCAPE");
        box.WriteFile("loss.script", script.Text());
        // Dumped every tenth frame: one in play, one on the game-over screen.
        const long playing = (first + loss.stageStart[0] + 39) / 10 * 10;
        const long over = (first + loss.gameOverFrame + 19) / 10 * 10;
        const int rc = box.Run({"--headless", "--frames", std::to_string(end + 400), "--input", box.Path("loss.script"),
                                "--dump", box.Path("dump"), "--dump-every", "10", "--fixed-clock", "1000000"},
                               600);
        ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
        EXPECT_NE(box.ReadFile("play.dat").find("lift_hopper=2"), std::string::npos) << box.ReadFile("play.dat");
        EXPECT_EQ(StoredBest(box), win.score);

        // In play the timer bar is up; on the game-over screen it is gone.
        const auto inPlay = tevtest::DumpedPixels(box.Dumped(playing));
        const auto gameOver = tevtest::DumpedPixels(box.Dumped(over));
        ASSERT_FALSE(inPlay.empty());
        ASSERT_FALSE(gameOver.empty());
        EXPECT_TRUE(TimerBarShown(inPlay));
        EXPECT_FALSE(TimerBarShown(gameOver));
    }
}
