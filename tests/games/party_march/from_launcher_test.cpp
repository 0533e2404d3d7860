// Party march played twice from the launcher's game list in one headless run
// with a fixed clock: first marched to the boss and won, then sent alone into
// the enemies and lost. Both plays are planned beat by beat with the game's
// own rules and the clock's seed; the dumped frames and the play counter show
// what happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "games/party_march/party_march_rules.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace party_march;

constexpr int kClock = 1000000;
// Launcher frames from the release of button 1 in the list to the game's
// first MainLoop.
constexpr int kListToGame = 62;
constexpr int kTitleTap = 30;  // game frame of button 1 on the title
constexpr int kDumpEvery = 10;
const char* const kKeys[6] = {"UP", "DOWN", "LEFT", "RIGHT", "Z", "X"};

// One play in progress: the game as the plug-in will run it, the mapper's
// counters, and the buttons held on each game frame so far (bit b = logical
// button b), kept as a shared chain so that many plays can branch cheaply.
struct Held {
    std::shared_ptr<const Held> before;
    int mask = 0;
};

struct Plan {
    Game game;
    tev::Rand15 rand{kClock};
    int counts[tev::kButtonCount] = {};
    std::shared_ptr<const Held> held;
    int length = 0;  // game frames run
    int frames = 0;  // MainLoop calls up to and including the one that ends the play

    void Run(int mask) {
        held = std::make_shared<const Held>(Held{held, mask});
        ++length;
        tev::Buttons b;
        for (int i = 0; i < tev::kButtonCount; ++i) {
            int& c = counts[i];
            if (mask >> i & 1) c = std::min(255, (c == -1 ? 0 : c) + 1);
            else c = c > 0 ? -1 : 0;
            b.count[i] = c;
        }
        tevtest::NullSink quiet;
        if (Frame(game, b, rand, quiet) && !frames) frames = length;
    }
    bool OnBeat() const { return (game.frame - game.beatOrigin) % game.beat == 0; }
    std::vector<int> Masks() const {
        std::vector<int> out;
        for (const Held* h = held.get(); h; h = h->before.get()) out.push_back(h->mask);
        std::reverse(out.begin(), out.end());
        return out;
    }
};

// Steps from each walkable cell to the cell before the boss, on the map alone.
std::vector<int> Distances(const Game& g) {
    std::vector<int> dist(kRows * kColumns, 1 << 20);
    std::deque<int> open{4 * kColumns + kBossColumn - 1};
    dist[open.front()] = 0;
    while (!open.empty()) {
        const int at = open.front();
        open.pop_front();
        const int col = at % kColumns, lane = at / kColumns;
        for (int d = kGoUp; d <= kGoRight; ++d) {
            const int c = col + (d == kGoRight) - (d == kGoLeft), l = lane + (d == kGoDown) - (d == kGoUp);
            if (l < 1 || l > kLanes || c < 0 || c >= kColumns || g.map[l][c] > 2) continue;
            if (dist[l * kColumns + c] > dist[at] + 1) {
                dist[l * kColumns + c] = dist[at] + 1;
                open.push_back(l * kColumns + c);
            }
        }
    }
    return dist;
}

// A beam over the beats: every kept play tries each arrow (and none) on
// the next beat; the plays nearest the boss go on, the rest are dropped.
// Returns false when the beam dies out or runs too long.
bool Search(Plan& p, const std::vector<int>& dist, bool toWin) {
    constexpr size_t kWidth = 16;
    std::vector<Plan> beam{p};
    for (int beat = 0; beat < 700 && !beam.empty(); ++beat) {
        std::vector<Plan> next;
        for (const Plan& from : beam) {
            for (int d = kNone; d <= kGoRight; ++d) {
                if (from.game.party[0].fighting && d != kNone) continue;
                Plan q = from;
                // The arrow goes down on the beat frame and up on the next.
                q.Run(d == kNone ? 0 : 1 << (d - 1));
                while (q.game.state == kPlay && !q.OnBeat()) q.Run(0);
                const Game& g = q.game;
                if (g.state != kPlay || !g.party[0].alive || !g.enemies[0].alive) {
                    if (g.party[0].alive != toWin) continue;
                    p = std::move(q);
                    return true;
                }
                next.push_back(std::move(q));
            }
        }
        auto score = [&](const Plan& q) {
            const Unit& h = q.game.party[0];
            const bool atBoss = h.fighting && h.foe == 0;
            return dist[h.lane * kColumns + h.col] * 4 - (h.cls >= kPromoted ? 40 : 0) - q.game.linkedCount -
                   (atBoss ? 1000 : 0);
        };
        std::stable_sort(next.begin(), next.end(), [&](const Plan& a, const Plan& b) { return score(a) < score(b); });
        // One play per hero cell and generator state: the rest would repeat it.
        beam.clear();
        for (Plan& q : next) {
            bool same = false;
            for (const Plan& k : beam)
                same = same || (k.game.party[0].col == q.game.party[0].col &&
                                k.game.party[0].lane == q.game.party[0].lane && k.rand.State() == q.rand.State());
            if (!same) beam.push_back(std::move(q));
            if (beam.size() == kWidth) break;
        }
    }
    return false;
}

