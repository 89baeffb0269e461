// The running window driven by its handlers at the centres of skin entries: page tabs,
// page controls, sliders, frame buttons, Apply into the simulated mouse, the import of a
// configuration and the private messages.
#include <QApplication>
#include <QPaintEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../app/app_fixture.h"
#include "device/download.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_state.h"
#include "platform/ini_file.h"
#include "popups/menu_dlg.h"
#include "popups/shortcut_get_key.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"

namespace {

using apptest::Centre;
using apptest::ClickMain;
using apptest::ProgramTest;


class MainInputTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    StartWithMouse();
  }
  void TearDown() override {
    CloseOpenMenu();
    SetConfigFileChooser(nullptr);
    ProgramTest::TearDown();
  }
  static void Click(QPoint p) { ClickMain(p); }
};

TEST_F(MainInputTest, TabsSwitchPagesAndHoverFollowsThePointer) {
  MouseMoveAt(Centre(g_mainRects[7]));
  EXPECT_EQ(g_hoverFrame, 7);
  EXPECT_TRUE(LButtonDownAt(Centre(g_mainRects[7])));
  EXPECT_EQ(g_skinButtonDown, 1);
  LButtonUpAt(Centre(g_mainRects[7]));
  EXPECT_EQ(g_skinButtonDown, 0);
  EXPECT_EQ(g_currentPage.load(), kPageAdvanced);
  Click(Centre(g_mainRects[9]));
  EXPECT_EQ(g_currentPage.load(), kPageLed);
  Click(Centre(g_mainRects[6]));
  EXPECT_EQ(g_currentPage.load(), kPageMain);
  // On the other pages only the 20 frame buttons are hit-tested.
  Click(Centre(g_mainRects[7]));
  MouseMoveAt(Centre(g_mainRects[25]));
  EXPECT_EQ(g_hoverFrame == 25, false);
}

// Minimised or hidden, the window keeps no decoded image and its lighting preview
// rests; back on the screen it shows the page again and the preview goes on.
TEST_F(MainInputTest, NothingIsKeptOrAnimatedWhileTheWindowIsMinimisedOrHidden) {
  COVK_DOvaruDlg& window = Window();
  Click(Centre(g_mainRects[9]));
  ASSERT_EQ(g_currentPage.load(), kPageLed);
  for (auto leave : {+[](COVK_DOvaruDlg& w) { w.showMinimized(); }, +[](COVK_DOvaruDlg& w) { w.hide(); }}) {
    window.showNormal();
    window.update();
    ASSERT_TRUE(apptest::SpinUntil([] { return SkinImages().Bytes() > 0 && g_ledPreviewRunning.load() == 1; }));
    leave(window);
    apptest::SpinFor(20);
    EXPECT_EQ(SkinImages().Bytes(), 0);
    EXPECT_EQ(g_ledPreviewRunning.load(), 0);
  }
}

TEST_F(MainInputTest, APressWithNoMoveBeforeItActsOnTheControlUnderIt) {
  // The window came back under a pointer that did not move: nothing is hovered.
  OnMouseLeave();
  LButtonDownAt(Centre(g_mainRects[8]));
  LButtonUpAt(Centre(g_mainRects[8]));
  EXPECT_EQ(g_currentPage.load(), kPageMacro);
}

// What the window paints from now on, as one region.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget& window) { window.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
  QRegion painted;
};

