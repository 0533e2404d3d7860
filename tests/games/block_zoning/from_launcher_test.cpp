// Block zoning played from the launcher's game list in two headless runs of
// one sandbox, with input scripts planned from the rules (the plug-in seeds
// its generator from --fixed-clock, so the obstacles and the title's colours
// are known): a small town that ends short of the clear mark, then a planned
// town that clears it. "./hiscore.ini" is read after each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "games/block_zoning/block_zoning_rules.h"
#include "games/kit/tev_kit.h"
#include "tests/support/held_buttons.h"
#include "tests/support/launcher_sandbox.h"
#include "tests/support/recording_sink.h"
#include "tests/support/standin_services.h"

namespace {

using namespace block_zoning;

// Launcher frames from the release of button 1 in the game list to the
// game's first MainLoop (60 frames of fade-out, the start frame).
constexpr int kListToGame = 62;
constexpr long kListRelease = 405;
// Frames are dumped every tenth frame; Dumped rounds down to one of them.
constexpr int kDumpEvery = 10;
long Dumped(long frame) { return frame / kDumpEvery * kDumpEvery; }

struct Move {
    int kind, col, row;
};

// A town worth well over 20 000 on an empty grid: works first (two of them
// only until houses replace them), shops beside the works, houses between
// the shops; then passes while it grows.
const std::vector<Move> kTown = {
    {kCommercialWide, 1, 1}, {kIndustrialWide, 0, 0}, {kIndustrialWide, 3, 3}, {kCommercialWide, 5, 1},
    {kIndustrialWide, 5, 0}, {kCommercialWide, 0, 6}, {kIndustrialWide, 0, 8}, {kIndustrialWide, 3, 5},
    {kCommercialWide, 4, 6}, {kIndustrialWide, 5, 8}, {kIndustrialTall, 8, 3}, {kResidential, 0, 3},
    {kIndustrialTall, 9, 1}, {kIndustrialWide, 2, 9}, {kResidential, 3, 3},   {kResidential, 6, 3},
};

// True when no obstacle of the grid this clock sets up lies under a move.
bool ObstaclesClear(uint32_t clock, const std::vector<Move>& moves) {
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(clock);
    Start(*g, rng, nullptr);
    for (const Block& b : g->blocks) {
        if (b.kind != kObstacle) continue;
        for (const Move& m : moves)
            if (b.col >= m.col && b.col < m.col + kWidth[m.kind] && b.row >= m.row && b.row < m.row + kHeight[m.kind])
                return false;
    }
    return true;
}

// One play planned frame by frame: held logical buttons per game frame, a
// press on one frame and nothing on the next, acting only when the rules
// take input; the game's own state decides the next press.
struct Play {
    std::vector<std::set<int>> frames;
    int32_t score = 0;
    int result = 0;
    bool planned = false;
};

Play PlanPlay(uint32_t clock, const std::vector<Move>& moves) {
    Play play;
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(clock);
    Start(*g, rng, nullptr);
    tevtest::HeldButtons counters;
    tevtest::NullSink quiet;
    size_t next = 0;
    int title_wait = 0;
    int end_wait = 0;
    bool released = true;
    for (int frame = 0; frame < 20000; ++frame) {
        std::set<int> held;
        const bool ready = released && g->shown_score == g->score;
        released = true;
        int placing = -1;
        if (ready && g->state == kTitle && ++title_wait > 30) {
            held = {tev::kButton1};
        } else if (ready && g->state == kPlay) {
            const Move want = next < moves.size() ? moves[next] : Move{kPass, g->col, g->row};
            if (g->kind != want.kind)
                held = {tev::kButton2};
            else if (g->col != want.col)
                held = {g->col > want.col ? tev::kLeft : tev::kRight};
            else if (g->row != want.row)
                held = {g->row > want.row ? tev::kUp : tev::kDown};
            else {
                held = {tev::kButton1};
                placing = g->turns_left;
            }
        } else if (ready && g->state == kEnd && ++end_wait > 40) {
            held = {tev::kButton1};
        }
        if (!held.empty()) released = false;
        play.frames.push_back(held);
        const int r = Frame(*g, counters.Update(held), rng, quiet);
        if (placing >= 0) {
            if (g->turns_left != placing - 1) return play;  // refused: not a plan for this grid
            ++next;
        }
        if (r != 0) {
            play.result = r;
            play.score = g->score;
            play.planned = true;
            return play;
        }
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

// Through the splash and the title to the list, the game started from the
// list's first entry, the planned play, and Escape in the list afterwards.
// Returns the frame of the game's first MainLoop; end is its last frame.
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

std::string Frame(const tevtest::LauncherSandbox& box, const std::string& dir, long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", frame);
    return box.Path(dir + name);
}

bool Red(const Pixel& p) { return p.r > 200 && p.g < 130 && p.b < 130; }

int32_t StoredBest(const tevtest::LauncherSandbox& box) {
    const std::string bytes = box.ReadFile("block_zoning/hiscore.ini");
    if (bytes.size() != 4) return -1;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[i]);
    return static_cast<int32_t>(v);
}

}  // namespace

TEST(BlockZoningFromLauncher, FailedTownThenClearedTownEachStoredAsTheBest) {
    // The first clock from 1000 whose obstacles fall on the few lots the
    // planned town leaves free (about one clock in two thousand).
    uint32_t clock = 0;
    Play cleared;
    for (uint32_t c = 1000; c < 200000 && clock == 0; ++c) {
        if (!ObstaclesClear(c, kTown)) continue;
        cleared = PlanPlay(c, kTown);
        if (cleared.planned && cleared.result == kResultCleared) clock = c;
    }
    ASSERT_NE(clock, 0u) << "no clock leaves room for the planned town";
    // The failed town: its first twelve blocks only, one house among them.
    const Play failed = PlanPlay(clock, std::vector<Move>(kTown.begin(), kTown.begin() + 12));
    ASSERT_TRUE(failed.planned);
    ASSERT_EQ(failed.result, kResultFailed);
    ASSERT_GT(failed.score, 0);
    ASSERT_LT(failed.score, kClearScore);
    ASSERT_GT(cleared.score, failed.score);

    tevtest::LauncherSandbox box;
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) std::filesystem::remove(box.Path(file));
    std::filesystem::remove(box.Path("block_zoning/hiscore.ini"));
    // Only this game in the list, whatever else the tree holds.
    for (const auto& entry : std::filesystem::directory_iterator(box.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != "block_zoning" && std::filesystem::exists(entry.path() / (name + ".so")))
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
        EXPECT_FALSE(box.Exists(Frame(box, dump, Dumped(end + 200)).substr(box.Root().size() + 1)));
    };

