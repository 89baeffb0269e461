#include "mainwnd/macro_page.h"

#include <QSignalBlocker>

#include <algorithm>

#include "controls/edit_ex.h"
#include "controls/list_box_xi.h"
#include "keys/language.h"
#include "mainwnd/macro_recording.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "popups/popup_state.h"
#include "profile/core_hooks.h"
#include "profile/macro_editing.h"
#include "profile/macro_files.h"
#include "profile/macro_group_commands.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"

QPointer<CEditEx> g_playCountEdit;
int g_editGroupMacro = 0;
int g_eventMenuRow = 0;
int g_editEventIndex = 0;
int g_ledSubListRow = 0;
int g_editorInsertBusy = 0;

namespace {

constexpr int kPlayCountId = 10004;
constexpr int kDelaySuffixText = 12;

// The last play-count text seen, and the macro whose count the edit shows (so that a
// count is never written into another macro).
QString g_lastPlayCountText;
int g_playCountGroup = -1;
int g_playCountMacro = -1;

QString Q(const std::string& text) { return QString::fromStdString(text); }

int LoadedCount() { return std::clamp<int>(g_groupMacroCount, 0, kMacroTableSize); }
bool IsLoadedMacro(int m) { return m >= 0 && m < kMacroTableSize; }

void RepaintPageRegion() {
  if (g_mainDlg) g_mainDlg->Repaint(RepaintArea::MacroRegionOnPage);
}

// The first font of the language's font set for the page's controls: the UI font's set,
// except that Korean and Thai ask for sets 5 and 7, which are never made (null: the
// controls keep the default font).
const QFont* ControlFont() {
  const int language = g_language.load();
  if (g_embeddedFontsLoaded && (language == 10 || language == 11)) return FontOf(language == 11 ? 5 : 7, 1);
  return UiFont(1);
}

}  // namespace

void ShowMacroListRows() {
  if (!g_macroList) return;
  const QSignalBlocker block(g_macroList);
  g_macroList->ResetItems();
  for (int row = 0; row < g_macroListRowCount.load(); ++row) {
    g_macroList->AddItem(Q(MacroListRowText(row)), MacroListRowKind(row));
  }
  g_macroList->SelectRow(g_macroListRow.load());
  RepaintPageRegion();
}

namespace {

void ClearList(CListBoxXI* list) {
  if (list) list->ResetItems();
}

bool Recording() { return g_recording.load() != 0; }

void SelectEventRow(int row) {
  if (!g_eventList) return;
  g_eventList->SelectRow(std::clamp(row, 0, std::max(g_eventList->count() - 1, 0)));
}

}  // namespace

// ---- The page's life -----------------------------------------------------------------

void CreateMacroPageControls() {
  if (!g_mainDlg) return;
  DestroyMacroPageControls();
  QWidget* parent = g_mainDlg;
  const QFont* font = ControlFont();

  auto* edit = new CEditEx(parent);
  edit->setObjectName(QString::number(kPlayCountId));
  edit->setAlignment(Qt::AlignCenter);
  edit->setFrame(false);
  edit->setGeometry(g_macroControlRects[0].ToQRect());
  g_playCountEdit = edit;
  QObject::connect(edit, &QLineEdit::textEdited, edit, [] { OnPlayCountChange(); });

  struct PageList {
    QPointer<CListBoxXI>* global;
    int rect;
    const IconList* icons;
  };
  const PageList lists[] = {{&g_macroList, 3, &g_macroListIcons},
                            {&g_eventList, 4, &g_eventListIcons},
                            {&g_ledSubList, 5, &g_ledSubListIcons}};
  for (const PageList& page : lists) {
    auto* list = new CListBoxXI(parent);
    list->setGeometry(g_macroControlRects[static_cast<std::size_t>(page.rect)].ToQRect());
    list->SetImageList(page.icons->empty() ? nullptr : page.icons);
    *page.global = list;
    QObject::connect(list, &CListBoxXI::itemEditDone, list,
                     [](int index, int number) { OnInplaceEditDone(index, number); });
  }
  QObject::connect(g_macroList, &CListBoxXI::selChange, g_macroList, [] { OnMacroListSelChange(); });
  QObject::connect(g_macroList, &CListBoxXI::dblClk, g_macroList, [] { OnMacroListDblClk(); });
  QObject::connect(g_eventList, &CListBoxXI::selChange, g_eventList, [] { OnEventListSelChange(); });
  QObject::connect(g_ledSubList, &CListBoxXI::selChange, g_ledSubList, [] { OnLedSubListSelChange(); });
  QObject::connect(g_ledSubList, &CListBoxXI::dblClk, g_ledSubList, [] { OnLedSubListDblClk(); });

  for (QWidget* control : std::initializer_list<QWidget*>{edit, g_macroList, g_eventList, g_ledSubList}) {
    if (font) control->setFont(*font);
    ApplyControlColors(control);
    control->show();
  }
  g_macroListExists = true;
}

