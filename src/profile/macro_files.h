// The macro files: group files (<group>.dat), single-macro files (.sdat), the gun
// presets (PUBG.dat) and the built-in macros (constMacro.dat). All are INI text whose
// values hold whole macro records as three-digit fields.
#pragma once

#include <array>
#include <string>

#include "profile/macro_record.h"

// Group file writers (g_groupMacros, g_groupMacroCount).
void SaveMacroFile(const std::string& path);
void SaveMacroEntry(const std::string& path, int index);
void SaveMacroEntryIndirect(const MacroRecord& record, const std::string& path, int index);
void SaveSingleMacro(int index, const std::string& path);
// Writes gun preset `index` into the language's PUBG.dat, setting every non-zero
// vertical magnitude to verticalStep first.
void ExportGunMacro(int index, int verticalStep);

// Readers.
void ReadMacroGroupFile(const std::string& path);
void LoadConstMacroFile(const std::string& path);
void LoadGunPresets();
MacroRecord LoadGroupMacro(int group, int macro);

// Names of the gun presets (UTF-8).
extern std::array<std::string, 12> g_gunNames;

// The language's gun preset file: g_skinsDir + LanguageFolderName(g_language) + "/PUBG.dat".
std::string GunPresetPath();
