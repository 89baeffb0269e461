// Writing a whole 4 KiB memory image to the simulated mouse, which takes 1 ms per
// report. The floor is what the protocol itself needs: every report's latency plus
// the 4 ms and 2 ms pauses of each block. "ratio" is wall time against that floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "device/device_connection.h"
#include "device/feature_report.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"

namespace {

constexpr int kImageSize = 4096;
constexpr int kBlock = 8;

void BM_WriteImage(benchmark::State& state) {
  const auto latency = std::chrono::microseconds(state.range(0));
  ClearSettingsTables();
  g_devString.clear();
  ResetDeviceConnection();
  sim::SimOptions options;
  options.latency = latency;
  auto mouse = sim::SimulatedMouse::Install(options);
  if (FindDevice() != 1) {
    state.SkipWithError("simulated mouse not found");
    return;
  }
  std::vector<std::uint8_t> image(kImageSize);
  for (int i = 0; i < kImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);

  const int blocks = kImageSize / kBlock;
  const int reports = kImageSize + 2 * blocks;
  const double floorSeconds = reports * (latency.count() / 1e6) + blocks * 0.006;
  double total = 0;
  for (auto _ : state) {
    mouse->ClearFrames();
    auto start = std::chrono::steady_clock::now();
    for (int address = 0; address < kImageSize; address += kBlock)
      WriteMemBlock(address, image.data() + address, kBlock);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  if (mouse->Memory() != [&] {
        std::array<std::uint8_t, sim::kSimMemorySize> expected{};
        std::copy(image.begin(), image.end(), expected.begin());
        return expected;
      }())
    state.SkipWithError("image not written correctly");
  state.counters["reports"] = reports;
  state.counters["floor_s"] = floorSeconds;
  state.counters["ratio"] = total / state.iterations() / floorSeconds;
  ResetDeviceConnection();
  mouse->Uninstall();
}

BENCHMARK(BM_WriteImage)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
