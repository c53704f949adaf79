#include "form1.hpp"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>
#include <cmath>

#include "digit_validator.hpp"
#include "form2.hpp"
#include "look.hpp"
#include "table/messages.hpp"

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

const char* const kModeCaptions[] = {"剧情", "死斗", "暗杀", "护城", "劫镖", "盟主"};

}  // namespace

QString HelpText(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kHelpTexts))) return {};
  return QString::fromUtf8(kHelpTexts[index]);
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
  setWindowTitle(QString::fromUtf8(kAppTitle));
  setWindowIcon(QIcon(QStringLiteral(":/icons/tessaly.png")));
  setFixedSize(kClientWidth, kClientHeight);

  BuildControls();
  SetTabOrder();
  FillList();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(kTimerInterval);
  connect(timer1_, &QTimer::timeout, this, &Form1::UpdateButtons);
  timer1_->start();

  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  command3_ = Button(this, QStringLiteral("Command3"), QStringLiteral("关于"),
                     Twips(4500, 5640, 1695, 495));
  command2_ = Button(this, QStringLiteral("Command2"), QStringLiteral("退出"),
                     Twips(7680, 5640, 1815, 495));
  command1_ = Button(this, QStringLiteral("Command1"), QStringLiteral("保存"),
                     Twips(1080, 5640, 1695, 495));

  add_ = Named(new WrappingButton(QStringLiteral("添加"), this), QStringLiteral("添加"),
               Twips(3120, 2760, 360, 720));
  delete_ = Named(new WrappingButton(QStringLiteral("删除"), this), QStringLiteral("删除"),
                  Twips(3120, 1800, 360, 720));
  for (QPushButton* narrow : {add_, delete_}) {
    narrow->setFont(NarrowButtonFont());
    narrow->setFocusPolicy(Qt::StrongFocus);
    narrow->setAutoDefault(true);
  }
  moveDown_ =
      Button(this, QStringLiteral("下移"), QStringLiteral("▼"), Twips(3120, 3720, 360, 360));
  moveUp_ = Button(this, QStringLiteral("上移"), QStringLiteral("▲"), Twips(3120, 1200, 360, 360));

  frame1_ = Named(new QGroupBox(QStringLiteral("属性"), this), QStringLiteral("Frame1"),
                  Twips(3600, 240, 6975, 5055));
  // The mode frame lies over the lower part of the properties frame.
  frame2_ = Named(new QGroupBox(QStringLiteral("模式"), this), QStringLiteral("Frame2"),
                  Twips(4440, 3120, 5295, 1335));
  frame2_->raise();
  // Captions sit on the frame's top line, as in a classic frame, so the frame
  // starts where its place says rather than below a caption row.
  for (QGroupBox* frame : {frame1_, frame2_}) {
    frame->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 8px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 8px; padding: 0 2px; }"));
  }
  const int modeLefts[] = {600, 1680, 2760, 3840};
  for (int k = 0; k < 6; ++k) {
    const int left = modeLefts[k % 4];
    const int top = k < 4 ? 240 : 720;
    auto* box = Named(new QCheckBox(QString::fromUtf8(kModeCaptions[k]), frame2_),
                      QStringLiteral("模式"), Twips(left, top, 1215, 495));
    box->setProperty(kIndexProperty, k);
    modes_[static_cast<std::size_t>(k)] = box;
  }

  write_ =
      Button(frame1_, QStringLiteral("写入"), QStringLiteral("写入"), Twips(2520, 4440, 1215, 375));
  reset_ =
      Button(frame1_, QStringLiteral("重置"), QStringLiteral("重置"), Twips(840, 4440, 1215, 375));
  text4_ = Named(new QLineEdit(frame1_), QStringLiteral("Text4"), Twips(840, 1880, 1455, 320));
  text2_ = Named(new QLineEdit(frame1_), QStringLiteral("Text2"), Twips(840, 920, 1455, 320));
  text3_ = Named(new QLineEdit(frame1_), QStringLiteral("Text3"), Twips(840, 1400, 1455, 320));
  text1_ = Named(new QLineEdit(frame1_), QStringLiteral("Text1"), Twips(840, 440, 3855, 320));
  text2_->setValidator(new DigitLimitValidator(kModelLimit, text2_));
  text3_->setValidator(new DigitLimitValidator(kMusicLimit, text3_));
  text4_->setValidator(new DigitLimitValidator(kStoryLimit, text4_));
  check7_ = Named(new QCheckBox(QStringLiteral("在列表中显示地图"), frame1_),
                  QStringLiteral("Check7"), Twips(840, 2400, 2535, 375));

  const int helpTops[] = {480, 960, 1440, 1920};
  for (int k = 0; k < 4; ++k) {
    auto* mark = Named(new QLabel(QStringLiteral("?"), frame1_), QStringLiteral("帮助"),
                       Twips(k == 0 ? 4800 : 2400, helpTops[k], 255, 255));
    mark->setProperty(kIndexProperty, k);
    mark->setAlignment(Qt::AlignCenter);
    mark->setCursor(Qt::WhatsThisCursor);
    mark->installEventFilter(this);
    helpMarks_[static_cast<std::size_t>(k)] = mark;
  }
  Caption(frame1_, QStringLiteral("Label4"), QStringLiteral("剧情："), Twips(240, 1920, 975, 255));
  Caption(frame1_, QStringLiteral("Label3"), QStringLiteral("音乐："), Twips(240, 1440, 975, 255));
  Caption(frame1_, QStringLiteral("Label2"), QStringLiteral("模型："), Twips(240, 960, 975, 255));
  Caption(frame1_, QStringLiteral("Label1"), QStringLiteral("名称："), Twips(240, 480, 975, 255));

  list1_ = Named(new QListWidget(this), QStringLiteral("List1"), Twips(120, 360, 2895, 4920));
  list1_->setSelectionMode(QAbstractItemView::SingleSelection);
  list1_->setUniformItemSizes(true);

  Caption(this, QStringLiteral("Label5"),
          QStringLiteral("Tessaly 地图表编辑器 · Tessaly 项目制作 · 保留所有权利"),
          Twips(120, 6360, 7695, 255));

  connect(list1_, &QListWidget::itemSelectionChanged, this, &Form1::ShowSelected);
  // Timer1 keeps 写入 and 重置 in step with the selection; following each
  // change at once as well means a click right after selecting is not lost.
  connect(list1_, &QListWidget::itemSelectionChanged, this, &Form1::UpdateButtons);
  connect(reset_, &QPushButton::clicked, this, &Form1::ResetClicked);
  connect(write_, &QPushButton::clicked, this, &Form1::WriteClicked);
  connect(add_, &QPushButton::clicked, this, &Form1::AddClicked);
  connect(delete_, &QPushButton::clicked, this, &Form1::DeleteClicked);
  connect(moveUp_, &QPushButton::clicked, this, &Form1::MoveUpClicked);
  connect(moveDown_, &QPushButton::clicked, this, &Form1::MoveDownClicked);
  connect(command1_, &QPushButton::clicked, this, &Form1::SaveClicked);
  connect(command2_, &QPushButton::clicked, this, &QWidget::close);
  connect(command3_, &QPushButton::clicked, this, &Form1::AboutClicked);
}

