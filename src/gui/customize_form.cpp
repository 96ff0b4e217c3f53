#include "gui/customize_form.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <filesystem>

#include "core/config.h"
#include "core/config_keys.h"
#include "core/language.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "engine/decoder.h"
#include "engine/formats.h"
#include "flash/title_animations.h"
#include "gui/color_button.h"
#include "gui/credit_overlay_view.h"
#include "gui/flash_preview.h"
#include "gui/mark_track_bar.h"
#include "gui/model/desktop_actions.h"
#include "gui/model/job_texts.h"
#include "gui/model/preview_model.h"
#include "gui/named_widget.h"
#include "gui/profile_pane.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"
#include "playback/media_player.h"
#include "profiles/profile_catalogue.h"

namespace fc::gui {
namespace {

constexpr int kPreviewDelayMs = 500;  // quiet after typing or spinning before the preview is rebuilt
constexpr int kAudioPositionMs = 200;
constexpr int kPreviewWidth = 320;    // the preview movie's frame: the video over a 41-row control bar
constexpr int kPreviewHeight = 281;
constexpr int kPreviewFps = 15;
constexpr int kTitleMaxChars = 250;
constexpr int kMinInkContrast = 64;  // grey levels between a title's text and its ground
constexpr int kMinTitleSeconds = 1, kMaxTitleSeconds = 300;
constexpr int32_t kAllProfilesCategory = 1;
constexpr char kKeepFrameRate[] = "Keep original frame rate";
constexpr char kCustomEntry[] = "Custom";
constexpr char kHelpAnchor[] = "#SWF3";
// The pictures of the three template lists: folder under the program folder, and extension.
constexpr char kPlayersFolder[] = "Templates/Players";
constexpr char kEffectsFolder[] = "Templates/Effect";
constexpr char kPreloadersFolder[] = "Templates/Preloader";

QLabel* Label(const char* name, const char* caption) { return Named<QLabel>(name, caption); }

QPushButton* Button(const char* name, const char* caption) {
  auto* b = Named<QPushButton>(name, caption);
  b->setAutoDefault(false);
  return b;
}

QSpinBox* Spin(const char* name, int min, int max) {
  auto* spin = Named<QSpinBox>(name);
  spin->setRange(min, max);
  return spin;
}

// A line edit with a browse button inside it, as the picture and sound fields have.
QLineEdit* ButtonEdit(const char* name, QWidget* owner, const std::function<void()>& clicked) {
  auto* edit = Named<QLineEdit>(name);
  QAction* browse = edit->addAction(owner->style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
  QObject::connect(browse, &QAction::triggered, owner, clicked);
  return edit;
}

// The Flash settings keep colours as 0x00BBGGRR, the task fonts as 0x00RRGGBB.
uint32_t SwapRedBlue(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

TMediaTaskFont FontOf(const TTextInfo& text) {
  TMediaTaskFont font;
  if (!text.FontName.empty()) font.Name = text.FontName;
  if (text.FontSize > 0) font.Size = text.FontSize;
  font.Color = SwapRedBlue(ColorToRGB(text.FontColor));
  font.Style = (text.Bold ? kTextBold : 0) | (text.Italic ? kTextItalic : 0);
  return font;
}

void SetFont(const TMediaTaskFont& font, TTextInfo& text) {
  text.FontName = font.Name;
  text.FontSize = font.Size;
  text.FontColor = SwapRedBlue(font.Color);
  text.Bold = font.Style & kTextBold;
  text.Italic = font.Style & kTextItalic;
}

void SelectData(QComboBox* box, const QVariant& value) {
  const int index = box->findData(value);
  box->setCurrentIndex(index >= 0 ? index : (box->count() > 0 ? 0 : -1));
}

// A choice list's entries, and the one whose number is `value` (the first when none is).
void FillChoices(QComboBox* box, const std::vector<std::string>& entries, double value) {
  box->clear();
  for (const std::string& entry : entries) box->addItem(ToQString(entry));
  const int index = FindChoice(entries, value);
  box->setCurrentIndex(index >= 0 ? index : (box->count() > 0 ? 0 : -1));
}

void FillCodecs(QComboBox* box, const std::vector<TCodecEntry>& codecs, TFourCC value) {
  box->clear();
  for (const TCodecEntry& codec : codecs) box->addItem(ToQString(codec.DisplayName), QVariant::fromValue(codec.FourCC));
  SelectData(box, QVariant::fromValue(value));
}

// The list item whose picture has the stored template's name (folders and extensions aside).
QListWidgetItem* FindTemplate(QListWidget* list, const std::string& stored) {
  if (stored.empty()) return nullptr;
  const std::string name = ChangeFileExt(ExtractFileName(stored), "");
  for (int i = 0; i < list->count(); ++i) {
    const std::string path = ToStdString(list->item(i)->data(Qt::UserRole).toString());
    if (IEquals(ChangeFileExt(ExtractFileName(path), ""), name)) return list->item(i);
  }
  return nullptr;
}

std::string SelectedTemplate(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item && item->isSelected() ? ToStdString(item->data(Qt::UserRole).toString()) : std::string();
}

// A link field: "http://" when empty; typed or pasted text that is no web address shows red.
void ShowLinkValidity(QLineEdit* edit) {
  const bool ok = LinkAcceptable(ToStdString(edit->text()));
  edit->setStyleSheet(ok ? QString() : QString("color: #c00000;"));
}

QString LinkText(const std::string& url) { return ToQString(url.empty() ? std::string("http://") : url); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Building

TCustomizeForm::TCustomizeForm(const TFormContext& context, TProfileCatalogue* catalogue, const TSwfFeature& feature,
                               const TCustomProfileSettings& custom, QWidget* parent, TAudioOutput* sound)
    : QDialog(parent), context_(context), catalogue_(catalogue), feature_(feature), custom_(custom), sound_(sound),
      font_chooser_(AskFont) {
  setObjectName("CustomizeForm");
  setWindowTitle("Customize");
  feature_.ProgramFolder = context_.ProgramFolder;
  // Run-time hooks of the copy the main window gave are not the dialog's business.
  feature_.OnProgress = nullptr;
  feature_.OnFinished = nullptr;

  pages_ = Named<QStackedWidget>("PageControl");
  pages_->addWidget(BuildProfilePage());
  pages_->addWidget(BuildGeneratePage());
  pages_->addWidget(BuildTemplatePage());

  back_ = Button("btnBack", "Back");
  next_ = Button("btnNext", "Next");
  ok_ = Button("btnOK", "&OK");
  auto* cancel = Button("btnCancel", "Cancel");
  save_default_ = Named<QCheckBox>("cbSaveAsDefault", "Save as default");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_default_);
  buttons->addStretch();
  for (QWidget* w : std::initializer_list<QWidget*>{back_, next_, ok_, cancel}) buttons->addWidget(w);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);

  preview_timer_ = new QTimer(this);
  preview_timer_->setSingleShot(true);
  preview_timer_->setInterval(kPreviewDelayMs);
  connect(preview_timer_, &QTimer::timeout, this, &TCustomizeForm::RefreshPreview);
  audio_timer_ = new QTimer(this);
  audio_timer_->setInterval(kAudioPositionMs);
  connect(audio_timer_, &QTimer::timeout, this, &TCustomizeForm::ShowAudioPosition);

  connect(back_, &QPushButton::clicked, this, &TCustomizeForm::Back);
  connect(next_, &QPushButton::clicked, this, &TCustomizeForm::Next);
  connect(ok_, &QPushButton::clicked, this, &TCustomizeForm::accept);
  connect(cancel, &QPushButton::clicked, this, &TCustomizeForm::reject);

  caption_ = windowTitle();
  TranslateForm(this);  // a language's caption arrives through changeEvent
  ShowPage();
}

TCustomizeForm::~TCustomizeForm() {
  overlay_.reset();
  StopAudio();
}

QWidget* TCustomizeForm::BuildProfilePage() {
  auto* page = Named<QWidget>("tsProfiles");
  profile_box_ = Named<QComboBox>("cboProfile");
  profile_box_->setMinimumContentsLength(32);
  auto* save_as = Button("btnSaveAs", "Save As...");
  auto* reload = Button("btnDefault", "&Default");
  delete_ = Button("btnDelete", "Delete");
  auto* top = new QHBoxLayout;
  top->addWidget(Label("lblProfile", "Profile:"));
  top->addWidget(profile_box_, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{save_as, reload, delete_}) top->addWidget(w);

  // The video values.
  video_group_ = Named<QGroupBox>("gbVideo", "Video");
  width_ = Spin("seVideoWidth", 0, kMaxFrameSize);
  height_ = Spin("seVideoHeight", 0, kMaxFrameSize);
  proportional_box_ = Named<QCheckBox>("CheckBox_vProportional", "Proportional");
  video_codec_ = Named<QComboBox>("cboVEnc");
  frame_rate_ = Named<QComboBox>("cboVFRate");
  frame_rate_->setEditable(true);
  frame_rate_->setInsertPolicy(QComboBox::NoInsert);
  video_rate_ = Named<QComboBox>("cboVBRate");
  auto* size_row = new QHBoxLayout;
  size_row->addWidget(width_);
  size_row->addWidget(Label("lblX", "x"));
  size_row->addWidget(height_);
  size_row->addWidget(proportional_box_);
  size_row->addStretch();
  auto* video = new QFormLayout(video_group_);
  video->addRow(Label("lblVEnc", "Encoder:"), video_codec_);
  video->addRow(Label("lblVSize", "Size:"), size_row);
  video->addRow(Label("lblVFRate", "Frame rate:"), frame_rate_);
  video->addRow(Label("lblVBRate", "Bit rate (kbps):"), video_rate_);

  auto* values = new QVBoxLayout;
  values->addWidget(video_group_);
  values->addWidget(BuildAudioGroup());
  values->addStretch();
  auto* right = new QWidget;
  right->setLayout(values);

  auto* splitter = Named<QSplitter>("splProfiles");
  if (catalogue_) {
    pane_ = Named<TProfilePane>("ProfilePane", *catalogue_, context_.Config);
    splitter->addWidget(pane_);
  }
  splitter->addWidget(right);
  splitter->setStretchFactor(splitter->count() - 1, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top);
  layout->addWidget(splitter, 1);

  connect(profile_box_, &QComboBox::activated, this, &TCustomizeForm::ProfileBoxChosen);
  if (pane_) {
    connect(pane_, &TProfilePane::ProfileChosen, this, [this](const TProfileItem& profile) {
      int index = profile_box_->findData(profile.EffectiveId());
      if (index < 0 || index == profile_box_->count() - 1) {
        // A profile outside the list: the "Custom" entry carries it.
        index = profile_box_->count() - 1;
        profile_box_->setItemData(index, profile.EffectiveId());
      }
      profile_box_->setCurrentIndex(index);
      LoadProfile(profile, nullptr);
    });
  }
  connect(save_as, &QPushButton::clicked, this, &TCustomizeForm::SaveProfileAs);
  connect(reload, &QPushButton::clicked, this, [this] {
    if (const TProfileItem* profile = ChosenProfile()) LoadProfile(*profile, nullptr);
  });
  connect(delete_, &QPushButton::clicked, this, &TCustomizeForm::DeleteProfile);
  connect(width_, &QSpinBox::valueChanged, this, &TCustomizeForm::WidthChanged);
  connect(height_, &QSpinBox::valueChanged, this, &TCustomizeForm::HeightChanged);
  connect(proportional_box_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) proportional_.Remember(width_->value(), height_->value());
  });
  connect(frame_rate_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (loading_ || text == frame_rate_->itemText(0)) return;
    const QString kept = ToQString(FilterFrameRateText(ToStdString(text)));
    if (kept != text) frame_rate_->setEditText(kept);
  });
  return page;
}

