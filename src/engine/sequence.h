#pragma once
// Sequences: sources that play several members back to back (merged tasks and slides), and
// the track mixer that lays an added sound track under a task's own sound. Members are opened
// only while they play, through the request callback, and their frames and samples are made
// to fit the sequence's size, rate and channel layout.

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "engine/source.h"

namespace fc {

// Where a member plays: [begin, end) in the sequence, taken from [source_begin, source_end)
// of its own source. All in seconds.
struct TSegmentTimes {
  double begin = 0, end = 0;
  double SourceBegin = 0, SourceEnd = 0;
};

// Asked with open = true when a member starts playing (it returns the member's processor or
// decoder, or null when it cannot), and with open = false when the member is done with.
using TVideoMemberRequest = std::function<std::shared_ptr<TVideoSource>(bool open)>;
using TAudioMemberRequest = std::function<std::shared_ptr<TAudioSource>(bool open)>;

namespace detail {

// What the video and audio sequences share: their members, and the one member whose source is
// open, opened through its request when it starts playing and released when it is done with.
template <class TSource>
class TSequence : public TSource {
public:
  using TRequest = std::function<std::shared_ptr<TSource>(bool open)>;

  void AddMember(const TSegmentTimes& times, TRequest request) {
    if (!(times.end > times.begin)) throw MediaError("a sequence member needs an end after its begin");
    members_.push_back({times, std::move(request)});
  }

  double Duration() const override {
    double d = 0;
    for (const TMember& m : members_) d = std::max(d, m.Times.end);
    return d;
  }

protected:
  struct TMember {
    TSegmentTimes Times;
    TRequest Request;
  };

  // Makes member `index` the current one and opens its source `offset` seconds into its part
  // of the source; false when the request gives none.
  bool OpenSource(size_t index, double offset) {
    current_ = index;
    const TMember& m = members_[index];
    source_ = m.Request ? m.Request(true) : nullptr;
    if (!source_) return false;
    source_->Seek(m.Times.SourceBegin + offset);
    return true;
  }

  // Drops the current member's source and tells its request; false when none was open.
  bool ReleaseSource() {
    if (!source_) return false;
    source_.reset();
    if (members_[current_].Request) members_[current_].Request(false);
    return true;
  }

  std::vector<TMember> members_;
  size_t current_ = 0;                 // the member being played
  std::shared_ptr<TSource> source_;    // its source while open
};

// Converts samples to `format` (interleaved) at `rate` with `channels`; the resampler is made
// on first use and remade when the input changes.
class TSampleConverter {
public:
  // Null when nothing came out yet.
  TFramePtr Convert(const AVFrame* in, AVSampleFormat format, int rate, int channels);
  void Reset() { swr_.reset(); }

private:
  TSwrContextPtr swr_;
  int in_rate_ = 0, in_format_ = -1, in_channels_ = 0;
};

}  // namespace detail

class TVideoSequence : public detail::TSequence<TVideoSource> {
public:
  // Output pictures: width x height (even) at `frame_rate` (a rate of 0 or less means 25).
  TVideoSequence(int32_t width, int32_t height, double frame_rate);
  ~TVideoSequence() override;

  TVideoFormat VideoFormat() const override;
  bool Read(TVideoFrame& out) override;
  void Seek(double seconds) override;

private:
  bool OpenMember(size_t index, double sequence_time);
  void CloseMember();
  TFramePtr Conform(const AVFrame* in);
  TFramePtr Black() const;

  int32_t width_, height_;
  AVRational rate_;
  TVideoFrame held_;                        // the picture on screen (converted)
  TVideoFrame next_;                        // the member's next picture (converted), if read
  bool next_valid_ = false;
  bool exhausted_ = false;                 // the current member has no more pictures
  int64_t frame_index_ = 0;                // output frame number
  TSwsContextPtr sws_;
};

class TAudioSequence : public detail::TSequence<TAudioSource> {
public:
  // Output samples: 16-bit interleaved at `sample_rate` with `channels`.
  TAudioSequence(int32_t sample_rate, int32_t channels);
  ~TAudioSequence() override;

  TAudioFormat AudioFormat() const override;
  bool Read(TAudioFrame& out) override;
  void Seek(double seconds) override;

private:
  void OpenMember(size_t index, double offset);
  void CloseMember();
  TFramePtr Silence(int samples) const;

  int32_t rate_, channels_;
  bool opened_ = false;
  int64_t position_ = 0;   // samples delivered in the sequence
  detail::TSampleConverter converter_;
};

// The added sound track of a task: the clip [clip_start, clip_end) of `track` plays from the
// task's start time, repeated for `loop_length` seconds when that is above 0, mixed under
// `main` (which may be null: the track alone).
struct TTrackTimes {
  double ClipStart = 0, ClipEnd = 0;
  double LoopLength = 0;
  double StartTime = 0;
};

class TTrackMixer : public TAudioSource {
public:
  TTrackMixer(std::shared_ptr<TAudioSource> main, std::shared_ptr<TAudioSource> track, const TTrackTimes& times,
             int32_t sample_rate = 0, int32_t channels = 0);

  TAudioFormat AudioFormat() const override;
  double Duration() const override;
  bool Read(TAudioFrame& out) override;
  void Seek(double seconds) override;

private:
  // Fills `samples` of the added track's sound for the time `at` of the main line.
  void TrackSamples(double at, int samples, std::vector<float>& mix);
  bool ReadTrackInto(std::vector<float>& buffer);

  std::shared_ptr<TAudioSource> main_;
  std::shared_ptr<TAudioSource> track_;
  TTrackTimes times_;
  int32_t rate_, channels_;
  double position_ = 0;        // the main line's time of the next sample
  double track_pos_ = -1;      // the track's time of the next buffered sample (-1: not positioned)
  std::vector<float> track_buffer_;  // interleaved, converted track samples
  size_t track_read_ = 0;            // the next unused value in it
  detail::TSampleConverter main_converter_, track_converter_;
};

}  // namespace fc
