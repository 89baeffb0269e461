// A whole settings download of the factory settings with twelve macro buttons, on the
// simulated mouse at 1 ms per report. The floor is what the protocol itself needs:
// every report's latency plus the pauses of each block (4 ms + 2 ms) and of the control
// pulse (5 ms). "ratio" is the wall time against that floor.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "../support/bench_folder.h"
#include "device/device_connection.h"
#include "device/download.h"
#include "device/feature_report.h"
#include "keys/language.h"
#include "platform/ini_file.h"
#include "platform/pointer_settings.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"

namespace {

namespace fs = std::filesystem;

// Twelve macros of a few key strokes each, like the factory library's.
void WriteTwelveMacroLibrary() {
  const std::string list = g_macroDir + "macroGrp.ini";
  ini::WriteInt(list, "MACRO_GROUP_NUM", "macGrpNum", 1);
  ini::WriteString(list, "MACRO_GROUP_NAME", "0", "Bench");
  g_groupMacroCount = 12;
  for (int m = 0; m < 12; ++m) {
    MacroRecord& r = g_groupMacros[static_cast<std::size_t>(m)];
    r = MacroRecord{};
    SetMacroName(r, "Macro " + std::to_string(m));
    r.mode = static_cast<std::uint8_t>(m % 3 == 0 ? 2 : 0);
    r.repeatCount = 1;
    const int events = 4 + 2 * (m % 4);
    for (int e = 0; e < events; ++e) {
      r.action[static_cast<std::size_t>(e)] = static_cast<std::uint8_t>(e % 2 == 0 ? 1 : 2);
      r.code[static_cast<std::size_t>(e)] = static_cast<std::uint8_t>(0x04 + m + e / 2);
      r.delay[static_cast<std::size_t>(e)] = static_cast<std::uint16_t>(20 + 60 * m);
    }
    r.eventCount = static_cast<std::uint16_t>(events);
  }
  SaveMacroFile(g_macroDir + "Bench.dat");
  LoadMacroGroups();
  LoadAllMacroNames();
}

void BM_FullDownload(benchmark::State& state) {
  const auto latency = std::chrono::microseconds(state.range(0));
  const benchsupport::PrivateFolder folder("download_bench");
  const fs::path root = folder.Path();
  fs::create_directories(root / "skins" / "config");
  fs::copy_file(fs::path(MC_SOURCE_DIR) / "skins" / "config" / "config.ini", root / "skins" / "config" / "config.ini",
                fs::copy_options::overwrite_existing);
  g_language = 1;
  SetProgramPaths(root.string());
  fs::create_directories(g_macroDir);
  ClearSettingsTables();
  LoadDeviceDescription();
  for (int p = 0; p < 4; ++p) LoadProfile(g_configDir, p, false);
  WriteTwelveMacroLibrary();
  for (int i = 0; i < kButtonCount; ++i) g_keyFunc[0][static_cast<std::size_t>(i)] = 256 + i;
  SetLedModeList(kOfferedLedEffectMask);
  g_ledEffectLevel = 11;
  pointer::SetPointerSettings(pointer::MakeUnavailablePointerSettings());

  g_devString.clear();
  ResetDeviceConnection();
  sim::SimOptions options;
  options.latency = latency;
  auto mouse = sim::SimulatedMouse::Install(options);
  if (FindDevice() != 1) {
    state.SkipWithError("simulated mouse not found");
    return;
  }

  double total = 0;
  int reports = 0, blocks = 0, pulses = 0;
  for (auto _ : state) {
    mouse->ClearFrames();
    const int commitsBefore = mouse->CommitCount();
    const int pulsesBefore = mouse->ControlPulseCount();
    const auto start = std::chrono::steady_clock::now();
    const DownloadOutcome outcome = DownloadSettings();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (outcome != DownloadOutcome::Completed) state.SkipWithError("download did not complete");
    reports = static_cast<int>(mouse->Frames().size());
    blocks = mouse->CommitCount() - commitsBefore;
    pulses = mouse->ControlPulseCount() - pulsesBefore;
  }
  const double floorSeconds = reports * (latency.count() / 1e6) + blocks * 0.006 + pulses * 0.005;
  state.counters["reports"] = reports;
  state.counters["blocks"] = blocks;
  state.counters["floor_s"] = floorSeconds;
  state.counters["ratio"] = total / static_cast<double>(state.iterations()) / floorSeconds;

  ResetDeviceConnection();
  mouse->Uninstall();
  pointer::SetPointerSettings(nullptr);
}

BENCHMARK(BM_FullDownload)->Arg(1000)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
