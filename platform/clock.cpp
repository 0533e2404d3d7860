#include "platform/clock.h"

#include <sched.h>
#include <time.h>

namespace platform {

int64_t ClockNow() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * kClockFrequency + ts.tv_nsec;
}

void SleepFor(int64_t ticks) {
    if (ticks <= 0) return;
    timespec ts{static_cast<time_t>(ticks / kClockFrequency), static_cast<long>(ticks % kClockFrequency)};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, &ts) != 0) {
    }
}

void YieldTimeSlice() { sched_yield(); }

void WaitUntil(int64_t deadline, void (*idle)(void*), void* context) {
    // The scheduler wakes a sleeper within a fraction of a millisecond on an
    // idle core; the rest of the wait is spun for a steady boundary.
    constexpr int64_t kSpinMargin = 700000;
    constexpr int64_t kIdleSpacing = 4000000;
    for (;;) {
        int64_t now = ClockNow();
        if (now >= deadline) return;
        if (idle) idle(context);
        int64_t remaining = deadline - now;
        if (remaining > kSpinMargin) {
            int64_t nap = remaining - kSpinMargin;
            SleepFor(nap < kIdleSpacing ? nap : kIdleSpacing);
            continue;
        }
        while (ClockNow() < deadline) {
        }
        return;
    }
}

} // namespace platform
