// Feeds arbitrary bytes to the readers of the skin layout files, as every layout file
// of the language folder at once. Checks that each value is split by the comma rule
// without losing or adding text, that every rectangle read is within the layout
// bounds and holds its own corner exactly when it has a size, that the hit test gives
// a rectangle holding the point and none after one that holds it, that the places of
// the labels and centred texts the windows paint come out where they belong (the sums
// they make overflow on a rectangle out of bounds), and that the function sub-list
// names only its own keys and rows.
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "keys/language.h"
#include "mainwnd/label_place.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "popups/function_names.h"
#include "profile/paths.h"
#include "skin/skin_layout.h"
#include "skin/warning_layout.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

using fuzzfiles::Check;

constexpr const char* kLayoutFiles[] = {"skin_main.ini", "skin_color.ini", "skin_advance.ini",
                                        "skin_mac.ini",  "LBWarning.ini",  "mac_color.ini"};

// The pieces of a split value put back together give the value.
void CheckSplit(const std::string& value) {
  SkinFields fields;
  SplitSkinValue(value, fields);
  const std::size_t commas = static_cast<std::size_t>(std::count(value.begin(), value.end(), ','));
  std::string joined = fields[0];
  const std::size_t pieces = commas == 0 || commas == 3 || commas == 4 ? 1 : commas <= 2 ? commas + 1 : 6;
  for (std::size_t i = 1; i < pieces; ++i) joined += "," + fields[i];
  if (commas >= 6) joined += "," + fields[6];
  Check(joined == value);
}

// Wider than any text the windows paint: a caption of 259 characters in the largest font.
constexpr int kWidestText = 1 << 16;

// The painted places of texts of no size, of half the width and of the widest, as the
// pages and popups align them.
void CheckTextPlaces(const SkinRect& r) {
  const LabelPlace kPlaces[] = {{LabelPlace::Align::Centre, 5, 100, 0}, {LabelPlace::Align::Centre, 0, 0, 30},
                                {LabelPlace::Align::Left, -3, 0, 0},    {LabelPlace::Align::Right, 0, 0, 0},
                                {LabelPlace::Align::Below, 0, 0, 0}};
  for (const int extent : {0, r.width / 2, kWidestText}) {
    const int start = CentredStart(r.x, r.width, extent);
    if (extent <= r.width) Check(start >= r.x && start + extent <= r.x + r.width);
    Check(CentredStart(r.y, r.height, extent) <= r.y + r.height);
    for (const LabelPlace& place : kPlaces) {
      const int left = LabelLeft(r, place, extent);
      const int top = LabelTop(r, place, extent);
      switch (place.align) {
        case LabelPlace::Align::Centre: {
          const int aligned = left - place.dx;
          if (extent <= r.width - place.narrower) Check(aligned >= r.x && aligned + extent <= r.x + r.width);
          break;
        }
        case LabelPlace::Align::Left: Check(left == r.x + place.dx); break;
        case LabelPlace::Align::Right: Check(left + extent == r.x + r.width); break;
        case LabelPlace::Align::Below: Check(top == r.y + r.height + 2); break;
      }
    }
  }
}

void CheckTable(std::span<const SkinRect> rects) {
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const SkinRect& r = rects[i];
    Check(r.x >= kLayoutCoordinateMin && r.x <= kLayoutCoordinateMax && r.y >= kLayoutCoordinateMin &&
          r.y <= kLayoutCoordinateMax);
    Check(r.width >= 0 && r.width <= kLayoutSizeMax && r.height >= 0 && r.height <= kLayoutSizeMax);
    CheckTextPlaces(r);
    (void)r.ToQRect();
    const bool sized = r.width > 0 && r.height > 0;
    Check(r.Contains(r.x, r.y) == sized);
    const int hit = HitTestRects(r.x, r.y, rects);
    if (sized) Check(hit != kNoSkinHit && hit <= static_cast<int>(i));
    if (hit != kNoSkinHit) Check(rects[static_cast<std::size_t>(hit)].Contains(r.x, r.y));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  static const std::string root = [] {
    const std::string folder = fuzzfiles::PrivateFolder("skin_layout_fuzz");
    g_language = 1;
    SetProgramPaths(folder);
    std::filesystem::create_directories(g_skinsDir + LanguageFolderName(1));
    return folder;
  }();
  for (const char* name : kLayoutFiles) fuzzfiles::WriteBytes(LanguageFilePath(name), data, size);

  LoadAllSkinLayouts();

  const std::string file = LanguageFilePath("skin_main.ini");
  for (const std::string& section : {"BUTTONPOS", "FUN_STRING", "EDIT", "MACRODISPLAY"})
    for (const std::string& key : ini::SectionKeys(file, section)) CheckSplit(ini::ReadString(file, section, key, 260));
  CheckTable(g_mainRects);
  CheckTable(g_ledRects);
  CheckTable(g_advancedRects);
  CheckTable(g_macroRects);
  CheckTable(g_warningRects);
  CheckTable(g_macColorRects);
  for (const ControlRect& control : g_macroControlRects) (void)control.ToQRect();

  static const std::set<std::string> kRowKeys = {"0",     "12",    "13",    "14",    "15",   "16",
                                                 "17",    "30000", "30001", "30002", "30003", "30004"};
  for (const auto& [key, entry] : g_funNameMap) {
    Check(kRowKeys.count(key) == 1);
    Check(entry.second >= 0 && entry.second <= 11);
  }
  return 0;
}
