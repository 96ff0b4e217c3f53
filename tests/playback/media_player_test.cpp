#include "playback/media_player.h"

#include <atomic>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/decoder.h"
#include "engine/frame_grab.h"
#include "engine/video_processor.h"
#include "media_fixture.h"
#include "tasks/media_task.h"
#include "tasks/task_source.h"

namespace fc {
namespace {

using namespace std::chrono_literals;
using TSteady = std::chrono::steady_clock;

// Records every state the player reports.
struct TStateLog {
  std::mutex Mutex;
  std::vector<TPlayerState> States;
  void Hook(TMediaPlayer& player) {
    player.OnStateChange = [this](TPlayerState s) {
      std::lock_guard lock(Mutex);
      States.push_back(s);
    };
  }
  std::vector<TPlayerState> Get() {
    std::lock_guard lock(Mutex);
    return States;
  }
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
  const auto until = TSteady::now() + limit;
  while (!done()) {
    if (TSteady::now() > until) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// The picture a fresh source delivers first at or after `time`, read from the start.
std::vector<uint8_t> PictureAt(TVideoSource& source, double time) {
  TVideoFrame frame;
  while (source.Read(frame))
    if (frame.Time + 1e-6 >= time) return FrameToRgb(frame.Frame.get());
  return {};
}

// A sound device at half speed: it plays what it was given at 0.5 s per second.
class THalfSpeedOutput : public TAudioOutput {
public:
  bool Open(const TAudioFormat& format) override {
    std::lock_guard lock(mutex_);
    format_ = format;
    opened_ = TSteady::now();
    written_ = 0;
    ++opens_;
    return true;
  }
  void Close() override {}
  size_t Write(const uint8_t*, size_t bytes) override {
    std::lock_guard lock(mutex_);
    const double per_second = format_.SampleRate * format_.Channels * 2.0;
    if (written_ / per_second - PlayedLocked() > 0.2) return 0;  // a 0.2 s device buffer
    written_ += bytes;
    return bytes;
  }
  double PlayedSeconds() const override {
    std::lock_guard lock(mutex_);
    return PlayedLocked();
  }
  void Suspend() override {}
  void Resume() override {}
  int Opens() const {
    std::lock_guard lock(mutex_);
    return opens_;
  }
  TAudioFormat Format() const {
    std::lock_guard lock(mutex_);
    return format_;
  }

private:
  double PlayedLocked() const {
    const double per_second = format_.SampleRate * format_.Channels * 2.0;
    const double elapsed = std::chrono::duration<double>(TSteady::now() - opened_).count() * 0.5;
    return std::min(elapsed, written_ / per_second);
  }
  mutable std::mutex mutex_;
  TAudioFormat format_;
  TSteady::time_point opened_;
  double written_ = 0;
  int opens_ = 0;
};

// A device that is there but never plays anything.
class TDeadOutput : public TAudioOutput {
public:
  bool Open(const TAudioFormat&) override { return true; }
  void Close() override {}
  size_t Write(const uint8_t*, size_t) override { return 0; }
  double PlayedSeconds() const override { return 0; }
  void Suspend() override {}
  void Resume() override {}
};

// A source that has nothing, not even a length.
class TEmptyVideo : public TVideoSource {
public:
  TVideoFormat VideoFormat() const override { return {}; }
  double Duration() const override { return 0; }
  bool Read(TVideoFrame&) override { return false; }
  void Seek(double) override {}
};

class MediaPlayerTest : public ::testing::Test {
protected:
  void SetUp() override { FC_REQUIRE_FFMPEG(); }

  static std::string Clip() { return test::StandardClip(); }
  static std::string LongGopClip() {
    return test::MakeMedia("long_gop.mp4", "testsrc2=size=640x480:rate=25:duration=12", "",
                           "-c:v libx264 -preset ultrafast -g 300 -pix_fmt yuv420p");
  }
  static std::string SilentClip() {
    return test::MakeMedia("silent.mp4", "testsrc2=size=320x240:rate=25:duration=2", "",
                           "-c:v libx264 -preset ultrafast -pix_fmt yuv420p");
  }
  static std::string SoundOnly() {
    return test::MakeMedia("sound.m4a", "", "sine=frequency=440:sample_rate=44100:duration=2", "-c:a aac");
  }

  void AttachDecoders(TMediaPlayer& player, const std::string& path, TPictureMode mode, bool sound = true) {
    player.Attach(std::make_shared<TVideoDecoder>(path), sound ? std::make_shared<TAudioDecoder>(path) : nullptr,
                  mode);
  }
};

TEST_F(MediaPlayerTest, StatesAndCallbacksFollowTheCommandsAndTheEndOfTheRange) {
  TMediaPlayer player;
  TStateLog log;
  log.Hook(player);
  std::atomic<int> progress{0};
  player.OnProgress = [&](double played, double length) {
    EXPECT_GE(played, 0);
    EXPECT_LE(played, length + 1e-6);
    ++progress;
  };
  EXPECT_EQ(player.State(), TPlayerState::NoSource);
  player.Play();  // nothing to play: ignored
  EXPECT_EQ(player.State(), TPlayerState::NoSource);

  AttachDecoders(player, Clip(), TPictureMode::Source);
  EXPECT_EQ(player.State(), TPlayerState::Ready);
  EXPECT_NEAR(player.MovieLength(), 3.0, 0.1);
  player.SetPlayRange(1.0, 0.5);
  EXPECT_DOUBLE_EQ(player.MovieLength(), 0.5);

  player.Play();
  EXPECT_EQ(player.State(), TPlayerState::Playing);
  player.Pause();
  EXPECT_EQ(player.State(), TPlayerState::Paused);
  player.Resume();
  EXPECT_EQ(player.State(), TPlayerState::Playing);
  ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }));
  EXPECT_GT(progress.load(), 0);
  EXPECT_NEAR(player.PlayedTime(), 0.5, 0.05);
  ASSERT_TRUE(player.CurrentPicture());
  EXPECT_LT(player.CurrentPicture()->Time, 0.5);

