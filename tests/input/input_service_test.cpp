// The input module on the null device: counters, states, tables, pads, mouse.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "input/tev_dx_input.h"
#include "platform/backend.h"
#include "platform/input/input_device.h"
#include "platform/input/pad_slots.h"
#include "platform/window.h"

using platform::InputEvent;

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectBackends(platform::BackendKind::Null);
        input.Initialize(nullptr);
    }
    void Key(int code, bool down) { device.Inject(InputEvent::KeyEvent(code, down)); }
    void Frame() { input.BeginFrame(); }

    platform::NullInputDevice device;
    CTevDxInput input{device};
};

constexpr int kZ = 44, kA = 30, kEscape = 1;

TEST_F(InputTest, HeldKeyCountsToTheCapThenReleasesForOnePoll) {
    Key(kZ, true);
    for (int frame = 1; frame <= 300; ++frame) {
        Frame();
        ASSERT_EQ(input.GetKey(kZ), frame < 255 ? frame : 255) << "frame " << frame;
        ASSERT_EQ(input.GetKeyState(kZ), frame == 1 ? 1 : 2);
    }
    Key(kZ, false);
    Frame();
    EXPECT_EQ(input.GetKey(kZ), -1);
    EXPECT_EQ(input.GetKeyState(kZ), 4);
    Frame();
    EXPECT_EQ(input.GetKey(kZ), 0);
    EXPECT_EQ(input.GetKeyState(kZ), 0);
}

TEST_F(InputTest, TapAndRepress) {
    // Tap: down one poll, up the next.
    Key(kZ, true);
    Frame();
    EXPECT_EQ(input.GetKey(kZ), 1);
    Key(kZ, false);
    Frame();
    EXPECT_EQ(input.GetKey(kZ), -1);
    Frame();
    EXPECT_EQ(input.GetKey(kZ), 0);

    // Released, then pressed on the very next poll: -1 then 1, never 0.
    Key(kA, true);
    Frame();
    Frame();
    EXPECT_EQ(input.GetKey(kA), 2);
    Key(kA, false);
    Frame();
    EXPECT_EQ(input.GetKey(kA), -1);
    Key(kA, true);
    Frame();
    EXPECT_EQ(input.GetKey(kA), 1);
    EXPECT_EQ(input.GetKeyState(kA), 1);
}

TEST_F(InputTest, TapBetweenTwoPollsIsNotLost) {
    Key(kZ, true);
    Key(kZ, false);
    Frame();
    EXPECT_EQ(input.GetKey(kZ), 1);
    Frame();
    EXPECT_EQ(input.GetKey(kZ), -1);
}

TEST_F(InputTest, QueriesBeforeTheFirstPollAndOutOfRangeReadZero) {
    Key(kZ, true);
    EXPECT_EQ(input.GetKey(kZ), 0);  // counters change only in BeginFrame
    Key(240, true);
    Key(255, true);
    Key(256, true);
    Key(-3, true);
    device.Inject(InputEvent::PadButtonEvent(0, 0, true));
    device.Inject(InputEvent::MouseButtonEvent(7, true));
    Frame();
    EXPECT_EQ(input.GetKey(238), 0);
    EXPECT_EQ(input.GetKey(240), 0);
    EXPECT_EQ(input.GetKey(255), 0);
    EXPECT_EQ(input.GetKey(-1), 0);
    EXPECT_EQ(input.GetKeyState(240), 0);
    EXPECT_EQ(input.GetFirstKeyDown(), kZ);  // 238..255 never register
    EXPECT_EQ(input.GetPadButton(0, 4), 1);
    EXPECT_EQ(input.GetPadButton(8, 0), 0);
    EXPECT_EQ(input.GetPadButton(-1, 4), 0);
    EXPECT_EQ(input.GetPadButton(0, 16), 0);
    EXPECT_EQ(input.GetPadButtonState(0, 16), 0);
    EXPECT_EQ(input.GetMouseButton(7), 1);
    EXPECT_EQ(input.GetMouseButton(8), 0);
    EXPECT_EQ(input.GetMouseButton(-1), 0);
    EXPECT_EQ(input.GetMouseButtonState(8), 0);
}

