// The macro library on disk: macro groups, their list file and the factory copy.
//
// Each language folder holds a library: g_macroDir with the list file macroGrp.ini
// (MACRO_GROUP_NUM/macGrpNum, MACRO_GROUP_NAME/"0".."11") and one group file per group
// (group name + ".dat"), and g_macroResetDir with the factory library that a reset
// copies back. A group's name is its file name without ".dat"; indices are 0-based.
//
// Threads: everything here runs on the UI thread, except SaveSelectedListMacro (the
// Apply save worker) and GroupFilePath (any thread). Names and list rows change under
// an internal lock, and GroupFilePath and SaveSelectedListMacro read them under it, so
// a worker never sees a name half-way through a change.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

constexpr int kMaxMacroGroups = 12;
constexpr int kMaxGroupMacros = 12;
constexpr int kMacroNameChars = 30;   // the record's name field
constexpr int kGroupNameChars = 59;   // the longest name of a macroGrp.ini entry
constexpr int kMacroListMaxRows = kMaxMacroGroups * (kMaxGroupMacros + 1);
constexpr std::int8_t kGroupRowMacro = -1;  // macro byte of a group row (255 as unsigned)

// Item kinds of the macro list (the list control's icons).
constexpr int kMacroListCollapsedGroup = 0;
constexpr int kMacroListExpandedGroup = 1;
constexpr int kMacroListMacro = 2;

// ---- Group tables --------------------------------------------------------------------

extern std::atomic<int> g_groupCount;                  // 0 to 12
extern std::array<std::string, kMaxMacroGroups> g_groupNames;
extern std::atomic<int> g_curGroup;                    // the group whose records are in g_groupMacros
extern std::array<int, kMaxMacroGroups> g_groupMacroCounts;  // macroNum of each group's file (0..12)
extern std::array<std::array<std::string, kMaxGroupMacros>, kMaxMacroGroups> g_macroNames;
extern std::array<int, kMaxMacroGroups> g_groupExpanded;     // 1: the group's macros are listed under it
extern std::atomic<int> g_editMacro;                   // selected macro in g_groupMacros
extern std::atomic<int> g_macroListRow;                // selected row of the macro list, -1 for none

// One row of the macro list.
struct MacroListRow {
  std::int8_t isGroup = 0;  // 1 group row, 0 macro row
  std::int8_t group = 0;
  std::int8_t macro = 0;    // kGroupRowMacro on a group row
};
extern std::array<MacroListRow, kMacroListMaxRows> g_macroListRows;
extern std::atomic<int> g_macroListRowCount;

// Set by the macro page while its macro list exists (the Apply save looks at it).
extern std::atomic<bool> g_macroListExists;

// ---- What the library asks of the macro page --------------------------------------------
// The page installs these when it creates its controls; an empty hook does nothing
// (isRecording answers false).
struct MacroPageHooks {
  // The rows of g_macroListRows changed: show them (MacroListRowText, MacroListRowKind),
  // select g_macroListRow and repaint the page's macro region.
  std::function<void()> macroListChanged;
  std::function<void()> clearEventList;
  std::function<void()> clearLedSubList;
  // Show the events of g_editMacro (the event list is rebuilt).
  std::function<void()> showMacroEvents;
  // Put a text into the play-count edit and enable or disable it.
  std::function<void(const std::string& text, bool enabled)> setPlayCount;
  // Let the page refresh itself after the current group changed.
  std::function<void()> refreshPage;
  // Close an open popup menu of the main window.
  std::function<void()> closePopupMenu;
  // Open the macro list's in-place editor on its selected row.
  std::function<void()> beginListRename;
  std::function<bool()> isRecording;
};
void SetMacroPageHooks(MacroPageHooks hooks);
const MacroPageHooks& MacroPage();

// ---- Loading and listing ------------------------------------------------------------------

// Reads macroGrp.ini into g_groupCount and g_groupNames; listed groups without a file
// are dropped and the list file is rewritten, and so are those whose file is no plain
// file (a folder, a FIFO, a device), which are named. A missing list file shows TipText
// entry 5 and leaves an empty library. A damaged one (no plain file, larger than
// 64 KiB, a count that is no number from 0 to 12, a counted name missing, as in a cut
// file, one that is no plain group name or that repeats another) is kept aside
// (macroGrp.ini.broken-<date>-<time>); the group files of the folder are listed
// instead (its names that still lead to a file first, then the others by name). What
// a load has to say goes to standard error and into one warning box, each file named.
void LoadMacroGroups();
// Whether the file of group g exists; when it does and `read` is set, its records are
// loaded into g_groupMacros. Indices outside the list give false. When `read` is set
// for a listed group whose file is gone, the loaded records are cleared (count 0):
// they belong to another group and must not be saved into g's file.
bool LoadMacroGroup(int g, bool read);
// Loads the current group (when there is one) and lets the macro page refresh.
void SelectCurrentGroup();
// Writes macroGrp.ini from g_groupCount and g_groupNames (keys from the count to "11"
// empty).
void SaveMacroGroups();
// Fills g_groupMacroCounts and g_macroNames from the group files.
void LoadAllMacroNames();
// Rebuilds g_macroListRows and tells the macro page.
void FillMacroLists();
// Start-up and language change, after the folders were set: LoadMacroGroups, the
// current group and LoadAllMacroNames.
void ReloadMacroLibrary();

// The text and item kind of a row of the macro list (empty text and -1 outside the rows).
std::string MacroListRowText(int row);
int MacroListRowKind(int row);
// The row at `row`, or false when the index is outside the rows.
bool GetMacroListRow(int row, MacroListRow& out);
// The row that shows group g (-1 when none).
int MacroListGroupRow(int g);

// g_macroDir + the name of group g + ".dat"; empty for an index outside the list.
// Safe to call from any thread.
std::string GroupFilePath(int g);

// True when a name can name a group: a plain file name (no folder parts, no ".."),
// at most kGroupNameChars characters, without blanks at its ends (the list file would
// lose them).
bool IsUsableGroupName(std::string_view name);

// The names of the first `count` records of g_groupMacros.
std::array<std::string, 13> GroupRecordNames(int count);

// The name to use for entry `renamedIndex` of `names` when `proposed` is wanted: a name
// equal to another entry gets a two-digit number (the highest number of the entries
// with the same stem + 1, at least 02), replacing the proposed name's own two-digit
// tail or appended to it. The result has at most maxChars characters (the stem is
// shortened to keep the number) and differs from every other entry.
std::string MakeUniqueMacroName(std::span<const std::string> names, int renamedIndex, std::string_view proposed,
                                int maxChars = kMacroNameChars);

// When the macro page's list exists and its selected row is a macro (not a group
// row), saves that macro into its group file. Used by the Apply save.
void SaveSelectedListMacro();
