// Start-up loading and the Apply save against a full config.ini.
//
//   LoadAllProfilesCold: what start-up does with a file not read before (parse once,
//                        then key-by-key reads): device description + profiles 0..3.
//   LoadAllProfilesWarm: the same with the parsed file cached.
//   SaveAll:             the Apply save, one replacement of config.ini.
//   SaveAllKeyByKey:     the same writes as one WriteString call each (for comparison).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ini_file.h"
#include "profile/paths.h"
#include "profile/settings.h"

namespace {

struct ProgramFolder {
  std::filesystem::path root;
  ProgramFolder() {
    root = std::filesystem::temp_directory_path() / ("ini_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "skins" / "config");
    SetProgramPaths(root.string());
    ClearSettingsTables();
    for (int p = 0; p < kProfileCount; ++p)
      for (int b = 0; b < kButtonCount; ++b) {
        g_keyFunc[p][b] = b % 3 == 0 ? 33 : 257 + b;
        m_shortcutTexts[p][b] = "Ctrl&split&162&split&Shift&split&160&split&Alt&split&&split&Win&split&&split&F" +
                                std::to_string(b + 1) + "&split&" + std::to_string(112 + b);
        g_leftMac[p][b] = b & 1;
        g_ledReactEnable[p][b] = 1;
        g_ledReactType[p][b] = b % 4;
      }
    for (int j = 0; j < kDpiLevelCount; ++j) {
      g_dpiSetValue[j] = static_cast<std::uint8_t>(8 * (j + 1));
      g_dpiSetEnable[j] = 1;
      g_dpiColorLevel[j] = {j, 15 - j, 2 * j};
    }
    g_fireTime = 60;
    ini::Batch extra(g_configIniPath);
    extra.WriteString("Init", "VER_SEL", "1");
    extra.WriteString("Init", "ConfigNum", "4");
    extra.WriteString("PRODUCTNAME", "PRODUCTNAME_CN", "游戏鼠标");
    extra.WriteString("PRODUCTNAME", "PRODUCTNAME_EN", "Gaming Mouse");
    extra.WriteString("PRODUCTNAME", "DevString", "Gaming Mouse");
    extra.WriteInt("KEYNUM", "KeyNum", 12);
    for (int i = 1; i <= 12; ++i) extra.WriteInt("KEYMAP", "K" + std::to_string(i) + "_MAP", i);
    for (const char* key : {"SoundWaveMode", "SoundSpeaker", "SoundMicroph", "SoundBright2", "WaveShowStatu"})
      extra.WriteInt("ShareData", key, 1);
    extra.Commit();
    SaveAll();
    std::filesystem::copy_file(g_configIniPath, g_configDir + "configReset.ini");
  }
  ~ProgramFolder() { std::filesystem::remove_all(root); }
};

ProgramFolder& Folder() {
  static ProgramFolder folder;
  return folder;
}

void LoadEverything() {
  LoadDeviceDescription();
  for (int n = 0; n < kProfileCount; ++n) LoadProfile(g_configDir, n, false);
}

void LoadAllProfilesCold(benchmark::State& state) {
  Folder();
  for (auto _ : state) {
    ini::ClearCache();
    LoadEverything();
    benchmark::DoNotOptimize(g_keyFunc);
  }
}
BENCHMARK(LoadAllProfilesCold)->Unit(benchmark::kMillisecond);

void LoadAllProfilesWarm(benchmark::State& state) {
  Folder();
  LoadEverything();
  for (auto _ : state) {
    LoadEverything();
    benchmark::DoNotOptimize(g_keyFunc);
  }
}
BENCHMARK(LoadAllProfilesWarm)->Unit(benchmark::kMillisecond);

void SaveAllBatch(benchmark::State& state) {
  Folder();
  for (auto _ : state) benchmark::DoNotOptimize(SaveAll());
}
BENCHMARK(SaveAllBatch)->Name("SaveAll")->Unit(benchmark::kMillisecond);

void SaveAllKeyByKey(benchmark::State& state) {
  Folder();
  ini::Batch batch(g_configIniPath);
  batch.WriteInt("Init", "CurConfig", g_currentProfile);
  for (int n = 0; n < kProfileCount; ++n) AddProfileWrites(batch, n);
  for (auto _ : state)
    for (const ini::Batch::Write& w : batch.Writes())
      benchmark::DoNotOptimize(ini::WriteString(g_configIniPath, w.section, w.key, w.value));
}
BENCHMARK(SaveAllKeyByKey)->Unit(benchmark::kMillisecond)->Iterations(3);

void ResetAllProfilesBench(benchmark::State& state) {
  Folder();
  for (auto _ : state) benchmark::DoNotOptimize(ResetAllProfiles());
}
BENCHMARK(ResetAllProfilesBench)->Name("ResetAllProfiles")->Unit(benchmark::kMillisecond);

}  // namespace
