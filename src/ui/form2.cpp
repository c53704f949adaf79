#include "form2.hpp"

#include <QDesktopServices>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QtGlobal>
#include <utility>

#include "twips.hpp"
#include "version.hpp"

namespace tessaly::ui {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setGeometry(geometry);
  // Tracking lets a bare move over the label reach the dialog's filter.
  label->setMouseTracking(true);
  return label;
}

QString LinkCaption(const char* name) {
  return QStringLiteral("访问“%1”").arg(QString::fromUtf8(name));
}

}  // namespace

LinkOpener DesktopLinkOpener() {
  // The dialog shows no message of its own; a browser that cannot be started
  // simply opens nothing.
  return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

Form2::Form2(QWidget* parent, LinkOpener opener) : QDialog(parent), opener_(std::move(opener)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QString::fromUtf8(kAboutTitle));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(376, 181);
  // No icon of its own: the main window's.
  if (parent != nullptr) setWindowIcon(parent->window()->windowIcon());
  setMouseTracking(true);

  versionLabel_ =
      MakeLabel(this, "Label1", QStringLiteral("Tessaly ") + QString::fromUtf8(kVersion),
                Twips(240, 240, 5175, 255));
  creditLabel_ =
      MakeLabel(this, "Label2", QString::fromUtf8(kCreditLine), Twips(240, 600, 5175, 255));
  siteLink_ = MakeLabel(this, "Label3", LinkCaption(kSiteName), Twips(240, 1080, 5175, 255));
  forumLink_ = MakeLabel(this, "Label4", LinkCaption(kForumName), Twips(240, 1560, 5175, 255));
  for (QLabel* label : {versionLabel_, creditLabel_, siteLink_, forumLink_})
    label->installEventFilter(this);

  okButton_ = new QPushButton(QStringLiteral("确认"), this);
  okButton_->setObjectName(QStringLiteral("Command1"));
  okButton_->setGeometry(Twips(2033, 2040, 1575, 495));
  okButton_->setAutoDefault(false);
  okButton_->setDefault(false);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  okButton_->setFocus();

  ApplyLinkColors();
}

QColor Form2::RestColor() const { return palette().color(QPalette::Active, QPalette::Highlight); }

bool Form2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    if (watched == siteLink_) {
      SetHover(Hover::kSite);
    } else if (watched == forumLink_) {
      SetHover(Hover::kForum);
    } else {
      SetHover(Hover::kNone);  // Label1 or Label2
    }
    // Handled here; left to propagate, the dialog would rest the link again.
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress &&
      (watched == siteLink_ || watched == forumLink_)) {
    // The page opens on the press itself, and only for the left button.
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && opener_) {
      opener_(QUrl(QString::fromLatin1(watched == siteLink_ ? kSiteUrl : kForumUrl)));
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void Form2::mouseMoveEvent(QMouseEvent* event) {
  // Only moves over the background get here: the labels' moves stop in the
  // filter, and the button, without tracking, swallows bare moves.
  SetHover(Hover::kNone);
  event->accept();
}

void Form2::keyPressEvent(QKeyEvent* event) {
  // "确认" is no cancel button, so Esc does nothing.
  if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
    event->accept();
    return;
  }
  // Enter presses the focused button, as the platform's dialogs do, even
  // though "确认" is not the default button.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && okButton_->hasFocus()) {
    okButton_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void Form2::showEvent(QShowEvent* event) {
  // Each opening starts with both links at rest and the focus on "确认".
  SetHover(Hover::kNone);
  okButton_->setFocus();
  QDialog::showEvent(event);
}

void Form2::changeEvent(QEvent* event) {
  // A new palette may bring a new highlight colour.
  if (event->type() == QEvent::PaletteChange) ApplyLinkColors();
  QDialog::changeEvent(event);
}

void Form2::SetHover(Hover hover) {
  if (hover == hover_) return;
  hover_ = hover;
  ApplyLinkColors();
}

void Form2::ApplyLinkColors() {
  const QColor rest = RestColor();
  auto paint = [](QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
  };
  // The other link first, then the one under the pointer.
  if (hover_ == Hover::kForum) {
    paint(siteLink_, rest);
    paint(forumLink_, HoverColor());
  } else {
    paint(forumLink_, rest);
    paint(siteLink_, hover_ == Hover::kSite ? HoverColor() : rest);
  }
}

}  // namespace tessaly::ui
