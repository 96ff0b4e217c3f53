#include "gui/model/video_edit_model.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <system_error>

#include "core/log.h"
#include "engine/text_renderer.h"

namespace fc::gui {
namespace {

constexpr TEditChoice kZoomChoices[] = {
    {"Keep original", static_cast<int32_t>(TScaleMode::KeepOriginal)},
    {"Full screen", static_cast<int32_t>(TScaleMode::FullScreen)},
    {"16:9", static_cast<int32_t>(TScaleMode::Wide16x9)},
    {"4:3", static_cast<int32_t>(TScaleMode::Standard4x3)},
    {"Letter box", static_cast<int32_t>(TScaleMode::LetterBox)},
    {"Pan&Scan", static_cast<int32_t>(TScaleMode::PanScan)},
};
constexpr TEditChoice kEffectChoices[] = {
    {"No effect", 0},
    {"Gray", kEffectGray},
    {"Emboss", kEffectEmboss},
    {"Negative", kEffectNegative},
    {"Old film", kEffectOldFilm},
};
constexpr TEditChoice kDeinterlaceChoices[] = {
    {"None", static_cast<int32_t>(TDeinterlaceMode::None)},
    {"Repeat Odd", static_cast<int32_t>(TDeinterlaceMode::RepeatOdd)},
    {"Repeat Even", static_cast<int32_t>(TDeinterlaceMode::RepeatEven)},
    {"Odd Interpolate", static_cast<int32_t>(TDeinterlaceMode::OddInterpolate)},
    {"Even Interpolate", static_cast<int32_t>(TDeinterlaceMode::EvenInterpolate)},
};

// A value the list does not have becomes the list's first.
int32_t KnownChoice(std::span<const TEditChoice> choices, int32_t value) {
  return choices[static_cast<size_t>(ChoiceIndex(choices, value))].Value;
}

// Rounding to nearest, halves to even.
int32_t RoundEven(double value) { return static_cast<int32_t>(std::lrint(value)); }

// A crop rectangle so thin that it would leave no picture is never applied.
bool TooThin(const TCropRect& rect) { return rect.Right - rect.Left <= 1 || rect.Bottom - rect.Top <= 1; }

}  // namespace

std::span<const TEditChoice> ZoomChoices() { return kZoomChoices; }
std::span<const TEditChoice> EffectChoices() { return kEffectChoices; }
std::span<const TEditChoice> DeinterlaceChoices() { return kDeinterlaceChoices; }

int ChoiceIndex(std::span<const TEditChoice> choices, int32_t value) {
  for (size_t i = 0; i < choices.size(); ++i)
    if (choices[i].Value == value) return static_cast<int>(i);
  return 0;
}

bool IsReadableWatermarkFile(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || ec) return false;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  return !ec && size <= kMaxWatermarkFileBytes;
}

// --- loading -------------------------------------------------------------------------------------

