#include "gui/main_window.h"

#include <QAction>
#include <QAbstractItemDelegate>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QActionGroup>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/application.h"
#include "core/config.h"
#include "core/config_keys.h"
#include "core/error.h"
#include "core/language.h"
#include "core/message_format.h"
#include "core/paths.h"
#include "core/text.h"
#include "playback/media_player.h"
#include "core/version.h"
#include "gui/media_player_view.h"
#include "gui/model/track_scale.h"
#include "gui/model/desktop_actions.h"
#include "gui/model/preview_model.h"
#include "gui/model/job_texts.h"
#include "gui/customize_form.h"
#include "gui/options_form.h"
#include "gui/profile_pane.h"
#include "gui/progress_form.h"
#include "gui/dvd_load_form.h"
#include "gui/video_clip_form.h"
#include "gui/video_edit_form.h"
#include "gui/qt_audio_output.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"

// The icons are compiled into the static library: its resources are registered by hand.
static void InitIcons() { Q_INIT_RESOURCE(icons); }

namespace fc::gui {
namespace {

constexpr const char* kMainFormSection = "MainForm";
constexpr int32_t kDefaultProfileId = 101;  // FLV 320x240
constexpr const char* kProductPage = "https://flarecast.example/";
constexpr const char* kSupportPage = "https://flarecast.example/support";
constexpr int kItemRole = Qt::UserRole + 1;

template <typename T, typename... Args>
T* Named(const char* name, Args&&... args) {
  // Qt widgets are owned by their parent widget, which frees them; the parent is given here
  // or by the layout the widget is added to.
  auto* w = new T(std::forward<Args>(args)...);
  w->setObjectName(name);
  return w;
}

QToolButton* ActionButton(const char* name, QAction* action) {
  auto* button = Named<QToolButton>(name);
  button->setDefaultAction(action);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  return button;
}

QString JobIconFile(TJobIcon icon) {
  switch (icon) {
    case TJobIcon::DvdTitle: return ":/icons/dvd.svg";
    case TJobIcon::DvdChapter: return ":/icons/chapter.svg";
    case TJobIcon::Clip: return ":/icons/clip.svg";
    case TJobIcon::Slide: return ":/icons/slide.svg";
    case TJobIcon::SlideMember: return ":/icons/slide_member.svg";
    case TJobIcon::Merge: return ":/icons/merge.svg";
    case TJobIcon::NoVideo: return ":/icons/no_video.svg";
    case TJobIcon::BaseTask: break;
  }
  return ":/icons/video.svg";
}

// The stem of an output file name: what the rename editor shows.
QString OutputStem(const std::string& file_name) {
  return ToQString(std::filesystem::path(file_name).stem().string());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TMainForm::TMainForm(const TFormContext& context, QWidget* parent)
    : QMainWindow(parent),
      config_(context.Config),
      program_folder_(context.ProgramFolder),
      prompts_(context.Prompts),
      desktop_(context.Desktop) {
  ::InitIcons();
  setObjectName("MainForm");
  setWindowTitle(ToQString(config_.ReadString(keys::kSystem, keys::kFullName, kProductName)));
  setAcceptDrops(true);
  dialog_questions_ = std::make_unique<TDialogProgressQuestions>(this);
  questions_ = dialog_questions_.get();

  catalogue_.LoadCatalogue(context.ProgramFolder, TLanguageMgr::Instance().Current());
  list_.Catalogue = &catalogue_;
  fallback_profile_.Id = kDefaultProfileId;
  fallback_profile_.Name = "FLV";

  BuildActions();
  BuildMenus();

  audio_ = std::make_unique<TQtAudioOutput>();
  player_ = std::make_unique<TMediaPlayer>(nullptr, audio_.get());
  // The player reports on its own threads: the window handles it on its thread, and a report
  // still queued when the window goes is dropped with it.
  player_->OnStateChange = [this](fc::TPlayerState) {
    QMetaObject::invokeMethod(this, [this] { PlayerStateChanged(); }, Qt::QueuedConnection);
  };
  player_->OnProgress = [this](double, double) {
    QMetaObject::invokeMethod(this, [this] { ShowPosition(); }, Qt::QueuedConnection);
  };

  profile_pane_ = new TProfilePane(catalogue_, config_);
  connect(profile_pane_, &TProfilePane::ProfileChosen, this, &TMainForm::ProfileChosen);

  left_splitter_ = Named<QSplitter>("splLeft", Qt::Vertical);
  left_splitter_->addWidget(BuildListArea());
  left_splitter_->addWidget(BuildPreviewArea());
  left_splitter_->setStretchFactor(0, 3);
  left_splitter_->setStretchFactor(1, 2);
  main_splitter_ = Named<QSplitter>("splMain", Qt::Horizontal);
  main_splitter_->addWidget(left_splitter_);
  main_splitter_->addWidget(profile_pane_);
  main_splitter_->setStretchFactor(0, 3);
  main_splitter_->setStretchFactor(1, 1);

  auto* top = new QHBoxLayout;
  auto* add_video = ActionButton("btnAddVideo", findChild<QAction*>("actAddFiles"));
  add_video->setText("AddVideo");
  top->addWidget(add_video);
  auto* add_dvd = ActionButton("btnAddDVD", findChild<QAction*>("actLoadDvdFolder"));
  add_dvd->setText("AddDVD...");
  top->addWidget(add_dvd);
  auto* load_menu = Named<QToolButton>("btnloadMenu");
  load_menu->setPopupMode(QToolButton::InstantPopup);
  load_menu->setArrowType(Qt::DownArrow);
  auto* dvd_menu = new QMenu(load_menu);
  for (const char* name : {"actLoadDvdFolder", "actLoadDvdRom", "actLoadIfoFile", "actLoadIsoFile"})
    dvd_menu->addAction(findChild<QAction*>(name));
  load_menu->setMenu(dvd_menu);
  top->addWidget(load_menu);
  top->addWidget(ActionButton("btnCloneTask", findChild<QAction*>("actCustomize")));
  top->addStretch();
  top->addWidget(ActionButton("btnOption", findChild<QAction*>("actOption")));

  auto* central = Named<QWidget>("pnlMain");
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(top);
  layout->addWidget(main_splitter_, 1);
  layout->addWidget(BuildOutputArea());
  setCentralWidget(central);
  BuildContextMenu();

  // Built-in texts are recorded by the first translation, before the lists get their data.
  TranslateForm(this);
  RefreshPreviewTitle();
  LoadOutputBox();
  const bool save_as_default = config_.ReadBool(keys::kOutput, keys::kSaveAsDefault, false);
  int32_t profile_id = save_as_default ? config_.ReadInteger(keys::kOutput, keys::kRecentFormatId, 0) : 0;
  if (!catalogue_.FindProfile(profile_id))
    profile_id = config_.ReadInteger(kMainFormSection, "LastProfile", kDefaultProfileId);
  if (!profile_pane_->SelectProfile(profile_id)) profile_pane_->SelectProfile(kDefaultProfileId);
  LoadWindowState();
  RefreshList();
}

TMainForm::~TMainForm() {
  // The view forgets the player before the player goes, and the player before its sound.
  if (view_) view_->SetPlayer(nullptr);
  player_.reset();
  audio_.reset();
  // The conversion window's model uses the task manager, a member that goes before Qt frees
  // the children: the window goes first, without refreshing a list that is being destroyed.
  if (progress_) {
    disconnect(progress_, nullptr, this, nullptr);
    delete progress_.data();
  }
}

QAction* TMainForm::NewAction(const char* name, const char* caption, void (TMainForm::*slot)()) {
  auto* action = new QAction(caption, this);  // owned by the window
  action->setObjectName(name);
  if (slot) connect(action, &QAction::triggered, this, slot);
  return action;
}

void TMainForm::BuildActions() {
  NewAction("actLoadDvdFolder", "Load DVD Folder", &TMainForm::LoadDvdFolder);
  NewAction("actLoadDvdRom", "Load DVD Rom", &TMainForm::LoadDvdFolder);
  NewAction("actLoadIsoFile", "Load ISO File", &TMainForm::LoadIsoFile);
  NewAction("actLoadIfoFile", "Load IFO File", &TMainForm::LoadIfoFile);
  NewAction("actAddFiles", "AddFiles...", &TMainForm::AddFiles)->setShortcut(QKeySequence("Ctrl+O"));
  NewAction("actAddVideoFolder", "AddVideoFolder", &TMainForm::AddVideoFolder);
  NewAction("actAddDirectShowFiles", "Add DirectShowFiles...", &TMainForm::AddFiles);
  NewAction("actProperty", "Property", &TMainForm::ShowFileInformation);
  connect(NewAction("actExit", "Exit"), &QAction::triggered, this, &QWidget::close);
  NewAction("actRemove", "Remove", &TMainForm::RemoveSelected)->setShortcut(QKeySequence::Delete);
  NewAction("actClearAll", "Clear All", &TMainForm::ClearAll);
  NewAction("actRename", "Rename", &TMainForm::RenameSelected)->setShortcut(QKeySequence("F2"));
  connect(NewAction("actMoveUp", "MoveUp"), &QAction::triggered, this, [this] { MoveSelected(-1); });
  findChild<QAction*>("actMoveUp")->setShortcut(QKeySequence("Ctrl+Up"));
  connect(NewAction("actMoveDown", "MoveDown"), &QAction::triggered, this, [this] { MoveSelected(1); });
  findChild<QAction*>("actMoveDown")->setShortcut(QKeySequence("Ctrl+Down"));
  show_chapters_ = NewAction("actShowChapters", "Show Chapters");
  show_chapters_->setCheckable(true);
  show_chapters_->setChecked(list_.ShowChapters);
  connect(show_chapters_, &QAction::toggled, this, [this](bool on) { list_.ShowChapters = on; });
  // The edit, trim and customize dialogs and the player come with their own windows.
  NewAction("actEffect", "Effect", &TMainForm::EditSelected);
  NewAction("actVideoClip", "VideoClip", &TMainForm::TrimSelected);
  NewAction("actCustomize", "Customize", &TMainForm::CustomizeSelected);
  NewAction("actMerge", "Mege", &TMainForm::MergeSelected);
  NewAction("actSlide", "Slide", &TMainForm::SlideSelected);
  NewAction("actCopyEffect", "CopyEffect", &TMainForm::CopyEffect);
  NewAction("actPasteEffect", "PasteEffect", &TMainForm::PasteEffect);
  NewAction("actCopyWatermark", "CopyWatermark", &TMainForm::CopyWatermark);
  NewAction("actPasteWatermark", "PasteWatermark", &TMainForm::PasteWatermark);
  NewAction("actEffectApplyToAll", "Effect Apply To All", &TMainForm::EffectApplyToAll);
  NewAction("actWatermarkApplyToAll", "Watermark Apply To All", &TMainForm::WatermarkApplyToAll);
  NewAction("actFormatApplyToAll", "Format Apply To All", &TMainForm::FormatApplyToAll);
  NewAction("actFileInformation", "File Information", &TMainForm::ShowFileInformation);
  NewAction("actOption", "Option", &TMainForm::ShowOptions);
  NewAction("actHelpContent", "Help Content", &TMainForm::ShowHelp)->setShortcut(QKeySequence::HelpContents);
  connect(NewAction("actSupport", "Support"), &QAction::triggered, this, [this] { desktop_.OpenUrl(kSupportPage); });
  connect(NewAction("actProducePage", "ProducePage"), &QAction::triggered, this,
          [this] { desktop_.OpenUrl(kProductPage); });
  NewAction("actCheckUpdates", "Check for Updates..")->setVisible(false);  // no updater on this platform
  NewAction("actAbout", "About", &TMainForm::ShowAbout);
  NewAction("actStart", "Start", &TMainForm::Start)->setShortcuts({QKeySequence("Ctrl+Return"), QKeySequence("Ctrl+Enter")});
  for (const char* name : {"actPlay", "actStop", "actNext", "actPrevious", "actSnapshot"}) NewAction(name, name + 3);
  NewAction("actOpenSnap", "Open");
  NewAction("actEditTask", "Edit", &TMainForm::EditSelected);
  NewAction("actTrim", "Trim", &TMainForm::TrimSelected);
  for (QAction* action : findChildren<QAction*>(Qt::FindDirectChildrenOnly))
    action->setShortcutContext(Qt::WindowShortcut);

  // Which state enables which actions: every command's enabled state is written here once.
  const auto bind = [this](bool TCommandStates::*state, const char* name) {
    bindings_.push_back({state, findChild<QAction*>(name)});
  };
  bind(&TCommandStates::Start, "actStart");
  bind(&TCommandStates::Play, "actPlay");
  bind(&TCommandStates::Stop, "actStop");
  bind(&TCommandStates::Next, "actNext");
  bind(&TCommandStates::Previous, "actPrevious");
  bind(&TCommandStates::Snapshot, "actSnapshot");
  bind(&TCommandStates::Edit, "actEffect");
  bind(&TCommandStates::Edit, "actEditTask");
  bind(&TCommandStates::Trim, "actVideoClip");
  bind(&TCommandStates::Trim, "actTrim");
  bind(&TCommandStates::Customize, "actCustomize");
  bind(&TCommandStates::Merge, "actMerge");
  bind(&TCommandStates::Slide, "actSlide");
  bind(&TCommandStates::CopyEffect, "actCopyEffect");
  bind(&TCommandStates::CopyWatermark, "actCopyWatermark");
  bind(&TCommandStates::PasteEffect, "actPasteEffect");
  bind(&TCommandStates::PasteWatermark, "actPasteWatermark");
  bind(&TCommandStates::ApplyToAll, "actEffectApplyToAll");
  bind(&TCommandStates::ApplyToAll, "actWatermarkApplyToAll");
  bind(&TCommandStates::ApplyToAll, "actFormatApplyToAll");
  bind(&TCommandStates::Remove, "actRemove");
  bind(&TCommandStates::ClearAll, "actClearAll");
  bind(&TCommandStates::Rename, "actRename");
  bind(&TCommandStates::MoveUp, "actMoveUp");
  bind(&TCommandStates::MoveDown, "actMoveDown");
  bind(&TCommandStates::FileInformation, "actFileInformation");
  bind(&TCommandStates::FileInformation, "actProperty");
}

void TMainForm::BuildMenus() {
  const auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
    for (const char* name : names) {
      if (name[0] == '-')
        menu->addSeparator();
      else
        menu->addAction(findChild<QAction*>(name));
    }
  };
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  add(file, {"actLoadDvdFolder", "actLoadDvdRom", "actLoadIsoFile", "actLoadIfoFile", "-", "actAddFiles",
             "actAddVideoFolder", "actAddDirectShowFiles", "-", "actProperty", "-", "actExit"});
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("mnuEdit");
  add(edit, {"actRemove", "actClearAll", "actRename", "actMoveUp", "actMoveDown", "-", "actShowChapters", "-",
             "actEffect", "actVideoClip", "actCustomize", "actMerge", "actSlide", "-", "actCopyEffect",
             "actPasteEffect", "actCopyWatermark", "actPasteWatermark", "-", "actEffectApplyToAll",
             "actWatermarkApplyToAll", "actFormatApplyToAll"});
  QMenu* tool = menuBar()->addMenu("&Tool");
  tool->setObjectName("mnuTool");
  add(tool, {"actOption"});
  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("mnuHelp");
  add(help, {"actHelpContent", "actSupport", "actProducePage", "actCheckUpdates", "-", "actAbout"});
}

QWidget* TMainForm::BuildListArea() {
  auto* area = Named<QWidget>("pnlFileList");
  file_list_ = Named<QTreeWidget>("lvFileList", area);
  file_list_->setColumnCount(4);
  file_list_->setHeaderLabels({" Source", "Original Length", "Estimated Size", "Distination File"});
  file_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  file_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);  // F2 renames through the model
  file_list_->setContextMenuPolicy(Qt::CustomContextMenu);
  file_list_->setAcceptDrops(false);  // drops go to the window, which adds them like chosen files
  file_list_->header()->setStretchLastSection(true);
  file_list_->setColumnWidth(0, 220);
  connect(file_list_, &QTreeWidget::itemSelectionChanged, this, &TMainForm::RefreshStates);
  connect(file_list_, &QTreeWidget::itemDoubleClicked, this, [this] { PlaySelected(); });
  connect(file_list_, &QTreeWidget::itemChanged, this, &TMainForm::OnItemChanged);
  // The editor shows the name without its extension: a cancelled edit shows the full name again.
  connect(file_list_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          [this] { QTimer::singleShot(0, this, [this] { RefreshList(); }); });
  connect(file_list_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* w) {
    if (TJobItem* item = ItemOf(w)) item->Expanded = true;
  });
  connect(file_list_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* w) {
    if (TJobItem* item = ItemOf(w)) item->Expanded = false;
  });
  connect(file_list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    FillStreamMenus();
    list_menu_->popup(file_list_->viewport()->mapToGlobal(at));
  });

  check_all_ = Named<QCheckBox>("CheckAllTaskBox", area);
  check_all_->setToolTip("select all");
  check_all_->setChecked(true);
  connect(check_all_, &QCheckBox::clicked, this, &TMainForm::CheckAll);

  getting_started_ = Named<QLabel>("FimgGettingStart", area);
  getting_started_->setAlignment(Qt::AlignCenter);
  getting_started_->setText("Drop video files here, or click AddVideo to begin.");
  getting_started_->setWordWrap(true);
  list_stack_ = new QStackedWidget(area);
  list_stack_->addWidget(getting_started_);
  list_stack_->addWidget(file_list_);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ActionButton("btnEditTask", findChild<QAction*>("actEditTask")));
  buttons->addWidget(ActionButton("btnClipTask", findChild<QAction*>("actTrim")));
  buttons->addWidget(ActionButton("btnMergeTask", findChild<QAction*>("actMerge")));
  buttons->addWidget(ActionButton("btnMultiProfileTask", findChild<QAction*>("actSlide")));
  buttons->addStretch();

  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(check_all_);
  layout->addWidget(list_stack_, 1);
  layout->addLayout(buttons);
  return area;
}

