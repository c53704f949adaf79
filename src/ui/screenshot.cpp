#include "screenshot.hpp"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace tessaly::ui {
namespace {

// Long enough for the first paint under Xvfb, and for the window's 300 ms
// timer to enable the buttons that follow the selection.
constexpr int kSelectDelayMs = 200;
constexpr int kGrabDelayMs = 900;

}  // namespace

void ScheduleScreenshot(QWidget& window, const QString& path, int selectRow) {
  QPointer<QWidget> target(&window);
  QTimer::singleShot(kSelectDelayMs, &window, [target, selectRow] {
    if (target == nullptr || selectRow < 0) return;
    auto* list = target->findChild<QAbstractItemView*>(QStringLiteral("List1"));
    if (list == nullptr || list->model() == nullptr) return;
    if (selectRow >= list->model()->rowCount(list->rootIndex())) return;
    list->setCurrentIndex(list->model()->index(selectRow, 0, list->rootIndex()));
  });
  QTimer::singleShot(kGrabDelayMs, &window, [target, path] {
    const bool saved = target != nullptr && target->grab().save(path);
    if (!saved)
      std::fprintf(stderr, "tessaly: cannot save the screenshot to %s\n", qPrintable(path));
    QCoreApplication::exit(saved ? 0 : 1);
  });
}

}  // namespace tessaly::ui
