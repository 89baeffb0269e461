#include "device/device_workers.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "device/input_listener.h"
#include "device/macro_executor.h"

namespace {

struct Workers {
  std::jthread listener;
  std::jthread executor;
};
std::mutex g_workersMutex;
std::unique_ptr<Workers> g_workers;  // guarded by g_workersMutex

// See StartDeviceWorkers for the choice of priority.
void RaiseThreadPriority() {
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_RR);
  if (param.sched_priority >= 0 && pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return;
  // nice values are per thread on Linux when given the thread id.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
}

}  // namespace

void StartDeviceWorkers() {
  // The workers wait on objects of other files (the gate, the executor's wake-up, the
  // read handle's change), which static destruction at exit destroys in an order of
  // its own; a wait on a destroyed condition variable never ends. A handler registered
  // now, after every such object was made, runs before any of them is destroyed.
  static std::once_flag stopAtExit;
  std::call_once(stopAtExit, [] { std::atexit(StopDeviceWorkers); });
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
  // A worker waiting at the gate is woken by the stop request; the jthreads join on
  // destruction.
  workers->listener.request_stop();
  workers->executor.request_stop();
  workers.reset();
}

bool DeviceWorkersRunning() {
  std::lock_guard lock(g_workersMutex);
  return g_workers != nullptr;
}
