// A warning raised before the language's texts and the warning layout are loaded (a
// broken config.ini at start-up) still has its text, and its OK button closes it.
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include "profile/core_hooks.h"
#include "skin/skin_layout.h"
#include "skin/warning_dlg.h"
#include "skin_fixture.h"

namespace {

void ReleaseAt(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &move);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, Qt::NoButton,
                 Qt::NoModifier);
  QCoreApplication::sendEvent(w, &up);
}

class EarlyWarning : public skintest::SkinTreeTest {};

}  // namespace

TEST_F(EarlyWarning, HasBuiltInTextAndAWorkingOkButton) {
  // The images are there (they are the same for every language); nothing else is loaded.
  WriteWarningSkin(1);
  g_warningRects = {};
  g_warningCaptions = {};
  ShowTipWarning(5, {}, ": /x/config.ini");
  ShowTipWarning(6);
  ASSERT_EQ(record.warnings.size(), 2u);
  EXPECT_EQ(record.warnings[0].text, "A required file is missing: /x/config.ini");
  EXPECT_EQ(record.warnings[1].text, "The operation failed");

  g_warningPosMode = 2;
  g_warningSlot = 2;
  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<WarningDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown = true;
    EXPECT_EQ(box->Strings()[2], record.warnings[0].text);
    const SkinRect ok = box->Rects()[0];
    const SkinRect text = box->Rects()[2];
    ASSERT_GT(ok.width, 0);
    ASSERT_GT(text.width, 0);
    // The text is drawn in white inside its area.
    const QImage shot = box->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    int white = 0;
    for (int y = text.y; y < text.y + text.height; ++y)
      for (int x = text.x; x < text.x + text.width; ++x)
        if (qRed(shot.pixel(x, y)) > 200 && qGreen(shot.pixel(x, y)) > 200) ++white;
    EXPECT_GT(white, 20);
    ReleaseAt(box, QPoint(ok.x + ok.width / 2, ok.y + ok.height / 2));
    if (QApplication::activeModalWidget() == box) box->done(99);
  });
  EXPECT_EQ(ShowWarningBox(record.warnings[0].text), 1);
  EXPECT_TRUE(shown);
}
