#include "platform/ini_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "platform/checked_folder.h"
#include "platform/text_codec.h"

namespace ini {
namespace {

struct FileStamp {
  bool exists = false;
  off_t size = 0;
  long long mtimeNs = 0;
  ino_t inode = 0;
  dev_t device = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampFromStat(const struct stat& st) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.size = st.st_size;
  stamp.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  stamp.inode = st.st_ino;
  stamp.device = st.st_dev;
  return stamp;
}

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return FileStamp{};
  return StampFromStat(st);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A value written in matching double or single quotes reads without them.
std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

bool HasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

// The checks that keep a write from adding, removing or hiding lines of the file.
bool WriteIsSound(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty()) return false;
  if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) return false;
  if (section.find(']') != section.npos) return false;
  if (key.find('=') != key.npos || key.front() == ';' || key.front() == '[') return false;
  return true;
}

}  // namespace

// One parsed file: its raw lines (kept for rewriting) and an index of its sections.
struct ParsedFile {
  struct Section {
    std::string lowerName;
    std::size_t headerLine = 0;  // index of the "[name]" line
    std::size_t endLine = 0;     // one past the last line of the section
    std::map<std::string, std::size_t, std::less<>> keyLines;  // lower key -> line of its first occurrence
    std::vector<std::string> keyOrder;                         // keys as written, first occurrences only
  };
  FileStamp stamp;
  std::vector<std::string> lines;
  std::string eol = "\n";
  std::vector<Section> sections;

  Section* Find(std::string_view section) {
    std::string wanted = Lower(Trim(section));
    for (Section& s : sections)
      if (s.lowerName == wanted) return &s;  // the first section of a name wins
    return nullptr;
  }
  const Section* Find(std::string_view section) const { return const_cast<ParsedFile*>(this)->Find(section); }

  static bool KeyOfLine(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
  }

  void Index() {
    sections.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string_view t = Trim(lines[i]);
      if (!t.empty() && t.front() == '[') {
        std::size_t close = t.find(']');
        std::string_view name = close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1);
        if (!sections.empty()) sections.back().endLine = i;
        Section s;
        s.lowerName = Lower(Trim(name));
        s.headerLine = i;
        s.endLine = lines.size();
        sections.push_back(std::move(s));
        continue;
      }
      if (sections.empty()) continue;
      std::string_view key, value;
      if (!KeyOfLine(lines[i], key, value)) continue;
      if (sections.back().keyLines.emplace(Lower(key), i).second) sections.back().keyOrder.emplace_back(key);
    }
    if (!sections.empty()) sections.back().endLine = lines.size();
  }

  void Parse(const std::string& bytes) {
    std::string text = DecodeIniBytes(bytes);
    lines.clear();
    // A line ends at CR LF, LF or a lone CR (files saved with old Mac line ends).
    const std::size_t firstBreak = text.find_first_of("\r\n");
    eol = firstBreak == std::string::npos || text[firstBreak] == '\n' ? "\n"
          : firstBreak + 1 < text.size() && text[firstBreak + 1] == '\n' ? "\r\n"
                                                                          : "\r";
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t br = text.find_first_of("\r\n", start);
      if (br == std::string::npos) {
        lines.emplace_back(text.substr(start));
        break;
      }
      lines.emplace_back(text.substr(start, br - start));
      start = br + (text[br] == '\r' && br + 1 < text.size() && text[br + 1] == '\n' ? 2 : 1);
    }
    Index();
  }

  std::string Serialise() const {
    std::size_t total = 0;
    for (const std::string& l : lines) total += l.size() + eol.size();
    std::string out;
    out.reserve(total);
    for (const std::string& l : lines) {
      out += l;
      out += eol;
    }
    return out;
  }

  // Sets [section] key = value in the lines and keeps the index as Index() would
  // rebuild it. The arguments are trimmed and checked by the caller.
  void Apply(std::string_view section, std::string_view key, std::string_view value) {
    Section* s = Find(section);
    if (!s) {
      std::size_t header = lines.size();
      lines.push_back("[" + std::string(section) + "]");
      lines.push_back(std::string(key) + "=" + std::string(value));
      if (!sections.empty()) sections.back().endLine = header;
      Section added;
      added.lowerName = Lower(section);
      added.headerLine = header;
      added.endLine = lines.size();
      added.keyLines.emplace(Lower(key), header + 1);
      added.keyOrder.emplace_back(key);
      sections.push_back(std::move(added));
      return;
    }
    auto it = s->keyLines.find(Lower(key));
    if (it != s->keyLines.end()) {
      std::string_view oldKey, oldValue;
      KeyOfLine(lines[it->second], oldKey, oldValue);
      lines[it->second] = std::string(oldKey) + "=" + std::string(value);
      return;
    }
    // After the last non-blank line of the section, so blank separators stay between sections.
    std::size_t at = s->endLine;
    while (at > s->headerLine + 1 && Trim(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::string(key) + "=" + std::string(value));
    for (Section& other : sections) {
      if (other.headerLine >= at) ++other.headerLine;
      if (other.endLine >= at) ++other.endLine;
      for (auto& [name, line] : other.keyLines)
        if (line >= at) ++line;
    }
    s->keyLines.emplace(Lower(key), at);
    s->keyOrder.emplace_back(key);
  }
};

