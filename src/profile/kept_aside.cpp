#include "profile/kept_aside.h"

#include <ctime>
#include <filesystem>

#include "platform/write_guard.h"

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
  if (!platform::FolderWriteRefusal(file.parent_path().string()).empty()) return {};
  const std::string kept = path + ".broken-" + TimeStamp();
  std::error_code error;
  std::filesystem::rename(file, kept, error);
  return error ? std::string() : kept;
}
