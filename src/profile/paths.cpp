#include "profile/paths.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "keys/language.h"
#include "profile/unusable_settings_folder.h"

std::string g_appDir;
std::string g_skinsDir;
std::string g_settingsDir;
std::string g_configDir;
std::string g_configIniPath;
std::string g_macroDir;
std::string g_macroResetDir;

namespace {
constexpr int kEnglish = 1;
}

void SetProgramPaths(const std::string& appDir) { SetSkinsPaths(appDir + "/skins", appDir + "/skins"); }

void SetSkinsPaths(const std::string& skinsDir, const std::string& settingsDir) {
  g_skinsDir = skinsDir;
  g_settingsDir = settingsDir;
  g_configDir = settingsDir + "/config/";
  g_configIniPath = settingsDir + "/config/config.ini";
  SetLanguagePaths();
}

void SetLanguagePaths() {
  const std::string folder = LanguageFolderName(g_language.load());
  g_macroDir = SettingsTreeDir() + folder + "/macro/";
  g_macroResetDir = g_skinsDir + folder + "/macroReset/";
}

const std::string& SettingsTreeDir() { return g_settingsDir.empty() ? g_skinsDir : g_settingsDir; }

std::string FactoryConfigDir() { return g_skinsDir + "/config/"; }

std::string UserFilesFolder() {
  if (SettingsTreeDir() == g_skinsDir && !SettingsReadOnly()) return g_appDir;
  const char* home = std::getenv("HOME");
  return home != nullptr && home[0] == '/' ? std::string(home) : g_appDir;
}

int LanguageWithFolder(int index) {
  const std::string folder = LanguageFolderName(index);
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_directory(g_skinsDir + folder, error)) return index;
  return kEnglish;
}

std::string ExecutableDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}