namespace {

// The value of [section] key, cut to bufferChars - 1 characters.
std::string ValueOf(const ParsedFile& parsed, std::string_view section, std::string_view key, std::size_t bufferChars) {
  if (bufferChars == 0) return {};
  const ParsedFile::Section* s = parsed.Find(section);
  if (!s) return {};
  auto it = s->keyLines.find(Lower(Trim(key)));
  if (it == s->keyLines.end()) return {};
  std::string_view k, value;
  ParsedFile::KeyOfLine(parsed.lines[it->second], k, value);
  return CutToChars(Unquoted(value), bufferChars - 1);
}

struct FileEntry {
  std::mutex lock;  // serialises every call on this file
  ParsedFile parsed;
  bool loaded = false;
};

std::mutex g_registryLock;
std::map<std::string, std::shared_ptr<FileEntry>, std::less<>> g_files;

// One lock and cache per file, whatever spelling of its path the caller uses.
std::string RegistryKey(const std::string& path) {
  if (path.find("//") == std::string::npos && path.find("/.") == std::string::npos &&
      path.rfind("./", 0) != 0)
    return path;
  return std::filesystem::path(path).lexically_normal().string();
}

std::shared_ptr<FileEntry> EntryFor(const std::string& path) {
  std::string key = RegistryKey(path);
  std::lock_guard<std::mutex> guard(g_registryLock);
  auto& slot = g_files[key];
  if (!slot) slot = std::make_shared<FileEntry>();
  return slot;
}

// Reads the whole file and the stamp of what was read. False when it can't be opened or
// is not a plain file: opened without blocking, since a FIFO swapped in after the stat
// would otherwise wait for a writer for ever.
bool ReadWholeFile(const std::string& path, std::string& out, FileStamp& stamp) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  stamp = StampFromStat(st);
  out.clear();
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

// Brings the cached parse up to date with the file on disk. Caller holds entry.lock.
void Refresh(FileEntry& entry, const std::string& path) {
  FileStamp now = StampOf(path);
  if (entry.loaded && entry.parsed.stamp == now) return;
  entry.parsed = ParsedFile{};
  entry.loaded = true;
  if (!now.exists) return;
  std::string bytes;
  FileStamp read;
  if (!ReadWholeFile(path, bytes, read)) {
    entry.loaded = false;  // unreadable now: read as empty, try again next call
    return;
  }
  entry.parsed.stamp = read;
  entry.parsed.Parse(bytes);
}

thread_local std::string g_lastWriteError;

bool Refuse(std::string reason) {
  g_lastWriteError = std::move(reason);
  return false;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

constexpr int kMaxFileLinks = 40;

// The folder and name that a write of `path` replaces: the path itself, or where a
// chain of symbolic links that the running user made leads, when the file there is the
// user's too. Every folder on the way is judged by platform/write_guard.h (run as root,
// nothing is written where anyone could have planted the link, the file or a folder)
// and kept open for the write.
bool WriteTarget(const std::string& path, platform::CheckedFolder& folder, std::string& name) {
  const uid_t me = ::geteuid();
  std::string file = path;
  for (int links = 0;; ++links) {
    folder = platform::CheckedFolder::Open(FolderOf(file));
    if (!folder) return Refuse(folder.Refusal());
    name = NameOf(file);
    struct stat st {};
    const bool exists = folder.Stat(name, st);
    if (exists && S_ISLNK(st.st_mode)) {
      if (st.st_uid != me) return Refuse(path + " is a symbolic link of another user (" + file + ")");
      std::string text;
      if (links == kMaxFileLinks || !platform::ReadLinkAt(folder.Descriptor(), name, text))
        return Refuse(file + ": " + std::strerror(links == kMaxFileLinks ? ELOOP : errno));
      file = !text.empty() && text.front() == '/' ? text : folder.Path() + "/" + text;
      continue;
    }
    if (links == 0) return true;
    if (!exists) return Refuse(path + " is a symbolic link to nothing");
    if (st.st_uid != me) return Refuse(path + " is a symbolic link to a file of another user (" + file + ")");
    return true;
  }
}

// Writes the bytes beside the target and renames them over it, so the target is at
// every moment either the old or the new file. An existing file keeps its permissions;
// a new one is the user's alone.
// stamp receives the new file's stamp.
bool ReplaceFile(const std::string& path, const std::string& bytes, FileStamp& stamp) {
  g_lastWriteError.clear();
  platform::CheckedFolder folder;
  std::string name;
  if (!WriteTarget(path, folder, name)) return false;
  struct stat st {};
  if (std::string why = folder.ReplaceFile(name, bytes, &st); !why.empty()) return Refuse(why);
  stamp = StampFromStat(st);
  return true;
}

// Applies writes to file under its lock and replaces the file once. Writes that fail
// the checks are skipped; the result is false when any was skipped or the file could
// not be replaced.
bool ApplyWrites(const std::string& file, const std::vector<Batch::Write>& writes) {
  g_lastWriteError.clear();
  if (writes.empty()) return true;
  auto entry = EntryFor(file);
  std::lock_guard<std::mutex> guard(entry->lock);
  Refresh(*entry, file);
  // Edited in place: when the file can't be replaced, the cache is dropped and the
  // next call reads what is on disk.
  ParsedFile& updated = entry->parsed;
  bool allSound = true;
  bool changed = false;
  for (const Batch::Write& w : writes) {
    std::string_view section = Trim(w.section), key = Trim(w.key), value = Trim(w.value);
    if (!WriteIsSound(section, key, value)) {
      allSound = false;
      continue;
    }
    updated.Apply(section, key, value);
    changed = true;
  }
  if (!allSound) g_lastWriteError = file + ": a value that the file cannot hold was not written";
  if (!changed) return allSound;
  FileStamp stamp;
  if (!ReplaceFile(file, updated.Serialise(), stamp)) {
    entry->loaded = false;  // reread whatever is on disk next time
    return false;
  }
  updated.stamp = stamp;
  return allSound;
}

}  // namespace

std::string CutToChars(std::string_view text, std::size_t maxChars) {
  std::size_t chars = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (chars == maxChars) break;
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    // A lead byte counts its sequence only when the continuation bytes are there.
    for (std::size_t k = 1; k < len; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) >> 6) != 2) {
        len = 1;
        break;
      }
    }
    i += len;
    ++chars;
  }
  return std::string(text.substr(0, i));
}

int ToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool FileExists(const std::string& path) { return StampOf(path).exists; }

std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::size_t bufferChars) {
  if (bufferChars == 0) return {};
  auto entry = EntryFor(file);
  std::lock_guard<std::mutex> guard(entry->lock);
  Refresh(*entry, file);
  return ValueOf(entry->parsed, section, key, bufferChars);
}

ParsedText::ParsedText(std::string_view bytes) : parsed_(std::make_unique<ParsedFile>()) {
  parsed_->Parse(std::string(bytes));
}

ParsedText::~ParsedText() = default;

std::string ParsedText::ReadString(std::string_view section, std::string_view key, std::size_t bufferChars) const {
  return ValueOf(*parsed_, section, key, bufferChars);
}

int ReadInt(const std::string& file, std::string_view section, std::string_view key, std::size_t bufferChars) {
  return ToInt(ReadString(file, section, key, bufferChars));
}

std::vector<std::string> SectionKeys(const std::string& file, std::string_view section) {
  auto entry = EntryFor(file);
  std::lock_guard<std::mutex> guard(entry->lock);
  Refresh(*entry, file);
  const ParsedFile::Section* s = entry->parsed.Find(section);
  return s ? s->keyOrder : std::vector<std::string>{};
}

bool WriteString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value) {
  return ApplyWrites(file, {Batch::Write{std::string(section), std::string(key), std::string(value)}});
}

