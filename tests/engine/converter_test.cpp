#include "engine/converter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/decoder.h"
#include "engine/formats.h"
#include "media_fixture.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

struct Result {
  TEndReason reason = TEndReason::Failed;
  int progress_calls = 0;
  int last_hundredths = -1;
  bool went_back = false;
  std::vector<int> pieces_started;
};

// Converts `input` with `params` and waits for the end.
Result Convert(const std::string& input, const std::string& output, const TEncodeParams& params,
               double start = 0, double duration = 0, int64_t split_ms = 0, bool copy = false) {
  TDecodeOptions options;
  options.Copy = copy;
  auto video = std::make_shared<TVideoDecoder>(input, options);
  auto audio = std::make_shared<TAudioDecoder>(input, options);
  TConverter converter(video, audio);
  converter.SetOutputFile(output);
  converter.SetEncodeParams(params);
  if (split_ms > 0) converter.SetSplit(kSplitByLength, split_ms);
  Result r;
  converter.Start(start, duration, 0, [&](TConverterMessage m, int32_t value, const TProgressInfo* info) {
    if (m == TConverterMessage::Progress) {
      EXPECT_NE(info, nullptr);
      ++r.progress_calls;
      if (value < r.last_hundredths) r.went_back = true;
      r.last_hundredths = value;
    } else if (m == TConverterMessage::PieceStarted) {
      r.pieces_started.push_back(value);
    } else if (m == TConverterMessage::End) {
      r.reason = static_cast<TEndReason>(value);
      EXPECT_EQ(info, nullptr);
    }
    return true;
  });
  converter.Wait();
  EXPECT_FALSE(converter.Running());
  EXPECT_EQ(converter.LastError(), "") << output;
  return r;
}

// Starts the conversion and waits for its end: the reason it ended.
TEndReason RunToEnd(TConverter& converter) {
  TEndReason reason = TEndReason::Success;
  converter.Start(0, 0, 0, [&](TConverterMessage m, int32_t v, const TProgressInfo*) {
    if (m == TConverterMessage::End) reason = static_cast<TEndReason>(v);
    return true;
  });
  converter.Wait();
  return reason;
}

std::string CodecName(const std::string& encoder) {
  const AVCodec* c = avcodec_find_encoder_by_name(encoder.c_str());
  return c ? avcodec_get_name(c->id) : "?";
}

double Rate(const std::string& fraction) {
  const auto slash = fraction.find('/');
  if (slash == std::string::npos) return std::atof(fraction.c_str());
  const double den = std::atof(fraction.c_str() + slash + 1);
  return den != 0 ? std::atof(fraction.c_str()) / den : 0;
}

// One output of the format list: a container with one of its video and one of its audio codecs.
struct FormatCase {
  TFourCC container;
  const TCodecEntry* video;
  const TCodecEntry* audio;
};

std::vector<FormatCase> EveryCodecOfTheFormatList() {
  std::vector<FormatCase> cases;
  for (const TContainerFormat& f : SupportedFormats()) {
    const TCodecEntry* first_video = f.Video.empty() ? nullptr : &f.Video.front();
    for (const TCodecEntry& a : f.Audio) cases.push_back({f.FourCC, first_video, &a});
    for (size_t i = 1; i < f.Video.size(); ++i) cases.push_back({f.FourCC, &f.Video[i], &f.Audio.front()});
  }
  return cases;
}

