// Layout files: the comma rule, the hit test and the six loaders on good, missing and
// malformed files, and on the installation tree when it is built.
#include <gtest/gtest.h>

#include "keys/language.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "popups/function_names.h"
#include "profile/paths.h"
#include "skin/language_texts.h"
#include "skin/skin_layout.h"
#include "skin/warning_dlg.h"
#include "skin_fixture.h"

namespace {

using skintest::SkinTreeTest;

// ---- comma rule ---------------------------------------------------------------------

struct SplitCase {
  const char* value;
  SkinFields expected;  // with every field holding "old" before the split
};

class SplitRule : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitRule, GivesTheFieldsOfTheCommaRule) {
  SkinFields fields;
  fields.fill("old");
  SplitSkinValue(GetParam().value, fields);
  EXPECT_EQ(fields, GetParam().expected) << "value: " << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, SplitRule,
    ::testing::Values(
        SplitCase{"", {"", "", "", "", "", "", ""}},
        SplitCase{"plain text", {"plain text", "", "", "", "", "", ""}},
        // One or two commas: three fields, the others keep what they held.
        SplitCase{"a,b", {"a", "b", "", "old", "old", "old", "old"}},
        SplitCase{"a,b,c", {"a", "b", "c", "old", "old", "old", "old"}},
        SplitCase{",", {"", "", "", "old", "old", "old", "old"}},
        // Three or four commas: the value is kept whole.
        SplitCase{"a,b,c,d", {"a,b,c,d", "", "", "", "", "", ""}},
        SplitCase{"a,b,c,d,e", {"a,b,c,d,e", "", "", "", "", "", ""}},
        // A layout line of six fields; field 6 keeps what it held.
        SplitCase{"name,10,20,30,40,caption", {"name", "10", "20", "30", "40", "caption", "old"}},
        // A seventh field and more: the rest after the sixth comma, commas and all.
        SplitCase{"name,10,20,30,40,caption,rest", {"name", "10", "20", "30", "40", "caption", "rest"}},
        SplitCase{"n,1,2,3,4,c,r1,r2", {"n", "1", "2", "3", "4", "c", "r1,r2"}},
        SplitCase{"n,1,2,3,4,,", {"n", "1", "2", "3", "4", "", ""}},
        SplitCase{"非常,好", {"非常", "好", "", "old", "old", "old", "old"}}));

TEST(SkinEntry, NumbersReadLikeTheIniConvention) {
  SkinFields fields{"n", " 12px", "-7", "abc", "+40", "cap", ""};
  SkinButtonEntry e = EntryFromFields(fields);
  EXPECT_EQ(e.rect, (SkinRect{12, -7, 0, 40}));
  EXPECT_EQ(e.caption, "cap");
}

TEST(SkinEntry, ValuesBeyondTheLayoutBoundsAreBounded) {
  struct Case {
    SkinFields fields;
    SkinRect expected;
  };
  const Case cases[] = {
      {{"n", "2147483647", "-2147483648", "99999999999999999999", "-2147483648", "", ""}, {32767, -32768, 32767, 0}},
      {{"n", "-40000", "40000", "-1", "32768", "", ""}, {-32768, 32767, 0, 32767}},
      {{"n", "-32768", "32767", "0", "32767", "", ""}, {-32768, 32767, 0, 32767}},
  };
  for (const Case& c : cases) EXPECT_EQ(EntryFromFields(c.fields).rect, c.expected) << c.fields[1];
}

// ---- hit test -------------------------------------------------------------------------

TEST(HitTest, EdgesOverlapAndEmptyRectangles) {
  const std::vector<SkinRect> rects = {
      {10, 10, 20, 10},  // 0: x 10..29, y 10..19
      {25, 15, 20, 20},  // 1: overlaps 0
      {0, 0, 0, 50},     // 2: zero width
      {0, 0, 50, -5},    // 3: negative height
  };
  struct Probe {
    int x, y, expected;
  };
  const Probe probes[] = {
      {10, 10, 0},   // left and top edges are inside
      {29, 19, 0},   // last pixel inside
      {30, 12, kNoSkinHit},  // right edge is outside
      {12, 20, kNoSkinHit},  // bottom edge is outside
      {27, 17, 0},   // overlap: the lower index wins
      {31, 17, 1},
      {0, 0, kNoSkinHit},    // only empty rectangles there
      {9, 10, kNoSkinHit},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(HitTestRects(p.x, p.y, rects), p.expected) << p.x << "," << p.y;
  }
  EXPECT_EQ(HitTestRects(QPoint(12, 12), rects.data(), 0), kNoSkinHit);
  EXPECT_EQ(HitTestRects(12, 12, std::span<const SkinRect>()), kNoSkinHit);
}

