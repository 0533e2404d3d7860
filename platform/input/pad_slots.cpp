#include "platform/input/pad_slots.h"

namespace platform {

int PadSlots::SlotOf(int32_t deviceId) const {
    for (int s = 0; s < kInputPads; ++s)
        if (m_used[s] && m_ids[s] == deviceId) return s;
    return -1;
}

int PadSlots::Attach(int32_t deviceId) {
    if (int s = SlotOf(deviceId); s >= 0) return s;
    for (int s = 0; s < kInputPads; ++s) {
        if (!m_used[s]) {
            m_used[s] = true;
            m_ids[s] = deviceId;
            return s;
        }
    }
    return -1;
}

int PadSlots::Detach(int32_t deviceId) {
    const int s = SlotOf(deviceId);
    if (s >= 0) m_used[s] = false;
    return s;
}

int PadSlots::Count() const {
    int n = 0;
    for (bool used : m_used) n += used;
    return n;
}

} // namespace platform
