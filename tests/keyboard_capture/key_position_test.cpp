// Physical keys to the mouse's key codes and, through the key tables of the language,
// to host key codes and names.
#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <map>
#include <optional>
#include <set>

#include "../keys/language_guard.h"
#include "keys/key_capture.h"
#include "keys/key_codes.h"
#include "platform/evdev_keys.h"

namespace {

constexpr int kEn = 1, kFr = 2, kDe = 4, kRu = 7, kHun = 26;

std::optional<HostKeyCode> HostKeyOfEvdev(unsigned evdev) {
  return HostKeyOfUsage(platform::EvdevKeyToUsage(evdev));
}

// Every evdev code the table knows, with its usage.
std::map<unsigned, std::uint8_t> KnownKeys() {
  std::map<unsigned, std::uint8_t> keys;
  for (unsigned code = 0; code < 1024; ++code) {
    if (std::uint8_t usage = platform::EvdevKeyToUsage(code)) keys[code] = usage;
  }
  return keys;
}

TEST(KeyPositionTable, EveryKeyOfAFullSizeKeyboardHasItsOwnUsage) {
  const auto keys = KnownKeys();
  std::set<std::uint8_t> usages;
  for (const auto& [code, usage] : keys) EXPECT_TRUE(usages.insert(usage).second) << "usage twice: " << int(usage);

  // Every usage that a key position or a key of the US table gives is reachable from a
  // physical key: the 79 positions, the keypad, the navigation block, F13 to F24.
  std::set<std::uint8_t> wanted;
  for (int index = 0; index < kKeyIndexCount; ++index) wanted.insert(KeyIndexToDeviceKey(index));
  for (std::uint8_t usage = 0x04; usage <= 0x73; ++usage) {
    if (usage != 0x32 && usage != 0x66) wanted.insert(usage);  // ISO '#' shares KEY_BACKSLASH; Power is no key
  }
  for (std::uint8_t usage = 0xE0; usage <= 0xE7; ++usage) wanted.insert(usage);
  for (std::uint8_t usage : wanted) EXPECT_TRUE(usages.count(usage)) << "no key gives usage " << int(usage);

  EXPECT_EQ(platform::EvdevKeyToUsage(KEY_A), 0x04);
  EXPECT_EQ(platform::EvdevKeyToUsage(KEY_KPENTER), 0x58);
  EXPECT_EQ(platform::EvdevKeyToUsage(KEY_RIGHTMETA), 0xE7);
  EXPECT_EQ(platform::EvdevKeyToUsage(KEY_MUTE), 0);      // a media key is no keyboard key
  EXPECT_EQ(platform::EvdevKeyToUsage(BTN_LEFT), 0);
  EXPECT_EQ(platform::EvdevKeyToUsage(100000), 0);
  // The X server's key code of the A key is 38 on every evdev keyboard.
  EXPECT_EQ(platform::EvdevFromNativeScanCode(38), unsigned(KEY_A));
  EXPECT_EQ(platform::EvdevFromNativeScanCode(3), 0u);
}

TEST(KeyPositionTable, KeysFollowTheProgramsLanguageNotTheDesktopLayout) {
  {
    LanguageGuard en(kEn);
    EXPECT_EQ(HostKeyOfEvdev(KEY_A), 'A');
    EXPECT_EQ(HostKeyOfEvdev(KEY_Q), 'Q');
    EXPECT_EQ(HostKeyOfEvdev(KEY_LEFTCTRL), VK_LCONTROL);
    EXPECT_EQ(HostKeyOfEvdev(KEY_RIGHTALT), VK_RMENU);
    EXPECT_EQ(HostKeyOfEvdev(KEY_KP0), VK_NUMPAD0);
    EXPECT_EQ(HostKeyOfEvdev(KEY_F24), VK_F24);
    EXPECT_EQ(HostKeyOfEvdev(KEY_KPENTER), VK_RETURN);
    EXPECT_EQ(DeviceKeyName(VkToDeviceKey(*HostKeyOfEvdev(KEY_Y))), "Y");
    // The ISO key beside left Shift has no code of its own in the English tables: it
    // would come back as another key, so it is not taken.
    EXPECT_EQ(HostKeyOfEvdev(KEY_102ND), std::nullopt);
    EXPECT_EQ(HostKeyOfEvdev(KEY_MUTE), std::nullopt);
  }
  {
    LanguageGuard fr(kFr);  // AZERTY: the key in the place of Q carries A
    EXPECT_EQ(HostKeyOfEvdev(KEY_Q), 'A');
    EXPECT_EQ(HostKeyOfEvdev(KEY_A), 'Q');
    EXPECT_EQ(DeviceKeyName(VkToDeviceKey(*HostKeyOfEvdev(KEY_Q))), "A");
    EXPECT_EQ(HostKeyOfEvdev(KEY_MINUS), VK_OEM_4);
  }
  {
    LanguageGuard de(kDe);
    EXPECT_EQ(HostKeyOfEvdev(KEY_Y), 'Z');
    EXPECT_EQ(DeviceKeyName(VkToDeviceKey(*HostKeyOfEvdev(KEY_Y))), "Z");
    EXPECT_EQ(DeviceKeyName(VkToDeviceKey(*HostKeyOfEvdev(KEY_SEMICOLON))), "Ö");
  }
  {
    LanguageGuard ru(kRu);
    EXPECT_EQ(DeviceKeyName(VkToDeviceKey(*HostKeyOfEvdev(KEY_Q))), "Й");
  }
  {
    LanguageGuard hun(kHun);
    EXPECT_EQ(HostKeyOfEvdev(KEY_102ND), VK_OEM_102);
    EXPECT_EQ(HostKeyOfEvdev(KEY_GRAVE), '0');
  }
}

TEST(KeyPositionTable, EveryTakenKeyComesBackAsItsOwnPositionInEveryLanguage) {
  const auto keys = KnownKeys();
  for (int language = 0; language <= 26; ++language) {
    if (language == 25) continue;
    LanguageGuard guard(language);
    int refused = 0;
    int unnamed = 0;  // the German names lack the right Windows key
    for (const auto& [code, usage] : keys) {
      const std::optional<HostKeyCode> vk = HostKeyOfUsage(usage);
      if (!vk) {
        ++refused;
        continue;
      }
      if (usage != 0x58) {
        EXPECT_EQ(VkToDeviceKey(*vk), usage) << "language " << language << " evdev " << code;
      }
      if (DeviceKeyName(VkToDeviceKey(*vk)) == "NULL") ++unnamed;
    }
    // Only the few keys that the tables have no code for are refused.
    EXPECT_LE(refused, 4) << "language " << language;
    EXPECT_LE(unnamed, 1) << "language " << language;
  }
}

}  // namespace