// A play: the title skipped with button 1, optionally the wait tactic, then
// the search up to the end of the result screen.
Plan PlanPlay(bool toWin, bool waitTactic) {
    Plan p;
    Start(p.game);
    for (int f = 0; f < kTitleTap; ++f) p.Run(0);
    p.Run(1 << tev::kButton1);
    p.Run(0);
    if (waitTactic) {
        p.Run(1 << tev::kButton1);
        p.Run(0);
    }
    while (!p.OnBeat()) p.Run(0);
    const std::vector<int> dist = Distances(p.game);
    if (!Search(p, dist, toWin)) return Plan{};
    while (!p.frames && p.length < 100000) p.Run(0);
    return p;
}

// Bright pixels in the rows y0 ... y1 - 1.
int Lit(const std::vector<unsigned char>& rgb, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < 320; ++x) {
            const unsigned char* p = &rgb[(y * 320 + x) * 3];
            n += p[0] + p[1] + p[2] > 500;
        }
    return n;
}

long Aligned(long frame) { return (frame + kDumpEvery - 1) / kDumpEvery * kDumpEvery; }

}  // namespace

TEST(PartyMarchFromLauncher, MarchedToTheBossAndWonThenLostAlone) {
    const Plan win = PlanPlay(true, false);
    ASSERT_GT(win.frames, 0) << "no winning march found for clock " << kClock;
    ASSERT_EQ(win.game.result, kResultWon);
    const Plan lose = PlanPlay(false, true);
    ASSERT_GT(lose.frames, 0) << "no lost march found for clock " << kClock;
    ASSERT_EQ(lose.game.result, kResultLost);

    // Through the splash and the title to the list (this game alone in it).
    std::string script;
    auto add = [&](long frame, const char* key, bool down) {
        script += std::to_string(frame) + " " + key + (down ? " down\n" : " up\n");
    };
    auto tap = [&](long frame, int frames) {
        add(frame, "Z", true);
        add(frame + frames, "Z", false);
    };
    auto play = [&](long first, const Plan& p) {
        int before = 0;
        const std::vector<int> held = p.Masks();
        for (size_t f = 0; f <= held.size(); ++f) {
            const int now = f < held.size() ? held[f] : 0;
            for (int b = 0; b < tev::kButtonCount; ++b)
                if ((now ^ before) >> b & 1) add(first + static_cast<long>(f), kKeys[b], now >> b & 1);
            before = now;
        }
    };
    for (long f : {60L, 100L, 120L, 260L}) tap(f, 3);
    const long first_release = 405;
    tap(first_release - 5, 5);
    const long first = first_release + kListToGame;
    play(first, win);
    const long second_release = first + win.frames + 90;
    tap(second_release - 3, 3);
    const long second = second_release + kListToGame;
    play(second, lose);
    const long second_end = second + lose.frames;
    add(second_end + 60, "ESCAPE", true);
    add(second_end + 63, "ESCAPE", false);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "party_march" && std::filesystem::exists(entry.path() / (name + ".so")))
            std::filesystem::remove_all(entry.path());
    }
    box.WriteFile("play.script", script);
    const int rc = box.Run({"--headless", "--frames", std::to_string(second_end + 400), "--input",
                            box.Path("play.script"), "--dump", box.Path("dump"), "--dump-every",
                            std::to_string(kDumpEvery), "--fixed-clock", std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    const std::string plays = box.ReadFile("play.dat");
    EXPECT_NE(plays.find("party_march=2"), std::string::npos) << plays;
    // Escape in the list quit long before the frame limit.
    EXPECT_FALSE(std::filesystem::exists(box.Dumped(Aligned(second_end + 150))));

    // The field with its status panel while marching (its green frame at x 1).
    const auto field = tevtest::DumpedPixels(box.Dumped(Aligned(first + 400)));
    ASSERT_FALSE(field.empty());
    bool green = false;
    for (int x = 0; x < 3; ++x) {
        const unsigned char* px = &field[(232 * 320 + x) * 3];
        green = green || (px[0] < 60 && px[1] == 255 && px[2] < 60);
    }
    EXPECT_TRUE(green);
    // Field tiles above it: the meadow's green, not the clear colour.
    const unsigned char* meadow = &field[(100 * 320 + 160) * 3];
    EXPECT_GT(meadow[1], meadow[0] + 40);
    // Won: four result lines between y 75 and 160, nothing below.
    const auto won = tevtest::DumpedPixels(box.Dumped(Aligned(first + win.frames - 300)));
    ASSERT_FALSE(won.empty());
    EXPECT_GT(Lit(won, 75, 160), 200);
    EXPECT_EQ(Lit(won, 165, 240), 0);
    EXPECT_EQ(Lit(won, 0, 70), 0);
    // Lost: the hints at the bottom, the end mark at the top.
    const auto lost = tevtest::DumpedPixels(box.Dumped(Aligned(second + lose.frames - 200)));
    ASSERT_FALSE(lost.empty());
    EXPECT_GT(Lit(lost, 40, 55), 20);
    EXPECT_GT(Lit(lost, 185, 200), 20);
}
