#include "text_fields.hpp"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "table/edit.hpp"

namespace tessaly::ui {
namespace {

// The digit a character stands for, full-width digits included; -1 for any other.
int DigitOf(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'０' && c <= u'９') return c - u'０';
  return -1;
}

// Drops a key press that would type anything but digits into a number field.
// Keys without printable text (Backspace, Delete, arrows, Enter) and
// combinations with Ctrl (copy, paste, undo) pass.
class NumberKeyFilter final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = key->text();
    bool printable = !text.isEmpty();
    bool digits = true;
    for (const QChar c : text) {
      printable = printable && c.unicode() >= 0x20 && c.unicode() != 0x7F;
      digits = digits && DigitOf(c.unicode()) >= 0;
    }
    return printable && !digits;
  }
};

bool IsRedoKey(const QKeyEvent& key) {
  const QKeyCombination combination = key.keyCombination();
  return combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
         combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z) ||
         key.matches(QKeySequence::Redo);
}

// QLineEdit claims its platform's undo and redo keys before the window's
// shortcuts see them; this claims Ctrl+Y and Ctrl+Shift+Z as well wherever
// the platform's binding lacks one of them, and redoes with it.
class UndoKeyFilter final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) {
      return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const bool undo = key->matches(QKeySequence::Undo);
    const bool redo = IsRedoKey(*key);
    if (!undo && !redo) return false;
    if (event->type() == QEvent::ShortcutOverride) {
      key->accept();
      return true;
    }
    if (undo || key->matches(QKeySequence::Redo)) return false;  // QLineEdit does it
    static_cast<QLineEdit*>(watched)->redo();
    return true;
  }
};

}  // namespace

DigitLimitValidator::DigitLimitValidator(std::uint32_t limit, QObject* parent)
    : QValidator(parent), limit_(limit) {}

QValidator::State DigitLimitValidator::validate(QString& input, int& pos) const {
  QString digits;
  int digitsBeforeCursor = 0;
  for (qsizetype i = 0; i < input.size(); ++i) {
    const int digit = DigitOf(input.at(i).unicode());
    if (digit < 0) continue;
    digits += QChar(static_cast<char16_t>(u'0' + digit));
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

void MakeNumberField(QLineEdit* edit, std::uint32_t limit) {
  edit->setValidator(new DigitLimitValidator(limit, edit));
  edit->installEventFilter(new NumberKeyFilter(edit));
}

void KeepUndoKeysInField(QLineEdit* edit) { edit->installEventFilter(new UndoKeyFilter(edit)); }

}  // namespace tessaly::ui
