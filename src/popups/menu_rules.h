// What the popup menus and their submenus do with a choice, without any window: the
// sizes of each menu kind, where a cascading submenu opens, and the writes of a choice
// into the settings tables (button functions with the left-button rule, lighting
// effect, key reactions, lighting steps of a macro, gun preset, insert codes).
// UI thread only.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>

// The kinds of list that the popup menu shows (g_menuKind).
enum MenuKind : int {
  MenuKindProfile = 0,
  MenuKindButtonFunction = 1,
  MenuKindLedEffect = 4,
  MenuKindKeyReaction = 5,
  MenuKindLedStepMode = 6,
  MenuKindLedStepValue = 7,
  MenuKindGunPreset = 9,
  MenuKindLanguage = 10,
  MenuKindGroupList = 11,
  MenuKindMacroList = 12,
  MenuKindEventList = 13,
  MenuKindInsertEvent = 14,
};
bool IsMenuKind(int kind);

// The kinds of the cascading submenu (g_subMenuKind): a function sub-list of the
// button-function menu, the macro groups, the four insert lists of the insert menu.
enum SubMenuKind : int {
  SubMenuKindFunctions = 0,
  SubMenuKindGroups = 1,
  SubMenuKindInsertFirst = 141,
  SubMenuKindInsertLast = 144,
};

// The row of the menu with nothing under the pointer.
inline constexpr int kNoMenuRow = 255;
// A menu hit-tests at most 14 rows.
inline constexpr int kMaxMenuRows = 14;

// Lighting block of the edited macro that the lighting-step menus write (the macro page
// sets it when it opens them).
extern int g_ledSubListBlock;

// ---- Images and texts ----------------------------------------------------------------

// Names under g_skinsDir of a menu's images: the mask gives its size, the others its
// background and the looks of the hovered row (empty: none).
struct MenuImageNames {
  const char* mask;
  const char* normal;
  const char* over;
  const char* down;
};
MenuImageNames MenuImagesOf(int kind);
MenuImageNames SubMenuImagesOf(int subKind);

// Entry `index` of a text table, empty outside it.
template <std::size_t N>
std::string TableText(const std::array<std::string, N>& table, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? table[static_cast<std::size_t>(index)] : std::string();
}

// ---- Sizes ------------------------------------------------------------------------------

struct MenuGeometry {
  int width = 0;
  int rowHeight = 0;
  int rows = 0;  // rows hit-tested (1 .. rows)
  int height = 0;
};

// The geometry of a menu of `kind` whose mask is maskWidth x maskHeight; itemCount is
// the number of languages given to the language menu.
MenuGeometry MenuSizes(int kind, int maskWidth, int maskHeight, int itemCount);

// Rows of a submenu: kind 0 opened from row 7 (one per function name), 8 or 11 of the
// button-function menu, the groups, the insert lists.
int SubMenuRows(int subKind, int fromRow, int functionNameCount);
// Row height of a submenu whose mask is maskHeight high.
int SubMenuRowHeight(int subKind, int maskHeight);

// A hovered row of a menu that opens a submenu beside it: the submenu's kind, its
// offset below the menu's top in rows of the menu, and its size.
struct Cascade {
  int subKind = 0;
  int offsetRows = 0;
  int width = 0;
  int height = 0;
};
std::optional<Cascade> CascadeOf(int kind, int row, int groupCount);

// Offset in rows of the macro selection menu below the group submenu's top, so that
// its last row lies beside the hovered group row (negative above the submenu's top).
int MacroSelectionOffsetRows(int groupRow, int macrosInGroup);

// ---- Choices ------------------------------------------------------------------------------

// Stores `code` as the function of `button` in `profile` (and clears its software flag).
// Left-button rule: when no button of profile 0 is left with the left-button function
// (code 1), the next button gets it, or the chosen one itself when it is the last.
// A profile or button outside the tables changes nothing and gives false.
bool AssignButtonFunction(int profile, int button, int code);
// The button whose function menu is open: g_selectedButtonItem - 20.
int SelectedButton();

// The code of a function sub-list row: from row 7 the key of the function-name entry
// listed at that row (none: nothing), from row 8 the media keys 23.., from row 11 the
// functions 19...
using FunctionNameMap = std::map<std::string, std::pair<std::string, int>>;
std::optional<int> FunctionSubListCode(int fromRow, int row, const FunctionNameMap& names);
// The display name shown at a row of the row-7 sub-list (empty when none).
std::string FunctionSubListName(int row, const FunctionNameMap& names);

// Assignment code of macro `row` (1-based) of group `group` (0-based).
int LibraryMacroCode(int group, int row);

// Insert code of row r of insert list 141..144 (241 .. 258), or nothing outside its rows.
std::optional<int> InsertCode(int subKind, int row);

// Profile menu: row 1..4 makes that profile current.
bool ChooseProfile(int row);
// Lighting effect menu: the effect listed at the row, with direction 0.
bool ChooseLedEffect(int row);
// Key reaction menu of `button` (taken when the menu opened): reaction row - 1, rows 1..4.
bool ChooseKeyReaction(int button, int row);
// The button of the key-reaction drop-down under the pointer (g_hoverLed - 61), or -1
// when that is no button of the device.
int KeyReactionButton(int hoverLed);
// Lighting-step menus: byte 4 (mode) or 5 (value) of lighting block g_ledSubListBlock of
// the edited macro. Mode rows 1..5 store 1, 2, 3, 6, 7; value rows 1..7 store the row.
// A block or macro index outside the record changes nothing and gives false.
bool ChooseLedStepMode(int row);
bool ChooseLedStepValue(int row);
// Gun preset menu: row 1..g_gunMacroCount makes that preset current; gives the preset
// shown before when it changed, nothing when the same one was chosen (or no preset).
std::optional<int> ChooseGunPreset(int row);
