// Shared set-up of the device link tests: a simulated mouse installed as the current
// transport, found by FindDevice, with clean settings tables and report buffer.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "device/device_connection.h"
#include "device/feature_report.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"

class ConnectedMouse : public ::testing::Test {
 protected:
  void SetUp() override { Connect({}); }

  void Connect(sim::SimOptions options) {
    if (mouse) mouse->Uninstall();
    ResetDeviceConnection();
    ClearSettingsTables();
    g_devString.clear();
    g_reportBuffer.fill(0);
    mouse = sim::SimulatedMouse::Install(std::move(options));
    ASSERT_EQ(FindDevice(), 1);
    mouse->ClearFrames();
  }

  void TearDown() override {
    ResetDeviceConnection();
    if (mouse) mouse->Uninstall();
  }

  // The frames the program sent since the last ClearFrames, as bytes 0..7.
  std::vector<std::vector<std::uint8_t>> SentHeads() const {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& frame : mouse->SetFeatureFrames())
      out.emplace_back(frame.bytes.begin(), frame.bytes.begin() + 8);
    return out;
  }

  std::shared_ptr<sim::SimulatedMouse> mouse;
};

inline std::vector<std::uint8_t> MemFrame(int flags, int offset, int address, int data, int last) {
  return {7, 0x18, static_cast<std::uint8_t>(flags), static_cast<std::uint8_t>(offset),
          static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(data), static_cast<std::uint8_t>(last)};
}
