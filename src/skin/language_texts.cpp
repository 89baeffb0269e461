#include "skin/language_texts.h"

#include <string_view>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/popup_skin.h"
#include "skin/skin_layout.h"
#include "skin/warning_dlg.h"

LanguageTextTable g_textSystem;
std::array<std::string, 14> g_uiTexts14;
std::array<std::string, 9> g_ledStepTexts;

namespace {

struct TextSection {
  std::string_view name;
  LanguageTextTable* table;
};

}  // namespace

int ReadLanguageIndex(const std::string& settingsFile) {
  return ini::ToInt(ini::ReadString(settingsFile, "Init", "VER_SEL", 5)) & 0xFF;
}

std::string LanguageTextPath() { return LanguageFilePath("LanguageText.ini"); }

void LoadLanguageTexts() {
  const std::string file = LanguageTextPath();
  if (!ini::FileExists(file)) ShowPlainMessage(WarningOwner(), "找不到配置文件");

  const TextSection sections[] = {
      {"TipText", &g_textTip},          {"UniqueName_MouseKey", &g_textMouseKey},
      {"UniqueName_DevMac", &g_textDevMac}, {"UniqueName_LED", &g_textLed},
      {"UniqueName_Other", &g_textOther}, {"UniqueName_ShortCut", &g_textShortcut},
      {"UniqueName_System", &g_textSystem},
  };
  for (const TextSection& section : sections) {
    for (std::size_t k = 0; k < section.table->size(); ++k) {
      SkinFields fields;
      ReadIniList(file, section.name, static_cast<int>(k), fields);
      (*section.table)[k] = fields[0];
    }
  }
}

void CopyLanguageTexts() {
  for (std::size_t i = 0; i < g_uiTexts14.size(); ++i) g_uiTexts14[i] = g_textLed[i + 1];
  static constexpr int kStepEntries[9] = {15, 3, 4, 7, 8, 2, 4, 6, 5};
  for (std::size_t i = 0; i < g_ledStepTexts.size(); ++i) g_ledStepTexts[i] = g_textLed[kStepEntries[i]];
}

std::string SystemTextOf(SystemText entry) {
  static constexpr const char* kEnglish[] = {
      "", "&Restore", "Mi&nimize", "&Close", "&About OVK_DOvaru...", "About OVK_DOvaru", "OVK_DOvaru Version 1.0", "OK"};
  const auto index = static_cast<std::size_t>(entry);
  const std::string& text = g_textSystem[index];
  return text.empty() ? kEnglish[index] : text;
}

std::string MainWindowTitle() { return g_language.load() == 0 ? g_titleCn : g_titleEn; }
