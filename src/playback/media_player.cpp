#include "playback/media_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

extern "C" {
#include <libavutil/rational.h>
}

#include "engine/audio_processor.h"
#include "engine/bounded_queue.h"
#include "engine/frame_grab.h"
#include "engine/video_processor.h"
#include "tasks/media_task.h"
#include "tasks/task_source.h"

namespace fc {
namespace {

using TSteady = std::chrono::steady_clock;
using TSeconds = std::chrono::duration<double>;

constexpr double kNoEnd = std::numeric_limits<double>::infinity();
// Pictures decoded ahead of the one shown: enough to ride out a slow picture, few enough that a
// 1080p queue stays small.
constexpr size_t kPicturesAhead = 6;
// A picture later than this is dropped...
constexpr double kLateBy = 0.08;
// ...but never more than this many in a row, so that a machine too slow for the source still
// shows pictures.
constexpr int kMostDroppedInARow = 4;
// The longest wait between looks at the clock (pause and stop are also woken at once).
constexpr double kClockPoll = 0.02;
// A sound device whose played position stands still this long while playing is given up and
// the system clock takes over.
constexpr double kSoundStall = 1.0;
// How often the progress handler hears of the position while playing.
constexpr double kProgressInterval = 0.1;

double Since(TSteady::time_point t) { return TSeconds(TSteady::now() - t).count(); }

// The time the pictures are shown on: the sound device's played position once sound is
// written (StartSound), the system clock before that, after SwitchToSystem, or when the device
// stalls. Every member is safe from any thread.
class TPlayClock {
public:
  explicit TPlayClock(const TAudioOutput* output) : output_(output) {}

  // The system clock reads `time` now (the first picture of a run).
  void StartAt(double time) {
    std::lock_guard lock(mutex_);
    sound_ = false;
    base_ = time;
    reference_ = TSteady::now();
    paused_at_ = time;
  }
  // The device's position 0 is `time`.
  void StartSound(double time) {
    std::lock_guard lock(mutex_);
    sound_ = true;
    base_ = time;
    last_played_ = -1;
    last_change_ = TSteady::now();
  }
  void SwitchToSystem() {
    std::lock_guard lock(mutex_);
    if (sound_) SwitchLocked(base_ + output_->PlayedSeconds());
  }
  void Pause() {
    std::lock_guard lock(mutex_);
    if (paused_) return;
    paused_at_ = NowLocked();
    paused_ = true;
  }
  void Resume() {
    std::lock_guard lock(mutex_);
    if (!paused_) return;
    paused_ = false;
    base_ = sound_ ? base_ : paused_at_;
    reference_ = TSteady::now();
    last_change_ = TSteady::now();
  }
  double Now() {
    std::lock_guard lock(mutex_);
    return NowLocked();
  }

private:
  double NowLocked() {
    if (sound_) {
      const double played = output_->PlayedSeconds();
      if (played != last_played_ || paused_) {
        last_played_ = played;
        last_change_ = TSteady::now();
      } else if (Since(last_change_) > kSoundStall) {
        SwitchLocked(base_ + played);
      }
      if (sound_) return base_ + played;
    }
    if (paused_) return paused_at_;
    return base_ + Since(reference_);
  }
  void SwitchLocked(double time) {
    sound_ = false;
    base_ = time;
    paused_at_ = time;
    reference_ = TSteady::now();
  }

