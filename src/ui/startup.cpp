#include "startup.hpp"

#include "file_dialog.hpp"
#include "resfile/text_path.hpp"
#include "table/document.hpp"
#include "utf8.hpp"

namespace tessaly::ui {

std::filesystem::path PathFromQString(const QString& path) {
  return PathFromUtf8(path.toStdString());
}

std::unique_ptr<Form1> StartEditor(Prompts& prompts, std::optional<QString> fileArg,
                                   const SaveEnvironment& saveEnv) {
  for (;;) {
    QString path;
    if (fileArg) {
      path = *fileArg;
      fileArg.reset();
    } else {
      path = ShowFileDialog(prompts, QStringLiteral("open"), QString::fromUtf8(kOpenTitle),
                            QString::fromUtf8(kDefaultResName));
    }
    if (path.isEmpty()) return nullptr;
    auto loaded = LoadDocument(PathFromQString(path));
    if (!loaded) {
      prompts.Information(Utf8(loaded.error().message));
      continue;
    }
    auto window = std::make_unique<Form1>(std::move(loaded).value(), prompts, saveEnv);
    window->show();
    return window;
  }
}

std::unique_ptr<Form1> StartEditor(Prompts& prompts, std::optional<QString> fileArg) {
  return StartEditor(prompts, std::move(fileArg), DefaultSaveEnvironment());
}

}  // namespace tessaly::ui
