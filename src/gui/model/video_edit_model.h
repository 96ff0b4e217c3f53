#pragma once
// The video edit dialog's model: a working copy of one base task's picture and sound edits
// (crop and zoom, levels, effect, deinterlacing, flips, volume and mute, two watermark slots,
// the subtitle) with the dialog's rules and limits. Every change is handed at once to the
// preview (TEditPreview: the output view's processor and the player's volume). Nothing
// reaches the task before Store(): a dialog that is cancelled simply drops the model.
// Plain C++ on the main thread; the window shows the model and forwards its controls.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dib_image.h"
#include "engine/video_processor.h"
#include "tasks/media_task.h"
#include "tasks/task_source.h"

namespace fc::gui {

// Where the edits show while the dialog is open. The window implements it over the preview
// processor and the player; tests record the calls.
class TEditPreview {
public:
  virtual ~TEditPreview() = default;
  virtual void SetCrop(const TCropRect& rect, int32_t scale_mode) = 0;
  virtual void SetBrightness(int32_t value) = 0;
  virtual void SetContrast(int32_t value) = 0;
  virtual void SetSaturation(int32_t value) = 0;
  virtual void SetEffects(int32_t flags) = 0;
  virtual void SetFlip(int32_t bits) = 0;
  virtual void SetDeinterlace(int32_t mode) = 0;
  // A null image clears the watermark. The rectangle is in fractions of the output frame.
  virtual void SetWatermark(const TDibImage* image, int32_t opacity, float left, float top, float right,
                            float bottom) = 0;
  // A null subtitle clears it.
  virtual void SetSubtitle(const TSubtitleSettings* subtitle, int32_t opacity) = 0;
  virtual void SetVolume(int32_t percent) = 0;
  // The edits changed: a still picture is shown again with them.
  virtual void Changed() = 0;
};

// One entry of a choice list: the built-in caption and the value it stands for.
struct TEditChoice {
  const char* Caption;
  int32_t Value;
};
// The zoom (the encode record's ScaleMode), the colour effect (EffectFlags) and the
// deinterlace mode, in the order the lists show them.
std::span<const TEditChoice> ZoomChoices();
std::span<const TEditChoice> EffectChoices();
std::span<const TEditChoice> DeinterlaceChoices();
// The index of `value` in a list; a value not in it selects the first entry.
int ChoiceIndex(std::span<const TEditChoice> choices, int32_t value);

// An inclusive range of a spin edit or track bar; Min never exceeds Max.
struct TEditRange {
  int32_t Min = 0, Max = 0;
  int32_t Clamp(int32_t value) const { return value < Min ? Min : (value > Max ? Max : value); }
  bool operator==(const TEditRange&) const = default;
};

// The crop spin edits (source pixels).
struct TCropSpins {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TCropSpins&) const = default;
};

// One watermark slot: position and size in output pixels, transparency 0 to 100.
struct TWatermarkSlot {
  int32_t X = 0, Y = 0, Width = 0, Height = 0, Transparency = 0;
  bool operator==(const TWatermarkSlot&) const = default;
};

// The smallest crop the spin edits allow (source pixels), and the room the subtitle keeps from
// the right and bottom edges.
inline constexpr int32_t kMinCropSize = 16;
inline constexpr int32_t kSubtitleRightRoom = 80;
inline constexpr int32_t kSubtitleBottomRoom = 40;
// A watermark picture file larger than this is not read.
inline constexpr uintmax_t kMaxWatermarkFileBytes = 64u << 20;
// The watermark text field takes at most this many UTF-16 code units.
inline constexpr int kMaxWatermarkTextUnits = 1023;
// How long the window waits after the last key typed into the picture path before reading it.
inline constexpr int kTypedPathDelayMs = 300;

// True when `path` names a regular file of at most kMaxWatermarkFileBytes.
bool IsReadableWatermarkFile(const std::string& path);

class TVideoEditModel {
public:
  // Loads the task's edits (the task must have edit parameters). The preview is attached later.
  explicit TVideoEditModel(TMediaTask& task);

