#pragma once

// The backups of the open file, newest first: the time of each save, its map
// count and how the table in the window differs from it, with 恢复 for the
// chosen one. The list is BackupList, the buttons 恢复 and 关闭; the path
// and size of a backup are its row's tooltip.

#include <QDialog>
#include <QString>
#include <vector>

#include "table/backup_list.hpp"

class QPushButton;
class QTreeWidget;

namespace tessaly::ui {

inline constexpr char kBackupsTitle[] = "备份";

class BackupsDialog : public QDialog {
  Q_OBJECT

 public:
  // `fileName` names the open file in the dialog's note.
  BackupsDialog(std::vector<BackupState> backups, const QString& fileName,
                QWidget* parent = nullptr);

  // The chosen backup when it loads; null otherwise.
  [[nodiscard]] const BackupState* Chosen() const;

 Q_SIGNALS:
  // 恢复 was pressed on a backup that loads.
  void RestoreRequested(const tessaly::BackupState& backup);

 private:
  void UpdateButtons();

  std::vector<BackupState> backups_;
  QTreeWidget* list_ = nullptr;
  QPushButton* restoreButton_ = nullptr;
};

}  // namespace tessaly::ui
