#include "profile/paths.h"

#include <unistd.h>

#include <climits>

#include "keys/language.h"

std::string g_appDir;
std::string g_skinsDir;
std::string g_configDir;
std::string g_configIniPath;
std::string g_macroDir;
std::string g_macroResetDir;

void SetProgramPaths(const std::string& appDir) {
  g_appDir = appDir;
  g_skinsDir = appDir + "/skins";
  g_configDir = g_skinsDir + "/config/";
  g_configIniPath = g_skinsDir + "/config/config.ini";
  SetLanguagePaths();
}

void SetLanguagePaths() {
  std::string folder = g_skinsDir + LanguageFolderName(g_language.load());
  g_macroDir = folder + "/macro/";
  g_macroResetDir = folder + "/macroReset/";
}

std::string ExecutableDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}