  const TAudioOutput* output_;
  std::mutex mutex_;
  bool sound_ = false;
  bool paused_ = false;
  double base_ = 0;
  double paused_at_ = 0;
  TSteady::time_point reference_ = TSteady::now();
  double last_played_ = -1;
  TSteady::time_point last_change_ = TSteady::now();
};

void DisplayAspect(const AVFrame* frame, int32_t& x, int32_t& y) {
  const AVRational sar = frame->sample_aspect_ratio.num > 0 && frame->sample_aspect_ratio.den > 0
                             ? frame->sample_aspect_ratio
                             : AVRational{1, 1};
  int num = 0, den = 0;
  av_reduce(&num, &den, static_cast<int64_t>(frame->width) * sar.num, static_cast<int64_t>(frame->height) * sar.den,
            1 << 30);
  x = num;
  y = den;
}

}  // namespace

std::vector<uint8_t> TPlayerPicture::Rgb() const { return FrameToRgb(Frame.get()); }
std::vector<uint8_t> TPlayerPicture::SourceRgb() const { return FrameToRgb(SourceFrame.get()); }

// ---------------------------------------------------------------------------------------------
// A decoded picture on its way to the sinks, with the source picture it was made from.
struct TDecodedPicture {
  TVideoFrame Picture;
  TFramePtr Source;
};

// One run: from a position, playing or holding, until it reaches the end or is halted.
//   The three threads share the queue, the clock and the fields under mutex_; the sources are
//   the decode thread's (video) and the sound thread's (sound), and are touched only after the
//   run before has been joined.

class TMediaPlayer::TRun {
public:
  TRun(TMediaPlayer& player, std::unique_ptr<TRun> previous, double start, double end, bool playing, int steps)
      : player_(player),
        previous_(std::move(previous)),
        start_(start),
        end_(end),
        unpaced_(player.unpaced_),
        clock_(player.output_),
        playing_(playing),
        steps_(steps) {
    decoder_ = std::thread([this] { DecodeLoop(); });
    sound_thread_ = std::thread([this] { SoundLoop(); });
    presenter_ = std::thread([this] { PresentLoop(); });
  }
  ~TRun() {
    Halt();
    for (std::thread* t : {&decoder_, &sound_thread_, &presenter_})
      if (t->joinable()) t->join();
  }
  TRun(const TRun&) = delete;
  TRun& operator=(const TRun&) = delete;

  // Ends the run's work as soon as each thread looks; joined by the destructor.
  void Halt() {
    {
      std::lock_guard lock(mutex_);
      halted_ = true;
    }
    frames_.Close();
    changed_.notify_all();
  }
  bool Halted() const { return halted_; }
  // The pictures asked for are shown (or there are none to come).
  bool Settled() const {
    std::lock_guard lock(mutex_);
    return (steps_ == 0 && unshown_ == 0) || finished_ || halted_;
  }
  // A stepped picture has reached the sinks (under the player's lock, so that a waiter for
  // the picture cannot miss it).
  void StepShown() {
    std::lock_guard lock(mutex_);
    if (unshown_ > 0) --unshown_;
  }
  bool Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
  }
  void SetPlaying(bool playing) {
    {
      std::lock_guard lock(mutex_);
      if (playing_ == playing) return;
      playing_ = playing;
    }
    if (playing)
      clock_.Resume();
    else
      clock_.Pause();
    changed_.notify_all();
  }
  void AddStep() {
    {
      std::lock_guard lock(mutex_);
      ++steps_;
    }
    changed_.notify_all();
  }

private:
  // Waits on changed_ for `seconds` at most; false when halted.
  bool Sleep(std::unique_lock<std::mutex>& lock, double seconds) {
    changed_.wait_for(lock, TSeconds(seconds));
    return !halted_;
  }

  void WaitForPrevious() {
    previous_.reset();  // joins the run before: the sources are ours from here
    std::lock_guard lock(mutex_);
    ready_ = true;
    changed_.notify_all();
  }

  void Fail(const std::exception& e) {
    std::lock_guard lock(player_.mutex_);
    if (!halted_) player_.error_ = e.what();
  }

  void DecodeLoop() {
    WaitForPrevious();
    TVideoSource* video = player_.video_.get();
    try {
      if (video && !halted_) {
        video->Seek(start_);
        TDecodedPicture decoded;
        while (!halted_ && video->Read(decoded.Picture)) {
          if (decoded.Picture.Time >= end_) break;
          TVideoProcessor* processor = player_.processor_.get();
          decoded.Source = processor ? processor->SourceFrameFor(decoded.Picture.Time)
                                     : CloneFrame(decoded.Picture.Frame.get());
          if (!frames_.Push(std::move(decoded))) break;
          decoded = {};
        }
      }
    } catch (const std::exception& e) {
      Fail(e);
    }
    frames_.Finish();
  }

