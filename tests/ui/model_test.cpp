// Random sequences of show, write, add, delete, move, undo, redo and save
// driven through the window by its controls and keys, mirrored on a plain list
// kept here. After every step the list box shows the list; after every save
// the list box and a fresh load of the file on disk hold exactly the list's
// maps, in its order, with its values.

#include <QApplication>
#include <type_traits>

#include "resfile/format.hpp"
#include "support/seeded_random.hpp"
#include "table/messages.hpp"
#include "ui/chinese_look.hpp"
#include "ui_support.hpp"

using namespace tessaly;
using namespace tessaly::ui;
using namespace tessaly::ui::test;

namespace {

struct RefMap {
  std::uint32_t id = 0;
  QString name;
  std::uint16_t model = 0;
  std::uint8_t listFlag = 0;
  QString modes;  // "110000"
  std::uint8_t music = 0;
  std::uint8_t story = 0;

  friend bool operator==(const RefMap&, const RefMap&) = default;
};

// What the edit area shows, and the map id it stands for (DiTu_ID).
struct Area {
  QString mapId;
  QString name, model, music, story;
  bool listed = false;
  QString modes = QStringLiteral("000000");
};

// One change of the table as undo and redo see it: the maps before and
// after, and the row each selects.
struct RefStep {
  std::vector<RefMap> before, after;
  std::uint32_t recordsBefore = 0, recordsAfter = 0;
  std::optional<std::size_t> selectedByUndo, selectedByRedo;
};

struct Reference {
  std::vector<RefMap> rows;
  std::uint32_t records = 0;  // map ids given out since the last load
  std::optional<std::size_t> selected;
  Area area;
  std::vector<RefStep> done, undone;

  // Records the change from `before`, just made.
  void Changed(std::vector<RefMap> before, std::uint32_t recordsBefore,
               std::optional<std::size_t> selectedByUndo,
               std::optional<std::size_t> selectedByRedo) {
    done.push_back(
        RefStep{std::move(before), rows, recordsBefore, records, selectedByUndo, selectedByRedo});
    undone.clear();
  }

  // Undo (or redo): the maps as they were, and the map touched selected and
  // shown; with nothing to select the edit area stays.
  void TakeBack(bool redo) {
    std::vector<RefStep>& from = redo ? undone : done;
    if (from.empty()) return;
    RefStep step = std::move(from.back());
    from.pop_back();
    rows = redo ? step.after : step.before;
    records = redo ? step.recordsAfter : step.recordsBefore;
    selected = redo ? step.selectedByRedo : step.selectedByUndo;
    (redo ? done : undone).push_back(std::move(step));
  }
};

// Colons anywhere, the record separator itself, blanks at the ends, Chinese,
// and a name of 254 GBK bytes, the longest a record can hold.
const QStringList kNames = {
    QStringLiteral("测试"),     QStringLiteral("A"),       QStringLiteral("名:字"),
    QStringLiteral("a::::::b"), QStringLiteral("尾:"),     QStringLiteral("::::::"),
    QStringLiteral(":开头"),    QStringLiteral(" "),       QStringLiteral(" 两端 "),
    QStringLiteral("青石镇"),   QStringLiteral("Ruins 2"), QStringLiteral("x:y::z:::"),
    QStringLiteral("0"),        QString(127, QChar(u'图'))};

class Sequence : public tessaly::test::SeededRandom {
 public:
  using SeededRandom::SeededRandom;

  QString Name() { return kNames[static_cast<qsizetype>(Below(kNames.size()))]; }