// Once the pointer has left, nothing shows hovered or pressed: the control is painted
// again without its look, and a press that comes without a move (the pointer moved
// while the window manager held it) acts on the control under it.
TEST_F(MainInputTest, LeavingTheWindowForgetsAndRepaintsTheHoveredAndPressedControl) {
  COVK_DOvaruDlg& window = Window();
  window.showNormal();
  const SkinRect profile = g_mainRects[12];  // a profile is chosen on the release
  MouseMoveAt(Centre(profile));
  LButtonDownAt(Centre(profile));
  ASSERT_EQ(g_hoverFrame, 12);
  ASSERT_EQ(g_skinButtonDown, 1);
  PaintWatch watch(window);
  ASSERT_TRUE(apptest::SpinUntil([&] { return watch.painted.contains(profile.ToQRect()); }));  // shown pressed
  watch.painted = QRegion();

  OnMouseLeave();
  EXPECT_EQ(g_hoverFrame, kNoHover);
  EXPECT_EQ(g_skinButtonDown, 0);
  EXPECT_TRUE(apptest::SpinUntil([&] { return watch.painted.contains(profile.ToQRect()); }))
      << "the pressed look stays on the screen";

  LButtonDownAt(Centre(g_mainRects[8]));
  LButtonUpAt(Centre(g_mainRects[8]));
  EXPECT_EQ(g_currentPage.load(), kPageMacro);
}

// A function box keeps its look while its menu holds the pointer; once the menu is
// closed, nothing is hovered or pressed any more.
TEST_F(MainInputTest, TheBoxOfAnOpenMenuKeepsItsLookUntilTheMenuCloses) {
  ClickMain(Centre(g_mainRects[21]));
  auto* menu = qobject_cast<CMenuDlg*>(g_keyMenu.data());
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(QApplication::activePopupWidget(), menu);
  g_skinButtonDown = 1;  // the release went to the menu
  OnMouseLeave();
  EXPECT_EQ(g_hoverFrame, 21);
  EXPECT_EQ(g_skinButtonDown, 1);
  menu->ClosePopup();  // as Escape does
  EXPECT_EQ(g_hoverFrame, kNoHover);
  EXPECT_EQ(g_skinButtonDown, 0);
}

// Minimised or hidden, the window has nothing under the pointer, and works nothing out
// for a repaint that cannot come: the area of a button box's hover holds a picture that
// would be decoded for nothing and then kept.
TEST_F(MainInputTest, OffTheScreenNothingIsHoveredAndNoHoverPictureIsDecoded) {
  COVK_DOvaruDlg& window = Window();
  const QPoint box = Centre(g_mainRects[20]);
  for (auto leave : {+[](COVK_DOvaruDlg& w) { w.showMinimized(); }, +[](COVK_DOvaruDlg& w) { w.hide(); }}) {
    window.showNormal();
    ASSERT_TRUE(apptest::SpinUntil([] { return SkinImages().Bytes() > 0; }));
    MouseMoveAt(box);
    ASSERT_EQ(g_hoverFrame, 20);
    leave(window);
    EXPECT_EQ(g_hoverFrame, kNoHover);
    ASSERT_EQ(SkinImages().Bytes(), 0);
    const std::uint64_t decodes = SkinImages().DecodeCount();
    MouseMoveAt(box);  // a move queued before the window went
    OnMouseLeave();
    EXPECT_EQ(g_hoverFrame, kNoHover);
    EXPECT_EQ(SkinImages().DecodeCount(), decodes);
    EXPECT_EQ(SkinImages().Bytes(), 0);
  }
}

