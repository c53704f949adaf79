#pragma once

// Every message box and file dialog of the editor goes through Prompts, so the
// windows can be driven in tests by a fake that records what would be shown.

#include <QString>
#include <QStringList>
#include <memory>

class QFileDialog;
class QWidget;

namespace tessaly::ui {

// The title of every message box.
inline constexpr char kAppTitle[] = "Tessaly";

// The narrowest message box, in pixels.
inline constexpr int kMinimumMessageWidth = 260;
// How wide a message box must be for its title bar to show `title` whole.
[[nodiscard]] int MessageBoxMinimumWidth(const QString& title);

enum class MessageIcon { kNone, kWarning, kCritical };

// What a file dialog is asked to offer.
struct FileDialogRequest {
  bool open = true;  // open an existing file; otherwise save with overwrite question
  QString title;
  QString defaultName;    // shown in the name box
  QString filter;         // one name filter, "description(pattern)"
  QString defaultSuffix;  // added to a saved name without one; empty when opening
};

// The answer of a file dialog: a chosen path, or nothing (cancelled or failed).
struct FileChoice {
  enum class Kind { kChosen, kCancelled, kFailed };
  Kind kind = Kind::kCancelled;
  QString path;
};

class Prompts {
 public:
  virtual ~Prompts() = default;

  // A modal box titled kAppTitle with one OK button.
  virtual void ShowMessage(MessageIcon icon, const QString& text, QWidget* parent) = 0;
  // A modal question titled kAppTitle with the buttons 是 and 否, 否 the
  // default; true when 是 was pressed.
  virtual bool Ask(const QString& text, QWidget* parent) = 0;
  // A modal file dialog; returns when it closes.
  virtual FileChoice ChooseFile(const FileDialogRequest& request, QWidget* parent) = 0;

  void Information(const QString& text, QWidget* parent = nullptr) {
    ShowMessage(MessageIcon::kNone, text, parent);
  }
  void Warning(const QString& text, QWidget* parent = nullptr) {
    ShowMessage(MessageIcon::kWarning, text, parent);
  }
  void Critical(const QString& text, QWidget* parent = nullptr) {
    ShowMessage(MessageIcon::kCritical, text, parent);
  }
};

// QMessageBox and Qt's own QFileDialog.
class QtPrompts final : public Prompts {
 public:
  void ShowMessage(MessageIcon icon, const QString& text, QWidget* parent) override;
  bool Ask(const QString& text, QWidget* parent) override;
  FileChoice ChooseFile(const FileDialogRequest& request, QWidget* parent) override;
};

// The dialog QtPrompts runs for a request, not yet shown. Qt's own dialog is
// used on every platform: its name filter ignores case, so "*.RES" also lists
// Meteor.res on Linux, where the GTK dialog would hide it.
[[nodiscard]] std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request,
                                                          QWidget* parent);

}  // namespace tessaly::ui
