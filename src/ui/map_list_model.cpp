#include "map_list_model.hpp"

#include "utf8.hpp"

namespace tessaly::ui {

MapListModel::MapListModel(MapTable& table, QObject* parent)
    : QAbstractListModel(parent), table_(table) {
  table_.SetListener(this);
}

MapListModel::~MapListModel() { table_.SetListener(nullptr); }

QModelIndex MapListModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0 || parent.isValid() ||
      static_cast<std::size_t>(row) >= table_.DisplayCount()) {
    return {};
  }
  return createIndex(row, column);
}

int MapListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.DisplayCount());
}

QVariant MapListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return {};
  }
  if (role != Qt::DisplayRole) return {};
  return Utf8(table_.DisplayItemAt(static_cast<std::size_t>(index.row())));
}

void MapListModel::BeforeInsert(std::size_t row) {
  const int r = static_cast<int>(row);
  beginInsertRows(QModelIndex(), r, r);
}

void MapListModel::AfterInsert() { endInsertRows(); }

void MapListModel::BeforeRemove(std::size_t row) {
  const int r = static_cast<int>(row);
  beginRemoveRows(QModelIndex(), r, r);
}

void MapListModel::AfterRemove() { endRemoveRows(); }

// Rows upper and upper + 1 trading places is the lower row moving above the upper.
void MapListModel::BeforeSwap(std::size_t upper) {
  const int r = static_cast<int>(upper);
  beginMoveRows(QModelIndex(), r + 1, r + 1, QModelIndex(), r);
}

void MapListModel::AfterSwap() { endMoveRows(); }

void MapListModel::RowChanged(std::size_t row) {
  const QModelIndex changed = index(static_cast<int>(row));
  Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void MapListModel::BeforeReset() { beginResetModel(); }

void MapListModel::AfterReset() { endResetModel(); }

}  // namespace tessaly::ui
