#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <set>
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_input.h"
#include "tests/support/standin_services.h"

namespace {

// Keys and pad buttons (of pad 0) the test holds down; every query is counted.
struct FakeInput : tevtest::StandinInput {
    tevtest::ServiceLog log;
    std::set<int> keys;
    std::set<std::pair<int, int>> pads;
    FakeInput() : tevtest::StandinInput(log) {}
    int GetKey(int code) override {
        if (code >= 0 && code < 256) StandinInput::keys[code] = keys.count(code) ? 3 : 0;
        return StandinInput::GetKey(code);
    }
    int GetPadButton(int pad, int button) override {
        if (pad == 0 && button >= 0 && button < 16) StandinInput::pad[button] = pads.count({pad, button}) ? 1 : 0;
        return StandinInput::GetPadButton(pad, button);
    }
};

class MapperTest : public ::testing::Test {
protected:
    void SetUp() override { mapper.SetInput(&fake); }
    void Frames(int n) {
        for (int i = 0; i < n; ++i)
            mapper.Update();
    }
    FakeInput fake;
    ButtonMapper mapper;
};

TEST_F(MapperTest, StartsUnboundAndChecksPlayerAndButton) {
    for (int p = 0; p < 4; ++p)
        for (int b = 0; b < 16; ++b) {
            EXPECT_EQ(mapper.keyCode[p][b], -1);
            EXPECT_EQ(mapper.GetCount(p, b), 0);
        }
    EXPECT_EQ(mapper.countCap, 255);
    EXPECT_EQ(mapper.BindKey(4, 0, 44), -1);
    EXPECT_EQ(mapper.BindKey(-1, 0, 44), -1);
    EXPECT_EQ(mapper.BindPad(4, 0, 0, 4), -1);
    // Out-of-range buttons are refused instead of written past the tables.
    EXPECT_EQ(mapper.BindKey(0, 16, 44), -1);
    EXPECT_EQ(mapper.BindPad(0, -1, 0, 4), -1);
    EXPECT_EQ(mapper.BindKey(3, 15, 44), 0);
    EXPECT_EQ(mapper.GetCount(0, 16), 0);
    EXPECT_EQ(mapper.GetCount(4, 0), 0);
}

TEST_F(MapperTest, CountsNeedAllThreeBindings) {
    fake.keys = {44};
    mapper.BindKey(0, 4, 44);
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 4), 0);
    EXPECT_FALSE(mapper.IsDown(0, 4));
    EXPECT_EQ(fake.keyQueries, 0);   // not even asked while unbound
    mapper.BindPad(0, 4, 0, 4);
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 4), 1);
    // Both sources are asked even when the key already answers.
    EXPECT_EQ(fake.keyQueries, 1);
    EXPECT_EQ(fake.padQueries, 1);
    mapper.BindPad(0, 4, -1, 4);
    EXPECT_EQ(mapper.GetCount(0, 4), 0);
}

TEST_F(MapperTest, PressHoldReleaseAndRepress) {
    mapper.BindKey(0, 5, 45);
    mapper.BindPad(0, 5, 0, 5);
    fake.pads = {{0, 5}};
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 5), 1);
    Frames(2);
    EXPECT_EQ(mapper.GetCount(0, 5), 3);
    fake.pads.clear();
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 5), -1);
    // Pressed on the very next frame: -1 -> 0 -> 1 in one update.
    fake.keys = {45};
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 5), 1);
    fake.keys.clear();
    Frames(2);
    EXPECT_EQ(mapper.GetCount(0, 5), 0);
}

TEST_F(MapperTest, HeldCountStopsAtTheCap) {
    mapper.BindKey(0, 0, 200);
    mapper.BindPad(0, 0, 0, 0);
    fake.keys = {200};
    Frames(300);
    EXPECT_EQ(mapper.GetCount(0, 0), 255);
    mapper.SetCountCap(10);
    mapper.Reset();
    mapper.BindKey(0, 0, 200);
    mapper.BindPad(0, 0, 0, 0);
    mapper.SetCountCap(10);
    Frames(20);
    EXPECT_EQ(mapper.GetCount(0, 0), 10);
    fake.keys.clear();
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 0), -1);
}

TEST_F(MapperTest, StandardBindingFollowsTheKeyRecord) {
    const unsigned char arrows[6] = {0, 44, 45, 4, 5, 0};
    KitBindStandard(arrows, mapper);
    const int arrowKeys[4] = {200, 208, 203, 205};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mapper.keyCode[0][i], arrowKeys[i]);
        EXPECT_EQ(mapper.padIndex[0][i], 0);
        EXPECT_EQ(mapper.padButton[0][i], i);
    }
    EXPECT_EQ(mapper.keyCode[0][4], 44);
    EXPECT_EQ(mapper.padButton[0][4], 4);
    EXPECT_EQ(mapper.keyCode[0][5], 45);
    EXPECT_EQ(mapper.padButton[0][5], 5);
    EXPECT_EQ(mapper.keyCode[1][0], -1);
    EXPECT_EQ(mapper.keyCode[0][6], -1);

    // W S A D: the arrow keys do nothing, W does.
    ButtonMapper wsad;
    wsad.SetInput(&fake);
    const unsigned char letters[6] = {1, 44, 45, 4, 5, 0};
    KitBindStandard(letters, wsad);
    fake.keys = {200};
    wsad.Update();
    EXPECT_EQ(wsad.GetCount(0, 0), 0);
    fake.keys = {17};
    wsad.Update();
    EXPECT_EQ(wsad.GetCount(0, 0), 1);
}

