// Ball clash played from the launcher's game list in a headless run with an
// input script: stage 1 cleared by a planned run of the pusher, then the
// player leaves the pusher alone until every life is gone and the game ends
// by itself, back to the list. The plan comes from the game's own rules; the
// balls' paths do not depend on the generator, only their angles do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/ball_clash/ball_clash_rules.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace ball_clash;

// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop (60 frames of fade-out, the start frame).
constexpr long kListToGame = 62;
constexpr int kDumpEvery = 10;

// Directions of the pusher, as logical buttons held.
const std::vector<std::vector<int>> kMoves = {
    {},
    {tev::kLeft},
    {tev::kRight},
    {tev::kUp},
    {tev::kDown},
    {tev::kLeft, tev::kUp},
    {tev::kRight, tev::kUp},
    {tev::kLeft, tev::kDown},
    {tev::kRight, tev::kDown},
};
const char* const kKeyNames[] = {"UP", "DOWN", "LEFT", "RIGHT"};

tev::Buttons Holding(const std::vector<int>& buttons) {
    tev::Buttons b;
    for (int i : buttons) b.count[i] = 2;
    return b;
}

// Plays stage 1 from its first play frame with plan[f - shift] held on
// frame f; true when the stage is cleared.
bool ClearsStageOne(const std::vector<int>& plan, int shift) {
    Game g;
    tev::Rand15 rand(1);
    Start(g, rand);
    g.phase = kPlay;
    g.timer = kStageFrames;
    tevtest::NullSink quiet;
    for (int f = 0; StepOf(g) == kPlay; ++f) {
        const int i = f - shift;
        Frame(g, Holding(kMoves[i >= 0 && i < static_cast<int>(plan.size()) ? plan[i] : 0]), rand, quiet);
    }
    return StepOf(g) == kCleared;
}

// A move every ten frames drawn from a seeded generator, the first plan
// that clears stage 1 even when the whole plan lands a frame early or late.
std::vector<int> PlanStageOne() {
    tev::Rand15 choose(2024);
    for (int attempt = 0; attempt < 5000; ++attempt) {
        std::vector<int> plan;
        for (int f = 0; f < kStageFrames; ++f)
            plan.push_back(f % 10 == 0 ? choose.Next() % 9 : plan.back());
        if (ClearsStageOne(plan, -1) && ClearsStageOne(plan, 0) && ClearsStageOne(plan, 1)) return plan;
    }
    return {};
}

struct Timeline {
    int playStart = 0;   // first play frame of stage 1, counted from the title press
    int cleared = 0;     // frame of the clear
    int stageTwo = 0;    // first frame of stage 2's ready screen
    int end = 0;         // frame on which MainLoop returns 1
    int result = 0;
};

// The whole game as the plug-in will play it: title press on frame 0, the
// plan in stage 1, nothing held afterwards.
Timeline PlayWhole(const std::vector<int>& plan) {
    Timeline t;
    Game g;
    tev::Rand15 rand(1);
    Start(g, rand);
    tevtest::NullSink quiet;
    int played = 0;
    for (int f = 0; f < 20000; ++f) {
        tev::Buttons b = f == 0 ? tevtest::ButtonsWith({tev::kButton1}) : tev::Buttons{};
        const int before = g.phase;
        if (g.phase == kPlay) {
            if (played == 0) t.playStart = f;
            b = Holding(kMoves[played < static_cast<int>(plan.size()) ? plan[played] : 0]);
            ++played;
        }
        if (Frame(g, b, rand, quiet) != 0) {
            t.end = f;
            t.result = g.result;
            return t;
        }
        if (before == kPlay && g.phase == kCleared) t.cleared = f;
        if (before == kCleared && g.phase == 10 + kReady) t.stageTwo = f + 1;
    }
    return t;
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
        long last = -10;
        for (const auto& [frame, keys] : held) {
            const bool next = frame == last + 1;
            for (const auto& k : before)
                if (!next || !keys.count(k)) out << (next ? frame : last + 1) << " " << k << " up\n";
            for (const auto& k : keys)
                if (!next || !before.count(k)) out << frame << " " << k << " down\n";
            before = keys;
            last = frame;
        }
        for (const auto& k : before) out << last + 1 << " " << k << " up\n";
        return out.str();
    }
};

