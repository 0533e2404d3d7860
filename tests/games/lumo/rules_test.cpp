#include "games/lumo/lumo_rules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tests/support/recording_sink.h"

using namespace lumo;
using tevtest::ButtonsWith;
using tevtest::RecordingSink;

namespace {

// A private folder for score files, removed with the test.
struct Folder {
    std::filesystem::path dir;
    Folder() {
        dir = std::filesystem::temp_directory_path() /
              ("lumo-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~Folder() { std::filesystem::remove_all(dir); }
    std::string Score() const { return (dir / "score.dat").string(); }
    void Write(const std::string& bytes) const { std::ofstream(Score(), std::ios::binary) << bytes; }
    std::string Read() const {
        std::ifstream in(Score(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

std::string Bytes(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    return std::string{char(u & 0xFF), char(u >> 8 & 0xFF), char(u >> 16 & 0xFF), char(u >> 24 & 0xFF)};
}

std::string HiScore(int v) {
    char text[32];
    std::snprintf(text, sizeof text, "HiScore %10d", v);
    return text;
}

// A game in its minute, with no orbs; the tests place their own.
std::unique_ptr<Game> Running(const char* scorePath = "") {
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(7);
    Start(*g, rng, scorePath);
    g->orbs = {};
    g->started = g->running = true;
    g->countdown = 0;
    return g;
}

Orb At(double x, double y, int level, int age) {
    Orb o;
    o.x = x;
    o.y = y;
    o.level = level;
    o.age = age;
    o.live = 1;
    return o;
}

}  // namespace

TEST(Lumo, FirstOrbDrawsAngleThenPlaceAndSplitsIntoFourOfLevelTwo) {
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(1234);
    tev::Rand15 copy(1234);
    Start(*g, rng, "");
    const double a = (copy.Next() / 32767.0 - 0.5) * 2 * 3.141592;
    const int x = copy.Next() % 320, y = copy.Next() % 235;
    ASSERT_EQ(LiveOrbs(*g), 1);
    const Orb first = g->orbs[0];
    EXPECT_EQ(first.level, 0);
    EXPECT_EQ(first.x, x);
    EXPECT_EQ(first.y, y);
    EXPECT_DOUBLE_EQ(first.vx, 3 * std::cos(a));
    EXPECT_DOUBLE_EQ(first.vy, 3 * std::sin(a));
    EXPECT_EQ(g->time_left, 3600);
    EXPECT_EQ(g->countdown, 180);

    // Burst it where it is: four children of level 2, each from three draws
    // (no draw for their number), near the parent, too young to burst again.
    g->orbs[0].age = 20;
    g->cx = first.x;
    g->cy = first.y;
    RecordingSink out;
    const uint32_t before = rng.State();
    Burst(*g, rng, out);
    tev::Rand15 replay(before);
    for (int i = 0; i < 12; ++i) replay.Next();
    EXPECT_EQ(rng.State(), replay.State());
    EXPECT_EQ(LiveOrbs(*g), 4);
    for (int i = 0; i < 4; ++i) {
        const Orb& c = g->orbs[i + 1];
        EXPECT_TRUE(c.live);
        EXPECT_EQ(c.level, 2);
        EXPECT_EQ(c.age, 0);
        EXPECT_LE(std::fabs(c.x - first.x), 128);
        EXPECT_LE(std::fabs(c.y - first.y), 128);
        EXPECT_NEAR(std::hypot(c.vx - first.vx, c.vy - first.vy), 3, 1e-9);
    }
    EXPECT_FALSE(g->orbs[0].live);
    EXPECT_EQ(g->score, 1);
    out.Clear();
    Burst(*g, rng, out);  // the children are under the cursor but not 20 frames old
    EXPECT_EQ(LiveOrbs(*g), 4);
    EXPECT_EQ(out.Played(), std::vector<int>{sound::kMiss});
}

TEST(Lumo, OnePressBurstsEveryOrbUnderTheCursorOneComboEach) {
    auto g = Running();
    g->cx = 100;
    g->cy = 100;
    // Three overlapping orbs in reach (a level-3 orb reaches sqrt(16^2 + 18^2)
    // = 24.08), one just out of reach, one too young.
    g->orbs[3] = At(100, 100, 6, 20);
    g->orbs[10] = At(124, 100, 3, 50);
    g->orbs[20] = At(100, 85, 5, 100);
    g->orbs[30] = At(124.2, 100, 3, 50);
    g->orbs[40] = At(100, 100, 6, 18);  // 19 after this frame's move
    g->combo = 2;
    RecordingSink out;
    tev::Rand15 rng(5);
    const uint32_t before = rng.State();
    Frame(*g, ButtonsWith({tev::kButton1}), rng, out);

    // Left alive: the two spared orbs and the new children (age 0).
    EXPECT_TRUE(g->orbs[30].live);
    EXPECT_TRUE(g->orbs[40].live);
    for (const Orb& o : g->orbs)
        if (o.live && &o != &g->orbs[30] && &o != &g->orbs[40]) {
            EXPECT_EQ(o.age, 0);
        }
    EXPECT_EQ(g->combo, 5);
    // Table order: level 6 at combo 3, level 3 at 4, level 5 at 5.
    EXPECT_EQ(g->score, 7 * 9 + 4 * 16 + 6 * 25);
    std::vector<uint32_t> pitches;
    for (const auto& c : out.Calls("SetFrequency"))
        if (c.Int(0) == sound::kBurst) pitches.push_back(static_cast<uint32_t>(c.args[1]));
    EXPECT_EQ(pitches, (std::vector<uint32_t>{23 * 512, 24 * 512, 25 * 512}));
    EXPECT_EQ(out.Played(), (std::vector<int>{sound::kBurst, sound::kBurst, sound::kBurst}));
    // Only the level-3 orb split: into level 5 (one draw for the number).
    int fives = 0;
    for (const Orb& o : g->orbs) fives += o.live && o.level == 5;
    EXPECT_TRUE(fives == 3 || fives == 4);
    EXPECT_EQ(LiveOrbs(*g), 2 + fives);
    tev::Rand15 replay(before);
    for (int i = 0; i < 1 + 3 * fives; ++i) replay.Next();
    EXPECT_EQ(rng.State(), replay.State());

    // Held, not pressed: nothing. A press on empty space: combo 0, the miss.
    out.Clear();
    Frame(*g, ButtonsWith({tev::kButton1}, 2), rng, out);
    EXPECT_EQ(g->combo, 5);
    g->cx = g->cy = 300;
    g->cvx = g->cvy = 0;
    for (Orb& o : g->orbs) o.x = o.y = 20;
    Frame(*g, ButtonsWith({tev::kButton1}), rng, out);
    EXPECT_EQ(g->combo, 0);
    EXPECT_EQ(out.Played(), std::vector<int>{sound::kMiss});
}

TEST(Lumo, SmallestLevelsVanishAndLongCombosKeepPitchAndScoreBounded) {
    for (int level : {5, 6}) {
        auto g = Running();
        g->orbs[0] = At(50, 50, level, 30);
        g->cx = g->cy = 50;
        RecordingSink out;
        tev::Rand15 rng(9);
        const uint32_t before = rng.State();
        Burst(*g, rng, out);
        EXPECT_EQ(LiveOrbs(*g), 0) << level;
        EXPECT_EQ(rng.State(), before) << "no draws for an orb that vanishes";
    }
    // Level 4 draws its number first: above 16383 makes three level-6 orbs.
    auto g = Running();
    g->orbs[0] = At(50, 50, 4, 30);
    g->cx = g->cy = 50;
    RecordingSink out;
    tev::Rand15 rng(9);
    tev::Rand15 peek = rng;
    const int expected = peek.Next() > 16383 ? 3 : 4;
    Burst(*g, rng, out);
    EXPECT_EQ(LiveOrbs(*g), expected);
    for (const Orb& o : g->orbs)
        if (o.live) {
            EXPECT_EQ(o.level, 6);
        }

    // From combo 20 on the burst keeps its last pitch; the score saturates.
    auto h = Running();
    h->orbs[0] = At(50, 50, 6, 30);
    h->cx = h->cy = 50;
    h->combo = 19;
    h->score = INT32_MAX - 5;
    out.Clear();
    Burst(*h, rng, out);
    EXPECT_EQ(out.Count("SetFrequency"), 0);
    EXPECT_EQ(out.Played(), std::vector<int>{sound::kBurst});
    EXPECT_EQ(h->score, INT32_MAX);
}

TEST(Lumo, FusionNeedsTwoOldOrbsAndTheFusedOrbBurstsAtOnce) {
    auto g = Running();
    // Touching (closer than one diameter, 64) at level 2, one a frame too young.
    g->orbs[5] = At(100, 100, 2, 79);
    g->orbs[9] = At(140, 100, 2, 80);
    g->orbs[5].vx = 1;
    g->orbs[9].vx = -3;
    g->orbs[9].vy = 2;
    Fuse(*g);
    EXPECT_EQ(LiveOrbs(*g), 2);
    // Exactly one diameter apart does not count as touching.
    g->orbs[5].age = 80;
    g->orbs[9].x = 164;
    Fuse(*g);
    EXPECT_EQ(LiveOrbs(*g), 2);
    // Other levels never fuse with each other.
    g->orbs[9].x = 140;
    g->orbs[9].level = 3;
    Fuse(*g);
    EXPECT_EQ(LiveOrbs(*g), 2);

    g->orbs[9].level = 2;
    Fuse(*g);
    ASSERT_EQ(LiveOrbs(*g), 1);
    const Orb& f = g->orbs[0];  // the first free record
    EXPECT_TRUE(f.live);
    EXPECT_EQ(f.level, 1);
    EXPECT_EQ(f.age, 20);
    EXPECT_DOUBLE_EQ(f.x, 120);
    EXPECT_DOUBLE_EQ(f.y, 100);
    EXPECT_DOUBLE_EQ(f.vx, -1);
    EXPECT_DOUBLE_EQ(f.vy, 1);

    // Three in a row: the first pair fuses, the third waits for a partner.
    auto t = Running();
    t->orbs[0] = At(10, 10, 6, 90);
    t->orbs[1] = At(12, 10, 6, 90);
    t->orbs[2] = At(11, 11, 6, 90);
    Fuse(*t);
    EXPECT_EQ(LiveOrbs(*t), 2);
    EXPECT_EQ(t->orbs[0].level, 5);
    EXPECT_TRUE(t->orbs[2].live);

    // Age 20 is old enough to burst: a press right after the fusion.
    g->cx = 120;
    g->cy = 100;
    RecordingSink out;
    tev::Rand15 rng(3);
    Burst(*g, rng, out);
    EXPECT_FALSE(g->orbs[0].live);
    EXPECT_EQ(g->combo, 1);
    EXPECT_EQ(g->score, 2);
    EXPECT_EQ(LiveOrbs(*g), 4);  // a level-1 orb splits into four of level 3
}

TEST(Lumo, MinuteRunsOutWithTheMusicRisingAndAFailNeverTouchesTheBest) {
    Folder folder;
    folder.Write(Bytes(500) + "xy");
    auto g = Running(folder.Score().c_str());
    ASSERT_EQ(g->high, 500);
    g->orbs[0] = At(300, 10, 6, 0);  // out of the way
    g->score = 900;                   // more than the best, yet failed
    RecordingSink out;
    tev::Rand15 rng(11);
    std::vector<uint32_t> music;
    int frames = 0;
    while (!g->ended) {
        out.Clear();
        Frame(*g, tev::Buttons{}, rng, out);
        ++frames;
        for (const auto& c : out.Calls("SetFrequency"))
            if (c.Int(0) == sound::kMusic) music.push_back(static_cast<uint32_t>(c.args[1]));
        if (frames == 1) {
            EXPECT_TRUE(out.HasText("Time 59.98"));
        }
        ASSERT_LT(frames, 4000);
    }
    EXPECT_EQ(frames, 3600);
    ASSERT_EQ(music.size(), 3600u);
    EXPECT_EQ(music.front(), 43008u);
    EXPECT_EQ(music[1], 44032u);
    EXPECT_EQ(music.back(), 49152u);
    EXPECT_TRUE(out.HasText("GameFailed."));
    EXPECT_TRUE(out.HasText("Push Button2 to exit."));
    EXPECT_TRUE(out.HasText(HiScore(500)));

    EXPECT_EQ(Frame(*g, ButtonsWith({tev::kButton2}), rng, out), 1);
    EXPECT_EQ(g->result, kResultFailed);
    EXPECT_EQ(Finish(*g), kResultFailed);
    EXPECT_EQ(folder.Read(), Bytes(500) + "xy");
    EXPECT_EQ(g->high, 500);
}

TEST(Lumo, ClearedGameEqualToTheBestStillCountsAndRewritesTheFile) {
    Folder folder;
    folder.Write(Bytes(1234) + "xy");  // extra bytes: a rewrite drops them
    auto g = Running(folder.Score().c_str());
    g->score = 1234;
    RecordingSink out;
    tev::Rand15 rng(2);
    Frame(*g, tev::Buttons{}, rng, out);  // no orb live: cleared
    EXPECT_TRUE(g->cleared);
    EXPECT_EQ(g->time_left, 3600);
    EXPECT_TRUE(out.HasText("GameCleared and You got HiScore!!"));
    EXPECT_EQ(folder.Read(), Bytes(1234) + "xy");  // not before button 2
    EXPECT_EQ(Frame(*g, ButtonsWith({tev::kButton2}), rng, out), 1);
    EXPECT_EQ(g->result, kResultCleared);
    EXPECT_EQ(folder.Read(), Bytes(1234));

    // Below the best: a plain clear, the file left alone.
    folder.Write(Bytes(1235) + "xy");
    auto low = Running(folder.Score().c_str());
    low->score = 1234;
    out.Clear();
    Frame(*low, ButtonsWith({tev::kButton2}), rng, out);
    EXPECT_TRUE(out.HasText("GameCleared."));
    EXPECT_EQ(Finish(*low), kResultCleared);
    EXPECT_EQ(folder.Read(), Bytes(1235) + "xy");

    // A new best left with Escape (result 0) is kept all the same; no file
    // yet is created.
    std::filesystem::remove(folder.Score());
    auto best = Running(folder.Score().c_str());
    best->score = 77;
    out.Clear();
    Frame(*best, tev::Buttons{}, rng, out);
    EXPECT_TRUE(out.HasText(HiScore(77)));
    EXPECT_EQ(Finish(*best), kUndecided);
    EXPECT_EQ(folder.Read(), Bytes(77));
}

TEST(Lumo, WaitsForButtonTwoThenCountsThreeTwoOne) {
    auto g = std::make_unique<Game>();
    tev::Rand15 rng(1);
    Start(*g, rng, "");
    RecordingSink out;
    Frame(*g, ButtonsWith({tev::kButton1}), rng, out);
    EXPECT_FALSE(g->started);
    EXPECT_TRUE(out.HasText("Push Button2 to Start"));
    Frame(*g, ButtonsWith({tev::kButton2}), rng, out);
    ASSERT_TRUE(g->started);
    std::string shown;
    int frames = 0;
    while (!g->running) {
        out.Clear();
        Frame(*g, tev::Buttons{}, rng, out);
        ++frames;
        ASSERT_EQ(out.Texts().size(), 5u);  // the number and the status line
        const tevtest::TextCall n = out.Texts()[0];
        EXPECT_EQ(n.x, 140);
        EXPECT_EQ(n.y, 100);
        if (shown.empty() || shown.back() != n.text[0]) shown += n.text;
    }
    EXPECT_EQ(frames, 180);
    EXPECT_EQ(shown, "321");
    EXPECT_EQ(g->time_left, 3599);  // the last count-down frame is the first of the minute
}

TEST(Lumo, OrbsGlowAdditivelyAtTheirDiametersUnderAnAlphaCursor) {
    auto g = Running();
    g->orbs[7] = At(100, 50, 3, 0);
    g->orbs[9] = At(10, 20, 0, 0);
    RecordingSink out;
    tev::Rand15 rng(1);
    Frame(*g, tev::Buttons{}, rng, out);
    std::vector<std::string> order;
    for (const auto& c : out.calls)
        if (c.op == "SetBlendMode" || c.op == "StretchCenter" || c.op == "BlitCenter") order.push_back(c.op);
    EXPECT_EQ(order, (std::vector<std::string>{"SetBlendMode", "StretchCenter", "StretchCenter", "SetBlendMode",
                                               "BlitCenter"}));
    EXPECT_EQ(out.Calls("SetBlendMode")[0].Int(0), kBlendAdd);
    EXPECT_EQ(out.Calls("SetBlendMode")[1].Int(0), kBlendAlpha);
    EXPECT_EQ(out.Calls("StretchCenter")[0].Int(3), 32);
    EXPECT_EQ(out.Calls("StretchCenter")[1].Int(3), 256);
    EXPECT_EQ(out.Calls("BlitCenter")[0].Int(0), kCursorTexture);
}
