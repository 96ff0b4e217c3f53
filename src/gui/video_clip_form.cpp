#include "gui/video_clip_form.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/text.h"
#include "gui/mark_track_bar.h"
#include "gui/media_player_view.h"
#include "gui/named_widget.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"
#include "playback/media_player.h"

namespace fc::gui {
namespace {

// How often the position display follows the player.
constexpr int kPositionMs = 200;
// The waits before a section plays: from the list (after the seek settles) and from the button.
constexpr int kRowSectionMs = 500;
constexpr int kButtonSectionMs = 100;
constexpr int kDeleteColumn = 4;

QPushButton* Button(const char* name, const QString& caption, QStyle::StandardPixmap icon, QWidget* parent) {
  auto* b = Named<QPushButton>(name, caption, parent);
  if (icon != QStyle::SP_CustomBase) b->setIcon(parent->style()->standardIcon(icon));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TVideoClipForm::TVideoClipForm(const TFormContext& context, const TMediaBaseTask& base, int selected_clip,
                               QWidget* parent, TAudioOutput* sound)
    : QDialog(parent), context_(context), model_(base, selected_clip) {
  setObjectName("VideoClipForm");
  setWindowTitle("VideoClip");

  view_ = Named<TMediaPlayerView>("playWindow", this);
  view_->setMinimumSize(400, 240);
  view_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  track_ = Named<TMarkTrackBar>("vtbPlayer", this);
  track_->SetMarksVisible(true);
  track_->SetLength(model_.Duration());

  play_ = Button("btnplay", "Play", QStyle::SP_MediaPlay, this);
  auto* stop = Button("btnstop", "Stop", QStyle::SP_MediaStop, this);
  auto* section = Button("btnPlaySect", "Play Section", QStyle::SP_MediaSeekForward, this);
  auto* previous = Button("btnLastFrame", "", QStyle::SP_MediaSkipBackward, this);
  auto* next = Button("btnNextFrame", "", QStyle::SP_MediaSkipForward, this);
  previous->setToolTip("Previous Frame");
  next->setToolTip("Next Frame");
  clip_start_ = Button("btnClipStart", "Set Start", QStyle::SP_CustomBase, this);
  clip_end_ = Button("btnClipEnd", "Set End", QStyle::SP_CustomBase, this);
  auto* new_clip = Button("btnNewClip", "New Clip", QStyle::SP_FileDialogNewFolder, this);
  time_ = Named<QPushButton>("btnProgInfo", "00:00:00/00:00:00", this);
  time_->setFlat(true);
  time_->setFocusPolicy(Qt::NoFocus);
  time_->setAutoDefault(false);

  auto* controls = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{play_, stop, section, previous, next}) controls->addWidget(w);
  controls->addSpacing(12);
  for (QWidget* w : std::initializer_list<QWidget*>{clip_start_, clip_end_, new_clip}) controls->addWidget(w);
  controls->addStretch();
  controls->addWidget(time_);

  list_ = Named<QTreeWidget>("lvClipList", this);
  list_->setColumnCount(5);
  list_->setHeaderLabels({"Title", "StartTime", "EndTime", "Length", ""});
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumHeight(130);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int c = 1; c <= 3; ++c) list_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(kDeleteColumn, QHeaderView::Fixed);
  list_->header()->resizeSection(kDeleteColumn, 16 + 8);
  time_editor_ = Named<QLineEdit>("meDisplayClipTime", list_->viewport());
  time_editor_->setInputMask("99:99:99");
  time_editor_->hide();

  auto* ok = Named<QPushButton>("btnOk", "Ok", this);
  auto* cancel = Named<QPushButton>("btnCancel", "Cancel", this);
  ok->setDefault(false);
  ok->setAutoDefault(false);
  cancel->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 3);
  layout->addWidget(track_);
  layout->addLayout(controls);
  layout->addWidget(list_, 2);
  layout->addLayout(RightAlignedRow({ok, cancel}));
  resize(720, 640);

