#include "platform/qt/keyboard_capture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

#include "platform/evdev_keys.h"
#include "platform/qt/x11_connection.h"

namespace platform {
namespace {

enum class GrabAnswer { Granted, NotYet, Refused };

// Asks the X server for the keyboard for `window`; `why` receives the reason of a no.
GrabAnswer GrabKeyboard(QWindow& window, const char** why) {
  xcb_connection_t* connection = X11Connection();
  *why = "the program is not connected to an X server";
  if (connection == nullptr) return GrabAnswer::Refused;
  const xcb_grab_keyboard_cookie_t cookie =
      xcb_grab_keyboard(connection, 0, static_cast<xcb_window_t>(window.winId()), XCB_CURRENT_TIME,
                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(connection, cookie, nullptr);
  const int status = reply != nullptr ? reply->status : -1;
  std::free(reply);
  switch (status) {
    case XCB_GRAB_STATUS_SUCCESS:
      return GrabAnswer::Granted;
    // Passing states: another client (often the window manager, around a window it is
    // mapping or focusing) holds or freezes the keyboard, or the window is not yet
    // viewable.
    case XCB_GRAB_STATUS_ALREADY_GRABBED:
      *why = "another program holds the keyboard";
      return GrabAnswer::NotYet;
    case XCB_GRAB_STATUS_FROZEN:
      *why = "another program's grab holds the keyboard frozen";
      return GrabAnswer::NotYet;
    case XCB_GRAB_STATUS_NOT_VIEWABLE:
      *why = "the window is not on the screen";
      return GrabAnswer::NotYet;
    default:
      *why = "the X server refused it";
      return GrabAnswer::Refused;
  }
}

constexpr int kGrabPatienceMs = 500;
constexpr int kGrabRetryMs = 20;

}  // namespace

CapturedKey CapturedKeyOf(const QKeyEvent& event) {
  CapturedKey key;
  key.down = event.type() == QEvent::KeyPress;
  key.autoRepeat = event.isAutoRepeat();
  key.usage = EvdevKeyToUsage(EvdevFromNativeScanCode(event.nativeScanCode()));
  return key;
}

bool KeyboardGrabAvailable() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

int GrabPatienceMs() {
  const char* text = std::getenv("MC_TEST_TIME_FACTOR");
  const double factor = text != nullptr ? std::atof(text) : 1.0;
  return factor > 1.0 && factor < 1000.0 ? static_cast<int>(kGrabPatienceMs * factor) : kGrabPatienceMs;
}

KeyboardCapture::KeyboardCapture() {
  grabRetry_.setSingleShot(true);
  grabRetry_.setInterval(kGrabRetryMs);
  connect(&grabRetry_, &QTimer::timeout, this, &KeyboardCapture::TryGrab);
}

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
  grabEnded_ = false;
  grabDeadline_ = QDeadlineTimer(QDeadlineTimer::Forever);  // set by the first try
  qApp->installEventFilter(this);
  // Ends with its window, so a destroyed window never keeps the keyboard.
  if (window) connect(window, &QObject::destroyed, this, &KeyboardCapture::Stop, Qt::UniqueConnection);
  TryGrab();
}

void KeyboardCapture::Stop() {
  if (!running_) return;
  running_ = false;
  grabRetry_.stop();
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
  if (!running_ || grabEnded_ || !KeyboardGrabAvailable()) return;
  QWindow* handle = GrabWindow();
  // The X server grants a grab only on a window that is on the screen: its expose
  // event tries again.
  if (handle == nullptr || !handle->isExposed()) return;
  if (grabDeadline_.isForever()) grabDeadline_.setRemainingTime(GrabPatienceMs());
  const char* why = "";
  const GrabAnswer answer = GrabKeyboard(*handle, &why);
  if (answer == GrabAnswer::Granted) {
    grabbed_ = true;
    grabEnded_ = true;
  } else if (answer == GrabAnswer::NotYet && !grabDeadline_.hasExpired()) {
    grabRetry_.start();
  } else {
    grabEnded_ = true;
    std::fprintf(stderr, "ovk-dovaru: the keyboard could not be taken for the key capture: %s\n", why);
    if (onGrabFailed_) onGrabFailed_();
  }
}

bool KeyboardCapture::eventFilter(QObject* watched, QEvent* event) {
  if (!running_) return false;
  switch (event->type()) {
    case QEvent::Expose:
      if (watched == GrabWindow()) TryGrab();
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
