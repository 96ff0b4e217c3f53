#pragma once
// The two kinds of media source that the engine's parts chain together: decoders, processors
// and sequences all deliver decoded frames through these interfaces, so that a processor can
// sit on a decoder and the converter on either.

#include <memory>

#include "engine/av_util.h"
#include "engine/media_info.h"

namespace fc {

// A decoded picture and its time in seconds from the start of the source.
struct TVideoFrame {
  TFramePtr Frame;
  double Time = 0;
};

// Decoded samples and the time of the first one.
struct TAudioFrame {
  TFramePtr Frame;
  double Time = 0;
};

// What every source does, whatever it delivers: `TFrameRecord` is the kind of frame read.
template <class TFrameRecord>
class TMediaSource {
public:
  virtual ~TMediaSource() = default;
  // Seconds of media; 0 when unknown.
  virtual double Duration() const = 0;
  // The next frame, or false at the end.
  virtual bool Read(TFrameRecord& out) = 0;
  // Moves so that what is read next starts exactly at `seconds`: the picture shown then (not
  // the keyframe before it), or the sample due then.
  virtual void Seek(double seconds) = 0;
};

class TVideoSource : public TMediaSource<TVideoFrame> {
public:
  // The format of the frames Read() delivers (size, rate and aspect).
  virtual TVideoFormat VideoFormat() const = 0;
};

class TAudioSource : public TMediaSource<TAudioFrame> {
public:
  virtual TAudioFormat AudioFormat() const = 0;
};

}  // namespace fc