void DestroyMacroPageControls() {
  g_macroListExists = false;
  for (QWidget* control : std::initializer_list<QWidget*>{g_playCountEdit, g_macroList, g_eventList, g_ledSubList}) {
    delete control;
  }
  g_playCountEdit = nullptr;
  g_macroList = nullptr;
  g_eventList = nullptr;
  g_ledSubList = nullptr;
  g_playCountGroup = g_playCountMacro = -1;
}

void MacroPressStep() {
  for (CListBoxXI* list : {g_macroList.data(), g_eventList.data(), g_ledSubList.data()}) {
    if (list) list->EndEdit(true);
  }
  if (!g_playCountEdit) return;
  if (g_playCountEdit->text().isEmpty()) g_playCountEdit->setText("1");
  g_playCountEdit->setEnabled(false);
}

void BeforeMacroEntry() {
  const int row = std::max(SelectedMacroListRow(), 0);
  g_macroListRow = row;
  MacroListRow r;
  const int macro = GetMacroListRow(row, r) ? std::max<int>(r.macro, 0) : 0;
  g_editMacro = macro;
  if (g_playCountEdit && g_macroListRowCount.load() > 0 && IsLoadedMacro(macro)) {
    g_playCountEdit->setEnabled(g_groupMacros[static_cast<std::size_t>(macro)].mode == 0);
  }
}

// ---- For the recording and the key capture ---------------------------------------------

int SelectedMacroListRow() { return g_macroList ? g_macroList->SelectedRow() : g_macroListRow.load(); }

bool SelectedMacro(int& group, int& macro) {
  MacroListRow r;
  if (!GetMacroListRow(SelectedMacroListRow(), r) || r.isGroup) return false;
  group = r.group;
  macro = r.macro;
  return true;
}

void SaveLoadedMacro(int macro) {
  const std::string path = GroupFilePath(g_curGroup.load());
  if (!path.empty() && IsLoadedMacro(macro) && macro < LoadedCount()) SaveMacroEntry(path, macro);
}

void SaveSelectedMacro() {
  int group = -1;
  int macro = -1;
  if (SelectedMacro(group, macro) && group == g_curGroup.load()) SaveLoadedMacro(macro);
}

void ShowPlayCount(const std::string& text, bool enabled) {
  if (!g_playCountEdit) return;
  const QSignalBlocker block(g_playCountEdit);
  g_playCountEdit->setText(Q(text));
  g_playCountEdit->setEnabled(enabled);
  g_lastPlayCountText = Q(text);
}

void RefreshMacroEventList(int m) {
  g_recordKeyDowns = 0;
  g_recordKeyUps = 0;
  ClearList(g_eventList);
  if (!IsLoadedMacro(m)) return;
  const MacroRecord& record = g_groupMacros[static_cast<std::size_t>(m)];
  if (g_eventList && record.eventCount > 0) {
    const QSignalBlocker block(g_eventList);
    g_eventList->setUpdatesEnabled(false);
    for (const EventRow& row : MacroEventRows(record)) g_eventList->AddItem(Q(row.text), row.icon);
    g_eventList->setUpdatesEnabled(true);
    SelectEventRow(Recording() ? g_eventList->count() - 1 : g_eventMenuRow);
  }
  // The edit follows the shown macro even when it has no events, so that it never keeps
  // another macro's count.
  if (g_editorInsertBusy != 1) {
    if (std::optional<PlayCountView> view = PlayCountViewOf(record)) ShowPlayCount(view->text, view->enabled);
    g_playCountGroup = g_curGroup.load();
    g_playCountMacro = m;
  }
  RepaintPageRegion();
}

void RefreshCurrentMacro() { RefreshMacroEventList(g_editMacro.load()); }

void AddMacroEventRows(int m, int i) {
  if (!g_eventList || !IsLoadedMacro(m)) return;
  const QSignalBlocker block(g_eventList);
  for (const EventRow& row : FormatMacroEvent(g_groupMacros[static_cast<std::size_t>(m)], i)) {
    g_eventList->AddItem(Q(row.text), row.icon);
  }
  SelectEventRow(Recording() ? g_eventList->count() - 1 : g_eventMenuRow);
}


