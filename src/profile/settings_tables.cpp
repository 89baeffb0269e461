#include "profile/settings.h"

ProfileButtonTable<int> g_keyFunc{};
std::array<std::array<std::string, kShortcutTextSlots>, kProfileCount> m_shortcutTexts;
std::mutex g_shortcutTextsLock;
ProfileButtonTable<int> g_leftMac{};
ProfileButtonTable<int> g_ledReactEnable{};
ProfileButtonTable<int> g_ledReactType{};
std::array<int, kButtonCount> g_macCor{};
std::atomic<int> g_wheelStatus{0};

std::atomic<int> g_dpiLevel{0};
std::array<std::uint8_t, kDpiLevelCount> g_dpiSetValue{};
std::array<std::uint8_t, kDpiLevelCount> g_dpiSetEnable{};
std::array<std::array<int, 3>, kDpiLevelCount> g_dpiColorLevel{};
std::array<std::uint32_t, kDpiLevelCount> g_dpiColorRef{};
std::array<std::array<int, 3>, kUserLedColorCount> g_userLedColorLevel{};
std::array<std::uint32_t, kUserLedColorCount> g_userLedColorRef{};
std::atomic<std::uint8_t> g_ledType{0};
std::array<int, kLedTypeSwCount> g_ledTypeSwEnable{};
std::atomic<std::uint8_t> g_ledSpeed{0};
std::atomic<int> g_ledUserColerEn{1};
std::atomic<int> g_ledFeatureScolor{0};
std::atomic<int> g_ledDirection{0};
std::atomic<int> g_ledSymmetry{0};
std::atomic<int> g_ledBright{0};
std::atomic<int> g_modeLight{0};
std::atomic<int> g_softHardMac{0};
std::atomic<std::uint8_t> g_cyc7ColEn{0};
std::array<int, kCycleColorCount> g_cycColorEnable{};
std::atomic<std::uint8_t> g_dpiSpeed{0};
std::atomic<std::uint8_t> g_wheelSpeed{0};
std::atomic<std::uint8_t> g_usbSpeed{0};
std::atomic<std::uint8_t> g_usbRateCode{0};
std::atomic<int> g_fireTime{50};

std::atomic<int> g_currentProfile{0};
std::string g_profileSection;
std::mutex g_profileSectionLock;

std::string g_titleCn;
std::string g_titleEn;
std::string g_devString;
std::atomic<int> g_keyCount{0};
std::array<std::uint8_t, kButtonCount> g_keyMap{};

std::string ProfileSectionName(int profile) { return "Config" + std::to_string(profile); }

std::uint8_t ChannelFromLevel(int level) {
  return static_cast<std::uint8_t>(static_cast<unsigned>(255 - 16 * static_cast<long long>(level)) & 0xFFu);
}

int LevelFromChannel(std::uint8_t channel) { return (255 - channel) / 16; }

std::uint32_t ColorFromLevels(int red, int green, int blue) {
  return static_cast<std::uint32_t>(ChannelFromLevel(red)) |
         static_cast<std::uint32_t>(ChannelFromLevel(green)) << 8 |
         static_cast<std::uint32_t>(ChannelFromLevel(blue)) << 16;
}

void ClearSettingsTables() {
  g_keyFunc = {};
  {
    std::lock_guard<std::mutex> guard(g_shortcutTextsLock);
    for (auto& profile : m_shortcutTexts)
      for (auto& text : profile) text.clear();
  }
  g_leftMac = {};
  g_ledReactEnable = {};
  g_ledReactType = {};
  g_macCor = {};
  g_wheelStatus = 0;
  g_dpiLevel = 0;
  g_dpiSetValue = {};
  g_dpiSetEnable = {};
  g_dpiColorLevel = {};
  g_dpiColorRef = {};
  g_userLedColorLevel = {};
  g_userLedColorRef = {};
  g_ledType = 0;
  g_ledTypeSwEnable = {};
  g_ledSpeed = 0;
  g_ledUserColerEn = 1;
  g_ledFeatureScolor = 0;
  g_ledDirection = 0;
  g_ledSymmetry = 0;
  g_ledBright = 0;
  g_modeLight = 0;
  g_softHardMac = 0;
  g_cyc7ColEn = 0;
  g_cycColorEnable = {};
  g_dpiSpeed = 0;
  g_wheelSpeed = 0;
  g_usbSpeed = 0;
  g_usbRateCode = 0;
  g_fireTime = 50;
  g_currentProfile = 0;
  {
    std::lock_guard<std::mutex> guard(g_profileSectionLock);
    g_profileSection.clear();
  }
  g_titleCn.clear();
  g_titleEn.clear();
  g_devString.clear();
  g_keyCount = 0;
  g_keyMap = {};
}

namespace {
std::mutex g_tablesLock;
}  // namespace

std::mutex& WorkerTablesLock() { return g_tablesLock; }

std::array<int, kButtonCount> ProfileAssignments(int profile) {
  if (profile < 0 || profile >= kProfileCount) return {};
  std::lock_guard tables(g_tablesLock);
  return g_keyFunc[static_cast<std::size_t>(profile)];
}

void SetButtonAssignment(int profile, int button, int code) {
  if (profile < 0 || profile >= kProfileCount || button < 0 || button >= kButtonCount) return;
  std::lock_guard tables(g_tablesLock);
  g_keyFunc[static_cast<std::size_t>(profile)][static_cast<std::size_t>(button)] = code;
}
