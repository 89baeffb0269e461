// Where a user's own files live on this system, and the checks that decide whether a
// folder can be written in place.
#pragma once

#include <string>

namespace platform {

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config (the password
// database's home when HOME is unset).
std::string UserConfigHome();

// True when the running user may create and replace files in `folder`.
bool FolderIsWritable(const std::string& folder);

}  // namespace platform
