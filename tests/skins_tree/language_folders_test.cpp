// Every language folder of the built tree: complete, well-formed, loadable by the
// program's own loaders without a warning, and laid out like the English folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "keys/key_codes.h"
#include "keys/language.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "platform/text_codec.h"
#include "popups/function_names.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "skin/language_texts.h"
#include "skin/popup_skin.h"
#include "skin/skin_layout.h"
#include "skin/warning_dlg.h"
#include "tree_util.h"

namespace fs = std::filesystem;

namespace {

struct LayoutFile {
  const char* name;
  int entries;  // keys 0 .. entries - 1 of BUTTONPOS
};
const LayoutFile kLayouts[] = {{"skin_main.ini", 75},   {"skin_color.ini", 103}, {"skin_advance.ini", 138},
                               {"skin_mac.ini", 20},    {"LBWarning.ini", 5},    {"mac_color.ini", 11},
                               {"skin_keyset.ini", 4},  {"skin_gun.ini", 14},    {"skin_shortcut.ini", 14},
                               {"skin_sound.ini", 50}};

std::size_t Chars(const std::string& utf8) { return Utf8ToUtf16(utf8).size(); }

std::string RecordName(const MacroRecord& r) {
  std::u16string name;
  for (std::size_t i = 0; i + 1 < r.name.size(); i += 2) {
    char16_t c = static_cast<char16_t>(r.name[i] | (r.name[i + 1] << 8));
    if (c == 0) break;
    name.push_back(c);
  }
  return Utf16ToUtf8(name);
}

// The loaded skin tables of one language.
struct Tables {
  SkinRectTable<kMainEntries> main;
  SkinRectTable<kLedEntries> led;
  SkinRectTable<kAdvancedEntries> advanced;
  SkinRectTable<kMacroEntries> macro;
  SkinRectTable<kWarningEntries> warning;
  std::array<ControlRect, 6> controls;
};

Tables LoadTables(int language, tree::WarningRecorder& warnings) {
  g_language = language;
  SetProgramPaths(tree::ProgramDir());
  LoadLanguageTexts();
  CopyLanguageTexts();
  LoadAllSkinLayouts();
  EXPECT_TRUE(warnings.Warnings().empty() && !SkinCloseRequested()) << warnings.Describe();
  return {g_mainRects, g_ledRects, g_advancedRects, g_macroRects, g_warningRects, g_macroControlRects};
}

class LanguageFolder : public ::testing::TestWithParam<int> {
 protected:
  int lang() const { return GetParam(); }
  std::string Dir() const { return tree::Skins() + "/" + tree::Folder(lang()); }
  void TearDown() override {
    g_language = 1;
    SetProgramPaths(tree::ProgramDir());
  }
};

TEST_P(LanguageFolder, HoldsEveryFileTheProgramReads) {
  std::vector<std::string> files = {"LanguageText.ini", "zhi.png",         "ver_normal.jpg", "ver_over.jpg",
                                    "PUBG.dat",         "macro/macroGrp.ini", "macroReset/macroGrp.ini"};
  for (const LayoutFile& l : kLayouts) files.push_back(l.name);
  for (const std::string& f : files) EXPECT_TRUE(fs::is_regular_file(Dir() + "/" + f)) << Dir() << "/" << f;
}

TEST_P(LanguageFolder, LayoutLinesHaveSixFieldsAndEveryEntry) {
  for (const LayoutFile& l : kLayouts) {
    std::string path = Dir() + "/" + l.name;
    std::string text = tree::ReadText(path);
    EXPECT_TRUE(tree::IsValidUtf8(text)) << path;
    for (const char* section : {"BUTTONPOS", "EDIT", "MACRODISPLAY"}) {
      for (const auto& [key, value] : tree::RawSection(path, section)) {
        // Six fields: the caption holds no comma, and the popups' reader (at most six
        // commas) accepts the line.
        EXPECT_EQ(std::count(value.begin(), value.end(), ','), 5) << path << " [" << section << "] " << key;
        EXPECT_LE(Chars(value), 259u) << path << " " << key;
      }
    }
    std::set<std::string> keys;
    for (const auto& kv : tree::RawSection(path, "BUTTONPOS")) keys.insert(kv.first);
    for (int i = 0; i < l.entries; ++i) EXPECT_TRUE(keys.count(std::to_string(i))) << path << " lacks entry " << i;
  }
}

TEST_P(LanguageFolder, TextsAreCompleteAndReadWhole) {
  const std::string path = Dir() + "/LanguageText.ini";
  ASSERT_TRUE(tree::IsValidUtf8(tree::ReadText(path)));
  for (const char* section : {"TipText", "UniqueName_MouseKey", "UniqueName_DevMac", "UniqueName_LED",
                              "UniqueName_Other", "UniqueName_ShortCut"})
    for (const auto& [key, value] : tree::RawSection(path, section)) {
      // A comma would cut the text at load time.
      EXPECT_EQ(value.find(','), std::string::npos) << path << " [" << section << "] " << key;
      EXPECT_LE(Chars(value), 259u) << key;
    }
  // No font file: the program uses its embedded fonts.
  EXPECT_EQ(ini::ReadString(path, "UniqueName_MouseKey", "fontFlag", 260), "");

  tree::WarningRecorder warnings;
  LoadTables(lang(), warnings);
  struct Used {
    const LanguageTextTable& table;
    const char* name;
    std::vector<int> entries;
  };
  std::vector<int> other = {0, 6, 7, 8, 9, 11, 12, 13, 14, 17, 46};
  for (int i = 20; i <= 44; ++i) other.push_back(i);
  std::vector<int> devMac = {1, 2, 3, 4, 5, 6, 7, 32, 34, 35, 36, 37, 39, 40};
  for (int i = 10; i <= 28; ++i) devMac.push_back(i);
  std::vector<int> led;
  for (int i = 1; i <= 15; ++i) led.push_back(i);
  const Used used[] = {{g_textTip, "TipText", {1, 2, 3, 5, 6, 7, 8, 20, 21, 23, 24, 29, 30, 31}},
                       {g_textDevMac, "UniqueName_DevMac", devMac},
                       {g_textLed, "UniqueName_LED", led},
                       {g_textOther, "UniqueName_Other", other},
                       {g_textShortcut, "UniqueName_ShortCut", {1, 2}}};
  for (const Used& u : used)
    for (int n : u.entries) EXPECT_FALSE(u.table[static_cast<std::size_t>(n)].empty()) << u.name << " " << n;

  // A lighting step is recognised as kind 7 by its name, so that name is unique.
  for (int n = 1; n <= 15; ++n)
    if (n != 8) {
      EXPECT_NE(g_textLed[static_cast<std::size_t>(n)], g_textLed[8]) << "LED text " << n;
    }
  // The delay suffix is stripped before the number is read.
  ASSERT_FALSE(g_textOther[12].empty());
  EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(g_textOther[12][0])));
  // The default group name becomes a file name.
  EXPECT_TRUE(IsUsableGroupName(g_textDevMac[36])) << g_textDevMac[36];
  // The language button names this folder's language like the list of languages does.
  EXPECT_EQ(g_mainCaptions[4], g_textOther[static_cast<std::size_t>(20 + lang())]);
}

