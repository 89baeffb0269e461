#include "platform/ini_file.h"
#include "profile/macro_library.h"
#include "profile/paths.h"
#include "profile/save_failures.h"
#include "profile/settings.h"
#include "profile/unusable_settings_folder.h"

namespace {

std::string Numbered(const char* name, int n) {
  std::string key(name);
  key += std::to_string(n);
  return key;
}

void SetProfileSection(const std::string& section) {
  std::lock_guard<std::mutex> guard(g_profileSectionLock);
  g_profileSection = section;
}

std::string ButtonKeyValue(int profile, int button) {
  const int code = ProfileAssignments(profile)[static_cast<std::size_t>(button)];
  if (code != 33) return std::to_string(code);
  std::lock_guard<std::mutex> guard(g_shortcutTextsLock);
  return "33," + m_shortcutTexts[profile][button];
}

// The seven cycle-colour enables as the bit mask the file and the mouse hold. The
// pages change the enables only, so the mask is made from them at every save (as the
// settings download does) rather than saved as it was last loaded.
std::uint8_t CycleColourMask() {
  unsigned mask = 0;
  for (int k = 0; k < kCycleColorCount; ++k)
    if (g_cycColorEnable[k] != 0) mask |= 1u << k;
  return static_cast<std::uint8_t>(mask);
}

}  // namespace

void AddProfileWrites(ini::Batch& batch, int profile) {
  if (profile < 0 || profile >= kProfileCount) return;
  const std::string section = ProfileSectionName(profile);
  SetProfileSection(section);
  for (int i = 0; i < kButtonCount; ++i) {
    batch.WriteString(section, Numbered("K", i), ButtonKeyValue(profile, i));
    batch.WriteInt(section, Numbered("LED_REACT_EN", i), g_ledReactEnable[profile][i]);
    batch.WriteInt(section, "LEFT_MAC" + std::to_string(profile) + std::to_string(i), g_leftMac[profile][i]);
    batch.WriteInt(section, Numbered("MAC_COR", i), g_macCor[i]);
    batch.WriteInt(section, Numbered("LED_REACT_TYPE", i), g_ledReactType[profile][i]);
  }
  g_wheelStatus = 0;
  batch.WriteString(section, "WHEEL_STATUS", "0");

  const char* const share = "ShareData";
  batch.WriteInt(share, "DPI_LEVEL", g_dpiLevel);
  g_ledUserColerEn = 1;
  batch.WriteInt(share, "LED_USER_COLER_EN", g_ledUserColerEn);
  g_cyc7ColEn = CycleColourMask();
  batch.WriteInt(share, "CYC_7COL_EN", g_cyc7ColEn);
  static const char* const kChannels[3] = {"_R", "_G", "_B"};
  for (int j = 0; j < kDpiLevelCount; ++j) {
    batch.WriteInt(share, Numbered("DPI_SET", j), g_dpiSetValue[j]);
    batch.WriteInt(share, Numbered("DPI_SET_EN", j), g_dpiSetEnable[j]);
    for (int c = 0; c < 3; ++c) batch.WriteInt(share, Numbered("DPI", j) + kChannels[c], g_dpiColorLevel[j][c]);
  }
  for (int j = 0; j < kUserLedColorCount; ++j)
    for (int c = 0; c < 3; ++c)
      batch.WriteInt(share, Numbered("LED_USER", j) + kChannels[c], g_userLedColorLevel[j][c]);
  batch.WriteInt(share, "LED_TYPE", g_ledType);
  for (int k = 0; k < kLedTypeSwCount; ++k) batch.WriteInt(share, Numbered("LED_TYPE_SW_EN", k), g_ledTypeSwEnable[k]);
  batch.WriteInt(share, "LED_CYC_TIME", g_ledSpeed);
  batch.WriteInt(share, "LED_FEATURE_SCOLOR", g_ledFeatureScolor);
  batch.WriteInt(share, "LED_FEATURE_SYMMETRY", g_ledSymmetry);
  batch.WriteInt(share, "LED_FEATURE_DIREC", g_ledDirection);
  batch.WriteInt(share, "LED_BRIGHT", g_ledBright);
  batch.WriteInt(share, "LED_CYCTIME", g_ledSpeed);
  batch.WriteInt(share, "DPI_SPEED", g_dpiSpeed);
  batch.WriteInt(share, "WHEEL_SPEED", g_wheelSpeed);
  batch.WriteInt(share, "USB_SPEED", g_usbSpeed);
  batch.WriteInt(share, "FIRE_TIME", g_fireTime);
  batch.WriteInt(share, "MODE_LIGHT", g_modeLight);
  batch.WriteInt(share, "SOFT_HARD_MAC", g_softHardMac);
}

bool SaveProfile(const std::string& file, int profile) {
  if (profile < 0 || profile >= kProfileCount) return false;
  ini::Batch batch(file);
  AddProfileWrites(batch, profile);
  return batch.Commit();
}

bool SaveDpiLevel() {
  SetProfileSection(ProfileSectionName(g_currentProfile));
  const bool saved = ini::WriteInt(g_configIniPath, "ShareData", "DPI_LEVEL", g_dpiLevel);
  // Every DPI step of the mouse saves: a folder that cannot be written is told once,
  // and a start without a settings folder has told it already.
  static std::atomic<bool> told{false};
  if (!saved && !SettingsReadOnly() && !told.exchange(true)) ReportSaveFailure(g_configIniPath);
  return saved;
}

bool SaveAll() {
  SaveSelectedListMacro();
  // CurConfig and the four profiles go into config.ini as one replacement of the file.
  ini::Batch batch(g_configIniPath);
  batch.WriteInt("Init", "CurConfig", g_currentProfile);
  for (int n = 0; n < kProfileCount; ++n) AddProfileWrites(batch, n);
  return CommitOrReport(batch);  // the save worker drops the result: the user is told here
}
