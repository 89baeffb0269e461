#include "profile/macro_import_check.h"

#include <algorithm>

#include "platform/ini_file.h"
#include "platform/plain_file.h"
#include "profile/macro_library.h"
#include "profile/macro_text.h"

namespace {

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A record as the program writes it: three-digit fields, nothing else.
bool IsRecordText(const ini::ParsedText& file, const std::string& key) {
  return AllDigits(file.ReadString("Macros", key, kMacroValueBufferChars));
}

bool IsGroupFile(const ini::ParsedText& file) {
  const std::string countText = file.ReadString("Macros", "macroNum", 8);
  if (!AllDigits(countText) || countText.size() > 2) return false;
  const int count = std::stoi(countText);
  if (count > kMaxGroupMacros) return false;
  for (int i = 0; i < count; ++i)
    if (!IsRecordText(file, std::to_string(i))) return false;
  return true;
}

}  // namespace

std::string ReadMacroFile(const std::string& path, MacroFileKind kind, std::string& bytes) {
  switch (platform::ReadPlainFile(path, kMaxMacroFileBytes, bytes)) {
    case platform::PlainFileRead::Read: break;
    case platform::PlainFileRead::Missing:
    case platform::PlainFileRead::NotPlain: return "it is not a file";
    case platform::PlainFileRead::TooLarge: return "it is larger than 1 MiB";
    case platform::PlainFileRead::Unreadable: return "it cannot be read";
  }
  if (bytes.empty()) return "it is empty";
  if (bytes.size() > kMaxMacroFileBytes) return "it is larger than 1 MiB";
  const ini::ParsedText file(bytes);
  const bool fits = kind == MacroFileKind::Group ? IsGroupFile(file) : IsRecordText(file, "Macro");
  return fits ? std::string() : "it holds no macros";
}