TVideoEditModel::TVideoEditModel(TMediaTask& task) : task_(task) {
  const TMediaTaskMediaSource* source = task.Source();
  const TMediaTaskEditParams& e = *task.EditParams();
  if (source) {
    has_video_ = source->HasVideo;
    if (has_video_) {
      width_ = std::max(0, source->VideoFormat.Width);
      height_ = std::max(0, source->VideoFormat.Height);
    }
    constexpr uint8_t kUnsized = 0x03;
    position_bar_enabled_ = !((source->HasVideo && (source->VideoFormat.Flags & kUnsized)) ||
                              (source->HasAudio && (source->AudioFormat.Flags & kUnsized)));
  }
  task.OutputSize(output_width_, output_height_);
  output_width_ = std::max(0, output_width_);
  output_height_ = std::max(0, output_height_);
  duration_ = task.Duration();
  start_time_ = task.StartTime();

  // An empty stored crop means the whole picture.
  const TCropRect& c = e.Crop;
  crop_.Width = CropWidthRange().Clamp(c.Right != 0 ? c.Right - c.Left : width_);
  crop_.Height = CropHeightRange().Clamp(c.Bottom != 0 ? c.Bottom - c.Top : height_);
  crop_.Left = CropLeftRange().Clamp(c.Left);
  crop_.Top = CropTopRange().Clamp(c.Top);
  scale_mode_ = KnownChoice(kZoomChoices, task.Record().ScaleMode);

  brightness_ = LevelRange().Clamp(e.Brightness);
  contrast_ = LevelRange().Clamp(e.Contrast);
  saturation_ = LevelRange().Clamp(e.Saturation);
  effect_flags_ = KnownChoice(kEffectChoices, e.EffectFlags);
  deinterlace_ = KnownChoice(kDeinterlaceChoices, e.Deinterlace);
  flip_horizontal_ = e.FlipHorizontal;
  flip_vertical_ = e.FlipVertical;
  volume_ = VolumeRange().Clamp(e.Volume);
  muted_ = e.Mute;

  const TMediaTaskWatermark& w = e.Watermark;
  mark_enabled_ = w.Enabled;
  mark_kind_ = w.Kind == kWatermarkText ? kWatermarkText : kWatermarkPicture;
  mark_file_ = w.ImageFile;
  mark_text_ = CutToUtf16Units(w.Text, kMaxWatermarkTextUnits);
  mark_font_ = w.Font;
  // Only the slot of the task's own kind comes from the task; the other starts at zero.
  TWatermarkSlot& slot = CurrentSlot();
  slot.Transparency = TransparencyRange().Clamp(w.Transparency);
  slot.Width = MarkWidthRange().Clamp(w.Width);
  slot.Height = MarkHeightRange().Clamp(w.Height);
  slot.X = std::max(0, w.X);
  slot.Y = std::max(0, w.Y);
  ClampMarkPosition();

  subtitle_ = e.Subtitle;
  subtitle_.X = SubtitleXRange().Clamp(subtitle_.X);
  subtitle_.Y = SubtitleYRange().Clamp(subtitle_.Y);
  subtitle_.Transparency = TransparencyRange().Clamp(subtitle_.Transparency);
  if (source && source->SourceKind == TSourceKind::File) {
    subtitle_box_enabled_ = source->HasSubtitles && !source->Subtitles.empty();
    subtitles_ = source->Subtitles;
    subtitle_index_ = static_cast<int>(subtitles_.size()) - 1;  // the last one when none is selected
    for (size_t i = 0; i < subtitles_.size(); ++i)
      if (subtitles_[i].Id != 0 && subtitles_[i].Id == source->VideoDecodeOptions.SubtitleID)
        subtitle_index_ = static_cast<int>(i);
  }
}

void TVideoEditModel::AttachPreview(TEditPreview* preview) {
  preview_ = preview;
  if (preview_) ApplyAll();
}

void TVideoEditModel::ApplyAll() {
  ApplyCrop();
  preview_->SetBrightness(brightness_);
  preview_->SetContrast(contrast_);
  preview_->SetSaturation(saturation_);
  preview_->SetEffects(effect_flags_);
  preview_->SetFlip(FlipBits());
  preview_->SetDeinterlace(deinterlace_);
  ApplyWatermark();
  ApplySubtitle();
  preview_->SetVolume(PlayerVolume());
  Changed();
}

void TVideoEditModel::Changed() {
  if (preview_) preview_->Changed();
}

// --- crop ----------------------------------------------------------------------------------------

// The limits never cross on a picture smaller than the smallest crop.
TEditRange TVideoEditModel::CropLeftRange() const { return {0, std::max(0, width_ - kMinCropSize)}; }
TEditRange TVideoEditModel::CropTopRange() const { return {0, std::max(0, height_ - kMinCropSize)}; }
TEditRange TVideoEditModel::CropWidthRange() const { return {std::min(kMinCropSize, width_), width_}; }
TEditRange TVideoEditModel::CropHeightRange() const { return {std::min(kMinCropSize, height_), height_}; }

