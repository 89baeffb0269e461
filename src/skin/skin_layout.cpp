#include "skin/skin_layout.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <set>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "platform/plain_file.h"
#include "profile/core_hooks.h"
#include "profile/damaged_files.h"
#include "profile/missing_files.h"
#include "profile/paths.h"

namespace {

// The right or bottom edge of a rectangle: start + size, kept inside the int range (a
// rectangle made in code may hold any number; one above the lowest int, so that the
// last pixel, edge - 1, exists).
int EdgeOf(std::int32_t start, std::int32_t size) {
  const std::int64_t edge = static_cast<std::int64_t>(start) + size;
  return static_cast<int>(std::clamp<std::int64_t>(edge, std::int64_t{INT32_MIN} + 1, INT32_MAX));
}

int LayoutCoordinate(const std::string& text) {
  return std::clamp(ini::ToInt(text), kLayoutCoordinateMin, kLayoutCoordinateMax);
}

int LayoutSize(const std::string& text) { return std::clamp(ini::ToInt(text), 0, kLayoutSizeMax); }

// Layout values are read into a buffer of 260 characters.
constexpr std::size_t kValueBuffer = 260;
// Far above any layout or text file of the installation (a few KiB each).
constexpr std::size_t kMaxLayoutFileBytes = std::size_t{1} << 20;

std::mutex g_checkedFilesLock;
std::set<std::string> g_checkedFiles;

std::function<void()> g_closeHandler;
bool g_closeRequested = false;

void ReportMissingLayout(const std::string& file) {
  if (g_closeRequested) return;
  g_closeRequested = true;
  // The missing file may be the language text file itself, whose entry 5 then was
  // never read: the box says so in the words the program uses for this case.
  ReportMissingFile(file, g_textTip[5].empty() ? "找不到配置文件" : "");
  if (g_closeHandler) g_closeHandler();
}

}  // namespace

QRect SkinRect::ToQRect() const { return QRect(QPoint(x, y), QPoint(EdgeOf(x, width) - 1, EdgeOf(y, height) - 1)); }

bool SkinRect::Contains(int px, int py) const {
  // 64-bit edges: values of a layout file can reach the int range.
  const std::int64_t right = static_cast<std::int64_t>(x) + width;
  const std::int64_t bottom = static_cast<std::int64_t>(y) + height;
  return px >= x && px < right && py >= y && py < bottom;
}

void SplitSkinValue(std::string_view value, SkinFields& fields) {
  std::size_t commas = 0;
  for (char c : value) commas += (c == ',');

  // The first `pieces` comma-separated pieces; the last one runs to the end.
  auto take = [&](std::size_t pieces) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < pieces; ++i) {
      if (start == std::string_view::npos) {
        fields[i].clear();
        continue;
      }
      std::size_t comma = i + 1 < pieces ? value.find(',', start) : std::string_view::npos;
      if (comma == std::string_view::npos) {
        fields[i] = std::string(value.substr(start));
        start = std::string_view::npos;
      } else {
        fields[i] = std::string(value.substr(start, comma - start));
        start = comma + 1;
      }
    }
    return start;
  };

  if (commas == 0 || commas == 3 || commas == 4) {
    fields[0] = std::string(value);
    for (std::size_t i = 1; i < fields.size(); ++i) fields[i].clear();
  } else if (commas <= 2) {
    take(3);
  } else if (commas == 5) {
    take(6);
  } else {
    // Six pieces each ended by a comma, then the rest as field 6.
    std::size_t start = 0;
    for (std::size_t i = 0; i < 6; ++i) {
      std::size_t comma = value.find(',', start);
      fields[i] = std::string(value.substr(start, comma - start));
      start = comma + 1;
    }
    fields[6] = std::string(value.substr(start));
  }
}

void NameUnusableLayoutFile(const std::string& file) {
  {
    std::lock_guard<std::mutex> guard(g_checkedFilesLock);
    if (!g_checkedFiles.insert(file).second) return;
  }
  std::string bytes;
  const platform::PlainFileRead read = platform::ReadPlainFile(file, kMaxLayoutFileBytes, bytes);
  std::string said;
  if (read != platform::PlainFileRead::Read && read != platform::PlainFileRead::Missing) {
    said = FileReadFailure(file, read);
  } else if (HoldsNul(bytes)) {
    said = file + " is damaged (it holds NUL bytes)";
  }
  if (said.empty()) return;
  // The file is the installation's, not the user's: the terminal or the journal is
  // where whoever mends the installation looks.
  const std::string texts[] = {said};
  ReportDamagedFiles(texts, DamagedFileBox::None);
}

void ReadIniList(const std::string& file, std::string_view section, int entry, SkinFields& fields) {
  if (!ini::FileExists(file)) {
    ReportMissingLayout(file);
  } else {
    NameUnusableLayoutFile(file);
  }
  std::string value = ini::ReadString(file, section, std::to_string(entry), kValueBuffer);
  SplitSkinValue(value, fields);
}

SkinButtonEntry EntryFromFields(const SkinFields& fields) {
  SkinButtonEntry entry;
  entry.rect.x = LayoutCoordinate(fields[1]);
  entry.rect.y = LayoutCoordinate(fields[2]);
  entry.rect.width = LayoutSize(fields[3]);
  entry.rect.height = LayoutSize(fields[4]);
  entry.caption = fields[5];
  return entry;
}

int HitTestRects(int px, int py, std::span<const SkinRect> rects) {
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (rects[i].Contains(px, py)) return static_cast<int>(i);
  }
  return kNoSkinHit;
}

std::string LanguageFilePath(std::string_view name) {
  std::string path = g_skinsDir + LanguageFolderName(g_language.load());
  path += '/';
  path += name;
  return path;
}

ControlRect ReadControlRect(const std::string& file, std::string_view section, int key) {
  SkinFields fields;
  ReadIniList(file, section, key, fields);
  SkinRect r = EntryFromFields(fields).rect;
  return ControlRect{r.x, r.y, EdgeOf(r.x, r.width), EdgeOf(r.y, r.height)};
}

void SetSkinFileMissingCloseHandler(std::function<void()> handler) { g_closeHandler = std::move(handler); }

bool SkinCloseRequested() { return g_closeRequested; }

void ResetSkinCloseRequest() { g_closeRequested = false; }
