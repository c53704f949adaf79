#pragma once

// The behaviour of the edit area's text fields beyond what QLineEdit does:
// the input rule of the number fields and the undo keys of every field.

#include <QValidator>
#include <cstdint>

class QLineEdit;

namespace tessaly::ui {

// The input rule of a number field for text that arrives other than by a
// key (paste, drop, an input method): keeps only its digits (full-width
// digits count as digits) and turns a value above the limit into the limit's
// text. Leading zeros stay. The field never holds anything else, so every
// input is acceptable once fixed.
class DigitLimitValidator final : public QValidator {
 public:
  DigitLimitValidator(std::uint32_t limit, QObject* parent);
  State validate(QString& input, int& pos) const override;

 private:
  std::uint32_t limit_;
};

// Makes `edit` a number field of at most `limit`: a typed key that would put
// anything but digits in is dropped before the field sees it, so the text and
// its selection stay exactly as they were (a validator runs only after the
// key has replaced the selection); DigitLimitValidator handles the rest.
void MakeNumberField(QLineEdit* edit, std::uint32_t limit);

// In `edit`, Ctrl+Z undoes typing and Ctrl+Y and Ctrl+Shift+Z redo it, on
// every platform, and none of the three reaches a shortcut of the window.
void KeepUndoKeysInField(QLineEdit* edit);

}  // namespace tessaly::ui
