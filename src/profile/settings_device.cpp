#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/ini_file.h"
#include "profile/paths.h"
#include "profile/settings.h"

namespace {

struct KeyMap {
  int count = 0;
  std::array<std::uint8_t, kButtonCount> keys{};
};

// The key map of file, or nothing when it is out of range: a button without a key number
// of the mouse, or two buttons on one, would take a function (the left click among
// them) out of the mouse.
std::optional<KeyMap> ReadKeyMap(const std::string& file) {
  KeyMap map;
  map.count = ini::ReadInt(file, "KEYNUM", "KeyNum", 15);
  if (map.count < 0 || map.count > kButtonCount) return std::nullopt;
  std::array<bool, kDeviceKeyCount + 1> taken{};
  for (int i = 1; i <= map.count; ++i) {
    const int key = ini::ReadInt(file, "KEYMAP", "K" + std::to_string(i) + "_MAP", 15);
    if (key < 1 || key > kDeviceKeyCount || taken[static_cast<std::size_t>(key)]) return std::nullopt;
    taken[static_cast<std::size_t>(key)] = true;
    map.keys[static_cast<std::size_t>(i - 1)] = static_cast<std::uint8_t>(key);
  }
  return map;
}

}  // namespace

void LoadDeviceDescription() { LoadDeviceDescription(g_configIniPath); }

void LoadDeviceDescription(const std::string& file) {
  g_titleCn = ini::ReadString(file, "PRODUCTNAME", "PRODUCTNAME_CN", 50);
  g_titleEn = ini::ReadString(file, "PRODUCTNAME", "PRODUCTNAME_EN", 50);
  std::optional<KeyMap> map = ReadKeyMap(file);
  if (!map) {
    const std::string factory = FactoryConfigDir() + "configReset.ini";
    std::fprintf(stderr, "ovk-dovaru: the key map of %s is out of range; the factory key map of %s is used\n",
                 file.c_str(), factory.c_str());
    // A factory map out of range too leaves no button mapped: no set reaches the mouse.
    map = ReadKeyMap(factory).value_or(KeyMap{});
  }
  g_keyCount = map->count;
  g_keyMap = map->keys;
  g_devString = ini::ReadString(file, "PRODUCTNAME", "DevString", 64);
}

int ReadCurrentProfile(const std::string& file) {
  int profile = ini::ReadInt(file, "Init", "CurConfig", 5);
  return profile >= 0 && profile < kProfileCount ? profile : 0;
}
