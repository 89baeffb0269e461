// Pauses of the device protocol. Every pause between reports goes through here, so
// their timing is measured on one clock (CLOCK_MONOTONIC) with absolute deadlines.
#pragma once

#include <chrono>

namespace hid {

using PauseClock = std::chrono::steady_clock;

// Sleeps until `deadline` (absolute, on the monotonic clock); returns at once when it
// has passed. The calling thread's timer slack is lowered on first use so that short
// pauses end close to their deadline.
void PauseUntil(PauseClock::time_point deadline);

// Sleeps `ms` milliseconds from now.
void PauseMs(int ms);

// Sleeps `us` microseconds from now.
void PauseUs(long long us);

}  // namespace hid
