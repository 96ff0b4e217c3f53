#include "swf/sounds_video.h"

#include <gtest/gtest.h>

#include "tag_test_util.h"

namespace fc {
namespace {

using test::As;
using test::Bytes;
using test::ExpectGolden;
using test::RawReason;
using test::ReadOne;

TEST(SoundTest, DefineSoundSeekSamplesOnlyForMP3) {
  TSWFDefineSound s;
  s.SoundID = 1;
  s.SoundFormat = kSoundMP3;
  s.SoundRate = 3;
  s.SoundSize = true;
  s.SoundType = true;
  s.SoundSampleCount = 0x480;
  s.Data = {0xAA, 0xBB};
  ExpectGolden(s, {0x8B, 0x03, 0x01, 0x00, 0x2F, 0x80, 0x04, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xBB});
  EXPECT_EQ(s.MinVersion(), 4);
  s.SoundFormat = kSoundADPCM;
  ExpectGolden(s, {0x89, 0x03, 0x01, 0x00, 0x1F, 0x80, 0x04, 0x00, 0x00, 0xAA, 0xBB});
  EXPECT_EQ(s.MinVersion(), 1);
}

TEST(SoundTest, StartSoundInfo) {
  TSWFStartSound s;
  s.SoundID = 1;
  s.HasEnvelope = true;  // no points: the flag is written as 0
  EXPECT_EQ(s.ToBytes(), (Bytes{0xC3, 0x03, 0x01, 0x00, 0x00}));
  s.SetLoopCount(3);
  s.HasEnvelope = true;
  s.Envelope = {{16, 0x8000, 0x4000}};
  ExpectGolden(s, {0xCE, 0x03, 0x01, 0x00, 0x0C, 0x03, 0x00, 0x01, 0x10, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x40});
  s.SetInPoint(1);
  s.SetOutPoint(2);
  s.SyncStop = true;
  const Bytes all = s.ToBytes();
  const auto read = ReadOne(all);
  auto& back = As<TSWFStartSound>(read);
  EXPECT_TRUE(back.SyncStop && back.HasInPoint && back.HasOutPoint);
  EXPECT_EQ(back.OutPoint, 2u);
}

TEST(SoundTest, EnvelopeCountNeverWraps) {
  TSWFStartSound s;
  s.HasEnvelope = true;
  s.Envelope.resize(256);
  EXPECT_THROW(s.ToBytes(), Error);
  s.Envelope.resize(255);
  EXPECT_EQ(As<TSWFStartSound>(ReadOne(s.ToBytes())).Envelope.size(), 255u);
}

TEST(SoundTest, StartSound2ByClassName) {
  TSWFStartSound2 s;
  s.SoundClassName = "S";
  ExpectGolden(s, {0x43, 0x16, 'S', 0x00, 0x00});
  EXPECT_EQ(s.MinVersion(), 9);
}

TEST(SoundTest, StreamHeadAndBlocks) {
  TSWFSoundStreamHead h;
  h.PlaybackSoundRate = 3;
  h.PlaybackSoundSize = h.PlaybackSoundType = true;
  h.StreamSoundCompression = kSoundMP3;
  h.StreamSoundRate = 3;
  h.StreamSoundSize = h.StreamSoundType = true;
  h.StreamSoundSampleCount = 0x240;
  ExpectGolden(h, {0x86, 0x04, 0x0F, 0x2F, 0x40, 0x02, 0x00, 0x00});
  // A head cut before LatencySeek reads and writes back as it was.
  auto short_head = ReadOne({0x84, 0x04, 0x0F, 0x2F, 0x40, 0x02});
  EXPECT_EQ(short_head->ToBytes(), (Bytes{0x84, 0x04, 0x0F, 0x2F, 0x40, 0x02}));

  TSWFSoundStreamHead2 h2;
  h2.StreamSoundCompression = kSoundNellymoser;
  EXPECT_EQ(h2.MinVersion(), 6);
  h2.StreamSoundCompression = kSoundADPCM;
  EXPECT_EQ(h2.MinVersion(), 3);

  // The block's MP3 fields come from the head read before it.
  const Bytes file = {0x86, 0x04, 0x0F, 0x2F, 0x40, 0x02, 0x00, 0x00, 0xFF, 0x04, 0x06, 0x00,
                      0x00, 0x00, 0x40, 0x02, 0x00, 0x00, 0xFF, 0xFB, 0x00, 0x00};
  TBitsEngine be(file);
  TSWFObjectList tags = ReadTagList(be, {}, true);
  ASSERT_EQ(tags.size(), 3u);
  auto& block = As<TSWFSoundStreamBlock>(tags[1]);
  EXPECT_EQ(block.SampleCount, 0x240);
  EXPECT_EQ(block.Data, (Bytes{0xFF, 0xFB}));
  Bytes written;
  TBitsEngine out(&written);
  for (auto& t : tags) t->WriteToStream(out);
  EXPECT_EQ(written, file);
  // Without a head the same block is all data.
  TBitsEngine alone(std::span<const uint8_t>(file).subspan(8));
  EXPECT_EQ(As<TSWFSoundStreamBlock>(ReadTagList(alone, {}, true)[0]).Data.size(), 6u);
}

TEST(VideoTest, StreamAndFrame) {
  TSWFDefineVideoStream v;
  v.CharacterID = 1;
  v.NumFrames = 25;
  v.Width = 64;
  v.Height = 48;
  v.VideoFlagsDeblocking = 4;
  ExpectGolden(v, {0x3F, 0x0F, 0x0A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x19, 0x00, 0x40, 0x00, 0x30, 0x00, 0x08, 0x02});
  EXPECT_EQ(v.MinVersion(), 6);
  v.CodecID = kVideoScreen;
  EXPECT_EQ(v.MinVersion(), 7);

  TSWFVideoFrame f;
  f.StreamID = 1;
  f.Data = {0x11, 0x22};
  ExpectGolden(f, {0x46, 0x0F, 0x01, 0x00, 0x00, 0x00, 0x11, 0x22});
}

TEST(VideoTest, ShortHeaderOfAnotherToolKept) {
  const Bytes video = {0x0A, 0x0F, 0x01, 0x00, 0x02, 0x00, 0x40, 0x00, 0x30, 0x00, 0x00, 0x02};
  auto obj = ReadOne(video);
  EXPECT_EQ(As<TSWFDefineVideoStream>(obj).Width, 64);
  EXPECT_EQ(obj->ToBytes(), video);
  EXPECT_EQ(obj->Clone()->ToBytes(), video);
}

TEST(VideoTest, DataWriteEventStreamsThePayload) {
  TSWFVideoFrame f;
  f.FrameNum = 2;
  f.OnDataWrite = [](TSWFDataObject&, TBitsEngine& be) { be.WriteByte(0x33); };
  EXPECT_EQ(f.ToBytes(), (Bytes{0x45, 0x0F, 0x00, 0x00, 0x02, 0x00, 0x33}));
}

}  // namespace
}  // namespace fc
