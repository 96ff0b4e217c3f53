#include "engine/audio_processor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fc {
namespace {

// A 16-bit mono tone of constant value, in frames of 1000 samples.
class ConstantSource : public TAudioSource {
public:
  ConstantSource(int rate, int16_t value, int frames = 10) : rate_(rate), value_(value), frames_(frames) {}
  TAudioFormat AudioFormat() const override { return {rate_, 1, 16, 0}; }
  double Duration() const override { return frames_ * 1000.0 / rate_; }
  bool Read(TAudioFrame& out) override {
    if (next_ >= frames_) return false;
    TFramePtr f = AllocFrame();
    f->format = AV_SAMPLE_FMT_S16;
    f->sample_rate = rate_;
    av_channel_layout_default(&f->ch_layout, 1);
    f->nb_samples = 1000;
    CheckAv(av_frame_get_buffer(f.get(), 0), "test frame");
    std::fill_n(reinterpret_cast<int16_t*>(f->data[0]), 1000, value_);
    out.Frame = std::move(f);
    out.Time = next_++ * 1000.0 / rate_;
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

Collected ReadAll(TAudioProcessor& p) {
  Collected c;
  TAudioFrame f;
  while (p.Read(f)) {
    if (c.first_time < 0) c.first_time = f.Time;
    c.channels = f.Frame->ch_layout.nb_channels;
    c.rate = f.Frame->sample_rate;
    EXPECT_EQ(f.Frame->format, AV_SAMPLE_FMT_S16);
    if (c.samples <= 5000 && c.samples + f.Frame->nb_samples > 5000)
      c.middle = reinterpret_cast<const int16_t*>(f.Frame->data[0])[(5000 - c.samples) * c.channels];
    c.samples += f.Frame->nb_samples;
  }
  return c;
}

TEST(AudioProcessorTest, ResamplesAndMixesToTheOutputLayout) {
  TAudioProcessor p(std::make_shared<ConstantSource>(8000, 1000), 16000, 2, 16, false);
  EXPECT_EQ(p.AudioFormat().SampleRate, 16000);
  EXPECT_EQ(p.AudioFormat().Channels, 2);
  const Collected c = ReadAll(p);
  EXPECT_EQ(c.rate, 16000);
  EXPECT_EQ(c.channels, 2);
  EXPECT_NEAR(static_cast<double>(c.samples), 20000, 64);  // 1.25 s at twice the rate
  EXPECT_NEAR(c.middle, 1000, 2);
}

TEST(AudioProcessorTest, FlashTargetsSnapTheRate) {
  EXPECT_EQ(TAudioProcessor(std::make_shared<ConstantSource>(48000, 0), 48000, 2, 16, true).AudioFormat().SampleRate,
            44100);
  EXPECT_EQ(TAudioProcessor(std::make_shared<ConstantSource>(32000, 0), 0, 0, 16, true).AudioFormat().SampleRate, 22050);
  EXPECT_EQ(TAudioProcessor(std::make_shared<ConstantSource>(8000, 0), 0, 0, 16, true).AudioFormat().SampleRate, 11025);
  EXPECT_EQ(TAudioProcessor(std::make_shared<ConstantSource>(32000, 0), 0, 0, 16, false).AudioFormat().SampleRate, 32000);
}

TEST(AudioProcessorTest, VolumeScalesTheSamples) {
  TAudioProcessor half(std::make_shared<ConstantSource>(8000, 1000), 0, 0, 16, false);
  half.SetVolume(50);
  EXPECT_NEAR(ReadAll(half).middle, 500, 2);
  TAudioProcessor mute(std::make_shared<ConstantSource>(8000, 1000), 0, 0, 16, false);
  mute.SetVolume(0);
  EXPECT_EQ(ReadAll(mute).middle, 0);
  TAudioProcessor loud(std::make_shared<ConstantSource>(8000, 1000), 0, 0, 16, false);
  loud.SetVolume(10000);  // clamped to 400 %
  EXPECT_EQ(loud.Volume(), 400);
  EXPECT_NEAR(ReadAll(loud).middle, 4000, 4);
}

TEST(AudioProcessorTest, TimesFollowTheSamplesAfterASeek) {
  TAudioProcessor p(std::make_shared<ConstantSource>(8000, 1000), 16000, 1, 16, false);
  p.Seek(0.5);  // frame 4 starts at 0.5 s
  TAudioFrame f;
  ASSERT_TRUE(p.Read(f));
  EXPECT_NEAR(f.Time, 0.5, 1e-9);
}

}  // namespace
}  // namespace fc
