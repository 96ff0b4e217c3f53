#include "engine/video_processor.h"

#include <algorithm>
#include <cmath>

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

int Even(double v) { return std::max(2, static_cast<int>(std::lround(v / 2)) * 2); }

const char* ScalerName(int32_t interpolation) {
  switch (interpolation) {
    case 1: return "bilinear";
    case 2: return "fast_bilinear";
    case 3: return "lanczos";
    default: return "bicubic";
  }
}

}  // namespace

VideoProcessor::VideoProcessor(std::shared_ptr<VideoSource> source, const VideoOutput& output)
    : source_(std::move(source)), output_(output) {
  if (!source_) throw MediaError("a picture processor needs a video source");
  QuietFfmpegLog();
  settings_.scale_mode = output.scale_mode;
  if (output_.width < 0 || output_.height < 0) output_.width = output_.height = 0;
  if (!std::isfinite(output_.frame_rate)) output_.frame_rate = -1;
}

VideoProcessor::~VideoProcessor() = default;

VideoFormat VideoProcessor::format() const {
  VideoFormat f = source_->format();
  std::lock_guard lock(mutex_);
  if (output_.width > 0 && output_.height > 0) {
    f.width = output_.width & ~1;
    f.height = output_.height & ~1;
  } else if (!settings_.crop.empty()) {
    f.width = std::min(settings_.crop.right, f.width) - std::max(settings_.crop.left, 0);
    f.height = std::min(settings_.crop.bottom, f.height) - std::max(settings_.crop.top, 0);
  }
  if (output_.frame_rate > 0) f.frame_rate = output_.frame_rate;
  f.aspect_x = f.width;
  f.aspect_y = f.height;
  return f;
}

void VideoProcessor::Changed() { dirty_ = true; }

void VideoProcessor::SetBrightness(int32_t v) {
  std::lock_guard lock(mutex_);
  settings_.brightness = std::clamp(v, -100, 100);
  Changed();
}

void VideoProcessor::SetContrast(int32_t v) {
  std::lock_guard lock(mutex_);
  settings_.contrast = std::clamp(v, -100, 100);
  Changed();
}

void VideoProcessor::SetSaturation(int32_t v) {
  std::lock_guard lock(mutex_);
  settings_.saturation = std::clamp(v, -100, 100);
  Changed();
}

void VideoProcessor::SetEffects(int32_t flags) {
  std::lock_guard lock(mutex_);
  settings_.effects = flags;
  Changed();
}

void VideoProcessor::SetFlip(int32_t bits) {
  std::lock_guard lock(mutex_);
  settings_.flip = bits & (kFlipHorizontal | kFlipVertical);
  Changed();
}

void VideoProcessor::SetDeinterlace(int32_t mode) {
  std::lock_guard lock(mutex_);
  settings_.deinterlace = mode >= 0 && mode <= 4 ? mode : 0;
  Changed();
}

void VideoProcessor::SetCrop(const CropRect& rect, int32_t scale_mode) {
  std::lock_guard lock(mutex_);
  settings_.crop = rect;
  settings_.scale_mode = scale_mode >= 0 && scale_mode <= 5 ? scale_mode : 1;
  Changed();
}

void VideoProcessor::SetWatermark(const RgbaImage& image, int32_t opacity, float left, float top, float right,
                                  float bottom) {
  if (!image.empty() && image.pixels.size() != static_cast<size_t>(image.width) * image.height * 4)
    throw MediaError("the watermark's pixels do not match its size");
  std::lock_guard lock(mutex_);
  settings_.watermark = image;
  settings_.opacity = std::clamp(opacity, 0, 100);
  auto frac = [](float f) { return std::isfinite(f) ? std::clamp(f, 0.0f, 1.0f) : 0.0f; };
  settings_.wm_left = frac(left);
  settings_.wm_top = frac(top);
  settings_.wm_right = frac(right);
  settings_.wm_bottom = frac(bottom);
  Changed();
}

