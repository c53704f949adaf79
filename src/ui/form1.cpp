#include "form1.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>
#include <variant>

#include "backups_dialog.hpp"
#include "chinese_look.hpp"
#include "form2.hpp"
#include "map_list_model.hpp"
#include "map_list_view.hpp"
#include "resfile/text_path.hpp"
#include "table/messages.hpp"
#include "text_fields.hpp"
#include "twips.hpp"
#include "utf8.hpp"

// The icon lives in a resource of this static library; naming its initialiser
// here keeps the linker from dropping it.
static void InitTessalyResources() { Q_INIT_RESOURCE(tessaly); }

namespace tessaly::ui {
namespace {

// A push button whose caption wraps inside the button, so "添加" stands as two
// lines in a button one character wide.
class WrappingButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect().adjusted(1, 1, -1, -1), Qt::AlignCenter | Qt::TextWrapAnywhere, text());
  }
};

template <class T>
T* Named(T* widget, const QString& name, const QRect& geometry) {
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption,
                    const QRect& geometry) {
  auto* button = Named(new QPushButton(caption, parent), name, geometry);
  button->setFocusPolicy(Qt::StrongFocus);
  button->setAutoDefault(true);  // Enter presses the focused button, as Space does
  return button;
}

QLabel* Caption(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
  return Named(new QLabel(text, parent), name, geometry);
}

const char* const kHelpTexts[] = {
    "地图的名称，支持中文、字母、数字、符号，地图名称不要太长，不然在游戏中显示不全！",
    "地图的模型、贴图指向！如“SNXX”文件夹、“SNXX.PAK”等！范围为1 - 65535！",
    "音乐指向！如“SXX.MP3”！范围为1 - 255！",
    "单机任务的排序！需要在“模式”中选择“剧情”！范围为0 - 255！",
};

// What assistive tools call the four fields (name, model, music, story order)
// and, after them, their help marks. The story order is not "剧情", which is a
// mode box.
const char* const kFieldNames[] = {"名称", "模型", "音乐", "剧情排列"};

}  // namespace

QString HelpText(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kHelpTexts))) return {};
  return QString::fromUtf8(kHelpTexts[index]);
}

QPoint PlaceInside(const QRect& available, const QSize& size) {
  const auto place = [](int start, int room, int length) {
    return length > room ? start : start + (room - length) / 2;
  };
  return {place(available.left(), available.width(), size.width()),
          place(available.top(), available.height(), size.height())};
}

