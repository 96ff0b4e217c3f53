#include "engine/video_processor.h"

#include <algorithm>
#include <cmath>
#include <iterator>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
}

#include "core/text.h"
#include "engine/bitmap_subtitles.h"
#include "engine/decoder.h"
#include "engine/encode_params.h"
#include "engine/frame_grab.h"
#include "engine/text_renderer.h"

namespace fc {
namespace {

constexpr AVRational kInputTimeBase{1, 1000000};
// Source pictures kept for SourceFrameFor: enough for the filters that hold a picture or two.
constexpr size_t kKeptSources = 8;

int Even(double v) { return std::max(2, static_cast<int>(std::lround(v / 2)) * 2); }

const char* ScalerName(int32_t interpolation) {
  switch (interpolation) {
    case 1: return "bilinear";
    case 2: return "fast_bilinear";
    case 3: return "lanczos";
    default: return "bicubic";
  }
}

// The style the subtitle filter draws text subtitles in, on a frame of `width` x `height`:
// the file's own with the opacity applied, or the task's. Text subtitles are laid out on a
// 384x288 script canvas: sizes and margins scale to it.
std::string SubtitleStyle(const TSubtitleSettings& subtitle, int32_t opacity, int width, int height) {
  const int alpha = (100 - opacity) * 255 / 100;
  if (!subtitle.OwnStyle)
    return Format("PrimaryColour=&H%02XFFFFFF,OutlineColour=&H%02X000000,BackColour=&H%02X000000", alpha, alpha,
                  alpha);
  std::string font = subtitle.FontName;
  std::erase_if(font, [](char c) { return c == ',' || c == '=' || c == '\''; });
  const uint32_t c = subtitle.Color;
  return Format("FontName=%s,FontSize=%d,PrimaryColour=&H%02X%02X%02X%02X,OutlineColour=&H%02X000000,"
                "BackColour=&H%02X000000,Bold=%d,Italic=%d,Underline=%d,StrikeOut=%d,Alignment=7,"
                "MarginL=%d,MarginV=%d",
                font.c_str(), std::max(1, subtitle.FontSize * 288 / std::max(1, height)), alpha, c & 0xFF,
                (c >> 8) & 0xFF, (c >> 16) & 0xFF, alpha, alpha, (subtitle.FontStyle & 1) ? -1 : 0,
                (subtitle.FontStyle & 2) ? -1 : 0, (subtitle.FontStyle & 4) ? -1 : 0,
                (subtitle.FontStyle & 8) ? -1 : 0, std::max(0, subtitle.X) * 384 / std::max(1, width),
                std::max(0, subtitle.Y) * 288 / std::max(1, height));
}

}  // namespace

TVideoProcessor::TVideoProcessor(std::shared_ptr<TVideoSource> source, const TVideoOutput& output)
    : source_(std::move(source)), output_(output) {
  if (!source_) throw MediaError("a picture processor needs a video source");
  QuietFfmpegLog();
  settings_.Zoom = output.ScaleMode;
  if (output_.Width < 0 || output_.Height < 0) output_.Width = output_.Height = 0;
  if (!std::isfinite(output_.FrameRate)) output_.FrameRate = -1;
}

TVideoProcessor::~TVideoProcessor() = default;

TVideoFormat TVideoProcessor::VideoFormat() const {
  TVideoFormat f = source_->VideoFormat();
  std::lock_guard lock(mutex_);
  if (output_.Width > 0 && output_.Height > 0) {
    f.Width = output_.Width & ~1;
    f.Height = output_.Height & ~1;
  } else if (!settings_.Crop.empty()) {
    f.Width = std::min(settings_.Crop.Right, f.Width) - std::max(settings_.Crop.Left, 0);
    f.Height = std::min(settings_.Crop.Bottom, f.Height) - std::max(settings_.Crop.Top, 0);
  }
  if (output_.FrameRate > 0) f.FrameRate = output_.FrameRate;
  f.AspectX = f.Width;
  f.AspectY = f.Height;
  return f;
}

void TVideoProcessor::Changed() { dirty_ = true; }

void TVideoProcessor::SetLevel(int32_t TSettings::*level, int32_t value) {
  std::lock_guard lock(mutex_);
  settings_.*level = std::clamp(value, -100, 100);
  Changed();
}

void TVideoProcessor::SetBrightness(int32_t v) { SetLevel(&TSettings::Brightness, v); }
void TVideoProcessor::SetContrast(int32_t v) { SetLevel(&TSettings::Contrast, v); }
void TVideoProcessor::SetSaturation(int32_t v) { SetLevel(&TSettings::Saturation, v); }

void TVideoProcessor::SetEffects(int32_t flags) {
  std::lock_guard lock(mutex_);
  settings_.Effects = flags;
  Changed();
}

void TVideoProcessor::SetFlip(int32_t bits) {
  std::lock_guard lock(mutex_);
  settings_.Flip = bits & (kFlipHorizontal | kFlipVertical);
  Changed();
}

void TVideoProcessor::SetDeinterlace(int32_t mode) {
  std::lock_guard lock(mutex_);
  settings_.Deinterlace = mode >= 0 && mode <= 4 ? mode : 0;
  Changed();
}

void TVideoProcessor::SetCrop(const TCropRect& rect, int32_t scale_mode) {
  std::lock_guard lock(mutex_);
  settings_.Crop = rect;
  settings_.Zoom = scale_mode >= 0 && scale_mode <= 5 ? scale_mode : 1;
  Changed();
}

void TVideoProcessor::SetWatermark(const TRgbaImage& image, int32_t opacity, float left, float top, float right,
                                  float bottom) {
  if (!image.empty() && image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height * 4)
    throw MediaError("the watermark's pixels do not match its size");
  std::lock_guard lock(mutex_);
  settings_.Watermark = image;
  settings_.Opacity = std::clamp(opacity, 0, 100);
  auto frac = [](float f) { return std::isfinite(f) ? std::clamp(f, 0.0f, 1.0f) : 0.0f; };
  settings_.WatermarkLeft = frac(left);
  settings_.WatermarkTop = frac(top);
  settings_.WatermarkRight = frac(right);
  settings_.WatermarkBottom = frac(bottom);
  Changed();
}

void TVideoProcessor::SetSubtitle(const TSubtitleSettings& subtitle, int32_t opacity) {
  std::string file;
  int ordinal = -1;
  std::shared_ptr<TBitmapSubtitleTrack> bitmap;
  if (subtitle.StreamID != 0) {
    const auto* decoder = dynamic_cast<const TVideoDecoder*>(source_.get());
    if (!decoder) throw MediaError("subtitles can be burnt in only over a file's own video decoder");
    ordinal = decoder->SubtitleOrdinal(subtitle.StreamID);
    if (ordinal < 0 && !decoder->StreamsMayAppear())
      throw MediaError(Format("%s has no subtitle stream %d", decoder->Name().c_str(), subtitle.StreamID));
    // A stream a program stream has not shown yet is a DVD's picture subtitle.
    if (ordinal < 0 || decoder->SubtitleIsBitmap(subtitle.StreamID)) {
      bitmap = std::make_shared<TBitmapSubtitleTrack>(*decoder, subtitle.StreamID);
      ordinal = -1;
    } else {
      file = decoder->Name();
    }
  }
  std::lock_guard lock(mutex_);
  settings_.BitmapSubtitles = std::move(bitmap);
  settings_.Subtitle = subtitle;
  settings_.Subtitle.FontName = CutToUtf16Units(subtitle.FontName, kMaxFontNameUnits);
  settings_.SubtitleFile = file;
  settings_.SubtitleOrdinal = ordinal;
  settings_.SubtitleOpacity = std::clamp(opacity, 0, 100);
  Changed();
}

std::string TVideoProcessor::FilterDescription() const {
  TSettings s;
  {
    std::lock_guard lock(mutex_);
    s = settings_;
  }
  return ComposeFilterGraph(s, nullptr);
}

std::string TVideoProcessor::ComposeFilterGraph(const TSettings& s, const AVFrame* first) const {
  const TVideoFormat in = source_->VideoFormat();
  int iw = first ? first->width : in.Width;
  int ih = first ? first->height : in.Height;
  AVRational sar = first && first->sample_aspect_ratio.num > 0 ? first->sample_aspect_ratio : AVRational{1, 1};
  if (!first && in.AspectX > 0 && in.AspectY > 0 && iw > 0 && ih > 0)
    av_reduce(&sar.num, &sar.den, int64_t{in.AspectX} * ih, int64_t{in.AspectY} * iw, 1 << 20);
  std::vector<std::string> chain;

  static const char* const kDeinterlace[] = {
      "", "field=top,scale=iw:ih*2:flags=neighbor", "field=bottom,scale=iw:ih*2:flags=neighbor",
      "field=top,scale=iw:ih*2:flags=bilinear", "field=bottom,scale=iw:ih*2:flags=bilinear"};
  if (s.Deinterlace > 0 && ih >= 4) chain.push_back(kDeinterlace[s.Deinterlace]);

  // Crop, clamped to the picture; a rectangle of one pixel or less is not applied.
  int cw = iw, ch = ih;
  if (!s.Crop.empty()) {
    const int l = std::clamp(s.Crop.Left, 0, iw), t = std::clamp(s.Crop.Top, 0, ih);
    const int r = std::clamp(s.Crop.Right, 0, iw), b = std::clamp(s.Crop.Bottom, 0, ih);
    if (r - l > 1 && b - t > 1 && (r - l < iw || b - t < ih)) {
      cw = r - l;
      ch = b - t;
      chain.push_back(Format("crop=%d:%d:%d:%d:exact=1", cw, ch, l, t));
    }
  }

  if (s.Brightness || s.Contrast || s.Saturation)
    chain.push_back(Format("eq=brightness=%.2f:contrast=%.2f:saturation=%.2f", s.Brightness / 100.0,
                           1 + s.Contrast / 100.0, 1 + s.Saturation / 100.0));
  if (s.Effects & kEffectGray) chain.push_back("hue=s=0");
  if (s.Effects & kEffectEmboss)
    chain.push_back("convolution=-2 -1 0 -1 1 1 0 1 2:0 0 0 0 1 0 0 0 0:0 0 0 0 1 0 0 0 0:0 0 0 0 1 0 0 0 0");
  if (s.Effects & kEffectNegative) chain.push_back("negate");
  if (s.Effects & kEffectOldFilm)
    chain.push_back("colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131,"
                    "noise=alls=12:allf=t:all_seed=4242,vignette=PI/5");
  if (s.Flip & kFlipHorizontal) chain.push_back("hflip");
  if (s.Flip & kFlipVertical) chain.push_back("vflip");
  // Zoom into the output frame last, so that bars stay black whatever the effects.
  const int W = output_.Width > 0 && output_.Height > 0 ? Even(output_.Width) : Even(cw);
  const int H = output_.Width > 0 && output_.Height > 0 ? Even(output_.Height) : Even(ch);
  const char* flags = ScalerName(output_.Interpolation);
  double aspect = static_cast<double>(cw) * sar.num / sar.den / std::max(1, ch);
  if (s.Zoom == static_cast<int>(TScaleMode::Wide16x9)) aspect = 16.0 / 9;
  if (s.Zoom == static_cast<int>(TScaleMode::Standard4x3)) aspect = 4.0 / 3;
  const double frame_aspect = static_cast<double>(W) / H;
  auto scale = [&](int w, int h) { return Format("scale=%d:%d:flags=%s", w, h, flags); };
  auto pad = [&](int w, int h) { return Format("pad=%d:%d:%d:%d:black", W, H, (W - w) / 2 / 2 * 2, (H - h) / 2 / 2 * 2); };
  auto crop_centre = [&] { return Format("crop=%d:%d", W, H); };
  switch (static_cast<TScaleMode>(s.Zoom)) {
    case TScaleMode::FullScreen:
      chain.push_back(scale(W, H));
      break;
    case TScaleMode::LetterBox: {
      const int h = Even(W / aspect);
      chain.push_back(scale(W, h));
      chain.push_back(h <= H ? pad(W, h) : crop_centre());
      break;
    }
    case TScaleMode::PanScan: {
      if (aspect > frame_aspect) chain.push_back(scale(Even(H * aspect), H));
      else chain.push_back(scale(W, Even(W / aspect)));
      chain.push_back(crop_centre());
      break;
    }
    case TScaleMode::KeepOriginal:
    case TScaleMode::Wide16x9:
    case TScaleMode::Standard4x3:
    default: {
      const int w = aspect > frame_aspect ? W : std::min(W, Even(H * aspect));
      const int h = aspect > frame_aspect ? std::min(H, Even(W / aspect)) : H;
      chain.push_back(scale(w, h));
      if (w != W || h != H) chain.push_back(pad(w, h));
      break;
    }
  }
  chain.push_back("setsar=1");
  const size_t zoomed = chain.size();  // text subtitles are drawn here, on the output picture

  if (output_.FrameRate > 0) {
    const AVRational r = av_d2q(output_.FrameRate, 100000);
    chain.push_back(Format("fps=%d/%d", r.num, r.den));
  }
  chain.push_back("format=yuv420p");

  std::string main;
  for (size_t i = 0; i < chain.size(); ++i) {
    if (i == zoomed && s.SubtitleOrdinal >= 0) main += first ? "[sub_in];[sub_out]" : ",subtitles";
    else if (!main.empty()) main += ",";
    main += chain[i];
  }
  if (s.Watermark.empty()) return "[in]" + main + "[out]";

  int x = static_cast<int>(std::lround(s.WatermarkLeft * W)), y = static_cast<int>(std::lround(s.WatermarkTop * H));
  int ww = static_cast<int>(std::lround((s.WatermarkRight - s.WatermarkLeft) * W));
  int wh = static_cast<int>(std::lround((s.WatermarkBottom - s.WatermarkTop) * H));
  if (ww <= 0 || wh <= 0) ww = s.Watermark.Width, wh = s.Watermark.Height;
  return "[in]" + main + "[main];" +
         Format("[wm]format=rgba,colorchannelmixer=aa=%.2f,scale=%d:%d[mark];", s.Opacity / 100.0, ww, wh) +
         Format("[main][mark]overlay=%d:%d:format=auto,format=yuv420p[out]", x, y);
}

void TVideoProcessor::Rebuild(const AVFrame* first) {
  TSettings s;
  {
    std::lock_guard lock(mutex_);
    s = settings_;
    dirty_ = false;
  }
  TFilterGraphPtr graph = pipe_.NewGraph();
  AVFilterContext* watermark_source = nullptr;
  const AVRational sar = first->sample_aspect_ratio.num > 0 ? first->sample_aspect_ratio : AVRational{1, 1};
  const std::string args = Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", first->width,
                                  first->height, first->format, kInputTimeBase.num, kInputTimeBase.den, sar.num,
                                  sar.den);
  AVFilterContext* buffer_source = CreateFilter(graph.get(), "buffer", "in", args.c_str(), "picture filter input");
  AVFilterContext* sink = CreateFilter(graph.get(), "buffersink", "out", nullptr, "picture filter output");
  // The description's open ends: [in] (and [wm], [sub_out]) are fed by the sources, [out] (and
  // [sub_in]) feed the sink and the subtitle filter.
  TFilterInOutPtr outputs;
  TFilterInOutPtr inputs;
  if (!s.Watermark.empty()) {
    const std::string watermark_args = Format("video_size=%dx%d:pix_fmt=%d:time_base=1/1:pixel_aspect=1/1",
                                             s.Watermark.Width, s.Watermark.Height, AV_PIX_FMT_RGBA);
    watermark_source = CreateFilter(graph.get(), "buffer", "wm", watermark_args.c_str(), "watermark input");
    outputs = FilterEnd("wm", watermark_source);
  }
  if (s.SubtitleOrdinal >= 0) {
    AVFilterContext* subtitles = avfilter_graph_alloc_filter(graph.get(), avfilter_get_by_name("subtitles"), "subs");
    if (!subtitles) throw MediaError("this build of FFmpeg cannot draw subtitles");
    const bool sized = output_.Width > 0 && output_.Height > 0;
    TAvOptions options;
    options.Set("filename", s.SubtitleFile);
    options.Set("si", int64_t{s.SubtitleOrdinal});
    options.Set("force_style", SubtitleStyle(s.Subtitle, s.SubtitleOpacity, sized ? Even(output_.Width) : first->width,
                                             sized ? Even(output_.Height) : first->height));
    CheckAv(avfilter_init_dict(subtitles, options.Address()), "cannot read the subtitles of " + s.SubtitleFile);
    outputs = FilterEnd("sub_out", subtitles, std::move(outputs));
    inputs = FilterEnd("sub_in", subtitles);
  }
  outputs = FilterEnd("in", buffer_source, std::move(outputs));
  inputs = FilterEnd("out", sink, std::move(inputs));
  ParseFilterGraph(graph.get(), ComposeFilterGraph(s, first), std::move(inputs), std::move(outputs),
                   "picture filters");
  if (watermark_source) {
    // The mark is one picture: the overlay repeats it over every frame.
    TFramePtr mark = AllocPicture(s.Watermark.Width, s.Watermark.Height, AV_PIX_FMT_RGBA, "watermark buffer");
    for (int y = 0; y < mark->height; ++y)
      std::copy_n(s.Watermark.Pixels.data() + static_cast<size_t>(y) * mark->width * 4, mark->width * 4,
                  mark->data[0] + static_cast<ptrdiff_t>(y) * mark->linesize[0]);
    mark->pts = 0;
    CheckAv(av_buffersrc_add_frame(watermark_source, mark.get()), "watermark");
    CheckAv(av_buffersrc_add_frame(watermark_source, nullptr), "watermark");
  }
  pipe_.Install(std::move(graph), buffer_source, sink);
  in_width_ = first->width;
  in_height_ = first->height;
  in_format_ = first->format;
}

