#include "readers/flv_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "core/error.h"
#include "media_test_util.h"
#include "swf/bits_engine.h"

namespace fc {
namespace {

using test::Bytes;

// Builds FLV files tag by tag.
struct FlvBuilder {
  Bytes b;
  explicit FlvBuilder(uint8_t flags = 0x05) { b.str("FLV").u8(1).u8(flags).be32(9).be32(0); }
  FlvBuilder& Tag(uint8_t type, uint32_t timestamp, const std::vector<uint8_t>& data, uint32_t declared = UINT32_MAX) {
    const uint32_t size = declared == UINT32_MAX ? static_cast<uint32_t>(data.size()) : declared;
    b.u8(type).be24(size).be24(timestamp & 0xFFFFFF).u8(timestamp >> 24).be24(0).raw(data).be32(11 + size);
    return *this;
  }
  FlvBuilder& Video(uint32_t timestamp, std::vector<uint8_t> header = {}, uint8_t codec = 0x12) {
    header.insert(header.begin(), codec);
    header.resize(std::max<size_t>(header.size(), 8), 0);
    return Tag(9, timestamp, header);
  }
  FlvBuilder& Audio(uint32_t timestamp, uint8_t flags, size_t payload = 20) {
    std::vector<uint8_t> data(payload + 1, 0);
    data[0] = flags;
    if (payload >= 4) std::memcpy(&data[1], "\xFF\xFB\x90\x64", 4);
    return Tag(8, timestamp, data);
  }
  TFLVData Index() const { return TFLVData(std::make_unique<TMemorySource>(b.v)); }
};

std::vector<uint8_t> H263Header(uint32_t size_code, uint32_t w = 0, uint32_t h = 0) {
  std::vector<uint8_t> out;
  TBitsEngine bits(&out);
  bits.WriteBits(1, 17);  // picture start code
  bits.WriteBits(0, 5);   // version
  bits.WriteBits(0, 8);   // temporal reference
  bits.WriteBits(size_code, 3);
  if (size_code == 0) bits.WriteBits(w, 8), bits.WriteBits(h, 8);
  if (size_code == 1) bits.WriteBits(w, 16), bits.WriteBits(h, 16);
  bits.FlushLastByte(true);
  return out;
}

// AMF0 pieces for script tags.
Bytes& Name(Bytes& b, const std::string& n) { return b.be16(static_cast<uint32_t>(n.size())).str(n); }
Bytes& Number(Bytes& b, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  b.u8(0).be32(static_cast<uint32_t>(bits >> 32)).be32(static_cast<uint32_t>(bits));
  return b;
}
Bytes MetaStart(uint32_t count) {
  Bytes b;
  b.u8(2);
  Name(b, "onMetaData").u8(8).be32(count);
  return b;
}

TEST(FlvIndex, FrameRateFromLastTimestampToOneDecimal) {
  FlvBuilder flv;
  for (uint32_t i = 0; i < 250; ++i) flv.Video(i == 249 ? 9960 : i * 40);
  const TFLVData data = flv.Index();
  EXPECT_EQ(data.FrameCount, 250u);
  EXPECT_EQ(data.FrameRate, 0x1900);  // Round(249 * 10000 / 9960) / 10 = 25.0
}

TEST(FlvIndex, FrameRateSpansFromTheFirstVideoTimestamp) {
  // Encoders delay the video behind the audio's priming: 50 frames from 25 ms to 1985 ms.
  FlvBuilder flv;
  for (uint32_t i = 0; i < 50; ++i) flv.Video(25 + i * 40);
  EXPECT_EQ(flv.Index().FrameRate, 0x1900);
}

TEST(FlvIndex, SingleFrameAtTimeZeroGetsRawRate11) {
  const TFLVData data = FlvBuilder().Video(0).Index();
  EXPECT_EQ(data.FrameCount, 1u);
  EXPECT_EQ(data.FrameRate, 11);
}

TEST(FlvIndex, SorensonFrameSizeFromPictureHeader) {
  EXPECT_EQ(FlvBuilder().Video(0, H263Header(5)).Index().Width, 320);
  EXPECT_EQ(FlvBuilder().Video(0, H263Header(5)).Index().Height, 240);
  const TFLVData small = FlvBuilder().Video(0, H263Header(0, 200, 150)).Index();
  EXPECT_EQ(small.Width, 200);
  EXPECT_EQ(small.Height, 150);
  const TFLVData big = FlvBuilder().Video(0, H263Header(1, 1280, 720)).Index();
  EXPECT_EQ(big.Width, 1280);
  EXPECT_EQ(big.Height, 720);
  EXPECT_EQ(big.VideoCodecID, kFlvCodecSorenson);
  EXPECT_EQ(big.FirstFrameType, 1);
}

TEST(FlvIndex, ScreenVideoAndVP6Sizes) {
  const TFLVData screen = FlvBuilder().Video(0, {0x30, 0x40, 0x20, 0xF0}, 0x13).Index();
  EXPECT_EQ(screen.Width, 0x040);
  EXPECT_EQ(screen.Height, 0x0F0);
  // VP6: adjustment byte, two frame header bytes, then macroblock rows and columns.
  const TFLVData vp6 = FlvBuilder().Video(0, {0, 0, 0, 15, 20}, 0x14).Index();
  EXPECT_EQ(vp6.Width, 320);
  EXPECT_EQ(vp6.Height, 240);
}

TEST(FlvIndex, VP6TakesMixedCaseWidthAndHeightFromEarlierMetadata) {
  Bytes meta = MetaStart(2);
  Number(Name(meta, "Width"), 640);
  Number(Name(meta, "HEIGHT"), 360);
  meta.be24(9);
  const TFLVData data = FlvBuilder().Tag(18, 0, meta.v).Video(0, {0, 0, 0, 15, 20}, 0x14).Index();
  EXPECT_EQ(data.Width, 640);
  EXPECT_EQ(data.Height, 360);
}

TEST(FlvIndex, EntriesPointAtPayloadsAndCountVideoFrames) {
  const TFLVData data = FlvBuilder().Audio(0, 0x2F).Video(0).Audio(10, 0x2F).Video(40).Audio(50, 0x2F).Index();
  ASSERT_EQ(data.VideoFrameCount(), 2u);
  ASSERT_EQ(data.AudioFrameCount(), 3u);
  EXPECT_EQ(data.GetVideoFrame(0).Position, 13u + 11 + 21 + 4 + 12);  // second tag's payload
  EXPECT_EQ(data.GetVideoFrame(1).FrameIndex, 1u);
  EXPECT_EQ(data.GetAudioFrame(0).FrameIndex, 0u);
  EXPECT_EQ(data.GetAudioFrame(1).FrameIndex, 1u);
  EXPECT_EQ(data.GetAudioFrame(2).FrameIndex, 2u);
  EXPECT_EQ(data.GetAudioFrame(0).Size, 20);
  EXPECT_EQ(data.SoundHeader->MP3FrameHeader, 0xFFFB9064u);
  EXPECT_EQ(data.SoundHeader->SoundRate(), 3);
  EXPECT_EQ(data.SoundHeader->SoundType(), 1);
  // Indexes wrap: the entry after the last is the first.
  EXPECT_EQ(data.GetAudioFrame(3).Position, data.GetAudioFrame(0).Position);
  EXPECT_THROW(data.GetVideoFrame(2), Error);
}

TEST(FlvIndex, AdpcmAndPcmAudioAreIndexedForEmbedding) {
  // An SWF stream sound carries ADPCM and PCM as they are: dropping their tags lost the sound.
  for (const uint8_t flags : {0x1E, 0x0E, 0x3F}) {  // ADPCM, PCM native, PCM little-endian
    const TFLVData data = FlvBuilder().Audio(0, flags).Video(0).Audio(10, flags).Index();
    ASSERT_EQ(data.AudioFrameCount(), 2u) << int(flags);
    EXPECT_EQ(data.GetAudioFrame(1).FrameIndex, 1u);
    EXPECT_EQ(data.SoundHeader->SoundFormat(), flags >> 4);
    EXPECT_EQ(data.SoundHeader->MP3FrameHeader, 0u);  // only MP3 reads a frame header
  }
}

TEST(FlvIndex, AudioAnSwfCannotCarryIsNotIndexedButStillHasSound) {
  for (const uint8_t flags : {0xAF, 0xBE, 0x5A}) {  // AAC, Speex, Nellymoser 8 kHz
    const TFLVData data = FlvBuilder().Audio(0, flags).Video(0).Audio(10, flags).Index();
    EXPECT_EQ(data.AudioFrameCount(), 0u) << int(flags);
    EXPECT_TRUE(data.HasSound());
    EXPECT_EQ(data.VideoFrameCount(), 1u);
  }
}

TEST(FlvIndex, NoAudioFramesIsAnErrorNotADivisionByZero) {
  const TFLVData data = FlvBuilder().Video(0).Index();
  EXPECT_FALSE(data.HasSound());
  EXPECT_THROW(data.GetAudioFrame(0), Error);
}

TEST(FlvIndex, PayloadsRunningPastTheEndAreCut) {
  FlvBuilder flv;
  flv.Video(0).Audio(0, 0x2F);
  flv.b.u8(9).be24(5000).be24(40).u8(0).be24(0).u8(0x12).zeros(99);  // declares 5000, has 100
  const TFLVData video = flv.Index();
  ASSERT_EQ(video.VideoFrameCount(), 2u);
  EXPECT_EQ(video.GetVideoFrame(1).Size, 99);

  FlvBuilder audio;
  audio.Video(0).Audio(0, 0x2F);
  audio.b.u8(8).be24(70000).be24(40).u8(0).be24(0).u8(0x2F).zeros(9);
  const TFLVData cut = audio.Index();
  ASSERT_EQ(cut.AudioFrameCount(), 2u);
  EXPECT_EQ(cut.GetAudioFrame(1).Size, 9);
  EXPECT_EQ(cut.ReadPayload(cut.GetAudioFrame(1)).size(), 9u);
}

TEST(FlvIndex, EmptyTagsAtTheEndOfTheFile) {
  // Found by the fuzzer: empty reads at the very end of the data.
  const TFLVData data = FlvBuilder().Video(0).Tag(18, 0, {}).Tag(8, 0, {}).Index();
  EXPECT_EQ(data.VideoFrameCount(), 1u);
  EXPECT_FALSE(data.MetaData);
  EXPECT_TRUE(TMemorySource(std::vector<uint8_t>{}).ReadBytes(0, 0).empty());
}

TEST(FlvIndex, EmptyVideoTagGetsSizeZero) {
  const TFLVData data = FlvBuilder().Tag(9, 0, {}).Index();
  ASSERT_EQ(data.VideoFrameCount(), 1u);
  EXPECT_EQ(data.GetVideoFrame(0).Size, 0);
}

TEST(FlvIndex, NotAnFlvLeavesEverythingEmpty) {
  Bytes b;
  b.str("FLV").u8(2).u8(5).be32(9).be32(0);
  const TFLVData data(std::make_unique<TMemorySource>(b.v));
  EXPECT_FALSE(data.IsFLV);
  EXPECT_EQ(data.FrameCount, 0u);
  EXPECT_EQ(data.FrameRate, 0);
  EXPECT_FALSE(TFLVData(std::make_unique<TMemorySource>(std::vector<uint8_t>{'F', 'L'})).IsFLV);
}

TEST(FlvIndex, TimestampsKeepTheExtendedByte) {
  const TFLVData data = FlvBuilder().Video(0).Video(0x01000000).Index();
  EXPECT_EQ(data.LastVideoTimestamp, 0x01000000u);
}

TEST(FlvMetadata, TypedValuesAndKnownNames) {
  Bytes meta = MetaStart(0xFFFFFFFF);  // an absurd count is only a hint
  Number(Name(meta, "duration"), 2.5);
  Name(meta, "encoder").u8(2);
  Name(meta, "Lavf59");
  Name(meta, "stereo").u8(1).u8(1);
  Name(meta, "metadatadate").u8(11);
  Number(meta, 1e12).v.erase(meta.v.end() - 9);  // the date's double has no marker
  meta.be16(static_cast<uint16_t>(-60));
  Name(meta, "framerate").u8(2);
  Name(meta, "30");
  Number(Name(meta, "duration"), 3.5);  // the last of several wins
  meta.be24(9);
  const TFLVData data = FlvBuilder().Tag(18, 0, meta.v).Video(0).Index();
  ASSERT_TRUE(data.MetaData);
  EXPECT_TRUE(data.MetaDataError.empty()) << data.MetaDataError;
  ASSERT_EQ(data.MetaData->Items.size(), 6u);
  EXPECT_EQ(data.MetaData->FindItem(TFlvMetaName::duration)->GetAsInteger(), 4);  // 3.5 rounds to even
  EXPECT_EQ(data.MetaData->FindItem(TFlvMetaName::framerate)->GetAsInteger(), 30);
  const auto* date = dynamic_cast<const TFLVDataDate*>(data.MetaData->FindItem(TFlvMetaName::metadatadate));
  ASSERT_TRUE(date);
  EXPECT_EQ(date->Milliseconds, 1e12);
  EXPECT_EQ(date->TimeZone, -60);
  EXPECT_EQ(data.MetaData->FindItem(TFlvMetaName::width), nullptr);
}

Bytes KeyframesMeta(uint32_t declared_times, uint32_t positions) {
  Bytes meta = MetaStart(2);
  Name(meta, "keyframes").u8(3);
  Name(meta, "times").u8(10).be32(declared_times);
  for (uint32_t i = 0; i < std::min<uint32_t>(declared_times, 3); ++i) Number(meta, i * 2.0);
  Name(meta, "filepositions").u8(10).be32(positions);
  for (uint32_t i = 0; i < positions; ++i) Number(meta, 100.0 + 1000 * i);
  meta.be24(9);
  Number(Name(meta, "width"), 320);
  meta.be24(9);
  return meta;
}

TEST(FlvMetadata, KeyframeIndexIsParsed) {
  const TFLVData data = FlvBuilder().Tag(18, 0, KeyframesMeta(3, 3).v).Video(0).Index();
  ASSERT_TRUE(data.MetaData);
  EXPECT_TRUE(data.MetaDataError.empty()) << data.MetaDataError;
  const auto* k = dynamic_cast<const TFLVKeyFramesObjectData*>(data.MetaData->FindItem(TFlvMetaName::keyframes));
  ASSERT_TRUE(k);
  EXPECT_EQ(k->Count, 3u);
  EXPECT_EQ(k->Times, (std::vector<double>{0, 2, 4}));
  EXPECT_EQ(k->FilePositions, (std::vector<int64_t>{100, 1100, 2100}));
  EXPECT_EQ(data.MetaData->FindItem(TFlvMetaName::width)->GetAsInteger(), 320);  // read past the object
}

TEST(FlvMetadata, ArrayCountBeyondTheTagStopsTheScanWithoutAllocating) {
  const TFLVData data = FlvBuilder().Tag(18, 0, KeyframesMeta(0x7FFFFFFF, 0).v).Video(0, H263Header(6)).Index();
  ASSERT_TRUE(data.MetaData);
  EXPECT_NE(data.MetaDataError.find("longer than its tag"), std::string::npos) << data.MetaDataError;
  EXPECT_EQ(data.Width, 160);  // indexing went on at the next tag
  EXPECT_EQ(data.VideoFrameCount(), 1u);
}

TEST(FlvMetadata, DeepNestingIsRefused) {
  Bytes meta = MetaStart(1);
  for (int i = 0; i < 200; ++i) Name(meta, "a").u8(8).be32(1);
  const TFLVData data = FlvBuilder().Tag(18, 0, meta.v).Video(0).Index();
  EXPECT_NE(data.MetaDataError.find("nested deeper"), std::string::npos) << data.MetaDataError;
}

TEST(FlvMetadata, OtherScriptTagsAreNotMetadata) {
  Bytes cue;
  cue.u8(2);
  Name(cue, "onCuePoint").u8(8).be32(0).be24(9);
  const TFLVData data = FlvBuilder().Tag(18, 0, cue.v).Video(0).Index();
  EXPECT_FALSE(data.MetaData);
}

TEST(FlvIndex, PositionsBeyondFourGigabytes) {
  // A sparse file of 260 video tags of 16 MB each: only the tag headers take disk space.
  test::TempDir dir;
  const auto path = dir / "big.flv";
  {
    std::ofstream out(path, std::ios::binary);
    Bytes head;
    head.str("FLV").u8(1).u8(1).be32(9).be32(0);
    out.write(reinterpret_cast<const char*>(head.v.data()), std::streamsize(head.size()));
    uint64_t tag = head.size();
    for (uint32_t i = 0; i < 260; ++i) {
      Bytes h;
      h.u8(9).be24(0xFFFFFF).be24(i * 40).u8(0).be24(0).u8(0x22);
      out.seekp(static_cast<std::streamoff>(tag));
      out.write(reinterpret_cast<const char*>(h.v.data()), std::streamsize(h.size()));
      tag += 11 + 0xFFFFFF + 4;
    }
    out.seekp(static_cast<std::streamoff>(tag - 1));
    out.put(0);
    if (!out) GTEST_SKIP() << "no room for a sparse 4 GB file";
  }
  const TFLVData flv(path);
  ASSERT_EQ(flv.FrameCount, 260u);
  const TVFrame& last = flv.GetVideoFrame(259);
  EXPECT_EQ(last.Position, 13 + 259ull * (11 + 0xFFFFFF + 4) + 12);
  EXPECT_GT(last.Position, uint64_t{1} << 32);
  EXPECT_EQ(last.Size, 0xFFFFFE);
  EXPECT_EQ(last.FrameIndex, 259u);
  EXPECT_EQ(flv.FrameRate, 0x1900);
}

// ---- Real files ----

struct ProbeResult {
  std::string width, height, rate, frames;
};

ProbeResult ProbeVideo(const std::filesystem::path& file) {
  std::istringstream in(test::Capture("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                      "stream=width,height,r_frame_rate,nb_read_packets -of default=nw=1 " +
                                      file.string()));
  ProbeResult r;
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "width") r.width = value;
    if (key == "height") r.height = value;
    if (key == "r_frame_rate") r.rate = value;
    if (key == "nb_read_packets") r.frames = value;
  }
  return r;
}

