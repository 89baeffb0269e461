#include "profile/save_failures.h"

#include <cstdio>

#include "platform/ini_file.h"
#include "profile/core_hooks.h"

namespace {
constexpr int kTipOperationFailed = 6;
}

void ReportSaveFailure(const std::string& file, const std::string& reason) {
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
