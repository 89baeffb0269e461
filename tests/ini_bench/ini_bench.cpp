// Start-up loading and the Apply save against a full config.ini: the installation's
// factory file with key combinations on a third of the buttons.
//
//   LoadAllProfilesCold: what start-up does with a file not read before (parse once,
//                        then key-by-key reads): device description + profiles 0..3.
//   LoadAllProfilesWarm: the same with the parsed file cached.
//   SaveAll:             the Apply save, one replacement of config.ini.
//   SaveAllKeyByKey:     the same writes as one WriteString call each (for comparison).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "../support/bench_folder.h"
#include "platform/ini_file.h"
#include "profile/paths.h"
#include "profile/settings.h"

namespace {

struct ProgramFolder {
  benchsupport::PrivateFolder folder{"ini_bench"};
  std::filesystem::path root = folder.Path();
  ProgramFolder() {
    std::filesystem::create_directories(root / "skins" / "config");
    SetProgramPaths(root.string());
    ClearSettingsTables();
    std::filesystem::path shipped = std::filesystem::path(MC_SOURCE_DIR) / "skins" / "config" / "config.ini";
    if (std::filesystem::exists(shipped)) {
      std::filesystem::copy_file(shipped, g_configIniPath);
      for (int n = 0; n < kProfileCount; ++n) LoadProfile(g_configDir, n, false);
    } else {
      WriteDescription();
    }
    for (int p = 0; p < kProfileCount; ++p)
      for (int b = 0; b < kButtonCount; b += 3) {
        g_keyFunc[p][b] = 33;
        m_shortcutTexts[p][b] = "Ctrl&split&162&split&Shift&split&160&split&Alt&split&&split&Win&split&&split&F" +
                                std::to_string(b + 1) + "&split&" + std::to_string(112 + b);
      }
    benchsupport::MustSave(SaveAll(), g_configIniPath);
    std::filesystem::copy_file(g_configIniPath, g_configDir + "configReset.ini");
  }

  // Without the installation data: a description and the keys of the sound mode.
  static void WriteDescription() {
    ini::Batch extra(g_configIniPath);
    extra.WriteString("Init", "VER_SEL", "1");
    extra.WriteString("Init", "ConfigNum", "4");
    extra.WriteString("PRODUCTNAME", "PRODUCTNAME_CN", "游戏鼠标");
    extra.WriteString("PRODUCTNAME", "PRODUCTNAME_EN", "Gaming Mouse");
    extra.WriteString("PRODUCTNAME", "DevString", "Gaming Mouse");
    extra.WriteInt("KEYNUM", "KeyNum", 12);
    for (int i = 1; i <= 12; ++i) {
      std::string key = "K";  // appended in steps: GCC 12 warns falsely on "K" + ... + "_MAP"
      key += std::to_string(i);
      key += "_MAP";
      extra.WriteInt("KEYMAP", key, i);
    }
    for (const char* key : {"SoundWaveMode", "SoundSpeaker", "SoundMicroph", "SoundBright2", "WaveShowStatu"})
      extra.WriteInt("ShareData", key, 1);
    extra.Commit();
  }
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
  for (auto _ : state) benchsupport::MustSave(SaveAll(), g_configIniPath);
}
BENCHMARK(SaveAllBatch)->Name("SaveAll")->Unit(benchmark::kMillisecond);

void SaveAllKeyByKey(benchmark::State& state) {
  Folder();
  ini::Batch batch(g_configIniPath);
  batch.WriteInt("Init", "CurConfig", g_currentProfile);
  for (int n = 0; n < kProfileCount; ++n) AddProfileWrites(batch, n);
  for (auto _ : state)
    for (const ini::Batch::Write& w : batch.Writes())
      benchsupport::MustSave(ini::WriteString(g_configIniPath, w.section, w.key, w.value), g_configIniPath);
}
BENCHMARK(SaveAllKeyByKey)->Unit(benchmark::kMillisecond)->Iterations(3);

void ResetAllProfilesBench(benchmark::State& state) {
  Folder();
  for (auto _ : state) benchmark::DoNotOptimize(ResetAllProfiles());
}
BENCHMARK(ResetAllProfilesBench)->Name("ResetAllProfiles")->Unit(benchmark::kMillisecond);

}  // namespace
