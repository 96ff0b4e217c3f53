#include "gui/video_edit_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "core/log.h"
#include "core/text.h"
#include "gui/font_dialog.h"
#include "gui/media_player_view.h"
#include "gui/named_widget.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"
#include "gui/model/track_scale.h"

namespace fc::gui {
namespace {

// The preview starts a moment after the dialog shows, so that the window is painted first.
constexpr int kStartDelayMs = 200;
// The files the picture chooser offers for a watermark.
constexpr const char* kPictureFilter = "Pictures (*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff)";

QSlider* Bar(const char* name, int minimum, int maximum, int ticks, QWidget* parent) {
  auto* bar = Named<QSlider>(name, Qt::Horizontal, parent);
  bar->setRange(minimum, maximum);
  if (ticks > 0) {
    bar->setTickInterval(ticks);
    bar->setTickPosition(QSlider::TicksBelow);
  }
  return bar;
}

QSpinBox* Spin(const char* name, QWidget* parent) {
  auto* spin = Named<QSpinBox>(name, parent);
  spin->setKeyboardTracking(true);
  spin->setMinimumWidth(72);
  return spin;
}

// A track bar and the spin edit beside it, over the same range.
void BarAndSpin(const char* bar_name, const char* spin_name, const TEditRange& range, QWidget* parent, QSlider*& bar,
                QSpinBox*& spin) {
  bar = Bar(bar_name, range.Min, range.Max, 0, parent);
  spin = Spin(spin_name, parent);
  spin->setRange(range.Min, range.Max);
}

QComboBox* Choices(const char* name, std::span<const TEditChoice> choices, QWidget* parent) {
  auto* combo = Named<QComboBox>(name, parent);
  for (const TEditChoice& c : choices) combo->addItem(QString::fromUtf8(c.Caption));
  return combo;
}

void SetRange(QSpinBox* spin, const TEditRange& range, int value) {
  spin->setRange(range.Min, range.Max);
  spin->setValue(value);
}

void SetRange(QSlider* bar, const TEditRange& range, int value) {
  bar->setRange(range.Min, range.Max);
  bar->setValue(value);
}

void SetRange(QSlider* bar, QSpinBox* spin, const TEditRange& range, int value) {
  SetRange(bar, range, value);
  SetRange(spin, range, value);
}

}  // namespace

// The edits go to the output view's processor and the player; a still picture is shown again.
class TVideoEditForm::TPreview final : public TEditPreview {
public:
  TPreview(TMediaPlayer& player, TMediaPlayerView& view) : player_(player), view_(view) {}

  void SetCrop(const TCropRect& rect, int32_t mode) override {
    Processor([&rect, mode](TVideoProcessor& p) { p.SetCrop(rect, mode); });
  }
  void SetBrightness(int32_t v) override { Processor([v](TVideoProcessor& p) { p.SetBrightness(v); }); }
  void SetContrast(int32_t v) override { Processor([v](TVideoProcessor& p) { p.SetContrast(v); }); }
  void SetSaturation(int32_t v) override { Processor([v](TVideoProcessor& p) { p.SetSaturation(v); }); }
  void SetEffects(int32_t v) override { Processor([v](TVideoProcessor& p) { p.SetEffects(v); }); }
  void SetFlip(int32_t v) override { Processor([v](TVideoProcessor& p) { p.SetFlip(v); }); }
  void SetDeinterlace(int32_t v) override { Processor([v](TVideoProcessor& p) { p.SetDeinterlace(v); }); }
  void SetWatermark(const TDibImage* image, int32_t opacity, float l, float t, float r, float b) override {
    auto* p = view_.Processor();
    if (!p) return;
    if (image)
      p->SetWatermark(image->ToRgba(), opacity, l, t, r, b);
    else
      p->ClearWatermark();
  }
  void SetSubtitle(const TSubtitleSettings* subtitle, int32_t opacity) override {
    auto* p = view_.Processor();
    if (!p) return;
    try {
      p->SetSubtitle(subtitle ? *subtitle : TSubtitleSettings{}, opacity);
    } catch (const std::exception& e) {
      // The preview goes on without the subtitle; the conversion reports its own trouble.
      Log(std::string("Preview subtitle: ") + e.what());
    }
  }
  void SetVolume(int32_t percent) override { player_.SetVolume(percent); }
  void Changed() override {
    const TPlayerState state = player_.State();
    if (state == TPlayerState::Paused || state == TPlayerState::Stopped) player_.Refresh();
  }

private:
  // Runs `edit` on the output view's processor, when there is one.
  template <typename F>
  void Processor(F&& edit) {
    if (TVideoProcessor* p = view_.Processor()) edit(*p);
  }