QWidget* TCustomizeForm::BuildAudioGroup() {
  auto* group = Named<QGroupBox>("gbAudio", "Audio");
  audio_enabled_ = Named<QCheckBox>("CheckBox_EnableAudio", "Enable auido");
  audio_codec_ = Named<QComboBox>("cboAEnc");
  sample_rate_ = Named<QComboBox>("cboSRate");
  audio_rate_ = Named<QComboBox>("cboABRate");
  channels_ = Named<QComboBox>("cboChannel");
  replace_audio_ = ButtonEdit("FSButtonEdit_AReplaceAudio", this, [this] { ChooseReplacementAudio(); });
  replace_loop_ = Named<QCheckBox>("CheckBox_AReplaceLoop", "Loop");
  audio_clear_ = Button("btnAClear", "Clear");
  audio_track_ = Named<TMarkTrackBar>("vtbPlayer");
  audio_track_->SetMarksVisible(true);
  audio_play_ = Button("btnplay", "Play");
  audio_section_ = Button("btnPlaySect", "Play Section");
  audio_stop_ = Button("btnstop", "Stop");
  clip_start_ = Button("btnClipStart", "Set Start");
  clip_end_ = Button("btnClipEnd", "Set End");
  audio_time_ = Button("btnProgInfo", "00:00:00/00:00:00");
  audio_time_->setFlat(true);
  audio_time_->setFocusPolicy(Qt::NoFocus);

  auto* codecs = new QGridLayout;
  codecs->addWidget(Label("lblAEnc", "Encoder:"), 0, 0);
  codecs->addWidget(audio_codec_, 0, 1);
  codecs->addWidget(Label("lblSRate", "Sample rate:"), 0, 2);
  codecs->addWidget(sample_rate_, 0, 3);
  codecs->addWidget(Label("lblABRate", "Bit rate (kbps):"), 1, 0);
  codecs->addWidget(audio_rate_, 1, 1);
  codecs->addWidget(Label("lblChannel", "Channels:"), 1, 2);
  codecs->addWidget(channels_, 1, 3);
  auto* replace = new QHBoxLayout;
  replace->addWidget(Label("lblReplaceAudio", "Replace audio:"));
  replace->addWidget(replace_audio_, 1);
  replace->addWidget(replace_loop_);
  replace->addWidget(audio_clear_);
  auto* controls = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{audio_play_, audio_section_, audio_stop_, clip_start_, clip_end_})
    controls->addWidget(w);
  controls->addStretch();
  controls->addWidget(audio_time_);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(audio_enabled_);
  layout->addLayout(codecs);
  layout->addLayout(replace);
  layout->addWidget(audio_track_);
  layout->addLayout(controls);

  connect(audio_enabled_, &QCheckBox::toggled, this, &TCustomizeForm::ShowAudioEnables);
  connect(replace_audio_, &QLineEdit::editingFinished, this, &TCustomizeForm::OpenReplacementAudio);
  connect(audio_clear_, &QPushButton::clicked, this, [this] {
    replace_audio_->clear();
    OpenReplacementAudio();
  });
  connect(audio_play_, &QPushButton::clicked, this, [this] {
    if (!audio_player_) return;
    if (audio_player_->State() == TPlayerState::Playing) {
      audio_player_->Pause();
    } else {
      audio_player_->Play();
      audio_timer_->start();
    }
  });
  connect(audio_section_, &QPushButton::clicked, this, [this] {
    if (!audio_player_) return;
    audio_player_->Seek(audio_track_->MarkStart());
    audio_player_->Play();
    audio_timer_->start();
  });
  connect(audio_stop_, &QPushButton::clicked, this, [this] {
    if (audio_player_) audio_player_->Stop();
    ShowAudioPosition();
  });
  connect(clip_start_, &QPushButton::clicked, this, [this] {
    if (audio_player_) audio_track_->SetMarks(audio_player_->PlayedTime(), audio_track_->MarkEnd());
  });
  connect(clip_end_, &QPushButton::clicked, this, [this] {
    if (audio_player_) audio_track_->SetMarks(audio_track_->MarkStart(), audio_player_->PlayedTime());
  });
  connect(audio_track_, &TMarkTrackBar::PositionReleased, this, [this](double seconds) {
    if (audio_player_) audio_player_->Seek(seconds);
  });
  return group;
}

