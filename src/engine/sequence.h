#pragma once
// Sequences: sources that play several members back to back (merged tasks and slides), and
// the track mixer that lays an added sound track under a task's own sound. Members are opened
// only while they play, through the request callback, and their frames and samples are made
// to fit the sequence's size, rate and channel layout.

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

class TVideoSequence : public TVideoSource {
public:
  // Output pictures: width x height (even) at `frameRate` (a rate of 0 or less means 25).
  TVideoSequence(int32_t width, int32_t height, double frame_rate);
  ~TVideoSequence() override;

  void AddMember(const TSegmentTimes& times, TVideoMemberRequest request);

  TVideoFormat VideoFormat() const override;
  double Duration() const override;
  bool Read(TVideoFrame& out) override;
  void Seek(double seconds) override;

private:
  struct TMember {
    TSegmentTimes Times;
    TVideoMemberRequest Request;
  };
  bool OpenMember(size_t index, double sequence_time);
  void CloseMember();
  TFramePtr Conform(const AVFrame* in);
  TFramePtr Black() const;

  int32_t width_, height_;
  AVRational rate_;
  std::vector<TMember> members_;
  size_t current_ = 0;                     // the member being played
  std::shared_ptr<TVideoSource> source_;    // its source while open
  TVideoFrame held_;                        // the picture on screen (converted)
  TVideoFrame next_;                        // the member's next picture (converted), if read
  bool next_valid_ = false;
  bool exhausted_ = false;                 // the current member has no more pictures
  int64_t frame_index_ = 0;                // output frame number
  TSwsContextPtr sws_;
};

class TAudioSequence : public TAudioSource {
public:
  // Output samples: 16-bit interleaved at `sampleRate` with `channels`.
  TAudioSequence(int32_t sample_rate, int32_t channels);
  ~TAudioSequence() override;

  void AddMember(const TSegmentTimes& times, TAudioMemberRequest request);

  TAudioFormat AudioFormat() const override;
  double Duration() const override;
  bool Read(TAudioFrame& out) override;
  void Seek(double seconds) override;

private:
  struct TMember {
    TSegmentTimes Times;
    TAudioMemberRequest Request;
  };
  void OpenMember(size_t index, double offset);
  void CloseMember();
  TFramePtr Silence(int samples) const;
  TFramePtr Convert(const AVFrame* in);

  int32_t rate_, channels_;
  std::vector<TMember> members_;
  size_t current_ = 0;
  std::shared_ptr<TAudioSource> source_;
  bool opened_ = false;
  int64_t position_ = 0;   // samples delivered in the sequence
  TSwrContextPtr swr_;
  int swr_in_rate_ = 0, swr_in_format_ = -1, swr_in_channels_ = 0;
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
  TSwrContextPtr main_swr_, track_swr_;
  int main_in_rate_ = 0, main_in_format_ = -1, main_in_channels_ = 0;
  int track_in_rate_ = 0, track_in_format_ = -1, track_in_channels_ = 0;
};

}  // namespace fc
