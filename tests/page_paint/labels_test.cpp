// Which text each control gets and where it is drawn.
#include "mainwnd/main_skins.h"
#include "page_fixture.h"

#include "keys/language.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "popups/function_names.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/settings.h"
#include "skin/language_texts.h"

namespace painttest {
namespace {

class LabelsTest : public PagePaintTest {};

bool Differ(const QImage& a, const QImage& b, const SkinRect& r) {
  for (int y = r.y; y < r.y + r.height; ++y)
    for (int x = r.x; x < r.x + r.width; ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return true;
  return false;
}

TEST_F(LabelsTest, ButtonLabelFollowsItsAssignmentCode) {
  g_funStrings[5] = "Forward";
  g_funStrings[41] = "Off";
  g_funNameMap["30001"] = {"Volume up", 3};
  g_funNameMap.erase("30002");
  SetMacroName(g_profileMacros[1][2], "Ctrl+Shift+A");
  g_gunMacroCount = 2;
  SetMacroName(g_gunMacros[1], "Preset B");
  g_macroNames[1][3] = "Combo";
  g_macroNames[11][11] = "Last";
  struct Case {
    int code;
    std::string label;
  };
  const Case cases[] = {
      {33, "Ctrl+Shift+A"}, {5, "Forward"},     {48, ""},     {49, ""},     {40000, "Off"}, {30001, "Volume up"},
      {30002, ""},          {51, "Preset B"},   {52, ""},     {255, ""},    {2 * 256 + 3, "Combo"},
      {12 * 256 + 11, "Last"}, {13 * 256, ""}, {29999, ""}, {256 + 200, ""}, {-7, ""},
  };
  for (const Case& c : cases) {
    g_keyFunc[1][2] = c.code;
    EXPECT_EQ(AssignmentLabel(1, 2), c.label) << "code " << c.code;
  }
  EXPECT_EQ(AssignmentLabel(4, 0), "");
  EXPECT_EQ(AssignmentLabel(0, 12), "");
}

TEST_F(LabelsTest, LongLabelsAreCutToSixteenCharacters) {
  EXPECT_EQ(CutLabel("abcdefghijklmnop"), "abcdefghijklmnop");
  EXPECT_EQ(CutLabel("abcdefghijklmnopq"), "abcdefghijklmnop...");
  // Characters, not bytes.
  EXPECT_EQ(CutLabel("一二三四五六七八九十一二三四五六"), "一二三四五六七八九十一二三四五六");
  EXPECT_EQ(CutLabel("一二三四五六七八九十一二三四五六七"), "一二三四五六七八九十一二三四五六...");
  // A character outside the basic plane is never split.
  EXPECT_EQ(CutLabel("abcdefghijklmno\U0001F600x"), "abcdefghijklmno...");
  g_funStrings[7] = "A very long function name";
  g_keyFunc[0][0] = 7;
  EXPECT_EQ(AssignmentLabel(0, 0), "A very long func...");
}

TEST_F(LabelsTest, DpiValuesOfSteps) {
  const std::pair<int, std::string> cases[] = {{0, "200"},   {4, "1000"},   {9, "2000"},  {10, "2400"},
                                               {15, "6400"}, {21, "11200"}, {22, "12800"}, {250, "12800"}};
  for (const auto& [step, text] : cases) { EXPECT_EQ(DpiValueText(step), text) << step; }
}

TEST_F(LabelsTest, MainPageDrawsAssignedLabelsOnlyForButtonsWithOne) {
  g_funStrings[1] = "Left click";
  g_keyFunc[0][0] = 1;
  g_keyFunc[0][1] = 48;
  const QImage page = Compose(kPageMain);
  EXPECT_TRUE(HasWhiteText(page, g_mainRects[20]));
  EXPECT_FALSE(HasWhiteText(page, g_mainRects[21]));
}

TEST_F(LabelsTest, ProfileCaptionsSitUnderTheirIcons) {
  g_mainCaptions[10] = "XXXX";
  const SkinRect& r = g_mainRects[10];
  const QImage page = Compose(kPageMain);
  const SkinRect below{r.x, r.y + r.height, r.width, 60};
  EXPECT_TRUE(HasWhiteText(page, below));
  EXPECT_FALSE(HasWhiteText(page, SkinRect{r.x, r.y, r.width, r.height / 2}));
}

TEST_F(LabelsTest, LanguageButtonShowsLanguageNameWhileDropDownIsOn) {
  g_mainCaptions[4] = "Caption";
  g_textOther[21] = "WWWWWWWWWWWW";
  const QImage caption = Compose(kPageMain);
  g_languageDropDown = 1;
  const QImage name = Compose(kPageMain);
  EXPECT_TRUE(Differ(caption, name, g_mainRects[4]));
}

TEST_F(LabelsTest, CurrentDpiLevelValueIsBlueAndOthersWhite) {
  g_dpiLevel = 2;
  g_dpiSetValue = {1, 3, 5, 7, 9, 11};
  const QImage page = Compose(kPageAdvanced);
  auto blue = [](QColor c) { return c.red() < 60 && c.green() > 150 && c.blue() > 220; };
  for (int j = 0; j < 6; ++j) {
    const SkinRect& r = g_advancedRects[70 + j];
    EXPECT_EQ(AnyPixel(page, r, blue), j == 2) << "level " << j;
    EXPECT_EQ(HasWhiteText(page, r), j != 2) << "level " << j;
  }
  EXPECT_EQ(g_advancedCaptions[71], "800");
  EXPECT_EQ(g_advancedCaptions[75], "3200");
}

TEST_F(LabelsTest, AdvancedValuesAreWrittenIntoCaptions) {
  g_dpiSpeed = 7;
  g_wheelSpeed = 3;
  g_fireTime = 120;
  Compose(kPageAdvanced);
  EXPECT_EQ(g_advancedCaptions[2], "7");
  EXPECT_EQ(g_advancedCaptions[19], "3");
  EXPECT_EQ(g_advancedCaptions[32], "120");
}

TEST_F(LabelsTest, RecordButtonIsRedWhileRecording) {
  g_textDevMac[39] = "Record";
  g_textDevMac[40] = "Stop";
  auto red = [](QColor c) { return c.red() > 240 && c.green() < 40 && c.blue() < 40; };
  const SkinRect& r = g_macroRects[4];
  QImage page = Compose(kPageMacro);
  EXPECT_TRUE(HasWhiteText(page, r));
  EXPECT_FALSE(AnyPixel(page, r, red));
  g_recording = 1;
  page = Compose(kPageMacro);
  EXPECT_FALSE(HasWhiteText(page, r));
  EXPECT_TRUE(AnyPixel(page, r, red));
}

TEST_F(LabelsTest, LightingLabelsFollowTheEffect) {
  for (int e : {15, 30, 34, 38, 39, 98}) g_ledCaptions[static_cast<std::size_t>(e)] = "XXXX";
  struct Case {
    int effect;
    std::vector<int> shown;
    std::vector<int> empty;
  };
  const Case cases[] = {
      {3, {15, 30, 34, 38, 39, 98}, {}},
      {0, {39}, {15, 30, 34, 38, 98}},
      {2, {38}, {15, 30, 34, 39, 98}},
      {4, {15, 30, 38, 39}, {34, 98}},
      {10, {31, 39}, {15, 30, 34, 38}},
      {13, {}, {15, 30, 34, 38, 39}},
  };
  g_ledCaptions[31] = "XXXX";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "effect " << c.effect);
    g_ledType = static_cast<std::uint8_t>(c.effect);
    const QImage page = Compose(kPageLed);
    for (int e : c.shown)
      if (g_ledRects[e].width > 0) { EXPECT_TRUE(HasWhiteText(page, g_ledRects[e])) << "entry " << e; }
    for (int e : c.empty)
      if (g_ledRects[e].width > 0) { EXPECT_FALSE(HasWhiteText(page, g_ledRects[e])) << "entry " << e; }
  }
}

TEST_F(LabelsTest, SecondLightingModeShowsOnlyItsCaptions) {
  g_modeLight = 1;
  g_ledCaptions[18] = "XXXX";
  g_ledCaptions[22] = "XXXX";
  g_ledCaptions[26] = "XXXX";
  g_ledCaptions[35] = "XXXX";
  const QImage page = Compose(kPageLed);
  for (int e : {18, 22}) { EXPECT_TRUE(HasWhiteText(page, g_ledRects[e])) << e; }
  for (int e : {26, 35}) { EXPECT_FALSE(HasWhiteText(page, g_ledRects[e])) << e; }
  // In the first mode, 21 to 25 stay empty.
  g_modeLight = 0;
  EXPECT_FALSE(HasWhiteText(Compose(kPageLed), g_ledRects[22]));
}

TEST_F(LabelsTest, ReactionTypeReplacesKeyCaptionWithReactiveEffect) {
  g_textLed[2] = "Press";
  g_textLed[4] = "Hold";
  const SkinRect& r = g_ledRects[61];
  ASSERT_GT(r.width, 0);
  g_ledType = 12;
  g_ledReactType[0][0] = 9;  // no text: the caption
  const QImage caption = Compose(kPageLed);
  g_ledReactType[0][0] = 0;
  const QImage press = Compose(kPageLed);
  g_ledReactType[0][0] = 1;
  const QImage hold = Compose(kPageLed);
  EXPECT_TRUE(Differ(caption, press, r));
  EXPECT_TRUE(Differ(press, hold, r));
  // Other effects keep the caption.
  g_ledType = 13;
  const QImage other = Compose(kPageLed);
  g_ledReactType[0][0] = 9;
  EXPECT_FALSE(Differ(other, Compose(kPageLed), r));
}

TEST_F(LabelsTest, EffectNameComesFromTheEffectTexts) {
  g_uiTexts14[2] = "Breathing";
  g_uiTexts14[3] = "WWWWWWWWW";
  const SkinRect& r = g_ledRects[35];
  g_ledType = 2;
  const QImage breathing = Compose(kPageLed);
  EXPECT_TRUE(HasWhiteText(breathing, r));
  g_ledType = 3;
  EXPECT_TRUE(Differ(breathing, Compose(kPageLed), r));
  g_ledType = 200;
  EXPECT_FALSE(HasWhiteText(Compose(kPageLed), r));
}

}  // namespace
}  // namespace painttest