  void SoundLoop() {
    TAudioOutput* output = player_.output_;
    TAudioProcessor* sound = player_.sound_.get();
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return ready_ || halted_; });
    }
    if (!output || !sound || unpaced_ || halted_) return EndSound();
    try {
      sound->Seek(start_);
      bool halted;
      {
        // The sound starts with the first picture, so that a slow picture seek does not leave it ahead.
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return started_ || halted_; });
        halted = halted_;
      }
      // EndSound takes the lock itself.
      if (halted) return EndSound();
      const TAudioFormat format = sound->AudioFormat();
      if (!output->Open(format)) return EndSound();
      try {
        PlaySound(*output, *sound, format);
      } catch (const std::exception& e) {
        Fail(e);
      }
      // The clock leaves the device before it closes.
      clock_.SwitchToSystem();
      output->Close();
    } catch (const std::exception& e) {
      Fail(e);
    }
    EndSound();
  }

  void PlaySound(TAudioOutput& output, TAudioProcessor& sound, const TAudioFormat& format) {
    const double bytes_per_second = static_cast<double>(format.SampleRate) * format.Channels * 2;
    double written = 0;
    bool first = true;
    TAudioFrame frame;
    const uint8_t* data = nullptr;
    size_t left = 0;
    while (!halted_) {
      {
        std::unique_lock lock(mutex_);
        if (!playing_) {
          output.Suspend();
          changed_.wait(lock, [&] { return playing_ || halted_; });
          if (halted_) break;
          output.Resume();
        }
      }
      if (left == 0) {
        if (!sound.Read(frame) || frame.Time >= end_) {
          std::lock_guard lock(mutex_);
          sound_ended_ = true;
          break;
        }
        data = frame.Frame->data[0];
        left = static_cast<size_t>(frame.Frame->nb_samples) * format.Channels * 2;
        if (first) {
          clock_.StartSound(frame.Time);
          first = false;
        }
      }
      const size_t taken = std::min(output.Write(data, left), left);
      data += taken;
      left -= taken;
      written += static_cast<double>(taken) / bytes_per_second;
      if (taken == 0) {
        std::unique_lock lock(mutex_);
        if (!Sleep(lock, 0.01)) break;
      }
    }
    // Let the device play what it holds; a device that stops playing is not waited for.
    double last = -1;
    auto last_change = TSteady::now();
    while (!halted_) {
      const double played = output.PlayedSeconds();
      if (played + 0.005 >= written) break;
      if (played != last) {
        last = played;
        last_change = TSteady::now();
      } else if (Since(last_change) > kSoundStall) {
        break;
      }
      std::unique_lock lock(mutex_);
      if (!playing_) last_change = TSteady::now();
      if (!Sleep(lock, 0.01)) break;
    }
  }

  void EndSound() {
    clock_.SwitchToSystem();
    {
      std::lock_guard lock(mutex_);
      sound_done_ = true;
    }
    changed_.notify_all();
  }

  void Start(double time) {
    clock_.StartAt(time);
    {
      std::lock_guard lock(mutex_);
      started_ = true;
    }
    changed_.notify_all();
  }

  // Waits until the picture at `time` is due (or asked for by a step); false when halted.
  // `stepped` tells which.
  bool WaitForTurn(double time, bool& stepped) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (halted_) return false;
      if (playing_) {
        if (unpaced_ || !started_) break;
        lock.unlock();
        const double now = clock_.Now();
        lock.lock();
        if (halted_) return false;
        if (!playing_) continue;
        if (time <= now) break;
        Sleep(lock, std::min(time - now, kClockPoll));
        continue;
      }
      if (steps_ > 0) {
        --steps_;
        ++unshown_;
        stepped = true;
        return true;
      }
      changed_.wait(lock);
    }
    stepped = false;
    return true;
  }

  void PresentLoop() {
    try {
      if (player_.video_)
        PresentPictures();
      else
        FollowSound();
    } catch (const std::exception& e) {
      Fail(e);
    }
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    // Through the player's lock, so that a WaitForPicture between its check and its wait hears it.
    { std::lock_guard lock(player_.mutex_); }
    player_.picture_changed_.notify_all();
    // At the end: a holding run ends when it is played on.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return playing_ || halted_; });
    if (halted_) return;
    lock.unlock();
    player_.RunEnded(*this);
  }

  void PresentPictures() {
    const double origin = player_.range_start_;
    TDecodedPicture decoded;
    int dropped_in_a_row = 0;
    while (frames_.Pop(decoded)) {
      TVideoFrame& frame = decoded.Picture;
      bool stepped = false;
      if (!WaitForTurn(frame.Time, stepped)) return;
      bool playing;
      {
        std::lock_guard lock(mutex_);
        playing = playing_ && !stepped;
      }
      if (playing && !started_) {
        Start(frame.Time);
      } else if (playing && !unpaced_ && clock_.Now() - frame.Time > kLateBy &&
                 dropped_in_a_row < kMostDroppedInARow) {
        ++dropped_in_a_row;
        ++player_.dropped_;
        continue;
      }
      dropped_in_a_row = 0;
      TPlayerPicture picture;
      picture.Time = frame.Time - origin;
      picture.Width = frame.Frame->width;
      picture.Height = frame.Frame->height;
      DisplayAspect(frame.Frame.get(), picture.AspectX, picture.AspectY);
      picture.Frame = std::move(frame.Frame);
      picture.SourceFrame = std::move(decoded.Source);
      player_.Present(*this, std::move(picture), !playing || Since(last_report_) >= kProgressInterval, stepped);
      if (playing) last_report_ = TSteady::now();
    }
  }

  // Sound without pictures: the position follows the clock until the sound or the range ends
  // (on the system clock when there is no device).
  void FollowSound() {
    const double origin = player_.range_start_;
    const double end = std::min(end_, origin + player_.MovieLength());
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return playing_ || halted_; });
      if (halted_ || !player_.sound_) return;
      if (!started_) {
        lock.unlock();
        Start(start_);
        lock.lock();
      }
      if (sound_ended_ && sound_done_) return;
      lock.unlock();
      const double now = std::min(clock_.Now(), end);
      player_.Follow(*this, now - origin);
      lock.lock();
      if (now >= end) return;
      Sleep(lock, kProgressInterval);
    }
  }

  TMediaPlayer& player_;
  std::unique_ptr<TRun> previous_;
  const double start_, end_;  // seconds of the sources
  const bool unpaced_;
  TPlayClock clock_;
  TBoundedQueue<TDecodedPicture> frames_{kPicturesAhead};
  TSteady::time_point last_report_{};  // presenting thread

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<bool> halted_{false};
  bool playing_;
  int steps_;
  int unshown_ = 0;  // pictures taken for steps and not handed to the sinks yet
  bool ready_ = false;       // the run before is joined
  bool started_ = false;     // the first picture is shown while playing: the clock runs
  bool sound_done_ = false;  // the sound thread is done (or had nothing to do)
  bool sound_ended_ = false; // it played the sound to its end
  bool finished_ = false;    // nothing more will be shown

  std::thread decoder_, sound_thread_, presenter_;
};

