#include "engine/bitmap_subtitles.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text.h"

namespace fc {
namespace {

// After a seek the track reads again from this long before the asked time, so that an event
// that began a little earlier and is still on screen is found.
constexpr double kLookBack = 30.0;
// Frame and subtitle times come through different time bases: within this they are the same.
constexpr double kSameTime = 1e-4;

int32_t StreamId(const AVStream* st) { return st->id != 0 ? st->id : st->index + 1; }

// A decoded subtitle, freed with its rectangles on every path.
class TDecodedSubtitle {
public:
  TDecodedSubtitle() = default;
  ~TDecodedSubtitle() { avsubtitle_free(&subtitle_); }
  TDecodedSubtitle(const TDecodedSubtitle&) = delete;
  TDecodedSubtitle& operator=(const TDecodedSubtitle&) = delete;
  AVSubtitle* Get() { return &subtitle_; }

private:
  AVSubtitle subtitle_{};
};

uint8_t Blend(uint8_t under, int over, int alpha) {
  return static_cast<uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

}  // namespace

TSubtitleEvent MakeSubtitleEvent(const AVSubtitle& sub, int64_t pts_us, int32_t canvas_width, int32_t canvas_height) {
  TSubtitleEvent ev;
  ev.Start = static_cast<double>(pts_us + int64_t{sub.start_display_time} * 1000) / 1e6;
  // An end time of 0 (or "until further notice") leaves the event up until the next one.
  if (sub.end_display_time > sub.start_display_time && sub.end_display_time != UINT32_MAX)
    ev.end = static_cast<double>(pts_us + int64_t{sub.end_display_time} * 1000) / 1e6;
  ev.CanvasWidth = canvas_width;
  ev.CanvasHeight = canvas_height;
  for (unsigned i = 0; i < sub.num_rects; ++i) {
    const AVSubtitleRect* r = sub.rects[i];
    if (!r || r->type != SUBTITLE_BITMAP || r->w <= 0 || r->h <= 0 || !r->data[0] || !r->data[1]) continue;
    TSubtitlePicture p;
    p.X = r->x;
    p.Y = r->y;
    p.Width = r->w;
    p.Height = r->h;
    p.Rgba.resize(static_cast<size_t>(r->w) * r->h * 4);
    const int colors = std::clamp(r->nb_colors, 0, 256);
    for (int y = 0; y < r->h; ++y) {
      const uint8_t* row = r->data[0] + static_cast<ptrdiff_t>(y) * r->linesize[0];
      uint8_t* out = p.Rgba.data() + static_cast<size_t>(y) * r->w * 4;
      for (int x = 0; x < r->w; ++x, out += 4) {
        if (row[x] >= colors) continue;  // outside the palette: transparent
        uint32_t argb;
        std::memcpy(&argb, r->data[1] + row[x] * 4, 4);  // native-endian 0xAARRGGBB
        out[0] = (argb >> 16) & 0xFF;
        out[1] = (argb >> 8) & 0xFF;
        out[2] = argb & 0xFF;
        out[3] = argb >> 24;
      }
    }
    ev.Pictures.push_back(std::move(p));
  }
  return ev;
}

void BlendSubtitleEvent(AVFrame* f, const TSubtitleEvent& ev, const TSubtitleBlend& b) {
  if (ev.Pictures.empty() || (f->format != AV_PIX_FMT_YUV420P && f->format != AV_PIX_FMT_YUVJ420P)) return;
  const double sx = static_cast<double>(f->width) / (ev.CanvasWidth > 0 ? ev.CanvasWidth : f->width);
  const double sy = static_cast<double>(f->height) / (ev.CanvasHeight > 0 ? ev.CanvasHeight : f->height);
  int dx = 0, dy = 0;
  if (b.Move) {
    int left = INT32_MAX, top = INT32_MAX;
    for (const TSubtitlePicture& p : ev.Pictures) left = std::min(left, p.X), top = std::min(top, p.Y);
    dx = b.X - static_cast<int>(std::lround(left * sx));
    dy = b.Y - static_cast<int>(std::lround(top * sy));
  }
  const int opacity = std::clamp(b.Opacity, 0, 100);
  if (opacity == 0) return;
  for (const TSubtitlePicture& p : ev.Pictures) {
    const int x0 = static_cast<int>(std::lround(p.X * sx)) + dx, y0 = static_cast<int>(std::lround(p.Y * sy)) + dy;
    const int x1 = static_cast<int>(std::lround((p.X + p.Width) * sx)) + dx;
    const int y1 = static_cast<int>(std::lround((p.Y + p.Height) * sy)) + dy;
    for (int y = std::max(y0, 0); y < std::min(y1, f->height); ++y) {
      const int py = std::min(p.Height - 1, static_cast<int>((y - y0) / sy));
      uint8_t* luma = f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0];
      uint8_t* cb = f->data[1] + static_cast<ptrdiff_t>(y / 2) * f->linesize[1];
      uint8_t* cr = f->data[2] + static_cast<ptrdiff_t>(y / 2) * f->linesize[2];
      for (int x = std::max(x0, 0); x < std::min(x1, f->width); ++x) {
        const int px = std::min(p.Width - 1, static_cast<int>((x - x0) / sx));
        const uint8_t* c = p.Rgba.data() + (static_cast<size_t>(py) * p.Width + px) * 4;
        const int a = c[3] * opacity / 100;
        if (a == 0) continue;
        // BT.601 studio range, as the rest of the picture chain produces.
        const int R = c[0], G = c[1], B = c[2];
        luma[x] = Blend(luma[x], ((66 * R + 129 * G + 25 * B + 128) >> 8) + 16, a);
        if ((x & 1) == 0 && (y & 1) == 0) {
          cb[x / 2] = Blend(cb[x / 2], ((-38 * R - 74 * G + 112 * B + 128) >> 8) + 128, a);
          cr[x / 2] = Blend(cr[x / 2], ((112 * R - 94 * G - 18 * B + 128) >> 8) + 128, a);
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------

TBitmapSubtitleTrack::TBitmapSubtitleTrack(const TVideoDecoder& decoder, int32_t stream_id)
    : open_(decoder.Opener()), name_(decoder.Name()), stream_id_(stream_id) {
  const AVStream* video = decoder.Stream();
  if (video->start_time != AV_NOPTS_VALUE) origin_us_ = av_rescale_q(video->start_time, video->time_base, AV_TIME_BASE_Q);
  video_width_ = decoder.VideoFormat().Width;
  video_height_ = decoder.VideoFormat().Height;
  Open(0);
}

TBitmapSubtitleTrack::~TBitmapSubtitleTrack() = default;

void TBitmapSubtitleTrack::Open(double seconds) {
  current_.reset();
  pending_.reset();
  ended_ = false;
  codec_.reset();
  stream_ = nullptr;
  // Near the start the input is opened afresh: simplest, and exact on every container.
  const double from = seconds - kLookBack;
  if (!input_ || from <= 0) input_ = open_();
  for (unsigned i = 0; i < input_->nb_streams; ++i) {
    AVStream* st = input_->streams[i];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && StreamId(st) == stream_id_) stream_ = st;
  }
  if (stream_)
    for (unsigned i = 0; i < input_->nb_streams; ++i)
      input_->streams[i]->discard = input_->streams[i] == stream_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  // Program streams announce their streams as they come: the subtitle may show up later.
  if (!stream_ && !(input_->ctx_flags & AVFMTCTX_NOHEADER))
    throw MediaError(Format("%s has no subtitle stream %d", name_.c_str(), stream_id_));
  if (from > 0) {
    const int64_t ts = std::llround(from * AV_TIME_BASE) + origin_us_;
    avformat_seek_file(input_.get(), -1, INT64_MIN, ts, ts, 0);  // on failure: read on from here
  }
}

std::optional<TSubtitleEvent> TBitmapSubtitleTrack::DecodeNext() {
  for (;;) {
    av_packet_unref(packet_.get());
    const int r = av_read_frame(input_.get(), packet_.get());
    if (r == AVERROR_EOF) return std::nullopt;
    CheckAv(r, "cannot read the subtitles of " + name_);
    AVStream* st = input_->streams[packet_->stream_index];
    if (!stream_) {
      if (st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE || StreamId(st) != stream_id_) continue;
      stream_ = st;
    }
    if (st != stream_) continue;
    if (!codec_) {
      const AVCodec* dec = avcodec_find_decoder(st->codecpar->codec_id);
      if (!dec) throw MediaError(Format("%s: no decoder for %s", name_.c_str(), avcodec_get_name(st->codecpar->codec_id)));
      codec_.reset(avcodec_alloc_context3(dec));
      if (!codec_) throw MediaError("out of memory for a subtitle decoder");
      CheckAv(avcodec_parameters_to_context(codec_.get(), st->codecpar), "subtitle decoder parameters");
      codec_->pkt_timebase = st->time_base;
      CheckAv(avcodec_open2(codec_.get(), dec, nullptr), Format("cannot open the %s decoder", dec->name));
    }
    TDecodedSubtitle sub;
    int got = 0;
    // A damaged subtitle packet is skipped; the picture goes on.
    if (avcodec_decode_subtitle2(codec_.get(), sub.Get(), &got, packet_.get()) < 0 || !got) continue;
    int64_t pts = sub.Get()->pts;
    if (pts == AV_NOPTS_VALUE && packet_->pts != AV_NOPTS_VALUE)
      pts = av_rescale_q(packet_->pts, st->time_base, AV_TIME_BASE_Q);
    if (pts == AV_NOPTS_VALUE) pts = std::llround((current_ ? current_->Start : 0) * AV_TIME_BASE) + origin_us_;
    const int32_t canvas_width = codec_->width > 0 ? codec_->width : video_width_;
    const int32_t canvas_height = codec_->height > 0 ? codec_->height : video_height_;
    return MakeSubtitleEvent(*sub.Get(), pts - origin_us_, canvas_width, canvas_height);
  }
}

const TSubtitleEvent* TBitmapSubtitleTrack::At(double seconds) {
  if (seconds < last_time_ - 1e-3 || seconds > last_time_ + kLookBack) Open(seconds);
  last_time_ = seconds;
  for (;;) {
    if (!pending_ && !ended_) {
      pending_ = DecodeNext();
      ended_ = !pending_;
    }
    if (!pending_ || pending_->Start > seconds + kSameTime) break;
    current_ = std::move(pending_);  // the next event replaces (or clears) the one before
    pending_.reset();
  }
  if (!current_ || current_->Pictures.empty() || seconds + kSameTime < current_->Start ||
      seconds + kSameTime >= current_->end)
    return nullptr;
  return &*current_;
}

}  // namespace fc
