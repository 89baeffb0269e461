#include "controls/edit_ex.h"

#include <QKeyEvent>

#include "controls/digits_validator.h"

CEditEx::CEditEx(QWidget* parent) : QLineEdit(parent) {
  // Pasted text goes through the validator as well: only digits stay.
  setValidator(new DigitsValidator(this));
}

bool CEditEx::AcceptsChar(QChar c) { return (c >= u'0' && c <= u'9') || c == u'\b'; }

void CEditEx::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  // Keys without a character (arrows, Delete, Home) and shortcuts keep their meaning;
  // a typed character passes only when it is a digit or Backspace.
  const bool typed = text.size() == 1 && text.front().isPrint() && !(event->modifiers() & Qt::ControlModifier);
  if (typed && !AcceptsChar(text.front())) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}
