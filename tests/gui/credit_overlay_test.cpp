#include "gui/model/credit_overlay.h"

#include <gtest/gtest.h>

namespace fc::gui {
namespace {

TBaseInfo Frame(int32_t width, int32_t height) {
  TBaseInfo base;
  base.Width = width;
  base.Height = height;
  return base;
}

TEST(CreditOverlay, MoviePixelsMapToThePreviewAndBack) {
  // A 640 × 480 frame shown in the 320 × 281 preview: half size, the control bar excluded.
  const TCreditOverlayGeometry g(320, 281, Frame(640, 480));
  EXPECT_EQ(g.VideoHeight(), 240);
  TTextInfo text;
  text.X = 101;
  text.Y = 50;
  EXPECT_EQ(g.TextRect(text), (TOverlayRect{50, 25, 0, 0}));  // 50.5 rounds to even
  EXPECT_EQ(g.TextPointSize(24), 12);                         // round(12 + 0.5), halves to even
  EXPECT_EQ(g.TextPointSize(26), 14);                         // round(13.5)

  TImageInfo image;
  image.X = 100;
  image.Y = 40;
  image.Width = 200;
  image.Height = 100;
  const TOverlayRect shown = g.PictureRect(image);
  EXPECT_EQ(shown, (TOverlayRect{50, 20, 100, 50}));
  TImageInfo back;
  g.StorePicture(shown, back);
  EXPECT_EQ(back.X, 100);
  EXPECT_EQ(back.Y, 40);
  EXPECT_EQ(back.Width, 200);
  EXPECT_EQ(back.Height, 100);
  TTextInfo text_back;
  g.StoreText({25, 30, 0, 0}, text_back);
  EXPECT_EQ(text_back.X, 50);
  EXPECT_EQ(text_back.Y, 60);
}

TEST(CreditOverlay, APictureLargerThanThePreviewIsShownSmaller) {
  const TCreditOverlayGeometry g(320, 281, Frame(1920, 1080));
  TImageInfo image;
  image.Width = 800;
  image.Height = 120;
  // min(0.9 × 320 / 800, 0.9 × 240 / 120 capped at 1) = 0.36 for both directions.
  EXPECT_EQ(g.PictureRect(image), (TOverlayRect{0, 0, 288, 43}));
}

TEST(CreditOverlay, NoSizeAnywhereNeverDividesByZero) {
  TImageInfo image;
  image.X = 10;
  image.Width = 0;
  image.Height = 0;
  for (const TCreditOverlayGeometry& g :
       {TCreditOverlayGeometry(0, 0, Frame(640, 480)), TCreditOverlayGeometry(320, 281, Frame(0, 0)),
        TCreditOverlayGeometry(320, 30, Frame(640, 480))}) {
    const TOverlayRect rect = g.PictureRect(image);
    EXPECT_GE(rect.Width, 0);
    TImageInfo back;
    g.StorePicture({5, 5, 20, 20}, back);
    EXPECT_GE(back.Width, 0);
    EXPECT_GE(g.TextPointSize(12), 0);
    TTextInfo text;
    text.X = 5;
    EXPECT_GE(g.TextRect(text).Left, 0);
  }
}

TEST(CreditOverlay, DraggingStaysOnTheVideoAndResizingKeepsFifteenPixels) {
  const TCreditOverlayGeometry g(320, 281, Frame(640, 480));
  const TOverlayRect start{100, 100, 50, 40};
  EXPECT_EQ(g.Drag(start, 10, 10, 30, 5), (TOverlayRect{120, 95, 50, 40}));
  EXPECT_EQ(g.Drag(start, 0, 0, -500, -500), (TOverlayRect{0, 0, 50, 40}));
  EXPECT_EQ(g.Drag(start, 0, 0, 500, 500), (TOverlayRect{270, 200, 50, 40}));  // 240 − 40
  // A picture wider than the control still has a place to go.
  EXPECT_EQ(g.Drag({0, 0, 400, 300}, 0, 0, 50, 50), (TOverlayRect{0, 0, 400, 300}));

  EXPECT_EQ(g.Resize(start, kEdgeRight | kEdgeBottom, 0, 0, 10, -5), (TOverlayRect{100, 100, 60, 35}));
  EXPECT_EQ(g.Resize(start, kEdgeLeft, 0, 0, -20, 0), (TOverlayRect{80, 100, 70, 40}));
  // The left edge pushed past the right one: the width stops at 15 and the left stays.
  EXPECT_EQ(g.Resize(start, kEdgeLeft | kEdgeTop, 0, 0, 60, 60), (TOverlayRect{100, 100, 15, 15}));
  EXPECT_EQ(g.Resize(start, kEdgeRight, 0, 0, -100, 0).Width, 15);
}

}  // namespace
}  // namespace fc::gui
