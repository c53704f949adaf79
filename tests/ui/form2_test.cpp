// The About dialog, driven through the window system's event path so that the
// mouse moves reach whatever widget lies under the pointer, as real ones do.
#define QTEST_QPA_MOUSE_HANDLING

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "ui/form2.hpp"
#include "version.hpp"

using tessaly::ui::Form2;

class Form2Test : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();

  void opensAsTheDesignedWindow();
  void hoverFollowsTheMoveRules_data();
  void hoverFollowsTheMoveRules();
  void pressOnALink_data();
  void pressOnALink();
  void keysAndButton_data();
  void keysAndButton();
  void reopeningRestsTheLinks();

 private:
  void Open();
  QWidget* Find(const QString& name) const;
  QLabel* Label(const char* name) const { return dialog_->findChild<QLabel*>(name); }
  QColor Color(const char* name) const {
    return Label(name)->palette().color(QPalette::WindowText);
  }
  void MoveTo(const QString& target);

  std::unique_ptr<QWidget> main_;
  Form2* dialog_ = nullptr;  // owned by main_
  QList<QUrl> opened_;
};

void Form2Test::init() {
  main_ = std::make_unique<QWidget>();
  main_->setGeometry(100, 100, 715, 441);
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::darkCyan);
  main_->setWindowIcon(QIcon(pixmap));
  main_->show();
  QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
  // Park the pointer away from where the dialog will open: a move to the spot
  // where the pointer already is counts as no move at all.
  QTest::mouseMove(main_.get(), QPoint(main_->width() - 5, main_->height() - 5));
  opened_.clear();
  dialog_ = new Form2(main_.get(), [this](const QUrl& url) { opened_.append(url); });
}

void Form2Test::cleanup() {
  main_.reset();
  dialog_ = nullptr;
}

void Form2Test::Open() {
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_));
  dialog_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(dialog_));
}

QWidget* Form2Test::Find(const QString& name) const { return dialog_->findChild<QWidget*>(name); }

// Moves the pointer to the middle of a named control, to a bare spot of the
// dialog ("background") or out of the dialog onto the main window ("outside").
void Form2Test::MoveTo(const QString& target) {
  if (target == QLatin1String("background")) {
    QTest::mouseMove(dialog_, QPoint(6, dialog_->height() - 6));
  } else if (target == QLatin1String("outside")) {
    // The offscreen platform reports no leaving by itself; send what a desktop
    // would: a leave to every widget the pointer was over.
    QTest::mouseMove(main_.get(), QPoint(5, 5));
    for (QWidget* widget : dialog_->findChildren<QWidget*>()) {
      QEvent leave(QEvent::Leave);
      QApplication::sendEvent(widget, &leave);
    }
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(dialog_, &leave);
  } else {
    QWidget* widget = Find(target);
    QVERIFY2(widget != nullptr, qPrintable(target));
    QTest::mouseMove(widget, widget->rect().center());
  }
}

void Form2Test::opensAsTheDesignedWindow() {
  Open();
  QCOMPARE(dialog_->windowTitle(), QStringLiteral("关于"));
  QVERIFY(dialog_->isModal());
  QCOMPARE(dialog_->size(), QSize(376, 181));
  QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
  const Qt::WindowFlags flags = dialog_->windowFlags();
  QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QCOMPARE(dialog_->windowIcon().cacheKey(), main_->windowIcon().cacheKey());
  // Centred on the main window, give or take the frame (10 × 40 px) that Qt
  // assumes where no window manager reports one.
  const QPoint offset = dialog_->geometry().center() - main_->geometry().center();
  QVERIFY2(qAbs(offset.x()) <= 12 && qAbs(offset.y()) <= 42,
           qPrintable(QStringLiteral("off by %1,%2").arg(offset.x()).arg(offset.y())));

  auto* command1 = dialog_->findChild<QPushButton*>("Command1");
  QCOMPARE(command1->text(), QStringLiteral("确认"));
  QVERIFY(!command1->isDefault());
  QVERIFY(!command1->autoDefault());
  QCOMPARE(QApplication::focusWidget(), command1);

  QCOMPARE(Label("Label1")->text(),
           QStringLiteral("Tessaly ") + QString::fromUtf8(tessaly::kVersion));
  QCOMPARE(Label("Label2")->text(), QStringLiteral("BY Tessaly 开发组"));
  QCOMPARE(Label("Label3")->text(), QStringLiteral("访问“Tessaly 项目主页”"));
  QCOMPARE(Label("Label4")->text(), QStringLiteral("访问“Tessaly 玩家论坛”"));
  QCOMPARE(Label("Label3")->geometry(), QRect(16, 72, 345, 17));
  QCOMPARE(command1->geometry(), QRect(136, 136, 105, 33));
  // Links are marked by colour alone.
  for (const char* name : {"Label3", "Label4"}) {
    QVERIFY(!Label(name)->font().underline());
    QVERIFY(!Label(name)->testAttribute(Qt::WA_SetCursor));
  }
}