class FormatListConversion : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatListConversion, WritesTheCodecsSizeRateAndDuration) {
  FC_REQUIRE_FFMPEG();
  const FormatCase& c = GetParam();
  const TContainerFormat& container = *FindContainer(c.container);
  TEncodeParams p;
  p.ContainerFourCC = c.container;
  p.VideoFourCC = c.video ? c.video->FourCC : 0;
  p.AudioFourCC = c.audio->FourCC;
  p.Width = 176;
  p.Height = 144;
  p.FrameRate = 15;
  p.VideoBitrate = 300'000;
  p.SampleRate = 22050;
  p.Channels = 2;
  p.AudioBitrate = 64'000;
  const std::string out = (test::MediaDir() / ("out_" + FourCCToString(c.container) + "_" +
                                               (c.video ? FourCCToString(c.video->FourCC) : "none") + "_" +
                                               FourCCToString(c.audio->FourCC) + container.Extension))
                              .string();
  const Result r = Convert(test::StandardClip(), out, p);
  ASSERT_EQ(r.reason, TEndReason::Success);
  EXPECT_GT(r.progress_calls, 0);
  EXPECT_FALSE(r.went_back);
  EXPECT_EQ(r.last_hundredths, 10000);

  const test::Probe probe = test::ProbeFile(out);
  const auto* a = probe.Stream("audio");
  ASSERT_NE(a, nullptr) << out;
  EXPECT_EQ(a->at("codec_name"), CodecName(c.audio->Encoder));
  // Opus always decodes at 48 kHz; the others keep the rate asked for (22050 Hz).
  const int want_rate = c.audio->FourCC == MakeFourCC("OPUS") ? 48000 : 22050;
  EXPECT_EQ(std::atoi(a->at("sample_rate").c_str()), want_rate);
  EXPECT_EQ(std::atoi(a->at("channels").c_str()), 2);
  const auto* v = probe.Stream("video");
  if (!c.video) {
    EXPECT_EQ(v, nullptr);
    EXPECT_NEAR(probe.Duration(), 3.0, 0.1);
    return;
  }
  ASSERT_NE(v, nullptr) << out;
  EXPECT_EQ(v->at("codec_name"), CodecName(c.video->Encoder));
  EXPECT_EQ(v->at("width"), "176");
  EXPECT_EQ(v->at("height"), "144");
  const double fps = 15.0;
  const double probed_fps = Rate(v->at("avg_frame_rate")) > 0 ? Rate(v->at("avg_frame_rate")) : Rate(v->at("r_frame_rate"));
  EXPECT_NEAR(probed_fps, fps, 0.05);
  // The whole clip within one frame (plus the sound codec's last frame, where the container
  // reports only the longer stream).
  const double d = v->count("duration") && v->at("duration") != "N/A" ? std::atof(v->at("duration").c_str())
                                                                         : probe.Duration();
  if (d > 0) {
    EXPECT_NEAR(d, 3.0, 1.0 / fps + 0.07) << out;
  }
}

std::string CaseName(const testing::TestParamInfo<FormatCase>& info) {
  std::string name = FourCCToString(info.param.container) + "_" +
                     (info.param.video ? FourCCToString(info.param.video->FourCC) : "") + "_" +
                     FourCCToString(info.param.audio->FourCC);
  std::string clean;
  for (const char ch : name)
    if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '_') clean += ch;
  return clean;
}

INSTANTIATE_TEST_SUITE_P(Engine, FormatListConversion, testing::ValuesIn(EveryCodecOfTheFormatList()), CaseName);

TEST(ConverterTest, FlvPassesFlvmetaAndCarriesTheKeyframeIndex) {
  FC_REQUIRE_FFMPEG();
  if (!test::HaveTool("flvmeta")) GTEST_SKIP() << "flvmeta is not installed";
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  p.Width = 320;
  p.Height = 240;
  const std::string out = (test::MediaDir() / "check.flv").string();
  ASSERT_EQ(Convert(test::StandardClip(), out, p).reason, TEndReason::Success);
  int code = -1;
  const std::string check = test::Capture("flvmeta --check \"" + out + "\"", &code);
  EXPECT_EQ(code, 0) << check;
  EXPECT_NE(check.find("0 error(s)"), std::string::npos) << check;
  const std::string dump = test::Capture("flvmeta --dump --json \"" + out + "\"");
  EXPECT_NE(dump.find("\"keyframes\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"filepositions\""), std::string::npos);
  EXPECT_NE(dump.find("\"duration\""), std::string::npos);
  EXPECT_NE(dump.find("\"videocodecid\":2"), std::string::npos) << dump;   // Sorenson H.263
  EXPECT_NE(dump.find("\"audiocodecid\":2"), std::string::npos) << dump;   // MP3
}

