#include "skin/warning_dlg.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <deque>
#include <vector>

#include "profile/core_hooks.h"
#include "skin/skin_image.h"
#include "skin/ui_fonts.h"

int g_warningPosMode = 0;
int g_popupX = 0;
int g_popupY = 0;
QRect g_mainRect;
int g_warningHover = 255;
int g_warningHoverPrev = 0;
int g_warningMaskWidth = 0;
int g_warningMaskHeight = 0;

namespace {

// Size of a box whose images are missing, so that its text can still be read.
constexpr int kFallbackWidth = 400;
constexpr int kFallbackHeight = 200;
// The layout of the factory skin's box: OK button, close button, text area.
constexpr std::array<SkinRect, kWarningEntries> kBuiltInWarningRects = {
    SkinRect{150, 144, 100, 36}, SkinRect{360, 12, 28, 28}, SkinRect{20, 64, 360, 60}, SkinRect{}, SkinRect{}};

QPointer<QWidget> g_owner;
int g_openBoxes = 0;
std::vector<std::string> g_openTexts;     // the texts of the open boxes
std::deque<std::string> g_pendingTexts;  // warnings waiting for the open box to close
bool g_draining = false;

void ShowPendingWarnings() {
  if (g_draining) return;
  g_draining = true;
  while (g_openBoxes == 0 && !g_pendingTexts.empty()) {
    std::string text = std::move(g_pendingTexts.front());
    g_pendingTexts.pop_front();
    ShowWarningBox(text);
  }
  g_draining = false;
}

void QueueWarning(std::string text) {
  // The same words once more, while they are on the screen or waiting, tell nothing new
  // (every file of one refused save, say).
  const auto same = [&text](const std::string& other) { return other == text; };
  if (std::any_of(g_openTexts.begin(), g_openTexts.end(), same) ||
      std::any_of(g_pendingTexts.begin(), g_pendingTexts.end(), same))
    return;
  g_pendingTexts.push_back(std::move(text));
  ShowPendingWarnings();
}

int HoverAt(const std::array<SkinRect, kWarningEntries>& rects, QPoint p) {
  if (rects[0].Contains(p.x(), p.y())) return 1;
  if (rects[1].Contains(p.x(), p.y())) return 2;
  return 255;
}

}  // namespace

WarningDlg::WarningDlg(const std::string& text, QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setModal(true);
  setMouseTracking(true);

  // The mask is read once per box and gives its shape and size.
  const QImage mask = LoadImageFile(SkinImagePath("warning_mask.jpg"));
  int width = mask.width();
  int height = mask.height();
  if (!mask.isNull()) {
    shape_ = MaskRegionFromImage(mask);
  } else {
    // Without a shape the box is its background image's rectangle, or a plain box.
    const QImage normal = SkinImages().Image(SkinImagePath("warning_normal.jpg"));
    width = normal.isNull() ? kFallbackWidth : normal.width();
    height = normal.isNull() ? kFallbackHeight : normal.height();
  }
  g_warningMaskWidth = width;
  g_warningMaskHeight = height;
  ApplyWindowShape(this, shape_);
  setGeometry(g_popupX, g_popupY, width, height);
  setFixedSize(width, height);

  g_warningHover = 3;
  rects_ = g_warningRects;
  // Before the language's layout is loaded (a warning of the early start-up) the box
  // still needs its buttons and its text area.
  if (rects_[0].width <= 0 && rects_[1].width <= 0) rects_ = kBuiltInWarningRects;
  strings_ = {g_warningCaptions[0], std::string(), text, g_warningCaptions[3], g_warningCaptions[4]};
  slot_ = g_warningSlot;
}

