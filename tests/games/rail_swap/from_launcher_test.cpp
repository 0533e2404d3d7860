// Rail swap played from the launcher's game list in two headless runs of one
// sandbox. The plug-in seeds its generator from --fixed-clock, so the board
// is known: the first run leaves the cart alone until it crashes, the second
// slides drop tiles into a shaft below the start and plain track along the
// bottom row, so the cart falls to the last row and rolls over the goal.
// "hs.txt" is read after each run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/kit/tev_kit.h"
#include "games/rail_swap/rail_swap_rules.h"
#include "tests/support/held_buttons.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"
#include "tests/support/standin_services.h"

namespace {

using namespace rail_swap;

// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop (60 frames of fade-out, the start frame).
constexpr int kListToGame = 62;
constexpr long kListRelease = 405;
constexpr int kDumpEvery = 10;
long Dumped(long frame) { return frame / kDumpEvery * kDumpEvery; }

struct Swap {
    int col, row, dir;  // cursor tile and swapDir
};

bool Wanted(int type, bool drop) { return drop ? type == kDrop : type == kTrack || type == kGem; }

// Swaps that bring a drop into column 2 rows 0 ... 4 and track or the gem
// into row 5 columns 2 ... 6: each tile slides along a shortest path of
// cells that are neither fixed nor already placed. Empty when a tile
// cannot be found.
std::vector<Swap> PlanSwaps(Game board) {
    std::vector<Swap> swaps;
    std::set<std::pair<int, int>> locked = {{0, 0}, {1, 0}, {7, 5}};
    std::vector<std::pair<int, int>> targets;
    for (int row = 0; row < 5; ++row) targets.push_back({2, row});
    for (int col = 2; col < 7; ++col) targets.push_back({col, 5});
    for (size_t i = 0; i < targets.size(); ++i) {
        const bool drop = i < 5;
        const auto target = targets[i];
        std::map<std::pair<int, int>, std::pair<int, int>> from;
        std::deque<std::pair<int, int>> queue = {target};
        from[target] = target;
        std::pair<int, int> found{-1, -1};
        while (!queue.empty()) {
            const auto cell = queue.front();
            queue.pop_front();
            if (Wanted(At(board, cell.first, cell.second).type, drop)) {
                found = cell;
                break;
            }
            for (auto [dc, dr] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                const std::pair<int, int> next{cell.first + dc, cell.second + dr};
                if (next.first < 0 || next.first >= kCols || next.second < 0 || next.second >= kRows) continue;
                if (locked.count(next) || from.count(next)) continue;
                from[next] = cell;
                queue.push_back(next);
            }
        }
        if (found.first < 0) return {};
        for (auto cell = found; cell != target; cell = from[cell]) {
            const auto next = from[cell];
            const auto a = std::min(cell, next, [](auto p, auto q) { return p.first + p.second < q.first + q.second; });
            swaps.push_back({a.first, a.second, cell.second != next.second ? 1 : 0});
            std::swap(At(board, cell.first, cell.second), At(board, next.first, next.second));
        }
        locked.insert(target);
    }
    return swaps;
}

// One play planned frame by frame from the title: held logical buttons per
// game frame. With swaps, each is made by presses one frame long with a
// free frame between; without, the cart is left alone. The end screen is
// left with a press.
struct Play {
    std::vector<std::set<int>> frames;
    int result = -1;  // what CleanUp returns
    int32_t best = 0;
    int state = kTitle;  // the end screen reached
};

Play PlanPlay(uint32_t clock, bool swapping) {
    Play play;
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(clock);
    tevtest::HeldButtons counters;
    tevtest::NullSink quiet;
    std::vector<Swap> swaps;
    size_t next = 0;
    bool released = true;
    for (int frame = 0; frame < 20000; ++frame) {
        std::set<int> held;
        if (released && g->state == kTitle && frame >= 30) held = {tev::kButton1};
        if (released && g->state == kPlay && next < swaps.size()) {
            const Swap& s = swaps[next];
            if (g->swapDir != s.dir)
                held = {tev::kButton2};
            else if (g->cursorCol != s.col)
                held = {g->cursorCol > s.col ? tev::kLeft : tev::kRight};
            else if (g->cursorRow != s.row)
                held = {g->cursorRow > s.row ? tev::kUp : tev::kDown};
            else {
                held = {tev::kButton1};
                ++next;
            }
        }
        const bool lostIn = g->state == kLost && g->lostSlide == 0 && g->lostWait > 30;
        const bool clearedIn = g->state == kCleared && g->scored && g->clearedSlide == 0 && g->clearedWait > 60;
        if (released && (lostIn || clearedIn)) held = {tev::kButton1};
        released = held.empty();
        play.frames.push_back(held);
        const int was = g->state;
        if (Frame(*g, counters.Update(held), rng, quiet) != 0) {
            play.state = was;
            play.result = Finish(*g);
            play.best = g->highScore;
            return play;
        }
        if (was == kTitle && g->state == kIntro && swapping) swaps = PlanSwaps(*g);
    }
    return play;
}

// Launcher frame -> held key names; the script is the edges.
struct Script {
    std::map<long, std::set<std::string>> held;
    void Hold(long frame, const std::string& key) { held[frame].insert(key); }
    void Tap(long frame, const std::string& key, int frames = 3) {
        for (int i = 0; i < frames; ++i) Hold(frame + i, key);
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

const char* const kKeyNames[6] = {"UP", "DOWN", "LEFT", "RIGHT", "Z", "X"};

// Splash, title, the list's only entry started, the planned play, Escape
// in the list afterwards. Returns the game's first frame; end its last.
long ScriptFor(const Play& play, Script& script, long& end) {
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    script.Tap(kListRelease - 5, "Z", 5);
    const long start = kListRelease + kListToGame;
    for (size_t f = 0; f < play.frames.size(); ++f)
        for (int b : play.frames[f]) script.Hold(start + static_cast<long>(f), kKeyNames[b]);
    end = start + static_cast<long>(play.frames.size()) - 1;
    script.Tap(end + 80, "ESCAPE");
    return start;
}

struct Pixel {
    int r = -1, g = -1, b = -1;
};

Pixel PixelAt(const std::string& png, int x, int y) {
    const std::string at = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
    const std::string command = "convert '" + png + "' -format '%[fx:int(255*" + at + ".r)] %[fx:int(255*" + at +
                                ".g)] %[fx:int(255*" + at + ".b)]' info: 2>/dev/null";
    Pixel p;
    if (FILE* f = popen(command.c_str(), "r")) {
        if (std::fscanf(f, "%d %d %d", &p.r, &p.g, &p.b) != 3) p = Pixel{};
        pclose(f);
    }
    return p;
}

std::string FrameFile(const tevtest::LauncherSandbox& box, const std::string& dir, long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", frame);
    return box.Path(dir + name);
}

int32_t StoredBest(const tevtest::LauncherSandbox& box) {
    const std::string bytes = box.ReadFile("rail_swap/hs.txt");
    if (bytes.size() != 4) return -1;
    int32_t v = 0;
    std::memcpy(&v, bytes.data(), 4);
    return v;
}

}  // namespace

TEST(RailSwapFromLauncher, CrashThenPlannedRideToTheGoalWithTheBestStored) {
    // The first clock from 1000000 whose board the planned swaps clear.
    uint32_t clock = 0;
    Play cleared;
    for (uint32_t c = 1000000; c < 1000200 && clock == 0; ++c) {
        cleared = PlanPlay(c, true);
        if (cleared.state == kCleared) clock = c;
    }
    ASSERT_NE(clock, 0u) << "no board the planned swaps clear";
    ASSERT_EQ(cleared.result, 1);
    ASSERT_GT(cleared.best, 0);
    const Play lost = PlanPlay(clock, false);
    ASSERT_EQ(lost.state, kLost);
    ASSERT_EQ(lost.result, 0);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    std::filesystem::remove(box.Path("rail_swap/hs.txt"));
    // Only this game in the list, whatever else the tree holds.
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "rail_swap" && std::filesystem::exists(entry.path() / (name + ".so")))
            std::filesystem::remove_all(entry.path());
    }

