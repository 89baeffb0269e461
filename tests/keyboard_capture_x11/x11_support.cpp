#include "x11_support.h"

#include "../app/app_fixture.h"
#include "../support/deadline.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace x11test {

using testdeadline::StretchedMs;

bool Xdotool(const QStringList& args) {
  QProcess tool;
  tool.start("xdotool", args);
  return tool.waitForFinished(StretchedMs(30000)) && tool.exitStatus() == QProcess::NormalExit &&
         tool.exitCode() == 0;
}

bool XdotoolWhileRunning(const QStringList& args) {
  QProcess tool;
  tool.start("xdotool", args);
  return apptest::SpinUntil([&] { return tool.state() == QProcess::NotRunning; }) &&
         tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QPoint PointerPosition() {
  QProcess tool;
  tool.start("xdotool", {"getmouselocation", "--shell"});
  if (!tool.waitForFinished(StretchedMs(30000))) return {-1, -1};
  const QString out = QString::fromLatin1(tool.readAllStandardOutput());
  const QRegularExpression x("X=(-?\\d+)"), y("Y=(-?\\d+)");
  return {x.match(out).captured(1).toInt(), y.match(out).captured(1).toInt()};
}

bool MovePointer(QPoint at) {
  // xdotool's --sync waits for a move, so none is asked for where the pointer is already.
  if (PointerPosition() == at) return true;
  return Xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
}

QPoint ServerPosition(const QWidget& window) {
  QProcess info;
  info.start("xwininfo", {"-id", QString::number(window.winId())});
  if (!info.waitForFinished(StretchedMs(30000))) return {};
  const QString out = QString::fromLocal8Bit(info.readAllStandardOutput());
  const QRegularExpression x("Absolute upper-left X:\\s+(-?\\d+)"), y("Absolute upper-left Y:\\s+(-?\\d+)");
  return {x.match(out).captured(1).toInt(), y.match(out).captured(1).toInt()};
}

bool WaitPlaced(const QWidget& window) {
  return apptest::SpinUntil([&] {
    return window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed() &&
           ServerPosition(window) == window.geometry().topLeft();
  });
}

namespace {

// Takes the echo messages out of the stream of X events.
class EchoFilter : public QAbstractNativeEventFilter {
 public:
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->type != atom) return false;
    received = client->data.data32[0];
    return true;
  }
  xcb_atom_t atom = XCB_NONE;
  quint32 received = 0;
  quint32 sent = 0;
  QWindow* target = nullptr;
};

EchoFilter* Echo(xcb_connection_t* connection) {
  // Made once and kept to the end of the process, past the application's end.
  static EchoFilter* echo = nullptr;
  if (echo) return echo;
  echo = new EchoFilter;
  const char name[] = "MC_TEST_ECHO";
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
  if (reply) echo->atom = reply->atom;
  std::free(reply);
  echo->target = new QWindow;
  echo->target->create();
  qApp->installNativeEventFilter(echo);
  return echo;
}

}  // namespace

bool HandleEventsSoFar() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11) return false;
  xcb_connection_t* connection = x11->connection();
  EchoFilter* echo = Echo(connection);
  if (echo->atom == XCB_NONE) return false;
  xcb_client_message_event_t message;
  std::memset(&message, 0, sizeof message);
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(echo->target->winId());
  message.type = echo->atom;
  message.data.data32[0] = ++echo->sent;
  xcb_send_event(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  xcb_flush(connection);
  if (!apptest::SpinUntil([&] { return echo->received == echo->sent; })) return false;
  // What those events posted in turn.
  QCoreApplication::processEvents();
  return true;
}

OtherWindow::OtherWindow() {
  // Line-buffered, so that each event it reports can be read at once.
  process_.start("stdbuf", {"-oL", "xev", "-event", "keyboard", "-event", "focus", "-name", "other-program"});
  // Its window, once the window manager has put it on the screen.
  QProcess search;
  search.start("xdotool", {"search", "--sync", "--onlyvisible", "--name", "other-program"});
  if (search.waitForFinished(StretchedMs(30000)) && search.exitCode() == 0)
    id_ = QString::fromLatin1(search.readAllStandardOutput()).split('\n').value(0).trimmed();
}

OtherWindow::~OtherWindow() {
  process_.kill();
  process_.waitForFinished(StretchedMs(30000));
}

bool OtherWindow::Focus() { return Xdotool({"windowfocus", "--sync", id_}); }

void OtherWindow::Read() {
  QCoreApplication::processEvents();
  process_.waitForReadyRead(100);
  output_ += process_.readAllStandardOutput();
}

int OtherWindow::KeyPresses() {
  Read();
  return static_cast<int>(output_.count("KeyPress event"));
}

bool OtherWindow::KeyboardTakenAway() {
  Read();
  const qsizetype in = output_.lastIndexOf("FocusIn event"), out = output_.lastIndexOf("FocusOut event");
  const qsizetype last = std::max(in, out);
  if (last < 0) return false;
  const QByteArray event = output_.mid(last, output_.indexOf("\n\n", last) - last);
  return event.contains(last == in ? "NotifyWhileGrabbed" : "NotifyGrab");
}

KeyboardHolder::KeyboardHolder() {
  process_.start(QCoreApplication::applicationFilePath(), {kHoldKeyboardSwitch});
  holding_ = process_.waitForReadyRead(StretchedMs(30000)) && process_.readAllStandardOutput().contains("holding");
}

KeyboardHolder::~KeyboardHolder() {
  process_.kill();
  process_.waitForFinished(StretchedMs(30000));
}

int HoldKeyboard(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("keyboard-holder");
  window.resize(100, 100);
  window.show();
  if (!apptest::SpinUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); })) return 1;
  bool grabbed = false;
  apptest::SpinUntil([&] { return grabbed = window.windowHandle()->setKeyboardGrabEnabled(true); });
  if (!grabbed) return 1;
  std::printf("holding\n");
  std::fflush(stdout);
  return app.exec();
}

}  // namespace x11test
