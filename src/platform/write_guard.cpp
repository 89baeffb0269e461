#include "platform/write_guard.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr int kMaxLinks = 40;  // as many as the kernel follows on one path

struct Rules {
  uid_t me = ::geteuid();
  gid_t myGroup = ::getegid();

  bool Trusted(uid_t owner) const { return owner == me || owner == 0; }

  // A group bit counts unless the group is the user's own (a private group, with the
  // umask 002 that goes with it); run as root, every group bit counts.
  bool OthersCanWrite(const struct stat& st) const {
    return (st.st_mode & S_IWOTH) != 0 || ((st.st_mode & S_IWGRP) != 0 && (me == 0 || st.st_gid != myGroup));
  }

  // A folder that the way passes through.
  std::string StepRefusal(const struct stat& st, const std::string& path) const {
    if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
    if (!Trusted(st.st_uid)) return path + " is a folder of another user";
    if (OthersCanWrite(st) && (st.st_mode & S_ISVTX) == 0)
      return "not writing under " + path + ", which other users can write";
    return {};
  }

  // The folder in which files (or the missing folders) are made.
  std::string EndRefusal(const struct stat& st, const std::string& path) const {
    if (me == 0 && OthersCanWrite(st))
      return "running as root, not writing into " + path + ", which other users can write";
    return {};
  }
};

// A name still to walk; `link` is the symbolic link whose text it comes from.
struct Name {
  std::string text;
  std::string link;
};

// `path` from "/"; empty with `why` set when it is relative and the working folder
// cannot be found (taking it from "/" would write somewhere else).
std::string Absolute(const std::string& path, std::string& why) {
  if (!path.empty() && path.front() == '/') return path;
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  if (!cwd || cwd.get()[0] != '/') {
    why = path + ": the working folder cannot be found (" + std::strerror(cwd ? ENOENT : errno) + ")";
    return {};
  }
  return std::string(cwd.get()) + "/" + path;
}

// The names of a path, without empty and "." parts; ".." stays, to be walked.
std::deque<Name> Names(const std::string& path, const std::string& link) {
  std::deque<Name> names;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (!part.empty() && part != ".") names.push_back({std::move(part), link});
    start = end + 1;
  }
  return names;
}

// The names of a path as written, made absolute.
std::vector<std::string> PathNames(const std::string& path) {
  std::string why;
  std::vector<std::string> names;
  for (Name& name : Names(Absolute(path, why), {})) names.push_back(std::move(name.text));
  return names;
}

// A tree no write may go into: known by the folder itself (any way to it, through
// links or "..", reaches the same device and inode) and, for a tree that does not
// exist yet, by its path.
struct RefusedTree {
  std::vector<std::string> names;
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string why;
};

std::mutex g_refusedLock;
std::vector<RefusedTree> g_refusedTrees;

// Why no write may go into `folder` by the way it is written, when that way names a
// tree given to RefuseWritesUnder.
std::string TreeRefusalByPath(const std::string& folder) {
  const std::vector<std::string> parts = PathNames(folder);
  std::lock_guard guard(g_refusedLock);
  for (const RefusedTree& tree : g_refusedTrees)
    if (parts.size() >= tree.names.size() && std::equal(tree.names.begin(), tree.names.end(), parts.begin()))
      return tree.why;
  return {};
}

// Why no write may go below the opened folder `st`, when it is a refused tree's root.
std::string TreeRefusalOf(const struct stat& st) {
  std::lock_guard guard(g_refusedLock);
  for (const RefusedTree& tree : g_refusedTrees)
    if (tree.known && tree.device == st.st_dev && tree.inode == st.st_ino) return tree.why;
  return {};
}

std::string Failed(const std::string& path, int error) { return path + ": " + std::strerror(error); }

enum class End { Probe, Open, Make };

