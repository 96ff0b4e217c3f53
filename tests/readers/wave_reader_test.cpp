#include "readers/wave_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "core/error.h"
#include "media_test_util.h"
#include "swf_adpcm_test_util.h"

namespace fc {
namespace {

using test::Bytes;

struct Fmt {
  uint16_t tag = 1, channels = 1;
  uint32_t rate = 44100;
  uint16_t align = 2, bits = 16;
  std::vector<uint8_t> extra;  // after the 16 basic bytes
};

std::vector<uint8_t> Wave(const Fmt& f, const std::vector<uint8_t>& data, uint32_t declared_data = UINT32_MAX,
                          int fmt_size = -1) {
  Bytes fmt;
  fmt.le16(f.tag).le16(f.channels).le32(f.rate).le32(f.rate * f.align).le16(f.align).le16(f.bits).raw(f.extra);
  Bytes b;
  b.str("RIFF").le32(0).str("WAVE");
  b.str("LIST").le32(3).str("abc").u8(0);  // an odd chunk with its pad byte
  b.str("fmt ").le32(fmt_size >= 0 ? static_cast<uint32_t>(fmt_size) : static_cast<uint32_t>(fmt.size()));
  b.raw(fmt.v);
  b.str("data").le32(declared_data == UINT32_MAX ? static_cast<uint32_t>(data.size()) : declared_data).raw(data);
  return b.v;
}

TWaveReader Read(const std::vector<uint8_t>& file) { return TWaveReader(std::make_unique<TMemorySource>(file), ".wav"); }

Fmt MsAdpcmFmt(uint16_t channels, uint16_t align, uint16_t samples_per_block, uint16_t coefs = 7) {
  static const int16_t kCoef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
  Fmt f{2, channels, 22050, align, 4, {}};
  Bytes extra;
  extra.le16(4 + 4 * coefs).le16(samples_per_block).le16(coefs);
  for (int i = 0; i < coefs; ++i) extra.le16(static_cast<uint16_t>(kCoef[i % 7][0])).le16(static_cast<uint16_t>(kCoef[i % 7][1]));
  f.extra = extra.v;
  return f;
}

TEST(WaveHeader, PcmFieldsAndDataChunk) {
  const std::vector<uint8_t> data(400, 0x11);
  const TWaveReader w = Read(Wave({1, 2, 22050, 4, 16}, data));
  EXPECT_EQ(w.FormatTag, kWaveFormatPCM);
  EXPECT_EQ(w.Channels, 2);
  EXPECT_EQ(w.SampleRate, 22050u);
  EXPECT_EQ(w.BitsPerSample, 16);
  EXPECT_EQ(w.SampleCount, 100u);
  EXPECT_EQ(w.DataSize, 400u);
  EXPECT_EQ(w.DataOffset, 12u + 12 + 24 + 8);
  EXPECT_DOUBLE_EQ(w.Duration, 100.0 / 22050);
}

TEST(WaveHeader, DataSizeIsCutAtTheEndOfTheFile) {
  const TWaveReader w = Read(Wave({1, 1, 8000, 1, 8}, std::vector<uint8_t>(100), 0xFFFFFFFF - 1));
  EXPECT_EQ(w.DataSize, 100u);
  EXPECT_EQ(w.SampleCount, 100u);
}

TEST(WaveHeader, NotRiffWaveReadsNothing) {
  const TWaveReader w = Read(std::vector<uint8_t>(100, 'x'));
  EXPECT_EQ(w.FormatTag, 0);
  EXPECT_EQ(w.Duration, 0);
}

void ExpectInvalidFmt(const std::vector<uint8_t>& file, const std::string& detail) {
  try {
    Read(file);
    FAIL() << "no error for " << detail;
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("invalid \"fmt \" chunk"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(detail), std::string::npos) << e.what();
  }
}

TEST(WaveHeader, InvalidFmtChunksAreClearErrors) {
  const std::vector<uint8_t> data(64);
  ExpectInvalidFmt(Wave({1, 0, 44100, 2, 16}, data), "no channels");
  ExpectInvalidFmt(Wave({1, 1, 0, 2, 16}, data), "sample rate 0");
  ExpectInvalidFmt(Wave({1, 1, 4000000000u, 2, 16}, data), "sample rate");
  ExpectInvalidFmt(Wave({1, 1, 44100, 0, 16}, data), "block align 0");
  ExpectInvalidFmt(Wave({1, 1, 44100, 2, 0}, data), "0 bits");
  ExpectInvalidFmt(Wave({1, 1, 44100, 2, 12}, data), "12 bits");
  ExpectInvalidFmt(Wave({1, 1, 44100, 2, 16}, data, UINT32_MAX, 10), "at least 16");
  ExpectInvalidFmt(Wave(MsAdpcmFmt(1, 6, 4), data), "block header");
  ExpectInvalidFmt(Wave(MsAdpcmFmt(1, 256, 60000), data), "samples per block");
  ExpectInvalidFmt(Wave(MsAdpcmFmt(1, 256, 500, 0), data), "coefficient pairs");
  ExpectInvalidFmt(Wave(MsAdpcmFmt(3, 256, 100), data), "3 channels");
  Fmt short_coefs = MsAdpcmFmt(1, 256, 500);
  short_coefs.extra.resize(8);  // NumCoef 7 but only one pair present
  ExpectInvalidFmt(Wave(short_coefs, data), "coefficient pairs");
}

TEST(WaveHeader, MissingFmtChunkIsAnError) {
  Bytes b;
  b.str("RIFF").le32(0).str("WAVE").str("data").le32(4).le32(0);
  EXPECT_THROW(Read(b.v), FormatError);
}

TEST(WaveHeader, ExtensibleFormatTakesItsSubFormat) {
  Fmt f{0xFFFE, 2, 48000, 4, 16, {}};
  Bytes extra;
  extra.le16(22).le16(16).le32(3).le16(1).le16(0).le32(0x00100000).le32(0xAA000080).le32(0x719B3800);
  f.extra = extra.v;
  const TWaveReader w = Read(Wave(f, std::vector<uint8_t>(48)));
  EXPECT_EQ(w.FormatTag, kWaveFormatPCM);
  EXPECT_EQ(w.SampleCount, 12u);
}

TEST(WavePcm, BlockPadsWithZerosToExactlyCount) {
  std::vector<uint8_t> data(10);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
  TWaveReader w = Read(Wave({1, 1, 8000, 1, 8}, data));
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  w.WritePCMBlock(engine, 6, 0, false);
  w.WritePCMBlock(engine, 6, 0, false);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0}));
}