  // Play after the end starts again from the range's start.
  player.Play();
  EXPECT_EQ(player.State(), TPlayerState::Playing);
  player.Stop();
  EXPECT_EQ(player.State(), TPlayerState::Stopped);
  EXPECT_EQ(player.PlayedTime(), 0);

  player.Detach();
  EXPECT_EQ(player.State(), TPlayerState::NoSource);
  EXPECT_EQ(log.Get(), (std::vector<TPlayerState>{TPlayerState::Ready, TPlayerState::Playing, TPlayerState::Paused,
                                                  TPlayerState::Playing, TPlayerState::Stopped, TPlayerState::Playing,
                                                  TPlayerState::Stopped, TPlayerState::NoSource}));
}

TEST_F(MediaPlayerTest, SeekShowsThePictureOfThatTimeAndStepsGoOneByOne) {
  const std::string clip = Clip();
  for (const TPictureMode mode : {TPictureMode::Source, TPictureMode::Processed}) {
    TMediaPlayer player;
    AttachDecoders(player, clip, mode);
    for (const double at : {1.24, 2.6, 0.0}) {
      player.Seek(at);
      ASSERT_TRUE(player.WaitForPicture(10000));
      const TPictureRef picture = player.CurrentPicture();
      ASSERT_TRUE(picture);
      EXPECT_NEAR(picture->Time, at, 1e-3);
      TVideoDecoder reference(clip);
      EXPECT_EQ(picture->Rgb(), PictureAt(reference, at)) << "at " << at;
    }
    EXPECT_EQ(player.State(), TPlayerState::Ready);  // seeking does not play

    player.Seek(1.0);
    ASSERT_TRUE(player.WaitForPicture(10000));
    player.StepForward();
    ASSERT_TRUE(player.WaitForPicture(10000));
    EXPECT_NEAR(player.CurrentPicture()->Time, 1.04, 1e-3);
    player.StepForward();
    ASSERT_TRUE(player.WaitForPicture(10000));
    EXPECT_NEAR(player.CurrentPicture()->Time, 1.08, 1e-3);
    player.StepBack();
    ASSERT_TRUE(player.WaitForPicture(10000));
    EXPECT_NEAR(player.CurrentPicture()->Time, 1.04, 1e-3);
    TVideoDecoder reference(clip);
    EXPECT_EQ(player.CurrentPicture()->Rgb(), PictureAt(reference, 1.04));
    player.StepBack();
    player.StepBack();
    ASSERT_TRUE(player.WaitForPicture(10000));
    EXPECT_NEAR(player.CurrentPicture()->Time, 0.96, 1e-3);
  }
}

TEST_F(MediaPlayerTest, StepWhilePlayingPausesAndResumeGoesOnFromThePictureShown) {
  TMediaPlayer player;
  AttachDecoders(player, Clip(), TPictureMode::Source);
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.FramesShown() > 2; }));
  player.StepForward();
  EXPECT_EQ(player.State(), TPlayerState::Paused);
  ASSERT_TRUE(player.WaitForPicture(10000));
  const double held = player.CurrentPicture()->Time;
  player.Resume();
  ASSERT_TRUE(WaitFor([&] { return player.CurrentPicture()->Time > held + 0.1; }));
  player.Stop();
}

