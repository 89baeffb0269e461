// The macro page of the running program (installed skins, simulated mouse): its
// controls live with the page, selection changes load groups and keep each play count
// with its own macro, renames in place reach the group file, an abandoned recording
// gives the macro back, and a macro built on the page reaches the mouse after Apply.
#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <filesystem>

#include "../app/app_fixture.h"
#include "controls/edit_ex.h"
#include "controls/list_box_xi.h"
#include "device/macro_area.h"
#include "device/memory_image.h"
#include "mainwnd/macro_page.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_state.h"
#include "platform/ini_file.h"
#include "popups/menu_dlg.h"
#include "popups/sub_menu_dlg.h"
#include "profile/macro_editing.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_text.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/skin_layout.h"

namespace {

using apptest::Centre;
using apptest::ClickMain;
using apptest::ProgramTest;


void Key(QWidget* target, int key, const QString& text = {}, QEvent::Type type = QEvent::KeyPress) {
  QKeyEvent event(type, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &event);
}
void Type(QWidget* target, const QString& text) {
  for (QChar c : text) Key(target, c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A, QString(c));
}

class MacroPageTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    StartWithMouse();
    Click(Centre(g_mainRects[8]));
    ASSERT_EQ(g_currentPage.load(), kPageMacro);
  }
  static void Click(QPoint p) { ClickMain(p); }
  // A click on row `row` of the macro list, as the user makes it.
  static void ChooseRow(int row) {
    g_macroList->SelectRow(row);
    emit g_macroList->selChange();
  }
  static int MacroRow(int group, int macro) {
    for (int row = 0; row < g_macroListRowCount.load(); ++row) {
      MacroListRow r;
      GetMacroListRow(row, r);
      if (!r.isGroup && r.group == group && r.macro == macro) return row;
    }
    return -1;
  }
  static void ExpandAll() {
    g_groupExpanded.fill(1);
    FillMacroLists();
  }
  static MacroRecord FileRecord(int group, int macro) {
    ini::ClearCache();
    return LoadGroupMacro(group, macro);
  }
};

TEST_F(MacroPageTest, ControlsLiveWithThePageAndShowTheLibrary) {
  ASSERT_TRUE(g_macroList && g_eventList && g_ledSubList && g_playCountEdit);
  EXPECT_TRUE(g_macroListExists.load());
  EXPECT_EQ(g_macroList->ListNumber(), 1);
  EXPECT_EQ(g_ledSubList->ListNumber(), 3);
  EXPECT_EQ(g_macroList->geometry(), g_macroControlRects[3].ToQRect());
  ASSERT_EQ(g_macroList->count(), g_groupCount.load());
  EXPECT_EQ(g_macroList->ItemText(0).toStdString(), g_groupNames[0]);
  EXPECT_EQ(g_macroList->GetItemType(0), kMacroListCollapsedGroup);

  // A click on the selected group row opens it; a macro row shows its events.
  ChooseRow(0);
  EXPECT_EQ(g_macroList->GetItemType(0), kMacroListExpandedGroup);
  ASSERT_GT(g_groupMacroCounts[0], 0);
  ChooseRow(1);
  EXPECT_EQ(g_editMacro.load(), 0);
  EXPECT_EQ(g_eventList->count(), 2 * g_groupMacros[0].eventCount);
  EXPECT_EQ(g_eventList->SelectedRow(), 0);

  Click(Centre(g_mainRects[6]));
  EXPECT_FALSE(g_macroList || g_eventList || g_ledSubList || g_playCountEdit);
  EXPECT_FALSE(g_macroListExists.load());
}

