// Picture subtitles burnt into the picture: palette conversion and timing of decoded events,
// blending, and a whole run over a Matroska file whose DVD subtitle stream the test encodes
// itself with libavcodec.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "engine/bitmap_subtitles.h"
#include "engine/converter.h"
#include "engine/decoder.h"
#include "engine/media_info.h"
#include "engine/video_processor.h"
#include "media_fixture.h"

namespace fc {
namespace {

// A subtitle with one paletted rectangle filled with colour index 1, allocated the way
// avsubtitle_free releases it.
struct OwnedSubtitle {
  AVSubtitle sub{};
  OwnedSubtitle(int x, int y, int w, int h, uint32_t start_ms, uint32_t end_ms, const std::vector<uint32_t>& palette) {
    sub.start_display_time = start_ms;
    sub.end_display_time = end_ms;
    sub.num_rects = 1;
    sub.rects = static_cast<AVSubtitleRect**>(av_mallocz(sizeof(AVSubtitleRect*)));
    AVSubtitleRect* r = sub.rects[0] = static_cast<AVSubtitleRect*>(av_mallocz(sizeof(AVSubtitleRect)));
    r->type = SUBTITLE_BITMAP;
    r->x = x, r->y = y, r->w = w, r->h = h;
    r->nb_colors = static_cast<int>(palette.size());
    r->linesize[0] = w;
    r->data[0] = static_cast<uint8_t*>(av_malloc(static_cast<size_t>(w) * h));
    std::memset(r->data[0], 1, static_cast<size_t>(w) * h);
    r->data[1] = static_cast<uint8_t*>(av_mallocz(256 * 4));
    std::memcpy(r->data[1], palette.data(), palette.size() * 4);
  }
  ~OwnedSubtitle() { avsubtitle_free(&sub); }
};

TEST(SubtitleEventTest, PaletteBecomesRgbaAndDisplayTimesFollowThePts) {
  OwnedSubtitle s(5, 6, 3, 2, 100, 900, {0x00000000, 0x80FF8000});
  s.sub.rects[0]->data[0][0] = 0;  // one transparent pixel
  s.sub.rects[0]->data[0][1] = 7;  // outside the palette: transparent too
  const TSubtitleEvent ev = MakeSubtitleEvent(s.sub, 10000000, 720, 576);
  EXPECT_DOUBLE_EQ(ev.Start, 10.1);
  EXPECT_DOUBLE_EQ(ev.end, 10.9);
  EXPECT_EQ(ev.CanvasWidth, 720);
  ASSERT_EQ(ev.Pictures.size(), 1u);
  const TSubtitlePicture& p = ev.Pictures[0];
  EXPECT_EQ(p.X, 5);
  EXPECT_EQ(p.Y, 6);
  ASSERT_EQ(p.Rgba.size(), 3u * 2 * 4);
  const std::vector<uint8_t> expected{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x80, 0x00, 0x80,
                                      0xFF, 0x80, 0x00, 0x80, 0xFF, 0x80, 0x00, 0x80, 0xFF, 0x80, 0x00, 0x80};
  EXPECT_EQ(p.Rgba, expected);
}

TEST(SubtitleEventTest, OpenEndedAndEmptyEvents) {
  OwnedSubtitle open_ended(0, 0, 1, 1, 0, UINT32_MAX, {0xFFFFFFFF, 0xFFFFFFFF});
  EXPECT_TRUE(std::isinf(MakeSubtitleEvent(open_ended.sub, 1000000, 0, 0).end));
  OwnedSubtitle no_end(0, 0, 1, 1, 0, 0, {0xFFFFFFFF, 0xFFFFFFFF});
  EXPECT_TRUE(std::isinf(MakeSubtitleEvent(no_end.sub, 1000000, 0, 0).end));
  AVSubtitle clear{};
  EXPECT_TRUE(MakeSubtitleEvent(clear, 3000000, 0, 0).Pictures.empty());  // clears the screen
}

// A black 8x4 YUV 4:2:0 frame.
TFramePtr BlackFrame(int w, int h) {
  TFramePtr f = AllocFrame();
  f->width = w, f->height = h, f->format = AV_PIX_FMT_YUV420P;
  EXPECT_GE(av_frame_get_buffer(f.get(), 0), 0);
  for (int y = 0; y < h; ++y) std::memset(f->data[0] + y * f->linesize[0], 16, w);
  for (int y = 0; y < h / 2; ++y) {
    std::memset(f->data[1] + y * f->linesize[1], 128, w / 2);
    std::memset(f->data[2] + y * f->linesize[2], 128, w / 2);
  }
  return f;
}

TSubtitleEvent WhiteSquare(int x, int y, int size, int canvas) {
  TSubtitleEvent ev;
  ev.CanvasWidth = ev.CanvasHeight = canvas;
  TSubtitlePicture p;
  p.X = x, p.Y = y, p.Width = p.Height = size;
  p.Rgba.assign(static_cast<size_t>(size) * size * 4, 255);
  ev.Pictures.push_back(p);
  return ev;
}

TEST(SubtitleBlendTest, ScalesFromTheCanvasAndHonoursOpacityAndPosition) {
  TFramePtr f = BlackFrame(8, 8);
  BlendSubtitleEvent(f.get(), WhiteSquare(1, 1, 1, 4), {});  // canvas 4x4 -> the 2x2 block at (2,2)
  auto Y = [&](int x, int y) { return f->data[0][y * f->linesize[0] + x]; };
  EXPECT_EQ(Y(2, 2), 235);
  EXPECT_EQ(Y(3, 3), 235);
  EXPECT_EQ(Y(1, 1), 16);
  EXPECT_EQ(Y(4, 4), 16);
  EXPECT_EQ(f->data[1][1 * f->linesize[1] + 1], 128);  // white has no colour

  TFramePtr half = BlackFrame(8, 8);
  BlendSubtitleEvent(half.get(), WhiteSquare(0, 0, 8, 8), {.Opacity = 50});
  EXPECT_NEAR(half->data[0][0], 16 + (235 - 16) / 2, 1);
  TFramePtr none = BlackFrame(8, 8);
  BlendSubtitleEvent(none.get(), WhiteSquare(0, 0, 8, 8), {.Opacity = 0});
  EXPECT_EQ(none->data[0][0], 16);

  TFramePtr moved = BlackFrame(8, 8);
  BlendSubtitleEvent(moved.get(), WhiteSquare(0, 0, 2, 8), {.Move = true, .X = 5, .Y = 6});
  EXPECT_EQ(moved->data[0][6 * moved->linesize[0] + 5], 235);
  EXPECT_EQ(moved->data[0][0], 16);
  // Partly outside the frame: clipped, no write past the picture.
  BlendSubtitleEvent(moved.get(), WhiteSquare(0, 0, 4, 8), {.Move = true, .X = 6, .Y = 6});
  EXPECT_EQ(moved->data[0][7 * moved->linesize[0] + 7], 235);
}

// ---------------------------------------------------------------------------------------------
// A whole run: a black 320x240 clip at 10 fps with a DVD subtitle stream of two events.

struct Box {
  int x, y, w, h;
};
constexpr Box kFirst{20, 150, 100, 40};   // 0.5 s to 1.2 s
constexpr Box kSecond{200, 20, 80, 30};   // 2.0 s to 2.5 s

// Encodes one DVD subtitle packet.
std::vector<uint8_t> EncodeDvdSubtitle(AVCodecContext* enc, const Box& b, uint32_t duration_ms) {
  OwnedSubtitle s(b.x, b.y, b.w, b.h, 0, duration_ms, {0x00000000, 0xFFFFFFFF, 0xFF000000, 0x00000000});
  std::vector<uint8_t> buf(1 << 16);
  const int n = avcodec_encode_subtitle(enc, buf.data(), static_cast<int>(buf.size()), &s.sub);
  EXPECT_GT(n, 0);
  buf.resize(std::max(0, n));
  return buf;
}

// Copies the video of `video_path` into a `muxer` file and adds the subtitle stream.
void MuxWithDvdSubtitles(const std::string& video_path, const char* muxer, const std::string& out_path) {
  TInputContextPtr in = OpenInput(video_path);
  AVFormatContext* raw = nullptr;
  ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, muxer, out_path.c_str()), 0);
  TOutputContextPtr out(raw);
  AVStream* vs = avformat_new_stream(out.get(), nullptr);
  ASSERT_GE(avcodec_parameters_copy(vs->codecpar, in->streams[0]->codecpar), 0);
  vs->codecpar->codec_tag = 0;
  vs->time_base = in->streams[0]->time_base;

  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
  ASSERT_NE(codec, nullptr);
  TCodecContextPtr enc(avcodec_alloc_context3(codec));
  enc->width = 320;
  enc->height = 240;
  enc->time_base = {1, 1000};
  ASSERT_GE(avcodec_open2(enc.get(), codec, nullptr), 0);
  AVStream* ss = avformat_new_stream(out.get(), nullptr);
  ASSERT_GE(avcodec_parameters_from_context(ss->codecpar, enc.get()), 0);
  ss->time_base = {1, 1000};