TEST(WavePcm, LoopWrapsAsOftenAsNeeded) {
  TWaveReader w = Read(Wave({1, 1, 8000, 1, 8}, {1, 2, 3}));
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  w.WritePCMBlock(engine, 8, 0, true);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 1, 2, 3, 1, 2}));
}

TEST(WavePcm, LoopingEmptyDataEndsWithSilence) {
  TWaveReader w = Read(Wave({1, 1, 8000, 1, 8}, {}));
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  w.WritePCMBlock(engine, 5, 0, true);
  EXPECT_EQ(out, std::vector<uint8_t>(5, 0));
  w.WritePCMBlock(engine, 0, 0, true);
  EXPECT_EQ(out.size(), 5u);
}

TEST(WavePcm, AdpcmOutputOfAPcmBlock) {
  std::vector<uint8_t> data(8192);
  for (size_t i = 0; i < data.size(); i += 2) data[i + 1] = static_cast<uint8_t>(i / 64);
  TWaveReader w = Read(Wave({1, 1, 44100, 2, 16}, data));
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  w.WritePCMBlock(engine, 8192, 4, false);
  EXPECT_EQ(out.size(), 2051u);
}

TEST(WavePcm, TwentyFourBitPcmIsReadButNotWritten) {
  TWaveReader w = Read(Wave({1, 1, 44100, 3, 24}, std::vector<uint8_t>(30)));
  EXPECT_EQ(w.SampleCount, 10u);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EXPECT_THROW(w.WritePCMBlock(engine, 6, 0, false), Error);
}

std::vector<uint8_t> SilentAdpcmBlock(unsigned channels, size_t size) {
  std::vector<uint8_t> block(size, 0);
  for (unsigned ch = 0; ch < channels; ++ch) block[channels + 2 * ch] = 16;  // delta 16
  return block;
}