// ---- Selection and notifications -----------------------------------------------------

void OnMacroListSelChange() {
  CloseOpenMenu();
  if (Recording()) {
    g_recording = 0;
    AbandonRecording();
    RestoreMacroAfterAbandonedRecording();
  }
  ClearList(g_eventList);
  ClearList(g_ledSubList);  // its steps belong to an event of the list just emptied
  const int row = SelectedMacroListRow();
  MacroListRow now;
  if (!GetMacroListRow(row, now)) return;

  if (row == g_macroListRow.load()) {
    if (now.isGroup) {
      g_groupExpanded[static_cast<std::size_t>(now.group)] ^= 1;
      FillMacroLists();
    } else {
      RefreshCurrentMacro();  // a click on the shown macro keeps its events shown
    }
    if (g_macroList) g_macroList->SelectRow(row);
    return;
  }

  MacroListRow before;
  const bool macroBefore = GetMacroListRow(g_macroListRow.load(), before) && !before.isGroup;
  g_macroListRow = row;
  g_editMacro = 0;
  const bool groupChanged = now.group != g_curGroup.load();
  if (!now.isGroup) {
    // The count typed for the macro shown before goes into that macro, and only into it.
    if (macroBefore && g_playCountEdit && before.group == g_curGroup.load() && before.group == g_playCountGroup &&
        before.macro == g_playCountMacro && before.macro < LoadedCount() &&
        (g_groupMacros[static_cast<std::size_t>(before.macro)].mode & 3) == 0) {
      g_groupMacros[static_cast<std::size_t>(before.macro)].repeatCount =
          static_cast<std::uint16_t>(ClampPlayCount(g_playCountEdit->text().toStdString()));
      SaveLoadedMacro(before.macro);
    }
    if (groupChanged) {
      g_curGroup = now.group;
      LoadMacroGroup(now.group, true);
    }
    g_editMacro = now.macro;
    g_eventMenuRow = 0;
    RefreshCurrentMacro();
    if (g_macroList) g_macroList->SelectRow(row);
    SelectEventRow(0);
    g_eventListRow = 0;
  } else {
    g_groupExpanded[static_cast<std::size_t>(now.group)] ^= 1;
    FillMacroLists();
    if (g_macroList) g_macroList->SelectRow(row);
    ShowPlayCount("1", false);
    g_playCountGroup = g_playCountMacro = -1;
    if (groupChanged) {
      g_curGroup = now.group;
      LoadMacroGroup(now.group, true);
    }
  }
}

void OnMacroListDblClk() { CloseOpenMenu(); }

namespace {
void ClosePagePopup() {
  if (g_popupShown == 0) return;
  g_popupShown = 0;
  CloseOpenMenu();
}
}  // namespace

void OnEventListSelChange() {
  ClosePagePopup();
  if (g_eventList) g_eventListRow = std::max(g_eventList->SelectedRow(), 0);
  const int m = g_editMacro.load();
  const int e = g_eventListRow / 2;
  if (IsLoadedMacro(m) && e < g_groupMacros[static_cast<std::size_t>(m)].eventCount &&
      g_groupMacros[static_cast<std::size_t>(m)].code[static_cast<std::size_t>(e)] == MacroEventCode::LightingStep) {
    g_ledSubListBlock = g_groupMacros[static_cast<std::size_t>(m)].param[static_cast<std::size_t>(e)].a;
    FillLedSubList(g_ledSubListBlock);
  } else {
    ClearList(g_ledSubList);
  }
}

void OnLedSubListSelChange() {
  CloseOpenMenu();
  if (g_ledSubList) g_ledSubListRow = g_ledSubList->SelectedRow();
  ClosePagePopup();
}

void OnLedSubListDblClk() {
  if (g_ledSubList && g_ledSubList->SelectedRow() >= 0 && g_ledSubList->SelectedRow() % 4 == 2) g_ledSubList->OnChar(1);
}

int OnLedSubListReload() {
  FillLedSubList(g_ledSubListBlock);
  if (g_ledSubList) g_ledSubList->SelectRow(g_ledSubListRow);
  SaveLoadedMacro(g_editMacro.load());
  return 0;
}