TEST(ConverterTest, FlashAudioSnapsTo44100) {
  FC_REQUIRE_FFMPEG();
  const std::string src = test::MakeMedia("tone48k.mp4", "testsrc2=size=160x120:rate=10:duration=1",
                                          "sine=frequency=440:sample_rate=48000:duration=1",
                                          "-c:v mpeg4 -c:a aac");
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;  // sample rate 0: the source's 48 kHz, which MP3 in FLV cannot carry
  const std::string out = (test::MediaDir() / "snap.flv").string();
  ASSERT_EQ(Convert(src, out, p).reason, TEndReason::Success);
  const test::Probe probe = test::ProbeFile(out);
  const auto* a = probe.Stream("audio");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->at("sample_rate"), "44100");
}

TEST(ConverterTest, ConvertsTheRequestedRangeOnly) {
  FC_REQUIRE_FFMPEG();
  TEncodeParams p;
  p.ContainerFourCC = MakeFourCC("mp4");
  const std::string out = (test::MediaDir() / "range.mp4").string();
  ASSERT_EQ(Convert(test::StandardClip(), out, p, 1.0, 1.2).reason, TEndReason::Success);
  const test::Probe probe = test::ProbeFile(out);
  ASSERT_NE(probe.Stream("video"), nullptr);
  EXPECT_EQ(probe.Stream("video")->at("nb_frames"), "30");  // 1.2 s at 25 fps
  EXPECT_NEAR(probe.Duration(), 1.2, 0.05);
}

TEST(ConverterTest, SplitsATenSecondClipIntoFourSecondPieces) {
  FC_REQUIRE_FFMPEG();
  const std::string src = test::MakeMedia("ten.mp4", "testsrc2=size=160x120:rate=25:duration=10",
                                          "sine=frequency=440:sample_rate=22050:duration=10",
                                          "-c:v libx264 -preset ultrafast -c:a aac");
  auto video = std::make_shared<TVideoDecoder>(src);
  auto audio = std::make_shared<TAudioDecoder>(src);
  TConverter converter(video, audio);
  const std::string out = (test::MediaDir() / "piece.flv").string();
  converter.SetOutputFile(out);
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  converter.SetEncodeParams(p);
  converter.SetSplit(kSplitByLength, 4000);
  std::vector<int> started, finished;
  converter.Start(0, 0, 0, [&](TConverterMessage m, int32_t v, const TProgressInfo*) {
    if (m == TConverterMessage::PieceStarted) started.push_back(v);
    if (m == TConverterMessage::PieceFinished) finished.push_back(v);
    return true;
  });
  converter.Wait();
  const std::vector<std::string> targets = converter.TargetFiles();
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(started, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(finished, (std::vector<int>{1, 2, 3}));
  const double want[] = {4, 4, 2};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(fs::path(targets[i]).filename(), "piece_" + std::to_string(i + 1) + ".flv");
    const test::Probe probe = test::ProbeFile(targets[i]);
    EXPECT_NEAR(probe.Duration(), want[i], 0.08) << targets[i];
  }
  EXPECT_FALSE(fs::exists(out));
}