QWidget* TCustomizeForm::BuildGeneratePage() {
  auto* page = Named<QWidget>("tsGenerate");
  gen_flv_ = Named<QCheckBox>("CheckBox_GFlv", "Generate FLV");
  gen_swf_ = Named<QCheckBox>("CheckBox_GSwf", "Generate SWF");
  type_embed_ = Named<QRadioButton>("RadioButton_GSwf_Embed", "Embed the video in SWF and play in timeline");
  type_external_ = Named<QRadioButton>("RadioButton_GSwf_External", "Play the created external FLV file progressively");
  type_url_ = Named<QRadioButton>("RadioButton_GSwf_URL", "Get the FLV path from a URL variable and play progressively");
  url_var_ = Named<QLineEdit>("Edt_GSwf_URLVar");
  auto* help = Button("btnHelp_GSwf", "?");
  help->setFixedWidth(help->sizeHint().height() + 4);
  gen_html_ = Named<QCheckBox>("CheckBox_GHtml", "Generate HTML");
  gen_thumbnail_ = Named<QCheckBox>("CheckBox_GThumbnail", "Generate thumbnail");
  auto_play_ = Named<QCheckBox>("CheckBox_GAutoPlay", "Auto play");
  auto_rewind_ = Named<QCheckBox>("CheckBox_GAutoRewind", "Auto rewind");
  click_ = Named<QCheckBox>("CheckBox_GClick", "URL to launch when clicking:");
  click_url_ = Named<QLineEdit>("Edit_GClick_Url");
  click_target_ = Named<QComboBox>("cmb_GClick_Target");
  end_ = Named<QCheckBox>("CheckBox_GEnd", "URL to launch at the end:");
  end_url_ = Named<QLineEdit>("Edit_GEnd_Url");
  end_target_ = Named<QComboBox>("cmb_GEnd_Target");
  for (QComboBox* box : {click_target_, end_target_})
    for (std::string_view target : LinkTargets()) box->addItem(ToQString(std::string(target)));

  auto* swf_group = Named<QGroupBox>("gbSwf", "Output");
  auto* swf = new QGridLayout(swf_group);
  swf->addWidget(gen_flv_, 0, 0, 1, 3);
  swf->addWidget(gen_swf_, 1, 0, 1, 3);
  swf->addWidget(type_embed_, 2, 1, 1, 2);
  swf->addWidget(type_external_, 3, 1, 1, 2);
  swf->addWidget(type_url_, 4, 1, 1, 2);
  auto* var_row = new QHBoxLayout;
  var_row->addWidget(url_var_);
  var_row->addWidget(help);
  var_row->addStretch();
  swf->addLayout(var_row, 5, 2);
  swf->addWidget(gen_html_, 6, 0, 1, 3);
  swf->addWidget(gen_thumbnail_, 7, 0, 1, 3);
  swf->setColumnMinimumWidth(0, 16);
  swf->setColumnMinimumWidth(1, 16);
  swf->setColumnStretch(2, 1);

  auto* play_group = Named<QGroupBox>("gbPlayback", "Playback");
  auto* play = new QGridLayout(play_group);
  play->addWidget(auto_play_, 0, 0);
  play->addWidget(auto_rewind_, 0, 1);
  play->addWidget(click_, 1, 0, 1, 2);
  play->addWidget(click_url_, 2, 0);
  play->addWidget(click_target_, 2, 1);
  play->addWidget(end_, 3, 0, 1, 2);
  play->addWidget(end_url_, 4, 0);
  play->addWidget(end_target_, 4, 1);
  play->setColumnStretch(0, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(swf_group);
  layout->addWidget(play_group);
  layout->addStretch();

  // Every click goes through the page's rules, and the page shows what they leave.
  const auto rule = [this](auto apply) {
    return [this, apply](bool checked) {
      if (loading_ || !generate_) return;
      apply(*generate_, checked);
      ShowGenerateChoices();
    };
  };
  connect(gen_flv_, &QCheckBox::clicked, this, rule([](TGeneratePage& g, bool on) { g.ClickFlv(on); }));
  connect(gen_swf_, &QCheckBox::clicked, this, rule([](TGeneratePage& g, bool on) { g.ClickSwf(on); }));
  connect(gen_html_, &QCheckBox::clicked, this, rule([](TGeneratePage& g, bool on) { g.ClickHtml(on); }));
  connect(gen_thumbnail_, &QCheckBox::clicked, this, rule([](TGeneratePage& g, bool on) { g.ClickThumbnail(on); }));
  connect(click_, &QCheckBox::clicked, this, rule([](TGeneratePage& g, bool on) { g.SetLaunchClicking(on); }));
  connect(end_, &QCheckBox::clicked, this, rule([](TGeneratePage& g, bool on) { g.SetLaunchEnd(on); }));
  const std::pair<QRadioButton*, uint8_t> types[] = {
      {type_embed_, kSwfTypeEmbedded}, {type_external_, kSwfTypeExternalFlv}, {type_url_, kSwfTypeUrlVariable}};
  for (const auto& [button, type] : types)
    connect(button, &QRadioButton::clicked, this, rule([type](TGeneratePage& g, bool) { g.ChooseSwfType(type); }));
  // Typed or pasted: only letters, digits and underscores stay.
  connect(url_var_, &QLineEdit::textChanged, this, [this](const QString& text) {
    const QString kept = ToQString(FilterUrlVar(ToStdString(text)));
    if (kept != text) {
      const int cursor = url_var_->cursorPosition() - static_cast<int>(text.size() - kept.size());
      url_var_->setText(kept);
      url_var_->setCursorPosition(std::max(0, cursor));
      return;
    }
    if (!loading_ && generate_) generate_->SetUrlVar(ToStdString(kept));
  });
  for (QLineEdit* link : {click_url_, end_url_})
    connect(link, &QLineEdit::textChanged, this, [link] { ShowLinkValidity(link); });
  connect(help, &QPushButton::clicked, this, [this] {
    const std::string help_file = TLanguageMgr::Instance().HelpFile();
    std::error_code ec;
    if (!help_file.empty() && std::filesystem::is_regular_file(help_file, ec))
      context_.Desktop.OpenUrl(FileUrl(help_file) + kHelpAnchor);
  });
  return page;
}

QListWidget* TCustomizeForm::BuildPictureList(const char* name, const char* folder, const char* extension) {
  auto* list = Named<QListWidget>(name);
  list->setViewMode(QListView::IconMode);
  list->setIconSize(QSize(96, 72));
  list->setResizeMode(QListView::Adjust);
  list->setMovement(QListView::Static);
  list->setSpacing(4);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  std::vector<std::string> files = feature_.TemplateFiles(folder, folder, extension);
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    const std::string stem = ChangeFileExt(ExtractFileName(file), "");
    // The "None" template shows its picture only.
    auto* item = new QListWidgetItem(QIcon(ToQString(file)), IEquals(stem, "None") ? QString() : ToQString(stem), list);
    item->setData(Qt::UserRole, ToQString(file));
    item->setToolTip(ToQString(stem));
  }
  connect(list, &QListWidget::itemSelectionChanged, this, &TCustomizeForm::TemplateChanged);
  return list;
}

QWidget* TCustomizeForm::BuildPlayerTab() {
  auto* tab = Named<QWidget>("tsPlayer");
  use_skin_ = Named<QCheckBox>("CheckBox_SUseSkin", "Use a skin:");
  skins_ = BuildPictureList("FSPhotoView_SkinList", kPlayersFolder, ".png");
  skin_group_ = Named<QGroupBox>("gbSkinSettings", "Skin settings");
  hide_delay_ = Spin("SpinEdit_HideDelay", 1, 300);
  skin_color_ = Named<TColorButton>("ColorBox_SkinColor");
  saturation_ = Spin("SpinEdit_ColorSaturation", 0, 100);
  auto_hide_skin_ = Named<QCheckBox>("CheckBox_SAutoHideSkin", "Skin auto hide");
  auto_hide_mouse_ = Named<QCheckBox>("CheckBox_SAutoHideMouse", "Mouse auto hide");
  auto* settings = new QGridLayout(skin_group_);
  settings->addWidget(Label("lblHideDelay", "Hide delay:"), 0, 0);
  settings->addWidget(hide_delay_, 0, 1);
  settings->addWidget(Label("lblSkinColor", "Skin color:"), 1, 0);
  settings->addWidget(skin_color_, 1, 1);
  settings->addWidget(Label("lblSaturation", "Saturation:"), 2, 0);
  settings->addWidget(saturation_, 2, 1);
  settings->addWidget(auto_hide_skin_, 3, 0, 1, 2);
  settings->addWidget(auto_hide_mouse_, 4, 0, 1, 2);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(use_skin_);
  layout->addWidget(skins_, 1);
  layout->addWidget(skin_group_);

  connect(use_skin_, &QCheckBox::toggled, this, [this](bool on) {
    skins_->setEnabled(on);
    skin_group_->setEnabled(on);
    TemplateChanged();
  });
  for (QSpinBox* spin : {hide_delay_, saturation_}) connect(spin, &QSpinBox::valueChanged, this, &TCustomizeForm::TemplateTyped);
  connect(skin_color_, &TColorButton::ColorChanged, this, &TCustomizeForm::TemplateChanged);
  for (QCheckBox* box : {auto_hide_skin_, auto_hide_mouse_}) connect(box, &QCheckBox::clicked, this, &TCustomizeForm::TemplateChanged);
  return tab;
}

