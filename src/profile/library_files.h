// File and folder operations of the macro library: empty group files, the copy of the
// factory library over the user's one, and the checks that keep names taken from
// files or from the user inside the library's folder.
//
// Each of them writes only where platform/write_guard.h accepts the way to the folder
// (no folder or link of another user on it, no folder that others can write without
// the sticky bit), and relative to the folder it judged (platform/checked_folder.h);
// new files are the user's alone (0600), new folders too (0700).
#pragma once

#include <string>
#include <string_view>

// Creates the file (an empty one replaces an existing one). Reports the failure
// (TipText 6 with the file named) and returns false when it cannot be created. An
// existing symbolic link is replaced, not followed.
bool CreateEmptyFile(const std::string& path);

// Replaces `target` by a file holding `bytes`, as CopyFileReplacing does.
bool WriteFileReplacing(const std::string& target, std::string_view bytes);

// Creates `target` and copies every file of `source` into it, overwriting, and every
// sub-folder by the same operation. Symbolic links are never followed out of the
// source folder: a link to a file inside it is copied as that file, any other link
// is skipped. Returns false when something could not be copied (the rest is still
// copied).
bool CopyFolder(const std::string& source, const std::string& target);

// Deletes every file and sub-folder of `folder`; the folder itself stays. Symbolic
// links are removed as links, never followed. Returns false when something remains.
bool DeleteFolderTree(const std::string& folder);

// Removes the file (or link) at `path`. True when it was removed.
bool RemoveFile(const std::string& path);

// Renames the file `from` to `to` in the same folder. True when it was renamed.
bool RenameFile(const std::string& from, const std::string& to);

// Copies `source` to `target` by writing a new file beside the target and renaming it
// over, so the target is never left half-written and a link at the target's place is
// replaced instead of being written through. A replaced file keeps its permissions.
// Copying a file onto itself succeeds without touching it.
bool CopyFileReplacing(const std::string& source, const std::string& target);

// Copies the plain file `source` to `target` only when nothing is at `target`, as
// CopyFileReplacing writes it: of two programs copying at once one wins and the other
// keeps that copy. True when `target` holds a file now (this copy or one already there).
bool CopyFileIfMissing(const std::string& source, const std::string& target);

// True when `name` can stand as one file name inside a folder: not empty, not "." or
// "..", no '/' or '\\', no control characters, valid UTF-8, at most 255 bytes.
bool IsPlainFileName(std::string_view name);

// The last component of a path ("a/b/c.dat" gives "c.dat"; a path ending in '/' gives
// an empty text).
std::string FileNamePart(std::string_view path);

// True when both paths name the same existing file (after resolving links and ".." parts).
bool IsSameFile(const std::string& a, const std::string& b);
