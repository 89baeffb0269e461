#include "platform/qt/window_position_sync.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QWindow>

#include <cmath>
#include <cstdlib>

#include "platform/qt/x11_connection.h"

namespace platform {
namespace {

QWindow* TopLevelOf(xcb_window_t id) {
  for (QWindow* window : QGuiApplication::topLevelWindows())
    if (window->handle() != nullptr && window->winId() == id) return window;
  return nullptr;
}

// Where the server has the window and how large it is, in device pixels.
bool ServerGeometry(xcb_connection_t* connection, xcb_window_t id, QPoint* position, QSize* size) {
  const xcb_get_geometry_cookie_t geometryCookie = xcb_get_geometry(connection, id);
  xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection, geometryCookie, nullptr);
  if (geometry == nullptr) return false;
  const xcb_translate_coordinates_cookie_t cookie = xcb_translate_coordinates(connection, id, geometry->root, 0, 0);
  *size = QSize(geometry->width, geometry->height);
  std::free(geometry);
  xcb_translate_coordinates_reply_t* translated = xcb_translate_coordinates_reply(connection, cookie, nullptr);
  if (translated == nullptr) return false;
  *position = QPoint(translated->dst_x, translated->dst_y);
  std::free(translated);
  return true;
}

// Compares the window's place with the server's once Qt has taken in the events that
// came with its mapping, and tells Qt the server's place when they differ.
void CheckPosition(xcb_window_t id) {
  xcb_connection_t* connection = X11Connection();
  QWindow* window = TopLevelOf(id);
  if (connection == nullptr || window == nullptr || !window->isVisible()) return;
  QPoint position;
  QSize size;
  if (!ServerGeometry(connection, id, &position, &size)) return;
  const qreal ratio = window->devicePixelRatio();
  const QPoint known(static_cast<int>(std::lround(window->x() * ratio)),
                     static_cast<int>(std::lround(window->y() * ratio)));
  if (known == position) return;
  // A synthetic notification is what a window manager sends when it moves a window;
  // Qt takes its position as it stands.
  xcb_configure_notify_event_t notify{};
  notify.response_type = XCB_CONFIGURE_NOTIFY;
  notify.event = id;
  notify.window = id;
  notify.above_sibling = XCB_NONE;
  notify.x = static_cast<int16_t>(position.x());
  notify.y = static_cast<int16_t>(position.y());
  notify.width = static_cast<uint16_t>(size.width());
  notify.height = static_cast<uint16_t>(size.height());
  xcb_send_event(connection, 0, id, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&notify));
  xcb_flush(connection);
}

class MapWatch : public QAbstractNativeEventFilter {
 public:
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY) return false;
    const auto* map = static_cast<const xcb_map_notify_event_t*>(message);
    // Windows that bypass the window manager (menus) are where the program put them.
    if (map->override_redirect || map->event != map->window) return false;
    const xcb_window_t id = map->window;
    QMetaObject::invokeMethod(qGuiApp, [id] { CheckPosition(id); }, Qt::QueuedConnection);
    return false;
  }
};

}  // namespace

void InstallWindowPositionSync() {
  static MapWatch* watch = nullptr;
  if (watch != nullptr || X11Connection() == nullptr) return;
  watch = new MapWatch;
  qGuiApp->installNativeEventFilter(watch);
}

}  // namespace platform
