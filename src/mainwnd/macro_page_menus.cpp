// The macro page's popup menus: where they open (the insert menu of entry 5, the
// right-click menus of the three lists), what their items do (WM_POPUP_MENU_COMMAND
// types 11 to 14), and the page's entry points in the main window.
#include <QListWidget>

#include <algorithm>

#include "controls/list_box_xi.h"
#include "keys/key_codes.h"
#include "mainwnd/macro_page.h"
#include "mainwnd/macro_recording.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "popups/popup_state.h"
#include "profile/core_hooks.h"
#include "profile/macro_editing.h"
#include "profile/macro_group_commands.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "skin/image_file.h"
#include "skin/skin_layout.h"

namespace {

constexpr int kTipEmptyList = 8;
constexpr int kTipNeedsMacroRow = 24;
constexpr int kMenuHeight = 360;

bool Recording() { return g_recording.load() != 0; }
int LoadedCount() { return std::clamp<int>(g_groupMacroCount, 0, kMacroTableSize); }
int ClampMacro(int m) { return std::clamp(m, 0, kMaxGroupMacros - 1); }

// The macro of the selected macro-list row (0 for a group row or none).
int SelectedRowMacro() {
  MacroListRow r;
  return GetMacroListRow(SelectedMacroListRow(), r) && !r.isGroup ? r.macro : 0;
}

// Opens the popup menu of g_menuKind at (x, y) on the screen, as wide as `image` less
// `widthTrim`.
void ShowPopupMenu(int x, int y, const std::string& image, int widthTrim) {
  g_popupShown = 1;
  const int width = ImageFileSize(image).width();
  OpenMainPopupMenu(g_menuKind, QRect(x, y, std::max(width - widthTrim, 0), kMenuHeight), nullptr);
}

// A point of a widget of the main window on the screen, from the window's own geometry
// (mapToGlobal can miss where the window manager put a frameless window).
QPoint ScreenPoint(const QWidget* widget, QPoint point) {
  if (!g_mainDlg) return widget->mapToGlobal(point);
  const QPoint inWindow = widget == g_mainDlg ? point : widget->mapTo(g_mainDlg, point);
  return g_mainDlg->geometry().topLeft() + inWindow;
}

std::string MenuImage(const char* name) { return g_skinsDir + "/MacMenu/" + name; }

void EndListEdit(bool commit) {
  for (CListBoxXI* list : {g_macroList.data(), g_eventList.data(), g_ledSubList.data()}) {
    if (list && list->Editor()) list->EndEdit(commit);
  }
}

void DeleteSelectedEvent() {
  if (Recording()) return;
  const int m = ClampMacro(g_editGroupMacro);
  if (m < LoadedCount() && DeleteMacroEvent(g_groupMacros[static_cast<std::size_t>(m)], g_editEventIndex)) {
    SaveLoadedMacro(m);
  }
  g_eventListRow = g_eventListRow < 3 ? 0 : g_eventListRow - 2;
  g_eventMenuRow = g_eventListRow;
  RefreshMacroEventList(m);
  if (g_ledSubList) g_ledSubList->ResetItems();
}

void StartEventRowEdit() {
  if (!g_eventList || g_eventList->count() == 0) return;
  g_eventList->SelectRow(g_eventListRow);
  g_eventList->OnChar(1);
}

// ---- Right-click menus -------------------------------------------------------------------

void OnEventListRightClick(QPoint position) {
  const int row = g_eventList->indexAt(position).row();
  if (row < 0) return;
  const int before = ClampMacro(g_editGroupMacro);
  g_eventList->SelectRow(row);
  const std::uint8_t code = g_groupMacros[static_cast<std::size_t>(before)].code[static_cast<std::size_t>(
      std::min(row / 2, kMacroMaxEvents - 1))];
  if (row % 2 == 1 || (code != MacroEventCode::Delay && code != MacroEventCode::LightingStep)) {
    g_menuKind = MenuKindEventList;
    const QPoint at = ScreenPoint(g_eventList->viewport(), position);
    ShowPopupMenu(at.x(), at.y(), MenuImage("MacG_mask.jpg"), 80);
  }
  g_eventMenuRow = row;
  g_editGroupMacro = ClampMacro(SelectedRowMacro());
  g_eventListRow = row;
  g_editEventIndex = row / 2;
}

void OnMacroListRightClick(QPoint position) {
  const int row = g_macroList->indexAt(position).row();
  const QPoint at = ScreenPoint(g_macroList->viewport(), position);
  if (row < 0 && g_macroList->count() > 0) {
    g_menuKind = MenuKindGroupList;
    ShowPopupMenu(at.x(), at.y(), MenuImage("MacG_mask.jpg"), 0);
    return;
  }
  MacroListRow r;
  const bool hasRow = GetMacroListRow(row, r);
  if (hasRow) {
    g_macroList->SelectRow(row);
    g_macroListRow = row;
  }
  g_menuKind = hasRow && !r.isGroup ? MenuKindMacroList : MenuKindGroupList;
  ShowPopupMenu(at.x(), at.y(), MenuImage("MacG_mask.jpg"), g_menuKind == MenuKindMacroList ? 80 : 0);
  if (!hasRow) return;
  const bool otherGroup = r.group != g_curGroup.load();
  if (otherGroup) {
    g_curGroup = r.group;
    LoadMacroGroup(r.group, true);
  }
  if (otherGroup || (!r.isGroup && r.macro != g_editMacro.load())) {
    if (!r.isGroup) {
      g_editMacro = r.macro;
      RefreshCurrentMacro();
    } else {
      g_editMacro = 0;
      if (g_eventList) g_eventList->ResetItems();
    }
  }
}

void OnLedSubListRightClick(QPoint position) {
  const int m = g_editMacro.load();
  const int e = g_eventListRow / 2;
  if (!g_eventList || g_eventList->count() == 0 || m < 0 || m >= kMacroTableSize || e >= kMacroMaxEvents ||
      g_groupMacros[static_cast<std::size_t>(m)].code[static_cast<std::size_t>(e)] != MacroEventCode::LightingStep) {
    return;
  }
  const int row = g_ledSubList->indexAt(position).row();
  if (row < 0 && g_ledSubList->count() > 0) return;
  g_ledSubListRow = std::max(row, 0);
  int kind = 0;
  if (g_ledSubListRow % 4 == 0) kind = MenuKindLedStepMode;
  if (g_ledSubListRow % 4 == 1 && g_ledBlockStepKind != 6 && g_ledBlockStepKind != 7) kind = MenuKindLedStepValue;
  if (kind != 0) {
    g_menuKind = kind;
    g_popupShown = 1;
    const QPoint left = ScreenPoint(g_ledSubList, QPoint(0, 0));
    const QPoint at = ScreenPoint(g_ledSubList->viewport(), position);
    const int rightEdge = ScreenPoint(g_ledSubList, QPoint(g_ledSubList->width(), 0)).x();
    OpenMainPopupMenu(kind, QRect(left.x(), at.y() + 10, rightEdge, kMenuHeight), nullptr);
  }
  g_ledSubList->SelectRow(g_ledSubListRow);
}

void RightClickOnPage(void (*handler)(QPoint), QPoint position) {
  if (Recording() || g_currentPage.load() != kPageMacro) return;
  CloseOpenMenu();
  handler(position);
}

void ConnectRightClicks() {
  const std::pair<CListBoxXI*, void (*)(QPoint)> lists[] = {{g_eventList.data(), OnEventListRightClick},
                                                           {g_macroList.data(), OnMacroListRightClick},
                                                           {g_ledSubList.data(), OnLedSubListRightClick}};
  for (const auto& [list, handler] : lists) {
    if (!list) continue;
    QObject::connect(list, &CListBoxXI::rightButtonUp, list,
                     [handler = handler](QPoint position) { RightClickOnPage(handler, position); });
  }
}

}  // namespace

