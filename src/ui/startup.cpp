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
    // The last save of this file was cut short while it wrote into the file:
    // the user restores the backup or opens the file as it is.
    if (const auto interrupted = FindInterruptedWrite(saveEnv, path)) {
      const std::string question =
          InterruptedWriteMessage(*interrupted) + "\n\n是：用备份恢复文件\n否：按现状打开文件";
      if (prompts.AskYesNo(Utf8(question), nullptr)) {
        if (const auto restored = RestoreBackup(saveEnv, path, interrupted->backup); !restored) {
          prompts.Information(Utf8(restored.error().message));
          continue;
        }
      }
    }
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
