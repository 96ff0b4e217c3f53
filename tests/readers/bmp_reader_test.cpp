#include "readers/bmp_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/error.h"
#include "core/file_io.h"
#include "media_test_util.h"

namespace fc {
namespace {

using test::Bytes;

// A BMP with a 40-byte info header; `palette` entries are BGRA.
std::vector<uint8_t> Bmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const std::vector<uint8_t>& pixels,
                         const std::vector<uint32_t>& palette = {}, const std::vector<uint32_t>& masks = {},
                         uint32_t clr_used = 0) {
  const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(masks.size() + palette.size());
  Bytes b;
  b.str("BM").le32(offset + static_cast<uint32_t>(pixels.size())).le32(0).le32(offset);
  b.le32(40).le32(static_cast<uint32_t>(w)).le32(static_cast<uint32_t>(h)).le16(1).le16(bits).le32(compression);
  b.le32(0xDEADBEEF).le32(0).le32(0).le32(clr_used).le32(0);  // a wrong image size: never used
  for (uint32_t m : masks) b.le32(m);
  for (uint32_t p : palette) b.le32(p);
  b.raw(pixels);
  return b.v;
}

TEST(BmpFormat, RowBytesAndPadding) {
  TBMPReader r;
  r.SetFormat(3, 2, 24);
  EXPECT_EQ(r.RowBytes(), 12u);
  EXPECT_EQ(r.RowPadding(), 3u);
  EXPECT_EQ(r.ImageSize(), 24u);
  r.SetFormat(33, 1, 1);
  EXPECT_EQ(r.RowBytes(), 8u);
  EXPECT_EQ(r.RowPadding(), 3u);
  r.SetFormat(5, 1, 32);
  EXPECT_EQ(r.RowPadding(), 0u);
  r.SetFormat(4, 4, 16, 5, 6, 5);
  EXPECT_EQ(r.Compression(), kBmpBitFields);
  EXPECT_EQ(r.BlueMask, 0x001Fu);
  EXPECT_EQ(r.GreenMask, 0x07E0u);
  EXPECT_EQ(r.RedMask, 0xF800u);
  r.SetFormat(4, 4, 0);
  EXPECT_EQ(r.BitCount(), 32);
  EXPECT_EQ(r.RedMask, 0xFF0000u);
}

TEST(BmpPalette, AllClearAlphaBecomesOpaque) {
  TBMPReader r;
  r.LoadFromBytes(Bmp(2, 1, 8, 0, {0, 1, 0, 0}, {0x00000000, 0x00FFFFFF}));
  EXPECT_EQ(r.Palette()[1].Reserved, 255);
  EXPECT_EQ(r.Palette()[200].Reserved, 255);
  EXPECT_EQ(r.TransparentIndex, -1);
}

TEST(BmpPalette, MixedAlphaKeepsItAndNamesTheFirstClearEntry) {
  TBMPReader r;
  r.LoadFromBytes(Bmp(2, 1, 8, 0, {0, 1, 0, 0}, {0xFF000000, 0xFF00FF00, 0x00FF0000, 0x00000000}, {}, 4));
  EXPECT_EQ(r.TransparentIndex, 2);
  EXPECT_EQ(r.Palette()[2].Reserved, 0);
  EXPECT_EQ(r.Palette()[0].Reserved, 255);
}

TEST(BmpPalette, ColorCountCompactsThePalette) {
  TBMPReader r;
  std::vector<uint32_t> palette(8);
  for (uint32_t i = 0; i < 8; ++i) palette[i] = 0x010101 * i;
  r.LoadFromBytes(Bmp(3, 1, 8, 0, {3, 7, 3, 0}, palette));
  EXPECT_EQ(r.ColorCount(), 2);
  EXPECT_EQ(r.Palette()[0].Blue, 3);
  EXPECT_EQ(r.Palette()[1].Blue, 7);
  EXPECT_EQ(r.Row(0)[0], 0);
  EXPECT_EQ(r.Row(0)[1], 1);
  EXPECT_EQ(r.Row(0)[2], 0);

  TBMPReader only_one;
  only_one.LoadFromBytes(Bmp(2, 1, 8, 0, {1, 1, 0, 0}, palette));
  EXPECT_EQ(only_one.ColorCount(), 2);
  EXPECT_EQ(only_one.Row(0)[0], 1);

  TBMPReader mono;
  mono.LoadFromBytes(Bmp(8, 1, 1, 0, {0x00, 0, 0, 0}, {0, 0xFFFFFF}));
  EXPECT_EQ(mono.ColorCount(), 1);
}

TEST(BmpRle, Rle8RunsEscapesAndAbsoluteRunPadding) {
  // Row 0: run of 2 x 5, absolute run of 3 (7, 8, 9) plus pad, end of row. Row 1: delta (1, 0), run 2 x 4, end.
  const std::vector<uint8_t> rle = {2, 5, 0, 3, 7, 8, 9, 0, 0, 0, 0, 2, 1, 0, 2, 4, 0, 1};
  TBMPReader r;
  r.LoadFromBytes(Bmp(6, 2, 8, kBmpRLE8, rle, std::vector<uint32_t>(16)));
  EXPECT_EQ(std::vector<uint8_t>(r.Row(0), r.Row(0) + 6), (std::vector<uint8_t>{5, 5, 7, 8, 9, 0}));
  EXPECT_EQ(std::vector<uint8_t>(r.Row(1), r.Row(1) + 6), (std::vector<uint8_t>{0, 4, 4, 0, 0, 0}));
}

TEST(BmpRle, Rle4HalfBytePlacementAndAbsoluteRunLengths) {
  // Row 0: run of 3 alternating 1 and 2, absolute run of 3 (3, 4, 5) in 2 bytes, end of row.
  // Row 1: absolute run of 5 (6, 7, 8, 9, 10) in 3 bytes padded to 4, end of bitmap.
  const std::vector<uint8_t> rle = {3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0x00, 0, 1};
  TBMPReader r;
  r.LoadFromBytes(Bmp(7, 2, 4, kBmpRLE4, rle, std::vector<uint32_t>(16)));
  EXPECT_EQ(std::vector<uint8_t>(r.Row(0), r.Row(0) + 4), (std::vector<uint8_t>{0x12, 0x13, 0x45, 0x00}));
  EXPECT_EQ(std::vector<uint8_t>(r.Row(1), r.Row(1) + 4), (std::vector<uint8_t>{0x67, 0x89, 0xA0, 0x00}));
}

TEST(BmpRle, RunsAndDeltasOutsideTheBitmapAreClipped) {
  const std::vector<uint8_t> rle = {255, 9, 0, 2, 250, 250, 10, 8, 0, 0, 0, 200, 1, 2, 3};  // a cut absolute run
  TBMPReader r;
  r.LoadFromBytes(Bmp(4, 2, 8, kBmpRLE8, rle, std::vector<uint32_t>(16)));
  EXPECT_EQ(std::vector<uint8_t>(r.Row(0), r.Row(0) + 4), (std::vector<uint8_t>{9, 9, 9, 9}));
  EXPECT_EQ(std::vector<uint8_t>(r.Row(1), r.Row(1) + 4), (std::vector<uint8_t>{0, 0, 0, 0}));
  TBMPReader r4;
  r4.LoadFromBytes(Bmp(3, 1, 4, kBmpRLE4, {255, 0xAB, 0, 255, 0x12}, std::vector<uint32_t>(16)));
  EXPECT_EQ(r4.Row(0)[0], 0xAB);
  EXPECT_EQ(r4.Row(0)[1], 0xA0);
}

TEST(BmpLoad, ShortPixelDataLeavesTheRestZero) {
  TBMPReader r;
  r.LoadFromBytes(Bmp(2, 2, 24, 0, {1, 2, 3, 4, 5}));
  EXPECT_EQ(r.Row(0)[4], 5);
  EXPECT_EQ(r.Row(1)[0], 0);
  EXPECT_EQ(r.ImageSize(), 16u);
  EXPECT_EQ(r.Info().SizeImage, 16u);  // computed, not the header's
}

TEST(BmpLoad, PaletteCountBeyondTheBitsIsClamped) {
  TBMPReader r;
  r.LoadFromBytes(Bmp(1, 1, 8, 0, {0, 0, 0, 0}, std::vector<uint32_t>(4, 0xFF112233), {}, 100000));
  EXPECT_EQ(r.Info().ClrUsed, 256u);
  EXPECT_EQ(r.Palette()[0].Red, 0x11);
}

void ExpectRefused(const std::vector<uint8_t>& file, const std::string& detail) {
  TBMPReader r;
  try {
    r.LoadFromBytes(file, 1 << 20);
    FAIL() << "accepted: " << detail;
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find(detail), std::string::npos) << e.what();
  }
  EXPECT_EQ(r.ImageSize(), 0u);
}

