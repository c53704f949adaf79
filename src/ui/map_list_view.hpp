#pragma once

// The view of List1: a QListView that leaves the selection to the user.

#include <QListView>

namespace tessaly::ui {

// Changes to QListView's keyboard, selection and tooltip habits:
// - when the selected row is removed, QAbstractItemView selects a neighbour
//   on its own; here nothing is selected then, and the keyboard cursor (the
//   current row, not selected) stays at the removed row's place;
// - with nothing selected, Down and Up select the current row (the first or
//   last row when there is none) instead of the one past it, so the first
//   Down in a fresh list selects the first map;
// - taking the focus does not make the first row current, so nothing looks
//   selected or current before the first key or click;
// - a row shows its whole text as a tooltip only where the list cuts it short.
class MapListView final : public QListView {
  Q_OBJECT

 public:
  explicit MapListView(QWidget* parent = nullptr);

 protected:
  void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void KeepCursorAfterRemoval();
  // The row's text is wider than the room the list draws it in.
  [[nodiscard]] bool IsCutShort(const QModelIndex& index) const;

  int removedCurrentRow_ = -1;
  bool takingFocus_ = false;
};

}  // namespace tessaly::ui
