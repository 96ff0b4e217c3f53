#include "engine/sequence.h"

#include <gtest/gtest.h>

#include "engine/converter.h"
#include "engine/decoder.h"
#include "engine/video_processor.h"
#include "media_fixture.h"

namespace fc {
namespace {

// Mono 16-bit samples of one value, 8 kHz, in frames of 800 (0.1 s).
class ConstantAudio : public AudioSource {
public:
  ConstantAudio(int16_t value, double seconds) : value_(value), frames_(static_cast<int>(seconds * 10 + 0.5)) {}
  AudioFormat format() const override { return {8000, 1, 16, 0}; }
  double duration() const override { return frames_ / 10.0; }
  bool Read(AudioFrame& out) override {
    if (next_ >= frames_) return false;
    FramePtr f = AllocFrame();
    f->format = AV_SAMPLE_FMT_S16;
    f->sample_rate = 8000;
    av_channel_layout_default(&f->ch_layout, 1);
    f->nb_samples = 800;
    CheckAv(av_frame_get_buffer(f.get(), 0), "test frame");
    std::fill_n(reinterpret_cast<int16_t*>(f->data[0]), 800, value_);
    out.frame = std::move(f);
    out.time = next_++ / 10.0;
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
  auto seq = std::make_shared<VideoSequence>(200, 150, 15);
  const SegmentTimes times[2] = {{0, 1, 0, 1}, {1, 2.5, 0, 1.5}};
  for (int i = 0; i < 2; ++i) {
    seq->AddMember(times[i], [&, i](bool open) -> std::shared_ptr<VideoSource> {
      if (!open) {
        ++closed[i];
        return nullptr;
      }
      ++opened[i];
      return std::make_shared<VideoDecoder>(files[i]);
    });
  }
  EXPECT_DOUBLE_EQ(seq->duration(), 2.5);
  VideoFrame f;
  int count = 0;
  while (seq->Read(f)) {
    ASSERT_EQ(f.frame->width, 200);
    ASSERT_EQ(f.frame->height, 150);
    EXPECT_NEAR(f.time, count / 15.0, 1e-9);
    if (f.time < 0.95) {
      EXPECT_LT(CentreY(f.frame.get()), 60) << f.time;
    } else if (f.time > 1.05) {
      EXPECT_GT(CentreY(f.frame.get()), 180) << f.time;
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
  EXPECT_NEAR(f.time, 2.0, 1e-9);
  EXPECT_GT(CentreY(f.frame.get()), 180);
  EXPECT_EQ(opened[0], 1);
  EXPECT_EQ(opened[1], 2);
}

TEST_F(SequenceFiles, MergedClipsConvertToOneFlv) {
  const std::string files[2] = {a_, b_};
  auto video = std::make_shared<VideoSequence>(200, 150, 15);
  auto audio = std::make_shared<AudioSequence>(22050, 2);
  const SegmentTimes times[2] = {{0, 1, 0, 1}, {1, 2.5, 0, 1.5}};
  for (int i = 0; i < 2; ++i) {
    video->AddMember(times[i], [&, i](bool open) -> std::shared_ptr<VideoSource> {
      return open ? std::make_shared<VideoProcessor>(std::make_shared<VideoDecoder>(files[i]),
                                                     VideoOutput{.width = 200, .height = 150})
                  : nullptr;
    });
    audio->AddMember(times[i], [&, i](bool open) -> std::shared_ptr<AudioSource> {
      return open ? std::make_shared<AudioDecoder>(files[i]) : nullptr;
    });
  }
  Converter converter(video, audio);
  const std::string out = (test::MediaDir() / "merged.flv").string();
  converter.SetOutputFile(out);
  EncodeParams p;
  p.container_fourcc = kFourCCFlv;
  converter.SetEncodeParams(p);
  converter.Start(0, 0, 0, nullptr);
  converter.Wait();
  ASSERT_EQ(converter.error(), "");
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
  AudioSequence seq(8000, 1);
  seq.AddMember({0, 1, 0, 1}, [&](bool open) -> std::shared_ptr<AudioSource> {
    if (!open) ++closes;
    return open ? first : nullptr;
  });
  seq.AddMember({1.5, 2.5, 2, 3}, [&](bool open) -> std::shared_ptr<AudioSource> {
    if (!open) ++closes;
    return open ? second : nullptr;
  });
  std::vector<int16_t> all;
  AudioFrame f;
  while (seq.Read(f)) {
    EXPECT_NEAR(f.time, all.size() / 8000.0, 1e-9);
    const auto* s = reinterpret_cast<const int16_t*>(f.frame->data[0]);
    all.insert(all.end(), s, s + f.frame->nb_samples);
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
  TrackMixer mixer(main, track, {.clip_start = 0.2, .clip_end = 0.5, .loop_length = 1.0, .start_time = 0.5});
  EXPECT_EQ(mixer.format().sample_rate, 8000);
  std::vector<float> all;
  AudioFrame f;
  while (mixer.Read(f)) {
    ASSERT_EQ(f.frame->format, AV_SAMPLE_FMT_FLT);
    const auto* s = reinterpret_cast<const float*>(f.frame->data[0]);
    all.insert(all.end(), s, s + f.frame->nb_samples);
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
  TrackMixer mixer(nullptr, track, {.clip_start = 0, .clip_end = 0.5, .loop_length = 0, .start_time = 0});
  EXPECT_DOUBLE_EQ(mixer.duration(), 0.5);
  size_t samples = 0;
  AudioFrame f;
  while (mixer.Read(f)) samples += f.frame->nb_samples;
  EXPECT_EQ(samples, 4000u);
}

TEST(VideoSequenceTest, RateZeroIsNeverUsed) {
  VideoSequence seq(100, 80, 0);
  EXPECT_DOUBLE_EQ(seq.format().frame_rate, 25.0);
  EXPECT_THROW(seq.AddMember({1, 1, 0, 0}, nullptr), MediaError);
  seq.AddMember({0, 0.2, 0, 0.2}, [](bool) { return std::shared_ptr<VideoSource>(); });  // cannot open: black
  VideoFrame f;
  int n = 0;
  while (seq.Read(f)) {
    EXPECT_EQ(f.frame->data[0][0], 16);
    ++n;
  }
  EXPECT_EQ(n, 5);
}

}  // namespace
}  // namespace fc
