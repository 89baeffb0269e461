#include "profile/library_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/write_guard.h"
#include "profile/core_hooks.h"
#include "profile/save_failures.h"

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string ParentFolder(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The resolved form of `path`, or empty when it cannot be resolved.
std::string Resolved(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::canonical(path, ec);
  return ec ? std::string() : p.string();
}

bool IsInside(const std::string& resolvedRoot, const std::string& resolvedPath) {
  if (resolvedRoot.empty() || resolvedPath.size() <= resolvedRoot.size()) return false;
  if (resolvedPath.compare(0, resolvedRoot.size(), resolvedRoot) != 0) return false;
  return resolvedRoot.back() == '/' || resolvedPath[resolvedRoot.size()] == '/';
}

// Makes `folder` a real folder: a link or file in its place is replaced.
bool MakeRealFolder(const std::string& folder) {
  if (!platform::FolderWriteRefusal(ParentFolder(folder)).empty()) return false;
  std::error_code ec;
  fs::file_status st = fs::symlink_status(folder, ec);
  if (!ec && fs::is_directory(st)) return true;
  if (!ec && fs::exists(st)) {
    fs::remove(folder, ec);
    if (ec) return false;
  }
  return platform::MakePrivateFolders(folder).empty() && fs::is_directory(fs::symlink_status(folder, ec));
}

bool CopyFolderInside(const std::string& source, const std::string& target, const std::string& root) {
  if (!MakeRealFolder(target)) return false;
  std::error_code ec;
  fs::directory_iterator it(source, ec);
  if (ec) return false;
  bool ok = true;
  // Collect first: copying into the tree while iterating it would be undefined.
  std::vector<fs::directory_entry> entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) {
      ok = false;
      break;
    }
    entries.push_back(*it);
  }
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    const std::string from = source + "/" + name;
    const std::string to = target + "/" + name;
    fs::file_status st = fs::symlink_status(from, ec);
    if (ec) {
      ok = false;
      continue;
    }
    if (fs::is_symlink(st)) {
      std::string resolved = Resolved(from);
      if (!IsInside(root, resolved) || !fs::is_regular_file(fs::status(resolved, ec))) continue;
      if (!CopyFileReplacing(resolved, to)) ok = false;
    } else if (fs::is_directory(st)) {
      if (IsSameFile(from, target)) continue;  // the target lies inside the source
      if (!CopyFolderInside(from, to, root)) ok = false;
    } else if (fs::is_regular_file(st)) {
      if (!CopyFileReplacing(from, to)) ok = false;
    }
    // Sockets, pipes and devices are not library data and are skipped.
  }
  return ok;
}

bool ValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > text.size()) return false;
    unsigned cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(text[i + k]);
      if ((cc >> 6) != 0x2) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += len;
  }
  return true;
}

}  // namespace

bool CreateEmptyFile(const std::string& path) {
  std::string reason = platform::FolderWriteRefusal(ParentFolder(path));
  if (!reason.empty()) {
    ReportSaveFailure(path, reason);
    return false;
  }
  reason = "not a plain file";
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                    platform::kPrivateFileMode);
    if (fd < 0 && errno == ELOOP && attempt == 0) {
      // A link stands where the file belongs: replace the link, not what it points to.
      ::unlink(path.c_str());
      continue;
    }
    if (fd < 0) {
      reason = std::strerror(errno);
      break;
    }
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (regular) return true;
    break;
  }
  ReportSaveFailure(path, reason);
  return false;
}

bool CopyFileReplacing(const std::string& source, const std::string& target) {
  if (IsSameFile(source, target)) return true;
  if (!platform::FolderWriteRefusal(ParentFolder(target)).empty()) return false;
  int in = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  std::string name = FileNamePart(target);
  std::string temp = ParentFolder(target) + "/." + (name.empty() ? std::string("copy") : name) + ".XXXXXX";
  std::vector<char> templ(temp.begin(), temp.end());
  templ.push_back('\0');
  int out = ::mkstemp(templ.data());
  if (out < 0) {
    ::close(in);
    return false;
  }
  temp.assign(templ.data());
  // A file that is replaced keeps its permissions; a new one is the user's alone.
  struct stat old {};
  const bool replaces = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  bool ok = ::fchmod(out, replaces ? (old.st_mode & 07777) : platform::kPrivateFileMode) == 0;
  char buf[65536];
  while (ok) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    ok = WriteAll(out, buf, static_cast<std::size_t>(n));
  }
  ::close(in);
  if (ok) ok = ::fdatasync(out) == 0;
  if (::close(out) != 0) ok = false;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool CopyFolder(const std::string& source, const std::string& target) {
  std::string root = Resolved(source);
  if (root.empty()) {
    MakeRealFolder(target);
    return false;
  }
  return CopyFolderInside(source, target, root);
}

bool DeleteFolderTree(const std::string& folder) {
  if (!platform::FolderWriteRefusal(folder).empty()) return false;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return !fs::exists(fs::symlink_status(folder, ec));
  std::vector<std::string> names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    names.push_back(it->path().filename().string());
  }
  bool ok = !ec;
  for (const std::string& name : names) {
    std::string path = folder + "/" + name;
    fs::file_status st = fs::symlink_status(path, ec);
    if (ec) {
      ok = false;
      continue;
    }
    if (fs::is_directory(st)) {
      if (!DeleteFolderTree(path)) ok = false;
    }
    fs::remove(path, ec);
    if (ec) ok = false;
  }
  return ok;
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  }
  return ValidUtf8(name);
}

std::string FileNamePart(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