TEST_P(LanguageFolder, LayoutsMatchTheEnglishFolder) {
  // The images are shared by all languages, so every folder must place the controls
  // where the English folder does.
  tree::WarningRecorder warnings;
  Tables mine = LoadTables(lang(), warnings);
  Tables english = LoadTables(1, warnings);
  EXPECT_EQ(mine.main, english.main);
  EXPECT_EQ(mine.led, english.led);
  EXPECT_EQ(mine.advanced, english.advanced);
  EXPECT_EQ(mine.macro, english.macro);
  EXPECT_EQ(mine.warning, english.warning);
  EXPECT_EQ(mine.controls, english.controls);
  // The popups read their layouts with their own reader and messages.
  std::vector<std::string> messages;
  SetPlainMessageHandler([&](QWidget*, const std::string& text) { messages.push_back(text); });
  struct Popup {
    const char* file;
    int entries;
    int edits;
  };
  for (Popup popup : {Popup{"skin_keyset.ini", 4, 0}, Popup{"skin_gun.ini", 14, 3}, Popup{"skin_shortcut.ini", 14, 0},
                      Popup{"skin_sound.ini", 50, 0}}) {
    auto read = [&](int language) {
      g_language = language;
      std::vector<SkinRect> rects(static_cast<std::size_t>(popup.entries + popup.edits));
      std::vector<std::string> captions(static_cast<std::size_t>(popup.entries));
      EXPECT_TRUE(ReadPopupLayout(PopupLayoutPath(popup.file), std::span(rects).first(captions.size()), captions,
                                  nullptr));
      for (int k = 0; k < popup.edits; ++k) {
        SkinFields f;
        EXPECT_TRUE(ReadPopupList(PopupLayoutPath(popup.file), "EDIT", k, f, nullptr));
        rects[static_cast<std::size_t>(popup.entries + k)] = EntryFromFields(f).rect;
      }
      return rects;
    };
    EXPECT_EQ(read(lang()), read(1)) << popup.file;
  }
  SetPlainMessageHandler(nullptr);
  EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_P(LanguageFolder, FunctionNamesFillTheMenus) {
  tree::WarningRecorder warnings;
  LoadTables(lang(), warnings);
  for (int j : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) EXPECT_FALSE(g_funStrings[j].empty()) << "menu row " << j;
  for (int j = 12; j <= 47; ++j) EXPECT_FALSE(g_funStrings[j].empty()) << "function name " << j;
  // Key "0" and 30000..30004 stay empty: the row-7 sub-list is exactly codes 12 to 17.
  ASSERT_EQ(g_funNameMap.size(), 6u);
  for (int code = 12; code <= 17; ++code) {
    auto it = g_funNameMap.find(std::to_string(code));
    ASSERT_NE(it, g_funNameMap.end()) << code;
    EXPECT_EQ(it->second.second, code - 11);
  }
  EXPECT_LE(Chars(ini::ReadString(Dir() + "/skin_main.ini", "FUN_STRING", "0", 260)), 8u);
  EXPECT_TRUE(g_linkTarget.empty());
}

TEST_P(LanguageFolder, MacroLibraryLoadsAndItsResetCopyIsIdentical) {
  tree::WarningRecorder warnings;
  g_language = lang();
  SetProgramPaths(tree::ProgramDir());
  LoadMacroGroups();
  LoadAllMacroNames();
  ASSERT_GE(g_groupCount.load(), 1);
  ASSERT_LE(g_groupCount.load(), 12);
  for (int g = 0; g < g_groupCount; ++g) {
    const std::string& name = g_groupNames[static_cast<std::size_t>(g)];
    EXPECT_TRUE(IsUsableGroupName(name)) << name;
    ReadMacroGroupFile(g_macroDir + name + ".dat");
    ASSERT_GE(g_groupMacroCount, 1) << name;
    ASSERT_LE(g_groupMacroCount, 12) << name;
    EXPECT_EQ(g_groupMacroCount, g_groupMacroCounts[static_cast<std::size_t>(g)]);
    for (int m = 0; m < g_groupMacroCount; ++m) {
      const MacroRecord& r = g_groupMacros[static_cast<std::size_t>(m)];
      EXPECT_FALSE(RecordName(r).empty());
      EXPECT_EQ(RecordName(r), g_macroNames[static_cast<std::size_t>(g)][static_cast<std::size_t>(m)]);
      EXPECT_GE(r.eventCount, 1);
      EXPECT_GE(r.repeatCount, 1);
      for (int e = 0; e < r.eventCount; ++e) {
        std::uint8_t code = r.code[static_cast<std::size_t>(e)], action = r.action[static_cast<std::size_t>(e)];
        // A key of the file that the language's tables cannot convert would read as 0.
        if (action == 1 || action == 2) {
          EXPECT_NE(code, 0) << name << " macro " << m << " event " << e;
          if (code >= 240) {
            EXPECT_TRUE(code >= 241 && code <= 243) << "mouse button " << int(code);
          }
        }
      }
    }
  }
  EXPECT_TRUE(warnings.Warnings().empty()) << warnings.Describe();

  // macroReset is the factory copy that a reset puts back: the same files, byte for byte.
  std::set<std::string> macroFiles, resetFiles;
  for (const auto& e : fs::directory_iterator(Dir() + "/macro")) macroFiles.insert(e.path().filename().string());
  for (const auto& e : fs::directory_iterator(Dir() + "/macroReset")) resetFiles.insert(e.path().filename().string());
  EXPECT_EQ(macroFiles, resetFiles);
  for (const std::string& f : resetFiles)
    EXPECT_TRUE(tree::ReadText(Dir() + "/macro/" + f) == tree::ReadText(Dir() + "/macroReset/" + f)) << f;
}

TEST_P(LanguageFolder, GunPresetsSuitTheGunDialog) {
  tree::WarningRecorder warnings;
  g_language = lang();
  SetProgramPaths(tree::ProgramDir());
  g_gunMacroCount = 0;
  LoadGunPresets();
  EXPECT_TRUE(warnings.Warnings().empty()) << warnings.Describe();
  ASSERT_GE(g_gunMacroCount, 1);
  ASSERT_LE(g_gunMacroCount, 12);
  for (int i = 0; i < g_gunMacroCount; ++i) {
    const MacroRecord& r = g_gunMacros[static_cast<std::size_t>(i)];
    SCOPED_TRACE("preset " + std::to_string(i));
    EXPECT_FALSE(g_gunNames[static_cast<std::size_t>(i)].empty());
    EXPECT_TRUE((r.mode & 3) == 0 || (r.mode & 3) == 2);
    EXPECT_EQ(r.repeatCount, 1);
    // OK writes the delay into events 0 and 1; the Y step shown is the first non-zero b.
    ASSERT_GE(r.eventCount, 2);
    int moves = 0, firstStep = 0, delays = 0;
    for (int e = 0; e < r.eventCount; ++e) {
      moves += r.code[static_cast<std::size_t>(e)] == MacroEventCode::PointerMove;
      if (!firstStep) firstStep = r.param[static_cast<std::size_t>(e)].b;
      delays += r.delay[static_cast<std::size_t>(e)];
    }
    EXPECT_EQ(r.moveCount, moves);
    EXPECT_GE(moves, 1);
    EXPECT_GE(firstStep, 1);
    EXPECT_LE(firstStep, 99);
    EXPECT_GT(r.delay[0], 0);
    EXPECT_LE(r.delay[0], 9999);  // the delay edit holds four digits
    // Played as it stands: a repeat-while-held macro this long is not unrolled.
    EXPECT_GT(1 + delays, 20);
    EXPECT_LT(40 / (1 + delays), 2);
    EXPECT_EQ(r.yOffsetOn, 1);
    EXPECT_EQ(r.yOffset, firstStep);
    // Its picture, at least as large as the dialog's picture area.
    QImage picture = tree::LoadImage("Gun/" + std::to_string(i + 1) + ".jpg");
    ASSERT_FALSE(picture.isNull());
    std::string rect4 = ini::ReadString(Dir() + "/skin_gun.ini", "BUTTONPOS", "4", 260);
    SkinFields f;
    SplitSkinValue(rect4, f);
    SkinRect area = EntryFromFields(f).rect;
    EXPECT_GE(picture.width(), area.width);
    EXPECT_GE(picture.height(), area.height);
  }
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, LanguageFolder, ::testing::ValuesIn(tree::LanguageIndices()),
                         [](const ::testing::TestParamInfo<int>& info) { return tree::Folder(info.param); });

}  // namespace
