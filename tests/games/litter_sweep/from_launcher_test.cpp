// Litter sweep played twice from the launcher's game list in one headless
// run: first swept clean on all three stages (the best total lands in
// score.dat), then left alone until two stages run out (the game fails and
// score.dat keeps the first total). The sweep is planned with the game's own
// rules, which the plug-in runs with the same never-seeded generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/litter_sweep/litter_sweep_rules.h"
#include "tests/support/held_buttons.h"
#include "tests/support/key_script.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

using namespace litter_sweep;

namespace {

// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop (60 frames of fade-out, the start frame).
constexpr int kListToGame = 62;
// The list takes input 30 frames after it appears (about frame 340).
constexpr long kListReady = 380;

// The planning plays keep no best score: a folder that does not exist.
constexpr const char* kNoFile = "/nonexistent-litter-sweep/score.dat";

// The game as the plug-in runs it: fresh state, the generator at 1.
struct Sim {
    Game game;
    tev::Rand15 rng{1};
    tevtest::HeldButtons counters;
    tevtest::RecordingSink sink;
    explicit Sim(const char* score) { Start(game, rng, score); }
    int Step(const std::set<int>& held) {
        sink.Clear();
        return Frame(game, counters.Update(held), rng, sink);
    }
};

// Which way to push on one axis (+1, -1, 0): aim for a speed the bin can
// still brake from before it reaches t. c and t in pixels, v in tenths.
int Steer(double c, double t, int v, double gain) {
    const double e = (t - c) * 10.0;
    const double want = std::clamp((e > 0 ? 1 : -1) * std::sqrt(gain * std::abs(e)), -70.0, 70.0);
    if (v < want - 4) return 1;
    if (v > want + 4) return -1;
    return 0;
}

// Steers for the piece nearest to where the bin will be lookahead frames on.
std::set<int> Drive(const Game& g, double gain, int lookahead) {
    const Body& bin = g.bin;
    const double cx = bin.x / 10 + 16.0, cy = bin.y / 10 + 16.0;
    const double px = cx + lookahead * bin.vx / 10.0, py = cy + lookahead * bin.vy / 10.0;
    const Body* target = nullptr;
    double nearest = 1e9;
    for (const Body& p : g.litter) {
        if (!p.visible) continue;
        const double d = std::hypot(p.x / 10 + 4.0 - px, p.y / 10 + 4.0 - py);
        if (d < nearest) nearest = d, target = &p;
    }
    std::set<int> held;
    if (target == nullptr) return held;
    const int sx = Steer(cx, target->x / 10 + 4.0, bin.vx, gain);
    const int sy = Steer(cy, target->y / 10 + 4.0, bin.vy, gain);
    if (sx != 0) held.insert(sx > 0 ? tev::kRight : tev::kLeft);
    if (sy != 0) held.insert(sy > 0 ? tev::kDown : tev::kUp);
    return held;
}

// One play: the held buttons per game frame, and what the rules did.
struct Play {
    std::vector<std::set<int>> held;
    std::vector<Game> after;  // state after each frame
    int end_value = 0;
    void Add(Sim& s, const std::set<int>& buttons) {
        held.push_back(buttons);
        end_value = s.Step(buttons);
        after.push_back(s.game);
    }
    void Idle(Sim& s, int frames) {
        for (int i = 0; i < frames && end_value == 0; ++i) Add(s, {});
    }
};

// From a stage's title: button 1, the Ready count, then the sweep, the
// fastest of several steering settings.
void SweepStage(Sim& sim, Play& play) {
    std::unique_ptr<Sim> best;
    Play best_play;
    for (double gain : {6.0, 8.0, 10.0, 12.0, 16.0})
        for (int lookahead : {0, 4, 8, 12}) {
            auto s = std::make_unique<Sim>(sim);
            Play p;
            p.Add(*s, {tev::kButton1});
            while (s->game.state == kReady) p.Add(*s, {});
            while (s->game.state == kPlay) p.Add(*s, Drive(s->game, gain, lookahead));
            const int stage = sim.game.stage;
            if (best == nullptr || s->game.stage_score[stage] > best->game.stage_score[stage]) {
                best = std::move(s);
                best_play = std::move(p);
            }
        }
    sim = *best;
    play.held.insert(play.held.end(), best_play.held.begin(), best_play.held.end());
    play.after.insert(play.after.end(), best_play.after.begin(), best_play.after.end());
}

// A whole game: each stage from its title (swept, or left to run out), a look
// at each result, button 1 on, and button 1 to leave the game's result.
Play PlanGame(bool sweep) {
    Sim sim(kNoFile);
    Play play;
    play.Idle(sim, 30);  // the title
    while (sim.game.state != kGameResult) {
        if (sweep) {
            SweepStage(sim, play);
        } else {
            play.Add(sim, {tev::kButton1});
            while (sim.game.state == kReady || sim.game.state == kPlay) play.Add(sim, {});
        }
        play.Idle(sim, 60);
        if (sim.game.state == kStageResult) {
            play.Add(sim, {tev::kButton1});
            play.Idle(sim, 30);  // the next stage's title
        }
    }
    play.Add(sim, {tev::kButton1});
    return play;
}

struct Script : tevtest::KeyScript {
    void Add(long start, const Play& play) { AddPlan(start, play.held); }
};

struct Pixel {
    int r = -1, g = -1, b = -1;
};

// One pixel of a dumped frame through ImageMagick's text output.
Pixel PixelAt(const std::string& png, int x, int y) {
    char command[1024];
    std::snprintf(command, sizeof command,
                  "convert '%s' -format '%%[fx:int(255*p{%d,%d}.r)] %%[fx:int(255*p{%d,%d}.g)] "
                  "%%[fx:int(255*p{%d,%d}.b)]' info: 2>/dev/null",
                  png.c_str(), x, y, x, y, x, y);
    Pixel p;
    if (FILE* f = popen(command, "r")) {
        if (std::fscanf(f, "%d %d %d", &p.r, &p.g, &p.b) != 3) p = Pixel{};
        pclose(f);
    }
    return p;
}

std::string LittleEndian(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    return std::string({char(u & 0xFF), char(u >> 8 & 0xFF), char(u >> 16 & 0xFF), char(u >> 24 & 0xFF)});
}

}  // namespace

