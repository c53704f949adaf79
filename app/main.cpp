// tessaly: the map table editor. `tessaly [FILE]` opens FILE in place of the
// first file prompt. TESSALY_SCREENSHOT=<image path> saves a picture of the
// window and quits (for the documentation).

#include <QApplication>
#include <QStringList>
#include <optional>

#include "ui/look.hpp"
#include "ui/prompts.hpp"
#include "ui/screenshot.hpp"
#include "ui/startup.hpp"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessaly"));
  tessaly::ui::ApplyChineseLook(app);

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
