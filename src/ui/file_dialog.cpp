#include "file_dialog.hpp"

namespace tessaly::ui {

QString ShowFileDialog(Prompts& prompts, const QString& mode, const QString& title,
                       const QString& defaultName, QWidget* parent) {
  if (defaultName.size() > kMaxDefaultName) {
    prompts.Critical(QString::fromUtf8(kDialogFailedMessage), parent);
    return {};
  }
  FileDialogRequest request;
  request.open = mode.compare(QStringLiteral("OPEN"), Qt::CaseInsensitive) == 0;
  request.title = title;
  request.defaultName = defaultName;
  request.filter = QString::fromUtf8(kResFilter);
  if (!request.open) request.defaultSuffix = QStringLiteral("exe");
  const FileChoice choice = prompts.ChooseFile(request, parent);
  if (choice.kind != FileChoice::Kind::kChosen) return {};
  return choice.path;
}

}  // namespace tessaly::ui
