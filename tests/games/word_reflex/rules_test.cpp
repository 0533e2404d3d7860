// Word reflex's rules played without the host: answers and their costs, the
// order of the end tests, the level reader's limits, and every shipped level.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "games/word_reflex/word_reflex_rules.h"
#include "tests/support/recording_sink.h"

using namespace word_reflex;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> g_log;
void Collect(const char* line) { g_log.push_back(line); }

// A folder of level files for one test.
struct Levels {
    fs::path dir;
    explicit Levels(const std::string& name) {
        dir = fs::temp_directory_path() / ("word_reflex_test_" + name + "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Levels() { fs::remove_all(dir); }
    void Write(int level, const std::string& text) const {
        std::ofstream(dir / ("word_reflex" + std::to_string(level) + ".txt"), std::ios::binary) << text;
    }
};

const std::string kOneTarget = "rule\n\n1,5,5,a b c\n";
const std::string kOneDecoy = "rule\n\n0,5,5,x y z\n";

struct Play {
    Game game;
    tevkit::MTRandom rng{1};
    tevtest::RecordingSink sink;
    int last = 0;

    explicit Play(const Levels& levels) {
        game.dataDir = nullptr;
        dirName = levels.dir.string();
        game.dataDir = dirName.c_str();
        game.log = Collect;
        Start(game, (levels.dir / "hiscore.dat").string().c_str());
    }
    int Step(tev::Buttons b = {}) {
        sink.Clear();
        last = Frame(game, b, rng, sink);
        return last;
    }
    // Title and the level's one page of instructions, by releasing button 1.
    void ToPlay() {
        while (game.screen != kPlay && last == 0) Step(tevtest::ButtonsWith({tev::kButton1}, -1));
    }
    bool Drew(int x, int y, const std::string& text) const {
        for (const auto& t : sink.Texts())
            if (t.x == x && t.y == y && t.text == text) return true;
        return false;
    }
    std::string dirName;
};

tev::Buttons B1() { return tevtest::ButtonsWith({tev::kButton1}); }
tev::Buttons B2() { return tevtest::ButtonsWith({tev::kButton2}); }

}  // namespace

TEST(WordReflexRules, LettingATargetPassCostsALifeEitherWay) {
    Levels levels("pass");
    levels.Write(1, kOneTarget);
    // Timed out: the whole window goes by without an answer.
    Play p(levels);
    p.ToPlay();
    p.Step();  // the first phrase
    ASSERT_EQ(p.game.answerState, kShowing);
    EXPECT_EQ(p.game.answerTimer, 269);
    while (p.game.answerState == kShowing) p.Step();
    EXPECT_EQ(p.game.answerState, kPassed);
    EXPECT_EQ(p.game.lives, 4);
    EXPECT_TRUE(p.game.lostLife);
    EXPECT_EQ(p.sink.Count("Play"), 1);
    EXPECT_EQ(p.game.score, 0);

    // Button 2 on a target: the same life, no score, no refill.
    Play q(levels);
    q.ToPlay();
    q.Step();
    const int gauge = q.game.gauge;
    q.Step(B2());
    EXPECT_EQ(q.game.answerState, kPassed);
    EXPECT_EQ(q.game.lives, 4);
    EXPECT_EQ(q.game.score, 0);
    EXPECT_EQ(q.game.gauge, gauge - 1);
    EXPECT_EQ(q.game.targetsLeft, 5);
}

TEST(WordReflexRules, HittingADecoyCostsALifeAndShowsTheWholePhrase) {
    Levels levels("wrong");
    levels.Write(1, kOneDecoy);
    Play p(levels);
    p.ToPlay();
    p.Step();
    EXPECT_TRUE(p.Drew(108, 124, "x"));
    p.Step(B1());  // only "x" was out
    EXPECT_EQ(p.game.answerState, kHitWrong);
    EXPECT_EQ(p.game.lives, 4);
    EXPECT_EQ(p.game.partsShown, 2);
    p.Step();
    EXPECT_TRUE(p.Drew(128, 170, "xyz"));
    // A decoy let pass scores and refills the gauge by half a window.
    while (p.game.answerState != kShowing) p.Step();
    const int gauge = p.game.gauge;
    p.Step(B2());
    EXPECT_EQ(p.game.score, AnswerScore(1));
    EXPECT_EQ(p.game.gauge, std::min(gauge - 1 + 135, p.game.gaugeMax));
    // Timing out on a decoy costs nothing and shows no lost life.
    while (p.game.answerState != kShowing) p.Step();
    while (p.game.answerState == kShowing) p.Step();
    EXPECT_EQ(p.game.lives, 4);
    EXPECT_FALSE(p.game.lostLife);
}

TEST(WordReflexRules, GameOverWaitsForTheLastResultToBeShown) {
    Levels levels("over");
    levels.Write(1, kOneDecoy);
    Play p(levels);
    p.ToPlay();
    for (int life = 0; life < kStartLives; ++life) {
        while (p.game.answerState != kShowing) p.Step();
        p.Step(B1());
    }
    EXPECT_EQ(p.game.lives, 0);
    // The fifth wrong hit is shown for its 20 frames, heart blinking.
    for (int i = 0; i < kResultFrames; ++i) {
        p.Step();
        ASSERT_EQ(p.game.screen, kPlay) << i;
        EXPECT_TRUE(p.Drew(128, 170, "xyz"));
    }
    p.Step();
    EXPECT_EQ(p.game.screen, kGameOver);
    EXPECT_EQ(p.game.result, kResultGameOver);
    EXPECT_EQ(p.Step(), 0);
    EXPECT_TRUE(p.Drew(10, 30, "ざんねん！"));
    EXPECT_EQ(p.Step(B1()), 1);
    EXPECT_EQ(Finish(p.game), kResultGameOver);
}

TEST(WordReflexRules, AnEmptyGaugeEndsTheGameEvenOnTheLastTarget) {
    Levels levels("gauge");
    levels.Write(1, kOneTarget);
    levels.Write(2, kOneTarget);
    Play p(levels);
    p.ToPlay();
    p.Step();
    p.game.targetsLeft = 1;
    p.game.gauge = 0;
    p.Step();  // the gauge goes to -1 while the phrase shows
    p.Step(B1());
    EXPECT_EQ(p.game.targetsLeft, 0);
    while (p.game.screen == kPlay) p.Step();
    EXPECT_EQ(p.game.screen, kGameOver);
    EXPECT_EQ(p.game.level, 1);
}

TEST(WordReflexRules, WindowAndGaugeByLevel) {
    EXPECT_EQ(WindowFor(1), 270);
    EXPECT_EQ(WindowFor(8), 60);
    EXPECT_EQ(WindowFor(9), 30);
    EXPECT_EQ(WindowFor(20), 30);
    EXPECT_EQ(GaugeMaxFor(9), 675);
    EXPECT_EQ(GaugeMaxFor(3), 1575);

    // Played: level 9 gives a phrase 30 frames.
    Levels levels("window");
    levels.Write(9, kOneTarget);
    Play p(levels);
    p.game.level = 9;
    p.ToPlay();
    p.Step();
    EXPECT_EQ(p.game.window, 30);
    EXPECT_EQ(p.game.targetsLeft, 45);
    // Shown on the frame it is drawn and 30 more; the next frame times it out.
    int shown = 1;
    while (p.game.answerState == kShowing && p.Step() == 0 && p.game.answerState == kShowing) ++shown;
    EXPECT_EQ(shown, 31);
    EXPECT_EQ(p.game.lives, 4);
}

TEST(WordReflexRules, BothButtonsOnOneFrameApplyButton1ThenButton2) {
    Levels levels("both");
    levels.Write(1, kOneTarget);
    levels.Write(2, kOneDecoy);
    Play p(levels);
    p.ToPlay();
    p.Step();
    p.Step(tevtest::ButtonsWith({tev::kButton1, tev::kButton2}));
    // The hit scores and counts; the pass then costs a life on the same target.
    EXPECT_EQ(p.game.score, AnswerScore(1));
    EXPECT_EQ(p.game.targetsLeft, 4);
    EXPECT_EQ(p.game.lives, 4);
    EXPECT_EQ(p.game.answerState, kPassed);
    EXPECT_TRUE(p.game.lostLife);
    ASSERT_EQ(p.sink.Count("Play"), 2);
    EXPECT_EQ(p.sink.Calls("Play")[0].Int(0), kSoundRight);
    EXPECT_EQ(p.sink.Calls("Play")[1].Int(0), kSoundWrong);

    // On a decoy: the wrong hit costs a life, the pass still scores.
    Play q(levels);
    q.game.level = 2;
    q.ToPlay();
    q.Step();
    q.Step(tevtest::ButtonsWith({tev::kButton1, tev::kButton2}));
    EXPECT_EQ(q.game.lives, 4);
    EXPECT_EQ(q.game.score, AnswerScore(2));
    EXPECT_EQ(q.game.answerState, kPassed);
    EXPECT_FALSE(q.game.lostLife);
}

TEST(WordReflexRules, ClearingALevelMovesOnAndAMissingFileEndsTheGame) {
    Levels levels("next");
    levels.Write(1, "one\ntwo\nthree\nfour\nfive\n\n1,5,5,a b c\n");
    Play p(levels);
    p.ToPlay();
    for (int t = 0; t < 5; ++t) {
        while (p.game.answerState != kShowing) p.Step();
        p.Step(B1());
    }
    EXPECT_EQ(p.game.targetsLeft, 0);
    while (p.game.screen == kPlay) p.Step();
    EXPECT_EQ(p.game.screen, kIntro);
    EXPECT_EQ(p.game.level, 2);
    const int score = p.game.score;
    EXPECT_GT(score, 5 * AnswerScore(1));  // the bonus for a short gauge
    EXPECT_EQ(p.game.page, 0);
    // No word_reflex2.txt: the game ends at once, not as a game over.
    EXPECT_EQ(p.Step(), 1);
    EXPECT_EQ(p.game.result, kNoResult);
    EXPECT_EQ(Finish(p.game), kNoResult);
    std::ifstream best(levels.dir / "hiscore.dat", std::ios::binary);
    int32_t stored = 0;
    best.read(reinterpret_cast<char*>(&stored), 4);
    EXPECT_EQ(stored, score);
}

TEST(WordReflexRules, InstructionPagesOfFourLines) {
    Levels levels("pages");
    levels.Write(1, "1\n2\n3\n4\n5\n6\n7\n8\n\n1,5,5,a b c\n");
    Play p(levels);
    p.Step(tevtest::ButtonsWith({tev::kButton1}, -1));
    p.Step();
    EXPECT_TRUE(p.Drew(155, 50, "1"));
    EXPECT_TRUE(p.Drew(155, 125, "4"));
    EXPECT_TRUE(p.Drew(16, 25, "次の言葉が出てきたらｶﾞｯしろ！"));
    // Its 13 full-width and 3 half-width characters end on the screen.
    ASSERT_FALSE(p.sink.Calls("SetFontSize").empty());
    const int size = p.sink.Calls("SetFontSize").back().Int(0);
    EXPECT_LE(16 + 13 * size + 3 * size / 2, 320);
    p.Step(tevtest::ButtonsWith({tev::kButton1}, -1));
    EXPECT_EQ(p.game.page, 4);
    // The second page turns by itself after 256 frames and starts play.
    for (int i = 0; i < 256; ++i) p.Step();
    EXPECT_EQ(p.game.screen, kIntro);
    EXPECT_TRUE(p.Drew(155, 125, "8"));
    p.Step();
    EXPECT_EQ(p.game.screen, kPlay);
}

TEST(WordReflexReader, LimitsAndBadLines) {
    Level level;
    g_log.clear();
    // 17 instruction lines: the 17th is already a phrase line.
    std::string text;
    for (int i = 0; i < 17; ++i) text += "0,1,1,line " + std::to_string(i) + " x\n";
    text += "\n";
    ParseLevel(text, level, Collect);
    EXPECT_EQ(level.lineCount, kMaxLines);
    ASSERT_EQ(level.entryCount, 1);
    EXPECT_STREQ(level.entries[0].part2, "16");
    EXPECT_TRUE(g_log.empty());

    // Pieces longer than their fields, a two-byte character across the cut,
    // and lines that do not parse.
    const std::string kanji = "\x82\xA0";  // one CP932 character
    text = "rule\r\n\r\n";
    text += "1,10,20," + std::string(126, 'a') + kanji + "tail " + std::string(110, 'b') + " c\r\n";
    text += "garbage\n";
    text += "1,2\n";
    text += "0,3,4,\n";
    text += "   \n";
    text += "0,-5,99999999999," + std::string(200, 'd') + " e f\n";
    ParseLevel(text, level, Collect, "t.txt");
    EXPECT_EQ(level.lineCount, 1);
    EXPECT_STREQ(level.lines[0], "rule");
    ASSERT_EQ(level.entryCount, 2);
    const Entry& e = level.entries[0];
    EXPECT_EQ(std::string(e.part1), std::string(126, 'a'));  // the character does not fit whole
    EXPECT_EQ(std::string(e.part2), std::string(110, 'b'));
    EXPECT_STREQ(e.part3, "c");
    EXPECT_EQ(e.isTarget, 1);
    EXPECT_EQ(e.delay2, 20);
    const Entry& d = level.entries[1];
    EXPECT_EQ(std::string(d.part1), std::string(127, 'd'));
    EXPECT_STREQ(d.part2, "e");
    EXPECT_EQ(d.delay1, -5);
    EXPECT_EQ(d.delay2, 2147483647);
    ASSERT_EQ(g_log.size(), 3u);
    EXPECT_NE(g_log[0].find("t.txt:4"), std::string::npos) << g_log[0];

    // A line over 255 bytes is cut, not split into a second line.
    text = std::string(300, 'i') + "\n\n";
    for (int i = 0; i < 130; ++i) text += "1,1,1,a b c\n";
    g_log.clear();
    ParseLevel(text, level, Collect);
    EXPECT_EQ(std::string(level.lines[0]).size(), 255u);
    EXPECT_EQ(level.lineCount, 1);
    EXPECT_EQ(level.entryCount, kMaxEntries);
    EXPECT_EQ(g_log.size(), 1u);
    EXPECT_EQ(Cp932Cut("\x82\xA0\x82\xA0", 4, 3), 2);
    EXPECT_EQ(Cp932Cut("\xB1\x82\xA0", 3, 2), 1);  // half-width kana is one byte
}

TEST(WordReflexReader, ShippedLevelsArePlayable) {
    const fs::path data = fs::path(TEV_GAME_SO).parent_path() / "data";
    int levels = 0;
    for (int n = 1; fs::exists(data / ("word_reflex" + std::to_string(n) + ".txt")); ++n) {
        SCOPED_TRACE("level " + std::to_string(n));
        Level level;
        g_log.clear();
        ASSERT_TRUE(ReadLevelFile((data / ("word_reflex" + std::to_string(n) + ".txt")).string().c_str(), level, Collect));
        EXPECT_TRUE(g_log.empty()) << g_log.front();
        EXPECT_GE(level.lineCount, 1);
        EXPECT_LE(level.lineCount, kMaxLines);
        EXPECT_GE(level.entryCount, 24);
        int targets = 0;
        for (int i = 0; i < level.entryCount; ++i) {
            const Entry& e = level.entries[i];
            targets += e.isTarget;
            const std::string whole = std::string(e.part1) + e.part2 + e.part3;
            // Fits the screen at the font's 12 pixels a byte: a decoy is
            // written out again further right when hit.
            EXPECT_LE(whole.size(), e.isTarget ? 17u : 15u) << whole;
            EXPECT_TRUE(e.part1[0] && e.part2[0] && e.part3[0]);
            // The whole phrase is out with time left to answer.
            EXPECT_GT(e.delay1, 0);
            EXPECT_LE(e.delay1 + e.delay2 + 2, WindowFor(n) * 2 / 3) << whole;
        }
        EXPECT_GE(targets * 10, level.entryCount * 4);
        EXPECT_LE(targets * 10, level.entryCount * 6);
        // Centred at 160 - 5 * bytes, which needs 10-pixel half-width cells.
        for (int i = 0; i < level.lineCount; ++i) EXPECT_LE(std::strlen(level.lines[i]), 24u);
        ++levels;
    }
    EXPECT_GE(levels, 10);
}
