// The warning box: placement, text, buttons and keys, repaints, and warnings raised on
// the UI thread and on workers.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "keys/language.h"
#include "profile/core_hooks.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "skin/warning_dlg.h"
#include "skin_fixture.h"

namespace {

using skintest::SkinTreeTest;

void Move(QWidget* w, QPoint p, Qt::MouseButtons held = Qt::NoButton) {
  QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::NoButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}
void Press(QWidget* w, QPoint p) {
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, Qt::LeftButton,
                Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}
void Release(QWidget* w, QPoint p) {
  QMouseEvent e(QEvent::MouseButtonRelease, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, Qt::NoButton,
                Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}
void Key(QWidget* w, int key) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}
void Click(QWidget* w, QPoint p) {
  Move(w, p);
  Press(w, p);
  Release(w, p);
}

const QPoint kFirstButton(60, 150);
const QPoint kSecondButton(300, 160);
const QPoint kNoButton(200, 20);

WarningDlg* OpenBox() { return qobject_cast<WarningDlg*>(QApplication::activeModalWidget()); }

// Runs `act` on each box that opens (polling), until `done` says so or 5 s pass.
void PollBoxes(const std::function<bool(WarningDlg*)>& act) {
  bool finished = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (finished) return;
    if (WarningDlg* box = OpenBox(); box != nullptr && box->isVisible()) finished = act(box);
  });
  poll.start(10);
  QElapsedTimer clock;
  clock.start();
  while (!finished && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(finished) << "no box appeared";
}

class WarningBox : public SkinTreeTest {
 protected:
  void SetUp() override {
    SkinTreeTest::SetUp();
    WriteWarningSkin(1);
    LoadWarningSkin();
    ASSERT_TRUE(record.warnings.empty());
    g_warningPosMode = 2;
    g_warningSlot = 2;
  }
  void TearDown() override {
    SetWarningOwner(nullptr);
    SkinTreeTest::TearDown();
  }

  // Shows a box with `text` and runs `act` on it once it is open; gives the result.
  int Run(const std::string& text, const std::function<void(WarningDlg*)>& act) {
    QTimer::singleShot(0, [act] {
      WarningDlg* box = OpenBox();
      ASSERT_NE(box, nullptr);
      act(box);
      // Whatever the action did, the box must not outlive the test.
      if (OpenBox() == box) box->done(99);
    });
    return ShowWarningBox(text);
  }
};

TEST(WarningPlacement, ModesOfTheBox) {
  const QRect desktop(0, 0, 1920, 1080);
  EXPECT_EQ(WarningBoxPosition(2, QRect(), desktop, QPoint()), QPoint(760, 440));
  EXPECT_EQ(WarningBoxPosition(0, QRect(100, 50, 900, 600), desktop, QPoint()), QPoint(430, 330));
  EXPECT_EQ(WarningBoxPosition(2, QRect(), QRect(0, 0, 1367, 769), QPoint()), QPoint(483, 284));
  EXPECT_EQ(WarningBoxPosition(1, QRect(100, 50, 9, 9), desktop, QPoint(7, 8)), QPoint(7, 8));
}

TEST_F(WarningBox, ShowsTheTextInItsSlotOnTheShapedBox) {
  int checked = 0;
  const int result = Run("Mouse not found", [&](WarningDlg* box) {
    EXPECT_EQ(box->Strings()[2], "Mouse not found");
    EXPECT_EQ(box->Strings()[0], "OK");
    EXPECT_EQ(box->Strings()[1], "");
    EXPECT_EQ(box->Strings()[3], "three");
    EXPECT_EQ(box->TextSlot(), 2);
    EXPECT_EQ(box->size(), QSize(400, 200));
    EXPECT_EQ(g_warningMaskWidth, 400);
    EXPECT_EQ(g_warningMaskHeight, 200);
    EXPECT_FALSE(box->mask().contains(QPoint(5, 5)));  // the cut-out corner
    EXPECT_TRUE(box->mask().contains(QPoint(25, 5)));

    // White text only in the text area; the buttons are in their normal look.
    const QImage shot = box->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    int inside = 0, outside = 0;
    for (int y = 0; y < shot.height(); ++y) {
      for (int x = 0; x < shot.width(); ++x) {
        const QRgb p = shot.pixel(x, y);
        if (qRed(p) < 200 || qGreen(p) < 200 || qBlue(p) < 200) continue;
        (QRect(20, 40, 360, 60).contains(x, y) ? inside : outside)++;
      }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(qAlpha(shot.pixel(5, 5)), 0);  // transparent outside the shape
    EXPECT_NEAR(qRed(shot.pixel(kFirstButton.x(), kFirstButton.y())), 40, 3);

    Move(box, kFirstButton);
    const QImage hovered = box->grab().toImage();
    EXPECT_NEAR(QColor(hovered.pixel(kFirstButton)).red(), 200, 3);
    EXPECT_NEAR(QColor(hovered.pixel(kSecondButton)).red(), 40, 3);
    ++checked;
    Release(box, kFirstButton);
  });
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(result, 1);
}

TEST_F(WarningBox, ButtonsKeysAndClicksBesideTheButtons) {
  EXPECT_EQ(Run("a", [](WarningDlg* box) { Click(box, kFirstButton); }), 1);
  EXPECT_EQ(Run("b", [](WarningDlg* box) { Click(box, kSecondButton); }), 2);
  EXPECT_EQ(Run("c", [](WarningDlg* box) { Key(box, Qt::Key_Escape); }), 2);
  // Pressed on the first button, released on the second: the second counts.
  EXPECT_EQ(Run("d",
                [](WarningDlg* box) {
                  Move(box, kFirstButton);
                  Press(box, kFirstButton);
                  Move(box, kSecondButton, Qt::LeftButton);
                  Release(box, kSecondButton);
                }),
            2);
  // Enter and a click on no button leave the box open.
  bool stillOpen = false;
  EXPECT_EQ(Run("e",
                [&](WarningDlg* box) {
                  Key(box, Qt::Key_Return);
                  Key(box, Qt::Key_Enter);
                  Click(box, kNoButton);
                  stillOpen = OpenBox() == box && box->isVisible();
                  Click(box, kSecondButton);
                }),
            2);
  EXPECT_TRUE(stillOpen);
}

TEST_F(WarningBox, PlacedOnTheMainWindowOrTheDesktop) {
  QWidget mainWindow;
  mainWindow.setGeometry(100, 50, 600, 400);
  SetWarningOwner(&mainWindow);
  g_warningPosMode = 0;
  QPoint at;
  Run("x", [&](WarningDlg* box) { at = box->pos(); });
  EXPECT_EQ(at, QPoint(430, 330));
  EXPECT_EQ(g_popupX, 430);
  EXPECT_EQ(g_popupY, 330);
  EXPECT_EQ(g_mainRect.topLeft(), QPoint(100, 50));

  g_warningPosMode = 2;
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  Run("y", [&](WarningDlg* box) { at = box->pos(); });
  EXPECT_EQ(at, QPoint(screen.width() / 2 - 200, screen.height() / 2 - 100));
}

class CountingBox : public WarningDlg {
 public:
  using WarningDlg::WarningDlg;
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* e) override {
    ++paints;
    WarningDlg::paintEvent(e);
  }
};

