// The SDL backend: key table, event translation, and pads through SDL's
// virtual joysticks (no hardware, no display needed).
#include <gtest/gtest.h>

#include <SDL.h>

#include "input/key_tables.h"
#include "platform/backend.h"
#include "platform/input/input_sdl.h"
#include "platform/input/sdl_keymap.h"
#include "platform/sdl/sdl_event_hub.h"

using platform::sdl::DikFromScancode;
using platform::sdl::SdlInputDevice;

namespace {

TEST(SdlKeyTable, PhysicalPositionsAndOnlyNamedCodes) {
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_Z), 44);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_X), 45);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_ESCAPE), 1);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_RETURN), 28);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_KP_ENTER), 156);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_UP), 200);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_LEFT), 203);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_RIGHT), 205);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_DOWN), 208);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_RCTRL), 157);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_RALT), 184);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_KP_7), 71);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_KP_DIVIDE), 181);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_INTERNATIONAL3), 125);  // yen
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(DikFromScancode(-1), 0);
    EXPECT_EQ(DikFromScancode(SDL_NUM_SCANCODES), 0);

    // Every code the table gives has a name (so it can be scripted and
    // recorded) and is a readable code; every letter, digit and F key of a
    // PC keyboard is there.
    int mapped = 0;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        const int code = DikFromScancode(sc);
        if (!code) continue;
        ++mapped;
        EXPECT_LT(code, 238) << sc;
        EXPECT_NE(tev_input::KeyName(code), nullptr) << "scancode " << sc << " -> " << code;
    }
    EXPECT_GT(mapped, 120);
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_0; ++sc) EXPECT_NE(DikFromScancode(sc), 0) << sc;
    for (int sc = SDL_SCANCODE_F1; sc <= SDL_SCANCODE_F12; ++sc) EXPECT_NE(DikFromScancode(sc), 0) << sc;
    for (int sc = SDL_SCANCODE_KP_DIVIDE; sc <= SDL_SCANCODE_KP_PERIOD; ++sc) EXPECT_NE(DikFromScancode(sc), 0) << sc;
    for (int sc = SDL_SCANCODE_LCTRL; sc <= SDL_SCANCODE_RGUI; ++sc) EXPECT_NE(DikFromScancode(sc), 0) << sc;
}

TEST(SdlAxes, ScalingAndHats) {
    using platform::sdl::ScaleAxis;
    EXPECT_EQ(ScaleAxis(0), 0);
    EXPECT_EQ(ScaleAxis(32767), 1000);
    EXPECT_EQ(ScaleAxis(-32768), -1000);
    EXPECT_EQ(ScaleAxis(-32767), -999);
    EXPECT_EQ(ScaleAxis(16384), 500);
    EXPECT_EQ(platform::sdl::HatToDirections(SDL_HAT_RIGHTUP), platform::kPadDirUp | platform::kPadDirRight);
    EXPECT_EQ(platform::sdl::HatToDirections(SDL_HAT_LEFTDOWN), platform::kPadDirDown | platform::kPadDirLeft);
    EXPECT_EQ(platform::sdl::HatToDirections(SDL_HAT_CENTERED), 0);

    int dir = -1;
    EXPECT_EQ(platform::sdl::ControllerButtonToDevice(SDL_CONTROLLER_BUTTON_A, &dir), 0);
    EXPECT_EQ(dir, 0);
    EXPECT_EQ(platform::sdl::ControllerButtonToDevice(SDL_CONTROLLER_BUTTON_B, &dir), 1);
    EXPECT_EQ(platform::sdl::ControllerButtonToDevice(SDL_CONTROLLER_BUTTON_Y, &dir), 3);
    EXPECT_EQ(platform::sdl::ControllerButtonToDevice(SDL_CONTROLLER_BUTTON_START, &dir), 7);
    EXPECT_EQ(platform::sdl::ControllerButtonToDevice(SDL_CONTROLLER_BUTTON_DPAD_LEFT, &dir), -1);
    EXPECT_EQ(dir, platform::kPadDirLeft);
}

SDL_Event KeyEvent(Uint32 type, SDL_Scancode sc, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.scancode = sc;
    e.key.repeat = repeat ? 1 : 0;
    return e;
}

TEST(SdlEvents, KeysMouseAndFocus) {
    platform::SelectBackends(platform::BackendKind::Null);
    SdlInputDevice device;
    ASSERT_TRUE(device.OpenKeyboard());
    ASSERT_TRUE(device.OpenMouse());
    // Through the hub, as the window backend hands them over.
    platform::sdl::DispatchEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_Z));
    platform::sdl::DispatchEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_X));
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    platform::sdl::DispatchEvent(wheel);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    button.button.x = 30;
    button.button.y = 40;
    platform::sdl::DispatchEvent(button);
    device.Update();
    EXPECT_TRUE(device.State().Keys()[44]);
    EXPECT_TRUE(device.State().Keys()[45]);
    EXPECT_EQ(device.State().Mouse().wheel, -1);
    EXPECT_TRUE(device.State().Mouse().buttons[1]);
    EXPECT_EQ(device.State().Mouse().x, 30);

    // A repeat is not a new press; an up after it releases.
    device.HandleEvent(KeyEvent(SDL_KEYUP, SDL_SCANCODE_Z));
    device.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_Z, true));
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    device.HandleEvent(focus);
    device.Update();
    EXPECT_FALSE(device.State().Keys()[44]);
    EXPECT_FALSE(device.State().Keys()[45]);

    // Once closed, events no longer reach it.
    device.CloseKeyboard();
    platform::sdl::DispatchEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_Z));
    device.Update();
    EXPECT_FALSE(device.State().Keys()[44]);
}

