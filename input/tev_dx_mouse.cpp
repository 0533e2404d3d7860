#include "input/tev_dx_mouse.h"

#include "input/press_counter.h"
#include "platform/input/input_device.h"
#include "platform/window.h"

CTevDxMouse::CTevDxMouse(platform::IInputDevice& device) : m_device(device) {}

CTevDxMouse::~CTevDxMouse() {
    if (m_setupBegun && m_opened) m_device.CloseMouse();
}

int CTevDxMouse::Init(ITevApp*) {
    m_setupBegun = true;
    m_wheelPosition = 0;
    m_wheelDirection = 0;
    for (int32_t& c : m_counters) c = 0;
    if (!m_device.OpenMouse()) {
        Log(10, "CTevDxMouse::Init CreateDeviceオブジェクト生成失敗");
        return -1;
    }
    m_opened = true;
    // Wheel movement before start-up is not a movement of the first frame.
    m_wheelPosition = m_device.State().Mouse().wheel;
    return 0;
}

void CTevDxMouse::Poll() {
    if (!m_opened) return;
    const platform::MouseSnapshot& mouse = m_device.State().Mouse();
    m_wheelDirection = mouse.wheel < m_wheelPosition ? -1 : mouse.wheel > m_wheelPosition ? 1 : 0;
    m_wheelPosition = mouse.wheel;
    for (int b = 0; b < kButtons; ++b) m_counters[b] = tev_input::NextCounter(m_counters[b], mouse.buttons[b] != 0);
}

int CTevDxMouse::GetMouse(int* x, int* y, int* wheel) const {
    if (x || y) m_device.MouseLogical(x, y);
    if (wheel) *wheel = m_wheelDirection;
    return 0;
}

int CTevDxMouse::GetMouseX() const {
    int x = 0;
    m_device.MouseLogical(&x, nullptr);
    return x;
}

int CTevDxMouse::GetMouseY() const {
    int y = 0;
    m_device.MouseLogical(nullptr, &y);
    return y;
}

int CTevDxMouse::GetMouseButton(int button) const {
    return button >= 0 && button < kButtons ? m_counters[button] : 0;
}

int CTevDxMouse::GetMouseButtonState(int button) const { return tev_input::CounterState(GetMouseButton(button)); }

int CTevDxMouse::SetMousePos(int x, int y) {
    m_device.WarpMouse(x, y);
    return 0;
}

int CTevDxMouse::ShowMouseCursor(bool show) {
    // Calls accumulate, as the system cursor's display counter did: a game
    // that hides it twice must show it twice.
    const bool wasShown = m_displayCount >= 0;
    m_displayCount += show ? 1 : -1;
    const bool shown = m_displayCount >= 0;
    if (shown != wasShown) platform::Window().ShowCursor(shown);
    return 0;
}
