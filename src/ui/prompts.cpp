#include "prompts.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>

namespace tessaly::ui {
namespace {

// Makes `box` show `text` as it is (a name such as "<b>.res" is no markup),
// each line unbroken on its screen, under a title bar wide enough for its title.
void SetUp(QMessageBox& box, const QString& text, QWidget* parent) {
  box.setTextFormat(Qt::PlainText);
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  box.setText(screen == nullptr ? text
                                : FitQuotedParts(text, QFontMetrics(box.font()),
                                                 MessageLineWidth(screen->availableGeometry())));
  // QMessageBox fits its width to the text, so a short text made a box whose
  // title bar showed "T…"; it ignores a minimum width, but not its layout's.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(MessageBoxMinimumWidth(box.windowTitle()), 0,
                                  QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

}  // namespace

int MessageBoxMinimumWidth(const QString& title) {
  // Beside the title the title bar holds the window icon and up to three
  // buttons; window managers draw the title in a font larger than the
  // application's, hence the half again.
  constexpr int kTitleBarExtras = 3 * 46 + 48;
  const int titleWidth = QFontMetrics(QApplication::font()).horizontalAdvance(title);
  return std::max(kMinimumMessageWidth, titleWidth * 3 / 2 + kTitleBarExtras);
}

int MessageLineWidth(const QRect& available) {
  // Beside its text a box holds its margins and, with an icon, the icon and
  // the space after it: 73 pixels with the warning icon in Qt's own styles.
  constexpr int kBesideText = 80;
  return std::max(0, std::min(available.width() / 2, 500) - kBesideText);
}

QString FitQuotedParts(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines = text.split(u'\n');
  for (QString& line : lines) {
    for (;;) {
      const int excess = metrics.horizontalAdvance(line) - width;
      if (excess <= 0) break;
      // The widest quoted part gives way first.
      qsizetype from = -1;
      qsizetype length = 0;
      int partWidth = 0;
      for (qsizetype open = line.indexOf(u'“'); open >= 0;) {
        const qsizetype close = line.indexOf(u'”', open + 1);
        if (close < 0) break;
        const int w = metrics.horizontalAdvance(line.mid(open + 1, close - open - 1));
        if (w > partWidth) {
          from = open + 1;
          length = close - open - 1;
          partWidth = w;
        }
        open = line.indexOf(u'“', close + 1);
      }
      if (from < 0) break;
      const QString part = line.mid(from, length);
      QString shorter = metrics.elidedText(part, Qt::ElideMiddle, std::max(0, partWidth - excess));
      if (shorter.isEmpty()) shorter = QStringLiteral("…");
      if (shorter.size() >= part.size()) break;
      line.replace(from, length, shorter);
    }
  }
  return lines.join(u'\n');
}

void QtPrompts::ShowMessage(MessageIcon icon, const QString& text, QWidget* parent) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  if (icon == MessageIcon::kWarning) boxIcon = QMessageBox::Warning;
  if (icon == MessageIcon::kCritical) boxIcon = QMessageBox::Critical;
  QMessageBox box(boxIcon, QString::fromUtf8(kAppTitle), QString(), QMessageBox::Ok, parent);
  SetUp(box, text, parent);
  box.exec();
}

Answer QtPrompts::AskThreeWay(const QString& text, const QString& first, const QString& second,
                              QWidget* parent) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kAppTitle), QString(),
                  QMessageBox::NoButton, parent);
  QPushButton* firstButton = box.addButton(first, QMessageBox::AcceptRole);
  QPushButton* secondButton = box.addButton(second, QMessageBox::NoRole);
  QPushButton* cancelButton =
      box.addButton(QString::fromUtf8(kCancelButton), QMessageBox::RejectRole);
  box.setDefaultButton(firstButton);
  box.setEscapeButton(cancelButton);
  SetUp(box, text, parent);
  box.exec();
  if (box.clickedButton() == firstButton) return Answer::kFirst;
  if (box.clickedButton() == secondButton) return Answer::kSecond;
  return Answer::kCancel;
}

bool QtPrompts::AskYesNo(const QString& text, QWidget* parent) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kAppTitle), QString(),
                  QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QString::fromUtf8(kYesButton), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QString::fromUtf8(kNoButton), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  SetUp(box, text, parent);
  box.exec();
  return box.clickedButton() == yes;
}

std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request, QWidget* parent) {
  auto dialog = std::make_unique<QFileDialog>(parent, request.title);
#ifndef _WIN32
  // Qt's own dialog lists Meteor.RES and Meteor.res alike; the GTK dialog that
  // Linux desktops would show matches "*.RES" case-sensitively. Windows' own
  // dialog matches either, and is the one Windows users know.
  dialog->setOption(QFileDialog::DontUseNativeDialog, true);
#endif
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
  // The path as the platform writes it (C:\Games\Meteor.res on Windows), as
  // the user sees it in messages.
  return {FileChoice::Kind::kChosen, QDir::toNativeSeparators(files.front())};
}

}  // namespace tessaly::ui
