#include "profile/missing_files.h"

#include <cstdio>
#include <filesystem>

#include "profile/core_hooks.h"

namespace fs = std::filesystem;

namespace {
constexpr int kTipFileMissing = 5;
}

std::string WhyFileIsMissing(const std::string& file) {
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (fs::is_directory(status)) return file + " is a folder, not a file";
  if (fs::exists(status)) return file + (fs::is_regular_file(status) ? " cannot be read" : " is not a plain file");
  // The first thing on the way that is there tells whether the way itself is blocked.
  for (fs::path way = fs::path(file).parent_path(); !way.empty() && way != way.parent_path(); way = way.parent_path()) {
    const fs::file_status on = fs::status(way, error);
    if (!fs::exists(on)) continue;
    if (!fs::is_directory(on)) return way.string() + " is a file, not a folder";
    break;
  }
  return file + " is missing";
}

std::string WhyFileIsMissing(const std::string& file, platform::PlainFileRead read) {
  switch (read) {
    case platform::PlainFileRead::NotPlain: {
      std::error_code error;
      if (fs::is_directory(file, error)) return file + " is a folder, not a file";
      return file + " " + platform::PlainFileReadText(read);
    }
    case platform::PlainFileRead::TooLarge:
    case platform::PlainFileRead::Unreadable: return file + " " + platform::PlainFileReadText(read);
    case platform::PlainFileRead::Missing:
    case platform::PlainFileRead::Read: break;
  }
  return WhyFileIsMissing(file);
}

void ReportMissingFile(const std::string& file, std::string_view message) {
  std::fprintf(stderr, "ovk-dovaru: %s\n", WhyFileIsMissing(file).c_str());
  const std::string named = " (" + file + ")";
  if (message.empty()) {
    ShowTipWarning(kTipFileMissing, {}, named);
  } else {
    ShowMessageWarning(std::string(message) + named);
  }
}
