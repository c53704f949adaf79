#include "prompts.hpp"

#include <QFileDialog>
#include <QMessageBox>

namespace tessaly::ui {

void QtPrompts::ShowMessage(MessageIcon icon, const QString& text, QWidget* parent) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  if (icon == MessageIcon::kWarning) boxIcon = QMessageBox::Warning;
  if (icon == MessageIcon::kCritical) boxIcon = QMessageBox::Critical;
  QMessageBox box(boxIcon, QString::fromUtf8(kAppTitle), text, QMessageBox::Ok, parent);
  box.exec();
}

std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request, QWidget* parent) {
  auto dialog = std::make_unique<QFileDialog>(parent, request.title);
  dialog->setOption(QFileDialog::DontUseNativeDialog, true);
  dialog->setNameFilter(request.filter);
  if (request.open) {
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setDefaultSuffix(request.defaultSuffix);
  }
  dialog->selectFile(request.defaultName);
  return dialog;
}

FileChoice QtPrompts::ChooseFile(const FileDialogRequest& request, QWidget* parent) {
  const auto dialog = MakeFileDialog(request, parent);
  if (dialog->exec() != QDialog::Accepted) return {FileChoice::Kind::kCancelled, {}};
  const QStringList files = dialog->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return {FileChoice::Kind::kFailed, {}};
  return {FileChoice::Kind::kChosen, files.front()};
}

}  // namespace tessaly::ui