QWidget* TMainForm::BuildPreviewArea() {
  auto* panel = Named<QWidget>("PlayPanel");
  preview_title_ = Named<QLabel>("lblPreviewTitle", "Playing: %s", panel);
  preview_title_->setTextFormat(Qt::PlainText);
  auto* picture = Named<QLabel>("FImgPlayView", panel);
  picture->setAlignment(Qt::AlignCenter);
  picture->setMinimumSize(160, 120);
  picture->setPixmap(QIcon(":/icons/video.svg").pixmap(QSize(96, 96)));
  picture->setStyleSheet("background: black;");
  view_ = Named<TMediaPlayerView>("vwPlayer", panel);
  view_->SetPlayer(player_.get());
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  play_stack_ = Named<QStackedWidget>("pnlPlayView", panel);
  play_stack_->addWidget(picture);
  play_stack_->addWidget(view_);
  connect(view_, &TMediaPlayerView::DoubleClicked, this, [this] { SetPreviewFullScreen(!view_->FullScreen()); });
  connect(view_, &TMediaPlayerView::FullScreenChanged, this, [this](bool on) {
    ctl_panel_->setVisible(on);
    rest_ticks_ = 0;
    last_cursor_ = QCursor::pos();
    if (on)
      rest_timer_->start();
    else
      rest_timer_->stop();
  });
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { preview_menu_->popup(view_->mapToGlobal(at)); });

  const auto position_slider = [this](const char* name, QWidget* parent) {
    auto* slider = Named<QSlider>(name, Qt::Horizontal, parent);
    slider->setRange(0, 1000);
    slider->setEnabled(false);
    // Seeks while it is dragged; the window's own updates are blocked from it.
    connect(slider, &QSlider::valueChanged, this, [this](int value) {
      if (preview_task_) player_->Seek(BarTime(value, 0, 1000, player_->MovieLength()));
    });
    return slider;
  };
  position_ = position_slider("vtbPlayer", panel);
  prog_info_ = Named<QLabel>("lblProgInfo", "00:00:00/00:00:00", panel);

  volume_ = Named<QSlider>("tbVolume", Qt::Horizontal, panel);
  volume_->setRange(0, 200);
  volume_->setValue(100);
  volume_->setMaximumWidth(100);
  connect(volume_, &QSlider::valueChanged, this, &TMainForm::ApplyVolume);
  mute_ = Named<QToolButton>("btnVolume", panel);
  mute_->setCheckable(true);
  mute_->setIcon(QIcon(":/icons/volume.svg"));
  mute_->setToolTip("Mute");
  connect(mute_, &QToolButton::toggled, this, &TMainForm::ApplyVolume);

  connect(findChild<QAction*>("actPlay"), &QAction::triggered, this, &TMainForm::PlayClicked);
  connect(findChild<QAction*>("actStop"), &QAction::triggered, this, &TMainForm::StopPreview);
  connect(findChild<QAction*>("actNext"), &QAction::triggered, this, [this] { PlayNeighbour(1); });
  connect(findChild<QAction*>("actPrevious"), &QAction::triggered, this, [this] { PlayNeighbour(-1); });
  connect(findChild<QAction*>("actSnapshot"), &QAction::triggered, this, [this] { SaveSnapshot(); });
  connect(findChild<QAction*>("actOpenSnap"), &QAction::triggered, this, &TMainForm::OpenSnapshotFolder);
  const auto icon = [this](const char* action, const char* file) {
    findChild<QAction*>(action)->setIcon(QIcon(QString(":/icons/") + file));
  };
  icon("actPlay", "play.svg");
  icon("actStop", "stop.svg");
  icon("actNext", "next.svg");
  icon("actPrevious", "previous.svg");
  icon("actSnapshot", "snapshot.svg");
  icon("actOpenSnap", "folder.svg");

  auto* controls = new QHBoxLayout;
  for (const auto& [button, action] : {std::pair{"btnPlay", "actPlay"}, {"btnStop", "actStop"},
                                       {"btnPrevious", "actPrevious"}, {"btnNext", "actNext"},
                                       {"btnSnapshot", "actSnapshot"}, {"btnOpenSnap", "actOpenSnap"}}) {
    QToolButton* tool = ActionButton(button, findChild<QAction*>(action));
    tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    controls->addWidget(tool);
  }
  controls->addStretch();
  controls->addWidget(mute_);
  controls->addWidget(volume_);
  controls->addSpacing(8);
  controls->addWidget(prog_info_);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(preview_title_);
  layout->addWidget(play_stack_, 1);
  layout->addWidget(position_);
  layout->addLayout(controls);

  ctl_panel_ = BuildControlPanel();
  BuildPreviewMenu();
  rest_timer_ = new QTimer(this);
  rest_timer_->setInterval(100);
  connect(rest_timer_, &QTimer::timeout, this, &TMainForm::WatchMouseRest);
  return panel;
}

