// DigitsValidator: the check of the program's number edits (the macro page's play
// count, the gun dialog's three values): only the digits 0 to 9, empty included; any
// other text is refused. A plain scan, so that no regular expression engine is woken
// (and its code paged in) for an edit of a few digits.
#pragma once

#include <QValidator>

class DigitsValidator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};
