#include "popups/menu_rules.h"

#include <algorithm>
#include <cstdlib>

#include "device/memory_image.h"
#include "popups/gun_rules.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/settings.h"

int g_ledSubListBlock = 0;

// g_selectedButtonItem belongs to the main window's input handling.
extern int g_selectedButtonItem;

namespace {

constexpr int kMacMenuRowHeight = 20;
// Size of the window that a cascading submenu is given.
constexpr int kFunctionSubMenuWidth = 300;
constexpr int kFunctionSubMenuHeight = 400;
constexpr int kInsertSubMenuWidth = 300;
constexpr int kInsertSubMenuHeight = 721;

int KeyCount() { return std::clamp(g_keyCount.load(), 0, kButtonCount); }
bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The lighting block that the step menus write, or null when the numbers that select
// it (both come from files) lie outside the record tables.
std::uint8_t* LedStepBlock() {
  const int macro = g_editMacro.load();
  const int block = g_ledSubListBlock;
  if (!In(macro, 0, kMacroTableSize - 1) || !In(block, 0, kMacroBlockCount - 1)) return nullptr;
  return g_groupMacros[static_cast<std::size_t>(macro)].ledBlocks[static_cast<std::size_t>(block)].data();
}

}  // namespace

bool IsMenuKind(int kind) {
  switch (kind) {
    case MenuKindProfile:
    case MenuKindButtonFunction:
    case MenuKindLedEffect:
    case MenuKindKeyReaction:
    case MenuKindLedStepMode:
    case MenuKindLedStepValue:
    case MenuKindGunPreset:
    case MenuKindLanguage:
    case MenuKindGroupList:
    case MenuKindMacroList:
    case MenuKindEventList:
    case MenuKindInsertEvent: return true;
    default: return false;
  }
}

// ---- Images ------------------------------------------------------------------------------

MenuImageNames MenuImagesOf(int kind) {
  switch (kind) {
    case MenuKindProfile: return {"Profile_mask.jpg", "Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg"};
    case MenuKindButtonFunction: return {"menu1_mask.jpg", "menu1_normal.jpg", "menu1_over.jpg", "menu1_down.jpg"};
    case MenuKindLedEffect:
      return {"led_menu_mask.jpg", "led_menu_normal.jpg", "led_menu_over.jpg", "led_menu_down.jpg"};
    case MenuKindKeyReaction:
    case MenuKindLedStepMode:
    case MenuKindLedStepValue: return {"menu_mask.jpg", "menu_normal.jpg", "menu_over.jpg", "menu_down.jpg"};
    case MenuKindGunPreset: return {"menu2_mask.jpg", "menu2_normal.jpg", "menu2_over.jpg", "menu2_down.jpg"};
    case MenuKindLanguage: return {"menu2_mask.jpg", "menu2_normal.jpg", "", ""};
    case MenuKindGroupList:
      return {"MacMenu/MacG_mask.jpg", "MacMenu/MacG_normal.jpg", "MacMenu/MacG_over.jpg", "MacMenu/MacG_down.jpg"};
    case MenuKindMacroList:
      return {"MacMenu/MacR_mask.jpg", "MacMenu/MacR_normal.jpg", "MacMenu/MacR_over.jpg", "MacMenu/MacR_down.jpg"};
    case MenuKindEventList:
      return {"MacMenu/MacR_mask2.jpg", "MacMenu/MacR_normal2.jpg", "MacMenu/MacR_over2.jpg",
              "MacMenu/MacR_down2.jpg"};
    case MenuKindInsertEvent:
      return {"MacMenu/Insert_mask.jpg", "MacMenu/Insert_normal.jpg", "MacMenu/Insert_over.jpg",
              "MacMenu/Insert_down.jpg"};
    default: return {"", "", "", ""};
  }
}

