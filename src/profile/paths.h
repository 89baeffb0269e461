// The program's folders and settings files, set once by start-up before any worker
// reads them. Folder texts that end in a separator say so below.
#pragma once

#include <string>

extern std::string g_appDir;         // the program folder (the executable's folder)
extern std::string g_skinsDir;       // g_appDir + "/skins"
extern std::string g_configDir;      // g_skinsDir + "/config/" (with the trailing separator)
extern std::string g_configIniPath;  // g_skinsDir + "/config/config.ini"
extern std::string g_macroDir;       // g_skinsDir + LanguageFolderName(g_language) + "/macro/"
extern std::string g_macroResetDir;  // g_skinsDir + LanguageFolderName(g_language) + "/macroReset/"

// Sets every path above from the program folder and the current g_language.
void SetProgramPaths(const std::string& appDir);

// Sets g_macroDir and g_macroResetDir for the current g_language (after a language change).
void SetLanguagePaths();

// The folder of the running executable.
std::string ExecutableDir();