size_t CountPackets(const std::filesystem::path& file, const char* stream, bool keyframes_only) {
  std::istringstream in(test::Capture(std::string("ffprobe -v error -select_streams ") + stream +
                                      " -show_entries packet=flags -of csv=p=0 " + file.string()));
  size_t n = 0;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && (!keyframes_only || line[0] == 'K')) ++n;
  return n;
}

double RateValue(const std::string& fraction) {
  const auto slash = fraction.find('/');
  return std::stod(fraction.substr(0, slash)) / std::stod(fraction.substr(slash + 1));
}

TEST(FlvRealFiles, SorensonAndMp3MatchFfprobe) {
  test::TempDir dir;
  const auto file = dir / "a.flv";
  FC_FFMPEG_OR_SKIP("-f lavfi -i testsrc=d=2:s=160x120:r=25 -f lavfi -i sine=d=2 -c:v flv1 -c:a libmp3lame", file);
  const TFLVData flv(file);
  const ProbeResult probe = ProbeVideo(file);
  EXPECT_EQ(flv.VideoCodecID, kFlvCodecSorenson);
  EXPECT_EQ(std::to_string(flv.Width), probe.width);
  EXPECT_EQ(std::to_string(flv.Height), probe.height);
  EXPECT_EQ(std::to_string(flv.FrameCount), probe.frames);
  EXPECT_NEAR(flv.FrameRateValue(), RateValue(probe.rate), 0.05);
  EXPECT_EQ(flv.AudioFrameCount(), CountPackets(file, "a:0", false));
  EXPECT_EQ(flv.SoundHeader->SoundFormat(), kFlvSoundMP3);
  EXPECT_EQ(flv.SoundHeader->MP3FrameHeader >> 21, 0x7FFu);  // an MPEG frame sync
  // Each payload follows its codec byte: a Sorenson picture starts with its start code.
  const auto payload = flv.ReadPayload(flv.GetVideoFrame(flv.VideoFrameCount() - 1));
  ASSERT_GE(payload.size(), 3u);
  EXPECT_EQ(payload[0], 0);
  EXPECT_EQ(payload[1], 0);
  EXPECT_EQ(payload[2] & 0x80, 0x80);
}