  connect(play_, &QPushButton::clicked, this, &TVideoClipForm::PlayOrPause);
  connect(stop, &QPushButton::clicked, this, &TVideoClipForm::StopPlaying);
  connect(section, &QPushButton::clicked, this, [this] { QTimer::singleShot(kButtonSectionMs, this, &TVideoClipForm::PlaySection); });
  connect(next, &QPushButton::clicked, this, &TVideoClipForm::NextFrame);
  connect(previous, &QPushButton::clicked, this, &TVideoClipForm::PreviousFrame);
  connect(clip_start_, &QPushButton::clicked, this, &TVideoClipForm::SetClipStart);
  connect(clip_end_, &QPushButton::clicked, this, &TVideoClipForm::SetClipEnd);
  connect(new_clip, &QPushButton::clicked, this, &TVideoClipForm::NewClip);
  connect(ok, &QPushButton::clicked, this, &TVideoClipForm::accept);
  connect(cancel, &QPushButton::clicked, this, &TVideoClipForm::reject);
  connect(list_, &QTreeWidget::itemClicked, this, &TVideoClipForm::CellClicked);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) { RowDoubleClicked(item); });
  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    const int row = item ? list_->indexOfTopLevelItem(item) : -1;
    if (!filling_ && row != model_.Selected()) {
      CommitTimeEdit();
      model_.Select(row);
      ShowSelection();
    }
  });
  connect(time_editor_, &QLineEdit::editingFinished, this, &TVideoClipForm::CommitTimeEdit);
  connect(track_, &TMarkTrackBar::MarkReleased, this, [this](TMarkTrackBar::TMark mark, double seconds) {
    if (mark == TMarkTrackBar::TMark::Start ? model_.SetStart(seconds) : model_.SetEnd(seconds))
      MarksChanged(mark == TMarkTrackBar::TMark::Start ? model_.Start() : model_.End());
    else
      ShowSelection();  // the mark goes back where the rules keep it
  });
  connect(track_, &TMarkTrackBar::PositionPressed, this, [this](double) {
    if (Playing()) player_->Pause();
  });
  connect(track_, &TMarkTrackBar::PositionDragged, this, &TVideoClipForm::SeekTo);
  connect(track_, &TMarkTrackBar::PositionReleased, this, &TVideoClipForm::SeekTo);

  // The player shows the source's own picture over the task's range.
  player_ = std::make_unique<TMediaPlayer>(nullptr, sound);
  view_->SetPlayer(player_.get());
  view_->SetViewMode(0);
  try {
    player_->AttachTask(model_.Working(), TPictureMode::Source);
    range_base_ = player_->RangeStart();
  } catch (const std::exception&) {
    // A source that cannot be opened leaves the player without one: the list still works.
  }
  const bool marks = model_.MarksEnabled();
  track_->setEnabled(marks);
  clip_start_->setEnabled(marks);
  clip_end_->setEnabled(marks);

  TranslateForm(this);
  FillList();
  SelectRow(model_.Selected());
  SeekTo(model_.Start());
  if (model_.Selected() >= 0) EditTimeCell(model_.Selected(), TClipColumn::Start);
  timer_ = new QTimer(this);
  timer_->setInterval(kPositionMs);
  connect(timer_, &QTimer::timeout, this, &TVideoClipForm::ShowPosition);
  timer_->start();
  ShowPosition();
}

TVideoClipForm::~TVideoClipForm() {
  // Hiding the window moves the focus: the editor must not commit into a model that is gone.
  edit_row_ = -1;
  time_editor_->blockSignals(true);
  list_->blockSignals(true);
  // The view lets go of the player before the player (and the task copy it plays) goes.
  view_->SetPlayer(nullptr);
  player_.reset();
}

bool TVideoClipForm::Playing() const { return player_ && player_->State() == TPlayerState::Playing; }

double TVideoClipForm::PlayerPosition() const {
  if (!player_) return 0;
  return player_->RangeStart() - range_base_ + player_->PlayedTime();
}

// --- the list ---------------------------------------------------------------------------------

void TVideoClipForm::FillList() {
  // Rebuilding the rows moves the list's current item: the selection stays the model's.
  filling_ = true;
  list_->clear();
  for (size_t i = 0; i < model_.Count(); ++i) {
    auto* item = new QTreeWidgetItem(list_);
    item->setIcon(kDeleteColumn, style()->standardIcon(QStyle::SP_DialogDiscardButton));
    ShowRow(static_cast<int>(i));
  }
  list_->headerItem()->setText(0, ToQString(MessageText(model_.TitleCaption())));
  filling_ = false;
}