TEST(BmpLoad, WhatCannotBeDrawnIsRefused) {
  ExpectRefused(Bmp(2, 2, 7, 0, {}), "7 bits per pixel");
  ExpectRefused(Bmp(0, 2, 8, 0, {}), "width 0");
  ExpectRefused(Bmp(-5, 2, 8, 0, {}), "width -5");
  ExpectRefused(Bmp(2, 0, 8, 0, {}), "height 0");
  ExpectRefused(Bmp(60000, 60000, 32, 0, {}), "more than the");
  ExpectRefused(Bmp(2, 2, 4, kBmpRLE8, {}), "RLE8 with 4 bits");
  ExpectRefused(Bmp(2, -2, 8, kBmpRLE8, {}), "top-down");
  ExpectRefused(Bmp(2, 2, 24, kBmpBitFields, {}, {}, {0xFF, 0xFF00, 0xFF0000}), "bit fields with 24");
  ExpectRefused(Bmp(2, 2, 16, kBmpBitFields, {}, {}, {0xF800, 0x0FE0, 0x001F}), "overlap");
  ExpectRefused(Bmp(2, 2, 8, 4, {}), "compression 4");
  auto header = Bmp(2, 2, 8, 0, {});
  header[14] = 20;
  ExpectRefused(header, "info header of 20 bytes");
  ExpectRefused({'B', 'A', 0, 0}, "not a BMP");
}