TEST_F(MediaPlayerTest, TheProcessedPictureOfATaskIsTheConvertersPicture) {
  const std::string clip = Clip();
  TMediaTaskMgr mgr;
  auto* task = static_cast<TMediaBaseTask*>(mgr.Tasks().Add(
      std::make_unique<TMediaBaseTask>(&mgr.Tasks(), std::make_unique<TMediaTaskVideoSource>(clip, 0))));
  TMediaTaskEditParams& edits = *task->EditParams();
  edits.Crop = {40, 20, 280, 220};
  edits.Brightness = 40;
  edits.FlipHorizontal = true;
  task->Record().Width = 160;
  task->Record().Height = 120;
  task->SetRange(0.5, 2.5);

  TMediaPlayer processed;
  processed.AttachTask(*task, TPictureMode::Processed);
  EXPECT_DOUBLE_EQ(processed.RangeStart(), 0.5);
  EXPECT_NEAR(processed.MovieLength(), 2.0, 1e-6);
  ASSERT_NE(processed.VideoProcessor(), nullptr);
  processed.Seek(0.7);  // 1.2 s of the source
  ASSERT_TRUE(processed.WaitForPicture(10000));
  const TPictureRef picture = processed.CurrentPicture();
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Width, 160);
  EXPECT_EQ(picture->Height, 120);
  EXPECT_NEAR(picture->Time, 0.7, 1e-3);

  // The converter's chain over a fresh decoder, read up to the same time.
  TVideoProcessor converter(std::make_shared<TVideoDecoder>(clip),
                            TVideoOutput{160, 120, task->Record().ScaleMode, task->Record().Interpolation, -1.0});
  edits.ApplyTo(&converter, nullptr, task->Record().ScaleMode, 160, 120, 0);
  EXPECT_EQ(picture->Rgb(), PictureAt(converter, 1.2));

  // The source picture of the same task has none of the edits.
  TMediaPlayer source;
  source.AttachTask(*task, TPictureMode::Source);
  EXPECT_EQ(source.VideoProcessor(), nullptr);
  source.Seek(0.7);
  ASSERT_TRUE(source.WaitForPicture(10000));
  EXPECT_EQ(source.CurrentPicture()->Width, 320);
  TVideoDecoder plain(clip);
  EXPECT_EQ(source.CurrentPicture()->Rgb(), PictureAt(plain, 1.2));

  // An edit changed on the processor shows after Refresh.
  processed.VideoProcessor()->SetBrightness(-80);
  processed.Refresh();
  ASSERT_TRUE(processed.WaitForPicture(10000));
  EXPECT_NEAR(processed.CurrentPicture()->Time, 0.7, 1e-3);
  EXPECT_NE(processed.CurrentPicture()->Rgb(), picture->Rgb());

  // The snapshot is the picture shown.
  const std::string jpg = (test::MediaDir() / "snapshot.jpg").string();
  processed.SaveSnapshot(jpg);
  EXPECT_GT(std::filesystem::file_size(jpg), 1000u);
}