  ASSERT_GE(avio_open(&out->pb, out_path.c_str(), AVIO_FLAG_WRITE), 0);
  ASSERT_GE(avformat_write_header(out.get(), nullptr), 0);
  auto write_sub = [&](const Box& b, int64_t start_ms, int64_t duration_ms) {
    const std::vector<uint8_t> data = EncodeDvdSubtitle(enc.get(), b, static_cast<uint32_t>(duration_ms));
    TPacketPtr pkt = AllocPacket();
    ASSERT_GE(av_new_packet(pkt.get(), static_cast<int>(data.size())), 0);
    std::memcpy(pkt->data, data.data(), data.size());
    pkt->pts = pkt->dts = start_ms;
    pkt->duration = duration_ms;
    pkt->stream_index = ss->index;
    av_packet_rescale_ts(pkt.get(), {1, 1000}, ss->time_base);
    ASSERT_GE(av_interleaved_write_frame(out.get(), pkt.get()), 0);
  };
  // Event times count from the first picture, as the decoders' times do.
  const AVStream* iv = in->streams[0];
  const int64_t origin_ms = iv->start_time != AV_NOPTS_VALUE ? av_rescale_q(iv->start_time, iv->time_base, {1, 1000}) : 0;
  TPacketPtr pkt = AllocPacket();
  bool first_done = false, second_done = false;
  while (av_read_frame(in.get(), pkt.get()) >= 0) {
    if (pkt->stream_index != 0) {
      av_packet_unref(pkt.get());
      continue;
    }
    const double t = TimestampSeconds(pkt->pts, iv->time_base) - origin_ms / 1000.0;
    if (!first_done && t >= 0.5) write_sub(kFirst, origin_ms + 500, 700), first_done = true;
    if (!second_done && t >= 2.0) write_sub(kSecond, origin_ms + 2000, 500), second_done = true;
    pkt->stream_index = vs->index;
    av_packet_rescale_ts(pkt.get(), in->streams[0]->time_base, vs->time_base);
    ASSERT_GE(av_interleaved_write_frame(out.get(), pkt.get()), 0);
  }
  ASSERT_TRUE(first_done && second_done);
  ASSERT_GE(av_write_trailer(out.get()), 0);
}