QWidget* TMainForm::BuildControlPanel() {
  // Over the picture in full screen; a child of the view, so it goes wherever the view goes.
  auto* ctl = Named<QWidget>("CtlPanel", view_);
  ctl->setAutoFillBackground(true);
  ctl_position_ = Named<QSlider>("vtbCtlPlayer", Qt::Horizontal, ctl);
  ctl_position_->setRange(0, 1000);
  connect(ctl_position_, &QSlider::valueChanged, this, [this](int value) {
    if (preview_task_) player_->Seek(BarTime(value, 0, 1000, player_->MovieLength()));
  });
  ctl_prog_info_ = Named<QLabel>("lblCtlProgInfo", "00:00:00/00:00:00", ctl);
  auto* row = new QHBoxLayout(ctl);
  for (const auto& [button, action] : {std::pair{"btnCtlPlay", "actPlay"}, {"btnCtlStop", "actStop"},
                                       {"btnPlayPrev", "actPrevious"}, {"btnPlayNext", "actNext"}}) {
    QToolButton* tool = ActionButton(button, findChild<QAction*>(action));
    tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    row->addWidget(tool);
  }
  row->addWidget(ctl_position_, 1);
  row->addWidget(ctl_prog_info_);
  auto* exit = Named<QToolButton>("btnExitFullScreen", ctl);
  exit->setText("Exit full screen");
  exit->setIcon(QIcon(":/icons/full_screen.svg"));
  exit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  connect(exit, &QToolButton::clicked, this, [this] { SetPreviewFullScreen(false); });
  row->addWidget(exit);
  ctl->hide();
  return ctl;
}