void WarningDlg::paintEvent(QPaintEvent*) {
  const int width = g_warningMaskWidth;
  const int height = g_warningMaskHeight;
  QImage composed(width, height, QImage::Format_ARGB32_Premultiplied);
  composed.fill(Qt::black);
  {
    QPainter p(&composed);
    const QImage normal = SkinImages().Image(SkinImagePath("warning_normal.jpg"));
    if (!normal.isNull()) {
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(QPoint(0, 0), normal, QRect(0, 0, width, height));
      p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (g_warningHover == 1 || g_warningHover == 2) {
      const QImage over = SkinImages().Image(SkinImagePath("warning_over.jpg"));
      BlitSkinRect(p, over, rects_[static_cast<std::size_t>(g_warningHover - 1)]);
    }

    if (slot_ >= 0 && slot_ < kWarningEntries) {
      SelectUiFont(p, 2);
      p.setPen(QColor(255, 255, 255));
      const QString text = QString::fromStdString(strings_[static_cast<std::size_t>(slot_)]);
      SkinRect r = rects_[static_cast<std::size_t>(slot_)];
      if (r.width <= 0 || r.height <= 0) r = SkinRect{0, 0, width, height};  // no layout: the whole box
      const QFontMetrics metrics(p.font());
      if (metrics.horizontalAdvance(text) <= r.width) {
        const int x = CentredStart(r.x, r.width, metrics.horizontalAdvance(text));
        const int y = CentredStart(r.y, r.height, metrics.height());
        p.drawText(x, y + metrics.ascent(), text);
      } else {
        // A text wider than its area (one naming a file) is wrapped, centred on the area.
        constexpr int kFlags = Qt::AlignCenter | Qt::TextWordWrap;
        const int h = metrics.boundingRect(QRect(0, 0, r.width, height), kFlags, text).height();
        p.drawText(QRect(r.x, CentredStart(r.y, r.height, h), r.width, h), kFlags, text);
      }
    }
  }
  QPainter window(this);
  PaintInsideShape(window, composed, shape_);
}

void WarningDlg::mouseMoveEvent(QMouseEvent* event) {
  g_warningHover = HoverAt(rects_, event->position().toPoint());
  if (g_warningHover != g_warningHoverPrev) {
    g_warningHoverPrev = g_warningHover;
    update();
  }
  QDialog::mouseMoveEvent(event);
}

void WarningDlg::mouseReleaseEvent(QMouseEvent* event) {
  QDialog::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  // The button under the cursor at the release counts.
  g_warningHover = HoverAt(rects_, event->position().toPoint());
  if (g_warningHover == 1) {
    done(1);
  } else if (g_warningHover == 2) {
    done(2);
  }
}

void SetWarningOwner(QWidget* owner) { g_owner = owner; }

QWidget* WarningOwner() { return g_owner.data(); }

QPoint WarningBoxPosition(int mode, const QRect& mainRect, const QRect& desktop, QPoint previous) {
  if (mode == 0) return QPoint(mainRect.left() + 330, mainRect.top() + 280);
  if (mode == 2) return QPoint(desktop.left() + desktop.width() / 2 - 200, desktop.top() + desktop.height() / 2 - 100);
  return previous;
}

int ShowWarningBox() { return ShowWarningBox(g_warningText); }

int ShowWarningBox(const std::string& text) {
  int mode = g_warningPosMode;
  if (mode == 0) {
    if (QWidget* owner = WarningOwner()) {
      g_mainRect = owner->frameGeometry();
    } else {
      mode = 2;  // no main window to sit on yet
    }
  }
  QRect desktop(0, 0, 1024, 768);
  if (QScreen* screen = QGuiApplication::primaryScreen()) desktop = screen->geometry();
  const QPoint at = WarningBoxPosition(mode, g_mainRect, desktop, QPoint(g_popupX, g_popupY));
  g_popupX = at.x();
  g_popupY = at.y();

  int result;
  {
    WarningDlg box(text);
    ++g_openBoxes;
    g_openTexts.push_back(text);
    result = box.exec();
    g_openTexts.pop_back();
    --g_openBoxes;
  }
  if (g_openBoxes == 0) ShowPendingWarnings();
  return result;
}

void DiscardPendingWarnings() { g_pendingTexts.clear(); }

void InstallWarningBoxHandler() {
  SetWarningHandler([](const WarningRequest& request) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    if (QThread::currentThread() == app->thread()) {
      QueueWarning(request.text);
    } else {
      // The raising thread must not wait for the user.
      QMetaObject::invokeMethod(
          app, [text = request.text]() mutable { QueueWarning(std::move(text)); }, Qt::QueuedConnection);
    }
  });
}
