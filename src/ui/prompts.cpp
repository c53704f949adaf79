#include "prompts.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <algorithm>

namespace tessaly::ui {

int MessageBoxMinimumWidth(const QString& title) {
  // Beside the title the title bar holds the window icon and up to three
  // buttons; window managers draw the title in a font larger than the
  // application's, hence the half again.
  constexpr int kTitleBarExtras = 3 * 46 + 48;
  const int titleWidth = QFontMetrics(QApplication::font()).horizontalAdvance(title);
  return std::max(kMinimumMessageWidth, titleWidth * 3 / 2 + kTitleBarExtras);
}

namespace {

// QMessageBox fits its width to the text, so a short text made a box whose
// title bar showed "T…"; it ignores a minimum width, but not its layout's.
void KeepTitleWhole(QMessageBox& box) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(MessageBoxMinimumWidth(box.windowTitle()), 0,
                                  QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

}  // namespace

void QtPrompts::ShowMessage(MessageIcon icon, const QString& text, QWidget* parent) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  if (icon == MessageIcon::kWarning) boxIcon = QMessageBox::Warning;
  if (icon == MessageIcon::kCritical) boxIcon = QMessageBox::Critical;
  QMessageBox box(boxIcon, QString::fromUtf8(kAppTitle), text, QMessageBox::Ok, parent);
  KeepTitleWhole(box);
  box.exec();
}

bool QtPrompts::Ask(const QString& text, QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppTitle), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
  box.button(QMessageBox::No)->setText(QStringLiteral("否"));
  box.setDefaultButton(QMessageBox::No);
  KeepTitleWhole(box);
  return box.exec() == QMessageBox::Yes;
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
