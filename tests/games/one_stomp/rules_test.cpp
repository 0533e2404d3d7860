// One stomp's rules played without the host: the three presses, the jump
// button among buttons pressed together, stomping or clearing the enemy, the
// camera's limits and the hidden block.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "games/one_stomp/one_stomp_rules.h"
#include "tests/support/recording_sink.h"

namespace {

using namespace one_stomp;
using tevtest::ButtonsWith;
using tevtest::RecordingSink;

// A game as UserInit leaves it, with a clock seed that draws `jump`.
Game NewGame(int jump) {
    const uint32_t seed = tevtest::SeedWhere([jump](tev::Rand15 r) {
        r.Next();
        r.Next();
        return r.Next() % 6 == jump;
    });
    tev::Rand15 rng(seed);
    Game g;
    Start(g, rng);
    EXPECT_EQ(g.jump_button, jump);
    EXPECT_GE(g.block.x, 250);
    EXPECT_LT(g.block.x, 300);
    EXPECT_GE(g.block.h, 32);
    EXPECT_LT(g.block.h, 128);
    // Out of reach of any jump unless a test moves it.
    g.block.h = 127;
    return g;
}

// Title, button 1, then the 60 frames of the ready sign: the first frame of
// play comes next. Checks the music starts with play.
void ToPlay(Game& g, RecordingSink& out) {
    Frame(g, {}, out);
    ASSERT_EQ(g.state, kTitle);
    Frame(g, ButtonsWith({tev::kButton1}), out);
    ASSERT_EQ(g.state, kReady);
    for (int i = 1; i < kReadyFrames; ++i) Frame(g, {}, out);
    ASSERT_EQ(g.state, kReady);
    EXPECT_EQ(out.PlayCount(sound::kMusic), 0);
    Frame(g, {}, out);
    ASSERT_EQ(g.state, kPlay);
    EXPECT_EQ(out.PlayCount(sound::kMusic), 1);
    EXPECT_EQ(g.runner.x, 100);
}

// Plays frames of play, pressing presses[t] at play frame t (counting from
// 1), until the state leaves play or limit frames passed.
void PlayFrames(Game& g, RecordingSink& out, const std::map<int, std::set<int>>& presses, int limit = 2000) {
    for (int t = 1; t <= limit && g.state == kPlay; ++t) {
        tev::Buttons b;
        if (auto it = presses.find(t); it != presses.end())
            for (int button : it->second) b.count[button] = 1;
        Frame(g, b, out);
    }
}

// The result screen to its end; returns its texts of the last frame.
std::vector<tevtest::TextCall> Finish(Game& g, RecordingSink& out) {
    EXPECT_EQ(g.state, kResult);
    for (int i = 1; i < kResultFrames; ++i) EXPECT_EQ(Frame(g, {}, out), 0);
    out.Clear();
    EXPECT_EQ(Frame(g, {}, out), 1);
    return out.Texts();
}

TEST(OneStompRules, ThreeWrongPressesUseUpEveryJump) {
    Game g = NewGame(tev::kButton2);
    RecordingSink out;
    ToPlay(g, out);
    PlayFrames(g, out, {{10, {tev::kUp}}, {20, {tev::kDown}}, {30, {tev::kLeft}}, {150, {tev::kButton2}}}, 180);
    EXPECT_EQ(g.runner.presses, 3);
    EXPECT_FALSE(g.runner.jumping);
    EXPECT_EQ(g.runner.h, 0);
    // The enemy walks into the runner on the ground.
    PlayFrames(g, out, {});
    ASSERT_EQ(g.state, kDying);
    EXPECT_EQ(g.runner.mode, kDead);
    EXPECT_EQ(out.PlayCount(sound::kDeath), 1);
    EXPECT_EQ(out.Calls("Stop").size(), 1u);
    // The runner flies up, falls below the ground line and lies there 60 frames.
    int frames = 0;
    double top = 0;
    while (g.state == kDying && frames < 1000) {
        Frame(g, {}, out);
        top = std::max(top, g.runner.h);
        ++frames;
    }
    EXPECT_EQ(g.state, kResult);
    EXPECT_GT(top, 100);
    EXPECT_LE(g.runner.h, -16);
    EXPECT_EQ(g.runner.dead_frames, 60);
    const auto texts = Finish(g, out);
    ASSERT_EQ(texts.size(), 1u);  // no "finish it" line for a runner who is down
    EXPECT_EQ(texts[0].text, kTextOver);
    EXPECT_EQ(g.result, kFailed);
}

TEST(OneStompRules, ButtonsPressedTogetherSpendOnePress) {
    for (int jump = 0; jump < tev::kButtonCount; ++jump) {
        const int other = (jump + 1) % tev::kButtonCount;
        const int third = (jump + 2) % tev::kButtonCount;
        Game g = NewGame(jump);
        RecordingSink out;
        ToPlay(g, out);
        // Two wrong ones together: one press, no jump.
        PlayFrames(g, out, {{5, {other, third}}}, 5);
        EXPECT_EQ(g.runner.presses, 1);
        EXPECT_FALSE(g.runner.jumping);
        // The jump button with a wrong one, whichever is lower: one press, a jump.
        PlayFrames(g, out, {{1, {other, jump}}}, 1);
        EXPECT_EQ(g.runner.presses, 2) << "jump button " << jump;
        EXPECT_TRUE(g.runner.jumping) << "jump button " << jump;
        EXPECT_DOUBLE_EQ(g.runner.h, 8);
        // Held, not pressed again: no press spent.
        tev::Buttons held = ButtonsWith({jump}, 2);
        Frame(g, held, out);
        EXPECT_EQ(g.runner.presses, 2);
        // The last press, in the air, jumps again from where it is.
        const double h = g.runner.h;
        PlayFrames(g, out, {{1, {jump}}}, 1);
        EXPECT_EQ(g.runner.presses, 3);
        EXPECT_DOUBLE_EQ(g.runner.h, h + 8);
        // Spent: a fourth press does nothing.
        const double vh = g.runner.vh;
        PlayFrames(g, out, {{1, {jump}}}, 1);
        EXPECT_EQ(g.runner.presses, 3);
        EXPECT_DOUBLE_EQ(g.runner.vh, vh - 0.4);
    }
}

TEST(OneStompRules, JumpingOverTheEnemyFailsButLandingOnItClears) {
    // The runner and the enemy meet 200 frames into the run, touching from
    // frame 193 to 207. A jump at 180 is above 9 through all of it.
    {
        Game g = NewGame(tev::kRight);
        RecordingSink out;
        ToPlay(g, out);
        PlayFrames(g, out, {{180, {tev::kRight}}});
        EXPECT_EQ(g.enemy.mode, kWalking);
        EXPECT_EQ(out.PlayCount(sound::kKill), 0);
        EXPECT_EQ(out.PlayCount(sound::kDeath), 0);
        ASSERT_EQ(g.state, kResult);
        EXPECT_EQ(g.runner.x, kGoalX + 1);
        EXPECT_EQ(out.Calls("Stop").size(), 1u);
        const auto texts = Finish(g, out);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].text, kTextOver);
        EXPECT_EQ(texts[0].x, 100);
        EXPECT_EQ(texts[0].y, 100);
        EXPECT_EQ(texts[1].text, kTextStompIt);
        EXPECT_EQ(texts[1].x, 120);
        EXPECT_EQ(texts[1].y, 120);
        EXPECT_EQ(g.result, kFailed);
    }
    // A jump at 160 comes down on it: squashed, a small hop, the mark.
    {
        Game g = NewGame(tev::kButton1);
        RecordingSink out;
        ToPlay(g, out);
        PlayFrames(g, out, {{160, {tev::kButton1}}}, 160);
        while (g.state == kPlay && g.enemy.mode == kWalking && g.runner.x < 320) PlayFrames(g, out, {}, 1);
        ASSERT_EQ(g.enemy.mode, kSquashed);
        EXPECT_EQ(out.PlayCount(sound::kKill), 1);
        EXPECT_TRUE(g.mark.on);
        EXPECT_TRUE(g.runner.jumping);
        // Flattens over 60 frames, then is gone; the mark rises for 60.
        out.Clear();
        PlayFrames(g, out, {}, 1);
        const auto squash = out.Calls("Stretch");
        ASSERT_EQ(squash.size(), 1u);
        EXPECT_EQ(squash[0].Int(2), 204 + g.enemy.squash_frames * 16 / 60);
        EXPECT_EQ(squash[0].Int(4), 16 - g.enemy.squash_frames * 16 / 60);
        PlayFrames(g, out, {}, 60);
        EXPECT_EQ(g.enemy.mode, kGone);
        EXPECT_FALSE(g.mark.on);
        PlayFrames(g, out, {});
        ASSERT_EQ(g.state, kResult);
        const auto texts = Finish(g, out);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, kTextClear);
        EXPECT_EQ(g.result, kCleared);
    }
}

