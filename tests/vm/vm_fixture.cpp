#include "vm_fixture.h"

#include "../support/deadline.h"

#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "device/download.h"
#include "keys/language.h"
#include "platform/hid_transport.h"
#include "platform/ini_file.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/paths.h"
#include "profile/settings.h"

namespace vm {
namespace {

fs::path NextToExecutable(const char* name) { return fs::read_symlink("/proc/self/exe").parent_path() / name; }

std::string FromEnv(const char* variable, const fs::path& fallback) {
  const char* value = std::getenv(variable);
  return value && *value ? value : fallback.string();
}

// Of the installed program folder only the settings, the device description and the
// macro files count for the device link; the images are left behind.
void CopySettingsFiles(const fs::path& from, const fs::path& to) {
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    const auto ext = entry.path().extension();
    if (!entry.is_regular_file() || (ext != ".ini" && ext != ".dat")) continue;
    const fs::path target = to / fs::relative(entry.path(), from);
    fs::create_directories(target.parent_path());
    fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
  }
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return testdeadline::WaitFor(done, timeout);
}

void LoadFactorySettings(const fs::path& appDir) {
  if (!fs::exists(appDir / "skins")) {
    const fs::path installed = FromEnv("VM_PROGRAM_DIR", MC_PROGRAM_DIR);
    CopySettingsFiles(installed / "skins", appDir / "skins");
  }
  ini::ClearCache();
  ClearSettingsTables();
  g_language = 1;
  SetProgramPaths(appDir.string());
  LoadDeviceDescription();
  g_currentProfile = ReadCurrentProfile(g_configIniPath);
  for (int profile = 0; profile < kProfileCount; ++profile) LoadProfile(g_configDir, profile, false);
  LoadMacroGroups();
  if (g_groupCount.load() != 0) {
    LoadMacroGroup(g_curGroup.load(), true);
    LoadAllMacroNames();
  }
  LoadConstMacroFile(ConstMacroPath());
  LoadGunPresets();
  ResetDownloadCarryOver();
}

void KernelDeviceTest::SetUp() {
  static int counter = 0;
  root = fs::temp_directory_path() / ("vm_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  fs::create_directories(root);
  g_language = 1;
  SetProgramPaths(root.string());
  ini::ClearCache();
  ClearSettingsTables();
  hid::SetTransport(nullptr);  // the hidapi transport, made on first use
  ResetDeviceConnection();
  g_devString.clear();
  g_reportBuffer.fill(0);
  pointer::SetPointerSettings(std::make_shared<QuietPointerSettings>());
  ASSERT_TRUE(fs::exists("/dev/uhid")) << "no /dev/uhid: the uhid module is not loaded";
  device = std::make_unique<DeviceProcess>(FromEnv("VM_DEVICE_PROGRAM", NextToExecutable("uhid_mouse")));
  ASSERT_TRUE(device->Running());
}

void KernelDeviceTest::TearDown() {
  SetDeviceChangeHandler(nullptr);
  StopDeviceWorkers();
  ResetWorkerGate();
  ResetDeviceConnection();
  device.reset();
  pointer::SetPointerSettings(nullptr);
  ClearSettingsTables();
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

void KernelDeviceTest::Connect(std::uint16_t product) {
  node = device->Plug(product);
  ASSERT_FALSE(node.empty());
  ASSERT_EQ(FindDevice(), 1) << "the mouse on " << node << " was not found";
}

}  // namespace vm
