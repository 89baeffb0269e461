#include "profile/kept_aside.h"

#include <ctime>
#include <filesystem>

#include "platform/checked_folder.h"

namespace {

std::string TimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace

std::string KeepBrokenFileAside(const std::string& path) {
  const std::filesystem::path file(path);
  const platform::CheckedFolder folder = platform::CheckedFolder::Open(file.parent_path().string());
  const std::string suffix = ".broken-" + TimeStamp();
  const std::string name = file.filename().string();
  if (!folder || !folder.Rename(name, name + suffix).empty()) return {};
  return path + suffix;
}
