#include "engine/audio_processor.h"

#include <algorithm>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include "core/text.h"
#include "engine/formats.h"

namespace fc {

TAudioProcessor::TAudioProcessor(std::shared_ptr<TAudioSource> source, int32_t sample_rate, int32_t channels,
                               int32_t sample_bits, bool flash_target)
    : source_(std::move(source)) {
  if (!source_) throw MediaError("a sound processor needs an audio source");
  QuietFfmpegLog();
  const TAudioFormat in = source_->AudioFormat();
  int rate = sample_rate > 0 ? sample_rate : in.SampleRate;
  if (rate <= 0) rate = 44100;
  if (flash_target) rate = SnapFlashSampleRate(rate);
  format_.SampleRate = rate;
  format_.Channels = std::clamp(channels > 0 ? channels : in.Channels, 1, 8);
  format_.BitsPerSample = sample_bits == 32 ? 32 : 16;
  format_.Flags = in.Flags;
}

void TAudioProcessor::SetVolume(int32_t percent) {
  std::lock_guard lock(mutex_);
  volume_ = std::clamp(percent, 0, 400);
  dirty_ = true;
}

int32_t TAudioProcessor::Volume() const {
  std::lock_guard lock(mutex_);
  return volume_;
}

void TAudioProcessor::Rebuild(const AVFrame* first) {
  int32_t volume;
  {
    std::lock_guard lock(mutex_);
    volume = volume_;
    dirty_ = false;
  }
  // Built aside and taken over once complete: a graph that failed half-way is never used.
  graph_.reset();
  TFilterGraphPtr graph(avfilter_graph_alloc());
  if (!graph) throw MediaError("out of memory for a filter graph");
  AVFilterContext* buffer_source = nullptr;
  AVFilterContext* sink = nullptr;
  char layout[128] = {};
  av_channel_layout_describe(&first->ch_layout, layout, sizeof layout);
  const std::string args = Format("time_base=1/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s", first->sample_rate,
                                  first->sample_rate, av_get_sample_fmt_name(static_cast<AVSampleFormat>(first->format)),
                                  layout);
  CheckAv(avfilter_graph_create_filter(&buffer_source, avfilter_get_by_name("abuffer"), "in", args.c_str(), nullptr,
                                       graph.get()),
          "sound filter input");
  CheckAv(avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                       graph.get()),
          "sound filter output");
  AVChannelLayout out_layout{};
  av_channel_layout_default(&out_layout, format_.Channels);
  char out_name[128] = {};
  av_channel_layout_describe(&out_layout, out_name, sizeof out_name);
  // Mono made stereo keeps its level on both sides (not the -3 dB of a centre channel).
  const char* mono_to_stereo = first->ch_layout.nb_channels == 1 && format_.Channels == 2 ? ",pan=stereo|c0=c0|c1=c0" : "";
  const std::string filters =
      Format("volume=%.2f:precision=float%s,aresample=%d,aformat=sample_fmts=%s:channel_layouts=%s", volume / 100.0,
             mono_to_stereo, format_.SampleRate, format_.BitsPerSample == 32 ? "flt" : "s16", out_name);
  ParseFilterGraph(graph.get(), filters, FilterEnd("out", sink), FilterEnd("in", buffer_source), "sound filters");
  graph_ = std::move(graph);
  buffer_source_ = buffer_source;
  sink_ = sink;
}

bool TAudioProcessor::Read(TAudioFrame& out) {
  for (;;) {
    if (graph_) {
      TFramePtr frame = AllocFrame();
      const int r = av_buffersink_get_frame(sink_, frame.get());
      if (r >= 0) {
        // Times count delivered samples, so they stay exact across resampling.
        out.Time = base_time_ + static_cast<double>(out_samples_) / format_.SampleRate;
        out_samples_ += frame->nb_samples;
        out.Frame = std::move(frame);
        return true;
      }
      if (r == AVERROR_EOF) return false;
      if (r != AVERROR(EAGAIN)) CheckAv(r, "sound filters");
    }
    if (source_ended_) return false;
    TAudioFrame in;
    if (!source_->Read(in)) {
      source_ended_ = true;
      if (!graph_) return false;
      CheckAv(av_buffersrc_add_frame(buffer_source_, nullptr), "sound filters");
      continue;
    }
    bool dirty;
    {
      std::lock_guard lock(mutex_);
      dirty = dirty_;
    }
    if (!graph_) {
      base_time_ = in.Time;
      out_samples_ = 0;
      Rebuild(in.Frame.get());
    } else if (dirty) {
      // A new volume: drain nothing, restart the graph at this frame's time.
      base_time_ = in.Time;
      out_samples_ = 0;
      Rebuild(in.Frame.get());
    }
    in.Frame->pts = std::llround(in.Time * in.Frame->sample_rate);
    CheckAv(av_buffersrc_add_frame(buffer_source_, in.Frame.get()), "sound filters");
  }
}

void TAudioProcessor::Seek(double seconds) {
  source_->Seek(seconds);
  graph_.reset();
  source_ended_ = false;
}

}  // namespace fc
