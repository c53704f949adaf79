// tessaly: the map table editor. `tessaly [FILE]` opens FILE in place of the
// first file prompt.

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "ui/chinese_look.hpp"
#include "ui/prompts.hpp"
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

  // QApplication has taken its own options out of argv. On Linux the name is
  // used byte for byte (Qt would turn bytes that are not UTF-8 into U+FFFD);
  // on Windows argv is in the ANSI code page, so the wide arguments are used.
  std::optional<std::filesystem::path> fileArg;
#ifdef _WIN32
  if (const QStringList args = QApplication::arguments(); args.size() > 1) {
    fileArg = std::filesystem::path(args.at(1).toStdWString());
  }
#else
  if (argc > 1) fileArg = std::filesystem::path(argv[1]);
#endif

  tessaly::ui::QtPrompts prompts;
  const auto window = tessaly::ui::StartEditor(prompts, fileArg);
  if (!window) return 0;
  return QApplication::exec();
}