void TMainForm::BuildPreviewMenu() {
  preview_menu_ = new QMenu(this);
  preview_menu_->setObjectName("pmPlayView");
  NewAction("actFullScreen", "Full screen", nullptr);
  connect(findChild<QAction*>("actFullScreen"), &QAction::triggered, this, [this] { SetPreviewFullScreen(true); });
  NewAction("actExitFullScreen", "Exit full screen", nullptr);
  connect(findChild<QAction*>("actExitFullScreen"), &QAction::triggered, this,
          [this] { SetPreviewFullScreen(false); });
  preview_menu_->addAction(findChild<QAction*>("actFullScreen"));
  preview_menu_->addAction(findChild<QAction*>("actExitFullScreen"));
  QMenu* deinterlace = preview_menu_->addMenu("Deinterlacing");
  deinterlace->setObjectName("mnuDeinterlacing");
  auto* group = new QActionGroup(deinterlace);
  // The tags are the processor's deinterlace modes.
  const char* const kModes[][2] = {{"actDeinterlaceNone", "None"},
                                   {"actDeinterlaceRepeatOdd", "Repeat Odd"},
                                   {"actDeinterlaceRepeatEven", "Repeat Even"},
                                   {"actDeinterlaceOddInterpolate", "Odd Interpolate"},
                                   {"actDeinterlaceEvenInterpolate", "Even Interpolate"}};
  for (int mode = 0; mode < 5; ++mode) {
    QAction* action = NewAction(kModes[mode][0], kModes[mode][1]);
    action->setCheckable(true);
    action->setChecked(mode == 0);
    action->setData(mode);
    group->addAction(action);
    deinterlace->addAction(action);
    connect(action, &QAction::triggered, this, [this, mode] { SetPreviewDeinterlace(mode); });
  }
  connect(preview_menu_, &QMenu::aboutToShow, this, [this] {
    findChild<QAction*>("actFullScreen")->setEnabled(!view_->FullScreen());
    findChild<QAction*>("actExitFullScreen")->setEnabled(view_->FullScreen());
  });
}

QWidget* TMainForm::BuildOutputArea() {
  auto* area = Named<QWidget>("pnlOutput");
  output_dir_ = Named<QComboBox>("cbOutputDir", area);
  output_dir_->setEditable(true);
  output_dir_->setInsertPolicy(QComboBox::NoInsert);
  output_dir_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  connect(output_dir_, &QComboBox::activated, this, &TMainForm::OutputBoxActivated);
  auto* browse = Named<QPushButton>("btnBrowse", "Browse...", area);
  connect(browse, &QPushButton::clicked, this, &TMainForm::BrowseOutputFolder);
  auto* find_target = Named<QPushButton>("btnFindTarget", "Find Target", area);
  connect(find_target, &QPushButton::clicked, this, &TMainForm::FindTarget);
  auto* start = ActionButton("btnStart", findChild<QAction*>("actStart"));
  start->setMinimumHeight(36);
  auto* layout = new QHBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Named<QLabel>("lblOutputDir", "Output folder:", area));
  layout->addWidget(output_dir_, 1);
  layout->addWidget(browse);
  layout->addWidget(find_target);
  layout->addWidget(start);
  return area;
}

void TMainForm::BuildContextMenu() {
  list_menu_ = new QMenu(this);
  list_menu_->setObjectName("pmFileList");
  const auto add = [this](const char* name) { list_menu_->addAction(findChild<QAction*>(name)); };
  for (const char* name : {"actRemove", "actClearAll", "actRename"}) add(name);
  list_menu_->addSeparator();
  for (const char* name : {"actCustomize", "actEditTask", "actTrim", "actMerge", "actSlide"}) add(name);
  list_menu_->addSeparator();
  for (const char* name : {"actCopyEffect", "actPasteEffect", "actCopyWatermark", "actPasteWatermark",
                           "actEffectApplyToAll", "actWatermarkApplyToAll"})
    add(name);
  auto* custom_to_all = NewAction("actApplyCustomToAll", "Apply Custom to All", &TMainForm::FormatApplyToAll);
  bindings_.push_back({&TCommandStates::ApplyToAll, custom_to_all});
  list_menu_->addAction(custom_to_all);
  list_menu_->addSeparator();
  add("actFileInformation");
  subtitle_menu_ = list_menu_->addMenu("SubTitle");
  subtitle_menu_->setObjectName("mnuSubTitle");
  audio_menu_ = list_menu_->addMenu("AudioTrack");
  audio_menu_->setObjectName("mnuAudioTrack");
}

void TMainForm::FillStreamMenus() {
  TJobItem* item = SelectedItem();
  const auto fill = [&](QMenu* menu, bool enabled, const std::vector<std::string>& names, int selected,
                        void (TJobListModel::*select)(TJobItem&, int)) {
    menu->clear();
    menu->setEnabled(enabled && !names.empty());
    for (size_t i = 0; i < names.size(); ++i) {
      QAction* entry = menu->addAction(ToQString(names[i]));
      entry->setCheckable(true);
      entry->setChecked(static_cast<int>(i) == selected);
      connect(entry, &QAction::triggered, this, [this, item, i, select] {
        // The menu outlives a change of the list: the item must still be there.
        const std::vector<TJobItem*> all = list_.AllItems();
        if (std::find(all.begin(), all.end(), item) == all.end()) return;
        (list_.*select)(*item, static_cast<int>(i));
      });
    }
  };
  if (!item) {
    fill(subtitle_menu_, false, {}, -1, &TJobListModel::SelectSubtitle);
    fill(audio_menu_, false, {}, -1, &TJobListModel::SelectAudioTrack);
    return;
  }
  fill(subtitle_menu_, states_.SubTitle, list_.SubtitleNames(*item), list_.SelectedSubtitle(*item),
       &TJobListModel::SelectSubtitle);
  fill(audio_menu_, states_.AudioTrack, list_.AudioTrackNames(*item), list_.SelectedAudioTrack(*item),
       &TJobListModel::SelectAudioTrack);
}

// ---------------------------------------------------------------------------------------------
// The list

TJobItem* TMainForm::ItemOf(const QTreeWidgetItem* widget_item) const {
  return widget_item ? static_cast<TJobItem*>(widget_item->data(0, kItemRole).value<void*>()) : nullptr;
}

std::vector<TJobItem*> TMainForm::Selection() const {
  std::vector<TJobItem*> items;
  // In display order, whatever order the user selected them in.
  for (QTreeWidgetItemIterator it(file_list_, QTreeWidgetItemIterator::Selected); *it; ++it)
    if (TJobItem* item = ItemOf(*it)) items.push_back(item);
  return items;
}

