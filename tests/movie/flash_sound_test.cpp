#include "movie/flash_sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <fstream>
#include <iterator>

#include "../readers/media_test_util.h"
#include "movie/flash_sprite.h"
#include "readers/wave_reader.h"
#include "movie_test_util.h"
#include "swf/buttons_sprites.h"
#include "swf/sounds_video.h"
#include "swf/streams.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using B = std::vector<uint8_t>;
using test::Codes;
using test::ReadBack;

void WriteFile(const fs::path& path, const B& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

B ReadFile(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return B((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A PCM WAV file of the given samples (8- or 16-bit, interleaved when stereo).
B PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const std::vector<int>& samples) {
  test::Bytes data;
  for (int s : samples) bits == 8 ? data.u8(static_cast<uint32_t>(s)) : data.le16(static_cast<uint32_t>(s));
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  test::Bytes b;
  b.str("RIFF").le32(36 + static_cast<uint32_t>(data.size())).str("WAVE");
  b.str("fmt ").le32(16).le16(1).le16(channels).le32(rate).le32(rate * align).le16(align).le16(bits);
  b.str("data").le32(static_cast<uint32_t>(data.size())).raw(data.v);
  return b.v;
}

// An MP3 file of `frames` MPEG 1 Layer III frames at 44.1 kHz, 128 kbit/s (417 bytes each,
// stereo); each frame's bytes after its header are its index, so that blocks show which
// frames they carry.
B SyntheticMp3(int frames) {
  B file;
  for (int i = 0; i < frames; ++i) {
    B frame(417, static_cast<uint8_t>(i + 1));
    frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = 0x00;
    file.insert(file.end(), frame.begin(), frame.end());
  }
  return file;
}

B Written(TSWFObject& tag) { return tag.ToBytes(); }

// Every tag the sound writes through the engine, as bytes.
B Stream(const std::function<void(TBitsEngine&)>& write) {
  B out;
  TBitsEngine be(&out);
  write(be);
  return out;
}

class FlashSoundTest : public ::testing::Test {
protected:
  test::TempDir dir;
  fs::path File(const std::string& name, const B& bytes) {
    const fs::path path = dir / name;
    WriteFile(path, bytes);
    return path;
  }
};

// --- Loading and settings ---

TEST_F(FlashSoundTest, LoadingTakesTheStreamParametersOfTheFile) {
  TFlashSound pcm(File("a.wav", PcmWave(2, 22050, 16, {1, 2, 3, 4, 5, 6})));
  EXPECT_EQ(pcm.Format, kSoundUncompressed);
  EXPECT_EQ(pcm.SampleRate, 22050u);
  EXPECT_EQ(pcm.RateCode, 2);
  EXPECT_TRUE(pcm.Is16Bit);
  EXPECT_TRUE(pcm.Stereo);
  EXPECT_EQ(pcm.DataOffset, 44u);
  EXPECT_EQ(pcm.DataSize, 12u);
  EXPECT_EQ(pcm.SampleCount, 3u);
  EXPECT_EQ(pcm.ADPCMBits(), 4);
  EXPECT_EQ(pcm.MinVersion(), 1);

  TFlashSound bytes(File("b.wav", PcmWave(1, 11025, 8, {128, 129})));
  EXPECT_EQ(bytes.RateCode, 1);
  EXPECT_FALSE(bytes.Is16Bit);
  EXPECT_FALSE(bytes.Stereo);

  TFlashSound mp3(File("c.mp3", SyntheticMp3(3)));
  EXPECT_EQ(mp3.Format, kSoundMP3);
  EXPECT_EQ(mp3.FrameSamples, 1152);
  EXPECT_EQ(mp3.RateCode, 3);
  EXPECT_TRUE(mp3.Is16Bit);
  EXPECT_EQ(mp3.MinVersion(), 4);

  // 48000 div 5000 = 9 names no rate code: it stays as it was.
  TFlashSound high(File("d.wav", PcmWave(1, 48000, 16, {0, 0})));
  EXPECT_EQ(high.RateCode, 0);

  TFlashSound missing(dir / "none.wav");
  EXPECT_TRUE(missing.IsEmpty());

  TFlashSound s;
  s.SetADPCMBits(1);
  EXPECT_EQ(s.ADPCMBits(), 0);
  s.SetADPCMBits(7);
  EXPECT_EQ(s.ADPCMBits(), 5);
  s.SetADPCMBits(3);
  EXPECT_EQ(s.ADPCMBits(), 3);
}

// --- Golden bytes ---

TEST_F(FlashSoundTest, StreamHeadsByFormatAndCodeSize) {
  TFlashSound pcm(File("a.wav", PcmWave(2, 44100, 16, {0, 0})));
  pcm.SetADPCMBits(0);
  TSWFSoundStreamHead2 head;
  pcm.SetupStreamHead(head, 30);
  EXPECT_EQ(pcm.SamplesPerFrame(), 1470u);
  // SoundStreamHead2 (45), 4 bytes: playback and stream 44 kHz 16-bit stereo, 1470 per frame.
  EXPECT_EQ(Written(head), (B{0x44, 0x0B, 0x0F, 0x0F, 0xBE, 0x05}));

  pcm.SetADPCMBits(4);  // PCM written as ADPCM
  pcm.SetupStreamHead(head, 30);
  EXPECT_EQ(Written(head), (B{0x44, 0x0B, 0x0F, 0x1F, 0xBE, 0x05}));

  TFlashSound mono8(File("b.wav", PcmWave(1, 11025, 8, {128})));
  mono8.SetADPCMBits(0);
  mono8.SetupStreamHead(head, 12);  // 918.75 samples: 918
  EXPECT_EQ(Written(head), (B{0x44, 0x0B, 0x04, 0x04, 0x96, 0x03}));

  TFlashSound mp3(File("c.mp3", SyntheticMp3(3)));
  mp3.SetADPCMBits(0);  // no bearing on MP3
  TSWFSoundStreamHead2 mp3_head;
  mp3.SetupStreamHead(mp3_head, 30);
  EXPECT_EQ(Written(mp3_head), (B{0x46, 0x0B, 0x0F, 0x2F, 0xBE, 0x05, 0x00, 0x00}));
}

TEST_F(FlashSoundTest, PcmBlocksCarryOneFrameEachAndTheLastIsPadded) {
  // 5512 Hz at 1378 frames per second: 4 samples a frame; 6 samples make two blocks.
  TFlashSound pcm(File("a.wav", PcmWave(1, 5512, 16, {1, 2, 3, 4, 5, 6})));
  pcm.SetADPCMBits(0);
  TSWFSoundStreamHead2 head;
  pcm.SetupStreamHead(head, 1378);
  ASSERT_EQ(pcm.SamplesPerFrame(), 4u);
  const B blocks = Stream([&](TBitsEngine& be) {
    for (int i = 0; i < 4; ++i) pcm.WriteStreamBlock(be);  // the third and fourth write nothing
  });
  EXPECT_EQ(blocks, (B{0xFF, 0x04, 8, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0,  //
                       0xFF, 0x04, 8, 0, 0, 0, 5, 0, 6, 0, 0, 0, 0, 0}));

  // Looping starts again from the beginning instead of ending.
  pcm.Loop = true;
  pcm.SetupStreamHead(head, 1378);
  const B looped = Stream([&](TBitsEngine& be) {
    for (int i = 0; i < 3; ++i) pcm.WriteStreamBlock(be);
  });
  EXPECT_EQ(B(looped.begin() + 28, looped.end()), (B{0xFF, 0x04, 8, 0, 0, 0, 3, 0, 4, 0, 5, 0, 6, 0}));
  EXPECT_EQ(B(looped.begin() + 20, looped.begin() + 24), (B{5, 0, 6, 0}));
  EXPECT_EQ(B(looped.begin() + 24, looped.begin() + 28), (B{1, 0, 2, 0}));
}

TEST_F(FlashSoundTest, AdpcmBlocksAndDefineSound) {
  // 2-bit codes: size code 0, first sample 256, index 0 (|263 - 256| = 7 = the first step),
  // then the codes 01, 00, 11 and two bits of padding.
  TFlashSound sound(File("a.wav", PcmWave(1, 5512, 16, {256, 263, 266, 262})));
  sound.SetADPCMBits(2);
  TSWFSoundStreamHead2 head;
  sound.SetupStreamHead(head, 1378);
  EXPECT_EQ(Written(head), (B{0x44, 0x0B, 0x02, 0x12, 0x04, 0x00}));
  const B block = Stream([&](TBitsEngine& be) { sound.WriteStreamBlock(be); });
  EXPECT_EQ(block, (B{0xFF, 0x04, 4, 0, 0, 0, 0x00, 0x40, 0x00, 0x4C}));

  // The event sound: DefineSound (14) with ID, format byte (ADPCM, 5.5 kHz, 16-bit, mono),
  // sample count and the same data.
  sound.SetID(7);
  const B define = Stream([&](TBitsEngine& be) { sound.WriteToStream(be); });
  EXPECT_EQ(define, (B{0x8B, 0x03, 7, 0, 0x12, 4, 0, 0, 0, 0x00, 0x40, 0x00, 0x4C}));

  sound.SetADPCMBits(0);  // kept uncompressed
  const B raw = Stream([&](TBitsEngine& be) { sound.WriteToStream(be); });
  EXPECT_EQ(raw, (B{0x8F, 0x03, 7, 0, 0x02, 4, 0, 0, 0, 0x00, 0x01, 0x07, 0x01, 0x0A, 0x01, 0x06, 0x01}));
}

TEST_F(FlashSoundTest, Mp3BlocksCarryTheFramesEachFrameNeedsAndNoneIsLost) {
  const B file = SyntheticMp3(6);
  TFlashSound mp3(File("a.mp3", file));
  TSWFSoundStreamHead2 head;
  mp3.SetupStreamHead(head, 30);  // 1470 samples a frame, MPEG frames of 1152
  const B out = Stream([&](TBitsEngine& be) {
    for (int i = 0; i < 6; ++i) mp3.WriteStreamBlock(be);  // the fifth and sixth write nothing
  });
  // Block by block: SampleCount, SeekSamples and the frames carried.
  struct Expected {
    uint16_t samples, seek;
    std::vector<int> frames;
  };
  const std::vector<Expected> expected = {{2304, 0, {0, 1}}, {1152, 318, {2}}, {1152, 636, {3}}, {2304, 954, {4, 5}}};
  size_t pos = 0;
  for (const Expected& e : expected) {
    ASSERT_LT(pos + 10, out.size());
    EXPECT_EQ(test::WordAt(out, pos), (19 << 6) | 0x3F);
    const uint32_t length = test::WordAt(out, pos + 2) | (test::WordAt(out, pos + 4) << 16);
    EXPECT_EQ(length, 4 + 417 * e.frames.size());
    EXPECT_EQ(test::WordAt(out, pos + 6), e.samples);
    EXPECT_EQ(test::WordAt(out, pos + 8), e.seek);
    B frames;
    for (int f : e.frames) frames.insert(frames.end(), file.begin() + f * 417, file.begin() + (f + 1) * 417);
    EXPECT_EQ(B(out.begin() + static_cast<long>(pos) + 10, out.begin() + static_cast<long>(pos) + 6 + length), frames);
    pos += 6 + length;
  }
  EXPECT_EQ(pos, out.size());  // the stream has ended: no block after the last frame
  EXPECT_EQ(mp3.StreamFrameCount(30), 5u);

  // The event sound copies the file's data unchanged, with the MP3 seek word.
  mp3.SetID(2);
  const B define = Stream([&](TBitsEngine& be) { mp3.WriteToStream(be); });
  ASSERT_EQ(define.size(), 6 + 9 + file.size());
  // Long header (2511 bytes), ID 2, MP3 44 kHz 16-bit stereo, 6896 samples, SeekSamples 0.
  EXPECT_EQ(B(define.begin(), define.begin() + 13),
            (B{0xBF, 0x03, 0xCF, 0x09, 0x00, 0x00, 2, 0, 0x2F, 0xF0, 0x1A, 0x00, 0x00}));
  EXPECT_EQ(B(define.begin() + 15, define.end()), file);
}

// --- Refused sounds ---

TEST_F(FlashSoundTest, RatesFlashCannotPlayAndFrameRatesWithoutSamplesAreRefused) {
  TFlashSound high(File("a.wav", PcmWave(1, 48000, 16, {0, 0})));
  TSWFSoundStreamHead2 head;
  try {
    high.SetupStreamHead(head, 12);
    ADD_FAILURE() << "a 48000 Hz sound was written";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("48000 Hz"), std::string::npos) << e.what();
  }
  EXPECT_THROW(Stream([&](TBitsEngine& be) { high.WriteToStream(be); }), Error);

  TFlashSound ok(File("b.wav", PcmWave(1, 44100, 16, {0, 0})));
  try {
    ok.SetupStreamHead(head, 0);
    ADD_FAILURE() << "frame rate 0 was taken";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("frame rate above 0"), std::string::npos) << e.what();
  }
  EXPECT_THROW(ok.SetupStreamHead(head, 0.5f), Error);  // 88200 samples a frame
  EXPECT_EQ(ok.StreamFrameCount(0), 0u);
  EXPECT_THROW(Stream([&](TBitsEngine& be) { ok.WriteStreamBlock(be); }), Error);  // no head yet

  TFlashSound wide(File("c.wav", PcmWave(1, 44100, 24, {})));
  EXPECT_THROW(wide.SetupStreamHead(head, 12), Error);
  TFlashSound missing(dir / "none.wav");
  EXPECT_THROW(Stream([&](TBitsEngine& be) { missing.WriteToStream(be); }), Error);
}

// --- In a movie ---

TEST_F(FlashSoundTest, MovieStreamSoundWritesAHeadAndABlockBeforeEachFrameFromItsStart) {
  // 5512 Hz at 250 frames per second: 22 samples a frame; 30 samples make two blocks.
  TFlashMovie movie(0, 0, 100, 100, 250);
  std::vector<int> samples(30);
  for (int i = 0; i < 30; ++i) samples[i] = i + 1;
  TFlashSound& sound = movie.AddStreamSound(File("a.wav", PcmWave(1, 5512, 16, samples)), 1);
  sound.SetADPCMBits(0);
  movie.ShowFrame(4);
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (std::vector<uint16_t>{45, 1, 19, 1, 19, 1, 1, 0}));
  EXPECT_EQ(movie.FrameCount, 4);
  // Written again, the stream starts over.
  auto again = ReadBack(movie);
  const B first = test::BodyOf(*again, 2);
  ASSERT_EQ(first.size(), 44u);
  EXPECT_EQ(B(first.begin(), first.begin() + 4), (B{1, 0, 2, 0}));

  // An empty stream sound writes nothing; a sprite's writes into the sprite.
  TFlashMovie quiet(0, 0, 100, 100, 12);
  quiet.SetStreamSound(std::make_unique<TFlashSound>());
  TFlashSprite* sprite = quiet.AddSprite();
  auto sprite_sound = std::make_unique<TFlashSound>(File("b.wav", PcmWave(1, 5512, 16, {1, 2})));
  sprite_sound->SetOwner(&quiet);
  sprite->SetStreamSound(std::move(sprite_sound));
  sprite->ShowFrame(2);
  quiet.ShowFrame();
  auto r = ReadBack(quiet);
  EXPECT_EQ(Codes(*r), (std::vector<uint16_t>{39, 1, 0}));
  auto& define = static_cast<TSWFDefineSprite&>(*r->TagList[0]->Object);
  EXPECT_EQ(Codes(define.Tags), (std::vector<uint16_t>{45, 19, 1, 1, 0}));
}

