// Sweet pairs played twice from the launcher's game list in a headless run
// with an input script: cleared once (25 pairs found and taken), then failed
// once (passing until a column is full when new candies drop in), back to the
// list each time. The script is planned with the game's own rules seeded as
// the plug-in seeds them from the fixed clock, and the dumped frames are
// checked against the planned wells.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/sweet_pairs/sweet_pairs_rules.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

using namespace sweet_pairs;

namespace {

constexpr int kClock = 5157;  // a seed whose nearest-pair play clears with four passes
// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop; input at launcher frame F reaches the MainLoop whose
// frame is dumped as F.
constexpr int kListToGame = 62;

using Held = std::set<int>;

// The rules as the plug-in runs them, with the mapper's counters.
struct Sim {
    std::unique_ptr<Game> g = std::make_unique<Game>();
    tev::Rand15 rng{kClock};
    tevtest::RecordingSink sink;
    tev::Buttons buttons;
    std::vector<Held> plan;
    int left_at = -1;  // the frame whose MainLoop returned 1

    Sim() { Start(*g, rng, 44100, sink); }
    void Step(const Held& held) {
        for (int b = 0; b < tev::kButtonCount; ++b) {
            int& c = buttons.count[b];
            if (held.count(b)) {
                if (c == -1) c = 0;
                if (c < 255) ++c;
            } else {
                c = c > 0 ? -1 : 0;
            }
        }
        sink.Clear();
        if (Frame(*g, buttons, rng, sink) != 0 && left_at < 0) left_at = static_cast<int>(plan.size());
        plan.push_back(held);
    }
    bool Tapped() const { return !plan.empty() && !plan.back().empty(); }
};

bool Settled(const Game& g) {
    for (const auto& column : g.well)
        for (int r = 1; r < kRows; ++r)
            if (column[r] != 0 && column[r - 1] == 0) return false;
    return true;
}

struct Target {
    int c = -1, r = -1;
    bool vertical = false;
};

// The wanted pair nearest the cursor, if any.
Target Nearest(const Game& g) {
    Target best;
    int best_cost = 1 << 30;
    for (int v = 0; v < 2; ++v)
        for (int c = 0; c < kColumns - (v ? 0 : 1); ++c)
            for (int r = v; r < kRows; ++r) {
                const int a = g.well[c][r], b = v ? g.well[c][r - 1] : g.well[c + 1][r];
                if (!((a == g.want[0] && b == g.want[1]) || (a == g.want[1] && b == g.want[0]))) continue;
                const int cost = std::abs(c - g.cc) + std::abs(r - g.cr) + (v != g.vertical ? 1 : 0);
                if (cost < best_cost) {
                    best_cost = cost;
                    best = {c, r, v != 0};
                }
            }
    return best;
}

// Taps only (one frame down, one up), once the well has settled.
Sim PlanClear() {
    Sim s;
    s.Step({tev::kButton2});
    while (s.g->state == kPlaying && s.plan.size() < 5000) {
        Held held;
        if (!s.Tapped() && Settled(*s.g)) {
            const Target t = Nearest(*s.g);
            const bool ready = s.g->pair_time < kPairReady + 1;  // below 705 after the step
            if (t.c < 0) {
                if (ready) held = {tev::kButton1};  // nothing to take: pass
            } else if (t.vertical != s.g->vertical) {
                held = {tev::kButton2};
            } else if (t.c != s.g->cc) {
                held = {t.c < s.g->cc ? tev::kLeft : tev::kRight};
            } else if (t.r != s.g->cr) {
                held = {t.r < s.g->cr ? tev::kDown : tev::kUp};
            } else if (ready) {
                held = {tev::kButton1};
            }
        }
        s.Step(held);
    }
    return s;
}

// Cursor to the top row, then pass every pair until the well overflows.
Sim PlanFail() {
    Sim s;
    s.Step({tev::kButton2});
    while (s.g->state == kPlaying && s.plan.size() < 5000) {
        Held held;
        if (!s.Tapped()) {
            if (s.g->cr < kRows - 1) held = {tev::kUp};
            else if (s.g->pair_time < kPairReady + 1) held = {tev::kButton1};
        }
        s.Step(held);
    }
    return s;
}

// Holds button 2 on the end screen until the game leaves.
void PlanLeave(Sim& s, int wait) {
    for (int i = 0; i < wait; ++i) s.Step({});
    while (s.left_at < 0 && s.plan.size() < 10000) s.Step({tev::kButton2});
    s.Step({});
}

// Launcher frame -> held key names; the script is the edges.
struct Script {
    std::map<long, std::set<std::string>> held;
    void Hold(long frame, const std::string& key) { held[frame].insert(key); }
    void Tap(long frame, const std::string& key, int frames = 3) {
        for (int i = 0; i < frames; ++i) Hold(frame + i, key);
    }
    void Play(long start, const Sim& s) {
        static const char* const kKeys[tev::kButtonCount] = {"UP", "DOWN", "LEFT", "RIGHT", "Z", "X"};
        for (size_t f = 0; f < s.plan.size(); ++f)
            for (int b : s.plan[f]) Hold(start + static_cast<long>(f), kKeys[b]);
    }
    std::string Text() const {
        std::ostringstream out;
        std::set<std::string> before;
        long last = -10;
        for (const auto& [frame, keys] : held) {
            const bool next = frame == last + 1;
            for (const auto& k : before)
                if (!next || !keys.count(k)) out << last + 1 << " " << k << " up\n";
            for (const auto& k : keys)
                if (!next || !before.count(k)) out << frame << " " << k << " down\n";
            before = keys;
            last = frame;
        }
        for (const auto& k : before) out << last + 1 << " " << k << " up\n";
        return out.str();
    }
};

// A picture as 8-bit RGB through ImageMagick.
struct Rgb {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    bool Load(const std::string& file) {
        FILE* f = popen(("convert '" + file + "' -depth 8 ppm:- 2>/dev/null").c_str(), "r");
        if (f == nullptr) return false;
        int max = 0;
        const bool ok = std::fscanf(f, "P6 %d %d %d", &w, &h, &max) == 3 && std::fgetc(f) != EOF;
        if (ok) {
            px.resize(static_cast<size_t>(w) * h * 3);
            px.resize(std::fread(px.data(), 1, px.size(), f));
        }
        pclose(f);
        return ok && px.size() == static_cast<size_t>(w) * h * 3;
    }
    int At(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * w + x) * 3;
        return px[i] << 16 | px[i + 1] << 8 | px[i + 2];
    }
};