TEST_F(InputTest, FirstKeyDown) {
    EXPECT_EQ(input.GetFirstKeyDown(), 0);
    Key(kA, true);
    Key(kEscape, true);
    Frame();
    EXPECT_EQ(input.GetFirstKeyDown(), kEscape);
    Key(kEscape, false);
    Frame();
    EXPECT_EQ(input.GetFirstKeyDown(), kA);  // ESCAPE reads -1 now
    Key(kA, false);
    Frame();
    EXPECT_EQ(input.GetKey(kA), -1);
    EXPECT_EQ(input.GetFirstKeyDown(), 0);
}

TEST_F(InputTest, FocusLossReleasesHeldKeys) {
    Key(kZ, true);
    Frame();
    device.Inject({InputEvent::Kind::ReleaseKeys});
    Frame();
    EXPECT_EQ(input.GetKey(kZ), -1);
}

// ---------------------------------------------------------------- tables

// Every named code, written out here independently of the service's table.
const char* const kExpectedNames =
    "1 ESCAPE 2 1 3 2 4 3 5 4 6 5 7 6 8 7 9 8 10 9 11 0 12 MINUS 13 EQUALS 14 BACK 15 TAB 16 Q 17 W 18 E "
    "19 R 20 T 21 Y 22 U 23 I 24 O 25 P 26 LBRACKET 27 RBRACKET 28 RETURN 29 LCONTROL 30 A 31 S 32 D 33 F "
    "34 G 35 H 36 J 37 K 38 L 39 SEMICOLON 40 APOSTROPHE 41 GRAVE 42 LSHIFT 43 BACKSLASH 44 Z 45 X 46 C "
    "47 V 48 B 49 N 50 M 51 COMMA 52 PERIOD 53 SLASH 54 RSHIFT 55 MULTIPLY 56 LMENU 57 SPACE 58 CAPITAL "
    "59 F1 60 F2 61 F3 62 F4 63 F5 64 F6 65 F7 66 F8 67 F9 68 F10 69 NUMLOCK 70 SCROLL 71 NUMPAD7 "
    "72 NUMPAD8 73 NUMPAD9 74 SUBTRACT 75 NUMPAD4 76 NUMPAD5 77 NUMPAD6 78 ADD 79 NUMPAD1 80 NUMPAD2 "
    "81 NUMPAD3 82 NUMPAD0 83 DECIMAL 86 OEM_102 87 F11 88 F12 100 F13 101 F14 102 F15 112 KANA "
    "115 ABNT_C1 121 CONVERT 123 NOCONVERT 125 YEN 126 ABNT_C2 141 NUMPADEQUALS 144 PREVTRACK 145 AT "
    "146 COLON 147 UNDERLINE 148 KANJI 149 STOP 150 AX 151 UNLABELED 153 NEXTTRACK 156 NUMPADENTER "
    "157 RCONTROL 160 MUTE 161 CALCULATOR 162 PLAYPAUSE 164 MEDIASTOP 174 VOLUMEDOWN 176 VOLUMEUP "
    "178 WEBHOME 179 NUMPADCOMMA 181 DIVIDE 183 SYSRQ 184 RMENU 197 PAUSE 199 HOME 200 UP 201 PRIOR "
    "203 LEFT 205 RIGHT 207 END 208 DOWN 209 NEXT 210 INSERT 211 DELETE 219 LWIN 220 RWIN 221 APPS "
    "222 POWER 223 SLEEP 227 WAKE 229 WEBSEARCH 230 WEBFAVORITES 231 WEBREFRESH 232 WEBSTOP "
    "233 WEBFORWARD 234 WEBBACK 235 MYCOMPUTER 236 MAIL 237 MEDIASELECT";

std::map<int, std::string> ExpectedNames() {
    std::map<int, std::string> names;
    const char* p = kExpectedNames;
    while (*p) {
        char* end = nullptr;
        const long code = std::strtol(p, &end, 10);
        p = end + 1;
        const char* stop = std::strchr(p, ' ');
        const size_t len = stop ? static_cast<size_t>(stop - p) : std::strlen(p);
        names[static_cast<int>(code)] = std::string(p, len);
        p += len;
        if (*p == ' ') ++p;
    }
    return names;
}

