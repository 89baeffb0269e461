#include "settings_fixture.h"

namespace {

std::string ResetFile() {
  std::string file;
  for (int n = 0; n < 4; ++n) {
    std::string s = std::to_string(n);
    file += "[Config" + s + "]\nK0=" + std::to_string(20 + n) + "\nMAC_COR0=" + s + "\nMAC_COR1=" + std::to_string(6 - n) +
            "\nLEFT_MAC" + s + "1=1\n";
  }
  return file + "[ShareData]\nDPI_LEVEL=2\nFIRE_TIME=70\nCYC_7COL_EN=3\n";
}

TEST_F(SettingsTest, ResetCopiesTheFactorySectionsAndRepaints) {
  WriteFile(ResetPath(), ResetFile());
  WriteFile(ConfigPath(), "[Init]\nCurConfig=2\nVER_SEL=1\n[Config1]\nK0=99\n[ShareData]\nSoundSpeaker=40\nFIRE_TIME=5\n");
  const std::string resetBefore = ReadFile(ResetPath());
  ASSERT_TRUE(ResetAllProfiles());
  for (int n = 0; n < 4; ++n) {
    std::string section = ProfileSectionName(n);
    EXPECT_EQ(Value(ConfigPath(), section, "K0"), std::to_string(20 + n));
    EXPECT_EQ(Value(ConfigPath(), section, "MAC_COR0"), std::to_string(n)) << "saved right after its own load";
    EXPECT_EQ(g_keyFunc[n][0], 20 + n);
    EXPECT_EQ(g_leftMac[n][1], 1);
  }
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "FIRE_TIME"), "70");
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "SoundSpeaker"), "40");
  EXPECT_EQ(Value(ConfigPath(), "Init", "CurConfig"), "2");
  EXPECT_EQ(ReadFile(ResetPath()), resetBefore) << "the factory file is only read";
  EXPECT_EQ(events, (std::vector<std::string>{"repaint macro"}));

  // Profile 0 is loaded last: its colour indices stay in memory, and the next Apply
  // writes them into every profile section.
  EXPECT_EQ(g_macCor[0], 0);
  EXPECT_EQ(g_macCor[1], 6);
  ASSERT_TRUE(SaveAll());
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(Value(ConfigPath(), ProfileSectionName(n), "MAC_COR0"), "0");
    EXPECT_EQ(Value(ConfigPath(), ProfileSectionName(n), "MAC_COR1"), "6");
  }
}

TEST_F(SettingsTest, ResetWithoutFactoryFileWarnsAndSavesTheTablesAsTheyAre) {
  WriteFile(ConfigPath(), "[Config0]\nK0=3\n");
  g_keyFunc[0][0] = 12;
  g_fireTime = 66;
  ASSERT_TRUE(ResetAllProfiles());
  EXPECT_EQ(events, (std::vector<std::string>{"tip 5", "tip 5", "tip 5", "tip 5", "repaint macro"}));
  EXPECT_EQ(Value(ConfigPath(), "Config0", "K0"), "12");
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "FIRE_TIME"), "66");
}

TEST_F(SettingsTest, RestoreDefaultsResetsStartsTheDownloadAndWarnsTwice) {
  WriteFile(ResetPath(), ResetFile());
  WriteFile(ConfigPath(), "[Init]\nCurConfig=3\n");
  g_currentProfile = 3;
  int profileAtDownload = -1;
  SetStartDownloadHandler([&] {
    profileAtDownload = g_currentProfile;
    events.push_back("download");
  });
  RestoreDefaultsAndSync();
  EXPECT_EQ(profileAtDownload, 0) << "the download writes profile 0 as the current one";
  EXPECT_EQ(events, (std::vector<std::string>{"tip 2", "repaint macro", "download", "tip 3"}));
  EXPECT_EQ(g_currentProfile, 0);
  EXPECT_EQ(Value(ConfigPath(), "Init", "CurConfig"), "3") << "the profile number is not saved";
  EXPECT_EQ(Value(ConfigPath(), "Config3", "K0"), "23");
  EXPECT_EQ(g_warningText, "tip text 3");
}

}  // namespace
