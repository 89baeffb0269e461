// Shared set-up of the listener and executor tests: a program folder in a temporary
// directory (config.ini with four profiles, an English macro library), the simulated
// mouse found by FindDevice, eight buttons on device key numbers 1..8, and clean
// hand-over flags. Threaded tests start the two workers and open the gate.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../support/deadline.h"
#include "device/device_connection.h"
#include "device/device_workers.h"
#include "device/download.h"
#include "device/feature_report.h"
#include "device/input_listener.h"
#include "device/macro_executor.h"
#include "device/memory_image.h"
#include "device/worker_gate.h"
#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/macro_text.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace workers_test {

constexpr int kButtons = 8;  // buttons 0..7 on device key numbers 1..8

// Waits for `done`; the deadline (stretched) only bounds a hang.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20000ms) {
  return testdeadline::WaitFor(done, timeout);
}

// A macro record with the given events: {code, action, delay}.
struct Ev {
  std::uint8_t code;
  std::uint8_t action;
  std::uint16_t delay;
  std::uint16_t a = 0;
  std::uint16_t b = 0;
};
inline MacroRecord MakeMacro(const std::string& name, std::uint8_t mode, std::uint16_t repeats,
                             const std::vector<Ev>& events) {
  MacroRecord r;
  SetMacroName(r, name);
  r.mode = mode;
  r.repeatCount = repeats;
  r.eventCount = static_cast<std::uint16_t>(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    r.code[i] = events[i].code;
    r.action[i] = events[i].action;
    r.delay[i] = events[i].delay;
    r.param[i] = {events[i].a, events[i].b};
    if (events[i].code == MacroEventCode::PointerMove) ++r.moveCount;
  }
  return r;
}

// Key A (usage 4) down then up.
inline MacroRecord KeyTap(const std::string& name, std::uint8_t mode, std::uint16_t repeats, std::uint16_t delay = 5) {
  return MakeMacro(name, mode, repeats, {{4, 1, delay}, {4, 2, delay}});
}

class WorkersTest : public ::testing::Test {
 protected:
  fs::path root;
  std::shared_ptr<sim::SimulatedMouse> mouse;
  std::vector<int> tips;
  int repaints = 0;

