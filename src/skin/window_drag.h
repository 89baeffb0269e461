// Moving a frameless window by pressing on it where it has no control, as by a caption.
//
// Where the program places its windows (X11) the window follows the pointer by hand from
// the press on, so the point grabbed stays under the pointer: a move handed to the
// window manager starts where the pointer is when it is asked for, after the first
// pointer move. Where only the window system moves windows (Wayland), the move is
// handed to it on the first pointer move with the left button held, not at the press:
// asked for once the button is already up (a quick click), it would make the window
// follow the pointer until the next click.
//
//   press on no control:  drag_.Arm(this, event->globalPosition().toPoint());
//   mouseMoveEvent:       if (drag_.Move(this, event)) return;
//   mouseReleaseEvent:    if (drag_.Release(event)) return;
#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

class WindowDrag {
 public:
  void Arm(const QWidget* window, QPoint globalPress);
  // True when the event moved (or started moving) the window.
  bool Move(QWidget* window, const QMouseEvent* event);
  // True when the release ended a press that Arm took.
  bool Release(const QMouseEvent* event);

 private:
  bool armed_ = false;
  bool byHand_ = false;
  QPoint offset_;  // pointer - window's top-left at the press
};
