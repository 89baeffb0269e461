// The macro files: group files (<group>.dat), single-macro files (.sdat), the gun
// presets (PUBG.dat) and the built-in macros (constMacro.dat). All are INI text whose
// values hold whole macro records as three-digit fields (profile/macro_text.h): section
// Init key DAT_VER (the format version, written 3), section Macros key macroNum (the
// number of records) and the records under the keys "0", "1", ...; a single-macro file
// holds one record under Macros/Macro.
//
// Key codes are converted with the tables of the current g_language: to host codes on
// writing, back to device codes on reading. Every operation here is serialised with the
// others, so a reader never sees a file half-way through one of these writes.
#pragma once

#include <array>
#include <string>

#include "profile/macro_record.h"

// Group file writers (g_groupMacros, g_groupMacroCount). A file of an older version is
// first rewritten in the current layout, so that records written into it and the
// records already there read alike.
//
// DAT_VER, macroNum = g_groupMacroCount and records 0 .. count - 1.
void SaveMacroFile(const std::string& path);
// DAT_VER, macroNum = g_groupMacroCount and record `index` only (0..12; other indices
// write nothing); other entries stay as they are.
void SaveMacroEntry(const std::string& path, int index);
// Writes `record` as entry `index` (0..12) of the group file at path. The file's own
// macroNum is kept (the file need not be the current group's); it is raised to
// index + 1 when the entry lies beyond it.
void SaveMacroEntryIndirect(const MacroRecord& record, const std::string& path, int index);
// Macros/Macro = record `index` of g_groupMacros (0..12; other indices write nothing).
void SaveSingleMacro(int index, const std::string& path);
// Writes gun preset `index` (0..12) into the language's PUBG.dat (DAT_VER and the entry,
// no macroNum), setting every non-zero vertical magnitude of the preset to verticalStep
// first, in g_gunMacros as well. Without the file: "Can't find the PUBG file." and
// nothing changes.
void ExportGunMacro(int index, int verticalStep);

// Readers. A missing group or built-in file shows TipText entry 5 and empties the table
// (count 0); records from the count up keep their contents. At most 13 records are
// filled, whatever macroNum says. A file that is there but cannot be read (larger than
// 1 MiB, say) empties the table too and is named on standard error and in a warning
// box, and so is a built-in file that holds no macros as the program writes them (NUL
// bytes, a macroNum that is no number from 0 to 13, a counted record that is none).
// Neither waits on a FIFO or a device in the file's place.
void ReadMacroGroupFile(const std::string& path);
void LoadConstMacroFile(const std::string& path);
// Reads the language's PUBG.dat into g_gunMacros, g_gunMacroCount (at most 12) and
// g_gunNames. Without the file: "Can't find the PUBG file." and nothing changes.
void LoadGunPresets();
// Record `macro` of group `group` (0-based) of the language's library, or a cleared
// record when the group or the macro does not exist.
MacroRecord LoadGroupMacro(int group, int macro);

// Names of the gun presets (UTF-8).
extern std::array<std::string, 12> g_gunNames;

// The language's gun preset file: SettingsTreeDir() + LanguageFolderName(g_language) + "/PUBG.dat".
std::string GunPresetPath();
// The built-in macros: g_configDir + "constMacro.dat".
std::string ConstMacroPath();