TEST(LitterSweepFromLauncher, SweptCleanThenLeftToFail) {
    const Play clear = PlanGame(true);
    ASSERT_EQ(clear.end_value, kResultCleared);
    const Game& cleared = clear.after.back();
    for (int i = 0; i < kStageCount; ++i) ASSERT_EQ(cleared.stage_cleared[i], 1) << "stage " << i + 1;
    const int32_t total = Total(cleared);
    const Play fail = PlanGame(false);
    ASSERT_EQ(fail.end_value, kResultFailed);
    ASSERT_EQ(fail.after.back().stage_score[2], -1);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat", "litter_sweep/score.dat"})
        std::filesystem::remove(box.Path(file));
    const int index = tevtest::GameListIndex(box.Root(), "litter_sweep");
    ASSERT_GE(index, 0);

    // Splash (stop, go on, go on), the title's play item, then down the list.
    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    for (int i = 0; i < index; ++i) script.Tap(kListReady + 25L * i, "DOWN");
    const long release = kListReady + 25L * index + 30;
    script.Tap(release - 3, "Z", 3);
    // Button 1 for the title comes well after the game is up, so the first
    // frame of the plan is the same whatever the launcher's start-up takes.
    const long clear_start = release + kListToGame + 5;
    script.Add(clear_start, clear);
    const long clear_end = clear_start + static_cast<long>(clear.held.size());

    // Back in the list on the same game: start it again and let it fail.
    const long release2 = clear_end + 120;
    script.Tap(release2 - 3, "Z", 3);
    const long fail_start = release2 + kListToGame + 5;
    script.Add(fail_start, fail);
    const long fail_end = fail_start + static_cast<long>(fail.held.size());
    script.Tap(fail_end + 120, "ESCAPE");  // in the list: the launcher quits

    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(fail_end + 400), "--input",
                            box.Path("play.script"), "--dump", box.Path("dump"), "--fixed-clock", "1000000"});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_FALSE(box.Exists(tevtest::DumpName(fail_end + 300)));

    // Both plays started from the list; the best is the swept total, which
    // the failed play left alone.
    EXPECT_NE(box.ReadFile("play.dat").find("litter_sweep=2"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_EQ(box.ReadFile("litter_sweep/score.dat"), LittleEndian(total)) << "total " << total;

    // The bin is where the plan put it: its yellow band in mid-sweep, and
    // at home while the second play waits out its first stage.
    int checked = 0;
    for (size_t f = 0; f < clear.after.size(); f += 97) {
        const Game& g = clear.after[f];
        if (g.state != kPlay) continue;
        const Pixel band = PixelAt(box.Path(tevtest::DumpName(clear_start + static_cast<long>(f))), g.bin.x / 10 + 5, g.bin.y / 10 + 17);
        EXPECT_EQ(band.r, 0xF0) << "frame " << f;
        EXPECT_EQ(band.g, 0xC8) << "frame " << f;
        EXPECT_EQ(band.b, 0x38) << "frame " << f;
        ++checked;
    }
    EXPECT_GE(checked, 5);
    const Pixel home = PixelAt(box.Path(tevtest::DumpName(fail_start + 300)), 5, 17);
    EXPECT_EQ(home.g, 0xC8);
}