  TMediaPlayer& player_;
  TMediaPlayerView& view_;
};

TVideoEditForm::TVideoEditForm(const TFormContext& context, TMediaTask* task, QWidget* parent, TAudioOutput* sound)
    : QDialog(parent), context_(context), task_(task), sound_(sound), font_chooser_(AskFont) {
  setObjectName("VideoEditForm");
  setWindowTitle("Video Edit");
  if (task_ && task_->EditParams()) model_ = std::make_unique<TVideoEditModel>(*task_);
  BuildControls();
  Connect();
  start_timer_ = new QTimer(this);
  start_timer_->setSingleShot(true);
  start_timer_->setInterval(kStartDelayMs);
  connect(start_timer_, &QTimer::timeout, this, &TVideoEditForm::StartPreview);
  typed_timer_ = new QTimer(this);
  typed_timer_->setSingleShot(true);
  typed_timer_->setInterval(kTypedPathDelayMs);
  connect(typed_timer_, &QTimer::timeout, this, [this] { Change([](TVideoEditModel& m) { m.FinishTypedMarkImage(); }); });
  TranslateForm(this);
  ShowModel();
}

TVideoEditForm::~TVideoEditForm() {
  // The views leave the player before it goes; the model forgets the preview first.
  if (model_) model_->AttachPreview(nullptr);
  if (player_) player_->Stop();
  play_window_->SetPlayer(nullptr);
  output_window_->SetPlayer(nullptr);
  player_.reset();
}

// --- building -------------------------------------------------------------------------------------

void TVideoEditForm::BuildControls() {
  play_window_ = Named<TMediaPlayerView>("PlayWindow", this);
  output_window_ = Named<TMediaPlayerView>("OutputWindow", this);
  for (TMediaPlayerView* view : {play_window_, output_window_}) {
    view->setMinimumSize(320, 240);
    view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
  auto* views = new QHBoxLayout;
  views->addWidget(play_window_, 1);
  views->addWidget(output_window_, 1);

  play_ = Named<QToolButton>("btnPlay", this);
  play_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  play_->setToolTip("Play");
  stop_ = Named<QToolButton>("btnStop", this);
  stop_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  stop_->setToolTip("Stop");
  position_ = Bar("vtbPlayer", 0, 0, 0, this);
  time_ = Named<QPushButton>("btnProgInfo", "00:00:00/00:00:00", this);
  time_->setFlat(true);
  time_->hide();  // shown only when the language file asks for it
  mute_ = Named<QToolButton>("btnVolume", this);
  mute_->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
  volume_ = Bar("tbVolume", TVideoEditModel::VolumeRange().Min, TVideoEditModel::VolumeRange().Max, 20, this);
  volume_->setToolTip("Volume");
  volume_->setMaximumWidth(140);
  flip_horizontal_ = Named<QToolButton>("btnHorzFlip", this);
  flip_horizontal_->setText(QString::fromUtf8("\u21C4"));
  flip_horizontal_->setToolTip("Flip horizontally");
  flip_horizontal_->setCheckable(true);
  flip_vertical_ = Named<QToolButton>("btnVertFlip", this);
  flip_vertical_->setText(QString::fromUtf8("\u21C5"));
  flip_vertical_->setToolTip("Flip vertically");
  flip_vertical_->setCheckable(true);
  auto* controls = new QHBoxLayout;
  controls->addWidget(play_);
  controls->addWidget(stop_);
  controls->addWidget(position_, 1);
  controls->addWidget(time_);
  controls->addSpacing(8);
  controls->addWidget(mute_);
  controls->addWidget(volume_);
  controls->addSpacing(8);
  controls->addWidget(flip_horizontal_);
  controls->addWidget(flip_vertical_);

  pages_ = Named<QTabWidget>("PageControl", this);
  pages_->addTab(BuildCropPage(), "Crop");
  pages_->addTab(BuildEffectPage(), "Effect");
  pages_->addTab(BuildWatermarkPage(), "WaterMark");
  pages_->addTab(BuildSubtitlePage(), "SubTitle");

  auto* ok = Named<QPushButton>("btnOk", "OK", this);
  ok->setDefault(true);
  auto* cancel = Named<QPushButton>("btnCancel", "Cancel", this);
  connect(ok, &QPushButton::clicked, this, &TVideoEditForm::accept);
  connect(cancel, &QPushButton::clicked, this, &TVideoEditForm::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(views, 1);
  layout->addLayout(controls);
  layout->addWidget(pages_);
  layout->addLayout(RightAlignedRow({ok, cancel}));
}

QWidget* TVideoEditForm::BuildCropPage() {
  auto* page = Named<QWidget>("tabCrop");
  zoom_ = Choices("cbZoom", ZoomChoices(), page);
  crop_left_ = Spin("seCropLeft", page);
  crop_top_ = Spin("seCropTop", page);
  crop_width_ = Spin("seCropWidth", page);
  crop_height_ = Spin("seCropHeight", page);
  reset_crop_ = Named<QPushButton>("btnResetCrop", "Reset", page);
  auto* grid = new QGridLayout(page);
  grid->addWidget(Named<QLabel>("lblZoom", "Zoom:", page), 0, 0);
  grid->addWidget(zoom_, 0, 1, 1, 3);
  grid->addWidget(Named<QLabel>("lblCropSize", "Croped area size:", page), 1, 0, 1, 4);
  grid->addWidget(Named<QLabel>("lblCropLeft", "Left:", page), 2, 0);
  grid->addWidget(crop_left_, 2, 1);
  grid->addWidget(Named<QLabel>("lblCropTop", "Top:", page), 2, 2);
  grid->addWidget(crop_top_, 2, 3);
  grid->addWidget(Named<QLabel>("lblCropWidth", "Width:", page), 3, 0);
  grid->addWidget(crop_width_, 3, 1);
  grid->addWidget(Named<QLabel>("lblCropHeight", "Height:", page), 3, 2);
  grid->addWidget(crop_height_, 3, 3);
  grid->addWidget(reset_crop_, 4, 3, Qt::AlignRight);
  grid->setColumnStretch(4, 1);
  grid->setRowStretch(5, 1);
  return page;
}

QWidget* TVideoEditForm::BuildEffectPage() {
  auto* page = Named<QWidget>("tabEffect");
  const TEditRange levels = TVideoEditModel::LevelRange();
  brightness_ = Bar("tbBrightness", levels.Min, levels.Max, 20, page);
  contrast_ = Bar("tbContrast", levels.Min, levels.Max, 20, page);
  saturation_ = Bar("tbSaturation", levels.Min, levels.Max, 20, page);
  effect_ = Choices("cbEffect", EffectChoices(), page);
  interlacing_ = Choices("cbInterlacing", DeinterlaceChoices(), page);
  reset_effect_ = Named<QPushButton>("btnResetEffect", "Reset", page);
  auto* grid = new QGridLayout(page);
  grid->addWidget(Named<QLabel>("lblBrightness", "Brightness:", page), 0, 0);
  grid->addWidget(brightness_, 0, 1);
  grid->addWidget(Named<QLabel>("lblContrast", "Contrast:", page), 1, 0);
  grid->addWidget(contrast_, 1, 1);
  grid->addWidget(Named<QLabel>("lblSaturation", "Saturation:", page), 2, 0);
  grid->addWidget(saturation_, 2, 1);
  grid->addWidget(Named<QLabel>("lblEffect", "Effect:", page), 0, 2);
  grid->addWidget(effect_, 0, 3);
  grid->addWidget(Named<QLabel>("lblInterlacing", "Deintelacing:", page), 1, 2);
  grid->addWidget(interlacing_, 1, 3);
  grid->addWidget(reset_effect_, 3, 3, Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  grid->setColumnMinimumWidth(1, 220);
  grid->setRowStretch(4, 1);
  return page;
}

QWidget* TVideoEditForm::BuildWatermarkPage() {
  auto* page = Named<QWidget>("tabWaterMark");
  mark_enabled_ = Named<QCheckBox>("chbWatermark", "Add watermark", page);
  mark_picture_ = Named<QRadioButton>("rbImageWM", "Picture:", page);
  mark_text_kind_ = Named<QRadioButton>("rbTextWM", "Text:", page);
  mark_picture_->setChecked(true);
  mark_file_ = Named<QLineEdit>("edtMarkImage", page);
  mark_browse_ = Named<QToolButton>("btnMarkImage", page);
  mark_browse_->setText("...");
  mark_browse_->setToolTip("Choose a picture");
  mark_text_ = Named<QLineEdit>("edtMarkText", page);
  mark_text_->setMaxLength(kMaxWatermarkTextUnits);
  mark_font_ = Named<QToolButton>("btnMarkFont", page);
  mark_font_->setText("Font...");
  BarAndSpin("tbMarkTrans", "sedMarkTrans", TVideoEditModel::TransparencyRange(), page, mark_trans_bar_, mark_trans_);
  BarAndSpin("tbMarkLeft", "sedMarkLeft", {0, 1}, page, mark_left_bar_, mark_left_);
  BarAndSpin("tbMarkTop", "sedMarkTop", {0, 1}, page, mark_top_bar_, mark_top_);
  mark_size_label_ = Named<QLabel>("lblMarkImageSize", "Size:", page);
  mark_width_ = Spin("sedMarkImageWidth", page);
  mark_x_label_ = Named<QLabel>("lblMarkX", "X", page);
  mark_height_ = Spin("sedMarkImageHeight", page);
  mark_width_->installEventFilter(this);
  mark_height_->installEventFilter(this);
  reset_mark_ = Named<QPushButton>("btnResetWatermark", "Reset", page);

  auto* grid = new QGridLayout(page);
  grid->addWidget(mark_enabled_, 0, 0, 1, 2);
  grid->addWidget(mark_picture_, 1, 0);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(mark_file_, 1);
  file_row->addWidget(mark_browse_);
  grid->addLayout(file_row, 1, 1, 1, 2);
  grid->addWidget(mark_text_kind_, 2, 0);
  auto* text_row = new QHBoxLayout;
  text_row->addWidget(mark_text_, 1);
  text_row->addWidget(mark_font_);
  grid->addLayout(text_row, 2, 1, 1, 2);
  grid->addWidget(Named<QLabel>("lblMarkTrans", "Transparency:", page), 3, 0);
  grid->addWidget(mark_trans_bar_, 3, 1);
  grid->addWidget(mark_trans_, 3, 2);
  grid->addWidget(Named<QLabel>("lblMarkLeft", "Left:", page), 4, 0);
  grid->addWidget(mark_left_bar_, 4, 1);
  grid->addWidget(mark_left_, 4, 2);
  grid->addWidget(Named<QLabel>("lblMarkTop", "Top:", page), 5, 0);
  grid->addWidget(mark_top_bar_, 5, 1);
  grid->addWidget(mark_top_, 5, 2);
  auto* size_row = new QHBoxLayout;
  size_row->addWidget(mark_width_);
  size_row->addWidget(mark_x_label_);
  size_row->addWidget(mark_height_);
  size_row->addStretch();
  size_row->addWidget(reset_mark_);
  grid->addWidget(mark_size_label_, 6, 0);
  grid->addLayout(size_row, 6, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(7, 1);
  return page;
}

QWidget* TVideoEditForm::BuildSubtitlePage() {
  auto* page = Named<QWidget>("tabSubTitle");
  subtitle_enabled_ = Named<QCheckBox>("chbSubTitle", "SubTitle", page);
  subtitle_stream_ = Named<QComboBox>("cbSubTitle", page);
  subtitle_own_style_ = Named<QCheckBox>("chbSubTitleUserStyle", "Use my own style", page);
  BarAndSpin("tbSubTitleTrans", "sedSubTitleTrans", TVideoEditModel::TransparencyRange(), page, subtitle_trans_bar_,
             subtitle_trans_);
  BarAndSpin("tbSubTitleX", "sedSubTitleX", {}, page, subtitle_x_bar_, subtitle_x_);
  BarAndSpin("tbSubTitleY", "sedSubTitleY", {}, page, subtitle_y_bar_, subtitle_y_);
  subtitle_font_ = Named<QPushButton>("btnSubTitleFont", "Font", page);
  reset_subtitle_ = Named<QPushButton>("btnSubTitleReset", "Reset", page);

  auto* grid = new QGridLayout(page);
  grid->addWidget(subtitle_enabled_, 0, 0);
  grid->addWidget(subtitle_stream_, 0, 1, 1, 2);
  grid->addWidget(subtitle_own_style_, 1, 0, 1, 2);
  grid->addWidget(subtitle_font_, 1, 2);
  grid->addWidget(Named<QLabel>("lblSubTitleTrans", "Transparency:", page), 2, 0);
  grid->addWidget(subtitle_trans_bar_, 2, 1);
  grid->addWidget(subtitle_trans_, 2, 2);
  grid->addWidget(Named<QLabel>("lblSubTitleX", "Left:", page), 3, 0);
  grid->addWidget(subtitle_x_bar_, 3, 1);
  grid->addWidget(subtitle_x_, 3, 2);
  grid->addWidget(Named<QLabel>("lblSubTitleY", "Top:", page), 4, 0);
  grid->addWidget(subtitle_y_bar_, 4, 1);
  grid->addWidget(subtitle_y_, 4, 2);
  grid->addWidget(reset_subtitle_, 5, 2, Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);
  return page;
}

void TVideoEditForm::Connect() {
  using M = TVideoEditModel;
  connect(play_, &QToolButton::clicked, this, &TVideoEditForm::PlayClick);
  connect(stop_, &QToolButton::clicked, this, &TVideoEditForm::StopClick);
  connect(position_, &QSlider::sliderPressed, this, &TVideoEditForm::PositionPressed);
  connect(position_, &QSlider::valueChanged, this, &TVideoEditForm::PositionMoved);
  connect(position_, &QSlider::sliderReleased, this, &TVideoEditForm::PositionReleased);
  connect(volume_, &QSlider::valueChanged, this, [this](int v) {
    volume_->setToolTip(QString::number(v));
    Change([v](M& m) { m.SetVolume(v); });
  });
  connect(mute_, &QToolButton::clicked, this, [this] { Change([](M& m) { m.ToggleMute(); }); });
  connect(flip_horizontal_, &QToolButton::clicked, this, [this] { Change([](M& m) { m.ToggleFlipHorizontal(); }); });
  connect(flip_vertical_, &QToolButton::clicked, this, [this] { Change([](M& m) { m.ToggleFlipVertical(); }); });
  connect(output_window_, &TMediaPlayerView::DoubleClicked, this, [this] {
    if (player_) output_window_->SetFullScreen(!output_window_->FullScreen());
  });

  // Crop.
  for (QSpinBox* spin : {crop_left_, crop_top_, crop_width_, crop_height_})
    connect(spin, &QSpinBox::valueChanged, this, &TVideoEditForm::CropSpinChanged);
  connect(play_window_, &TMediaPlayerView::CropAreaChanged, this, [this] {
    const TCropRect rect = play_window_->GetCropArea();
    Change([rect](M& m) { m.SetCropFromView(rect); });
  });
  connect(zoom_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) Change([i](M& m) { m.SetScaleMode(ZoomChoices()[static_cast<size_t>(i)].Value); });
  });
  connect(reset_crop_, &QPushButton::clicked, this, [this] {
    Change([](M& m) { m.ResetCrop(); });
    if (model_) play_window_->SetCropArea(model_->CropRect());
  });

  // Effect: each bar's hint is its value.
  const auto level = [this](QSlider* bar, void (M::*set)(int32_t)) {
    connect(bar, &QSlider::valueChanged, this, [this, bar, set](int v) {
      bar->setToolTip(QString::number(v));
      Change([set, v](M& m) { (m.*set)(v); });
    });
  };
  level(brightness_, &M::SetBrightness);
  level(contrast_, &M::SetContrast);
  level(saturation_, &M::SetSaturation);
  connect(effect_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) Change([i](M& m) { m.SetEffectFlags(EffectChoices()[static_cast<size_t>(i)].Value); });
  });
  connect(interlacing_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) Change([i](M& m) { m.SetDeinterlace(DeinterlaceChoices()[static_cast<size_t>(i)].Value); });
  });
  connect(reset_effect_, &QPushButton::clicked, this, [this] { Change([](M& m) { m.ResetEffect(); }); });

  // Watermark.
  connect(mark_enabled_, &QCheckBox::toggled, this, [this](bool on) { Change([on](M& m) { m.SetWatermarkEnabled(on); }); });
  connect(mark_picture_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Change([](M& m) { m.SetWatermarkKind(kWatermarkPicture); });
  });
  connect(mark_text_kind_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Change([](M& m) { m.SetWatermarkKind(kWatermarkText); });
  });
  connect(mark_file_, &QLineEdit::textEdited, this, [this](const QString& text) {
    Change([path = text.toStdString()](M& m) { m.TypeMarkImage(path); });
    typed_timer_->start();  // read once typing pauses
  });
  connect(mark_file_, &QLineEdit::editingFinished, this, [this] {
    typed_timer_->stop();
    Change([](M& m) { m.FinishTypedMarkImage(); });
  });
  connect(mark_browse_, &QToolButton::clicked, this, &TVideoEditForm::ChooseMarkPicture);
  connect(mark_text_, &QLineEdit::textEdited, this, [this](const QString& text) {
    Change([t = text.toStdString()](M& m) { m.SetMarkText(t); });
  });
  connect(mark_font_, &QToolButton::clicked, this, &TVideoEditForm::ChooseMarkFont);
  // A bar and its spin edit make the same change; the other follows when the model is shown.
  const auto pair = [this](QSlider* bar, QSpinBox* spin, void (*change)(M&, int)) {
    const auto handler = [this, change](int v) { Change([change, v](M& m) { change(m, v); }); };
    connect(bar, &QSlider::valueChanged, this, handler);
    connect(spin, &QSpinBox::valueChanged, this, handler);
  };
  pair(mark_trans_bar_, mark_trans_, [](M& m, int v) { m.SetMarkTransparency(v); });
  pair(mark_left_bar_, mark_left_, [](M& m, int v) { m.SetMarkPosition(v, m.Slot().Y); });
  pair(mark_top_bar_, mark_top_, [](M& m, int v) { m.SetMarkPosition(m.Slot().X, v); });
  const auto size = [this] {
    Change([w = mark_width_->value(), h = mark_height_->value()](M& m) { m.SetMarkSize(w, h); });
  };
  connect(mark_width_, &QSpinBox::valueChanged, this, size);
  connect(mark_height_, &QSpinBox::valueChanged, this, size);
  connect(output_window_, &TMediaPlayerView::CropAreaChanged, this, [this] {
    const TCropRect rect = output_window_->GetCropArea();
    Change([rect](M& m) { m.SetWatermarkFromView(rect); });
  });
  connect(reset_mark_, &QPushButton::clicked, this, [this] { Change([](M& m) { m.ResetWatermark(); }); });

  // Subtitle.
  connect(subtitle_enabled_, &QCheckBox::toggled, this, [this](bool on) { Change([on](M& m) { m.SetSubtitleEnabled(on); }); });
  connect(subtitle_stream_, &QComboBox::currentIndexChanged, this, [this](int i) {
    Change([i](M& m) { m.SetSubtitleIndex(i); });
  });
  connect(subtitle_own_style_, &QCheckBox::toggled, this, [this](bool on) {
    Change([on](M& m) { m.SetSubtitleOwnStyle(on); });
  });
  pair(subtitle_trans_bar_, subtitle_trans_, [](M& m, int v) { m.SetSubtitleTransparency(v); });
  pair(subtitle_x_bar_, subtitle_x_, [](M& m, int v) { m.SetSubtitlePosition(v, m.SubtitleY()); });
  pair(subtitle_y_bar_, subtitle_y_, [](M& m, int v) { m.SetSubtitlePosition(m.SubtitleX(), v); });
  connect(subtitle_font_, &QPushButton::clicked, this, &TVideoEditForm::ChooseSubtitleFont);
  connect(reset_subtitle_, &QPushButton::clicked, this, [this] { Change([](M& m) { m.ResetSubtitle(); }); });
}

