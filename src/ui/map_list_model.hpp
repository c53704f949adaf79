#pragma once

// The display list of a map table as a Qt list model, so that List1 is a view
// of the table and never a copy kept by hand.

#include <QAbstractListModel>

#include "table/map_table.hpp"

namespace tessaly::ui {

// One row per display item of the table ("3:测试"), following the table's
// change notifications. The table must outlive the
// model; the model is the table's listener while it lives.
class MapListModel final : public QAbstractListModel, private MapTableListener {
  Q_OBJECT

 public:
  explicit MapListModel(MapTable& table, QObject* parent = nullptr);
  ~MapListModel() override;

  // Without QAbstractListModel's checks through rowCount and columnCount:
  // QListView asks for the index of every row on each layout.
  [[nodiscard]] QModelIndex index(int row, int column = 0,
                                  const QModelIndex& parent = QModelIndex()) const override;
  [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

 private:
  void BeforeInsert(std::size_t row) override;
  void AfterInsert() override;
  void BeforeRemove(std::size_t row) override;
  void AfterRemove() override;
  void BeforeSwap(std::size_t upper) override;
  void AfterSwap() override;
  void RowChanged(std::size_t row) override;
  void BeforeReset() override;
  void AfterReset() override;

  MapTable& table_;
};

}  // namespace tessaly::ui
