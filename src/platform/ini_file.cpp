#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

#include "platform/text_codec.h"

namespace ini {
namespace {

struct FileStamp {
  bool exists = false;
  off_t size = 0;
  long long mtimeNs = 0;
  ino_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  FileStamp stamp;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
  stamp.exists = true;
  stamp.size = st.st_size;
  stamp.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  stamp.inode = st.st_ino;
  return stamp;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// One parsed file: its raw lines (kept for rewriting) and an index of its sections.
struct ParsedFile {
  struct Section {
    std::string lowerName;
    std::size_t headerLine = 0;  // index of the "[name]" line
    std::size_t endLine = 0;     // one past the last line of the section
    std::map<std::string, std::size_t> keyLines;  // lower key -> line of its first occurrence
    std::vector<std::string> keyOrder;           // keys as written, first occurrences only
  };
  FileStamp stamp;
  std::vector<std::string> lines;
  std::string eol = "\n";
  std::vector<Section> sections;

  const Section* Find(std::string_view section) const {
    std::string wanted = Lower(Trim(section));
    for (const Section& s : sections)
      if (s.lowerName == wanted) return &s;  // the first section of a name wins
    return nullptr;
  }

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
      std::string lower = Lower(key);
      if (sections.back().keyLines.emplace(lower, i).second) sections.back().keyOrder.emplace_back(key);
    }
    if (!sections.empty()) sections.back().endLine = lines.size();
  }

  void Parse(const std::string& bytes) {
    std::string text = DecodeIniBytes(bytes);
    lines.clear();
    eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t nl = text.find('\n', start);
      std::size_t end = nl == std::string::npos ? text.size() : nl;
      std::size_t lineEnd = end;
      if (lineEnd > start && text[lineEnd - 1] == '\r') --lineEnd;
      lines.emplace_back(text.substr(start, lineEnd - start));
      if (nl == std::string::npos) break;
      start = nl + 1;
    }
    Index();
  }

  std::string Serialise() const {
    std::string out;
    for (const std::string& l : lines) {
      out += l;
      out += eol;
    }
    return out;
  }
};

struct FileEntry {
  std::mutex lock;  // serialises every call on this file
  ParsedFile parsed;
  bool loaded = false;
};

std::mutex g_registryLock;
std::map<std::string, std::shared_ptr<FileEntry>> g_files;

std::shared_ptr<FileEntry> EntryFor(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_registryLock);
  auto& slot = g_files[path];
  if (!slot) slot = std::make_shared<FileEntry>();
  return slot;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return true;
}

// Brings the cached parse up to date with the file on disk. Caller holds entry.lock.
void Refresh(FileEntry& entry, const std::string& path) {
  FileStamp now = StampOf(path);
  if (entry.loaded && entry.parsed.stamp == now) return;
  entry.parsed = ParsedFile{};
  entry.parsed.stamp = now;
  entry.loaded = true;
  if (!now.exists) return;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    entry.parsed.stamp = FileStamp{};
    return;
  }
  entry.parsed.Parse(bytes);
}

std::atomic<unsigned> g_tempCounter{0};

// Writes the bytes beside the target and renames them over it.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(g_tempCounter++);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      ::unlink(temp.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fdatasync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::string CutToChars(std::string_view text, std::size_t maxChars) {
  std::size_t chars = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (chars == maxChars) break;
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + len > text.size()) len = text.size() - i;
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
  auto entry = EntryFor(file);
  std::lock_guard<std::mutex> guard(entry->lock);
  Refresh(*entry, file);
  const ParsedFile& parsed = entry->parsed;
  const ParsedFile::Section* s = parsed.Find(section);
  if (!s || bufferChars == 0) return {};
  auto it = s->keyLines.find(Lower(Trim(key)));
  if (it == s->keyLines.end()) return {};
  std::string_view k, value;
  ParsedFile::KeyOfLine(parsed.lines[it->second], k, value);
  return CutToChars(value, bufferChars - 1);
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
  auto entry = EntryFor(file);
  std::lock_guard<std::mutex> guard(entry->lock);
  Refresh(*entry, file);
  ParsedFile updated = entry->parsed;
  std::string_view cleanKey = Trim(key);
  std::string_view cleanValue = Trim(value);
  const ParsedFile::Section* s = updated.Find(section);
  if (!s) {
    updated.lines.push_back("[" + std::string(Trim(section)) + "]");
    updated.lines.push_back(std::string(cleanKey) + "=" + std::string(cleanValue));
  } else {
    auto it = s->keyLines.find(Lower(cleanKey));
    if (it != s->keyLines.end()) {
      std::string_view oldKey, oldValue;
      ParsedFile::KeyOfLine(updated.lines[it->second], oldKey, oldValue);
      updated.lines[it->second] = std::string(oldKey) + "=" + std::string(cleanValue);
    } else {
      // After the last non-blank line of the section, so blank separators stay between sections.
      std::size_t at = s->endLine;
      while (at > s->headerLine + 1 && Trim(updated.lines[at - 1]).empty()) --at;
      updated.lines.insert(updated.lines.begin() + static_cast<std::ptrdiff_t>(at),
                           std::string(cleanKey) + "=" + std::string(cleanValue));
    }
  }
  if (!ReplaceFile(file, updated.Serialise())) {
    entry->loaded = false;  // reread whatever is on disk next time
    return false;
  }
  updated.Index();
  updated.stamp = StampOf(file);
  entry->parsed = std::move(updated);
  entry->loaded = true;
  return true;
}

bool WriteInt(const std::string& file, std::string_view section, std::string_view key, long long value) {
  return WriteString(file, section, key, std::to_string(value));
}

void ClearCache() {
  std::lock_guard<std::mutex> guard(g_registryLock);
  for (auto& [path, entry] : g_files) {
    std::lock_guard<std::mutex> fileGuard(entry->lock);
    entry->loaded = false;
  }
}

}  // namespace ini
