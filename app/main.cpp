// tessaly: the map table editor. `tessaly [FILE]` opens FILE in place of the
// first file prompt. TESSALY_SCREENSHOT=<image path> saves a picture of the
// window and quits (for the documentation).

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "ui/chinese_look.hpp"
#include "ui/prompts.hpp"
#include "ui/screenshot.hpp"
#include "ui/startup.hpp"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessaly"));
  if (!tessaly::ui::ApplyChineseLook(app)) {
    std::fputs(
        "tessaly: Qt's Chinese translation qtbase_zh_CN.qm is missing; Qt's own buttons "
        "and dialogs stay English (Debian: install qt6-translations-l10n)\n",
        stderr);
  }

  std::optional<QString> fileArg;
  if (const QStringList args = QApplication::arguments(); args.size() > 1) fileArg = args.at(1);

  tessaly::ui::QtPrompts prompts;
  const auto window = tessaly::ui::StartEditor(prompts, fileArg);
  if (!window) return 0;
  if (const QString shot = qEnvironmentVariable("TESSALY_SCREENSHOT"); !shot.isEmpty()) {
    tessaly::ui::ScheduleScreenshot(*window, shot);
  }
  return QApplication::exec();
}
