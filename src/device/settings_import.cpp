#include "device/settings_import.h"

#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "device/settings_image_check.h"
#include "device/unfit_settings.h"
#include "device/worker_gate.h"
#include "platform/plain_file.h"
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

// config.ini could not take the file: the tables go back to config.ini's profiles and
// the user learns why.
bool ReportNotTaken(const std::string& source) {
  LoadSettingsProfiles(g_configIniPath);
  const std::string refused = platform::FolderWriteRefusal(fs::path(g_configIniPath).parent_path().string());
  ReportSaveFailure(g_configIniPath, refused.empty() ? source + " could not be copied over it" : refused);
  return false;
}

}  // namespace

bool ImportSettingsFile(const std::string& source) {
  // Read once: what is checked below and what goes into config.ini are these bytes,
  // whatever becomes of the file meanwhile. A file without settings would load as all
  // zeros, every button without a function.
  std::string bytes;
  if (source.empty() ||
      platform::ReadPlainFile(source, kMaxSettingsFileBytes, bytes) != platform::PlainFileRead::Read) {
    ShowTipWarning(kTipOperationFailed, {}, " (" + source + ")");
    return false;
  }
  // The checks read a file: they read the program's own copy of the bytes, beside
  // config.ini, where nobody else writes (a leftover is removed as a stale temporary).
  const std::string staged = g_configIniPath + ".import.tmp." + std::to_string(::getpid()) + ".0";
  if (!WriteFileReplacing(staged, bytes)) return ReportNotTaken(source);
  if (!IsUsableSettingsFile(staged)) {
    RemoveFile(staged);
    ShowTipWarning(kTipOperationFailed, {}, " (" + source + ")");
    return false;
  }
  ImageVerdict verdict;
  {
    // The listener reloads a profile when the mouse switches: not while the tables
    // hold a set that may not stay.
    std::lock_guard tables(WorkerTablesLock());
    verdict = CheckCandidate(staged);
    if (!verdict.Fit()) LoadSettingsProfilesUnderLock(g_configIniPath);
  }
  if (!verdict.Fit()) {
    RemoveFile(staged);
    ShowMessageWarning(source + " " + UnfitSettingsReason(verdict));
    return false;
  }
  const bool taken = IsSameFile(source, g_configIniPath) || WriteFileReplacing(g_configIniPath, bytes);
  RemoveFile(staged);
  if (!taken) return ReportNotTaken(source);
  return true;
}