TCropRect TVideoEditModel::CropRect() const {
  TCropRect r;
  r.Left = std::min(crop_.Left, CropLeftRange().Max);
  r.Top = std::min(crop_.Top, CropTopRange().Max);
  r.Right = std::min(r.Left + crop_.Width, width_);
  r.Bottom = std::min(r.Top + crop_.Height, height_);
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  return r;
}

void TVideoEditModel::ApplyCrop() {
  if (!preview_) return;
  const TCropRect rect = CropRect();
  if (!TooThin(rect)) preview_->SetCrop(rect, scale_mode_);
}

bool TVideoEditModel::SetCropSpins(const TCropSpins& spins) {
  crop_ = {CropLeftRange().Clamp(spins.Left), CropTopRange().Clamp(spins.Top), CropWidthRange().Clamp(spins.Width),
           CropHeightRange().Clamp(spins.Height)};
  if (!preview_ || TooThin(CropRect())) return false;
  ApplyCrop();
  Changed();
  return true;
}

void TVideoEditModel::SetCropFromView(const TCropRect& rect) {
  if (preview_ && !TooThin(rect)) {
    preview_->SetCrop(rect, scale_mode_);
    Changed();
  }
  crop_.Width = CropWidthRange().Clamp(rect.Right != 0 ? rect.Right - rect.Left : width_);
  crop_.Height = CropHeightRange().Clamp(rect.Bottom != 0 ? rect.Bottom - rect.Top : height_);
  crop_.Left = CropLeftRange().Clamp(rect.Left);
  crop_.Top = CropTopRange().Clamp(rect.Top);
}

void TVideoEditModel::SetScaleMode(int32_t mode) {
  scale_mode_ = KnownChoice(kZoomChoices, mode);
  ApplyCrop();
  Changed();
}

void TVideoEditModel::ResetCrop() {
  crop_ = {0, 0, width_, height_};
  scale_mode_ = static_cast<int32_t>(TScaleMode::KeepOriginal);
  ApplyCrop();
  // The watermark is placed on the output the zoom makes: placed again.
  DropMarkImage(false);
  ApplyWatermark();
  Changed();
}

// --- effect --------------------------------------------------------------------------------------

void TVideoEditModel::SetBrightness(int32_t value) {
  brightness_ = LevelRange().Clamp(value);
  if (preview_) preview_->SetBrightness(brightness_);
  Changed();
}

void TVideoEditModel::SetContrast(int32_t value) {
  contrast_ = LevelRange().Clamp(value);
  if (preview_) preview_->SetContrast(contrast_);
  Changed();
}

void TVideoEditModel::SetSaturation(int32_t value) {
  saturation_ = LevelRange().Clamp(value);
  if (preview_) preview_->SetSaturation(saturation_);
  Changed();
}

void TVideoEditModel::SetEffectFlags(int32_t flags) {
  effect_flags_ = KnownChoice(kEffectChoices, flags);
  if (preview_) preview_->SetEffects(effect_flags_);
  Changed();
}

void TVideoEditModel::SetDeinterlace(int32_t mode) {
  deinterlace_ = KnownChoice(kDeinterlaceChoices, mode);
  if (preview_) preview_->SetDeinterlace(deinterlace_);
  Changed();
}

void TVideoEditModel::ResetEffect() {
  SetBrightness(0);
  SetContrast(0);
  SetSaturation(0);
  SetEffectFlags(0);
  SetDeinterlace(static_cast<int32_t>(TDeinterlaceMode::None));
}

int32_t TVideoEditModel::FlipBits() const {
  return (flip_horizontal_ ? kFlipHorizontal : 0) | (flip_vertical_ ? kFlipVertical : 0);
}

void TVideoEditModel::ToggleFlipHorizontal() {
  flip_horizontal_ = !flip_horizontal_;
  if (preview_) preview_->SetFlip(FlipBits());
  Changed();
}

void TVideoEditModel::ToggleFlipVertical() {
  flip_vertical_ = !flip_vertical_;
  if (preview_) preview_->SetFlip(FlipBits());
  Changed();
}