void VideoProcessor::SetSubtitle(const SubtitleSettings& subtitle, int32_t opacity) {
  std::string file;
  int ordinal = -1;
  std::shared_ptr<BitmapSubtitleTrack> bitmap;
  if (subtitle.stream_id != 0) {
    const auto* decoder = dynamic_cast<const VideoDecoder*>(source_.get());
    if (!decoder) throw MediaError("subtitles can be burnt in only over a file's own video decoder");
    ordinal = decoder->SubtitleOrdinal(subtitle.stream_id);
    if (ordinal < 0 && !decoder->StreamsMayAppear())
      throw MediaError(Format("%s has no subtitle stream %d", decoder->name().c_str(), subtitle.stream_id));
    // A stream a program stream has not shown yet is a DVD's picture subtitle.
    if (ordinal < 0 || decoder->SubtitleIsBitmap(subtitle.stream_id)) {
      bitmap = std::make_shared<BitmapSubtitleTrack>(*decoder, subtitle.stream_id);
      ordinal = -1;
    } else {
      file = decoder->name();
    }
  }
  std::lock_guard lock(mutex_);
  settings_.bitmap_subtitles = std::move(bitmap);
  settings_.subtitle = subtitle;
  settings_.subtitle.font_name = CutToUtf16Units(subtitle.font_name, kMaxFontNameUnits);
  settings_.subtitle_file = file;
  settings_.subtitle_ordinal = ordinal;
  settings_.subtitle_opacity = std::clamp(opacity, 0, 100);
  Changed();
}

std::string VideoProcessor::FilterDescription() const {
  Settings s;
  {
    std::lock_guard lock(mutex_);
    s = settings_;
  }
  return Describe(s, nullptr);
}