TEST_F(MainInputTest, AdvancedPageSlidersAndOptions) {
  Click(Centre(g_mainRects[7]));
  const SkinRect wheel = g_advancedRects[18];
  MouseMoveAt(Centre(wheel));
  LButtonDownAt({wheel.x - 5, wheel.y + 1});
  EXPECT_EQ(g_sliderDragMode, kDragWheelSpeed);
  EXPECT_EQ(g_wheelSpeed.load(), 1);
  MouseMoveAt({wheel.x + wheel.width + 40, wheel.y});
  EXPECT_EQ(g_wheelSpeed.load(), 11);
  LButtonUpAt({wheel.x + wheel.width + 40, wheel.y});
  EXPECT_EQ(g_sliderDragMode, kDragNone);

  const SkinRect fire = g_advancedRects[31];
  MouseMoveAt(Centre(fire));
  LButtonDownAt({fire.x, fire.y});
  EXPECT_EQ(g_fireTime.load(), 8);
  LButtonUpAt({fire.x, fire.y});

  for (int entry = 34; entry <= 37; ++entry) {
    const QPoint at = Centre(g_advancedRects[static_cast<std::size_t>(entry)]);
    if (HitTestRects(at, g_advancedRects.data(), kAdvancedEntries) != entry) continue;  // not in this skin
    g_usbSpeed = 3;
    g_usbRateCode = 1;
    Click(at);
    EXPECT_EQ(g_usbSpeed.load(), 0) << entry;
    EXPECT_EQ(g_usbRateCode.load(), 7) << entry;
  }

  g_dpiSetEnable = {1, 1, 0, 0, 0, 0};
  g_dpiLevel = 0;
  Click(Centre(g_advancedRects[62]));  // disabled level: not chosen
  EXPECT_EQ(g_dpiLevel.load(), 0);
  Click(Centre(g_advancedRects[61]));
  EXPECT_EQ(g_dpiLevel.load(), 1);
}

TEST_F(MainInputTest, MainPageButtonsWheelAndTheLeftClickGuard) {
  g_keyCount = 6;
  g_keyFunc[static_cast<std::size_t>(g_currentProfile.load())] = {1, 2, 3, 4, 5, 6};
  // The kind of the menu open now (0 for none).
  const auto openKind = [] {
    auto* menu = qobject_cast<CMenuDlg*>(g_keyMenu.data());
    return menu && menu->isVisible() ? menu->Kind() : 0;
  };
  Click(Centre(g_mainRects[20]));
  EXPECT_EQ(WarningTips().back(), 7);
  EXPECT_EQ(openKind(), 0);
  Click(Centre(g_mainRects[22]));
  EXPECT_EQ(openKind(), kMenuKindButtonFunction);
  EXPECT_EQ(g_selectedButtonItem, 22);
  EXPECT_EQ(g_menuOpen, 1);
  if (HitTestRects(Centre(g_mainRects[32]), g_mainRects.data(), kMainEntries) == 32) {
    Click(Centre(g_mainRects[32]));
    EXPECT_EQ(g_wheelStatus.load(), 1);
  }
  Click(Centre(g_mainRects[4]));
  EXPECT_EQ(openKind(), kMenuKindLanguage);
  EXPECT_EQ(g_languageMenuOpen, 1);
  EXPECT_EQ(OnPopupMenuDone(1, 99), 0);  // a row beyond the list changes nothing
  EXPECT_EQ(g_languageMenuOpen, 0);
  EXPECT_EQ(g_menuOpen, 0);
}

TEST_F(MainInputTest, LightingPageFollowsTheEffect) {
  Click(Centre(g_mainRects[9]));
  g_keyCount = 6;
  g_modeLight = 0;
  g_ledType = 3;
  g_ledSymmetry = 0;
  Click(Centre(g_ledRects[45]));
  EXPECT_EQ(g_ledSymmetry.load(), 1);
  Click(Centre(g_ledRects[50]));
  EXPECT_EQ(g_ledDirection.load(), 3);
  g_ledType = 2;
  Click(Centre(g_ledRects[45]));  // no symmetry for this effect
  EXPECT_EQ(g_ledSymmetry.load(), 1);
  const int profile = g_currentProfile.load();
  const int before = g_ledReactEnable[static_cast<std::size_t>(profile)][2];
  Click(Centre(g_ledRects[53]));
  EXPECT_NE(g_ledReactEnable[static_cast<std::size_t>(profile)][2], before);
  Click(Centre(g_ledRects[19]));
  EXPECT_EQ(g_modeLight.load(), 1);
  Click(Centre(g_ledRects[45]));  // only entry 17 acts now
  EXPECT_EQ(g_ledSymmetry.load(), 1);
  Click(Centre(g_ledRects[17]));
  EXPECT_EQ(g_modeLight.load(), 0);
}