// --- sound ---------------------------------------------------------------------------------------

void TVideoEditModel::SetVolume(int32_t percent) {
  volume_ = VolumeRange().Clamp(percent);
  if (preview_ && !muted_) preview_->SetVolume(volume_);
}

void TVideoEditModel::ToggleMute() {
  muted_ = !muted_;
  if (preview_) preview_->SetVolume(PlayerVolume());
}

// --- watermark -----------------------------------------------------------------------------------

// Along each axis the position has room while the mark is smaller than the output; without
// room the control is disabled and keeps a range of 0 to 1.
TEditRange TVideoEditModel::MarkXRange() const {
  const int32_t room = output_width_ - Slot().Width;
  return {0, room > 0 ? room : 1};
}

TEditRange TVideoEditModel::MarkYRange() const {
  const int32_t room = output_height_ - Slot().Height;
  return {0, room > 0 ? room : 1};
}

bool TVideoEditModel::MarkXEnabled() const { return WatermarkControlsEnabled() && output_width_ - Slot().Width > 0; }
bool TVideoEditModel::MarkYEnabled() const { return WatermarkControlsEnabled() && output_height_ - Slot().Height > 0; }

void TVideoEditModel::ClampMarkPosition() {
  TWatermarkSlot& slot = CurrentSlot();
  slot.X = std::clamp(slot.X, 0, std::max(0, output_width_ - slot.Width));
  slot.Y = std::clamp(slot.Y, 0, std::max(0, output_height_ - slot.Height));
}

void TVideoEditModel::DropMarkImage(bool user) {
  mark_image_ = TDibImage();
  mark_built_ = false;
  user_rebuild_ = user;
}

const TDibImage& TVideoEditModel::MarkImage() {
  if (mark_built_) return mark_image_;
  mark_image_ = TDibImage();
  if (mark_enabled_) {
    try {
      if (mark_kind_ == kWatermarkPicture) {
        // Only a regular file of a sensible size is read: a typed path may name a device, a
        // folder or a huge file.
        if (IsReadableWatermarkFile(mark_file_)) mark_image_.LoadImage(mark_file_);
      } else if (!mark_text_.empty()) {
        mark_image_ = RenderText({.Text = mark_text_, .FontName = mark_font_.Name, .Color = mark_font_.Color,
                                  .PointSize = mark_font_.Size, .Style = mark_font_.Style});
      }
    } catch (const std::exception& e) {
      // Not a picture, or no font: the watermark has no picture.
      Log(std::string("Watermark picture: ") + e.what());
      mark_image_ = TDibImage();
    }
  }
  mark_built_ = true;
  path_typed_ = false;
  if (!mark_image_.empty()) {
    TWatermarkSlot& slot = CurrentSlot();
    // A size already set stays, unless the user asked for this picture: it then comes in its
    // own size at the top-left corner.
    if (slot.Width == 0 || slot.Height == 0 || user_rebuild_) {
      slot.Width = MarkWidthRange().Clamp(mark_image_.Width());
      slot.Height = MarkHeightRange().Clamp(mark_image_.Height());
      slot.X = 0;
      slot.Y = 0;
    }
    ClampMarkPosition();
  }
  user_rebuild_ = false;
  return mark_image_;
}

std::optional<TCropRect> TVideoEditModel::WatermarkArea() {
  if (!mark_built_ || mark_image_.empty() || width_ == 0 || height_ == 0) return std::nullopt;
  const TWatermarkSlot& s = Slot();
  return TCropRect{s.X, s.Y, s.X + s.Width, s.Y + s.Height};
}

