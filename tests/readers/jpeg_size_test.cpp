#include "readers/jpeg_size.h"

#include <gtest/gtest.h>

#include "media_test_util.h"
#include "readers/media_source.h"

namespace fc {
namespace {

using test::Bytes;

bool Size(const std::vector<uint8_t>& bytes, uint16_t& w, uint16_t& h) {
  return ReadJPEGSize(TMemorySource(bytes), w, h);
}

Bytes Start() {
  Bytes b;
  b.u8(0xFF).u8(0xD8);
  b.u8(0xFF).u8(0xE0).be16(16).str("JFIF").zeros(10);  // APP0
  return b;
}

TEST(JpegSize, BaselineAndExtendedFrameHeaders) {
  for (const uint8_t sof : {0xC0, 0xC1}) {
    Bytes b = Start();
    b.u8(0xFF).u8(0xFF).u8(sof).be16(17).u8(8).be16(480).be16(640).u8(3);  // with a fill byte
    uint16_t w = 0, h = 0;
    ASSERT_TRUE(Size(b.v, w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
  }
}

TEST(JpegSize, ProgressiveFilesHaveNoSize) {
  Bytes b = Start();
  b.u8(0xFF).u8(0xC2).be16(17).u8(8).be16(480).be16(640).u8(3).zeros(8);
  b.u8(0xFF).u8(0xDA).be16(8).zeros(6).u8(0x12).u8(0x34);  // scan data follows: no marker
  uint16_t w = 7, h = 9;
  EXPECT_FALSE(Size(b.v, w, h));
  EXPECT_EQ(w, 7);  // unchanged
  EXPECT_EQ(h, 9);
}

TEST(JpegSize, MarkerLengthBelowTwoStopsWithNoSize) {
  for (const uint16_t length : {0, 1}) {
    Bytes b;
    b.u8(0xFF).u8(0xD8).u8(0xFF).u8(0xE1).be16(length).u8(0xFF).u8(0xE1).be16(length);
    uint16_t w = 0, h = 0;
    EXPECT_FALSE(Size(b.v, w, h));
  }
}

TEST(JpegSize, NotAJpegOrCutShort) {
  uint16_t w = 1, h = 1;
  EXPECT_FALSE(Size({0x89, 'P', 'N', 'G'}, w, h));
  EXPECT_FALSE(Size({0xFF, 0xD8}, w, h));
  Bytes cut = Start();
  cut.u8(0xFF).u8(0xC0).be16(17).u8(8).u8(1);
  EXPECT_FALSE(Size(cut.v, w, h));
  Bytes skip_past_end = Start();
  skip_past_end.u8(0xFF).u8(0xE2).be16(60000);
  EXPECT_FALSE(Size(skip_past_end.v, w, h));
  EXPECT_EQ(w, 1);
}

TEST(JpegSize, RestartMarkersHaveNoLength) {
  Bytes b;
  b.u8(0xFF).u8(0xD8).u8(0xFF).u8(0xD3).u8(0xFF).u8(0x01).u8(0xFF).u8(0xC0).be16(11).u8(8).be16(2).be16(3).u8(1);
  uint16_t w = 0, h = 0;
  ASSERT_TRUE(Size(b.v, w, h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
}

TEST(JpegSizeRealFiles, FfmpegBaselineJpeg) {
  test::TempDir dir;
  const auto file = dir / "a.jpg";
  FC_FFMPEG_OR_SKIP("-f lavfi -i testsrc=s=321x123 -frames:v 1", file);
  uint16_t w = 0, h = 0;
  ASSERT_TRUE(ReadJPEGSize(file, w, h));
  EXPECT_EQ(w, 321);
  EXPECT_EQ(h, 123);
}

TEST(JpegSizeRealFiles, ProgressiveJpegFromImageMagickHasNoSize) {
  const std::string im = test::ImageMagick();
  if (im.empty()) GTEST_SKIP() << "ImageMagick is not installed";
  test::TempDir dir;
  const auto file = dir / "p.jpg";
  ASSERT_TRUE(test::Run(im + " -size 50x40 gradient:red-blue -interlace Plane " + file.string()));
  uint16_t w = 0, h = 0;
  EXPECT_FALSE(ReadJPEGSize(file, w, h));
}

}  // namespace
}  // namespace fc
