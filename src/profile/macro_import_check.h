// What an import takes as a macro file: a group file (section Macros with macroNum
// and that many records) or a single-macro file (Macros/Macro), whose records are
// three-digit fields as the program writes them, and no larger than such a file can
// be. Anything else (binary data, an empty file, a huge one) is refused before a byte
// of it reaches the library.
#pragma once

#include <cstdint>
#include <string>

// Far above a group file of twelve full records (about 100 KB).
inline constexpr std::uintmax_t kMaxMacroFileBytes = std::uintmax_t{1} << 20;

enum class MacroFileKind { Group, SingleMacro };

// Reads the file at `path` once into `bytes` (never more than one byte past the
// limit) and checks those bytes: an import writes exactly what was checked, whatever
// happens to the file meanwhile. Empty when they are a macro file of that kind, else
// why not, in words for the user ("it is empty", "it is larger than 1 MiB", "it holds
// no macros").
std::string ReadMacroFile(const std::string& path, MacroFileKind kind, std::string& bytes);
