// Deadlines of the tests. A wait ends as soon as its condition holds; its deadline only
// bounds a hang, and MC_TEST_TIME_FACTOR (a positive number, 1 when unset) stretches
// every deadline of the suite on a slow or busy machine.
#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace testdeadline {

inline double TimeFactor() {
  static const double factor = [] {
    const char* text = std::getenv("MC_TEST_TIME_FACTOR");
    const double value = text ? std::strtod(text, nullptr) : 1.0;
    return value > 0 ? value : 1.0;
  }();
  return factor;
}

inline std::chrono::milliseconds Stretched(std::chrono::milliseconds limit) {
  return std::chrono::milliseconds(static_cast<long long>(static_cast<double>(limit.count()) * TimeFactor()));
}

inline int StretchedMs(int ms) { return static_cast<int>(Stretched(std::chrono::milliseconds(ms)).count()); }

// Waits until `done` holds, looking every millisecond; false once the stretched `limit`
// has passed without it.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + Stretched(limit);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

}  // namespace testdeadline