TEST_F(MediaPlayerTest, EachPictureCarriesTheSourcePictureItWasMadeFrom) {
  const std::string clip = Clip();
  TMediaTaskMgr mgr;
  auto* task = static_cast<TMediaBaseTask*>(mgr.Tasks().Add(
      std::make_unique<TMediaBaseTask>(&mgr.Tasks(), std::make_unique<TMediaTaskVideoSource>(clip, 0))));
  task->EditParams()->Crop = {40, 20, 280, 220};
  task->EditParams()->FlipVertical = true;
  task->Record().Width = 160;
  task->Record().Height = 120;

  // Processed: the output picture at its size, and the decoder's picture of the same time.
  TMediaPlayer processed;
  processed.AttachTask(*task, TPictureMode::Processed);
  for (const double at : {1.2, 0.4}) {
    processed.Seek(at);
    ASSERT_TRUE(processed.WaitForPicture(10000));
    const TPictureRef picture = processed.CurrentPicture();
    ASSERT_TRUE(picture && picture->SourceFrame);
    EXPECT_EQ(picture->Width, 160);
    EXPECT_EQ(picture->SourceFrame->width, 320);
    EXPECT_EQ(picture->SourceFrame->height, 240);
    TVideoDecoder plain(clip);
    EXPECT_EQ(picture->SourceRgb(), PictureAt(plain, at)) << at;
  }
  // Stepping on while playing keeps the pair matched.
  processed.StepForward();
  ASSERT_TRUE(processed.WaitForPicture(10000));
  {
    const TPictureRef picture = processed.CurrentPicture();
    TVideoDecoder plain(clip);
    EXPECT_EQ(picture->SourceRgb(), PictureAt(plain, 0.44));
  }

  // Source mode: the source picture is the picture itself.
  TMediaPlayer source;
  source.AttachTask(*task, TPictureMode::Source);
  source.Seek(0.8);
  ASSERT_TRUE(source.WaitForPicture(10000));
  ASSERT_TRUE(source.CurrentPicture()->SourceFrame);
  EXPECT_EQ(source.CurrentPicture()->SourceRgb(), source.CurrentPicture()->Rgb());
}

TEST_F(MediaPlayerTest, CommandsBeforeTheFirstPictureWithSoundNeverHang) {
  // A run halted while its sound waits for the first picture ends at once (the player used to
  // hang in the next command or its destructor).
  THalfSpeedOutput output;
  const auto begin = TSteady::now();
  for (int i = 0; i < 10; ++i) {
    TMediaPlayer player(nullptr, &output);
    AttachDecoders(player, Clip(), TPictureMode::Processed);
    player.Play();
    player.Seek(1.0);
    player.Pause();
    player.Seek(0.5);
    player.Resume();
    player.Stop();
    player.Play();
  }
  EXPECT_LT(std::chrono::duration<double>(TSteady::now() - begin).count(), 60.0);
}

TEST_F(MediaPlayerTest, WithoutSoundOrDeviceThePlayerRunsOnTheSystemClock) {
  for (const bool sound_device_missing : {true, false}) {
    TMediaPlayer player;
    if (sound_device_missing)
      AttachDecoders(player, Clip(), TPictureMode::Source);  // sound, but no device
    else
      AttachDecoders(player, SilentClip(), TPictureMode::Source, false);
    player.SetPlayRange(0, 0.6);
    const auto began = TSteady::now();
    player.Play();
    ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }));
    const double took = std::chrono::duration<double>(TSteady::now() - began).count();
    EXPECT_GE(took, 0.45);  // paced, not as fast as decoding
    EXPECT_LT(took, 3.0);
    EXPECT_GE(player.FramesShown() + player.FramesDropped(), 14);
  }
}