Form1::Form1(Document doc, Prompts& prompts, SaveEnvironment saveEnv, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      doc_(std::move(doc)),
      prompts_(prompts),
      saveEnv_(std::move(saveEnv)) {
  InitTessalyResources();
  setObjectName(QStringLiteral("Form1"));
  // "[*]" is where the platform puts its mark while the window is modified.
  setWindowTitle(QString::fromUtf8(kAppTitle) + QStringLiteral("[*]"));
  setWindowIcon(QIcon(QStringLiteral(":/icons/tessaly.png")));
  setFixedSize(kClientWidth, kClientHeight);

  BuildControls();
  SetTabOrder();
  AddKeys();
  UpdateButtons();

  buttonTimer_ = new QTimer(this);
  buttonTimer_->setObjectName(QStringLiteral("Timer1"));
  buttonTimer_->setInterval(kTimerInterval);
  connect(buttonTimer_, &QTimer::timeout, this, &Form1::UpdateButtons);
  buttonTimer_->start();

  // The keyboard starts in the map list, with nothing selected.
  mapList_->setFocus(Qt::OtherFocusReason);
  if (const QScreen* screen = this->screen()) {
    move(PlaceInside(screen->availableGeometry(), size()));
  }
}

Form1::~Form1() {
  // Qt deletes child widgets only after the members, so the list's model
  // would outlive the table it watches: both go first.
  delete mapList_;
  delete listModel_;
}

void Form1::BuildControls() {
  aboutButton_ = Button(this, QStringLiteral("Command3"), QStringLiteral("关于"),
                        Twips(4500, 5640, 1695, 495));
  exitButton_ = Button(this, QStringLiteral("Command2"), QStringLiteral("退出"),
                       Twips(7680, 5640, 1815, 495));
  saveButton_ = Button(this, QStringLiteral("Command1"), QStringLiteral("保存"),
                       Twips(1080, 5640, 1695, 495));
  saveButton_->setToolTip(
      QStringLiteral("保存（Ctrl+S）：先备份原文件，再写入。按 Ctrl+H 查看和比较备份。"));

  addButton_ = Named(new WrappingButton(QStringLiteral("添加"), this), QStringLiteral("添加"),
                     Twips(3120, 2760, 360, 720));
  deleteButton_ = Named(new WrappingButton(QStringLiteral("删除"), this), QStringLiteral("删除"),
                        Twips(3120, 1800, 360, 720));
  for (QPushButton* narrow : {addButton_, deleteButton_}) {
    narrow->setFont(NarrowButtonFont());
    narrow->setFocusPolicy(Qt::StrongFocus);
    narrow->setAutoDefault(true);
  }
  moveDownButton_ =
      Button(this, QStringLiteral("下移"), QStringLiteral("▼"), Twips(3120, 3720, 360, 360));
  moveUpButton_ =
      Button(this, QStringLiteral("上移"), QStringLiteral("▲"), Twips(3120, 1200, 360, 360));

  propertiesFrame_ = Named(new QGroupBox(QStringLiteral("属性"), this), QStringLiteral("Frame1"),
                           Twips(3600, 240, 6975, 5055));
  // The mode frame lies over the lower part of the properties frame.
  modesFrame_ = Named(new QGroupBox(QStringLiteral("模式"), this), QStringLiteral("Frame2"),
                      Twips(4440, 3120, 5295, 1335));
  modesFrame_->raise();
  // Captions sit on the frame's top line, as in a classic frame, so the frame
  // starts where its place says rather than below a caption row.
  for (QGroupBox* frame : {propertiesFrame_, modesFrame_}) {
    frame->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 8px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 8px; padding: 0 2px; }"));
  }
  const int modeLefts[] = {600, 1680, 2760, 3840};
  for (int k = 0; k < 6; ++k) {
    const int left = modeLefts[k % 4];
    const int top = k < 4 ? 240 : 720;
    auto* box = Named(
        new QCheckBox(QString::fromUtf8(kModeNames[static_cast<std::size_t>(k)]), modesFrame_),
        QStringLiteral("模式"), Twips(left, top, 1215, 495));
    box->setProperty(kIndexProperty, k);
    modeBoxes_[static_cast<std::size_t>(k)] = box;
  }

  writeButton_ = Button(propertiesFrame_, QStringLiteral("写入"), QStringLiteral("写入"),
                        Twips(2520, 4440, 1215, 375));
  resetButton_ = Button(propertiesFrame_, QStringLiteral("重置"), QStringLiteral("重置"),
                        Twips(840, 4440, 1215, 375));
  storyEdit_ =
      Named(new QLineEdit(propertiesFrame_), QStringLiteral("Text4"), Twips(840, 1880, 1455, 320));
  modelEdit_ =
      Named(new QLineEdit(propertiesFrame_), QStringLiteral("Text2"), Twips(840, 920, 1455, 320));
  musicEdit_ =
      Named(new QLineEdit(propertiesFrame_), QStringLiteral("Text3"), Twips(840, 1400, 1455, 320));
  nameEdit_ =
      Named(new QLineEdit(propertiesFrame_), QStringLiteral("Text1"), Twips(840, 440, 3855, 320));
  MakeNumberField(modelEdit_, kModelLimit);
  MakeNumberField(musicEdit_, kMusicLimit);
  MakeNumberField(storyEdit_, kStoryLimit);
  for (QLineEdit* edit : {nameEdit_, modelEdit_, musicEdit_, storyEdit_}) KeepUndoKeysInField(edit);
  listFlagBox_ = Named(new QCheckBox(QStringLiteral("在列表中显示地图"), propertiesFrame_),
                       QStringLiteral("Check7"), Twips(840, 2400, 2535, 375));

  const int helpTops[] = {480, 960, 1440, 1920};
  for (int k = 0; k < 4; ++k) {
    auto* mark = Named(new QLabel(QStringLiteral("?"), propertiesFrame_), QStringLiteral("帮助"),
                       Twips(k == 0 ? 4800 : 2400, helpTops[k], 255, 255));
    mark->setProperty(kIndexProperty, k);
    mark->setAlignment(Qt::AlignCenter);
    mark->setCursor(Qt::WhatsThisCursor);
    mark->installEventFilter(this);
    helpMarks_[static_cast<std::size_t>(k)] = mark;
  }
  QLabel* storyCaption = Caption(propertiesFrame_, QStringLiteral("Label4"),
                                 QStringLiteral("剧情："), Twips(240, 1920, 975, 255));
  QLabel* musicCaption = Caption(propertiesFrame_, QStringLiteral("Label3"),
                                 QStringLiteral("音乐："), Twips(240, 1440, 975, 255));
  QLabel* modelCaption = Caption(propertiesFrame_, QStringLiteral("Label2"),
                                 QStringLiteral("模型："), Twips(240, 960, 975, 255));
  QLabel* nameCaption = Caption(propertiesFrame_, QStringLiteral("Label1"),
                                QStringLiteral("名称："), Twips(240, 480, 975, 255));

  listModel_ = new MapListModel(doc_.table, this);
  mapList_ = Named(new MapListView(this), QStringLiteral("List1"), Twips(120, 360, 2895, 4920));
  mapList_->setModel(listModel_);

  Caption(this, QStringLiteral("Label5"),
          QStringLiteral("Tessaly 地图表编辑器 · Tessaly 项目制作 · 保留所有权利"),
          Twips(120, 6360, 7695, 255));
  NameControls({nameCaption, modelCaption, musicCaption, storyCaption});

  connect(mapList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &Form1::ShowSelected);
  // Timer1 keeps 写入 and 重置 in step with the selection; following each
  // change at once as well means a click right after selecting is not lost.
  connect(mapList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &Form1::UpdateButtons);
  connect(resetButton_, &QPushButton::clicked, this, &Form1::ResetClicked);
  connect(writeButton_, &QPushButton::clicked, this, &Form1::WriteClicked);
  connect(addButton_, &QPushButton::clicked, this, &Form1::AddClicked);
  connect(deleteButton_, &QPushButton::clicked, this, &Form1::DeleteClicked);
  connect(moveUpButton_, &QPushButton::clicked, this, &Form1::MoveUpClicked);
  connect(moveDownButton_, &QPushButton::clicked, this, &Form1::MoveDownClicked);
  connect(saveButton_, &QPushButton::clicked, this, &Form1::SaveClicked);
  connect(exitButton_, &QPushButton::clicked, this, &QWidget::close);
  connect(aboutButton_, &QPushButton::clicked, this, &Form1::AboutClicked);
}

