#include "device/worker_gate.h"

#include <condition_variable>
#include <mutex>

#include "platform/hid_pause.h"

namespace {

std::mutex g_gateMutex;
std::condition_variable_any g_gateChanged;
bool g_gateOpen = false;  // guarded by g_gateMutex

// A precise sleep waits out this much before its deadline on the clock alone
// (hid::PauseUntil), as the device protocol's pauses are timed.
constexpr auto kPreciseLead = std::chrono::milliseconds(10);

}  // namespace

void OpenWorkerGate() {
  {
    std::lock_guard lock(g_gateMutex);
    g_gateOpen = true;
  }
  g_gateChanged.notify_all();
}

bool WorkerGateOpen() {
  std::lock_guard lock(g_gateMutex);
  return g_gateOpen;
}

bool WaitForWorkerGate(std::stop_token stop) {
  std::unique_lock lock(g_gateMutex);
  return g_gateChanged.wait(lock, stop, [] { return g_gateOpen; });
}

void ResetWorkerGate() {
  std::lock_guard lock(g_gateMutex);
  g_gateOpen = false;
}

bool WorkerSleepUntil(std::chrono::steady_clock::time_point deadline, std::stop_token stop, bool precise) {
  if (stop.stop_requested()) return false;
  // Short precise pauses (the delays between the events of a macro) are timed on the
  // clock alone, as every pause of the device protocol is; a stop waits for their end.
  if (precise && deadline - std::chrono::steady_clock::now() <= kPreciseLead) {
    hid::PauseUntil(deadline);
    return !stop.stop_requested();
  }
  // Otherwise asleep until the deadline or the stop request, whichever comes first, with
  // no wake-up in between.
  {
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    const auto wakeAt = precise ? deadline - kPreciseLead : deadline;
    woken.wait_until(lock, stop, wakeAt, [] { return false; });
  }
  if (stop.stop_requested()) return false;
  if (precise) hid::PauseUntil(deadline);
  return !stop.stop_requested();
}
