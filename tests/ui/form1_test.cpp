// The main window: its controls, the button timer, the input rules of the
// number fields, the help marks and leaving.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QMimeData>
#include <QStyle>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "ui/chinese_look.hpp"
#include "ui/form2.hpp"
#include "ui_support.hpp"

using namespace tessaly::ui;
using namespace tessaly::ui::test;

class Form1Test : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyChineseLook(*qApp);
  }

  void window() {
    Editor ed(QStringList{"甲"});
    QVERIFY(ed.form);
    QCOMPARE(ed.form->windowHandle()->title(), QStringLiteral("Tessaly"));
    QCOMPARE(ed.form->size(), QSize(715, 441));
    QCOMPARE(ed.form->minimumSize(), ed.form->maximumSize());
    const Qt::WindowFlags flags = ed.form->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!ed.form->windowIcon().isNull());
    // Inside the screen's available area: centred, at its edge where it is smaller.
    QCOMPARE(PlaceInside(QRect(0, 30, 1280, 994), ed.form->size()), QPoint(282, 306));
    QCOMPARE(PlaceInside(QRect(0, 0, 640, 512), ed.form->size()), QPoint(0, 35));  // scale 2
    auto* timer = ed.form->findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer != nullptr);
    QCOMPARE(timer->interval(), 300);
    QVERIFY(timer->isActive());
  }

  // Every control by name: kind, parent and caption.
  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* tag, const QString& name, int index, const char* kind,
                        const char* parent, const QString& caption) {
      QTest::newRow(tag) << name << index << QString::fromLatin1(kind)
                         << QString::fromLatin1(parent) << caption;
    };
    row("Command3", "Command3", -1, "QPushButton", "Form1", "关于");
    row("Command2", "Command2", -1, "QPushButton", "Form1", "退出");
    row("Command1", "Command1", -1, "QPushButton", "Form1", "保存");
    row("add", "添加", -1, "QPushButton", "Form1", "添加");
    row("Frame2", "Frame2", -1, "QGroupBox", "Form1", "模式");
    row("mode 0", "模式", 0, "QCheckBox", "Frame2", "剧情");
    row("mode 1", "模式", 1, "QCheckBox", "Frame2", "死斗");
    row("mode 2", "模式", 2, "QCheckBox", "Frame2", "暗杀");
    row("mode 3", "模式", 3, "QCheckBox", "Frame2", "护城");
    row("mode 4", "模式", 4, "QCheckBox", "Frame2", "劫镖");
    row("mode 5", "模式", 5, "QCheckBox", "Frame2", "盟主");
    row("Frame1", "Frame1", -1, "QGroupBox", "Form1", "属性");
    row("write", "写入", -1, "QPushButton", "Frame1", "写入");
    row("Text4", "Text4", -1, "QLineEdit", "Frame1", "");
    row("reset", "重置", -1, "QPushButton", "Frame1", "重置");
    row("Text2", "Text2", -1, "QLineEdit", "Frame1", "");
    row("Text3", "Text3", -1, "QLineEdit", "Frame1", "");
    row("Text1", "Text1", -1, "QLineEdit", "Frame1", "");
    row("Check7", "Check7", -1, "QCheckBox", "Frame1", "在列表中显示地图");
    row("help 0", "帮助", 0, "QLabel", "Frame1", "?");
    row("help 1", "帮助", 1, "QLabel", "Frame1", "?");
    row("help 2", "帮助", 2, "QLabel", "Frame1", "?");
    row("help 3", "帮助", 3, "QLabel", "Frame1", "?");
    row("Label4", "Label4", -1, "QLabel", "Frame1", "剧情：");
    row("Label3", "Label3", -1, "QLabel", "Frame1", "音乐：");
    row("Label2", "Label2", -1, "QLabel", "Frame1", "模型：");
    row("Label1", "Label1", -1, "QLabel", "Frame1", "名称：");
    row("delete", "删除", -1, "QPushButton", "Form1", "删除");
    row("move down", "下移", -1, "QPushButton", "Form1", "▼");
    row("move up", "上移", -1, "QPushButton", "Form1", "▲");
    row("List1", "List1", -1, "QListView", "Form1", "");
    row("Label5", "Label5", -1, "QLabel", "Form1", "<any>");
  }

  void controls() {
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    Editor ed(QStringList{"甲"});
    QWidget* w = index < 0 ? ed.find(name) : ed.find(name, index);
    QVERIFY(w != nullptr);
    QVERIFY2(w->inherits(kind.toLatin1().constData()), w->metaObject()->className());
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QVERIFY(w->isVisible());
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
    if (caption == "<any>") {
      QVERIFY(!text.isEmpty());
    } else {
      QCOMPARE(text, caption);
    }
  }

  // The layout obeys rules rather than a copy of its numbers: every control
  // lies inside the window and inside its frame; nothing two controls draw
  // overlaps, except a frame drawn wholly inside another; every caption fits
  // its control in the font it is shown in.
  void layoutRules() {
    Editor ed(QStringList{"甲"});
    QList<QWidget*> controls;
    for (QWidget* w : ed.form->findChildren<QWidget*>()) {
      const QWidget* parent = w->parentWidget();
      if (!w->isVisible() || w->objectName().isEmpty() || w->objectName().startsWith("qt_") ||
          (parent != ed.form.get() && !qobject_cast<const QGroupBox*>(parent))) {
        continue;
      }
      controls.append(w);
    }
    QVERIFY(controls.size() >= 30);
    const auto nameOf = [](const QWidget* w) {
      QString name = w->objectName();
      if (w->property(kIndexProperty).isValid()) {
        name += QString::number(w->property(kIndexProperty).toInt());
      }
      return name;
    };
    for (QWidget* w : controls) {
      const QWidget* parent = w->parentWidget();
      // A frame's own caption takes its top; its controls lie below it.
      QRect room = parent->rect();
      if (qobject_cast<const QGroupBox*>(parent))
        room.setTop(QFontMetrics(parent->font()).height() / 2);
      QVERIFY2(room.contains(w->geometry()), qPrintable(nameOf(w)));
    }
    // A label draws only its text, a check box its mark and its text; the
    // rest of their boxes may lie under a neighbour.
    const auto drawn = [](const QWidget* w) {
      if (const auto* box = qobject_cast<const QCheckBox*>(w)) {
        const int width = w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                          w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w) +
                          QFontMetrics(w->font()).horizontalAdvance(box->text());
        // Mark and text sit in the middle of the box's height.
        const int height = std::max(w->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, w),
                                    QFontMetrics(w->font()).height());
        return QRect(w->x(), w->y() + (w->height() - height) / 2, std::min(width, w->width()),
                     height);
      }
      const auto* label = qobject_cast<const QLabel*>(w);
      if (label == nullptr) return w->geometry();
      return w->style()
          ->itemTextRect(QFontMetrics(w->font()), w->rect(), label->alignment(), true,
                         label->text())
          .translated(w->pos());
    };
    for (QWidget* a : controls) {
      for (QWidget* b : controls) {
        if (a == b || a->parentWidget() != b->parentWidget()) continue;
        if (!drawn(a).intersects(drawn(b))) continue;
        const bool nested = qobject_cast<QGroupBox*>(a) && a->geometry().contains(b->geometry()) &&
                            qobject_cast<QGroupBox*>(b);
        const bool nestedOther = qobject_cast<QGroupBox*>(b) &&
                                 b->geometry().contains(a->geometry()) &&
                                 qobject_cast<QGroupBox*>(a);
        QVERIFY2(nested || nestedOther, qPrintable(nameOf(a) + " overlaps " + nameOf(b)));
      }
    }
    for (QWidget* w : controls) {
      QString text;
      int room = w->width();
      if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
      if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
      if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
      if (text.isEmpty()) continue;
      if (qobject_cast<QCheckBox*>(w)) {
        room -= w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
      }
      // Laid out as the control may wrap it (the narrow 删除 and 添加 stand
      // one character a line), the caption must fit both ways.
      const QFontMetrics metrics(w->font());
      const QRect needed =
          metrics.boundingRect(QRect(0, 0, room, 10000), Qt::TextWrapAnywhere, text);
      // Height: the lines' spacing, and the glyphs themselves on the last line
      // (a 17-pixel label holds a 9-point "?" though the font's line is 18).
      const int lines = std::max(1, needed.height() / metrics.lineSpacing());
      const int height =
          (lines - 1) * metrics.lineSpacing() + metrics.tightBoundingRect(text).height();
      QVERIFY2(needed.width() <= room && height <= w->height(),
               qPrintable(nameOf(w) + ": " + text + " needs " + QString::number(needed.width()) +
                          "x" + QString::number(height)));
    }
  }

  // Every control a user can focus or click has a name of its own for
  // assistive tools; a field is named by its label, described by its help
  // text, and F1 in it shows that text as its "?" does.
  void accessibleNames() {
    Editor ed(QStringList{"甲"});
    QStringList names, unnamed;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
      if (node->state().invisible) return;
      // The "?" marks are the controls clicked but never focused.
      if (node->state().focusable || node->object()->objectName() == "帮助") {
        const QString name = node->text(QAccessible::Name);
        (name.isEmpty() ? unnamed : names)
            .append(name.isEmpty() ? node->object()->objectName() : name);
      }
      for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(ed.form.get()));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    // The 21 stops of the tab order and the four "?" at least, ▼ not as its glyph.
    QVERIFY(names.size() >= 25 && names.contains("下移") && names.contains("地图列表"));
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    for (int k = 1; k <= 4; ++k) {
      QCOMPARE(ed.find<QLabel>(QStringLiteral("Label%1").arg(k))->buddy(), ed.text(k));
      QCOMPARE(ed.text(k)->accessibleDescription(), HelpText(k - 1));
      QAction* f1 = ed.text(k)->actions().value(0);
      QVERIFY(f1->shortcuts().contains(QKeySequence(Qt::Key_F1)));
      f1->trigger();
      QCOMPARE(ed.prompts.texts().value(k - 1), HelpText(k - 1));
    }
  }

  // No widget stands for List2 or DiTu_ID; they are state of the window.
  void hiddenStateIsNoWidget() {
    Editor ed(QStringList{"甲"});
    QVERIFY(ed.find(QStringLiteral("List2")) == nullptr);
    QVERIFY(ed.find(QStringLiteral("DiTu_ID")) == nullptr);
  }

  void fonts() {
    Editor ed(QStringList{"甲"});
    for (const QString& name : {QStringLiteral("添加"), QStringLiteral("删除")}) {
      const QFont font = ed.find(name)->font();
      QCOMPARE(font.families().value(0), QStringLiteral("微软雅黑"));
      QCOMPARE(font.pointSize(), 9);
    }
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC"))) {
      QSKIP("Noto Sans CJK SC is not installed");
    }
    // Without YaHei, Linux must fall to the Simplified Chinese face, not the Japanese one.
    if (!QFontDatabase::families().contains(QStringLiteral("Microsoft YaHei"))) {
      QCOMPARE(QFontInfo(ed.find(QStringLiteral("Text1"))->font()).family(),
               QStringLiteral("Noto Sans CJK SC"));
      QCOMPARE(QFontInfo(ed.find(QStringLiteral("添加"))->font()).family(),
               QStringLiteral("Noto Sans CJK SC"));
    }
  }

  void tabOrder() {
    Editor ed(QStringList{"甲"});
    QStringList visited;
    QWidget* w = ed.list();
    do {
      if (w->focusPolicy() & Qt::TabFocus && w->isVisible() && w->isEnabled() &&
          !w->objectName().isEmpty() && ed.form->isAncestorOf(w)) {
        QString name = w->objectName();
        if (w->property(kIndexProperty).isValid())
          name += QString::number(w->property(kIndexProperty).toInt());
        visited.append(name);
      }
      w = w->nextInFocusChain();
    } while (w != ed.list());
    // 写入 and 重置 are disabled while nothing is selected; select to enable them.
    const QStringList expectedWhileNothingSelected{
        "List1", "上移",  "下移",     "删除",     "Text1",   "Check7", "Text3",
        "Text2", "模式0", "模式1",    "模式2",    "模式3",   "模式4",  "模式5",
        "Text4", "添加",  "Command1", "Command2", "Command3"};
    QCOMPARE(visited, expectedWhileNothingSelected);

    ed.selectRow(0);
    QTRY_VERIFY(ed.find(QStringLiteral("写入"))->isEnabled());
    QStringList order;
    w = ed.list();
    do {
      if (w->focusPolicy() & Qt::TabFocus && w->isEnabled() && ed.form->isAncestorOf(w) &&
          !w->objectName().isEmpty()) {
        order.append(w->objectName());
      }
      w = w->nextInFocusChain();
    } while (w != ed.list());
    QCOMPARE(order.indexOf("重置"), order.indexOf("模式") + 6);
    QCOMPARE(order.indexOf("写入"), order.indexOf("Text4") + 1);
  }

  // Timer1 enables 写入 and 重置 while an entry is selected, and only then.
  void timerFollowsSelection() {
    Editor ed(QStringList{"甲", "乙"});
    QWidget* write = ed.find(QStringLiteral("写入"));
    QWidget* reset = ed.find(QStringLiteral("重置"));
    QVERIFY(!write->isEnabled());
    QVERIFY(!reset->isEnabled());
    ed.selectRow(1);
    QTRY_VERIFY_WITH_TIMEOUT(write->isEnabled() && reset->isEnabled(), 1000);
    ed.click(QStringLiteral("删除"));
    QTRY_VERIFY_WITH_TIMEOUT(!write->isEnabled() && !reset->isEnabled(), 1000);
    // The timer alone catches a selection made without the list's signals.
    ed.list()->selectionModel()->blockSignals(true);
    ed.setCurrentRow(0);
    ed.list()->selectionModel()->blockSignals(false);
    QVERIFY(!write->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(write->isEnabled() && reset->isEnabled(), 1000);
    ed.list()->selectionModel()->blockSignals(true);
    ed.list()->clearSelection();
    ed.list()->selectionModel()->blockSignals(false);
    QTRY_VERIFY_WITH_TIMEOUT(!write->isEnabled() && !reset->isEnabled(), 1000);
    for (const char* always :
         {"添加", "删除", "上移", "下移", "Command1", "Command2", "Command3"}) {
      QVERIFY2(ed.find(QString::fromUtf8(always))->isEnabled(), always);
    }
  }

  // Enter presses the focused button, as Space does: 删除 removes the selection.
  void enterPressesFocusedButton_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
  }
  void enterPressesFocusedButton() {
    QFETCH(int, key);
    Editor ed(QStringList{"甲", "乙"});
    ed.selectRow(0);
    QWidget* remove = ed.find(QStringLiteral("删除"));
    remove->setFocus();
    QTest::keyClick(remove, static_cast<Qt::Key>(key));
    QCOMPARE(ed.items(), QStringList{"2:乙"});
  }

  // Keys typed into a number field, and what the field then holds.
  void numberFieldsByKeys_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::newRow("music 2,5,6") << 3 << "256"
                                 << "255";
    QTest::newRow("music at limit") << 3 << "255"
                                    << "255";
    QTest::newRow("story 2,5,6") << 4 << "256"
                                 << "255";
    QTest::newRow("model above limit") << 2 << "65536"
                                       << "65535";
    QTest::newRow("model at limit") << 2 << "65535"
                                    << "65535";
    QTest::newRow("model 99999") << 2 << "99999"
                                 << "65535";
    QTest::newRow("leading zeros stay") << 2 << "007"
                                        << "007";
    QTest::newRow("zero") << 4 << "0"
                          << "0";
    QTest::newRow("letters, space, minus, point") << 2 << "a1 -2.b"
                                                  << "12";
    QTest::newRow("many zeros then digits") << 3 << "000256"
                                            << "255";
  }

  void numberFieldsByKeys() {
    QFETCH(int, field);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    Editor ed(QStringList{"甲"});
    QLineEdit* edit = ed.text(field);
    edit->setFocus();
    QTest::keyClicks(edit, keys);
    QCOMPARE(edit->text(), expected);
  }

  // A digit inserted before others that passes the limit gives the limit.
  void insertedDigitClamps() {
    Editor ed(QStringList{"甲"});
    QLineEdit* model = ed.text(2);
    model->setFocus();
    QTest::keyClicks(model, "6553");
    model->setCursorPosition(0);
    QTest::keyClick(model, Qt::Key_9);
    QCOMPARE(model->text(), QStringLiteral("65535"));
  }

  void backspaceEmptiesField() {
    Editor ed(QStringList{"甲"});
    QLineEdit* music = ed.text(3);
    music->setFocus();
    QTest::keyClicks(music, "25");
    QTest::keyClick(music, Qt::Key_Backspace);
    QCOMPARE(music->text(), QStringLiteral("2"));
    QTest::keyClick(music, Qt::Key_Backspace);
    QCOMPARE(music->text(), QString());
    QVERIFY(ed.prompts.messages.empty());
  }

  // Text that arrives other than by keys is filtered the same way.
  void numberFieldsOtherInput_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("paste 12ab3") << 2 << "paste"
                                 << "12ab3"
                                 << "123";
    QTest::newRow("paste above limit") << 3 << "paste"
                                       << "1x000"
                                       << "255";
    QTest::newRow("paste no digits") << 4 << "paste"
                                     << "abc"
                                     << "";
    QTest::newRow("input method") << 2 << "im"
                                  << "4五6"
                                  << "46";
    QTest::newRow("full-width digits") << 3 << "im"
                                       << "１２"
                                       << "12";
    QTest::newRow("drop") << 2 << "drop"
                          << "7 7"
                          << "77";
  }

  void numberFieldsOtherInput() {
    QFETCH(int, field);
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    Editor ed(QStringList{"甲"});
    QLineEdit* edit = ed.text(field);
    edit->setFocus();
    if (how == "paste") {
      QApplication::clipboard()->setText(input);
      QTest::keySequence(edit, QKeySequence::Paste);
    } else if (how == "im") {
      Editor::commitText(edit, input);
    } else {
      QMimeData mime;
      mime.setText(input);
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &enter);
      QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &move);
      QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &drop);
    }
    QCOMPARE(edit->text(), expected);
  }

  void nameTakesAnything() {
    Editor ed(QStringList{"甲"});
    QLineEdit* name = ed.text(1);
    name->setFocus();
    QTest::keyClicks(name, "a:1 -.");
    Editor::commitText(name, QStringLiteral("地图"));
    QCOMPARE(name->text(), QStringLiteral("a:1 -.地图"));
  }

  void helpMarks_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("expected");
    for (int k = 0; k < 4; ++k) {
      QTest::addRow("left %d", k) << k << int(Qt::LeftButton) << HelpText(k);
      QTest::addRow("right %d", k) << k << int(Qt::RightButton) << QString();
    }
    QTest::newRow("middle 3") << 3 << int(Qt::MiddleButton) << QString();
  }

  void helpMarks() {
    QFETCH(int, index);
    QFETCH(int, button);
    QFETCH(QString, expected);
    Editor ed(QStringList{"甲"});
    QWidget* mark = ed.find(QStringLiteral("帮助"), index);
    QVERIFY(mark != nullptr);
    // The text comes with the press, before the button is released.
    QTest::mousePress(mark, static_cast<Qt::MouseButton>(button));
    if (expected.isEmpty()) {
      QVERIFY(ed.prompts.messages.empty());
    } else {
      QCOMPARE(ed.prompts.messages.size(), std::size_t{1});
      QCOMPARE(ed.prompts.messages.front().text, expected);
      QCOMPARE(ed.prompts.messages.front().icon, MessageIcon::kNone);
    }
    QTest::mouseRelease(mark, static_cast<Qt::MouseButton>(button));
    QCOMPARE(ed.prompts.messages.size(), std::size_t{expected.isEmpty() ? 0U : 1U});
  }

  // With nothing to lose the window closes at once; otherwise the question
  // decides, and 保存 (asking first to write edits not written) closes only
  // once saved. The title is marked while the table has changes not saved.
  void leaving_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QList<int>>("replies");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("music");               // of map 1 on disk; 0 when nothing was saved
    const int first = 0, second = 1, cancel = 2;  // Answer
    QTest::newRow("nothing to lose") << "" << QList<int>{} << true << 0;
    QTest::newRow("deleted, 取消") << "delete" << QList<int>{cancel} << false << 0;
    QTest::newRow("deleted, 不保存") << "delete, close box" << QList<int>{second} << true << 0;
    QTest::newRow("deleted, 保存 fails") << "delete, fail" << QList<int>{first} << false << 0;
    QTest::newRow("typed, 保存, 是") << "type" << QList<int>{first, first} << true << 9;
    QTest::newRow("typed, 保存, 否") << "type, close box" << QList<int>{first, second} << true << 3;
    QTest::newRow("typed, 保存, 取消") << "type" << QList<int>{first, cancel} << false << 0;
    QTest::newRow("emptied, 保存, 是") << "empty" << QList<int>{first, first} << false << 0;
  }

  void leaving() {
    QFETCH(QString, change);
    QFETCH(QList<int>, replies);
    QFETCH(bool, closed);
    QFETCH(int, music);
    Editor ed(QStringList{"甲", "乙"});
    ed.selectRow(0);
    if (change.startsWith("delete")) ed.click(QStringLiteral("删除"));
    if (change.startsWith("type")) Editor::retype(ed.text(3), "9");
    if (change == "empty") ed.text(1)->clear();
    if (change.endsWith("fail")) ed.files.FailStep(tessaly::test::FsStep::kRename);
    QCOMPARE(ed.form->windowHandle()->title(),
             change.startsWith("delete") ? "Tessaly*" : "Tessaly");
    for (const int reply : replies) ed.prompts.replies.push_back(static_cast<Answer>(reply));
    change.endsWith("close box") ? (void)ed.form->close() : ed.click(QStringLiteral("Command2"));
    QStringList asked{"是否保存对“Meteor.res”的修改？ [保存/不保存]",
                      QString::fromUtf8(kUnwrittenQuestion) + " [是/否]"};
    QCOMPARE(ed.prompts.questions, asked.mid(0, replies.size()));
    QCOMPARE(ed.form->isVisible(), !closed);
    QCOMPARE(ListFolder(ed.programFolder()).empty(), music == 0);  // a save leaves a backup
    if (music > 0) QCOMPARE(tessaly::LoadDocument(ed.resPath)->table.Records()[0].music, music);
    if (change == "empty") QCOMPARE(ed.prompts.texts(), QStringList{"地图名不能为空"});
  }

  // 关于 shows the About dialog modally over the window.
  void aboutIsModal() {
    Editor ed(QStringList{"甲"});
    bool seen = false;
    QTimer::singleShot(50, [&] {
      auto* about = qobject_cast<Form2*>(QApplication::activeModalWidget());
      seen = about != nullptr && about->isModal() && about->parentWidget() == ed.form.get();
      if (about) about->done(0);
    });
    ed.click(QStringLiteral("Command3"));
    QVERIFY(seen);
    QVERIFY(ed.prompts.messages.empty());
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
