#include "engine/audio_processor.h"

#include <algorithm>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include "core/text.h"
#include "engine/formats.h"

namespace fc {

AudioProcessor::AudioProcessor(std::shared_ptr<AudioSource> source, int32_t sampleRate, int32_t channels,
                               int32_t sampleBits, bool flashTarget)
    : source_(std::move(source)) {
  if (!source_) throw MediaError("a sound processor needs an audio source");
  QuietFfmpegLog();
  const AudioFormat in = source_->format();
  int rate = sampleRate > 0 ? sampleRate : in.sample_rate;
  if (rate <= 0) rate = 44100;
  if (flashTarget) rate = SnapFlashSampleRate(rate);
  format_.sample_rate = rate;
  format_.channels = std::clamp(channels > 0 ? channels : in.channels, 1, 8);
  format_.bits_per_sample = sampleBits == 32 ? 32 : 16;
  format_.flags = in.flags;
}

void AudioProcessor::SetVolume(int32_t percent) {
  std::lock_guard lock(mutex_);
  volume_ = std::clamp(percent, 0, 400);
  dirty_ = true;
}

int32_t AudioProcessor::volume() const {
  std::lock_guard lock(mutex_);
  return volume_;
}

void AudioProcessor::Rebuild(const AVFrame* first) {
  int32_t volume;
  {
    std::lock_guard lock(mutex_);
    volume = volume_;
    dirty_ = false;
  }
  // Built aside and taken over once complete: a graph that failed half-way is never used.
  graph_.reset();
  FilterGraphPtr graph(avfilter_graph_alloc());
  if (!graph) throw MediaError("out of memory for a filter graph");
  AVFilterContext* bufferSource = nullptr;
  AVFilterContext* sink = nullptr;
  char layout[128] = {};
  av_channel_layout_describe(&first->ch_layout, layout, sizeof layout);
  const std::string args = Format("time_base=1/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s", first->sample_rate,
                                  first->sample_rate, av_get_sample_fmt_name(static_cast<AVSampleFormat>(first->format)),
                                  layout);
  CheckAv(avfilter_graph_create_filter(&bufferSource, avfilter_get_by_name("abuffer"), "in", args.c_str(), nullptr,
                                       graph.get()),
          "sound filter input");
  CheckAv(avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                       graph.get()),
          "sound filter output");
  AVChannelLayout outLayout{};
  av_channel_layout_default(&outLayout, format_.channels);
  char outName[128] = {};
  av_channel_layout_describe(&outLayout, outName, sizeof outName);
  // Mono made stereo keeps its level on both sides (not the -3 dB of a centre channel).
  const char* monoToStereo = first->ch_layout.nb_channels == 1 && format_.channels == 2 ? ",pan=stereo|c0=c0|c1=c0" : "";
  const std::string filters =
      Format("volume=%.2f:precision=float%s,aresample=%d,aformat=sample_fmts=%s:channel_layouts=%s", volume / 100.0,
             monoToStereo, format_.sample_rate, format_.bits_per_sample == 32 ? "flt" : "s16", outName);
  ParseFilterGraph(graph.get(), filters, FilterEnd("out", sink), FilterEnd("in", bufferSource), "sound filters");
  graph_ = std::move(graph);
  bufferSource_ = bufferSource;
  sink_ = sink;
}

bool AudioProcessor::Read(AudioFrame& out) {
  for (;;) {
    if (graph_) {
      FramePtr frame = AllocFrame();
      const int r = av_buffersink_get_frame(sink_, frame.get());
      if (r >= 0) {
        // Times count delivered samples, so they stay exact across resampling.
        out.time = baseTime_ + static_cast<double>(outSamples_) / format_.sample_rate;
        outSamples_ += frame->nb_samples;
        out.frame = std::move(frame);
        return true;
      }
      if (r == AVERROR_EOF) return false;
      if (r != AVERROR(EAGAIN)) CheckAv(r, "sound filters");
    }
    if (sourceEnded_) return false;
    AudioFrame in;
    if (!source_->Read(in)) {
      sourceEnded_ = true;
      if (!graph_) return false;
      CheckAv(av_buffersrc_add_frame(bufferSource_, nullptr), "sound filters");
      continue;
    }
    bool dirty;
    {
      std::lock_guard lock(mutex_);
      dirty = dirty_;
    }
    if (!graph_) {
      baseTime_ = in.time;
      outSamples_ = 0;
      Rebuild(in.frame.get());
    } else if (dirty) {
      // A new volume: drain nothing, restart the graph at this frame's time.
      baseTime_ = in.time;
      outSamples_ = 0;
      Rebuild(in.frame.get());
    }
    in.frame->pts = std::llround(in.time * in.frame->sample_rate);
    CheckAv(av_buffersrc_add_frame(bufferSource_, in.frame.get()), "sound filters");
  }
}

void AudioProcessor::Seek(double seconds) {
  source_->Seek(seconds);
  graph_.reset();
  sourceEnded_ = false;
}

}  // namespace fc
