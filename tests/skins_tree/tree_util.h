// Shared helpers of the installation tree checks: the built tree's paths, the language
// folders, a recorder for the warnings the loaders raise, and image comparison.
#pragma once

#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile/core_hooks.h"

namespace tree {

// The factory tree the build generates fresh (<build>/factory/skins, the one that is
// installed), not the program folder's copy, which a run of the program from the build
// folder writes into; and the folder that holds it.
std::string ProgramDir();
std::string Skins();
std::string SkinsFile(const std::string& rel);
// The 26 language indices (0 to 24 and 26).
const std::vector<int>& LanguageIndices();
// "<index>_INI_<code>" without the leading separator.
std::string Folder(int language);

// Records every warning shown while it lives (and clears the skin engine's close
// request), so that a load of the tree can be checked to have shown none.
class WarningRecorder {
 public:
  WarningRecorder();
  ~WarningRecorder();
  const std::vector<WarningRequest>& Warnings() const { return warnings_; }
  std::string Describe() const;

 private:
  std::vector<WarningRequest> warnings_;
};

QImage LoadImage(const std::string& rel);

// Mean and largest per-channel difference of two images within a rectangle.
struct Difference {
  double mean = 0;
  int largest = 0;
};
Difference Compare(const QImage& a, const QImage& b, const QRect& area);

std::string ReadText(const std::string& path);
// The raw lines "key=value" of a section, comments and blank lines left out.
std::vector<std::pair<std::string, std::string>> RawSection(const std::string& path, const std::string& section);
bool IsValidUtf8(const std::string& text);

}  // namespace tree
