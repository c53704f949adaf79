#include "digit_validator.hpp"

#include "table/edit.hpp"

namespace tessaly::ui {

DigitLimitValidator::DigitLimitValidator(std::uint32_t limit, QObject* parent)
    : QValidator(parent), limit_(limit) {}

QValidator::State DigitLimitValidator::validate(QString& input, int& pos) const {
  QString digits;
  int digitsBeforeCursor = 0;
  for (qsizetype i = 0; i < input.size(); ++i) {
    char16_t c = input.at(i).unicode();
    if (c >= u'０' && c <= u'９') c = static_cast<char16_t>(u'0' + (c - u'０'));
    if (c < u'0' || c > u'9') continue;
    digits += QChar(c);
    if (i < pos) ++digitsBeforeCursor;
  }
  const QString limited = QString::fromStdString(ClampDigits(digits.toStdString(), limit_));
  if (limited != digits) {
    pos = static_cast<int>(limited.size());
  } else {
    pos = digitsBeforeCursor;
  }
  input = limited;
  return Acceptable;
}

}  // namespace tessaly::ui
