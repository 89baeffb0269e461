#include "profile/unusable_settings_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/user_dirs.h"
#include "platform/write_guard.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "profile/settings_check.h"

namespace {

std::mutex g_lock;
std::string g_unusable;  // "<folder> cannot be used (<why>)" while the program runs so

std::string Unusable() {
  std::lock_guard guard(g_lock);
  return g_unusable;
}

}  // namespace

std::string UnusableSettingsFolder(const SettingsTreeLocation& where) {
  const std::string& folder = where.settingsDir;
  if (folder == where.skinsDir) return {};
  if (std::string refused = platform::FolderWriteRefusal(folder); !refused.empty()) return refused;
  if (std::string unmade = platform::MakePrivateFolders(folder); !unmade.empty()) return unmade;
  if (platform::FolderIsWritable(folder)) return {};
  const int denied = errno;  // why the check failed
  // Settings that can be read still are the user's own; only their saves fail.
  if (IsUsableSettingsFile(folder + "/config/config.ini")) return {};
  return folder + ": " + std::strerror(denied);
}

bool UseFactorySettingsWhenFolderUnusable(const std::string& appDir) {
  const SettingsTreeLocation where = LocateSettingsTree(appDir);
  const std::string why = UnusableSettingsFolder(where);
  if (why.empty()) return false;
  const std::string unusable = where.settingsDir + " cannot be used (" + why + ")";
  {
    std::lock_guard guard(g_lock);
    g_unusable = unusable;
  }
  SetSkinsPaths(where.skinsDir, where.skinsDir);
  g_configIniPath = FactoryConfigDir() + "configReset.ini";
  platform::RefuseWritesUnder(where.skinsDir, unusable);
  const std::string said = unusable + "; the factory settings are shown and cannot be saved";
  std::fprintf(stderr, "ovk-dovaru: %s\n", said.c_str());
  ShowMessageWarning(said);
  ArmSettingsCheck(true);
  return true;
}

bool SettingsReadOnly() { return !Unusable().empty(); }

void ReportSettingsCannotBeSaved() {
  const std::string said = "Settings cannot be saved: " + Unusable();
  std::fprintf(stderr, "ovk-dovaru: %s\n", said.c_str());
  ShowMessageWarning(said);
}