TEST_F(FlashSoundTest, EventSoundIsDefinedBeforeItsStart) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.ShowFrame();
  const fs::path file = File("a.wav", PcmWave(1, 22050, 16, {5, 6}));
  TSWFStartSound* start = movie.StartSound(movie.AddSound(file), 3);
  EXPECT_EQ(start->SoundID, 1);
  movie.ShowFrame();
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (std::vector<uint16_t>{1, 14, 15, 1, 0}));
  // StartSound: ID 1, loops flag, 3 loops.
  EXPECT_EQ(test::BodyOf(*reader, 2), (B{1, 0, 0x04, 3, 0}));
  // DefineSound: ID 1, ADPCM 22 kHz 16-bit mono, 2 samples, then the ADPCM data.
  const B define = test::BodyOf(*reader, 1);
  EXPECT_EQ(B(define.begin(), define.begin() + 7), (B{1, 0, 0x1A, 2, 0, 0, 0}));
  EXPECT_THROW(movie.StartSound(nullptr), Error);
}

// --- Against a real decoder: FFmpeg reads the movies' sound back ---

std::vector<int16_t> Samples(const B& raw) {
  std::vector<int16_t> s(raw.size() / 2);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
  return s;
}

double Energy(const std::vector<int16_t>& s, size_t n) {
  double e = 0;
  for (size_t i = 0; i < std::min(n, s.size()); ++i) e += double(s[i]) * s[i];
  return e;
}

