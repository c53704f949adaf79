#pragma once

#include <QValidator>
#include <cstdint>

namespace tessaly::ui {

// The input rule of a number field: keeps only the digits of whatever arrives
// (typing, paste, drop, an input method; full-width digits count as digits)
// and turns a value above the limit into the limit's text. Leading zeros stay.
// The field never holds anything else, so every input is acceptable once fixed.
class DigitLimitValidator final : public QValidator {
 public:
  DigitLimitValidator(std::uint32_t limit, QObject* parent);
  State validate(QString& input, int& pos) const override;

 private:
  std::uint32_t limit_;
};

}  // namespace tessaly::ui