// Walks to `folder` from "/", judging each folder on the descriptor opened for it.
// Probe stops where the way does not exist yet and returns nothing.
UniqueFd Walk(const std::string& folder, End end, std::string& why, bool& absent) {
  const Rules rules;
  absent = false;
  if (why = TreeRefusalByPath(folder); !why.empty()) return {};
  struct Folder {
    UniqueFd fd;
    std::string path;  // as resolved; empty for "/"
    struct stat st {};
    std::string Text() const { return path.empty() ? "/" : path; }
  };
  std::vector<Folder> way(1);
  way[0].fd.Reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!way[0].fd || ::fstat(way[0].fd.Get(), &way[0].st) != 0) {
    why = Failed("/", errno);
    return {};
  }
  if (why = rules.StepRefusal(way[0].st, "/"); !why.empty()) return {};
  if (why = TreeRefusalOf(way[0].st); !why.empty()) return {};

  const std::string absolute = Absolute(folder, why);
  if (absolute.empty()) return {};
  std::deque<Name> todo = Names(absolute, {});
  int links = 0;
  while (!todo.empty()) {
    const Name name = std::move(todo.front());
    todo.pop_front();
    if (name.text == "..") {
      if (way.size() > 1) way.pop_back();
      continue;
    }
    const int at = way.back().fd.Get();
    const std::string path = way.back().path + "/" + name.text;
    struct stat st {};
    if (::fstatat(at, name.text.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) {
        why = Failed(path, errno);
        return {};
      }
      if (!name.link.empty()) {
        why = name.link + " is a symbolic link to nothing";
        return {};
      }
      if (why = rules.EndRefusal(way.back().st, way.back().Text()); !why.empty() || end == End::Probe) return {};
      if (end == End::Open) {
        absent = true;
        why = Failed(path, ENOENT);
        return {};
      }
      // Made now, or by someone else a moment ago: judged below as any other.
      if ((::mkdirat(at, name.text.c_str(), 0700) != 0 && errno != EEXIST) ||
          ::fstatat(at, name.text.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        why = Failed(path, errno);
        return {};
      }
    }
    if (S_ISLNK(st.st_mode)) {
      if (!rules.Trusted(st.st_uid)) {
        why = path + " is a symbolic link of another user";
        return {};
      }
      std::string text;
      if (++links > kMaxLinks || !ReadLinkAt(at, name.text, text)) {
        why = Failed(path, links > kMaxLinks ? ELOOP : errno);
        return {};
      }
      if (!text.empty() && text.front() == '/') way.erase(way.begin() + 1, way.end());
      const std::deque<Name> target = Names(text, path);
      todo.insert(todo.begin(), target.begin(), target.end());
      continue;
    }
    Folder next;
    next.fd.Reset(::openat(at, name.text.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.fd || ::fstat(next.fd.Get(), &next.st) != 0) {
      why = errno == ENOTDIR || errno == ELOOP ? path + " is not a folder" : Failed(path, errno);
      return {};
    }
    if (why = rules.StepRefusal(next.st, path); !why.empty()) return {};
    if (why = TreeRefusalOf(next.st); !why.empty()) return {};
    next.path = path;
    way.push_back(std::move(next));
  }
  if (why = rules.EndRefusal(way.back().st, way.back().Text()); !why.empty()) return {};
  return std::move(way.back().fd);
}

}  // namespace

void RefuseWritesUnder(const std::string& folder, const std::string& why) {
  RefusedTree tree;
  tree.names = PathNames(folder);
  tree.why = why;
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    tree.known = true;
    tree.device = st.st_dev;
    tree.inode = st.st_ino;
  }
  std::lock_guard guard(g_refusedLock);
  g_refusedTrees.push_back(std::move(tree));
}

std::string FolderWriteRefusal(const std::string& folder) {
  std::string why;
  bool absent = false;
  Walk(folder, End::Probe, why, absent);
  return why;
}

std::string MakePrivateFolders(const std::string& folder) {
  std::string why;
  bool absent = false;
  Walk(folder, End::Make, why, absent);
  return why;
}

UniqueFd OpenCheckedWay(const std::string& folder, MissingFolders missing, std::string& why, bool& absent) {
  return Walk(folder, missing == MissingFolders::Make ? End::Make : End::Open, why, absent);
}

std::string FolderRefusal(const struct stat& st, const std::string& path) {
  const Rules rules;
  if (std::string why = rules.StepRefusal(st, path); !why.empty()) return why;
  if (std::string why = TreeRefusalOf(st); !why.empty()) return why;
  return rules.EndRefusal(st, path);
}

}  // namespace platform