TJobItem* TMainForm::SelectedItem() const {
  const std::vector<TJobItem*> items = Selection();
  return items.empty() ? nullptr : items.front();
}

void TMainForm::SelectItems(const std::vector<TJobItem*>& items) {
  file_list_->clearSelection();
  for (QTreeWidgetItemIterator it(file_list_); *it; ++it) {
    if (std::find(items.begin(), items.end(), ItemOf(*it)) == items.end()) continue;
    (*it)->setSelected(true);
    file_list_->setCurrentItem(*it, 0, QItemSelectionModel::NoUpdate);
  }
}

void TMainForm::FillItem(QTreeWidgetItem* widget_item, const TJobItem& item) {
  widget_item->setData(0, kItemRole, QVariant::fromValue(static_cast<void*>(const_cast<TJobItem*>(&item))));
  widget_item->setText(0, ToQString(list_.Caption(item)));
  widget_item->setIcon(0, QIcon(JobIconFile(list_.Icon(item))));
  widget_item->setText(1, ToQString(list_.ColumnText(item, TJobColumn::Length)));
  widget_item->setText(2, ToQString(list_.ColumnText(item, TJobColumn::EstimatedSize)));
  widget_item->setText(3, ToQString(list_.ColumnText(item, TJobColumn::OutputFile)));
  widget_item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                        (item.Task() ? Qt::ItemIsEditable : Qt::NoItemFlags));
  widget_item->setCheckState(0, item.Checked ? Qt::Checked : Qt::Unchecked);
  for (size_t i = 0; i < item.ChildCount(); ++i) FillItem(new QTreeWidgetItem(widget_item), *item.Child(i));
  widget_item->setExpanded(item.Expanded);
}

void TMainForm::RefreshList(const TJobItem* select) {
  std::vector<TJobItem*> keep = Selection();
  const std::vector<TJobItem*> all = list_.AllItems();
  std::erase_if(keep, [&](TJobItem* item) { return std::find(all.begin(), all.end(), item) == all.end(); });
  {
    filling_ = true;
    const QSignalBlocker block(file_list_);
    file_list_->clear();
    for (size_t i = 0; i < list_.Count(); ++i) FillItem(new QTreeWidgetItem(file_list_), *list_.Item(i));
    filling_ = false;
  }
  if (select)
    SelectItems({const_cast<TJobItem*>(select)});
  else if (!keep.empty())
    SelectItems(keep);
  else if (!list_.Empty())
    SelectItems({list_.Item(0)});
  for (QTreeWidgetItem* w : file_list_->selectedItems()) file_list_->scrollToItem(w);
  list_stack_->setCurrentWidget(list_.Empty() ? static_cast<QWidget*>(getting_started_) : file_list_);
  RefreshStates();
}

void TMainForm::RefreshStates() {
  const fc::TPlayerState player = player_->State();
  states_ = CommandStates(list_, Selection(),
                          TPlayerState{.Playing = player == fc::TPlayerState::Playing,
                                       .Paused = player == fc::TPlayerState::Paused});
  for (const TStateBinding& binding : bindings_) binding.Action->setEnabled(states_.*binding.State);
  // The paste commands appear only after a copy.
  findChild<QAction*>("actPasteEffect")->setVisible(list_.CanPasteEffect());
  findChild<QAction*>("actPasteWatermark")->setVisible(list_.CanPasteWatermark());
}

void TMainForm::OnItemChanged(QTreeWidgetItem* widget_item, int column) {
  TJobItem* item = ItemOf(widget_item);
  if (filling_ || !item) return;
  if (column == 0) {
    item->Checked = widget_item->checkState(0) == Qt::Checked;
  } else if (column == 3) {
    // Renamed once the editor has let go of the item, since the list is rebuilt afterwards.
    const std::string text = ToStdString(widget_item->text(3));
    QTimer::singleShot(0, this, [this, item, text] {
      const std::vector<TJobItem*> all = list_.AllItems();
      if (std::find(all.begin(), all.end(), item) != all.end()) ShowResult(list_.Rename(*item, text));
    });
  }
}

void TMainForm::CheckAll(bool checked) {
  for (TJobItem* item : list_.AllItems()) item->Checked = checked;
  RefreshList();
}

void TMainForm::ShowMessage(const TMessage& message) { prompts_.ShowMessage(this, ToQString(MessageText(message))); }

void TMainForm::ShowResult(const TCommandResult& result) {
  if (result.Changed || result.Select) RefreshList(result.Select);
  for (const TMessage& message : result.Messages) ShowMessage(message);
}

// ---------------------------------------------------------------------------------------------
// Adding

const TProfileItem& TMainForm::CurrentProfile() const {
  if (const TProfileItem* profile = profile_pane_->SelectedProfile()) return *profile;
  if (const TProfileItem* profile = catalogue_.FindProfile(kDefaultProfileId)) return *profile;
  return fallback_profile_;
}

void TMainForm::AddPaths(const std::vector<std::string>& paths, bool dropping) {
  if (paths.empty()) return;
  FinishAdd(list_.AddPaths(paths, CurrentProfile(), TAddOptions{.Dropping = dropping}));
}

QString TMainForm::RecentFolder(const char* key) const {
  return ToQString(config_.ReadString(keys::kOutput, key, ""));
}

void TMainForm::RememberFolder(const char* key, const std::string& path) {
  try {
    config_.WriteString(keys::kOutput, key, path);
  } catch (const Error&) {
    // Only the chooser's start folder is lost.
  }
}

void TMainForm::AddFiles() {
  std::string filters;
  for (const std::string& entry : VideoFileFilters()) filters += (filters.empty() ? "" : "|") + entry;
  const QStringList files = prompts_.ChooseFiles(this, RecentFolder(keys::kRecentVideoFiles),
                                                 ChooserFilter(GetString("VF_VideoFilter", filters)), true);
  if (files.isEmpty()) return;
  RememberFolder(keys::kRecentVideoFiles, std::filesystem::path(ToStdString(files.front())).parent_path().string());
  std::vector<std::string> paths;
  for (const QString& file : files) paths.push_back(ToStdString(file));
  AddPaths(paths, false);
}

std::string TMainForm::ChooseRememberedFolder(const char* caption_key, const char* folder_key) {
  const QString folder =
      prompts_.ChooseFolder(this, ToQString(MessageText({caption_key, {}})), RecentFolder(folder_key));
  if (folder.isEmpty()) return {};
  RememberFolder(folder_key, ToStdString(folder));
  return ToStdString(folder);
}

void TMainForm::AddVideoFolder() {
  const std::string folder = ChooseRememberedFolder("INF_SelectIn_Folder", keys::kRecentVideoFolder);
  if (!folder.empty()) FinishAdd(list_.AddFolder(folder, CurrentProfile()));
}

void TMainForm::LoadDvdFolder() {
  const std::string folder = ChooseRememberedFolder("INF_Select_Folder", keys::kRecentDVDFolder);
  if (!folder.empty()) FinishAdd(list_.AddDvdFolder(folder, CurrentProfile()));
}

void TMainForm::LoadIfoFile() { LoadDiscFile(keys::kRecentIFOFolder, "IFO_Filter"); }
void TMainForm::LoadIsoFile() { LoadDiscFile(keys::kRecentISOFolder, "ISO_Filter"); }

void TMainForm::LoadDiscFile(const char* folder_key, const char* filter_key) {
  const QStringList files =
      prompts_.ChooseFiles(this, RecentFolder(folder_key), ChooserFilter(MessageText({filter_key, {}})), false);
  if (files.isEmpty()) return;
  const std::string file = ToStdString(files.front());
  RememberFolder(folder_key, std::filesystem::path(file).parent_path().string());
  AddPaths({file}, false);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(ToStdString(url.toLocalFile()));
  event->acceptProposedAction();
  AddPaths(paths, true);
}

// ---------------------------------------------------------------------------------------------
// Editing

