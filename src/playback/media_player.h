#pragma once
// The preview player: plays a video and an audio source (a task's, or plain engine sources)
// within a play range, with play, pause, resume, stop, frame-accurate seek, frame steps and a
// volume, and hands each picture to a frame sink. The picture is either the processed one (the
// task's edits applied as the converter applies them) or the source's own.
//
// Threads: every run (a play or a seek) has a decode thread that decodes and processes the
// pictures ahead into a bounded queue, a sound thread that decodes the sound and feeds the
// sound output, and a presenting thread that waits for each picture's time on the clock and
// hands it to the sink, dropping pictures that are late. The sound output's played position is
// the clock while there is sound; without an output (or without sound, or once the sound has
// ended or stalls) the system clock takes over, so playing never waits for a device.
//
// Commands come from one thread (the window's) and never wait for decoding: a seek or a stop
// ends the running run without joining it, and the next run joins it on its own thread before
// it touches the sources. The sink and the handlers are called on the player's threads (the
// presenting thread) or, for state changes a command causes, on the caller's thread.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/source.h"
#include "playback/audio_output.h"

namespace fc {

class TAudioProcessor;
class TMediaTask;
class TVideoProcessor;

enum class TPlayerState : int32_t {
  NoSource = 0,
  Ready = 1,
  Playing = 2,
  Stopped = 3,
  Paused = 4,
};

// Which picture a player shows.
enum class TPictureMode {
  Processed,  // through a picture processor: the task's edits, or none for plain sources
  Source,     // the decoder's picture as it is
};

// One picture as the sink receives it.
struct TPlayerPicture {
  TFramePtr Frame;
  // The decoder's picture this one was made from (the same as Frame for the source picture),
  // so that one player drives a source view and an output view side by side.
  TFramePtr SourceFrame;
  double Time = 0;  // seconds from the start of the play range
  int32_t Width = 0, Height = 0;
  int32_t AspectX = 0, AspectY = 0;  // display aspect ratio (Width:Height for square pixels)

  // Packed RGB24 rows, top row first, of Frame and of SourceFrame.
  std::vector<uint8_t> Rgb() const;
  std::vector<uint8_t> SourceRgb() const;
};

using TPictureRef = std::shared_ptr<const TPlayerPicture>;

// What shows the pictures (the preview view).
class TFrameSink {
public:
  virtual ~TFrameSink() = default;
  virtual void ShowFrame(const TPictureRef& picture) = 0;
};

class TMediaPlayer {
public:
  using TStateHandler = std::function<void(TPlayerState)>;
  using TProgressHandler = std::function<void(double played, double length)>;

  // Both may be null: no pictures are shown, and the system clock paces the playing.
  explicit TMediaPlayer(TFrameSink* sink = nullptr, TAudioOutput* output = nullptr);
  // More views of the same pictures (the edit dialog shows the source and the output of one
  // player). A sink is removed before it is destroyed; removing waits for a picture being
  // handed to it.
  void AddSink(TFrameSink* sink);
  void RemoveSink(TFrameSink* sink);
  ~TMediaPlayer();
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  // Plays these sources (either may be null) over their whole length; state Ready when any is
  // given, NoSource otherwise. In Processed mode the picture passes a processor of its own
  // (source size, no edits), which VideoProcessor() gives for snapshots and preview edits.
  void Attach(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio,
              TPictureMode mode = TPictureMode::Processed);
  // Opens the task's decoders: processed (with the task's edits, at its output size) or the
  // source's picture, and sets the range to the task's (its start and duration). A source that
  // cannot be opened throws, and the player stays without a source.
  void AttachTask(TMediaTask& task, TPictureMode mode);
  void Detach();

  // The part played, in the sources' seconds; a length of 0 or less plays to the end. The
  // position goes back to the range's start.
  void SetPlayRange(double start, double length);
  double RangeStart() const { return range_start_; }

