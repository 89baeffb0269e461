#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "profile/save_failures.h"
#include "profile/settings.h"

bool ResetAllProfiles() {
  bool saved = true;
  for (int n = kProfileCount - 1; n >= 0; --n) {
    LoadProfile(FactoryConfigDir(), n, true);
    saved = SaveProfile(g_configIniPath, n) && saved;
  }
  ReportUnlessSaved(saved, g_configIniPath);
  // The main window repaints only its macro region when the macro page is shown.
  RequestMainRepaint(RepaintArea::MacroRegionOnPage);
  return saved;
}

void RestoreDefaultsAndSync() {
  ShowTipWarning(2);
  ResetAllProfiles();
  g_currentProfile = 0;
  StartSettingsDownload();
  ShowTipWarning(3);
}
