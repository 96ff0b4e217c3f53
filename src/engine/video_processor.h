#pragma once
// The picture processor: sits on a video source and delivers frames at the output size and
// rate with the task's edits applied (crop and zoom, brightness, contrast, saturation, effects,
// deinterlacing, flips and a watermark). The edits can change while frames are read (the
// preview); they take effect with the next frame. Built on a libavfilter graph.

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/filter_pipe.h"
#include "engine/source.h"

namespace fc {

class TBitmapSubtitleTrack;

// Effect bits (EffectFlags of the edit parameters).
inline constexpr int32_t kEffectGray = 1;
inline constexpr int32_t kEffectEmboss = 2;
inline constexpr int32_t kEffectNegative = 4;
inline constexpr int32_t kEffectOldFilm = 32;

// Flip bits.
inline constexpr int32_t kFlipHorizontal = 1;
inline constexpr int32_t kFlipVertical = 2;

enum class TDeinterlaceMode : int32_t {
  None = 0,
  RepeatOdd = 1,         // keep lines 1, 3, 5, ... (the top field) and double them
  RepeatEven = 2,        // keep lines 2, 4, 6, ... (the bottom field) and double them
  OddInterpolate = 3,    // the top field, the missing lines interpolated
  EvenInterpolate = 4,   // the bottom field, the missing lines interpolated
};

// A rectangle in source pixels, right and bottom exclusive; an empty one means "all".
struct TCropRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool empty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TCropRect&) const = default;
};

// A picture with alpha for the watermark: 32-bit RGBA rows, top row first.
struct TRgbaImage {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Pixels;  // width * height * 4
  bool empty() const { return Width <= 0 || Height <= 0; }
};

// The subtitle to burn into the picture: a subtitle stream of the source file. Text streams are
// drawn in the file's own style or in the task's (font, size in output pixels, RGB colour,
// style bits, and the top-left position of the text in output pixels). Picture streams (DVD,
// PGS, DVB) are drawn as they come, scaled from their canvas to the output frame; the task's
// own style moves their top-left corner to the same position (font and colour do not apply).
struct TSubtitleSettings {
  int32_t StreamID = 0;       // 0: no subtitle
  bool OwnStyle = false;
  int32_t StyleValue = 0;     // kept for the task; not interpreted
  int32_t X = 0, Y = 0;
  std::string FontName;       // cut to 127 characters
  int32_t FontSize = 36;
  uint32_t Color = 0xFFFFFF;
  int32_t FontStyle = 0;      // bold 1, italic 2, underline 4, strike-out 8
};

// Where the processor's output goes: size (0: the source's), zoom and scaler quality, and the
// frame rate (a value of 0 or below keeps the source's timing).
struct TVideoOutput {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t ScaleMode = 1;     // a TScaleMode value
  int32_t Interpolation = 0;  // 0 bicubic, 1 bilinear, 2 fast bilinear, 3 lanczos
  double FrameRate = -1.0;
};

class TVideoProcessor : public TVideoSource {
public:
  TVideoProcessor(std::shared_ptr<TVideoSource> source, const TVideoOutput& output);
  ~TVideoProcessor() override;

  TVideoFormat VideoFormat() const override;
  double Duration() const override { return source_->Duration(); }
  bool Read(TVideoFrame& out) override;
  void Seek(double seconds) override;

  // Edits: each takes effect with the next frame read. Values outside their range are
  // clamped (levels to -100..100) or ignored (unknown deinterlace modes mean "none").
  void SetBrightness(int32_t value);
  void SetContrast(int32_t value);
  void SetSaturation(int32_t value);
  void SetEffects(int32_t flags);
  void SetFlip(int32_t bits);
  void SetDeinterlace(int32_t mode);
  void SetCrop(const TCropRect& rect, int32_t scale_mode);
  // The watermark over the output frame at a rectangle given as fractions of the frame
  // (left, top, right, bottom); opacity 0 to 100. An empty image clears it.
  void SetWatermark(const TRgbaImage& image, int32_t opacity, float left, float top, float right, float bottom);
  void ClearWatermark() { SetWatermark({}, 100, 0, 0, 0, 0); }
  // Burns a subtitle stream of the source into the picture with opacity 0 to 100; a stream id
  // of 0 clears it. Throws MediaError when the source is not a decoder with that subtitle
  // stream.
  void SetSubtitle(const TSubtitleSettings& subtitle, int32_t opacity);

  // The filter description the edits currently make (for logs and tests).
  std::string FilterDescription() const;

  // Keeps the last few source pictures that went in, so that SourceFrameFor() finds the one an
  // output picture was made from (a preview that shows the source beside the output). Off by
  // default: a kept picture makes the filters copy instead of working in place.
  void KeepSourceFrames(bool on);
  // The source picture (a new reference) that went in for the output picture of `time`: the
  // latest one not after it, else the earliest kept; null when none is kept. Called on the
  // thread that reads.
  TFramePtr SourceFrameFor(double time) const;

  // The last frame read, kept for snapshots (null before the first).
  const AVFrame* CurrentFrame() const { return current_.get(); }
  // Saves the last frame read as a JPEG or BMP file (by the extension).
  void SaveCurrentFrame(const std::string& path) const;

private:
  struct TSettings {
    int32_t Brightness = 0, Contrast = 0, Saturation = 0, Effects = 0, Flip = 0, Deinterlace = 0;
    TCropRect Crop;
    int32_t Zoom = 1;  // a TScaleMode value
    TRgbaImage Watermark;
    int32_t Opacity = 100;
    float WatermarkLeft = 0, WatermarkTop = 0, WatermarkRight = 0, WatermarkBottom = 0;
    TSubtitleSettings Subtitle;
    std::string SubtitleFile;
    int SubtitleOrdinal = -1;
    int32_t SubtitleOpacity = 100;
    std::shared_ptr<TBitmapSubtitleTrack> BitmapSubtitles;  // picture subtitles, blended after the filters
  };
  // The filter graph, in FFmpeg's description syntax, that applies the settings; `first` gives
  // the input geometry (the source's format when null).
  std::string ComposeFilterGraph(const TSettings& s, const AVFrame* first) const;
  void Rebuild(const AVFrame* first);
  // Brightness, contrast and saturation: -100 to 100.
  void SetLevel(int32_t TSettings::*level, int32_t value);
  // Draws the picture subtitle on screen at `time` (source seconds) into an output frame.
  void BlendBitmapSubtitles(AVFrame* frame, double time);
  void Changed();

  std::shared_ptr<TVideoSource> source_;
  TVideoOutput output_;
  mutable std::mutex mutex_;
  TSettings settings_;
  bool dirty_ = true;

  TFilterPipe pipe_{"picture filters"};
  TFramePtr current_;
  struct TKeptSource {
    double Time = 0;
    TFramePtr Frame;
  };
  bool keep_sources_ = false;
  std::deque<TKeptSource> sources_;  // oldest first
  // The input geometry the graph was built for.
  int in_width_ = 0, in_height_ = 0, in_format_ = -1;
};

}  // namespace fc