// ---------------------------------------------------------------------------------------------

TMediaPlayer::TMediaPlayer(TFrameSink* sink, TAudioOutput* output) : output_(output) {
  if (sink) sinks_.push_back(sink);
}

void TMediaPlayer::AddSink(TFrameSink* sink) {
  std::lock_guard lock(sinks_mutex_);
  if (sink && std::find(sinks_.begin(), sinks_.end(), sink) == sinks_.end()) sinks_.push_back(sink);
}

void TMediaPlayer::RemoveSink(TFrameSink* sink) {
  std::lock_guard lock(sinks_mutex_);
  std::erase(sinks_, sink);
}

TMediaPlayer::~TMediaPlayer() { JoinRuns(); }

void TMediaPlayer::EndRun() {
  if (!run_) return;
  // Under the lock: a presenting thread that is about to report the end sees the halt.
  std::lock_guard lock(mutex_);
  run_->Halt();
}

void TMediaPlayer::JoinRuns() {
  EndRun();
  run_.reset();
}

void TMediaPlayer::StartRun(double position, bool playing, int steps) {
  EndRun();
  const double length = MovieLength();
  if (length > 0) position = std::min(position, length);
  position = std::max(0.0, position);
  position_ = position;
  stepped_ = false;
  step_back_to_ = -1;
  {
    std::lock_guard lock(mutex_);
    error_.clear();
  }
  run_ = std::make_unique<TRun>(*this, std::move(run_), range_start_ + position, RangeEnd(), playing, steps);
}

void TMediaPlayer::Attach(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio,
                          TPictureMode mode) {
  Detach();
  std::shared_ptr<TVideoProcessor> processor;
  if (video && mode == TPictureMode::Processed)
    processor = std::make_shared<TVideoProcessor>(video, TVideoOutput{0, 0, 1, 0, -1.0});
  AttachChain(processor ? processor : std::move(video), std::move(audio), std::move(processor));
}