void OnPlayCountChange() {
  CloseOpenMenu();
  if (!g_playCountEdit) return;
  const QString text = g_playCountEdit->text();
  // An emptied edit waits for the digits being typed (a press elsewhere makes it "1").
  if (text == g_lastPlayCountText || text.isEmpty()) return;
  const int count = ClampPlayCount(text.toStdString());
  g_lastPlayCountText = QString::number(count);
  if (g_lastPlayCountText != text) {
    const QSignalBlocker block(g_playCountEdit);
    g_playCountEdit->setText(g_lastPlayCountText);
    g_playCountEdit->setCursorPosition(static_cast<int>(g_lastPlayCountText.size()));
  }
  g_playCountEdit->setFocus();
  int group = -1;
  int macro = -1;
  if (SelectedMacro(group, macro) && group == g_curGroup.load() && macro < LoadedCount()) {
    g_groupMacros[static_cast<std::size_t>(macro)].repeatCount = static_cast<std::uint16_t>(count);
    SaveLoadedMacro(macro);
  }
}

void SetMacroPlayMode(int entry) {
  int group = -1;
  int macro = -1;
  if (!SelectedMacro(group, macro) || SelectedMacroListRow() == 0 || group != g_curGroup.load() ||
      macro >= LoadedCount()) {
    return;
  }
  std::optional<PlayCountView> view = SetPlayMode(g_groupMacros[static_cast<std::size_t>(macro)], entry);
  if (!view) return;
  ShowPlayCount(view->text, view->enabled);
  g_playCountGroup = group;
  g_playCountMacro = macro;
  SaveLoadedMacro(macro);
}

// ---- In-place edit results -------------------------------------------------------------

void OnInplaceEditDone(int item, int list) {
  CListBoxXI* box = list == 1 ? g_macroList.data() : list == 2 ? g_eventList.data() : list == 3 ? g_ledSubList.data() : nullptr;
  if (!box) return;
  const std::string text = box->ItemText(item).toStdString();
  switch (list) {
    case 1: {
      const std::string shown = CommitMacroListRename(item, text);
      if (item >= 0 && shown != text) box->SetItemText(item, Q(shown));
      break;
    }
    case 2: {
      g_eventListRow = std::max(box->SelectedRow(), 0);
      g_editGroupMacro = std::clamp(g_editGroupMacro, 0, kMaxGroupMacros - 1);
      g_editEventIndex = g_eventListRow / 2;
      const int m = g_editMacro.load();
      if (!text.empty() && IsLoadedMacro(m) &&
          ApplyEventRowEdit(g_groupMacros[static_cast<std::size_t>(m)], g_eventListRow, text,
                            g_textOther[kDelaySuffixText])) {
        SaveLoadedMacro(m);
      }
      g_eventMenuRow = g_eventListRow;
      RefreshMacroEventList(g_editGroupMacro);
      break;
    }
    case 3: {
      g_macroListRow = std::max(SelectedMacroListRow(), 0);
      MacroListRow r;
      g_editMacro = GetMacroListRow(g_macroListRow.load(), r) && !r.isGroup ? r.macro : 0;
      if (g_eventList) g_eventListRow = std::max(g_eventList->SelectedRow(), 0);
      const int m = g_editMacro.load();
      const int e = g_eventListRow / 2;
      MacroRecord& record = g_groupMacros[static_cast<std::size_t>(m)];
      if (e < record.eventCount && record.code[static_cast<std::size_t>(e)] == MacroEventCode::LightingStep) {
        g_ledSubListBlock = record.param[static_cast<std::size_t>(e)].a;
        if (ApplyLedStepEdit(record, g_ledSubListBlock, item, text)) SaveLoadedMacro(m);
      }
      g_ledSubListRow = item;
      FillLedSubList(g_ledSubListBlock);
      if (g_ledSubList) g_ledSubList->SelectRow(g_ledSubListRow);
      break;
    }
    default:
      break;
  }
}

void OnKeyCaptureDone() {
  const int m = std::clamp(g_editGroupMacro, 0, kMaxGroupMacros - 1);
  const int e = g_eventListRow / 2;
  if (g_eventListRow % 2 == 0 && e < g_groupMacros[static_cast<std::size_t>(m)].eventCount && g_capturedKeyCode != 0) {
    g_groupMacros[static_cast<std::size_t>(m)].code[static_cast<std::size_t>(e)] = g_capturedKeyCode;
    SaveLoadedMacro(m);
  }
  g_capturedKeyCode = 0;
  g_capturedKeyName.clear();
  g_eventMenuRow = g_eventListRow;
  RefreshMacroEventList(m);
}
