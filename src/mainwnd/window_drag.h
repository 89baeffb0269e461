// Moving a frameless window by pressing on it where it has no control, as by a caption.
//
// The move starts when the pointer moves with the left button held, not at the press:
// under X11 a system move asked for once the button is already up (a quick click)
// makes the window follow the pointer until the next click. Where the window system
// cannot move windows itself, the window is moved by hand.
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