TEST(HitTest, HugeRectanglesDoNotOverflow) {
  const std::vector<SkinRect> rects = {{2147483000, 0, 2147483000, 10}, {-100, -100, 2147483647, 2147483647}};
  EXPECT_EQ(HitTestRects(2147483600, 5, rects), 0);
  EXPECT_EQ(HitTestRects(0, 0, rects), 1);
  // The rectangle that painting copies ends at the last int instead of wrapping around.
  const QRect copied = rects[0].ToQRect();
  EXPECT_EQ(copied.left(), 2147483000);
  EXPECT_EQ(copied.right(), 2147483646);
  EXPECT_TRUE(copied.contains(QPoint(2147483600, 5)));
  EXPECT_EQ(SkinRect({5, 6, 4, 3}).ToQRect(), QRect(5, 6, 4, 3));
}

// ---- reader and loaders ------------------------------------------------------------------

class SkinLoaders : public SkinTreeTest {};

TEST_F(SkinLoaders, ReaderCutsLongValuesAndReadsMissingKeysEmpty) {
  const std::string longCaption(300, 'x');
  WriteLanguageFile(1, "t.ini", "[BUTTONPOS]\n0=n,1,2,3,4," + longCaption + "\n");
  SkinFields fields;
  ReadIniList(LangDir(1) + "/t.ini", "BUTTONPOS", 0, fields);
  EXPECT_EQ(fields[5].size(), 259u - std::string("n,1,2,3,4,").size());
  SkinFields missing;
  missing.fill("old");
  ReadIniList(LangDir(1) + "/t.ini", "BUTTONPOS", 7, missing);
  EXPECT_EQ(missing[0], "");
  EXPECT_EQ(missing[5], "");
  EXPECT_TRUE(record.warnings.empty());
  EXPECT_EQ(record.closeRequests, 0);
}

TEST_F(SkinLoaders, MainTableFunctionNamesAndLink) {
  WriteAllLayouts(1, 100, "en");
  g_textOther[0] = "first function";
  g_funNameMap["stale"] = {"x", 99};
  LoadMainSkin();

  EXPECT_EQ(g_mainRects[3], (SkinRect{103, 6, 10, 5}));
  EXPECT_EQ(g_mainCaptions[74], "en74");
  EXPECT_EQ(g_linkTarget, "en19");
  EXPECT_EQ(g_mainCaptions[19], "");
  EXPECT_EQ(g_funStrings[0], "first function");
  EXPECT_EQ(g_funStrings[47], "enfun47");

  // All names present: rows 0, 1-6 and 7-11 without gaps; entry 18 never gets one.
  std::map<std::string, std::pair<std::string, int>> expected = {
      {"0", {"enfun0", 0}},     {"12", {"enfun12", 1}},   {"13", {"enfun13", 2}},   {"14", {"enfun14", 3}},
      {"15", {"enfun15", 4}},   {"16", {"enfun16", 5}},   {"17", {"enfun17", 6}},   {"30000", {"ensub0", 7}},
      {"30001", {"ensub1", 8}}, {"30002", {"ensub2", 9}}, {"30003", {"ensub3", 10}}, {"30004", {"ensub4", 11}},
  };
  EXPECT_EQ(g_funNameMap, expected);
}

TEST_F(SkinLoaders, EmptyFunctionNameLeavesNoGapInTheRows) {
  std::string main = ButtonSection(kMainEntries, 0, "c") + "[FUN_STRING]\n0=\n";
  for (int j = 1; j < kFunStringCount; ++j) main += std::to_string(j) + "=" + (j == 14 ? "" : "f" + std::to_string(j)) + "\n";
  for (int k = 0; k < 5; ++k) main += std::to_string(30000 + k) + "=s" + std::to_string(k) + "\n";
  WriteLanguageFile(1, "skin_main.ini", main);
  LoadMainSkin();

  std::map<std::string, int> rows;
  for (const auto& [key, value] : g_funNameMap) rows[key] = value.second;
  std::map<std::string, int> expected = {{"12", 1},    {"13", 2},    {"15", 3},    {"16", 4},    {"17", 5},
                                         {"30000", 6}, {"30001", 7}, {"30002", 8}, {"30003", 9}, {"30004", 10}};
  EXPECT_EQ(rows, expected);
}

TEST_F(SkinLoaders, FunctionNamesAreCutToTheirBuffers) {
  WriteLanguageFile(1, "skin_main.ini",
                    "[FUN_STRING]\n0=0123456789ABC\n30000=0123456789ABCDEFGH\n");
  LoadMainSkin();
  EXPECT_EQ(g_funNameMap["0"].first, "012345678");
  EXPECT_EQ(g_funNameMap["30000"].first, "0123456789ABCD");
}