void TMainForm::RemoveSelected() {
  // Delete in the folder box or in the rename editor edits the text, not the list.
  const QWidget* focus = QApplication::focusWidget();
  if (focus && (output_dir_->isAncestorOf(focus) || output_dir_ == focus ||
                (qobject_cast<const QLineEdit*>(focus) && file_list_->isAncestorOf(focus))))
    return;
  const std::vector<TJobItem*> selection = Selection();
  if (selection.empty()) return;
  StopPreviewOf(selection);
  ShowResult(list_.Remove(selection));
  RefreshList();
}

void TMainForm::ClearAll() {
  StopPreviewOf(list_.AllItems());
  ShowResult(list_.Clear());
  RefreshList();
}

void TMainForm::RenameSelected() {
  QTreeWidgetItem* widget_item = file_list_->currentItem();
  if (!widget_item || !widget_item->isSelected()) {
    const QList<QTreeWidgetItem*> selected = file_list_->selectedItems();
    widget_item = selected.isEmpty() ? nullptr : selected.front();
  }
  TJobItem* item = ItemOf(widget_item);
  if (!item || !item->Task()) return;
  {
    const QSignalBlocker block(file_list_);
    widget_item->setText(3, OutputStem(item->Task()->OutputFileName));
  }
  file_list_->editItem(widget_item, 3);
}

void TMainForm::MoveSelected(int direction) {
  TJobItem* item = SelectedItem();
  if (!item) return;
  ShowResult(list_.Move(*item, direction));
}

void TMainForm::MergeSelected() { ShowResult(list_.Merge(Selection(), CurrentProfile())); }
void TMainForm::SlideSelected() { ShowResult(list_.Slide(Selection(), CurrentProfile())); }

void TMainForm::CopyEffect() {
  if (TJobItem* item = SelectedItem()) list_.CopyEffect(*item);
  RefreshStates();
}

void TMainForm::CopyWatermark() {
  if (TJobItem* item = SelectedItem()) list_.CopyWatermark(*item);
  RefreshStates();
}

void TMainForm::PasteEffect() {
  if (TJobItem* item = SelectedItem()) ShowResult(list_.PasteEffect(*item));
}

void TMainForm::PasteWatermark() {
  if (TJobItem* item = SelectedItem()) ShowResult(list_.PasteWatermark(*item));
}

bool TMainForm::AskApplyToAll(const char* key) {
  return prompts_.AskYesNo(this, ToQString(MessageText({key, {}})));
}

void TMainForm::EffectApplyToAll() {
  TJobItem* item = SelectedItem();
  if (item && AskApplyToAll("INF_ApplyToAllEffectHint")) ShowResult(list_.EffectApplyToAll(*item));
}

void TMainForm::WatermarkApplyToAll() {
  TJobItem* item = SelectedItem();
  if (item && AskApplyToAll("INF_ApplyToAllWatermarkHint")) ShowResult(list_.WatermarkApplyToAll(*item));
}

void TMainForm::FormatApplyToAll() {
  TJobItem* item = SelectedItem();
  if (item && AskApplyToAll("INF_ApplyToAllHint")) ShowResult(list_.FormatApplyToAll(*item, CurrentProfile()));
}

void TMainForm::ProfileChosen(const TProfileItem& profile) {
  try {
    config_.WriteInteger(kMainFormSection, "LastProfile", profile.EffectiveId());
  } catch (const Error&) {
    // Only the remembered choice is lost.
  }
  ShowResult(list_.ApplyProfileToChecked(profile));
  RefreshList();
}

// ---------------------------------------------------------------------------------------------
// Other windows

TFormContext TMainForm::Context() const { return TFormContext{config_, prompts_, desktop_, program_folder_}; }

void TMainForm::FinishAdd(TAddResult added) {
  // A dialog's preview has a sound output of its own; the window's preview stops meanwhile.
  std::unique_ptr<TQtAudioOutput> sound;
  if (added.DvdLoader) {
    StopPreview();
    sound = std::make_unique<TQtAudioOutput>();
  }
  ShowResult(RunDvdLoader(Context(), list_, std::move(added), this, sound.get()));
}

void TMainForm::EditSelected() {
  TJobItem* item = SelectedItem();
  if (!states_.Edit || !item || !item->Task()) return;
  StopPreview();
  TQtAudioOutput sound;
  if (RunVideoEditDialog(Context(), *item->Task(), this, &sound)) RefreshList(item);
}

void TMainForm::TrimSelected() {
  TJobItem* item = SelectedItem();
  if (!states_.Trim || !item) return;
  StopPreview();
  TQtAudioOutput sound;
  ShowResult(RunVideoClipDialog(Context(), list_, *item, this, &sound));
}

void TMainForm::CustomizeSelected() {
  TJobItem* item = SelectedItem();
  if (!states_.Customize || !item || !item->Task()) return;
  StopPreview();
  TQtAudioOutput sound;
  const bool save_as_default = config_.ReadBool(keys::kOutput, keys::kSaveAsDefault, false);
  // Taken before the dialog, which may delete the profile the pane shows.
  const int32_t shown = CurrentProfile().EffectiveId();
  const TCustomizeOutcome outcome =
      RunCustomizeDialog(Context(), catalogue_, *item->Task(), save_as_default, this, &sound);
  // Profiles saved or deleted in the dialog are gone or there, OK or not.
  if (outcome.ProfilesChanged) {
    profile_pane_->Rebuild();
    profile_pane_->SelectProfile(shown);
  }
  if (!outcome.Accepted) return;
  try {
    config_.WriteBool(keys::kOutput, keys::kSaveAsDefault, outcome.SaveAsDefault);
    if (outcome.SaveAsDefault) {
      outcome.Flash.SaveToConfig(config_);
      outcome.Custom.SaveToConfig(config_);
    }
  } catch (const std::exception& e) {
    prompts_.ShowMessage(this, ToQString(e.what()));
  }
  profile_pane_->SelectProfile(outcome.ProfileId);
  ShowResult(list_.ApplyCustomized(outcome.Flash, outcome.Custom, CurrentProfile(), *item));
}

void TMainForm::ShowFileInformation() {
  TJobItem* item = SelectedItem();
  if (!item || !item->Task()) return;
  auto* box = new TFileInfoForm(FileInformation(*item->Task()), this);
  box->setAttribute(Qt::WA_DeleteOnClose);  // the window frees itself when closed
  box->show();
}

void TMainForm::ShowAbout() {
  auto* box = new TAboutForm(config_, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
}

void TMainForm::ShowHelp() {
  const std::string help = TLanguageMgr::Instance().HelpFile();
  std::error_code ec;
  if (!help.empty() && std::filesystem::is_regular_file(help, ec)) {
    if (desktop_.OpenUrl(FileUrl(help))) return;
  } else if (desktop_.OpenUrl(kProductPage)) {
    return;
  }
  QApplication::beep();
}

void TMainForm::ShowOptions() {
  auto* options = new TOptionsForm(config_, prompts_, desktop_, this);
  options->setAttribute(Qt::WA_DeleteOnClose);
  connect(options, &QDialog::accepted, this, &TMainForm::LoadOutputBox);
  options->open();
}

// ---------------------------------------------------------------------------------------------
// Output folder and start

void TMainForm::LoadOutputBox() {
  output_box_ = LoadOutputFolderBox(config_.ReadString(keys::kOutput, keys::kOutputPath, ""),
                                    config_.ReadString(keys::kOutput, keys::kOutPutPathList, ""),
                                    DefaultOutputFolder(config_), [](const std::string& folder) {
                                      std::error_code ec;
                                      return std::filesystem::is_directory(folder, ec);
                                    });
  ShowOutputBox();
}

void TMainForm::ShowOutputBox() {
  const QSignalBlocker block(output_dir_);
  output_dir_->clear();
  for (const std::string& folder : output_box_.Items) output_dir_->addItem(ToQString(folder));
  output_dir_->setCurrentIndex(output_box_.ItemIndex);
  output_dir_->setEditText(ToQString(output_box_.Text()));
}

void TMainForm::SetOutputFolder(const std::string& folder) {
  ChooseOutputFolder(output_box_, folder);
  ShowOutputBox();
  manager_.OutputFolder = folder;
  try {
    config_.WriteString(keys::kOutput, keys::kOutputPath, folder);
  } catch (const Error& e) {
    prompts_.ShowMessage(this, ToQString(e.what()));
  }
}

void TMainForm::OutputBoxActivated(int index) {
  if (index < 0) return;
  if (index == output_dir_->count() - 1 && output_dir_->count() > 2) {
    // The last item clears the history back to the default folder.
    output_box_ = TOutputFolderBox{{DefaultOutputFolder(config_)}, 0};
    ShowOutputBox();
    return;
  }
  const std::string folder = ToStdString(output_dir_->itemText(index));
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) SetOutputFolder(folder);
}