  // Plays from the position (from the start when the position is at the end). Resumes when
  // paused.
  void Play();
  void Pause();
  void Resume();
  // Stops; the position goes back to the start of the range, the picture stays.
  void Stop();
  // Moves to `seconds` from the range's start and shows the picture shown then; playing goes on
  // from there, otherwise the state stays.
  void Seek(double seconds);
  // One picture on or back (pausing when playing).
  void StepForward();
  void StepBack();
  // Shows the current position's picture again (after the processor's edits changed).
  void Refresh();
  // 0 to 200 percent.
  void SetVolume(int32_t percent);
  int32_t Volume() const { return volume_; }

  // Presents pictures as fast as they are decoded, without a clock and without dropping
  // (benchmarks and frame grabs).
  void SetUnpaced(bool on) { unpaced_ = on; }

  TPlayerState State() const;
  // Seconds from the range's start of the picture (or sound) being played.
  double PlayedTime() const { return position_; }
  // The length of the play range.
  double MovieLength() const;
  TVideoFormat VideoFormat() const;
  TAudioFormat AudioFormat() const;
  bool HasVideo() const { return video_ != nullptr; }
  bool HasAudio() const { return audio_ != nullptr; }

  // The processor of Processed mode (null otherwise): edits set on it show with the next
  // picture, or at once after Refresh().
  TVideoProcessor* VideoProcessor() const { return processor_.get(); }
  // The picture shown last (null before the first).
  TPictureRef CurrentPicture() const;
  // Saves the picture shown last as a JPEG or BMP file; throws MediaError without a picture.
  void SaveSnapshot(const std::string& path) const;
  // Waits until the picture a seek or step asked for is shown, or the run has ended; false on
  // timeout.
  bool WaitForPicture(int timeout_ms) const;
  // Pictures presented and dropped (late) since the last attach.
  int64_t FramesShown() const { return shown_; }
  int64_t FramesDropped() const { return dropped_; }
  // The reason the last run failed (empty when it did not).
  std::string LastError() const;

  TStateHandler OnStateChange;
  TProgressHandler OnProgress;

private:
  class TRun;
  friend class TRun;

  // Ends the current run (without waiting) and starts one at `position` seconds of the range;
  // `playing` paces it on the clock, otherwise it shows `steps` pictures and holds.
  void StartRun(double position, bool playing, int steps);
  void EndRun();
  void JoinRuns();
  void SetState(TPlayerState state);
  void AttachChain(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio,
                   std::shared_ptr<TVideoProcessor> processor);
  // From the presenting thread: a picture shown (and reported when `report`), the position of
  // sound without pictures, the end of the run.
  void Present(TRun& run, TPlayerPicture picture, bool report, bool stepped);
  void Follow(TRun& run, double position);
  void RunEnded(TRun& run);
  // The end of the play range in the sources' seconds (infinite: to the end).
  double RangeEnd() const;

  std::vector<TFrameSink*> sinks_;
  mutable std::mutex sinks_mutex_;  // held while pictures are handed to the sinks
  TAudioOutput* output_;
  std::shared_ptr<TVideoSource> video_;
  std::shared_ptr<TAudioSource> audio_;
  std::shared_ptr<TVideoProcessor> processor_;
  std::shared_ptr<TAudioProcessor> sound_;  // the player's own: 16-bit samples at its volume
  double range_start_ = 0, range_length_ = 0;
  std::atomic<int32_t> volume_{100};
  std::atomic<bool> unpaced_{false};
  bool stepped_ = false;  // frames were stepped since the run was paused
  double step_back_to_ = -1;  // the picture a step back asked for, until it is shown

  std::unique_ptr<TRun> run_;

  mutable std::mutex mutex_;  // guards state_, picture_, error_
  mutable std::condition_variable picture_changed_;
  TPlayerState state_ = TPlayerState::NoSource;
  TPictureRef picture_;
  std::string error_;
  std::atomic<double> position_{0};
  std::atomic<int64_t> shown_{0}, dropped_{0};
};

}  // namespace fc
