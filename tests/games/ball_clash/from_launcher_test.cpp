// Ball clash played from the launcher's game list in one headless run with
// an input script: the first game won, every stage cleared by a planned run
// of the pusher; the second lost, the pusher left alone until every life is
// gone; back to the list after each. The plans come from the game's own
// rules: the balls' paths do not depend on the generator, only their angles.
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

using Plan = std::vector<int>;  // a move per play frame

tev::Buttons Holding(const Plan& plan, int frame) {
    tev::Buttons b;
    if (frame >= 0 && frame < static_cast<int>(plan.size()))
        for (int i : kMoves[plan[frame]]) b.count[i] = 2;
    return b;
}

// Plays stage s from its first play frame with plan[f - shift] held on
// frame f; true when the stage is cleared.
bool Clears(int s, const Plan& plan, int shift) {
    Game g;
    tev::Rand15 rand(1);
    PlaceLayout(g, s - 1, rand);
    g.phase = 10 * s + kPlay;
    g.timer = kStageFrames;
    tevtest::NullSink quiet;
    for (int f = 0; StepOf(g) == kPlay; ++f) Frame(g, Holding(plan, f - shift), rand, quiet);
    return StepOf(g) == kCleared;
}

// A move every ten frames drawn from a seeded generator: the first plan
// that clears stage s even when the whole plan lands a frame early or late.
Plan PlanStage(int s) {
    tev::Rand15 choose(2024 + s);
    for (int attempt = 0; attempt < 5000; ++attempt) {
        Plan plan;
        for (int f = 0; f < kStageFrames; ++f) plan.push_back(f % 10 == 0 ? choose.Next() % 9 : plan.back());
        if (Clears(s, plan, -1) && Clears(s, plan, 0) && Clears(s, plan, 1)) return plan;
    }
    return {};
}

// The game as the plug-in plays it: the title press on frame 0, plans[s]
// held in stage s (nothing where there is none). Frames from the press.
struct Timeline {
    std::vector<std::pair<int, Plan>> moves;  // first play frame, plan
    std::vector<int> readyAt;                 // first ready frame of each attempt
    int end = 0;                              // MainLoop returns 1
    int result = 0;
};

