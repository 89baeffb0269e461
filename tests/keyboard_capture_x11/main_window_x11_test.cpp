// The main window under a window manager, clicked as a user clicks (xdotool click: the
// press and the release come at once).
#include <gtest/gtest.h>

#include "mainwnd/page_state.h"
#include "mainwnd/skin_layout.h"
#include "../app/app_fixture.h"
#include "x11_support.h"

namespace {

using apptest::SpinFor;
using apptest::SpinUntil;
using x11test::Xdotool;

class MainWindowX11 : public apptest::ProgramTest {
 protected:
  // The started window, shown away from the screen's corner (where a window-local
  // point and a screen point differ).
  COVK_DOvaruDlg& Shown() {
    PlugMouse();
    COVK_DOvaruDlg& window = Start();
    window.show();
    window.move(90, 70);
    EXPECT_TRUE(SpinUntil([&] { return window.isVisible() && window.frameGeometry().topLeft() == QPoint(90, 70); }));
    SpinFor(300);
    return window;
  }
  static bool MoveTo(QPoint at) {
    return Xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
  }
  static bool ClickAt(QPoint at) { return MoveTo(at) && Xdotool({"click", "1"}); }
};

TEST_F(MainWindowX11, AClickOutsideTheControlsLeavesTheWindowWhereItIsButPressMoveReleaseMovesIt) {
  COVK_DOvaruDlg& window = Shown();
  const QPoint empty(620, 540);  // below the mouse picture, above the hint line
  ASSERT_EQ(HitTestRects(empty, g_mainRects.data(), kMainEntries), kNoSkinHit);
  const QPoint start = window.frameGeometry().topLeft();

  ASSERT_TRUE(ClickAt(window.mapToGlobal(empty)));
  ASSERT_TRUE(MoveTo(window.mapToGlobal(empty) + QPoint(-300, 120)));
  SpinFor(600);
  EXPECT_EQ(window.frameGeometry().topLeft(), start);

  // A drag still moves the window, and it stays where it was dropped.
  const QPoint from = window.mapToGlobal(empty);
  ASSERT_TRUE(MoveTo(from));
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  SpinFor(100);
  for (int step = 1; step <= 4; ++step) {
    ASSERT_TRUE(MoveTo(from + QPoint(10 * step, 5 * step)));
    SpinFor(60);
  }
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  ASSERT_TRUE(SpinUntil([&] { return window.frameGeometry().left() >= start.x() + 20; }));
  SpinFor(200);
  const QPoint dropped = window.frameGeometry().topLeft();
  EXPECT_GT(dropped.y(), start.y());
  ASSERT_TRUE(MoveTo(from + QPoint(200, 100)));
  SpinFor(400);
  EXPECT_EQ(window.frameGeometry().topLeft(), dropped);
}

TEST_F(MainWindowX11, AClickOnAButtonsFunctionBoxOpensTheMenuBelowTheBoxAndItStaysOpen) {
  COVK_DOvaruDlg& window = Shown();
  const SkinRect& box = g_mainRects[21];
  const QPoint centre = window.mapToGlobal(QPoint(box.x + box.width / 2, box.y + box.height / 2));
  ASSERT_TRUE(MoveTo(centre));
  SpinFor(100);
  ASSERT_TRUE(Xdotool({"click", "1"}));
  ASSERT_TRUE(SpinUntil([] { return g_keyMenu && g_keyMenu->isVisible(); }));
  SpinFor(500);
  ASSERT_TRUE(g_keyMenu && g_keyMenu->isVisible());
  EXPECT_EQ(g_keyMenu->frameGeometry().topLeft(), window.mapToGlobal(QPoint(box.x + 1, box.y + box.height)));
}

}  // namespace
