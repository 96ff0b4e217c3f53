#include "engine/video_processor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/file_io.h"
#include "engine/encode_params.h"
#include "engine/frame_grab.h"

namespace fc {
namespace {

// Pictures made in memory: Y follows a function of (x, y), chroma neutral, 10 frames per second.
class PatternSource : public TVideoSource {
public:
  using Luma = int (*)(int x, int y);
  PatternSource(int w, int h, Luma luma, int frames = 10, double fps = 10)
      : w_(w), h_(h), luma_(luma), frames_(frames), fps_(fps) {}
  TVideoFormat VideoFormat() const override { return {w_, h_, fps_, w_, h_, 0}; }
  double Duration() const override { return frames_ / fps_; }
  bool Read(TVideoFrame& out) override {
    if (next_ >= frames_) return false;
    TFramePtr f = AllocFrame();
    f->width = w_;
    f->height = h_;
    f->format = AV_PIX_FMT_YUV420P;
    CheckAv(av_frame_get_buffer(f.get(), 0), "test frame");
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) f->data[0][y * f->linesize[0] + x] = static_cast<uint8_t>(luma_(x, y));
    for (int p = 1; p < 3; ++p)
      for (int y = 0; y < h_ / 2; ++y) std::fill_n(f->data[p] + y * f->linesize[p], w_ / 2, 128);
    out.Frame = std::move(f);
    out.Time = next_++ / fps_;
    return true;
  }
  void Seek(double seconds) override { next_ = static_cast<int>(std::lround(seconds * fps_)); }

private:
  int w_, h_;
  Luma luma_;
  int frames_;
  double fps_;
  int next_ = 0;
};

int Flat(int, int) { return 128; }
int RampX(int x, int) { return 16 + x * 2; }        // 16..142 over 64 columns
int RampY(int, int y) { return 16 + y * 4; }        // 16..204 over 48 rows
int Rows(int, int y) { return y % 2 ? 200 : 40; }   // odd lines (1, 3, ...) dark, even bright

uint8_t Y(const AVFrame* f, int x, int y) { return f->data[0][y * f->linesize[0] + x]; }
uint8_t U(const AVFrame* f, int x, int y) { return f->data[1][(y / 2) * f->linesize[1] + x / 2]; }

TVideoFrame First(TVideoProcessor& p) {
  TVideoFrame f;
  EXPECT_TRUE(p.Read(f));
  return f;
}

std::unique_ptr<TVideoProcessor> Make(PatternSource::Luma luma, TVideoOutput out = {}, int w = 64, int h = 48) {
  return std::make_unique<TVideoProcessor>(std::make_shared<PatternSource>(w, h, luma), out);
}

TEST(VideoProcessorTest, PassesPicturesThroughUnchangedByDefault) {
  auto p = Make(RampX);
  const TVideoFrame f = First(*p);
  EXPECT_EQ(f.Frame->width, 64);
  EXPECT_EQ(f.Frame->height, 48);
  for (int x = 0; x < 64; x += 7) EXPECT_EQ(Y(f.Frame.get(), x, 10), RampX(x, 10)) << x;
  EXPECT_EQ(p->VideoFormat().Width, 64);
}

TEST(VideoProcessorTest, FlipsMirrorTheRows) {
  auto p = Make(RampX);
  p->SetFlip(kFlipHorizontal);
  TVideoFrame f = First(*p);
  EXPECT_EQ(Y(f.Frame.get(), 0, 5), RampX(63, 5));
  EXPECT_EQ(Y(f.Frame.get(), 63, 5), RampX(0, 5));
  auto q = Make(RampY);
  q->SetFlip(kFlipVertical);
  f = First(*q);
  EXPECT_EQ(Y(f.Frame.get(), 3, 0), RampY(3, 47));
  EXPECT_EQ(Y(f.Frame.get(), 3, 47), RampY(3, 0));
}

TEST(VideoProcessorTest, NegativeAndGrayEffects) {
  auto p = Make(RampX);
  p->SetEffects(kEffectNegative);
  TVideoFrame f = First(*p);
  EXPECT_EQ(Y(f.Frame.get(), 10, 10), 255 - RampX(10, 10));
  auto g = std::make_unique<TVideoProcessor>(std::make_shared<PatternSource>(64, 48, Flat), TVideoOutput{});
  g->SetEffects(kEffectGray);
  f = First(*g);
  EXPECT_EQ(U(f.Frame.get(), 8, 8), 128);
}

TEST(VideoProcessorTest, EmbossFlattensAnEvenPictureToGray) {
  // The emboss kernel sums to 1: an even area keeps its value, edges stand out.
  auto p = Make(Flat);
  p->SetEffects(kEffectEmboss);
  TVideoFrame f = First(*p);
  EXPECT_NEAR(Y(f.Frame.get(), 30, 20), 128, 1);
  EXPECT_NE(p->FilterDescription().find("convolution"), std::string::npos);
}

TEST(VideoProcessorTest, BrightnessContrastAndSaturationMoveThePicture) {
  auto p = Make(Flat);
  p->SetBrightness(30);
  EXPECT_GT(Y(First(*p).Frame.get(), 5, 5), 150);
  auto q = Make(RampX);
  q->SetContrast(100);  // doubled contrast spreads the ramp
  TVideoFrame f = First(*q);
  EXPECT_GT(std::abs(Y(f.Frame.get(), 63, 5) - Y(f.Frame.get(), 0, 5)), RampX(63, 0) - RampX(0, 0));
  auto r = Make(Flat);
  r->SetBrightness(500);  // clamped to 100, not an error
  EXPECT_NE(r->FilterDescription().find("brightness=1.00"), std::string::npos);
}

TEST(VideoProcessorTest, DeinterlaceRepeatsOrInterpolatesOneField) {
  auto odd = Make(Rows);
  odd->SetDeinterlace(static_cast<int32_t>(TDeinterlaceMode::RepeatOdd));
  TVideoFrame f = First(*odd);
  // Lines 1, 3, 5 (counted from 1) are the bright ones here; each is repeated below itself.
  for (int y = 0; y < 48; ++y) EXPECT_EQ(Y(f.Frame.get(), 5, y), 40) << y;
  auto even = Make(Rows);
  even->SetDeinterlace(static_cast<int32_t>(TDeinterlaceMode::RepeatEven));
  f = First(*even);
  for (int y = 0; y < 48; ++y) EXPECT_EQ(Y(f.Frame.get(), 5, y), 200) << y;
  auto unknown = Make(Rows);
  unknown->SetDeinterlace(9);  // not a mode: none
  f = First(*unknown);
  EXPECT_EQ(Y(f.Frame.get(), 5, 0), 40);
  EXPECT_EQ(Y(f.Frame.get(), 5, 1), 200);
}

TEST(VideoProcessorTest, CropWithFullScreenShowsOnlyTheRectangle) {
  auto p = Make(RampX, {.Width = 64, .Height = 48, .ScaleMode = 0});
  p->SetCrop({32, 0, 64, 48}, 0);  // the right half, stretched to the whole frame
  TVideoFrame f = First(*p);
  EXPECT_EQ(f.Frame->width, 64);
  EXPECT_NEAR(Y(f.Frame.get(), 1, 20), RampX(32, 0), 3);
  EXPECT_NEAR(Y(f.Frame.get(), 62, 20), RampX(63, 0), 3);
}

TEST(VideoProcessorTest, TinyOrOutsideCropRectanglesAreIgnored) {
  auto p = Make(RampX);
  p->SetCrop({10, 10, 11, 40}, 1);  // one pixel wide
  EXPECT_EQ(p->FilterDescription().find("crop="), std::string::npos);
  p->SetCrop({-50, -50, 500, 500}, 1);  // clamped to the whole picture
  EXPECT_EQ(p->FilterDescription().find("crop="), std::string::npos);
  EXPECT_EQ(First(*p).Frame->width, 64);
}

// Columns of black bars in an output frame of a flat gray picture.
int BlackColumnsAtLeft(const AVFrame* f) {
  int x = 0;
  while (x < f->width && Y(f, x, f->height / 2) < 30) ++x;
  return x;
}
int BlackRowsAtTop(const AVFrame* f) {
  int y = 0;
  while (y < f->height && Y(f, f->width / 2, y) < 30) ++y;
  return y;
}

TEST(VideoProcessorTest, ScaleModesPlaceThePictureInTheFrame) {
  // A 4:3 picture (64x48) into a 16:9 frame (128x72).
  const TVideoOutput wide{.Width = 128, .Height = 72};
  struct Case {
    TScaleMode mode;
    int left_bars, top_bars;
  } cases[] = {
      {TScaleMode::FullScreen, 0, 0},
      {TScaleMode::KeepOriginal, 16, 0},   // 96x72 centred
      {TScaleMode::Wide16x9, 0, 0},        // shown as 16:9: fills the frame
      {TScaleMode::Standard4x3, 16, 0},
      {TScaleMode::LetterBox, 0, 0},       // full width; too tall, so cut above and below
      {TScaleMode::PanScan, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    TVideoOutput out = wide;
    out.ScaleMode = static_cast<int32_t>(c.mode);
    auto p = Make(Flat, out);
    const TVideoFrame f = First(*p);
    ASSERT_EQ(f.Frame->width, 128);
    ASSERT_EQ(f.Frame->height, 72);
    EXPECT_EQ(BlackColumnsAtLeft(f.Frame.get()), c.left_bars);
    EXPECT_EQ(BlackRowsAtTop(f.Frame.get()), c.top_bars);
  }
  // A 16:9 picture into a 4:3 frame: letter box puts bars above and below.
  TVideoOutput narrow{.Width = 64, .Height = 48, .ScaleMode = static_cast<int32_t>(TScaleMode::LetterBox)};
  auto lb = std::make_unique<TVideoProcessor>(std::make_shared<PatternSource>(128, 72, Flat), narrow);
  const TVideoFrame f = First(*lb);
  EXPECT_EQ(BlackRowsAtTop(f.Frame.get()), 6);  // 64x36 centred in 64x48
  EXPECT_EQ(BlackColumnsAtLeft(f.Frame.get()), 0);
}

TEST(VideoProcessorTest, FrameRateConversionKeepsTimesOnTheNewGrid) {
  auto p = Make(Flat, {.FrameRate = 5});  // 10 fps in, 5 out
  TVideoFrame f;
  std::vector<double> times;
  while (p->Read(f)) times.push_back(f.Time);
  ASSERT_EQ(times.size(), 5u);
  for (size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(times[i], i * 0.2, 1e-9);
  EXPECT_DOUBLE_EQ(p->VideoFormat().FrameRate, 5.0);
}

TEST(VideoProcessorTest, SeekStartsAgainAtTheTime) {
  auto p = Make(Flat);
  TVideoFrame f;
  ASSERT_TRUE(p->Read(f));
  p->Seek(0.5);
  ASSERT_TRUE(p->Read(f));
  EXPECT_NEAR(f.Time, 0.5, 1e-9);
}

TEST(VideoProcessorTest, WatermarkIsBlendedWithItsOpacityAtItsRectangle) {
  auto p = Make(Flat);  // gray 128
  TRgbaImage white{4, 4, std::vector<uint8_t>(64, 255)};
  p->SetWatermark(white, 100, 0.25f, 0.25f, 0.5f, 0.5f);  // 16x12 at (16, 12)
  TVideoFrame f = First(*p);
  EXPECT_GT(Y(f.Frame.get(), 20, 16), 230);
  EXPECT_NEAR(Y(f.Frame.get(), 40, 30), 128, 2);
  EXPECT_NEAR(Y(f.Frame.get(), 10, 16), 128, 2);
  p->SetWatermark(white, 50, 0.25f, 0.25f, 0.5f, 0.5f);
  ASSERT_TRUE(p->Read(f));
  EXPECT_NEAR(Y(f.Frame.get(), 20, 16), (235 + 128) / 2, 12);
  p->ClearWatermark();
  ASSERT_TRUE(p->Read(f));
  EXPECT_NEAR(Y(f.Frame.get(), 20, 16), 128, 2);
  EXPECT_THROW(p->SetWatermark(TRgbaImage{4, 4, std::vector<uint8_t>(10)}, 100, 0, 0, 1, 1), MediaError);
}

TEST(VideoProcessorTest, EditsApplyToTheNextFrameWhileReading) {
  auto p = Make(RampX);
  TVideoFrame f;
  ASSERT_TRUE(p->Read(f));
  EXPECT_EQ(Y(f.Frame.get(), 0, 0), RampX(0, 0));
  p->SetFlip(kFlipHorizontal);
  ASSERT_TRUE(p->Read(f));
  EXPECT_EQ(Y(f.Frame.get(), 0, 0), RampX(63, 0));
}

TEST(FrameGrabTest, SavesJpegAndBmp) {
  auto p = Make(RampX);
  EXPECT_THROW(p->SaveCurrentFrame("/tmp/none.jpg"), MediaError);  // nothing shown yet
  First(*p);
  const auto dir = std::filesystem::temp_directory_path();
  const std::string jpg = (dir / "fc_grab_test.jpg").string();
  const std::string bmp = (dir / "fc_grab_test.bmp").string();
  p->SaveCurrentFrame(jpg);
  p->SaveCurrentFrame(bmp);
  const auto j = ReadFileBytes(jpg);
  ASSERT_GT(j.size(), 4u);
  EXPECT_EQ(j[0], 0xFF);
  EXPECT_EQ(j[1], 0xD8);  // JPEG start of image
  const auto b = ReadFileBytes(bmp);
  ASSERT_GT(b.size(), 54u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(b[18] | b[19] << 8, 64);  // width
  EXPECT_EQ(b.size(), 54u + 64 * 48 * 3);
  EXPECT_THROW(p->SaveCurrentFrame((dir / "fc_grab_test.gif").string()), MediaError);
  std::filesystem::remove(jpg);
  std::filesystem::remove(bmp);
}

TEST(FrameGrabTest, RgbOfAFrameMatchesItsGray) {
  auto p = Make(Flat);
  const auto rgb = FrameToRgb(First(*p).Frame.get());
  ASSERT_EQ(rgb.size(), 64u * 48 * 3);
  EXPECT_NEAR(rgb[0], 130, 4);  // limited-range Y 128 is about 130 in full range
  EXPECT_EQ(rgb[0], rgb[1]);
}

}  // namespace
}  // namespace fc
