// Shared set-up of the tests against a kernel HID device: the uhid device program
// started (its mouse not yet plugged in), the hidapi transport current, a program
// folder in a temporary directory, the settings tables cleared and the desktop's
// pointer settings replaced by a stand-in.
//
// The device program and the program folder with the factory settings are found next
// to the test executable, or where VM_DEVICE_PROGRAM and VM_PROGRAM_DIR say.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/device_connection.h"
#include "device/device_workers.h"
#include "device/feature_report.h"
#include "device/worker_gate.h"
#include "device_process.h"
#include "platform/pointer_settings.h"

namespace vm {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline constexpr std::uint16_t kProduct1 = 0x5201;
inline constexpr std::uint16_t kProduct2 = 0x5202;

// Waits for `done`, looking every millisecond; the deadline (stretched) only bounds a hang.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 30s);

// Copies the factory settings and macro library of the program folder into `appDir`
// and loads them as start-up does.
void LoadFactorySettings(const fs::path& appDir);

// The desktop's pointer settings as a download finds them: readable, writes taken.
class QuietPointerSettings : public pointer::DesktopPointerSettings {
 public:
  std::string Name() const override { return "test"; }
  std::optional<int> ReadPointerSpeed() override { return 10; }
  bool WritePointerSpeed(int) override { return true; }
  std::optional<int> ReadWheelScrollLines() override { return 3; }
  bool WriteWheelScrollLines(int) override { return true; }
};

class KernelDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Plugs the mouse in with `product` and finds it.
  void Connect(std::uint16_t product = kProduct1);

  fs::path root;  // the program folder of the test
  std::string node;  // the mouse's hidraw node while plugged in
  std::unique_ptr<DeviceProcess> device;
};

}  // namespace vm
