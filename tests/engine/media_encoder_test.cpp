#include "engine/media_encoder.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "engine/decoder.h"
#include "media_fixture.h"

namespace fc {
namespace {

TEST(EncoderStatusTest, MessagesMapToTheStatuses) {
  EXPECT_EQ(StatusOf(TConverterMessage::Progress, 1234), TEncoderStatus::Progress);
  EXPECT_EQ(StatusOf(TConverterMessage::End, 0), TEncoderStatus::Succeeded);
  EXPECT_EQ(StatusOf(TConverterMessage::End, 1), TEncoderStatus::Cancelled);
  EXPECT_EQ(StatusOf(TConverterMessage::End, 2), TEncoderStatus::Failed);
  EXPECT_EQ(StatusOf(TConverterMessage::End, 3), TEncoderStatus::WriteFailed);
  EXPECT_EQ(StatusOf(TConverterMessage::PieceStarted, 1), TEncoderStatus::PieceStarted);
  EXPECT_EQ(StatusOf(TConverterMessage::PieceFinished, 1), TEncoderStatus::PieceFinished);
  EXPECT_EQ(StatusOf(TConverterMessage::Warning, 0), TEncoderStatus::Warning);
  EXPECT_EQ(static_cast<int>(TEncoderStatus::Progress), 1);
  EXPECT_EQ(static_cast<int>(TEncoderStatus::Warning), 8);
}

class MediaEncoderTest : public testing::Test {
protected:
  void SetUp() override {
    if (!test::HaveTool("ffmpeg") || !test::HaveTool("ffprobe")) GTEST_SKIP() << "the ffmpeg tools are not installed";
    clip_ = test::MakeMedia("small.mp4", "testsrc2=size=96x64:rate=25:duration=2",
                            "sine=frequency=440:sample_rate=22050:duration=2",
                            "-c:v libx264 -preset ultrafast -c:a aac");
  }
  std::unique_ptr<TMediaEncoder> MakeEncoder(const std::string& name) {
    auto e = std::make_unique<TMediaEncoder>(std::make_shared<TVideoDecoder>(clip_),
                                            std::make_shared<TAudioDecoder>(clip_));
    e->SetOutputFile((test::MediaDir() / name).string());
    TEncodeParams p;
    p.ContainerFourCC = kFourCCFlv;
    e->SetEncodeParams(p);
    return e;
  }
  std::string clip_;
};

TEST_F(MediaEncoderTest, StatesFollowStartPauseResumeAndTheEnd) {
  auto e = MakeEncoder("states.flv");
  EXPECT_EQ(e->State(), TEncoderState::Ready);
  EXPECT_FALSE(e->Pause());   // only while running
  EXPECT_FALSE(e->Resume());  // only while paused
  std::mutex m;
  std::condition_variable cv;
  bool first = false;
  std::vector<TEncoderStatus> ends;
  ASSERT_TRUE(e->Start(0, 0, 0, [&](TEncoderStatus s, int32_t, const TProgressInfo*, std::stop_token) {
    std::lock_guard lock(m);
    if (s == TEncoderStatus::Progress && !first) {
      first = true;
      e->Pause();  // hold it so the states can be checked
    }
    if (s >= TEncoderStatus::Succeeded && s <= TEncoderStatus::WriteFailed) ends.push_back(s);
    cv.notify_all();
    return true;
  }));
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return first; });
  }
  EXPECT_EQ(e->State(), TEncoderState::Paused);
  EXPECT_FALSE(e->Start(0, 0, 0, nullptr));  // refused while a job runs
  EXPECT_FALSE(e->LastError().empty());
  EXPECT_FALSE(e->Pause());
  EXPECT_TRUE(e->Resume());
  EXPECT_EQ(e->State() == TEncoderState::Running || e->State() == TEncoderState::Finished, true);
  e->Wait();
  EXPECT_EQ(e->State(), TEncoderState::Finished);
  EXPECT_EQ(ends, (std::vector<TEncoderStatus>{TEncoderStatus::Succeeded}));
  EXPECT_EQ(e->TargetFiles().size(), 1u);
}

TEST_F(MediaEncoderTest, FailedStartIsReportedAndKeepsTheState) {
  auto e = MakeEncoder("bad.flv");
  TEncodeParams p;
  p.ContainerFourCC = MakeFourCC("none");
  e->SetEncodeParams(p);
  EXPECT_FALSE(e->Start(0, 0, 0, nullptr));
  EXPECT_NE(e->LastError().find("none"), std::string::npos) << e->LastError();
  EXPECT_EQ(e->State(), TEncoderState::Ready);
}

TEST_F(MediaEncoderTest, StopReleasesAHandlerThatWaitsForAnotherThread) {
  // The handler hands the status to a "main thread" that never answers because it is busy
  // calling Stop: the stop token must free it, or Stop would wait forever.
  auto e = MakeEncoder("handover.flv");
  std::mutex m;
  std::condition_variable_any cv;
  bool waiting = false;
  ASSERT_TRUE(e->Start(0, 0, 0, [&](TEncoderStatus s, int32_t, const TProgressInfo*, std::stop_token stopping) {
    if (s != TEncoderStatus::Progress) return true;
    std::unique_lock lock(m);
    waiting = true;
    cv.notify_all();
    cv.wait(lock, stopping, [] { return false; });  // the answer that never comes
    return true;
  }));
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return waiting; });
  }
  e->Stop();
  EXPECT_EQ(e->State(), TEncoderState::Idle);
  EXPECT_TRUE(e->TargetFiles().empty());
  EXPECT_FALSE(std::filesystem::exists(test::MediaDir() / "handover.flv"));
}

TEST_F(MediaEncoderTest, StatusesDuringStopAreNotForwarded) {
  auto e = MakeEncoder("quiet.flv");
  std::atomic<int> after_stop{0};
  std::atomic<bool> stopped{false};
  std::atomic<bool> progressed{false};
  ASSERT_TRUE(e->Start(0, 0, 0, [&](TEncoderStatus, int32_t, const TProgressInfo*, std::stop_token) {
    if (stopped) ++after_stop;
    progressed = true;
    return true;
  }));
  while (!progressed) std::this_thread::yield();
  e->Stop();
  stopped = true;
  EXPECT_EQ(after_stop, 0);
  EXPECT_EQ(e->State(), TEncoderState::Idle);
  // And the encoder can run again afterwards.
  ASSERT_TRUE(e->Start(0, 0, 0, nullptr));
  e->Wait();
  EXPECT_EQ(e->State(), TEncoderState::Finished);
}

TEST_F(MediaEncoderTest, ThousandStartProgressStopCycles) {
  auto e = MakeEncoder("cycles.flv");
  for (int i = 0; i < 1000; ++i) {
    std::mutex m;
    std::condition_variable_any cv;
    bool progressed = false;
    ASSERT_TRUE(e->Start(0, 0, 0, [&](TEncoderStatus s, int32_t, const TProgressInfo*, std::stop_token stopping) {
      if (s != TEncoderStatus::Progress) return true;
      std::unique_lock lock(m);
      progressed = true;
      cv.notify_all();
      // A synchronous hand-over: wait for an answer or for the stop.
      cv.wait_for(lock, stopping, std::chrono::milliseconds(50), [] { return false; });
      return true;
    })) << "cycle " << i << ": " << e->LastError();
    {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return progressed; });
    }
    e->Stop();
    ASSERT_EQ(e->State(), TEncoderState::Idle) << "cycle " << i;
  }
}

}  // namespace
}  // namespace fc
