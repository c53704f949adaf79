#pragma once

// ShowFileDialog: asks the user for one resource file.

#include <QString>

#include "prompts.hpp"

class QWidget;

namespace tessaly::ui {

inline constexpr char kResFilter[] = "RES文件(*.RES)";
inline constexpr char kDialogFailedMessage[] = "操作失败！";
// The longest default name the dialog takes.
inline constexpr int kMaxDefaultName = 255;

// Mode "open" in any case shows an open dialog that needs an existing file;
// any other mode a save dialog that asks before overwriting and adds ".exe"
// to a name without a suffix. Returns the chosen path, or "" when the user
// cancels or the dialog fails. A failure other than the dialog's own (a default
// name of more than kMaxDefaultName characters) is reported as "操作失败！"
// with the critical icon.
[[nodiscard]] QString ShowFileDialog(Prompts& prompts, const QString& mode, const QString& title,
                                     const QString& defaultName, QWidget* parent = nullptr);

}  // namespace tessaly::ui
