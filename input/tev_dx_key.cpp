#include "input/tev_dx_key.h"

#include <cstring>

#include "input/press_counter.h"
#include "platform/input/input_device.h"

using tev_input::kKeyCodes;

CTevDxKey::CTevDxKey(platform::IInputDevice& device) : m_device(device) {}

CTevDxKey::~CTevDxKey() {
    if (m_initialized) m_device.CloseKeyboard();
}

int CTevDxKey::Initialize(ITevApp*) {
    Log(0, "CTevDxKey::Initialize|: Begin");
    if (!m_device.OpenKeyboard()) {
        Log(1, "CTevDxKey::SetupKey|: CreateDevice Failed");
        return -1;
    }
    m_initialized = true;
    Log(0, "CTevDxKey::Initialize|: Succeeded");
    return 0;
}

void CTevDxKey::Poll() {
    if (!m_initialized) return;
    const uint8_t* keys = m_device.State().Keys();
    // Codes 238..255 are never read.
    for (int code = 0; code < kKeyCodes; ++code)
        if (keys[code] && m_seenDown[code] < tev_input::kCounterMax) ++m_seenDown[code];
    for (int code = 0; code < kKeyCodes; ++code) {
        m_counters[code] = tev_input::NextCounter(m_counters[code], m_seenDown[code] != 0);
        m_seenDown[code] = 0;
    }
}

int CTevDxKey::GetKey(int code) const { return code >= 0 && code < kKeyCodes ? m_counters[code] : 0; }

int CTevDxKey::GetKeyState(int code) const { return tev_input::CounterState(GetKey(code)); }

char CTevDxKey::KeyToChar(int code) const { return tev_input::KeyChar(code); }

int CTevDxKey::GetKeyName(char* out, int code) const {
    if (!out) return -1;
    const char* name = tev_input::KeyName(code);
    if (!name) {
        out[0] = '\0';
        return -1;
    }
    std::memcpy(out, name, std::strlen(name) + 1);
    return 0;
}

int CTevDxKey::GetFirstKeyDown() const {
    for (int code = 0; code < kKeyCodes; ++code)
        if (m_counters[code] > 0) return code;
    return 0;
}