    long start = 0, end = 0;
    run(failed, "failed", start, end);
    EXPECT_NE(box.ReadFile("play.dat").find("block_zoning=1"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_EQ(StoredBest(box), failed.score);
    // "GAME OVER" in red on the end screen (9 letters from x 115), not the clear text.
    EXPECT_TRUE(Red(PixelAt(Frame(box, "failed", Dumped(end - 1)), 116, 109)));
    EXPECT_FALSE(Red(PixelAt(Frame(box, "failed", Dumped(end - 1)), 101, 109)));
    // The title's "PRESS ANY BUTTON" in yellow before the first press.
    const Pixel press = PixelAt(Frame(box, "failed", Dumped(start + 11)), 81, 129);
    EXPECT_GT(press.r, 200);
    EXPECT_GT(press.g, 200);
    EXPECT_LT(press.b, 130);

    run(cleared, "cleared", start, end);
    EXPECT_NE(box.ReadFile("play.dat").find("block_zoning=2"), std::string::npos) << box.ReadFile("play.dat");
    EXPECT_EQ(StoredBest(box), cleared.score);
    // "GAME CLEAR!!" (12 letters from x 100).
    EXPECT_TRUE(Red(PixelAt(Frame(box, "cleared", Dumped(end - 1)), 101, 109)));
}