// ---- Menu items ----------------------------------------------------------------------

void OnPopupMenuCommand(int type, int item) {
  const FileChooser choose = ConfigFileChooser();
  const bool hasRows = g_macroListRowCount.load() > 0;
  const int row = SelectedMacroListRow();
  switch (type) {
    case MenuKindGroupList:
      switch (item) {
        case 1: OnNewMacroGroup(); break;
        case 2: OnNewMacro(row); break;
        case 3: if (hasRows) OnDeleteMacroGroup(row); break;
        case 4: OnResetMacroGroups(); break;
        case 5: if (hasRows) OnRenameMacroGroup(); break;
        case 6: OnImportMacroGroup(choose); break;
        case 7: if (hasRows) OnExportMacroGroup(choose); break;
        case 9: OnImportMacro(row, choose); break;
        default: break;
      }
      break;
    case MenuKindMacroList:
      switch (item) {
        case 1: OnRenameMacro(); break;
        case 2: OnDeleteMacro(); break;
        case 3: OnExportMacro(choose); break;
        case 4: OnImportMacro(row, choose); break;
        default: break;
      }
      break;
    case MenuKindEventList:
      if (item == 1) OnModifyMacroEvent();
      if (item == 2) OnDeleteMacroEvent();
      break;
    case MenuKindInsertEvent:
      g_editorInsertBusy = 1;
      InsertFromMenuItem(item);
      g_editorInsertBusy = 0;
      break;
    default:
      break;
  }
}