TEST(WaveAdpcm, StreamBlocksCarrySurplusSamplesAndPadAtTheEnd) {
  // Two blocks of 36 bytes: 7-byte header and 29 bytes = 58 nibbles, 60 samples each.
  std::vector<uint8_t> data = SilentAdpcmBlock(1, 36);
  const auto second = SilentAdpcmBlock(1, 36);
  data.insert(data.end(), second.begin(), second.end());
  TWaveReader w = Read(Wave(MsAdpcmFmt(1, 36, 60), data));
  EXPECT_EQ(w.SampleCount, 118u);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  for (int i = 0; i < 3; ++i) w.WriteADPCMBlock(engine, 50, 4, false);  // 150 > 120: the last is padded
  EXPECT_EQ(out.size(), 3u * ((2 + 22 + 49 * 4 + 7) / 8));
  EXPECT_EQ(w.SourcePosition, w.DataOffset + w.DataSize);
}

TEST(WaveAdpcm, LoopingDataShorterThanABlockEnds) {
  TWaveReader w = Read(Wave(MsAdpcmFmt(1, 256, 500), SilentAdpcmBlock(1, 5)));  // not even a block header
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  w.WriteADPCMBlock(engine, 1000, 4, true);
  EXPECT_EQ(out.size(), (2 + 22 + 999 * 4 + 7) / 8u);
}

TEST(WaveAdpcm, LoopingShortSoundRepeats) {
  TWaveReader w = Read(Wave(MsAdpcmFmt(1, 36, 60), SilentAdpcmBlock(1, 36)));
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  w.WriteADPCMBlock(engine, 500, 4, true);  // eight passes over one 60-sample block
  EXPECT_EQ(out.size(), (2 + 22 + 499 * 4 + 7) / 8u);
}

TEST(WaveAdpcm, BadPredictorInTheDataIsAFormatError) {
  auto block = SilentAdpcmBlock(1, 36);
  block[0] = 9;
  TWaveReader w = Read(Wave(MsAdpcmFmt(1, 36, 60), block));
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EXPECT_THROW(w.WriteADPCMSound(engine, 4), FormatError);
}

// ---- Real files ----

std::vector<int16_t> ReadRaw(const std::filesystem::path& file) {
  std::ifstream f(file, std::ios::binary);
  const std::vector<char> raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<int16_t> s(raw.size() / 2);
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<int16_t>(static_cast<uint8_t>(raw[2 * i]) | (static_cast<uint8_t>(raw[2 * i + 1]) << 8));
  return s;
}

TEST(WaveRealFiles, EveryPcmAndAdpcmFlavourOfFfmpeg) {
  test::TempDir dir;
  struct Case {
    const char* codec;
    uint16_t tag, bits;
  };
  for (const Case c : {Case{"pcm_u8", 1, 8}, Case{"pcm_s16le", 1, 16}, Case{"pcm_s24le", 1, 24},
                       Case{"pcm_s32le", 1, 32}, Case{"pcm_f32le", 3, 32}, Case{"pcm_alaw", 6, 8},
                       Case{"pcm_mulaw", 7, 8}, Case{"adpcm_ms", 2, 4}, Case{"adpcm_ima_wav", 0x11, 4}}) {
    for (const int channels : {1, 2}) {
      const auto file = dir / (std::string(c.codec) + std::to_string(channels) + ".wav");
      FC_FFMPEG_OR_SKIP("-f lavfi -i sine=d=1:r=22050 -ac " + std::to_string(channels) + " -c:a " + c.codec, file);
      const TWaveReader w(file);
      EXPECT_EQ(w.FormatTag, c.tag) << c.codec;
      EXPECT_EQ(w.BitsPerSample, c.bits) << c.codec;
      EXPECT_EQ(w.Channels, channels) << c.codec;
      EXPECT_EQ(w.SampleRate, 22050u) << c.codec;
      EXPECT_NEAR(w.Duration, 1.0, 0.05) << c.codec;
    }
  }
}