Timeline PlayWhole(const std::vector<Plan>& plans) {
    Timeline t;
    Game g;
    tev::Rand15 rand(1);
    Start(g, rand);
    tevtest::NullSink quiet;
    int played = 0;
    for (int f = 0; f < 50000; ++f) {
        tev::Buttons b = f == 0 ? tevtest::ButtonsWith({tev::kButton1}) : tev::Buttons{};
        const int s = Stage(g);
        const bool planned = s < static_cast<int>(plans.size());
        if (StepOf(g) == kPlay) {
            if (played == 0 && planned) t.moves.push_back({f, plans[s]});
            if (planned) b = Holding(plans[s], played);
            ++played;
        } else {
            played = 0;
        }
        const int before = g.phase;
        if (Frame(g, b, rand, quiet) != 0) {
            t.end = f;
            t.result = g.result;
            return t;
        }
        // The rest of a plan would run on into the next stage.
        if (before % 10 == kPlay && StepOf(g) != kPlay && planned) t.moves.back().second.resize(played);
        if (StepOf(g) == kReady && g.phase != before) t.readyAt.push_back(f + 1);
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

// The first dumped frame at or after frame.
std::string DumpFrom(const tevtest::LauncherSandbox& box, long frame) {
    return box.Path(tevtest::DumpName((frame + kDumpEvery - 1) / kDumpEvery * kDumpEvery));
}

// A ball's face is red or cream; the felt and the list are darker in red.
bool BallAt(const std::string& png, int x, int y) { return PixelAt(png, x, y).r > 120; }
bool FeltAt(const std::string& png, int x, int y) {
    const Pixel p = PixelAt(png, x, y);
    return p.r == 0x1A && p.g == 0x5A && p.b == 0x3A;
}

}  // namespace

TEST(BallClashFromLauncher, FirstGameWonStageByStageSecondLost) {
    std::vector<Plan> plans;
    for (int stage = 0; stage < kStages; ++stage) {
        plans.push_back(PlanStage(stage));
        ASSERT_FALSE(plans.back().empty()) << "no planned run clears stage " << stage + 1;
    }
    const Timeline win = PlayWhole(plans);
    ASSERT_EQ(win.result, kAllCleared);
    ASSERT_EQ(win.readyAt.size(), 10u);
    const Timeline loss = PlayWhole({});
    ASSERT_EQ(loss.result, kGameOver);
    // Three lives and the last try: four attempts at stage 1.
    ASSERT_EQ(loss.readyAt.size(), 4u);
    EXPECT_EQ(loss.end, 4 * (kReadyFrames + kStageFrames + kResultFrames));

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    // Only this game in the list, whatever else the tree holds.
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "ball_clash" && std::filesystem::exists(entry.path() / (name + ".so")))
            std::filesystem::remove_all(entry.path());
    }

    // Through the splash (stop, go on, go on) and the title's play item to
    // the list, button 1 on the game; button 1 on the game's title.
    Script script;
    for (long f : {60L, 100L, 120L, 260L}) script.Tap(f, "Z");
    const long release = 380;
    script.Tap(release - 5, "Z", 5);
    const long won = release + kListToGame + 30;
    script.Tap(won, "Z", 2);
    for (const auto& [first, plan] : win.moves)
        for (size_t f = 0; f < plan.size(); ++f)
            for (int b : kMoves[plan[f]]) script.Hold(won + first + static_cast<long>(f), kKeyNames[b]);
    // Back in the list (still on the game), start it again and lose.
    const long again = won + win.end + 100;
    script.Tap(again - 5, "Z", 5);
    const long lost = again + kListToGame + 30;
    script.Tap(lost, "Z", 2);
    const long end = lost + loss.end;
    script.Tap(end + 100, "ESCAPE");  // in the list: the launcher quits

    box.WriteFile("play.script", script.Text());
    const int rc = box.Run({"--headless", "--frames", std::to_string(end + 600), "--input", box.Path("play.script"),
                            "--dump", box.Path("dump"), "--dump-every", std::to_string(kDumpEvery),
                            "--fixed-clock", "4242"});
    ASSERT_EQ(rc, 0) << box.ReadFile("run.log");
    EXPECT_FALSE(box.Exists(tevtest::DumpName(end + 400))) << "the launcher did not quit";
    const std::string plays = box.ReadFile("play.dat");
    EXPECT_NE(plays.find("ball_clash=2"), std::string::npos) << plays;

    // Stage 1's ready screen: its four balls in a row; stage 2's its own
    // four, the row gone; stage 10's grid.
    const std::string one = DumpFrom(box, won + win.readyAt[0] + 5);
    for (int x : {70, 130, 190, 250}) EXPECT_TRUE(BallAt(one, x, 120)) << one << " x " << x;
    const std::string two = DumpFrom(box, won + win.readyAt[1] + 5);
    EXPECT_TRUE(BallAt(two, 137, 60)) << two;
    EXPECT_TRUE(BallAt(two, 183, 180)) << two;
    EXPECT_TRUE(FeltAt(two, 70, 120)) << two;
    const std::string ten = DumpFrom(box, won + win.readyAt[9] + 5);
    for (int i : {9, 17, 43, 62}) EXPECT_TRUE(BallAt(ten, 48 + 32 * (i % 8), 8 + 32 * (i / 8))) << ten << " " << i;
    // Each game ends on the table and hands back to the list.
    for (long last : {won + win.end, end}) {
        EXPECT_TRUE(FeltAt(DumpFrom(box, last - 20), 300, 200)) << last;
        EXPECT_FALSE(FeltAt(DumpFrom(box, last + 20), 300, 200)) << last;
    }
    // The second game starts afresh on stage 1's row.
    EXPECT_TRUE(BallAt(DumpFrom(box, lost + loss.readyAt[3] + 5), 250, 120));
}