MenuImageNames SubMenuImagesOf(int subKind) {
  switch (subKind) {
    case SubMenuKindFunctions: return {"menu2_mask.jpg", "menu2_normal.jpg", "menu2_over.jpg", "menu2_down.jpg"};
    case SubMenuKindGroups:
      return {"menu2_mask.jpg", "Macro_menu_normal.jpg", "Macro_menu_over.jpg", "Macro_menu_down.jpg"};
    case 141:
    case 142:
      return {"MacMenu/Insert2th_mask.jpg", "MacMenu/Insert2th_normal.jpg", "MacMenu/Insert2th_over.jpg",
              "MacMenu/Insert2th_down.jpg"};
    case 143:
      return {"MacMenu/Insert3th_mask.jpg", "MacMenu/Insert3th_normal.jpg", "MacMenu/Insert3th_over.jpg",
              "MacMenu/Insert3th_down.jpg"};
    case 144:
      return {"MacMenu/MacR_mask2.jpg", "MacMenu/MacR_normal2.jpg", "MacMenu/MacR_over2.jpg",
              "MacMenu/MacR_down2.jpg"};
    default: return {"", "", "", ""};
  }
}

// ---- Sizes ------------------------------------------------------------------------------

MenuGeometry MenuSizes(int kind, int maskWidth, int maskHeight, int itemCount) {
  MenuGeometry g;
  g.width = std::max(maskWidth, 0);
  const int h = std::max(maskHeight, 0);
  int rows = 0;
  g.rowHeight = h / 15;
  switch (kind) {
    case MenuKindProfile:
      g.rowHeight = h / 4;
      rows = 4;
      break;
    case MenuKindButtonFunction: rows = 11; break;
    case MenuKindLedEffect: rows = std::clamp(g_ledModeCount.load(), 0, kLedEffectCount); break;
    case MenuKindKeyReaction: rows = 4; break;
    case MenuKindLedStepMode: rows = 5; break;
    case MenuKindLedStepValue: rows = 7; break;
    case MenuKindGunPreset: rows = std::clamp<int>(g_gunMacroCount, 0, 12); break;
    case MenuKindLanguage: rows = itemCount > 0 ? itemCount : 2; break;
    case MenuKindGroupList:
      g.rowHeight = kMacMenuRowHeight;
      rows = 9;
      break;
    case MenuKindMacroList:
    case MenuKindEventList:
      // As high as the image; its rows are 20 pixels.
      g.rowHeight = kMacMenuRowHeight;
      g.height = h;
      g.rows = std::min(h / kMacMenuRowHeight, kMaxMenuRows);
      return g;
    case MenuKindInsertEvent:
      g.rowHeight = kMacMenuRowHeight;
      rows = 7;
      break;
    default: break;
  }
  g.height = rows * g.rowHeight;
  g.rows = g.rowHeight > 0 ? std::min(rows, kMaxMenuRows) : 0;
  return g;
}

int SubMenuRows(int subKind, int fromRow, int functionNameCount) {
  switch (subKind) {
    case SubMenuKindFunctions:
      if (fromRow == 7) return std::min(std::max(functionNameCount, 0), kMaxMenuRows);
      if (fromRow == 8) return 10;
      if (fromRow == 11) return 4;
      return 0;
    case SubMenuKindGroups: return std::clamp(g_groupCount.load(), 0, kMaxMacroGroups);
    case 141:
    case 142: return 6;
    case 143: return 4;
    case 144: return 2;
    default: return 0;
  }
}

int SubMenuRowHeight(int subKind, int maskHeight) {
  if (In(subKind, SubMenuKindInsertFirst, SubMenuKindInsertLast)) return kMacMenuRowHeight;
  return std::max(maskHeight, 0) / 15;
}

std::optional<Cascade> CascadeOf(int kind, int row, int groupCount) {
  if (kind == MenuKindButtonFunction) {
    switch (row) {
      case 7: return Cascade{SubMenuKindFunctions, 4, kFunctionSubMenuWidth, kFunctionSubMenuHeight};
      case 8: return Cascade{SubMenuKindFunctions, 1, kFunctionSubMenuWidth, kFunctionSubMenuHeight};
      case 9: return Cascade{SubMenuKindGroups, 9 - groupCount, kFunctionSubMenuWidth, kFunctionSubMenuHeight};
      case 11: return Cascade{SubMenuKindFunctions, 9, kFunctionSubMenuWidth, kFunctionSubMenuHeight};
      default: return std::nullopt;
    }
  }
  if (kind == MenuKindInsertEvent && In(row, 1, 4))
    return Cascade{140 + row, row - 1, kInsertSubMenuWidth, kInsertSubMenuHeight};
  return std::nullopt;
}