// After the last picture the sound goes on alone; a split point in that stretch falls inside a
// sound packet, and the job must still get past it.
TEST(ConverterTest, SplitsTheSoundThatOutlastsThePictures) {
  FC_REQUIRE_FFMPEG();
  const std::string src = test::MakeMedia("short_pictures.mkv", "testsrc2=size=160x120:rate=10:duration=1",
                                          "sine=frequency=440:sample_rate=22050:duration=3",
                                          "-c:v mpeg4 -c:a pcm_s16le");
  TConverter converter(std::make_shared<TVideoDecoder>(src), std::make_shared<TAudioDecoder>(src));
  converter.SetOutputFile((test::MediaDir() / "tail.flv").string());
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  converter.SetEncodeParams(p);
  converter.SetSplit(kSplitByLength, 2000);
  std::mutex m;
  std::condition_variable cv;
  bool ended = false;
  TEndReason reason = TEndReason::Failed;
  converter.Start(0, 0, 0, [&](TConverterMessage msg, int32_t v, const TProgressInfo*) {
    std::lock_guard lock(m);
    if (msg == TConverterMessage::End) {
      ended = true;
      reason = static_cast<TEndReason>(v);
      cv.notify_all();
    }
    return true;
  });
  bool finished = false;
  {
    std::unique_lock lock(m);
    finished = cv.wait_for(lock, std::chrono::seconds(60), [&] { return ended; });
  }
  if (!finished) converter.Stop();  // a hang fails the test instead of the whole run
  converter.Wait();
  ASSERT_TRUE(finished) << "the conversion did not end";
  EXPECT_EQ(reason, TEndReason::Success);
  const std::vector<std::string> targets = converter.TargetFiles();
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_NEAR(test::ProbeFile(targets[0]).Duration(), 2.0, 0.1);
  EXPECT_NEAR(test::ProbeFile(targets[1]).Duration(), 1.0, 0.1);
}

TEST(ConverterTest, StreamCopyKeepsTheCodecs) {
  FC_REQUIRE_FFMPEG();
  TEncodeParams p;
  p.ContainerFourCC = kFourCCCopy;
  const std::string out = (test::MediaDir() / "copy.mkv").string();
  ASSERT_EQ(Convert(test::StandardClip(), out, p, 0, 0, 0, true).reason, TEndReason::Success);
  const test::Probe probe = test::ProbeFile(out);
  ASSERT_NE(probe.Stream("video"), nullptr);
  EXPECT_EQ(probe.Stream("video")->at("codec_name"), "h264");
  EXPECT_EQ(probe.Stream("audio")->at("codec_name"), "aac");
  EXPECT_NEAR(probe.Duration(), 3.0, 0.05);
}

TEST(ConverterTest, CopyNeedsDecodersInCopyMode) {
  FC_REQUIRE_FFMPEG();
  TEncodeParams p;
  p.ContainerFourCC = kFourCCCopy;
  const std::string out = (test::MediaDir() / "nocopy.mkv").string();
  auto video = std::make_shared<TVideoDecoder>(test::StandardClip());
  TConverter converter(video, nullptr);
  converter.SetOutputFile(out);
  converter.SetEncodeParams(p);
  EXPECT_EQ(RunToEnd(converter), TEndReason::Failed);
  EXPECT_NE(converter.LastError().find("copy mode"), std::string::npos);
  EXPECT_FALSE(fs::exists(out));
}

TEST(ConverterTest, RefusesToStartWithoutAUsableSetup) {
  FC_REQUIRE_FFMPEG();
  auto video = std::make_shared<TVideoDecoder>(test::StandardClip());
  TConverter converter(video, nullptr);
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  converter.SetEncodeParams(p);
  EXPECT_THROW(converter.Start(0, 0, 0, nullptr), MediaError);  // no output file
  converter.SetOutputFile((test::MediaDir() / "x.flv").string());
  p.ContainerFourCC = MakeFourCC("zzzz");
  converter.SetEncodeParams(p);
  EXPECT_THROW(converter.Start(0, 0, 0, nullptr), MediaError);
  p.ContainerFourCC = kFourCCFlv;
  p.VideoFourCC = MakeFourCC("VP80");  // not carried by FLV
  converter.SetEncodeParams(p);
  EXPECT_THROW(converter.Start(0, 0, 0, nullptr), MediaError);
  EXPECT_FALSE(converter.Running());
}

