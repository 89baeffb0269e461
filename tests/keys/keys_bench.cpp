#include <benchmark/benchmark.h>

#include "keys/key_codes.h"
#include "keys/language.h"

static void BM_VkToDeviceKey(benchmark::State& state) {
  g_language = static_cast<int>(state.range(0));
  unsigned vk = 0;
  for (auto _ : state) benchmark::DoNotOptimize(VkToDeviceKey(static_cast<HostKeyCode>(vk++)));
}
BENCHMARK(BM_VkToDeviceKey)->Arg(1)->Arg(2)->Arg(25);

static void BM_DeviceKeyToVk(benchmark::State& state) {
  g_language = static_cast<int>(state.range(0));
  unsigned key = 0;
  for (auto _ : state) benchmark::DoNotOptimize(DeviceKeyToVk(static_cast<DeviceKeyCode>(key++)));
}
BENCHMARK(BM_DeviceKeyToVk)->Arg(1)->Arg(7);

static void BM_DeviceKeyName(benchmark::State& state) {
  g_language = static_cast<int>(state.range(0));
  unsigned key = 0;
  for (auto _ : state) benchmark::DoNotOptimize(DeviceKeyName(static_cast<DeviceKeyCode>(key++)));
}
BENCHMARK(BM_DeviceKeyName)->Arg(1)->Arg(10);