// The subtitles in Matroska, and in an MPEG program stream as on a DVD (where the demuxer
// announces streams as it meets them).
class BitmapSubtitleBurnTest : public testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    FC_REQUIRE_FFMPEG();
    const std::string muxer = GetParam();
    const bool ps = muxer == "dvd";
    clip_ = (test::MediaDir() / ("dvdsub_" + muxer + (ps ? ".vob" : ".mkv"))).string();
    if (!std::filesystem::exists(clip_)) {
      const std::string video = test::MakeMedia(ps ? "dvdsub_video.mpg" : "dvdsub_video.mkv",
                                                "color=c=black:size=320x240:rate=10:duration=3", "",
                                                ps ? "-c:v mpeg2video -g 5 -q:v 2" : "-c:v mpeg4 -g 5");
      MuxWithDvdSubtitles(video, muxer.c_str(), clip_);
    }
    const TMediaInfo info = LoadMediaInfo(clip_);
    ASSERT_EQ(info.Programs.at(0).Subtitles.size(), 1u);
    EXPECT_TRUE(info.Programs[0].Subtitles[0].Bitmap);
    id_ = info.Programs[0].Subtitles[0].ID;
  }

  std::unique_ptr<TVideoProcessor> Processor(const TSubtitleSettings& s, int opacity, const TVideoOutput& output = {}) {
    auto p = std::make_unique<TVideoProcessor>(std::make_shared<TVideoDecoder>(clip_), output);
    p->SetSubtitle(s, opacity);
    return p;
  }

  // The mean luma inside a box (scaled by `k`, two pixels in from its edges).
  static double MeanLuma(const AVFrame* f, const Box& b, int k = 1) {
    double sum = 0;
    int n = 0;
    for (int y = b.y * k + 2; y < (b.y + b.h) * k - 2; ++y)
      for (int x = b.x * k + 2; x < (b.x + b.w) * k - 2; ++x, ++n) sum += f->data[0][y * f->linesize[0] + x];
    return n ? sum / n : 0;
  }

  std::string clip_;
  int32_t id_ = 0;
};

