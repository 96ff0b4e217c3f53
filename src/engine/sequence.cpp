#include "engine/sequence.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text.h"

namespace fc {
namespace detail {

TFramePtr TSampleConverter::Convert(const AVFrame* in, AVSampleFormat format, int rate, int channels) {
  if (!swr_ || in->sample_rate != in_rate_ || in->format != in_format_ || in->ch_layout.nb_channels != in_channels_) {
    SwrContext* s = nullptr;
    AVChannelLayout out_layout{};
    av_channel_layout_default(&out_layout, channels);
    CheckAv(swr_alloc_set_opts2(&s, &out_layout, format, rate, const_cast<AVChannelLayout*>(&in->ch_layout),
                                static_cast<AVSampleFormat>(in->format),
                                in->sample_rate, 0, nullptr),
            "sound conversion");
    swr_.reset(s);
    CheckAv(swr_init(swr_.get()), "sound conversion");
    in_rate_ = in->sample_rate;
    in_format_ = in->format;
    in_channels_ = in->ch_layout.nb_channels;
  }
  const int max_out = swr_get_out_samples(swr_.get(), in->nb_samples);
  if (max_out <= 0) return nullptr;
  TFramePtr out = AllocSamples(format, rate, channels, max_out, "sound buffer");
  const int n = CheckAv(swr_convert(swr_.get(), out->extended_data, max_out,
                                    const_cast<const uint8_t**>(in->extended_data), in->nb_samples),
                        "sound conversion");
  if (n <= 0) return nullptr;
  out->nb_samples = n;
  return out;
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------

TVideoSequence::TVideoSequence(int32_t width, int32_t height, double frame_rate)
    : width_(std::max(2, width & ~1)), height_(std::max(2, height & ~1)) {
  // A rate of 0 never reaches a division or a frame count.
  rate_ = frame_rate > 0 && std::isfinite(frame_rate) ? av_d2q(frame_rate, 100000) : AVRational{25, 1};
  QuietFfmpegLog();
}

TVideoSequence::~TVideoSequence() { CloseMember(); }

TVideoFormat TVideoSequence::VideoFormat() const {
  return {width_, height_, av_q2d(rate_), width_, height_, 0};
}

bool TVideoSequence::OpenMember(size_t index, double sequence_time) {
  next_valid_ = false;
  return OpenSource(index, sequence_time - members_[index].Times.begin);
}

void TVideoSequence::CloseMember() {
  if (ReleaseSource()) next_valid_ = false;
}

TFramePtr TVideoSequence::Conform(const AVFrame* in) {
  if (in->width == width_ && in->height == height_ && in->format == AV_PIX_FMT_YUV420P) return CloneFrame(in);
  sws_.reset(sws_getCachedContext(sws_.release(), in->width, in->height, static_cast<AVPixelFormat>(in->format),
                                  width_, height_, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!sws_) throw MediaError(Format("cannot convert pictures of %dx%d", in->width, in->height));
  TFramePtr out = AllocPicture(width_, height_, AV_PIX_FMT_YUV420P, "picture buffer");
  sws_scale(sws_.get(), in->data, in->linesize, 0, in->height, out->data, out->linesize);
  return out;
}

TFramePtr TVideoSequence::Black() const {
  TFramePtr f = AllocPicture(width_, height_, AV_PIX_FMT_YUV420P, "picture buffer");
  for (int p = 0; p < 3; ++p) {
    const int rows = p ? height_ / 2 : height_;
    for (int y = 0; y < rows; ++y) std::memset(f->data[p] + y * f->linesize[p], p ? 128 : 16, p ? width_ / 2 : width_);
  }
  return f;
}

bool TVideoSequence::Read(TVideoFrame& out) {
  const double step = 1.0 / av_q2d(rate_);
  const double t = static_cast<double>(frame_index_) * step;
  if (t >= Duration() - 1e-9) return false;
  // The member on screen at t (none in a gap: the last picture stays).
  size_t index = members_.size();
  for (size_t i = 0; i < members_.size(); ++i)
    if (members_[i].Times.begin <= t + 1e-9 && t < members_[i].Times.end - 1e-9) {
      index = i;
      break;
    }
  if (index < members_.size() && (index != current_ || (!source_ && !exhausted_))) {
    CloseMember();
    exhausted_ = !OpenMember(index, t);
  } else if (index == members_.size()) {
    CloseMember();
  }
  while (source_) {
    if (!next_valid_) {
      TVideoFrame f;
      const TMember& m = members_[current_];
      if (!source_->Read(f) || f.Time >= m.Times.SourceEnd - 1e-9) {
        CloseMember();  // the member ran out before its segment: its last picture stays
        exhausted_ = true;
        break;
      }
      next_.Frame = Conform(f.Frame.get());
      next_.Time = m.Times.begin + (f.Time - m.Times.SourceBegin);
      next_valid_ = true;
    }
    if (next_.Time > t + step / 2) break;
    held_ = std::move(next_);
    next_valid_ = false;
  }
  out.Frame = held_.Frame ? CloneFrame(held_.Frame.get()) : Black();
  out.Time = t;
  ++frame_index_;
  return true;
}

void TVideoSequence::Seek(double seconds) {
  CloseMember();
  exhausted_ = false;
  current_ = members_.size();
  held_ = {};
  frame_index_ = static_cast<int64_t>(std::ceil(std::max(0.0, seconds) * av_q2d(rate_) - 1e-6));
}

// ---------------------------------------------------------------------------------------------

TAudioSequence::TAudioSequence(int32_t sample_rate, int32_t channels)
    : rate_(sample_rate > 0 ? sample_rate : 44100), channels_(std::clamp(channels > 0 ? channels : 2, 1, 8)) {
  QuietFfmpegLog();
}

TAudioSequence::~TAudioSequence() { CloseMember(); }

TAudioFormat TAudioSequence::AudioFormat() const { return {rate_, channels_, 16, 0}; }

void TAudioSequence::OpenMember(size_t index, double offset) {
  opened_ = true;
  converter_.Reset();
  OpenSource(index, std::max(0.0, offset));
}

void TAudioSequence::CloseMember() {
  ReleaseSource();
  opened_ = false;
}

TFramePtr TAudioSequence::Silence(int samples) const {
  TFramePtr f = AllocSamples(AV_SAMPLE_FMT_S16, rate_, channels_, samples, "sound buffer");
  av_samples_set_silence(f->extended_data, 0, samples, channels_, AV_SAMPLE_FMT_S16);
  return f;
}

bool TAudioSequence::Read(TAudioFrame& out) {
  // Sorted by begin, members play one after the other; gaps between them are silent.
  while (current_ < members_.size()) {
    const TMember& m = members_[current_];
    const int64_t segment_begin = std::llround(m.Times.begin * rate_);
    const int64_t segment_end = std::llround(m.Times.end * rate_);
    if (position_ >= segment_end) {
      CloseMember();
      ++current_;
      continue;
    }
    const double time = static_cast<double>(position_) / rate_;
    if (position_ < segment_begin) {
      const int n = static_cast<int>(std::min<int64_t>(segment_begin - position_, 1024));
      out.Frame = Silence(n);
      out.Time = time;
      position_ += n;
      return true;
    }
    if (!opened_) OpenMember(current_, time - m.Times.begin);
    TFramePtr converted;
    while (source_ && !converted) {
      TAudioFrame f;
      if (!source_->Read(f) || f.Time >= m.Times.SourceEnd - 1e-9) {
        CloseMember();
        opened_ = true;  // done with this member: silence fills the rest of its segment
        break;
      }
      converted = converter_.Convert(f.Frame.get(), AV_SAMPLE_FMT_S16, rate_, channels_);
    }
    if (!converted) converted = Silence(static_cast<int>(std::min<int64_t>(segment_end - position_, 1024)));
    // Never past the segment's end.
    converted->nb_samples = static_cast<int>(std::min<int64_t>(converted->nb_samples, segment_end - position_));
    out.Frame = std::move(converted);
    out.Time = time;
    position_ += out.Frame->nb_samples;
    return true;
  }
  return false;
}

void TAudioSequence::Seek(double seconds) {
  CloseMember();
  position_ = std::llround(std::max(0.0, seconds) * rate_);
  current_ = 0;
  for (size_t i = 0; i < members_.size(); ++i)
    if (std::llround(members_[i].Times.end * rate_) > position_) {
      current_ = i;
      break;
    }
}

// ---------------------------------------------------------------------------------------------

TTrackMixer::TTrackMixer(std::shared_ptr<TAudioSource> main, std::shared_ptr<TAudioSource> track, const TTrackTimes& times,
                       int32_t sample_rate, int32_t channels)
    : main_(std::move(main)), track_(std::move(track)), times_(times) {
  if (!track_) throw MediaError("the track mixer needs a sound track");
  const TAudioFormat base = main_ ? main_->AudioFormat() : track_->AudioFormat();
  rate_ = sample_rate > 0 ? sample_rate : (base.SampleRate > 0 ? base.SampleRate : 44100);
  channels_ = std::clamp(channels > 0 ? channels : base.Channels, 1, 8);
  if (!(times_.ClipEnd > times_.ClipStart)) times_.ClipEnd = track_->Duration();
  QuietFfmpegLog();
}

TAudioFormat TTrackMixer::AudioFormat() const { return {rate_, channels_, 32, 0}; }

double TTrackMixer::Duration() const {
  if (main_) return main_->Duration();
  return times_.StartTime + (times_.LoopLength > 0 ? times_.LoopLength : times_.ClipEnd - times_.ClipStart);
}

bool TTrackMixer::ReadTrackInto(std::vector<float>& buffer) {
  TAudioFrame f;
  if (!track_->Read(f)) return false;
  TFramePtr c = track_converter_.Convert(f.Frame.get(), AV_SAMPLE_FMT_FLT, rate_, channels_);
  if (c) {
    const auto* s = reinterpret_cast<const float*>(c->data[0]);
    buffer.insert(buffer.end(), s, s + static_cast<size_t>(c->nb_samples) * channels_);
  }
  return true;
}

void TTrackMixer::TrackSamples(double at, int samples, std::vector<float>& mix) {
  const double clip_length = times_.ClipEnd - times_.ClipStart;
  if (!(clip_length > 0)) return;
  const double step = 1.0 / rate_;
  for (int i = 0; i < samples; ++i) {
    double r = at + i * step - times_.StartTime;
    if (r < -1e-9) continue;
    r = std::max(0.0, r);
    if (times_.LoopLength > 0) {
      if (r >= times_.LoopLength) return;
      r = std::fmod(r, clip_length);
    } else if (r >= clip_length) {
      return;
    }
    const double want = times_.ClipStart + r;
    if (track_pos_ < 0 || std::fabs(track_pos_ - want) > step / 2) {
      track_->Seek(want);
      track_buffer_.clear();
      track_read_ = 0;
      track_converter_.Reset();
      track_pos_ = want;
    }
    if (track_read_ >= track_buffer_.size()) {
      track_buffer_.clear();
      track_read_ = 0;
      if (!ReadTrackInto(track_buffer_) || track_buffer_.empty()) {
        track_pos_ = -1;  // the track ended early: silence
        continue;
      }
    }
    for (int c = 0; c < channels_; ++c) mix[static_cast<size_t>(i) * channels_ + c] += track_buffer_[track_read_ + c];
    track_read_ += channels_;
    track_pos_ += step;
  }
}

bool TTrackMixer::Read(TAudioFrame& out) {
  std::vector<float> mix;
  int n = 1024;
  if (main_) {
    TAudioFrame m;
    TFramePtr c;
    while (!c) {
      if (!main_->Read(m)) return false;
      c = main_converter_.Convert(m.Frame.get(), AV_SAMPLE_FMT_FLT, rate_, channels_);
    }
    position_ = m.Time;
    n = c->nb_samples;
    const auto* s = reinterpret_cast<const float*>(c->data[0]);
    mix.assign(s, s + static_cast<size_t>(n) * channels_);
  } else {
    if (position_ >= Duration() - 1e-9) return false;
    n = static_cast<int>(std::min<double>(n, std::ceil((Duration() - position_) * rate_)));
    if (n <= 0) return false;
    mix.assign(static_cast<size_t>(n) * channels_, 0.0f);
  }
  TrackSamples(position_, n, mix);
  TFramePtr f = AllocSamples(AV_SAMPLE_FMT_FLT, rate_, channels_, n, "sound buffer");
  auto* d = reinterpret_cast<float*>(f->data[0]);
  for (size_t i = 0; i < mix.size(); ++i) d[i] = std::clamp(mix[i], -1.0f, 1.0f);
  out.Frame = std::move(f);
  out.Time = position_;
  position_ += static_cast<double>(n) / rate_;
  return true;
}

void TTrackMixer::Seek(double seconds) {
  if (main_) main_->Seek(seconds);
  position_ = std::max(0.0, seconds);
  track_pos_ = -1;
  track_buffer_.clear();
  track_read_ = 0;
}

}  // namespace fc