TEST_F(MediaPlayerTest, TheSoundDeviceIsTheMasterClock) {
  THalfSpeedOutput output;
  TMediaPlayer player(nullptr, &output);
  AttachDecoders(player, Clip(), TPictureMode::Source);
  player.Play();
  std::this_thread::sleep_for(1200ms);
  // The device played about 0.6 s: the pictures follow it, not the wall clock.
  const double played = player.PlayedTime();
  EXPECT_GT(played, 0.3);
  EXPECT_LT(played, 0.9);
  EXPECT_EQ(output.Opens(), 1);
  EXPECT_EQ(output.Format().SampleRate, 44100);
  EXPECT_EQ(output.Format().BitsPerSample, 16);
  player.Stop();
}

TEST_F(MediaPlayerTest, ADeviceThatNeverPlaysDoesNotHoldThePlayer) {
  TDeadOutput output;
  TMediaPlayer player(nullptr, &output);
  AttachDecoders(player, Clip(), TPictureMode::Source);
  player.SetPlayRange(0, 1.5);
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }, 8s));
}

TEST_F(MediaPlayerTest, StopOrPauseDuringASeekReturnsAtOnce) {
  const std::string clip = LongGopClip();
  {
    TMediaPlayer player;
    AttachDecoders(player, clip, TPictureMode::Processed, false);
    player.Seek(11.5);  // decodes nearly 300 pictures
    const auto began = TSteady::now();
    player.Stop();
    EXPECT_LT(std::chrono::duration<double>(TSteady::now() - began).count(), 0.1);
    EXPECT_EQ(player.State(), TPlayerState::Stopped);
    EXPECT_TRUE(player.WaitForPicture(0));
  }  // the destructor waits for the seek's decoding, then ends
  {
    TMediaPlayer player;
    AttachDecoders(player, clip, TPictureMode::Source, false);
    player.Play();
    player.Seek(11.0);
    const auto began = TSteady::now();
    player.Pause();
    player.Seek(5.0);
    player.Seek(11.8);
    EXPECT_LT(std::chrono::duration<double>(TSteady::now() - began).count(), 0.1);
    EXPECT_EQ(player.State(), TPlayerState::Paused);
    ASSERT_TRUE(player.WaitForPicture(20000));
    EXPECT_NEAR(player.CurrentPicture()->Time, 11.8, 1e-3);
  }
}

TEST_F(MediaPlayerTest, SeekPastTheEndAndSourcesWithoutPicturesOrSoundOrLength) {
  {
    TMediaPlayer player;
    AttachDecoders(player, Clip(), TPictureMode::Source);
    player.Seek(100);
    EXPECT_TRUE(player.WaitForPicture(10000));
    EXPECT_LE(player.PlayedTime(), player.MovieLength());
    player.Play();  // from the end: starts again at the beginning
    ASSERT_TRUE(WaitFor([&] { return player.FramesShown() > 0; }));
    player.Stop();
  }
  {
    TMediaPlayer player;  // sound only, no device: the system clock ends it
    player.Attach(nullptr, std::make_shared<TAudioDecoder>(SoundOnly()));
    EXPECT_FALSE(player.HasVideo());
    player.SetPlayRange(0, 0.4);
    player.Play();
    ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }));
    EXPECT_NEAR(player.PlayedTime(), 0.4, 0.05);
    player.StepForward();  // no pictures to step through
    EXPECT_EQ(player.CurrentPicture(), nullptr);
  }
  {
    THalfSpeedOutput output;  // sound only, played to its end on a device
    TMediaPlayer player(nullptr, &output);
    player.Attach(nullptr, std::make_shared<TAudioDecoder>(SoundOnly()));
    player.SetPlayRange(1.5, 0);
    player.Play();
    ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }));
  }
  {
    TMediaPlayer player;  // nothing in it and no length
    player.Attach(std::make_shared<TEmptyVideo>(), nullptr);
    EXPECT_EQ(player.MovieLength(), 0);
    player.Seek(1);
    EXPECT_TRUE(player.WaitForPicture(10000));
    player.Play();
    ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }));
    EXPECT_EQ(player.CurrentPicture(), nullptr);
    EXPECT_THROW(player.SaveSnapshot((test::MediaDir() / "none.jpg").string()), MediaError);
  }
  {
    TMediaPlayer player;
    player.Attach(nullptr, nullptr);
    EXPECT_EQ(player.State(), TPlayerState::NoSource);
    player.SetVolume(500);
    EXPECT_EQ(player.Volume(), 200);
    player.SetVolume(-3);
    EXPECT_EQ(player.Volume(), 0);
  }
}

