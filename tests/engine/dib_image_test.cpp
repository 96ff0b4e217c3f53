#include "engine/dib_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/frame_grab.h"
#include "media_fixture.h"

namespace fc {
namespace {

TEST(DibImageTest, LoadsAPictureAsOpaqueBgra) {
  FC_REQUIRE_FFMPEG();
  // Red on the left half, blue on the right.
  const std::string png = test::MakeMedia(
      "halves.png", "color=c=red:size=8x4,pad=16:4:8:0:color=blue", "", "-frames:v 1");
  TDibImage image;
  image.LoadImage(png);
  ASSERT_EQ(image.Width(), 16);
  ASSERT_EQ(image.Height(), 4);
  const TDibHeader h = image.Header();
  EXPECT_EQ(h.BitCount, 32);
  EXPECT_EQ(h.SizeImage, 16u * 4 * 4);
  EXPECT_EQ(image.Pitch(), 64);
  const auto& px = image.Bits();
  // The pad filter put the red picture on the right: x 8..15 red, 0..7 blue.
  EXPECT_GT(px[(1 * 16 + 12) * 4 + 2], 200);  // red channel of a red pixel
  EXPECT_LT(px[(1 * 16 + 12) * 4 + 0], 40);
  EXPECT_GT(px[(1 * 16 + 2) * 4 + 0], 200);   // blue channel of a blue pixel
  EXPECT_EQ(px[3], 255);                       // opaque
  const TRgbaImage rgba = image.ToRgba();
  EXPECT_EQ(rgba.Pixels[(1 * 16 + 12) * 4 + 0], px[(1 * 16 + 12) * 4 + 2]);
}

TEST(DibImageTest, KeepsAlphaOfAPng) {
  FC_REQUIRE_FFMPEG();
  const std::string png = test::MakeMedia("alpha.png", "color=c=white@0.5:size=4x4,format=rgba", "", "-frames:v 1");
  TDibImage image;
  image.LoadImage(png);
  EXPECT_NEAR(image.Bits()[3], 128, 2);
}

TEST(DibImageTest, BadFilesFailAndKeepTheOldPicture) {
  TDibImage image(2, 2);
  image.Bits()[0] = 7;
  EXPECT_THROW(image.LoadImage("/nonexistent/picture.png"), MediaError);
  const auto junk = std::filesystem::temp_directory_path() / "fc_junk.png";
  std::ofstream(junk) << "not a picture";
  EXPECT_THROW(image.LoadImage(junk.string()), MediaError);
  std::filesystem::remove(junk);
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(image.Bits()[0], 7);
  TDibImage copy;
  EXPECT_FALSE(copy.CopyImage(TDibImage{}));
  EXPECT_TRUE(copy.CopyImage(image));
  EXPECT_EQ(copy.Bits(), image.Bits());
  EXPECT_THROW(TDibImage(0, 5), MediaError);
  EXPECT_THROW(TDibImage(100000, 5), MediaError);
}

}  // namespace
}  // namespace fc
