// Start-up of the editor and the file dialog.

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QTest>
#include <QTimer>

#include "fake_prompts.hpp"
#include "ui/chinese_look.hpp"
#include "ui/file_dialog.hpp"
#include "ui_support.hpp"

using namespace tessaly::ui;
using namespace tessaly::ui::test;

namespace {

const QString kWrongFile = QStringLiteral("请打开正确流星蝴蝶剑.NET的“Meteor.res”文件！");

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  // Each answer names a prompt's outcome: "good" (a Meteor.res with two maps),
  // "refused" (a file without the magic text), "unreadable" (a folder) or
  // "cancel". `argument` is the file given on the command line, if any.
  void startsOrEnds_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("windowShown");
    QTest::addColumn<int>("prompts");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("cancel") << "" << QStringList{"cancel"} << false << 1 << QStringList{};
    QTest::newRow("good") << "" << QStringList{"good"} << true << 1 << QStringList{};
    QTest::newRow("refused then good")
        << "" << QStringList{"refused", "good"} << true << 2 << QStringList{kWrongFile};
    QTest::newRow("refused twice then cancel") << "" << QStringList{"refused", "refused", "cancel"}
                                               << false << 3 << QStringList{kWrongFile, kWrongFile};
    QTest::newRow("unreadable then cancel")
        << "" << QStringList{"unreadable", "cancel"} << false << 2 << QStringList{"<read>"};
    QTest::newRow("unreadable then good")
        << "" << QStringList{"unreadable", "good"} << true << 2 << QStringList{"<read>"};
    QTest::newRow("argument good") << "good" << QStringList{} << true << 0 << QStringList{};
    QTest::newRow("argument refused, then good")
        << "refused" << QStringList{"good"} << true << 1 << QStringList{kWrongFile};
    QTest::newRow("argument refused, then cancel")
        << "refused" << QStringList{"cancel"} << false << 1 << QStringList{kWrongFile};
    QTest::newRow("argument missing, then cancel")
        << "missing" << QStringList{"cancel"} << false << 1 << QStringList{"<read>"};
  }

  void startsOrEnds() {
    QFETCH(QString, argument);
    QFETCH(QStringList, answers);
    QFETCH(bool, windowShown);
    QFETCH(int, prompts);
    QFETCH(QStringList, messages);

    TempDir dir;
    const auto good = dir.Write("Meteor.res", ResWithNames({"甲", "乙"}));
    const auto refused = dir.Write("other.res", {'n', 'o', 't', ' ', 'r', 'e', 's'});
    std::filesystem::create_directories(dir.path() / "folder.res");
    const auto pathOf = [&](const QString& kind) -> QString {
      if (kind == "good") return Q(good);
      if (kind == "refused") return Q(refused);
      if (kind == "unreadable") return Q(dir.path() / "folder.res");
      if (kind == "missing") return Q(dir.path() / "gone.res");
      return {};
    };

    FakePrompts fake;
    for (const QString& answer : answers) {
      if (answer == "cancel") {
        fake.AnswerCancel();
      } else {
        fake.AnswerPath(pathOf(answer));
      }
    }
    std::optional<std::filesystem::path> fileArg;
    if (!argument.isEmpty()) fileArg = PathFromQString(pathOf(argument));

    tessaly::test::FaultyFileSystem files;
    FixedClock clock;
    const auto form = StartEditor(fake, fileArg, {files, clock, dir.path(), dir.path()});

    QCOMPARE(form != nullptr, windowShown);
    QCOMPARE(static_cast<int>(fake.requests.size()), prompts);
    for (const FileDialogRequest& request : fake.requests) {
      QVERIFY(request.open);
      QCOMPARE(request.title, QStringLiteral("打开文件"));
      QCOMPARE(request.defaultName, QStringLiteral("Meteor.res"));
      QCOMPARE(request.filter, QStringLiteral("RES文件(*.RES)"));
    }
    QCOMPARE(static_cast<int>(fake.messages.size()), messages.size());
    for (int i = 0; i < messages.size(); ++i) {
      QCOMPARE(fake.messages[static_cast<std::size_t>(i)].icon, MessageIcon::kNone);
      const QString& text = fake.messages[static_cast<std::size_t>(i)].text;
      if (messages[i] == "<read>") {
        QVERIFY2(!text.isEmpty() && text != kWrongFile, qPrintable(text));
      } else {
        QCOMPARE(text, messages[i]);
      }
    }
    if (form) {
      QVERIFY(form->isVisible());
      auto* list = form->findChild<QListView*>(QStringLiteral("List1"));
      QCOMPARE(list->model()->rowCount(), 2);
      QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("1:甲"));
      QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
    } else {
      for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!w->isVisible());
    }
  }