TEST(OneStompRules, CameraHoldsAt160AndStopsAt500) {
    Game g = NewGame(tev::kUp);
    g.enemy.mode = kGone;  // out of the way: only the walk matters here
    RecordingSink out;
    ToPlay(g, out);
    EXPECT_EQ(g.camera, 160);
    while (g.state == kPlay) {
        out.Clear();
        Frame(g, {}, out);
        if (g.state != kPlay) break;
        const int x = static_cast<int>(g.runner.x);
        EXPECT_EQ(g.camera, x <= 160 ? 160 : x >= 500 ? 500 : x) << "runner at " << x;
        // The runner stands still on screen while the camera follows it.
        const auto blits = out.Blits();
        bool drawn = false;
        for (const auto& b : blits) {
            if (b.src == tip::kRunnerRun1 || b.src == tip::kRunnerRun2) {
                EXPECT_EQ(b.x, (x <= 160 ? x : x <= 500 ? 160 : x - 340) - 8);
                drawn = true;
            }
        }
        EXPECT_TRUE(drawn);
        // The background starts at world x camera - 160, the first column
        // clipped to what shows of it.
        const auto& first = blits.front();
        const int offset = (g.camera - 160) % 16;
        EXPECT_EQ(first.x, 0);
        EXPECT_EQ(first.src.w, 16 - offset);
        EXPECT_EQ(first.src.x % 16, offset);
    }
    EXPECT_EQ(g.runner.x, 661);
}

