#include <algorithm>

#include "profile/macro_record.h"
#include "profile/settings.h"
#include "settings_fixture.h"

namespace {

struct ButtonKeyCase {
  const char* stored;  // value of K3, nullptr: key missing
  int code;
  const char* text;
};

class ButtonKeyTest : public SettingsTest, public ::testing::WithParamInterface<ButtonKeyCase> {};

TEST_P(ButtonKeyTest, CodeAndKeyCombinationText) {
  const ButtonKeyCase& c = GetParam();
  std::string file = "[Config1]\n";
  if (c.stored) file += std::string("K3=") + c.stored + "\n";
  WriteFile(ConfigPath(), file);
  m_shortcutTexts[1][3] = "left over";
  g_keyFunc[1][3] = 99;
  ASSERT_TRUE(LoadProfile(g_configDir, 1, false));
  EXPECT_EQ(g_keyFunc[1][3], c.code);
  EXPECT_EQ(m_shortcutTexts[1][3], c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ButtonKeyTest,
    ::testing::Values(ButtonKeyCase{"33,Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&A&split&65", 33,
                                    "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&A&split&65"},
                      ButtonKeyCase{"17", 17, ""}, ButtonKeyCase{"5,x,y", 5, "x,y"}, ButtonKeyCase{"33,", 33, ""},
                      ButtonKeyCase{",abc", 0, "abc"}, ButtonKeyCase{"abc", 0, ""}, ButtonKeyCase{"-3", -3, ""},
                      ButtonKeyCase{"  257  ", 257, ""}, ButtonKeyCase{"12x", 12, ""}, ButtonKeyCase{nullptr, 0, ""},
                      ButtonKeyCase{"99999999999", 2147483647, ""}));

TEST_F(SettingsTest, ButtonKeyValueIsCutTo259Characters) {
  std::string text(400, 'z');
  WriteFile(ConfigPath(), "[Config0]\nK0=33," + text + "\n");
  LoadButtonKey(ConfigPath(), "Config0", 0, 0);
  EXPECT_EQ(g_keyFunc[0][0], 33);
  EXPECT_EQ(m_shortcutTexts[0][0], std::string(259 - 3, 'z'));
}

TEST_F(SettingsTest, ButtonKeyOutsideTheTablesChangesNothing) {
  WriteFile(ConfigPath(), "[Config0]\nK12=7\nK0=7\n");
  LoadButtonKey(ConfigPath(), "Config0", 0, 12);
  LoadButtonKey(ConfigPath(), "Config0", 4, 0);
  LoadButtonKey(ConfigPath(), "Config0", -1, 0);
  for (auto& profile : g_keyFunc)
    for (int code : profile) EXPECT_EQ(code, 0);
}

struct NumberCase {
  const char* key;
  const char* stored;
  int expected;
};

// Clamping, byte tables, flags and buffer sizes of the per-button and shared keys.
class NumberTest : public SettingsTest, public ::testing::WithParamInterface<NumberCase> {
 protected:
  static int Loaded(const std::string& key) {
    if (key == "MAC_COR2") return g_macCor[2];
    if (key == "LEFT_MAC12") return g_leftMac[1][2];
    if (key == "LED_REACT_TYPE2") return g_ledReactType[1][2];
    if (key == "LED_REACT_EN2") return g_ledReactEnable[1][2];
    if (key == "DPI_LEVEL") return g_dpiLevel;
    if (key == "DPI_SET4") return g_dpiSetValue[4];
    if (key == "DPI_SET_EN4") return g_dpiSetEnable[4];
    if (key == "DPI4_G") return g_dpiColorLevel[4][1];
    if (key == "LED_TYPE") return g_ledType;
    if (key == "LED_TYPE_SW_EN9") return g_ledTypeSwEnable[9];
    if (key == "LED_CYCTIME") return g_ledSpeed;
    if (key == "LED_CYC_TIME") return g_ledSpeed;
    if (key == "LED_USER_COLER_EN") return g_ledUserColerEn;
    if (key == "LED_FEATURE_SCOLOR") return g_ledFeatureScolor;
    if (key == "LED_BRIGHT") return g_ledBright;
    if (key == "SOFT_HARD_MAC") return g_softHardMac;
    if (key == "DPI_SPEED") return g_dpiSpeed;
    if (key == "WHEEL_SPEED") return g_wheelSpeed;
    if (key == "USB_SPEED") return g_usbSpeed;
    if (key == "FIRE_TIME") return g_fireTime;
    if (key == "WHEEL_STATUS") return g_wheelStatus;
    ADD_FAILURE() << "no table for " << key;
    return -1;
  }
};

TEST_P(NumberTest, LoadsAsTheTableHoldsIt) {
  const NumberCase& c = GetParam();
  std::string key = c.key;
  bool perButton = key.find("MAC") != std::string::npos && key != "SOFT_HARD_MAC";
  perButton = perButton || key.rfind("LED_REACT", 0) == 0 || key == "WHEEL_STATUS";
  WriteFile(ConfigPath(), std::string(perButton ? "[Config1]\n" : "[ShareData]\n") + key + "=" + c.stored + "\n");
  g_ledUserColerEn = 0;
  g_wheelStatus = 5;
  ASSERT_TRUE(LoadProfile(g_configDir, 1, false));
  EXPECT_EQ(Loaded(key), c.expected) << key << "=" << c.stored;
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberTest,
    ::testing::Values(NumberCase{"MAC_COR2", "9", 6}, NumberCase{"MAC_COR2", "-2", 0}, NumberCase{"MAC_COR2", "6", 6},
                      NumberCase{"MAC_COR2", "garbage", 0}, NumberCase{"LEFT_MAC12", "3", 3},
                      NumberCase{"LEFT_MAC12", "12345", 1234},  // 5-character buffer
                      NumberCase{"LED_REACT_TYPE2", "2", 2}, NumberCase{"LED_REACT_EN2", "0", 1},
                      NumberCase{"DPI_LEVEL", "4", 4}, NumberCase{"DPI_LEVEL", "-1", 0},
                      NumberCase{"DPI_SET4", "300", 44},         // low 8 bits
                      NumberCase{"DPI_SET4", "12345678999", 21},  // 123456789 & 0xFF
                      NumberCase{"DPI_SET_EN4", "7", 1}, NumberCase{"DPI_SET_EN4", "0", 0},
                      NumberCase{"DPI_SET_EN4", "x", 0}, NumberCase{"DPI4_G", "15", 15},
                      NumberCase{"LED_TYPE", "-1", 255}, NumberCase{"LED_TYPE_SW_EN9", "1", 1},
                      NumberCase{"LED_CYCTIME", "260", 4}, NumberCase{"LED_CYC_TIME", "9", 0},
                      NumberCase{"LED_USER_COLER_EN", "0", 1}, NumberCase{"LED_FEATURE_SCOLOR", "5", 0},
                      NumberCase{"LED_BRIGHT", "+3", 3}, NumberCase{"SOFT_HARD_MAC", "1", 1},
                      NumberCase{"DPI_SPEED", "11", 11}, NumberCase{"WHEEL_SPEED", "7", 7},
                      NumberCase{"USB_SPEED", "3", 0}, NumberCase{"FIRE_TIME", "", 0},
                      NumberCase{"FIRE_TIME", "120", 120}, NumberCase{"WHEEL_STATUS", "3", 0}));

TEST_F(SettingsTest, ColoursComeFromTheLevels) {
  WriteFile(ConfigPath(),
            "[ShareData]\nDPI2_R=15\nDPI2_G=0\nDPI2_B=8\nLED_USER6_R=1\nLED_USER6_G=16\nLED_USER6_B=-1\n"
            "USB_SPEED=3\nCYC_7COL_EN=5\n");
  ASSERT_TRUE(LoadProfile(g_configDir, 0, false));
  EXPECT_EQ(g_dpiColorRef[2], 15u | 255u << 8 | 127u << 16);
  EXPECT_EQ(g_dpiColorRef[0], 0xFFFFFFu) << "level 0 is full brightness";
  // Out-of-range levels keep the low 8 bits of 255 - 16 * level.
  EXPECT_EQ(g_userLedColorRef[6], 239u | 255u << 8 | 15u << 16);
  EXPECT_EQ((std::array<int, 3>{1, 16, -1}), g_userLedColorLevel[6]);
  EXPECT_EQ(g_usbSpeed, 0);
  EXPECT_EQ(g_usbRateCode, 7);
  EXPECT_EQ(g_cyc7ColEn, 5);
  EXPECT_EQ((std::array<int, 7>{1, 0, 1, 0, 0, 0, 0}), g_cycColorEnable);
  EXPECT_EQ(LevelFromChannel(ChannelFromLevel(9)), 9);
  EXPECT_EQ(LevelFromChannel(0), 15);
}

TEST_F(SettingsTest, MissingFileWarnsWithTipFiveAndKeepsTheTables) {
  g_keyFunc[2][0] = 41;
  g_dpiLevel = 3;
  g_fireTime = 77;
  EXPECT_FALSE(LoadProfile(g_configDir, 2, false));
  EXPECT_FALSE(LoadProfile(g_configDir, 2, true));
  EXPECT_EQ(events, (std::vector<std::string>{"tip 5", "tip 5"}));
  EXPECT_EQ(g_warningText, "tip text 5 (" + g_configDir + "configReset.ini)");
  EXPECT_EQ(g_keyFunc[2][0], 41);
  EXPECT_EQ(g_dpiLevel, 3);
  EXPECT_EQ(g_fireTime, 77);
}

TEST_F(SettingsTest, ProfileOutsideZeroToThreeIsRefused) {
  WriteFile(ConfigPath(), "[Config4]\nK0=9\n[ShareData]\nDPI_LEVEL=2\n");
  EXPECT_FALSE(LoadProfile(g_configDir, 4, false));
  EXPECT_FALSE(LoadProfile(g_configDir, -1, false));
  EXPECT_EQ(g_dpiLevel, 0);
  EXPECT_TRUE(events.empty());
}

TEST_F(SettingsTest, ResetFileIsReadOnlyWhenAskedFor) {
  WriteFile(ConfigPath(), "[Config0]\nK0=1\n[ShareData]\nFIRE_TIME=10\n");
  WriteFile(ResetPath(), "[Config0]\nK0=2\n[ShareData]\nFIRE_TIME=20\n");
  ASSERT_TRUE(LoadProfile(g_configDir, 0, true));
  EXPECT_EQ(g_keyFunc[0][0], 2);
  EXPECT_EQ(g_fireTime, 20);
  ASSERT_TRUE(LoadProfile(g_configDir, 0, false));
  EXPECT_EQ(g_keyFunc[0][0], 1);
  EXPECT_EQ(g_fireTime, 10);
}

TEST_F(SettingsTest, StartUpOrderLeavesSharedValuesAndColourIndicesOfTheLastProfile) {
  std::string file;
  for (int n = 0; n < 4; ++n)
    file += "[Config" + std::to_string(n) + "]\nK0=" + std::to_string(10 + n) + "\nMAC_COR0=" + std::to_string(n) +
            "\nLEFT_MAC" + std::to_string(n) + "0=" + std::to_string(n + 1) + "\n";
  WriteFile(ConfigPath(), file + "[ShareData]\nDPI_LEVEL=5\n");
  for (int n = 0; n < 4; ++n) ASSERT_TRUE(LoadProfile(g_configDir, n, false));
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(g_keyFunc[n][0], 10 + n);
    EXPECT_EQ(g_leftMac[n][0], n + 1) << "LEFT_MAC carries the profile number in its name";
  }
  EXPECT_EQ(g_macCor[0], 3);
  EXPECT_EQ(g_dpiLevel, 5);
}

// A profile load makes the key-combination macros anew: nothing of an earlier record
// may survive, including for a button whose stored text disappeared.
TEST_F(SettingsTest, LoadingClearsStaleKeyCombinationMacros) {
  for (auto& profile : g_profileMacros)
    for (MacroRecord& record : profile) record.eventCount = 3, record.code[0] = 0x04;
  WriteFile(ConfigPath(), "[Config2]\nK4=33\nK5=17\n");
  ASSERT_TRUE(LoadProfile(g_configDir, 2, false));
  for (int p = 0; p < 4; ++p)
    for (int b : {4, 5, 13}) {
      EXPECT_EQ(g_profileMacros[p][b].eventCount, 0) << p << "/" << b;
      EXPECT_EQ(g_profileMacros[p][b].code[0], 0);
    }
}

TEST_F(SettingsTest, LoadedKeyCombinationGetsItsMacroAndLosesItWithItsText) {
  const std::string combo = "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&A&split&65";
  WriteFile(ConfigPath(), "[Config1]\nK2=33," + combo + "\nK3=17," + combo + "\n");
  ASSERT_TRUE(LoadProfile(g_configDir, 1, false));
  EXPECT_EQ(g_profileMacros[1][2].eventCount, 2);
  EXPECT_EQ(g_profileMacros[1][2].mode, 2);
  EXPECT_EQ(g_profileMacros[1][3].eventCount, 0) << "only code 33 plays a key combination";
  WriteFile(ConfigPath(), "[Config1]\nK2=33\n");
  ASSERT_TRUE(LoadProfile(g_configDir, 1, false));
  EXPECT_EQ(m_shortcutTexts[1][2], "");
  EXPECT_EQ(g_profileMacros[1][2].eventCount, 0);
  EXPECT_EQ(g_profileMacros[1][2].code[0], 0);
}

struct KeyCountCase {
  const char* stored;
  int count;
};

class KeyCountTest : public SettingsTest, public ::testing::WithParamInterface<KeyCountCase> {};

// A count outside 0..12 is a key map out of range: the factory map is read instead.
TEST_P(KeyCountTest, ReadsThatManyMapsOrTheFactoryMap) {
  std::string file = "[KEYNUM]\nKeyNum=" + std::string(GetParam().stored) + "\n[KEYMAP]\n";
  for (int i = 1; i <= 14; ++i) {
    file += 'K';
    file += std::to_string(i) + "_MAP=" + std::to_string(15 - i) + "\n";
  }
  WriteFile(ConfigPath(), file);
  WriteFile(ResetPath(), "[KEYNUM]\nKeyNum=2\n[KEYMAP]\nK1_MAP=9\nK2_MAP=4\n");
  g_keyMap.fill(7);
  LoadDeviceDescription();
  const int count = GetParam().count;
  if (count < 0) {
    EXPECT_EQ(g_keyCount, 2);
    EXPECT_EQ(g_keyMap, (std::array<std::uint8_t, kButtonCount>{9, 4}));
    return;
  }
  EXPECT_EQ(g_keyCount, count);
  for (int i = 0; i < kButtonCount; ++i) EXPECT_EQ(g_keyMap[i], i < count ? 14 - i : 0) << i;
}

INSTANTIATE_TEST_SUITE_P(Values, KeyCountTest,
                         ::testing::Values(KeyCountCase{"0", 0}, KeyCountCase{"3", 3}, KeyCountCase{"12", 12},
                                           KeyCountCase{"13", -1}, KeyCountCase{"500", -1}, KeyCountCase{"-4", -1},
                                           KeyCountCase{"nine", 0}));

TEST_F(SettingsTest, DeviceDescriptionTextsAreCutToTheirBuffers) {
  std::string longCn;
  for (int i = 0; i < 60; ++i) longCn += "鼠";
  WriteFile(ConfigPath(), "[PRODUCTNAME]\nPRODUCTNAME_CN=" + longCn + "\nPRODUCTNAME_EN=Gaming Mouse\nDevString=" +
                              std::string(80, 'd') + "\n[KEYMAP]\nK1_MAP=000000000000012\n[KEYNUM]\nKeyNum=1\n");
  LoadDeviceDescription();
  std::string expectedCn;
  for (int i = 0; i < 49; ++i) expectedCn += "鼠";
  EXPECT_EQ(g_titleCn, expectedCn);
  EXPECT_EQ(g_titleEn, "Gaming Mouse");
  EXPECT_EQ(g_devString, std::string(63, 'd'));
  EXPECT_EQ(g_keyMap[0], 1) << "14 characters of the value are read";
}

TEST_F(SettingsTest, MissingDescriptionGivesEmptyTextsAndNoButtons) {
  g_keyCount = 5;
  LoadDeviceDescription();
  EXPECT_EQ(g_keyCount, 0);
  EXPECT_EQ(g_titleCn, "");
  EXPECT_EQ(g_devString, "");
}

TEST_F(SettingsTest, CurrentProfileOutsideTheTablesReadsAsZero) {
  const std::pair<const char*, int> cases[] = {{"2", 2}, {"3x", 3}, {"7", 0}, {"-1", 0}, {"abc", 0}, {"", 0},
                                               {"00003", 0} /* 5-character buffer keeps "0000" */};
  for (auto [stored, expected] : cases) {
    WriteFile(ConfigPath(), std::string("[Init]\nCurConfig=") + stored + "\n");
    EXPECT_EQ(ReadCurrentProfile(ConfigPath()), expected) << stored;
  }
  EXPECT_EQ(ReadCurrentProfile(g_configDir + "none.ini"), 0);
}

}  // namespace
