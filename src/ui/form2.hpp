#pragma once

#include <QColor>
#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

namespace tessaly::ui {

// Opens a web page; the real one hands the address to the default browser.
using LinkOpener = std::function<void(const QUrl&)>;
[[nodiscard]] LinkOpener DesktopLinkOpener();

inline constexpr char kAboutTitle[] = "关于";
inline constexpr char kCreditLine[] = "BY Tessaly 开发组";
inline constexpr char kSiteName[] = "Tessaly 项目主页";
inline constexpr char kSiteUrl[] = "https://tessaly.example.org/";
inline constexpr char kForumName[] = "Tessaly 玩家论坛";
inline constexpr char kForumUrl[] = "https://forum.tessaly.example.org/";

// The About dialog: name and version, the credit line and two links that turn
// blue under the pointer and open their page on a left press.
//
// Hover marking has no leave handling on purpose: a move over the background,
// Label1 or Label2 rests both links, a move over a link marks it and rests the
// other, and a pointer that leaves a link onto the button or out of the window
// leaves it marked. Esc does not close the dialog; "确认" and the close box do.
class Form2 : public QDialog {
  Q_OBJECT

 public:
  explicit Form2(QWidget* parent = nullptr, LinkOpener opener = DesktopLinkOpener());

  // The colour of a link under the pointer: pure blue.
  [[nodiscard]] static QColor HoverColor() { return QColor(0, 0, 255); }
  // The colour of a link at rest: the system's highlight colour.
  [[nodiscard]] QColor RestColor() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  enum class Hover { kNone, kSite, kForum };

  void SetHover(Hover hover);
  void ApplyLinkColors();

  LinkOpener opener_;
  QLabel* versionLabel_ = nullptr;
  QLabel* creditLabel_ = nullptr;
  QLabel* siteLink_ = nullptr;
  QLabel* forumLink_ = nullptr;
  QPushButton* okButton_ = nullptr;
  Hover hover_ = Hover::kNone;
};

}  // namespace tessaly::ui
