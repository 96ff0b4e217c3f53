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

class TVideoSource {
public:
  virtual ~TVideoSource() = default;
  // The format of the frames Read() delivers (size, rate and aspect).
  virtual TVideoFormat VideoFormat() const = 0;
  // Seconds of media; 0 when unknown.
  virtual double Duration() const = 0;
  // The next frame, or false at the end.
  virtual bool Read(TVideoFrame& out) = 0;
  // Moves so that the next frame read is the one shown at `seconds` (accurate, not keyframe).
  virtual void Seek(double seconds) = 0;
};

class TAudioSource {
public:
  virtual ~TAudioSource() = default;
  virtual TAudioFormat AudioFormat() const = 0;
  virtual double Duration() const = 0;
  virtual bool Read(TAudioFrame& out) = 0;
  // Moves so that the next samples read start exactly at `seconds`.
  virtual void Seek(double seconds) = 0;
};

}  // namespace fc
