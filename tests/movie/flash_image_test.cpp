#include "movie/flash_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "core/file_io.h"
#include "movie_test_util.h"
#include "readers/jpeg_size.h"
#include "readers/media_source.h"
#include "swf/bits_engine.h"

namespace fc {
namespace {

using Bytes = std::vector<uint8_t>;
const std::filesystem::path kData = std::filesystem::path(FLARECAST_TEST_DATA_DIR) / "movie" / "data";

void Put16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }

// A BMP file: rows given bottom row first, unpadded; palette entries as B, G, R, reserved.
Bytes Bmp(int32_t width, int32_t height, uint16_t bits, const std::vector<std::array<uint8_t, 4>>& palette,
          const std::vector<Bytes>& rows) {
  Bytes pixels;
  for (const Bytes& row : rows) {
    pixels.insert(pixels.end(), row.begin(), row.end());
    pixels.resize((pixels.size() + 3) & ~size_t{3}, 0);
  }
  const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
  Bytes b = {'B', 'M'};
  Put32(b, offset + static_cast<uint32_t>(pixels.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(pixels.size()));
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(palette.size()));
  Put32(b, 0);
  for (const auto& p : palette) b.insert(b.end(), p.begin(), p.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

Bytes Write(TFlashImage& image) {
  Bytes out;
  TBitsEngine be(&out);
  image.WriteToStream(be);
  return out;
}

// The tag code and body of one written tag.
struct TTag {
  uint16_t Code = 0;
  Bytes Body;
};
TTag Split(const Bytes& tag) {
  const uint16_t word = test::WordAt(tag, 0);
  size_t start = 2, length = word & 0x3F;
  if (length == 0x3F) {
    length = tag[2] | (tag[3] << 8) | (tag[4] << 16) | (size_t{tag[5]} << 24);
    start = 6;
  }
  EXPECT_EQ(start + length, tag.size());
  return {static_cast<uint16_t>(word >> 6), Bytes(tag.begin() + static_cast<std::ptrdiff_t>(start), tag.end())};
}

Bytes Inflate(std::span<const uint8_t> data, size_t size) {
  Bytes out(size + 16);
  uLongf n = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(out.data(), &n, data.data(), static_cast<uLong>(data.size())), Z_OK);
  out.resize(n);
  return out;
}

std::filesystem::path Scratch(const std::string& name, const Bytes& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("flash_image_test_" + name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// Lossless tags: ID, format, width, height (and the colour count), then the zlib data.
TEST(FlashImage, BitmapsBecomeLosslessTagsTopRowFirst) {
  {  // 24 bits, width 3: every pixel FF R G B, no padding
    TFlashImage image;
    image.SetID(7);
    image.LoadBitmapFromStream(Bmp(3, 2, 24, {}, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}}));
    EXPECT_EQ(image.BitmapFormat, kImage32);
    EXPECT_FALSE(image.HasAlpha);
    EXPECT_EQ(image.MinVersion(), 2);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 20);
    EXPECT_EQ(Bytes(tag.Body.begin(), tag.Body.begin() + 7), (Bytes{7, 0, 5, 3, 0, 2, 0}));
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(7), 24),
              (Bytes{255, 12, 11, 10, 255, 15, 14, 13, 255, 18, 17, 16, 255, 3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7}));
    EXPECT_EQ(image.DataState, TImageDataState::Compressed);
    EXPECT_EQ(Write(image), Write(image)) << "encoded once, written again the same";
  }
  {  // 8 bits, width 5: the palette (R, G, B), then rows of 8 index bytes
    TFlashImage image;
    image.SetID(2);
    image.LoadBitmapFromStream(Bmp(5, 1, 8, {{10, 20, 30, 0}, {40, 50, 60, 0}}, {{0, 1, 1, 0, 1}}));
    EXPECT_EQ(image.BitmapFormat, kImagePalette);
    EXPECT_EQ(image.RowWidth, 8);
    EXPECT_EQ(image.PaletteSize, 2);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 20);
    EXPECT_EQ(Bytes(tag.Body.begin(), tag.Body.begin() + 8), (Bytes{2, 0, 3, 5, 0, 1, 0, 1}));
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(8), 14), (Bytes{30, 20, 10, 60, 50, 40, 0, 1, 1, 0, 1, 0, 0, 0}));
  }
  {  // 4 bits are expanded to one byte per pixel
    TFlashImage image;
    image.LoadBitmapFromStream(Bmp(3, 1, 4, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {{0x10, 0x10}}));
    const TTag tag = Split(Write(image));
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(8), 10), (Bytes{0, 0, 0, 255, 255, 255, 1, 0, 1, 0}));
  }
  {  // 16 bits (5-5-5): format 4, each pixel's bytes swapped, rows padded to even widths
    TFlashImage image;
    image.LoadBitmapFromStream(Bmp(1, 1, 16, {}, {{0x1F, 0x7C}}));
    EXPECT_EQ(image.BitmapFormat, kImage15);
    EXPECT_EQ(image.RowWidth, 2);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Body[2], 4);
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(7), 4), (Bytes{0x7C, 0x1F, 0, 0}));
  }
}

