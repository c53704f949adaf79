#pragma once

// The view of List1: a QListView that leaves the selection to the user.

#include <QListView>

namespace tessaly::ui {

// Two changes to QListView's keyboard and selection habits:
// - when the selected row is removed, QAbstractItemView selects a neighbour
//   on its own; here nothing is selected then, and the keyboard cursor (the
//   current row, not selected) stays at the removed row's place;
// - with nothing selected, Down and Up select the current row (the first or
//   last row when there is none) instead of the one past it, so the first
//   Down in a fresh list selects the first map.
class MapListView final : public QListView {
  Q_OBJECT

 public:
  explicit MapListView(QWidget* parent = nullptr);

 protected:
  void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void KeepCursorAfterRemoval();

  int removedCurrentRow_ = -1;
};

}  // namespace tessaly::ui
