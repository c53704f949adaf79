// 保存 through the window: its messages, the reload, failures that leave the
// table alone, and every edit operation carried through save and reload.

#include <QApplication>

#include "ui/chinese_look.hpp"
#include "ui_support.hpp"

using namespace tessaly;
using namespace tessaly::ui;
using namespace tessaly::ui::test;

namespace {

const QString kInUse = QStringLiteral("无法操作“Meteor.res”文件！请确认文件是否被占用！");

void Type(Editor& ed, int field, const QString& text) {
  if (field == 1) {
    Editor::replaceByInputMethod(ed.text(1), text);
  } else {
    Editor::retype(ed.text(field), text);
  }
}

}  // namespace

class SaveTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyChineseLook(*qApp);
  }

  void saveSucceeds() {
    Editor ed(QStringList{"甲", "乙", "丙"});
    ed.selectRow(1);
    Type(ed, 1, "改名");
    ed.click(QStringLiteral("写入"));
    QTRY_VERIFY(ed.find(QStringLiteral("写入"))->isEnabled());

    ed.click(QStringLiteral("Command1"));
    QCOMPARE(ed.prompts.messages.size(), std::size_t{1});
    QCOMPARE(ed.prompts.messages.front().text, QStringLiteral("修改成功！"));
    QCOMPARE(ed.prompts.messages.front().icon, MessageIcon::kNone);
    QCOMPARE(ed.items(), (QStringList{"1:甲", "2:改名", "3:丙"}));
    QCOMPARE(ed.selectedRow(), -1);
    QTRY_VERIFY(!ed.find(QStringLiteral("写入"))->isEnabled());
    QCOMPARE(ItemsOnDisk(ed.resPath), ed.items());
    // The backup is the file as it was, in the program's folder, named by the time.
    const auto backup = ed.programFolder() / PathFromUtf8("[20190719140509备份]Meteor.res");
    QVERIFY(std::filesystem::exists(backup));
    QCOMPARE(ItemsOnDisk(backup), (QStringList{"1:甲", "2:乙", "3:丙"}));
    QCOMPARE(ListFolder(ed.dir.path()).size(), std::size_t{2});  // Meteor.res and program/
  }

  // The file was written and backed up but cannot be read back: the user
  // learns both, in that order.
  void reloadFailureSaysTheSaveHappenedFirst() {
    Editor ed(QStringList{"甲", "乙"});
    ed.files.afterRename = [](const std::filesystem::path& p) {
      std::filesystem::resize_file(p, 10);
    };
    ed.click(QStringLiteral("Command1"));
    QCOMPARE(ed.prompts.messages.size(), std::size_t{2});
    QCOMPARE(ed.prompts.messages[0].text, QStringLiteral("修改成功！"));
    QCOMPARE(ed.prompts.messages[1].text, kInUse);
  }

  // Failures show their message and leave the shown table, the selection and
  // the file as they were.
  void saveFails_data() {
    QTest::addColumn<QString>("cause");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("message");
    QTest::newRow("file removed") << "removed" << int(MessageIcon::kWarning) << "原始文件未找到!";
    QTest::newRow("backup fails") << "copy" << int(MessageIcon::kNone) << kInUse;
    QTest::newRow("write fails") << "write" << int(MessageIcon::kNone) << kInUse;
    QTest::newRow("lock fails") << "lock" << int(MessageIcon::kNone) << kInUse;
    QTest::newRow("rename fails") << "rename" << int(MessageIcon::kNone) << kInUse;
    QTest::newRow("count below 0") << "count" << int(MessageIcon::kNone) << "<value>";
  }

  void saveFails() {
    QFETCH(QString, cause);
    QFETCH(int, icon);
    QFETCH(QString, message);
    // A header count of 0 with three records makes ExtraCount -3, so removing
    // one entry leaves a count that cannot be stored.
    ResBuilder builder;
    builder.Filler(4);
    for (const char* name : {"甲", "乙", "丙"}) {
      RecordValues values;
      values.nameBytes = Gbk(name);
      builder.Record(values);
    }
    builder.Count(cause == "count" ? 0 : 3);
    Editor ed(builder.bytes());
    const auto bytesBefore = tessaly::test::ReadFile(ed.resPath);

    ed.selectRow(0);
    ed.click(QStringLiteral("删除"));
    ed.selectRow(1);
    ed.click(QStringLiteral("上移"));
    Type(ed, 1, "未存");
    ed.click(QStringLiteral("写入"));
    const QStringList shown = ed.items();
    QCOMPARE(shown, (QStringList{"3:未存", "2:乙"}));

    if (cause == "removed") std::filesystem::remove(ed.resPath);
    using tessaly::test::FsStep;
    if (cause == "copy") ed.files.FailStep(FsStep::kCopyToNew);
    if (cause == "write") ed.files.FailStep(FsStep::kWriteNew);
    if (cause == "lock") ed.files.FailStep(FsStep::kLockFolder);
    if (cause == "rename") ed.files.FailStep(FsStep::kRename);
    ed.click(QStringLiteral("Command1"));

    QCOMPARE(ed.prompts.messages.size(), std::size_t{1});
    QCOMPARE(int(ed.prompts.messages.front().icon), icon);
    if (message == "<value>") {
      QVERIFY2(ed.prompts.messages.front().text.startsWith("条目数-1"),
               qPrintable(ed.prompts.messages.front().text));
    } else {
      QCOMPARE(ed.prompts.messages.front().text, message);
    }
    QCOMPARE(ed.items(), shown);
    QCOMPARE(ed.selectedRow(), 0);
    QCOMPARE(ed.form->document().table.RecordCount(), std::size_t{3});
    if (cause == "removed") {
      QVERIFY(!std::filesystem::exists(ed.resPath));
      QVERIFY(ListFolder(ed.programFolder()).empty());
    } else {
      QCOMPARE(tessaly::test::ReadFile(ed.resPath), bytesBefore);
    }
    // Only Meteor.res (if still there) and the program folder: no temporary file.
    for (const std::string& name : ListFolder(ed.dir.path())) {
      QVERIFY2(name == "Meteor.res" || name == "program" || name == "user", name.c_str());
    }

    // Once the cause is gone, the same table saves.
    if (cause != "removed" && cause != "count") {
      ed.files.Heal();
      ed.prompts.messages.clear();
      ed.click(QStringLiteral("Command1"));
      QCOMPARE(ed.prompts.texts(), QStringList{"修改成功！"});
      QCOMPARE(ed.items(), (QStringList{"1:未存", "2:乙"}));
    }
  }

  // Another program changed the file since it was loaded: 保存 asks first; 否
  // writes nothing, 是 saves, and the backup keeps that program's bytes.
  void changedFileIsOverwrittenOnlyWhenConfirmed() {
    for (const bool yes : {false, true}) {
      Editor ed(QStringList{"甲", "乙"});
      const auto changed = ResWithNames({"丙"});
      (void)ed.dir.Write("Meteor.res", changed);
      ed.prompts.yesNo.push_back(yes);
      ed.click(QStringLiteral("Command1"));
      QCOMPARE(ed.prompts.questions.size(), 1);
      QVERIFY(
          ed.prompts.questions.front().contains(QStringLiteral("在读取后被其他程序修改或替换")));
      QCOMPARE(ed.prompts.texts(), (yes ? QStringList{"修改成功！"} : QStringList{}));
      QCOMPARE(ItemsOnDisk(ed.resPath), (yes ? QStringList{"1:甲", "2:乙"} : QStringList{"1:丙"}));
      const auto backups = ListFolder(ed.programFolder());
      QCOMPARE(backups.size(), std::size_t{yes ? 1U : 0U});
      if (yes)
        QCOMPARE(ItemsOnDisk(ed.programFolder() / PathFromUtf8(backups[0])), QStringList{"1:丙"});
    }
  }

  // Each operation through the window, then 保存, then the file read anew.
  void operationReachesFile_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("reloaded");
    QTest::newRow("write") << "write" << QStringList{"1:A", "2:新图", "3:C"};
    QTest::newRow("add") << "add" << QStringList{"1:A", "2:B", "3:C", "4:测试"};
    QTest::newRow("delete") << "delete" << QStringList{"1:A", "2:C"};
    QTest::newRow("move up") << "up" << QStringList{"1:B", "2:A", "3:C"};
    QTest::newRow("move down") << "down" << QStringList{"1:A", "2:C", "3:B"};
    QTest::newRow("reset") << "reset" << QStringList{"1:A", "2:B", "3:C"};
    QTest::newRow("delete then add") << "delete+add" << QStringList{"1:A", "2:C", "3:新"};
  }

  void operationReachesFile() {
    QFETCH(QString, operation);
    QFETCH(QStringList, reloaded);
    Editor ed(QStringList{"A", "B", "C"});
    ed.selectRow(1);
    if (operation == "write") {
      Type(ed, 1, "新图");
      Type(ed, 2, "12");
      Editor::setChecked(ed.check7(), false);
      Editor::setChecked(ed.mode(1), false);
      Type(ed, 3, "7");
      Type(ed, 4, "2");
      ed.click(QStringLiteral("写入"));
    } else if (operation == "add") {
      Type(ed, 1, "测试");
      ed.click(QStringLiteral("添加"));
    } else if (operation == "delete") {
      ed.click(QStringLiteral("删除"));
    } else if (operation == "up") {
      ed.click(QStringLiteral("上移"));
    } else if (operation == "down") {
      ed.click(QStringLiteral("下移"));
    } else if (operation == "reset") {
      Type(ed, 1, "丢弃");
      Type(ed, 2, "99");
      ed.click(QStringLiteral("重置"));
      ed.click(QStringLiteral("写入"));
    } else if (operation == "delete+add") {
      ed.click(QStringLiteral("删除"));
      Type(ed, 1, "新");
      ed.click(QStringLiteral("添加"));
    }
    ed.click(QStringLiteral("Command1"));
    QCOMPARE(ed.prompts.texts(), QStringList{"修改成功！"});
    QCOMPARE(ed.items(), reloaded);
    QCOMPARE(ItemsOnDisk(ed.resPath), reloaded);

    auto doc = LoadDocument(ed.resPath);
    QVERIFY(doc.ok());
    const auto& records = doc->table.Records();
    if (operation == "write") {
      const MapEntry& e = records[1];
      QCOMPARE(e.model, 12);
      QCOMPARE(e.folder, std::string("SN12"));
      QCOMPARE(e.listFlag, 10);
      QCOMPARE(e.modeBits, std::string("100000"));
      QCOMPARE(e.music, 7);
      QCOMPARE(e.storyOrder, 2);
    } else if (operation == "add") {
      // The added entry carries the values of the edit area (those of B).
      const MapEntry& e = records[3];
      QCOMPARE(e.model, records[1].model);
      QCOMPARE(e.modeBits, records[1].modeBits);
      QCOMPARE(e.listFlag, records[1].listFlag);
    } else if (operation == "reset") {
      QCOMPARE(tessaly::test::ReadFile(ed.resPath).size(), ResWithNames({"A", "B", "C"}).size());
      QCOMPARE(records[1].model, 5);
    }
    QCOMPARE(std::int64_t(doc->entryCount), std::int64_t(reloaded.size()));
  }

  // The worked reorder: B, A, C saved and reloaded as 1:B, 2:A, 3:C; a second
  // save of the reloaded table writes the same file.
  void reorderSavedTwice() {
    Editor ed(QStringList{"A", "B", "C"});
    ed.selectRow(1);
    ed.click(QStringLiteral("上移"));
    QCOMPARE(ed.items(), (QStringList{"2:B", "1:A", "3:C"}));
    ed.click(QStringLiteral("Command1"));
    QCOMPARE(ed.items(), (QStringList{"1:B", "2:A", "3:C"}));
    const auto first = tessaly::test::ReadFile(ed.resPath);
    ed.click(QStringLiteral("Command1"));
    QCOMPARE(ed.prompts.texts(), (QStringList{"修改成功！", "修改成功！"}));
    QCOMPARE(tessaly::test::ReadFile(ed.resPath), first);
    // Two saves in the same (fixed) second keep both backups.
    QCOMPARE(ListFolder(ed.programFolder()).size(), std::size_t{2});
  }
};

QTEST_MAIN(SaveTest)
#include "save_test.moc"
