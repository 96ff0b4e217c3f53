#include "engine/audio_conformer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "media_fixture.h"

namespace fc {
namespace {

// 16-bit mono at 8 kHz in frames of 300 samples; each sample holds its own number (modulo
// 32768), so that a test sees which samples came through.
class CountingSource : public TAudioSource {
public:
  explicit CountingSource(int frames) : frames_(frames) {}
  TAudioFormat AudioFormat() const override { return {8000, 1, 16, 0}; }
  double Duration() const override { return frames_ * 300 / 8000.0; }
  bool Read(TAudioFrame& out) override {
    if (next_ >= frames_) return false;
    TFramePtr f = test::S16Frame(8000, 1, 300);
    auto* s = reinterpret_cast<int16_t*>(f->data[0]);
    for (int i = 0; i < 300; ++i) s[i] = static_cast<int16_t>((next_ * 300 + i) % 32768);
    out.Frame = std::move(f);
    out.Time = next_++ * 300 / 8000.0;
    return true;
  }
  void Seek(double seconds) override { next_ = static_cast<int>(seconds * 8000 / 300); }

private:
  int frames_;
  int next_ = 0;
};

struct Output {
  std::vector<int> sizes;
  std::vector<int64_t> pts;
  std::vector<int16_t> samples;  // the first channel
};

Output Drain(TAudioConformer& conformer) {
  Output out;
  while (TFramePtr f = conformer.Next()) {
    out.sizes.push_back(f->nb_samples);
    out.pts.push_back(f->pts);
    const auto* s = reinterpret_cast<const int16_t*>(f->data[0]);
    const int step = f->format == AV_SAMPLE_FMT_S16 ? f->ch_layout.nb_channels : 1;
    for (int i = 0; i < f->nb_samples; ++i) out.samples.push_back(s[i * step]);
  }
  return out;
}

constexpr double kToTheEnd = std::numeric_limits<double>::infinity();

TEST(AudioConformerTest, HandsOutEncoderSizedFramesTimedInSamples) {
  CountingSource source(10);  // 3000 samples
  TAudioConformer conformer(source, {AV_SAMPLE_FMT_S16, 8000, 1, 1152, false}, 0, kToTheEnd);
  const Output out = Drain(conformer);
  EXPECT_EQ(out.sizes, (std::vector<int>{1152, 1152, 696}));
  EXPECT_EQ(out.pts, (std::vector<int64_t>{0, 1152, 2304}));
  ASSERT_EQ(out.samples.size(), 3000u);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(out.samples[i], i) << i;
}

TEST(AudioConformerTest, CutsTheRangeToTheSampleAndPadsAShortLastFrameWhenAsked) {
  CountingSource source(20);  // 6000 samples
  // [0.1, 0.4) is samples 800 to 3199; the encoder takes whole frames of 1024 only.
  TAudioConformer conformer(source, {AV_SAMPLE_FMT_S16, 8000, 1, 1024, true}, 0.1, 0.4);
  const Output out = Drain(conformer);
  EXPECT_EQ(out.sizes, (std::vector<int>{1024, 1024, 1024}));
  EXPECT_EQ(out.pts, (std::vector<int64_t>{0, 1024, 2048}));
  ASSERT_EQ(out.samples.size(), 3072u);
  for (int i = 0; i < 2400; ++i) ASSERT_EQ(out.samples[i], 800 + i) << i;
  for (int i = 2400; i < 3072; ++i) ASSERT_EQ(out.samples[i], 0) << i;  // silence after the last sample
}

TEST(AudioConformerTest, ResamplesToTheEncodersRateAndChannels) {
  CountingSource source(20);
  TAudioConformer conformer(source, {AV_SAMPLE_FMT_FLTP, 22050, 2, 1024, false}, 0, 0.5);
  int64_t total = 0;
  int channels = 0;
  while (TFramePtr f = conformer.Next()) {
    EXPECT_EQ(f->format, AV_SAMPLE_FMT_FLTP);
    EXPECT_EQ(f->sample_rate, 22050);
    EXPECT_EQ(f->pts, total);
    channels = f->ch_layout.nb_channels;
    total += f->nb_samples;
  }
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(total, std::llround(0.5 * 22050));  // exactly the range, not the resampler's tail
}

}  // namespace
}  // namespace fc
