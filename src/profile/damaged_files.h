// How a file that is there but cannot be used as it is gets named, where the program
// goes on without it (an empty table, empty texts, the macro folder's own listing):
// standard error always names it, for whoever runs the program from a terminal or
// reads the journal; the warning box too when the file is the user's own (settings,
// macro library) rather than part of the installation.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/plain_file.h"

enum class DamagedFileBox { Show, None };

// Writes each text on a line of its own to standard error ("ovk-dovaru: <text>") and,
// with Show, all of them in one warning box. Nothing happens for no texts.
void ReportDamagedFiles(std::span<const std::string> texts, DamagedFileBox box);

// "<path> is not a plain file" and the like, for a read that did not give the file.
std::string FileReadFailure(const std::string& path, platform::PlainFileRead result);

// True when the text of the file's bytes (a UTF-16 file decoded) holds a NUL
// character, which no INI text holds.
bool HoldsNul(std::string_view bytes);