void TMediaPlayer::AttachTask(TMediaTask& task, TPictureMode mode) {
  Detach();
  TMediaTaskMediaSource* source = task.Source();
  if (!source || !source->Loaded) return;
  std::shared_ptr<TVideoProcessor> processor;
  std::shared_ptr<TVideoSource> video;
  std::shared_ptr<TAudioSource> audio;
  if (mode == TPictureMode::Processed) {
    processor = task.OpenProcessedVideo(TMediaPurpose::Preview);
    video = processor;
    audio = task.OpenProcessedAudio(TMediaPurpose::Preview);
  } else {
    source->VideoDecodeOptions.Copy = source->AudioDecodeOptions.Copy = false;
    if (source->HasVideo) video = source->CreateVideoDecoder(TMediaPurpose::Preview, task.Record());
    audio = source->CreatePlainAudioDecoder(TMediaPurpose::Preview);
  }
  AttachChain(std::move(video), std::move(audio), std::move(processor));
  SetPlayRange(task.StartTime() - source->DecoderOrigin(), task.Duration());
}

void TMediaPlayer::AttachChain(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio,
                               std::shared_ptr<TVideoProcessor> processor) {
  // The player's own sound processor: 16-bit samples for the device, and the volume.
  std::shared_ptr<TAudioProcessor> sound;
  if (audio) {
    sound = std::make_shared<TAudioProcessor>(audio, 0, 0, 16, false);
    sound->SetVolume(volume_);
  }
  video_ = std::move(video);
  audio_ = std::move(audio);
  processor_ = std::move(processor);
  if (processor_) processor_->KeepSourceFrames(true);
  sound_ = std::move(sound);
  range_start_ = 0;
  range_length_ = 0;
  position_ = 0;
  shown_ = 0;
  dropped_ = 0;
  SetState(video_ || audio_ ? TPlayerState::Ready : TPlayerState::NoSource);
}

void TMediaPlayer::Detach() {
  JoinRuns();
  video_.reset();
  audio_.reset();
  processor_.reset();
  sound_.reset();
  range_start_ = range_length_ = 0;
  position_ = 0;
  {
    std::lock_guard lock(mutex_);
    picture_.reset();
    error_.clear();
  }
  SetState(TPlayerState::NoSource);
}

void TMediaPlayer::SetPlayRange(double start, double length) {
  JoinRuns();
  range_start_ = std::isfinite(start) ? std::max(0.0, start) : 0;
  range_length_ = std::isfinite(length) ? std::max(0.0, length) : 0;
  position_ = 0;
  const TPlayerState state = State();
  if (state == TPlayerState::Playing || state == TPlayerState::Paused) SetState(TPlayerState::Stopped);
}

double TMediaPlayer::RangeEnd() const { return range_length_ > 0 ? range_start_ + range_length_ : kNoEnd; }

double TMediaPlayer::MovieLength() const {
  if (range_length_ > 0) return range_length_;
  const double video = video_ ? video_->Duration() : 0;
  const double audio = audio_ ? audio_->Duration() : 0;
  return std::max(0.0, std::max(video, audio) - range_start_);
}

void TMediaPlayer::Play() {
  switch (State()) {
    case TPlayerState::NoSource:
    case TPlayerState::Playing:
      return;
    case TPlayerState::Paused:
      return Resume();
    default:
      break;
  }
  double from = position_;
  const double length = MovieLength();
  if (length > 0 && from >= length - 1e-3) from = 0;
  StartRun(from, true, 0);
  SetState(TPlayerState::Playing);
}

void TMediaPlayer::Pause() {
  if (State() != TPlayerState::Playing) return;
  if (run_) run_->SetPlaying(false);
  SetState(TPlayerState::Paused);
}

void TMediaPlayer::Resume() {
  if (State() != TPlayerState::Paused) return;
  // After frame steps the sound is elsewhere: start again from the picture shown.
  if (!run_ || stepped_ || run_->Halted() || run_->Finished())
    StartRun(position_, true, 0);
  else
    run_->SetPlaying(true);
  SetState(TPlayerState::Playing);
}

void TMediaPlayer::Stop() {
  if (State() == TPlayerState::NoSource) return;
  EndRun();
  position_ = 0;
  SetState(TPlayerState::Stopped);
}

void TMediaPlayer::Seek(double seconds) {
  if (State() == TPlayerState::NoSource || !std::isfinite(seconds)) return;
  if (State() == TPlayerState::Playing)
    StartRun(seconds, true, 0);
  else
    StartRun(seconds, false, 1);
}

