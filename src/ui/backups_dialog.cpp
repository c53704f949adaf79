#include "backups_dialog.hpp"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "resfile/text_path.hpp"
#include "utf8.hpp"

namespace tessaly::ui {

BackupsDialog::BackupsDialog(std::vector<BackupState> backups, const QString& fileName,
                             QWidget* parent)
    : QDialog(parent), backups_(std::move(backups)) {
  setObjectName(QStringLiteral("BackupsDialog"));
  setWindowTitle(QString::fromUtf8(kBackupsTitle));
  setModal(true);
  resize(600, 360);

  auto* note =
      new QLabel(backups_.empty()
                     ? QStringLiteral("没有找到“%1”的备份。").arg(fileName)
                     : QStringLiteral("“%1”的备份，最新的在前。差异是窗口中的地图表相对备份的变化："
                                      "+添加 −删除 ~修改 ↕移动。")
                           .arg(fileName),
                 this);
  note->setObjectName(QStringLiteral("BackupNote"));
  note->setWordWrap(true);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("BackupList"));
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({QStringLiteral("时间"), QStringLiteral("地图"), QStringLiteral("差异")});
  list_->setAccessibleName(QString::fromUtf8(kBackupsTitle));
  for (const BackupState& backup : backups_) {
    const QString maps = backup.error ? QStringLiteral("—") : QString::number(backup.maps);
    auto* item = new QTreeWidgetItem(list_, {Utf8(BackupTimeText(backup.file)), maps,
                                             Utf8(backup.error.value_or(backup.summary))});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    const QString tip =
        Utf8(PathToUtf8(backup.file.path)) + QStringLiteral("\n%1 字节").arg(backup.file.size);
    for (int column = 0; column < 3; ++column) item->setToolTip(column, tip);
  }
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);

  auto* buttons = new QDialogButtonBox(this);
  restoreButton_ = buttons->addButton(QStringLiteral("恢复"), QDialogButtonBox::ActionRole);
  restoreButton_->setObjectName(QStringLiteral("恢复"));
  QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("关闭"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(restoreButton_, &QPushButton::clicked, this, [this] {
    if (const BackupState* chosen = Chosen()) Q_EMIT RestoreRequested(*chosen);
  });
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &BackupsDialog::UpdateButtons);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  UpdateButtons();
  list_->setFocus();
}

const BackupState* BackupsDialog::Chosen() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return nullptr;
  const BackupState& backup = backups_[static_cast<std::size_t>(rows.front().row())];
  return backup.error ? nullptr : &backup;
}

void BackupsDialog::UpdateButtons() { restoreButton_->setEnabled(Chosen() != nullptr); }

}  // namespace tessaly::ui