TEST_F(MapperTest, PadButton255LeavesTheKeyWorking) {
    const unsigned char keys[6] = {0, 44, 45, 255, 255, 0};
    KitBindStandard(keys, mapper);
    fake.keys = {44};
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 4), 1);
    EXPECT_EQ(mapper.padButton[0][4], 255);
}

TEST_F(MapperTest, FixedBindingIgnoresTheRecord) {
    KitBindFixed(mapper);
    const int expectKeys[6] = {200, 208, 203, 205, 44, 45};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(mapper.keyCode[0][i], expectKeys[i]);
        EXPECT_EQ(mapper.padButton[0][i], i);
    }
    fake.pads = {{0, 4}};
    Frames(1);
    EXPECT_EQ(mapper.GetCount(0, 4), 1);
}

TEST_F(MapperTest, GlobalInputIsUsedWhenNoneIsSet) {
    ButtonMapper plain;
    KitBindFixed(plain);
    input = nullptr;
    fake.keys = {44};
    plain.Update();
    EXPECT_EQ(plain.GetCount(0, 4), 0);   // no input service: nothing down
    input = &fake;
    plain.Update();
    EXPECT_EQ(plain.GetCount(0, 4), 1);
    fake.keys = {kTevKeyEscape};
    EXPECT_FALSE(KitEscapePressed());     // held (3), not just pressed
    input = nullptr;
    EXPECT_FALSE(KitEscapePressed());
}

TEST(KitRand, SequenceSeedAndRange) {
    TevRand15 r;
    const int expected[5] = {41, 18467, 6334, 26500, 19169};
    for (int v : expected)
        EXPECT_EQ(r.Next(), v);
    r.Seed(1);
    EXPECT_EQ(r.Next(), 41);
    r.Seed(0);
    EXPECT_EQ(r.Next(), 38);
    r.Seed(0xFFFFFFFFu);
    for (int i = 0; i < 10000; ++i) {
        const int v = r.Next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, TEV_RAND_MAX);
    }
    // The library instance follows the same rule.
    TevSrand(12345);
    TevRand15 same(12345);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(TevRand(), same.Next());
}

TEST(KitRand, ClockHonoursTheFixedClock) {
    setenv("TEV_FIXED_CLOCK", "1234567890", 1);
    EXPECT_EQ(TevClockTime(), 1234567890);
    TevSrandFromClock();
    TevRand15 expected(1234567890u);
    EXPECT_EQ(TevRand(), expected.Next());
    for (const char* junk : {"", "12abc", "abc", "99999999999999999999999"}) {
        setenv("TEV_FIXED_CLOCK", junk, 1);
        EXPECT_GT(TevClockTime(), 1600000000) << junk;   // the real clock
    }
    unsetenv("TEV_FIXED_CLOCK");
    EXPECT_GT(TevClockTime(), 1600000000);
}

TEST(KitMTRandom, ReferenceSequenceAndDraws) {
    MTRandom mt(5489u);
    EXPECT_EQ(mt.Next(), 3499211612u);
    MTRandom draws(42);
    for (int i = 0; i < 2000; ++i) {
        const double a = draws.NextReal2();
        ASSERT_GE(a, 0.0);
        ASSERT_LT(a, 1.0);
        const double b = draws.NextReal3();
        ASSERT_GT(b, 0.0);
        ASSERT_LT(b, 1.0);
        const int k = draws.NextBelow(7);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 7);
        ASSERT_LE(draws.NextInt31(), 0x7FFFFFFFu);
        const double c = draws.NextRes53();
        ASSERT_GE(c, 0.0);
        ASSERT_LT(c, 1.0);
    }
    EXPECT_EQ(draws.NextBelow(0), 0);
    // Reseeding restarts the sequence, also past the first twist.
    MTRandom again(7), other(7);
    for (int i = 0; i < 1500; ++i)
        other.Next();
    other.Seed(7);
    for (int i = 0; i < 700; ++i)
        ASSERT_EQ(again.Next(), other.Next());
}

TEST(KitInfo, FillsTruncatesAndTerminates) {
    TevGameInfo info;
    std::memset(&info, 'x', sizeof info);
    const std::string longTitle(400, 'T');
    EXPECT_EQ(KitFillInfo(&info, longTitle.c_str(), "me", nullptr, "title.bmp"), &info);
    EXPECT_EQ(std::strlen(info.title), 254u);
    EXPECT_STREQ(info.author, "me");
    EXPECT_STREQ(info.comment, "");
    EXPECT_EQ(info.reserved, 0);
    EXPECT_STREQ(info.image, "title.bmp");
    EXPECT_EQ(KitFillInfo(nullptr, "a", "b", "c", "d"), nullptr);
}

} // namespace