  TMediaTask& Task() const { return task_; }
  int32_t SourceWidth() const { return width_; }
  int32_t SourceHeight() const { return height_; }
  int32_t OutputWidth() const { return output_width_; }
  int32_t OutputHeight() const { return output_height_; }
  bool HasVideo() const { return has_video_; }
  double Duration() const { return duration_; }
  double StartTime() const { return start_time_; }
  // The position bar is usable unless a stream's size cannot be estimated.
  bool PositionBarEnabled() const { return position_bar_enabled_; }

  // The preview the edits go to (null: none yet). Attaching hands it every edit in the
  // processor's order: crop with the zoom, brightness, contrast, saturation, effect, flips,
  // deinterlace, watermark, subtitle; then the volume.
  void AttachPreview(TEditPreview* preview);
  TEditPreview* Preview() const { return preview_; }

  // --- crop ----------------------------------------------------------------------------------
  const TCropSpins& CropSpins() const { return crop_; }
  TEditRange CropLeftRange() const;
  TEditRange CropTopRange() const;
  TEditRange CropWidthRange() const;
  TEditRange CropHeightRange() const;
  // The crop rectangle the spin edits make, within the source picture.
  TCropRect CropRect() const;
  // A spin edit changed (the value is kept within its range). A rectangle that is empty or at
  // most one pixel wide or high is not handed to the preview. True when the crop area changed.
  bool SetCropSpins(const TCropSpins& spins);
  // The user moved or resized the crop area on the source view.
  void SetCropFromView(const TCropRect& rect);
  int32_t ScaleMode() const { return scale_mode_; }
  void SetScaleMode(int32_t mode);
  void ResetCrop();

  // --- effect --------------------------------------------------------------------------------
  int32_t Brightness() const { return brightness_; }
  int32_t Contrast() const { return contrast_; }
  int32_t Saturation() const { return saturation_; }
  int32_t EffectFlags() const { return effect_flags_; }
  int32_t Deinterlace() const { return deinterlace_; }
  static TEditRange LevelRange() { return {-100, 100}; }
  void SetBrightness(int32_t value);
  void SetContrast(int32_t value);
  void SetSaturation(int32_t value);
  void SetEffectFlags(int32_t flags);
  void SetDeinterlace(int32_t mode);
  void ResetEffect();
  bool FlipHorizontal() const { return flip_horizontal_; }
  bool FlipVertical() const { return flip_vertical_; }
  void ToggleFlipHorizontal();
  void ToggleFlipVertical();
  int32_t FlipBits() const;

  // --- sound ---------------------------------------------------------------------------------
  static TEditRange VolumeRange() { return {0, 200}; }
  int32_t Volume() const { return volume_; }
  bool Muted() const { return muted_; }
  void SetVolume(int32_t percent);
  void ToggleMute();
  // What the player plays at: 0 when muted.
  int32_t PlayerVolume() const { return muted_ ? 0 : volume_; }

  // --- watermark -----------------------------------------------------------------------------
  bool WatermarkEnabled() const { return mark_enabled_; }
  uint8_t WatermarkKind() const { return mark_kind_; }
  const std::string& MarkImageFile() const { return mark_file_; }
  const std::string& MarkText() const { return mark_text_; }
  const TMediaTaskFont& MarkFont() const { return mark_font_; }
  const TWatermarkSlot& Slot() const { return slots_[mark_kind_ == kWatermarkText ? 1 : 0]; }
  TEditRange MarkXRange() const;
  TEditRange MarkYRange() const;
  // A position axis is usable while the mark leaves room along it.
  bool MarkXEnabled() const;
  bool MarkYEnabled() const;
  TEditRange MarkWidthRange() const { return {0, output_width_}; }
  TEditRange MarkHeightRange() const { return {0, output_height_}; }
  static TEditRange TransparencyRange() { return {0, 100}; }
  // The page's controls (other than the enable box) are usable.
  bool WatermarkControlsEnabled() const { return has_video_ && mark_enabled_; }
  // The picture of the watermark, built on demand (empty when there is none).
  const TDibImage& MarkImage();
  // Where the watermark lies on the output (output pixels), while it has a picture.
  std::optional<TCropRect> WatermarkArea();

