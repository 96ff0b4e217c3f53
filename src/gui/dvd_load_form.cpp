#include "gui/dvd_load_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/message_format.h"
#include "core/text.h"
#include "gui/mark_track_bar.h"
#include "gui/media_player_view.h"
#include "gui/named_widget.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"

namespace fc::gui {
namespace {

constexpr const char* kTitleTemplate = "Playing: %s";
constexpr const char* kNoTime = "00:00:00/00:00:00";
// A change of the list refreshes the controls once the change has settled.
constexpr int kRefreshMs = 1;
constexpr int kRowRole = Qt::UserRole;

QPushButton* Button(const char* name, const char* hint, QStyle::StandardPixmap icon, QWidget* parent) {
  auto* b = Named<QPushButton>(name, parent);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setToolTip(hint);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TDVDLoadForm::TDVDLoadForm(const TFormContext& context, TDvdLoaderModel& loader, QWidget* parent, TAudioOutput* sound)
    : QDialog(parent), context_(context), loader_(loader), sound_(sound) {
  setObjectName("DVDLoadForm");
  setWindowTitle("DVD Loader");

  list_ = Named<QTreeWidget>("lvFileList", this);
  list_->setColumnCount(2);
  list_->setHeaderLabels({" Source", "Original Length"});
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  list_->setMinimumWidth(330);
  check_all_ = Named<QCheckBox>("CheckAllTaskBox", this);
  check_all_->setText("select all");
  check_all_->setToolTip("select all");
  check_all_->setChecked(true);

  title_ = Named<QLabel>("lblPreviewTitle", kTitleTemplate, this);
  title_template_ = kTitleTemplate;
  title_->setTextFormat(Qt::PlainText);
  screen_ = new QWidget(this);
  screen_->setObjectName("PlayArea");
  screen_->setAutoFillBackground(true);
  QPalette black = screen_->palette();
  black.setColor(QPalette::Window, Qt::black);
  screen_->setPalette(black);
  screen_->setMinimumSize(400, 260);
  view_ = Named<TMediaPlayerView>("PlayPanel", screen_);
  auto* screen_layout = new QVBoxLayout(screen_);
  screen_layout->setContentsMargins(0, 0, 0, 0);
  screen_layout->addWidget(view_);
  view_->hide();
  track_ = Named<TMarkTrackBar>("vtbPlayer", this);
  track_->setEnabled(false);
  time_ = Named<QLabel>("lblProgInfo", kNoTime, this);
  play_ = Button("btnPlay", "Play", QStyle::SP_MediaPlay, this);
  stop_ = Button("btnStop", "Stop", QStyle::SP_MediaStop, this);
  previous_ = Button("btnPrevious", "Previous", QStyle::SP_MediaSkipBackward, this);
  next_ = Button("btnNext", "Next", QStyle::SP_MediaSkipForward, this);
  auto* buttons = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{play_, stop_, previous_, next_}) buttons->addWidget(w);
  buttons->addStretch();
  buttons->addWidget(time_);

  subtitles_ = Named<QComboBox>("cbSubTitle", this);
  audio_tracks_ = Named<QComboBox>("cbAudioTrack", this);
  auto* streams = new QFormLayout;
  streams->addRow(Named<QLabel>("lblSubTitle", "Subtitle:", this), subtitles_);
  streams->addRow(Named<QLabel>("lblAudioTrack", "Audio Track:", this), audio_tracks_);

  auto* left = new QVBoxLayout;
  left->addWidget(check_all_);
  left->addWidget(list_, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(title_);
  right->addWidget(screen_, 1);
  right->addWidget(track_);
  right->addLayout(buttons);
  right->addLayout(streams);
  auto* body = new QHBoxLayout;
  body->addLayout(left, 1);
  body->addLayout(right, 1);

  auto* ok = Named<QPushButton>("btnOK", "&OK", this);
  auto* cancel = Named<QPushButton>("btnCancel", "&Cancel", this);
  ok->setAutoDefault(false);
  cancel->setAutoDefault(false);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(RightAlignedRow({ok, cancel}));
  resize(860, 480);

  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  refresh_timer_->setInterval(kRefreshMs);
  click_timer_ = new QTimer(this);
  click_timer_->setSingleShot(true);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(play_, &QPushButton::clicked, this, &TDVDLoadForm::PlayPause);
  connect(stop_, &QPushButton::clicked, this, &TDVDLoadForm::Stop);
  connect(next_, &QPushButton::clicked, this, &TDVDLoadForm::PlayNext);
  connect(previous_, &QPushButton::clicked, this, &TDVDLoadForm::PlayPrevious);
  connect(check_all_, &QCheckBox::clicked, this, &TDVDLoadForm::CheckAll);
  connect(list_, &QTreeWidget::itemChanged, this, &TDVDLoadForm::ItemChanged);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &TDVDLoadForm::StateChanged);
  connect(list_, &QTreeWidget::itemClicked, this, &TDVDLoadForm::Clicked);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
    double_clicked_ = true;
    Clicked();
  });
  connect(refresh_timer_, &QTimer::timeout, this, [this] { RefreshControls(true); });
  connect(click_timer_, &QTimer::timeout, this, &TDVDLoadForm::ClickTimerExpired);
  connect(subtitles_, &QComboBox::activated, this, [this](int index) { loader_.SelectSubtitle(SelectedRow(), index); });
  connect(audio_tracks_, &QComboBox::activated, this,
          [this](int index) { loader_.SelectAudioTrack(SelectedRow(), index); });
  connect(track_, &TMarkTrackBar::PositionPressed, this, [this](double) {
    if (player_ && player_->State() == TPlayerState::Playing) {
      player_->Pause();
      was_playing_ = true;
    }
  });
  connect(track_, &TMarkTrackBar::PositionDragged, this, [this](double seconds) {
    if (!player_) return;
    player_->Seek(seconds);
    ShowTime(seconds, play_length_);
  });
  connect(track_, &TMarkTrackBar::PositionReleased, this, [this](double seconds) {
    if (!player_) return;
    player_->Seek(seconds);
    if (was_playing_) {
      if (player_->State() == TPlayerState::Paused) player_->Resume();
      else player_->Play();
    }
    was_playing_ = false;
  });

