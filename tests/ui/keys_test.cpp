// The keyboard of the main window and undo/redo through it: where the focus
// starts, which key reaches which operation, what a number field does with a
// key it refuses, what an undo selects, and one walk-through by keys ending in
// a save and a reload.

#include <QApplication>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

#include "table/messages.hpp"
#include "ui/backups_dialog.hpp"
#include "ui/chinese_look.hpp"
#include "ui_support.hpp"

using namespace tessaly;
using namespace tessaly::ui;
using namespace tessaly::ui::test;

namespace {

// Shows the window as the active one, so that its shortcuts take keys.
void Activate(const Editor& ed) {
  ed.form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(ed.form.get()));
}

// A key as the user presses it: to whatever widget has the focus.
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY(focus != nullptr);
  QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

void Focus(QWidget* widget) {
  widget->setFocus(Qt::TabFocusReason);
  QCOMPARE(QApplication::focusWidget(), widget);
}

tessaly::test::Bytes ThreeMaps() {
  ResBuilder builder;
  builder.Filler(10);
  std::uint16_t model = 0;
  for (const char* name : {"甲", "乙", "丙"}) {
    RecordValues values;
    values.nameBytes = Gbk(name);
    values.model = ++model;
    builder.Record(values);
  }
  return builder.CountFromRecords().bytes();
}

}  // namespace

class KeysTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyChineseLook(*qApp);
  }

  // At start the keyboard is in the list with nothing selected, and the first
  // Down selects the first map. Deleting leaves the keyboard cursor where the
  // map was: Down then selects the map that took its place.
  void downSelectsTheMapAtTheCursor() {
    Editor ed(ThreeMaps());
    Activate(ed);
    QCOMPARE(QApplication::focusWidget(), ed.list());
    QCOMPARE(ed.selectedRow(), -1);
    QVERIFY(!ed.list()->currentIndex().isValid());  // nothing looks current either
    Press(Qt::Key_Down);
    QCOMPARE(ed.selectedRow(), 0);
    QCOMPARE(ed.text(1)->text(), QStringLiteral("甲"));
    Press(Qt::Key_Down);
    Press(Qt::Key_Delete);
    QCOMPARE(ed.selectedRow(), -1);
    Press(Qt::Key_Down);
    QCOMPARE(ed.selectedRow(), 1);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("3"));
  }

  // Each key, pressed where the focus is after 乙 was moved down (and, for
  // the redo keys, that move undone), and the list it leaves.
  void keysReachTheirOperations_data() {
    QTest::addColumn<QString>("focus");  // the objectName of the focused widget
    QTest::addColumn<bool>("undoFirst");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected");
    const QStringList original{"1:甲", "2:乙", "3:丙"};
    const QStringList moved{"1:甲", "3:丙", "2:乙"};
    const int ctrl = Qt::ControlModifier;
    const int alt = Qt::AltModifier;
    const int up = Qt::Key_Up;
    const int z = Qt::Key_Z;
    QTest::newRow("Delete in the list")
        << "List1" << false << int(Qt::Key_Delete) << 0 << QStringList{"1:甲", "3:丙"} << -1;
    QTest::newRow("Delete in the name field")
        << "Text1" << false << int(Qt::Key_Delete) << 0 << moved << 2;
    QTest::newRow("Alt+Up") << "List1" << false << up << alt << original << 1;
    QTest::newRow("Alt+Up on a button") << "Command3" << false << up << alt << original << 1;
    QTest::newRow("Alt+Down at the bottom")
        << "List1" << false << int(Qt::Key_Down) << alt << moved << 2;
    QTest::newRow("Ctrl+Z in the list") << "List1" << false << z << ctrl << original << 1;
    QTest::newRow("Ctrl+Z on a check box") << "Check7" << false << z << ctrl << original << 1;
    QTest::newRow("Ctrl+Z in the name field") << "Text1" << false << z << ctrl << moved << 2;
    QTest::newRow("Ctrl+Z in a number field") << "Text3" << false << z << ctrl << moved << 2;
    QTest::newRow("Ctrl+Y in the list") << "List1" << true << int(Qt::Key_Y) << ctrl << moved << 2;
    QTest::newRow("Ctrl+Shift+Z in the list")
        << "List1" << true << z << int(Qt::ControlModifier | Qt::ShiftModifier) << moved << 2;
    QTest::newRow("Ctrl+Y in the name field")
        << "Text1" << true << int(Qt::Key_Y) << ctrl << original << 1;
  }

  void keysReachTheirOperations() {
    QFETCH(QString, focus);
    QFETCH(bool, undoFirst);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    Editor ed(ThreeMaps());
    Activate(ed);
    ed.selectRow(1);
    ed.click(QStringLiteral("下移"));
    if (undoFirst) {
      Focus(ed.list());
      Press(Qt::Key_Z, Qt::ControlModifier);
    }
    Focus(ed.find(focus));
    Press(key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(ed.items(), items);
    QCOMPARE(ed.selectedRow(), selected);
    QVERIFY(ed.prompts.messages.empty());
  }

  // In a text field the undo keys take back and redo the typing.
  void undoKeysInATextFieldActOnTheTyping() {
    Editor ed(ThreeMaps());
    Activate(ed);
    QLineEdit* name = ed.text(1);
    Focus(name);
    QTest::keyClicks(name, "xy");
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(name->text(), QString());
    Press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(name->text(), QStringLiteral("xy"));
    Press(Qt::Key_Z, Qt::ControlModifier);
    Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(name->text(), QStringLiteral("xy"));
  }

  // A key the field refuses leaves its text and selection as they were; a
  // digit replaces the selection as usual.
  void refusedKeyLeavesTextAndSelection_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selectFrom");
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    QTest::newRow("minus over one digit") << "1234" << 1 << 1 << int(Qt::Key_Minus) << "1234";
    QTest::newRow("letter over all") << "255" << 0 << 3 << int(Qt::Key_A) << "255";
    QTest::newRow("space over all") << "255" << 0 << 3 << int(Qt::Key_Space) << "255";
    QTest::newRow("point, nothing selected") << "12" << 2 << 0 << int(Qt::Key_Period) << "12";
    QTest::newRow("digit over one digit") << "1234" << 1 << 1 << int(Qt::Key_7) << "1734";
  }

  void refusedKeyLeavesTextAndSelection() {
    QFETCH(QString, text);
    QFETCH(int, selectFrom);
    QFETCH(int, selectLength);
    QFETCH(int, key);
    QFETCH(QString, after);
    Editor ed(ThreeMaps());
    QLineEdit* model = ed.text(2);
    model->setFocus();
    model->setText(text);
    model->setSelection(selectFrom, selectLength);
    QTest::keyClick(model, static_cast<Qt::Key>(key));
    QCOMPARE(model->text(), after);
    if (after == text) {
      QCOMPARE(model->selectionStart(), selectLength > 0 ? selectFrom : -1);
      QCOMPARE(model->selectedText().size(), selectLength);
    }
  }

  void addScrollsTheNewMapIntoViewWithoutSelectingIt() {
    Editor ed(NumberedNames(200));
    ed.selectRow(0);
    ed.click(QStringLiteral("添加"));
    QCOMPARE(ed.count(), 201);
    QCOMPARE(ed.selectedRow(), 0);
    const QRect shown = ed.list()->visualRect(ed.index(200));
    QVERIFY(ed.list()->viewport()->rect().contains(shown));
  }

  // Only a row the list cuts short shows its whole text as a tooltip.
  void tooltipShowsTheWholeItem() {
    Editor ed(QStringList{QString(60, QChar(u'长')), QStringLiteral("短")});
    for (const int row : {0, 1}) {
      QToolTip::hideText();
      QVERIFY(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
      const QPoint at = ed.list()->visualRect(ed.index(row)).center();
      QHelpEvent help(QEvent::ToolTip, at, ed.list()->viewport()->mapToGlobal(at));
      QCoreApplication::sendEvent(ed.list()->viewport(), &help);
      QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), row ? "" : ed.items()[0]);
    }
  }

  // Ctrl+H lists the backups against the table in the window; 恢复 asks, puts
  // the chosen backup in place of the file and shows the file as it now is.
  void ctrlHListsTheBackupsAndRestores() {
    Editor ed(ThreeMaps());
    QVERIFY(ed.find<QPushButton>(QStringLiteral("Command1"))->toolTip().contains("Ctrl+H"));
    const auto backup = ResWithNames({"甲"});
    (void)ed.dir.Write("program/[20190719140509备份]Meteor.res", backup);
    Activate(ed);
    QStringList row;
    bool restoreBeforeChoice = true;
    ed.prompts.yesNo.push_back(true);
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<BackupsDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("BackupList"));
      auto* restore = dialog->findChild<QPushButton*>(QStringLiteral("恢复"));
      for (int column = 0; column < 3; ++column) row.append(list->topLevelItem(0)->text(column));
      restoreBeforeChoice = restore->isEnabled();
      list->setCurrentItem(list->topLevelItem(0));
      QTest::mouseClick(restore, Qt::LeftButton);
      if (dialog->isVisible()) dialog->reject();
    });
    Press(Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(row, QStringList({"2019-07-19 14:05:09", "1", "+2 −0 ~1"}));
    QVERIFY(!restoreBeforeChoice);
    QCOMPARE(ed.prompts.questions.size(), 1);
    QCOMPARE(tessaly::test::ReadFile(ed.resPath), backup);
    QCOMPARE(ed.items(), QStringList{"1:甲"});
    QVERIFY(ed.prompts.texts().contains(QString::fromUtf8(kRestoreDoneMessage)));
  }

  // The walk-through: keys first, then the mouse for a map, its model field
  // and 写入; a save; and the file read anew.
  void keyboardWalkThroughSavedAndReloaded() {
    Editor ed(ThreeMaps());
    Activate(ed);
    const QStringList original{"1:甲", "2:乙", "3:丙"};
    const QStringList bFirst{"2:乙", "1:甲", "3:丙"};
    Press(Qt::Key_Down);
    QCOMPARE(ed.selectedRow(), 0);
    Press(Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(ed.items(), bFirst);
    QCOMPARE(ed.selectedRow(), 1);
    Press(Qt::Key_Delete);
    QCOMPARE(ed.items(), (QStringList{"2:乙", "3:丙"}));
    QCOMPARE(ed.selectedRow(), -1);
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ed.items(), bFirst);
    QCOMPARE(ed.selectedRow(), 1);
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ed.items(), original);
    QCOMPARE(ed.selectedRow(), 0);
    Press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(ed.items(), bFirst);
    QCOMPARE(ed.selectedRow(), 1);
    QVERIFY(ed.prompts.messages.empty());

    ed.selectRow(2);  // 3:丙, model 3
    QLineEdit* model = ed.text(2);
    model->setFocus();
    model->selectAll();
    QTest::keyClick(model, Qt::Key_A);
    QCOMPARE(model->text(), QStringLiteral("3"));
    QCOMPARE(model->selectedText(), QStringLiteral("3"));
    ed.click(QStringLiteral("写入"));
    QVERIFY(ed.prompts.messages.empty());

    Editor::replaceByInputMethod(ed.text(1), QStringLiteral("新丙"));
    ed.click(QStringLiteral("写入"));
    QCOMPARE(ed.items().last(), QStringLiteral("3:新丙"));
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ed.items(), bFirst);
    QCOMPARE(ed.selectedRow(), 2);
    QCOMPARE(ed.text(1)->text(), QStringLiteral("丙"));

    Press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ed.prompts.texts(), QStringList{QString::fromUtf8(kSaveDoneMessage)});
    const QStringList saved{"1:乙", "2:甲", "3:丙"};
    QCOMPARE(ed.items(), saved);
    auto reloaded = LoadDocument(ed.resPath);
    QVERIFY(reloaded.ok());
    QCOMPARE(ItemsOnDisk(ed.resPath), saved);
    const auto& records = reloaded->table.Records();
    QCOMPARE(records.size(), std::size_t{3});
    QCOMPARE(int(records[0].model), 2);
    QCOMPARE(int(records[1].model), 1);
    QCOMPARE(int(records[2].model), 3);
    QCOMPARE(reloaded->entryCount, 3);
    // The save started a fresh history: there is nothing to undo.
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ed.items(), saved);
  }
};

QTEST_MAIN(KeysTest)
#include "keys_test.moc"