void TMainForm::SaveOutputFolderSettings() {
  TConfigBatch batch(config_);
  batch.WriteString(keys::kOutput, keys::kOutputPath, ToStdString(output_dir_->currentText()));
  batch.WriteString(keys::kOutput, keys::kOutPutPathList, SaveOutputFolderList(output_box_));
  if (config_.ReadBool(keys::kOutput, keys::kSaveAsDefault, false))
    batch.WriteInteger(keys::kOutput, keys::kRecentFormatId, CurrentProfile().EffectiveId());
  batch.Commit();
}

void TMainForm::BrowseOutputFolder() {
  const QString caption = ToQString(MessageText({"INF_Select_Folder", {}}));
  for (;;) {
    const QString chosen = prompts_.ChooseFolder(this, caption, output_dir_->currentText());
    if (chosen.isEmpty()) return;
    std::error_code ec;
    if (std::filesystem::is_directory(ToStdString(chosen), ec)) {
      SetOutputFolder(ToStdString(chosen));
      return;
    }
    ShowMessage({"INF_Folder_UnExists", {}});
  }
}

void TMainForm::FindTarget() {
  const TStartResult result =
      list_.ValidateOutputFolder(ToStdString(output_dir_->currentText()), DefaultOutputFolder(config_));
  if (result.FolderText) output_dir_->setEditText(ToQString(*result.FolderText));
  for (const TMessage& message : result.Messages) ShowMessage(message);
  if (result.Ready) desktop_.OpenFolder(std::string(Trim(ToStdString(output_dir_->currentText()))));
}

void TMainForm::Start() {
  try {
    SaveOutputFolderSettings();
  } catch (const Error& e) {
    prompts_.ShowMessage(this, ToQString(e.what()));
  }
  StopPreview();
  const TStartResult result = list_.PrepareStart(ToStdString(output_dir_->currentText()),
                                                 TStartEnvironment{DefaultOutputFolder(config_), VolumeFreeSpace});
  if (result.FolderText) output_dir_->setEditText(ToQString(*result.FolderText));
  for (const TMessage& message : result.Messages) ShowMessage(message);
  if (result.SelectFolderText) {
    output_dir_->setFocus();
    output_dir_->lineEdit()->selectAll();
  }
  if (!result.Ready) return;
  SetOutputFolder(manager_.OutputFolder);
  OpenProgressWindow();
}

TProgressForm* TMainForm::ProgressWindow() const { return progress_.data(); }

void TMainForm::OpenProgressWindow() {
  ++progress_requests_;
  if (progress_) return;  // a run goes on already
  // The Flash output takes its templates from the window's program folder (the running
  // program's own, except in tests).
  if (!program_folder_.empty())
    for (TMediaTask* task : manager_.IncludedTasks()) task->Flash.ProgramFolder = program_folder_;
  // The window is owned by this one (Qt parent) and goes with deleteLater once finished; its
  // model lets the excluded tasks back in when it is destroyed, so the list refreshes then.
  progress_ = new TProgressForm(manager_, loop_, *questions_, desktop_, ProgressSettingsFromConfig(), this);
  progress_->setWindowModality(Qt::ApplicationModal);
  connect(progress_, &QDialog::finished, progress_, &QObject::deleteLater);
  connect(progress_, &QObject::destroyed, this, &TMainForm::RunFinished);
  if (!progress_->Begin()) progress_->deleteLater();
}

void TMainForm::RunFinished() { RefreshList(); }

// ---------------------------------------------------------------------------------------------
// Preview

void TMainForm::PlayClicked() {
  const TJobItem* item = SelectedItem();
  const TMediaTask* selected = item ? item->Task() : nullptr;
  const fc::TPlayerState state = player_->State();
  if (preview_task_ && (!selected || selected == preview_task_)) {
    if (state == fc::TPlayerState::Playing) {
      player_->Pause();
    } else if (state == fc::TPlayerState::Paused) {
      player_->Resume();
    } else {
      ApplyVolume();
      player_->Play();
    }
    return;
  }
  PlaySelected();
}

void TMainForm::PlaySelected() {
  TJobItem* item = SelectedItem();
  if (!item || !item->Task()) return;
  TMediaTask* task = item->Task();
  player_->Stop();
  try {
    player_->AttachTask(*task, TPictureMode::Processed);
  } catch (const std::exception& e) {
    preview_task_ = nullptr;
    PlayerStateChanged();
    prompts_.ShowMessage(this, ToQString(e.what()));
    return;
  }
  preview_task_ = task;
  if (deinterlace_ != 0)
    if (TVideoProcessor* processor = player_->VideoProcessor()) processor->SetDeinterlace(deinterlace_);
  RefreshPreviewTitle();
  ApplyVolume();
  player_->Play();
  PlayerStateChanged();
}

void TMainForm::StopPreview() {
  player_->Stop();
  PlayerStateChanged();
}

void TMainForm::StopPreviewOf(const std::vector<TJobItem*>& items) {
  if (!preview_task_) return;
  std::vector<const TJobItem*> pending(items.begin(), items.end());
  bool found = false;
  while (!pending.empty() && !found) {
    const TJobItem* item = pending.back();
    pending.pop_back();
    found = item->Task() == preview_task_;
    for (size_t i = 0; i < item->ChildCount(); ++i) pending.push_back(item->Child(i));
  }
  if (!found) return;
  // The player holds the task's decoders: it lets go before the task is deleted.
  view_->SetFullScreen(false);
  player_->Detach();
  preview_task_ = nullptr;
  RefreshPreviewTitle();
  PlayerStateChanged();
}

void TMainForm::PlayNeighbour(int direction) {
  const TJobItem* from = SelectedItem();
  if (!from && preview_task_) {
    for (TJobItem* item : list_.AllItems())
      if (item->Task() == preview_task_) from = item;
  }
  TJobItem* next = NeighbourToPlay(list_, from, direction);
  if (!next) return;
  SelectItems({next});
  PlaySelected();
}

void TMainForm::PlayerStateChanged() {
  const fc::TPlayerState state = player_->State();
  const bool shown = preview_task_ && state != fc::TPlayerState::NoSource;
  play_stack_->setCurrentIndex(shown ? 1 : 0);
  position_->setEnabled(shown);
  ctl_position_->setEnabled(shown);
  findChild<QAction*>("actPlay")->setIcon(
      QIcon(state == fc::TPlayerState::Playing ? ":/icons/pause.svg" : ":/icons/play.svg"));
  ShowPosition();
  RefreshStates();
}

void TMainForm::ShowPosition() {
  const double played = preview_task_ ? player_->PlayedTime() : 0;
  const double length = preview_task_ ? player_->MovieLength() : 0;
  const QString text = ToQString(PlayTimeText(played, length));
  prog_info_->setText(text);
  ctl_prog_info_->setText(text);
  for (QSlider* slider : {position_, ctl_position_}) {
    if (slider->isSliderDown()) continue;  // the user's drag decides
    const QSignalBlocker block(slider);
    slider->setValue(BarPosition(played, length, 0, slider->maximum()));
  }
}