TEST(BmpLoad, TopDownRowsComeFirst) {
  TBMPReader r;
  r.LoadFromBytes(Bmp(1, -2, 24, 0, {1, 2, 3, 0, 4, 5, 6, 0}));
  EXPECT_EQ(r.RowCount(), 2u);
  EXPECT_EQ(r.ColorAt(0, 0).Blue, 1);  // the first row in memory is the top row
  EXPECT_EQ(r.ColorAt(0, 1).Blue, 4);
}

TEST(BmpLoad, CoreHeaderWithThreeBytePalette) {
  Bytes b;
  b.str("BM").le32(0).le32(0).le32(14 + 12 + 6);
  b.le32(12).le16(2).le16(1).le16(1).le16(1);
  b.u8(0x10).u8(0x20).u8(0x30).u8(0xA0).u8(0xB0).u8(0xC0);
  b.u8(0x40).zeros(3);
  TBMPReader r;
  r.LoadFromBytes(b.v);
  EXPECT_EQ(r.Width(), 2);
  EXPECT_EQ(r.ColorAt(0, 0).Red, 0x30);
  EXPECT_EQ(r.ColorAt(1, 0).Red, 0xC0);
}

// ---- Files written by real encoders, compared pixel by pixel with the encoder's own decoding ----

std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
  std::ifstream f(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void ExpectSamePixels(const TBMPReader& r, const std::vector<uint8_t>& rgba, const std::string& what, int tolerance) {
  ASSERT_EQ(rgba.size(), size_t(r.Width()) * r.RowCount() * 4) << what;
  int worst = 0;
  for (uint32_t y = 0; y < r.RowCount(); ++y)
    for (uint32_t x = 0; x < uint32_t(r.Width()); ++x) {
      const TRGBQuad c = r.ColorAt(x, y);
      const uint8_t* p = &rgba[(size_t(y) * r.Width() + x) * 4];
      worst = std::max({worst, std::abs(c.Red - p[0]), std::abs(c.Green - p[1]), std::abs(c.Blue - p[2])});
    }
  EXPECT_LE(worst, tolerance) << what;
}

TEST(BmpRealFiles, EveryDepthAndCompressionWrittenByImageMagick) {
  const std::string im = test::ImageMagick();
  if (im.empty()) GTEST_SKIP() << "ImageMagick is not installed";
  test::TempDir dir;
  const auto source = dir / "source.png";
  ASSERT_TRUE(test::Run(im + " -size 37x13 gradient:red-blue -fill green -draw 'circle 10,6 14,6' " + source.string()));
  struct Case {
    const char* name;
    const char* options;
    uint16_t bits;
    uint32_t compression;
  };
  for (const Case& c : {Case{"p1", "-monochrome BMP3:", 1, 0}, Case{"p4", "-colors 16 -type palette -compress none BMP3:", 4, 0},
                        Case{"p8", "-type palette -compress none BMP3:", 8, 0},
                        Case{"rle8", "-type palette -compress RLE BMP3:", 8, 1},
                        Case{"t24", "-type truecolor BMP3:", 24, 0},
                        Case{"t32", "-alpha on -type truecoloralpha BMP:", 32, 3},
                        Case{"rgb565", "-define bmp:subtype=RGB565 BMP:", 16, 3},
                        Case{"rgb555", "-define bmp:subtype=RGB555 BMP:", 16, 3},
                        Case{"os2", "-type palette BMP2:", 8, 0}}) {
    const auto file = dir / (std::string(c.name) + ".bmp");
    ASSERT_TRUE(test::Run(im + " " + source.string() + " " + c.options + file.string())) << c.name;
    const auto rgba = test::Capture(im + " " + file.string() + " -depth 8 rgba:-");
    TBMPReader r;
    ASSERT_NO_THROW(r.LoadFromFile(file)) << c.name;
    EXPECT_EQ(r.BitCount(), c.bits) << c.name;
    EXPECT_EQ(r.Compression(), c.compression) << c.name;
    EXPECT_EQ(r.Width(), 37) << c.name;
    ExpectSamePixels(r, std::vector<uint8_t>(rgba.begin(), rgba.end()), c.name, 1);
  }
}

TEST(BmpRealFiles, FfmpegPixelFormats) {
  if (!test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  test::TempDir dir;
  for (const char* format : {"pal8", "rgb555", "rgb565", "rgb444", "bgr24", "bgra", "monob", "rgb8", "rgb4_byte"}) {
    const auto file = dir / (std::string(format) + ".bmp"), raw = dir / (std::string(format) + ".rgba");
    FC_FFMPEG_OR_SKIP(std::string("-f lavfi -i testsrc=s=41x17 -frames:v 1 -pix_fmt ") + format, file);
    ASSERT_TRUE(test::Run("ffmpeg -nostdin -y -loglevel error -i " + file.string() + " -f rawvideo -pix_fmt rgba " +
                          raw.string()));
    TBMPReader r;
    ASSERT_NO_THROW(r.LoadFromFile(file)) << format;
    // FFmpeg widens 4-bit channels by shifting (0xF -> 0xF0) where we scale (0xF -> 0xFF).
    ExpectSamePixels(r, ReadAll(raw), format, std::string(format) == "rgb444" ? 15 : 8);
  }
}

}  // namespace
}  // namespace fc
