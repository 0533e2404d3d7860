#include "input/tev_dx_pad.h"

#include "input/press_counter.h"
#include "platform/input/input_device.h"

static_assert(CTevDxPad::kPads == platform::kInputPads);

CTevDxPad::CTevDxPad(platform::IInputDevice& device) : m_device(device) {}

CTevDxPad::~CTevDxPad() {
    if (m_opened) m_device.ClosePads();
}

int CTevDxPad::Initialize(ITevApp*) {
    const int found = m_device.OpenPads();
    if (found < 0) {
        Log(1, "CTevDxPad::Initialize|: DirectInput8Create Failed");
        return -1;
    }
    m_opened = true;
    m_padCount = found;
    Log(0, "CTevDxPad::Initialize|: Find %d Pad(s)", found);
    for (int i = 0; i < found && i < kPads; ++i) {
        m_connected[i] = true;
        Log(0, "CTevDxPad::Initialize|: Pad(%d) Inited", i);
    }
    Log(0, "CTevDxPad::Initialize|: End");
    return 0;
}

void CTevDxPad::Poll() {
    if (!m_opened) return;
    int count = 0;
    // Every slot is read: with hot-plug a gap (pad 0 unplugged) must not hide
    // the pads after it.
    for (int p = 0; p < kPads; ++p) {
        const platform::PadSnapshot& pad = m_device.State().Pad(p);
        if (pad.connected != m_connected[p]) {
            m_connected[p] = pad.connected;
            Log(0, pad.connected ? "CTevDxPad::Poll|: Pad(%d) Connected" : "CTevDxPad::Poll|: Pad(%d) Removed", p);
        }
        int32_t* marks = m_seenDown[p];
        if (pad.connected) {
            count = p + 1;
            auto bump = [&](int button, bool down) {
                if (down && marks[button] < tev_input::kCounterMax) ++marks[button];
            };
            bump(0, pad.axisY < -kStickThreshold || (pad.directions & platform::kPadDirUp));
            bump(1, pad.axisY > kStickThreshold || (pad.directions & platform::kPadDirDown));
            bump(2, pad.axisX < -kStickThreshold || (pad.directions & platform::kPadDirLeft));
            bump(3, pad.axisX > kStickThreshold || (pad.directions & platform::kPadDirRight));
            for (int b = 0; b < kButtons - 4; ++b) bump(4 + b, pad.buttons[b] != 0);
        }
        for (int b = 0; b < kButtons; ++b) {
            m_counters[p][b] = tev_input::NextCounter(m_counters[p][b], marks[b] != 0);
            marks[b] = 0;
        }
    }
    m_padCount = count;
}

int CTevDxPad::GetPadButton(int pad, int button) const {
    if (pad < 0 || pad >= kPads || button < 0 || button >= kButtons) return 0;
    return m_counters[pad][button];
}

int CTevDxPad::GetPadButtonState(int pad, int button) const {
    return tev_input::CounterState(GetPadButton(pad, button));
}