void TVideoClipForm::ShowRow(int row) {
  QTreeWidgetItem* item = list_->topLevelItem(row);
  if (!item) return;
  const TClipRow r = model_.Row(static_cast<size_t>(row));
  item->setText(0, ToQString(r.Title));
  item->setText(1, ToQString(r.Start));
  item->setText(2, ToQString(r.End));
  item->setText(3, ToQString(r.Length));
  item->setIcon(0, QIcon(r.HasVideo ? ":/icons/clip.svg" : ":/icons/no_video.svg"));
}

void TVideoClipForm::SelectRow(int row) {
  QTreeWidgetItem* item = row >= 0 ? list_->topLevelItem(row) : nullptr;
  if (item) {
    list_->setCurrentItem(item);
    item->setSelected(true);
  }
  ShowSelection();
}

void TVideoClipForm::ShowSelection() {
  track_->SetMarks(model_.Start(), model_.End());
}

void TVideoClipForm::CellClicked(QTreeWidgetItem* item, int column) {
  const int row = list_->indexOfTopLevelItem(item);
  if (row < 0) return;
  if (column == kDeleteColumn) {
    // Deleted after the click has been handled: the item goes with the row.
    QTimer::singleShot(0, this, [this, row] { DeleteRow(row); });
  } else if (column == 1 || column == 2) {
    EditTimeCell(row, static_cast<TClipColumn>(column));
  }
}

void TVideoClipForm::RowDoubleClicked(QTreeWidgetItem* item) {
  const int row = list_->indexOfTopLevelItem(item);
  if (row < 0) return;
  model_.Select(row);
  ShowSelection();
  SeekTo(model_.Start());
  QTimer::singleShot(kRowSectionMs, this, &TVideoClipForm::PlaySection);
}

void TVideoClipForm::EditTimeCell(int row, TClipColumn column) {
  QTreeWidgetItem* item = list_->topLevelItem(row);
  if (!item || (column != TClipColumn::Start && column != TClipColumn::End)) return;
  CommitTimeEdit();
  if (row != model_.Selected()) SelectRow(row);
  edit_row_ = row;
  edit_column_ = column;
  const int c = static_cast<int>(column);
  edit_before_ = item->text(c);
  const QRect cell = list_->visualItemRect(item);
  const int x = list_->header()->sectionViewportPosition(c);
  time_editor_->setGeometry(x, cell.top(), list_->header()->sectionSize(c), cell.height());
  time_editor_->setText(edit_before_);
  time_editor_->show();
  time_editor_->raise();
  time_editor_->setFocus();
  time_editor_->selectAll();
}

void TVideoClipForm::CommitTimeEdit() {
  if (edit_row_ < 0) return;
  const int row = edit_row_;
  edit_row_ = -1;
  const std::string text = ToStdString(time_editor_->text());
  time_editor_->hide();
  if (row != model_.Selected()) return;
  const TTimeEditResult r = model_.EditTime(edit_column_, text);
  if (r.Message) context_.Prompts.ShowMessage(this, ToQString(MessageText(*r.Message)));
  if (r.Changed) MarksChanged(edit_column_ == TClipColumn::Start ? model_.Start() : model_.End());
  else ShowRow(row);  // back to the stored time
}

void TVideoClipForm::DeleteRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= model_.Count()) return;
  CommitTimeEdit();
  edit_row_ = -1;
  time_editor_->hide();
  model_.DeleteClip(static_cast<size_t>(row));
  FillList();
  SelectRow(model_.Selected());
  if (model_.Selected() >= 0) EditTimeCell(model_.Selected(), TClipColumn::Start);
}

// --- the marks ----------------------------------------------------------------------------------

void TVideoClipForm::MarksChanged(double moved_to) {
  ShowRow(model_.Selected());
  ShowSelection();
  if (!Playing()) SeekTo(moved_to);
  ShowPosition();
}

void TVideoClipForm::SetClipStart() {
  if (model_.SetStart(PlayerPosition())) MarksChanged(model_.Start());
  else ShowSelection();
}

