#include "platform/checked_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// Attempts at a temporary name nobody holds: each is random, so a name taken by
// someone else is only ever a coincidence.
constexpr int kTemporaryNameTries = 16;

std::string Failed(const std::string& path, int error) { return path + ": " + std::strerror(error); }

// "<name>.tmp.<pid>.<64 random bits in hex>": the pid tells ini::RemoveStaleTempFiles
// whose it is; the random part cannot be guessed, so no one can take every name first.
std::string TemporaryName(const std::string& name) {
  std::uint64_t random = 0;
  if (::getrandom(&random, sizeof random, 0) != sizeof random) random ^= reinterpret_cast<std::uintptr_t>(&random);
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random));
  return name + ".tmp." + std::to_string(::getpid()) + "." + text;
}

// Makes a rename or a new name in `folder` last through a power cut: the entry lives
// in the folder, which has to reach the disk too. A folder the user may not list
// cannot be opened to sync it, and file systems that cannot sync a folder keep their
// entries their own way: neither is a failed write.
bool SyncFolder(int folder) {
  const UniqueFd listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing) return errno == EACCES;
  return ::fsync(listing.Get()) == 0 || errno == EINVAL || errno == ENOTSUP || errno == ENOSYS;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

CheckedFolder::CheckedFolder(UniqueFd fd, std::string path, std::string refusal, bool absent)
    : fd_(std::move(fd)),
      path_(WithoutTrailingSlashes(std::move(path))),
      refusal_(std::move(refusal)),
      absent_(absent) {}

CheckedFolder CheckedFolder::Open(const std::string& path) {
  std::string why;
  bool absent = false;
  UniqueFd fd = OpenCheckedWay(path, MissingFolders::Refuse, why, absent);
  return CheckedFolder(std::move(fd), path, std::move(why), absent);
}

CheckedFolder CheckedFolder::Make(const std::string& path) {
  std::string why;
  bool absent = false;
  UniqueFd fd = OpenCheckedWay(path, MissingFolders::Make, why, absent);
  return CheckedFolder(std::move(fd), path, std::move(why), absent);
}

std::string CheckedFolder::PathOf(const std::string& name) const {
  return path_ == "/" ? "/" + name : path_ + "/" + name;
}

// Only a single name inside the folder: anything else could lead out of it.
std::string CheckedFolder::NameRefusal(const std::string& name) const {
  if (!fd_) return refusal_;
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return PathOf(name) + " is no name inside " + path_;
  return {};
}

bool CheckedFolder::Stat(const std::string& name, struct stat& st) const {
  return NameRefusal(name).empty() && ::fstatat(fd_.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool CheckedFolder::Names(std::vector<std::string>& names) const {
  names.clear();
  if (!fd_) return false;
  const int listing = ::openat(fd_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return false;
  DIR* dir = ::fdopendir(listing);
  if (dir == nullptr) {
    ::close(listing);
    return false;
  }
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const bool ok = errno == 0;
  ::closedir(dir);
  return ok;
}

CheckedFolder CheckedFolder::Subfolder(const std::string& name, MissingFolders missing) const {
  const std::string path = PathOf(name);
  if (std::string why = NameRefusal(name); !why.empty()) return CheckedFolder({}, path, why, false);
  if (missing == MissingFolders::Make && ::mkdirat(fd_.Get(), name.c_str(), 0700) != 0 && errno != EEXIST)
    return CheckedFolder({}, path, Failed(path, errno), false);
  UniqueFd fd(::openat(fd_.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (!fd || ::fstat(fd.Get(), &st) != 0) {
    const int error = errno;
    const bool notFolder = error == ENOTDIR || error == ELOOP;
    return CheckedFolder({}, path, notFolder ? path + " is not a folder" : Failed(path, error), error == ENOENT);
  }
  if (std::string why = FolderRefusal(st, path); !why.empty()) return CheckedFolder({}, path, why, false);
  return CheckedFolder(std::move(fd), path, {}, false);
}

std::string CheckedFolder::WriteFile(const std::string& name, const std::function<bool(int)>& fill, Placing placing,
                                     struct stat* written) const {
  if (std::string why = NameRefusal(name); !why.empty()) return why;
  const int folder = fd_.Get();
  struct stat old {};
  const bool replaces = placing == Placing::Replace &&
                        ::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
  std::string temp;
  UniqueFd out;
  for (int n = 0; n < kTemporaryNameTries && !out; ++n) {
    temp = TemporaryName(name);
    out.Reset(::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode));
    if (!out && errno != EEXIST) return Failed(PathOf(name), errno);
  }
  if (!out) return Failed(PathOf(name), EEXIST);
  struct stat st {};
  bool ok = ::fchmod(out.Get(), replaces ? (old.st_mode & 07777) : kPrivateFileMode) == 0 && fill(out.Get()) &&
            ::fdatasync(out.Get()) == 0 && ::fstat(out.Get(), &st) == 0;
  int error = errno;
  if (ok && ::close(out.Release()) != 0) {
    ok = false;
    error = errno;
  }
  bool linked = false;  // the new name is a second link to the temporary file
  if (ok && placing == Placing::Replace && ::renameat(folder, temp.c_str(), folder, name.c_str()) != 0) {
    ok = false;
    error = errno;
  } else if (ok && placing == Placing::KeepExisting &&
             ::renameat2(folder, temp.c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0) {
    // Without RENAME_NOREPLACE on this file system, a hard link is just as exclusive.
    linked = errno == EINVAL && ::linkat(folder, temp.c_str(), folder, name.c_str(), 0) == 0;
    if (!linked) {
      ok = false;
      error = errno;
    }
  }
  if (!ok || linked) ::unlinkat(folder, temp.c_str(), 0);
  if (!ok && error == EEXIST && placing == Placing::KeepExisting) return {};  // made first elsewhere: theirs stays
  if (!ok) return Failed(PathOf(name), error);
  if (!SyncFolder(folder)) return Failed(PathOf(name), errno);
  if (written != nullptr) *written = st;  // a rename keeps the inode, size and times
  return {};
}

std::string CheckedFolder::ReplaceFile(const std::string& name, const std::function<bool(int)>& fill,
                                       struct stat* written) const {
  return WriteFile(name, fill, Placing::Replace, written);
}

std::string CheckedFolder::CreateFile(const std::string& name, const std::function<bool(int)>& fill) const {
  return WriteFile(name, fill, Placing::KeepExisting, nullptr);
}

std::string CheckedFolder::ReplaceFile(const std::string& name, std::string_view bytes, struct stat* written) const {
  return ReplaceFile(name, [bytes](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); }, written);
}

std::string CheckedFolder::Rename(const std::string& from, const std::string& to) const {
  if (std::string why = NameRefusal(from).empty() ? NameRefusal(to) : NameRefusal(from); !why.empty()) return why;
  if (::renameat(fd_.Get(), from.c_str(), fd_.Get(), to.c_str()) != 0) return Failed(PathOf(from), errno);
  return {};
}

std::string CheckedFolder::Remove(const std::string& name) const {
  if (std::string why = NameRefusal(name); !why.empty()) return why;
  if (::unlinkat(fd_.Get(), name.c_str(), 0) == 0) return {};
  if (errno == EISDIR && ::unlinkat(fd_.Get(), name.c_str(), AT_REMOVEDIR) == 0) return {};
  return Failed(PathOf(name), errno);
}

}  // namespace platform
