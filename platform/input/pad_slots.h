// Pad numbers for hot-plugged controllers. A controller keeps its number for
// as long as it stays connected; a new one takes the lowest free number, so a
// pad unplugged and plugged back in (with no other change) gets its own
// number again and the pads still in use are never renumbered.
#pragma once
#include <cstdint>

#include "platform/input/input_device.h"

namespace platform {

class PadSlots {
public:
    // The slot given to the device, its existing slot when already known, or
    // -1 when every slot is taken.
    int Attach(int32_t deviceId);
    // The slot the device had, or -1 when it had none.
    int Detach(int32_t deviceId);
    int SlotOf(int32_t deviceId) const;
    bool InUse(int slot) const { return slot >= 0 && slot < kInputPads && m_used[slot]; }
    int Count() const;

private:
    int32_t m_ids[kInputPads] = {};
    bool m_used[kInputPads] = {};
};

} // namespace platform