TEST_F(InputTest, EveryKeyNameAndEveryCodeWithout) {
    const auto expected = ExpectedNames();
    ASSERT_EQ(expected.size(), 144u);
    for (int code = -2; code <= 260; ++code) {
        char out[32];
        std::memset(out, 'x', sizeof out);
        const int result = input.GetKeyName(out, code);
        auto it = expected.find(code);
        if (it == expected.end()) {
            EXPECT_EQ(result, -1) << code;
            EXPECT_STREQ(out, "") << code;
        } else {
            EXPECT_EQ(result, 0) << code;
            EXPECT_EQ(std::string(out), it->second) << code;
            EXPECT_LE(std::strlen(out) + 1, 13u) << code;
            EXPECT_EQ(out[std::strlen(out) + 1], 'x') << "wrote past the terminator for " << code;
        }
    }
    EXPECT_EQ(input.GetKeyName(nullptr, 1), -1);
}

TEST_F(InputTest, EveryKeyCharacter) {
    std::map<int, char> expected;
    const char* digits = "1234567890";
    for (int i = 0; i < 10; ++i) expected[2 + i] = digits[i];
    expected[12] = '-';
    expected[13] = '=';
    const char* rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const int starts[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r)
        for (int i = 0; rows[r][i]; ++i) expected[starts[r] + i] = rows[r][i];
    expected[39] = 59;
    expected[40] = 39;
    expected[41] = 96;
    expected[43] = 92;
    expected[51] = 44;
    expected[52] = 46;
    expected[53] = 47;
    expected[55] = 42;
    expected[57] = 32;
    expected[74] = 45;
    expected[78] = 43;
    expected[83] = 46;
    expected[141] = 61;
    for (int code = -1; code <= 256; ++code) {
        auto it = expected.find(code);
        EXPECT_EQ(input.KeyToChar(code), it == expected.end() ? 0 : it->second) << code;
    }
    EXPECT_EQ(input.KeyToChar(30), 65);
    EXPECT_EQ(input.KeyToChar(71), 0);  // keypad digits type nothing here
}

// ---------------------------------------------------------------- pads

TEST_F(InputTest, StickThresholdsAndDiagonals) {
    struct Case {
        int x, y;
        bool up, down, left, right;
    } cases[] = {
        {0, -299, false, false, false, false}, {0, -300, false, false, false, false},
        {0, -301, true, false, false, false},  {0, 301, false, true, false, false},
        {-301, 0, false, false, true, false},  {301, 0, false, false, false, true},
        {300, 300, false, false, false, false}, {500, -500, true, false, false, true},
        {-1000, 1000, false, true, true, false},
    };
    for (const Case& c : cases) {
        device.Inject(InputEvent::PadAxisEvent(2, 0, c.x));
        device.Inject(InputEvent::PadAxisEvent(2, 1, c.y));
        Frame();
        EXPECT_EQ(input.GetPadButton(2, 0) > 0, c.up) << c.x << "," << c.y;
        EXPECT_EQ(input.GetPadButton(2, 1) > 0, c.down) << c.x << "," << c.y;
        EXPECT_EQ(input.GetPadButton(2, 2) > 0, c.left) << c.x << "," << c.y;
        EXPECT_EQ(input.GetPadButton(2, 3) > 0, c.right) << c.x << "," << c.y;
    }
}

TEST_F(InputTest, PadButtonNumberingAndDpad) {
    device.Inject(InputEvent::PadAttachEvent(0));
    device.Inject(InputEvent::PadButtonEvent(0, 0, true));
    device.Inject(InputEvent::PadButtonEvent(0, 11, true));
    device.Inject(InputEvent::PadButtonEvent(0, 12, true));  // beyond the twelve
    device.Inject(InputEvent::PadDirectionEvent(0, platform::kPadDirLeft, true));
    Frame();
    EXPECT_EQ(input.GetPadButton(0, 4), 1);
    EXPECT_EQ(input.GetPadButton(0, 15), 1);
    for (int b = 5; b < 15; ++b) EXPECT_EQ(input.GetPadButton(0, b), 0) << b;
    EXPECT_EQ(input.GetPadButton(0, 2), 1);
    EXPECT_EQ(input.GetPadButton(0, 0), 0);

    // A hat holding up-right, with the D-pad still holding left.
    device.Inject(InputEvent::PadHatEvent(0, platform::kPadDirUp | platform::kPadDirRight));
    Frame();
    EXPECT_EQ(input.GetPadButton(0, 0), 1);
    EXPECT_EQ(input.GetPadButton(0, 3), 1);
    EXPECT_EQ(input.GetPadButton(0, 2), 2);
    EXPECT_EQ(input.GetPadButtonState(0, 2), 2);

    device.Inject(InputEvent::PadHatEvent(0, 0));
    device.Inject(InputEvent::PadDirectionEvent(0, platform::kPadDirLeft, false));
    Frame();
    EXPECT_EQ(input.GetPadButton(0, 0), -1);
    EXPECT_EQ(input.GetPadButton(0, 1), 0);  // never pressed
    EXPECT_EQ(input.GetPadButton(0, 2), -1);
    EXPECT_EQ(input.GetPadButton(0, 3), -1);
}

