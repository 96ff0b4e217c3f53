#include "engine/audio_processor.h"

#include <algorithm>
#include <cmath>

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
  TFilterGraphPtr graph = pipe_.NewGraph();
  char layout[128] = {};
  av_channel_layout_describe(&first->ch_layout, layout, sizeof layout);
  const std::string args = Format("time_base=1/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s", first->sample_rate,
                                  first->sample_rate, av_get_sample_fmt_name(static_cast<AVSampleFormat>(first->format)),
                                  layout);
  AVFilterContext* buffer_source = CreateFilter(graph.get(), "abuffer", "in", args.c_str(), "sound filter input");
  AVFilterContext* sink = CreateFilter(graph.get(), "abuffersink", "out", nullptr, "sound filter output");
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
  pipe_.Install(std::move(graph), buffer_source, sink);
}

bool TAudioProcessor::Read(TAudioFrame& out) {
  TFramePtr frame = pipe_.Pull(*source_, [this](TAudioFrame& in) {
    bool dirty;
    {
      std::lock_guard lock(mutex_);
      dirty = dirty_;
    }
    // The first frame builds the graph; a new volume restarts it at this frame's time,
    // draining nothing.
    if (!pipe_.Built() || dirty) {
      base_time_ = in.Time;
      out_samples_ = 0;
      Rebuild(in.Frame.get());
    }
    in.Frame->pts = std::llround(in.Time * in.Frame->sample_rate);
  });
  if (!frame) return false;
  // Times count delivered samples, so they stay exact across resampling.
  out.Time = base_time_ + static_cast<double>(out_samples_) / format_.SampleRate;
  out_samples_ += frame->nb_samples;
  out.Frame = std::move(frame);
  return true;
}

void TAudioProcessor::Seek(double seconds) {
  source_->Seek(seconds);
  pipe_.Restart();
}

}  // namespace fc
