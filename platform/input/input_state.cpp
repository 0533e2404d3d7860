#include <algorithm>
#include <cstring>

#include "platform/input/input_device.h"

namespace platform {

namespace {

// Events pile up only while nobody polls (a window pumping before the input
// service runs); past this many they are folded into the state at once, which
// gives the same result without the memory.
constexpr size_t kQueueFoldLimit = 4096;

int ClampAxis(int v) { return std::clamp(v, -kInputAxisMax, kInputAxisMax); }

// floor(a / b) for b > 0.
int FloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && (a < 0)) --q;
    return static_cast<int>(q);
}

} // namespace

void InputState::Push(const InputEvent& event) {
    if (m_queue.size() >= kQueueFoldLimit) {
        for (const InputEvent& e : m_queue) Apply(e);
        m_queue.clear();
    }
    m_queue.push_back(event);
}

void InputState::Apply(const InputEvent& e) {
    switch (e.kind) {
    case InputEvent::Kind::Key:
        if (e.index < 0 || e.index >= kInputKeyCodes) return;
        m_keys[e.index] = e.down;
        if (e.down) m_keyLatch[e.index] = 1;
        return;
    case InputEvent::Kind::ReleaseKeys:
        std::memset(m_keys, 0, sizeof m_keys);
        return;
    case InputEvent::Kind::MouseMove:
        m_mouse.x = e.value;
        m_mouse.y = e.value2;
        return;
    case InputEvent::Kind::MouseButton:
        if (e.index < 0 || e.index >= kInputMouseButtons) return;
        m_mouse.buttons[e.index] = e.down;
        if (e.down) m_mouseLatch[e.index] = 1;
        return;
    case InputEvent::Kind::MouseWheel:
        m_mouse.wheel += e.value;
        return;
    default:
        break;
    }

    // Pad events.
    if (e.index < 0 || e.index >= kInputPads) return;
    PadData& pad = m_pads[e.index];
    switch (e.kind) {
    case InputEvent::Kind::PadAttach:
        pad = PadData{};
        pad.connected = true;
        return;
    case InputEvent::Kind::PadDetach:
        pad = PadData{};
        return;
    default:
        break;
    }
    // Input for a slot nobody attached (a script driving a pad that is not
    // plugged in) makes that slot a pad of its own.
    pad.connected = true;
    switch (e.kind) {
    case InputEvent::Kind::PadButton:
        if (e.item < 0 || e.item >= kInputPadButtons) return;
        pad.buttons[e.item] = e.down;
        if (e.down) pad.latchedButtons[e.item] = 1;
        return;
    case InputEvent::Kind::PadAxis:
        if (e.item == 0) pad.axisX = ClampAxis(e.value);
        else if (e.item == 1) pad.axisY = ClampAxis(e.value);
        return;
    case InputEvent::Kind::PadDirection: {
        const uint8_t bit = static_cast<uint8_t>(e.item & 0x0F);
        if (e.down) {
            pad.directions |= bit;
            pad.latchedDirections |= bit;
        } else {
            pad.directions &= static_cast<uint8_t>(~bit);
        }
        return;
    }
    case InputEvent::Kind::PadHat:
        pad.hat = static_cast<uint8_t>(e.value & 0x0F);
        pad.latchedDirections |= pad.hat;
        return;
    default:
        return;
    }
}

void InputState::Update() {
    for (const InputEvent& e : m_queue) Apply(e);
    m_queue.clear();

    for (int k = 0; k < kInputKeyCodes; ++k) m_keySnap[k] = (m_keys[k] || m_keyLatch[k]) ? 1 : 0;
    std::memset(m_keyLatch, 0, sizeof m_keyLatch);

    for (int p = 0; p < kInputPads; ++p) {
        PadData& pad = m_pads[p];
        PadSnapshot& snap = m_padSnap[p];
        snap.connected = pad.connected;
        snap.axisX = pad.axisX;
        snap.axisY = pad.axisY;
        snap.directions = pad.directions | pad.hat | pad.latchedDirections;
        for (int b = 0; b < kInputPadButtons; ++b) snap.buttons[b] = (pad.buttons[b] || pad.latchedButtons[b]) ? 1 : 0;
        pad.latchedDirections = 0;
        std::memset(pad.latchedButtons, 0, sizeof pad.latchedButtons);
    }

    m_mouseSnap.x = m_mouse.x;
    m_mouseSnap.y = m_mouse.y;
    m_mouseSnap.wheel = m_mouse.wheel;
    for (int b = 0; b < kInputMouseButtons; ++b)
        m_mouseSnap.buttons[b] = (m_mouse.buttons[b] || m_mouseLatch[b]) ? 1 : 0;
    std::memset(m_mouseLatch, 0, sizeof m_mouseLatch);
}

void InputState::SetMousePosition(int x, int y) {
    m_mouse.x = m_mouseSnap.x = x;
    m_mouse.y = m_mouseSnap.y = y;
}

void WindowToLogical(const IWindow::Viewport& view, int wx, int wy, int* lx, int* ly) {
    // A minimised window has no picture; keep the point as it is.
    const bool usable = view.w > 0 && view.h > 0 && view.logicalW > 0 && view.logicalH > 0;
    if (lx) *lx = usable ? FloorDiv(static_cast<long long>(wx - view.x) * view.logicalW, view.w) : wx;
    if (ly) *ly = usable ? FloorDiv(static_cast<long long>(wy - view.y) * view.logicalH, view.h) : wy;
}

void LogicalToWindow(const IWindow::Viewport& view, int lx, int ly, int* wx, int* wy) {
    const bool usable = view.w > 0 && view.h > 0 && view.logicalW > 0 && view.logicalH > 0;
    // The centre of the logical pixel, so the point maps back to itself.
    if (wx) *wx = usable ? view.x + FloorDiv((2LL * lx + 1) * view.w, 2LL * view.logicalW) : lx;
    if (wy) *wy = usable ? view.y + FloorDiv((2LL * ly + 1) * view.h, 2LL * view.logicalH) : ly;
}

void IInputDevice::MouseLogical(int* lx, int* ly) const {
    const MouseSnapshot& m = m_state.Mouse();
    WindowToLogical(Window().GetViewport(), m.x, m.y, lx, ly);
}

void NullInputDevice::WarpMouse(int lx, int ly) {
    int wx = 0, wy = 0;
    LogicalToWindow(Window().GetViewport(), lx, ly, &wx, &wy);
    m_state.SetMousePosition(wx, wy);
}

} // namespace platform