  // Digits as a person might type them: now and then with leading zeros, now
  // and then above the limit. Returns what is typed and what the field then
  // holds (a value above the limit turns into the limit's text).
  std::pair<QString, QString> Number(std::uint32_t limit) {
    std::uint64_t value = 0;
    switch (Below(10)) {
      case 0:
        value = limit + 1 + Below(2 * std::size_t{limit});
        break;
      case 1:
        value = 0;
        break;
      case 2:
        value = limit;
        break;
      default:
        value = Below(std::size_t{limit} + 1);
        break;
    }
    QString typed = QString::number(value);
    if (Below(4) == 0) typed.prepend(QString(static_cast<qsizetype>(1 + Below(2)), QChar(u'0')));
    return {typed, value > limit ? QString::number(limit) : typed};
  }
};

QString ModesOf(std::uint8_t modeByte) {
  return QString::fromStdString(ModeBitsFromByte(modeByte));
}

QString ItemOf(const RefMap& m) { return QString::number(m.id) + ':' + m.name; }

Area Shown(const RefMap& m) {
  return Area{QString::number(m.id),
              m.name,
              QString::number(m.model),
              QString::number(m.music),
              QString::number(m.story),
              m.listFlag == 11,
              m.modes};
}

RefMap Written(const Area& area, std::uint32_t id) {
  return RefMap{id,
                area.name,
                static_cast<std::uint16_t>(area.model.toUInt()),
                static_cast<std::uint8_t>(area.listed ? 11 : 10),
                area.modes,
                static_cast<std::uint8_t>(area.music.toUInt()),
                static_cast<std::uint8_t>(area.story.toUInt())};
}

Area AreaOf(const Editor& ed) {
  Area a{ed.form->diTuId(),
         ed.text(1)->text(),
         ed.text(2)->text(),
         ed.text(3)->text(),
         ed.text(4)->text(),
         ed.check7()->isChecked(),
         {}};
  for (int k = 0; k < 6; ++k) a.modes += ed.mode(k)->isChecked() ? '1' : '0';
  return a;
}

// Types random values into the edit area and records on `area` what it then shows.
void TypeRandomArea(Editor& ed, Sequence& seq, Area& area) {
  area.name = seq.Name();
  Editor::replaceByInputMethod(ed.text(1), area.name);
  QString* const fields[] = {&area.model, &area.music, &area.story};
  const std::uint32_t limits[] = {kModelLimit, kMusicLimit, kStoryLimit};
  for (int k = 0; k < 3; ++k) {
    const auto [typed, held] = seq.Number(limits[k]);
    Editor::retype(ed.text(k + 2), typed);
    *fields[k] = held;
  }
  area.listed = seq.Coin();
  Editor::setChecked(ed.check7(), area.listed);
  area.modes.clear();
  for (int k = 0; k < 6; ++k) {
    const bool set = seq.Coin();
    Editor::setChecked(ed.mode(k), set);
    area.modes += set ? '1' : '0';
  }
}

QStringList ItemsOf(const Reference& ref) {
  QStringList items;
  for (const RefMap& m : ref.rows) items.append(ItemOf(m));
  return items;
}

template <class T>
QString Text(const T& value) {
  if constexpr (std::is_same_v<T, QString>) {
    return value;
  } else if constexpr (std::is_same_v<T, bool>) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
  } else {
    return QString::number(static_cast<qlonglong>(value));
  }
}

// Compares with the step's `context` in the failure message.
#define CHECK_EQUAL(actual, expected, what)                                              \
  QVERIFY2((actual) == (expected),                                                       \
           qPrintable(context + QStringLiteral(": ") + QStringLiteral(what) + " is \"" + \
                      Text(actual) + "\", expected \"" + Text(expected) + '"'))

// The window against the reference: the list box, its selection, the edit area.
void CheckWindow(const Editor& ed, const Reference& ref, const QString& context) {
  const QStringList items = ed.items();
  QVERIFY2(items == ItemsOf(ref), qPrintable(context + ": List1 is [" + items.join(", ") +
                                             "], expected [" + ItemsOf(ref).join(", ") + "]"));
  CHECK_EQUAL(ed.selectedRow(), ref.selected ? static_cast<int>(*ref.selected) : -1, "selection");
  const Area shown = AreaOf(ed);
  CHECK_EQUAL(shown.mapId, ref.area.mapId, "DiTu_ID");
  CHECK_EQUAL(shown.name, ref.area.name, "Text1");
  CHECK_EQUAL(shown.model, ref.area.model, "Text2");
  CHECK_EQUAL(shown.music, ref.area.music, "Text3");
  CHECK_EQUAL(shown.story, ref.area.story, "Text4");
  CHECK_EQUAL(shown.listed, ref.area.listed, "Check7");
  CHECK_EQUAL(shown.modes, ref.area.modes, "模式");
}