TEST_F(MacroPageTest, SelectionLoadsGroupsAndKeepsEachPlayCountWithItsMacro) {
  ASSERT_GE(g_groupCount.load(), 2);
  ExpandAll();
  ChooseRow(MacroRow(0, 0));
  ASSERT_TRUE(g_playCountEdit->isEnabled());
  g_playCountEdit->setFocus();
  g_playCountEdit->selectAll();
  Type(g_playCountEdit, "x5000");  // the letter is dropped, the count is capped
  EXPECT_EQ(g_playCountEdit->text(), "1000");
  EXPECT_EQ(FileRecord(0, 0).repeatCount, 1000);

  // A new macro without events shows its own count, not the one typed before...
  g_macroListRow = MacroRow(0, 0);
  OnPopupMenuCommand(MenuKindGroupList, 2);
  const int fresh = g_groupMacroCount - 1;
  ChooseRow(MacroRow(0, fresh));
  EXPECT_EQ(g_playCountEdit->text(), "1");  // a new macro counts 1
  // ...so that leaving it for another group writes nothing foreign into it.
  ChooseRow(MacroRow(1, 0));
  EXPECT_EQ(g_curGroup.load(), 1);
  EXPECT_NE(FileRecord(0, fresh).repeatCount, 1000);
  EXPECT_EQ(FileRecord(0, 0).repeatCount, 1000);

  // Play modes: held and toggled show "1" disabled, the count mode the count.
  Click(Centre(g_macroRects[6]));
  EXPECT_EQ(g_groupMacros[0].mode & 3, 2);
  EXPECT_FALSE(g_playCountEdit->isEnabled());
  EXPECT_EQ(FileRecord(1, 0).mode & 3, 2);
  Click(Centre(g_macroRects[8]));
  EXPECT_EQ(g_groupMacros[0].mode & 3, 0);
  EXPECT_TRUE(g_playCountEdit->isEnabled());
}

TEST_F(MacroPageTest, RenamesInPlaceReachTheGroupFile) {
  ExpandAll();
  const int row = MacroRow(0, 1);
  ChooseRow(row);
  g_macroList->OnChar(2);
  EXPECT_EQ(g_macroList->Editor(), nullptr);  // only code 1 starts a rename
  int notices = 0;
  QObject::connect(g_macroList, &CListBoxXI::itemEditDone, [&](int, int) { ++notices; });

  OnPopupMenuCommand(MenuKindMacroList, 1);
  ASSERT_NE(g_macroList->Editor(), nullptr);
  Key(g_macroList->Editor(), Qt::Key_Escape, {}, QEvent::KeyRelease);  // cancel
  EXPECT_EQ(g_macroList->Editor(), nullptr);
  g_macroList->OnChar(1);
  Key(g_macroList->Editor(), Qt::Key_Return, {}, QEvent::KeyRelease);  // unchanged
  EXPECT_EQ(notices, 0);

  g_macroList->OnChar(1);
  g_macroList->Editor()->setText("Renamed");
  Key(g_macroList->Editor(), Qt::Key_Return, {}, QEvent::KeyRelease);
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(g_macroList->ItemText(row), "Renamed");
  EXPECT_EQ(g_macroList->GetItemType(row), kMacroListMacro);
  EXPECT_EQ(g_macroList->SelectedRow(), row);
  EXPECT_EQ(MacroName(FileRecord(0, 1)), "Renamed");

  // A group: its file moves with the name.
  const std::string old = g_groupNames[1];
  ChooseRow(MacroListGroupRow(1));
  OnPopupMenuCommand(MenuKindGroupList, 5);
  g_macroList->Editor()->setText("Moved");
  g_macroList->EndEdit(true);
  EXPECT_EQ(g_groupNames[1], "Moved");
  EXPECT_TRUE(std::filesystem::exists(g_macroDir + "Moved.dat"));
  EXPECT_FALSE(std::filesystem::exists(g_macroDir + old + ".dat"));
}

TEST_F(MacroPageTest, ARecordingEndedByTheSelectionLeavesTheMacroAsItWas) {
  ExpandAll();
  ChooseRow(MacroRow(0, 0));
  const MacroRecord original = g_groupMacros[0];
  // What the recording does when it starts: the macro is emptied and renamed.
  KeepMacroBeforeRecording(0);
  ClearMacroRecord(g_groupMacros, 0);
  SetMacroName(g_groupMacros[0], "half");
  g_recording = 1;
  ChooseRow(MacroRow(0, 1));
  EXPECT_EQ(g_recording.load(), 0);
  EXPECT_EQ(g_groupMacros[0], original);
  ChooseRow(MacroRow(0, 0));
  SaveSelectedListMacro();  // the Apply save of the selected macro
  EXPECT_EQ(FileRecord(0, 0).eventCount, original.eventCount);
  EXPECT_EQ(MacroName(FileRecord(0, 0)), MacroName(original));
}