TEST_F(MainInputTest, ProfilesApplyAndTheBusyDownload) {
  Click(Centre(g_mainRects[12]));
  EXPECT_EQ(g_currentProfile.load(), 2);
  // Nothing is written before Apply.
  EXPECT_NE(ini::ReadInt(ConfigIni(), "Init", "CurConfig", 5), 2);
  g_downloadBusy = 1;
  mouse_->ClearFrames();
  Click(Centre(g_mainRects[3]));
  EXPECT_TRUE(SentFrames().empty());
  g_downloadBusy = 0;
  Click(Centre(g_mainRects[3]));
  ASSERT_TRUE(WaitForDownloads());
  EXPECT_FALSE(SentFrames().empty());
  EXPECT_EQ(ini::ReadInt(ConfigIni(), "Init", "CurConfig", 5), 2);
}

TEST_F(MainInputTest, ImportCopiesTheChosenFileAndReloadsTheProfiles) {
  const std::string chosen = ProgramDir() + "/mine.ini";
  std::filesystem::copy_file(ConfigIni(), chosen);
  ini::WriteInt(chosen, "ShareData", "WHEEL_SPEED", 9);
  std::optional<std::string> answer = ProgramDir() + "/missing.ini";
  SetConfigFileChooser([&](const FileDialogRequest& request) {
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.filter, "All Files(*.ini)|*.ini||");
    return answer;
  });
  Click(Centre(g_mainRects[14]));
  EXPECT_EQ(WarningTips().back(), 6);
  answer = std::nullopt;
  Click(Centre(g_mainRects[14]));
  EXPECT_EQ(g_wheelSpeed.load() == 9, false);
  // A file without settings would leave every button without a function: refused by name.
  const std::string garbage = ProgramDir() + "/garbage.ini";
  ini::WriteString(garbage, "Other", "K0", "0");
  answer = garbage;
  Click(Centre(g_mainRects[14]));
  EXPECT_EQ(Warnings().back().tip, 6);
  EXPECT_NE(Warnings().back().text.find(garbage), std::string::npos);
  EXPECT_EQ(ini::ReadInt(ConfigIni(), "Config0", "K0", 10), 1);
  answer = chosen;
  Click(Centre(g_mainRects[14]));
  EXPECT_EQ(ini::ReadInt(ConfigIni(), "ShareData", "WHEEL_SPEED", 10), 9);
  EXPECT_EQ(g_wheelSpeed.load(), 9);
  EXPECT_FALSE(std::filesystem::exists(ConfigIni() + ".import"));
}

TEST_F(MainInputTest, RecordingRefusesOtherControls) {
  g_recording = 1;
  Click(Centre(g_mainRects[7]));
  EXPECT_EQ(g_currentPage.load(), kPageMain);
  EXPECT_EQ(WarningTips().back(), 20);
  g_recording = 0;
}

TEST_F(MainInputTest, PressOutsideEveryControlLeavesItToTheWindowDrag) {
  QPoint empty(-1, -1);
  for (int y = 0; y < 300 && empty.x() < 0; y += 3)
    for (int x = 0; x < 300; x += 3) {
      MouseMoveAt({x, y});
      if (g_hoverFrame == kNoHover && g_hoverLed == kNoHover && g_hoverAdvanced == kNoHover && g_hoverMacro == kNoHover) {
        empty = {x, y};
        break;
      }
    }
  ASSERT_GE(empty.x(), 0);
  EXPECT_FALSE(LButtonDownAt(empty));
  // The key-combination request runs its dialog; cancelled here as soon as it shows.
  QTimer::singleShot(0, [] {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<CShortcutGetKey*>(widget)) dialog->reject();
  });
  EXPECT_EQ(OnShortcutKeyRequest(), 1);
}

}  // namespace
