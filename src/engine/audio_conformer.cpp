#include "engine/audio_conformer.h"

#include <algorithm>
#include <cmath>

#include "engine/decoder.h"

namespace fc {

TAudioConformer::TAudioConformer(TAudioSource& source, const TAudioTarget& target, double start, double end)
    : source_(source), target_(target), start_(start), end_(end) {
  if (std::isfinite(end_)) sample_limit_ = static_cast<int64_t>(std::llround((end_ - start_) * target_.SampleRate));
}

TFramePtr TAudioConformer::Next() {
  while ((!fifo_ || av_audio_fifo_size(fifo_.get()) < target_.FrameSize) && Fill()) {
  }
  const int available = fifo_ ? av_audio_fifo_size(fifo_.get()) : 0;
  const int n = static_cast<int>(std::min<int64_t>(std::min(available, target_.FrameSize), sample_limit_ - samples_out_));
  if (n <= 0) return nullptr;
  TFramePtr frame = MakeFrame(target_.WholeFramesOnly ? target_.FrameSize : n);
  av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, target_.Channels, target_.SampleFormat);
  av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), n);
  frame->pts = samples_out_;
  samples_out_ += n;
  return frame;
}

bool TAudioConformer::Fill() {
  if (source_ended_) return false;
  TAudioFrame in;
  for (;;) {
    if (!source_.Read(in) || in.Time >= end_) {
      source_ended_ = true;
      if (swr_) {  // the resampler's delayed samples
        const TFramePtr rest = Convert(nullptr);
        if (rest) Store(rest.get());
      }
      return false;
    }
    if (in.Time + static_cast<double>(in.Frame->nb_samples) / std::max(1, in.Frame->sample_rate) <= start_) continue;
    if (in.Time < start_ && !TrimAudioFront(in, start_)) continue;
    break;
  }
  if (!swr_) {
    SwrContext* raw = nullptr;
    AVChannelLayout out_layout{};
    av_channel_layout_default(&out_layout, target_.Channels);
    CheckAv(swr_alloc_set_opts2(&raw, &out_layout, target_.SampleFormat, target_.SampleRate, &in.Frame->ch_layout,
                                static_cast<AVSampleFormat>(in.Frame->format), in.Frame->sample_rate, 0, nullptr),
            "audio conversion");
    swr_.reset(raw);
    CheckAv(swr_init(swr_.get()), "audio conversion");
    fifo_.reset(av_audio_fifo_alloc(target_.SampleFormat, target_.Channels, 4096));
    if (!fifo_) throw MediaError("out of memory for audio");
  }
  const TFramePtr converted = Convert(in.Frame.get());
  if (converted) Store(converted.get());
  return true;
}

TFramePtr TAudioConformer::Convert(const AVFrame* in) {
  const int in_samples = in ? in->nb_samples : 0;
  const int max_out = swr_get_out_samples(swr_.get(), in_samples);
  if (max_out <= 0) return nullptr;
  TFramePtr out = MakeFrame(max_out);
  const int n = swr_convert(swr_.get(), out->extended_data, max_out,
                            in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, in_samples);
  if (n < 0) throw MediaError("audio conversion failed: " + AvErrorText(n));
  out->nb_samples = n;
  return n > 0 ? std::move(out) : nullptr;
}

void TAudioConformer::Store(const AVFrame* frame) {
  if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), frame->nb_samples) <
      frame->nb_samples)
    throw MediaError("out of memory for audio");
}

TFramePtr TAudioConformer::MakeFrame(int samples) const {
  return AllocSamples(target_.SampleFormat, target_.SampleRate, target_.Channels, samples, "audio buffer");
}

}  // namespace fc
