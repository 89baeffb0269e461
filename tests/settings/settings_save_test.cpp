#include <random>
#include <thread>

#include "profile/settings.h"
#include "settings_fixture.h"

namespace {

// Every table of the model set to distinct values from one seed.
void FillTables(unsigned seed) {
  std::mt19937 rng(seed);
  auto any = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int p = 0; p < kProfileCount; ++p)
    for (int b = 0; b < kButtonCount; ++b) {
      g_keyFunc[p][b] = any(0, 2000);
      if (b % 4 == 0) g_keyFunc[p][b] = 33;
      m_shortcutTexts[p][b] = "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&K" +
                              std::to_string(b) + "&split&" + std::to_string(any(48, 90));
      g_leftMac[p][b] = any(0, 3);
      g_ledReactEnable[p][b] = 1;
      g_ledReactType[p][b] = any(0, 3);
    }
  for (int b = 0; b < kButtonCount; ++b) g_macCor[b] = any(0, 6);
  g_dpiLevel = any(0, 5);
  for (int j = 0; j < kDpiLevelCount; ++j) {
    g_dpiSetValue[j] = static_cast<std::uint8_t>(any(0, 255));
    g_dpiSetEnable[j] = static_cast<std::uint8_t>(any(0, 1));
    for (int c = 0; c < 3; ++c) g_dpiColorLevel[j][c] = any(0, 15);
    g_dpiColorRef[j] = ColorFromLevels(g_dpiColorLevel[j][0], g_dpiColorLevel[j][1], g_dpiColorLevel[j][2]);
  }
  g_dpiSetEnable[g_dpiLevel] = 1;  // as the page keeps it
  for (int j = 0; j < kUserLedColorCount; ++j) {
    for (int c = 0; c < 3; ++c) g_userLedColorLevel[j][c] = any(0, 15);
    g_userLedColorRef[j] = ColorFromLevels(g_userLedColorLevel[j][0], g_userLedColorLevel[j][1], g_userLedColorLevel[j][2]);
  }
  g_ledType = static_cast<std::uint8_t>(any(0, 13));
  for (int& e : g_ledTypeSwEnable) e = any(0, 1);
  g_ledSpeed = static_cast<std::uint8_t>(any(0, 255));
  g_ledDirection = any(0, 1);
  g_ledSymmetry = any(0, 1);
  g_ledBright = any(0, 4);
  g_modeLight = any(0, 1);
  g_softHardMac = any(0, 1);
  for (int& e : g_cycColorEnable) e = any(0, 1);
  g_dpiSpeed = static_cast<std::uint8_t>(any(0, 11));
  g_wheelSpeed = static_cast<std::uint8_t>(any(1, 10));
  g_fireTime = any(0, 1000);
  g_currentProfile = any(0, 3);
}

// The part of the model that a save and a load carry (what the load derives or
// forces is compared after the load rules).
struct Snapshot {
  ProfileButtonTable<int> keyFunc, leftMac, reactEnable, reactType;
  std::array<std::array<std::string, kShortcutTextSlots>, kProfileCount> texts;
  std::array<int, kButtonCount> macCor;
  int dpiLevel, ledDirection, ledSymmetry, ledBright, modeLight, softHardMac, fireTime;
  std::array<std::uint8_t, kDpiLevelCount> dpiSet, dpiEnable;
  std::array<std::array<int, 3>, kDpiLevelCount> dpiLevels;
  std::array<std::uint32_t, kDpiLevelCount> dpiColours;
  std::array<std::array<int, 3>, kUserLedColorCount> userLevels;
  std::array<std::uint32_t, kUserLedColorCount> userColours;
  std::array<int, kLedTypeSwCount> swEnable;
  std::array<int, kCycleColorCount> cycle;
  int ledType, ledSpeed, dpiSpeed, wheelSpeed, cycleMask;
  bool operator==(const Snapshot&) const = default;

  static Snapshot Take() {
    Snapshot s{g_keyFunc, g_leftMac, g_ledReactEnable, g_ledReactType, m_shortcutTexts, g_macCor,
               g_dpiLevel, g_ledDirection, g_ledSymmetry, g_ledBright, g_modeLight, g_softHardMac, g_fireTime,
               g_dpiSetValue, g_dpiSetEnable, g_dpiColorLevel, g_dpiColorRef, g_userLedColorLevel,
               g_userLedColorRef, g_ledTypeSwEnable, g_cycColorEnable, g_ledType, g_ledSpeed, g_dpiSpeed,
               g_wheelSpeed, g_cyc7ColEn};
    // Only code 33 stores its text.
    for (int p = 0; p < kProfileCount; ++p)
      for (int b = 0; b < kShortcutTextSlots; ++b)
        if (b >= kButtonCount || s.keyFunc[p][b] != 33) s.texts[p][b].clear();
    return s;
  }
};

void LoadAll() {
  for (int n = 0; n < kProfileCount; ++n) ASSERT_TRUE(LoadProfile(g_configDir, n, false));
}

