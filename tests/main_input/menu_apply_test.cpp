// From the running window to the mouse's memory: a function box opens the function
// menu, a choice in its cascading list changes the label at once, and Apply writes the
// function into the simulated mouse's memory at that button's place.
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

}  // namespace
