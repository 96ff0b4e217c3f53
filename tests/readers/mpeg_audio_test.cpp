#include "readers/mpeg_audio.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "media_test_util.h"
#include "readers/wave_reader.h"

namespace fc {
namespace {

using test::Bytes;

// MPEG 1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo, no padding: 417 bytes.
constexpr uint8_t kHeader128[4] = {0xFF, 0xFB, 0x90, 0x44};
// MPEG 2.5 Layer III, 8 kbit/s, 8 kHz, mono: 72 bytes.
constexpr uint8_t kHeaderTiny[4] = {0xFF, 0xE3, 0x18, 0xC0};

void Frame(Bytes& b, const uint8_t* header, size_t length, const char* tag = nullptr, size_t tag_at = 36) {
  const size_t start = b.size();
  b.v.insert(b.v.end(), header, header + 4);
  b.zeros(length - 4);
  for (size_t i = start + 4; i < b.size(); ++i) b.v[i] = static_cast<uint8_t>(i * 7 + 1);  // not a tag
  if (tag) std::memcpy(&b.v[start + tag_at], tag, 4);
}

TEST(MpegFrameHeader, FrameLengthWithAndWithoutPadding) {
  TMPEGFrameData f;
  const uint8_t padded[4] = {0xFF, 0xFB, 0x92, 0x00};
  f.Decode(padded);
  EXPECT_EQ(f.FrameLength(), 418u);
  f.Decode(kHeader128);
  EXPECT_EQ(f.FrameLength(), 417u);
  EXPECT_EQ(f.SampleRate(), 44100u);
  EXPECT_EQ(f.BitRate(), 128u);
  EXPECT_EQ(f.SamplesPerFrame(), 1152u);
  f.Decode(kHeaderTiny);
  EXPECT_EQ(f.FrameLength(), 72u);
  EXPECT_EQ(f.SamplesPerFrame(), 576u);
  EXPECT_TRUE(f.Mono());
}

TEST(MpegFrameHeader, ValidityTest) {
  EXPECT_TRUE(IsValidFrameHeader(kHeader128));
  const uint8_t reserved_version[4] = {0xFF, 0xEB, 0x90, 0x44};
  const uint8_t free_bitrate[4] = {0xFF, 0xFB, 0x00 | 0x04, 0x44};
  const uint8_t bad_bitrate[4] = {0xFF, 0xFB, 0xF0, 0x44};
  const uint8_t bad_rate[4] = {0xFF, 0xFB, 0x9C, 0x44};
  const uint8_t bad_emphasis[4] = {0xFF, 0xFB, 0x90, 0x46};
  for (const uint8_t* h : {reserved_version, free_bitrate, bad_bitrate, bad_rate, bad_emphasis})
    EXPECT_FALSE(IsValidFrameHeader(h));
}

TEST(MpegAudio, Id3TagsAreSkippedAndExcludedFromTheData) {
  Bytes b;
  b.str("ID3").u8(3).u8(0).u8(0).u8(0).u8(0).u8(990 >> 7).u8(990 & 127).zeros(990);  // 1000 bytes in all
  for (int i = 0; i < 5; ++i) Frame(b, kHeader128, 417);
  b.str("TAG").zeros(125);
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".mp3");
  ASSERT_TRUE(mp3.MPEG);
  EXPECT_EQ(mp3.MPEG->ID3v2.Size, 1000u);
  EXPECT_EQ(mp3.MPEG->Frame.Position, 0u);
  EXPECT_EQ(mp3.FormatTag, kWaveFormatMP3File);
  EXPECT_EQ(mp3.DataOffset, 1000u);
  EXPECT_EQ(mp3.DataSize, 5u * 417);
  EXPECT_EQ(mp3.FrameCount, 5u);
  EXPECT_EQ(mp3.Channels, 2);
  EXPECT_EQ(mp3.SamplesPerFrame, 1152);
  EXPECT_EQ(mp3.MPEG->FrameList[1].Position, 1000u + 417);
}

TEST(MpegAudio, XingFrameIsIndexedButNotAudio) {
  Bytes b;
  Frame(b, kHeader128, 417, "Xing");
  b.v[36 + 7] = 0x0F;  // flags
  b.v[36 + 8] = 0, b.v[36 + 9] = 0, b.v[36 + 10] = 0, b.v[36 + 11] = 3;  // frames
  for (int i = 0; i < 3; ++i) Frame(b, kHeader128, 417);
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".MP3");
  ASSERT_EQ(mp3.MPEG->FrameList.size(), 4u);
  EXPECT_TRUE(mp3.MPEG->VBR.Found);
  EXPECT_EQ(mp3.MPEG->VBR.ID, "Xing");
  EXPECT_EQ(mp3.MPEG->VBR.Frames, 3u);
  EXPECT_FALSE(mp3.MPEG->FrameList[0].IsAudio);
  EXPECT_EQ(mp3.MPEG->AudioFrameCount(), 3u);

  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EXPECT_EQ(mp3.WriteMP3Frames(engine, 0, false, 2), 3u);  // frames 1 and 2; the Xing frame is skipped
  ASSERT_EQ(out.size(), 2u * 417);
  EXPECT_EQ(0, std::memcmp(out.data(), &b.v[417], 2 * 417));
}

TEST(MpegAudio, InfoTagOfAMonoFrameIsFoundAfterItsShorterSideInfo) {
  Bytes b;
  const uint8_t mono[4] = {0xFF, 0xFB, 0x90, 0xC4};
  Frame(b, mono, 417, "Info", 21);
  Frame(b, mono, 417);
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".mp3");
  ASSERT_EQ(mp3.MPEG->FrameList.size(), 2u);
  EXPECT_FALSE(mp3.MPEG->FrameList[0].IsAudio);
  EXPECT_EQ(mp3.Channels, 1);
}