QWidget* TCustomizeForm::BuildDecorateTab() {
  auto* tab = Named<QWidget>("tsDecorate");
  decorate_ = Named<QCheckBox>("CheckBox_IsDecorate", "Add Credits");
  credit_group_ = Named<QGroupBox>("gbCredit", "Credit");
  credit_text_ = Named<QRadioButton>("rbWaterMarkText", "Text:");
  credit_image_ = Named<QRadioButton>("rbWaterMarkImage", "Image:");
  credit_text_edit_ = Named<QLineEdit>("beWaterMarkText");
  QAction* font = credit_text_edit_->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                               QLineEdit::TrailingPosition);
  credit_image_edit_ = ButtonEdit("beWaterMarkImage", this, [this] { ChooseCreditPicture(); });
  credit_image_edit_->setReadOnly(true);
  credit_url_ = Named<QLineEdit>("edtURL");
  auto* grid = new QGridLayout(credit_group_);
  grid->addWidget(credit_text_, 0, 0);
  grid->addWidget(credit_text_edit_, 0, 1);
  grid->addWidget(credit_image_, 1, 0);
  grid->addWidget(credit_image_edit_, 1, 1);
  grid->addWidget(Label("lblURL", "URL:"), 2, 0);
  grid->addWidget(credit_url_, 2, 1);
  grid->addWidget(Label("lblCreditHint", "Drag the credit on the player to place it."), 3, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(decorate_);
  layout->addWidget(credit_group_);
  layout->addStretch();

  connect(decorate_, &QCheckBox::clicked, this, [this] {
    RefreshWaterMaskState();
    TemplateChanged();
  });
  connect(credit_text_, &QRadioButton::clicked, this, &TCustomizeForm::CreditKindChosen);
  connect(credit_image_, &QRadioButton::clicked, this, &TCustomizeForm::CreditKindChosen);
  connect(font, &QAction::triggered, this, &TCustomizeForm::ChooseCreditFont);
  connect(credit_text_edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (loading_) return;
    if (overlay_) overlay_->StoreToSettings();
    feature_.Text.Content = ToStdString(text);
    if (overlay_) overlay_->ReloadText();
  });
  connect(credit_url_, &QLineEdit::textChanged, this, [this] { ShowLinkValidity(credit_url_); });
  return tab;
}

QWidget* TCustomizeForm::BuildTitleTab(const char* prefix, TTitleControls& title) {
  const std::string p = prefix;
  const auto name = [&p](const char* before, const char* after = "") { return before + p + after; };
  auto* tab = Named<QWidget>(name("ts").c_str());
  title.Enabled = Named<QCheckBox>(name("cb").c_str(), "Add Credits");
  title.Group = Named<QGroupBox>(name("gb").c_str(), "");
  title.Transition = Named<QComboBox>(name("cbb", "Transition").c_str());
  for (const TTextEffect& effect : TextEffects()) title.Transition->addItem(ToQString(std::string(effect.ID)));
  title.BGColor = Named<TColorButton>(name("cb", "BGColor").c_str());
  title.Duration = Spin(name("se", "Duration").c_str(), kMinTitleSeconds, kMaxTitleSeconds);
  title.Content = Named<QPlainTextEdit>(name("mm", "Content").c_str());
  title.Image = ButtonEdit(name("be", "Image").c_str(), this, [this, &title] { ChooseTitlePicture(title); });
  title.Image->setReadOnly(true);
  title.Image->installEventFilter(this);
  title.Font = Button(name("btn", "Font").c_str(), "Font..");

  auto* grid = new QGridLayout(title.Group);
  grid->addWidget(Named<QLabel>(name("lbl", "Transition").c_str(), "Transition:"), 0, 0);
  grid->addWidget(title.Transition, 0, 1);
  grid->addWidget(Named<QLabel>(name("lbl", "BGColor").c_str(), "Background Color:"), 1, 0);
  grid->addWidget(title.BGColor, 1, 1);
  auto* duration = new QHBoxLayout;
  duration->addWidget(title.Duration);
  duration->addWidget(Named<QLabel>(name("lbl", "Seconds").c_str(), "Sec(1~300)"));
  duration->addStretch();
  grid->addWidget(Named<QLabel>(name("lbl", "Duration").c_str(), "Duration:"), 2, 0);
  grid->addLayout(duration, 2, 1);
  grid->addWidget(Named<QLabel>(name("lbl", "Content").c_str(), "Content:"), 3, 0);
  grid->addWidget(Named<QLabel>(name("lbl", "MaxChars").c_str(), "(Maximum number of characters: 250)"), 3, 1);
  grid->addWidget(title.Content, 4, 0, 1, 2);
  grid->addWidget(Named<QLabel>(name("lbl", "Image").c_str(), "Image:"), 5, 0);
  grid->addWidget(title.Image, 5, 1);
  grid->addWidget(title.Font, 6, 1, Qt::AlignLeft);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(title.Enabled);
  layout->addWidget(title.Group, 1);

  connect(title.Enabled, &QCheckBox::clicked, this, &TCustomizeForm::TemplateChanged);
  connect(title.Transition, &QComboBox::activated, this, &TCustomizeForm::TemplateChanged);
  connect(title.BGColor, &TColorButton::ColorChanged, this, &TCustomizeForm::TemplateChanged);
  connect(title.Duration, &QSpinBox::valueChanged, this, &TCustomizeForm::TemplateTyped);
  connect(title.Content, &QPlainTextEdit::textChanged, this, [this, &title] {
    const QString text = title.Content->toPlainText();
    if (text.size() > kTitleMaxChars) {
      // Pasted text beyond the limit is cut there.
      QSignalBlocker block(title.Content);
      title.Content->setPlainText(text.left(kTitleMaxChars));
      title.Content->moveCursor(QTextCursor::End);
    }
    TemplateTyped();
  });
  connect(title.Font, &QPushButton::clicked, this, [this, &title] { ChooseTitleFont(title); });
  return tab;
}

QWidget* TCustomizeForm::BuildTemplatePage() {
  auto* page = Named<QWidget>("tsSWFTemplate");
  back_color_ = Named<TColorButton>("ColorBox_FBackColor");
  tabs_ = Named<QTabWidget>("PageControl_Template");
  tabs_->addTab(BuildPlayerTab(), "Player");
  effects_ = BuildPictureList("FSPhotoView_EffectSwf", kEffectsFolder, ".jpg");
  auto* effect_tab = Named<QWidget>("tsEffect");
  (new QVBoxLayout(effect_tab))->addWidget(effects_);
  tabs_->addTab(effect_tab, "Effect");
  preloaders_ = BuildPictureList("FSPhotoView_Preloader", kPreloadersFolder, ".png");
  auto* preloader_tab = Named<QWidget>("tsPreloader");
  (new QVBoxLayout(preloader_tab))->addWidget(preloaders_);
  tabs_->addTab(preloader_tab, "Preloader");
  tabs_->addTab(BuildDecorateTab(), "Decorate");
  tabs_->addTab(BuildTitleTab("Head", head_), "Head");
  tabs_->addTab(BuildTitleTab("Tail", tail_), "Tail");

  // The player: the web view once the page is first shown, or a still where there is none.
  player_area_ = Named<QWidget>("FlashPlayer");
  player_area_->setFixedSize(kPreviewWidth, kPreviewHeight);
  player_area_->setAutoFillBackground(true);
  QPalette black = player_area_->palette();
  black.setColor(QPalette::Window, Qt::black);
  player_area_->setPalette(black);

  auto* color_row = new QHBoxLayout;
  color_row->addWidget(Label("lblBackColor", "Background color:"));
  color_row->addWidget(back_color_);
  color_row->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(color_row);
  left->addWidget(tabs_, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(player_area_);
  right->addStretch();
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(left, 1);
  layout->addLayout(right);

  connect(back_color_, &TColorButton::ColorChanged, this, &TCustomizeForm::TemplateChanged);
  return page;
}

// ---------------------------------------------------------------------------------------------
// Opening and the pages

void TCustomizeForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (opened_) return;
  opened_ = true;
  FillProfileBox();
  const int index = profile_box_->findData(custom_.FormatId);
  if (index >= 0 && index < profile_box_->count() - 1) {
    profile_box_->setCurrentIndex(index);
  } else {
    profile_box_->setCurrentIndex(profile_box_->count() - 1);
    profile_box_->setItemData(profile_box_->count() - 1, custom_.FormatId);
  }
  if (pane_) pane_->SelectProfile(custom_.FormatId);
  if (const TProfileItem* profile = ChosenProfile()) LoadProfile(*profile, &custom_);

  loading_ = true;
  const TProfileAdd& add = feature_.ProfileAdd;
  proportional_box_->setChecked(add.Proportional);
  proportional_.Remember(width_->value(), height_->value());
  audio_enabled_->setChecked(add.AudioEnabled);
  replace_audio_->setText(ToQString(add.ReplaceAudio));
  replace_loop_->setChecked(add.ReplaceLoop);
  loading_ = false;
  OpenReplacementAudio();
  if (add.ClipEndPos > add.ClipStartPos) audio_track_->SetMarks(add.ClipStartPos, add.ClipEndPos);

  generate_.emplace(feature_, ProfileValues().IsF4v(), feature_.ShowSlide);
  LoadGeneratePage();
  LoadTemplatePage();
  GoToPage(TCustomizePage::Profile);
}