TEST(WaveRealFiles, MsAdpcmDecodesLikeFfmpeg) {
  test::TempDir dir;
  const auto file = dir / "ms.wav", raw = dir / "ms.raw";
  FC_FFMPEG_OR_SKIP("-f lavfi -i sine=f=300:d=1:r=22050 -ac 2 -c:a adpcm_ms", file);
  ASSERT_TRUE(test::Run("ffmpeg -nostdin -y -loglevel error -i " + file.string() + " -f s16le " + raw.string()));
  const auto reference = ReadRaw(raw);
  const TWaveReader w(file);
  const auto bytes = w.Source->ReadBytes(w.DataOffset, static_cast<size_t>(w.DataSize));
  std::vector<int16_t> ours;
  for (size_t pos = 0; pos < bytes.size(); pos += w.BlockAlign)
    DecodeMSADPCMBlock(std::span(bytes).subspan(pos, std::min<size_t>(w.BlockAlign, bytes.size() - pos)),
                       w.ADPCMFormat, w.Channels, ours);
  ASSERT_GE(ours.size(), reference.size() - 2 * w.ADPCMFormat.SamplesPerBlock);
  EXPECT_GE(test::SnrDb(reference, ours), 60.0);
}

TEST(WaveRealFiles, MsAdpcmSoundThroughSwfAdpcmKeepsTheSignal) {
  test::TempDir dir;
  const auto file = dir / "ms.wav", raw = dir / "ms.raw";
  FC_FFMPEG_OR_SKIP("-f lavfi -i sine=f=300:d=1:r=44100 -ac 1 -c:a adpcm_ms", file);
  ASSERT_TRUE(test::Run("ffmpeg -nostdin -y -loglevel error -i " + file.string() + " -f s16le " + raw.string()));
  const auto reference = ReadRaw(raw);
  TWaveReader w(file);
  // Event sound: one run of packets.
  std::vector<uint8_t> sound;
  TBitsEngine engine(&sound);
  w.WriteADPCMSound(engine, 0);
  const auto decoded = test::DecodeFlvAudio(test::AdpcmFlv({sound}, 1, 44100));
  ASSERT_FALSE(decoded.empty());
  EXPECT_GE(test::SnrDb(reference, decoded), 30.0);
  // Stream blocks of 1470 samples (44.1 kHz at 30 frames per second).
  std::vector<std::vector<uint8_t>> blocks;
  w.SeekData();
  for (size_t i = 0; i < reference.size() / 1470; ++i) {
    blocks.emplace_back();
    TBitsEngine block(&blocks.back());
    w.WriteADPCMBlock(block, 1470, 4, false);
  }
  const auto streamed = test::DecodeBlocks(blocks, 1, 1470);
  ASSERT_FALSE(streamed.empty());
  EXPECT_GE(test::SnrDb(reference, streamed), 30.0);
}

TEST(WaveRealFiles, Mp3InsideWavIsIndexedInItsDataChunk) {
  test::TempDir dir;
  const auto file = dir / "mp3.wav";
  FC_FFMPEG_OR_SKIP("-f lavfi -i sine=d=1 -ac 2 -c:a libmp3lame", file);
  TWaveReader w(file);
  EXPECT_EQ(w.FormatTag, kWaveFormatMPEGLayer3);
  ASSERT_TRUE(w.MPEG && w.MPEG->Frame.Found);
  EXPECT_EQ(w.SampleRate, 44100u);
  EXPECT_EQ(w.Channels, 2);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EXPECT_EQ(w.WriteMP3Frames(engine, 0, false, 1), 1u);
  ASSERT_EQ(out.size(), w.FrameSize);
  EXPECT_EQ(out[0], 0xFF);  // the frame was copied from inside the data chunk
}

}  // namespace
}  // namespace fc

namespace fc {
namespace {

// adpcm_ms.wav: ffmpeg's Microsoft ADPCM at 8 kHz mono in 64-byte blocks of 116 samples.
TEST(WaveStoredFiles, MicrosoftAdpcmBlocks) {
  TWaveReader w(std::filesystem::path(FLARECAST_TEST_DATA_DIR) / "readers/data/adpcm_ms.wav");
  EXPECT_EQ(w.FormatTag, kWaveFormatMSADPCM);
  EXPECT_EQ(w.BlockAlign, 64);
  EXPECT_EQ(w.ADPCMFormat.SamplesPerBlock, 116);
  EXPECT_EQ(w.ADPCMFormat.Coefs.size(), 7u);
  EXPECT_EQ(w.SampleCount, 116u * 256 / 64 - 2);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  w.WriteADPCMSound(engine, 3);
  EXPECT_EQ(out.size(), (2 + 22 + (4 * 116 - 1) * 3 + 7) / 8u);  // one packet of all 464 samples
}

}  // namespace
}  // namespace fc
