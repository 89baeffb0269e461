// Helpers of the tests that run on a real X server (with_x_server.sh starts one): the
// desktop tools that type and click, another program's window that reports the keys it
// gets, and a program that holds the keyboard.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace x11test {

// Runs xdotool with these arguments and waits for it.
bool Xdotool(const QStringList& args);

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

 private:
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
