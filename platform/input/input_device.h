// Keyboard, game pads and mouse (what DirectInput was). Every input, real or
// scripted, arrives as an InputEvent in the device's queue; Update() applies
// the queued events once per frame and takes the snapshot the input service
// reads until the next Update. A control that went down and up again between
// two updates still reads down in that snapshot, so quick taps are not lost.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace platform {

constexpr int kInputKeyCodes = 256;       // DIK codes
constexpr int kInputPads = 8;             // pad slots
constexpr int kInputPadButtons = 16;      // device buttons kept per pad
constexpr int kInputMouseButtons = 8;
constexpr int kInputAxisMax = 1000;       // pad axes read -1000..1000

// Digital directions of a pad (D-pad, hat, or scripted), as bits.
enum : uint8_t { kPadDirUp = 1, kPadDirDown = 2, kPadDirLeft = 4, kPadDirRight = 8 };

struct InputEvent {
    enum class Kind : uint8_t {
        Key,           // index: DIK code; down
        ReleaseKeys,   // every key up (focus lost)
        PadAttach,     // index: slot; the pad's state starts from rest
        PadDetach,     // index: slot; everything up
        PadButton,     // index: slot; item: device button; down
        PadAxis,       // index: slot; item: 0 x, 1 y; value -1000..1000
        PadDirection,  // index: slot; item: one kPadDir bit; down
        PadHat,        // index: slot; value: kPadDir bits held by the hat
        MouseMove,     // value, value2: window position
        MouseButton,   // index: button 0..7; down
        MouseWheel,    // value: notches, away from the player positive
    };
    Kind kind = Kind::Key;
    bool down = false;
    int index = 0;
    int item = 0;
    int value = 0;
    int value2 = 0;

    static InputEvent KeyEvent(int code, bool down) { return {Kind::Key, down, code, 0, 0, 0}; }
    static InputEvent PadButtonEvent(int slot, int button, bool down) {
        return {Kind::PadButton, down, slot, button, 0, 0};
    }
    static InputEvent PadAxisEvent(int slot, int axis, int value) { return {Kind::PadAxis, false, slot, axis, value, 0}; }
    static InputEvent PadDirectionEvent(int slot, int bit, bool down) {
        return {Kind::PadDirection, down, slot, bit, 0, 0};
    }
    static InputEvent PadHatEvent(int slot, int bits) { return {Kind::PadHat, false, slot, 0, bits, 0}; }
    static InputEvent PadAttachEvent(int slot) { return {Kind::PadAttach, false, slot, 0, 0, 0}; }
    static InputEvent PadDetachEvent(int slot) { return {Kind::PadDetach, false, slot, 0, 0, 0}; }
    static InputEvent MouseMoveEvent(int x, int y) { return {Kind::MouseMove, false, 0, 0, x, y}; }
    static InputEvent MouseButtonEvent(int button, bool down) { return {Kind::MouseButton, down, button, 0, 0, 0}; }
    static InputEvent MouseWheelEvent(int notches) { return {Kind::MouseWheel, false, 0, 0, notches, 0}; }
};

struct PadSnapshot {
    bool connected = false;
    int axisX = 0, axisY = 0;                 // main stick, -1000..1000
    uint8_t directions = 0;                    // kPadDir bits (D-pad, hat, script)
    uint8_t buttons[kInputPadButtons] = {};    // nonzero: down
};

struct MouseSnapshot {
    int x = 0, y = 0;     // window position
    int wheel = 0;        // accumulated notches
    uint8_t buttons[kInputMouseButtons] = {};
};

// The queue and the state it drives; the same for every backend.
class InputState {
public:
    void Push(const InputEvent& event);
    // Applies every queued event and takes the snapshot.
    void Update();

    const uint8_t* Keys() const { return m_keySnap; }   // kInputKeyCodes bytes, nonzero: down
    const PadSnapshot& Pad(int slot) const { return m_padSnap[slot]; }
    const MouseSnapshot& Mouse() const { return m_mouseSnap; }
    // Moves the current (not yet snapshot) mouse position as well as the
    // snapshot, so a warp reads back at once.
    void SetMousePosition(int x, int y);
    size_t Pending() const { return m_queue.size(); }

private:
    struct PadData {
        bool connected = false;
        int axisX = 0, axisY = 0;
        uint8_t directions = 0, hat = 0, latchedDirections = 0;
        uint8_t buttons[kInputPadButtons] = {};
        uint8_t latchedButtons[kInputPadButtons] = {};
    };
    void Apply(const InputEvent& event);

    std::vector<InputEvent> m_queue;
    uint8_t m_keys[kInputKeyCodes] = {};
    uint8_t m_keyLatch[kInputKeyCodes] = {};
    PadData m_pads[kInputPads];
    MouseSnapshot m_mouse;
    uint8_t m_mouseLatch[kInputMouseButtons] = {};

    uint8_t m_keySnap[kInputKeyCodes] = {};
    PadSnapshot m_padSnap[kInputPads];
    MouseSnapshot m_mouseSnap;
};

// Window position <-> logical screen position through the window's viewport
// (the scaled, centred picture). Points outside the picture map outside the
// logical screen, as a cursor outside a client area does.
void WindowToLogical(const IWindow::Viewport& view, int wx, int wy, int* lx, int* ly);
void LogicalToWindow(const IWindow::Viewport& view, int lx, int ly, int* wx, int* wy);

class IInputDevice {
public:
    virtual ~IInputDevice() = default;

    // Each part opens on its own and may fail alone.
    virtual bool OpenKeyboard() = 0;
    // Finds the pads attached now; returns how many were opened (0..8), or
    // -1 when pads cannot be used at all. Later pads arrive as PadAttach.
    virtual int OpenPads() = 0;
    virtual bool OpenMouse() = 0;
    virtual void CloseKeyboard() = 0;
    virtual void ClosePads() = 0;
    virtual void CloseMouse() = 0;

    // Moves the cursor to a logical screen point.
    virtual void WarpMouse(int lx, int ly) = 0;

    // Scripted input enters here, exactly where the backend's own events do.
    void Inject(const InputEvent& event) { m_state.Push(event); }
    void Update() { m_state.Update(); }
    const InputState& State() const { return m_state; }
    // The cursor of the latest Update in logical screen coordinates.
    void MouseLogical(int* lx, int* ly) const;

protected:
    InputState m_state;
};

// The backend chosen by SelectBackends (SDL2 or null).
IInputDevice& InputDevice();

// A device with no backend of its own: it sees only injected events.
class NullInputDevice final : public IInputDevice {
public:
    bool OpenKeyboard() override { return true; }
    int OpenPads() override { return 0; }
    bool OpenMouse() override { return true; }
    void CloseKeyboard() override {}
    void ClosePads() override {}
    void CloseMouse() override {}
    void WarpMouse(int lx, int ly) override;
};

} // namespace platform
