#include "startup.hpp"

#include <QFile>

#include "file_dialog.hpp"
#include "table/document.hpp"
#include "utf8.hpp"

namespace tessaly::ui {

std::filesystem::path PathFromQString(const QString& path) {
#ifdef _WIN32
  return std::filesystem::path(path.toStdWString());
#else
  // The file system's own encoding of the name, as Qt reads names from it.
  const QByteArray bytes = QFile::encodeName(path);
  return std::filesystem::path(
      std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
#endif
}

std::unique_ptr<Form1> StartEditor(Prompts& prompts, std::optional<std::filesystem::path> fileArg,
                                   const SaveEnvironment& saveEnv) {
  for (;;) {
    std::filesystem::path path;
    if (fileArg) {
      path = std::move(*fileArg);
      fileArg.reset();
    } else {
      const QString chosen =
          ShowFileDialog(prompts, QStringLiteral("open"), QString::fromUtf8(kOpenTitle),
                         QString::fromUtf8(kDefaultResName));
      path = PathFromQString(chosen);
    }
    if (path.empty()) return nullptr;
    auto loaded = LoadDocument(path);
    if (!loaded) {
      prompts.Information(Utf8(loaded.error().message));
      continue;
    }
    auto window = std::make_unique<Form1>(std::move(loaded).value(), prompts, saveEnv);
    window->show();
    return window;
  }
}

std::unique_ptr<Form1> StartEditor(Prompts& prompts, std::optional<std::filesystem::path> fileArg) {
  return StartEditor(prompts, std::move(fileArg), DefaultSaveEnvironment());
}

}  // namespace tessaly::ui