void TVideoEditModel::ApplyWatermark() {
  if (!preview_ || applying_mark_) return;
  applying_mark_ = true;
  const TDibImage& image = MarkImage();
  if (image.empty() || width_ == 0 || height_ == 0) {
    preview_->SetWatermark(nullptr, 100, 0, 0, 0, 0);
  } else {
    TWatermarkSlot& s = CurrentSlot();
    if (s.Width == output_width_ && s.Height == output_height_) s.X = s.Y = 0;
    float left = 0, top = 0, right = 0, bottom = 0;
    if (output_width_ > 0 && output_height_ > 0) {
      const double ow = output_width_, oh = output_height_;
      left = static_cast<float>(s.X / ow);
      top = static_cast<float>(s.Y / oh);
      right = static_cast<float>(s.X / ow + s.Width / ow);
      bottom = static_cast<float>(s.Y / oh + s.Height / oh);
    }
    preview_->SetWatermark(&image, 100 - s.Transparency, left, top, right, bottom);
  }
  Changed();
  applying_mark_ = false;
}

void TVideoEditModel::SetWatermarkEnabled(bool on) {
  mark_enabled_ = on;
  DropMarkImage(false);
  ApplyWatermark();
}

void TVideoEditModel::SetWatermarkKind(uint8_t kind) {
  mark_kind_ = kind == kWatermarkText ? kWatermarkText : kWatermarkPicture;
  DropMarkImage(false);
  ApplyWatermark();
}

void TVideoEditModel::ChooseMarkImage(const std::string& path) {
  mark_file_ = path;
  DropMarkImage(true);
  ApplyWatermark();
}

void TVideoEditModel::TypeMarkImage(const std::string& path) {
  mark_file_ = path;
  DropMarkImage(true);
  path_typed_ = true;
}

void TVideoEditModel::FinishTypedMarkImage() {
  if (!path_typed_) return;
  DropMarkImage(true);
  ApplyWatermark();
}

void TVideoEditModel::SetMarkText(const std::string& text) {
  mark_text_ = CutToUtf16Units(text, kMaxWatermarkTextUnits);
  DropMarkImage(true);
  ApplyWatermark();
}

void TVideoEditModel::SetMarkFont(const TMediaTaskFont& font) {
  mark_font_ = font;
  DropMarkImage(true);
  ApplyWatermark();
}

void TVideoEditModel::SetMarkTransparency(int32_t value) {
  CurrentSlot().Transparency = TransparencyRange().Clamp(value);
  ApplyWatermark();
}

void TVideoEditModel::SetMarkPosition(int32_t x, int32_t y) {
  CurrentSlot().X = x;
  CurrentSlot().Y = y;
  ClampMarkPosition();
  ApplyWatermark();
}

void TVideoEditModel::SetMarkSize(int32_t width, int32_t height) {
  CurrentSlot().Width = MarkWidthRange().Clamp(width);
  CurrentSlot().Height = MarkHeightRange().Clamp(height);
  ClampMarkPosition();
  ApplyWatermark();
}

void TVideoEditModel::SetWatermarkFromView(const TCropRect& rect) {
  if (applying_mark_) return;
  TWatermarkSlot& s = CurrentSlot();
  s.Width = MarkWidthRange().Clamp(rect.Right - rect.Left);
  s.Height = MarkHeightRange().Clamp(rect.Bottom - rect.Top);
  s.X = rect.Left;
  s.Y = rect.Top;
  ClampMarkPosition();
  ApplyWatermark();
}

void TVideoEditModel::ResetWatermark() {
  TWatermarkSlot& s = CurrentSlot();
  s.Transparency = 0;
  s.X = s.Y = 0;
  mark_font_ = TMediaTaskFont{};
  DropMarkImage(true);
  if (MarkImage().empty()) s.Width = s.Height = 0;
  ApplyWatermark();
}

// --- subtitle ------------------------------------------------------------------------------------

void TVideoEditModel::ApplySubtitle() {
  if (!preview_) return;
  if (!subtitle_.Enabled) {
    preview_->SetSubtitle(nullptr, 0);
  } else {
    TSubtitleSettings s;
    if (subtitle_index_ >= 0 && subtitle_index_ < static_cast<int>(subtitles_.size()))
      s.StreamID = subtitles_[static_cast<size_t>(subtitle_index_)].Id;
    s.OwnStyle = SubtitleOwnStyle();
    s.StyleValue = subtitle_.Style;
    if (s.OwnStyle) {
      s.X = subtitle_.X;
      s.Y = subtitle_.Y;
      s.FontName = CutToUtf16Units(subtitle_.Font.Name, kMaxFontNameUnits);
      s.FontSize = subtitle_.Font.Size;
      s.Color = subtitle_.Font.Color;
      s.FontStyle = subtitle_.Font.Style;
    }
    preview_->SetSubtitle(&s, 100 - subtitle_.Transparency);
  }
  Changed();
}