// Pictures with transparency keep it: every 32-bit and PNG picture is scanned, and one with
// a pixel that is not opaque is written with alpha, premultiplied as the players read it.
TEST(FlashImage, TransparencyIsKeptAndPremultiplied) {
  {
    TFlashImage image;
    image.LoadBitmapFromStream(Bmp(3, 1, 32, {}, {{200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0}}));
    EXPECT_TRUE(image.HasAlpha);
    EXPECT_EQ(image.MinVersion(), 3);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 36);
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(7), 12), (Bytes{255, 50, 100, 200, 128, 25, 50, 100, 0, 0, 0, 0}));
  }
  {  // a fourth byte that is 0 everywhere is unused: opaque
    TFlashImage image;
    image.LoadBitmapFromStream(Bmp(1, 1, 32, {}, {{1, 2, 3, 0}}));
    EXPECT_FALSE(image.HasAlpha);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 20);
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(7), 4), (Bytes{255, 3, 2, 1}));
  }
  {
    TFlashImage image;
    image.LoadFromFile(kData / "rgba.png");
    EXPECT_EQ(image.Width, 4);
    EXPECT_EQ(image.Height, 2);
    EXPECT_TRUE(image.HasAlpha);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 36);
    const Bytes pixels = Inflate(std::span(tag.Body).subspan(7), 32);
    EXPECT_EQ(Bytes(pixels.begin(), pixels.begin() + 16), (Bytes{255, 255, 0, 0, 128, 0, 0, 128, 0, 0, 0, 0, 255, 0, 255, 0}));
  }
  {  // a palette PNG with tRNS stays colour-mapped, with RGBA palette entries
    TFlashImage image;
    image.LoadFromFile(kData / "palette.png");
    EXPECT_EQ(image.BitmapFormat, kImagePalette);
    EXPECT_TRUE(image.HasAlpha);
    const std::vector<uint8_t> rgba = image.DecodeRGBA();
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 4), (Bytes{255, 0, 0, 255}));
    EXPECT_EQ(rgba[4 * 4 + 3], 0);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 36);
    EXPECT_EQ(tag.Body[2], kImagePalette);
  }
  {  // an 8-bit BMP whose palette mixes alpha 0 and 255 names its transparent entry
    TFlashImage image;
    image.LoadBitmapFromStream(Bmp(2, 1, 8, {{10, 20, 30, 255}, {40, 50, 60, 0}}, {{0, 1}}));
    EXPECT_TRUE(image.HasAlpha);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 36);
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(8), 12), (Bytes{30, 20, 10, 255, 0, 0, 0, 0, 0, 1, 0, 0}));
  }
  {  // an 8-bit palette with a transparent entry set by the caller: written 0, 0, 0, 0
    TFlashImage image;
    image.LoadBitmapFromStream(Bmp(1, 1, 8, {{10, 20, 30, 0}, {40, 50, 60, 0}}, {{1}}));
    EXPECT_FALSE(image.HasAlpha);
    image.SetTransparentIndex(1, 0);
    EXPECT_TRUE(image.HasAlpha);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 36);
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(8), 12), (Bytes{30, 20, 10, 255, 0, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_THROW(image.SetTransparentIndex(0, 0), Error) << "already encoded";
  }
}