void TMediaPlayer::StepForward() {
  if (State() == TPlayerState::NoSource || !video_) return;
  if (State() == TPlayerState::Playing) Pause();
  if (run_ && !run_->Halted() && !run_->Finished() && State() != TPlayerState::Playing) {
    run_->AddStep();
  } else {
    // The picture shown (again), then the next one.
    const TPictureRef shown = CurrentPicture();
    StartRun(shown ? shown->Time : position_.load(), false, shown ? 2 : 1);
  }
  stepped_ = true;
}

void TMediaPlayer::StepBack() {
  if (State() == TPlayerState::NoSource || !video_) return;
  if (State() == TPlayerState::Playing) Pause();
  const double rate = VideoFormat().FrameRate > 0 ? VideoFormat().FrameRate : 25;
  const TPictureRef shown = CurrentPicture();
  // Steps back in a row count from the picture the last one asked for, shown or not.
  const bool pending = step_back_to_ >= 0 && run_ && !run_->Settled();
  const double now = pending ? step_back_to_ : shown ? shown->Time : position_.load();
  // Half a picture back lands inside the picture before.
  StartRun(std::max(0.0, now - 0.5 / rate), false, 1);
  step_back_to_ = std::max(0.0, now - 1.0 / rate);
  stepped_ = true;
}

void TMediaPlayer::Refresh() {
  if (State() == TPlayerState::NoSource || State() == TPlayerState::Playing || !video_) return;
  const TPictureRef shown = CurrentPicture();
  StartRun(shown ? shown->Time : position_.load(), false, 1);
}

void TMediaPlayer::SetVolume(int32_t percent) {
  volume_ = std::clamp(percent, 0, 200);
  if (sound_) sound_->SetVolume(volume_);
}

TPlayerState TMediaPlayer::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

TVideoFormat TMediaPlayer::VideoFormat() const { return video_ ? video_->VideoFormat() : TVideoFormat{}; }
TAudioFormat TMediaPlayer::AudioFormat() const { return audio_ ? audio_->AudioFormat() : TAudioFormat{}; }

TPictureRef TMediaPlayer::CurrentPicture() const {
  std::lock_guard lock(mutex_);
  return picture_;
}

void TMediaPlayer::SaveSnapshot(const std::string& path) const {
  const TPictureRef picture = CurrentPicture();
  if (!picture) throw MediaError("no picture has been shown yet");
  SaveFrameImage(picture->Frame.get(), path);
}

bool TMediaPlayer::WaitForPicture(int timeout_ms) const {
  if (!run_) return true;
  std::unique_lock lock(mutex_);
  return picture_changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return run_->Settled(); });
}

std::string TMediaPlayer::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void TMediaPlayer::SetState(TPlayerState state) {
  {
    std::lock_guard lock(mutex_);
    if (state_ == state) return;
    state_ = state;
  }
  if (OnStateChange) OnStateChange(state);
}

void TMediaPlayer::Present(TRun& run, TPlayerPicture picture, bool report, bool stepped) {
  auto shared = std::make_shared<const TPlayerPicture>(std::move(picture));
  {
    std::lock_guard lock(mutex_);
    if (run.Halted()) return;
    picture_ = shared;
    position_ = shared->Time;
    ++shown_;
  }
  {
    std::lock_guard lock(sinks_mutex_);
    for (TFrameSink* sink : sinks_) sink->ShowFrame(shared);
  }
  if (stepped) {
    // Only now does a wait for this picture end: the sinks have it.
    std::lock_guard lock(mutex_);
    run.StepShown();
  }
  picture_changed_.notify_all();
  if (report && OnProgress) OnProgress(shared->Time, MovieLength());
}

void TMediaPlayer::Follow(TRun& run, double position) {
  if (run.Halted()) return;
  position_ = position;
  if (OnProgress) OnProgress(position, MovieLength());
}

void TMediaPlayer::RunEnded(TRun& run) {
  {
    std::lock_guard lock(mutex_);
    if (run.Halted() || state_ != TPlayerState::Playing) return;
    state_ = TPlayerState::Stopped;
  }
  if (OnProgress) OnProgress(position_, MovieLength());
  if (OnStateChange) OnStateChange(TPlayerState::Stopped);
}

}  // namespace fc
