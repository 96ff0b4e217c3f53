#include "engine/audio_conformer.h"

#include <algorithm>
#include <cmath>

#include "engine/decoder.h"

namespace fc {

TAudioConformer::TAudioConformer(AudioSource& source, const TAudioTarget& target, double start, double end)
    : source_(source), target_(target), start_(start), end_(end) {
  if (std::isfinite(end_)) sampleLimit_ = static_cast<int64_t>(std::llround((end_ - start_) * target_.SampleRate));
}

FramePtr TAudioConformer::Next() {
  while ((!fifo_ || av_audio_fifo_size(fifo_.get()) < target_.FrameSize) && Fill()) {
  }
  const int available = fifo_ ? av_audio_fifo_size(fifo_.get()) : 0;
  const int n = static_cast<int>(std::min<int64_t>(std::min(available, target_.FrameSize), sampleLimit_ - samplesOut_));
  if (n <= 0) return nullptr;
  FramePtr frame = MakeFrame(target_.WholeFramesOnly ? target_.FrameSize : n);
  av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, target_.Channels, target_.SampleFormat);
  av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), n);
  frame->pts = samplesOut_;
  samplesOut_ += n;
  return frame;
}

bool TAudioConformer::Fill() {
  if (sourceEnded_) return false;
  AudioFrame in;
  for (;;) {
    if (!source_.Read(in) || in.time >= end_) {
      sourceEnded_ = true;
      if (swr_) {  // the resampler's delayed samples
        const FramePtr rest = Convert(nullptr);
        if (rest) Store(rest.get());
      }
      return false;
    }
    if (in.time + static_cast<double>(in.frame->nb_samples) / std::max(1, in.frame->sample_rate) <= start_) continue;
    if (in.time < start_ && !TrimAudioFront(in, start_)) continue;
    break;
  }
  if (!swr_) {
    SwrContext* raw = nullptr;
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, target_.Channels);
    CheckAv(swr_alloc_set_opts2(&raw, &outLayout, target_.SampleFormat, target_.SampleRate, &in.frame->ch_layout,
                                static_cast<AVSampleFormat>(in.frame->format), in.frame->sample_rate, 0, nullptr),
            "audio conversion");
    swr_.reset(raw);
    CheckAv(swr_init(swr_.get()), "audio conversion");
    fifo_.reset(av_audio_fifo_alloc(target_.SampleFormat, target_.Channels, 4096));
    if (!fifo_) throw MediaError("out of memory for audio");
  }
  const FramePtr converted = Convert(in.frame.get());
  if (converted) Store(converted.get());
  return true;
}

FramePtr TAudioConformer::Convert(const AVFrame* in) {
  const int inSamples = in ? in->nb_samples : 0;
  const int maxOut = swr_get_out_samples(swr_.get(), inSamples);
  if (maxOut <= 0) return nullptr;
  FramePtr out = MakeFrame(maxOut);
  const int n = swr_convert(swr_.get(), out->extended_data, maxOut,
                            in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, inSamples);
  if (n < 0) throw MediaError("audio conversion failed: " + AvErrorText(n));
  out->nb_samples = n;
  return n > 0 ? std::move(out) : nullptr;
}

void TAudioConformer::Store(const AVFrame* frame) {
  if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), frame->nb_samples) <
      frame->nb_samples)
    throw MediaError("out of memory for audio");
}

FramePtr TAudioConformer::MakeFrame(int samples) const {
  FramePtr frame = AllocFrame();
  frame->format = target_.SampleFormat;
  frame->sample_rate = target_.SampleRate;
  av_channel_layout_default(&frame->ch_layout, target_.Channels);
  frame->nb_samples = samples;
  CheckAv(av_frame_get_buffer(frame.get(), 0), "audio buffer");
  return frame;
}

}  // namespace fc
