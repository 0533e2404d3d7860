// Both games played from the launcher's game list in a headless run with an
// input script: arrow sprint cleared, grid serpent lost at the wall, back to
// the list each time. The script is planned with the games' own rules, which
// the plug-ins run with the same generators, so the dumped frames can be
// checked against the planned states.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/arrow_sprint/arrow_sprint_rules.h"
#include "games/grid_serpent/grid_serpent_rules.h"
#include "games/kit/tev_kit.h"
#include "tests/support/held_buttons.h"
#include "tests/support/key_script.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"
#include "tests/support/standin_services.h"

namespace {

// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop (60 frames of fade-out, the start frame).
constexpr int kListToGame = 62;
constexpr int kClock = 4242;

struct Sprint {
    arrow_sprint::Game game;
    tev::Rand15 rng{1};  // the plug-in's generator, fresh and never seeded
    tevtest::HeldButtons counters;
    void Step(const std::set<int>& held) {
        tevtest::NullSink quiet;
        arrow_sprint::Frame(game, counters.Update(held), rng, quiet);
    }
};

// Plans a clearing run: taps the shown arrow every other frame and searches
// the jumps by backtracking. Each frame on the ground is a choice point, tried
// first without a jump; a failure goes back to the latest untried choice.
// Returns the held logical buttons per game frame, the last frame the clear.
std::vector<std::set<int>> PlanSprint() {
    struct Choice {
        size_t frame;
        std::unique_ptr<Sprint> before;
    };
    std::vector<std::set<int>> plan;
    std::vector<Choice> choices;
    auto s = std::make_unique<Sprint>();
    arrow_sprint::Start(s->game, s->rng);
    bool jump_now = false;
    for (long steps = 0; steps < 2000000; ++steps) {
        const size_t frame = plan.size();
        std::set<int> held;
        if (frame == 0) held.insert(4);
        if (frame % 2 == 0) held.insert(s->game.arrows[s->game.arrow_pos]);
        if (jump_now) {
            held.insert(4);
            jump_now = false;
        } else if (frame > 0 && s->game.state == arrow_sprint::kRunning && !s->game.airborne) {
            choices.push_back({frame, std::make_unique<Sprint>(*s)});
        }
        plan.push_back(held);
        s->Step(held);
        if (s->game.state == arrow_sprint::kCleared) return plan;
        if (s->game.state == arrow_sprint::kFailed) {
            if (choices.empty()) return {};
            Choice back = std::move(choices.back());
            choices.pop_back();
            plan.resize(back.frame);
            s = std::move(back.before);
            jump_now = true;
        }
    }
    return {};
}

const char* const kArrowKeys[4] = {"UP", "DOWN", "LEFT", "RIGHT"};

struct Pixel {
    int r = -1, g = -1, b = -1;
};

// Reads one pixel of a dumped frame through ImageMagick's text output.
Pixel PixelAt(const std::string& png, int x, int y) {
    const std::string command = "convert '" + png + "' -format '%[fx:int(255*p{" + std::to_string(x) + "," +
                                std::to_string(y) + "}.r)] %[fx:int(255*p{" + std::to_string(x) + "," +
                                std::to_string(y) + "}.g)] %[fx:int(255*p{" + std::to_string(x) + "," +
                                std::to_string(y) + "}.b)]' info: 2>/dev/null";
    Pixel p;
    if (FILE* f = popen(command.c_str(), "r")) {
        if (std::fscanf(f, "%d %d %d", &p.r, &p.g, &p.b) != 3) p = Pixel{};
        pclose(f);
    }
    return p;
}

std::string Dump(const tevtest::LauncherSandbox& box, long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "dump/frame-%06ld.png", frame);
    return box.Path(name);
}

}  // namespace

