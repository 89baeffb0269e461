// From the running window to the mouse's memory: a function box opens the function
// menu, a choice in its cascading list changes the label at once, and Apply writes the
// function into the simulated mouse's memory at that button's place.
#include <QPointer>

#include <gtest/gtest.h>

#include "../app/app_fixture.h"
#include "device/download.h"
#include "device/memory_image.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "popups/function_names.h"
#include "popups/menu_dlg.h"
#include "popups/sub_menu_dlg.h"
#include "profile/settings.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"

namespace {

using apptest::Centre;
using apptest::ClickMain;
using apptest::ProgramTest;


class MenuApplyTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    StartWithMouse();
  }
  static void Choose(SkinnedPopup& level, int row, int rowHeight) {
    const QPoint at(20, (row - 1) * rowHeight + rowHeight / 2);
    level.MoveAt(at);
    level.PressAt(at);
    level.ReleaseAt(at);
  }
};

TEST_F(MenuApplyTest, FunctionChosenInTheMenuReachesTheMouseOnApply) {
  const int button = 1;  // the box of entry 21
  const int slot = g_keyMap[button];
  ASSERT_GE(slot, 1);
  ASSERT_LE(slot, 8);
  const std::size_t address = kSettingsBlockAddresses[0] + static_cast<std::size_t>(slot - 1);
  const int sniper = 14;  // the fourth function-name row of the advanced list ("Sniper")
  ASSERT_NE(mouse_->MemoryAt(address) & 0x1F, DeviceFunctionCode(sniper, 0, 0));

  ClickMain(Centre(g_mainRects[20 + button]));
  auto* menu = qobject_cast<CMenuDlg*>(g_keyMenu.data());
  ASSERT_NE(menu, nullptr) << "the function box opens the function menu";
  EXPECT_EQ(menu->Kind(), MenuKindButtonFunction);

  const int rowHeight = menu->Geometry().rowHeight;
  menu->MoveAt({20, 6 * rowHeight + rowHeight / 2});  // row 7: the advanced functions
  CSubMenuDlg* list = menu->SubMenu();
  ASSERT_NE(list, nullptr);
  int row = 0;
  for (const auto& [key, entry] : g_funNameMap)
    if (key == std::to_string(sniper)) row = entry.second;
  ASSERT_GT(row, 0);
  Choose(*list, row, list->RowHeight());
  EXPECT_EQ(g_keyFunc[static_cast<std::size_t>(g_currentProfile.load())][button], sniper);
  EXPECT_EQ(AssignmentLabel(g_currentProfile.load(), button), g_funStrings[sniper]) << "the label shows it at once";
  EXPECT_TRUE(g_keyMenu.isNull() || !g_keyMenu->isVisible()) << "the chain of menus closed";
  EXPECT_FALSE(list->isVisible());

  mouse_->ClearFrames();
  ClickMain(Centre(g_mainRects[3]));
  ASSERT_TRUE(WaitForDownloads());
  EXPECT_EQ(mouse_->MemoryAt(address) & 0x1F, DeviceFunctionCode(sniper, 0, 0));
}

// A walk through the function menu, each of its submenus and a group's macro list, and
// through the language menu, leaves none of their images decoded once they are closed.
TEST_F(MenuApplyTest, ClosedMenusLeaveNoImageDecoded) {
  ASSERT_EQ(SkinImages().Bytes(), 0) << "the window is not shown: nothing of it painted";
  ClickMain(Centre(g_mainRects[21]));
  QPointer<CMenuDlg> menu = qobject_cast<CMenuDlg*>(g_keyMenu.data());
  ASSERT_FALSE(menu.isNull());
  const int rowHeight = menu->Geometry().rowHeight;
  bool sawMacros = false;
  for (int row : {7, 8, 9, 11}) {
    menu->MoveAt({20, (row - 1) * rowHeight + rowHeight / 2});
    menu->Compose();
    CSubMenuDlg* list = menu->SubMenu();
    ASSERT_NE(list, nullptr) << "row " << row;
    list->MoveAt({20, list->RowHeight() / 2});
    list->Compose();
    if (MacSelMenuDlg* macros = list->MacroSelection()) {
      macros->MoveAt({20, 5});
      macros->Compose();
      sawMacros = true;
    }
  }
  EXPECT_TRUE(sawMacros) << "the first group lists its macros";
  EXPECT_GT(SkinImages().Bytes(), 0);
  CloseOpenMenu();
  EXPECT_EQ(SkinImages().Bytes(), 0) << "after the function menu";

  ClickMain(Centre(g_mainRects[4]));
  menu = qobject_cast<CMenuDlg*>(g_keyMenu.data());
  ASSERT_FALSE(menu.isNull());
  ASSERT_EQ(menu->Kind(), kMenuKindLanguage);
  menu->MoveAt({20, menu->Geometry().rowHeight / 2});
  menu->Compose();
  EXPECT_GT(SkinImages().Bytes(), 0);
  CloseOpenMenu();
  EXPECT_EQ(SkinImages().Bytes(), 0) << "after the language menu";
}

}  // namespace