int MacroSelectionOffsetRows(int groupRow, int macrosInGroup) { return groupRow - macrosInGroup; }

// ---- Choices ------------------------------------------------------------------------------

bool AssignButtonFunction(int profile, int button, int code) {
  const int keys = KeyCount();
  if (!In(profile, 0, kProfileCount - 1) || !In(button, 0, keys - 1)) return false;
  std::lock_guard tables(WorkerTablesLock());  // the workers act on the assignments
  auto& funcs = g_keyFunc[static_cast<std::size_t>(profile)];
  funcs[static_cast<std::size_t>(button)] = code;
  g_leftMac[static_cast<std::size_t>(profile)][static_cast<std::size_t>(button)] = 0;
  if (profile != 0) return true;
  for (int n = keys - 1; n >= 0; --n)
    if (funcs[static_cast<std::size_t>(n)] == 1) return true;
  funcs[static_cast<std::size_t>(button == keys - 1 ? button : button + 1)] = 1;
  return true;
}

int SelectedButton() { return g_selectedButtonItem - 20; }

std::optional<int> FunctionSubListCode(int fromRow, int row, const FunctionNameMap& names) {
  switch (fromRow) {
    case 7:
      for (const auto& [key, entry] : names)
        if (entry.second == row) return std::atoi(key.c_str());
      return std::nullopt;
    case 8: return In(row, 1, 10) ? std::optional<int>(22 + row) : std::nullopt;
    case 11: return In(row, 1, 4) ? std::optional<int>(18 + row) : std::nullopt;
    default: return std::nullopt;
  }
}

std::string FunctionSubListName(int row, const FunctionNameMap& names) {
  for (const auto& [key, entry] : names)
    if (entry.second == row) return entry.first;
  return {};
}

int LibraryMacroCode(int group, int row) { return (group + 1) * 256 + (row - 1); }

std::optional<int> InsertCode(int subKind, int row) {
  if (!In(row, 1, SubMenuRows(subKind, 0, 0))) return std::nullopt;
  switch (subKind) {
    case 141: return 240 + row;
    case 142: return 246 + row;
    case 143: return 252 + row;
    case 144: return 256 + row;
    default: return std::nullopt;
  }
}

bool ChooseProfile(int row) {
  if (!In(row, 1, kProfileCount)) return false;
  g_currentProfile = row - 1;
  return true;
}

bool ChooseLedEffect(int row) {
  const int count = std::clamp(g_ledModeCount.load(), 0, kLedEffectCount);
  if (!In(row, 1, count)) return false;
  g_ledType = g_ledModeList[static_cast<std::size_t>(row - 1)];
  g_ledDirection = 0;
  return true;
}

int KeyReactionButton(int hoverLed) {
  const int button = hoverLed - 61;
  return In(button, 0, KeyCount() - 1) ? button : -1;
}

bool ChooseKeyReaction(int button, int row) {
  const int profile = g_currentProfile.load();
  if (!In(row, 1, 4) || !In(button, 0, KeyCount() - 1) || !In(profile, 0, kProfileCount - 1)) return false;
  g_ledReactType[static_cast<std::size_t>(profile)][static_cast<std::size_t>(button)] = row - 1;
  return true;
}

bool ChooseLedStepMode(int row) {
  static constexpr std::uint8_t kModes[] = {1, 2, 3, 6, 7};
  std::uint8_t* block = LedStepBlock();
  if (block == nullptr || !In(row, 1, 5)) return false;
  block[4] = kModes[row - 1];
  return true;
}

bool ChooseLedStepValue(int row) {
  std::uint8_t* block = LedStepBlock();
  if (block == nullptr || !In(row, 1, 7)) return false;
  block[5] = static_cast<std::uint8_t>(row);
  return true;
}

std::optional<int> ChooseGunPreset(int row) {
  if (!In(row, 1, g_gunMacroCount)) return std::nullopt;
  if (row - 1 == g_currentGunPreset) return std::nullopt;
  const int previous = g_currentGunPreset;
  g_currentGunPreset = row - 1;
  return previous;
}