void TVideoEditModel::SetSubtitleEnabled(bool on) {
  subtitle_.Enabled = on && subtitle_box_enabled_;
  ApplySubtitle();
}

void TVideoEditModel::SetSubtitleIndex(int index) {
  subtitle_index_ = index >= 0 && index < static_cast<int>(subtitles_.size()) ? index : -1;
  ApplySubtitle();
}

void TVideoEditModel::SetSubtitleOwnStyle(bool on) {
  subtitle_.Kind = on ? 1 : kSubtitleOwnLook;
  ApplySubtitle();
}

void TVideoEditModel::SetSubtitleFont(const TMediaTaskFont& font) {
  subtitle_.Font = font;
  ApplySubtitle();
}

void TVideoEditModel::SetSubtitlePosition(int32_t x, int32_t y) {
  subtitle_.X = SubtitleXRange().Clamp(x);
  subtitle_.Y = SubtitleYRange().Clamp(y);
  ApplySubtitle();
}

void TVideoEditModel::SetSubtitleTransparency(int32_t value) {
  subtitle_.Transparency = TransparencyRange().Clamp(value);
  ApplySubtitle();
}

void TVideoEditModel::ResetSubtitle() {
  subtitle_.Y = SubtitleYRange().Clamp(RoundEven(SubtitleYRange().Max / 10.0 * 9));
  subtitle_.X = SubtitleXRange().Clamp(RoundEven(SubtitleXRange().Max / 3.0));
  subtitle_.Transparency = 0;
  subtitle_.Font = TMediaTaskFont{};
  ApplySubtitle();
}

// --- storing -------------------------------------------------------------------------------------

void TVideoEditModel::Store() {
  TMediaTaskEditParams& e = *task_.EditParams();
  e.Crop = CropRect();
  e.Volume = volume_;
  e.Brightness = brightness_;
  e.Contrast = contrast_;
  e.Saturation = saturation_;
  e.EffectFlags = effect_flags_;
  e.Deinterlace = deinterlace_;
  if (scale_mode_ != task_.Record().ScaleMode) {
    // Chosen by the user: applying a profile keeps it from now on.
    e.UserScaleMode = 1;
    task_.Record().ScaleMode = scale_mode_;
  }
  e.FlipHorizontal = flip_horizontal_;
  e.FlipVertical = flip_vertical_;

  TMediaTaskWatermark& w = e.Watermark;
  const TDibImage& image = MarkImage();
  w.Enabled = mark_enabled_;
  w.Kind = mark_kind_;
  w.ImageFile = mark_file_;
  w.Text = mark_text_;
  w.Font = mark_font_;
  w.Image = image;
  const TWatermarkSlot& s = Slot();
  w.Transparency = s.Transparency;
  w.X = s.X;
  w.Y = s.Y;
  w.Width = s.Width;
  w.Height = s.Height;

  e.Subtitle.Enabled = subtitle_.Enabled;
  // Only a choice the dialog offered is written: a disc title keeps the subtitle chosen for it
  // in the main window.
  if (subtitle_box_enabled_) task_.Source()->SelectSubtitle(subtitle_index_);
  e.Subtitle.Kind = SubtitleOwnStyle() ? 1 : kSubtitleOwnLook;
  e.Subtitle.Font = subtitle_.Font;
  e.Subtitle.Transparency = subtitle_.Transparency;
  e.Subtitle.X = subtitle_.X;
  e.Subtitle.Y = subtitle_.Y;
  e.Mute = muted_;
}

}  // namespace fc::gui
