#include "engine/formats.h"

#include <gtest/gtest.h>

#include "engine/av_util.h"

namespace fc {
namespace {

TEST(FourCCTest, PacksFirstCharacterInTheLowByteAndPadsWithBlanks) {
  EXPECT_EQ(MakeFourCC("flv"), 0x20766C66u);
  EXPECT_EQ(MakeFourCC("flv "), 0x20766C66u);
  EXPECT_EQ(MakeFourCC("avm2"), 0x326D7661u);
  EXPECT_EQ(MakeFourCC("COPYRIGHT"), MakeFourCC("COPY"));
  EXPECT_EQ(MakeFourCC(""), 0u);
  EXPECT_EQ(FourCCToString(0x20766C66u), "flv ");
  EXPECT_EQ(FourCCToString(0), "");
}

TEST(EncodeParamsTest, StartsWithKeepOriginalScaling) {
  EncodeParams p;
  EXPECT_EQ(p.scale_mode, static_cast<int32_t>(ScaleMode::KeepOriginal));
  EXPECT_EQ(p.sample_bits, 16);
  EXPECT_TRUE(IsFlashContainer(kFourCCFlv));
  EXPECT_TRUE(IsFlashContainer(kFourCCSwf));
  EXPECT_FALSE(IsFlashContainer(MakeFourCC("mp4")));
}

TEST(FormatListTest, EveryEntryNamesAMuxerAndEncodersThatExist) {
  ASSERT_FALSE(SupportedFormats().empty());
  for (const ContainerFormat& f : SupportedFormats()) {
    SCOPED_TRACE(FourCCToString(f.fourcc));
    EXPECT_NE(av_guess_format(f.muxer.c_str(), nullptr, nullptr), nullptr);
    EXPECT_FALSE(f.audio.empty());
    EXPECT_EQ(f.extension.front(), '.');
    for (const auto* list : {&f.video, &f.audio}) {
      int defaults = 0;
      for (const CodecEntry& c : *list) {
        EXPECT_NE(avcodec_find_encoder_by_name(c.encoder.c_str()), nullptr) << c.encoder;
        defaults += c.value;
      }
      if (!list->empty()) {
        EXPECT_EQ(defaults, 1);
      }
    }
  }
  const ContainerFormat* flv = FindContainer(kFourCCFlv);
  ASSERT_NE(flv, nullptr);
  EXPECT_EQ(flv->video.front().fourcc, MakeFourCC("FLV1"));
  EXPECT_EQ(flv->audio.front().fourcc, MakeFourCC("MP3"));
  EXPECT_NE(FindVideoCodec(*flv, MakeFourCC("H264")), nullptr);
  EXPECT_EQ(FindVideoCodec(*flv, MakeFourCC("VP80")), nullptr);
  EXPECT_EQ(FindContainer(MakeFourCC("nope")), nullptr);
}

TEST(FormatListTest, FlashRatesSnapToTheNearestMp3Rate) {
  EXPECT_EQ(SnapFlashSampleRate(48000), 44100);
  EXPECT_EQ(SnapFlashSampleRate(44100), 44100);
  EXPECT_EQ(SnapFlashSampleRate(32000), 22050);
  EXPECT_EQ(SnapFlashSampleRate(16000), 11025);
  EXPECT_EQ(SnapFlashSampleRate(8000), 11025);
  EXPECT_EQ(SnapFlashSampleRate(0), 11025);
  EXPECT_EQ(SnapFlashSampleRate(96000), 44100);
}

TEST(EstimateTest, AddsTheBitRatesOverTheDuration) {
  EncodeParams p;
  p.container_fourcc = kFourCCFlv;
  p.video_bitrate = 1'000'000;
  p.audio_bitrate = 128'000;
  const uint64_t bytes = EstimateDiskSpace(p, false, false, 10);
  EXPECT_EQ(bytes, static_cast<uint64_t>(1'128'000.0 / 8 * 10 * 1.03 + 4096));
  EXPECT_LT(EstimateDiskSpace(p, true, false, 10), bytes);
  EXPECT_LT(EstimateDiskSpace(p, false, true, 10), bytes);
  p.no_video = 1;
  EXPECT_EQ(EstimateDiskSpace(p, false, false, 10), EstimateDiskSpace(p, true, false, 10));
}

TEST(EstimateTest, ZeroRatesAndDurationsNeverBlowUp) {
  EncodeParams p;  // every value 0, frame rate 0
  EXPECT_EQ(EstimateDiskSpace(p, false, false, 0), 0u);
  EXPECT_EQ(EstimateDiskSpace(p, false, false, -5), 0u);
  EXPECT_EQ(EstimateDiskSpace(p, false, false, std::numeric_limits<double>::quiet_NaN()), 0u);
  EXPECT_GT(EstimateDiskSpace(p, false, false, 60), 0u);
  p.frame_rate = std::numeric_limits<double>::infinity();
  EXPECT_GT(EstimateDiskSpace(p, false, false, 60), 0u);
  EXPECT_EQ(DefaultVideoBitrate(0, 0, 0), DefaultVideoBitrate(320, 240, 25));
}

TEST(EstimateTest, AudioOnlyContainerCountsNoVideo) {
  EncodeParams p;
  p.container_fourcc = MakeFourCC("mp3");
  p.video_bitrate = 5'000'000;
  p.audio_bitrate = 128'000;
  EXPECT_EQ(EstimateDiskSpace(p, false, false, 8), static_cast<uint64_t>(128'000.0 / 8 * 8 * 1.03 + 4096));
}

}  // namespace
}  // namespace fc
