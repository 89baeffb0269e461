#include "platform/qt/keyboard_capture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include "platform/evdev_keys.h"

namespace platform {

CapturedKey CapturedKeyOf(const QKeyEvent& event) {
  CapturedKey key;
  key.down = event.type() == QEvent::KeyPress;
  key.autoRepeat = event.isAutoRepeat();
  key.usage = EvdevKeyToUsage(EvdevFromNativeScanCode(event.nativeScanCode()));
  return key;
}

bool KeyboardGrabAvailable() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

KeyboardCapture::~KeyboardCapture() { Stop(); }

QWindow* KeyboardCapture::GrabWindow() const {
  if (!window_) return nullptr;
  QWidget* top = window_->window();
  return top ? top->windowHandle() : nullptr;
}

void KeyboardCapture::Start(QWidget* window, KeyHandler onKey, std::function<void()> onGrabFailed) {
  Stop();
  window_ = window;
  onKey_ = std::move(onKey);
  onGrabFailed_ = std::move(onGrabFailed);
  running_ = true;
  grabTried_ = false;
  qApp->installEventFilter(this);
  // Ends with its window, so a destroyed window never keeps the keyboard.
  if (window) connect(window, &QObject::destroyed, this, &KeyboardCapture::Stop, Qt::UniqueConnection);
  if (QWindow* handle = GrabWindow(); handle && handle->isExposed()) TryGrab();
}

void KeyboardCapture::Stop() {
  if (!running_) return;
  running_ = false;
  if (qApp) qApp->removeEventFilter(this);
  if (grabbed_) {
    grabbed_ = false;
    // A window that is gone has taken its grab with it.
    if (QWindow* handle = GrabWindow(); handle && qApp) {
      handle->setKeyboardGrabEnabled(false);
      // The release reaches the X server now, not at the next turn of the event loop.
      QGuiApplication::sync();
    }
  }
  if (window_) disconnect(window_, &QObject::destroyed, this, &KeyboardCapture::Stop);
  window_ = nullptr;
  onKey_ = nullptr;
  onGrabFailed_ = nullptr;
}

void KeyboardCapture::TryGrab() {
  if (grabTried_ || !KeyboardGrabAvailable()) return;
  QWindow* handle = GrabWindow();
  if (!handle) return;
  grabTried_ = true;
  grabbed_ = handle->setKeyboardGrabEnabled(true);
  if (!grabbed_ && onGrabFailed_) onGrabFailed_();
}

bool KeyboardCapture::eventFilter(QObject* watched, QEvent* event) {
  if (!running_) return false;
  switch (event->type()) {
    case QEvent::Expose:
      // The X server grants a grab only on a window that is on the screen.
      if (watched == GrabWindow() && GrabWindow()->isExposed()) TryGrab();
      return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      // Qt hands one key event first to the window, then to the widget with the focus:
      // only the window's copy is taken.
      if (!watched->isWindowType()) return true;
      const CapturedKey key = CapturedKeyOf(*static_cast<QKeyEvent*>(event));
      if (onKey_) {
        KeyHandler handler = onKey_;  // the handler may stop the capture
        handler(key);
      }
      return true;
    }
    case QEvent::ShortcutOverride:
      event->accept();  // no shortcut of a widget fires on a captured key
      return true;
    default:
      return false;
  }
}

}  // namespace platform
