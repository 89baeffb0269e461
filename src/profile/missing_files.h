// How a file that the program needs and cannot read is reported: the warning box shows
// TipText 5 followed by the file's name, and standard error gets the file and why (it
// is missing, a folder stands in its place, something else that is not a plain file
// does (a FIFO, a device, a socket), or a file stands where a folder on the way
// belongs), for whoever runs the program from a terminal or reads the journal.
#pragma once

#include <string>
#include <string_view>

#include "platform/plain_file.h"

// `message` replaces TipText 5 where a file has a box text of its own.
void ReportMissingFile(const std::string& file, std::string_view message = {});

// Why `file` cannot be read as a file, as standard error says it.
std::string WhyFileIsMissing(const std::string& file);
// The same for a file that platform::ReadPlainFile did not read: what the read found
// (one opened as a FIFO, or larger than the reader's bound) rather than what is at the
// path now.
std::string WhyFileIsMissing(const std::string& file, platform::PlainFileRead read);
