#include "controls/digits_validator.h"

#include <algorithm>

QValidator::State DigitsValidator::validate(QString& input, int&) const {
  return std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }) ? Acceptable
                                                                                                     : Invalid;
}
