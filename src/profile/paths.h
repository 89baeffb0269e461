// The program's folders and settings files, set once by start-up before any worker
// reads them. Folder texts that end in a separator say so below.
//
// Two trees: g_skinsDir is read (images, layouts, texts, the factory settings and macro
// library); g_settingsDir holds what the program writes (config/, each language's
// macro/ and PUBG.dat). They are one folder when the program runs in place.
#pragma once

#include <string>

extern std::string g_appDir;         // the program folder (the executable's folder)
extern std::string g_skinsDir;       // the skins tree that is read
extern std::string g_settingsDir;    // the skins tree that is written (g_skinsDir in place)
extern std::string g_configDir;      // g_settingsDir + "/config/" (with the trailing separator)
extern std::string g_configIniPath;  // g_settingsDir + "/config/config.ini"
extern std::string g_macroDir;       // g_settingsDir + LanguageFolderName(g_language) + "/macro/"
extern std::string g_macroResetDir;  // g_skinsDir + LanguageFolderName(g_language) + "/macroReset/"

// Sets every path above from the program folder and the current g_language: both trees
// are appDir + "/skins".
void SetProgramPaths(const std::string& appDir);

// Sets every path above from the two trees and the current g_language.
void SetSkinsPaths(const std::string& skinsDir, const std::string& settingsDir);

// Sets g_macroDir and g_macroResetDir for the current g_language (after a language change).
void SetLanguagePaths();

// The tree that is written (g_skinsDir when none was set apart).
const std::string& SettingsTreeDir();

// The factory settings' folder: g_skinsDir + "/config/" (configReset.ini).
std::string FactoryConfigDir();

// Where the settings file dialogs start: the program folder when it runs in place,
// else the user's home folder (also when the factory tree is read in place of an
// unusable settings folder).
std::string UserFilesFolder();

// The language index itself when the skins tree has its folder, else English (1).
int LanguageWithFolder(int index);

// The folder of the running executable.
std::string ExecutableDir();