// The filter chain for the settings; `first` gives the input geometry (the source's format
// when null).
std::string VideoProcessor::Describe(const Settings& s, const AVFrame* first) const {
  const VideoFormat in = source_->format();
  int iw = first ? first->width : in.width;
  int ih = first ? first->height : in.height;
  AVRational sar = first && first->sample_aspect_ratio.num > 0 ? first->sample_aspect_ratio : AVRational{1, 1};
  if (!first && in.aspect_x > 0 && in.aspect_y > 0 && iw > 0 && ih > 0)
    av_reduce(&sar.num, &sar.den, int64_t{in.aspect_x} * ih, int64_t{in.aspect_y} * iw, 1 << 20);
  std::vector<std::string> chain;

  static const char* const kDeinterlace[] = {
      "", "field=top,scale=iw:ih*2:flags=neighbor", "field=bottom,scale=iw:ih*2:flags=neighbor",
      "field=top,scale=iw:ih*2:flags=bilinear", "field=bottom,scale=iw:ih*2:flags=bilinear"};
  if (s.deinterlace > 0 && ih >= 4) chain.push_back(kDeinterlace[s.deinterlace]);

  // Crop, clamped to the picture; a rectangle of one pixel or less is not applied.
  int cw = iw, ch = ih;
  if (!s.crop.empty()) {
    const int l = std::clamp(s.crop.left, 0, iw), t = std::clamp(s.crop.top, 0, ih);
    const int r = std::clamp(s.crop.right, 0, iw), b = std::clamp(s.crop.bottom, 0, ih);
    if (r - l > 1 && b - t > 1 && (r - l < iw || b - t < ih)) {
      cw = r - l;
      ch = b - t;
      chain.push_back(Format("crop=%d:%d:%d:%d:exact=1", cw, ch, l, t));
    }
  }

  if (s.brightness || s.contrast || s.saturation)
    chain.push_back(Format("eq=brightness=%.2f:contrast=%.2f:saturation=%.2f", s.brightness / 100.0,
                           1 + s.contrast / 100.0, 1 + s.saturation / 100.0));
  if (s.effects & kEffectGray) chain.push_back("hue=s=0");
  if (s.effects & kEffectEmboss)
    chain.push_back("convolution=-2 -1 0 -1 1 1 0 1 2:0 0 0 0 1 0 0 0 0:0 0 0 0 1 0 0 0 0:0 0 0 0 1 0 0 0 0");
  if (s.effects & kEffectNegative) chain.push_back("negate");
  if (s.effects & kEffectOldFilm)
    chain.push_back("colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131,"
                    "noise=alls=12:allf=t:all_seed=4242,vignette=PI/5");
  if (s.flip & kFlipHorizontal) chain.push_back("hflip");
  if (s.flip & kFlipVertical) chain.push_back("vflip");
  // Zoom into the output frame last, so that bars stay black whatever the effects.
  const int W = output_.width > 0 && output_.height > 0 ? Even(output_.width) : Even(cw);
  const int H = output_.width > 0 && output_.height > 0 ? Even(output_.height) : Even(ch);
  const char* flags = ScalerName(output_.interpolation);
  double aspect = static_cast<double>(cw) * sar.num / sar.den / std::max(1, ch);
  if (s.scale_mode == static_cast<int>(ScaleMode::Wide16x9)) aspect = 16.0 / 9;
  if (s.scale_mode == static_cast<int>(ScaleMode::Standard4x3)) aspect = 4.0 / 3;
  const double frame_aspect = static_cast<double>(W) / H;
  auto scale = [&](int w, int h) { return Format("scale=%d:%d:flags=%s", w, h, flags); };
  auto pad = [&](int w, int h) { return Format("pad=%d:%d:%d:%d:black", W, H, (W - w) / 2 / 2 * 2, (H - h) / 2 / 2 * 2); };
  auto crop_centre = [&] { return Format("crop=%d:%d", W, H); };
  switch (static_cast<ScaleMode>(s.scale_mode)) {
    case ScaleMode::FullScreen:
      chain.push_back(scale(W, H));
      break;
    case ScaleMode::LetterBox: {
      const int h = Even(W / aspect);
      chain.push_back(scale(W, h));
      chain.push_back(h <= H ? pad(W, h) : crop_centre());
      break;
    }
    case ScaleMode::PanScan: {
      if (aspect > frame_aspect) chain.push_back(scale(Even(H * aspect), H));
      else chain.push_back(scale(W, Even(W / aspect)));
      chain.push_back(crop_centre());
      break;
    }
    case ScaleMode::KeepOriginal:
    case ScaleMode::Wide16x9:
    case ScaleMode::Standard4x3:
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

  if (output_.frame_rate > 0) {
    const AVRational r = av_d2q(output_.frame_rate, 100000);
    chain.push_back(Format("fps=%d/%d", r.num, r.den));
  }
  chain.push_back("format=yuv420p");

  std::string main;
  for (size_t i = 0; i < chain.size(); ++i) {
    if (i == zoomed && s.subtitle_ordinal >= 0) main += first ? "[sub_in];[sub_out]" : ",subtitles";
    else if (!main.empty()) main += ",";
    main += chain[i];
  }
  if (s.watermark.empty()) return "[in]" + main + "[out]";

  int x = static_cast<int>(std::lround(s.wm_left * W)), y = static_cast<int>(std::lround(s.wm_top * H));
  int ww = static_cast<int>(std::lround((s.wm_right - s.wm_left) * W));
  int wh = static_cast<int>(std::lround((s.wm_bottom - s.wm_top) * H));
  if (ww <= 0 || wh <= 0) ww = s.watermark.width, wh = s.watermark.height;
  return "[in]" + main + "[main];" +
         Format("[wm]format=rgba,colorchannelmixer=aa=%.2f,scale=%d:%d[mark];", s.opacity / 100.0, ww, wh) +
         Format("[main][mark]overlay=%d:%d:format=auto,format=yuv420p[out]", x, y);
}

void VideoProcessor::Rebuild(const AVFrame* first) {
  Settings s;
  {
    std::lock_guard lock(mutex_);
    s = settings_;
    dirty_ = false;
  }
  graph_.reset(avfilter_graph_alloc());
  if (!graph_) throw MediaError("out of memory for a filter graph");
  src_ = wm_src_ = sink_ = subtitles_ = nullptr;
  const AVRational sar = first->sample_aspect_ratio.num > 0 ? first->sample_aspect_ratio : AVRational{1, 1};
  const std::string args = Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", first->width,
                                  first->height, first->format, kInputTimeBase.num, kInputTimeBase.den, sar.num,
                                  sar.den);
  CheckAv(avfilter_graph_create_filter(&src_, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                       graph_.get()),
          "picture filter input");
  CheckAv(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                       graph_.get()),
          "picture filter output");
  AVFilterInOut* outputs = avfilter_inout_alloc();
  AVFilterInOut* inputs = avfilter_inout_alloc();
  outputs->name = av_strdup("in");
  outputs->filter_ctx = src_;
  inputs->name = av_strdup("out");
  inputs->filter_ctx = sink_;
  if (!s.watermark.empty()) {
    const std::string wm_args = Format("video_size=%dx%d:pix_fmt=%d:time_base=1/1:pixel_aspect=1/1",
                                       s.watermark.width, s.watermark.height, AV_PIX_FMT_RGBA);
    CheckAv(avfilter_graph_create_filter(&wm_src_, avfilter_get_by_name("buffer"), "wm", wm_args.c_str(), nullptr,
                                         graph_.get()),
            "watermark input");
    AVFilterInOut* wm = avfilter_inout_alloc();
    wm->name = av_strdup("wm");
    wm->filter_ctx = wm_src_;
    outputs->next = wm;
  }
  if (s.subtitle_ordinal >= 0) {
    subtitles_ = avfilter_graph_alloc_filter(graph_.get(), avfilter_get_by_name("subtitles"), "subs");
    if (!subtitles_) throw MediaError("this build of FFmpeg cannot draw subtitles");
    AVDictionary* o = nullptr;
    av_dict_set(&o, "filename", s.subtitle_file.c_str(), 0);
    av_dict_set_int(&o, "si", s.subtitle_ordinal, 0);
    const int W = output_.width > 0 && output_.height > 0 ? Even(output_.width) : first->width;
    const int H = output_.width > 0 && output_.height > 0 ? Even(output_.height) : first->height;
    // Text subtitles are laid out on a 384x288 script canvas: sizes and margins scale to it.
    const int alpha = (100 - s.subtitle_opacity) * 255 / 100;
    std::string style = Format("PrimaryColour=&H%02XFFFFFF,OutlineColour=&H%02X000000,BackColour=&H%02X000000", alpha,
                               alpha, alpha);
    if (s.subtitle.own_style) {
      std::string font = s.subtitle.font_name;
      std::erase_if(font, [](char c) { return c == ',' || c == '=' || c == '\''; });
      const uint32_t c = s.subtitle.color;
      style = Format("FontName=%s,FontSize=%d,PrimaryColour=&H%02X%02X%02X%02X,OutlineColour=&H%02X000000,"
                     "BackColour=&H%02X000000,Bold=%d,Italic=%d,Underline=%d,StrikeOut=%d,Alignment=7,"
                     "MarginL=%d,MarginV=%d",
                     font.c_str(), std::max(1, s.subtitle.font_size * 288 / std::max(1, H)), alpha, c & 0xFF,
                     (c >> 8) & 0xFF, (c >> 16) & 0xFF, alpha, alpha, (s.subtitle.font_style & 1) ? -1 : 0,
                     (s.subtitle.font_style & 2) ? -1 : 0, (s.subtitle.font_style & 4) ? -1 : 0,
                     (s.subtitle.font_style & 8) ? -1 : 0, std::max(0, s.subtitle.x) * 384 / std::max(1, W),
                     std::max(0, s.subtitle.y) * 288 / std::max(1, H));
    }
    av_dict_set(&o, "force_style", style.c_str(), 0);
    const int r = avfilter_init_dict(subtitles_, &o);
    av_dict_free(&o);
    CheckAv(r, "cannot read the subtitles of " + s.subtitle_file);
    AVFilterInOut* sub_in = avfilter_inout_alloc();
    sub_in->name = av_strdup("sub_in");
    sub_in->filter_ctx = subtitles_;
    inputs->next = sub_in;
    AVFilterInOut* sub_out = avfilter_inout_alloc();
    sub_out->name = av_strdup("sub_out");
    sub_out->filter_ctx = subtitles_;
    sub_out->next = outputs->next;
    outputs->next = sub_out;
  }
  const std::string desc = Describe(s, first);
  const int r = avfilter_graph_parse_ptr(graph_.get(), desc.c_str(), &inputs, &outputs, nullptr);
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  CheckAv(r, "picture filters \"" + desc + "\"");
  CheckAv(avfilter_graph_config(graph_.get(), nullptr), "picture filters \"" + desc + "\"");
  if (wm_src_) {
    // The mark is one picture: the overlay repeats it over every frame.
    FramePtr mark = AllocFrame();
    mark->width = s.watermark.width;
    mark->height = s.watermark.height;
    mark->format = AV_PIX_FMT_RGBA;
    CheckAv(av_frame_get_buffer(mark.get(), 0), "watermark buffer");
    for (int y = 0; y < mark->height; ++y)
      std::copy_n(s.watermark.pixels.data() + static_cast<size_t>(y) * mark->width * 4, mark->width * 4,
                  mark->data[0] + static_cast<ptrdiff_t>(y) * mark->linesize[0]);
    mark->pts = 0;
    CheckAv(av_buffersrc_add_frame(wm_src_, mark.get()), "watermark");
    CheckAv(av_buffersrc_add_frame(wm_src_, nullptr), "watermark");
  }
  in_width_ = first->width;
  in_height_ = first->height;
  in_format_ = first->format;
}