bool TCustomizeForm::SaveAsDefault() const { return save_default_->isChecked(); }
void TCustomizeForm::SetSaveAsDefault(bool on) { save_default_->setChecked(on); }

void TCustomizeForm::Next() {
  switch (page_) {
    case TCustomizePage::Profile: {
      // The container may have changed: the Generate page's rules apply anew.
      if (generate_) generate_->StoreInto(feature_);
      generate_.emplace(feature_, ProfileValues().IsF4v(), feature_.ShowSlide);
      ShowGenerateChoices();
      StopAudio();
      GoToPage(TCustomizePage::Generate);
      return;
    }
    case TCustomizePage::Generate: {
      TLinkFields links = LinkFields();
      links.Credit = false;  // checked on its own page
      if (const TCustomizeCheck check = CheckLinks(links); !check.Ok) return ShowCheck(check);
      StoreGeneratePage();
      if (!generate_->HasTemplatePage()) return accept();
      const TTemplateTabs shown = TemplateTabsFor(generate_->Choices().SwfType);
      tabs_->setTabVisible(tabs_->indexOf(head_.Enabled->parentWidget()), shown.Head);
      tabs_->setTabVisible(tabs_->indexOf(tail_.Enabled->parentWidget()), shown.Tail);
      tabs_->setTabVisible(tabs_->indexOf(preloaders_->parentWidget()), shown.Preloader);
      tabs_->setCurrentIndex(0);
      GoToPage(TCustomizePage::Template);
      if (SelectedTemplate(skins_).empty() && skins_->count() > 0) {
        QSignalBlocker block(skins_);
        skins_->setCurrentRow(skins_->count() > 1 ? 1 : 0);
      }
      RefreshPreview();
      RefreshWaterMaskState();
      return;
    }
    case TCustomizePage::Template:
      accept();
      return;
  }
}

void TCustomizeForm::Back() {
  if (page_ == TCustomizePage::Profile) return;
  GoToPage(static_cast<TCustomizePage>(static_cast<int>(page_) - 1));
}

void TCustomizeForm::GoToPage(TCustomizePage page) {
  if (page_ == TCustomizePage::Template && page != TCustomizePage::Template) {
    // Leaving the template page: the credit's place is kept, its overlays go.
    preview_timer_->stop();
    StoreTemplatePage();
    overlay_.reset();
  }
  if (page == TCustomizePage::Template && !preview_ && FlashPreviewWanted()) {
    preview_ = new TFlashPreview(JoinPath(context_.ProgramFolder, "ruffle"), player_area_);
    preview_->setGeometry(player_area_->rect());
    preview_->show();
  } else if (page == TCustomizePage::Template && !preview_ && !player_area_->findChild<QLabel*>("lblPreviewStill")) {
    auto* still = new QLabel("Preview", player_area_);
    still->setObjectName("lblPreviewStill");
    still->setAlignment(Qt::AlignCenter);
    still->setStyleSheet("color: #808080;");
    still->setGeometry(player_area_->rect());
    still->show();
    still->lower();
  }
  page_ = page;
  ShowPage();
}

bool TCustomizeForm::FlashPreviewWanted() const { return TFlashPreview::Available(); }

void TCustomizeForm::ShowPage() {
  pages_->setCurrentIndex(static_cast<int>(page_));
  setWindowTitle(ToQString(CustomizeCaption(ToStdString(caption_), page_)));
  back_->setEnabled(page_ != TCustomizePage::Profile);
  const bool only_flv = page_ == TCustomizePage::Generate && generate_ && !generate_->HasTemplatePage();
  next_->setEnabled(page_ != TCustomizePage::Template && !only_flv);
}

void TCustomizeForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange && pages_) {
    // The translation put the language's caption in the title; the step follows it.
    if (!windowTitle().contains(" : Step ")) caption_ = windowTitle();
    ShowPage();
  }
  QDialog::changeEvent(event);
}

void TCustomizeForm::ShowMessageKey(const std::string& key) {
  context_.Prompts.ShowMessage(this, ToQString(MessageText({key, {}})));
}

