#include "profile/library_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/checked_folder.h"
#include "platform/descriptor.h"
#include "profile/core_hooks.h"
#include "profile/save_failures.h"

namespace fs = std::filesystem;

namespace {

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

using platform::CheckedFolder;

// The folder of `path` and the name in it (trailing slashes do not count).
std::pair<std::string, std::string> FolderAndName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return {ParentFolder(path), FileNamePart(path)};
}

// Replaces the file at `path` by what `fill` writes. Empty on success, else why not.
std::string ReplaceAt(const std::string& path, const std::function<bool(int)>& fill) {
  const auto [folderPath, name] = FolderAndName(path);
  const CheckedFolder folder = CheckedFolder::Open(folderPath);
  return folder ? folder.ReplaceFile(name, fill) : folder.Refusal();
}

// `source` opened without waiting on a FIFO or a device; nothing unless it is a plain file.
platform::UniqueFd OpenPlainSource(const std::string& source, struct stat& st) {
  platform::UniqueFd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!in || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return in;
}

// Copies the plain file `source` over `name` in `folder`; a file onto itself is left alone.
bool CopyInto(const CheckedFolder& folder, const std::string& name, const std::string& source) {
  struct stat st {}, there {};
  const platform::UniqueFd in = OpenPlainSource(source, st);
  if (!in || !folder) return false;
  if (folder.Stat(name, there) && there.st_dev == st.st_dev && there.st_ino == st.st_ino) return true;
  return folder.ReplaceFile(name, [&in](int out) { return platform::CopyAll(in.Get(), out); }).empty();
}

// The folder `name` in `folder`, made when missing: a link or file in its place is replaced.
CheckedFolder RealSubfolder(const CheckedFolder& folder, const std::string& name) {
  struct stat st {};
  if (folder.Stat(name, st) && !S_ISDIR(st.st_mode)) folder.Remove(name);
  return folder.Subfolder(name, platform::MissingFolders::Make);
}

bool IsFolder(const std::string& path, const CheckedFolder& folder) {
  struct stat a {}, b {};
  return ::stat(path.c_str(), &a) == 0 && ::fstat(folder.Descriptor(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

bool CopyFolderInside(const std::string& source, const CheckedFolder& target, const std::string& root) {
  if (!target) return false;
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
    fs::file_status st = fs::symlink_status(from, ec);
    if (ec) {
      ok = false;
      continue;
    }
    if (fs::is_symlink(st)) {
      std::string resolved = Resolved(from);
      if (!IsInside(root, resolved) || !fs::is_regular_file(fs::status(resolved, ec))) continue;
      if (!CopyInto(target, name, resolved)) ok = false;
    } else if (fs::is_directory(st)) {
      if (IsFolder(from, target)) continue;  // the target lies inside the source
      if (!CopyFolderInside(from, RealSubfolder(target, name), root)) ok = false;
    } else if (fs::is_regular_file(st)) {
      if (!CopyInto(target, name, from)) ok = false;
    }
    // Sockets, pipes and devices are not library data and are skipped.
  }
  return ok;
}

bool DeleteInside(const CheckedFolder& folder) {
  std::vector<std::string> names;
  bool ok = folder.Names(names);
  for (const std::string& name : names) {
    struct stat st {};
    if (!folder.Stat(name, st)) continue;  // gone meanwhile
    if (S_ISDIR(st.st_mode) && !DeleteInside(folder.Subfolder(name, platform::MissingFolders::Refuse))) ok = false;
    if (!folder.Remove(name).empty()) ok = false;
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
  const std::string reason = ReplaceAt(path, [](int) { return true; });
  if (reason.empty()) return true;
  ReportSaveFailure(path, reason);
  return false;
}

bool WriteFileReplacing(const std::string& target, std::string_view bytes) {
  return ReplaceAt(target, [bytes](int out) { return platform::WriteAll(out, bytes.data(), bytes.size()); }).empty();
}

bool CopyFileReplacing(const std::string& source, const std::string& target) {
  if (IsSameFile(source, target)) return true;
  const auto [folderPath, name] = FolderAndName(target);
  return CopyInto(CheckedFolder::Open(folderPath), name, source);
}

bool CopyFileIfMissing(const std::string& source, const std::string& target) {
  const auto [folderPath, name] = FolderAndName(target);
  const CheckedFolder folder = CheckedFolder::Open(folderPath);
  struct stat st {};
  const platform::UniqueFd in = OpenPlainSource(source, st);
  return in && folder && folder.CreateFile(name, [&in](int out) { return platform::CopyAll(in.Get(), out); }).empty();
}

bool CopyFolder(const std::string& source, const std::string& target) {
  const CheckedFolder folder = CheckedFolder::Make(target);
  const std::string root = Resolved(source);
  return !root.empty() && CopyFolderInside(source, folder, root);
}

bool DeleteFolderTree(const std::string& folder) {
  const CheckedFolder checked = CheckedFolder::Open(folder);
  return checked ? DeleteInside(checked) : checked.Absent();
}

bool RemoveFile(const std::string& path) {
  const auto [folderPath, name] = FolderAndName(path);
  const CheckedFolder folder = CheckedFolder::Open(folderPath);
  return folder && folder.Remove(name).empty();
}

bool RenameFile(const std::string& from, const std::string& to) {
  const auto [folderPath, name] = FolderAndName(from);
  const auto [toFolder, toName] = FolderAndName(to);
  const CheckedFolder folder = CheckedFolder::Open(folderPath);
  return toFolder == folderPath && folder && folder.Rename(name, toName).empty();
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
