#include "map_list_view.hpp"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>

namespace tessaly::ui {

MapListView::MapListView(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void MapListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
  const QModelIndex current = currentIndex();
  if (current.isValid() && !parent.isValid() && current.row() >= start && current.row() <= end) {
    // Without a current row the base class has no neighbour to select.
    removedCurrentRow_ = start;
    selectionModel()->clear();
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &MapListView::KeepCursorAfterRemoval,
            Qt::SingleShotConnection);
  }
  QListView::rowsAboutToBeRemoved(parent, start, end);
}

void MapListView::KeepCursorAfterRemoval() {
  const int rows = model()->rowCount();
  if (rows > 0 && removedCurrentRow_ >= 0) {
    selectionModel()->setCurrentIndex(model()->index(std::min(removedCurrentRow_, rows - 1), 0),
                                      QItemSelectionModel::NoUpdate);
  }
  removedCurrentRow_ = -1;
}

void MapListView::keyPressEvent(QKeyEvent* event) {
  const bool upOrDown = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
  const int rows = model() != nullptr ? model()->rowCount() : 0;
  if (upOrDown && event->modifiers() == Qt::NoModifier && rows > 0 &&
      !selectionModel()->hasSelection()) {
    QModelIndex target = currentIndex();
    if (!target.isValid()) target = model()->index(event->key() == Qt::Key_Down ? 0 : rows - 1, 0);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    scrollTo(target);
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

}  // namespace tessaly::ui