#ifndef _WIN32
  // A name that is not UTF-8 (GBK bytes, as a Chinese Windows would write
  // them to a shared disk) opens from the command line, byte for byte.
  void nameThatIsNotUtf8Opens() {
    TempDir dir;
    const std::filesystem::path res = dir.path() / std::string("\xB2\xE2.res");
    std::filesystem::copy_file(dir.Write("Meteor.res", ResWithNames({"甲"})), res);
    FakePrompts fake;
    tessaly::test::FaultyFileSystem files;
    FixedClock clock;
    const auto form = StartEditor(fake, res, {files, clock, dir.path(), dir.path()});
    QVERIFY(form != nullptr);
    QVERIFY(fake.requests.empty());
    QCOMPARE(form->document().resPath, res);
  }

  // The last save of the file was cut short while it wrote into the file: 是
  // restores the backup and opens it; 否 opens the file as it is.
  void interruptedSaveOffersItsBackup() {
    for (const bool restore : {true, false}) {
      TempDir dir;
      const auto original = ResWithNames({"甲", "乙"});
      const auto res = dir.Write("Meteor.res", original);
      FakePrompts fake;
      tessaly::test::FaultyFileSystem files;
      FixedClock clock;
      const tessaly::SaveEnvironment env{files, clock, dir.path(), dir.path() / "user"};
      QVERIFY(tessaly::test::LeaveInterruptedWrite(env, res));
      fake.yesNo.push_back(restore);
      const auto form = StartEditor(fake, res, env);
      QCOMPARE(fake.questions.size(), 1);
      QVERIFY(fake.questions.front().contains(QStringLiteral("上次保存时被中断")));
      QVERIFY(form != nullptr);
      QVERIFY(fake.messages.empty());
      QCOMPARE(tessaly::test::ReadFile(res) == original, restore);
    }
  }
