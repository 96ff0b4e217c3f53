#pragma once
// The picture processor: sits on a video source and delivers frames at the output size and
// rate with the task's edits applied (crop and zoom, brightness, contrast, saturation, effects,
// deinterlacing, flips and a watermark). The edits can change while frames are read (the
// preview); they take effect with the next frame. Built on a libavfilter graph.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/source.h"

namespace fc {

class BitmapSubtitleTrack;

// Effect bits (EffectFlags of the edit parameters).
inline constexpr int32_t kEffectGray = 1;
inline constexpr int32_t kEffectEmboss = 2;
inline constexpr int32_t kEffectNegative = 4;
inline constexpr int32_t kEffectOldFilm = 32;

// Flip bits.
inline constexpr int32_t kFlipHorizontal = 1;
inline constexpr int32_t kFlipVertical = 2;

enum class DeinterlaceMode : int32_t {
  None = 0,
  RepeatOdd = 1,         // keep lines 1, 3, 5, ... (the top field) and double them
  RepeatEven = 2,        // keep lines 2, 4, 6, ... (the bottom field) and double them
  OddInterpolate = 3,    // the top field, the missing lines interpolated
  EvenInterpolate = 4,   // the bottom field, the missing lines interpolated
};

// A rectangle in source pixels, right and bottom exclusive; an empty one means "all".
struct CropRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
  bool operator==(const CropRect&) const = default;
};

// A picture with alpha for the watermark: 32-bit RGBA rows, top row first.
struct RgbaImage {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4
  bool empty() const { return width <= 0 || height <= 0; }
};

// The subtitle to burn into the picture: a subtitle stream of the source file. Text streams are
// drawn in the file's own style or in the task's (font, size in output pixels, RGB colour,
// style bits, and the top-left position of the text in output pixels). Picture streams (DVD,
// PGS, DVB) are drawn as they come, scaled from their canvas to the output frame; the task's
// own style moves their top-left corner to the same position (font and colour do not apply).
struct SubtitleSettings {
  int32_t stream_id = 0;       // 0: no subtitle
  bool own_style = false;
  int32_t style_value = 0;     // kept for the task; not interpreted
  int32_t x = 0, y = 0;
  std::string font_name;       // cut to 127 characters
  int32_t font_size = 36;
  uint32_t color = 0xFFFFFF;
  int32_t font_style = 0;      // bold 1, italic 2, underline 4, strike-out 8
};

// Where the processor's output goes: size (0: the source's), zoom and scaler quality, and the
// frame rate (a value of 0 or below keeps the source's timing).
struct VideoOutput {
  int32_t width = 0;
  int32_t height = 0;
  int32_t scale_mode = 1;     // ScaleMode
  int32_t interpolation = 0;  // 0 bicubic, 1 bilinear, 2 fast bilinear, 3 lanczos
  double frame_rate = -1.0;
};

class VideoProcessor : public VideoSource {
public:
  VideoProcessor(std::shared_ptr<VideoSource> source, const VideoOutput& output);
  ~VideoProcessor() override;

  VideoFormat format() const override;
  double duration() const override { return source_->duration(); }
  bool Read(VideoFrame& out) override;
  void Seek(double seconds) override;

  // Edits: each takes effect with the next frame read. Values outside their range are
  // clamped (levels to -100..100) or ignored (unknown deinterlace modes mean "none").
  void SetBrightness(int32_t value);
  void SetContrast(int32_t value);
  void SetSaturation(int32_t value);
  void SetEffects(int32_t flags);
  void SetFlip(int32_t bits);
  void SetDeinterlace(int32_t mode);
  void SetCrop(const CropRect& rect, int32_t scaleMode);
  // The watermark over the output frame at a rectangle given as fractions of the frame
  // (left, top, right, bottom); opacity 0 to 100. An empty image clears it.
  void SetWatermark(const RgbaImage& image, int32_t opacity, float left, float top, float right, float bottom);
  void ClearWatermark() { SetWatermark({}, 100, 0, 0, 0, 0); }
  // Burns a subtitle stream of the source into the picture with opacity 0 to 100; a stream id
  // of 0 clears it. Throws MediaError when the source is not a decoder with that subtitle
  // stream.
  void SetSubtitle(const SubtitleSettings& subtitle, int32_t opacity);

  // The filter description the edits currently make (for logs and tests).
  std::string FilterDescription() const;

  // The last frame read, kept for snapshots (null before the first).
  const AVFrame* current_frame() const { return current_.get(); }
  // Saves the last frame read as a JPEG or BMP file (by the extension).
  void SaveCurrentFrame(const std::string& path) const;

private:
  struct Settings {
    int32_t Brightness = 0, Contrast = 0, Saturation = 0, Effects = 0, Flip = 0, Deinterlace = 0;
    CropRect Crop;
    int32_t Zoom = 1;  // a ScaleMode value
    RgbaImage Watermark;
    int32_t Opacity = 100;
    float WatermarkLeft = 0, WatermarkTop = 0, WatermarkRight = 0, WatermarkBottom = 0;
    SubtitleSettings Subtitle;
    std::string SubtitleFile;
    int SubtitleOrdinal = -1;
    int32_t SubtitleOpacity = 100;
    std::shared_ptr<BitmapSubtitleTrack> BitmapSubtitles;  // picture subtitles, blended after the filters
  };
  // The filter graph, in FFmpeg's description syntax, that applies the settings; `first` gives
  // the input geometry (the source's format when null).
  std::string ComposeFilterGraph(const Settings& s, const AVFrame* first) const;
  void Rebuild(const AVFrame* first);
  // Draws the picture subtitle on screen at `time` (source seconds) into an output frame.
  void BlendBitmapSubtitles(AVFrame* frame, double time);
  void Changed();

  std::shared_ptr<VideoSource> source_;
  VideoOutput output_;
  mutable std::mutex mutex_;
  Settings settings_;
  bool dirty_ = true;

  FilterGraphPtr graph_;
  AVFilterContext* bufferSource_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  bool sourceEnded_ = false;
  FramePtr current_;
  // The input geometry the graph was built for.
  int inWidth_ = 0, inHeight_ = 0, inFormat_ = -1;
};

}  // namespace fc
