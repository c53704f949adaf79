// Takes the picture of the editor for the documentation: opens the editor on a
// resource file as `tessaly FILE` does, selects the first map, saves the main
// window as an image and quits.
//
//   screenshot <Meteor.res> <image path>
//
// The format follows the image path's suffix. Exit code 0 when the image was
// written. scripts/screenshot.sh runs it under Xvfb.

#include <QAbstractItemView>
#include <QApplication>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <filesystem>

#include "ui/chinese_look.hpp"
#include "ui/prompts.hpp"
#include "ui/startup.hpp"

namespace {

// Long enough for the first paint under Xvfb, and for the window's 300 ms
// timer to enable the buttons that follow the selection.
constexpr int kSelectDelayMs = 200;
constexpr int kGrabDelayMs = 900;

// Once the event loop runs and the window has been shown, selects the first
// row of the window's list List1 (if it has one), lets the window settle,
// saves window.grab() to `path` and ends the event loop.
void ScheduleScreenshot(QWidget& window, const QString& path) {
  QPointer<QWidget> target(&window);
  QTimer::singleShot(kSelectDelayMs, &window, [target] {
    if (target == nullptr) return;
    auto* list = target->findChild<QAbstractItemView*>(QStringLiteral("List1"));
    if (list == nullptr || list->model() == nullptr) return;
    if (list->model()->rowCount(list->rootIndex()) == 0) return;
    list->setCurrentIndex(list->model()->index(0, 0, list->rootIndex()));
  });
  QTimer::singleShot(kGrabDelayMs, &window, [target, path] {
    const bool saved = target != nullptr && target->grab().save(path);
    if (!saved)
      std::fprintf(stderr, "screenshot: cannot save the picture to %s\n", qPrintable(path));
    QCoreApplication::exit(saved ? 0 : 1);
  });
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessaly"));
  if (argc != 3) {
    std::fputs("usage: screenshot <Meteor.res> <image path>\n", stderr);
    return 2;
  }
  (void)tessaly::ui::ApplyChineseLook(app);
  tessaly::ui::QtPrompts prompts;
  const auto window = tessaly::ui::StartEditor(prompts, std::filesystem::path(argv[1]));
  if (!window) {
    std::fprintf(stderr, "screenshot: the editor did not open %s\n", argv[1]);
    return 1;
  }
  ScheduleScreenshot(*window, QString::fromLocal8Bit(argv[2]));
  return QApplication::exec();
}