  TranslateForm(this);
  const int first = loader_.PrepareShow();
  FillTree();
  SelectRow(first);
  list_->setFocus();
  RefreshControls(true);
}

TDVDLoadForm::~TDVDLoadForm() {
  // Hiding the window changes the selection and the focus: nothing reacts any more.
  list_->blockSignals(true);
  Stop();
}

// --- the list -----------------------------------------------------------------------------------

void TDVDLoadForm::FillTree() {
  filling_ = true;
  list_->clear();
  std::vector<QTreeWidgetItem*> items;
  for (size_t i = 0; i < loader_.Count(); ++i) {
    const TDvdLoaderRow& row = loader_.Row(i);
    QTreeWidgetItem* item = row.Parent < 0 ? new QTreeWidgetItem(list_)
                                           : new QTreeWidgetItem(items[static_cast<size_t>(row.Parent)]);
    item->setText(0, ToQString(row.Caption));
    item->setData(0, kRowRole, static_cast<int>(i));
    if (row.Task) {
      item->setText(1, ToQString(TimeText(row.Task->Duration())));
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, row.Checked ? Qt::Checked : Qt::Unchecked);
    }
    item->setIcon(0, QIcon(row.Kind == TDvdRowKind::Chapter ? ":/icons/chapter.svg" : ":/icons/dvd.svg"));
    items.push_back(item);
  }
  for (size_t i = 0; i < items.size(); ++i) items[i]->setExpanded(loader_.Row(i).Parent < 0 || loader_.Row(i).Expanded);
  filling_ = false;
}

int TDVDLoadForm::SelectedRow() const {
  const QTreeWidgetItem* item = list_->currentItem();
  return item && item->isSelected() ? item->data(0, kRowRole).toInt() : -1;
}

void TDVDLoadForm::SelectRow(int row) {
  QTreeWidgetItemIterator it(list_);
  for (; *it; ++it)
    if ((*it)->data(0, kRowRole).toInt() == row) {
      list_->setCurrentItem(*it);
      (*it)->setSelected(true);
      list_->scrollToItem(*it);
      return;
    }
}

