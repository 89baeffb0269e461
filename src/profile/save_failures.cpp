#include "profile/save_failures.h"

#include <cstdio>

#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/unusable_settings_folder.h"

namespace {
constexpr int kTipOperationFailed = 6;
}

void ReportSaveFailure(const std::string& file, const std::string& reason) {
  // Without a settings folder every save fails alike: the folder is named, not the file.
  if (SettingsReadOnly()) {
    ReportSettingsCannotBeSaved();
    return;
  }
  const std::string why = reason.empty() ? ini::LastWriteError() : reason;
  std::fprintf(stderr, "ovk-dovaru: could not save %s%s%s\n", file.c_str(), why.empty() ? "" : ": ", why.c_str());
  ShowTipWarning(kTipOperationFailed, {}, " (" + file + ")");
}

bool CommitOrReport(ini::Batch& batch) {
  return ReportUnlessSaved(batch.Commit(), batch.File());
}

bool ReportUnlessSaved(bool saved, const std::string& file) {
  if (!saved) ReportSaveFailure(file);
  return saved;
}
