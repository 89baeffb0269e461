#include "profile/macro_import_check.h"

#include <algorithm>
#include <filesystem>

#include "platform/ini_file.h"
#include "profile/macro_library.h"
#include "profile/macro_text.h"

namespace {

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A record as the program writes it: three-digit fields, nothing else.
bool IsRecordText(const std::string& file, const std::string& key) {
  return AllDigits(ini::ReadString(file, "Macros", key, kMacroValueBufferChars));
}

bool IsGroupFile(const std::string& file) {
  const std::string countText = ini::ReadString(file, "Macros", "macroNum", 8);
  if (!AllDigits(countText) || countText.size() > 2) return false;
  const int count = std::stoi(countText);
  if (count > kMaxGroupMacros) return false;
  for (int i = 0; i < count; ++i)
    if (!IsRecordText(file, std::to_string(i))) return false;
  return true;
}

}  // namespace

std::string MacroFileRefusal(const std::string& path, MacroFileKind kind) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return "it is not a file";
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return "it cannot be read";
  if (size == 0) return "it is empty";
  if (size > kMaxMacroFileBytes) return "it is larger than 1 MiB";
  const bool fits = kind == MacroFileKind::Group ? IsGroupFile(path) : IsRecordText(path, "Macro");
  return fits ? std::string() : "it holds no macros";
}
