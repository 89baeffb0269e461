// Helpers of the tests that run on a real X server (tests/support/xdesktop.py starts
// one): the desktop tools that type and click, the window positions the X server has,
// a way to wait until this program has handled the input sent so far, another
// program's window that reports the keys it gets, and a program that holds the keyboard.
#pragma once

#include <QCoreApplication>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>

class QWidget;

namespace x11test {

// Runs xdotool with these arguments and waits for it.
bool Xdotool(const QStringList& args);
// The same while this program goes on handling its events, as a running program does
// while the user clicks (a press then arrives while the button is still down).
bool XdotoolWhileRunning(const QStringList& args);

// Moves the pointer there and returns once the X server has it there.
bool MovePointer(QPoint at);

// Where the X server shows a window's client area (Qt learns of a move by the window
// manager only when the move ends).
QPoint ServerPosition(const QWidget& window);
// Waits until the X server shows the window where Qt has it: the window manager has
// done with placing or moving it.
bool WaitPlaced(const QWidget& window);
// Waits until this program has handled every event the X server had for it when this
// was called (the input of an xdotool that has ended, for one): a message sent to
// itself through the server comes back behind them.
bool HandleEventsSoFar();

// Another program's window (xev) that counts the key presses it receives.
class OtherWindow {
 public:
  OtherWindow();
  ~OtherWindow();
  bool Started() const { return !id_.isEmpty(); }
  // Gives it the keyboard focus.
  bool Focus();
  // Key presses it has reported so far.
  int KeyPresses();
  // Whether, as its last focus event tells, it has the focus but a grab of another
  // window holds the keyboard.
  bool KeyboardTakenAway();

 private:
  void Read();
  QProcess process_;
  QString id_;
  QByteArray output_;
};

// A separate process of this test program that grabs the keyboard and keeps it until
// it is destroyed.
class KeyboardHolder {
 public:
  KeyboardHolder();
  ~KeyboardHolder();
  bool Holding() const { return holding_; }

 private:
  QProcess process_;
  bool holding_ = false;
};

// The holder's side: runs in the child process (see main).
int HoldKeyboard(int argc, char** argv);
inline constexpr const char* kHoldKeyboardSwitch = "--hold-keyboard";

}  // namespace x11test