    const auto run = [&](const Play& play, const std::string& dump, long& start, long& end) {
        Script script;
        start = ScriptFor(play, script, end);
        box.WriteFile(dump + ".script", script.Text());
        const int rc = box.Run({"--headless", "--frames", std::to_string(end + 400), "--input",
                                box.Path(dump + ".script"), "--dump", box.Path(dump), "--dump-every",
                                std::to_string(kDumpEvery), "--fixed-clock", std::to_string(clock)});
        EXPECT_EQ(rc, 0) << box.ReadFile("run.log");
        // Escape in the list quit long before the frame limit.
        EXPECT_FALSE(box.Exists(FrameFile(box, dump, Dumped(end + 200)).substr(box.Root().size() + 1)));
    };

    long start = 0, end = 0;
    run(lost, "lost", start, end);
    EXPECT_NE(box.ReadFile("play.dat").find("rail_swap=1"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_EQ(StoredBest(box), 0);
    // The red CRASHED badges on the lost screen (the C's badge at x 34).
    const Pixel crash = PixelAt(FrameFile(box, "lost", Dumped(end - 1)), 38, 100);
    EXPECT_GT(crash.r, 150);
    EXPECT_LT(crash.g, 90);

    run(cleared, "cleared", start, end);
    EXPECT_NE(box.ReadFile("play.dat").find("rail_swap=2"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_EQ(StoredBest(box), cleared.best);
    // The gold YAY badges on the cleared screen (the first at x 48).
    const Pixel yay = PixelAt(FrameFile(box, "cleared", Dumped(end - 1)), 52, 100);
    EXPECT_GT(yay.r, 200);
    EXPECT_GT(yay.g, 150);
    EXPECT_LT(yay.b, 100);
}