bool WriteInt(const std::string& file, std::string_view section, std::string_view key, long long value) {
  return WriteString(file, section, key, std::to_string(value));
}

void Batch::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  writes_.push_back(Write{std::string(section), std::string(key), std::string(value)});
}

void Batch::WriteInt(std::string_view section, std::string_view key, long long value) {
  WriteString(section, key, std::to_string(value));
}

bool Batch::Commit() {
  std::vector<Write> writes = std::move(writes_);
  writes_.clear();
  return ApplyWrites(file_, writes);
}

std::string LastWriteError() { return g_lastWriteError; }

namespace {

// <file>.tmp.<pid>.<hex> (platform/checked_folder.cpp; older ones end in a decimal
// counter) whose writer is no longer running.
bool IsStaleTempName(const std::string& name) {
  const std::size_t counterDot = name.rfind('.');
  if (counterDot == std::string::npos || counterDot == 0) return false;
  const std::size_t pidDot = name.rfind('.', counterDot - 1);
  if (pidDot == std::string::npos || pidDot < 4 || name.compare(pidDot - 4, 4, ".tmp") != 0) return false;
  const std::string pid = name.substr(pidDot + 1, counterDot - pidDot - 1);
  const std::string counter = name.substr(counterDot + 1);
  auto only = [](const std::string& t, const char* allowed) {
    return !t.empty() && t.find_first_not_of(allowed) == std::string::npos;
  };
  if (!only(pid, "0123456789") || !only(counter, "0123456789abcdef")) return false;
  const long writer = std::strtol(pid.c_str(), nullptr, 10);
  // A live writer may belong to another user sharing the tree: EPERM still means alive.
  return writer != ::getpid() && !(writer > 0 && (::kill(static_cast<pid_t>(writer), 0) == 0 || errno == EPERM));
}

int RemoveStaleTempFilesIn(const platform::CheckedFolder& folder) {
  std::vector<std::string> names;
  folder.Names(names);
  int removed = 0;
  for (const std::string& name : names) {
    struct stat st {};
    if (!folder.Stat(name, st)) continue;
    if (S_ISDIR(st.st_mode)) {
      if (const platform::CheckedFolder sub = folder.Subfolder(name, platform::MissingFolders::Refuse))
        removed += RemoveStaleTempFilesIn(sub);
    } else if (S_ISREG(st.st_mode) && IsStaleTempName(name) && folder.Remove(name).empty()) {
      ++removed;
    }
  }
  return removed;
}

}  // namespace

int RemoveStaleTempFiles(const std::string& folder) {
  const platform::CheckedFolder checked = platform::CheckedFolder::Open(folder);
  return checked ? RemoveStaleTempFilesIn(checked) : 0;
}

void ClearCache() {
  std::lock_guard<std::mutex> guard(g_registryLock);
  for (auto& [path, entry] : g_files) {
    std::lock_guard<std::mutex> fileGuard(entry->lock);
    entry->loaded = false;
  }
}

}  // namespace ini
