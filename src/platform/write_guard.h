// Whether the program may create, replace or remove files in a folder, judged by the
// whole way to it, and the making of the program's private folders.
//
// The way to a folder is refused when another user could have laid it:
// - a symbolic link on it is followed only when the running user (or root) owns the
//   link and what it leads to;
// - run as root, no folder on the resolved way may be writable by other users, except
//   a folder with the sticky bit (such as /tmp) holding an entry that root owns, and
//   the folder itself, where files are made, may not be writable by others at all.
#pragma once

#include <string>

namespace platform {

// Empty when files may be written in `folder` (which need not exist yet: the part of
// the way that exists is judged), else why not, naming the folder or link at fault.
std::string FolderWriteRefusal(const std::string& folder);

// From now on every folder at or below `folder` is refused for `why`: a tree the
// program reads in place of settings it could not keep must never change.
void RefuseWritesUnder(const std::string& folder, const std::string& why);

// Makes `folder` and every missing folder above it with mode 0700 (private to the
// user); folders that exist keep their modes. Empty on success, else why not (the way
// is refused, or a folder could not be made).
std::string MakePrivateFolders(const std::string& folder);

// Mode of the files the program creates: read and written by the user alone.
inline constexpr unsigned kPrivateFileMode = 0600;

}  // namespace platform