bool VideoProcessor::Read(VideoFrame& out) {
  for (;;) {
    if (graph_) {
      FramePtr frame = AllocFrame();
      const int r = av_buffersink_get_frame(sink_, frame.get());
      if (r >= 0) {
        out.time = static_cast<double>(frame->pts) * av_q2d(av_buffersink_get_time_base(sink_));
        BlendBitmapSubtitles(frame.get(), out.time);
        current_ = CloneFrame(frame.get());
        out.frame = std::move(frame);
        return true;
      }
      if (r == AVERROR_EOF) return false;
      if (r != AVERROR(EAGAIN)) CheckAv(r, "picture filters");
    }
    if (source_ended_) return false;
    VideoFrame in;
    if (!source_->Read(in)) {
      source_ended_ = true;
      if (!graph_) return false;
      CheckAv(av_buffersrc_add_frame(src_, nullptr), "picture filters");
      continue;
    }
    bool dirty;
    {
      std::lock_guard lock(mutex_);
      dirty = dirty_;
    }
    if (!graph_ || dirty || in.frame->width != in_width_ || in.frame->height != in_height_ ||
        in.frame->format != in_format_)
      Rebuild(in.frame.get());
    in.frame->pts = std::llround(in.time / av_q2d(kInputTimeBase));
    CheckAv(av_buffersrc_add_frame(src_, in.frame.get()), "picture filters");
  }
}

void VideoProcessor::BlendBitmapSubtitles(AVFrame* frame, double time) {
  std::shared_ptr<BitmapSubtitleTrack> track;
  SubtitleBlend blend;
  {
    std::lock_guard lock(mutex_);
    track = settings_.bitmap_subtitles;
    blend.opacity = settings_.subtitle_opacity;
    blend.move = settings_.subtitle.own_style;
    blend.x = std::max(0, settings_.subtitle.x);
    blend.y = std::max(0, settings_.subtitle.y);
  }
  if (!track) return;
  const SubtitleEvent* event = track->At(time);
  if (!event) return;
  CheckAv(av_frame_make_writable(frame), "subtitle picture");
  BlendSubtitleEvent(frame, *event, blend);
}

void VideoProcessor::Seek(double seconds) {
  source_->Seek(seconds);
  graph_.reset();  // a fresh graph: the rate filter starts again at the new time
  source_ended_ = false;
}

void VideoProcessor::SaveCurrentFrame(const std::string& path) const {
  if (!current_) throw MediaError("no picture has been shown yet");
  SaveFrameImage(current_.get(), path);
}

}  // namespace fc