TEST_F(MacroPageTest, AMacroBuiltOnThePageReachesTheMouse) {
  // A group and a macro from the group menu.
  OnPopupMenuCommand(MenuKindGroupList, 1);
  const int group = g_groupCount.load() - 1;
  OnPopupMenuCommand(MenuKindGroupList, 2);
  ASSERT_EQ(g_groupMacroCount, 1);
  ChooseRow(MacroRow(group, 0));

  // Events through the insert menu's messages: a key from the first file macro is not
  // needed; a click, a DPI step and a move are.
  auto insert = [](int item) {
    OpenInsertMenu();
    SendMainMessage(kWmPopupMenuCommand, MenuKindInsertEvent, item);
  };
  insert(247);  // left button down, after
  ASSERT_EQ(g_groupMacros[0].eventCount, 1);
  g_eventList->SelectRow(0);
  insert(248);  // left button up, after
  insert(257);  // DPI step
  insert(256);  // move
  ASSERT_EQ(g_groupMacros[0].eventCount, 4);
  EXPECT_EQ(g_eventList->count(), 8);

  // A delay typed in place.
  g_eventList->SelectRow(1);
  g_eventListRow = 1;
  OnModifyMacroEvent();
  ASSERT_NE(g_eventList->Editor(), nullptr);
  g_eventList->Editor()->setText("300");
  g_eventList->EndEdit(true);
  EXPECT_EQ(g_groupMacros[0].delay[0], 300);

  // Play count 3.
  g_playCountEdit->setFocus();
  g_playCountEdit->selectAll();
  Type(g_playCountEdit, "3");
  const MacroRecord built = FileRecord(group, 0);
  EXPECT_EQ(built.repeatCount, 3);
  EXPECT_EQ(built.eventCount, 4);
  EXPECT_EQ(built.delay[0], 300);

  // The right button gets the macro through the function menu's macro submenu.
  Click(Centre(g_mainRects[6]));
  const int button = 1;
  MouseMoveAt(Centre(g_mainRects[20 + button]));
  LButtonDownAt(Centre(g_mainRects[20 + button]));
  auto* menu = qobject_cast<CMenuDlg*>(g_keyMenu.data());
  ASSERT_NE(menu, nullptr);
  menu->MoveAt(QPoint(5, 8 * menu->Geometry().rowHeight + 2));  // row 9: the groups
  ASSERT_NE(menu->SubMenu(), nullptr);
  menu->SubMenu()->MoveAt(QPoint(5, group * menu->SubMenu()->RowHeight() + 2));
  MacSelMenuDlg* macros = menu->SubMenu()->MacroSelection();
  ASSERT_NE(macros, nullptr);
  macros->PressAt(QPoint(5, 2));
  macros->ReleaseAt(QPoint(5, 2));
  ASSERT_EQ(g_keyFunc[g_currentProfile.load()][button], (group + 1) * 256);

  // Apply: the mouse's macro area holds the macro as the page built it.
  mouse_->ClearFrames();
  Click(Centre(g_mainRects[3]));
  ASSERT_TRUE(WaitForDownloads());
  const auto memory = mouse_->Memory();
  bool found = false;
  for (int p = 0; p < kProfileCount && !found; ++p) {
    for (int k = 1; k <= kDeviceSlotCount && !found; ++k) {
      const int entry = DirectoryEntryAddress(p, k);
      const int address = memory[entry + 5] + 256 * (memory[entry + 6] & 0x3F);
      if (address < kMacroDataStart) continue;
      const MacroEncoding expected = EncodeMacroData(built, address, memory[entry] + 1);
      if (address + expected.bytes.size() > memory.size()) continue;
      found = std::equal(expected.bytes.begin(), expected.bytes.end(), memory.begin() + address);
    }
  }
  EXPECT_TRUE(found);
}

}  // namespace
