// Party march rules played frame by frame without the host: the beat's
// reading of the arrows, fights, the boss's odds, enemy steps and the
// camera's stop.
#include <gtest/gtest.h>

#include "games/party_march/party_march_rules.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace party_march;

// A game past its title (button 1 skips it), at the first play frame.
struct Play {
    Game g;
    tev::Rand15 rand{12345};
    tevtest::RecordingSink sink;

    Play() {
        Start(g);
        Run({});                          // frame 0: units placed
        Run(tevtest::ButtonsWith({tev::kButton1}, 1));  // the title skipped
        Run(tevtest::ButtonsWith({tev::kButton1}, -1));
        EXPECT_GE(g.frame, kTitleFrames);
    }
    void Run(const tev::Buttons& b) { Frame(g, b, rand, sink); }
    bool OnBeat() const { return (g.frame - g.beatOrigin) % g.beat == 0; }
    // Runs up to the next beat frame (not including it).
    void ToBeat() {
        while (!OnBeat()) Run({});
    }
    // The next beat, with these buttons held on it.
    void BeatWith(std::initializer_list<int> held) {
        ToBeat();
        Run(tevtest::ButtonsWith(held, 5));
    }
    // Leaves only the hero and, where given, these enemies (and the boss).
    void Clear() {
        for (int i = 1; i < kPartySize; ++i) g.party[i] = Unit{};
        for (int i = 1; i < kEnemySlots; ++i) g.enemies[i] = Unit{};
        MarkGroup(g);
    }
    Unit& Put(Unit* table, int slot, int col, int lane, int cls, int ai = 0) {
        Unit& u = table[slot];
        u = Unit{};
        u.alive = true;
        u.col = col;
        u.lane = lane;
        u.cls = cls;
        u.ai = ai;
        return u;
    }
};

TEST(PartyMarchBeat, TapBetweenBeatsIsKeptAndHeldArrowsResolveToTheLast) {
    Play p;
    p.Clear();
    p.ToBeat();
    p.Run({});  // just past a beat
    p.Run(tevtest::ButtonsWith({tev::kRight}, 1));
    p.Run(tevtest::ButtonsWith({tev::kRight}, -1));
    while (!p.OnBeat()) {
        EXPECT_EQ(p.g.party[0].col, 1) << "moved before the beat";
        p.Run({});
    }
    p.Run({});  // the beat, nothing held: the tap still counts
    EXPECT_EQ(p.g.party[0].col, 2);
    EXPECT_EQ(p.g.moves, 1);

    // Down and left held together on the beat: left comes later in the order.
    p.BeatWith({tev::kDown, tev::kLeft});
    EXPECT_EQ(p.g.party[0].col, 1);
    EXPECT_EQ(p.g.party[0].lane, 1);
    // Up and down: down wins.
    p.BeatWith({tev::kUp, tev::kDown});
    EXPECT_EQ(p.g.party[0].lane, 2);
    // A beat with nothing pressed moves nobody and counts no move.
    p.BeatWith({});
    EXPECT_EQ(p.g.party[0].lane, 2);
    EXPECT_EQ(p.g.moves, 3);
    // A tap released and pressed again on the next frame is a second tap.
    p.ToBeat();
    p.Run({});
    p.Run(tevtest::ButtonsWith({tev::kUp}, 1));
    p.Run(tevtest::ButtonsWith({tev::kUp}, -1));
    p.Run(tevtest::ButtonsWith({tev::kRight}, 1));
    p.BeatWith({});
    EXPECT_EQ(p.g.party[0].col, 2);
    EXPECT_EQ(p.g.party[0].lane, 2);
}

TEST(PartyMarchFight, MemberSharesTheEnemysCellForFiveBeats) {
    Play p;
    p.Clear();
    const Unit& hero = p.g.party[0];
    const Unit& slime = p.Put(p.g.enemies, 1, 2, 1, kSlime);  // ai 0: stays put
    p.sink.Clear();
    p.BeatWith({tev::kRight});
    for (int beat = 1; beat <= 5; ++beat) {
        EXPECT_EQ(hero.col, 2) << "beat " << beat;
        EXPECT_EQ(hero.lane, 1);
        EXPECT_EQ(hero.fighting, 1);
        EXPECT_EQ(slime.fighting, 1);
        EXPECT_TRUE(slime.alive);
        EXPECT_EQ(hero.beats, beat);
        // Arrows do nothing while the fight lasts.
        p.BeatWith({tev::kDown});
    }
    // Sixth beat: decided. Each fighting beat clashed twice.
    EXPECT_EQ(hero.fighting, 0);
    EXPECT_EQ(slime.fighting, 0);
    EXPECT_NE(hero.alive, slime.alive);
    EXPECT_EQ(p.sink.PlayCount(sound::kClash), 5);
    EXPECT_EQ(p.sink.PlayCount(sound::kClash2), 5);
}