TEST(FlashImage, JPEGFilesPassThroughAndProgressiveOnesAreMadeBaseline) {
  const Bytes file = ReadFileBytes(kData / "baseline.jpg");
  {
    TFlashImage image;
    image.SetID(3);
    image.LoadFromFile(kData / "baseline.jpg");
    EXPECT_TRUE(image.IsJPEG);
    EXPECT_EQ(image.DataState, TImageDataState::JPEGInFile);
    EXPECT_EQ(image.Width, 16);
    EXPECT_EQ(image.Height, 8);
    EXPECT_TRUE(image.Data.empty()) << "streamed from the file while written";
    EXPECT_EQ(image.MinVersion(), 2);
    Bytes body = {3, 0, 0xFF, 0xD9, 0xFF, 0xD8};
    body.insert(body.end(), file.begin(), file.end());
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 21);
    EXPECT_EQ(tag.Body, body);
  }
  {  // with an alpha plane: DefineBitsJPEG3, the offset of the alpha data, zlib alpha
    TFlashImage image;
    image.LoadJPEGFromMemory(file);
    EXPECT_EQ(image.DataState, TImageDataState::InMemory);
    EXPECT_THROW(image.SetAlphaData(Bytes(10, 1)), Error);
    const Bytes alpha(16 * 8, 77);
    image.SetAlphaData(alpha);
    EXPECT_EQ(image.MinVersion(), 3);
    const TTag tag = Split(Write(image));
    EXPECT_EQ(tag.Code, 35);
    const uint32_t offset = tag.Body[2] | (tag.Body[3] << 8) | (tag.Body[4] << 16) | (uint32_t{tag.Body[5]} << 24);
    EXPECT_EQ(offset, 4 + file.size());
    EXPECT_EQ(Bytes(tag.Body.begin() + 6, tag.Body.begin() + 10), (Bytes{0xFF, 0xD9, 0xFF, 0xD8}));
    EXPECT_EQ(Inflate(std::span(tag.Body).subspan(6 + offset), alpha.size()), alpha);
  }
  {
    TFlashImage image;
    image.LoadFromFile(kData / "progressive.jpg");
    EXPECT_EQ(image.DataState, TImageDataState::ConvertedJPEG);
    EXPECT_EQ(image.Width, 16);
    EXPECT_EQ(image.Height, 8);
    uint16_t w = 0, h = 0;
    EXPECT_TRUE(ReadJPEGSize(TMemorySource(image.Data.data(), image.Data.size()), w, h)) << "baseline";
    EXPECT_EQ(w, 16);
    const std::vector<uint8_t> rgba = image.DecodeRGBA();
    EXPECT_GT(rgba[0], 200);  // red at the left
    EXPECT_LT(rgba[2], 60);
  }
  {  // conversion off: it stays in its file until conversion is turned on
    TFlashImage image;
    image.ConvertProgressive = false;
    image.LoadFromFile(kData / "progressive.jpg");
    EXPECT_EQ(image.DataState, TImageDataState::JPEGInFile);
    EXPECT_EQ(image.Width, 0);
    image.SetConvertProgressive(true);
    EXPECT_EQ(image.DataState, TImageDataState::ConvertedJPEG);
    EXPECT_EQ(image.Width, 16);
  }
  {  // forced lossless: the decoded pixels, opaque
    TFlashImage image;
    image.LoadFromFile(kData / "baseline.jpg");
    image.MakeLossless();
    EXPECT_FALSE(image.IsJPEG);
    EXPECT_EQ(image.BitmapFormat, kImage32);
    EXPECT_FALSE(image.HasAlpha);
    EXPECT_EQ(Split(Write(image)).Code, 20);
  }
  {  // an alpha plane from a mask: its grey level, or its alpha where it has any
    TFlashImage image;
    image.LoadFromFile(kData / "baseline.jpg");  // 16x8
    Bytes grey(16 * 8 * 4, 255), translucent(16 * 8 * 4, 255);
    grey[0] = grey[1] = grey[2] = 0;                  // black: clear
    grey[4] = 255, grey[5] = 0, grey[6] = 0;          // pure red: its luma
    translucent[3] = 10;                              // an alpha channel wins over the colour
    TFlashImage grey_mask, alpha_mask, small_mask;
    grey_mask.SetRGBA(16, 8, grey);
    alpha_mask.SetRGBA(16, 8, translucent);
    small_mask.SetRGBA(8, 8, Bytes(8 * 8 * 4, 255));
    image.SetAlphaFromMask(grey_mask);
    ASSERT_EQ(image.AlphaData.size(), 128u);
    EXPECT_EQ(image.AlphaData[0], 0);
    EXPECT_EQ(image.AlphaData[1], 76);  // 0.299 of white
    EXPECT_EQ(image.AlphaData[2], 255);
    image.SetAlphaFromMask(alpha_mask);
    EXPECT_EQ(image.AlphaData[0], 10);
    EXPECT_EQ(image.AlphaData[1], 255);
    EXPECT_EQ(Split(Write(image)).Code, 35);  // DefineBitsJPEG3
    EXPECT_THROW(image.SetAlphaFromMask(small_mask), Error);
  }
}

