// A steady nanosecond clock: the performance counter, timer resolution and
// Sleep of the frame loop.
#pragma once
#include <cstdint>

namespace platform {

constexpr int64_t kClockFrequency = 1000000000;  // ticks per second

int64_t ClockNow();               // steady, in ticks of kClockFrequency
void SleepFor(int64_t ticks);     // at least this long (may oversleep)
void YieldTimeSlice();            // the Sleep(0) of the frame step

// Waits until the clock reads at least `deadline`: sleeps until about
// 0.7 ms before it, then spins, so the wait is as steady as a busy wait
// without burning a core. Calls idle() every few milliseconds.
void WaitUntil(int64_t deadline, void (*idle)(void*), void* context);

} // namespace platform
