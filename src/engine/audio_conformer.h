#pragma once
// Turns decoded sound into the frames an audio encoder takes: samples converted to its format,
// rate and channels, cut to the part of the source being converted, and handed out in frames of
// the encoder's size, timed in samples from the start of that part.

#include <limits>
#include <memory>

#include "engine/source.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace fc {

namespace detail {
struct TAudioFifoDeleter { void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); } };
}  // namespace detail
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, detail::TAudioFifoDeleter>;

// What the encoder takes.
struct TAudioTarget {
  AVSampleFormat SampleFormat = AV_SAMPLE_FMT_S16;
  int SampleRate = 44100;
  int Channels = 2;
  int FrameSize = 1024;          // samples per frame
  bool WholeFramesOnly = false;  // a short last frame is padded with silence
};

// Used by one thread (the converter's audio thread). Reads the source from where it stands:
// the caller seeks it to `start` first.
class TAudioConformer {
public:
  // Converts the sound of [start, end) seconds of `source` (end may be infinite).
  TAudioConformer(TAudioSource& source, const TAudioTarget& target, double start, double end);

  // The next frame: FrameSize samples, fewer (or padded) at the end; pts counts the samples
  // handed out before it. Null when all the sound is out.
  TFramePtr Next();

private:
  // Reads and converts source samples into the FIFO; false when the source has ended.
  bool Fill();
  TFramePtr Convert(const AVFrame* in);
  void Store(const AVFrame* frame);
  TFramePtr MakeFrame(int samples) const;

  TAudioSource& source_;
  const TAudioTarget target_;
  const double start_;
  const double end_;
  TSwrContextPtr swr_;   // made for the first source frame's format
  TAudioFifoPtr fifo_;
  bool source_ended_ = false;
  int64_t samples_out_ = 0;
  int64_t sample_limit_ = std::numeric_limits<int64_t>::max();
};

}  // namespace fc