TEST_P(BitmapSubtitleBurnTest, EachEventShowsExactlyWhileItIsOnScreen) {
  auto p = Processor({.StreamID = id_}, 100);
  TVideoFrame f;
  int frames = 0, shown_first = 0, shown_second = 0;
  while (p->Read(f)) {
    ++frames;
    const double t = f.Time;
    const bool first = t >= 0.5 - 1e-6 && t < 1.2 - 1e-6, second = t >= 2.0 - 1e-6 && t < 2.5 - 1e-6;
    const double a = MeanLuma(f.Frame.get(), kFirst), b = MeanLuma(f.Frame.get(), kSecond);
    EXPECT_EQ(a > 200, first) << "first box at " << t << " s: " << a;
    EXPECT_EQ(b > 200, second) << "second box at " << t << " s: " << b;
    EXPECT_LT(f.Frame->data[0][5 * f.Frame->linesize[0] + 5], 30) << "outside both boxes at " << t;
    shown_first += first, shown_second += second;
  }
  EXPECT_EQ(frames, 30);
  EXPECT_EQ(shown_first, 7);
  EXPECT_EQ(shown_second, 5);
}

TEST_P(BitmapSubtitleBurnTest, SeekingBackAndForthFindsTheEventOnScreen) {
  auto p = Processor({.StreamID = id_}, 100);
  TVideoFrame f;
  const struct { double at; bool first, second; } steps[] = {
      {2.2, false, true}, {0.8, true, false}, {1.5, false, false}, {0.6, true, false}, {2.8, false, false}};
  for (const auto& s : steps) {
    p->Seek(s.at);
    ASSERT_TRUE(p->Read(f));
    EXPECT_EQ(MeanLuma(f.Frame.get(), kFirst) > 200, s.first) << s.at;
    EXPECT_EQ(MeanLuma(f.Frame.get(), kSecond) > 200, s.second) << s.at;
  }
}

