#pragma once
// The sound processor: sits on an audio source and delivers samples at the output rate and
// channel count with the volume applied. Flash targets snap the rate to 44100, 22050 or
// 11025 Hz, the rates MP3 in FLV and SWF can carry.

#include <memory>
#include <mutex>

#include "engine/source.h"

namespace fc {

class AudioProcessor : public AudioSource {
public:
  // A rate or channel count of 0 keeps the source's; `sampleBits` is 16 (the record's value)
  // or 32 for float samples.
  AudioProcessor(std::shared_ptr<AudioSource> source, int32_t sampleRate, int32_t channels, int32_t sampleBits,
                 bool flashTarget);

  AudioFormat format() const override { return format_; }
  double duration() const override { return source_->duration(); }
  bool Read(AudioFrame& out) override;
  void Seek(double seconds) override;

  // Volume in percent (100 unchanged, 0 silent, up to 400).
  void SetVolume(int32_t percent);
  int32_t volume() const;

private:
  void Rebuild(const AVFrame* first);

  std::shared_ptr<AudioSource> source_;
  AudioFormat format_;
  mutable std::mutex mutex_;
  int32_t volume_ = 100;
  bool dirty_ = true;
  FilterGraphPtr graph_;
  AVFilterContext* bufferSource_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  bool sourceEnded_ = false;
  double baseTime_ = 0;      // the time of the first sample into the current graph
  int64_t outSamples_ = 0;   // samples delivered since then
};

}  // namespace fc
