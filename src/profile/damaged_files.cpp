#include "profile/damaged_files.h"

#include <cstdio>

#include "platform/text_codec.h"
#include "profile/core_hooks.h"

void ReportDamagedFiles(std::span<const std::string> texts, DamagedFileBox box) {
  if (texts.empty()) return;
  std::string said;
  for (const std::string& text : texts) {
    std::fprintf(stderr, "ovk-dovaru: %s\n", text.c_str());
    said += (said.empty() ? "" : "; ") + text;
  }
  if (box == DamagedFileBox::Show) ShowMessageWarning(said);
}

std::string FileReadFailure(const std::string& path, platform::PlainFileRead result) {
  return path + " " + platform::PlainFileReadText(result);
}

bool HoldsNul(std::string_view bytes) { return DecodeIniBytes(bytes).find('\0') != std::string::npos; }
