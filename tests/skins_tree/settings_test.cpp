// The factory settings and device description of the built tree, loaded through the
// settings store, against what the layouts and the program need of them.
#include <gtest/gtest.h>

#include <set>

#include "keys/language.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "platform/text_codec.h"
#include "popups/function_names.h"
#include "profile/macro_files.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/skin_layout.h"
#include "tree_util.h"

namespace {

class FactorySettings : public ::testing::Test {
 protected:
  void SetUp() override {
    g_language = 1;
    SetProgramPaths(tree::ProgramDir());
    ClearSettingsTables();
  }
  void TearDown() override { ClearSettingsTables(); }
  tree::WarningRecorder warnings;
};

TEST_F(FactorySettings, DeviceDescriptionFitsTheLayouts) {
  LoadDeviceDescription();
  const int k = g_keyCount;
  ASSERT_GE(k, 1);
  // Button boxes 20.., name plates 35.., reaction toggles 51.. and reaction types 61..
  // of the layouts run into the next rows of entries beyond ten buttons.
  ASSERT_LE(k, 10);
  EXPECT_EQ(g_keyMap[0], 1) << "device key 1 is the left button";
  std::set<int> keys;
  for (int i = 0; i < k; ++i) {
    EXPECT_GE(g_keyMap[static_cast<std::size_t>(i)], 1);
    EXPECT_LE(g_keyMap[static_cast<std::size_t>(i)], 12);
    EXPECT_TRUE(keys.insert(g_keyMap[static_cast<std::size_t>(i)]).second) << "device key used twice";
  }
  EXPECT_FALSE(g_titleCn.empty());
  EXPECT_FALSE(g_titleEn.empty());
  EXPECT_NE(g_titleCn, g_titleEn);
  EXPECT_LE(Utf8ToUtf16(g_titleEn).size(), 49u);
  EXPECT_LE(Utf8ToUtf16(g_titleCn).size(), 49u);

  LoadLanguageTexts();
  LoadAllSkinLayouts();
  for (int i = 0; i < k; ++i) {
    EXPECT_FALSE(g_mainRects[static_cast<std::size_t>(20 + i)].ToQRect().isEmpty()) << "button box " << i;
    EXPECT_FALSE(g_mainRects[static_cast<std::size_t>(35 + i)].ToQRect().isEmpty()) << "name plate " << i;
    EXPECT_FALSE(g_mainCaptions[static_cast<std::size_t>(35 + i)].empty()) << "name plate " << i;
    EXPECT_FALSE(g_ledRects[static_cast<std::size_t>(51 + i)].ToQRect().isEmpty()) << "reaction toggle " << i;
    EXPECT_FALSE(g_ledRects[static_cast<std::size_t>(61 + i)].ToQRect().isEmpty()) << "reaction type " << i;
  }
  EXPECT_TRUE(warnings.Warnings().empty()) << warnings.Describe();
}

TEST_F(FactorySettings, ProfilesKeepALeftClickAndValidLevels) {
  LoadDeviceDescription();
  LoadLanguageTexts();
  LoadAllSkinLayouts();
  const std::string config = g_configIniPath;
  std::array<std::set<std::string>, 12> macCor;
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE("profile " + std::to_string(n));
    ASSERT_TRUE(LoadProfile(g_configDir, n, false));
    int leftClicks = 0;
    for (int i = 0; i < g_keyCount; ++i) {
      int code = g_keyFunc[static_cast<std::size_t>(n)][static_cast<std::size_t>(i)];
      leftClicks += code == 1;
      // Every factory assignment has a label on the main page.
      ASSERT_GE(code, 1);
      ASSERT_LT(code, 48);
      EXPECT_FALSE(g_funStrings[static_cast<std::size_t>(code)].empty()) << "code " << code;
      EXPECT_EQ(g_leftMac[static_cast<std::size_t>(n)][static_cast<std::size_t>(i)], 0);
    }
    // The function menu of a button only opens while another one keeps the left click.
    EXPECT_GE(leftClicks, 1);
    for (int i = 0; i < 12; ++i)
      macCor[static_cast<std::size_t>(i)].insert(
          ini::ReadString(config, ProfileSectionName(n), "MAC_COR" + std::to_string(i), 5));
  }
  // One colour set for all profiles: whichever section is read last wins, so all agree.
  for (const auto& values : macCor) EXPECT_EQ(values.size(), 1u);