void TDVDLoadForm::ItemChanged(QTreeWidgetItem* item, int column) {
  if (filling_ || column != 0) return;
  loader_.SetChecked(item->data(0, kRowRole).toInt(), item->checkState(0) == Qt::Checked);
  StateChanged();
}

void TDVDLoadForm::StateChanged() {
  changed_ = true;
  refresh_timer_->start();
}

void TDVDLoadForm::Clicked() { click_timer_->start(QApplication::doubleClickInterval()); }

void TDVDLoadForm::ClickTimerExpired() {
  // A click that changed the selection or a check mark stops the preview; a double click then
  // plays the row it was on.
  if ((changed_ || double_clicked_) && loader_.TaskOf(SelectedRow()) && Previewing()) Stop();
  if (double_clicked_) Play();
  changed_ = false;
  double_clicked_ = false;
}

void TDVDLoadForm::CheckAll(bool checked) {
  loader_.CheckAll(checked);
  filling_ = true;
  QTreeWidgetItemIterator it(list_);
  for (; *it; ++it) {
    const TDvdLoaderRow& row = loader_.Row(static_cast<size_t>((*it)->data(0, kRowRole).toInt()));
    if (row.Task) (*it)->setCheckState(0, row.Checked ? Qt::Checked : Qt::Unchecked);
  }
  filling_ = false;
  StateChanged();
}

void TDVDLoadForm::RefreshControls(bool reload) {
  const int row = SelectedRow();
  const bool previewing = Previewing();
  const TDvdLoaderControls c = loader_.Controls(row, previewing);
  play_->setEnabled(c.Play);
  stop_->setEnabled(c.Stop);
  previous_->setEnabled(c.Previous);
  next_->setEnabled(c.Next);
  if (reload) {
    const TDvdStreamChoices s = loader_.Streams(row, previewing);
    const auto fill = [](QComboBox* box, const std::vector<std::string>& names, int chosen) {
      const QSignalBlocker block(box);
      box->clear();
      for (const std::string& name : names) box->addItem(ToQString(name));
      box->setCurrentIndex(chosen);
    };
    fill(subtitles_, s.Subtitles, s.Subtitle);
    fill(audio_tracks_, s.AudioTracks, s.AudioTrack);
  }
  subtitles_->setEnabled(c.Streams && subtitles_->count() > 0);
  audio_tracks_->setEnabled(c.Streams && audio_tracks_->count() > 0);
  const bool playing = player_ && player_->State() == TPlayerState::Playing;
  play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
  ShowTitle();
}

void TDVDLoadForm::ShowTitle() {
  const TMediaTask* task = loader_.TaskOf(SelectedRow());
  title_->setText(ToQString(FormatWithFallback(ToStdString(title_template_), kTitleTemplate,
                                               {task ? task->Title : std::string()})));
}

void TDVDLoadForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange && title_) {
    // The label holds the language's template now (a formatted title is never one).
    if (title_->text().contains("%s")) title_template_ = title_->text();
    ShowTitle();
  }
  QDialog::changeEvent(event);
}

// --- the preview --------------------------------------------------------------------------------

bool TDVDLoadForm::Previewing() const {
  if (!player_) return false;
  const TPlayerState state = player_->State();
  return state == TPlayerState::Playing || state == TPlayerState::Paused;
}

void TDVDLoadForm::PlayPause() {
  if (player_ && player_->State() == TPlayerState::Playing) {
    player_->Pause();
    was_playing_ = true;
  } else if (player_ && player_->State() == TPlayerState::Paused) {
    player_->Resume();
  } else {
    Play();
  }
  RefreshControls(false);
}

void TDVDLoadForm::Play() { PlayRow(SelectedRow()); }