TEST_F(MediaPlayerTest, UnpacedPlayingShowsEveryPicture) {
  TMediaPlayer player;
  player.SetUnpaced(true);
  AttachDecoders(player, Clip(), TPictureMode::Processed);
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }));
  EXPECT_EQ(player.FramesShown(), 75);
  EXPECT_EQ(player.FramesDropped(), 0);
}

// Counts the pictures it is handed.
class TCountingSink : public TFrameSink {
public:
  void ShowFrame(const TPictureRef&) override { ++shown; }
  std::atomic<int> shown{0};
};

TEST_F(MediaPlayerTest, EverySinkSeesThePicturesUntilItIsRemoved) {
  TCountingSink first, second;
  TMediaPlayer player(&first);
  player.AddSink(&second);
  player.AddSink(&second);  // once only
  AttachDecoders(player, Clip(), TPictureMode::Source, false);
  // A wait for a seek's picture ends only once the sinks have it (a snapshot follows it).
  for (int i = 1; i <= 20; ++i) {
    player.Seek(0.04 * i);
    ASSERT_TRUE(player.WaitForPicture(10000));
    ASSERT_EQ(first.shown, i);
    ASSERT_EQ(second.shown, i);
  }
  player.RemoveSink(&first);
  player.StepForward();
  ASSERT_TRUE(player.WaitForPicture(10000));
  EXPECT_EQ(first.shown, 20);
  EXPECT_EQ(second.shown, 21);
}

TEST_F(MediaPlayerTest, AfterARangeEndsAWholeRangeSeekAndStepGoOnFromTheSeek) {
  TMediaPlayer player;
  AttachDecoders(player, Clip(), TPictureMode::Source, false);
  player.SetPlayRange(2.0, 0.5);  // a clip's section played to its end
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.State() == TPlayerState::Stopped; }));
  player.SetPlayRange(0, 0);
  player.Seek(1.0);
  player.StepForward();  // right after the seek, as a quick click does
  ASSERT_TRUE(player.WaitForPicture(10000));
  EXPECT_NEAR(player.CurrentPicture()->Time, 1.04, 1e-3);
  player.Seek(1.0);
  ASSERT_TRUE(player.WaitForPicture(10000));
  player.StepForward();
  ASSERT_TRUE(player.WaitForPicture(10000));
  EXPECT_NEAR(player.CurrentPicture()->Time, 1.04, 1e-3);

  // The same while the section still plays, with a whole range of the clip's length.
  player.SetPlayRange(2.0, 0.8);
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.PlayedTime() > 0.2; }));
  player.SetPlayRange(0, 3);
  player.Seek(1.0);
  player.StepForward();
  ASSERT_TRUE(player.WaitForPicture(10000));
  EXPECT_NEAR(player.CurrentPicture()->Time, 1.04, 1e-3);
}

}  // namespace
}  // namespace fc
