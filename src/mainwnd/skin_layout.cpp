#include "mainwnd/skin_layout.h"

#include <algorithm>
#include <cstdint>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"

SkinRectTable<kMainEntries> g_mainRects;
SkinCaptionTable<kMainEntries> g_mainCaptions;
SkinRectTable<kLedEntries> g_ledRects;
SkinCaptionTable<kLedEntries> g_ledCaptions;
SkinRectTable<kAdvancedEntries> g_advancedRects;
SkinCaptionTable<kAdvancedEntries> g_advancedCaptions;
SkinRectTable<kMacroEntries> g_macroRects;
SkinCaptionTable<kMacroEntries> g_macroCaptions;
SkinRectTable<kWarningEntries> g_warningRects;
SkinCaptionTable<kWarningEntries> g_warningCaptions;
SkinRectTable<kMacColorEntries> g_macColorRects;
SkinCaptionTable<kMacColorEntries> g_macColorCaptions;

std::string g_linkTarget;
std::array<std::string, kFunStringCount> g_funStrings;
std::map<std::string, std::pair<std::string, int>> g_funNameMap;
std::array<ControlRect, 6> g_macroControlRects;
float g_sliderStep = 0.0f;

namespace {

// The right or bottom edge of a rectangle: start + size, kept inside the int range (a
// layout file may hold any number; one above the lowest int, so that the last pixel,
// edge - 1, exists).
int EdgeOf(std::int32_t start, std::int32_t size) {
  const std::int64_t edge = static_cast<std::int64_t>(start) + size;
  return static_cast<int>(std::clamp<std::int64_t>(edge, std::int64_t{INT32_MIN} + 1, INT32_MAX));
}

// Layout values are read into a buffer of 260 characters.
constexpr std::size_t kValueBuffer = 260;

std::function<void()> g_closeHandler;
bool g_closeRequested = false;

void ReportMissingFile() {
  if (g_closeRequested) return;
  g_closeRequested = true;
  // The missing file may be the language text file itself, whose entry 5 then was
  // never read: the box says so in the words the program uses for this case.
  if (g_textTip[5].empty()) {
    ShowMessageWarning("找不到配置文件");
  } else {
    ShowTipWarning(5);
  }
  if (g_closeHandler) g_closeHandler();
}

// Fills `rects` and `captions` from BUTTONPOS of one file, each entry from fresh fields
// so that a short line never inherits another line's values.
template <std::size_t N>
void LoadButtonTable(const std::string& file, SkinRectTable<N>& rects, SkinCaptionTable<N>& captions) {
  for (std::size_t i = 0; i < N; ++i) {
    SkinFields fields;
    ReadIniList(file, "BUTTONPOS", static_cast<int>(i), fields);
    SkinButtonEntry entry = EntryFromFields(fields);
    rects[i] = entry.rect;
    captions[i] = std::move(entry.caption);
  }
}

ControlRect ReadControlRect(const std::string& file, std::string_view section, int key) {
  SkinFields fields;
  ReadIniList(file, section, key, fields);
  SkinRect r = EntryFromFields(fields).rect;
  return ControlRect{r.x, r.y, EdgeOf(r.x, r.width), EdgeOf(r.y, r.height)};
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

void ReadIniList(const std::string& file, std::string_view section, int entry, SkinFields& fields) {
  if (!ini::FileExists(file)) ReportMissingFile();
  std::string value = ini::ReadString(file, section, std::to_string(entry), kValueBuffer);
  SplitSkinValue(value, fields);
}

SkinButtonEntry EntryFromFields(const SkinFields& fields) {
  SkinButtonEntry entry;
  entry.rect.x = ini::ToInt(fields[1]);
  entry.rect.y = ini::ToInt(fields[2]);
  entry.rect.width = ini::ToInt(fields[3]);
  entry.rect.height = ini::ToInt(fields[4]);
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

void LoadMainSkin() {
  const std::string file = LanguageFilePath("skin_main.ini");
  g_funNameMap.clear();

  for (int i = 0; i < kMainEntries; ++i) {
    SkinFields fields;
    ReadIniList(file, "BUTTONPOS", i, fields);
    SkinButtonEntry entry = EntryFromFields(fields);
    g_mainRects[i] = entry.rect;
    if (i == 19) {
      g_linkTarget = std::move(entry.caption);
      g_mainCaptions[i].clear();
    } else {
      g_mainCaptions[i] = std::move(entry.caption);
    }
  }

  // Key "0" on its own names row 0 of the function sub-list.
  const std::string firstName = ini::ReadString(file, "FUN_STRING", "0", 10);

  int skipped = 0;
  for (int j = 0; j < kFunStringCount; ++j) {
    SkinFields fields;
    ReadIniList(file, "FUN_STRING", j, fields);
    g_funStrings[j] = fields[0];
    if (j >= 12 && j <= 18) {
      // Entry 18 (macro) never gets a row: macro buttons are labelled by macro names.
      if (g_funStrings[j].empty() || j == 18) {
        ++skipped;
      } else {
        g_funNameMap[std::to_string(j)] = {g_funStrings[j], j - 11 - skipped};
      }
    }
  }
  if (!firstName.empty()) g_funNameMap["0"] = {firstName, 0};
  g_funStrings[0] = g_textOther[0];

  for (int k = 0; k < 5; ++k) {
    const std::string key = std::to_string(30000 + k);
    std::string name = ini::ReadString(file, "FUN_STRING", key, 15);
    if (name.empty()) {
      ++skipped;
    } else {
      g_funNameMap[key] = {std::move(name), k + 8 - skipped};
    }
  }
}

void LoadColorSkin() { LoadButtonTable(LanguageFilePath("skin_color.ini"), g_ledRects, g_ledCaptions); }

void LoadAdvanceSkin() {
  LoadButtonTable(LanguageFilePath("skin_advance.ini"), g_advancedRects, g_advancedCaptions);
  g_sliderStep = 303.0f / 17.0f;
}

void LoadMacSkin() {
  const std::string file = LanguageFilePath("skin_mac.ini");
  LoadButtonTable(file, g_macroRects, g_macroCaptions);
  g_macroControlRects[0] = ReadControlRect(file, "EDIT", 2);
  g_macroControlRects[1] = ReadControlRect(file, "EDIT", 1);
  g_macroControlRects[2] = ReadControlRect(file, "EDIT", 0);
  g_macroControlRects[3] = ReadControlRect(file, "MACRODISPLAY", 1);
  g_macroControlRects[4] = ReadControlRect(file, "MACRODISPLAY", 2);
  g_macroControlRects[5] = ReadControlRect(file, "MACRODISPLAY", 3);
}

void LoadWarningSkin() { LoadButtonTable(LanguageFilePath("LBWarning.ini"), g_warningRects, g_warningCaptions); }

void LoadMacColorSkin() { LoadButtonTable(LanguageFilePath("mac_color.ini"), g_macColorRects, g_macColorCaptions); }

void LoadAllSkinLayouts() {
  LoadMainSkin();
  LoadColorSkin();
  LoadAdvanceSkin();
  LoadMacSkin();
  LoadWarningSkin();
  LoadMacColorSkin();
}

void SetSkinFileMissingCloseHandler(std::function<void()> handler) { g_closeHandler = std::move(handler); }

bool SkinCloseRequested() { return g_closeRequested; }

void ResetSkinCloseRequest() { g_closeRequested = false; }
