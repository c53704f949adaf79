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

[[nodiscard]] std::filesystem::path PathFromQString(const QString& path);

// Opens `fileArg` when given, otherwise asks with ShowFileDialog("open",
// "打开文件", "Meteor.res"). A refused or unreadable file is reported and the
// prompt comes back, as often as needed. Returns the shown window with the
// list filled and nothing selected, or nothing when the user cancels a prompt.
[[nodiscard]] std::unique_ptr<Form1> StartEditor(Prompts& prompts, std::optional<QString> fileArg,
                                                 const SaveEnvironment& saveEnv);
[[nodiscard]] std::unique_ptr<Form1> StartEditor(Prompts& prompts, std::optional<QString> fileArg);

}  // namespace tessaly::ui
