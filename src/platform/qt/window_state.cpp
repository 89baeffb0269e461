#include "platform/qt/window_state.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

namespace platform {

namespace {

void Minimise(QWidget& window) { window.setWindowState(window.windowState() | Qt::WindowMinimized); }

// Minimises its window once the window has painted: the paint's frame is handed to the
// compositor before the queued request runs, so the window is on the screen by then.
class MinimiseAfterFirstFrame : public QObject {
 public:
  explicit MinimiseAfterFirstFrame(QWidget& window) : QObject(&window), window_(window) {
    window.installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_ && event->type() == QEvent::Paint) {
      window_.removeEventFilter(this);
      QWidget* window = &window_;
      QMetaObject::invokeMethod(window, [window] { Minimise(*window); }, Qt::QueuedConnection);
      deleteLater();
    }
    return false;
  }

 private:
  QWidget& window_;
};

}  // namespace

bool MinimiseIsOneWay() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

bool ProgramPlacesWindows() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

void StartMinimised(QWidget& window) {
  if (MinimiseIsOneWay()) {
    new MinimiseAfterFirstFrame(window);
  } else {
    // The show event comes before the window is mapped, so the window manager maps it
    // minimised; a request made after the mapping can reach it before it manages the
    // window and be lost.
    Minimise(window);
  }
}

void BringBack(QWidget& window) {
  // The compositor may hold the window minimised, whatever the program believes (it is
  // never told when the window comes back from there).
  if (MinimiseIsOneWay() && window.isVisible()) window.hide();
  // Shown and restored in one step: the window must no longer count as minimised when
  // it is mapped, or the window manager maps it minimised and the restore that follows
  // can reach it before it manages the window.
  window.showNormal();
  window.raise();
  window.activateWindow();
}

}  // namespace platform
