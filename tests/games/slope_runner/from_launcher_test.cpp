// Slope runner played twice from the launcher's game list in one headless
// run: all five stages cleared to the rank screen (MainLoop ends with 1),
// then stage 1 cleared and stage 2 left to run past its goal (game over, 2).
// The presses are planned with the game's own rules; the dumped frames are
// checked against the planned runner and the end screens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "tests/games/slope_runner/plan.h"
#include "tests/support/key_script.h"
#include "tests/support/launcher_sandbox.h"

using namespace slope_runner_test;

namespace {

// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop; the list takes input about 30 frames after it shows.
constexpr int kListToGame = 62;
constexpr long kListReady = 380;

struct Script : tevtest::KeyScript {
    void Add(long start, const Sim& play) { AddPlan(start, play.held); }
};

struct Pixel {
    int r = -1, g = -1, b = -1;
    bool Is(uint32_t rgb) const { return r == int(rgb >> 16) && g == int(rgb >> 8 & 0xFF) && b == int(rgb & 0xFF); }
};

// One pixel of a dumped frame through ImageMagick's text output.
Pixel PixelAt(const std::string& png, int x, int y) {
    char command[1024];
    std::snprintf(command, sizeof command,
                  "convert '%s' -format '%%[fx:int(255*p{%d,%d}.r+0.5)] %%[fx:int(255*p{%d,%d}.g+0.5)] "
                  "%%[fx:int(255*p{%d,%d}.b+0.5)]' info: 2>/dev/null",
                  png.c_str(), x, y, x, y, x, y);
    Pixel p;
    if (FILE* f = popen(command, "r")) {
        if (std::fscanf(f, "%d %d %d", &p.r, &p.g, &p.b) != 3) p = Pixel{};
        pclose(f);
    }
    return p;
}

std::string Dump(long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "dump/frame-%06ld.png", frame);
    return name;
}

constexpr int kDumpEvery = 10;  // frames whose number is a multiple are dumped

constexpr uint32_t kCapRed = 0xE8383C;    // the runner's cap
constexpr uint32_t kSky = 0x8CD4F8;       // the empty tile, also the rank screen's ground
constexpr uint32_t kLakeDeep = 0x18408C;  // the game-over lake

}  // namespace

TEST(SlopeRunnerFromLauncher, AllStagesToTheRankThenALostStage) {
    Sim win;
    PlayGame(win, kStages);
    ASSERT_EQ(win.end_value, 1);
    const int winScore = win.game.score;
    Sim lose;
    PlayGame(lose, 1);
    ASSERT_EQ(lose.end_value, 2);
    ASSERT_EQ(lose.game.goalResult[1], kGoalCleared);
    ASSERT_EQ(lose.game.goalResult[2], kGoalMissed);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    const int index = tevtest::GameListIndex(box.Root(), "slope_runner");
    ASSERT_GE(index, 0);

    // Splash (stop, go on, go on), the title's play item, then down the list.
    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    for (int i = 0; i < index; ++i) script.Tap(kListReady + 25L * i, "DOWN");
    const long release = kListReady + 25L * index + 30;
    script.Tap(release - 3, "Z", 3);
    const long winStart = release + kListToGame + 5;
    script.Add(winStart, win);
    const long winEnd = winStart + static_cast<long>(win.held.size());

    const long release2 = winEnd + 120;
    script.Tap(release2 - 3, "Z", 3);
    const long loseStart = release2 + kListToGame + 5;
    script.Add(loseStart, lose);
    const long loseEnd = loseStart + static_cast<long>(lose.held.size());
    script.Tap(loseEnd + 120, "ESCAPE");  // in the list: the launcher quits

    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(loseEnd + 400), "--input", box.Path("play.script"),
                            "--dump", box.Path("dump"), "--dump-every", std::to_string(kDumpEvery), "--fixed-clock", "1000000"},
                           600);
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_FALSE(box.Exists(Dump(loseEnd + 300)));  // Escape in the list ended the run
    EXPECT_NE(box.ReadFile("play.dat").find("slope_runner=2"), std::string::npos) << box.ReadFile("play.dat");

    // The runner's cap is where the plan put it, stage after stage.
    int checked = 0;
    for (long frame = (winStart / 40 + 1) * 40; frame < winEnd; frame += 40) {
        const size_t f = static_cast<size_t>(frame - winStart);
        const Game& g = win.after[f];
        const Runner& r = g.runner;
        if (g.state < 1 || g.state > kStages || r.runState == kStopped || r.spriteRow != 0) continue;
        if (r.x < 0 || r.x > 300 || r.y < 20 || r.y > 190) continue;
        const Pixel cap = PixelAt(box.Path(Dump(frame)), int(r.x) + 6, int(r.y) + 3);
        EXPECT_TRUE(cap.Is(kCapRed)) << "frame " << f << " at " << r.x << "," << r.y << ": " << cap.r << " " << cap.g
                                     << " " << cap.b;
        ++checked;
    }
    EXPECT_GE(checked, 20);

    // The rank screen of the first play, and the game-over picture of the second.
    const long rank = (winEnd - 2) / kDumpEvery * kDumpEvery;
    ASSERT_EQ(win.after[static_cast<size_t>(rank - winStart)].state, kResults);
    EXPECT_TRUE(PixelAt(box.Path(Dump(rank)), 8, 120).Is(kSky)) << "score " << winScore;
    const long over = (loseEnd - 2) / kDumpEvery * kDumpEvery;
    ASSERT_EQ(lose.after[static_cast<size_t>(over - loseStart)].state, kGameOver);
    EXPECT_TRUE(PixelAt(box.Path(Dump(over)), 10, 236).Is(kLakeDeep));
}