// Pads: the test stands in for the window backend, draining SDL's queue
// and handing the events to the hub.
class SdlPads : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectBackends(platform::BackendKind::Null);
        SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
        if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) GTEST_SKIP() << SDL_GetError();
        found = device.OpenPads();
        if (found < 0) GTEST_SKIP() << "no joystick subsystem: " << SDL_GetError();
    }
    void TearDown() override {
        for (int index : attached) SDL_JoystickDetachVirtual(index);
        device.ClosePads();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
    void Pump() {
        SDL_PumpEvents();
        SDL_Event e;
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) platform::sdl::DispatchEvent(e);
        device.Update();
    }
    // A virtual device; returns its device index, or -1.
    int Attach(SDL_JoystickType type, int axes, int buttons, int hats) {
        const int index = SDL_JoystickAttachVirtual(type, axes, buttons, hats);
        if (index >= 0) attached.push_back(index);
        Pump();
        return index;
    }
    SDL_Joystick* Handle(int index) {
        // Virtual inputs are set on an opened joystick; the device opened it.
        return SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    }
    void Detach(int index) {
        SDL_JoystickDetachVirtual(index);
        attached.erase(std::remove(attached.begin(), attached.end(), index), attached.end());
        Pump();
    }

    SdlInputDevice device;
    int found = 0;
    std::vector<int> attached;
};

TEST_F(SdlPads, RawJoystickAxesHatAndButtons) {
    const int index = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 14, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    const int slot = device.SlotOfInstance(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_GE(slot, 0);
    EXPECT_TRUE(device.State().Pad(slot).connected);
    SDL_Joystick* j = Handle(index);
    ASSERT_NE(j, nullptr);
    SDL_JoystickSetVirtualAxis(j, 0, 32767);
    SDL_JoystickSetVirtualAxis(j, 1, -16384);
    SDL_JoystickSetVirtualButton(j, 0, 1);
    SDL_JoystickSetVirtualButton(j, 13, 1);  // beyond the twelve
    SDL_JoystickSetVirtualHat(j, 0, SDL_HAT_DOWN);
    Pump();
    const platform::PadSnapshot& pad = device.State().Pad(slot);
    EXPECT_EQ(pad.axisX, 1000);
    EXPECT_EQ(pad.axisY, -500);
    EXPECT_TRUE(pad.buttons[0]);
    for (int b = 1; b < platform::kInputPadButtons; ++b) EXPECT_FALSE(pad.buttons[b]) << b;
    EXPECT_EQ(pad.directions, platform::kPadDirDown);
}

TEST_F(SdlPads, HotPlugKeepsNumbers) {
    const int a = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 4, 0);
    const int b = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 4, 0);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    const SDL_JoystickID idB = SDL_JoystickGetDeviceInstanceID(b);
    const int slotA = device.SlotOfInstance(SDL_JoystickGetDeviceInstanceID(a));
    const int slotB = device.SlotOfInstance(idB);
    ASSERT_GE(slotA, 0);
    ASSERT_GE(slotB, 0);
    EXPECT_NE(slotA, slotB);
    SDL_JoystickSetVirtualButton(Handle(a), 1, 1);
    Pump();
    EXPECT_TRUE(device.State().Pad(slotA).buttons[1]);

    Detach(a);  // b's device index may shift; its slot must not
    EXPECT_FALSE(device.State().Pad(slotA).connected);
    EXPECT_FALSE(device.State().Pad(slotA).buttons[1]);
    EXPECT_EQ(device.SlotOfInstance(idB), slotB);
    EXPECT_TRUE(device.State().Pad(slotB).connected);

    const int c = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 4, 0);
    ASSERT_GE(c, 0);
    EXPECT_EQ(device.SlotOfInstance(SDL_JoystickGetDeviceInstanceID(c)), slotA);  // the free number again
}

TEST_F(SdlPads, GameControllerUsesTheStandardOrderAndDpad) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    attached.push_back(index);
    Pump();
    if (!SDL_IsGameController(index)) GTEST_SKIP() << "this SDL gives virtual pads no mapping";
    const int slot = device.SlotOfInstance(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_GE(slot, 0);
    SDL_Joystick* j = Handle(index);
    // The virtual controller's buttons are in SDL's controller order.
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_B, 1);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
    SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    Pump();
    const platform::PadSnapshot& pad = device.State().Pad(slot);
    EXPECT_TRUE(pad.buttons[1]);    // east: the second face button
    EXPECT_FALSE(pad.buttons[0]);
    EXPECT_TRUE(pad.buttons[11]);   // right trigger
    EXPECT_EQ(pad.directions, platform::kPadDirUp);
    EXPECT_EQ(pad.axisX, -1000);
}

} // namespace