TEST(ConverterTest, FrameRateZeroFallsBackToTheSource) {
  FC_REQUIRE_FFMPEG();
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  p.FrameRate = 0;
  auto video = std::make_shared<TVideoDecoder>(test::StandardClip());
  TConverter converter(video, nullptr);
  converter.SetOutputFile((test::MediaDir() / "rate0.flv").string());
  converter.SetEncodeParams(p);
  converter.SetSplit(kSplitByLength, 1000);
  converter.Start(0, 0, 0, nullptr);
  converter.Wait();
  EXPECT_DOUBLE_EQ(converter.EncodeParams().FrameRate, 25.0);
  EXPECT_EQ(converter.TargetFiles().size(), 3u);
}

TEST(ConverterTest, UnwritableOutputEndsWithAWriteFailure) {
  FC_REQUIRE_FFMPEG();
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  const Result r = [&] {
    auto video = std::make_shared<TVideoDecoder>(test::StandardClip());
    TConverter converter(video, nullptr);
    converter.SetOutputFile("/nonexistent-folder/out.flv");
    converter.SetEncodeParams(p);
    Result res;
    converter.Start(0, 0, 0, [&](TConverterMessage m, int32_t v, const TProgressInfo*) {
      if (m == TConverterMessage::End) res.reason = static_cast<TEndReason>(v);
      return true;
    });
    converter.Wait();
    EXPECT_NE(converter.LastError().find("/nonexistent-folder/out.flv"), std::string::npos) << converter.LastError();
    EXPECT_TRUE(converter.TargetFiles().empty());
    return res;
  }();
  EXPECT_EQ(r.reason, TEndReason::WriteFailed);
}

TEST(ConverterTest, StopLeavesNoFileAndAnExistingFileUntouched) {
  FC_REQUIRE_FFMPEG();
  const std::string out = (test::MediaDir() / "kept.flv").string();
  std::ofstream(out) << "older file";
  auto video = std::make_shared<TVideoDecoder>(test::StandardClip());
  auto audio = std::make_shared<TAudioDecoder>(test::StandardClip());
  TConverter converter(video, audio);
  converter.SetOutputFile(out);
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  converter.SetEncodeParams(p);
  TEndReason reason = TEndReason::Success;
  converter.Start(0, 0, 0, [&](TConverterMessage m, int32_t v, const TProgressInfo*) {
    if (m == TConverterMessage::End) reason = static_cast<TEndReason>(v);
    return m != TConverterMessage::Progress;  // "stop" at the first progress
  });
  converter.Wait();
  EXPECT_EQ(reason, TEndReason::Cancelled);
  EXPECT_EQ(test::Capture("cat \"" + out + "\""), "older file");
  EXPECT_FALSE(fs::exists(out + ".part"));
}

TEST(ConverterTest, PauseHoldsTheConversionUntilResumed) {
  FC_REQUIRE_FFMPEG();
  auto video = std::make_shared<TVideoDecoder>(test::StandardClip());
  auto audio = std::make_shared<TAudioDecoder>(test::StandardClip());
  TConverter converter(video, audio);
  converter.SetOutputFile((test::MediaDir() / "paused.flv").string());
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  converter.SetEncodeParams(p);
  std::mutex m;
  std::condition_variable cv;
  int progress = 0;
  bool ended = false;
  converter.Start(0, 0, 0, [&](TConverterMessage msg, int32_t, const TProgressInfo*) {
    std::lock_guard lock(m);
    if (msg == TConverterMessage::Progress && ++progress == 1) converter.Pause();
    if (msg == TConverterMessage::End) ended = true;
    cv.notify_all();
    return true;
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return progress >= 1; });
  }
  EXPECT_TRUE(converter.Paused());
  // While paused nothing moves on: the worker waits, so the count stays.
  {
    std::unique_lock lock(m);
    EXPECT_FALSE(cv.wait_for(lock, std::chrono::milliseconds(200), [&] { return ended; }));
  }
  converter.Resume();
  converter.Wait();
  EXPECT_TRUE(ended);
  EXPECT_EQ(converter.TargetFiles().size(), 1u);
}