bool TVideoProcessor::Read(TVideoFrame& out) {
  TFramePtr frame = pipe_.Pull(*source_, [this](TVideoFrame& in) {
    bool dirty;
    {
      std::lock_guard lock(mutex_);
      dirty = dirty_;
    }
    if (!pipe_.Built() || dirty || in.Frame->width != in_width_ || in.Frame->height != in_height_ ||
        in.Frame->format != in_format_)
      Rebuild(in.Frame.get());
    if (keep_sources_) {
      sources_.push_back({in.Time, CloneFrame(in.Frame.get())});
      if (sources_.size() > kKeptSources) sources_.pop_front();
    }
    in.Frame->pts = std::llround(in.Time / av_q2d(kInputTimeBase));
  });
  if (!frame) return false;
  out.Time = static_cast<double>(frame->pts) * av_q2d(av_buffersink_get_time_base(pipe_.Output()));
  BlendBitmapSubtitles(frame.get(), out.Time);
  current_ = CloneFrame(frame.get());
  out.Frame = std::move(frame);
  return true;
}

void TVideoProcessor::BlendBitmapSubtitles(AVFrame* frame, double time) {
  std::shared_ptr<TBitmapSubtitleTrack> track;
  TSubtitleBlend blend;
  {
    std::lock_guard lock(mutex_);
    track = settings_.BitmapSubtitles;
    blend.Opacity = settings_.SubtitleOpacity;
    blend.Move = settings_.Subtitle.OwnStyle;
    blend.X = std::max(0, settings_.Subtitle.X);
    blend.Y = std::max(0, settings_.Subtitle.Y);
  }
  if (!track) return;
  const TSubtitleEvent* event = track->At(time);
  if (!event) return;
  CheckAv(av_frame_make_writable(frame), "subtitle picture");
  BlendSubtitleEvent(frame, *event, blend);
}

void TVideoProcessor::KeepSourceFrames(bool on) {
  keep_sources_ = on;
  if (!on) sources_.clear();
}

TFramePtr TVideoProcessor::SourceFrameFor(double time) const {
  if (sources_.empty()) return nullptr;
  // Half a microsecond: the graph's time base rounds the input times.
  const auto after = std::find_if(sources_.begin(), sources_.end(),
                                  [time](const TKeptSource& kept) { return kept.Time > time + 5e-7; });
  return CloneFrame((after == sources_.begin() ? *after : *std::prev(after)).Frame.get());
}

void TVideoProcessor::Seek(double seconds) {
  sources_.clear();
  source_->Seek(seconds);
  pipe_.Restart();  // a fresh graph: the rate filter starts again at the new time
}

void TVideoProcessor::SaveCurrentFrame(const std::string& path) const {
  if (!current_) throw MediaError("no picture has been shown yet");
  SaveFrameImage(current_.get(), path);
}

}  // namespace fc