void TCustomizeForm::ShowCheck(const TCustomizeCheck& check) {
  for (const std::string& key : check.Messages) ShowMessageKey(key);
  if (check.Ok) return;
  GoToPage(check.Page);
  QWidget* field = findChild<QWidget*>(ToQString(check.Field));
  if (!field) return;
  // A field on one of the template page's tabs brings its tab forward.
  for (QWidget* w = field; w; w = w->parentWidget())
    if (tabs_->indexOf(w) >= 0) tabs_->setCurrentWidget(w);
  field->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Page 1: the profile

void TCustomizeForm::FillProfileBox() {
  loading_ = true;
  profile_box_->clear();
  if (catalogue_) {
    std::vector<const TProfileItem*> profiles;
    for (size_t i = 0; i < catalogue_->CategoryCount(); ++i) {
      TProfileCategory& category = catalogue_->Category(i);
      if (category.Id != kAllProfilesCategory) continue;
      for (const TProfileItem* item : catalogue_->CategoryItems(category).Items()) profiles.push_back(item);
    }
    // The user's own profiles are choices too (Save As selects the new one here).
    for (const TProfileItem* item : catalogue_->User().Items())
      if (std::find(profiles.begin(), profiles.end(), item) == profiles.end()) profiles.push_back(item);
    for (const TProfileItem* item : profiles) profile_box_->addItem(ToQString(item->Name), item->EffectiveId());
  }
  profile_box_->addItem(kCustomEntry, custom_.FormatId);
  loading_ = false;
}

const TProfileItem* TCustomizeForm::ChosenProfile() const {
  return catalogue_ ? catalogue_->FindProfile(ChosenProfileId()) : nullptr;
}

int32_t TCustomizeForm::ChosenProfileId() const { return profile_box_->currentData().toInt(); }

void TCustomizeForm::ProfileBoxChosen(int index) {
  if (loading_ || index < 0 || index == profile_box_->count() - 1) return;  // "Custom" keeps the values
  const TProfileItem* profile = ChosenProfile();
  if (!profile) return;
  if (pane_) pane_->SelectProfile(profile->EffectiveId());
  LoadProfile(*profile, nullptr);
}

void TCustomizeForm::LoadProfile(const TProfileItem& profile, const TCustomProfileSettings* custom) {
  loading_ = true;
  // The custom profile's values where it has them, the profile's otherwise.
  const auto pick = [custom](auto custom_value, auto profile_value) {
    return custom && custom_value != 0 ? custom_value : profile_value;
  };
  static const TContainerFormat kNoContainer;
  const TContainerFormat* found = FindContainer(profile.FourCC);
  const TContainerFormat& container = found ? *found : kNoContainer;
  FillCodecs(video_codec_, container.Video, pick(custom ? custom->VideoFourCC : 0, profile.VideoEncoder));
  FillCodecs(audio_codec_, container.Audio, pick(custom ? custom->AudioFourCC : 0, profile.AudioEncoder));
  width_->setValue(std::clamp(pick(custom ? custom->VideoWidth : 0, profile.Width), 0, kMaxFrameSize));
  height_->setValue(std::clamp(pick(custom ? custom->VideoHeight : 0, profile.Height), 0, kMaxFrameSize));

  const double rate = custom ? custom->VideoFrameRate : profile.FrameRate;
  frame_rate_->clear();
  frame_rate_->addItem(kKeepFrameRate);
  for (const std::string& entry : profile.FrameRates) frame_rate_->addItem(ToQString(entry));
  if (rate <= 0) {
    frame_rate_->setCurrentIndex(0);
  } else if (const int index = FindChoice(profile.FrameRates, rate); index >= 0) {
    frame_rate_->setCurrentIndex(index + 1);
  } else {
    frame_rate_->setCurrentIndex(-1);
    frame_rate_->setEditText(ToQString(FrameRateText(std::min(rate, kMaxFrameRate))));
  }
  FillChoices(video_rate_, profile.VideoBitrates, pick(custom ? custom->VideoBitrate : 0, profile.VideoBitrate) / 1000.0);
  FillChoices(sample_rate_, profile.SampleRates, pick(custom ? custom->AudioSampleRate : 0, profile.SampleRate));
  FillChoices(audio_rate_, profile.AudioBitrates, pick(custom ? custom->AudioBitrate : 0, profile.AudioBitrate) / 1000.0);
  FillChoices(channels_, profile.ChannelChoices, pick(custom ? custom->Channels : 0, profile.Channels));

  // Streams copied as they are have no video values to edit.
  video_group_->setEnabled(profile.FourCC != kFourCCCopy && !profile.NoVideo());
  delete_->setEnabled(profile.IsUser);
  if (proportional_box_->isChecked()) proportional_.Remember(width_->value(), height_->value());
  loading_ = false;
  ShowAudioEnables();
}

TProfilePageValues TCustomizeForm::ProfileValues() const {
  TProfilePageValues v;
  v.FormatId = ChosenProfileId();
  if (const TProfileItem* profile = ChosenProfile()) v.Container = profile->FourCC;
  v.Width = width_->value();
  v.Height = height_->value();
  v.KeepsFrameRate = frame_rate_->currentText() == frame_rate_->itemText(0);
  v.FrameRateText = v.KeepsFrameRate ? "0" : ToStdString(frame_rate_->currentText());
  v.VideoCodec = video_codec_->currentData().toUInt();
  v.VideoKbps = static_cast<int32_t>(LeadingNumber(ToStdString(video_rate_->currentText())));
  v.AudioCodec = audio_codec_->currentData().toUInt();
  v.SampleRate = static_cast<int32_t>(LeadingNumber(ToStdString(sample_rate_->currentText())));
  v.AudioKbps = static_cast<int32_t>(LeadingNumber(ToStdString(audio_rate_->currentText())));
  v.ChannelsText = ToStdString(channels_->currentText());
  return v;
}

void TCustomizeForm::WidthChanged(int value) {
  if (loading_ || !proportional_box_->isChecked()) return;
  QSignalBlocker block(height_);
  height_->setValue(proportional_.HeightFor(value, height_->value()));
}

void TCustomizeForm::HeightChanged(int value) {
  if (loading_ || !proportional_box_->isChecked()) return;
  QSignalBlocker block(width_);
  width_->setValue(proportional_.WidthFor(value, width_->value()));
}

void TCustomizeForm::SaveProfileAs() {
  const TProfileItem* base = ChosenProfile();
  if (!base || !catalogue_) return;
  const QString answer = context_.Prompts.AskText(this, ToQString(MessageText({"INF_SAVE_PROFILE_CAPTION", {}})),
                                                  ToQString(MessageText({"INF_SAVE_PROFILE_PROMPT", {}})),
                                                  ToQString(base->Name));
  const std::string name(Trim(ToStdString(answer)));
  if (name.empty()) return;
  const TProfilePageValues values = ProfileValues();
  // Values that fail the checks make no profile.
  if (const TCustomizeCheck check = CheckProfileValues(values); !check.Ok) return ShowCheck(check);
  TProfileItem* made = catalogue_->AddUserProfile(*base, name);
  if (values.VideoEditable()) {
    made->Width = values.Width;
    made->Height = values.Height;
    made->FrameRate = values.KeepsFrameRate ? 0 : std::strtod(values.FrameRateText.c_str(), nullptr);
    if (values.VideoCodec) made->VideoEncoder = values.VideoCodec;
    made->VideoBitrate = values.VideoKbps * 1000;
  }
  if (values.AudioCodec) made->AudioEncoder = values.AudioCodec;
  made->SampleRate = values.SampleRate;
  made->AudioBitrate = values.AudioKbps * 1000;
  made->Channels = std::max(1, static_cast<int32_t>(LeadingNumber(values.ChannelsText)));
  profiles_changed_ = true;
  try {
    catalogue_->SaveUserProfiles();
  } catch (const std::exception& e) {
    context_.Prompts.ShowMessage(this, ToQString(e.what()));
  }
  const int32_t id = made->EffectiveId();
  FillProfileBox();
  profile_box_->setCurrentIndex(std::max(0, profile_box_->findData(id)));
  if (pane_) {
    pane_->Rebuild();
    pane_->SelectProfile(id);
  }
  delete_->setEnabled(true);
}

void TCustomizeForm::DeleteProfile() {
  const TProfileItem* profile = ChosenProfile();
  if (!profile || !profile->IsUser || !catalogue_) return;
  const int index = profile_box_->currentIndex();
  if (!catalogue_->DeleteUserProfile(profile->EffectiveId())) return;
  profiles_changed_ = true;
  // The user's profile file follows at once: a deleted profile does not come back.
  try {
    catalogue_->SaveUserProfiles();
  } catch (const std::exception& e) {
    context_.Prompts.ShowMessage(this, ToQString(e.what()));
  }
  if (pane_) pane_->Rebuild();
  FillProfileBox();
  const int next = std::min(index, profile_box_->count() - 1);
  profile_box_->setCurrentIndex(next);
  ProfileBoxChosen(next);
  const TProfileItem* now = ChosenProfile();
  delete_->setEnabled(now && now->IsUser);
}

void TCustomizeForm::ShowAudioEnables() {
  const bool on = audio_enabled_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{audio_codec_, sample_rate_, audio_rate_, channels_, replace_audio_,
                                                    replace_loop_, audio_clear_})
    w->setEnabled(on);
  const bool playable = on && audio_length_ > 0;
  for (QWidget* w : std::initializer_list<QWidget*>{audio_track_, audio_play_, audio_section_, audio_stop_, clip_start_,
                                                    clip_end_, audio_time_})
    w->setEnabled(playable);
  if (!on) StopAudio();
}

void TCustomizeForm::ChooseReplacementAudio() {
  const QString start = ToQString(context_.Config.ReadString(keys::kOutput, keys::kRecentAudioFiles, ""));
  const QStringList files = context_.Prompts.ChooseFiles(
      this, start, ChooserFilter(MessageText({"VF_AudioFilter", {}})), false);
  if (files.isEmpty()) return;
  const std::string file = ToStdString(files.front());
  try {
    context_.Config.WriteString(keys::kOutput, keys::kRecentAudioFiles,
                                std::filesystem::path(file).parent_path().string());
  } catch (const std::exception& e) {
    Log(std::string("cannot remember the audio folder: ") + e.what());
  }
  replace_audio_->setText(files.front());
  OpenReplacementAudio();
}

void TCustomizeForm::OpenReplacementAudio() {
  StopAudio();
  audio_player_.reset();
  audio_length_ = 0;
  const std::string file(Trim(ToStdString(replace_audio_->text())));
  if (!file.empty()) {
    try {
      auto player = std::make_unique<TMediaPlayer>(nullptr, sound_);
      player->Attach(nullptr, std::make_shared<TAudioDecoder>(file));
      audio_length_ = player->MovieLength();
      audio_player_ = std::move(player);
    } catch (const std::exception& e) {
      Log(Format("the replacement sound %s cannot be played: %s", file.c_str(), e.what()));
    }
  }
  audio_track_->SetLength(audio_length_);
  audio_track_->SetMarks(0, audio_length_);
  ShowAudioPosition();
  ShowAudioEnables();
}

void TCustomizeForm::ShowAudioPosition() {
  const double played = audio_player_ ? audio_player_->PlayedTime() : 0;
  if (!audio_track_->Dragging()) audio_track_->SetPosition(played);
  audio_time_->setText(ToQString(PlayTimeText(played, audio_length_)));
  if (!audio_player_ || audio_player_->State() != TPlayerState::Playing) audio_timer_->stop();
}

