// Keyboard capture: while it runs, every key press and release reaches one handler of
// the program, identified by its physical position (a USB HID keyboard usage), and no
// other window gets it.
//
// On X11 the capturing window takes an active keyboard grab, so keys typed anywhere on
// the desktop come to the program and to no other program. The grab is released by
// Stop(), by the capture's destruction, when its window is destroyed, and by the X
// server when the program ends however it ends. A grab that cannot be had (another
// program holds the keyboard) is reported through onGrabFailed; capture then still works
// while the window has the focus.
//
// On Wayland a program cannot grab the keyboard: capture works while one of the
// program's windows has the focus.
//
// The keys are taken by an application-wide event filter, before any widget sees them,
// and are never passed on. UI thread only.
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>

class QKeyEvent;
class QWidget;
class QWindow;

namespace platform {

// A key as the capture reports it.
struct CapturedKey {
  bool down = false;
  bool autoRepeat = false;
  std::uint8_t usage = 0;  // 0: a key that no full-size keyboard has
};

// The key of a key event: its native scan code (evdev + 8 on X11 and Wayland).
CapturedKey CapturedKeyOf(const QKeyEvent& event);

class KeyboardCapture : public QObject {
  Q_OBJECT

 public:
  using KeyHandler = std::function<void(const CapturedKey& key)>;

  KeyboardCapture();
  ~KeyboardCapture() override;
  KeyboardCapture(const KeyboardCapture&) = delete;
  KeyboardCapture& operator=(const KeyboardCapture&) = delete;

  // Starts capturing for `window` (its top-level window holds the grab once it is shown).
  // A capture already running is stopped first.
  void Start(QWidget* window, KeyHandler onKey, std::function<void()> onGrabFailed = {});
  void Stop();
  bool Running() const { return running_; }
  // The X11 grab is held now.
  bool Grabbed() const { return grabbed_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TryGrab();
  QWindow* GrabWindow() const;

  QPointer<QWidget> window_;
  KeyHandler onKey_;
  std::function<void()> onGrabFailed_;
  bool running_ = false;
  bool grabbed_ = false;
  bool grabEnded_ = false;  // held, or refused for good
  QDeadlineTimer grabDeadline_;
  QTimer grabRetry_;
};

// Whether the desktop lets a program grab the keyboard (X11).
bool KeyboardGrabAvailable();

// How long a refused grab is asked for again before it counts as refused: a few hundred
// milliseconds, stretched by MC_TEST_TIME_FACTOR where a test suite sets it.
int GrabPatienceMs();

}  // namespace platform