void TVideoClipForm::SetClipEnd() {
  if (model_.SetEnd(PlayerPosition())) MarksChanged(model_.End());
  else ShowSelection();
}

void TVideoClipForm::NewClip() {
  CommitTimeEdit();
  const size_t row = model_.NewClip();
  FillList();
  SelectRow(static_cast<int>(row));
  EditTimeCell(static_cast<int>(row), TClipColumn::Start);
}

// --- the player ---------------------------------------------------------------------------------

void TVideoClipForm::UseWholeRange() {
  if (!section_ || !player_) return;
  section_ = false;
  player_->SetPlayRange(range_base_, model_.Duration());
}

void TVideoClipForm::SeekTo(double seconds) {
  if (!player_ || player_->State() == TPlayerState::NoSource) return;
  const double at = std::clamp(seconds, 0.0, model_.Duration());
  UseWholeRange();
  player_->Seek(at);
  track_->SetPosition(at);
}

void TVideoClipForm::PlayOrPause() {
  if (!player_) return;
  switch (player_->State()) {
    case TPlayerState::Playing:
      player_->Pause();
      break;
    case TPlayerState::Paused:
      player_->Resume();
      break;
    case TPlayerState::NoSource:
      return;
    default: {
      const double at = PlayerPosition();
      UseWholeRange();
      player_->Seek(at);
      player_->Play();
    }
  }
  ShowPosition();
}

void TVideoClipForm::StopPlaying() {
  if (player_) player_->Stop();
  ShowPosition();
}

void TVideoClipForm::PlaySection() {
  if (!player_ || player_->State() == TPlayerState::NoSource || model_.Selected() < 0) return;
  section_ = true;
  player_->SetPlayRange(range_base_ + model_.Start(), model_.End() - model_.Start());
  player_->Play();
  ShowPosition();
}

void TVideoClipForm::NextFrame() {
  if (player_) player_->StepForward();
}

void TVideoClipForm::PreviousFrame() {
  if (player_) player_->StepBack();
}

void TVideoClipForm::ShowPosition() {
  const double position = PlayerPosition();
  track_->SetPosition(position);
  const QString text = ToQString(TimeText(position) + "/" + TimeText(model_.Duration()));
  if (time_->text() != text) time_->setText(text);
  const bool playing = Playing();
  play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

// --- closing ------------------------------------------------------------------------------------

void TVideoClipForm::accept() {
  CommitTimeEdit();
  model_.MarkSaved();
  QDialog::accept();
}

void TVideoClipForm::reject() {
  if (model_.Unsaved()) {
    switch (context_.Prompts.AskYesNoCancel(this, ToQString(MessageText({"INF_SaveClipTaskInfo", {}})))) {
      case TAnswer::Yes:
        accept();
        return;
      case TAnswer::No:
        break;
      case TAnswer::Cancel:
        return;  // the dialog stays
    }
  }
  QDialog::reject();
}

void TVideoClipForm::done(int result) {
  if (timer_) timer_->stop();
  if (player_) player_->Stop();
  QDialog::done(result);
}

// ---------------------------------------------------------------------------------------------

TCommandResult RunVideoClipDialog(const TFormContext& context, TJobListModel& list, TJobItem& item, QWidget* parent,
                                  TAudioOutput* sound) {
  // A clip opens its base task's clips with itself selected.
  TJobItem* base_item = &item;
  int selected = 0;
  if (item.Task() && item.Task()->Kind() == TMediaTaskKind::Clip && item.Parent()) {
    base_item = item.Parent();
    auto* clip = static_cast<TMediaClipTask*>(item.Task());
    if (auto* base = dynamic_cast<TMediaBaseTask*>(base_item->Task())) selected = base->Clips().IndexOfClipId(clip->ClipId);
  }
  auto* base = dynamic_cast<TMediaBaseTask*>(base_item->Task());
  if (!base) return {};
  TVideoClipForm form(context, *base, std::max(selected, 0), parent, sound);
  if (form.exec() != QDialog::Accepted) return {};
  return list.TakeClips(*base_item, form.Model().Working(), form.Model().Selected());
}

}  // namespace fc::gui