TEST_F(SkinLoaders, PageTablesControlRectanglesAndSliderStep) {
  WriteAllLayouts(1, 0, "c");
  LoadColorSkin();
  LoadAdvanceSkin();
  LoadMacSkin();
  LoadWarningSkin();
  LoadMacColorSkin();
  EXPECT_EQ(g_ledRects[102], (SkinRect{102, 204, 10, 5}));
  EXPECT_EQ(g_advancedCaptions[137], "c137");
  EXPECT_EQ(g_macroRects[19], (SkinRect{19, 38, 10, 5}));
  EXPECT_EQ(g_warningCaptions[4], "c4");
  EXPECT_EQ(g_macColorRects[10], (SkinRect{10, 20, 10, 5}));
  EXPECT_FLOAT_EQ(g_sliderStep, 303.0f / 17.0f);

  // EDIT 2, 1, 0 then MACRODISPLAY 1, 2, 3, each as edges.
  const std::array<ControlRect, 6> expected = {ControlRect{21, 22, 44, 46}, ControlRect{11, 12, 24, 26},
                                               ControlRect{1, 2, 4, 6},     ControlRect{31, 32, 64, 66},
                                               ControlRect{41, 42, 84, 86}, ControlRect{51, 52, 104, 106}};
  EXPECT_EQ(g_macroControlRects, expected);
  EXPECT_TRUE(record.warnings.empty());
}

TEST_F(SkinLoaders, ControlRectangleEdgesStayInTheIntRange) {
  WriteLanguageFile(1, "skin_mac.ini", "[EDIT]\n0=e,2147483000,-2147483000,1000,-1000,\n1=e,5,6,7,8,\n");
  LoadMacSkin();
  const ControlRect huge = g_macroControlRects[2];  // EDIT 0, read within the layout bounds
  EXPECT_EQ(huge, (ControlRect{32767, -32768, 33767, -32768}));
  EXPECT_EQ(g_macroControlRects[1].ToQRect(), QRect(5, 6, 7, 8));
}

TEST_F(SkinLoaders, MalformedLinesGiveWhatTheCommaRuleGives) {
  WriteAllLayouts(1, 0, "c");
  WriteLanguageFile(1, "mac_color.ini",
                    "[BUTTONPOS]\n0=n,1,2,3,4,cap\n1=name,10,20\n2=a,b,c,d\n3=n,x,y,w,h,cap,extra\n");
  LoadMacColorSkin();
  EXPECT_EQ(g_macColorRects[0], (SkinRect{1, 2, 3, 4}));
  // A short line does not take over the values of the line before it.
  EXPECT_EQ(g_macColorRects[1], (SkinRect{10, 20, 0, 0}));
  EXPECT_EQ(g_macColorCaptions[1], "");
  EXPECT_EQ(g_macColorRects[2], (SkinRect{}));
  EXPECT_EQ(g_macColorRects[3], (SkinRect{}));
  EXPECT_EQ(g_macColorCaptions[3], "cap");
  // Keys the file lacks: a rectangle that never hits and an empty caption.
  EXPECT_EQ(g_macColorRects[10], (SkinRect{}));
  EXPECT_EQ(HitTestRects(0, 0, g_macColorRects), kNoSkinHit);
}

TEST_F(SkinLoaders, MissingLayoutFileWarnsOnceAndAsksToClose) {
  WriteAllLayouts(1, 0, "c");
  g_textTip[5] = "file missing";
  LoadMacColorSkin();
  ASSERT_TRUE(ini::FileExists(LangDir(1) + "/mac_color.ini"));
  std::remove((LangDir(1) + "/skin_color.ini").c_str());
  std::remove((LangDir(1) + "/skin_advance.ini").c_str());
  ini::ClearCache();

  LoadAllSkinLayouts();
  ASSERT_EQ(record.warnings.size(), 1u);
  EXPECT_EQ(record.warnings[0].tipEntry, 5);
  EXPECT_EQ(record.warnings[0].text, "file missing (" + LangDir(1) + "/skin_color.ini)");
  EXPECT_EQ(g_warningSlot, 2);
  EXPECT_EQ(record.closeRequests, 1);
  EXPECT_TRUE(SkinCloseRequested());
  // The tables of the missing files are empty, the others loaded.
  EXPECT_EQ(g_ledRects[5], (SkinRect{}));
  EXPECT_EQ(g_ledCaptions[5], "");
  EXPECT_EQ(g_advancedRects[1], (SkinRect{}));
  EXPECT_EQ(g_macColorCaptions[3], "c3");
}

