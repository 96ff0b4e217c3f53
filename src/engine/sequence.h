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
struct SegmentTimes {
  double begin = 0, end = 0;
  double source_begin = 0, source_end = 0;
};

// Asked with open = true when a member starts playing (it returns the member's processor or
// decoder, or null when it cannot), and with open = false when the member is done with.
using VideoMemberRequest = std::function<std::shared_ptr<VideoSource>(bool open)>;
using AudioMemberRequest = std::function<std::shared_ptr<AudioSource>(bool open)>;

class VideoSequence : public VideoSource {
public:
  // Output pictures: width x height (even) at `frameRate` (a rate of 0 or less means 25).
  VideoSequence(int32_t width, int32_t height, double frameRate);
  ~VideoSequence() override;

  void AddMember(const SegmentTimes& times, VideoMemberRequest request);

  VideoFormat format() const override;
  double duration() const override;
  bool Read(VideoFrame& out) override;
  void Seek(double seconds) override;

private:
  struct Member {
    SegmentTimes times;
    VideoMemberRequest request;
  };
  bool OpenMember(size_t index, double sequenceTime);
  void CloseMember();
  FramePtr Conform(const AVFrame* in);
  FramePtr Black() const;

  int32_t width_, height_;
  AVRational rate_;
  std::vector<Member> members_;
  size_t current_ = 0;                     // the member being played
  std::shared_ptr<VideoSource> source_;    // its source while open
  VideoFrame held_;                        // the picture on screen (converted)
  VideoFrame next_;                        // the member's next picture (converted), if read
  bool next_valid_ = false;
  bool exhausted_ = false;                 // the current member has no more pictures
  int64_t frame_index_ = 0;                // output frame number
  SwsContextPtr sws_;
};

class AudioSequence : public AudioSource {
public:
  // Output samples: 16-bit interleaved at `sampleRate` with `channels`.
  AudioSequence(int32_t sampleRate, int32_t channels);
  ~AudioSequence() override;

  void AddMember(const SegmentTimes& times, AudioMemberRequest request);

  AudioFormat format() const override;
  double duration() const override;
  bool Read(AudioFrame& out) override;
  void Seek(double seconds) override;

private:
  struct Member {
    SegmentTimes times;
    AudioMemberRequest request;
  };
  void OpenMember(size_t index, double offset);
  void CloseMember();
  FramePtr Silence(int samples) const;
  FramePtr Convert(const AVFrame* in);

  int32_t rate_, channels_;
  std::vector<Member> members_;
  size_t current_ = 0;
  std::shared_ptr<AudioSource> source_;
  bool opened_ = false;
  int64_t position_ = 0;   // samples delivered in the sequence
  SwrContextPtr swr_;
  int swr_in_rate_ = 0, swr_in_format_ = -1, swr_in_channels_ = 0;
};

// The added sound track of a task: the clip [clip_start, clip_end) of `track` plays from the
// task's start time, repeated for `loop_length` seconds when that is above 0, mixed under
// `main` (which may be null: the track alone).
struct TrackTimes {
  double clip_start = 0, clip_end = 0;
  double loop_length = 0;
  double start_time = 0;
};

class TrackMixer : public AudioSource {
public:
  TrackMixer(std::shared_ptr<AudioSource> main, std::shared_ptr<AudioSource> track, const TrackTimes& times,
             int32_t sampleRate = 0, int32_t channels = 0);

  AudioFormat format() const override;
  double duration() const override;
  bool Read(AudioFrame& out) override;
  void Seek(double seconds) override;

private:
  // Fills `samples` of the added track's sound for the time `at` of the main line.
  void TrackSamples(double at, int samples, std::vector<float>& mix);
  bool ReadTrackInto(std::vector<float>& buffer);

  std::shared_ptr<AudioSource> main_;
  std::shared_ptr<AudioSource> track_;
  TrackTimes times_;
  int32_t rate_, channels_;
  double position_ = 0;        // the main line's time of the next sample
  double track_pos_ = -1;      // the track's time of the next buffered sample (-1: not positioned)
  std::vector<float> track_buffer_;  // interleaved, converted track samples
  size_t track_read_ = 0;            // the next unused value in it
  SwrContextPtr main_swr_, track_swr_;
  int main_in_rate_ = 0, main_in_format_ = -1, main_in_channels_ = 0;
  int track_in_rate_ = 0, track_in_format_ = -1, track_in_channels_ = 0;
};

}  // namespace fc
