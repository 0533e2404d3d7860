// One stomp played twice from the launcher's game list in a headless run
// with a fixed clock, so the jump button and the block are known: first
// cleared by one timed jump onto the beetle, then failed by waiting. The
// timing is planned with the game's own rules; the dumped frames and the
// play counter show what happened.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/one_stomp/one_stomp_rules.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace one_stomp;

constexpr int kClock = 1000000;
// Launcher frames from the release of button 1 in the list to the game's
// first MainLoop.
constexpr int kListToGame = 62;
constexpr int kTitleTap = 30;  // game frame of button 1 on the title
const char* const kKeys[6] = {"UP", "DOWN", "LEFT", "RIGHT", "Z", "X"};

struct Plan {
    Game end;            // the game as it ends
    int frames = 0;      // game frames up to and including the one that ends it
    int mark_frame = -1;  // first game frame with the stomp mark up
    double mark_y = 0;
    int dying_top = -1;  // game frame at the top of the death hop
    int dead_x = 0, dead_y = 0;
};

// Plays the rules as the plug-in will: button 1 on the title, the jump
// button pressed at game frame `jump` (none when negative).
Plan Simulate(int jump) {
    Plan p;
    tev::Rand15 rng(kClock);
    Game& g = p.end;
    Start(g, rng);
    tevtest::NullSink quiet;
    double last_h = 0;
    for (int f = 0; f < 3000; ++f) {
        tev::Buttons b;
        if (f == kTitleTap) b.count[tev::kButton1] = 1;
        if (f == jump) b.count[g.jump_button] = 1;
        const int end = Frame(g, b, quiet);
        if (g.mark.on && p.mark_frame < 0) {
            p.mark_frame = f;
            p.mark_y = g.mark.y;
        }
        if (g.state == kDying && p.dying_top < 0 && g.runner.h < last_h && g.runner.h > 0) {
            p.dying_top = f - 1;
        }
        if (g.state == kDying && p.dying_top < 0) {
            p.dead_x = RunnerScreenX(g.runner.x);
            p.dead_y = static_cast<int>(std::lround(kGroundY - g.runner.h - 16));
        }
        last_h = g.runner.h;
        if (end) {
            p.frames = f + 1;
            return p;
        }
    }
    return p;
}

struct Script {
    std::map<long, std::set<std::string>> held;
    void Tap(long frame, const std::string& key, int frames = 3) {
        for (int i = 0; i < frames; ++i) held[frame + i].insert(key);
    }
    std::string Text() const {
        std::ostringstream out;
        std::set<std::string> before;
        long last = 0;
        for (const auto& [frame, keys] : held) {
            for (const auto& k : before)
                if (!keys.count(k) || frame != last + 1) out << (frame != last + 1 ? last + 1 : frame) << " " << k << " up\n";
            for (const auto& k : keys)
                if (!before.count(k) || frame != last + 1) out << frame << " " << k << " down\n";
            before = keys;
            last = frame;
        }
        for (const auto& k : before) out << last + 1 << " " << k << " up\n";
        return out.str();
    }
};

// Rightmost lit column of the text line at y 100 ... 115 (-1 when dark).
int TextRight(const std::vector<unsigned char>& rgb) {
    int right = -1;
    for (int y = 100; y < 116; ++y)
        for (int x = 0; x < 320; ++x) {
            const unsigned char* p = &rgb[(y * 320 + x) * 3];
            if (p[0] + p[1] + p[2] > 300) right = std::max(right, x);
        }
    return right;
}

bool LitBelow(const std::vector<unsigned char>& rgb, int y0) {
    for (int y = y0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const unsigned char* p = &rgb[(y * 320 + x) * 3];
            if (p[0] + p[1] + p[2] > 300) return true;
        }
    return false;
}

}  // namespace

TEST(OneStompFromLauncher, ClearedByOneStompThenFailedByWaiting) {
    // The jump frames that clear, found with the rules; the middle of the
    // widest run of them leaves room on both sides.
    int best = -1, best_len = 0;
    for (int f = 100, run = 0; f < 400; ++f) {
        const bool clears = Simulate(f).end.result == kCleared;
        run = clears ? run + 1 : 0;
        if (run > best_len) {
            best_len = run;
            best = f - run / 2;
        }
    }
    ASSERT_GE(best_len, 3) << "no jump clears with clock " << kClock;
    const Plan clear = Simulate(best);
    ASSERT_EQ(clear.end.result, kCleared);
    ASSERT_GT(clear.mark_frame, 0);
    const Plan fail = Simulate(-1);
    ASSERT_EQ(fail.end.result, kFailed);
    ASSERT_GT(fail.dying_top, 0);

    // Through the splash and the title to the list (one game in it).
    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    const long first_release = 405;
    script.Tap(first_release - 5, "Z", 5);
    const long first = first_release + kListToGame;
    script.Tap(first + kTitleTap, "Z");
    script.Tap(first + best, kKeys[clear.end.jump_button], 2);
    // Back in the list, start again and leave the runner alone.
    const long second_release = first + clear.frames + 90;
    script.Tap(second_release - 3, "Z", 3);
    const long second = second_release + kListToGame;
    script.Tap(second + kTitleTap, "Z");
    const long second_end = second + fail.frames;
    script.Tap(second_end + 60, "ESCAPE");

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "one_stomp" && std::filesystem::exists(entry.path() / (name + ".so")))
            std::filesystem::remove_all(entry.path());
    }
    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(second_end + 400), "--input",
                            box.Path("play.script"), "--dump", box.Path("dump"), "--fixed-clock",
                            std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    // Escape in the list quit long before the frame limit.
    EXPECT_FALSE(std::filesystem::exists(box.Dumped(second_end + 100)));
    const std::string plays = box.ReadFile("play.dat");
    EXPECT_NE(plays.find("one_stomp=2"), std::string::npos) << plays;

    // First play: the stomp mark bursts white-hot at the middle of the screen.
    const auto stomp = tevtest::DumpedPixels(box.Dumped(first + clear.mark_frame));
    ASSERT_FALSE(stomp.empty());
    const unsigned char* mark = &stomp[(static_cast<int>(std::lround(clear.mark_y)) * 320 + 160) * 3];
    EXPECT_GT(mark[0], 200);
    EXPECT_GT(mark[1], 200);
    // Second play: the knocked-out runner at the top of its hop (hood green).
    const auto down = tevtest::DumpedPixels(box.Dumped(second + fail.dying_top));
    ASSERT_FALSE(down.empty());
    const unsigned char* hood = &down[((fail.dead_y + 3) * 320 + fail.dead_x + 8) * 3];
    EXPECT_EQ(hood[0], 0x3C);
    EXPECT_EQ(hood[1], 0xC0);
    EXPECT_EQ(hood[2], 0x60);

    // The verdicts: "Game Clear" is the longer line; no second line either time.
    const auto cleared = tevtest::DumpedPixels(box.Dumped(first + clear.frames - 2));
    const auto failed = tevtest::DumpedPixels(box.Dumped(second + fail.frames - 2));
    ASSERT_FALSE(cleared.empty());
    ASSERT_FALSE(failed.empty());
    const int clear_right = TextRight(cleared), fail_right = TextRight(failed);
    EXPECT_GT(fail_right, 100);
    EXPECT_GT(clear_right, fail_right);
    EXPECT_FALSE(LitBelow(cleared, 118));
    EXPECT_FALSE(LitBelow(failed, 118));
}
