#include "profile/macro_library.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "platform/plain_file.h"
#include "platform/text_codec.h"
#include "profile/core_hooks.h"
#include "profile/damaged_files.h"
#include "profile/kept_aside.h"
#include "profile/library_files.h"
#include "profile/macro_files.h"
#include "profile/macro_import_check.h"
#include "profile/macro_library_internal.h"
#include "profile/macro_record.h"
#include "profile/macro_text.h"
#include "profile/missing_files.h"
#include "profile/paths.h"
#include "profile/save_failures.h"

std::atomic<int> g_groupCount{0};
std::array<std::string, kMaxMacroGroups> g_groupNames;
std::atomic<int> g_curGroup{0};
std::array<int, kMaxMacroGroups> g_groupMacroCounts{};
std::array<std::array<std::string, kMaxGroupMacros>, kMaxMacroGroups> g_macroNames;
std::array<int, kMaxMacroGroups> g_groupExpanded{};
std::atomic<int> g_editMacro{0};
std::atomic<int> g_macroListRow{-1};
std::array<MacroListRow, kMacroListMaxRows> g_macroListRows{};
std::atomic<int> g_macroListRowCount{0};
std::atomic<bool> g_macroListExists{false};

namespace {

constexpr const char* kListFile = "macroGrp.ini";
constexpr const char* kCountSection = "MACRO_GROUP_NUM";
constexpr const char* kCountKey = "macGrpNum";
constexpr const char* kNameSection = "MACRO_GROUP_NAME";
constexpr std::size_t kCountBuffer = 3;
// One character past the longest usable name: a longer name reads as too long, not
// cut down to another group's name.
constexpr std::size_t kListedNameBuffer = kGroupNameChars + 2;
// Far above twelve names of 59 characters; a larger file is no list the program wrote.
constexpr std::size_t kMaxListFileBytes = 64 * 1024;
// The name of a record is its first 60 fields of three digits.
constexpr std::size_t kRecordNameBuffer = kMacroNameBytes * 3 + 1;

std::mutex g_libraryLock;
MacroPageHooks g_pageHooks;

std::string ListFilePath() { return g_macroDir + kListFile; }

bool RowInRange(int row) { return row >= 0 && row < g_macroListRowCount.load(); }

// ---- unique names, on code points so that no character is split -------------------

std::size_t Utf16Units(const std::u32string& text) {
  std::size_t units = 0;
  for (char32_t c : text) units += c > 0xFFFF ? 2 : 1;
  return units;
}

std::u32string CutToUnits(std::u32string text, std::size_t maxUnits) {
  while (!text.empty() && Utf16Units(text) > maxUnits) text.pop_back();
  return text;
}

std::u32string ToU32(std::string_view utf8) {
  std::u16string u16 = Utf8ToUtf16(utf8);
  std::u32string out;
  for (std::size_t i = 0; i < u16.size(); ++i) {
    char32_t c = u16[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u16.size() && u16[i + 1] >= 0xDC00 && u16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (u16[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

std::string ToUtf8(const std::u32string& text) {
  std::u16string u16;
  for (char32_t c : text) {
    if (c > 0xFFFF) {
      c -= 0x10000;
      u16.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      u16.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      u16.push_back(static_cast<char16_t>(c));
    }
  }
  return Utf16ToUtf8(u16);
}

// Stem (all but the last two characters) and tail (the last two) of a name.
std::u32string StemOf(const std::u32string& name) { return name.size() >= 2 ? name.substr(0, name.size() - 2) : U""; }
std::u32string TailOf(const std::u32string& name) { return name.size() >= 2 ? name.substr(name.size() - 2) : name; }
bool IsTwoDigits(const std::u32string& tail) {
  return tail.size() == 2 && tail[0] >= U'0' && tail[0] <= U'9' && tail[1] >= U'0' && tail[1] <= U'9';
}

// Why the list's text is not a list as the program writes it: a count from 0 to 12 and,
// for each group counted, a plain group name not listed before. Empty when it is one;
// `names` and `count` then hold the list.
std::string ListDamage(const ini::ParsedText& list, std::array<std::string, kMaxMacroGroups>& names, int& count) {
  const std::string text = list.ReadString(kCountSection, kCountKey, 8);
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(text) > kMaxMacroGroups)
    return "its group count is not a number from 0 to 12";
  count = std::stoi(text);
  for (int i = 0; i < count; ++i) {
    names[i] = list.ReadString(kNameSection, std::to_string(i), kListedNameBuffer);
    const std::string entry = "its entry " + std::to_string(i);
    if (names[i].empty()) return entry + " is missing";
    if (!IsUsableGroupName(names[i])) return entry + " is no group file name";
    for (int k = 0; k < i; ++k)
      if (names[k] == names[i]) return entry + " repeats entry " + std::to_string(k);
  }
  return {};
}

// What reading the file of a group would give, without blocking on a FIFO or a device
// in its place.
platform::PlainFileRead ProbeGroupFile(const std::string& name) {
  return platform::ProbePlainFile(g_macroDir + name + ".dat", kMaxMacroFileBytes);
}

// A group file that is there but cannot be one (a folder, a FIFO, a device) is named,
// once per load, rather than left out without a word.
void NoteUnusableGroupFile(const std::string& name, platform::PlainFileRead result,
                           std::vector<std::string>& notes) {
  const std::string text = FileReadFailure(g_macroDir + name + ".dat", result) + ", so its group is not listed";
  if (std::find(notes.begin(), notes.end(), text) == notes.end()) notes.push_back(text);
}

// How many of the folder's group files a recovered list holds, in words.
std::string ListedGroupsText(int listed, int found) {
  if (found == 0) return "the folder holds no group file to list";
  if (found == 1) return "the folder's one group file is listed";
  const std::string files = std::to_string(found) + " group files";
  return listed < found ? "the first " + std::to_string(listed) + " of the folder's " + files + " are listed"
                        : "the folder's " + files + " are listed";
}

// The groups of a damaged list: those of its names that still lead to a group file, in
// their order, then the other group files of the folder by name; at most 12. `found`
// counts every group file seen, listed or not.
int RecoverGroups(const ini::ParsedText* list, std::array<std::string, kMaxMacroGroups>& names, int& found,
                  std::vector<std::string>& notes) {
  std::vector<std::string> candidates;
  if (list != nullptr) {
    for (int i = 0; i < kMaxMacroGroups; ++i)
      candidates.push_back(list->ReadString(kNameSection, std::to_string(i), kListedNameBuffer));
  }
  std::vector<std::string> files;
  std::error_code error;
  for (std::filesystem::directory_iterator it(g_macroDir, error), end; !error && it != end; it.increment(error)) {
    const std::string file = it->path().filename().string();
    if (file.size() > 4 && file.ends_with(".dat")) files.push_back(file.substr(0, file.size() - 4));
  }
  std::sort(files.begin(), files.end());
  candidates.insert(candidates.end(), files.begin(), files.end());

  std::vector<std::string> seen, listed;
  found = 0;
  for (const std::string& name : candidates) {
    // Only plain names: none leads out of the folder.
    if (!IsUsableGroupName(name) || std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
    seen.push_back(name);
    const platform::PlainFileRead result = ProbeGroupFile(name);
    if (result == platform::PlainFileRead::Missing) continue;
    if (result != platform::PlainFileRead::Read) {
      NoteUnusableGroupFile(name, result, notes);
      continue;
    }
    ++found;
    if (listed.size() < kMaxMacroGroups) listed.push_back(name);
  }
  names = {};
  std::copy(listed.begin(), listed.end(), names.begin());
  return static_cast<int>(listed.size());
}

}  // namespace

// ---- shared with the commands ---------------------------------------------------------------

namespace library_internal {

std::mutex& Lock() { return g_libraryLock; }

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void BuildRowsLocked() {
  int rows = 0;
  const int groups = std::clamp(g_groupCount.load(), 0, kMaxMacroGroups);
  for (int g = 0; g < groups; ++g) {
    g_macroListRows[rows++] = MacroListRow{1, static_cast<std::int8_t>(g), kGroupRowMacro};
    if (g_groupExpanded[g] != 1) continue;
    const int macros = std::clamp(g_groupMacroCounts[g], 0, kMaxGroupMacros);
    for (int j = 0; j < macros; ++j) {
      g_macroListRows[rows++] = MacroListRow{0, static_cast<std::int8_t>(g), static_cast<std::int8_t>(j)};
    }
  }
  g_macroListRowCount = rows;
}

void NotifyListChanged() {
  if (g_pageHooks.macroListChanged) g_pageHooks.macroListChanged();
}

}  // namespace library_internal

using library_internal::IsRegularFile;

void SetMacroPageHooks(MacroPageHooks hooks) { g_pageHooks = std::move(hooks); }
const MacroPageHooks& MacroPage() { return g_pageHooks; }

bool IsUsableGroupName(std::string_view name) {
  if (!IsPlainFileName(name)) return false;
  if (Utf8ToUtf16(name).size() > static_cast<std::size_t>(kGroupNameChars)) return false;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  if (blank(name.front()) || blank(name.back())) return false;
  return IsPlainFileName(std::string(name) + ".dat");
}

std::string GroupFilePath(int g) {
  std::lock_guard<std::mutex> guard(g_libraryLock);
  if (g < 0 || g >= g_groupCount.load() || g >= kMaxMacroGroups) return {};
  if (!IsUsableGroupName(g_groupNames[g])) return {};
  return g_macroDir + g_groupNames[g] + ".dat";
}

void LoadMacroGroups() {
  const std::string list = ListFilePath();
  std::string bytes;
  const platform::PlainFileRead read = platform::ReadPlainFile(list, kMaxListFileBytes, bytes);
  if (read == platform::PlainFileRead::Missing) ReportMissingFile(list);

  std::array<std::string, kMaxMacroGroups> names;
  int count = 0;
  std::optional<ini::ParsedText> parsed;
  std::string damage;
  if (read == platform::PlainFileRead::Read) {
    parsed.emplace(bytes);
    const std::string why = ListDamage(*parsed, names, count);
    if (!why.empty()) damage = "is damaged (" + why + ")";
  } else if (read != platform::PlainFileRead::Missing) {
    damage = platform::PlainFileReadText(read);
  }

  std::vector<std::string> notes;
  const bool broken = !damage.empty();
  int found = 0;
  bool dropped = false;
  if (broken) {
    count = RecoverGroups(parsed ? &*parsed : nullptr, names, found, notes);
  } else {
    // Groups whose file is gone are dropped; so are those whose file cannot be one,
    // with a word.
    int i = 0;
    while (i < count) {
      const platform::PlainFileRead result = ProbeGroupFile(names[i]);
      if (result == platform::PlainFileRead::Read) {
        ++i;
        continue;
      }
      if (result != platform::PlainFileRead::Missing) NoteUnusableGroupFile(names[i], result, notes);
      for (int k = i; k + 1 < count; ++k) names[k] = names[k + 1];
      names[count - 1].clear();
      --count;
      dropped = true;
    }
  }

  {
    std::lock_guard<std::mutex> guard(g_libraryLock);
    g_groupNames = names;
    g_groupCount = count;
    if (count > 0) g_curGroup = 0;
  }
  if (broken) {
    // The damaged list stays beside the new one; without that it is not overwritten.
    const std::string kept = KeepBrokenFileAside(list);
    if (!kept.empty()) SaveMacroGroups();
    std::string text = list + " " + damage + "; " + ListedGroupsText(count, found);
    if (!kept.empty()) text += ", old file kept as " + FileNamePart(kept);
    notes.insert(notes.begin(), text);
  } else if (dropped) {
    SaveMacroGroups();
  }
  ReportDamagedFiles(notes, DamagedFileBox::Show);
}

bool LoadMacroGroup(int g, bool read) {
  std::string path = GroupFilePath(g);
  if (path.empty() || !IsRegularFile(path)) {
    if (read && !path.empty()) {
      g_groupMacroCount = 0;
      for (int i = 0; i < kMacroTableSize; ++i) ClearMacroRecord(g_groupMacros, i);
    }
    return false;
  }
  if (read) ReadMacroGroupFile(path);
  return true;
}

void SelectCurrentGroup() {
  if (g_groupCount.load() > 0) LoadMacroGroup(g_curGroup.load(), true);
  if (g_pageHooks.refreshPage) g_pageHooks.refreshPage();
}

void SaveMacroGroups() {
  const std::string list = ListFilePath();
  std::array<std::string, kMaxMacroGroups> names;
  int count;
  {
    std::lock_guard<std::mutex> guard(g_libraryLock);
    names = g_groupNames;
    count = std::clamp(g_groupCount.load(), 0, kMaxMacroGroups);
  }
  // One replacement of the file for all thirteen keys.
  ini::Batch batch(list);
  batch.WriteInt(kCountSection, kCountKey, count);
  for (int i = 0; i < kMaxMacroGroups; ++i) {
    batch.WriteString(kNameSection, std::to_string(i), i < count ? names[i] : std::string());
  }
  CommitOrReport(batch);
}

void LoadAllMacroNames() {
  for (int g = 0; g < kMaxMacroGroups; ++g) {
    std::string path = GroupFilePath(g);
    int count = 0;
    std::array<std::string, kMaxGroupMacros> names;
    std::string bytes;
    if (!path.empty() && platform::ReadPlainFile(path, kMaxMacroFileBytes, bytes) == platform::PlainFileRead::Read) {
      const ini::ParsedText file(bytes);
      // The tables hold twelve macros per group; a larger count must not lead the
      // menus and the download past them.
      count = std::clamp(ini::ToInt(file.ReadString("Macros", "macroNum", kCountBuffer)), 0, kMaxGroupMacros);
      for (int j = 0; j < count; ++j) {
        names[j] = DecodeMacroName(file.ReadString("Macros", std::to_string(j), kRecordNameBuffer));
      }
    }
    std::lock_guard<std::mutex> guard(g_libraryLock);
    g_groupMacroCounts[g] = count;
    g_macroNames[g] = names;
  }
}

void FillMacroLists() {
  {
    std::lock_guard<std::mutex> guard(g_libraryLock);
    library_internal::BuildRowsLocked();
  }
  library_internal::NotifyListChanged();
}

void ReloadMacroLibrary() {
  LoadMacroGroups();
  if (g_groupCount.load() > 0) {
    LoadMacroGroup(g_curGroup.load(), true);
    LoadAllMacroNames();
  } else {
    LoadAllMacroNames();  // empties the name rows of the previous library
  }
}

bool GetMacroListRow(int row, MacroListRow& out) {
  std::lock_guard<std::mutex> guard(g_libraryLock);
  if (!RowInRange(row)) return false;
  out = g_macroListRows[row];
  return true;
}

std::string MacroListRowText(int row) {
  MacroListRow r;
  if (!GetMacroListRow(row, r) || r.group < 0 || r.group >= kMaxMacroGroups) return {};
  if (r.isGroup) return g_groupNames[r.group];
  if (r.macro < 0 || r.macro >= kMaxGroupMacros) return {};
  return g_macroNames[r.group][r.macro];
}

int MacroListRowKind(int row) {
  MacroListRow r;
  if (!GetMacroListRow(row, r) || r.group < 0 || r.group >= kMaxMacroGroups) return -1;
  if (!r.isGroup) return kMacroListMacro;
  return g_groupExpanded[r.group] == 1 ? kMacroListExpandedGroup : kMacroListCollapsedGroup;
}

int MacroListGroupRow(int g) {
  std::lock_guard<std::mutex> guard(g_libraryLock);
  for (int row = 0; row < g_macroListRowCount.load(); ++row) {
    if (g_macroListRows[row].isGroup && g_macroListRows[row].group == g) return row;
  }
  return -1;
}

std::array<std::string, 13> GroupRecordNames(int count) {
  std::array<std::string, 13> names;
  count = std::clamp(count, 0, kMacroTableSize);
  for (int i = 0; i < count; ++i) names[i] = MacroName(g_groupMacros[i]);
  return names;
}

std::string MakeUniqueMacroName(std::span<const std::string> names, int renamedIndex, std::string_view proposed,
                                int maxChars) {
  const std::size_t maxUnits = static_cast<std::size_t>(std::max(maxChars, 3));
  const std::u32string name = CutToUnits(ToU32(proposed), maxUnits);
  const std::u32string stem = StemOf(name);
  const bool ownTailDigits = IsTwoDigits(TailOf(name));

  std::vector<std::u32string> others;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (static_cast<int>(i) != renamedIndex) others.push_back(ToU32(names[i]));
  }

  int highest = 0;
  bool duplicate = false;
  for (const std::u32string& other : others) {
    std::u32string tail = TailOf(other);
    if (StemOf(other) == stem && IsTwoDigits(tail)) {
      highest = std::max(highest, static_cast<int>((tail[0] - U'0') * 10 + (tail[1] - U'0')));
    }
    if (other == name) duplicate = true;
  }
  if (!duplicate) return ToUtf8(name);

  const std::u32string base = ownTailDigits ? stem : name;
  for (int number = std::max(highest + 1, 2);; ++number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", number);
    std::u32string suffix(digits, digits + std::char_traits<char>::length(digits));
    std::u32string candidate = CutToUnits(base, maxUnits - std::min(maxUnits, suffix.size())) + suffix;
    if (std::find(others.begin(), others.end(), candidate) == others.end()) return ToUtf8(candidate);
  }
}

void SaveSelectedListMacro() {
  if (!g_macroListExists.load()) return;
  std::string path;
  int index = -1;
  {
    std::lock_guard<std::mutex> guard(g_libraryLock);
    const int row = g_macroListRow.load();
    if (!RowInRange(row)) return;
    const MacroListRow r = g_macroListRows[row];
    // Only the loaded group's records are in memory; another group's file must not
    // receive them.
    if (r.isGroup || r.group != g_curGroup.load() || r.group >= g_groupCount.load()) return;
    if (!IsUsableGroupName(g_groupNames[r.group])) return;
    path = g_macroDir + g_groupNames[r.group] + ".dat";
    index = r.macro;
  }
  if (index >= 0 && index < kMacroTableSize) SaveMacroEntry(path, index);
}