void Form1::NameControls(const std::array<QLabel*, 4>& captions) {
  const std::array<QLineEdit*, 4> fields{nameEdit_, modelEdit_, musicEdit_, storyEdit_};
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const QString name = QString::fromUtf8(kFieldNames[k]);
    const QString help = HelpText(static_cast<int>(k));
    captions[k]->setBuddy(fields[k]);
    fields[k]->setAccessibleName(name);
    fields[k]->setAccessibleDescription(help);
    helpMarks_[k]->setAccessibleName(name + QStringLiteral("的帮助"));
    helpMarks_[k]->setAccessibleDescription(help);
    // F1 in the field shows what its "?" shows.
    auto* action = new QAction(fields[k]);
    action->setShortcuts(QKeySequence::keyBindings(QKeySequence::HelpContents));
    action->setShortcutContext(Qt::WidgetShortcut);
    fields[k]->addAction(action);
    connect(action, &QAction::triggered, this, [this, help] { prompts_.Information(help, this); });
  }
  mapList_->setAccessibleName(QStringLiteral("地图列表"));
  // ▲ and ▼ would be read as their glyphs; 添加 and 删除 are drawn by hand.
  moveUpButton_->setAccessibleName(QStringLiteral("上移"));
  moveDownButton_->setAccessibleName(QStringLiteral("下移"));
  addButton_->setAccessibleName(QStringLiteral("添加"));
  deleteButton_->setAccessibleName(QStringLiteral("删除"));
}