TEST_F(SettingsTest, SaveAllThenLoadGivesBackEveryTable) {
  for (unsigned seed : {1u, 2u, 3u}) {
    ClearSettingsTables();
    FillTables(seed);
    ASSERT_TRUE(SaveAll());
    int profile = g_currentProfile;
    // The colour-cycle mask is saved from the seven enables.
    Snapshot before = Snapshot::Take();
    ClearSettingsTables();
    LoadAll();
    EXPECT_EQ(ReadCurrentProfile(ConfigPath()), profile);
    Snapshot after = Snapshot::Take();
    EXPECT_TRUE(before == after) << "seed " << seed;
    // The colour indices are one set, written into every profile section.
    for (int n = 0; n < kProfileCount; ++n)
      EXPECT_EQ(Value(ConfigPath(), ProfileSectionName(n), "MAC_COR11"), std::to_string(g_macCor[11]));
  }
}

// The installation's config.ini loads without a warning, and saving it back and
// loading again gives the same tables.
TEST_F(SettingsTest, InstalledConfigSurvivesASaveUnchanged) {
  std::filesystem::path shipped = std::filesystem::path(MC_SOURCE_DIR) / "skins" / "config" / "config.ini";
  if (!std::filesystem::exists(shipped)) GTEST_SKIP() << "no installation data";
  std::filesystem::copy_file(shipped, ConfigPath());
  ini::ClearCache();
  LoadDeviceDescription();
  LoadAll();
  EXPECT_TRUE(events.empty());
  EXPECT_GE(g_keyCount, 1);
  EXPECT_FALSE(g_titleEn.empty());
  Snapshot loaded = Snapshot::Take();
  std::string title = g_titleEn;
  ASSERT_TRUE(SaveAll());
  ClearSettingsTables();
  LoadDeviceDescription();
  LoadAll();
  EXPECT_TRUE(loaded == Snapshot::Take());
  EXPECT_EQ(g_titleEn, title);
}

TEST_F(SettingsTest, KeyCombinationTextIsSavedForCode33Only) {
  g_keyFunc[1][0] = 33;
  m_shortcutTexts[1][0] = "Ctrl&split&162";
  g_keyFunc[1][1] = 17;
  m_shortcutTexts[1][1] = "kept in memory only";
  g_keyFunc[1][2] = 33;
  ASSERT_TRUE(SaveProfile(ConfigPath(), 1));
  EXPECT_EQ(Value(ConfigPath(), "Config1", "K0"), "33,Ctrl&split&162");
  EXPECT_EQ(Value(ConfigPath(), "Config1", "K1"), "17");
  EXPECT_EQ(Value(ConfigPath(), "Config1", "K2"), "33,");
  EXPECT_EQ(m_shortcutTexts[1][1], "kept in memory only");
}

TEST_F(SettingsTest, SavedValuesFollowTheLoadRules) {
  WriteFile(ConfigPath(), "[ShareData]\nDPI_SET_EN3=7\nUSB_SPEED=3\nLED_CYCTIME=9\nLED_CYC_TIME=4\n[Config0]\nWHEEL_STATUS=2\n");
  ASSERT_TRUE(LoadProfile(g_configDir, 0, false));
  EXPECT_EQ(g_ledSpeed, 9) << "only LED_CYCTIME is read";
  g_wheelStatus = 4;
  g_ledUserColerEn = 0;
  g_ledFeatureScolor = 0;
  ASSERT_TRUE(SaveProfile(ConfigPath(), 0));
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "DPI_SET_EN3"), "1");
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "USB_SPEED"), "0");
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "LED_CYCTIME"), "9");
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "LED_CYC_TIME"), "9");
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "LED_USER_COLER_EN"), "1");
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "LED_FEATURE_SCOLOR"), "0");
  EXPECT_EQ(Value(ConfigPath(), "Config0", "WHEEL_STATUS"), "0");
  EXPECT_EQ(g_wheelStatus, 0);
  EXPECT_EQ(g_ledUserColerEn, 1);
  std::lock_guard<std::mutex> guard(g_profileSectionLock);
  EXPECT_EQ(g_profileSection, "Config0");
}

// The pages change the seven enables; the mask saved must follow them even when the
// download has not rebuilt g_cyc7ColEn yet.
TEST_F(SettingsTest, ColourCycleMaskIsSavedFromTheEnables) {
  WriteFile(ConfigPath(), "[ShareData]\nCYC_7COL_EN=5\n");
  ASSERT_TRUE(LoadProfile(g_configDir, 0, false));
  g_cycColorEnable[0] = 0;
  g_cycColorEnable[6] = 1;
  ASSERT_TRUE(SaveProfile(ConfigPath(), 0));
  EXPECT_EQ(Value(ConfigPath(), "ShareData", "CYC_7COL_EN"), "68");
  EXPECT_EQ(g_cyc7ColEn, 68);
}