// A fresh load of the file on disk against the reference.
void CheckFile(const std::filesystem::path& path, const Reference& ref, const QString& context) {
  auto loaded = LoadDocument(path);
  QVERIFY2(loaded.ok(), qPrintable(context + ": the saved file does not load"));
  const Document& doc = loaded.value();
  CHECK_EQUAL(int(doc.entryCount), int(ref.rows.size()), "header entry count");
  CHECK_EQUAL(qsizetype(doc.table.DisplayCount()), qsizetype(ref.rows.size()), "maps in the file");
  for (std::size_t row = 0; row < ref.rows.size(); ++row) {
    const MapEntry& e = doc.table.EntryAtRow(row);
    const RefMap& m = ref.rows[row];
    const QString at = context + QStringLiteral(" (file, row %1)").arg(row);
    [&, context = at] {
      CHECK_EQUAL(e.mapId, std::uint32_t(row + 1), "map id");
      CHECK_EQUAL(QString::fromStdString(e.name), m.name, "name");
      CHECK_EQUAL(e.model, m.model, "model");
      CHECK_EQUAL(QString::fromStdString(e.folder), QString::fromStdString(FolderText(m.model)),
                  "folder text");
      CHECK_EQUAL(e.listFlag, m.listFlag, "list flag");
      CHECK_EQUAL(QString::fromStdString(e.modeBits), m.modes, "modes");
      CHECK_EQUAL(e.music, m.music, "music");
      CHECK_EQUAL(e.storyOrder, m.story, "story order");
    }();
    if (QTest::currentTestFailed()) return;
  }
}

std::set<std::filesystem::path> Backups(const Editor& ed) {
  std::set<std::filesystem::path> out;
  for (const auto& folder : {ed.programFolder(), ed.userFolder()}) {
    for (const std::string& name : ListFolder(folder))
      out.insert(folder / tessaly::PathFromUtf8(name));
  }
  return out;
}

}  // namespace

class ModelTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyChineseLook(*qApp);
  }

  void savedFileMatchesReference_data() {
    QTest::addColumn<unsigned>("seed");
    for (const unsigned seed : {1U, 7U, 2026U, 31337U}) QTest::addRow("seed %u", seed) << seed;
  }

  void savedFileMatchesReference() {
    QFETCH(unsigned, seed);
    Sequence seq(seed);
    constexpr int kSteps = 400;

    // A loaded file with stored values no write would produce (odd list
    // flags); they must survive every save until the map is written.
    ResBuilder builder;
    builder.Filler(200);
    Reference ref;
    const std::size_t initial = 3 + seq.Below(8);
    for (std::size_t i = 0; i < initial; ++i) {
      const auto modeByte = static_cast<std::uint8_t>(seq.Below(64));
      RefMap m{static_cast<std::uint32_t>(i + 1),
               kNames[static_cast<qsizetype>(i % kNames.size())],
               static_cast<std::uint16_t>(seq.Below(65536)),
               static_cast<std::uint8_t>(seq.Below(256)),
               ModesOf(modeByte),
               static_cast<std::uint8_t>(seq.Below(256)),
               static_cast<std::uint8_t>(seq.Below(256))};
      RecordValues values;
      values.nameBytes = Gbk(m.name.toStdString());
      values.model = m.model;
      values.listFlag = m.listFlag;
      values.modeByte = modeByte;
      values.music = m.music;
      values.storyOrder = m.story;
      builder.Record(values);
      ref.rows.push_back(m);
    }
    ref.records = static_cast<std::uint32_t>(initial);
    builder.CountFromRecords();
    Editor ed(builder.bytes());
    QVERIFY(ed.form != nullptr);
    ed.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ed.form.get()));

    int saves = 0;
    int takenBack = 0;  // undos and redos that had a step to take
    for (int step = 0; step <= kSteps; ++step) {
      const QString context = QStringLiteral("seed %1 step %2").arg(seed).arg(step);
      const std::size_t op = step == kSteps ? 11 : seq.Below(14);
      QStringList expectedMessages;
      if (op <= 2) {  // show: a click, or the selection set as the keyboard would
        if (!ref.rows.empty()) {
          const std::size_t row = seq.Below(ref.rows.size());
          if (seq.Coin()) {
            ed.selectRow(static_cast<int>(row));
          } else {
            ed.setCurrentRow(static_cast<int>(row));
          }
          // Choosing the row already selected changes no selection and so shows nothing anew.
          if (ref.selected != row) ref.area = Shown(ref.rows[row]);
          ref.selected = row;
        }
      } else if (op <= 4) {  // write; without a selection 写入 is disabled
        TypeRandomArea(ed, seq, ref.area);
        ed.click(QStringLiteral("写入"));
        if (ref.selected) {
          const auto before = ref.rows;
          RefMap& m = ref.rows[*ref.selected];
          m = Written(ref.area, m.id);
          if (ref.rows != before) ref.Changed(before, ref.records, ref.selected, ref.selected);
        }
      } else if (op <= 6) {  // add, with the area as shown or typed anew
        if (seq.Coin()) TypeRandomArea(ed, seq, ref.area);
        ed.click(QStringLiteral("添加"));
        if (ref.area.name.isEmpty()) {  // nothing shown or typed yet
          expectedMessages.append(QString::fromUtf8(kNameEmpty.data(), kNameEmpty.size()));
        } else {
          const auto before = ref.rows;
          ref.rows.push_back(Written(ref.area, ++ref.records));
          ref.Changed(before, ref.records - 1, ref.selected, ref.rows.size() - 1);
        }
      } else if (op <= 8) {  // delete
        ed.click(QStringLiteral("删除"));
        if (ref.selected) {
          const auto before = ref.rows;
          ref.rows.erase(ref.rows.begin() + static_cast<std::ptrdiff_t>(*ref.selected));
          ref.Changed(before, ref.records, ref.selected, std::nullopt);
          ref.selected.reset();
        }
      } else if (op <= 10) {  // move up or down; the moved map is selected and shown
        const bool up = op == 9;
        ed.click(up ? QStringLiteral("上移") : QStringLiteral("下移"));
        if (ref.selected && (up ? *ref.selected > 0 : *ref.selected + 1 < ref.rows.size())) {
          const std::size_t to = up ? *ref.selected - 1 : *ref.selected + 1;
          const auto before = ref.rows;
          std::swap(ref.rows[*ref.selected], ref.rows[to]);
          ref.Changed(before, ref.records, ref.selected, to);
          ref.selected = to;
          ref.area = Shown(ref.rows[to]);
        }
      } else if (op >= 12) {  // undo or redo by its key, pressed in the list
        const bool redo = op == 13;
        ed.list()->setFocus();
        QTest::keyClick(ed.list(), redo ? Qt::Key_Y : Qt::Key_Z, Qt::ControlModifier);
        const bool any = !(redo ? ref.undone : ref.done).empty();
        ref.TakeBack(redo);
        if (any && ref.selected) ref.area = Shown(ref.rows[*ref.selected]);
        takenBack += any ? 1 : 0;
      } else {  // save: backup, write, reload; the maps are numbered anew
        const auto before = tessaly::test::ReadFile(ed.resPath);
        const auto backupsBefore = Backups(ed);
        ed.prompts.replies = {Answer::kSecond};  // 否: save the table as it is
        ed.click(QStringLiteral("Command1"));
        expectedMessages.append(QString::fromUtf8(kSaveDoneMessage));
        ++saves;
        for (std::size_t i = 0; i < ref.rows.size(); ++i) {
          ref.rows[i].id = static_cast<std::uint32_t>(i + 1);
        }
        ref.records = static_cast<std::uint32_t>(ref.rows.size());
        ref.selected.reset();
        ref.done.clear();  // a save forgets the steps
        ref.undone.clear();

        const auto backupsAfter = Backups(ed);
        CHECK_EQUAL(qsizetype(backupsAfter.size()), qsizetype(backupsBefore.size() + 1), "backups");
        for (const auto& p : backupsAfter) {
          if (backupsBefore.count(p) == 0) {
            QVERIFY2(tessaly::test::ReadFile(p) == before,
                     qPrintable(context + ": the backup is not the file as it was"));
          }
        }
        CheckFile(ed.resPath, ref, context);
        if (QTest::currentTestFailed()) return;
      }
      QVERIFY2(ed.prompts.texts() == expectedMessages,
               qPrintable(context + ": messages [" + ed.prompts.texts().join(", ") +
                          "], expected [" + expectedMessages.join(", ") + "]"));
      ed.prompts.messages.clear();
      CheckWindow(ed, ref, context);
      if (QTest::currentTestFailed()) return;
    }
    QVERIFY2(saves >= 8, qPrintable(QStringLiteral("only %1 saves").arg(saves)));
    QVERIFY2(takenBack >= 10, qPrintable(QStringLiteral("only %1 undos and redos").arg(takenBack)));
  }
};

QTEST_MAIN(ModelTest)
#include "model_test.moc"