TEST(PartyMarchFight, OnlyTheHeroBeatsTheBossAndAlwaysOncePromoted) {
    EXPECT_EQ(WinChance(kHero, 0), 75);
    EXPECT_EQ(WinChance(kHero + kPromoted, 0), 100);
    // Rock-paper-scissors and grades: knight beats thief, a promoted foe costs 10.
    EXPECT_EQ(WinChance(kKnight, kThief), 90);
    EXPECT_EQ(WinChance(kKnight, kMage), 60);
    EXPECT_EQ(WinChance(kMage + kPromoted, kKnight + kPromoted), 90);
    EXPECT_EQ(WinChance(kThief, kSlime), 90);

    for (uint32_t seed = 1; seed <= 300; ++seed) {
        for (int cls : {int{kKnight}, int{kMage}, int{kThief}, kKnight + kPromoted, kMage + kPromoted, kThief + kPromoted,
                        kHero + kPromoted}) {
            Game g;
            Start(g);
            PlaceUnits(g);
            Unit& m = g.party[cls == kHero + kPromoted ? 0 : 1];
            m.cls = cls;
            m.col = 201;
            m.lane = 4;
            m.fighting = 1;
            m.foe = 0;
            m.beats = 5;
            g.enemies[0].fighting = 1;
            tev::Rand15 rand(seed);
            AdvanceBattles(g, rand);
            const bool heroWins = cls == kHero + kPromoted;
            ASSERT_EQ(g.enemies[0].alive, !heroWins) << "class " << cls << " seed " << seed;
            ASSERT_EQ(m.alive, heroWins) << "class " << cls << " seed " << seed;
        }
    }
}

TEST(PartyMarchEnemies, NeverStepOntoThePartyOrStartAFight) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        Game g;
        Start(g);
        PlaceUnits(g);
        // The party in a block at the left edge, wanderers and hunters all round it.
        for (int i = 0; i < kPartySize; ++i) {
            g.party[i].col = 2 + i % 3;
            g.party[i].lane = 2 + i / 3;
        }
        MarkGroup(g);
        for (int i = 1; i < kEnemySlots; ++i) g.enemies[i] = Unit{};
        int slot = 1;
        for (int col = 1; col <= 7; ++col)
            for (int lane = 1; lane <= 7; ++lane) {
                if (col >= 2 && col <= 4 && lane >= 2 && lane <= 5) continue;
                Unit& e = g.enemies[slot++];
                e = Unit{};
                e.alive = true;
                e.col = col;
                e.lane = lane;
                e.cls = 1;
                e.ai = 1 + slot % 4;
            }
        tev::Rand15 rand(seed);
        for (int beat = 0; beat < 30; ++beat) {
            MoveEnemies(g, rand);
            for (const Unit& e : g.enemies) {
                if (!e.alive) continue;
                ASSERT_EQ(e.fighting, 0);
                ASSERT_GE(e.col, g.camera);
                for (const Unit& m : g.party)
                    ASSERT_FALSE(m.alive && m.col == e.col && m.lane == e.lane) << "seed " << seed;
            }
        }
        for (const Unit& m : g.party) EXPECT_EQ(m.fighting, 0);
    }
}

TEST(PartyMarchCamera, QuickensAtColumns98And148AndStopsAt192WhileTheHeroWalksOn) {
    Play p;
    p.Clear();
    // An open lane from column 90 on, the hero at its left end.
    for (int col = 90; col < kColumns; ++col) p.g.map[3][col] = 0;
    p.g.camera = p.g.prevCamera = 90;
    p.g.party[0].col = 90;
    p.g.party[0].lane = 3;
    p.g.enemies[0] = Unit{};  // the boss out of the way (the game would end)
    p.Put(p.g.enemies, 0, 201, 5, 0);
    while (p.g.party[0].col < kColumns - 1) {
        const int camera = p.g.camera;
        p.BeatWith({tev::kRight});
        if (camera < 98 && p.g.camera >= 98) {
            EXPECT_EQ(p.g.beat, 26);
            EXPECT_EQ(p.g.beatOrigin, p.g.frame - 1);
        }
        if (camera < 148 && p.g.camera >= 148) {
            EXPECT_EQ(p.g.beat, 25);
        }
        ASSERT_LE(p.g.camera, kCameraStop);
        ASSERT_LE(p.g.party[0].col - p.g.camera, 10) << "the hero walked off the screen";
    }
    EXPECT_EQ(p.g.camera, kCameraStop);
    EXPECT_EQ(p.g.beat, 25);
    // At the last column a step right is refused, not read past the map.
    p.BeatWith({tev::kRight});
    EXPECT_EQ(p.g.party[0].col, kColumns - 1);
    EXPECT_EQ(p.g.camera, kCameraStop);
}

TEST(PartyMarchEnd, PromotedHeroFellsTheBossThenTheWonScreenAndResultOne) {
    Play p;
    p.Clear();
    p.g.camera = p.g.prevCamera = kCameraStop;
    p.g.party[0].col = kBossColumn - 1;
    p.g.party[0].lane = 4;
    p.g.party[0].cls = kHero + kPromoted;
    p.BeatWith({tev::kRight});
    EXPECT_EQ(p.g.party[0].fighting, 1);
    while (p.g.enemies[0].alive) p.BeatWith({});
    EXPECT_EQ(p.g.endFrame, p.g.frame - 1);
    EXPECT_EQ(p.g.defeated, 1);
    while (p.g.state == kPlay) p.Run({});
    EXPECT_EQ(p.g.state, kWon);
    EXPECT_EQ(p.sink.PlayCount(sound::kFanfare), 1);
    int ret = 0;
    int frames = 0;
    for (; frames < 2000 && !ret; ++frames) ret = Frame(p.g, {}, p.rand, p.sink);
    EXPECT_EQ(p.g.result, kResultWon);
    EXPECT_EQ(frames, kWonFrames + 2);
}

}  // namespace