TEST(FlvRealFiles, H264AndAacMatchFfprobe) {
  test::TempDir dir;
  const auto file = dir / "b.flv";
  FC_FFMPEG_OR_SKIP("-f lavfi -i testsrc=d=2:s=320x240:r=30 -f lavfi -i sine=d=2 -c:v libx264 -c:a aac", file);
  const TFLVData flv(file);
  const ProbeResult probe = ProbeVideo(file);
  EXPECT_EQ(flv.VideoCodecID, kFlvCodecAVC);
  EXPECT_EQ(std::to_string(flv.Width), probe.width);  // from the metadata
  EXPECT_EQ(std::to_string(flv.Height), probe.height);
  // The decoder configuration and end-of-sequence tags are not frames.
  EXPECT_EQ(std::to_string(flv.FrameCount), probe.frames);
  EXPECT_NEAR(flv.FrameRateValue(), RateValue(probe.rate), 0.05);
  EXPECT_TRUE(flv.HasSound());
  EXPECT_EQ(flv.SoundHeader->SoundFormat(), kFlvSoundAAC);
  EXPECT_EQ(flv.AudioFrameCount(), 0u);  // AAC cannot be embedded
}

TEST(FlvRealFiles, KeyframeIndexWrittenByFlvmetaPointsAtVideoTags) {
  if (!test::HaveTool("flvmeta")) GTEST_SKIP() << "flvmeta is not installed";
  test::TempDir dir;
  const auto plain = dir / "plain.flv", indexed = dir / "indexed.flv";
  FC_FFMPEG_OR_SKIP("-f lavfi -i testsrc=d=4:s=160x120:r=25 -f lavfi -i sine=d=4 -g 25 -c:v flv1 -c:a libmp3lame",
                    plain);
  ASSERT_TRUE(test::Run("flvmeta -U " + plain.string() + " " + indexed.string()));
  const TFLVData flv(indexed);
  ASSERT_TRUE(flv.MetaData);
  EXPECT_TRUE(flv.MetaDataError.empty()) << flv.MetaDataError;
  const auto* k = dynamic_cast<const TFLVKeyFramesObjectData*>(flv.MetaData->FindItem(TFlvMetaName::keyframes));
  ASSERT_TRUE(k);
  EXPECT_EQ(k->Count, CountPackets(indexed, "v:0", true));
  ASSERT_EQ(k->FilePositions.size(), k->Count);
  ASSERT_EQ(k->Times.size(), k->Count);
  std::set<int64_t> tag_starts;
  for (const TVFrame& f : flv.VideoFrames) tag_starts.insert(static_cast<int64_t>(f.Position) - 12);
  for (const int64_t position : k->FilePositions) EXPECT_TRUE(tag_starts.count(position)) << position;
  EXPECT_EQ(flv.MetaData->FindItem(TFlvMetaName::width)->GetAsInteger(), 160);
  EXPECT_EQ(flv.FrameCount, 100u);
}

}  // namespace
}  // namespace fc

namespace fc {
namespace {

// h263_mp3.flv: two Sorenson frames at 10 fps and ten MP3 frames, made by ffmpeg.
TEST(FlvStoredFiles, SmallSorensonAndMp3File) {
  const TFLVData flv(std::filesystem::path(FLARECAST_TEST_DATA_DIR) / "readers/data/h263_mp3.flv");
  EXPECT_EQ(flv.VideoCodecID, kFlvCodecSorenson);
  EXPECT_EQ(flv.Width, 32);
  EXPECT_EQ(flv.Height, 24);
  EXPECT_EQ(flv.FrameCount, 2u);
  EXPECT_EQ(flv.FrameRate, 0x0A00);
  EXPECT_EQ(flv.AudioFrameCount(), 10u);
  ASSERT_TRUE(flv.MetaData);
  EXPECT_EQ(flv.MetaData->FindItem(TFlvMetaName::width)->GetAsInteger(), 32);
  EXPECT_EQ(flv.MetaData->Items.size(), 13u);
}

}  // namespace
}  // namespace fc