  void SetWatermarkEnabled(bool on);
  void SetWatermarkKind(uint8_t kind);
  // A picture chosen in the file chooser: read at once.
  void ChooseMarkImage(const std::string& path);
  // A path typed into the field: read only when typing ends (FinishTypedMarkImage).
  void TypeMarkImage(const std::string& path);
  bool MarkImageTyped() const { return path_typed_; }
  void FinishTypedMarkImage();
  void SetMarkText(const std::string& text);
  void SetMarkFont(const TMediaTaskFont& font);
  void SetMarkTransparency(int32_t value);
  void SetMarkPosition(int32_t x, int32_t y);
  void SetMarkSize(int32_t width, int32_t height);
  // The user moved or resized the watermark on the output view.
  void SetWatermarkFromView(const TCropRect& rect);
  void ResetWatermark();

  // --- subtitle ------------------------------------------------------------------------------
  // The source's subtitle streams (file sources only) and the chosen one (-1: none).
  const std::vector<TStreamEntry>& Subtitles() const { return subtitles_; }
  int SubtitleIndex() const { return subtitle_index_; }
  bool SubtitleEnabled() const { return subtitle_.Enabled; }
  bool SubtitleOwnStyle() const { return subtitle_.Kind != kSubtitleOwnLook; }
  const TMediaTaskFont& SubtitleFont() const { return subtitle_.Font; }
  int32_t SubtitleX() const { return subtitle_.X; }
  int32_t SubtitleY() const { return subtitle_.Y; }
  int32_t SubtitleTransparency() const { return subtitle_.Transparency; }
  TEditRange SubtitleXRange() const { return {0, std::max(0, width_ - kSubtitleRightRoom)}; }
  TEditRange SubtitleYRange() const { return {0, std::max(0, height_ - kSubtitleBottomRoom)}; }
  // The enable box: a file source with subtitles. The stream list, the reset and the own-style
  // box follow the enable box; position, transparency and font need the own style as well.
  bool SubtitleBoxEnabled() const { return subtitle_box_enabled_; }
  bool SubtitleStreamEnabled() const { return subtitle_.Enabled; }
  bool SubtitleStyleEnabled() const { return subtitle_.Enabled && SubtitleOwnStyle(); }
  void SetSubtitleEnabled(bool on);
  void SetSubtitleIndex(int index);
  void SetSubtitleOwnStyle(bool on);
  void SetSubtitleFont(const TMediaTaskFont& font);
  void SetSubtitlePosition(int32_t x, int32_t y);
  void SetSubtitleTransparency(int32_t value);
  void ResetSubtitle();

  // OK: writes every edit into the task.
  void Store();

private:
  void ApplyAll();
  void ApplyCrop();
  void ApplyWatermark();
  void ApplySubtitle();
  void Changed();
  // Drops the picture; the next one built takes its own size when `user` is set.
  void DropMarkImage(bool user);
  void ClampMarkPosition();
  TWatermarkSlot& CurrentSlot() { return slots_[mark_kind_ == kWatermarkText ? 1 : 0]; }

  TMediaTask& task_;
  TEditPreview* preview_ = nullptr;
  int32_t width_ = 0, height_ = 0;
  int32_t output_width_ = 0, output_height_ = 0;
  bool has_video_ = false;
  bool position_bar_enabled_ = true;
  double duration_ = 0, start_time_ = 0;

  TCropSpins crop_;
  int32_t scale_mode_ = static_cast<int32_t>(TScaleMode::KeepOriginal);
  int32_t brightness_ = 0, contrast_ = 0, saturation_ = 0, effect_flags_ = 0, deinterlace_ = 0;
  bool flip_horizontal_ = false, flip_vertical_ = false;
  int32_t volume_ = 100;
  bool muted_ = false;

  bool mark_enabled_ = false;
  uint8_t mark_kind_ = kWatermarkPicture;
  std::string mark_file_, mark_text_;
  TMediaTaskFont mark_font_;
  std::array<TWatermarkSlot, 2> slots_{};  // picture, text
  TDibImage mark_image_;
  bool mark_built_ = false;   // mark_image_ is up to date (possibly empty)
  bool path_typed_ = false;   // the typed path has not been read yet
  bool user_rebuild_ = false; // the next picture built takes its own size
  bool applying_mark_ = false;

  TMediaTaskSubtitle subtitle_;
  std::vector<TStreamEntry> subtitles_;
  int subtitle_index_ = -1;
  bool subtitle_box_enabled_ = false;
};

}  // namespace fc::gui
