// The UI language's texts: its index in config.ini, the six text tables of
// LanguageText.ini, the texts derived from them, and the window title rule. UI thread
// only (workers only read g_language).
#pragma once

#include <array>
#include <string>

#include "keys/language.h"

// Entry i is g_textLed[i + 1]: the names of the lighting effects.
extern std::array<std::string, 14> g_uiTexts14;
// The lighting step kinds: g_textLed entries 15, 3, 4, 7, 8, 2, 4, 6, 5.
extern std::array<std::string, 9> g_ledStepTexts;

// The texts of the main window's system menu and about box, section UniqueName_System.
extern LanguageTextTable g_textSystem;
enum class SystemText { Restore = 1, Minimize = 2, Close = 3, AboutItem = 4, AboutTitle = 5, AboutVersion = 6, Ok = 7 };
// The entry of g_textSystem, or its English text when the language folder has none.
std::string SystemTextOf(SystemText entry);

// VER_SEL of section Init of the settings file as a decimal number, low 8 bits kept
// (no range check: an index without a folder makes every language path the skins root).
int ReadLanguageIndex(const std::string& settingsFile);

// g_skinsDir + the language folder + "/LanguageText.ini".
std::string LanguageTextPath();

// Fills the text tables (the six shared ones and g_textSystem) from the current language folder: field 0 of keys 0 to 49
// of each section by the comma rule of the layout reader. A missing file first shows
// the plain message "找不到配置文件".
void LoadLanguageTexts();
// Fills g_uiTexts14 and g_ledStepTexts from g_textLed.
void CopyLanguageTexts();

// g_titleCn for language 0, g_titleEn for every other language.
std::string MainWindowTitle();
