// The main window under a window manager, clicked as a user clicks (xdotool click: the
// press and the release come at once).
#include <gtest/gtest.h>

#include <memory>

#include "../app/app_fixture.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_state.h"
#include "popups/sound_wave.h"
#include "sim/scripted_meter.h"
#include "skin/skin_layout.h"
#include "sound/sound_level.h"
#include "sound/sound_state.h"
#include "x11_support.h"

namespace {

using apptest::SpinFor;
using apptest::SpinUntil;
using x11test::HandleEventsSoFar;
using x11test::WaitPlaced;
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
    EXPECT_TRUE(WaitPlaced(window));
    EXPECT_TRUE(HandleEventsSoFar());
    return window;
  }
  // The pointer there, and the program has seen it come.
  static bool MoveTo(QPoint at) {
    return x11test::MovePointer(at) && HandleEventsSoFar();
  }
  static QPoint ShownAt(const QWidget& w) { return x11test::ServerPosition(w); }
  static bool ClickAt(QPoint at) {
    return MoveTo(at) && x11test::XdotoolWhileRunning({"click", "1"}) && HandleEventsSoFar();
  }
  // A window that must stay put is given a moment after the input has been handled, so
  // that a move the window manager would make on the program's request shows.
  static void ChanceToMove() { SpinFor(200); }
  // A quick click, then the pointer goes elsewhere in a few steps, as a hand moves it.
  static void ClickThenMoveAway(QPoint at) {
    ASSERT_TRUE(ClickAt(at));
    for (int step = 1; step <= 3; ++step) ASSERT_TRUE(MoveTo(at + QPoint(-60 * step, 70 * step)));
    ChanceToMove();
  }
  void TearDown() override {
    DestroySoundWaveWindow();
    SetSoundMeter(nullptr);
    ClearSoundState();
    apptest::ProgramTest::TearDown();
  }
};

TEST_F(MainWindowX11, AClickOutsideTheControlsLeavesTheWindowWhereItIsButPressMoveReleaseMovesIt) {
  COVK_DOvaruDlg& window = Shown();
  const QPoint empty(620, 540);  // below the mouse picture, above the hint line
  ASSERT_EQ(HitTestRects(empty, g_mainRects.data(), kMainEntries), kNoSkinHit);
  const QPoint start = ShownAt(window);

  ClickThenMoveAway(window.mapToGlobal(empty));
  EXPECT_EQ(ShownAt(window), start);

  // A drag still moves the window, and it stays where it was dropped.
  const QPoint from = window.mapToGlobal(empty);
  ASSERT_TRUE(MoveTo(from));
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  ASSERT_TRUE(HandleEventsSoFar());
  for (int step = 1; step <= 4; ++step) ASSERT_TRUE(MoveTo(from + QPoint(10 * step, 5 * step)));
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  ASSERT_TRUE(HandleEventsSoFar());
  ASSERT_TRUE(SpinUntil([&] { return ShownAt(window).x() >= start.x() + 20; }));
  ASSERT_TRUE(WaitPlaced(window));
  const QPoint dropped = ShownAt(window);
  EXPECT_GT(dropped.y(), start.y());
  ASSERT_TRUE(MoveTo(from + QPoint(200, 100)));
  ChanceToMove();
  EXPECT_EQ(ShownAt(window), dropped);
}

TEST_F(MainWindowX11, AClickOnAButtonsFunctionBoxOpensTheMenuBelowTheBoxAndItStaysOpen) {
  COVK_DOvaruDlg& window = Shown();
  const SkinRect& box = g_mainRects[21];
  const QPoint centre = window.mapToGlobal(QPoint(box.x + box.width / 2, box.y + box.height / 2));
  ASSERT_TRUE(ClickAt(centre));
  ASSERT_TRUE(SpinUntil([] { return g_keyMenu && g_keyMenu->isVisible(); }));
  // The click's release, handled by now, leaves it open.
  ASSERT_TRUE(HandleEventsSoFar());
  ASSERT_TRUE(g_keyMenu && g_keyMenu->isVisible());
  EXPECT_EQ(g_keyMenu->frameGeometry().topLeft(), window.mapToGlobal(QPoint(box.x + 1, box.y + box.height)));
}

TEST_F(MainWindowX11, AClickOnTheSoundWindowOutsideItsButtonsLeavesItWhereItIs) {
  SetSoundMeter(std::make_unique<sim::ScriptedMeter>(true));
  COVK_DOvaruDlg& window = Shown();
  const SkinRect& entry = g_mainRects[46];
  ASSERT_TRUE(ClickAt(window.mapToGlobal(QPoint(entry.x + entry.width / 2, entry.y + entry.height / 2))));
  ASSERT_TRUE(SpinUntil([] { return SoundWaveWindow() != nullptr && SoundWaveWindow()->isVisible(); }));
  SoundWave& sound = *SoundWaveWindow();
  ASSERT_TRUE(WaitPlaced(sound));
  const QPoint empty(sound.width() / 2, 28);  // the title strip
  ASSERT_EQ(sound.HitTest(empty), SkinnedPopup::kNoHit);
  const QPoint start = ShownAt(sound);

  ClickThenMoveAway(sound.mapToGlobal(empty));
  EXPECT_EQ(ShownAt(sound), start);
}

}  // namespace
