// A program folder in a temporary directory with a macro library, the settings tables
// cleared, a simulated mouse found by FindDevice, a recording stand-in for the
// desktop's pointer settings, and every warning recorded.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/device_connection.h"
#include "device/download.h"
#include "device/feature_report.h"
#include "device/memory_image.h"
#include "keys/language.h"
#include "platform/ini_file.h"
#include "platform/pointer_settings.h"
#include "profile/core_hooks.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"

// Records what the download asks of the desktop.
class RecordingPointerSettings : public pointer::DesktopPointerSettings {
 public:
  bool speedReadable = true;
  bool linesReadable = true;
  std::vector<int> speedWrites;
  std::vector<int> lineWrites;

  std::string Name() const override { return "recording"; }
  std::optional<int> ReadPointerSpeed() override {
    if (!speedReadable) return std::nullopt;
    return 10;
  }
  bool WritePointerSpeed(int speed) override {
    speedWrites.push_back(speed);
    return true;
  }
  std::optional<int> ReadWheelScrollLines() override {
    if (!linesReadable) return std::nullopt;
    return 3;
  }
  bool WriteWheelScrollLines(int lines) override {
    lineWrites.push_back(lines);
    return true;
  }
};

// Event helpers for building records in tests.
inline void AddEvent(MacroRecord& r, std::uint8_t action, std::uint8_t code, std::uint16_t delay,
                     std::uint16_t a = 0, std::uint16_t b = 0) {
  const std::size_t i = r.eventCount++;
  r.action[i] = action;
  r.code[i] = code;
  r.delay[i] = delay;
  r.param[i] = {a, b};
  if (code == MacroEventCode::PointerMove) ++r.moveCount;
  if (code == MacroEventCode::DpiStep) ++r.cpiCount;
}

inline MacroRecord NamedMacro(const char* name, std::uint8_t mode, std::uint16_t repeat) {
  MacroRecord r;
  SetMacroName(r, name);
  r.mode = mode;
  r.repeatCount = repeat;
  return r;
}

class DownloadTest : public ::testing::Test {
 protected:
  std::filesystem::path root;
  std::shared_ptr<sim::SimulatedMouse> mouse;
  std::shared_ptr<RecordingPointerSettings> desktop;
  std::mutex warningLock;
  std::vector<int> warnings;       // TipText entries shown
  std::vector<int> busyAtWarning;  // g_downloadBusy when each warning came

  void SetUp() override {
    static int counter = 0;
    root = std::filesystem::temp_directory_path() /
           ("download_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    g_language = 1;
    std::filesystem::create_directories(root / "skins" / "config");
    SetProgramPaths(root.string());
    std::filesystem::create_directories(g_macroDir);
    ClearSettingsTables();
    ResetDownloadCarryOver();
    g_ledEffectLevel = 0;
    g_ledModeCount = 0;
    for (auto& row : g_ledConfigRows) row.fill(0);
    for (auto& profile : g_profileMacros)
      for (auto& record : profile) record = MacroRecord{};
    for (auto& record : g_gunMacros) record = MacroRecord{};
    g_gunMacroCount = 0;
    for (int i = 0; i < 50; ++i) g_textTip[static_cast<std::size_t>(i)] = "tip " + std::to_string(i);
    SetWarningHandler([this](const WarningRequest& r) {
      std::lock_guard lock(warningLock);
      warnings.push_back(r.tipEntry);
      busyAtWarning.push_back(g_downloadBusy.load());
    });
    WriteLibrary({});
    desktop = std::make_shared<RecordingPointerSettings>();
    pointer::SetPointerSettings(desktop);
    Connect({});
  }

  void TearDown() override {
    pointer::SetPointerSettings(nullptr);
    SetWarningHandler(nullptr);
    ResetDeviceConnection();
    if (mouse) mouse->Uninstall();
    ClearSettingsTables();
    std::filesystem::remove_all(root);
  }

  void Connect(sim::SimOptions options) {
    if (mouse) mouse->Uninstall();
    ResetDeviceConnection();
    g_devString.clear();
    g_reportBuffer.fill(0);
    mouse = sim::SimulatedMouse::Install(std::move(options));
    ASSERT_EQ(FindDevice(), 1);
    mouse->ClearFrames();
  }

  struct Group {
    std::string name;
    std::vector<MacroRecord> macros;
  };

  // Writes the groups into the language's macro folder and loads the library tables.
  void WriteLibrary(const std::vector<Group>& groups) {
    const std::string list = g_macroDir + "macroGrp.ini";
    std::filesystem::remove(list);
    ini::WriteInt(list, "MACRO_GROUP_NUM", "macGrpNum", static_cast<long long>(groups.size()));
    for (std::size_t g = 0; g < groups.size(); ++g) {
      ini::WriteString(list, "MACRO_GROUP_NAME", std::to_string(g), groups[g].name);
      g_groupMacroCount = static_cast<std::int16_t>(groups[g].macros.size());
      for (std::size_t m = 0; m < groups[g].macros.size(); ++m) g_groupMacros[m] = groups[g].macros[m];
      SaveMacroFile(g_macroDir + groups[g].name + ".dat");
    }
    LoadMacroGroups();
    LoadAllMacroNames();
  }

  // A settings set with every button mapped to key numbers 1..12 in order.
  static void PlainButtons(int keyCount = 12) {
    g_keyCount = keyCount;
    for (int i = 0; i < kButtonCount; ++i) g_keyMap[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
    for (auto& profile : g_ledReactEnable) profile.fill(1);
    g_ledUserColerEn = 1;
  }

  std::vector<int> Warnings() {
    std::lock_guard lock(warningLock);
    return warnings;
  }

  std::vector<std::uint8_t> Mem(int address, int length) const {
    const auto memory = mouse->Memory();
    return {memory.begin() + address, memory.begin() + address + length};
  }

  // Addresses of the blocks committed (end-of-block reports), in order.
  std::vector<int> CommittedBlocks() const {
    std::vector<int> out;
    for (const auto& f : mouse->SetFeatureFrames())
      if (f.bytes[1] == 0x18 && f.bytes[2] == 0x09) out.push_back(f.bytes[4] | (f.bytes[5] << 8));
    return out;
  }

  // Data reports (flags 0x03) of the block committed at `address`, as bytes.
  std::vector<std::uint8_t> BlockData(int address) const {
    std::vector<std::uint8_t> out;
    for (const auto& f : mouse->SetFeatureFrames()) {
      if (f.bytes[1] != 0x18) continue;
      const int a = f.bytes[4] | (f.bytes[5] << 8);
      if (a != address) continue;
      if (f.bytes[2] == 0x03) out.push_back(f.bytes[6]);
      if (f.bytes[2] == 0x09) break;
    }
    return out;
  }

  int FramesWithCommand(std::uint8_t command) const {
    int n = 0;
    for (const auto& f : mouse->SetFeatureFrames()) n += f.bytes[1] == command;
    return n;
  }
};
