#include "engine/audio_processor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fc {
namespace {

// A 16-bit mono tone of constant value, in frames of 1000 samples.
class ConstantSource : public AudioSource {
public:
  ConstantSource(int rate, int16_t value, int frames = 10) : rate_(rate), value_(value), frames_(frames) {}
  AudioFormat format() const override { return {rate_, 1, 16, 0}; }
  double duration() const override { return frames_ * 1000.0 / rate_; }
  bool Read(AudioFrame& out) override {
    if (next_ >= frames_) return false;
    FramePtr f = AllocFrame();
    f->format = AV_SAMPLE_FMT_S16;
    f->sample_rate = rate_;
    av_channel_layout_default(&f->ch_layout, 1);
    f->nb_samples = 1000;
    CheckAv(av_frame_get_buffer(f.get(), 0), "test frame");
    std::fill_n(reinterpret_cast<int16_t*>(f->data[0]), 1000, value_);
    out.frame = std::move(f);
    out.time = next_++ * 1000.0 / rate_;
    return true;
  }
  void Seek(double seconds) override { next_ = static_cast<int>(seconds * rate_ / 1000); }

private:
  int rate_;
  int16_t value_;
  int frames_;
  int next_ = 0;
};

struct Collected {
  int64_t samples = 0;
  int channels = 0;
  int rate = 0;
  int16_t middle = 0;
  double first_time = -1;
};

Collected ReadAll(AudioProcessor& p) {
  Collected c;
  AudioFrame f;
  while (p.Read(f)) {
    if (c.first_time < 0) c.first_time = f.time;
    c.channels = f.frame->ch_layout.nb_channels;
    c.rate = f.frame->sample_rate;
    EXPECT_EQ(f.frame->format, AV_SAMPLE_FMT_S16);
    if (c.samples <= 5000 && c.samples + f.frame->nb_samples > 5000)
      c.middle = reinterpret_cast<const int16_t*>(f.frame->data[0])[(5000 - c.samples) * c.channels];
    c.samples += f.frame->nb_samples;
  }
  return c;
}

TEST(AudioProcessorTest, ResamplesAndMixesToTheOutputLayout) {
  AudioProcessor p(std::make_shared<ConstantSource>(8000, 1000), 16000, 2, 16, false);
  EXPECT_EQ(p.format().sample_rate, 16000);
  EXPECT_EQ(p.format().channels, 2);
  const Collected c = ReadAll(p);
  EXPECT_EQ(c.rate, 16000);
  EXPECT_EQ(c.channels, 2);
  EXPECT_NEAR(static_cast<double>(c.samples), 20000, 64);  // 1.25 s at twice the rate
  EXPECT_NEAR(c.middle, 1000, 2);
}

TEST(AudioProcessorTest, FlashTargetsSnapTheRate) {
  EXPECT_EQ(AudioProcessor(std::make_shared<ConstantSource>(48000, 0), 48000, 2, 16, true).format().sample_rate,
            44100);
  EXPECT_EQ(AudioProcessor(std::make_shared<ConstantSource>(32000, 0), 0, 0, 16, true).format().sample_rate, 22050);
  EXPECT_EQ(AudioProcessor(std::make_shared<ConstantSource>(8000, 0), 0, 0, 16, true).format().sample_rate, 11025);
  EXPECT_EQ(AudioProcessor(std::make_shared<ConstantSource>(32000, 0), 0, 0, 16, false).format().sample_rate, 32000);
}

TEST(AudioProcessorTest, VolumeScalesTheSamples) {
  AudioProcessor half(std::make_shared<ConstantSource>(8000, 1000), 0, 0, 16, false);
  half.SetVolume(50);
  EXPECT_NEAR(ReadAll(half).middle, 500, 2);
  AudioProcessor mute(std::make_shared<ConstantSource>(8000, 1000), 0, 0, 16, false);
  mute.SetVolume(0);
  EXPECT_EQ(ReadAll(mute).middle, 0);
  AudioProcessor loud(std::make_shared<ConstantSource>(8000, 1000), 0, 0, 16, false);
  loud.SetVolume(10000);  // clamped to 400 %
  EXPECT_EQ(loud.volume(), 400);
  EXPECT_NEAR(ReadAll(loud).middle, 4000, 4);
}

TEST(AudioProcessorTest, TimesFollowTheSamplesAfterASeek) {
  AudioProcessor p(std::make_shared<ConstantSource>(8000, 1000), 16000, 1, 16, false);
  p.Seek(0.5);  // frame 4 starts at 0.5 s
  AudioFrame f;
  ASSERT_TRUE(p.Read(f));
  EXPECT_NEAR(f.time, 0.5, 1e-9);
}

}  // namespace
}  // namespace fc