TEST_P(BitmapSubtitleBurnTest, ScaledOutputOpacityAndOwnPosition) {
  TVideoFrame f;
  auto big = Processor({.StreamID = id_}, 100, {.Width = 640, .Height = 480});
  big->Seek(0.8);
  ASSERT_TRUE(big->Read(f));
  EXPECT_EQ(f.Frame->width, 640);
  EXPECT_GT(MeanLuma(f.Frame.get(), kFirst, 2), 200);  // the box doubled with the frame
  EXPECT_LT(MeanLuma(f.Frame.get(), {kFirst.x * 2 - 20, kFirst.y * 2 - 20, 16, 16}), 30);

  auto faded = Processor({.StreamID = id_}, 50);
  faded->Seek(0.8);
  ASSERT_TRUE(faded->Read(f));
  EXPECT_NEAR(MeanLuma(f.Frame.get(), kFirst), 16 + (235 - 16) / 2.0, 12);

  auto invisible = Processor({.StreamID = id_}, 0);
  invisible->Seek(0.8);
  ASSERT_TRUE(invisible->Read(f));
  EXPECT_LT(MeanLuma(f.Frame.get(), kFirst), 30);

  auto moved = Processor({.StreamID = id_, .OwnStyle = true, .X = 10, .Y = 10}, 100);
  moved->Seek(0.8);
  ASSERT_TRUE(moved->Read(f));
  EXPECT_GT(MeanLuma(f.Frame.get(), {10, 10, kFirst.w, kFirst.h}), 200);
  EXPECT_LT(MeanLuma(f.Frame.get(), kFirst), 30);
}

TEST_P(BitmapSubtitleBurnTest, ConvertedFileCarriesTheBurntInSubtitle) {
  const std::string out = (test::MediaDir() / "dvdsub_burnt.flv").string();
  TEncodeParams params;
  params.ContainerFourCC = kFourCCFlv;
  params.VideoBitrate = 2000000;
  {
    std::shared_ptr<TVideoProcessor> video = Processor({.StreamID = id_}, 100);
    TConverter converter(video, nullptr);
    converter.SetOutputFile(out);
    converter.SetEncodeParams(params);
    TEndReason reason = TEndReason::Failed;
    converter.Start(0, 0, 0, [&](TConverterMessage m, int32_t v, const TProgressInfo*) {
      if (m == TConverterMessage::End) reason = static_cast<TEndReason>(v);
      return true;
    });
    converter.Wait();
    ASSERT_EQ(reason, TEndReason::Success) << converter.LastError();
  }
  TVideoDecoder result(out);
  TVideoFrame f;
  int checked = 0;
  while (result.Read(f)) {
    const double t = f.Time;
    auto near = [&](double edge) { return std::abs(t - edge) < 0.15; };
    if (near(0.5) || near(1.2) || near(2.0) || near(2.5)) continue;  // frames at the edges may differ by one
    const bool first = t > 0.5 && t < 1.2, second = t > 2.0 && t < 2.5;
    EXPECT_EQ(MeanLuma(f.Frame.get(), kFirst) > 150, first) << t;
    EXPECT_EQ(MeanLuma(f.Frame.get(), kSecond) > 150, second) << t;
    ++checked;
  }
  EXPECT_GE(checked, 15);
}

TEST_P(BitmapSubtitleBurnTest, ClearingTheSubtitleStopsDrawing) {
  auto p = Processor({.StreamID = id_}, 100);
  p->SetSubtitle({}, 100);
  p->Seek(0.8);
  TVideoFrame f;
  ASSERT_TRUE(p->Read(f));
  EXPECT_LT(MeanLuma(f.Frame.get(), kFirst), 30);
}

INSTANTIATE_TEST_SUITE_P(Engine, BitmapSubtitleBurnTest, testing::Values("matroska", "dvd"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param) == "dvd" ? "ProgramStream" : "Matroska";
                         });

}  // namespace
}  // namespace fc
