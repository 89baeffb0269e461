#include "device/settings_import.h"

#include <filesystem>
#include <mutex>

#include "device/settings_image_check.h"
#include "device/unfit_settings.h"
#include "device/worker_gate.h"
#include "platform/write_guard.h"
#include "profile/core_hooks.h"
#include "profile/library_files.h"
#include "profile/paths.h"
#include "profile/save_failures.h"
#include "profile/settings.h"
#include "profile/settings_check.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTipOperationFailed = 6;

// The verdict on `source` as the next start would read it; the tables keep its profiles
// and the description read at start. The caller holds WorkerTablesLock.
ImageVerdict CheckCandidate(const std::string& source) {
  LoadDeviceDescription(source);
  LoadSettingsProfilesUnderLock(source);
  const ImageVerdict verdict = CheckSettingsImage(ImageOfTables());
  LoadDeviceDescription();
  return verdict;
}

}  // namespace

bool ImportSettingsFile(const std::string& source) {
  std::error_code error;
  // A file without settings would load as all zeros, every button without a function.
  if (source.empty() || !fs::is_regular_file(source, error) || !IsUsableSettingsFile(source)) {
    ShowTipWarning(kTipOperationFailed, {}, " (" + source + ")");
    return false;
  }
  ImageVerdict verdict;
  {
    // The listener reloads a profile when the mouse switches: not while the tables
    // hold a set that may not stay.
    std::lock_guard tables(WorkerTablesLock());
    verdict = CheckCandidate(source);
    if (!verdict.Fit()) LoadSettingsProfilesUnderLock(g_configIniPath);
  }
  if (!verdict.Fit()) {
    ShowMessageWarning(source + " " + UnfitSettingsReason(verdict));
    return false;
  }
  if (!fs::equivalent(source, g_configIniPath, error) && !CopyFileReplacing(source, g_configIniPath)) {
    LoadSettingsProfiles(g_configIniPath);
    const std::string refused = platform::FolderWriteRefusal(fs::path(g_configIniPath).parent_path().string());
    ReportSaveFailure(g_configIniPath, refused.empty() ? source + " could not be copied over it" : refused);
    return false;
  }
  return true;
}
