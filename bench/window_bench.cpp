// Time from a path to a shown window with every map listed: load, build the
// table, create Form1, fill List1 and show it (offscreen), best of five.
//
//   QT_QPA_PLATFORM=offscreen window_bench FILE

#include <sys/resource.h>

#include <QApplication>
#include <QListWidget>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "resfile/save.hpp"
#include "table/document.hpp"
#include "ui/form1.hpp"
#include "ui/prompts.hpp"

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
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    auto doc = tessaly::LoadDocument(path);
    if (!doc) return 1;
    tessaly::ui::Form1 window(std::move(doc).value(), prompts, tessaly::DefaultSaveEnvironment());
    window.show();
    QApplication::processEvents();
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    shown = window.findChild<QListWidget*>(QStringLiteral("List1"))->count();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("window %s: load and show %d maps in %.3f s (goal < 0.2 s), peak_rss_mb=%.1f\n",
              path.filename().c_str(), shown, best, static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