  ASSERT_GE(g_dpiLevel.load(), 0);
  ASSERT_LT(g_dpiLevel.load(), 6);
  EXPECT_EQ(g_dpiSetEnable[static_cast<std::size_t>(g_dpiLevel.load())], 1) << "the current DPI level is enabled";
  for (int j = 0; j < 6; ++j) {
    EXPECT_LE(g_dpiSetValue[static_cast<std::size_t>(j)], 16) << "the DPI slider reaches level " << j;
    for (int c = 0; c < 3; ++c) {
      EXPECT_GE(g_dpiColorLevel[static_cast<std::size_t>(j)][static_cast<std::size_t>(c)], 0);
      EXPECT_LE(g_dpiColorLevel[static_cast<std::size_t>(j)][static_cast<std::size_t>(c)], 15);
    }
  }
  EXPECT_NE(g_cyc7ColEn.load(), 0) << "the colour cycle keeps a colour";
  EXPECT_LE(g_ledSpeed.load(), 5);
  EXPECT_LE(g_ledBright.load(), 6);
  EXPECT_GE(g_fireTime.load(), 8);
  EXPECT_LE(g_fireTime.load(), 300);
  EXPECT_GE(g_dpiSpeed.load(), 1);
  EXPECT_LE(g_dpiSpeed.load(), 11);
  EXPECT_GE(g_wheelSpeed.load(), 1);
  EXPECT_LE(g_wheelSpeed.load(), 11);
  EXPECT_EQ(g_modeLight.load(), 0);
  const int soundMode = ini::ReadInt(config, "ShareData", "SoundWaveMode", 5);
  EXPECT_TRUE(soundMode >= 2 && soundMode <= 4);
  EXPECT_EQ(ini::ReadInt(config, "Init", "VER_SEL", 4), 1) << "the language drop-down offers English";
  EXPECT_TRUE(warnings.Warnings().empty()) << warnings.Describe();
}

TEST_F(FactorySettings, ResetFileHoldsTheFactoryProfiles) {
  LoadDeviceDescription();
  auto snapshot = [] {
    return std::make_tuple(g_keyFunc, g_leftMac, g_ledReactType, g_macCor, g_dpiLevel.load(), g_dpiSetValue,
                           g_dpiSetEnable, g_dpiColorLevel, g_userLedColorLevel, g_ledType.load(), g_ledSpeed.load(),
                           g_cyc7ColEn.load(), g_dpiSpeed.load(), g_wheelSpeed.load(), g_fireTime.load(),
                           g_softHardMac.load(), g_modeLight.load());
  };
  // In the order of the start-up and of a reset respectively.
  for (int n = 0; n < 4; ++n) ASSERT_TRUE(LoadProfile(g_configDir, n, false));
  auto factory = snapshot();
  ClearSettingsTables();
  for (int n = 3; n >= 0; --n) ASSERT_TRUE(LoadProfile(g_configDir, n, true));
  EXPECT_TRUE(snapshot() == factory);
  // The reset file can stand in for a broken config.ini whole: description and language too.
  const std::string reset = g_configDir + "configReset.ini";
  EXPECT_EQ(ini::ReadString(reset, "KEYNUM", "KeyNum", 15), ini::ReadString(g_configIniPath, "KEYNUM", "KeyNum", 15));
  EXPECT_EQ(ini::ReadString(reset, "Init", "VER_SEL", 5), "1");
  EXPECT_TRUE(warnings.Warnings().empty()) << warnings.Describe();
}

TEST_F(FactorySettings, BuiltInMacroFileLoads) {
  g_constMacroCount = -1;
  LoadConstMacroFile(ConstMacroPath());
  EXPECT_TRUE(warnings.Warnings().empty()) << warnings.Describe();
  EXPECT_GE(g_constMacroCount, 0);
  EXPECT_LE(g_constMacroCount, 13);
}

}  // namespace
