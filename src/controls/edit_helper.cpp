#include "controls/edit_helper.h"

#include <QKeyEvent>

CEditHelper::CEditHelper(QWidget* parent) : QLineEdit(parent) {
  // The page's edits are white on black.
  QPalette colours = palette();
  colours.setColor(QPalette::Base, Qt::black);
  colours.setColor(QPalette::Text, Qt::white);
  setPalette(colours);
}

void CEditHelper::End(bool commit) {
  // The handler may destroy this editor: take a copy first.
  const std::function<void(bool)> end = end_;
  if (end) end(commit);
}

void CEditHelper::keyReleaseEvent(QKeyEvent* event) {
  const int key = event->key();
  QLineEdit::keyReleaseEvent(event);
  if (key == Qt::Key_Return || key == Qt::Key_Enter) End(true);
  if (key == Qt::Key_Escape) End(false);
}

void CEditHelper::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  End(true);
}