  void SetUp() override {
    static int counter = 0;
    root = fs::temp_directory_path() / ("workers_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    g_language = 1;
    SetProgramPaths(root.string());
    fs::create_directories(g_macroDir);
    fs::create_directories(g_configDir);
    ini::ClearCache();
    ClearSettingsTables();
    ResetLibraryTables();
    SetWarningHandler([this](const WarningRequest& r) { tips.push_back(r.tipEntry); });
    SetRepaintHandler([this](RepaintArea) { ++repaints; });

    ResetDeviceConnection();
    g_devString.clear();
    g_reportBuffer.fill(0);
    mouse = sim::SimulatedMouse::Install();
    ASSERT_EQ(FindDevice(), 1);

    g_keyCount = kButtons;
    for (int i = 0; i < kButtonCount; ++i) g_keyMap[i] = static_cast<std::uint8_t>(i < kButtons ? i + 1 : 0);
    BuildKeyNumToButton();
    ClearDerivedTables();
    g_ledEffectLevel = 11;

    // Every profile: button 0 left click, the others nothing, software mode.
    for (int p = 0; p < kProfileCount; ++p)
      for (int i = 0; i < kButtonCount; ++i) SetButton(p, i, i == 0 ? 1 : 0);
    ini::WriteString(g_configIniPath, "Init", "CurConfig", "0");
    ini::WriteString(g_configIniPath, "ShareData", "SOFT_HARD_MAC", "1");
    LoadAllProfiles();

    ResetInputEmission();
    ResetInputListener();
    mouse->ClearFrames();
    mouse->ClearEmissions();
    reportsBefore_ = InputReportsHandled();
    fed_ = 0;
  }

  std::uint64_t reportsBefore_ = 0;
  std::uint64_t fed_ = 0;

  void TearDown() override {
    StopDeviceWorkers();
    ResetWorkerGate();
    ResetDeviceConnection();
    if (mouse) mouse->Uninstall();
    SetWarningHandler(nullptr);
    SetRepaintHandler(nullptr);
    ResetLibraryTables();
    ClearSettingsTables();
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  static void ResetLibraryTables() {
    g_groupCount = 0;
    g_groupNames = {};
    g_curGroup = 0;
    g_groupMacroCounts = {};
    g_groupMacroCount = 0;
    for (MacroRecord& r : g_groupMacros) r = MacroRecord{};
    g_gunMacroCount = 0;
    for (MacroRecord& r : g_gunMacros) r = MacroRecord{};
    for (auto& profile : g_profileMacros)
      for (MacroRecord& r : profile) r = MacroRecord{};
  }

  static void ClearDerivedTables() {
    for (auto& row : g_deviceFunc)
      for (auto& v : row) v = 0;
    for (auto& row : g_startStopButton)
      for (auto& v : row) v = 0;
    for (auto& row : g_dpiButton)
      for (auto& v : row) v = 0;
    g_ledReactActive = 0;
    g_lastDpiLevel = 0;
  }

  // K<i> (and LEFT_MAC) of a profile in config.ini; `text` after a comma for key
  // combinations. Call LoadAllProfiles afterwards.
  void SetButton(int p, int i, int code, int leftMac = 0, const std::string& text = "") {
    const std::string section = "Config" + std::to_string(p);
    std::string value = std::to_string(code);
    if (!text.empty()) value += "," + text;
    ini::WriteString(g_configIniPath, section, "K" + std::to_string(i), value);
    ini::WriteString(g_configIniPath, section, "LEFT_MAC" + std::to_string(p) + std::to_string(i),
                     std::to_string(leftMac));
  }

  static void SetShared(const std::string& key, int value) {
    ini::WriteString(g_configIniPath, "ShareData", key, std::to_string(value));
  }

  static void LoadAllProfiles() {
    for (int p = 0; p < kProfileCount; ++p) LoadProfile(g_configDir, p, false);
    g_currentProfile = ReadCurrentProfile(g_configIniPath);
  }

  // A library of groups, each with its macros; loaded as start-up does.
  void WriteLibrary(const std::vector<std::pair<std::string, std::vector<MacroRecord>>>& groups) {
    const std::string list = g_macroDir + "macroGrp.ini";
    ini::WriteInt(list, "MACRO_GROUP_NUM", "macGrpNum", static_cast<long long>(groups.size()));
    for (std::size_t g = 0; g < 12; ++g)
      ini::WriteString(list, "MACRO_GROUP_NAME", std::to_string(g), g < groups.size() ? groups[g].first : "");
    for (const auto& [name, macros] : groups) {
      const std::string path = g_macroDir + name + ".dat";
      ini::WriteString(path, "Init", "DAT_VER", "3");
      ini::WriteInt(path, "Macros", "macroNum", static_cast<long long>(macros.size()));
      for (std::size_t i = 0; i < macros.size(); ++i)
        ini::WriteString(path, "Macros", std::to_string(i), EncodeMacroRecord(macros[i]));
    }
    ReloadMacroLibrary();
  }

  static void SetPresets(const std::vector<MacroRecord>& presets) {
    for (std::size_t i = 0; i < presets.size(); ++i) g_gunMacros[i] = presets[i];
    g_gunMacroCount = static_cast<std::int16_t>(presets.size());
  }

  static int GroupCode(int group, int index) { return (group + 1) * 256 + index; }

  void StartWorkers() {
    StartDeviceWorkers();
    OpenWorkerGate();
  }

  // Press and release of the button on device key number `key` as the mouse reports
  // them (and the other reports), counted so that Settled can wait for the listener.
  void Press(int key, int dpi = 0) {
    ++fed_;
    mouse->PressButton(key, dpi);
  }
  void Release(int key, int dpi = 0) {
    ++fed_;
    mouse->ReleaseButton(key, dpi);
  }
  void StepUp() {
    ++fed_;
    mouse->StepUp();
  }
  void StepDown() {
    ++fed_;
    mouse->StepDown();
  }
  void ChangeProfile(int profile) {
    ++fed_;
    mouse->ChangeProfile(profile);
  }
  // Every report fed so far has been handled by the listener.
  bool Handled() const { return InputReportsHandled() >= reportsBefore_ + fed_; }
  // Handled, and the executor has played what was handed over.
  bool Settled() const { return Handled() && Idle(); }
  bool WaitSettled(std::chrono::milliseconds timeout = 20000ms) const {
    return WaitFor([this] { return Settled(); }, timeout);
  }
  void Click(int key) {
    Press(key);
    Release(key);
  }

  // The executor is idle again (the press was played and released).
  static bool Idle() { return g_buttonPressed.load() == 0; }

  // Input report 6 as the listener reads it.
  static void Feed(std::uint8_t code, std::uint8_t detail = 0) {
    const std::uint8_t report[8] = {6, code, detail, 0, 0, 0, 0, 0};
    HandleInputReport(report, sizeof report);
  }

  std::vector<sim::Emission> EmissionsOf(sim::Emission::Kind kind) const {
    std::vector<sim::Emission> out;
    for (const auto& e : mouse->Emissions())
      if (e.kind == kind) out.push_back(e);
    return out;
  }

  std::vector<std::vector<std::uint8_t>> CommandFrames(std::uint8_t command) const {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& f : mouse->SetFeatureFrames())
      if (f.bytes.size() > 1 && f.bytes[1] == command) out.emplace_back(f.bytes.begin(), f.bytes.begin() + 8);
    return out;
  }
};

}  // namespace workers_test