// The sampled middle of every cell of rows 0 ... top_row in the frame shows
// the sheet's middle pixel of the cell value the rules hold.
void ExpectWell(const Rgb& frame, const Rgb& sheet, const Game& g, int top_row, const std::string& what) {
    int wrong = 0;
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r <= top_row; ++r) {
            const int v = g.well[c][r];
            const int seen = frame.At(kWellX + kCell * c + 8, kWellY - kCell * r + 8);
            const int want = sheet.At(kCell * v + 8, 32 + 8);
            if (seen != want && ++wrong <= 5)
                ADD_FAILURE() << what << ": cell (" << c << ", " << r << ") value " << v << " shows " << std::hex
                              << seen << ", expected " << want;
        }
    EXPECT_EQ(wrong, 0) << what;
}

// The position of the game in the launcher's list: its folder among the
// plug-in folders in name order.
int ListPosition(const tevtest::LauncherSandbox& box, const std::string& game) {
    std::set<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        if (!entry.is_directory()) continue;
        const std::string name = entry.path().filename().string();
        if (std::filesystem::exists(entry.path() / (name + ".so"))) folders.insert(name);
    }
    int i = 0;
    for (const auto& f : folders) {
        if (f == game) return i;
        ++i;
    }
    return -1;
}

}  // namespace

TEST(SweetPairsFromLauncher, ClearedOnceThenFailedOnce) {
    Sim clear = PlanClear();
    ASSERT_EQ(clear.g->result, kResultCleared) << "the planned play does not clear the stage";
    const int cleared_at = static_cast<int>(clear.plan.size()) - 1;
    const auto cleared_well = std::make_unique<Game>(*clear.g);
    PlanLeave(clear, 40);

    Sim fail = PlanFail();
    ASSERT_EQ(fail.g->result, kResultFailed);
    ASSERT_GT(fail.g->time_left, 0) << "the well should overflow before the time is up";
    const int failed_at = static_cast<int>(fail.plan.size()) - 1;
    PlanLeave(fail, 40);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    const int position = ListPosition(box, "sweet_pairs");
    ASSERT_GE(position, 0);

    // Through the splash and the title's play item, down the list to the game.
    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    for (int i = 0; i < position; ++i) script.Tap(420 + 40L * i, "DOWN");
    const long release1 = 460 + 40L * position;
    script.Tap(release1 - 5, "Z", 5);
    const long start1 = release1 + kListToGame;
    script.Play(start1, clear);

    // Back in the list the game is still the one chosen: start it again.
    const long release2 = start1 + clear.left_at + 100;
    script.Tap(release2 - 5, "Z", 5);
    const long start2 = release2 + kListToGame;
    script.Play(start2, fail);
    const long end2 = start2 + fail.left_at;
    script.Tap(end2 + 100, "ESCAPE");  // in the list: the launcher quits

    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(end2 + 600), "--input", box.Path("play.script"),
                            "--dump", box.Path("dump"), "--fixed-clock", std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_FALSE(box.Exists(tevtest::DumpName(end2 + 400))) << "Escape did not quit";

    const std::string plays = box.ReadFile("play.dat");
    EXPECT_NE(plays.find("sweet_pairs=2"), std::string::npos) << plays;

    Rgb sheet, frame;
    ASSERT_TRUE(sheet.Load(box.Path("sweet_pairs/tip.bmp")));
    // Cleared: the end screen, the taken pairs parked in the jar; the rows
    // below the end panel are the planned well.
    ASSERT_TRUE(frame.Load(box.Path(tevtest::DumpName(start1 + cleared_at + 30))));
    ExpectWell(frame, sheet, *cleared_well, 6, "cleared");
    // The last combo's first pair sits at the bottom of the jar.
    int parked = 0;
    for (const Flyer& f : cleared_well->flyers) {
        if ((f.phase != kParked && f.phase != kFlying) || f.to_y != kParkY) continue;
        ++parked;
        EXPECT_EQ(frame.At(f.to_x + 8, f.to_y + 8), sheet.At(kCell * f.colour + 8, 48 + 8)) << f.to_x;
    }
    EXPECT_EQ(parked, 2);

    // Failed: the whole well just before the new candies overflowed it.
    ASSERT_TRUE(frame.Load(box.Path(tevtest::DumpName(start2 + failed_at - 1))));
    {
        Sim replay;
        for (int f = 0; f < failed_at; ++f) replay.Step(fail.plan[f]);
        ExpectWell(frame, sheet, *replay.g, kRows - 1, "before the overflow");
        bool full = false;
        for (const auto& column : replay.g->well) full = full || column[kRows - 1] != 0;
        EXPECT_TRUE(full);
    }
}
