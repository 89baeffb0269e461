#include "profile/settings_check.h"

#include <filesystem>

#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "profile/settings.h"

std::atomic<bool> g_settingsUnreadable{false};

namespace {
std::atomic<bool> g_checkArmed{false};

constexpr int kLeftClickCode = 1;
constexpr int kTipLeftClickNeeded = 7;
}  // namespace

SettingsVerdict CheckSettingsForMouse() {
  if (g_settingsUnreadable.load()) return SettingsVerdict::NotRead;
  const auto assignments = ProfileAssignments(0);
  for (int code : assignments)
    if (code == kLeftClickCode) return SettingsVerdict::Fit;
  return SettingsVerdict::NoLeftClick;
}

void ArmSettingsCheck(bool armed) { g_checkArmed = armed; }

bool SettingsCheckArmed() { return g_checkArmed.load(); }

bool SettingsMayReachMouse() {
  if (!g_checkArmed.load()) return true;
  switch (CheckSettingsForMouse()) {
    case SettingsVerdict::Fit:
      return true;
    case SettingsVerdict::NoLeftClick:
      ShowTipWarning(kTipLeftClickNeeded);
      return false;
    case SettingsVerdict::NotRead:
      ShowMessageWarning("Settings not written into the mouse: " + g_configIniPath + " could not be read");
      return false;
  }
  return false;
}

bool IsUsableSettingsFile(const std::string& file) {
  // A file far larger than any the program writes is no settings file, and reading it
  // would hold the start-up for as long as it takes.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size > kMaxSettingsFileBytes) return false;
  return !ini::SectionKeys(file, ProfileSectionName(0)).empty() && !ini::SectionKeys(file, "ShareData").empty();
}
