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
// except in a text field, where they undo and redo typing. Ctrl+H lists the
// backups of the open file (BackupsDialog).

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

// The help texts of the four "?" marks, by index.
[[nodiscard]] QString HelpText(int index);

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
  // 恢复 in the list of backups.
  void RestoreChosen(const tessaly::BackupState& backup);

 private:
  void BuildControls();
  void SetTabOrder();
  void AddKeys();
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
