#include "engine/sequence.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text.h"

namespace fc {
namespace {

// Converts samples to `format` (interleaved) at `rate` with `channels`; the context is made on
// first use and remade when the input changes. Returns null when nothing came out yet.
FramePtr ConvertSamples(SwrContextPtr& swr, int& inRate, int& inFormat, int& inChannels, const AVFrame* in,
                        AVSampleFormat format, int rate, int channels) {
  if (!swr || in->sample_rate != inRate || in->format != inFormat || in->ch_layout.nb_channels != inChannels) {
    SwrContext* s = nullptr;
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, channels);
    CheckAv(swr_alloc_set_opts2(&s, &outLayout, format, rate, const_cast<AVChannelLayout*>(&in->ch_layout),
                                static_cast<AVSampleFormat>(in->format),
                                in->sample_rate, 0, nullptr),
            "sound conversion");
    swr.reset(s);
    CheckAv(swr_init(swr.get()), "sound conversion");
    inRate = in->sample_rate;
    inFormat = in->format;
    inChannels = in->ch_layout.nb_channels;
  }
  const int maxOut = swr_get_out_samples(swr.get(), in->nb_samples);
  if (maxOut <= 0) return nullptr;
  FramePtr out = AllocFrame();
  out->format = format;
  out->sample_rate = rate;
  av_channel_layout_default(&out->ch_layout, channels);
  out->nb_samples = maxOut;
  CheckAv(av_frame_get_buffer(out.get(), 0), "sound buffer");
  const int n = CheckAv(swr_convert(swr.get(), out->extended_data, maxOut,
                                    const_cast<const uint8_t**>(in->extended_data), in->nb_samples),
                        "sound conversion");
  if (n <= 0) return nullptr;
  out->nb_samples = n;
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

VideoSequence::VideoSequence(int32_t width, int32_t height, double frameRate)
    : width_(std::max(2, width & ~1)), height_(std::max(2, height & ~1)) {
  // A rate of 0 never reaches a division or a frame count.
  rate_ = frameRate > 0 && std::isfinite(frameRate) ? av_d2q(frameRate, 100000) : AVRational{25, 1};
  QuietFfmpegLog();
}

VideoSequence::~VideoSequence() { CloseMember(); }

void VideoSequence::AddMember(const SegmentTimes& times, VideoMemberRequest request) {
  if (!(times.end > times.begin)) throw MediaError("a sequence member needs an end after its begin");
  members_.push_back({times, std::move(request)});
}

VideoFormat VideoSequence::format() const {
  return {width_, height_, av_q2d(rate_), width_, height_, 0};
}

double VideoSequence::duration() const {
  double d = 0;
  for (const Member& m : members_) d = std::max(d, m.times.end);
  return d;
}

bool VideoSequence::OpenMember(size_t index, double sequenceTime) {
  current_ = index;
  next_valid_ = false;
  const Member& m = members_[index];
  source_ = m.request ? m.request(true) : nullptr;
  if (!source_) return false;
  source_->Seek(m.times.source_begin + (sequenceTime - m.times.begin));
  return true;
}

void VideoSequence::CloseMember() {
  if (!source_) return;
  source_.reset();
  next_valid_ = false;
  if (members_[current_].request) members_[current_].request(false);
}

FramePtr VideoSequence::Conform(const AVFrame* in) {
  if (in->width == width_ && in->height == height_ && in->format == AV_PIX_FMT_YUV420P) return CloneFrame(in);
  sws_.reset(sws_getCachedContext(sws_.release(), in->width, in->height, static_cast<AVPixelFormat>(in->format),
                                  width_, height_, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!sws_) throw MediaError(Format("cannot convert pictures of %dx%d", in->width, in->height));
  FramePtr out = AllocFrame();
  out->width = width_;
  out->height = height_;
  out->format = AV_PIX_FMT_YUV420P;
  CheckAv(av_frame_get_buffer(out.get(), 0), "picture buffer");
  sws_scale(sws_.get(), in->data, in->linesize, 0, in->height, out->data, out->linesize);
  return out;
}

FramePtr VideoSequence::Black() const {
  FramePtr f = AllocFrame();
  f->width = width_;
  f->height = height_;
  f->format = AV_PIX_FMT_YUV420P;
  CheckAv(av_frame_get_buffer(f.get(), 0), "picture buffer");
  for (int p = 0; p < 3; ++p) {
    const int rows = p ? height_ / 2 : height_;
    for (int y = 0; y < rows; ++y) std::memset(f->data[p] + y * f->linesize[p], p ? 128 : 16, p ? width_ / 2 : width_);
  }
  return f;
}

bool VideoSequence::Read(VideoFrame& out) {
  const double step = 1.0 / av_q2d(rate_);
  const double t = static_cast<double>(frame_index_) * step;
  if (t >= duration() - 1e-9) return false;
  // The member on screen at t (none in a gap: the last picture stays).
  size_t index = members_.size();
  for (size_t i = 0; i < members_.size(); ++i)
    if (members_[i].times.begin <= t + 1e-9 && t < members_[i].times.end - 1e-9) {
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
      VideoFrame f;
      const Member& m = members_[current_];
      if (!source_->Read(f) || f.time >= m.times.source_end - 1e-9) {
        CloseMember();  // the member ran out before its segment: its last picture stays
        exhausted_ = true;
        break;
      }
      next_.frame = Conform(f.frame.get());
      next_.time = m.times.begin + (f.time - m.times.source_begin);
      next_valid_ = true;
    }
    if (next_.time > t + step / 2) break;
    held_ = std::move(next_);
    next_valid_ = false;
  }
  out.frame = held_.frame ? CloneFrame(held_.frame.get()) : Black();
  out.time = t;
  ++frame_index_;
  return true;
}

void VideoSequence::Seek(double seconds) {
  CloseMember();
  exhausted_ = false;
  current_ = members_.size();
  held_ = {};
  frame_index_ = static_cast<int64_t>(std::ceil(std::max(0.0, seconds) * av_q2d(rate_) - 1e-6));
}

// ---------------------------------------------------------------------------------------------

AudioSequence::AudioSequence(int32_t sampleRate, int32_t channels)
    : rate_(sampleRate > 0 ? sampleRate : 44100), channels_(std::clamp(channels > 0 ? channels : 2, 1, 8)) {
  QuietFfmpegLog();
}

AudioSequence::~AudioSequence() { CloseMember(); }

void AudioSequence::AddMember(const SegmentTimes& times, AudioMemberRequest request) {
  if (!(times.end > times.begin)) throw MediaError("a sequence member needs an end after its begin");
  members_.push_back({times, std::move(request)});
}

AudioFormat AudioSequence::format() const { return {rate_, channels_, 16, 0}; }

double AudioSequence::duration() const {
  double d = 0;
  for (const Member& m : members_) d = std::max(d, m.times.end);
  return d;
}

void AudioSequence::OpenMember(size_t index, double offset) {
  current_ = index;
  opened_ = true;
  const Member& m = members_[index];
  source_ = m.request ? m.request(true) : nullptr;
  swr_.reset();
  if (source_) source_->Seek(m.times.source_begin + std::max(0.0, offset));
}

void AudioSequence::CloseMember() {
  if (opened_ && source_ && members_[current_].request) {
    source_.reset();
    members_[current_].request(false);
  }
  source_.reset();
  opened_ = false;
}

FramePtr AudioSequence::Silence(int samples) const {
  FramePtr f = AllocFrame();
  f->format = AV_SAMPLE_FMT_S16;
  f->sample_rate = rate_;
  av_channel_layout_default(&f->ch_layout, channels_);
  f->nb_samples = samples;
  CheckAv(av_frame_get_buffer(f.get(), 0), "sound buffer");
  av_samples_set_silence(f->extended_data, 0, samples, channels_, AV_SAMPLE_FMT_S16);
  return f;
}

FramePtr AudioSequence::Convert(const AVFrame* in) {
  return ConvertSamples(swr_, swr_in_rate_, swr_in_format_, swr_in_channels_, in, AV_SAMPLE_FMT_S16, rate_, channels_);
}

bool AudioSequence::Read(AudioFrame& out) {
  // Sorted by begin, members play one after the other; gaps between them are silent.
  while (current_ < members_.size()) {
    const Member& m = members_[current_];
    const int64_t segmentBegin = std::llround(m.times.begin * rate_);
    const int64_t segmentEnd = std::llround(m.times.end * rate_);
    if (position_ >= segmentEnd) {
      CloseMember();
      ++current_;
      continue;
    }
    const double time = static_cast<double>(position_) / rate_;
    if (position_ < segmentBegin) {
      const int n = static_cast<int>(std::min<int64_t>(segmentBegin - position_, 1024));
      out.frame = Silence(n);
      out.time = time;
      position_ += n;
      return true;
    }
    if (!opened_) OpenMember(current_, time - m.times.begin);
    FramePtr converted;
    while (source_ && !converted) {
      AudioFrame f;
      if (!source_->Read(f) || f.time >= m.times.source_end - 1e-9) {
        CloseMember();
        opened_ = true;  // done with this member: silence fills the rest of its segment
        break;
      }
      converted = Convert(f.frame.get());
    }
    if (!converted) converted = Silence(static_cast<int>(std::min<int64_t>(segmentEnd - position_, 1024)));
    // Never past the segment's end.
    converted->nb_samples = static_cast<int>(std::min<int64_t>(converted->nb_samples, segmentEnd - position_));
    out.frame = std::move(converted);
    out.time = time;
    position_ += out.frame->nb_samples;
    return true;
  }
  return false;
}

void AudioSequence::Seek(double seconds) {
  CloseMember();
  position_ = std::llround(std::max(0.0, seconds) * rate_);
  current_ = 0;
  for (size_t i = 0; i < members_.size(); ++i)
    if (std::llround(members_[i].times.end * rate_) > position_) {
      current_ = i;
      break;
    }
}

// ---------------------------------------------------------------------------------------------

TrackMixer::TrackMixer(std::shared_ptr<AudioSource> main, std::shared_ptr<AudioSource> track, const TrackTimes& times,
                       int32_t sampleRate, int32_t channels)
    : main_(std::move(main)), track_(std::move(track)), times_(times) {
  if (!track_) throw MediaError("the track mixer needs a sound track");
  const AudioFormat base = main_ ? main_->format() : track_->format();
  rate_ = sampleRate > 0 ? sampleRate : (base.sample_rate > 0 ? base.sample_rate : 44100);
  channels_ = std::clamp(channels > 0 ? channels : base.channels, 1, 8);
  if (!(times_.clip_end > times_.clip_start)) times_.clip_end = track_->duration();
  QuietFfmpegLog();
}

AudioFormat TrackMixer::format() const { return {rate_, channels_, 32, 0}; }

double TrackMixer::duration() const {
  if (main_) return main_->duration();
  return times_.start_time + (times_.loop_length > 0 ? times_.loop_length : times_.clip_end - times_.clip_start);
}

bool TrackMixer::ReadTrackInto(std::vector<float>& buffer) {
  AudioFrame f;
  if (!track_->Read(f)) return false;
  FramePtr c = ConvertSamples(track_swr_, track_in_rate_, track_in_format_, track_in_channels_, f.frame.get(),
                              AV_SAMPLE_FMT_FLT, rate_, channels_);
  if (c) {
    const auto* s = reinterpret_cast<const float*>(c->data[0]);
    buffer.insert(buffer.end(), s, s + static_cast<size_t>(c->nb_samples) * channels_);
  }
  return true;
}

void TrackMixer::TrackSamples(double at, int samples, std::vector<float>& mix) {
  const double clipLength = times_.clip_end - times_.clip_start;
  if (!(clipLength > 0)) return;
  const double step = 1.0 / rate_;
  for (int i = 0; i < samples; ++i) {
    double r = at + i * step - times_.start_time;
    if (r < -1e-9) continue;
    r = std::max(0.0, r);
    if (times_.loop_length > 0) {
      if (r >= times_.loop_length) return;
      r = std::fmod(r, clipLength);
    } else if (r >= clipLength) {
      return;
    }
    const double want = times_.clip_start + r;
    if (track_pos_ < 0 || std::fabs(track_pos_ - want) > step / 2) {
      track_->Seek(want);
      track_buffer_.clear();
      track_read_ = 0;
      track_swr_.reset();
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

bool TrackMixer::Read(AudioFrame& out) {
  std::vector<float> mix;
  int n = 1024;
  if (main_) {
    AudioFrame m;
    FramePtr c;
    while (!c) {
      if (!main_->Read(m)) return false;
      c = ConvertSamples(main_swr_, main_in_rate_, main_in_format_, main_in_channels_, m.frame.get(),
                         AV_SAMPLE_FMT_FLT, rate_, channels_);
    }
    position_ = m.time;
    n = c->nb_samples;
    const auto* s = reinterpret_cast<const float*>(c->data[0]);
    mix.assign(s, s + static_cast<size_t>(n) * channels_);
  } else {
    if (position_ >= duration() - 1e-9) return false;
    n = static_cast<int>(std::min<double>(n, std::ceil((duration() - position_) * rate_)));
    if (n <= 0) return false;
    mix.assign(static_cast<size_t>(n) * channels_, 0.0f);
  }
  TrackSamples(position_, n, mix);
  FramePtr f = AllocFrame();
  f->format = AV_SAMPLE_FMT_FLT;
  f->sample_rate = rate_;
  av_channel_layout_default(&f->ch_layout, channels_);
  f->nb_samples = n;
  CheckAv(av_frame_get_buffer(f.get(), 0), "sound buffer");
  auto* d = reinterpret_cast<float*>(f->data[0]);
  for (size_t i = 0; i < mix.size(); ++i) d[i] = std::clamp(mix[i], -1.0f, 1.0f);
  out.frame = std::move(f);
  out.time = position_;
  position_ += static_cast<double>(n) / rate_;
  return true;
}

void TrackMixer::Seek(double seconds) {
  if (main_) main_->Seek(seconds);
  position_ = std::max(0.0, seconds);
  track_pos_ = -1;
  track_buffer_.clear();
  track_read_ = 0;
}

}  // namespace fc