void Form1::SetTabOrder() {
  // Labels and frames take no focus; the Tab key visits the rest in this order.
  QWidget* const order[] = {
      mapList_,      moveUpButton_, moveDownButton_, deleteButton_, nameEdit_,     listFlagBox_,
      musicEdit_,    modelEdit_,    modeBoxes_[0],   modeBoxes_[1], modeBoxes_[2], modeBoxes_[3],
      modeBoxes_[4], modeBoxes_[5], resetButton_,    storyEdit_,    writeButton_,  addButton_,
      saveButton_,   exitButton_,   aboutButton_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void Form1::AddKeys() {
  const auto key = [this](QWidget* owner, QList<QKeySequence> keys, Qt::ShortcutContext context,
                          void (Form1::*slot)()) {
    auto* action = new QAction(owner);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    owner->addAction(action);
    connect(action, &QAction::triggered, this, slot);
  };
  key(this, QKeySequence::keyBindings(QKeySequence::Save), Qt::WindowShortcut, &Form1::SaveClicked);
  key(mapList_, QKeySequence::keyBindings(QKeySequence::Delete), Qt::WidgetWithChildrenShortcut,
      &Form1::DeleteClicked);
  key(this, {QKeySequence(Qt::ALT | Qt::Key_Up)}, Qt::WindowShortcut, &Form1::MoveUpClicked);
  key(this, {QKeySequence(Qt::ALT | Qt::Key_Down)}, Qt::WindowShortcut, &Form1::MoveDownClicked);
  // Text fields keep these keys for their own typing (KeepUndoKeysInField).
  QList<QKeySequence> undo = QKeySequence::keyBindings(QKeySequence::Undo);
  if (!undo.contains(QKeySequence::fromString(QStringLiteral("Ctrl+Z")))) {
    undo.append(QKeySequence(Qt::CTRL | Qt::Key_Z));
  }
  QList<QKeySequence> redo = QKeySequence::keyBindings(QKeySequence::Redo);
  for (const QKeySequence& extra :
       {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
    if (!redo.contains(extra)) redo.append(extra);
  }
  key(this, undo, Qt::WindowShortcut, &Form1::UndoPressed);
  key(this, redo, Qt::WindowShortcut, &Form1::RedoPressed);
  key(this, {QKeySequence(Qt::CTRL | Qt::Key_H)}, Qt::WindowShortcut, &Form1::BackupsPressed);
}

std::optional<std::size_t> Form1::SelectedRow() const {
  const QModelIndexList selected = mapList_->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(selected.front().row());
}

void Form1::SelectRow(std::optional<std::size_t> row) {
  QItemSelectionModel* selection = mapList_->selectionModel();
  if (!row) {
    selection->clearSelection();
    return;
  }
  const QModelIndex index = listModel_->index(static_cast<int>(*row));
  selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  mapList_->scrollTo(index);
  ShowSelected();
}

EditArea Form1::ReadArea() const {
  EditArea area;
  area.mapIdText = diTuId_;
  area.name = nameEdit_->text().toStdString();
  area.model = modelEdit_->text().toStdString();
  area.music = musicEdit_->text().toStdString();
  area.story = storyEdit_->text().toStdString();
  area.listFlag = listFlagBox_->isChecked();
  for (std::size_t k = 0; k < modeBoxes_.size(); ++k) area.modes[k] = modeBoxes_[k]->isChecked();
  return area;
}

void Form1::FillArea(const EditArea& area) {
  nameEdit_->setText(Utf8(area.name));
  modelEdit_->setText(Utf8(area.model));
  musicEdit_->setText(Utf8(area.music));
  storyEdit_->setText(Utf8(area.story));
  listFlagBox_->setChecked(area.listFlag);
  for (std::size_t k = 0; k < modeBoxes_.size(); ++k) modeBoxes_[k]->setChecked(area.modes[k]);
}

void Form1::UpdateButtons() {
  const bool selected = SelectedRow().has_value();
  resetButton_->setEnabled(selected);
  writeButton_->setEnabled(selected);
}

void Form1::ShowSelected() {
  const auto row = SelectedRow();
  if (!row || *row >= doc_.table.DisplayCount()) return;
  const EditArea area = ShowEntry(doc_.table.EntryAtRow(*row));
  diTuId_ = area.mapIdText;
  FillArea(area);
}

void Form1::ResetClicked() {
  if (!SelectedRow()) return;
  if (const auto area = ResetArea(doc_.table, ReadArea())) FillArea(*area);
}

void Form1::WriteClicked() {
  if (!SelectedRow()) return;
  (void)WriteArea();
}

bool Form1::WriteArea() {
  const auto written = history_.Write(ReadArea());
  ShowModified();
  if (!written) prompts_.Information(Utf8(ErrorText(written.error())), this);
  return written.ok();
}

void Form1::AddClicked() {
  const EditArea area = ReadArea();
  const auto added = history_.Add(area, doc_.extraCount, SelectedRow());
  if (!added) {
    prompts_.Information(Utf8(ErrorText(added.error())), this);
    return;
  }
  addedArea_ = area;
  ShowModified();
  // The new map is shown, not selected: the selection stays where it was.
  mapList_->scrollTo(listModel_->index(listModel_->rowCount() - 1));
}

void Form1::DeleteClicked() {
  // The edit area and DiTu_ID keep the removed entry; nothing is selected.
  history_.Delete(SelectedRow());
  ShowModified();
  UpdateButtons();
}

void Form1::MoveUpClicked() {
  // Selecting the moved entry shows it in the edit area.
  if (const auto to = history_.MoveUp(SelectedRow())) SelectRow(*to);
  ShowModified();
}

void Form1::MoveDownClicked() {
  if (const auto to = history_.MoveDown(SelectedRow())) SelectRow(*to);
  ShowModified();
}

void Form1::UndoPressed() { ShowRevision(history_.Undo()); }

void Form1::RedoPressed() { ShowRevision(history_.Redo()); }

void Form1::ShowRevision(const std::optional<Revision>& revision) {
  if (!revision) return;
  SelectRow(revision->selectRow);
  ShowModified();
  UpdateButtons();
}

void Form1::SaveClicked() {
  if (!SettleUnwrittenEdits()) return;
  auto saved = SaveDocument(doc_, saveEnv_);
  const auto changed = [&] {
    const auto* failure = !saved ? std::get_if<SaveFailure>(&saved.error()) : nullptr;
    return failure != nullptr && failure->kind == SaveFailure::Kind::kChanged;
  };
  // Another program changed or replaced the file since it was read: it is
  // overwritten only when the user says so, and the backup keeps its bytes.
  if (changed()) {
    const std::string question =
        "文件“" + ForMessage(PathToUtf8(doc_.resPath.filename())) +
        "”在读取后被其他程序修改或替换。\n仍要保存并覆盖它吗？覆盖前会先备份它现在的内容。";
    if (!prompts_.AskYesNo(Utf8(question), this)) return;
    saved = SaveDocument(doc_, saveEnv_, SaveOptions{.overwriteChanged = true});
  }
  if (!saved) {
    const auto* failure = std::get_if<SaveFailure>(&saved.error());
    const QString text = Utf8(ErrorText(saved.error()));
    if (failure != nullptr && failure->kind == SaveFailure::Kind::kSourceMissing) {
      prompts_.Warning(text, this);
      return;
    }
    // The file was written and backed up; only reading it back failed. Saying
    // so first keeps the user from saving (and backing up) again for nothing.
    if (failure != nullptr && failure->kind == SaveFailure::Kind::kReloadFailed) {
      prompts_.Information(QString::fromUtf8(kSaveDoneMessage), this);
    }
    prompts_.Information(text, this);
    return;
  }
  // The reload numbers the maps anew, so the steps of the history no longer fit.
  history_.Clear();
  ShowModified();
  prompts_.Information(QString::fromUtf8(kSaveDoneMessage), this);
  UpdateButtons();
}

bool Form1::HasUnwrittenEdits() const {
  if (!SelectedRow()) return false;
  // Asking to write what was just added would write it over the selected map.
  const EditArea area = ReadArea();
  return area != addedArea_ && tessaly::HasUnwrittenEdits(doc_.table, area);
}

bool Form1::HasWorkToLose() const { return history_.CanUndo() || HasUnwrittenEdits(); }

bool Form1::SettleUnwrittenEdits() {
  if (!HasUnwrittenEdits()) return true;
  switch (prompts_.AskThreeWay(QString::fromUtf8(kUnwrittenQuestion), QString::fromUtf8(kYesButton),
                               QString::fromUtf8(kNoButton), this)) {
    case Answer::kFirst:
      return WriteArea();
    case Answer::kSecond:
      return true;
    case Answer::kCancel:
      break;
  }
  return false;
}

void Form1::ShowModified() { setWindowModified(history_.CanUndo()); }

void Form1::closeEvent(QCloseEvent* event) {
  if (!HasWorkToLose()) {
    event->accept();
    return;
  }
  const QString name = Utf8(PathToUtf8(doc_.resPath.filename()));
  switch (prompts_.AskThreeWay(QString::fromUtf8(kCloseQuestion).arg(name),
                               QString::fromUtf8(kSaveButton), QString::fromUtf8(kDontSaveButton),
                               this)) {
    case Answer::kFirst:
      // Closes only when the save went through: then nothing is left to lose.
      SaveClicked();
      event->setAccepted(!HasWorkToLose());
      return;
    case Answer::kSecond:
      event->accept();
      return;
    case Answer::kCancel:
      break;
  }
  event->ignore();
}

void Form1::BackupsPressed() {
  // Each backup is read and compared once; hundreds of large ones take seconds.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::vector<BackupState> backups = BackupsOf(doc_, saveEnv_);
  QApplication::restoreOverrideCursor();
  BackupsDialog dialog(std::move(backups), Utf8(PathToUtf8(doc_.resPath.filename())), this);
  // The list no longer holds once a backup is in place: the dialog closes.
  connect(&dialog, &BackupsDialog::RestoreRequested, this, [&](const BackupState& backup) {
    if (RestoreChosen(backup)) dialog.accept();
  });
  dialog.exec();
}

bool Form1::RestoreChosen(const BackupState& backup) {
  const QString question =
      QStringLiteral(
          "用 %1 的备份（%2 个地图）替换“%3”吗？\n当前文件会先备份；窗口中未保存的修改会丢失。")
          .arg(Utf8(BackupTimeText(backup.file)))
          .arg(backup.maps)
          .arg(Utf8(ForMessage(PathToUtf8(doc_.resPath.filename()))));
  if (!prompts_.AskYesNo(question, this)) return false;
  // The backup goes in place of the file by the safe save (the file is backed
  // up first), and the window shows the file as it now is, as after a save.
  if (const auto restored = RestoreBackup(saveEnv_, doc_.resPath, backup.file.path); !restored) {
    prompts_.Information(Utf8(restored.error().message), this);
    return false;
  }
  auto reloaded = LoadDocument(doc_.resPath);
  if (!reloaded) {
    prompts_.Information(QString::fromUtf8(kRestoreDoneMessage), this);
    prompts_.Information(Utf8(reloaded.error().message), this);
    return true;
  }
  SelectRow(std::nullopt);
  doc_ = std::move(reloaded).value();
  history_.Clear();
  ShowModified();
  prompts_.Information(QString::fromUtf8(kRestoreDoneMessage), this);
  UpdateButtons();
  return true;
}

void Form1::AboutClicked() {
  Form2 about(this);
  about.exec();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    for (std::size_t k = 0; k < helpMarks_.size(); ++k) {
      if (watched != helpMarks_[k]) continue;
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        prompts_.Information(HelpText(static_cast<int>(k)), this);
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tessaly::ui
