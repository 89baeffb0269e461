// A process that starts the device workers and returns from main without stopping
// them; exit_test.cpp expects it to end. Both workers are left at their waits: the
// listener reading the mouse, the executor waiting to be woken.
#include <chrono>
#include <thread>

#include "device/device_connection.h"
#include "device/device_workers.h"
#include "device/input_listener.h"
#include "device/worker_gate.h"
#include "sim/simulated_mouse.h"

int main() {
  const auto mouse = sim::SimulatedMouse::Install();
  if (FindDevice() != 1) return 2;
  StartDeviceWorkers();
  OpenWorkerGate();
  // A press the listener takes and hands over: once it is handled and the executor has
  // taken it, both are on their way back to their waits.
  mouse->PressButton(1, 0);
  while (InputReportsHandled() == 0 || g_buttonPressed.load() != 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}