class FlashSoundDecodedTest : public FlashSoundTest {
protected:
  void SetUp() override {
    if (!test::HaveTool("ffmpeg") || !test::HaveTool("ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
  }
  // The audio of a file as interleaved 16-bit stereo samples at the file's rate.
  std::vector<int16_t> Decode(const fs::path& file) {
    const fs::path raw = dir / (file.filename().string() + ".raw");
    EXPECT_TRUE(test::Run("ffmpeg -nostdin -y -loglevel error -i " + file.string() + " -f s16le -ac 2 " + raw.string()))
        << file;
    return Samples(ReadFile(raw));
  }
  std::string Probe(const fs::path& file, const std::string& entry) {
    std::string out = test::Capture("ffprobe -v error -count_frames -select_streams a:0 -show_entries stream=" + entry +
                                    " -of csv=p=0 " + file.string());
    while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
    return out;
  }
  // A stream-sound movie at 30 frames per second as long as the sound.
  fs::path StreamMovie(const fs::path& sound_file, int adpcm_bits, const std::string& name) {
    TFlashMovie movie(0, 0, 100, 100, 30);
    TFlashSound& sound = movie.AddStreamSound(sound_file);
    sound.SetADPCMBits(adpcm_bits);
    movie.ShowFrame(static_cast<int>(sound.StreamFrameCount(movie.GetFrameRate())));
    const fs::path out = dir / name;
    movie.Save(out);
    return out;
  }
};

TEST_F(FlashSoundDecodedTest, PcmAndAdpcmStreamsDecodeToTheSource) {
  const fs::path wav = dir / "tone.wav";
  FC_FFMPEG_OR_SKIP("-f lavfi -i sine=frequency=440:duration=1.01 -af volume=0.5 -ar 44100 -ac 2", wav);
  const std::vector<int16_t> source = Decode(wav);
  ASSERT_EQ(source.size(), 2u * 44541);

  // Uncompressed: the very samples, then the padding of the last block.
  const std::vector<int16_t> pcm = Decode(StreamMovie(wav, 0, "pcm.swf"));
  ASSERT_EQ(pcm.size(), 2u * 1470 * 31);  // 44541 samples fill 31 frames of 1470
  EXPECT_TRUE(std::equal(source.begin(), source.end(), pcm.begin()));

  // ADPCM: the same length, and the difference is far below the signal.
  for (int bits : {3, 5}) {
    const std::vector<int16_t> adpcm = Decode(StreamMovie(wav, bits, "adpcm" + std::to_string(bits) + ".swf"));
    ASSERT_EQ(adpcm.size(), pcm.size()) << bits;
    std::vector<int16_t> error(source.size());
    for (size_t i = 0; i < source.size(); ++i) error[i] = static_cast<int16_t>(adpcm[i] - source[i]);
    const double snr = 10 * std::log10(Energy(source, source.size()) / Energy(error, error.size()));
    EXPECT_GT(snr, bits == 3 ? 12 : 24) << bits;
  }
}

// Microsoft ADPCM is decoded ahead of the blocks; the stream ends when every sample is out,
// not when the file has been read, so the samples decoded last are not lost.
TEST_F(FlashSoundDecodedTest, MicrosoftAdpcmStreamAndEventSoundKeepEverySample) {
  const fs::path wav = dir / "ms.wav";
  FC_FFMPEG_OR_SKIP("-f lavfi -i sine=frequency=440:duration=1 -ar 22050 -ac 2 -c:a adpcm_ms", wav);
  const std::vector<int16_t> source = Decode(wav);
  ASSERT_FALSE(source.empty());
  const std::vector<int16_t> streamed = Decode(StreamMovie(wav, 0, "ms.swf"));  // its own 4-bit codes
  ASSERT_GE(streamed.size(), source.size());
  EXPECT_LT(streamed.size(), source.size() + 2 * 735);  // at most one frame of padding
  EXPECT_NEAR(Energy(streamed, source.size()) / Energy(source, source.size()), 1.0, 0.05);

  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.StartSound(movie.AddSound(wav));
  movie.ShowFrame();
  movie.Save(dir / "ms_event.swf");
  const std::vector<int16_t> event = Decode(dir / "ms_event.swf");
  ASSERT_EQ(event.size(), source.size());
  EXPECT_NEAR(Energy(event, event.size()) / Energy(source, source.size()), 1.0, 0.05);
}

TEST_F(FlashSoundDecodedTest, Mp3StreamCarriesEveryFrameOfTheSourceOnce) {
  const fs::path mp3 = dir / "tone.mp3";
  FC_FFMPEG_OR_SKIP("-f lavfi -i sine=frequency=440:duration=1.3 -ar 44100 -ac 2 -c:a libmp3lame -b:a 128k", mp3);
  const fs::path swf = StreamMovie(mp3, 4, "mp3.swf");
  const std::string frames = Probe(mp3, "nb_read_frames");
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(Probe(swf, "nb_read_frames"), frames);
  EXPECT_EQ(Probe(swf, "codec_name,sample_rate,channels"), "mp3,44100,2");

  const std::vector<int16_t> source = Decode(mp3), streamed = Decode(swf);
  ASSERT_FALSE(source.empty());
  // The same frames decode to the same sound (the decoder may drop the encoder's delay from
  // the file only, where its header says how long it is).
  EXPECT_NEAR(double(streamed.size()), double(source.size()), 2 * 2.0 * 1152);
  const double ratio = Energy(streamed, streamed.size()) / Energy(source, source.size());
  EXPECT_NEAR(ratio, 1.0, 0.05);
}

}  // namespace
}  // namespace fc
