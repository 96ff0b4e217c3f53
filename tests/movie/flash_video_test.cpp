// Video embedded frame by frame: the definition, the per-frame sequence (sound, VideoFrame,
// placement) as golden bytes, the sound of each codec an embedded video carries, and the
// refusals. Real files made by ffmpeg are checked with ffprobe.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../readers/media_test_util.h"
#include "core/error.h"
#include "movie/flash_sprite.h"
#include "movie/flash_video.h"
#include "movie_test_util.h"
#include "readers/flv_reader.h"
#include "swf/buttons_sprites.h"
#include "swf/placements.h"
#include "swf/sounds_video.h"
#include "swf/tag_codes.h"

namespace fc {
namespace {

using test::Bytes;

// A small FLV in memory: video and audio tags with the payloads given.
struct Flv {
  Bytes b;
  explicit Flv(uint8_t flags = 0x05) { b.str("FLV").u8(1).u8(flags).be32(9).be32(0); }
  Flv& Tag(uint8_t type, uint32_t timestamp, const std::vector<uint8_t>& data) {
    b.u8(type).be24(static_cast<uint32_t>(data.size())).be24(timestamp).u8(0).be24(0).raw(data);
    b.be32(static_cast<uint32_t>(data.size() + 11));
    return *this;
  }
  // A Sorenson frame whose picture-size code 5 gives 320x240; `mark` ends it.
  Flv& Video(uint32_t timestamp, uint8_t mark, uint8_t codec_byte = 0x22) {
    return Tag(9, timestamp, {codec_byte, 0x00, 0x00, 0x84, 0x02, 0x80, mark});
  }
  Flv& Audio(uint32_t timestamp, uint8_t flags, std::vector<uint8_t> payload) {
    payload.insert(payload.begin(), flags);
    return Tag(8, timestamp, payload);
  }
  std::unique_ptr<TFLVData> Data() const { return std::make_unique<TFLVData>(std::make_unique<TMemorySource>(b.v)); }
  void Save(const std::filesystem::path& file) const {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(b.v.data()), b.v.size());
  }
};

// An MPEG-1 Layer III frame header at 44.1 kHz (1152 samples), then a marker byte.
std::vector<uint8_t> Mp3Frame(uint8_t mark) { return {0xFF, 0xFB, 0x90, 0x64, mark}; }

std::unique_ptr<TFlashMovie> Movie(float rate = 25) { return std::make_unique<TFlashMovie>(0, 0, 320, 240, rate); }

TFlashVideo* AddVideo(TFlashMovie& movie, const Flv& flv) { return movie.AddVideo(std::make_unique<TFlashVideo>(flv.Data())); }

// The written movie's tags, frame by frame: each frame's tag codes (ShowFrame left out).
struct TWritten {
  std::unique_ptr<TSWFStreamReader> reader;
  std::vector<std::vector<size_t>> frames;  // indexes into the reader's tags
  std::vector<uint8_t> Body(size_t tag) { return test::BodyOf(*reader, tag); }
  uint16_t Code(size_t tag) const { return reader->TagList[tag]->TagID; }
  template <typename T>
  T* As(size_t tag) const {
    return dynamic_cast<T*>(reader->TagList[tag]->Object);
  }
  // The tags of a code in one frame.
  std::vector<size_t> Find(size_t frame, TSWFTagCode code) const {
    std::vector<size_t> found;
    for (size_t t : frames.at(frame))
      if (Code(t) == TagNumber(code)) found.push_back(t);
    return found;
  }
};

TWritten Write(TFlashMovie& movie) {
  TWritten w;
  w.reader = test::ReadBack(movie);
  w.frames.emplace_back();
  for (size_t i = 0; i < w.reader->TagList.size(); ++i) {
    const uint16_t code = w.reader->TagList[i]->TagID;
    if (code == TagNumber(TSWFTagCode::ShowFrame)) w.frames.emplace_back();
    else if (code != TagNumber(TSWFTagCode::End)) w.frames.back().push_back(i);
  }
  w.frames.pop_back();  // after the last ShowFrame: only the End tag
  return w;
}

TWritten WriteWithSound(const Flv& flv, int frames) {
  auto movie = Movie();
  movie->PlaceVideo(AddVideo(*movie, flv), 1)->EnableSound(true);
  movie->ShowFrame(frames);
  return Write(*movie);
}

Flv ThreeFrames() { return std::move(Flv().Video(0, 0xA0, 0x12).Video(40, 0xA1).Video(80, 0xA2)); }

TEST(FlashVideo, DefinitionAndVersionByCodec) {
  auto movie = Movie();
  TFlashVideo* video = AddVideo(*movie, ThreeFrames());
  EXPECT_EQ(video->GetID(), 1);
  EXPECT_EQ(video->Width(), 320);
  EXPECT_EQ(video->Height(), 240);
  std::vector<uint8_t> out;
  TBitsEngine be(&out);
  video->WriteToStream(be);
  // DefineVideoStream (60), long header: ID 1, 3 frames, 320x240, flags 0, Sorenson H.263.
  EXPECT_EQ(out, (std::vector<uint8_t>{0x3F, 0x0F, 10, 0, 0, 0, 1, 0, 3, 0, 0x40, 0x01, 0xF0, 0x00, 0, 2}));
  EXPECT_EQ(video->MinVersion(), 6);
  EXPECT_EQ(TFlashVideo(Flv().Tag(9, 0, {0x13, 0x00, 0x20, 0x00, 0x18}).Data()).MinVersion(), 7);
  EXPECT_EQ(TFlashVideo(Flv().Tag(9, 0, {0x14, 0, 0, 0, 15, 20}).Data()).MinVersion(), 8);
  EXPECT_EQ(TFlashVideo(Flv().Tag(9, 0, {0x16, 0x00, 0x20, 0x00, 0x18}).Data()).MinVersion(), 8);
}

// A player movie's video object: no FLV, no frames, placed once under a name for script.
TEST(FlashVideo, AScriptVideoIsAnEmptyStreamPlacedUnderItsName) {
  auto movie = Movie();
  TFlashScriptVideo* video = movie->AddScriptVideo(320, 240);
  movie->PlaceObject(video, 1)->SetName("vid");
  movie->ShowFrame();
  movie->ShowFrame();
  TWritten w = Write(*movie);
  ASSERT_EQ(w.frames.size(), 2u);
  const std::vector<size_t> defines = w.Find(0, TSWFTagCode::DefineVideoStream);
  ASSERT_EQ(defines.size(), 1u);
  // ID 1, 0 frames, 320x240, smoothing, Sorenson H.263.
  EXPECT_EQ(w.Body(defines[0]), (std::vector<uint8_t>{1, 0, 0, 0, 0x40, 0x01, 0xF0, 0x00, 1, 2}));
  const std::vector<size_t> places = w.Find(0, TSWFTagCode::PlaceObject2);
  ASSERT_EQ(places.size(), 1u);
  EXPECT_EQ(w.As<TSWFPlaceObject2>(places[0])->Name, "vid");
  EXPECT_EQ(w.As<TSWFPlaceObject2>(places[0])->CharacterID, 1);
  // Nothing is written per frame: no VideoFrame, no second placement.
  EXPECT_TRUE(w.Find(0, TSWFTagCode::VideoFrame).empty());
  EXPECT_TRUE(w.frames[1].empty());
  EXPECT_THROW(movie->AddScriptVideo(0, 240), Error);
}

TEST(FlashVideo, EachFrameWritesItsVideoFrameThenThePlacementGolden) {
  auto movie = Movie();
  TFlashVideo* video = AddVideo(*movie, ThreeFrames());
  movie->PlaceVideo(video, 1);
  movie->ShowFrame(2);
  TWritten w = Write(*movie);
  ASSERT_EQ(w.frames.size(), 2u);
  ASSERT_EQ(w.frames[0].size(), 3u);  // definition, VideoFrame, placement
  // VideoFrame (61), long header: stream 1, frame 0, the FLV payload after its codec byte.
  EXPECT_EQ(w.reader->TagList[w.frames[0][1]]->TagID, TagNumber(TSWFTagCode::VideoFrame));
  EXPECT_EQ(w.Body(w.frames[0][1]), (std::vector<uint8_t>{1, 0, 0, 0, 0x00, 0x00, 0x84, 0x02, 0x80, 0xA0}));
  // PlaceObject2: character 1 at depth 1 with ratio 0, then a move with ratio 1.
  EXPECT_EQ(w.Body(w.frames[0][2]), (std::vector<uint8_t>{0x12, 1, 0, 1, 0, 0, 0}));
  ASSERT_EQ(w.frames[1].size(), 2u);
  EXPECT_EQ(w.Body(w.frames[1][0]), (std::vector<uint8_t>{1, 0, 1, 0, 0x00, 0x00, 0x84, 0x02, 0x80, 0xA1}));
  EXPECT_EQ(w.Body(w.frames[1][1]), (std::vector<uint8_t>{0x13, 1, 0, 1, 0, 1, 0}));
}

// Video frames shown at each timeline frame: -1 when the video wrote nothing there.
std::vector<int> Shown(TWritten& w) {
  std::vector<int> shown;
  for (size_t f = 0; f < w.frames.size(); ++f) {
    const auto frames = w.Find(f, TSWFTagCode::VideoFrame);
    const auto places = w.Find(f, TSWFTagCode::PlaceObject2);
    if (frames.empty()) {
      EXPECT_TRUE(places.empty()) << "frame " << f;
      shown.push_back(-1);
      continue;
    }
    const int v = w.As<TSWFVideoFrame>(frames[0])->FrameNum;
    const auto* place = w.As<TSWFPlaceObject2>(places.at(0));
    EXPECT_EQ(place->Ratio, v) << "frame " << f;
    EXPECT_EQ(place->Move, shown.empty() || shown.back() != -1) << "frame " << f;
    shown.push_back(v);
  }
  return shown;
}

TEST(FlashVideo, PlacedAtFrameTenOfSeventeenLoopsOrStops) {
  for (const bool loop : {true, false}) {
    auto movie = Movie();
    TFlashVideo* video = AddVideo(*movie, ThreeFrames());
    movie->ShowFrame(10);
    TFlashPlaceVideo* placed = movie->PlaceVideo(video, 3);
    EXPECT_EQ(placed->StartFrame, 10);
    placed->Loop = loop;
    movie->ShowFrame(7);
    TWritten w = Write(*movie);
    ASSERT_EQ(w.frames.size(), 17u);
    std::vector<int> expected(10, -1);
    for (int v : loop ? std::vector<int>{0, 1, 2, 0, 1, 2, 0} : std::vector<int>{0, 1, 2, -1, -1, -1, -1})
      expected.push_back(v);
    EXPECT_EQ(Shown(w), expected) << "loop " << loop;
  }
}

TEST(FlashVideo, AnFlvWithoutVideoFramesPlacesNothing) {
  for (const bool loop : {true, false}) {
    auto movie = Movie();
    TFlashVideo* video = AddVideo(*movie, Flv().Tag(18, 0, {}));
    EXPECT_EQ(video->FrameCount(), 0);
    movie->PlaceVideo(video, 1)->Loop = loop;
    movie->ShowFrame(4);
    TWritten w = Write(*movie);
    EXPECT_EQ(Shown(w), std::vector<int>(4, -1));
  }
}

TEST(FlashVideo, CallbacksSeeTheFrameAndMayReplaceIt) {
  auto movie = Movie();
  TFlashVideo* video = AddVideo(*movie, ThreeFrames());
  movie->ShowFrame(1);
  TFlashPlaceVideo* placed = movie->PlaceVideo(video, 2);
  placed->OnPlaceFrame = [](const TFlashVideoFrameInfo& info, TFlashPlaceObject& place) {
    place.SetName("v" + std::to_string(info.VideoFrame));
  };
  movie->ShowFrame(2);
  TWritten w = Write(*movie);
  EXPECT_EQ(w.As<TSWFPlaceObject2>(w.Find(2, TSWFTagCode::PlaceObject2).at(0))->Name, "v1");

  std::vector<int> seen;
  placed->OnWriteFrame = [&](const TFlashVideoFrameInfo& info) {
    EXPECT_EQ(info.VideoID, video->GetID());
    EXPECT_EQ(info.Depth, 2);
    seen.push_back(info.Frame * 10 + info.VideoFrame);
  };
  TWritten replaced = Write(*movie);
  EXPECT_EQ(seen, (std::vector<int>{0, 11}));
  EXPECT_TRUE(replaced.Find(1, TSWFTagCode::VideoFrame).empty());
}

TEST(FlashVideo, VP6LosesItsFirstByteAndScreenVideoKeepsItsFrameByte) {
  auto movie = Movie();
  TFlashVideo* vp6 = AddVideo(*movie, Flv().Tag(9, 0, {0x14, 0x00, 0, 0, 15, 20}));
  TFlashVideo* screen = AddVideo(*movie, Flv().Tag(9, 0, {0x13, 0x00, 0x20, 0x00, 0x18}).Tag(9, 40, {0x23, 0x55}));
  movie->PlaceVideo(vp6, 1);
  movie->PlaceVideo(screen, 2);
  movie->ShowFrame(2);
  TWritten w = Write(*movie);
  const auto frames0 = w.Find(0, TSWFTagCode::VideoFrame);
  ASSERT_EQ(frames0.size(), 2u);
  EXPECT_EQ(w.Body(frames0[0]), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 15, 20}));
  EXPECT_EQ(w.Body(frames0[1]), (std::vector<uint8_t>{2, 0, 0, 0, 0x13, 0x00, 0x20, 0x00, 0x18}));
  // An inter frame keeps its own frame type, not the first frame's.
  EXPECT_EQ(w.Body(w.Find(1, TSWFTagCode::VideoFrame).at(1)), (std::vector<uint8_t>{2, 0, 1, 0, 0x23, 0x55}));
}

