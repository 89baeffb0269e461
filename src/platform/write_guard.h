// Whether the program may create, replace or remove files in a folder, judged by the
// whole way to it, and the making of the program's private folders.
//
// The way is walked from "/" one name at a time: each folder is opened without
// following a link and judged on what was opened, and a symbolic link is followed by
// walking the text it holds the same way, so a link inside a link's target is judged
// too. The way is refused where another user could have laid it or could change it:
// - a folder or a symbolic link on it that belongs neither to the running user nor
//   to root;
// - a folder on it that other users can write (its bit for all others, or its group's
//   bit when the group is not the running user's own; run as root, any group's bit),
//   unless it has the sticky bit, as /tmp has, which keeps each entry to its owner;
// - run as root, the folder where files are made, when other users can write it at all.
// A way that passes is kept open: platform/checked_folder.h makes and replaces files
// relative to the folder that was judged, so the way cannot be swapped in between.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/descriptor.h"

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

enum class MissingFolders { Refuse, Make };

// The folder at the end of a way that passes, opened (O_PATH); else nothing, with
// `why` saying why and `absent` telling that a folder of the way does not exist.
// Missing folders are made (0700) when asked to, never inside a link's target.
UniqueFd OpenCheckedWay(const std::string& folder, MissingFolders missing, std::string& why, bool& absent);

// The judgement of a folder (`st`, named `path`) reached from a checked folder and
// in which files are to be made: empty when it passes.
std::string FolderRefusal(const struct stat& st, const std::string& path);

}  // namespace platform
