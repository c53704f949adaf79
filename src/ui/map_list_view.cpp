#include "map_list_view.hpp"

#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>
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

void MapListView::focusInEvent(QFocusEvent* event) {
  // QAbstractItemView makes the first row current here, by moveCursor.
  takingFocus_ = true;
  QListView::focusInEvent(event);
  takingFocus_ = false;
}

QModelIndex MapListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  if (takingFocus_) return {};
  return QListView::moveCursor(cursorAction, modifiers);
}

bool MapListView::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QListView::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = indexAt(help->pos());
  if (index.isValid() && IsCutShort(index)) {
    QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), visualRect(index));
  } else {
    QToolTip::hideText();
  }
  return true;
}

bool MapListView::IsCutShort(const QModelIndex& index) const {
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.text = index.data().toString();
  option.features |= QStyleOptionViewItem::HasDisplay;
  // The style draws the text inside a margin on either side, as it elides it.
  const QRect room = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  return option.fontMetrics.horizontalAdvance(option.text) > room.width() - 2 * margin;
}

}  // namespace tessaly::ui