void OpenInsertMenu() {
  const int row = SelectedMacroListRow();
  MacroListRow r;
  if (!GetMacroListRow(row, r)) {
    ShowTipWarning(g_macroListRowCount.load() == 0 ? kTipEmptyList : kTipNeedsMacroRow);
    return;
  }
  if (r.isGroup) {
    ShowTipWarning(kTipNeedsMacroRow);
    return;
  }
  g_eventMenuRow = g_eventList ? std::max(g_eventList->SelectedRow(), 0) : 0;
  if (g_mainDlg) g_mainDlg->activateWindow();
  const SkinRect& entry = g_macroRects[5];
  const QPoint at = g_mainDlg ? ScreenPoint(g_mainDlg, QPoint(entry.x + entry.width, entry.y))
                              : QPoint(entry.x + entry.width, entry.y);
  g_menuKind = MenuKindInsertEvent;
  ShowPopupMenu(at.x(), at.y(), MenuImage("Insert_mask.jpg"), 0);
  if (g_eventList) g_eventList->SelectRow(g_eventMenuRow);
  g_editGroupMacro = ClampMacro(r.macro);
  g_editEventIndex = g_eventMenuRow / 2;
}

void InsertFromMenuItem(int item) {
  if (Recording()) return;
  if (item == kInsertItemDelete) {
    DeleteSelectedEvent();
    return;
  }
  const int m = ClampMacro(g_editGroupMacro);
  if (m >= LoadedCount()) return;
  MacroRecord& record = g_groupMacros[static_cast<std::size_t>(m)];
  const bool wasEmpty = record.eventCount == 0;
  if (!InsertFromMenu(record, item, g_editEventIndex)) return;
  g_eventListRow = wasEmpty ? 0 : g_eventListRow + 2;
  SaveLoadedMacro(m);
  RefreshMacroEventList(g_editMacro.load());
}

void OnModifyMacroEvent() {
  if (!g_eventList || g_eventList->count() == 0 || Recording()) return;
  const int m = ClampMacro(g_editGroupMacro);
  const int e = std::min(g_eventListRow / 2, kMacroMaxEvents - 1);
  if (g_eventListRow % 2 == 1) {
    StartEventRowEdit();  // a delay
    return;
  }
  const std::uint8_t code = g_groupMacros[static_cast<std::size_t>(m)].code[static_cast<std::size_t>(e)];
  if (code == MacroEventCode::PointerMove || code == MacroEventCode::DpiStep) {
    StartEventRowEdit();
  } else if (code != MacroEventCode::LightingStep) {
    const int edited = ClampMacro(g_editMacro.load());
    g_capturedKeyCode = g_groupMacros[static_cast<std::size_t>(edited)].code[static_cast<std::size_t>(e)];
    g_capturedKeyName = DeviceKeyName(g_capturedKeyCode);
    RunEventKeyDialog();
  }
}

void OnDeleteMacroEvent() {
  if (g_eventList) g_eventListRow = std::max(g_eventList->SelectedRow(), 0);
  g_editGroupMacro = ClampMacro(SelectedRowMacro());
  g_editEventIndex = g_eventListRow / 2;
  DeleteSelectedEvent();
}

// ---- Installation --------------------------------------------------------------------

void OpenMacroPage() {
  CreateMacroPageControls();
  ConnectRightClicks();
}

void CloseMacroPage() { DestroyMacroPageControls(); }

void HandleMacroPageMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kWmPopupMenuCommand: OnPopupMenuCommand(static_cast<int>(wParam), static_cast<int>(lParam)); return;
    case kWmKeycaptureDone: OnKeyCaptureDone(); return;
    case kWmLedStepsReloadMode:
    case kWmLedStepsReloadValue: OnLedSubListReload(); return;
    case kWmItemEditDone: OnInplaceEditDone(static_cast<int>(wParam), static_cast<int>(lParam)); return;
    case kWmInplaceEditEnd: EndListEdit(wParam != 0); return;
    default: return;
  }
}

void InstallMacroPage() {
  MacroPageHooks page;
  page.macroListChanged = ShowMacroListRows;
  page.clearEventList = [] {
    if (g_eventList) g_eventList->ResetItems();
  };
  page.clearLedSubList = [] {
    if (g_ledSubList) g_ledSubList->ResetItems();
  };
  page.showMacroEvents = RefreshCurrentMacro;
  page.setPlayCount = ShowPlayCount;
  page.refreshPage = [] {
    FillMacroLists();
    RefreshCurrentMacro();
  };
  page.closePopupMenu = CloseOpenMenu;
  page.beginListRename = [] {
    if (g_macroList) g_macroList->OnChar(1);
  };
  page.isRecording = Recording;
  SetMacroPageHooks(std::move(page));
}
