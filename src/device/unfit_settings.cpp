#include "device/unfit_settings.h"

#include <mutex>

#include "device/settings_image_check.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "profile/settings_tree.h"

std::string UnfitSettingsReason(const ImageVerdict& verdict) {
  return "holds settings the mouse cannot take (" + verdict.fault + ")";
}

bool RecoverSettingsTheMouseCannotTake() {
  const ImageVerdict verdict = CheckSettingsImage(ImageOfTables());
  if (verdict.Fit()) return false;
  if (!ReplaceSettingsFile(UnfitSettingsReason(verdict))) return false;
  LoadDeviceDescription();
  g_currentProfile = ReadCurrentProfile(g_configIniPath);
  {
    std::lock_guard guard(g_profileSectionLock);
    g_profileSection = ProfileSectionName(g_currentProfile.load());
  }
  LoadSettingsProfiles(g_configIniPath);
  return true;
}
