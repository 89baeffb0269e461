// CEditEx: an edit that takes only the digits 0 to 9 and Backspace as typed characters
// (the macro page's play count). Keys that move the caret or delete still work; text
// pasted in must be all digits, or it is refused.
#pragma once

#include <QLineEdit>

class CEditEx : public QLineEdit {
  Q_OBJECT
 public:
  explicit CEditEx(QWidget* parent = nullptr);

  // Whether a typed character passes: '0'..'9' or Backspace.
  static bool AcceptsChar(QChar c);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
