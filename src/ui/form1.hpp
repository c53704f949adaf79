#pragma once

// The main window: the map list, the edit area of one map, the mode boxes and
// the command buttons. It owns the open document for the whole run.
//
// Every control carries its own name as objectName: List1, Text1 to Text4,
// Check7, Frame1, Frame2, Label1 to Label5, 写入, 重置, 添加, 删除, 上移, 下移,
// Command1 (保存), Command2 (退出), Command3 (关于) and the timer Timer1. The two
// control arrays share one objectName per array, "模式" (six check boxes) and
// "帮助" (four "?" labels); each member holds its index 0, 1, … in the dynamic
// property kIndexProperty. List2 and DiTu_ID are state, not widgets: the
// document's map table and diTuId().
//
// Keys: Ctrl+S saves; Delete in the list deletes; Alt+Up and Alt+Down move;
// Ctrl+Z undoes a change of the table and Ctrl+Y or Ctrl+Shift+Z redoes it,
// except in a text field, where they undo and redo typing; F1 in a text field
// shows its help text, as its "?" does. Ctrl+H lists the backups of the open
// file (BackupsDialog), from which one can be restored.
//
// Nothing is lost without a word: the title carries the window-modified mark
// while the table has changes not saved; closing then, or while the edit area
// holds edits not written, asks whether to save; saving with edits not
// written asks whether to write them first.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <array>
#include <optional>
#include <string>

#include "prompts.hpp"
#include "resfile/save.hpp"
#include "table/backup_list.hpp"
#include "table/document.hpp"
#include "table/edit.hpp"
#include "table/history.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;

namespace tessaly::ui {

class MapListModel;

inline constexpr char kIndexProperty[] = "index";
inline constexpr int kClientWidth = 715;    // 10725 twips
inline constexpr int kClientHeight = 441;   // 6615 twips
inline constexpr int kTimerInterval = 300;  // ms
inline constexpr char kSaveDoneMessage[] = "修改成功！";
inline constexpr char kRestoreDoneMessage[] = "恢复成功！";
// The close question; %1 is the open file's name.
inline constexpr char kCloseQuestion[] = "是否保存对“%1”的修改？";
inline constexpr char kUnwrittenQuestion[] = "编辑区的修改还没有写入。先写入再保存吗？";

// The help texts of the four "?" marks, by index.
[[nodiscard]] QString HelpText(int index);

// Where a window of `size` goes in a screen's `available` area: centred, and
// at the area's left (top) edge when it is narrower (lower) than the window.
[[nodiscard]] QPoint PlaceInside(const QRect& available, const QSize& size);

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // `prompts` must outlive the window; `saveEnv` decides where backups go and
  // which file system saving uses.
  Form1(Document doc, Prompts& prompts, SaveEnvironment saveEnv, QWidget* parent = nullptr);
  ~Form1() override;

  [[nodiscard]] const Document& document() const { return doc_; }
  // DiTu_ID: the map id of the entry in the edit area, as text.
  [[nodiscard]] QString diTuId() const { return QString::fromStdString(diTuId_); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // 退出, the close box and Alt+F4: asks first when something would be lost.
  void closeEvent(QCloseEvent* event) override;

 private Q_SLOTS:
  void UpdateButtons();  // tick of Timer1
  void ShowSelected();   // selection of List1 changed
  void ResetClicked();
  void WriteClicked();
  void AddClicked();
  void DeleteClicked();
  void MoveUpClicked();
  void MoveDownClicked();
  void SaveClicked();
  void AboutClicked();
  void UndoPressed();
  void RedoPressed();
  void BackupsPressed();

 private:
  // 恢复 in the list of backups: after a question, puts the backup in place of
  // the file (the file is backed up first) and shows the file as it now is.
  // True when the backup is in place.
  bool RestoreChosen(const tessaly::BackupState& backup);
  void BuildControls();
  void NameControls(const std::array<QLabel*, 4>& captions);
  void SetTabOrder();
  void AddKeys();
  // Writes the edit area into the table; a refusal is shown. True when written.
  bool WriteArea();
  // A row is selected and the edit area differs from its stored values and
  // from the map it last added.
  [[nodiscard]] bool HasUnwrittenEdits() const;
  // The table has changes not saved, or the edit area edits not written.
  [[nodiscard]] bool HasWorkToLose() const;
  // Before a save with edits not written: asks whether to write them first.
  // False when the save is not to go on (取消, or a refused Write).
  bool SettleUnwrittenEdits();
  // The title's modified mark follows the table's changes since the last save.
  void ShowModified();
  [[nodiscard]] std::optional<std::size_t> SelectedRow() const;
  // Selects `row` and shows its map in the edit area, even when it was
  // selected already; with no row, clears the selection and leaves the edit
  // area as it is.
  void SelectRow(std::optional<std::size_t> row);
  void ShowRevision(const std::optional<Revision>& revision);
  [[nodiscard]] EditArea ReadArea() const;
  void FillArea(const EditArea& area);

  Document doc_;
  EditHistory history_{doc_.table};
  Prompts& prompts_;
  SaveEnvironment saveEnv_;
  std::string diTuId_;  // DiTu_ID
  // The edit area as 添加 last took it: those edits are in the table.
  std::optional<EditArea> addedArea_;

  MapListModel* listModel_ = nullptr;
  QListView* mapList_ = nullptr;
  QLineEdit* nameEdit_ = nullptr;
  QLineEdit* modelEdit_ = nullptr;
  QLineEdit* musicEdit_ = nullptr;
  QLineEdit* storyEdit_ = nullptr;
  QCheckBox* listFlagBox_ = nullptr;
  std::array<QCheckBox*, 6> modeBoxes_{};
  std::array<QLabel*, 4> helpMarks_{};
  QPushButton* writeButton_ = nullptr;
  QPushButton* resetButton_ = nullptr;
  QPushButton* addButton_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  QPushButton* moveUpButton_ = nullptr;
  QPushButton* moveDownButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* exitButton_ = nullptr;
  QPushButton* aboutButton_ = nullptr;
  QGroupBox* propertiesFrame_ = nullptr;
  QGroupBox* modesFrame_ = nullptr;
  QTimer* buttonTimer_ = nullptr;
};

}  // namespace tessaly::ui