void TMainForm::ApplyVolume() {
  mute_->setIcon(QIcon(mute_->isChecked() ? ":/icons/mute.svg" : ":/icons/volume.svg"));
  player_->SetVolume(mute_->isChecked() ? 0 : volume_->value());
}

void TMainForm::RefreshPreviewTitle() {
  // The label's caption is the translated format; it is set again by every translation.
  if (preview_title_->text().contains("%s")) preview_title_format_ = preview_title_->text();
  if (preview_title_format_.isEmpty()) preview_title_format_ = "Playing: %s";
  preview_title_->setText(preview_task_ ? ToQString(FormatWithFallback(ToStdString(preview_title_format_),
                                                                       "Playing: %s", {preview_task_->Title}))
                                        : QString());
}

std::string TMainForm::SaveSnapshot() {
  if (!preview_task_ || !player_->CurrentPicture()) return {};
  const std::string folder = config_.ReadString(keys::kSystem, keys::kSnapshotPath,
                                                SettingDefault(keys::kSystem, keys::kSnapshotPath, config_));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    ShowMessage({"INF_CreateFolder_Error", {}});
    return {};
  }
  const std::string path =
      SnapshotPath(folder, preview_task_->Title, config_.ReadString(keys::kSystem, keys::kSnapshotFormat, "jpg"),
                   [](const std::string& candidate) {
                     std::error_code exists_ec;
                     return std::filesystem::exists(candidate, exists_ec);
                   });
  try {
    player_->SaveSnapshot(path);
  } catch (const std::exception& e) {
    prompts_.ShowMessage(this, ToQString(e.what()));
    return {};
  }
  return path;
}

void TMainForm::OpenSnapshotFolder() {
  const std::string folder = config_.ReadString(keys::kSystem, keys::kSnapshotPath,
                                                SettingDefault(keys::kSystem, keys::kSnapshotPath, config_));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!desktop_.OpenFolder(folder)) QApplication::beep();
}

void TMainForm::SetPreviewDeinterlace(int mode) {
  deinterlace_ = std::clamp(mode, 0, 4);
  for (QAction* action : preview_menu_->findChildren<QAction*>())
    if (action->isCheckable() && action->data().isValid()) action->setChecked(action->data().toInt() == deinterlace_);
  if (TVideoProcessor* processor = player_->VideoProcessor()) {
    processor->SetDeinterlace(deinterlace_);
    // A paused or stopped picture shows the change at once; a playing one with the next.
    if (player_->State() != fc::TPlayerState::Playing && player_->CurrentPicture()) player_->Refresh();
  }
}

void TMainForm::SetPreviewFullScreen(bool on) {
  if (on && !preview_task_) return;
  view_->SetFullScreen(on);
}

void TMainForm::WatchMouseRest() {
  if (!view_->FullScreen()) {
    rest_timer_->stop();
    return;
  }
  const int height = ctl_panel_->sizeHint().height();
  ctl_panel_->setGeometry(0, view_->height() - height, view_->width(), height);
  const QPoint cursor = QCursor::pos();
  if (cursor != last_cursor_) {
    last_cursor_ = cursor;
    rest_ticks_ = 0;
    ctl_panel_->show();
    ctl_panel_->raise();
  } else if (++rest_ticks_ >= 20) {  // two seconds at rest
    ctl_panel_->hide();
  }
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && view_->FullScreen()) {
    SetPreviewFullScreen(false);
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::LanguageChange && preview_title_) RefreshPreviewTitle();
}

// ---------------------------------------------------------------------------------------------
// Remembered state

void TMainForm::LoadWindowState() {
  const auto read = [this](const char* key) {
    return QByteArray::fromBase64(QByteArray::fromStdString(config_.ReadString(kMainFormSection, key, "")));
  };
  if (!restoreGeometry(read("Geometry"))) resize(1000, 680);
  if (!main_splitter_->restoreState(read("MainSplitter"))) main_splitter_->setSizes({680, 320});
  left_splitter_->restoreState(read("ListSplitter"));
  file_list_->header()->restoreState(read("Columns"));
}

void TMainForm::SaveWindowState() {
  TConfigBatch batch(config_);
  const auto write = [&](const char* key, const QByteArray& value) {
    batch.WriteString(kMainFormSection, key, value.toBase64().toStdString());
  };
  write("Geometry", saveGeometry());
  write("MainSplitter", main_splitter_->saveState());
  write("ListSplitter", left_splitter_->saveState());
  write("Columns", file_list_->header()->saveState());
  batch.Commit();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // Closing during a run is the run's Cancel, with its question.
  if (progress_ && progress_->isVisible()) {
    progress_->reject();
    if (progress_ && progress_->isVisible()) {
      event->ignore();
      return;
    }
  }
  view_->SetFullScreen(false);
  player_->Stop();
  try {
    SaveWindowState();
    SaveOutputFolderSettings();
  } catch (const Error& e) {
    prompts_.ShowMessage(this, ToQString(e.what()));
  }
  QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Small boxes

TFileInfoForm::TFileInfoForm(const TFileInformation& info, QWidget* parent) : QDialog(parent) {
  setObjectName("FileInfoForm");
  setWindowTitle("File Information");
  // Every row exists, for the language file; those the source has no stream for are hidden.
  auto* form = new QFormLayout;
  const auto row = [&](const char* name, const char* caption, const std::string& value, bool shown) {
    auto* value_label = Named<QLabel>((std::string(name) + "Value").c_str(), ToQString(value), this);
    value_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(Named<QLabel>(name, caption, this), value_label);
    form->setRowVisible(form->rowCount() - 1, shown);
  };
  row("lblTitle", "Title:", info.Title, true);
  row("lblLength", "Length:", info.Length, true);
  row("lblResolution", "Resolution:", info.Resolution, info.HasVideo);
  row("lblVideoBitrate", "Video bit rate:", info.VideoBitrate, info.HasVideo);
  row("lblFrameRate", "Frame rate:", info.FrameRate, info.HasVideo);
  row("lblSampleRate", "Sample rate:", info.SampleRate, info.HasAudio);
  row("lblAudioBitrate", "Audio bit rate:", info.AudioBitrate, info.HasAudio);
  row("lblChannels", "Channels:", info.HasAudio ? MessageText(info.Channels) : std::string(), info.HasAudio);
  auto* close = Named<QPushButton>("btnClose", "&Close", this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(close, 0, Qt::AlignRight);
  TranslateForm(this);
}

TAboutForm::TAboutForm(const TConfig& config, QWidget* parent) : QDialog(parent) {
  setObjectName("AboutForm");
  setWindowTitle("About");
  auto* name = Named<QLabel>("lblProductName", this);
  name->setText(ToQString(config.ReadString(keys::kSystem, keys::kFullName, kProductName)));
  QFont font = name->font();
  font.setPointSize(font.pointSize() + 6);
  font.setBold(true);
  name->setFont(font);
  auto* version = Named<QLabel>("lblVersion", this);
  version->setText("Version " + ToQString(TApplicationCore::VersionText()));
  auto* about = Named<QLabel>("lblAbout", "Turns video files into Flash video, a player and a web page.", this);
  about->setWordWrap(true);
  auto* ok = Named<QPushButton>("btnOK", "&OK", this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* icon = Named<QLabel>("imgLogo", this);
  icon->setPixmap(QIcon(":/icons/video.svg").pixmap(QSize(64, 64)));
  auto* text = new QVBoxLayout;
  text->addWidget(name);
  text->addWidget(version);
  text->addWidget(about);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(ok, 0, Qt::AlignRight);
  TranslateForm(this);
}

}  // namespace fc::gui
