#include "skin/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "platform/qt/window_state.h"

void WindowDrag::Arm(const QWidget* window, QPoint globalPress) {
  armed_ = true;
  byHand_ = false;
  offset_ = globalPress - window->frameGeometry().topLeft();
}

bool WindowDrag::Move(QWidget* window, const QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) {
    armed_ = byHand_ = false;  // the release went elsewhere
    return false;
  }
  if (armed_) {
    armed_ = false;
    QWindow* handle = window->windowHandle();
    if (!platform::ProgramPlacesWindows() && handle != nullptr && handle->startSystemMove()) return true;
    byHand_ = true;
  }
  if (!byHand_) return false;
  window->move(event->globalPosition().toPoint() - offset_);
  return true;
}

bool WindowDrag::Release(const QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !(armed_ || byHand_)) return false;
  armed_ = byHand_ = false;
  return true;
}
