#include "platform/qt/window_state.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QObject>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <cstring>

#include "platform/qt/x11_connection.h"

namespace platform {

namespace {

void MinimiseInQt(QWidget& window) { window.setWindowState(window.windowState() | Qt::WindowMinimized); }

// The ICCCM request to iconify a mapped window: a client message to the root window.
bool AskWindowManagerToIconify(QWindow& window) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr) return false;
  constexpr const char* kName = "WM_CHANGE_STATE";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(kName)), kName), nullptr);
  if (atom == nullptr) return false;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(window.winId());
  message.type = atom->atom;
  message.data.data32[0] = 3;  // IconicState
  std::free(atom);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  xcb_send_event(connection, 0, screen->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);
  return true;
}

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
      QMetaObject::invokeMethod(window, [window] { MinimiseInQt(*window); }, Qt::QueuedConnection);
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

void Minimise(QWidget& window) {
  // Qt takes a window that it asked to minimise for minimised at once, and learns
  // otherwise only from a change of WM_STATE, which a window manager that ignores the
  // request never makes. Asked directly, the window counts as minimised when the window
  // manager's WM_STATE says so.
  QWindow* handle = window.windowHandle();
  if (handle != nullptr && window.isVisible() && !window.isMinimized() && AskWindowManagerToIconify(*handle)) return;
  MinimiseInQt(window);
}

void StartMinimised(QWidget& window) {
  if (MinimiseIsOneWay()) {
    new MinimiseAfterFirstFrame(window);
  } else {
    // The show event comes before the window is mapped, so the window manager maps it
    // minimised; a request made after the mapping can reach it before it manages the
    // window and be lost.
    MinimiseInQt(window);
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
