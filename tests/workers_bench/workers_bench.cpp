// Timing of played macros and the idle cost of the two device workers, against the
// simulated mouse.
//
// MacroEventTiming: a macro of 200 key events 5 ms apart, started by a button press;
// each event's time at the mouse is compared with its target (first event + the sum of
// the delays before it). Each delay counts from the end of the report before it, so the
// deviation grows by every report's write time over the macro. Counters: p50, p99 and
// max of |deviation| in microseconds.
//
// IdleCpu: the process's CPU time while both workers idle (mouse connected, or no
// mouse found), as a share of one core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

#include "../support/bench_folder.h"
#include "device/device_connection.h"
#include "device/device_workers.h"
#include "device/input_listener.h"
#include "device/macro_executor.h"
#include "device/worker_gate.h"
#include "keys/language.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kEvents = 200;
constexpr int kDelayMs = 5;

struct Setup {
  benchsupport::PrivateFolder folder{"workers_bench"};
  fs::path root;
  std::shared_ptr<sim::SimulatedMouse> mouse;

  explicit Setup(bool connect) {
    root = folder.Path();
    g_language = 1;
    SetProgramPaths(root.string());
    fs::create_directories(g_configDir);
    ClearSettingsTables();
    ResetDeviceConnection();
    mouse = sim::SimulatedMouse::Install();
    if (connect) FindDevice();
    g_keyCount = 4;
    for (int i = 0; i < 4; ++i) g_keyMap[i] = static_cast<std::uint8_t>(i + 1);
    BuildKeyNumToButton();
    g_softHardMac = 1;
    g_keyFunc[0][1] = 50;  // key 2: gun preset 0
    MacroRecord& macro = g_gunMacros[0];
    macro = MacroRecord{};
    macro.repeatCount = 1;
    macro.eventCount = kEvents;
    for (int j = 0; j < kEvents; ++j) {
      macro.code[j] = 4;
      macro.action[j] = static_cast<std::uint8_t>(j % 2 == 0 ? 1 : 2);
      macro.delay[j] = kDelayMs;
    }
    g_gunMacroCount = 1;
    ResetInputEmission();
    StartDeviceWorkers();
    OpenWorkerGate();
  }

  ~Setup() {
    StopDeviceWorkers();
    ResetWorkerGate();
    ResetDeviceConnection();
    mouse->Uninstall();
  }
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())) - 1);
  return values[std::min(index, values.size() - 1)];
}

void MacroEventTiming(benchmark::State& state) {
  Setup setup(true);
  std::vector<double> deviations;
  for (auto _ : state) {
    setup.mouse->ClearEmissions();
    setup.mouse->PressButton(2);
    setup.mouse->ReleaseButton(2);
    const auto end = Clock::now() + 10s;
    while (Clock::now() < end) {
      if (setup.mouse->Emissions().size() >= static_cast<std::size_t>(kEvents) && g_buttonPressed.load() == 0) break;
      std::this_thread::sleep_for(5ms);
    }
    const auto emissions = setup.mouse->Emissions();
    if (emissions.size() < static_cast<std::size_t>(kEvents)) {
      state.SkipWithError("the macro was not played whole");
      return;
    }
    const auto first = emissions[0].time;
    for (int j = 0; j < kEvents; ++j) {
      const auto target = first + std::chrono::milliseconds(kDelayMs * j);
      const auto deviation = std::chrono::duration<double, std::micro>(emissions[j].time - target).count();
      deviations.push_back(std::abs(deviation));
    }
  }
  state.counters["p50_us"] = Percentile(deviations, 0.50);
  state.counters["p99_us"] = Percentile(deviations, 0.99);
  state.counters["max_us"] = Percentile(deviations, 1.0);
}
BENCHMARK(MacroEventTiming)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void IdleCpu(benchmark::State& state) {
  Setup setup(state.range(0) != 0);
  std::this_thread::sleep_for(200ms);  // past the start
  double share = 0;
  for (auto _ : state) {
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(3s);
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    share = cpu / wall;
  }
  state.counters["cpu_percent_of_core"] = share * 100.0;
}
BENCHMARK(IdleCpu)->Arg(1)->Arg(0)->ArgName("mouse")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