TEST_F(WarningBox, FirstMoveRepaintsOnlyWhenTheHoverChanged) {
  g_warningHoverPrev = 1;  // left by the previous box
  CountingBox box("t");
  box.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(g_warningHover, 3);
  box.paints = 0;
  Move(&box, kFirstButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(box.paints, 0);
  EXPECT_EQ(g_warningHover, 1);
  Move(&box, kNoButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(box.paints, 1);
  EXPECT_EQ(g_warningHoverPrev, 255);
  Move(&box, QPoint(kNoButton.x() + 5, kNoButton.y()));
  QCoreApplication::processEvents();
  EXPECT_EQ(box.paints, 1);
  box.done(0);
}

TEST_F(WarningBox, WorkerWarningArrivesOnTheUiThreadWithoutWaiting) {
  InstallWarningBoxHandler();
  g_textTip[29] = "macros do not fit";
  std::atomic<bool> workerReturned{false};
  std::thread worker([&] {
    ShowTipWarning(29);
    workerReturned = true;
  });
  worker.join();  // returns while no box has been shown yet
  EXPECT_TRUE(workerReturned);
  EXPECT_EQ(OpenBox(), nullptr);

  std::string shown;
  PollBoxes([&](WarningDlg* box) {
    shown = box->Strings()[2];
    EXPECT_EQ(box->thread(), QApplication::instance()->thread());
    EXPECT_EQ(QThread::currentThread(), QApplication::instance()->thread());
    Click(box, kFirstButton);
    return true;
  });
  EXPECT_EQ(shown, "macros do not fit");
}

TEST_F(WarningBox, WarningsWhileABoxIsOpenFollowItInsteadOfNesting) {
  InstallWarningBoxHandler();
  g_textTip[7] = "first";
  g_textTip[8] = "second";
  g_textTip[21] = "third";
  std::vector<std::string> shown;
  // Acts on each box from whatever event loop runs (a closed box is hidden at once).
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    WarningDlg* box = OpenBox();
    if (box == nullptr || !box->isVisible()) return;
    shown.push_back(box->Strings()[2]);
    if (shown.size() == 1) {
      ShowTipWarning(8);  // UI thread, while "first" is open
      std::thread([] { ShowTipWarning(21); }).join();
      // The same words again, while they are open or waiting, give no box of their own.
      ShowTipWarning(7);
      ShowTipWarning(8);
      EXPECT_EQ(OpenBox(), box);
    }
    Click(box, kSecondButton);
  });
  poll.start(10);
  ShowTipWarning(7);  // UI thread, no box open: shown at once, returns when all are closed
  poll.stop();
  EXPECT_EQ(shown, (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(WarningBox, MissingImagesStillShowAReadableBox) {
  std::remove((Skins() + "/warning_mask.jpg").c_str());
  std::remove((Skins() + "/warning_normal.jpg").c_str());
  SkinImages().Clear();
  for (auto& r : g_warningRects) r = SkinRect{};
  QSize size;
  int white = 0;
  Run("no images", [&](WarningDlg* box) {
    size = box->size();
    const QImage shot = box->grab().toImage();
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) white += qRed(shot.pixel(x, y)) > 200;
    Key(box, Qt::Key_Escape);
  });
  EXPECT_EQ(size, QSize(400, 200));
  EXPECT_GT(white, 20);
}

}  // namespace
