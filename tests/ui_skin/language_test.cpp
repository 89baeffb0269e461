// Language index, text tables and the change of language.
#include <QWidget>

#include <gtest/gtest.h>

#include "keys/language.h"
#include "mainwnd/language_change.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/skin_layout.h"
#include "skin/warning_dlg.h"
#include "skin_fixture.h"

namespace {

using skintest::SkinTreeTest;

class LanguageTexts : public SkinTreeTest {
 protected:
  void TearDown() override {
    SetWarningOwner(nullptr);
    SkinTreeTest::TearDown();
  }
};

TEST_F(LanguageTexts, IndexFromVerSelKeepsTheLowByte) {
  struct Case {
    const char* value;
    int expected;
  };
  // At most four characters are read: "12345" is 1234.
  const Case cases[] = {{"1", 1}, {"26", 26}, {"300", 44}, {"-1", 255}, {"abc", 0}, {" 12x", 12}, {"12345", 210}};
  for (const Case& c : cases) {
    skintest::WriteFile(g_configIniPath, std::string("[Init]\nVER_SEL=") + c.value + "\n");
    ini::ClearCache();
    EXPECT_EQ(ReadLanguageIndex(g_configIniPath), c.expected) << c.value;
  }
  EXPECT_EQ(ReadLanguageIndex(Skins() + "/config/none.ini"), 0);
}

TEST_F(LanguageTexts, TextsKeepFieldZeroByTheCommaRule) {
  WriteLanguageTexts(1, "t");
  std::string text = "[TipText]\n0=no comma\n1=one, comma\n2=three,commas,in,it\n3=four,commas,in,it,too\n"
                     "4=five,a,b,c,d,e\n5=a,b\n";
  WriteLanguageFile(1, "LanguageText.ini", text);
  LoadLanguageTexts();
  EXPECT_EQ(g_textTip[0], "no comma");
  EXPECT_EQ(g_textTip[1], "one");
  EXPECT_EQ(g_textTip[2], "three,commas,in,it");
  EXPECT_EQ(g_textTip[3], "four,commas,in,it,too");
  EXPECT_EQ(g_textTip[4], "five");
  EXPECT_EQ(g_textTip[49], "");
  EXPECT_TRUE(record.messages.empty());
  EXPECT_TRUE(record.warnings.empty());
}

TEST_F(LanguageTexts, AllSixTablesAndTheDerivedTexts) {
  WriteLanguageTexts(1, "t");
  LoadLanguageTexts();
  EXPECT_EQ(g_textTip[7], "t0_7");
  EXPECT_EQ(g_textMouseKey[49], "t1_49");
  EXPECT_EQ(g_textDevMac[0], "t2_0");
  EXPECT_EQ(g_textLed[3], "t3_3");
  EXPECT_EQ(g_textOther[20], "t4_20");
  EXPECT_EQ(g_textShortcut[1], "t5_1");
  CopyLanguageTexts();
  EXPECT_EQ(g_uiTexts14[0], "t3_1");
  EXPECT_EQ(g_uiTexts14[13], "t3_14");
  const std::array<std::string, 9> steps = {"t3_15", "t3_3", "t3_4", "t3_7", "t3_8", "t3_2", "t3_4", "t3_6", "t3_5"};
  EXPECT_EQ(g_ledStepTexts, steps);
}

TEST_F(LanguageTexts, MissingTextFileShowsTheMessageThenOneWarning) {
  LoadLanguageTexts();
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_EQ(record.messages[0], "找不到配置文件");
  // Every read then takes the missing-file path, which warns once and asks to close.
  EXPECT_EQ(record.warnings.size(), 1u);
  EXPECT_EQ(record.closeRequests, 1);
  EXPECT_EQ(g_textTip[0], "");
}

TEST_F(LanguageTexts, ChangeReloadsTextsLayoutsFoldersAndTitle) {
  g_titleCn = "中文标题";
  g_titleEn = "English title";
  skintest::WriteFile(g_configIniPath, "[Init]\nVER_SEL=1\nCurConfig=0\n");
  for (int language : {0, 1}) {
    WriteAllLayouts(language, language * 100, language == 0 ? "cn" : "en");
    WriteLanguageTexts(language, language == 0 ? "c" : "e");
  }
  // Without a main window the title goes to the window the warnings sit on.
  QWidget owner;
  SetWarningOwner(&owner);
  const auto title = [&] { return owner.windowTitle().toStdString(); };

  g_language = 1;
  ApplyLanguage();
  EXPECT_EQ(title(), "English title");
  EXPECT_EQ(g_textTip[1], "e0_1");
  EXPECT_EQ(g_mainCaptions[20], "en20");

  SelectLanguage(0);
  EXPECT_EQ(g_language.load(), 0);
  ini::ClearCache();
  EXPECT_EQ(ini::ReadString(g_configIniPath, "Init", "VER_SEL", 5), "0");
  EXPECT_EQ(ini::ReadString(g_configIniPath, "Init", "CurConfig", 5), "0");
  EXPECT_EQ(title(), "中文标题");
  EXPECT_EQ(g_textTip[1], "c0_1");
  EXPECT_EQ(g_uiTexts14[0], "c3_1");
  EXPECT_EQ(g_mainRects[1], (SkinRect{1, 2, 10, 5}));
  EXPECT_EQ(g_mainCaptions[20], "cn20");
  EXPECT_EQ(g_macroDir, g_skinsDir + "/0_INI_CN/macro/");
  EXPECT_EQ(g_macroResetDir, g_skinsDir + "/0_INI_CN/macroReset/");
  // The layouts of both folders are complete: no missing-file warning, no close.
  EXPECT_EQ(record.closeRequests, 0);
}

TEST_F(LanguageTexts, DefaultTitleGoesToTheRegisteredWindow) {
  g_titleEn = "Window title";
  QWidget window;
  SetWarningOwner(&window);
  skintest::WriteFile(g_configIniPath, "[Init]\nVER_SEL=1\n");
  WriteAllLayouts(1, 0, "en");
  WriteLanguageTexts(1, "e");
  g_language = 1;
  ApplyLanguage();
  EXPECT_EQ(window.windowTitle().toStdString(), "Window title");
  SetWarningOwner(nullptr);
}

}  // namespace