// Sources that deliver slowly, as a network file or a busy decoder would: the writing thread
// spends its time waiting for them.
class SlowPictures : public TVideoSource {
public:
  TVideoFormat VideoFormat() const override { return {64, 48, 25, 64, 48, 0}; }
  double Duration() const override { return 20; }
  bool Read(TVideoFrame& out) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    TFramePtr f = test::Yuv420Frame(64, 48);
    for (int p = 0; p < 3; ++p)
      for (int y = 0; y < (p ? 24 : 48); ++y) std::fill_n(f->data[p] + y * f->linesize[p], p ? 32 : 64, 128);
    out.Frame = std::move(f);
    out.Time = next_++ / 25.0;
    return true;
  }
  void Seek(double seconds) override { next_ = static_cast<int>(seconds * 25); }

private:
  int next_ = 0;
};

class SlowSound : public TAudioSource {
public:
  TAudioFormat AudioFormat() const override { return {22050, 1, 16, 0}; }
  double Duration() const override { return 20; }
  bool Read(TAudioFrame& out) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    TFramePtr f = test::S16Frame(22050, 1, 441);
    std::fill_n(reinterpret_cast<int16_t*>(f->data[0]), 441, 0);
    out.Frame = std::move(f);
    out.Time = next_++ * 0.02;
    return true;
  }
  void Seek(double seconds) override { next_ = static_cast<int>(seconds / 0.02); }

private:
  int next_ = 0;
};

// A stop releases the queues the writing thread waits on; a stopped job must not take that
// for the end of its sources and keep a truncated file as a success.
TEST(ConverterTest, StopWhileWaitingForTheSourcesCancelsAndKeepsNoFile) {
  const std::pair<std::shared_ptr<TVideoSource>, std::shared_ptr<TAudioSource>> setups[] = {
      {std::make_shared<SlowPictures>(), nullptr},
      {nullptr, std::make_shared<SlowSound>()},
  };
  for (const auto& [video, audio] : setups) {
    const std::string out = (test::MediaDir() / (video ? "slow_video.flv" : "slow_audio.flv")).string();
    TConverter converter(video, audio);
    converter.SetOutputFile(out);
    TEncodeParams p;
    p.ContainerFourCC = kFourCCFlv;
    converter.SetEncodeParams(p);
    std::mutex m;
    std::condition_variable cv;
    bool started = false;
    TEndReason reason = TEndReason::Success;
    converter.Start(0, 0, 0, [&](TConverterMessage msg, int32_t v, const TProgressInfo*) {
      std::lock_guard lock(m);
      if (msg == TConverterMessage::Progress) started = true;
      if (msg == TConverterMessage::End) reason = static_cast<TEndReason>(v);
      cv.notify_all();
      return true;
    });
    {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return started; });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    converter.Stop();
    EXPECT_EQ(reason, TEndReason::Cancelled) << out;
    EXPECT_TRUE(converter.TargetFiles().empty()) << out;
    EXPECT_FALSE(fs::exists(out)) << out;
    EXPECT_FALSE(fs::exists(out + ".part")) << out;
  }
}

TEST(ConverterTest, StreamCopyIntoAContainerThatRefusesTheStreamsLeavesNoFile) {
  FC_REQUIRE_FFMPEG();
  TEncodeParams p;
  p.ContainerFourCC = kFourCCCopy;
  const std::string out = (test::MediaDir() / "copy.wav").string();  // a WAVE file has one stream only
  TDecodeOptions options;
  options.Copy = true;
  TConverter converter(std::make_shared<TVideoDecoder>(test::StandardClip(), options),
                      std::make_shared<TAudioDecoder>(test::StandardClip(), options));
  converter.SetOutputFile(out);
  converter.SetEncodeParams(p);
  EXPECT_EQ(RunToEnd(converter), TEndReason::WriteFailed);
  EXPECT_NE(converter.LastError().find("cannot carry these streams"), std::string::npos) << converter.LastError();
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(out + ".part"));
}

}  // namespace
}  // namespace fc