void TCustomizeForm::StopAudio() {
  if (audio_timer_) audio_timer_->stop();
  if (audio_player_) audio_player_->Stop();
}

// ---------------------------------------------------------------------------------------------
// Page 2: what is generated

void TCustomizeForm::LoadGeneratePage() {
  loading_ = true;
  const TSwfPlayback& playback = feature_.Playback;
  auto_play_->setChecked(feature_.AutoPlay);
  auto_rewind_->setChecked(playback.AutoRewind);
  click_url_->setText(LinkText(playback.ClickingUrl));
  end_url_->setText(LinkText(playback.EndUrl));
  click_target_->setCurrentIndex(static_cast<int>(LinkTargetIndex(playback.ClickingTarget)));
  end_target_->setCurrentIndex(static_cast<int>(LinkTargetIndex(playback.EndTarget)));
  loading_ = false;
  ShowGenerateChoices();
}

void TCustomizeForm::ShowGenerateChoices() {
  if (!generate_) return;
  loading_ = true;
  const TGenerateChoices& c = generate_->Choices();
  const TGenerateEnables e = generate_->Enables();
  gen_flv_->setChecked(c.Flv);
  gen_swf_->setChecked(c.Swf);
  gen_html_->setChecked(c.Html);
  gen_thumbnail_->setChecked(c.Thumbnail);
  type_embed_->setChecked(c.SwfType == kSwfTypeEmbedded);
  type_external_->setChecked(c.SwfType == kSwfTypeExternalFlv);
  type_url_->setChecked(c.SwfType == kSwfTypeUrlVariable);
  if (url_var_->text() != ToQString(c.UrlVar)) url_var_->setText(ToQString(c.UrlVar));
  click_->setChecked(c.LaunchClicking);
  end_->setChecked(c.LaunchEnd);
  type_embed_->setEnabled(e.Embed);
  type_external_->setEnabled(e.External);
  type_url_->setEnabled(e.UrlType);
  url_var_->setEnabled(e.UrlVar);
  gen_html_->setEnabled(e.Html);
  gen_thumbnail_->setEnabled(e.Thumbnail);
  click_url_->setEnabled(e.ClickingFields);
  click_target_->setEnabled(e.ClickingFields);
  end_url_->setEnabled(e.EndFields);
  end_target_->setEnabled(e.EndFields);
  loading_ = false;
  ShowPage();
}

TLinkFields TCustomizeForm::LinkFields() const {
  TLinkFields links;
  links.Clicking = click_->isChecked();
  links.End = end_->isChecked();
  links.Credit = decorate_->isChecked();
  links.ClickingUrl = ToStdString(click_url_->text());
  links.EndUrl = ToStdString(end_url_->text());
  links.CreditUrl = ToStdString(credit_url_->text());
  return links;
}

void TCustomizeForm::StoreGeneratePage() {
  TSwfFeature& feature = feature_;
  if (generate_) generate_->StoreInto(feature);
  feature.AutoPlay = auto_play_->isChecked();
  TSwfPlayback& playback = feature.Playback;
  playback.AutoRewind = auto_rewind_->isChecked();
  playback.ClickingUrl = Trim(ToStdString(click_url_->text()));
  playback.EndUrl = Trim(ToStdString(end_url_->text()));
  playback.ClickingTarget = ToStdString(click_target_->currentText());
  playback.EndTarget = ToStdString(end_target_->currentText());
}

// ---------------------------------------------------------------------------------------------
// Page 3: the template

void TCustomizeForm::LoadTemplatePage() {
  loading_ = true;
  back_color_->SetColor(feature_.Base.BGColor);
  const TSwfSkin& skin = feature_.Skin;
  use_skin_->setChecked(skin.UseSkin);
  skins_->setEnabled(skin.UseSkin);
  skin_group_->setEnabled(skin.UseSkin);
  const auto select = [](QListWidget* list, const std::string& stored) {
    QSignalBlocker block(list);
    list->clearSelection();
    if (QListWidgetItem* item = FindTemplate(list, stored)) {
      list->setCurrentItem(item);
      item->setSelected(true);
    }
  };
  select(skins_, skin.UseSkin ? feature_.PlayerID : std::string());
  hide_delay_->setValue(std::clamp(skin.HideDelay, 1, 300));
  skin_color_->SetColor(skin.SkinColor);
  saturation_->setValue(skin.ColorSaturation);
  auto_hide_skin_->setChecked(skin.AutoHideSkin);
  auto_hide_mouse_->setChecked(skin.AutoHideMouse);
  select(effects_, feature_.EffectMask.EffectID);
  select(preloaders_, feature_.Preloader.PreloaderID);

  decorate_->setChecked(feature_.Decorate.IsDecorate);
  const bool image = feature_.Image.Visible && !feature_.Text.Visible;
  credit_text_->setChecked(!image);
  credit_image_->setChecked(image);
  credit_text_edit_->setText(ToQString(feature_.Text.Content));
  credit_image_edit_->setText(ToQString(feature_.Image.FileName));
  credit_text_url_ = feature_.Text.URL;
  credit_image_url_ = feature_.Image.URL;
  credit_url_->setText(LinkText(image ? credit_image_url_ : credit_text_url_));
  credit_group_->setEnabled(feature_.Decorate.IsDecorate);
  LoadTitle(feature_.Head, head_);
  LoadTitle(feature_.Tail, tail_);
  loading_ = false;
  ShowTitleEnables();
}

void TCustomizeForm::LoadTitle(const TDTextEffect& effect, TTitleControls& title) {
  title.Enabled->setChecked(effect.Visible);
  title.Transition->setCurrentIndex(static_cast<int>(TransitionIndex(effect.NameID)));
  title.BGColor->SetColor(effect.BGColor);
  title.Duration->setValue(std::clamp(effect.Time, kMinTitleSeconds, kMaxTitleSeconds));
  QStringList lines;
  for (const std::string& line : SplitTitleLines(effect.Content)) lines << ToQString(line);
  title.Content->setPlainText(lines.join('\n'));
  title.Image->setText(ToQString(effect.BGPictureName));
  title.FontChoice = FontOf(effect);
}

void TCustomizeForm::StoreTitle(const TTitleControls& title, TDTextEffect& effect) const {
  effect.Visible = title.Enabled->isChecked();
  const std::span<const TTextEffect> effects = TextEffects();
  const auto index = static_cast<size_t>(std::max(0, title.Transition->currentIndex()));
  if (index < effects.size()) effect.NameID = std::string(effects[index].ID);
  effect.BGColor = title.BGColor->Color();
  effect.Time = title.Duration->value();
  std::vector<std::string> lines;
  for (const QString& line : title.Content->toPlainText().split('\n')) lines.push_back(ToStdString(line));
  effect.Content = JoinTitleLines(lines);
  effect.BGPictureName = ToStdString(title.Image->text());
  SetFont(title.FontChoice, effect);
}

void TCustomizeForm::ShowTitleEnables() {
  for (TTitleControls* title : {&head_, &tail_}) {
    title->Group->setEnabled(title->Enabled->isChecked());
    // The text box shows the title's colours.
    const QColor ground = ToQColor(title->BGColor->Color());
    QColor ink = ToQColor(SwapRedBlue(title->FontChoice.Color));
    // A text colour too close to the ground would hide what is typed: then black or white.
    if (std::abs(qGray(ink.rgb()) - qGray(ground.rgb())) < kMinInkContrast)
      ink = qGray(ground.rgb()) < 128 ? Qt::white : Qt::black;
    QPalette colours = title->Content->palette();
    colours.setColor(QPalette::Base, ground);
    colours.setColor(QPalette::Text, ink);
    title->Content->setPalette(colours);
  }
}

