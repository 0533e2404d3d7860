// Word reflex played from the launcher's game list in a headless run: level 1
// answered right until it is cleared, then every phrase of level 2 answered
// wrong until the lives are gone, button 1 on the game-over screen, and back
// in the list. The answers are planned with the game's own rules and the MT
// generator seeded as --fixed-clock seeds the plug-in's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/word_reflex/word_reflex_rules.h"
#include "tests/support/held_buttons.h"
#include "tests/support/key_script.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

using namespace word_reflex;

namespace {

constexpr int kListToGame = 62;   // launcher frames from the list's release to the game's first frame
constexpr long kListReady = 380;  // the list takes input from about here
constexpr uint32_t kClock = 1000000;

struct Plan {
    Game game;
    tevkit::MTRandom rng{kClock};
    tevtest::HeldButtons counters;
    tevtest::RecordingSink sink;
    std::vector<std::set<int>> held;
    int end = 0;
    std::string dataDir;

    Plan() {
        dataDir = (std::filesystem::path(TEV_GAME_SO).parent_path() / "data").string();
        game.dataDir = dataDir.c_str();
        Start(game, "/nonexistent-word-reflex/hiscore.dat");
    }
    void Step(const std::set<int>& buttons) {
        held.push_back(buttons);
        sink.Clear();
        end = Frame(game, counters.Update(buttons), rng, sink);
    }
    void Idle(int frames) {
        for (int i = 0; i < frames && end == 0; ++i) Step({});
    }
    // Button 1 held for three frames and let go (the title and the
    // instructions go on when it is released).
    void Release1() {
        for (int i = 0; i < 3; ++i) Step({tev::kButton1});
        Step({});
    }
    // Waits for the whole phrase, then answers it right or wrong.
    void Answer(bool right) {
        while (game.screen == kPlay && (game.answerState != kShowing || game.partsShown < 2)) Step({});
        if (game.screen != kPlay) return;
        Idle(6);
        const bool target = game.table.entries[game.pick].isTarget != 0;
        Step({target == right ? tev::kButton1 : tev::kButton2});
        Step({});
    }
};

struct Script : tevtest::KeyScript {
    void Add(long start, const std::vector<std::set<int>>& plan) { AddPlan(start, plan); }
};

std::string LittleEndian(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    return std::string({char(u & 0xFF), char(u >> 8 & 0xFF), char(u >> 16 & 0xFF), char(u >> 24 & 0xFF)});
}

}  // namespace

TEST(WordReflexFromLauncher, ClearsLevelOneThenLosesEveryLife) {
    Plan plan;
    plan.Idle(30);
    plan.Release1();  // title
    while (plan.game.screen == kIntro) plan.Release1();
    while (plan.game.level == 1) plan.Answer(true);
    ASSERT_EQ(plan.game.screen, kIntro);
    const int afterLevel1 = plan.game.score;
    ASSERT_GT(afterLevel1, 0);
    plan.Idle(20);
    while (plan.game.screen == kIntro) plan.Release1();
    ASSERT_EQ(plan.game.level, 2);
    while (plan.game.lives > 0) plan.Answer(false);
    while (plan.game.screen == kPlay) plan.Step({});
    ASSERT_EQ(plan.game.screen, kGameOver);
    plan.Idle(40);
    plan.Step({tev::kButton1});
    ASSERT_EQ(plan.end, 1);
    ASSERT_EQ(Finish(plan.game), kResultGameOver);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat", "word_reflex/hiscore.dat"})
        std::filesystem::remove(box.Path(file));
    const int index = tevtest::GameListIndex(box.Root(), "word_reflex");
    ASSERT_GE(index, 0);

    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    for (int i = 0; i < index; ++i) script.Tap(kListReady + 25L * i, "DOWN");
    const long release = kListReady + 25L * index + 30;
    script.Tap(release - 3, "Z", 3);
    const long start = release + kListToGame + 5;
    script.Add(start, plan.held);
    const long end = start + static_cast<long>(plan.held.size());
    script.Tap(end + 120, "ESCAPE");  // in the list: the launcher quits

    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(end + 400), "--input", box.Path("play.script"),
                            "--dump", box.Path("dump"), "--dump-every", "50", "--fixed-clock",
                            std::to_string(kClock)});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");

    EXPECT_NE(box.ReadFile("play.dat").find("word_reflex=1"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_EQ(box.ReadFile("word_reflex/hiscore.dat"), LittleEndian(plan.game.score))
        << "planned " << plan.game.score << ", level 1 left " << afterLevel1;
    // Escape in the list ended the run well before its frame limit.
    char last[64];
    std::snprintf(last, sizeof last, "dump/frame-%06ld.png", (end + 350) / 50 * 50);
    EXPECT_FALSE(box.Exists(last));
}