TEST_F(SettingsTest, SaveKeepsOrderCommentsAndForeignKeys) {
  const std::string original =
      "; settings\r\n[Init]\r\nCurConfig=0\r\nVER_SEL=1\r\nConfigNum=4\r\n\r\n[Config0]\r\nK0=1\r\nCUSTOM=x\r\n\r\n"
      "[ShareData]\r\nSoundWaveMode=1\r\nSoundSpeaker=70\r\nDPI_LEVEL=1\r\n\r\n[PRODUCTNAME]\r\nPRODUCTNAME_EN=Mouse\r\n";
  WriteFile(ConfigPath(), original);
  g_keyFunc[0][0] = 5;
  g_dpiLevel = 2;
  g_currentProfile = 3;
  ASSERT_TRUE(SaveAll());
  std::string saved = ReadFile(ConfigPath());
  EXPECT_EQ(saved.rfind("; settings\r\n[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\nConfigNum=4\r\n\r\n[Config0]\r\nK0=5\r\nCUSTOM=x\r\n", 0), 0u)
      << saved;
  EXPECT_NE(saved.find("SoundWaveMode=1\r\nSoundSpeaker=70\r\nDPI_LEVEL=2\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\n\r\n[PRODUCTNAME]\r\nPRODUCTNAME_EN=Mouse\r\n"), std::string::npos);
  EXPECT_EQ(saved.find("\n\n"), std::string::npos) << "line ends stay CRLF";
  for (int n = 1; n < 4; ++n) EXPECT_EQ(Value(ConfigPath(), ProfileSectionName(n), "K11"), "0");
}

// SaveAll replaces the file once; the result must be what writing the same keys one
// by one gives.
TEST_F(SettingsTest, OneReplacementWritesWhatKeyByKeyWritingWould) {
  const std::string start = "[Init]\nVER_SEL=1\n[Config2]\nK3=4\n\n[ShareData]\nSoundBright2=3\n";
  FillTables(7);
  ini::Batch batch(g_configDir + "keybykey.ini");
  batch.WriteInt("Init", "CurConfig", g_currentProfile);
  for (int n = 0; n < kProfileCount; ++n) AddProfileWrites(batch, n);
  WriteFile(batch.File(), start);
  for (const auto& w : batch.Writes()) ASSERT_TRUE(ini::WriteString(batch.File(), w.section, w.key, w.value));
  WriteFile(ConfigPath(), start);
  ASSERT_TRUE(SaveAll());
  EXPECT_EQ(ReadFile(ConfigPath()), ReadFile(batch.File()));
  EXPECT_EQ(batch.Writes().size(), 1u + 4u * 138u);
}

TEST_F(SettingsTest, SaveDpiLevelWritesThatKeyAlone) {
  WriteFile(ConfigPath(), "[ShareData]\nDPI_LEVEL=1\nFIRE_TIME=9\n");
  g_dpiLevel = 4;
  g_fireTime = 100;
  g_currentProfile = 2;
  ASSERT_TRUE(SaveDpiLevel());
  EXPECT_EQ(ReadFile(ConfigPath()), "[ShareData]\nDPI_LEVEL=4\nFIRE_TIME=9\n");
  std::lock_guard<std::mutex> guard(g_profileSectionLock);
  EXPECT_EQ(g_profileSection, "Config2");
}

TEST_F(SettingsTest, FailuresAreReported) {
  EXPECT_FALSE(SaveProfile(ConfigPath(), 4));
  EXPECT_FALSE(SaveProfile(ConfigPath(), -1));
  EXPECT_FALSE(ini::FileExists(ConfigPath()));
  // A text with a line break would add lines to the file: that key is refused, the
  // rest is written.
  g_keyFunc[0][1] = 33;
  m_shortcutTexts[0][1] = "A\n[Init]\nCurConfig=3";
  g_keyFunc[0][2] = 8;
  EXPECT_FALSE(SaveProfile(ConfigPath(), 0));
  EXPECT_EQ(Value(ConfigPath(), "Config0", "K1"), "");
  EXPECT_EQ(Value(ConfigPath(), "Config0", "K2"), "8");
  EXPECT_EQ(Value(ConfigPath(), "Init", "CurConfig"), "");
  SetProgramPaths((root / "missing").string());
  EXPECT_FALSE(SaveAll());
  EXPECT_FALSE(SaveDpiLevel());
}

// The macro executor saves the DPI level while the save worker runs SaveAll: both
// land, and the file is whole at every moment.
TEST_F(SettingsTest, DpiLevelSavesDuringSaveAllKeepTheFileWhole) {
  FillTables(11);
  ASSERT_TRUE(SaveAll());
  std::atomic<bool> stop{false};
  std::thread executor([&] {
    for (int i = 0; i < 50; ++i) {
      g_dpiLevel = i % 6;
      EXPECT_TRUE(SaveDpiLevel());
    }
  });
  std::thread reader([&] {
    while (!stop) EXPECT_EQ(ini::SectionKeys(ConfigPath(), "ShareData").size(), 77u);
  });
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(SaveAll());
  executor.join();
  stop = true;
  reader.join();
  std::string level = Value(ConfigPath(), "ShareData", "DPI_LEVEL");
  EXPECT_TRUE(level.size() == 1 && level[0] >= '0' && level[0] <= '5') << level;
}

}  // namespace
