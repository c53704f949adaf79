// The real message box, driven closed while it runs.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "ui/chinese_look.hpp"
#include "ui/prompts.hpp"

using namespace tessaly::ui;

class PromptsSmokeTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Qt's own texts must be Chinese: this fails when the translation package
  // (qt6-translations-l10n on Debian) is missing.
  void initTestCase() { QVERIFY(ApplyChineseLook(*qApp)); }

  void messageBox_data() {
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("expected");
    QTest::newRow("none") << int(MessageIcon::kNone) << int(QMessageBox::NoIcon);
    QTest::newRow("warning") << int(MessageIcon::kWarning) << int(QMessageBox::Warning);
    QTest::newRow("critical") << int(MessageIcon::kCritical) << int(QMessageBox::Critical);
  }

  void messageBox() {
    QFETCH(int, icon);
    QFETCH(int, expected);
    QString title, text;
    int shownIcon = -1;
    QList<QAbstractButton*> buttons;
    bool okButton = false;
    QString okText;
    int width = 0;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      title = box->windowTitle();
      text = box->text();
      shownIcon = box->icon();
      buttons = box->buttons();
      okButton = box->button(QMessageBox::Ok) != nullptr;
      okText = box->button(QMessageBox::Ok)->text();
      width = box->width();
      box->button(QMessageBox::Ok)->click();
    });
    QtPrompts prompts;
    prompts.ShowMessage(static_cast<MessageIcon>(icon), QStringLiteral("修改成功！"), nullptr);
    QCOMPARE(title, QStringLiteral("Tessaly"));
    QCOMPARE(text, QStringLiteral("修改成功！"));
    QCOMPARE(shownIcon, expected);
    QCOMPARE(buttons.size(), 1);
    QVERIFY(okButton);
    QCOMPARE(okText, QStringLiteral("确定"));
    // Wide enough for the title, although the text is short.
    QVERIFY2(width >= MessageBoxMinimumWidth(title), qPrintable(QString::number(width)));
    QVERIFY(MessageBoxMinimumWidth(title) >= kMinimumMessageWidth);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  // A long name gives way in the middle, as plain text: the box fits the
  // screen and no line of its sentence is broken.
  void longNameFitsTheScreen() {
    QTimer::singleShot(0, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      box->button(QMessageBox::Ok)->click();
      QCOMPARE(box->textFormat(), Qt::PlainText);
      QVERIFY(!box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->wordWrap());
      QVERIFY(box->screen()->availableGeometry().contains(box->frameGeometry()));
      QVERIFY(box->text().startsWith("无法操作“<b>长") && box->text().contains("…") &&
              box->text().endsWith("”文件！请确认文件是否被占用！\n没有权限"));
    });
    QtPrompts().ShowMessage(
        MessageIcon::kWarning,
        "无法操作“<b>" + QString(300, u'长') + ".res”文件！请确认文件是否被占用！\n没有权限",
        nullptr);
  }
};

QTEST_MAIN(PromptsSmokeTest)
#include "prompts_smoke_test.moc"