void Form1::SetTabOrder() {
  // Labels and frames take no focus; the Tab key visits the rest in this order.
  QWidget* const order[] = {list1_,    moveUp_,   moveDown_, delete_,   text1_,    check7_,
                            text3_,    text2_,    modes_[0], modes_[1], modes_[2], modes_[3],
                            modes_[4], modes_[5], reset_,    text4_,    write_,    add_,
                            command1_, command2_, command3_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void Form1::FillList() {
  fillingList_ = true;
  list1_->clear();
  QStringList items;
  items.reserve(static_cast<qsizetype>(doc_.table.DisplayCount()));
  for (std::size_t row = 0; row < doc_.table.DisplayCount(); ++row) {
    items.append(Utf8(doc_.table.DisplayItemAt(row)));
  }
  list1_->addItems(items);
  list1_->setCurrentRow(-1);
  list1_->clearSelection();
  fillingList_ = false;
  UpdateButtons();
}

std::optional<std::size_t> Form1::SelectedRow() const {
  const QModelIndexList selected = list1_->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(selected.front().row());
}

EditArea Form1::ReadArea() const {
  EditArea area;
  area.mapIdText = diTuId_;
  area.name = text1_->text().toStdString();
  area.model = text2_->text().toStdString();
  area.music = text3_->text().toStdString();
  area.story = text4_->text().toStdString();
  area.listFlag = check7_->isChecked();
  for (std::size_t k = 0; k < modes_.size(); ++k) area.modes[k] = modes_[k]->isChecked();
  return area;
}

void Form1::FillArea(const EditArea& area) {
  text1_->setText(Utf8(area.name));
  text2_->setText(Utf8(area.model));
  text3_->setText(Utf8(area.music));
  text4_->setText(Utf8(area.story));
  check7_->setChecked(area.listFlag);
  for (std::size_t k = 0; k < modes_.size(); ++k) modes_[k]->setChecked(area.modes[k]);
}

void Form1::UpdateButtons() {
  const bool selected = SelectedRow().has_value();
  reset_->setEnabled(selected);
  write_->setEnabled(selected);
}

void Form1::ShowSelected() {
  if (fillingList_) return;
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
  const auto written = WriteEntry(doc_.table, ReadArea());
  if (!written) {
    prompts_.Information(Utf8(ErrorText(written.error())), this);
    return;
  }
  if (const auto id = ParseMapId(diTuId_)) RefreshRowOfId(*id);
}

void Form1::RefreshRowOfId(std::uint32_t mapId) {
  const auto row = doc_.table.RowOfId(mapId);
  if (!row) return;
  list1_->item(static_cast<int>(*row))->setText(Utf8(doc_.table.DisplayItemAt(*row)));
}

void Form1::AddClicked() {
  const auto added = AddEntry(doc_.table, ReadArea(), doc_.extraCount);
  if (!added) {
    prompts_.Information(Utf8(ErrorText(added.error())), this);
    return;
  }
  list1_->addItem(Utf8(doc_.table.DisplayItemAt(doc_.table.DisplayCount() - 1)));
}

void Form1::DeleteClicked() {
  const auto row = SelectedRow();
  if (!DeleteRow(doc_.table, row)) return;
  // The edit area and DiTu_ID keep the removed entry; nothing is selected.
  fillingList_ = true;
  delete list1_->takeItem(static_cast<int>(*row));
  list1_->setCurrentRow(-1);
  list1_->clearSelection();
  fillingList_ = false;
  UpdateButtons();
}

void Form1::MoveUpClicked() {
  const auto row = SelectedRow();
  ApplyMove(row, MoveUp(doc_.table, row));
}

void Form1::MoveDownClicked() {
  const auto row = SelectedRow();
  ApplyMove(row, MoveDown(doc_.table, row));
}

void Form1::ApplyMove(std::optional<std::size_t> from, std::optional<std::size_t> to) {
  if (!from || !to) return;
  for (const std::size_t row : {*from, *to}) {
    list1_->item(static_cast<int>(row))->setText(Utf8(doc_.table.DisplayItemAt(row)));
  }
  // Selecting the moved entry shows it in the edit area.
  list1_->setCurrentRow(static_cast<int>(*to));
}

void Form1::SaveClicked() {
  const auto saved = SaveDocument(doc_, saveEnv_);
  if (!saved) {
    if (const auto* invalid = std::get_if<TableError>(&saved.error())) {
      prompts_.Information(Utf8(ErrorText(*invalid)), this);
      return;
    }
    const SaveFailure& failure = std::get<SaveFailure>(saved.error());
    if (failure.kind == SaveFailure::Kind::kSourceMissing) {
      prompts_.Warning(Utf8(failure.message), this);
    } else {
      prompts_.Information(Utf8(failure.message), this);
    }
    return;
  }
  prompts_.Information(QString::fromUtf8(kSaveDoneMessage), this);
  FillList();
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
