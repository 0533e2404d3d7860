// The per-control press counter: 0 up, 1 went down at the latest poll,
// 2..255 polls held, -1 came up at the latest poll.
#pragma once
#include <cstdint>

namespace tev_input {

constexpr int32_t kCounterMax = 255;

// One poll's update for a control seen down or up.
inline int32_t NextCounter(int32_t counter, bool down) {
    if (down) {
        if (counter < 0) counter = 0;  // pressed again right after a release reads 1
        return counter < kCounterMax ? counter + 1 : kCounterMax;
    }
    return counter > 0 ? -1 : 0;
}

// 0 up, 1 just pressed, 2 held, 4 just released.
inline int CounterState(int32_t counter) {
    if (counter == 1) return 1;
    if (counter >= 2) return 2;
    if (counter == -1) return 4;
    return 0;
}

} // namespace tev_input