void Form2Test::hoverFollowsTheMoveRules_data() {
  QTest::addColumn<QStringList>("moves");
  QTest::addColumn<QString>("marked");  // the blue link, "" for none

  QTest::newRow("nothing yet") << QStringList{} << "";
  QTest::newRow("site") << QStringList{"Label3"} << "Label3";
  QTest::newRow("forum") << QStringList{"Label4"} << "Label4";
  QTest::newRow("site then forum") << QStringList{"Label3", "Label4"} << "Label4";
  QTest::newRow("forum then site") << QStringList{"Label4", "Label3"} << "Label3";
  QTest::newRow("site onto the button") << QStringList{"Label3", "Command1"} << "Label3";
  QTest::newRow("forum onto the button") << QStringList{"Label4", "Command1"} << "Label4";
  QTest::newRow("site out of the window") << QStringList{"Label3", "outside"} << "Label3";
  QTest::newRow("site then background") << QStringList{"Label3", "background"} << "";
  QTest::newRow("forum, button, background")
      << QStringList{"Label4", "Command1", "background"} << "";
  QTest::newRow("forum then Label1") << QStringList{"Label4", "Label1"} << "";
  QTest::newRow("site then Label2") << QStringList{"Label3", "Label2"} << "";
}

void Form2Test::hoverFollowsTheMoveRules() {
  QFETCH(QStringList, moves);
  QFETCH(QString, marked);
  Open();
  const QColor rest = dialog_->palette().color(QPalette::Active, QPalette::Highlight);
  const QColor blue(0, 0, 255);
  QVERIFY(rest != blue);
  for (const QString& move : moves) MoveTo(move);
  QCOMPARE(Color("Label3"), marked == "Label3" ? blue : rest);
  QCOMPARE(Color("Label4"), marked == "Label4" ? blue : rest);
}

void Form2Test::pressOnALink_data() {
  QTest::addColumn<QString>("link");
  QTest::addColumn<Qt::MouseButton>("button");
  QTest::addColumn<QString>("url");  // "" when nothing may open

  QTest::newRow("left on site") << "Label3" << Qt::LeftButton << "https://tessaly.example.org/";
  QTest::newRow("left on forum") << "Label4" << Qt::LeftButton
                                 << "https://forum.tessaly.example.org/";
  QTest::newRow("right on site") << "Label3" << Qt::RightButton << "";
  QTest::newRow("middle on forum") << "Label4" << Qt::MiddleButton << "";
  QTest::newRow("left on Label1") << "Label1" << Qt::LeftButton << "";
}

void Form2Test::pressOnALink() {
  QFETCH(QString, link);
  QFETCH(Qt::MouseButton, button);
  QFETCH(QString, url);
  Open();
  QWidget* label = Find(link);
  QTest::mousePress(label, button, {}, label->rect().center());
  // The page opens on the press, before any release.
  const QList<QUrl> expected = url.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(url)};
  QCOMPARE(opened_, expected);
  QTest::mouseRelease(label, button, {}, label->rect().center());
  QCOMPARE(opened_, expected);
  QVERIFY(dialog_->isVisible());
}

void Form2Test::keysAndButton_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<bool>("closes");

  QTest::newRow("Esc") << "esc" << false;
  QTest::newRow("click 确认") << "click" << true;
  QTest::newRow("space on 确认") << "space" << true;
  QTest::newRow("Enter on 确认") << "enter" << true;
  QTest::newRow("close box") << "close" << true;
}

void Form2Test::keysAndButton() {
  QFETCH(QString, action);
  QFETCH(bool, closes);
  Open();
  QWidget* command1 = Find("Command1");
  if (action == "esc") QTest::keyClick(command1, Qt::Key_Escape);
  if (action == "click") QTest::mouseClick(command1, Qt::LeftButton);
  if (action == "space") QTest::keyClick(command1, Qt::Key_Space);
  if (action == "enter") QTest::keyClick(command1, Qt::Key_Return);
  if (action == "close") dialog_->close();
  QCOMPARE(dialog_->isVisible(), !closes);
}

void Form2Test::reopeningRestsTheLinks() {
  Open();
  MoveTo("Label3");
  MoveTo("Command1");
  QCOMPARE(Color("Label3"), QColor(0, 0, 255));
  QTest::mouseClick(Find("Command1"), Qt::LeftButton);
  QVERIFY(!dialog_->isVisible());

  // The same dialog shown again, and a fresh one, both start at rest.
  Open();
  const QColor rest = dialog_->palette().color(QPalette::Active, QPalette::Highlight);
  QCOMPARE(Color("Label3"), rest);
  QCOMPARE(Color("Label4"), rest);
  QCOMPARE(QApplication::focusWidget(), Find("Command1"));
  delete dialog_;
  dialog_ = new Form2(main_.get(), [this](const QUrl& url) { opened_.append(url); });
  Open();
  QCOMPARE(Color("Label3"), rest);
}

QTEST_MAIN(Form2Test)
#include "form2_test.moc"
