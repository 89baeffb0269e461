// A folder whose way platform/write_guard.h accepted, held open: files are made,
// replaced, renamed and removed relative to it, so they land in the folder that was
// judged even when its way is swapped afterwards. Names given to it are single names
// inside the folder; a symbolic link there is never followed.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/descriptor.h"
#include "platform/write_guard.h"

namespace platform {

class CheckedFolder {
 public:
  CheckedFolder() = default;

  // The folder at `path` (opened, or with the reason it was refused).
  static CheckedFolder Open(const std::string& path);
  // The same, making every missing folder of the way (0700).
  static CheckedFolder Make(const std::string& path);

  explicit operator bool() const { return static_cast<bool>(fd_); }
  // Why the folder was not opened.
  const std::string& Refusal() const { return refusal_; }
  // Refused only because the folder (or one above it) does not exist.
  bool Absent() const { return absent_; }
  const std::string& Path() const { return path_; }
  int Descriptor() const { return fd_.Get(); }

  // What `name` is (a link is not followed). False when it is not there.
  bool Stat(const std::string& name, struct stat& st) const;
  // The names in the folder, without "." and "..". False when it cannot be read.
  bool Names(std::vector<std::string>& names) const;

  // The folder `name` in this one, judged as a folder of the way; made (0700) when
  // missing and asked to. A link in its place is not followed.
  CheckedFolder Subfolder(const std::string& name, MissingFolders missing) const;

  // Replaces `name` by a file that `fill` writes through the descriptor it is given:
  // the file is made beside it under a random name nobody holds (created exclusively)
  // and renamed over it, so `name` is at every moment the old or the new file, and the
  // folder is synced after the rename, so that holds across a power cut. A file that
  // is replaced keeps its permissions; a new one is the user's alone; a link in its
  // place is replaced, not followed. Empty on success, else why not; `written`
  // receives what the new file is.
  std::string ReplaceFile(const std::string& name, const std::function<bool(int)>& fill,
                          struct stat* written = nullptr) const;
  std::string ReplaceFile(const std::string& name, std::string_view bytes, struct stat* written = nullptr) const;
  // Makes `name` as ReplaceFile does, only when nothing is there: of two programs
  // making it at once one wins and the other keeps that file, never
  // half of it. Anything already at `name` (a link too) is kept; that is no failure.
  std::string CreateFile(const std::string& name, const std::function<bool(int)>& fill) const;

  // Renames `from` to `to` in this folder. Empty on success, else why not.
  std::string Rename(const std::string& from, const std::string& to) const;
  // Removes the file, link or empty folder `name`. Empty on success, else why not.
  std::string Remove(const std::string& name) const;

  // "<folder>/<name>", for messages.
  std::string PathOf(const std::string& name) const;

 private:
  CheckedFolder(UniqueFd fd, std::string path, std::string refusal, bool absent);
  std::string NameRefusal(const std::string& name) const;
  enum class Placing { Replace, KeepExisting };
  std::string WriteFile(const std::string& name, const std::function<bool(int)>& fill, Placing placing,
                        struct stat* written) const;

  UniqueFd fd_;
  std::string path_;
  std::string refusal_;
  bool absent_ = false;
};

}  // namespace platform