// Position of the game in the launcher's list: the sorted folders that hold
// a plug-in library.
int ListIndex(const std::string& root, const std::string& game) {
    std::vector<std::string> games;
    for (const auto& dir : std::filesystem::directory_iterator(root)) {
        if (!dir.is_directory()) continue;
        for (const auto& file : std::filesystem::directory_iterator(dir.path()))
            if (file.is_regular_file() && file.path().extension() == ".so") {
                games.push_back(dir.path().filename().string());
                break;
            }
    }
    std::sort(games.begin(), games.end());
    const auto it = std::find(games.begin(), games.end(), game);
    return it == games.end() ? -1 : static_cast<int>(it - games.begin());
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

std::string DumpName(long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "dump/frame-%06ld.png", frame);
    return name;
}

// The first dumped frame at or after frame.
std::string DumpFrom(const tevtest::LauncherSandbox& box, long frame) {
    return box.Path(DumpName((frame + kDumpEvery - 1) / kDumpEvery * kDumpEvery));
}

// A ball's face is red or cream; the felt and the list are darker in red.
bool BallAt(const std::string& png, int x, int y) { return PixelAt(png, x, y).r > 120; }
bool FeltAt(const std::string& png, int x, int y) {
    const Pixel p = PixelAt(png, x, y);
    return p.r == 0x1A && p.g == 0x5A && p.b == 0x3A;
}

}  // namespace

TEST(BallClashFromLauncher, StageOneClearedThenEveryLifeLost) {
    const std::vector<int> plan = PlanStageOne();
    ASSERT_FALSE(plan.empty()) << "no planned run clears stage 1";
    const Timeline t = PlayWhole(plan);
    ASSERT_EQ(t.result, kGameOver);
    ASSERT_GT(t.cleared, 0);
    // A cleared stage gives a life back: five failures of stage 2 end it.
    EXPECT_EQ(t.end - t.stageTwo + 1, 5 * (kReadyFrames + kStageFrames + kResultFrames));

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    const int index = ListIndex(box.Root(), "ball_clash");
    ASSERT_GE(index, 0);

    // Through the splash (stop, go on, go on) and the title's play item to
    // the list, down to the game, button 1.
    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    for (int i = 0; i < index; ++i) script.Tap(340 + 40L * i, "DOWN");
    const long release = 380 + 40L * index;
    script.Tap(release - 5, "Z", 5);
    const long game = release + kListToGame;
    // Button 1 on the title, then the plan in stage 1.
    const long press = game + 30;
    script.Tap(press, "Z", 2);
    for (size_t f = 0; f < plan.size(); ++f)
        for (int b : kMoves[plan[f]]) script.Hold(press + t.playStart + static_cast<long>(f), kKeyNames[b]);
    const long end = press + t.end;
    script.Tap(end + 100, "ESCAPE");  // in the list: the launcher quits

    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(end + 600), "--input", box.Path("play.script"),
                            "--dump", box.Path("dump"), "--dump-every", std::to_string(kDumpEvery),
                            "--fixed-clock", "4242"});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_FALSE(box.Exists(DumpName(end + 400))) << "the launcher did not quit";
    const std::string plays = box.ReadFile("play.dat");
    EXPECT_NE(plays.find("ball_clash=1"), std::string::npos) << plays;

    // Stage 1's ready screen: its four balls in a row.
    const std::string ready = DumpFrom(box, press + 5);
    for (int x : {70, 130, 190, 250}) EXPECT_TRUE(BallAt(ready, x, 120)) << ready << " x " << x;
    // Stage 2 after the clear: its own four balls, the row gone.
    const std::string two = DumpFrom(box, press + t.stageTwo + 5);
    EXPECT_TRUE(BallAt(two, 137, 60)) << two;
    EXPECT_TRUE(BallAt(two, 183, 180)) << two;
    EXPECT_TRUE(FeltAt(two, 70, 120)) << two;
    // Still the table just before the last failure ends the game, the list
    // just after.
    EXPECT_TRUE(FeltAt(DumpFrom(box, end - 20), 300, 200));
    EXPECT_FALSE(FeltAt(DumpFrom(box, end + 20), 300, 200));
}