TEST(OneStompRules, HiddenBlockBumpsOnEveryJumpAndDropsACoin) {
    Game g = NewGame(tev::kLeft);
    g.block.x = 250;
    g.block.h = 40;
    RecordingSink out;
    ToPlay(g, out);
    // Runner at x 235 when it jumps; it meets the block rising, at height 29.6.
    PlayFrames(g, out, {{135, {tev::kLeft}}}, 138);
    EXPECT_TRUE(g.block.shown);
    EXPECT_EQ(out.PlayCount(sound::kBlock), 1);
    EXPECT_DOUBLE_EQ(g.runner.vh, -8);
    ASSERT_TRUE(g.coin.visible);
    EXPECT_EQ(g.coin.x, 250);
    EXPECT_EQ(g.coin.h, 40);
    // Knocked back down, it lands, and jumps into the block again.
    PlayFrames(g, out, {}, 4);
    EXPECT_FALSE(g.runner.jumping);
    PlayFrames(g, out, {{1, {tev::kLeft}}}, 4);
    EXPECT_EQ(out.PlayCount(sound::kBlock), 2);
    EXPECT_TRUE(g.coin.visible);
    EXPECT_EQ(g.coin.frames, 0);
    // The coin rises 2 a frame and goes after 30 frames.
    out.Clear();
    PlayFrames(g, out, {}, 1);
    EXPECT_EQ(g.coin.h, 42);
    EXPECT_TRUE(out.Blitted(kTip, tip::kCoin));
    EXPECT_TRUE(out.Blitted(kTip, tip::kBlock));
    PlayFrames(g, out, {}, 29);
    EXPECT_FALSE(g.coin.visible);
}

}  // namespace
