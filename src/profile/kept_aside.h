// A damaged file the program replaces is kept beside it, renamed, so that nothing the
// user had is lost and the user can still look at it.
#pragma once

#include <string>

// Renames `path` to `path` + ".broken-<date>-<time>" (local time). Returns the new
// path, or empty when the file could not be renamed (it then stays where it was).
std::string KeepBrokenFileAside(const std::string& path);