#endif

  void fileDialogModes_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("open");
    QTest::newRow("open") << "open" << true;
    QTest::newRow("Open") << "Open" << true;
    QTest::newRow("OPEN") << "OPEN" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("save") << "save" << false;
    QTest::newRow("opened") << "opened" << false;
    QTest::newRow("open with blank") << "open " << false;
  }

  void fileDialogModes() {
    QFETCH(QString, mode);
    QFETCH(bool, open);
    FakePrompts fake;
    fake.AnswerPath(QStringLiteral("/x/Meteor.res"));
    QCOMPARE(ShowFileDialog(fake, mode, QStringLiteral("标题"), QStringLiteral("a.res")),
             QStringLiteral("/x/Meteor.res"));
    QCOMPARE(fake.requests.size(), std::size_t{1});
    const FileDialogRequest& request = fake.requests.front();
    QCOMPARE(request.open, open);
    QCOMPARE(request.title, QStringLiteral("标题"));
    QCOMPARE(request.defaultName, QStringLiteral("a.res"));
    QCOMPARE(request.defaultSuffix, open ? QString() : QStringLiteral("exe"));
    QVERIFY(fake.messages.empty());
  }

  void fileDialogOutcomes_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("failureShown");
    QTest::newRow("cancel") << int(FileChoice::Kind::kCancelled) << 10 << true << false;
    QTest::newRow("dialog fails") << int(FileChoice::Kind::kFailed) << 10 << true << false;
    QTest::newRow("255-character name")
        << int(FileChoice::Kind::kCancelled) << 255 << true << false;
    QTest::newRow("256-character name") << int(FileChoice::Kind::kChosen) << 256 << false << true;
  }

  void fileDialogOutcomes() {
    QFETCH(int, kind);
    QFETCH(int, nameLength);
    QFETCH(bool, asked);
    QFETCH(bool, failureShown);
    FakePrompts fake;
    fake.answers.push_back({static_cast<FileChoice::Kind>(kind), QStringLiteral("/x/a.res")});
    const QString result =
        ShowFileDialog(fake, QStringLiteral("open"), QStringLiteral("t"), QString(nameLength, 'n'));
    QCOMPARE(result, QString());
    QCOMPARE(fake.requests.size(), std::size_t{asked ? 1U : 0U});
    QCOMPARE(fake.messages.size(), std::size_t{failureShown ? 1U : 0U});
    if (failureShown) {
      QCOMPARE(fake.messages.front().icon, MessageIcon::kCritical);
      QCOMPARE(fake.messages.front().text, QStringLiteral("操作失败！"));
    }
  }

  // The dialog QtPrompts shows is set up as the request asks: Qt's own on
  // Linux, Windows' own on Windows.
  void realDialogSetUp_data() {
    QTest::addColumn<bool>("open");
    QTest::newRow("open") << true;
    QTest::newRow("save") << false;
  }

  void realDialogSetUp() {
    QFETCH(bool, open);
    FileDialogRequest request{open, QStringLiteral("打开文件"), QStringLiteral("Meteor.res"),
                              QStringLiteral("RES文件(*.RES)"),
                              open ? QString() : QStringLiteral("exe")};
    const auto dialog = MakeFileDialog(request, nullptr);
#ifdef _WIN32
    QVERIFY(!dialog->testOption(QFileDialog::DontUseNativeDialog));
#else
    QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
#endif
    QCOMPARE(dialog->windowTitle(), QStringLiteral("打开文件"));
    QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("RES文件(*.RES)")});
    QCOMPARE(dialog->acceptMode(), open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    QCOMPARE(dialog->fileMode(), open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QCOMPARE(dialog->defaultSuffix(), open ? QString() : QStringLiteral("exe"));
    QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
    QVERIFY(dialog->selectedFiles().value(0).endsWith(QStringLiteral("Meteor.res")));
  }

  // "*.RES" lists files ending in .res as well, and only those.
  void realDialogListsLowerCaseRes() {
    TempDir dir;
    (void)dir.Write("Meteor.res", {1});
    (void)dir.Write("BIG.RES", {1});
    (void)dir.Write("notes.txt", {1});
    FileDialogRequest request{true, QStringLiteral("打开文件"), QStringLiteral("Meteor.res"),
                              QStringLiteral("RES文件(*.RES)"), QString()};
    const auto dialog = MakeFileDialog(request, nullptr);
    dialog->setDirectory(Q(dir.path()));
    dialog->show();
    auto* model = dialog->findChild<QFileSystemModel*>();
    QVERIFY(model != nullptr);
    const QModelIndex root = model->index(Q(dir.path()));
    QTRY_COMPARE(model->rowCount(root), 2);
    QStringList names;
    for (int r = 0; r < model->rowCount(root); ++r)
      names.append(model->index(r, 0, root).data().toString());
    names.sort();
    QCOMPARE(names, (QStringList{"BIG.RES", "Meteor.res"}));
    dialog->hide();
  }

  // The real dialog, driven while it runs: accepted gives the path, rejected "".
  void realDialogRuns() {
    TempDir dir;
    const auto file = dir.Write("Meteor.res", {1});
    QtPrompts prompts;
    QTimer::singleShot(50, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      dialog->setDirectory(Q(dir.path()));
      dialog->selectFile(Q(file));
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(ShowFileDialog(prompts, "open", "打开文件", "Meteor.res"), Q(file));

    QTimer::singleShot(50, [] {
      if (QWidget* dialog = QApplication::activeModalWidget())
        qobject_cast<QDialog*>(dialog)->reject();
    });
    QCOMPARE(ShowFileDialog(prompts, "open", "打开文件", "Meteor.res"), QString());
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