TEST_F(InputTest, UnpluggedPadReadsUpAndOthersKeepTheirNumbers) {
    EXPECT_EQ(input.GetPadCount(), 0);
    device.Inject(InputEvent::PadAttachEvent(0));
    device.Inject(InputEvent::PadAttachEvent(1));
    device.Inject(InputEvent::PadButtonEvent(0, 0, true));
    device.Inject(InputEvent::PadButtonEvent(1, 1, true));
    device.Inject(InputEvent::PadAxisEvent(0, 1, -1000));
    Frame();
    EXPECT_EQ(input.GetPadCount(), 2);
    device.Inject(InputEvent::PadDetachEvent(0));
    Frame();
    EXPECT_EQ(input.GetPadButton(0, 4), -1);
    EXPECT_EQ(input.GetPadButton(0, 0), -1);
    EXPECT_EQ(input.GetPadButton(1, 5), 2);  // pad 1 is still pad 1
    EXPECT_EQ(input.GetPadCount(), 2);
    Frame();
    EXPECT_EQ(input.GetPadButton(0, 4), 0);
    EXPECT_EQ(input.GetPadButton(1, 5), 3);
    device.Inject(InputEvent::PadDetachEvent(1));
    Frame();
    EXPECT_EQ(input.GetPadCount(), 0);
    // A pad plugged back in starts at rest.
    device.Inject(InputEvent::PadAttachEvent(0));
    Frame();
    EXPECT_EQ(input.GetPadButton(0, 0), 0);
    EXPECT_EQ(input.GetPadCount(), 1);
}

TEST(PadSlots, HotPlugNumbering) {
    platform::PadSlots slots;
    EXPECT_EQ(slots.Attach(100), 0);
    EXPECT_EQ(slots.Attach(101), 1);
    EXPECT_EQ(slots.Attach(100), 0);  // the same device again
    EXPECT_EQ(slots.Detach(100), 0);
    EXPECT_EQ(slots.Detach(100), -1);
    EXPECT_EQ(slots.SlotOf(101), 1);   // never renumbered
    EXPECT_EQ(slots.Attach(102), 0);   // the lowest free number
    for (int id = 200; id < 206; ++id) EXPECT_EQ(slots.Attach(id), id - 198);
    EXPECT_EQ(slots.Count(), 8);
    EXPECT_EQ(slots.Attach(300), -1);  // a ninth pad is not used
    EXPECT_EQ(slots.Detach(203), 5);
    EXPECT_EQ(slots.Attach(300), 5);
}

// ---------------------------------------------------------------- mouse

