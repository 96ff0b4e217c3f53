#pragma once
// The sound processor: sits on an audio source and delivers samples at the output rate and
// channel count with the volume applied. Flash targets snap the rate to 44100, 22050 or
// 11025 Hz, the rates MP3 in FLV and SWF can carry.

#include <memory>
#include <mutex>

#include "engine/filter_pipe.h"
#include "engine/source.h"

namespace fc {

class TAudioProcessor : public TAudioSource {
public:
  // A rate or channel count of 0 keeps the source's; `sample_bits` is 16 (the record's value)
  // or 32 for float samples.
  TAudioProcessor(std::shared_ptr<TAudioSource> source, int32_t sample_rate, int32_t channels, int32_t sample_bits,
                 bool flash_target);

  TAudioFormat AudioFormat() const override { return format_; }
  double Duration() const override { return source_->Duration(); }
  bool Read(TAudioFrame& out) override;
  void Seek(double seconds) override;

  // Volume in percent (100 unchanged, 0 silent, up to 400).
  void SetVolume(int32_t percent);
  int32_t Volume() const;

private:
  void Rebuild(const AVFrame* first);

  std::shared_ptr<TAudioSource> source_;
  TAudioFormat format_;
  mutable std::mutex mutex_;
  int32_t volume_ = 100;
  bool dirty_ = true;
  TFilterPipe pipe_{"sound filters"};
  double base_time_ = 0;      // the time of the first sample into the current graph
  int64_t out_samples_ = 0;   // samples delivered since then
};

}  // namespace fc