void TDVDLoadForm::PlayRow(int row) {
  TMediaBaseTask* task = loader_.TaskOf(row);
  if (!task) return;
  previewed_ = task;
  if (!player_) {
    player_ = std::make_unique<TMediaPlayer>(nullptr, sound_);
    // The player reports on its own threads: the window takes the reports on its own. The
    // player is freed (its threads joined) before the window goes, and a report of a player
    // freed since is dropped.
    const TMediaPlayer* reporter = player_.get();
    player_->OnStateChange = [this, reporter](TPlayerState state) {
      QMetaObject::invokeMethod(
          this, [this, reporter, state] { if (player_.get() == reporter) PlayerState(state); }, Qt::QueuedConnection);
    };
    player_->OnProgress = [this, reporter](double played, double total) {
      QMetaObject::invokeMethod(
          this, [this, reporter, played, total] { if (player_.get() == reporter) PlayerProgress(played, total); },
          Qt::QueuedConnection);
    };
  }
  view_->SetViewMode(0);
  view_->SetPlayer(player_.get());
  player_->Stop();
  player_->Detach();
  try {
    player_->AttachTask(*task, TPictureMode::Source);
  } catch (const std::exception&) {
    // The player stays without a source: nothing plays.
  }
  view_->SetResizeMode(1);
  play_length_ = player_->MovieLength();
  track_->SetLength(play_length_);
  ShowTitle();
  player_->Play();
  view_->show();
  RefreshControls(false);
}

void TDVDLoadForm::Stop() {
  if (player_) {
    view_->SetPlayer(nullptr);
    player_->Stop();
    player_->Detach();
    previewed_ = nullptr;
    player_.reset();
  }
  track_->SetPosition(0);
  track_->setEnabled(false);
  was_playing_ = false;
  time_->setText(kNoTime);
  if (!view_->FullScreen()) view_->hide();
  RefreshControls(false);
}

void TDVDLoadForm::PlayNext() {
  if (loader_.Count() == 0) return;
  if (Previewing()) Stop();
  const int from = SelectedRow();
  const int next = loader_.NextRowWithTask(from, +1);
  if (next < 0) return;
  list_->clearSelection();
  SelectRow(next);
  Play();
}

void TDVDLoadForm::PlayPrevious() {
  if (loader_.Count() == 0) return;
  if (Previewing()) Stop();
  const int from = SelectedRow();
  const int previous = loader_.NextRowWithTask(from, -1);
  if (previous < 0) return;
  list_->clearSelection();
  SelectRow(previous);
  Play();
}

void TDVDLoadForm::PlayerState(TPlayerState state) {
  const bool playing = state == TPlayerState::Playing;
  if (playing) {
    track_->setEnabled(true);
    view_->show();
  } else if (state == TPlayerState::Stopped) {
    track_->setEnabled(false);
    was_playing_ = false;
    track_->SetPosition(0);
    if (!view_->FullScreen()) view_->hide();
  }
  RefreshControls(false);
}

void TDVDLoadForm::PlayerProgress(double played, double total) {
  if (total == 0 || track_->Dragging()) return;
  track_->SetPosition(played);
  ShowTime(played, total);
}

void TDVDLoadForm::ShowTime(double position, double total) {
  time_->setText(ToQString(TimeText(position) + "/" + TimeText(total)));
}

void TDVDLoadForm::done(int result) {
  Stop();
  view_->ShowCropArea(false);
  if (result != QDialog::Accepted) loader_.DeleteAll();
  QDialog::done(result);
}

// ---------------------------------------------------------------------------------------------

TCommandResult RunDvdLoader(const TFormContext& context, TJobListModel& list, TAddResult added, QWidget* parent,
                            TAudioOutput* sound) {
  for (const TMessage& message : added.Messages) context.Prompts.ShowMessage(parent, ToQString(MessageText(message)));
  TCommandResult result;
  result.Changed = added.Changed;
  result.Select = added.Select;
  if (!added.DvdLoader || !added.DvdLoader->HasTitles()) return result;
  TDVDLoadForm form(context, *added.DvdLoader, parent, sound);
  if (form.exec() == QDialog::Accepted) {
    const TCommandResult taken = list.TakeDvdChoices(*added.DvdLoader);
    result.Changed = result.Changed || taken.Changed;
    if (!result.Select) result.Select = taken.Select;
  }
  return result;  // what the loader still holds goes with it
}

}  // namespace fc::gui
