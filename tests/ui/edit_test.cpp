// The edit operations through the window: show, reset, write, add, delete and
// the moves, with their effects on the list, the selection and the edit area.

#include <QApplication>

#include "table/map_table.hpp"
#include "table/messages.hpp"
#include "ui/chinese_look.hpp"
#include "ui_support.hpp"

using namespace tessaly;
using namespace tessaly::ui;
using namespace tessaly::ui::test;

namespace {

RecordValues Values(const char* utf8Name, std::uint16_t model = 5, std::uint8_t listFlag = 11,
                    std::uint8_t modeByte = 48, std::uint8_t music = 3, std::uint8_t story = 0) {
  RecordValues values;
  values.nameBytes = Gbk(utf8Name);
  values.model = model;
  values.listFlag = listFlag;
  values.modeByte = modeByte;
  values.music = music;
  values.storyOrder = story;
  return values;
}

tessaly::test::Bytes ResWith(const std::vector<RecordValues>& recordValues) {
  ResBuilder builder;
  builder.Filler(10);
  for (const RecordValues& values : recordValues) builder.Record(values);
  builder.CountFromRecords();
  return builder.bytes();
}

// Three maps, the third being 测试 (model 5, listed, modes 剧情 and 死斗, music 3, story 0).
tessaly::test::Bytes ThreeMaps() {
  return ResWith(
      {Values("一号", 1, 10, 1, 1, 1), Values("二号", 300, 11, 63, 200, 9), Values("测试")});
}

QString Record(const Editor& ed, std::uint32_t mapId) {
  return QString::fromStdString(RecordString(ed.form->document().table.Records().at(mapId - 1)));
}

QString Pos(const Editor& ed, std::uint32_t mapId) {
  return QString::number(ed.form->document().table.Records().at(mapId - 1).recordPos);
}

struct AreaView {
  QString name, model, music, story;
  bool listed = false;
  QString modes;  // "110000"
};

AreaView ViewOf(const Editor& ed) {
  AreaView v{ed.text(1)->text(), ed.text(2)->text(),       ed.text(3)->text(),
             ed.text(4)->text(), ed.check7()->isChecked(), {}};
  for (int k = 0; k < 6; ++k) v.modes += ed.mode(k)->isChecked() ? '1' : '0';
  return v;
}

void Fill(Editor& ed, const QString& name, const QString& model, const QString& music,
          const QString& story, bool listed, const QString& modes) {
  Editor::replaceByInputMethod(ed.text(1), name);
  Editor::retype(ed.text(2), model);
  Editor::retype(ed.text(3), music);
  Editor::retype(ed.text(4), story);
  Editor::setChecked(ed.check7(), listed);
  for (int k = 0; k < 6; ++k) Editor::setChecked(ed.mode(k), modes[k] == '1');
}

#define COMPARE_AREA(ed, n, m, mu, st, li, mo) \
  do {                                         \
    const AreaView v_ = ViewOf(ed);            \
    QCOMPARE(v_.name, QString(n));             \
    QCOMPARE(v_.model, QString(m));            \
    QCOMPARE(v_.music, QString(mu));           \
    QCOMPARE(v_.story, QString(st));           \
    QCOMPARE(v_.listed, li);                   \
    QCOMPARE(v_.modes, QString(mo));           \
  } while (false)

}  // namespace

class EditTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyChineseLook(*qApp);
  }

  void showsSelectedEntry() {
    Editor ed(ThreeMaps());
    QCOMPARE(ed.items(), (QStringList{"1:一号", "2:二号", "3:测试"}));
    ed.selectRow(2);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("3"));
    COMPARE_AREA(ed, "测试", "5", "3", "0", true, "110000");
    ed.selectRow(1);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("2"));
    COMPARE_AREA(ed, "二号", "300", "200", "9", true, "111111");
  }

  void keyboardSelectionShowsEntry() {
    Editor ed(ThreeMaps());
    ed.list()->setFocus();
    ed.setCurrentRow(0);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("1"));
    QTest::keyClick(ed.list(), Qt::Key_Down);
    QCOMPARE(ed.selectedRow(), 1);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("2"));
    COMPARE_AREA(ed, "二号", "300", "200", "9", true, "111111");
  }

  void nameWithColonShownWhole() {
    Editor ed(ResWith({Values("a:b::::::c:")}));
    QCOMPARE(ed.items(), QStringList{"1:a:b::::::c:"});
    ed.selectRow(0);
    QCOMPARE(ed.text(1)->text(), QStringLiteral("a:b::::::c:"));
    QCOMPARE(ed.form->diTuId(), QStringLiteral("1"));
  }

  void writeWorkedExample() {
    Editor ed(ThreeMaps());
    ed.selectRow(2);
    Fill(ed, "新图", "12", "7", "2", false, "100000");
    ed.click(QStringLiteral("写入"));
    QVERIFY(ed.prompts.messages.empty());
    QCOMPARE(ed.items(), (QStringList{"1:一号", "2:二号", "3:新图"}));
    QCOMPARE(Record(ed, 3),
             "3::::::" + Pos(ed, 3) +
                 "::::::12::::::新图::::::5::::::SN12::::::10::::::100000::::::7::::::2");
    QCOMPARE(ed.selectedRow(), 2);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("3"));
  }

  // The model as typed: leading zeros stay in the field; the record holds the number.
  void writeModelValues_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("folder");
    QTest::newRow("007") << "007"
                         << "7"
                         << "5"
                         << "SN07";
    QTest::newRow("0") << "0"
                       << "0"
                       << "5"
                       << "SN00";
    QTest::newRow("10") << "10"
                        << "10"
                        << "5"
                        << "SN10";
    QTest::newRow("65535") << "65535"
                           << "65535"
                           << "8"
                           << "SN65535";
  }

  void writeModelValues() {
    QFETCH(QString, typed);
    QFETCH(QString, model);
    QFETCH(QString, length);
    QFETCH(QString, folder);
    Editor ed(ThreeMaps());
    ed.selectRow(2);
    Editor::retype(ed.text(2), typed);
    ed.click(QStringLiteral("写入"));
    QCOMPARE(ed.text(2)->text(), typed);
    QCOMPARE(Record(ed, 3), "3::::::" + Pos(ed, 3) + "::::::" + model + "::::::测试::::::" +
                                length + "::::::" + folder + "::::::11::::::110000::::::3::::::0");
  }

  // An odd stored list flag is rewritten as 10 or 11 by writing the unchanged area.
  void writeRewritesOddFlag() {
    Editor ed(ResWith({Values("图", 5, 7, 48)}));
    ed.selectRow(0);
    ed.click(QStringLiteral("写入"));
    QCOMPARE(ed.form->document().table.Records()[0].listFlag, 10);
    Editor::setChecked(ed.check7(), true);
    ed.click(QStringLiteral("写入"));
    QCOMPARE(ed.form->document().table.Records()[0].listFlag, 11);
  }

  // Write and Add check the fields in the order name, model, music, story;
  // only the first empty one is named, and nothing changes.
  void validation_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("empty");  // which of the four fields are emptied: "1234"
    QTest::addColumn<QString>("message");
    for (const char* button : {"写入", "添加"}) {
      const QString b = QString::fromUtf8(button);
      QTest::addRow("%s name and model", button) << b << "12"
                                                 << "地图名不能为空";
      QTest::addRow("%s all", button) << b << "1234"
                                      << "地图名不能为空";
      QTest::addRow("%s model", button) << b << "2"
                                        << "模型不能为空";
      QTest::addRow("%s music and story", button) << b << "34"
                                                  << "音乐不能为空";
      QTest::addRow("%s story", button) << b << "4"
                                        << "剧情排列不能为空";
      QTest::addRow("%s emoji name", button) << b << "emoji"
                                             << "地图名含有GBK无法表示的字符，无法保存";
      QTest::addRow("%s 255-byte name", button) << b << "long"
                                                << "<long>";
    }
  }

  void validation() {
    QFETCH(QString, button);
    QFETCH(QString, empty);
    QFETCH(QString, message);
    Editor ed(ThreeMaps());
    ed.selectRow(2);
    const QStringList itemsBefore = ed.items();
    const QString recordBefore = Record(ed, 3);
    if (empty == "emoji") {
      Editor::replaceByInputMethod(ed.text(1), QStringLiteral("地图😀"));
    } else if (empty == "long") {
      // 127 two-byte characters and one more byte: 255 GBK bytes.
      Editor::replaceByInputMethod(ed.text(1), QString(127, QChar(u'图')) + "x");
    } else {
      for (const QChar k : empty) ed.text(k.digitValue())->clear();
    }
    ed.click(button);
    QCOMPARE(ed.prompts.messages.size(), std::size_t{1});
    QCOMPARE(ed.prompts.messages.front().icon, MessageIcon::kNone);
    if (message == "<long>") {
      message = QString::fromStdString(ErrorText(TableError{
          .kind = TableErrorKind::kNameTooLong, .field = MapField::kName, .count = 255}));
    }
    QCOMPARE(ed.prompts.messages.front().text, message);
    QCOMPARE(ed.items(), itemsBefore);
    QCOMPARE(Record(ed, 3), recordBefore);
    QCOMPARE(ed.form->document().table.RecordCount(), std::size_t{3});
  }

  void addWorkedExample() {
    Editor ed(NumberedNames(20));
    ed.selectRow(4);
    const QString selectedRecord = Record(ed, 5);
    Fill(ed, "测试", "5", "3", "0", true, "110000");
    ed.click(QStringLiteral("添加"));
    QVERIFY(ed.prompts.messages.empty());
    QCOMPARE(ed.count(), 21);
    QCOMPARE(ed.items().last(), QStringLiteral("21:测试"));
    QCOMPARE(Record(ed, 21),
             QStringLiteral(
                 "21::::::0::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0"));
    // The selection, the selected entry and DiTu_ID stay.
    QCOMPARE(ed.selectedRow(), 4);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("5"));
    QCOMPARE(Record(ed, 5), selectedRecord);

    // A second click adds the next id; 写入 right after still changes the selected entry.
    ed.click(QStringLiteral("添加"));
    QCOMPARE(ed.items().last(), QStringLiteral("22:测试"));
    ed.click(QStringLiteral("写入"));
    QCOMPARE(ed.items().at(4), QStringLiteral("5:测试"));
    QCOMPARE(ed.items().last(), QStringLiteral("22:测试"));
  }

  void addWithNothingSelected() {
    Editor ed(QStringList{});
    QCOMPARE(ed.count(), 0);
    Fill(ed, "新", "1", "1", "1", false, "000000");
    ed.click(QStringLiteral("添加"));
    QCOMPARE(ed.items(), QStringList{"1:新"});
    QCOMPARE(ed.selectedRow(), -1);
    QVERIFY(Record(ed, 1).startsWith("1::::::0::::::"));
  }

  void deleteLeavesAreaAndNothingSelected() {
    Editor ed(ThreeMaps());
    ed.selectRow(1);
    const AreaView before = ViewOf(ed);
    ed.click(QStringLiteral("删除"));
    QCOMPARE(ed.items(), (QStringList{"1:一号", "3:测试"}));
    QCOMPARE(ed.selectedRow(), -1);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("2"));
    COMPARE_AREA(ed, before.name, before.model, before.music, before.story, before.listed,
                 before.modes);
    QCOMPARE(ed.form->document().table.RecordCount(), std::size_t{3});
    QVERIFY(ed.prompts.messages.empty());
  }

  // Deleted entries still count: the next id is one above all records.
  void deleteThenAdd() {
    Editor ed(NumberedNames(20));
    ed.selectRow(3);
    ed.click(QStringLiteral("删除"));
    ed.selectRow(10);
    ed.click(QStringLiteral("删除"));
    QCOMPARE(ed.count(), 18);
    Fill(ed, "新", "5", "3", "0", true, "110000");
    ed.click(QStringLiteral("添加"));
    QCOMPARE(ed.count(), 19);
    QCOMPARE(ed.items().last(), QStringLiteral("21:新"));
  }

  void deleteAllThenAdd() {
    Editor ed(QStringList{"甲", "乙"});
    for (int i = 0; i < 2; ++i) {
      ed.selectRow(0);
      ed.click(QStringLiteral("删除"));
    }
    QCOMPARE(ed.count(), 0);
    ed.click(QStringLiteral("添加"));
    QCOMPARE(ed.items(), QStringList{"3:乙"});
  }

  void moveUpAndDown() {
    Editor ed(QStringList{"A", "B", "C"});
    ed.selectRow(1);
    Editor::retype(ed.text(1), "unwritten");
    ed.click(QStringLiteral("上移"));
    QCOMPARE(ed.items(), (QStringList{"2:B", "1:A", "3:C"}));
    QCOMPARE(ed.selectedRow(), 0);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("2"));
    QCOMPARE(ed.text(1)->text(), QStringLiteral("B"));  // the unwritten edit is gone
    ed.click(QStringLiteral("下移"));
    QCOMPARE(ed.items(), (QStringList{"1:A", "2:B", "3:C"}));
    QCOMPARE(ed.selectedRow(), 1);
    ed.click(QStringLiteral("下移"));
    QCOMPARE(ed.items(), (QStringList{"1:A", "3:C", "2:B"}));
    QCOMPARE(ed.selectedRow(), 2);
    QCOMPARE(ed.form->diTuId(), QStringLiteral("2"));
  }

  // Moves, deletes and resets that have nothing to act on change nothing.
  void nothingToDo_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("row");  // -1: nothing selected
    QTest::addColumn<QString>("button");
    QTest::newRow("up at the top") << 3 << 0 << "上移";
    QTest::newRow("down at the bottom") << 3 << 2 << "下移";
    QTest::newRow("up, one item") << 1 << 0 << "上移";
    QTest::newRow("down, one item") << 1 << 0 << "下移";
    QTest::newRow("up, nothing selected") << 3 << -1 << "上移";
    QTest::newRow("down, nothing selected") << 3 << -1 << "下移";
    QTest::newRow("delete, nothing selected") << 3 << -1 << "删除";
    QTest::newRow("write, nothing selected") << 3 << -1 << "写入";
    QTest::newRow("reset, nothing selected") << 3 << -1 << "重置";
  }

  void nothingToDo() {
    QFETCH(int, count);
    QFETCH(int, row);
    QFETCH(QString, button);
    Editor ed(NumberedNames(count));
    // A former selection leaves DiTu_ID and the area filled, then typing changes the area.
    ed.selectRow(0);
    if (row < 0) {
      ed.list()->clearSelection();
    } else {
      ed.selectRow(row);
    }
    Editor::retype(ed.text(1), "typed");
    const QStringList items = ed.items();
    const AreaView area = ViewOf(ed);
    std::vector<std::string> records;
    for (const auto& e : ed.form->document().table.Records()) records.push_back(RecordString(e));
    ed.forceClick(button);
    QCOMPARE(ed.items(), items);
    QCOMPARE(ed.selectedRow(), row);
    COMPARE_AREA(ed, area.name, area.model, area.music, area.story, area.listed, area.modes);
    std::vector<std::string> after;
    for (const auto& e : ed.form->document().table.Records()) after.push_back(RecordString(e));
    QVERIFY(after == records);
    QVERIFY(ed.prompts.messages.empty());
  }

  void resetShowsLastWrite() {
    Editor ed(ThreeMaps());
    ed.selectRow(2);
    Editor::retype(ed.text(3), "9");
    ed.click(QStringLiteral("重置"));
    COMPARE_AREA(ed, "测试", "5", "3", "0", true, "110000");

    Editor::retype(ed.text(2), "007");
    Editor::setChecked(ed.mode(5), true);
    ed.click(QStringLiteral("写入"));
    Editor::replaceByInputMethod(ed.text(1), "又改");
    Editor::setChecked(ed.check7(), false);
    ed.click(QStringLiteral("重置"));
    COMPARE_AREA(ed, "测试", "7", "3", "0", true, "110001");
  }

  void resetAndWriteAfterMove() {
    Editor ed(QStringList{"A", "B", "C"});
    ed.selectRow(2);
    ed.click(QStringLiteral("上移"));
    ed.click(QStringLiteral("上移"));
    QCOMPARE(ed.items(), (QStringList{"3:C", "1:A", "2:B"}));
    Editor::retype(ed.text(1), "X");
    ed.click(QStringLiteral("重置"));
    QCOMPARE(ed.text(1)->text(), QStringLiteral("C"));
    Editor::retype(ed.text(1), "D");
    ed.click(QStringLiteral("写入"));
    QCOMPARE(ed.items(), (QStringList{"3:D", "1:A", "2:B"}));
    QCOMPARE(ed.form->document().table.Records()[2].name, std::string("D"));
  }
};

QTEST_MAIN(EditTest)
#include "edit_test.moc"
