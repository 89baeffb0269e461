#include "device/worker_gate.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <memory>
#include <thread>

#include "device/input_listener.h"
#include "device/macro_executor.h"
#include "platform/hid_pause.h"

namespace {

std::mutex g_gateMutex;
std::condition_variable_any g_gateChanged;
bool g_gateOpen = false;  // guarded by g_gateMutex

std::mutex g_tablesLock;

struct Workers {
  std::jthread listener;
  std::jthread executor;
};
std::mutex g_workersMutex;
std::unique_ptr<Workers> g_workers;  // guarded by g_workersMutex

// A precise sleep waits out this much before its deadline on the clock alone
// (hid::PauseUntil), as the device protocol's pauses are timed.
constexpr auto kPreciseLead = std::chrono::milliseconds(10);

// The workers react to the mouse with the least delay the system allows: real-time
// round-robin when the process may use it, else a better nice value.
void RaiseThreadPriority() {
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_RR);
  if (param.sched_priority >= 0 && pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return;
  // nice values are per thread on Linux when given the thread id.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
}

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

void StartDeviceWorkers() {
  std::lock_guard lock(g_workersMutex);
  if (g_workers) return;
  auto workers = std::make_unique<Workers>();
  workers->listener = std::jthread([](std::stop_token stop) {
    RaiseThreadPriority();
    DeviceInputThread(stop);
  });
  workers->executor = std::jthread([](std::stop_token stop) {
    RaiseThreadPriority();
    MacroExecutorThread(stop);
  });
  g_workers = std::move(workers);
}

void StopDeviceWorkers() {
  std::unique_ptr<Workers> workers;
  {
    std::lock_guard lock(g_workersMutex);
    workers = std::move(g_workers);
  }
  if (!workers) return;
  workers->listener.request_stop();
  workers->executor.request_stop();
  // Woken from the gate by the stop request; the jthreads join on destruction.
  g_gateChanged.notify_all();
  workers.reset();
}

bool DeviceWorkersRunning() {
  std::lock_guard lock(g_workersMutex);
  return g_workers != nullptr;
}

std::mutex& WorkerTablesLock() { return g_tablesLock; }

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