TEST(GamesFromLauncher, ArrowSprintClearedThenGridSerpentLost) {
    // Through the splash (stop, go on, go on), the title's play item, and
    // button 1 in the list on the first game, arrow sprint.
    tevtest::KeyScript script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    const long sprint_release = 405;
    script.Tap(sprint_release - 5, "Z", 5);
    const long sprint_start = sprint_release + kListToGame;

    // Plan the run with the rules.
    const std::vector<std::set<int>> plan = PlanSprint();
    ASSERT_FALSE(plan.empty()) << "no planned run clears the course";
    for (size_t f = 0; f < plan.size(); ++f)
        for (int b : plan[f]) script.Hold(sprint_start + static_cast<long>(f), b == 4 ? "Z" : kArrowKeys[b]);
    const int cleared_at = static_cast<int>(plan.size()) - 1;
    // Leave the cleared screen with button 2 (MainLoop returns 1).
    const long sprint_clear = sprint_start + cleared_at;
    script.Tap(sprint_clear + 30, "X");
    const long list_again = sprint_clear + 32;

    // Down to the second game, grid serpent, then start it and leave it
    // alone: it runs into the right wall and ends by itself.
    script.Tap(list_again + 50, "DOWN");
    const long serpent_release = list_again + 90;
    script.Tap(serpent_release - 3, "Z", 3);
    const long serpent_start = serpent_release + kListToGame;

    auto serpent = std::make_unique<grid_serpent::Game>();
    grid_serpent::Start(*serpent);
    tev::Rand15 serpent_rng{kClock};
    tevtest::NullSink blank;
    int serpent_frames = 0;
    int t300_head_x = -1, lost_at = -1;
    while (!grid_serpent::Frame(*serpent, tev::Buttons{}, serpent_rng, blank)) {
        if (serpent->state == grid_serpent::kPlaying && serpent->t == 301) t300_head_x = serpent->seg[0].x;
        if (serpent->state == grid_serpent::kLost && lost_at < 0) lost_at = serpent_frames;
        ++serpent_frames;
    }
    ASSERT_EQ(serpent->result, grid_serpent::kResultLost);
    const grid_serpent::Food food = serpent->food;
    const long serpent_end = serpent_start + serpent_frames;
    script.Tap(serpent_end + 60, "ESCAPE");  // in the list: the launcher quits

    tevtest::LauncherSandbox box;
    // Start from a launcher that has never run: default keys, no counts.
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    // Only these two games in the list, whatever else the tree holds.
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "arrow_sprint" && name != "grid_serpent" &&
            std::filesystem::exists(entry.path() / (name + ".so")))
            std::filesystem::remove_all(entry.path());
    }
    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(serpent_end + 400), "--input",
                            box.Path("play.script"), "--dump", box.Path("dump"), "--fixed-clock",
                            std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    // Quit by Escape in the list, long before the frame limit.
    char late[64];
    std::snprintf(late, sizeof late, "dump/frame-%06ld.png", serpent_end + 100);
    EXPECT_FALSE(box.Exists(late));

    // Each game was started once from the list.
    const std::string plays = box.ReadFile("play.dat");
    EXPECT_NE(plays.find("arrow_sprint=1"), std::string::npos) << plays;
    EXPECT_NE(plays.find("grid_serpent=1"), std::string::npos) << plays;

    // Arrow sprint, cleared: the progress bar runs to 489 of 500, yellow.
    const Pixel bar = PixelAt(Dump(box, sprint_clear + 1), 305, 50);
    EXPECT_EQ(bar.r, 255);
    EXPECT_EQ(bar.g, 255);
    EXPECT_EQ(bar.b, 0);
    // Halfway, the bar is yellow at a quarter and red near the end.
    const Pixel half = PixelAt(Dump(box, sprint_start + cleared_at / 2), 300, 50);
    EXPECT_EQ(half.r, 255);
    EXPECT_EQ(half.g, 0);

    // Grid serpent, frame t = 300: the head where the rules put it.
    const long t300 = serpent_start + 300;
    const Pixel head = PixelAt(Dump(box, t300), t300_head_x + 4, 8 + 4);
    EXPECT_EQ(head.r + head.g + head.b, 3 * 255) << "head at " << t300_head_x;
    const Pixel pink = PixelAt(Dump(box, t300), food.x + 4, food.y + 4);
    EXPECT_EQ(pink.r, 255);
    EXPECT_EQ(pink.g, 0);
    EXPECT_EQ(pink.b, 0x99);
    // After the crash the field stays for 120 frames, then only the verdict.
    const long lost = serpent_start + lost_at;
    EXPECT_EQ(PixelAt(Dump(box, lost + 60), food.x + 4, food.y + 4).b, 0x99);
    EXPECT_EQ(PixelAt(Dump(box, lost + 200), food.x + 4, food.y + 4).b, 0);
}
