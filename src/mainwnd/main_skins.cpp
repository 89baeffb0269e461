#include "mainwnd/main_skins.h"

#include "keys/language.h"
#include "platform/ini_file.h"
#include "popups/function_names.h"
#include "skin/language_texts.h"
#include "skin/warning_layout.h"

SkinRectTable<kMainEntries> g_mainRects;
SkinCaptionTable<kMainEntries> g_mainCaptions;
SkinRectTable<kLedEntries> g_ledRects;
SkinCaptionTable<kLedEntries> g_ledCaptions;
SkinRectTable<kAdvancedEntries> g_advancedRects;
SkinCaptionTable<kAdvancedEntries> g_advancedCaptions;
SkinRectTable<kMacroEntries> g_macroRects;
SkinCaptionTable<kMacroEntries> g_macroCaptions;
SkinRectTable<kMacColorEntries> g_macColorRects;
SkinCaptionTable<kMacColorEntries> g_macColorCaptions;

std::string g_linkTarget;
std::array<ControlRect, 6> g_macroControlRects;
float g_sliderStep = 0.0f;

void LoadMainSkin() {
  const std::string file = LanguageFilePath("skin_main.ini");
  g_funNameMap.clear();

  for (int i = 0; i < kMainEntries; ++i) {
    SkinFields fields;
    ReadIniList(file, "BUTTONPOS", i, fields);
    SkinButtonEntry entry = EntryFromFields(fields);
    g_mainRects[i] = entry.rect;
    if (i == 19) {
      g_linkTarget = std::move(entry.caption);
      g_mainCaptions[i].clear();
    } else {
      g_mainCaptions[i] = std::move(entry.caption);
    }
  }

  // Key "0" on its own names row 0 of the function sub-list.
  const std::string firstName = ini::ReadString(file, "FUN_STRING", "0", 10);

  int skipped = 0;
  for (int j = 0; j < kFunStringCount; ++j) {
    SkinFields fields;
    ReadIniList(file, "FUN_STRING", j, fields);
    g_funStrings[j] = fields[0];
    if (j >= 12 && j <= 18) {
      // Entry 18 (macro) never gets a row: macro buttons are labelled by macro names.
      if (g_funStrings[j].empty() || j == 18) {
        ++skipped;
      } else {
        g_funNameMap[std::to_string(j)] = {g_funStrings[j], j - 11 - skipped};
      }
    }
  }
  if (!firstName.empty()) g_funNameMap["0"] = {firstName, 0};
  g_funStrings[0] = g_textOther[0];

  for (int k = 0; k < 5; ++k) {
    const std::string key = std::to_string(30000 + k);
    std::string name = ini::ReadString(file, "FUN_STRING", key, 15);
    if (name.empty()) {
      ++skipped;
    } else {
      g_funNameMap[key] = {std::move(name), k + 8 - skipped};
    }
  }
}

void LoadColorSkin() { LoadButtonTable(LanguageFilePath("skin_color.ini"), g_ledRects, g_ledCaptions); }

void LoadAdvanceSkin() {
  LoadButtonTable(LanguageFilePath("skin_advance.ini"), g_advancedRects, g_advancedCaptions);
  g_sliderStep = 303.0f / 17.0f;
}

void LoadMacSkin() {
  const std::string file = LanguageFilePath("skin_mac.ini");
  LoadButtonTable(file, g_macroRects, g_macroCaptions);
  g_macroControlRects[0] = ReadControlRect(file, "EDIT", 2);
  g_macroControlRects[1] = ReadControlRect(file, "EDIT", 1);
  g_macroControlRects[2] = ReadControlRect(file, "EDIT", 0);
  g_macroControlRects[3] = ReadControlRect(file, "MACRODISPLAY", 1);
  g_macroControlRects[4] = ReadControlRect(file, "MACRODISPLAY", 2);
  g_macroControlRects[5] = ReadControlRect(file, "MACRODISPLAY", 3);
}

void LoadMacColorSkin() { LoadButtonTable(LanguageFilePath("mac_color.ini"), g_macColorRects, g_macColorCaptions); }

void LoadAllSkinLayouts() {
  LoadMainSkin();
  LoadColorSkin();
  LoadAdvanceSkin();
  LoadMacSkin();
  LoadWarningSkin();
  LoadMacColorSkin();
}

