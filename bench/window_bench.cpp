// Time from a path to a shown window with every map listed: load, build the
// table, create Form1, fill List1 and show it (offscreen), best of five. Then
// the time of an undo and of a redo through the window (the table, the list's
// model and the view) of a Delete, a move and a Write on that window.
//
//   QT_QPA_PLATFORM=offscreen window_bench FILE

#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "resfile/save.hpp"
#include "table/document.hpp"
#include "ui/form1.hpp"
#include "ui/prompts.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

QAction* ActionFor(const QWidget& window, const QKeySequence& key) {
  for (QAction* action : window.findChildren<QAction*>()) {
    if (action->shortcuts().contains(key)) return action;
  }
  return nullptr;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Undos and redos of the step just done, in ms: the median of the key's
// handler alone (table, list model, selection, edit area), and the median and
// slowest with the events it leaves (the list's layout and the repaint).
void TimeUndoRedo(QWidget& window, const char* step, int rounds) {
  QAction* undo = ActionFor(window, QKeySequence(Qt::CTRL | Qt::Key_Z));
  QAction* redo = ActionFor(window, QKeySequence(Qt::CTRL | Qt::Key_Y));
  if (undo == nullptr || redo == nullptr) return;
  for (auto [action, name] : {std::pair{undo, "undo"}, std::pair{redo, "redo"}}) {
    std::vector<double> handler;
    std::vector<double> withEvents;
    for (int i = 0; i < rounds; ++i) {
      for (QAction* a : {undo, redo}) {
        const auto start = Clock::now();
        a->trigger();
        const double handled = Seconds(start) * 1000;
        QApplication::processEvents();
        if (a == action) {
          handler.push_back(handled);
          withEvents.push_back(Seconds(start) * 1000);
        }
      }
    }
    std::printf(
        "window %s, %s: handler %.3f ms; with layout and repaint %.3f ms, slowest %.3f ms\n", step,
        name, Median(handler), Median(withEvents),
        *std::max_element(withEvents.begin(), withEvents.end()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_bench FILE\n");
    return 2;
  }
  const std::filesystem::path path = argv[1];
  tessaly::ui::QtPrompts prompts;
  double best = 1e9;
  int shown = 0;
  std::unique_ptr<tessaly::ui::Form1> window;
  for (int run = 0; run < 5; ++run) {
    window.reset();
    const auto start = Clock::now();
    auto doc = tessaly::LoadDocument(path);
    if (!doc) return 1;
    window = std::make_unique<tessaly::ui::Form1>(std::move(doc).value(), prompts,
                                                  tessaly::DefaultSaveEnvironment());
    window->show();
    QApplication::processEvents();
    best = std::min(best, Seconds(start));
    shown = window->findChild<QListView*>(QStringLiteral("List1"))->model()->rowCount();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("window %s: load and show %d maps in %.3f s (goal < 0.2 s), peak_rss_mb=%.1f\n",
              path.filename().c_str(), shown, best, static_cast<double>(usage.ru_maxrss) / 1024.0);

  auto* list = window->findChild<QListView*>(QStringLiteral("List1"));
  const auto select = [&](int row) {
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect);
    QApplication::processEvents();
  };
  const auto press = [&](const char* button) {
    window->findChild<QPushButton*>(QString::fromUtf8(button))->click();
    QApplication::processEvents();
  };
  select(0);
  press("删除");
  TimeUndoRedo(*window, "Delete of the first map", 50);
  select(shown / 2);
  press("上移");
  TimeUndoRedo(*window, "Move up in the middle", 50);
  select(shown - 2);
  window->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("新的名字"));
  press("写入");
  TimeUndoRedo(*window, "Write near the end", 50);
  return 0;
}
