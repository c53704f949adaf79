#pragma once

// Every message box and file dialog of the editor goes through Prompts, so the
// windows can be driven in tests by a fake that records what would be shown.

#include <QString>
#include <QStringList>
#include <memory>

class QFileDialog;
class QFontMetrics;
class QRect;
class QWidget;

namespace tessaly::ui {

// The title of every message box.
inline constexpr char kAppTitle[] = "Tessaly";

// The narrowest message box, in pixels.
inline constexpr int kMinimumMessageWidth = 260;
// How wide a message box must be for its title bar to show `title` whole.
[[nodiscard]] int MessageBoxMinimumWidth(const QString& title);

enum class MessageIcon { kNone, kWarning, kCritical };

// The buttons of the questions; the last button of each is kCancelButton.
inline constexpr char kSaveButton[] = "保存";
inline constexpr char kDontSaveButton[] = "不保存";
inline constexpr char kYesButton[] = "是";
inline constexpr char kNoButton[] = "否";
inline constexpr char kCancelButton[] = "取消";

// The answer to a question of three buttons: its first, its second, or 取消.
enum class Answer { kFirst, kSecond, kCancel };

// The width of the longest line a message box shows without breaking it, on
// a screen whose available area is `available`: message boxes break lines
// wider than half the screen or 500 pixels, less their margins and icon.
[[nodiscard]] int MessageLineWidth(const QRect& available);

// `text` with each part in “” shortened in the middle ("…") as far as needed
// for every line to fit `width` in `metrics`, the rest of the sentence kept
// whole; a line without such a part stays as it is.
[[nodiscard]] QString FitQuotedParts(const QString& text, const QFontMetrics& metrics, int width);

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
  // A modal box titled kAppTitle asking `text`, with the buttons `first`
  // (the default), `second` and kCancelButton; Esc and the close box answer
  // kCancel.
  virtual Answer AskThreeWay(const QString& text, const QString& first, const QString& second,
                             QWidget* parent) = 0;
  // A modal box titled kAppTitle asking `text`, with the buttons kYesButton
  // and kNoButton; kNoButton is the default, and Esc and the close box answer
  // it. True for kYesButton.
  virtual bool AskYesNo(const QString& text, QWidget* parent) = 0;
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

// QMessageBox and the dialog of MakeFileDialog. A box shows its text as plain
// text, with names in “” shortened to fit the screen (FitQuotedParts).
class QtPrompts final : public Prompts {
 public:
  void ShowMessage(MessageIcon icon, const QString& text, QWidget* parent) override;
  Answer AskThreeWay(const QString& text, const QString& first, const QString& second,
                     QWidget* parent) override;
  bool AskYesNo(const QString& text, QWidget* parent) override;
  FileChoice ChooseFile(const FileDialogRequest& request, QWidget* parent) override;
};

// The dialog QtPrompts runs for a request, not yet shown. Qt's own dialog is
// used on every platform: its name filter ignores case, so "*.RES" also lists
// Meteor.res on Linux, where the GTK dialog would hide it.
[[nodiscard]] std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request,
                                                          QWidget* parent);

}  // namespace tessaly::ui
