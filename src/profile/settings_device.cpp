#include <algorithm>

#include "platform/ini_file.h"
#include "profile/paths.h"
#include "profile/settings.h"

void LoadDeviceDescription() {
  const std::string& file = g_configIniPath;
  g_titleCn = ini::ReadString(file, "PRODUCTNAME", "PRODUCTNAME_CN", 50);
  g_titleEn = ini::ReadString(file, "PRODUCTNAME", "PRODUCTNAME_EN", 50);
  // The button tables hold twelve buttons; a negative count means none.
  int count = std::clamp(ini::ReadInt(file, "KEYNUM", "KeyNum", 15), 0, kButtonCount);
  g_keyCount = count;
  for (int i = 1; i <= count; ++i) {
    std::string key = "K";
    key += std::to_string(i);
    key += "_MAP";
    g_keyMap[i - 1] = static_cast<std::uint8_t>(static_cast<unsigned>(ini::ReadInt(file, "KEYMAP", key, 15)) & 0xFFu);
  }
  g_devString = ini::ReadString(file, "PRODUCTNAME", "DevString", 64);
}

int ReadCurrentProfile(const std::string& file) {
  int profile = ini::ReadInt(file, "Init", "CurConfig", 5);
  return profile >= 0 && profile < kProfileCount ? profile : 0;
}