TEST(MpegAudio, WritingLoopsOrPadsWithSilence) {
  Bytes b;
  for (int i = 0; i < 3; ++i) Frame(b, kHeader128, 417);
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".mp3");
  std::vector<uint8_t> looped;
  TBitsEngine loop_engine(&looped);
  EXPECT_EQ(mp3.WriteMP3Frames(loop_engine, 2, true, 3), 2u);  // frames 2, 0, 1
  ASSERT_EQ(looped.size(), 3u * 417);
  EXPECT_EQ(0, std::memcmp(looped.data(), &b.v[2 * 417], 417));
  EXPECT_EQ(0, std::memcmp(&looped[417], b.v.data(), 2 * 417));

  std::vector<uint8_t> padded;
  TBitsEngine pad_engine(&padded);
  EXPECT_EQ(mp3.WriteMP3Frames(pad_engine, 2, false, 3), 3u);
  ASSERT_EQ(padded.size(), 3u * 417);
  EXPECT_TRUE(std::all_of(padded.begin() + 417, padded.end(), [](uint8_t x) { return x == 0; }));
}

TEST(MpegAudio, LoopingWithoutAudioFramesEndsWithSilence) {
  Bytes b;
  Frame(b, kHeader128, 417, "Info");
  Frame(b, kHeader128, 417, "LAME");
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".mp3");
  ASSERT_EQ(mp3.MPEG->AudioFrameCount(), 0u);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  mp3.WriteMP3Frames(engine, 0, true, 4);
  EXPECT_EQ(out.size(), 4u * 417);
}

TEST(MpegAudio, FrameCutByTheEndOfTheFileIsCompletedWithZeros) {
  Bytes b;
  Frame(b, kHeader128, 417);
  Frame(b, kHeader128, 417);
  b.v.resize(417 + 200);
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".mp3");
  ASSERT_EQ(mp3.MPEG->FrameList.size(), 2u);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  mp3.WriteMP3Frames(engine, 1, false, 1);
  ASSERT_EQ(out.size(), 417u);
  EXPECT_EQ(out[199], b.v[417 + 199]);
  EXPECT_EQ(out[200], 0);
}

TEST(MpegAudio, LongFilesCountBeyond65535Frames) {
  Bytes b;
  b.v.reserve(70000 * 72);
  for (int i = 0; i < 70000; ++i) Frame(b, kHeaderTiny, 72);
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".mp3");
  EXPECT_EQ(mp3.FrameCount, 70000u);
  EXPECT_EQ(mp3.SampleRate, 8000u);
  EXPECT_NEAR(mp3.Duration, 70000 * 576 / 8000.0, 1.0);
}

TEST(MpegAudio, NoFrameLeavesZeroFields) {
  std::vector<uint8_t> junk(5000, 0x11);
  TWaveReader mp3(std::make_unique<TMemorySource>(junk), ".mp3");
  EXPECT_EQ(mp3.FormatTag, 0);
  EXPECT_EQ(mp3.Duration, 0);
  std::vector<uint8_t> out;
  TBitsEngine engine(&out);
  EXPECT_THROW(mp3.WriteMP3Frames(engine, 0, true, 1), Error);
}

TEST(MpegAudio, FrameFoundHalfwayWhenTheStartIsJunk) {
  Bytes b;
  b.zeros(10000);
  for (int i = 0; i < 20; ++i) Frame(b, kHeader128, 417);
  TWaveReader mp3(std::make_unique<TMemorySource>(b.v), ".mp3");
  ASSERT_TRUE(mp3.MPEG->Frame.Found);
  EXPECT_EQ(mp3.DataOffset, 10000u);
}

TEST(MpegAudioRealFiles, FramesMatchFfprobe) {
  test::TempDir dir;
  const auto file = dir / "s.mp3";
  FC_FFMPEG_OR_SKIP("-f lavfi -i sine=d=3:r=22050 -ac 2 -c:a libmp3lame -b:a 96k", file);
  const TWaveReader mp3(file);
  EXPECT_EQ(mp3.FormatTag, kWaveFormatMP3File);
  EXPECT_EQ(mp3.SampleRate, 22050u);
  EXPECT_EQ(mp3.Channels, 2);
  EXPECT_EQ(mp3.SamplesPerFrame, 576);
  const std::string packets = test::Capture("ffprobe -v error -count_packets -show_entries stream=nb_read_packets "
                                            "-of csv=p=0 " + file.string());
  EXPECT_EQ(std::to_string(mp3.MPEG->AudioFrameCount()), packets.substr(0, packets.find('\n')));
  EXPECT_NEAR(mp3.Duration, 3.0, 0.1);
}

}  // namespace
}  // namespace fc

namespace fc {
namespace {

// tiny.mp3 (made by ffmpeg with LAME, 8 kHz mono at 8 kbit/s): its Info frame is three times
// the size of the audio frames that follow.
TEST(MpegAudioStoredFiles, CountFromTheIndexIsNotCappedByTheFirstFrameSize) {
  const TWaveReader mp3(std::filesystem::path(FLARECAST_TEST_DATA_DIR) / "readers/data/tiny.mp3");
  ASSERT_EQ(mp3.FormatTag, kWaveFormatMP3File);
  EXPECT_EQ(mp3.FrameSize, 216);
  EXPECT_EQ(mp3.FrameCount, 6u);
  EXPECT_EQ(mp3.MPEG->AudioFrameCount(), 5u);
  EXPECT_EQ(mp3.SampleRate, 8000u);
  EXPECT_EQ(mp3.DataOffset, 45u);
  EXPECT_EQ(mp3.DataSize, 576u);
}

}  // namespace
}  // namespace fc
