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
    constexpr int64_t kSpinMargin = 1500000;  // 1.5 ms: covers the scheduler's wake-up delay
    constexpr int64_t kIdleSpacing = 1000000;
    int64_t lastIdle = ClockNow();
    for (;;) {
        int64_t now = ClockNow();
        if (now >= deadline) return;
        if (idle && now - lastIdle > kIdleSpacing) {
            idle(context);
            lastIdle = now;
        }
        int64_t remaining = deadline - now;
        if (remaining > kSpinMargin) {
            int64_t nap = remaining - kSpinMargin;
            SleepFor(nap < kIdleSpacing ? nap : kIdleSpacing);
        }
    }
}

} // namespace platform
