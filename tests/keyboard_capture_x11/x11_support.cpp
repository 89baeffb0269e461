#include "x11_support.h"

#include "../app/app_fixture.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace x11test {

bool Xdotool(const QStringList& args) { return QProcess::execute("xdotool", args) == 0; }

OtherWindow::OtherWindow() {
  // Line-buffered, so that each event it reports can be read at once.
  process_.start("stdbuf", {"-oL", "xev", "-event", "keyboard", "-name", "other-program"});
  // Its window, once the window manager has put it on the screen.
  QProcess search;
  search.start("xdotool", {"search", "--sync", "--onlyvisible", "--name", "other-program"});
  if (search.waitForFinished(30000) && search.exitCode() == 0)
    id_ = QString::fromLatin1(search.readAllStandardOutput()).split('\n').value(0).trimmed();
}

OtherWindow::~OtherWindow() {
  process_.kill();
  process_.waitForFinished(3000);
}

bool OtherWindow::Focus() { return Xdotool({"windowfocus", "--sync", id_}); }

int OtherWindow::KeyPresses() {
  QCoreApplication::processEvents();
  process_.waitForReadyRead(200);
  output_ += process_.readAllStandardOutput();
  return static_cast<int>(output_.count("KeyPress event"));
}

KeyboardHolder::KeyboardHolder() {
  process_.start(QCoreApplication::applicationFilePath(), {kHoldKeyboardSwitch});
  holding_ = process_.waitForReadyRead(10000) && process_.readAllStandardOutput().contains("holding");
}

KeyboardHolder::~KeyboardHolder() {
  process_.kill();
  process_.waitForFinished(3000);
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
