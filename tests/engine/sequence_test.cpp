#include "engine/sequence.h"

#include <gtest/gtest.h>

#include "engine/converter.h"
#include "engine/decoder.h"
#include "engine/video_processor.h"
#include "media_fixture.h"

namespace fc {
namespace {

// Mono 16-bit samples of one value, 8 kHz, in frames of 800 (0.1 s).
class ConstantAudio : public TAudioSource {
public:
  ConstantAudio(int16_t value, double seconds) : value_(value), frames_(static_cast<int>(seconds * 10 + 0.5)) {}
  TAudioFormat AudioFormat() const override { return {8000, 1, 16, 0}; }
  double Duration() const override { return frames_ / 10.0; }
  bool Read(TAudioFrame& out) override {
    if (next_ >= frames_) return false;
    TFramePtr f = AllocFrame();
    f->format = AV_SAMPLE_FMT_S16;
    f->sample_rate = 8000;
    av_channel_layout_default(&f->ch_layout, 1);
    f->nb_samples = 800;
    CheckAv(av_frame_get_buffer(f.get(), 0), "test frame");
    std::fill_n(reinterpret_cast<int16_t*>(f->data[0]), 800, value_);
    out.Frame = std::move(f);
    out.Time = next_++ / 10.0;
    ++reads;
    return true;
  }
  void Seek(double seconds) override {
    next_ = static_cast<int>(seconds * 10 + 1e-9);
    ++seeks;
  }
  int reads = 0, seeks = 0;

private:
  int16_t value_;
  int frames_;
  int next_ = 0;
};

uint8_t CentreY(const AVFrame* f) { return f->data[0][(f->height / 2) * f->linesize[0] + f->width / 2]; }

class SequenceFiles : public testing::Test {
protected:
  void SetUp() override {
    if (!test::HaveTool("ffmpeg") || !test::HaveTool("ffprobe")) GTEST_SKIP() << "the ffmpeg tools are not installed";
    // A dark clip and a bright one, of different sizes and rates.
    a_ = test::MakeMedia("seq_a.mp4", "color=c=0x202020:size=160x120:rate=10:duration=1",
                         "sine=frequency=300:sample_rate=8000:duration=1", "-c:v mpeg4 -c:a aac -ac 1");
    b_ = test::MakeMedia("seq_b.mp4", "color=c=0xE0E0E0:size=320x240:rate=25:duration=1.5",
                         "sine=frequency=600:sample_rate=22050:duration=1.5", "-c:v mpeg4 -c:a aac -ac 2");
  }
  std::string a_, b_;
};

TEST_F(SequenceFiles, MergePlaysTwoClipsBackToBackAtTheOutputSizeAndRate) {
  // The counters outlive the sequence, which releases its open member when destroyed.
  int opened[2] = {0, 0}, closed[2] = {0, 0};
  const std::string files[2] = {a_, b_};
  auto seq = std::make_shared<TVideoSequence>(200, 150, 15);
  const TSegmentTimes times[2] = {{0, 1, 0, 1}, {1, 2.5, 0, 1.5}};
  for (int i = 0; i < 2; ++i) {
    seq->AddMember(times[i], [&, i](bool open) -> std::shared_ptr<TVideoSource> {
      if (!open) {
        ++closed[i];
        return nullptr;
      }
      ++opened[i];
      return std::make_shared<TVideoDecoder>(files[i]);
    });
  }
  EXPECT_DOUBLE_EQ(seq->Duration(), 2.5);
  TVideoFrame f;
  int count = 0;
  while (seq->Read(f)) {
    ASSERT_EQ(f.Frame->width, 200);
    ASSERT_EQ(f.Frame->height, 150);
    EXPECT_NEAR(f.Time, count / 15.0, 1e-9);
    if (f.Time < 0.95) {
      EXPECT_LT(CentreY(f.Frame.get()), 60) << f.Time;
    } else if (f.Time > 1.05) {
      EXPECT_GT(CentreY(f.Frame.get()), 180) << f.Time;
    }
    ++count;
  }
  EXPECT_EQ(count, 38);  // 2.5 s at 15 fps, the last frame starting at 2.467 s
  EXPECT_EQ(opened[0], 1);
  EXPECT_EQ(closed[0], 1);
  EXPECT_EQ(opened[1], 1);
  EXPECT_EQ(closed[1], 1);

  // Seeking into the second member opens only it, at the right place.
  seq->Seek(2.0);
  ASSERT_TRUE(seq->Read(f));
  EXPECT_NEAR(f.Time, 2.0, 1e-9);
  EXPECT_GT(CentreY(f.Frame.get()), 180);
  EXPECT_EQ(opened[0], 1);
  EXPECT_EQ(opened[1], 2);
}

TEST_F(SequenceFiles, MergedClipsConvertToOneFlv) {
  const std::string files[2] = {a_, b_};
  auto video = std::make_shared<TVideoSequence>(200, 150, 15);
  auto audio = std::make_shared<TAudioSequence>(22050, 2);
  const TSegmentTimes times[2] = {{0, 1, 0, 1}, {1, 2.5, 0, 1.5}};
  for (int i = 0; i < 2; ++i) {
    video->AddMember(times[i], [&, i](bool open) -> std::shared_ptr<TVideoSource> {
      return open ? std::make_shared<TVideoProcessor>(std::make_shared<TVideoDecoder>(files[i]),
                                                     TVideoOutput{.Width = 200, .Height = 150})
                  : nullptr;
    });
    audio->AddMember(times[i], [&, i](bool open) -> std::shared_ptr<TAudioSource> {
      return open ? std::make_shared<TAudioDecoder>(files[i]) : nullptr;
    });
  }
  TConverter converter(video, audio);
  const std::string out = (test::MediaDir() / "merged.flv").string();
  converter.SetOutputFile(out);
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  converter.SetEncodeParams(p);
  converter.Start(0, 0, 0, nullptr);
  converter.Wait();
  ASSERT_EQ(converter.LastError(), "");
  const test::Probe probe = test::ProbeFile(out);
  ASSERT_NE(probe.Stream("video"), nullptr);
  EXPECT_EQ(probe.Stream("video")->at("width"), "200");
  EXPECT_EQ(probe.Stream("video")->at("height"), "150");
  EXPECT_EQ(probe.Stream("video")->at("r_frame_rate"), "15/1");
  EXPECT_NEAR(probe.Duration(), 2.5, 0.1);
}

TEST(AudioSequenceTest, MembersFillTheirSegmentsExactlyWithSilenceInGaps) {
  auto first = std::make_shared<ConstantAudio>(1000, 0.5);   // too short for its 1 s segment
  auto second = std::make_shared<ConstantAudio>(2000, 5.0);  // longer than its segment
  int closes = 0;
  TAudioSequence seq(8000, 1);
  seq.AddMember({0, 1, 0, 1}, [&](bool open) -> std::shared_ptr<TAudioSource> {
    if (!open) ++closes;
    return open ? first : nullptr;
  });
  seq.AddMember({1.5, 2.5, 2, 3}, [&](bool open) -> std::shared_ptr<TAudioSource> {
    if (!open) ++closes;
    return open ? second : nullptr;
  });
  std::vector<int16_t> all;
  TAudioFrame f;
  while (seq.Read(f)) {
    EXPECT_NEAR(f.Time, all.size() / 8000.0, 1e-9);
    const auto* s = reinterpret_cast<const int16_t*>(f.Frame->data[0]);
    all.insert(all.end(), s, s + f.Frame->nb_samples);
  }
  ASSERT_EQ(all.size(), 20000u);  // 2.5 s
  EXPECT_EQ(all[100], 1000);
  EXPECT_EQ(all[5000], 0);    // the first member ran out at 0.5 s
  EXPECT_EQ(all[9000], 0);    // the gap from 1 s to 1.5 s
  EXPECT_EQ(all[13000], 2000);
  EXPECT_EQ(all[19999], 2000);
  EXPECT_EQ(closes, 2);
  EXPECT_GE(second->seeks, 1);  // it started 2 s into its own source
}

TEST(TrackMixerTest, AddedTrackLoopsFromTheStartTimeUnderTheMainSound) {
  auto main = std::make_shared<ConstantAudio>(8192, 2.0);   // 0.25 of full scale
  auto track = std::make_shared<ConstantAudio>(16384, 1.0); // 0.5
  TTrackMixer mixer(main, track, {.ClipStart = 0.2, .ClipEnd = 0.5, .LoopLength = 1.0, .StartTime = 0.5});
  EXPECT_EQ(mixer.AudioFormat().SampleRate, 8000);
  std::vector<float> all;
  TAudioFrame f;
  while (mixer.Read(f)) {
    ASSERT_EQ(f.Frame->format, AV_SAMPLE_FMT_FLT);
    const auto* s = reinterpret_cast<const float*>(f.Frame->data[0]);
    all.insert(all.end(), s, s + f.Frame->nb_samples);
  }
  ASSERT_EQ(all.size(), 16000u);
  EXPECT_NEAR(all[1000], 0.25, 1e-3);   // before the start time
  EXPECT_NEAR(all[4400], 0.75, 1e-3);   // 0.55 s: the track plays
  EXPECT_NEAR(all[9000], 0.75, 1e-3);   // 1.125 s: in its second loop
  EXPECT_NEAR(all[12500], 0.25, 1e-3);  // after 1.5 s the loop length is used up
  EXPECT_GE(track->seeks, 2);           // each loop starts again at the clip start
}

TEST(TrackMixerTest, TrackAloneWithoutLoopStopsAtTheClipEnd) {
  auto track = std::make_shared<ConstantAudio>(16384, 1.0);
  TTrackMixer mixer(nullptr, track, {.ClipStart = 0, .ClipEnd = 0.5, .LoopLength = 0, .StartTime = 0});
  EXPECT_DOUBLE_EQ(mixer.Duration(), 0.5);
  size_t samples = 0;
  TAudioFrame f;
  while (mixer.Read(f)) samples += f.Frame->nb_samples;
  EXPECT_EQ(samples, 4000u);
}

TEST(VideoSequenceTest, RateZeroIsNeverUsed) {
  TVideoSequence seq(100, 80, 0);
  EXPECT_DOUBLE_EQ(seq.VideoFormat().FrameRate, 25.0);
  EXPECT_THROW(seq.AddMember({1, 1, 0, 0}, nullptr), MediaError);
  seq.AddMember({0, 0.2, 0, 0.2}, [](bool) { return std::shared_ptr<TVideoSource>(); });  // cannot open: black
  TVideoFrame f;
  int n = 0;
  while (seq.Read(f)) {
    EXPECT_EQ(f.Frame->data[0][0], 16);
    ++n;
  }
  EXPECT_EQ(n, 5);
}

}  // namespace
}  // namespace fc
