// Lumo played from the launcher's game list, headless with an input script:
// first a play that bursts the big orb and lets the minute run out (failed:
// no score file may appear), then a play that clears every orb (the file
// holds exactly the planned score). The presses are planned with the rules,
// which the plug-in runs with the same generator seeded by --fixed-clock.
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

#include "games/lumo/lumo_rules.h"
#include "tests/support/held_buttons.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

namespace {

// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop.
constexpr int kListToGame = 62;
constexpr int kSplashDone = 400;  // the list takes input by now
constexpr int kClock = 4242;

struct Sim {
    lumo::Game game;
    tev::Rand15 rng{kClock};
    tevtest::HeldButtons counters;
    Sim() { lumo::Start(game, rng, "/nonexistent/score.dat"); }
    void Step(const std::set<int>& held) {
        tevtest::RecordingSink quiet;
        lumo::Frame(game, counters.Update(held), rng, quiet);
    }
};

// Directions that bring the cursor onto the orb worth chasing next.
std::set<int> Steer(const lumo::Game& g) {
    const lumo::Orb* target = nullptr;
    double best = 1e9;
    for (const lumo::Orb& o : g.orbs) {
        if (!o.live) continue;
        const double d = std::hypot(o.x - g.cx, o.y - g.cy) + 3.0 * std::max(0, lumo::kBurstAge - o.age);
        if (d < best) {
            best = d;
            target = &o;
        }
    }
    std::set<int> held;
    if (target == nullptr) return held;
    const double k = std::min(12.0, best / 6);
    const double px = std::clamp(target->x + target->vx * k, 0.0, 320.0);
    const double py = std::clamp(target->y + target->vy * k + 0.025 * k * k, 0.0, 235.0);
    double wx = (px - g.cx) * 0.3, wy = (py - g.cy) * 0.3;
    const double len = std::hypot(wx, wy);
    if (len > 7) {
        wx *= 7 / len;
        wy *= 7 / len;
    }
    const double dx = wx - g.cvx, dy = wy - g.cvy;
    if (dx > 0.45) held.insert(tev::kRight);
    if (dx < -0.45) held.insert(tev::kLeft);
    if (dy > 0.45) held.insert(tev::kDown);
    if (dy < -0.45) held.insert(tev::kUp);
    return held;
}

struct Plan {
    std::vector<std::set<int>> held;  // per game frame
    int ended_at = -1;                // the frame the end screen appears
    int32_t score = 0;
    bool cleared = false;
    int presses = 0;
};

// Button 2 on the first frame starts the count-down; then the cursor chases
// orbs and button 1 goes down whenever it would burst one, up to maxPresses.
Plan PlanGame(int maxPresses) {
    Plan plan;
    auto sim = std::make_unique<Sim>();
    bool held1 = false;
    for (int frame = 0; frame < 6000 && !sim->game.ended; ++frame) {
        std::set<int> held = Steer(sim->game);
        if (frame == 0) held.insert(tev::kButton2);
        if (!held1 && plan.presses < maxPresses && sim->game.running) {
            auto probe = std::make_unique<Sim>(*sim);
            std::set<int> press = held;
            press.insert(tev::kButton1);
            probe->Step(press);
            if (probe->game.combo > sim->game.combo) {
                held = press;
                ++plan.presses;
            }
        }
        held1 = held.count(tev::kButton1) != 0;
        sim->Step(held);
        plan.held.push_back(held);
        if (sim->game.ended) plan.ended_at = frame;
    }
    plan.score = sim->game.score;
    plan.cleared = sim->game.cleared;
    return plan;
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
            const bool next = frame == last + 1;
            for (const auto& k : before)
                if (!keys.count(k) || !next) out << last + 1 << " " << k << " up\n";
            for (const auto& k : keys)
                if (!before.count(k) || !next) out << frame << " " << k << " down\n";
            before = keys;
            last = frame;
        }
        for (const auto& k : before) out << last + 1 << " " << k << " up\n";
        return out.str();
    }
};

const char* const kKeyNames[tev::kButtonCount] = {"UP", "DOWN", "LEFT", "RIGHT", "Z", "X"};

