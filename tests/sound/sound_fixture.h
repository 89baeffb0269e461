// Shared set-up of the sound-reactive lighting tests: the simulated mouse found by
// FindDevice, clean settings and sound state, a config.ini in a temporary folder, and
// the worker stopped after each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "device/device_connection.h"
#include "device/download.h"
#include "device/memory_image.h"
#include "platform/ini_file.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"
#include "sound/sound_frames.h"
#include "sound/sound_level.h"
#include "sound/sound_state.h"
#include "sound/sound_worker.h"

using Bytes = std::vector<std::uint8_t>;

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetDeviceConnection();
    ClearSettingsTables();
    ClearSoundState();
    ClearPeakHistory();
    g_devString.clear();
    g_ledEffectLevel = 11;
    g_lastDpiLevel = 0;
    dir_ = std::filesystem::temp_directory_path() / ("sound_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    g_configIniPath = (dir_ / "config.ini").string();
    std::ofstream(g_configIniPath) << "[ShareData]\nDPI_LEVEL=2\n";
    ini::ClearCache();
    mouse = sim::SimulatedMouse::Install();
    ASSERT_EQ(FindDevice(), 1);
    mouse->ClearFrames();
  }

  void TearDown() override {
    StopSoundWorker();
    ClearSoundState();
    ResetDeviceConnection();
    if (mouse) mouse->Uninstall();
    std::filesystem::remove_all(dir_);
  }

  // Bytes 0..7 of every frame the program sent since the last ClearFrames.
  std::vector<Bytes> Sent() const {
    std::vector<Bytes> out;
    for (const auto& frame : mouse->SetFeatureFrames()) out.emplace_back(frame.bytes.begin(), frame.bytes.begin() + 8);
    return out;
  }

  std::shared_ptr<sim::SimulatedMouse> mouse;
  std::filesystem::path dir_;
};

// The effect frames as the mouse gets them (bytes 0..7).
inline Bytes FrameA(int n) { return {7, 0x13, 0xFF, 0xE1, static_cast<std::uint8_t>(0x10 + n), 0x00, 0x03, 0xFF}; }
inline const Bytes kFrameB = {7, 0x13, 0xFF, 0x11, 0x1B, 0x03, 0x83, 0xFF};
inline const Bytes kFrameC = {7, 0x13, 0xFF, 0x52, 0x0B, 0x00, 0x83, 0xEB};
inline const Bytes kFrameD = {7, 0x13, 0xFF, 0xA2, 0x0B, 0x04, 0x03, 0xFF};
inline const Bytes kFrameE = {7, 0x13, 0xFF, 0x52, 0x0B, 0x03, 0x83, 0xFF};
inline const Bytes kFrameF = {7, 0x13, 0xFF, 0xA2, 0x0B, 0x00, 0x03, 0xFF};
inline const Bytes kFrameG = {7, 0x13, 0xFF, 0xC0, 0x4B, 0x03, 0x03, 0xFF};
inline Bytes FrameH(int cycle, int brightness) {
  return {7, 0x13, 0xFF, static_cast<std::uint8_t>(cycle), 0x0B, static_cast<std::uint8_t>(brightness), 0x83, 0xFF};
}
