#pragma once

// Shared pieces of the window tests: resource files built byte by byte, a
// save environment inside a temporary folder, and ways to reach and drive the
// controls by their names.

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_prompts.hpp"
#include "resfile/save.hpp"
#include "resfile/text_path.hpp"
#include "support/faulty_fs.hpp"
#include "support/fixture.hpp"
#include "table/document.hpp"
#include "ui/form1.hpp"
#include "ui/startup.hpp"

namespace tessaly::ui::test {

using tessaly::test::Gbk;
using tessaly::test::ListFolder;
using tessaly::test::RecordValues;
using tessaly::test::ResBuilder;
using tessaly::test::TempDir;

inline QString Q(const std::filesystem::path& p) { return QString::fromStdString(PathToUtf8(p)); }

// A resource file holding one record per name (UTF-8), with the record values
// of RecordValues's defaults, and a header count equal to the records.
inline tessaly::test::Bytes ResWithNames(const QStringList& names) {
  ResBuilder builder;
  builder.Filler(10);
  for (const QString& name : names) {
    RecordValues values;
    values.nameBytes = Gbk(name.toStdString());
    builder.Record(values);
  }
  builder.CountFromRecords();
  return builder.bytes();
}

inline QStringList NumberedNames(int count) {
  QStringList names;
  for (int i = 1; i <= count; ++i) names.append(QStringLiteral("图%1").arg(i));
  return names;
}

// 14:05:09 on 19 July 2019.
struct FixedClock final : tessaly::test::FixedClock {
  FixedClock() : tessaly::test::FixedClock(2019, 7, 19, 14, 5, 9) {}
};

// A temporary Meteor.res opened in a window, with backups kept in the same
// temporary folder.
struct Editor {
  TempDir dir;
  FakePrompts prompts;
  tessaly::test::FaultyFileSystem files;
  FixedClock clock;
  std::filesystem::path resPath;
  std::unique_ptr<Form1> form;
  std::unique_ptr<QAbstractItemModelTester> tester;

  explicit Editor(const tessaly::test::Bytes& bytes) {
    resPath = dir.Write("Meteor.res", bytes);
    std::filesystem::create_directories(programFolder());
    form = StartEditor(prompts, resPath, environment());
    // Every change the window makes to List1's model is checked as it happens.
    if (form != nullptr) {
      tester = std::make_unique<QAbstractItemModelTester>(
          list()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
  }
  explicit Editor(const QStringList& names) : Editor(ResWithNames(names)) {}

  [[nodiscard]] std::filesystem::path programFolder() const { return dir.path() / "program"; }
  [[nodiscard]] std::filesystem::path userFolder() const { return dir.path() / "user"; }
  [[nodiscard]] SaveEnvironment environment() {
    return SaveEnvironment{files, clock, programFolder(), userFolder()};
  }

  template <class T = QWidget>
  [[nodiscard]] T* find(const QString& name) const {
    return form->findChild<T*>(name);
  }
  // A member of a control array (模式, 帮助) by its index.
  template <class T = QWidget>
  [[nodiscard]] T* find(const QString& name, int index) const {
    for (T* w : form->findChildren<T*>(name)) {
      if (w->property(kIndexProperty).toInt() == index) return w;
    }
    return nullptr;
  }

  [[nodiscard]] QListView* list() const { return find<QListView>(QStringLiteral("List1")); }
  [[nodiscard]] int count() const { return list()->model()->rowCount(); }
  [[nodiscard]] QModelIndex index(int row) const { return list()->model()->index(row, 0); }
  // Selects a row as the keyboard would, without a click.
  void setCurrentRow(int row) const {
    list()->selectionModel()->setCurrentIndex(index(row), QItemSelectionModel::ClearAndSelect);
  }
  [[nodiscard]] QLineEdit* text(int k) const {
    return find<QLineEdit>(QStringLiteral("Text%1").arg(k));
  }
  [[nodiscard]] QCheckBox* check7() const { return find<QCheckBox>(QStringLiteral("Check7")); }
  [[nodiscard]] QCheckBox* mode(int k) const { return find<QCheckBox>(QStringLiteral("模式"), k); }

  void click(const QString& buttonName) const {
    QPushButton* button = find<QPushButton>(buttonName);
    QVERIFY2(button != nullptr, qPrintable(buttonName));
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // Presses a button even while it is disabled, as a stray event might.
  void forceClick(const QString& buttonName) const {
    QPushButton* button = find<QPushButton>(buttonName);
    QVERIFY2(button != nullptr, qPrintable(buttonName));
    Q_EMIT button->clicked();
  }
  void selectRow(int row) const {
    QListView* l = list();
    const QModelIndex item = index(row);
    QVERIFY(item.isValid());
    l->scrollTo(item);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualRect(item).center());
  }
  [[nodiscard]] QStringList items() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out.append(index(i).data().toString());
    return out;
  }
  [[nodiscard]] int selectedRow() const {
    const auto rows = list()->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.front().row();
  }
  // Sets a check box by a click near its left edge, where the box is drawn.
  static void setChecked(QCheckBox* box, bool checked) {
    if (box->isChecked() != checked) {
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
  }
  static void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }
  // Types text that keys cannot give, such as Chinese, as an input method would.
  static void commitText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(edit, &event);
  }
  static void replaceByInputMethod(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    commitText(edit, text);
  }
};

// The display items of a file as a fresh load sees them.
inline QStringList ItemsOnDisk(const std::filesystem::path& path) {
  auto doc = LoadDocument(path);
  if (!doc) return {QStringLiteral("<load failed>")};
  QStringList out;
  for (std::size_t row = 0; row < doc->table.DisplayCount(); ++row) {
    out.append(QString::fromStdString(doc->table.DisplayItemAt(row)));
  }
  return out;
}

}  // namespace tessaly::ui::test