// A layout or text file that is there but that no installation file could be (NUL
// bytes in its text, larger than 1 MiB) is named on standard error, once however often
// it is read, and in no box: it is the installation's, not the user's. A UTF-16 file,
// whose bytes hold NULs but whose text does not, is sound.
TEST_F(SkinLoaders, UnusableLayoutAndTextFilesAreNamedOnStandardErrorOnce) {
  WriteAllLayouts(1, 0, "c");
  const std::string texts = LangDir(1) + "/LanguageText.ini";
  const std::string main = LangDir(1) + "/skin_main.ini";
  WriteLanguageFile(1, "LanguageText.ini", std::string("[TipText]\n0=tip\0junk\n5=missing\n", 31));
  WriteLanguageFile(1, "skin_main.ini", ButtonSection(3, 0, "c") + ";" + std::string(std::size_t{1} << 20, '-') + "\n");
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[BUTTONPOS]\n0=wide,1,2,3,4,caption\n")) utf16 += std::string{c, '\0'};
  WriteLanguageFile(1, "wide.ini", utf16);
  ini::ClearCache();

  ::testing::internal::CaptureStderr();
  for (int pass = 0; pass < 2; ++pass) {
    LoadLanguageTexts();
    LoadAllSkinLayouts();
  }
  SkinFields fields;
  ReadIniList(LangDir(1) + "/wide.ini", "BUTTONPOS", 0, fields);
  const std::string said = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(said, "ovk-dovaru: " + texts + " is damaged (it holds NUL bytes)\n" + "ovk-dovaru: " + main +
                      " is too large\n");
  EXPECT_EQ(fields[5], "caption");
  EXPECT_TRUE(record.warnings.empty());
  EXPECT_TRUE(record.messages.empty());
  EXPECT_EQ(record.closeRequests, 0);
}

TEST_F(SkinLoaders, MissingFileBeforeAnyTextsStillSaysWhatIsWrong) {
  LoadWarningSkin();
  ASSERT_EQ(record.warnings.size(), 1u);
  EXPECT_EQ(record.warnings[0].text, "找不到配置文件 (" + LangDir(1) + "/LBWarning.ini)");
  EXPECT_EQ(record.closeRequests, 1);
}

TEST_F(SkinLoaders, LanguageChangeTakesTheNewFolderAndEmptiesWhatItLacks) {
  WriteAllLayouts(1, 100, "en");
  WriteAllLayouts(0, 200, "cn");
  // The Chinese folder's warning layout has only two entries.
  WriteLanguageFile(0, "LBWarning.ini", "[BUTTONPOS]\n0=a,1,1,1,1,zero\n1=b,2,2,2,2,one\n");
  LoadAllSkinLayouts();
  EXPECT_EQ(g_warningCaptions[3], "en3");
  g_language = 0;
  LoadAllSkinLayouts();
  EXPECT_EQ(g_mainRects[1], (SkinRect{201, 2, 10, 5}));
  EXPECT_EQ(g_linkTarget, "cn19");
  EXPECT_EQ(g_warningCaptions[1], "one");
  EXPECT_EQ(g_warningCaptions[3], "");
  EXPECT_EQ(g_warningRects[3], (SkinRect{}));
  EXPECT_TRUE(record.warnings.empty());
}

TEST_F(SkinLoaders, IndexWithoutFolderFallsBackToTheSkinsRoot) {
  skintest::WriteFile(Skins() + "/LBWarning.ini", "[BUTTONPOS]\n0=a,7,8,9,10,root\n");
  ini::ClearCache();
  g_language = 25;
  LoadWarningSkin();
  EXPECT_EQ(g_warningCaptions[0], "root");
  EXPECT_TRUE(record.warnings.empty());
}

// ---- the installation tree --------------------------------------------------------------

TEST_F(SkinLoaders, InstallationTreeLoadsInEveryLanguageFolder) {
  const std::string program = skintest::RealProgramDir();
  if (program.empty()) GTEST_SKIP() << "the skins tree is not built beside the program";
  SetProgramPaths(program);
  int folders = 0;
  for (int language = 0; language <= 26; ++language) {
    if (LanguageFolderName(language).empty() || !ini::FileExists(LangDir(language) + "/skin_main.ini")) continue;
    ++folders;
    g_language = language;
    LoadLanguageTexts();
    EXPECT_TRUE(record.messages.empty()) << LanguageFolderName(language);
    EXPECT_FALSE(g_textTip[5].empty()) << LanguageFolderName(language);
    LoadAllSkinLayouts();
    EXPECT_TRUE(record.warnings.empty()) << LanguageFolderName(language) << ": " << record.warnings.front().text;
    // Frame buttons and the warning box's buttons and text area have real rectangles.
    for (int i : {0, 1, 6, 7, 8, 9}) EXPECT_GT(g_mainRects[i].width, 0) << "frame entry " << i;
    for (int i : {0, 1, 2}) EXPECT_GT(g_warningRects[i].width, 0) << "warning entry " << i;
    EXPECT_GT(g_macroControlRects[0].right, g_macroControlRects[0].left);
  }
  EXPECT_GT(folders, 0);
}

}  // namespace
