#include "engine/decoder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/media_info.h"

#include "media_fixture.h"

namespace fc {
namespace {

bool SamePicture(const AVFrame* a, const AVFrame* b) {
  if (a->width != b->width || a->height != b->height || a->format != b->format) return false;
  for (int y = 0; y < a->height; ++y)
    if (std::memcmp(a->data[0] + y * a->linesize[0], b->data[0] + y * b->linesize[0], a->width) != 0) return false;
  return true;
}

TEST(VideoDecoderTest, DecodesEveryFrameWithItsTime) {
  FC_REQUIRE_FFMPEG();
  TVideoDecoder dec(test::StandardClip());
  EXPECT_EQ(dec.VideoFormat().Width, 320);
  EXPECT_DOUBLE_EQ(dec.VideoFormat().FrameRate, 25.0);
  EXPECT_NEAR(dec.Duration(), 3.0, 0.05);
  TVideoFrame f;
  int count = 0;
  while (dec.Read(f)) {
    EXPECT_NEAR(f.Time, count * 0.04, 1e-6);
    ++count;
  }
  EXPECT_EQ(count, 75);
  EXPECT_FALSE(dec.Read(f));
}

TEST(VideoDecoderTest, SeekIsFrameAccurateBetweenKeyframes) {
  FC_REQUIRE_FFMPEG();
  // Keyframes at 0 s and 2 s: reaching 1.49 s means decoding on from the first keyframe.
  TVideoDecoder sequential(test::StandardClip());
  TVideoFrame want;
  for (int i = 0; i <= 37; ++i) ASSERT_TRUE(sequential.Read(want));
  ASSERT_NEAR(want.Time, 1.48, 1e-6);

  TVideoDecoder dec(test::StandardClip());
  TVideoFrame f;
  ASSERT_TRUE(dec.Read(f));
  dec.Seek(1.49);  // frame 37 (1.48 s) is on screen at 1.49 s
  ASSERT_TRUE(dec.Read(f));
  EXPECT_NEAR(f.Time, 1.48, 1e-6);
  EXPECT_TRUE(SamePicture(f.Frame.get(), want.Frame.get()));
  ASSERT_TRUE(dec.Read(f));
  EXPECT_NEAR(f.Time, 1.52, 1e-6);

  dec.Seek(0);  // backwards
  ASSERT_TRUE(dec.Read(f));
  EXPECT_NEAR(f.Time, 0, 1e-6);
  dec.Seek(2.5);  // past the second keyframe
  ASSERT_TRUE(dec.Read(f));
  EXPECT_NEAR(f.Time, 2.48, 1e-6);
}

TEST(VideoDecoderTest, SeekPastTheEndGivesNoFrames) {
  FC_REQUIRE_FFMPEG();
  TVideoDecoder dec(test::StandardClip());
  dec.Seek(10);
  TVideoFrame f;
  EXPECT_FALSE(dec.Read(f));
  dec.Seek(1);  // and the decoder still works afterwards
  EXPECT_TRUE(dec.Read(f));
}

TEST(AudioDecoderTest, SeekIsSampleAccurate) {
  FC_REQUIRE_FFMPEG();
  const std::string path = test::MakeMedia("tone16.wav", "", "sine=frequency=1000:sample_rate=8000:duration=2", "");
  TAudioDecoder all(path);
  std::vector<int16_t> samples;
  TAudioFrame f;
  while (all.Read(f)) {
    ASSERT_EQ(f.Frame->format, AV_SAMPLE_FMT_S16);
    const auto* s = reinterpret_cast<const int16_t*>(f.Frame->data[0]);
    samples.insert(samples.end(), s, s + f.Frame->nb_samples);
  }
  ASSERT_EQ(samples.size(), 16000u);

  TAudioDecoder dec(path);
  dec.Seek(1.2345);  // sample 9876
  ASSERT_TRUE(dec.Read(f));
  EXPECT_NEAR(f.Time, 9876.0 / 8000, 1e-9);
  const auto* s = reinterpret_cast<const int16_t*>(f.Frame->data[0]);
  for (int i = 0; i < std::min(f.Frame->nb_samples, 50); ++i) ASSERT_EQ(s[i], samples[9876 + i]) << i;
}

TEST(AudioDecoderTest, PicksTheAudioTrackById) {
  FC_REQUIRE_FFMPEG();
  const std::string path =
      test::MakeMedia("two_tracks.mkv", "", "sine=frequency=300:duration=1",
                      "-f lavfi -i sine=frequency=600:sample_rate=16000:duration=1 -map 0:a -map 1:a -c:a pcm_s16le");
  TAudioDecoder first(path);
  EXPECT_EQ(first.AudioFormat().SampleRate, 44100);
  const TMediaInfo info = LoadMediaInfo(path);
  ASSERT_EQ(info.Programs[0].Audio.size(), 2u);
  TDecodeOptions options;
  options.AudioTrackID = info.Programs[0].Audio[1].ID;
  TAudioDecoder second(path, options);
  EXPECT_EQ(second.AudioFormat().SampleRate, 16000);
  EXPECT_EQ(second.Stream()->index, 1);
}

TEST(DecoderTest, CopyModeHandsOutPacketsOnly) {
  FC_REQUIRE_FFMPEG();
  TDecodeOptions options;
  options.Copy = true;
  TVideoDecoder dec(test::StandardClip(), options);
  EXPECT_TRUE(dec.Copy());
  TVideoFrame f;
  EXPECT_THROW(dec.Read(f), MediaError);
  TPacketPtr pk = AllocPacket();
  int packets = 0;
  while (dec.ReadPacket(pk.get())) ++packets;
  EXPECT_EQ(packets, 75);

  const std::string wav = test::MakeMedia("tone.wav", "", "sine=frequency=440:sample_rate=22050:duration=2", "");
  TAudioDecoder sound(wav, options);
  EXPECT_TRUE(sound.Copy());
  TAudioFrame a;
  EXPECT_THROW(sound.Read(a), MediaError);
  sound.Seek(1);  // a seek leaves it in copy mode
  EXPECT_THROW(sound.Read(a), MediaError);
  EXPECT_TRUE(sound.ReadPacket(pk.get()));
}

TEST(DecoderTest, FileWithoutTheStreamFails) {
  FC_REQUIRE_FFMPEG();
  const std::string wav = test::MakeMedia("tone.wav", "", "sine=frequency=440:sample_rate=22050:duration=2", "");
  EXPECT_THROW(TVideoDecoder{wav}, MediaError);
  EXPECT_THROW(TAudioDecoder{"/nonexistent.wav"}, MediaError);
}

}  // namespace
}  // namespace fc
