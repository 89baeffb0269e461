// Pieces of the macro library that its commands share; not for other code.
#pragma once

#include <mutex>
#include <string>

namespace library_internal {

// Guards g_groupNames, g_groupCount changes and the rows of the macro list.
std::mutex& Lock();
// True for an existing regular file (links followed).
bool IsRegularFile(const std::string& path);
// Rebuilds g_macroListRows; the caller holds Lock().
void BuildRowsLocked();
// Tells the macro page that the rows changed.
void NotifyListChanged();

}  // namespace library_internal
