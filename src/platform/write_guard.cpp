#include "platform/write_guard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace {

bool Trusted(uid_t owner, uid_t me) { return owner == me || owner == 0; }

bool WritableByOthers(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

std::string Absolute(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  return std::string(cwd ? cwd.get() : "") + "/" + path;
}

// The names of an absolute path, without empty and "." parts; ".." stays, for the
// kernel to resolve as it will when the path is used.
std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = end + 1;
  }
  return parts;
}

std::string Join(const std::vector<std::string>& parts, std::size_t count) {
  std::string path;
  for (std::size_t i = 0; i < count; ++i) path += "/" + parts[i];
  return path.empty() ? "/" : path;
}

// The links on the way, as written; `existing` receives how many parts exist.
std::string LinkRefusal(const std::vector<std::string>& parts, uid_t me, std::size_t& existing) {
  existing = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string path = Join(parts, i + 1);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) break;  // from here on the way is still to be made
    if (S_ISLNK(st.st_mode)) {
      if (!Trusted(st.st_uid, me)) return path + " is a symbolic link of another user";
      if (::stat(path.c_str(), &st) != 0) return path + " is a symbolic link to nothing";
      if (!Trusted(st.st_uid, me)) return path + " is a symbolic link to a folder of another user";
    }
    if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
    existing = i + 1;
  }
  return {};
}

// Run as root: the resolved way to `folder` (which exists) passes no folder in which
// another user could have replaced what follows, and `folder` takes no one else's files.
std::string OpenFolderRefusal(const std::string& folder) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.c_str(), nullptr), &std::free);
  if (!real) return folder + ": " + std::strerror(errno);
  const std::vector<std::string> parts = Parts(real.get());
  struct stat parent {};
  if (::stat("/", &parent) != 0) return std::string("/: ") + std::strerror(errno);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string path = Join(parts, i + 1);
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) return path + ": " + std::strerror(errno);
    const bool keptByStickyBit = (parent.st_mode & S_ISVTX) != 0 && entry.st_uid == 0;
    if (WritableByOthers(parent) && !keptByStickyBit)
      return "running as root, not writing under " + Join(parts, i) + ", which other users can write";
    parent = entry;
  }
  if (WritableByOthers(parent))
    return "running as root, not writing into " + std::string(real.get()) + ", which other users can write";
  return {};
}

std::mutex g_refusedLock;
std::vector<std::pair<std::vector<std::string>, std::string>> g_refusedTrees;

std::string TreeRefusal(const std::vector<std::string>& parts) {
  std::lock_guard guard(g_refusedLock);
  for (const auto& [tree, why] : g_refusedTrees)
    if (parts.size() >= tree.size() && std::equal(tree.begin(), tree.end(), parts.begin())) return why;
  return {};
}

}  // namespace

void RefuseWritesUnder(const std::string& folder, const std::string& why) {
  std::lock_guard guard(g_refusedLock);
  g_refusedTrees.emplace_back(Parts(Absolute(folder)), why);
}

std::string FolderWriteRefusal(const std::string& folder) {
  const uid_t me = ::geteuid();
  const std::vector<std::string> parts = Parts(Absolute(folder));
  if (std::string why = TreeRefusal(parts); !why.empty()) return why;
  std::size_t existing = 0;
  std::string why = LinkRefusal(parts, me, existing);
  if (why.empty() && me == 0) why = OpenFolderRefusal(Join(parts, existing));
  return why;
}

std::string MakePrivateFolders(const std::string& folder) {
  if (std::string why = FolderWriteRefusal(folder); !why.empty()) return why;
  const std::vector<std::string> parts = Parts(Absolute(folder));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string path = Join(parts, i + 1);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
      continue;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return path + ": " + std::strerror(errno);
    // Made now, or by someone else a moment ago: it must be a folder, not a link.
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return path + " is not a folder";
  }
  return {};
}

}  // namespace platform