// --- showing the model ----------------------------------------------------------------------------

void TVideoEditForm::Change(const std::function<void(TVideoEditModel&)>& change) {
  if (filling_ || !model_) return;
  change(*model_);
  ShowModel();
}

void TVideoEditForm::ShowModel() {
  if (!model_) {
    setEnabled(true);
    return;
  }
  filling_ = true;
  const TVideoEditModel& m = *model_;
  const bool video = m.HasVideo();

  volume_->setValue(m.Volume());
  mute_->setIcon(style()->standardIcon(m.Muted() ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
  flip_horizontal_->setChecked(m.FlipHorizontal());
  flip_vertical_->setChecked(m.FlipVertical());
  flip_horizontal_->setEnabled(video);
  flip_vertical_->setEnabled(video);
  position_->setEnabled(m.PositionBarEnabled());

  const TCropSpins& crop = m.CropSpins();
  SetRange(crop_left_, m.CropLeftRange(), crop.Left);
  SetRange(crop_top_, m.CropTopRange(), crop.Top);
  SetRange(crop_width_, m.CropWidthRange(), crop.Width);
  SetRange(crop_height_, m.CropHeightRange(), crop.Height);
  zoom_->setCurrentIndex(ChoiceIndex(ZoomChoices(), m.ScaleMode()));
  pages_->widget(0)->setEnabled(video);

  brightness_->setValue(m.Brightness());
  contrast_->setValue(m.Contrast());
  saturation_->setValue(m.Saturation());
  effect_->setCurrentIndex(ChoiceIndex(EffectChoices(), m.EffectFlags()));
  interlacing_->setCurrentIndex(ChoiceIndex(DeinterlaceChoices(), m.Deinterlace()));
  pages_->widget(1)->setEnabled(video);

  const bool marks = m.WatermarkControlsEnabled();
  const bool picture = m.WatermarkKind() == kWatermarkPicture;
  mark_enabled_->setChecked(m.WatermarkEnabled());
  mark_enabled_->setEnabled(video);
  mark_picture_->setChecked(picture);
  mark_text_kind_->setChecked(!picture);
  if (mark_file_->text().toStdString() != m.MarkImageFile()) mark_file_->setText(QString::fromStdString(m.MarkImageFile()));
  if (mark_text_->text().toStdString() != m.MarkText()) mark_text_->setText(QString::fromStdString(m.MarkText()));
  for (QWidget* w : std::initializer_list<QWidget*>{mark_picture_, mark_text_kind_, mark_trans_bar_, mark_trans_,
                                                     mark_width_, mark_height_, reset_mark_})
    w->setEnabled(marks);
  mark_file_->setEnabled(marks && picture);
  mark_browse_->setEnabled(marks && picture);
  mark_text_->setEnabled(marks && !picture);
  mark_font_->setEnabled(marks && !picture);
  for (QWidget* w : std::initializer_list<QWidget*>{mark_size_label_, mark_width_, mark_x_label_, mark_height_})
    w->setVisible(picture);
  const TWatermarkSlot& slot = m.Slot();
  SetRange(mark_trans_bar_, mark_trans_, TVideoEditModel::TransparencyRange(), slot.Transparency);
  SetRange(mark_width_, m.MarkWidthRange(), slot.Width);
  SetRange(mark_height_, m.MarkHeightRange(), slot.Height);
  SetRange(mark_left_bar_, mark_left_, m.MarkXRange(), slot.X);
  SetRange(mark_top_bar_, mark_top_, m.MarkYRange(), slot.Y);
  for (QWidget* w : std::initializer_list<QWidget*>{mark_left_bar_, mark_left_}) w->setEnabled(m.MarkXEnabled());
  for (QWidget* w : std::initializer_list<QWidget*>{mark_top_bar_, mark_top_}) w->setEnabled(m.MarkYEnabled());

  if (subtitle_stream_->count() != static_cast<int>(m.Subtitles().size())) {
    subtitle_stream_->clear();
    for (const TStreamEntry& s : m.Subtitles()) subtitle_stream_->addItem(QString::fromStdString(s.Name));
  }
  subtitle_stream_->setCurrentIndex(m.SubtitleIndex());
  subtitle_enabled_->setChecked(m.SubtitleEnabled());
  subtitle_enabled_->setEnabled(m.SubtitleBoxEnabled());
  subtitle_own_style_->setChecked(m.SubtitleOwnStyle());
  for (QWidget* w : std::initializer_list<QWidget*>{subtitle_stream_, subtitle_own_style_, reset_subtitle_})
    w->setEnabled(m.SubtitleStreamEnabled());
  for (QWidget* w : std::initializer_list<QWidget*>{subtitle_trans_bar_, subtitle_trans_, subtitle_x_bar_, subtitle_x_,
                                                     subtitle_y_bar_, subtitle_y_, subtitle_font_})
    w->setEnabled(m.SubtitleStyleEnabled());
  SetRange(subtitle_trans_bar_, subtitle_trans_, TVideoEditModel::TransparencyRange(), m.SubtitleTransparency());
  SetRange(subtitle_x_bar_, subtitle_x_, m.SubtitleXRange(), m.SubtitleX());
  SetRange(subtitle_y_bar_, subtitle_y_, m.SubtitleYRange(), m.SubtitleY());

  ShowWatermarkArea();
  filling_ = false;
}

void TVideoEditForm::ShowWatermarkArea() {
  if (!model_) return;
  const std::optional<TCropRect> area = model_->WatermarkArea();
  const TPlayerState state = player_ ? player_->State() : TPlayerState::NoSource;
  if (area) {
    output_window_->SetCropArea(*area);
    output_window_->SetCropHandlesVisible(true);
  }
  output_window_->ShowCropArea(area.has_value() && (state == TPlayerState::Playing || state == TPlayerState::Paused));
}

void TVideoEditForm::ShowPlayButton() {
  const bool playing = player_ && player_->State() == TPlayerState::Playing;
  play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
  play_->setToolTip(playing ? "Pause" : "Play");
}

void TVideoEditForm::ShowTime(double played) {
  const double duration = model_ ? model_->Duration() : 0;
  time_->setText(QString::fromStdString(TimeText(played) + "/" + TimeText(duration)));
}

// --- the crop spin edits and the choosers ----------------------------------------------------------

void TVideoEditForm::CropSpinChanged() {
  if (filling_ || !model_) return;
  if (model_->SetCropSpins({crop_left_->value(), crop_top_->value(), crop_width_->value(), crop_height_->value()}))
    play_window_->SetCropArea(model_->CropRect());
  ShowModel();
}

void TVideoEditForm::ChooseMarkPicture() {
  const QStringList files = context_.Prompts.ChooseFiles(this, mark_file_->text(), kPictureFilter, false);
  if (files.isEmpty()) return;
  typed_timer_->stop();
  Change([path = files.front().toStdString()](TVideoEditModel& m) { m.ChooseMarkImage(path); });
}

void TVideoEditForm::ChooseMarkFont() {
  if (!model_) return;
  if (const std::optional<TMediaTaskFont> font = font_chooser_(this, model_->MarkFont()))
    Change([&font](TVideoEditModel& m) { m.SetMarkFont(*font); });
}

void TVideoEditForm::ChooseSubtitleFont() {
  if (!model_) return;
  if (const std::optional<TMediaTaskFont> font = font_chooser_(this, model_->SubtitleFont()))
    Change([&font](TVideoEditModel& m) { m.SetSubtitleFont(*font); });
}

bool TVideoEditForm::eventFilter(QObject* watched, QEvent* event) {
  // Enter in one size edit moves to the other instead of closing the dialog.
  if (event->type() == QEvent::KeyPress && (watched == mark_width_ || watched == mark_height_)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      (watched == mark_width_ ? mark_height_ : mark_width_)->setFocus();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

// --- the player ------------------------------------------------------------------------------------

void TVideoEditForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_ && model_) {
    started_ = true;
    start_timer_->start();
  }
}

void TVideoEditForm::StartPreview() {
  start_timer_->stop();
  if (!model_) return;
  if (!player_) {
    player_ = std::make_unique<TMediaPlayer>(nullptr, sound_);
    // The handlers run on the player's threads: the window takes them on its own thread.
    const QPointer<TVideoEditForm> self(this);
    player_->OnStateChange = [self](TPlayerState state) {
      QMetaObject::invokeMethod(
          qApp, [self, state] { if (self) self->PlayerStateChanged(state); }, Qt::QueuedConnection);
    };
    player_->OnProgress = [self](double played, double) {
      QMetaObject::invokeMethod(
          qApp, [self, played] { if (self) self->PlayerProgress(played); }, Qt::QueuedConnection);
    };
    play_window_->SetViewMode(0);
    output_window_->SetViewMode(1);
    output_window_->SetDisplaySize(model_->OutputWidth(), model_->OutputHeight());
    play_window_->SetPlayer(player_.get());
    output_window_->SetPlayer(player_.get());
    preview_ = std::make_unique<TPreview>(*player_, *output_window_);
  }
  // One step of the position bar per pixel of its width.
  position_->setRange(0, std::max(1, position_->width()));
  Play();
}

void TVideoEditForm::PlayClick() {
  if (!player_) return StartPreview();
  if (player_->State() == TPlayerState::Playing) {
    player_->Pause();
    was_playing_ = true;
  } else {
    Play();
  }
  ShowPlayButton();
}

void TVideoEditForm::Play() {
  if (!player_ || !model_) return;
  if (player_->State() == TPlayerState::Paused) {
    player_->Resume();
    return ShowPlayButton();
  }
  dragging_ = false;
  player_->Stop();
  model_->AttachPreview(nullptr);
  try {
    player_->AttachTask(*task_, TPictureMode::Processed);
  } catch (const std::exception& e) {
    context_.Prompts.ShowMessage(this, QString::fromStdString(e.what()));
    return;
  }
  output_window_->SetResizeMode(1);
  play_window_->SetCropArea(model_->CropRect());
  play_window_->ShowCropArea(model_->HasVideo());
  // Every edit of the dialog replaces the task's stored ones in the preview.
  model_->AttachPreview(preview_.get());
  player_->Play();
  ShowPlayButton();
  ShowWatermarkArea();
}

void TVideoEditForm::StopClick() {
  if (!player_) return;
  player_->Stop();
  position_->setValue(position_->minimum());
  ShowPlayButton();
}

void TVideoEditForm::PlayerStateChanged(TPlayerState state) {
  if (!model_) return;
  switch (state) {
    case TPlayerState::Ready:
    case TPlayerState::Playing:
      if (state == TPlayerState::Ready) was_playing_ = false;
      play_window_->ShowCropArea(model_->HasVideo());
      break;
    case TPlayerState::Stopped:
      was_playing_ = false;
      position_->setValue(position_->minimum());
      play_window_->ShowCropArea(false);
      break;
    case TPlayerState::NoSource:
      was_playing_ = false;
      position_->setValue(position_->minimum());
      play_window_->ShowCropArea(false);
      break;
    case TPlayerState::Paused:
      break;
  }
  ShowPlayButton();
  ShowWatermarkArea();
}

void TVideoEditForm::PlayerProgress(double played) {
  if (!model_ || dragging_) return;
  filling_ = true;
  position_->setValue(BarPosition(played, model_->Duration(), position_->minimum(), position_->maximum()));
  filling_ = false;
  ShowTime(played);
}

void TVideoEditForm::PositionPressed() {
  dragging_ = true;
  // Ctrl keeps the preview playing while the bar is dragged.
  if (player_ && player_->State() == TPlayerState::Playing && !(QApplication::keyboardModifiers() & Qt::ControlModifier)) {
    player_->Pause();
    was_playing_ = true;
  }
}

void TVideoEditForm::PositionMoved(int position) {
  if (filling_ || !model_) return;
  const double time = BarTime(position, position_->minimum(), position_->maximum(), model_->Duration());
  if (dragging_ && player_) player_->Seek(time);
  ShowTime(time);
  if ((position == position_->minimum() || position == position_->maximum()) && output_window_->FullScreen())
    output_window_->SetFullScreen(false);
}

void TVideoEditForm::PositionReleased() {
  if (player_ && model_ && position_->maximum() > position_->minimum()) {
    player_->Seek(
        BarTime(position_->value(), position_->minimum(), position_->maximum(), model_->Duration()));
    if (was_playing_) player_->Resume();
  }
  was_playing_ = false;
  dragging_ = false;
  ShowPlayButton();
}

// --- closing ---------------------------------------------------------------------------------------

void TVideoEditForm::accept() {
  typed_timer_->stop();
  if (model_) model_->Store();
  QDialog::accept();
}

void TVideoEditForm::reject() {
  if (output_window_->FullScreen()) return output_window_->SetFullScreen(false);
  QDialog::reject();
}

void TVideoEditForm::done(int result) {
  start_timer_->stop();
  typed_timer_->stop();
  if (player_) player_->Stop();
  QDialog::done(result);
}

bool RunVideoEditDialog(const TFormContext& context, TMediaTask& task, QWidget* parent, TAudioOutput* sound) {
  if (!task.EditParams()) return false;
  TVideoEditForm form(context, &task, parent, sound);
  return form.exec() == QDialog::Accepted;
}

}  // namespace fc::gui
