#include "platform/hid_pause.h"

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>

namespace hid {
namespace {

// The default timer slack (50 us) would add up over the thousands of short pauses
// of a settings download; ask for the tightest wake-up once per thread.
void LowerTimerSlack() {
  thread_local bool done = false;
  if (!done) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    done = true;
  }
}

// A wake-up from a sleep comes tens of microseconds late on a busy machine; the last
// stretch before a deadline is waited out on the clock instead.
constexpr auto kSpinBeforeDeadline = std::chrono::microseconds(80);

void SleepUntil(PauseClock::time_point deadline) {
  LowerTimerSlack();
  // steady_clock is CLOCK_MONOTONIC on Linux, so its epoch is the one clock_nanosleep uses.
  auto since = deadline.time_since_epoch();
  auto secs = std::chrono::duration_cast<std::chrono::seconds>(since);
  auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since - secs);
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(secs.count());
  ts.tv_nsec = static_cast<long>(nanos.count());
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

}  // namespace

void PauseUntil(PauseClock::time_point deadline) {
  if (PauseClock::now() >= deadline) return;
  SleepUntil(deadline - kSpinBeforeDeadline);
  while (PauseClock::now() < deadline) {
  }
}

void PauseMs(int ms) {
  if (ms <= 0) return;
  PauseUntil(PauseClock::now() + std::chrono::milliseconds(ms));
}

void PauseUs(long long us) {
  if (us <= 0) return;
  PauseUntil(PauseClock::now() + std::chrono::microseconds(us));
}

}  // namespace hid
