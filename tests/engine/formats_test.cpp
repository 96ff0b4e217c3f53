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
  TEncodeParams p;
  EXPECT_EQ(p.ScaleMode, static_cast<int32_t>(TScaleMode::KeepOriginal));
  EXPECT_EQ(p.SampleBits, 16);
  EXPECT_TRUE(IsFlashContainer(kFourCCFlv));
  EXPECT_TRUE(IsFlashContainer(kFourCCSwf));
  EXPECT_FALSE(IsFlashContainer(MakeFourCC("mp4")));
}

TEST(FormatListTest, EveryEntryNamesAMuxerAndEncodersThatExist) {
  ASSERT_FALSE(SupportedFormats().empty());
  for (const TContainerFormat& f : SupportedFormats()) {
    SCOPED_TRACE(FourCCToString(f.FourCC));
    EXPECT_NE(av_guess_format(f.Muxer.c_str(), nullptr, nullptr), nullptr);
    EXPECT_FALSE(f.Audio.empty());
    EXPECT_EQ(f.Extension.front(), '.');
    for (const auto* list : {&f.Video, &f.Audio}) {
      int defaults = 0;
      for (const TCodecEntry& c : *list) {
        EXPECT_NE(avcodec_find_encoder_by_name(c.Encoder.c_str()), nullptr) << c.Encoder;
        defaults += c.Value;
      }
      if (!list->empty()) {
        EXPECT_EQ(defaults, 1);
      }
    }
  }
  const TContainerFormat* flv = FindContainer(kFourCCFlv);
  ASSERT_NE(flv, nullptr);
  EXPECT_EQ(flv->Video.front().FourCC, MakeFourCC("FLV1"));
  EXPECT_EQ(flv->Audio.front().FourCC, MakeFourCC("MP3"));
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
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  p.VideoBitrate = 1'000'000;
  p.AudioBitrate = 128'000;
  const uint64_t bytes = EstimateDiskSpace(p, false, false, 10);
  EXPECT_EQ(bytes, static_cast<uint64_t>(1'128'000.0 / 8 * 10 * 1.03 + 4096));
  EXPECT_LT(EstimateDiskSpace(p, true, false, 10), bytes);
  EXPECT_LT(EstimateDiskSpace(p, false, true, 10), bytes);
  p.NoVideo = 1;
  EXPECT_EQ(EstimateDiskSpace(p, false, false, 10), EstimateDiskSpace(p, true, false, 10));
}

TEST(EstimateTest, ZeroRatesAndDurationsNeverBlowUp) {
  TEncodeParams p;  // every value 0, frame rate 0
  EXPECT_EQ(EstimateDiskSpace(p, false, false, 0), 0u);
  EXPECT_EQ(EstimateDiskSpace(p, false, false, -5), 0u);
  EXPECT_EQ(EstimateDiskSpace(p, false, false, std::numeric_limits<double>::quiet_NaN()), 0u);
  EXPECT_GT(EstimateDiskSpace(p, false, false, 60), 0u);
  p.FrameRate = std::numeric_limits<double>::infinity();
  EXPECT_GT(EstimateDiskSpace(p, false, false, 60), 0u);
  EXPECT_EQ(DefaultVideoBitrate(0, 0, 0), DefaultVideoBitrate(320, 240, 25));
}

TEST(EstimateTest, AudioOnlyContainerCountsNoVideo) {
  TEncodeParams p;
  p.ContainerFourCC = MakeFourCC("mp3");
  p.VideoBitrate = 5'000'000;
  p.AudioBitrate = 128'000;
  EXPECT_EQ(EstimateDiskSpace(p, false, false, 8), static_cast<uint64_t>(128'000.0 / 8 * 8 * 1.03 + 4096));
}

}  // namespace
}  // namespace fc
