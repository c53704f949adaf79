#pragma once

// The start of the editor: ask for the resource file until one loads or the
// user gives up, then show the main window.

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

#include "form1.hpp"
#include "prompts.hpp"
#include "resfile/save.hpp"

namespace tessaly::ui {

inline constexpr char kOpenTitle[] = "打开文件";
inline constexpr char kDefaultResName[] = "Meteor.res";

// A path Qt hands over (the file dialog's) as the file system names it: the
// locale's bytes on Linux, UTF-16 on Windows.
[[nodiscard]] std::filesystem::path PathFromQString(const QString& path);

// Opens `fileArg` when given, otherwise asks with ShowFileDialog("open",
// "打开文件", "Meteor.res"). A refused or unreadable file is reported and the
// prompt comes back, as often as needed. A file whose last save was
// interrupted (FindInterruptedWrite) is first restored from its backup (是)
// or opened as it is (否). Returns the shown window with the
// list filled and nothing selected, or nothing when the user cancels a prompt.
// `fileArg` is taken byte for byte, so a name that is not UTF-8 (possible on
// Linux) opens as it does in tessaly-cli.
[[nodiscard]] std::unique_ptr<Form1> StartEditor(Prompts& prompts,
                                                 std::optional<std::filesystem::path> fileArg,
                                                 const SaveEnvironment& saveEnv);
[[nodiscard]] std::unique_ptr<Form1> StartEditor(Prompts& prompts,
                                                 std::optional<std::filesystem::path> fileArg);

}  // namespace tessaly::ui