// ---- Sound ----

TEST(FlashVideoSound, Mp3BlocksFollowTheFrameRateAndKeepTheLastFrames) {
  // 44.1 kHz at 30 fps: 1470 samples a frame, MPEG frames of 1152.
  Flv flv;
  for (int i = 0; i < 4; ++i) flv.Video(i * 33, 0xB0);
  for (uint8_t i = 0; i < 9; ++i) flv.Audio(i * 26, 0x2E, Mp3Frame(i));
  auto movie = Movie(30);
  TFlashVideo* video = AddVideo(*movie, flv);
  TFlashPlaceVideo* placed = movie->PlaceVideo(video, 1);
  placed->EnableSound(true);
  ASSERT_TRUE(placed->SoundEnabled());
  movie->ShowFrame(4);
  TWritten w = Write(*movie);
  EXPECT_EQ(placed->SamplesPerFrame(), 1470u);
  EXPECT_EQ(placed->FrameSamples(), 1152u);
  // The head (SoundStreamHead, 18) comes first in the video's first frame.
  const auto heads = w.Find(0, TSWFTagCode::SoundStreamHead);
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(w.Body(heads[0]), (std::vector<uint8_t>{0x0E, 0x2E, 0xBE, 0x05, 0x3E, 0x01}));  // 1470, seek 318
  std::vector<std::pair<int, int>> blocks;
  std::vector<uint8_t> marks;
  for (size_t f = 0; f < 4; ++f) {
    const auto found = w.Find(f, TSWFTagCode::SoundStreamBlock);
    ASSERT_EQ(found.size(), 1u);
    ASSERT_LT(found[0], w.Find(f, TSWFTagCode::VideoFrame).at(0));  // block, then VideoFrame
    const auto body = w.Body(found[0]);
    blocks.emplace_back(test::WordAt(body, 0), test::WordAt(body, 2));
    for (size_t i = 4; i + 4 < body.size(); i += 5) marks.push_back(body[i + 4]);
  }
  // The Part's sequence for the first three; the video's last frame takes all 9 - 4 left,
  // where the plain rule would have written 2 and dropped the rest.
  EXPECT_EQ(blocks[0], std::make_pair(2304, 0));
  EXPECT_EQ(blocks[1], std::make_pair(1152, 318));
  EXPECT_EQ(blocks[2], std::make_pair(1152, 636));
  EXPECT_EQ(blocks[3], std::make_pair(5 * 1152, 954));
  EXPECT_EQ(marks, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(FlashVideoSound, AnMp3TailLongerThanABlockCountsIsNotWrapped) {
  // One video frame and 80 MPEG frames: the last (and first) frame takes what 16 bits count.
  Flv flv;
  flv.Video(0, 0xB0);
  for (uint8_t i = 0; i < 80; ++i) flv.Audio(i * 26, 0x2E, Mp3Frame(i));
  TWritten w = WriteWithSound(flv, 1);
  const auto body = w.Body(w.Find(0, TSWFTagCode::SoundStreamBlock).at(0));
  EXPECT_EQ(test::WordAt(body, 0), 56 * 1152);
  EXPECT_EQ(body.size(), 4u + 56 * 5);
}

TEST(FlashVideoSound, NellymoserBlocksGoByVideoFrameAndTheTailJoinsTheLast) {
  Flv flv;
  flv.Audio(0, 0x6A, {1}).Video(0, 0xB0).Audio(10, 0x6A, {2}).Audio(20, 0x6A, {3}).Video(40, 0xB1);
  flv.Audio(50, 0x6A, {4}).Audio(60, 0x6A, {5});  // after the last video frame
  TWritten w = WriteWithSound(flv, 3);
  std::vector<std::vector<uint8_t>> bodies;
  for (size_t f = 0; f < 3; ++f)
    for (size_t t : w.Find(f, TSWFTagCode::SoundStreamBlock)) bodies.push_back(w.Body(t));
  // Frame 2 shows video frame 0 again: the sound has ended.
  EXPECT_EQ(bodies, (std::vector<std::vector<uint8_t>>{{1}, {2, 3, 4, 5}}));
  EXPECT_EQ(w.Body(w.Find(0, TSWFTagCode::SoundStreamHead).at(0)), (std::vector<uint8_t>{0x0A, 0x6A, 0x72, 0x03}));
}

TEST(FlashVideoSound, PcmBlocksCarryExactlyOneFrameOfSamplesAcrossTags) {
  // 5512 Hz mono 16-bit at 25 fps: 220 samples (440 bytes) a frame from tags of 300 bytes.
  Flv flv;
  for (int i = 0; i < 3; ++i) flv.Video(i * 40, 0xB0);
  std::vector<uint8_t> all;
  for (int t = 0; t < 4; ++t) {
    std::vector<uint8_t> payload(300);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(t * 300 + i);
    all.insert(all.end(), payload.begin(), payload.end());
    flv.Audio(t * 30, 0x32, payload);
  }
  TWritten w = WriteWithSound(flv, 3);
  std::vector<uint8_t> joined;
  std::vector<size_t> sizes;
  for (size_t f = 0; f < 3; ++f) {
    const auto body = w.Body(w.Find(f, TSWFTagCode::SoundStreamBlock).at(0));
    sizes.push_back(body.size());
    joined.insert(joined.end(), body.begin(), body.end());
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{440, 440, 320}));  // the last frame takes the rest
  EXPECT_EQ(joined, all);
}

TEST(FlashVideoSound, AdpcmBlocksAreWholeTagsWrittenWhenTheSoundIsBehind) {
  // 11025 Hz mono at 25 fps: 441 samples a frame. A tag of 2-bit code size 2 (4-bit codes),
  // one packet header of 22 bits and 1024 codes holds 1025 samples in 515 bytes.
  Flv flv;
  for (int i = 0; i < 6; ++i) flv.Video(i * 40, 0xB0);
  for (uint8_t t = 0; t < 3; ++t) {
    std::vector<uint8_t> payload(515, t);
    payload[0] = 0x80;  // code size 2
    flv.Audio(t * 90, 0x16, payload);
  }
  TWritten w = WriteWithSound(flv, 6);
  std::vector<int> block_frames;
  for (size_t f = 0; f < 6; ++f)
    if (!w.Find(f, TSWFTagCode::SoundStreamBlock).empty()) block_frames.push_back(static_cast<int>(f));
  // 1025 samples cover frames 0 and 1 (882), 2050 frames 2 and 3 (1764), 3075 the rest.
  EXPECT_EQ(block_frames, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(w.Body(w.Find(2, TSWFTagCode::SoundStreamBlock).at(0)).size(), 515u);
}

TEST(FlashVideoSound, OneSoundSourcePerTimeline) {
  Flv flv;
  flv.Video(0, 0xB0).Audio(0, 0x2E, Mp3Frame(0));
  auto movie = Movie();
  TFlashVideo* video = AddVideo(*movie, flv);
  struct TSilence : TFlashFrameWriter {
    void WriteFrame(TBitsEngine&, int) override {}
  };
  movie->SetStreamSound(std::make_unique<TSilence>());
  TFlashPlaceVideo* first = movie->PlaceVideo(video, 1);
  TFlashPlaceVideo* second = movie->PlaceVideo(video, 2);
  first->EnableSound(true);
  EXPECT_EQ(movie->StreamSound(), nullptr);
  second->EnableSound(true);
  EXPECT_FALSE(first->SoundEnabled());
  EXPECT_TRUE(second->SoundEnabled());

  TFlashSprite* sprite = movie->AddSprite();
  TFlashPlaceVideo* inside = sprite->PlaceVideo(video, 1);
  inside->EnableSound(true);
  EXPECT_TRUE(second->SoundEnabled());  // another timeline
  // Video without sound stays silent.
  TFlashPlaceVideo* mute = movie->PlaceVideo(AddVideo(*movie, ThreeFrames()), 3);
  mute->EnableSound(true);
  EXPECT_FALSE(mute->SoundEnabled());
  EXPECT_TRUE(second->SoundEnabled());
}

TEST(FlashVideoSound, AVideoInASpriteWritesItsFramesInTheSprite) {
  auto movie = Movie();
  TFlashVideo* video = AddVideo(*movie, ThreeFrames());
  TFlashSprite* sprite = movie->AddSprite();
  sprite->ShowFrame(1);
  TFlashPlaceVideo* placed = sprite->PlaceVideo(video, 1);
  EXPECT_EQ(placed->StartFrame, 1);
  sprite->ShowFrame(3);
  movie->PlaceObject(sprite, 1);
  movie->ShowFrame();
  TWritten w = Write(*movie);
  auto* define = w.As<TSWFDefineSprite>(w.frames[0].at(1));
  ASSERT_NE(define, nullptr);
  std::vector<int> shown;
  for (const auto& tag : define->Tags)
    if (auto* frame = dynamic_cast<TSWFVideoFrame*>(tag.get())) shown.push_back(frame->FrameNum);
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
}

// ---- Refusals ----

TEST(FlashVideoErrors, WhatAnSwfCannotCarryIsRefusedClearly) {
  // H.264 video.
  try {
    TFlashVideo video(Flv().Tag(9, 0, {0x17, 1, 0, 0, 0, 0x65}).Data());
    FAIL() << "H.264 was embedded";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("H.264"), std::string::npos) << e.what();
  }
  EXPECT_THROW(TFlashVideo(std::make_unique<TFLVData>(std::make_unique<TMemorySource>(std::vector<uint8_t>(20, 7)))),
               FormatError);
  // AAC sound: refused when asked for, the video alone is fine.
  Flv aac;
  aac.Video(0, 0xB0).Audio(0, 0xAF, {1, 2, 3});
  auto movie = Movie();
  TFlashPlaceVideo* placed = movie->PlaceVideo(AddVideo(*movie, aac), 1);
  try {
    placed->EnableSound(true);
    FAIL() << "AAC was enabled";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("AAC"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(placed->SoundEnabled());
}

TEST(FlashVideoErrors, MoreThan65535FramesOrIDsAreErrorsNotWrappedCounts) {
  Flv big;
  for (uint32_t i = 0; i < 65536; ++i) big.Tag(9, i, {0x22, 0});
  try {
    TFlashVideo video(big.Data());
    FAIL() << "65536 frames were embedded";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos) << e.what();
  }
  test::TempDir dir;
  ThreeFrames().Save(dir / "v.flv");
  auto movie = Movie();
  EXPECT_EQ(movie->AddVideo(dir / "v.flv")->GetID(), 1);
  movie->NextID = kMaxCharacterID + 1;
  EXPECT_THROW(movie->AddVideo(dir / "v.flv"), Error);
  EXPECT_EQ(movie->Videos.size(), 1u);
}

TEST(FlashVideoErrors, AFrameRateOfZeroIsAnErrorNotADivision) {
  Flv flv;
  flv.Video(0, 0xB0).Audio(0, 0x2E, Mp3Frame(0));
  auto movie = Movie(0);
  movie->PlaceVideo(AddVideo(*movie, flv), 1)->EnableSound(true);
  movie->ShowFrame();
  try {
    movie->WriteBody();
    FAIL() << "a frame rate of 0 streamed sound";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("frame rate of 0"), std::string::npos) << e.what();
  }
}

// ---- Real files ----

int CountFrames(const std::filesystem::path& file, const std::string& stream) {
  const std::string out = test::Capture("ffprobe -v error -count_frames -select_streams " + stream +
                                        " -show_entries stream=nb_read_frames -of csv=p=0 " + file.string());
  return out.empty() ? -1 : std::stoi(out);
}

TEST(FlashVideoRealFiles, FfprobeFindsEveryVideoAndMp3FrameOfTheFlv) {
  test::TempDir dir;
  for (const char* rate : {"22050", "44100"}) {
    const auto flv = dir / (std::string("v") + rate + ".flv");
    FC_FFMPEG_OR_SKIP(std::string("-f lavfi -i testsrc=d=2:s=160x120:r=25 -f lavfi -i sine=d=2:r=") + rate +
                          " -c:v flv1 -c:a libmp3lame -ar " + rate,
                      flv);
    auto movie = Movie();
    TFlashVideo* video = movie->AddVideo(flv);
    movie->PlaceVideo(video, 1)->EnableSound(true);
    movie->ShowFrame(video->FrameCount());
    const auto swf = dir / "v.swf";
    movie->Save(swf);
    EXPECT_EQ(CountFrames(swf, "v:0"), CountFrames(flv, "v:0")) << rate;
    EXPECT_EQ(CountFrames(swf, "a:0"), CountFrames(flv, "a:0")) << rate;
    EXPECT_EQ(CountFrames(swf, "v:0"), 50) << rate;
  }
}

TEST(FlashVideoRealFiles, EverySampleOfEachEmbeddableSoundArrives) {
  // Decoded by ffmpeg from the FLV and from the SWF: the same number of samples.
  test::TempDir dir;
  for (const char* codec : {"libmp3lame", "nellymoser", "adpcm_swf", "pcm_s16le"}) {
    const auto flv = dir / (std::string(codec) + ".flv");
    FC_FFMPEG_OR_SKIP(std::string("-f lavfi -i testsrc=d=2:s=96x64:r=20 -f lavfi -i sine=d=2:r=22050 -c:v flv1 -c:a ") +
                          codec,
                      flv);
    auto movie = Movie(20);
    TFlashVideo* video = movie->AddVideo(flv);
    movie->PlaceVideo(video, 1)->EnableSound(true);
    movie->ShowFrame(video->FrameCount());
    const auto swf = dir / (std::string(codec) + ".swf");
    movie->Save(swf);
    auto samples = [](const std::filesystem::path& file) {
      return test::Capture("ffmpeg -nostdin -v error -i " + file.string() + " -map 0:a -f s16le -ac 1 - | wc -c");
    };
    EXPECT_EQ(samples(swf), samples(flv)) << codec;
    EXPECT_NE(samples(swf), "0\n") << codec;
  }
}

}  // namespace
}  // namespace fc
