#include "mainwnd/skin_image_check.h"

#include <QImageReader>
#include <QString>

#include <cstdio>

#include "profile/core_hooks.h"
#include "skin/skin_image.h"

namespace {
constexpr int kTipFileMissing = 5;
}

std::vector<std::string> MainWindowImageNames() {
  std::vector<std::string> names;
  for (const char* page : {"main", "advanced", "mac", "led"})
    for (const char* ending : {"_normal.jpg", "_over.jpg", "_down.jpg"}) names.push_back(std::string(page) + ending);
  for (const char* single : {"main_mask.jpg", "led_null.jpg", "new_down.jpg", "moveRect.png"}) names.push_back(single);
  return names;
}

std::vector<std::string> MissingMainWindowImages() {
  std::vector<std::string> missing;
  for (const std::string& name : MainWindowImageNames()) {
    const std::string path = SkinImagePath(name);
    // The header is enough to tell an image from a missing or foreign file.
    QImageReader reader(QString::fromStdString(path));
    if (!reader.canRead()) missing.push_back(path);
  }
  return missing;
}

void ReportMissingMainWindowImages() {
  const std::vector<std::string> missing = MissingMainWindowImages();
  if (missing.empty()) return;
  for (const std::string& path : missing) std::fprintf(stderr, "ovk-dovaru: skin image missing: %s\n", path.c_str());
  std::string named = " (" + missing.front();
  if (missing.size() > 1) named += " and " + std::to_string(missing.size() - 1) + " more";
  ShowTipWarning(kTipFileMissing, {}, named + ")");
}
