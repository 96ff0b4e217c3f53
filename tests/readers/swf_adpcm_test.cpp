#include "readers/swf_adpcm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "core/error.h"
#include "core/file_io.h"
#include "media_test_util.h"
#include "swf_adpcm_test_util.h"

namespace fc {
namespace {

std::vector<int16_t> Tone(size_t frames, unsigned channels, double amplitude = 12000) {
  std::vector<int16_t> out;
  for (size_t i = 0; i < frames; ++i)
    for (unsigned ch = 0; ch < channels; ++ch) {
      const double t = double(i) / 44100;
      const double v = amplitude * (0.6 * std::sin(2 * M_PI * (440 + 220 * ch) * t) + 0.4 * std::sin(2 * M_PI * 1234 * t));
      out.push_back(static_cast<int16_t>(std::lround(v)));
    }
  return out;
}

TEST(SwfAdpcm, OnePacketOfMono16BitAt4BitsIs16404Bits) {
  std::vector<uint8_t> pcm(8192);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(i * 37);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EncodeSWFADPCM(engine, pcm, 4, true, false, false, true);
  EXPECT_EQ(out.size(), 2051u);  // 2 + 16 + 6 + 4095 * 4 = 16404 bits
}

TEST(SwfAdpcm, EightBitSamplesAreCentredAndScaled) {
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EncodeSWFADPCM(engine, std::vector<uint8_t>{0}, 4, false, false, false, true);
  EncodeSWFADPCM(engine, std::vector<uint8_t>{255}, 4, false, false, false, true);
  TBitsEngine in(out);
  EXPECT_EQ(in.ReadUBits(2), 2u);
  EXPECT_EQ(in.ReadSBits(16), -32768);
  in.FlushLastByte(false);
  EXPECT_EQ(in.ReadUBits(2), 2u);
  EXPECT_EQ(in.ReadSBits(16), 32512);
}

TEST(SwfAdpcm, InitialIndexCoversTheFirstStep) {
  EXPECT_EQ(SwfAdpcmInitialIndex(0, 2749), 62u);
  EXPECT_EQ(SwfAdpcmInitialIndex(0, 2750), 63u);
  EXPECT_EQ(SwfAdpcmInitialIndex(1000, -30000), 63u);  // never beyond what 6 bits hold
  EXPECT_EQ(SwfAdpcmInitialIndex(5, 5), 0u);
}

TEST(SwfAdpcm, GoldenBytesOfAStereoPacketStart) {
  // Code size 3 -> "01"; left 0x1234 with step index 0; right -2 with index 1; then two codes.
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  TSwfAdpcmEncoder encoder(engine, 3, 2);
  encoder.Begin(false);
  const std::vector<int16_t> samples = {0x1234, -2, 0x1234 + 7, -2 + 8};
  encoder.Add(samples);
  encoder.Finish(true);
  TBitsEngine in(out);
  EXPECT_EQ(in.ReadUBits(2), 1u);
  EXPECT_EQ(in.ReadSBits(16), 0x1234);
  EXPECT_EQ(in.ReadUBits(6), 0u);   // |7| <= step 7
  EXPECT_EQ(in.ReadSBits(16), -2);
  EXPECT_EQ(in.ReadUBits(6), 1u);   // |8| needs step 8
  EXPECT_EQ(in.ReadUBits(3), 0b010u);  // +7 on step 7: one whole step
  EXPECT_EQ(in.ReadUBits(3), 0b010u);  // +8 on step 8
  EXPECT_EQ(out.size(), 7u);            // 2 + 44 + 6 bits = 52 bits
}

TEST(SwfAdpcm, InputInPiecesGivesTheSameBits) {
  const auto samples = Tone(10000, 2);
  std::vector<uint8_t> whole, pieces;
  {
    TBitsEngine engine(&whole);
    TSwfAdpcmEncoder encoder(engine, 4, 2);
    encoder.Begin(false);
    encoder.Add(samples);
    encoder.Finish(true);
  }
  {
    TBitsEngine engine(&pieces);
    TSwfAdpcmEncoder encoder(engine, 4, 2);
    encoder.Begin(false);
    for (size_t i = 0; i < samples.size(); i += 1234)
      encoder.Add(std::span(samples).subspan(i, std::min<size_t>(1234, samples.size() - i)));
    encoder.Finish(true);
  }
  EXPECT_EQ(whole, pieces);
}

TEST(SwfAdpcm, WrongCodeSizeOrChannelsIsRefused) {
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EXPECT_THROW(TSwfAdpcmEncoder(engine, 6, 1), Error);
  EXPECT_THROW(TSwfAdpcmEncoder(engine, 1, 1), Error);
  EXPECT_THROW(TSwfAdpcmEncoder(engine, 4, 3), Error);
}

// FFmpeg's own SWF ADPCM decoder reads what we write, within 30 dB of the input.
TEST(SwfAdpcmRealDecoder, FfmpegDecodesOurAdpcmAtGoodSnr) {
  if (!test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  for (const unsigned channels : {1u, 2u}) {
    for (const unsigned bits : {4u, 5u}) {
      const auto input = Tone(44100, channels);
      const auto decoded = test::DecodeWithFfmpeg(input, channels, bits, 4410);
      ASSERT_FALSE(decoded.empty()) << "ffmpeg could not decode";
      const double snr = test::SnrDb(input, decoded);
      EXPECT_GE(snr, bits == 4 ? 30.0 : 36.0) << channels << " channels, " << bits << " bits";
    }
  }
}

TEST(MsAdpcm, PredictorBeyondTheCoefficientPairsIsAFormatError) {
  TADPCMFormat format;
  format.SamplesPerBlock = 4;
  format.Coefs.assign(7, {256, 0});
  std::vector<uint8_t> block = {7, 16, 0, 0, 0, 0, 0, 0x12};
  std::vector<int16_t> out;
  EXPECT_THROW(DecodeMSADPCMBlock(block, format, 1, out), FormatError);
  block[0] = 6;
  EXPECT_EQ(DecodeMSADPCMBlock(block, format, 1, out), 4u);
}

TEST(MsAdpcm, CutBlocksDecodeWhatTheyHold) {
  TADPCMFormat format;
  format.SamplesPerBlock = 500;
  format.Coefs.assign(7, {256, 0});
  std::vector<int16_t> out;
  EXPECT_EQ(DecodeMSADPCMBlock(std::vector<uint8_t>(6), format, 1, out), 0u);  // header cut
  EXPECT_EQ(DecodeMSADPCMBlock(std::vector<uint8_t>(7 + 3), format, 1, out), 2u + 6);
  out.clear();
  EXPECT_EQ(DecodeMSADPCMBlock(std::vector<uint8_t>(14 + 3), format, 2, out), 2u + 3);
  EXPECT_EQ(out.size(), 10u);
}

TEST(MsAdpcm, HostileDeltasStayBounded) {
  TADPCMFormat format;
  format.SamplesPerBlock = 2000;
  format.Coefs.assign(7, {512, -256});
  std::vector<uint8_t> block(1007, 0x77);  // nibbles of 7 make the delta grow every sample
  block[0] = 0;
  block[1] = 0xFF, block[2] = 0x7F;
  std::vector<int16_t> out;
  EXPECT_EQ(DecodeMSADPCMBlock(block, format, 1, out), 2000u);
}

}  // namespace
}  // namespace fc
