#include "profile/settings_tree.h"

#include <filesystem>

#include "platform/ini_file.h"
#include "platform/user_dirs.h"
#include "platform/write_guard.h"
#include "profile/core_hooks.h"
#include "profile/kept_aside.h"
#include "profile/library_files.h"
#include "profile/paths.h"
#include "profile/save_failures.h"
#include "profile/settings_check.h"

#ifndef MC_SKINS_FROM_BINDIR
#define MC_SKINS_FROM_BINDIR "../share/ovk-dovaru/skins"
#endif

namespace fs = std::filesystem;

namespace {

bool IsDir(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// Copies source to target when target does not exist (written beside it and put in
// place only where nothing is, so a start cut short leaves no half file and of two
// starts at once the second keeps the first one's file); the copy is the user's to write.
bool CopyIfMissing(const fs::path& source, const fs::path& target) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(target, error)) || !fs::is_regular_file(source, error)) return true;
  return platform::MakePrivateFolders(target.parent_path().string()).empty() &&
         CopyFileIfMissing(source.string(), target.string());
}

bool CopyTreeIfMissing(const fs::path& source, const fs::path& target) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(target, error)) || !fs::is_directory(source, error)) return true;
  bool ok = true;
  for (fs::recursive_directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
    const fs::path to = target / fs::relative(it->path(), source, error);
    if (it->is_directory(error)) {
      ok = platform::MakePrivateFolders(to.string()).empty() && ok;
    } else if (!CopyIfMissing(it->path(), to)) {
      ok = false;
    }
  }
  ok = platform::MakePrivateFolders(target.string()).empty() && ok;
  return ok && !error;
}

}  // namespace

SettingsTreeLocation LocateSettingsTree(const std::string& appDir, const std::string& installedSkins,
                                        const std::string& userConfigHome) {
  const std::string beside = appDir + "/skins";
  if (IsDir(beside) && platform::FolderIsWritable(beside)) return {beside, beside};
  std::string factory = beside;
  if (!IsDir(beside)) factory = !installedSkins.empty() && installedSkins[0] == '/' ? installedSkins : appDir + "/" + installedSkins;
  std::error_code error;
  const fs::path normal = fs::weakly_canonical(factory, error);
  if (!error) factory = normal.string();
  return {factory, userConfigHome + "/ovk-dovaru/skins"};
}

bool SeedSettingsTree(const std::string& factory, const std::string& settings) {
  if (factory == settings) return true;
  bool ok = true;
  const fs::path from(factory), to(settings);
  for (const char* file : {"config/config.ini", "config/constMacro.dat"})
    ok = CopyIfMissing(from / file, to / file) && ok;
  std::error_code error;
  for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!it->is_directory(error) || name.find("_INI_") == std::string::npos) continue;
    ok = CopyIfMissing(it->path() / "PUBG.dat", to / name / "PUBG.dat") && ok;
    ok = CopyTreeIfMissing(it->path() / "macro", to / name / "macro") && ok;
  }
  return ok && !error;
}

bool ReplaceSettingsFile(const std::string& why) {
  const std::string config = g_configIniPath;
  const std::string reset = FactoryConfigDir() + "configReset.ini";
  std::error_code error;
  const bool present = fs::exists(fs::symlink_status(config, error));
  const std::string kept = present ? KeepBrokenFileAside(config) : std::string();
  if (!IsUsableSettingsFile(reset) || (present && kept.empty()) || !CopyFileReplacing(reset, config)) {
    g_settingsUnreadable = true;
    ReportSaveFailure(config, present ? "it " + why + " and the factory settings could not replace it"
                                      : "it is missing and the factory settings could not be copied");
    return false;
  }
  ini::ClearCache();
  if (present) {
    ShowMessageWarning(config + " " + why + "; factory settings restored, old file kept as " +
                       fs::path(kept).filename().string());
  } else {
    ShowMessageWarning(config + " was missing; factory settings restored");
  }
  return true;
}

bool RecoverSettingsFile() {
  if (IsUsableSettingsFile(g_configIniPath)) return true;
  return ReplaceSettingsFile("could not be read");
}

SettingsTreeLocation LocateSettingsTree(const std::string& appDir) {
  return LocateSettingsTree(appDir, MC_SKINS_FROM_BINDIR, platform::UserConfigHome());
}

void PrepareSettingsTree(const std::string& appDir) {
  const SettingsTreeLocation where = LocateSettingsTree(appDir);
  SetSkinsPaths(where.skinsDir, where.settingsDir);
  // A way to the settings that another user could have laid (a planted link, a folder
  // open to everyone while running as root) gets nothing written, copied or removed.
  if (const std::string refused = platform::FolderWriteRefusal(where.settingsDir); !refused.empty()) {
    ReportSaveFailure(where.settingsDir, refused);
    if (!IsUsableSettingsFile(g_configIniPath)) g_settingsUnreadable = true;  // told once, above
  } else {
    if (!SeedSettingsTree(where.skinsDir, where.settingsDir))
      ReportSaveFailure(where.settingsDir, "the factory settings could not be copied into it");
    ini::RemoveStaleTempFiles(where.settingsDir);
    std::error_code error;
    fs::remove(g_configIniPath + ".import", error);  // a settings import cut short
    RecoverSettingsFile();
  }
  ArmSettingsCheck(true);
}