TEST(MouseMapping, ScaledAndCentredPicture) {
    platform::IWindow::Viewport view;  // a 640x480 picture centred in 800x600
    view.x = 80;
    view.y = 60;
    view.w = 640;
    view.h = 480;
    int x = 0, y = 0;
    platform::WindowToLogical(view, 80, 60, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    platform::WindowToLogical(view, 81, 61, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    platform::WindowToLogical(view, 82, 63, &x, &y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    platform::WindowToLogical(view, 719, 539, &x, &y);
    EXPECT_EQ(x, 319);
    EXPECT_EQ(y, 239);
    platform::WindowToLogical(view, 79, 59, &x, &y);  // in the border: just outside
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
    platform::WindowToLogical(view, 720, 540, &x, &y);
    EXPECT_EQ(x, 320);
    EXPECT_EQ(y, 240);
    for (int lx = -2; lx < 322; lx += 7) {
        int wx = 0, wy = 0, bx = 0, by = 0;
        platform::LogicalToWindow(view, lx, 239 - lx, &wx, &wy);
        platform::WindowToLogical(view, wx, wy, &bx, &by);
        EXPECT_EQ(bx, lx);
        EXPECT_EQ(by, 239 - lx);
    }
    view.w = 0;  // minimised: no division by zero
    platform::WindowToLogical(view, 5, 6, &x, &y);
    EXPECT_EQ(x, 5);
}

TEST_F(InputTest, MouseButtonsWheelAndCursor) {
    int x = -1, y = -1, wheel = 9;
    EXPECT_EQ(input.GetMouse(nullptr, nullptr, nullptr), 0);
    device.Inject(InputEvent::MouseMoveEvent(100, 50));  // null window: 1:1
    device.Inject(InputEvent::MouseWheelEvent(1));
    device.Inject(InputEvent::MouseButtonEvent(1, true));
    Frame();
    EXPECT_EQ(input.GetMouse(&x, &y, &wheel), 0);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
    EXPECT_EQ(wheel, 1);
    EXPECT_EQ(input.GetMouseButton(1), 1);
    Frame();
    input.GetMouse(nullptr, nullptr, &wheel);
    EXPECT_EQ(wheel, 0);  // the wheel rests
    EXPECT_EQ(input.GetMouseButtonState(1), 2);
    device.Inject(InputEvent::MouseWheelEvent(-2));
    device.Inject(InputEvent::MouseButtonEvent(1, false));
    Frame();
    input.GetMouse(nullptr, nullptr, &wheel);
    EXPECT_EQ(wheel, -1);
    EXPECT_EQ(input.GetMouseButtonState(1), 4);

    EXPECT_EQ(input.SetMousePos(17, 23), 0);
    EXPECT_EQ(input.GetMouseX(), 17);  // reads back at once
    EXPECT_EQ(input.GetMouseY(), 23);
}

TEST_F(InputTest, CursorDisplayCounterAccumulates) {
    EXPECT_EQ(input.CursorDisplayCount(), 0);
    input.ShowMouseCursor(false);
    input.ShowMouseCursor(false);
    EXPECT_EQ(input.CursorDisplayCount(), -2);
    input.ShowMouseCursor(true);
    EXPECT_LT(input.CursorDisplayCount(), 0);  // still hidden
    input.ShowMouseCursor(true);
    EXPECT_EQ(input.CursorDisplayCount(), 0);
}

// A device whose every part fails to open: the module still initialises and
// every query reads 0.
class FailingDevice final : public platform::IInputDevice {
public:
    bool OpenKeyboard() override { return false; }
    int OpenPads() override { return -1; }
    bool OpenMouse() override { return false; }
    void CloseKeyboard() override {}
    void ClosePads() override {}
    void CloseMouse() override {}
    void WarpMouse(int, int) override {}
};

TEST(InputFailures, DevicesThatFailToOpenReadUp) {
    platform::SelectBackends(platform::BackendKind::Null);
    FailingDevice device;
    CTevDxInput input(device);
    EXPECT_TRUE(input.Initialize(nullptr));
    device.Inject(InputEvent::KeyEvent(kZ, true));
    device.Inject(InputEvent::PadButtonEvent(0, 0, true));
    device.Inject(InputEvent::MouseButtonEvent(0, true));
    device.Inject(InputEvent::MouseWheelEvent(3));
    input.BeginFrame();
    EXPECT_EQ(input.GetKey(kZ), 0);
    EXPECT_EQ(input.GetPadButton(0, 4), 0);
    EXPECT_EQ(input.GetPadCount(), 0);
    EXPECT_EQ(input.GetMouseButton(0), 0);
    int wheel = 5;
    input.GetMouse(nullptr, nullptr, &wheel);
    EXPECT_EQ(wheel, 0);
    EXPECT_TRUE(input.Finalize());
}

TEST(InputState, QueueFoldsWhenNobodyPolls) {
    platform::InputState state;
    // Far more events than the queue keeps; the final state must still be
    // exact (a key left down, another released).
    for (int i = 0; i < 20000; ++i) {
        state.Push(InputEvent::KeyEvent(kA, i % 2 == 0));
        state.Push(InputEvent::MouseWheelEvent(1));
    }
    state.Push(InputEvent::KeyEvent(kZ, true));
    EXPECT_LE(state.Pending(), 4096u);
    state.Update();
    EXPECT_TRUE(state.Keys()[kZ]);
    EXPECT_TRUE(state.Keys()[kA]);  // went down during the interval
    EXPECT_EQ(state.Mouse().wheel, 20000);
    state.Update();
    EXPECT_FALSE(state.Keys()[kA]);
    EXPECT_TRUE(state.Keys()[kZ]);
}

} // namespace
