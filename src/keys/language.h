// The UI language and the language texts: process-wide state that the core reads
// (key tables, key names, macro files, warnings) and the main window fills.
#pragma once

#include <array>
#include <atomic>
#include <string>

// LanguageIndex: 0 to 26 (25 unused). Selects the key tables, key names, language
// folder, texts and fonts. Read at each conversion, so it is atomic.
extern std::atomic<int> g_language;

// "/<index>_INI_<code>" for the indices of the language table, empty for any other
// index (every per-language path then falls back to the skins root).
std::string LanguageFolderName(int index);

// The six text tables of LanguageText.ini, 50 entries each (UTF-8).
using LanguageTextTable = std::array<std::string, 50>;
extern LanguageTextTable g_textTip;       // [TipText]: warnings and tips
extern LanguageTextTable g_textMouseKey;  // [UniqueName_MouseKey]
extern LanguageTextTable g_textDevMac;    // [UniqueName_DevMac]: key names, device functions
extern LanguageTextTable g_textLed;       // [UniqueName_LED]
extern LanguageTextTable g_textOther;     // [UniqueName_Other]
extern LanguageTextTable g_textShortcut;  // [UniqueName_ShortCut]