void TCustomizeForm::StoreTemplatePage() {
  TSwfFeature& feature = feature_;
  feature.Base.BGColor = back_color_->Color();
  TakeFrameSize();
  TSwfSkin& skin = feature.Skin;
  skin.UseSkin = use_skin_->isChecked();
  feature.PlayerID = skin.UseSkin ? SelectedTemplate(skins_) : std::string();
  skin.HideDelay = hide_delay_->value();
  skin.SkinColor = skin_color_->Color();
  skin.ColorSaturation = saturation_->value();
  skin.AutoHideSkin = auto_hide_skin_->isChecked();
  skin.AutoHideMouse = auto_hide_mouse_->isChecked();
  feature.EffectMask.EffectID = SelectedTemplate(effects_);
  feature.Preloader.PreloaderID = SelectedTemplate(preloaders_);
  if (!loading_) {
    if (overlay_) overlay_->StoreToSettings();
    feature.Decorate.IsDecorate = decorate_->isChecked();
    feature.Text.Visible = credit_text_->isChecked();
    feature.Image.Visible = credit_image_->isChecked();
    feature.Text.Content = ToStdString(credit_text_edit_->text());
    feature.Image.FileName = ToStdString(credit_image_edit_->text());
    const std::string url = StoredCreditUrl(ToStdString(credit_url_->text()));
    feature.Text.URL = credit_text_->isChecked() ? url : credit_text_url_;
    feature.Image.URL = credit_image_->isChecked() ? url : credit_image_url_;
  }
  const TTemplateTabs shown = TemplateTabsFor(feature.Generate.SwfType);
  if (shown.Head) StoreTitle(head_, feature.Head);
  if (shown.Tail) StoreTitle(tail_, feature.Tail);
}

void TCustomizeForm::TakeFrameSize() {
  feature_.Base.Width = width_->value();
  feature_.Base.Height = height_->value();
}

void TCustomizeForm::TemplateChanged() {
  if (loading_ || page_ != TCustomizePage::Template) return;
  RefreshPreview();
}

void TCustomizeForm::TemplateTyped() {
  if (loading_ || page_ != TCustomizePage::Template) return;
  ShowTitleEnables();
  preview_timer_->start();
}

void TCustomizeForm::RefreshPreview() {
  if (loading_ || page_ != TCustomizePage::Template) return;
  preview_timer_->stop();
  ShowTitleEnables();
  StoreTemplatePage();
  // Errors while building the preview are not the user's: the last picture stays.
  try {
    TSwfFeature preview = feature_;
    preview.Base.FPS = kPreviewFps;
    preview.DebugTrace = true;  // the player reports what it plays
    preview_movie_ = preview.BuildPreview(nullptr);
    if (preview_) preview_->ShowMovie(preview_movie_);
  } catch (const std::exception& e) {
    Log(std::string("the Customize preview failed: ") + e.what());
    preview_movie_.clear();
  }
}

// ---------------------------------------------------------------------------------------------
// The credit

void TCustomizeForm::RefreshWaterMaskState() {
  const bool on = decorate_->isChecked();
  credit_group_->setEnabled(on);
  if (page_ != TCustomizePage::Template) return;
  if (on && !overlay_) {
    TakeFrameSize();
    overlay_ = std::make_unique<TCreditOverlay>(feature_, player_area_);
  }
  if (!overlay_) return;
  overlay_->ShowText(on && credit_text_->isChecked());
  overlay_->ShowPicture(on && credit_image_->isChecked());
}

void TCustomizeForm::CreditKindChosen() {
  // The link field belongs to the kind shown: the other kind keeps its own.
  const std::string url = StoredCreditUrl(ToStdString(credit_url_->text()));
  if (credit_text_->isChecked()) {
    credit_image_url_ = url;
    credit_url_->setText(LinkText(credit_text_url_));
  } else {
    credit_text_url_ = url;
    credit_url_->setText(LinkText(credit_image_url_));
  }
  feature_.Text.Visible = credit_text_->isChecked();
  feature_.Image.Visible = credit_image_->isChecked();
  RefreshWaterMaskState();
}

void TCustomizeForm::ChooseCreditFont() {
  const std::optional<TMediaTaskFont> font = font_chooser_(this, FontOf(feature_.Text));
  if (!font) return;
  if (overlay_) overlay_->StoreToSettings();
  SetFont(*font, feature_.Text);
  if (overlay_) overlay_->ReloadText();
}

std::string TCustomizeForm::ChoosePicture() {
  const QString start = ToQString(context_.Config.ReadString(keys::kOutput, keys::kRecentSwfPicFiles, ""));
  const QStringList files =
      context_.Prompts.ChooseFiles(this, start, ChooserFilter(MessageText({"VF_SwfPicFilter", {}})), false);
  if (files.isEmpty()) return {};
  if (QImage(files.front()).isNull()) {
    ShowMessageKey("INF_WatermarkPicError");
    return {};
  }
  const std::string file = ToStdString(files.front());
  try {
    context_.Config.WriteString(keys::kOutput, keys::kRecentSwfPicFiles,
                                std::filesystem::path(file).parent_path().string());
  } catch (const std::exception& e) {
    Log(std::string("cannot remember the picture folder: ") + e.what());
  }
  return file;
}

void TCustomizeForm::ChooseCreditPicture() {
  const std::string file = ChoosePicture();
  if (file.empty()) return;
  const QImage picture(ToQString(file));
  if (overlay_) overlay_->StoreToSettings();
  feature_.Image.FileName = file;
  feature_.Image.Width = picture.width();
  feature_.Image.Height = picture.height();
  credit_image_edit_->setText(ToQString(file));
  if (overlay_) overlay_->ReloadPicture();
}

void TCustomizeForm::ChooseTitleFont(TTitleControls& title) {
  if (const std::optional<TMediaTaskFont> font = font_chooser_(this, title.FontChoice)) {
    title.FontChoice = *font;
    TemplateChanged();
  }
}

void TCustomizeForm::ChooseTitlePicture(TTitleControls& title) {
  const std::string file = ChoosePicture();
  if (file.empty()) return;
  title.Image->setText(ToQString(file));
  TemplateChanged();
}

bool TCustomizeForm::eventFilter(QObject* watched, QEvent* event) {
  // Backspace in a title's picture field takes the picture away.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Backspace) {
    for (TTitleControls* title : {&head_, &tail_})
      if (watched == title->Image) {
        title->Image->clear();
        TemplateChanged();
        return true;
      }
  }
  return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// OK

void TCustomizeForm::accept() {
  if (const TCustomizeCheck links = CheckLinks(LinkFields()); !links.Ok) return ShowCheck(links);
  StoreGeneratePage();
  if (page_ == TCustomizePage::Template) StoreTemplatePage();
  const TProfilePageValues values = ProfileValues();
  // The output frame: the first page's size, and its rate unless the source's is kept.
  TakeFrameSize();
  if (!values.KeepsFrameRate) feature_.Base.FPS = static_cast<float>(std::strtod(values.FrameRateText.c_str(), nullptr));
  TProfileAdd& add = feature_.ProfileAdd;
  add.AudioEnabled = audio_enabled_->isChecked();
  add.ReplaceAudio = Trim(ToStdString(replace_audio_->text()));
  add.ReplaceLoop = replace_loop_->isChecked();
  const bool clipped = audio_length_ > 0 && (audio_track_->MarkStart() > 0 || audio_track_->MarkEnd() < audio_length_);
  add.ClipStartPos = clipped ? audio_track_->MarkStart() : 0;
  add.ClipEndPos = clipped ? audio_track_->MarkEnd() : 0;
  add.Proportional = proportional_box_->isChecked();

  const TCustomizeCheck check = CheckCustomize(LinkFields(), values, feature_, kFlashPlayerMajorVersion);
  if (!check.Ok) return ShowCheck(check);
  for (const std::string& key : check.Messages) ShowMessageKey(key);  // notices
  StoreProfileValues(values, custom_);
  QDialog::accept();
}

void TCustomizeForm::done(int result) {
  StopAudio();
  preview_timer_->stop();
  QDialog::done(result);
}

TCustomizeOutcome RunCustomizeDialog(const TFormContext& context, TProfileCatalogue& catalogue, const TMediaTask& task,
                                     bool save_as_default, QWidget* parent, TAudioOutput* sound) {
  TSwfFeature flash = task.Flash;
  flash.ShowSlide = task.Kind() == TMediaTaskKind::Slide;
  TCustomProfileSettings custom;
  custom.CaptureFrom(task);
  TCustomizeForm form(context, &catalogue, flash, custom, parent, sound);
  form.SetSaveAsDefault(save_as_default);
  TCustomizeOutcome outcome;
  outcome.Accepted = form.exec() == QDialog::Accepted;
  outcome.SaveAsDefault = form.SaveAsDefault();
  outcome.ProfilesChanged = form.ProfilesChanged();
  outcome.ProfileId = form.ChosenProfileId();
  if (outcome.Accepted) {
    outcome.Flash = form.SwfFeature();
    outcome.Custom = form.CustomProfile();
  }
  return outcome;
}

}  // namespace fc::gui