// Broken pictures are refused with a message, never shown half or loaded without limit.
TEST(FlashImage, CutHugeAndUnknownPicturesAreRefused) {
  for (const char* name : {"baseline.jpg", "progressive.jpg", "rgba.png"}) {
    const Bytes file = ReadFileBytes(kData / name);
    const auto cut = Scratch(std::string("cut_") + name, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * 2 / 3)));
    TFlashImage image;
    try {
      image.LoadFromFile(cut);
      ADD_FAILURE() << name << " cut was loaded";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(cut.string()), std::string::npos) << e.what();
    }
    std::filesystem::remove(cut);
  }
  {  // a BMP header claiming 100000 x 100000 pixels
    Bytes bmp = Bmp(1, 1, 24, {}, {{0, 0, 0}});
    bmp[18] = 0xA0, bmp[19] = 0x86, bmp[20] = 0x01;  // width 100000
    bmp[22] = 0xA0, bmp[23] = 0x86, bmp[24] = 0x01;  // height 100000
    TFlashImage image;
    EXPECT_THROW(image.LoadBitmapFromStream(bmp), FormatError);
  }
  {  // a PNG header claiming 60000 x 60000 pixels
    Bytes png = ReadFileBytes(kData / "rgba.png");
    png[16 + 2] = 0xEA, png[16 + 3] = 0x60, png[20 + 2] = 0xEA, png[20 + 3] = 0x60;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + 12, 17));
    png[29] = uint8_t(crc >> 24), png[30] = uint8_t(crc >> 16), png[31] = uint8_t(crc >> 8), png[32] = uint8_t(crc);
    TFlashImage image;
    try {
      image.LoadPNGFromMemory(png);
      ADD_FAILURE() << "huge PNG loaded";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
  }
  {
    TFlashImage image;
    try {
      image.LoadFromFile("picture.gif");
      ADD_FAILURE();
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Image format \"GIF\" not supported!");
    }
    std::string seen;
    SetCustomImageLoader([&](TFlashImage& target, const std::filesystem::path&, const std::string& extension) {
      seen = extension;
      target.SetRGBA(1, 1, Bytes{1, 2, 3, 255});
    });
    image.LoadFromFile("picture.gif");
    SetCustomImageLoader(nullptr);
    EXPECT_EQ(seen, "GIF");
    EXPECT_EQ(image.Width, 1);
  }
}

TEST(FlashImage, TheMovieAddsImagesAsResources) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashImage* empty = movie.AddImage();
  EXPECT_EQ(empty->GetID(), 1);
  TFlashImage* picture = movie.AddImage(kData / "baseline.jpg");
  EXPECT_EQ(picture->GetID(), 2);
  EXPECT_EQ(movie.Images, (TFlashObjectList<TFlashImage>{empty, picture}));
  EXPECT_TRUE(picture->IsResource());

  int calls = 0;
  movie.OnLoadImage = [&](TFlashImage&, const std::filesystem::path&) { return ++calls > 1; };
  EXPECT_EQ(movie.AddImage(kData / "baseline.jpg")->DataState, TImageDataState::None) << "cancelled";
  EXPECT_EQ(movie.AddImage(kData / "rgba.png")->Width, 4);
  EXPECT_THROW(movie.AddImage(kData / "missing.png"), IoError);
  EXPECT_EQ(movie.Images.size(), 4u) << "a failed load adds nothing";

  movie.ShowFrame();
  auto reader = test::ReadBack(movie);
  EXPECT_EQ(test::Codes(*reader), (std::vector<uint16_t>{21, 36, 1, 0})) << "empty images write nothing";
  EXPECT_GE(movie.Version(), 3);
}

}  // namespace
}  // namespace fc