// Lumo's place in the list: the catalogue takes the first library of every
// folder, in name order, so count the game folders before it.
int ListPosition(const tevtest::LauncherSandbox& box) {
    std::vector<std::string> games;
    for (const auto& dir : std::filesystem::directory_iterator(box.Root())) {
        if (!dir.is_directory()) continue;
        for (const auto& file : std::filesystem::directory_iterator(dir.path()))
            if (file.is_regular_file() && file.path().extension() == ".so") {
                games.push_back(dir.path().filename().string());
                break;
            }
    }
    std::sort(games.begin(), games.end());
    const auto it = std::find(games.begin(), games.end(), "lumo");
    return it == games.end() ? -1 : static_cast<int>(it - games.begin());
}

// Through the splash and the title to the list, down to lumo, one play by
// the plan, button 2 on the end screen, Escape in the list. Returns the
// launcher frame of the game's first MainLoop.
long PlayScript(const Plan& plan, int position, Script& script, long& quit) {
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    for (int i = 0; i < position; ++i) script.Tap(kSplashDone + 20L * i, "DOWN");
    const long release = kSplashDone + 20L * position + 10;
    script.Tap(release - 5, "Z", 5);
    const long start = release + kListToGame;
    for (size_t f = 0; f < plan.held.size(); ++f)
        for (int b : plan.held[f]) script.Hold(start + static_cast<long>(f), kKeyNames[b]);
    const long leave = start + plan.ended_at + 40;
    script.Tap(leave, "X");
    quit = leave + 150;
    script.Tap(quit, "ESCAPE");
    return start;
}

struct Pixel {
    int r = -1, g = -1, b = -1;
};

Pixel PixelAt(const std::string& png, int x, int y) {
    char command[512];
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

std::string Bytes(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    return std::string{char(u & 0xFF), char(u >> 8 & 0xFF), char(u >> 16 & 0xFF), char(u >> 24 & 0xFF)};
}

}  // namespace

TEST(LumoFromLauncher, FailedThenClearedWithTheScoreFileCheckedAfterEach) {
    // The plans first: one burst then nothing; then every orb.
    const Plan fail = PlanGame(1);
    ASSERT_FALSE(fail.cleared);
    ASSERT_EQ(fail.presses, 1);
    ASSERT_GT(fail.score, 0);
    const Plan clear = PlanGame(1000);
    ASSERT_TRUE(clear.cleared) << "no planned play clears the field";
    ASSERT_GT(clear.score, 0);

    tevtest::LauncherSandbox box;
    // A launcher that has never run: default keys, no counts, no best score.
    for (const char* file : {"save.dat", "play.dat", "pv.dat", "lumo/score.dat"})
        std::filesystem::remove(box.Path(file));
    const int position = ListPosition(box);
    ASSERT_GE(position, 0) << "lumo is not in the list";

    // A failed game: a score above the (missing) best, and still no file.
    Script first;
    long quit = 0;
    PlayScript(fail, position, first, quit);
    box.WriteFile("fail.script", first.Text());
    int rc = box.Run({"--headless", "--frames", std::to_string(quit + 300), "--input", box.Path("fail.script"),
                      "--fixed-clock", std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_NE(box.ReadFile("play.dat").find("lumo=1"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_FALSE(box.Exists("lumo/score.dat"));

    // A cleared game: its score stored, four bytes.
    Script second;
    const long start = PlayScript(clear, position, second, quit);
    box.WriteFile("clear.script", second.Text());
    rc = box.Run({"--headless", "--frames", std::to_string(quit + 300), "--input", box.Path("clear.script"),
                  "--dump", box.Path("dump"), "--dump-every", "10", "--fixed-clock", std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_NE(box.ReadFile("play.dat").find("lumo=2"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_EQ(box.ReadFile("lumo/score.dat"), Bytes(clear.score));
    // Quit by Escape in the list, long before the frame limit.
    char late[64];
    std::snprintf(late, sizeof late, "dump/frame-%06ld.png", quit + 100);
    EXPECT_FALSE(box.Exists(late));

    // The big orb glows where the rules put it on the first dumped game frame.
    const long shown = (start + 9) / 10 * 10;
    Sim sim;
    for (long f = 0; f <= shown - start; ++f) sim.Step(clear.held[f]);
    const lumo::Orb& orb = sim.game.orbs[0];
    ASSERT_TRUE(orb.live);
    char name[64];
    std::snprintf(name, sizeof name, "dump/frame-%06ld.png", shown);
    const int x = std::clamp(static_cast<int>(std::lround(orb.x)), 0, 319);
    const int y = std::clamp(static_cast<int>(std::lround(orb.y)), 12, 239);
    const Pixel core = PixelAt(box.Path(name), x, y);
    EXPECT_GT(core.b, 200) << "no orb at " << x << "," << y;
}
