#include <algorithm>

#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/dpi_levels.h"
#include "profile/macro_record.h"
#include "profile/missing_files.h"
#include "profile/settings.h"
#include "profile/settings_check.h"
#include "profile/shortcut.h"

namespace {

// Buffer sizes of the reads, in characters (the value keeps one less).
constexpr std::size_t kSmallBuffer = 5;
constexpr std::size_t kWideBuffer = 10;
constexpr std::size_t kButtonKeyBuffer = 260;

std::uint8_t LowByte(int value) { return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu); }

std::string Numbered(const char* name, int n) {
  std::string key(name);
  key += std::to_string(n);
  return key;
}

// K<button>: the code, and the key-combination text after the first comma.
// Returns true when the value held a comma.
bool ReadButtonKey(const std::string& file, const std::string& section, int profile, int button) {
  std::string value = ini::ReadString(file, section, Numbered("K", button), kButtonKeyBuffer);
  std::size_t comma = value.find(',');
  std::lock_guard<std::mutex> guard(g_shortcutTextsLock);
  if (comma == std::string::npos) {
    m_shortcutTexts[profile][button].clear();
    g_keyFunc[profile][button] = ini::ToInt(value);
    return false;
  }
  g_keyFunc[profile][button] = ini::ToInt(std::string_view(value).substr(0, comma));
  m_shortcutTexts[profile][button] = value.substr(comma + 1);
  return true;
}

// The key-combination macros are made anew from the stored texts: a record keeps
// whatever BuildShortcutMacros does not set, so the table is cleared first.
void RebuildShortcutMacros() {
  for (auto& profile : g_profileMacros)
    for (MacroRecord& record : profile) record = MacroRecord{};
  BuildShortcutMacros();
}

void LoadColour(const std::string& file, const std::string& prefix, std::array<int, 3>& levels,
                std::uint32_t& colour) {
  static const char* const kChannels[3] = {"_R", "_G", "_B"};
  for (int c = 0; c < 3; ++c) levels[c] = ini::ReadInt(file, "ShareData", prefix + kChannels[c], kWideBuffer);
  colour = ColorFromLevels(levels[0], levels[1], levels[2]);
}

void LoadSharedSettings(const std::string& file) {
  const char* const share = "ShareData";
  auto read = [&](const std::string& key, std::size_t buffer) { return ini::ReadInt(file, share, key, buffer); };

  g_dpiLevel = read("DPI_LEVEL", kSmallBuffer);
  for (int j = 0; j < kDpiLevelCount; ++j) {
    g_dpiSetValue[j] = LowByte(read(Numbered("DPI_SET", j), kWideBuffer));
    g_dpiSetEnable[j] = read(Numbered("DPI_SET_EN", j), kWideBuffer) != 0 ? 1 : 0;
    LoadColour(file, Numbered("DPI", j), g_dpiColorLevel[j], g_dpiColorRef[j]);
  }
  // Shown, saved and sent as the page would keep them.
  BoundDpiLevelTables();
  g_ledType = LowByte(read("LED_TYPE", kSmallBuffer));
  for (int k = 0; k < kLedTypeSwCount; ++k) g_ledTypeSwEnable[k] = read(Numbered("LED_TYPE_SW_EN", k), kSmallBuffer);
  g_ledSpeed = LowByte(read("LED_CYCTIME", kSmallBuffer));
  // LED_USER_COLER_EN and LED_FEATURE_SCOLOR are never taken from the file.
  g_ledUserColerEn = 1;
  g_ledDirection = read("LED_FEATURE_DIREC", kSmallBuffer);
  g_ledSymmetry = read("LED_FEATURE_SYMMETRY", kSmallBuffer);
  g_ledBright = read("LED_BRIGHT", kSmallBuffer);
  g_modeLight = read("MODE_LIGHT", kSmallBuffer);
  g_softHardMac = read("SOFT_HARD_MAC", kSmallBuffer);
  for (int j = 0; j < kUserLedColorCount; ++j)
    LoadColour(file, Numbered("LED_USER", j), g_userLedColorLevel[j], g_userLedColorRef[j]);
  std::uint8_t cycle = LowByte(read("CYC_7COL_EN", kSmallBuffer));
  g_cyc7ColEn = cycle;
  for (int k = 0; k < kCycleColorCount; ++k) g_cycColorEnable[k] = (cycle >> k) & 1;
  g_dpiSpeed = LowByte(read("DPI_SPEED", kSmallBuffer));
  g_wheelSpeed = LowByte(read("WHEEL_SPEED", kSmallBuffer));
  // The report rate is fixed: whatever USB_SPEED holds, the mouse gets code 7.
  g_usbSpeed = 0;
  g_usbRateCode = 7;
  g_fireTime = read("FIRE_TIME", kSmallBuffer);
}

}  // namespace

void LoadButtonKey(const std::string& file, const std::string& section, int profile, int button) {
  if (profile < 0 || profile >= kProfileCount || button < 0 || button >= kButtonCount) return;
  std::lock_guard tables(WorkerTablesLock());
  if (ReadButtonKey(file, section, profile, button)) RebuildShortcutMacros();
}

bool LoadProfile(const std::string& folder, int profile, bool fromReset) {
  return LoadProfileFile(folder + (fromReset ? "configReset.ini" : "config.ini"), profile, !fromReset);
}

void LoadSettingsProfiles(const std::string& file) {
  if (!LoadProfileFile(file, 0, true)) return;  // a missing file is told once
  for (int profile = 1; profile < kProfileCount; ++profile) LoadProfileFile(file, profile, true);
}

namespace {

// Profile `profile` of `file` into the tables; the caller holds WorkerTablesLock.
void ReadProfile(const std::string& file, int profile) {
  const std::string section = ProfileSectionName(profile);
  for (int i = 0; i < kButtonCount; ++i) {
    ReadButtonKey(file, section, profile, i);
    g_leftMac[profile][i] = ini::ReadInt(file, section, "LEFT_MAC" + std::to_string(profile) + std::to_string(i),
                                         kSmallBuffer);
    g_macCor[i] = std::clamp(ini::ReadInt(file, section, Numbered("MAC_COR", i), kSmallBuffer), 0, 6);
    // LED_REACT_EN is stored but every reaction is on after loading.
    g_ledReactEnable[profile][i] = 1;
    g_ledReactType[profile][i] = ini::ReadInt(file, section, Numbered("LED_REACT_TYPE", i), kSmallBuffer);
  }
  g_wheelStatus = 0;
  // Once for the whole profile, after every code and text is in: rebuilding at each
  // comma value alone would keep the macro of a button whose text is now gone.
  RebuildShortcutMacros();
  LoadSharedSettings(file);
  g_settingsUnreadable = false;
}

}  // namespace

bool LoadProfileFile(const std::string& file, int profile, bool settingsSet) {
  if (profile < 0 || profile >= kProfileCount) return false;
  if (!ini::FileExists(file)) {
    ReportMissingFile(file);
    if (settingsSet) g_settingsUnreadable = true;
    return false;
  }
  std::lock_guard tables(WorkerTablesLock());
  ReadProfile(file, profile);
  return true;
}

bool LoadSettingsProfilesUnderLock(const std::string& file) {
  if (!ini::FileExists(file)) return false;
  for (int profile = 0; profile < kProfileCount; ++profile) ReadProfile(file, profile);
  return true;
}
