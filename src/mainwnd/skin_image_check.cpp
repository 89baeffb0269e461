#include "mainwnd/skin_image_check.h"

#include <cstdio>

#include "profile/core_hooks.h"
#include "skin/image_file.h"
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

std::vector<MissingImage> MissingMainWindowImages() {
  std::vector<MissingImage> missing;
  for (const std::string& name : MainWindowImageNames()) {
    std::string path = SkinImagePath(name);
    std::string why = WhyImageFileIsUnusable(path);
    if (!why.empty()) missing.push_back({std::move(path), std::move(why)});
  }
  return missing;
}

void ReportMissingMainWindowImages() {
  const std::vector<MissingImage> missing = MissingMainWindowImages();
  if (missing.empty()) return;
  for (const MissingImage& image : missing) std::fprintf(stderr, "ovk-dovaru: skin image %s\n", image.why.c_str());
  std::string named = " (" + missing.front().path;
  if (missing.size() > 1) named += " and " + std::to_string(missing.size() - 1) + " more";
  ShowTipWarning(kTipFileMissing, {}, named + ")");
}
