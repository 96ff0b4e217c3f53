#include "gui/model/view_geometry.h"

#include <gtest/gtest.h>

namespace fc::gui {
namespace {

// A 353 × 265 view of a 320 × 240 picture.
TViewGeometry Geometry(int32_t resize_mode = 1) {
  TViewGeometry g;
  g.ClientWidth = 353;
  g.ClientHeight = 265;
  g.HasPlayer = true;
  g.ResizeMode = resize_mode;
  g.FrameWidth = 320;
  g.FrameHeight = 240;
  return g;
}

TEST(ViewGeometryTest, DisplayRectFollowsTheResizeModeAndTheAspect) {
  EXPECT_EQ(DisplayRect(Geometry(2)), (TViewRect{0, 33, 353, 232}));
  EXPECT_EQ(DisplayRect(Geometry(0)), (TViewRect{0, 0, 353, 265}));
  // 4:3 in a view a little narrower than 4:3: full width.
  EXPECT_EQ(DisplayRect(Geometry(3)), (TViewRect{0, 0, 353, 265}));
  TViewGeometry wide = Geometry(1);
  wide.ClientWidth = 500;
  EXPECT_EQ(DisplayRect(wide), (TViewRect{(500 - 353) / 2, 0, (500 - 353) / 2 + 353, 265}));
  // The display aspect wins over the pixel size; the output size in view mode 1.
  TViewGeometry anamorphic = Geometry(1);
  anamorphic.AspectX = 16;
  anamorphic.AspectY = 9;
  EXPECT_EQ(DisplayRect(anamorphic), (TViewRect{0, 33, 353, 232}));
  TViewGeometry output = Geometry(1);
  output.ViewMode = 1;
  output.DisplayWidth = 400;
  output.DisplayHeight = 100;
  EXPECT_EQ(DisplayRect(output), (TViewRect{0, 88, 353, 176}));
  // Mode 5 always fits the height.
  TViewGeometry tall = Geometry(5);
  tall.ClientWidth = 100;
  EXPECT_EQ(DisplayRect(tall).Height(), 265);
  // Nothing divides by zero: an empty view or a picture of no size.
  TViewGeometry empty = Geometry(1);
  empty.ClientWidth = empty.ClientHeight = 0;
  empty.FrameWidth = empty.FrameHeight = 0;
  const TViewRect r = DisplayRect(empty);
  EXPECT_EQ(r.Width(), 0);
  EXPECT_EQ(r.Height(), 0);
}

TEST(ViewGeometryTest, WithoutAPlayerTheViewIsTheDisplayAndConversionsCopy) {
  TViewGeometry g = Geometry();
  g.HasPlayer = false;
  EXPECT_EQ(DisplayRect(g), (TViewRect{0, 0, 353, 265}));
  EXPECT_EQ(ViewToPicture(g, {5, 6, 70, 80}), (TCropRect{5, 6, 70, 80}));
  EXPECT_EQ(PictureToView(g, {5, 6, 70, 80}), (TViewRect{5, 6, 70, 80}));
}

TEST(ViewGeometryTest, ViewAndPicturePixelsConvertBothWays) {
  TViewGeometry g = Geometry(0);  // the view fills 353 × 265 with 320 × 240
  g.ClientWidth = 640;
  g.ClientHeight = 480;  // exactly twice
  const TViewRect view = PictureToView(g, {10, 20, 110, 220});
  EXPECT_EQ(view, (TViewRect{20, 40, 219, 439}));
  EXPECT_EQ(ViewToPicture(g, view), (TCropRect{10, 20, 110, 220}));
  // The output size is the picture in view mode 1.
  TViewGeometry output = g;
  output.ViewMode = 1;
  output.DisplayWidth = 160;
  output.DisplayHeight = 120;
  output.ResizeMode = 1;
  EXPECT_EQ(PictureToView(output, {0, 0, 160, 120}), (TViewRect{0, 0, 639, 479}));
}

TEST(ViewGeometryTest, ConstraintsKeepTheMinimumAndTheDisplay) {
  const TViewRect bounds{0, 33, 353, 232};
  // Never below 16 × 16.
  EXPECT_EQ(Constrain({50, 50, 55, 52}, bounds, kConstrainMove), (TViewRect{50, 50, 66, 66}));
  // A resize clips the edges.
  EXPECT_EQ(Constrain({-5, 20, 400, 300}, bounds, kConstrainResize), (TViewRect{0, 33, 352, 231}));
  // A move shifts the rectangle back in, keeping its size.
  EXPECT_EQ(Constrain({340, 220, 380, 260}, bounds, kConstrainMove), (TViewRect{312, 191, 352, 231}));
  EXPECT_EQ(Constrain({-10, 10, 30, 50}, bounds, kConstrainMove), (TViewRect{0, 33, 40, 73}));
  // A display smaller than the minimum: the limits still hold (no negative size).
  const TViewRect tiny{0, 0, 10, 8};
  const TViewRect r = Constrain({0, 0, 16, 16}, tiny, kConstrainBoth);
  EXPECT_GE(r.Width(), 0);
  EXPECT_GE(r.Height(), 0);
  EXPECT_GE(r.Left, tiny.Left);
  EXPECT_LE(r.Right, tiny.Right - 1);
}

TEST(ViewGeometryTest, HandlesHaveTheirAnchorsEdgesAndCursors) {
  const TViewRect area{10, 20, 41, 61};  // 31 × 41: middles truncate
  EXPECT_EQ(HandleRect(area, 0), (TViewRect{7, 17, 14, 24}));
  EXPECT_EQ(HandleRect(area, 1), (TViewRect{10 + 15 - 3, 17, 10 + 15 + 4, 24}));
  EXPECT_EQ(HandleRect(area, 4), (TViewRect{38, 20 + 20 - 3, 45, 20 + 20 + 4}));
  EXPECT_EQ(HandleRect(area, 7), (TViewRect{38, 58, 45, 65}));
  EXPECT_TRUE(HandleEdges(0).Left && HandleEdges(0).Top && !HandleEdges(0).Right);
  EXPECT_TRUE(HandleEdges(5).Left && HandleEdges(5).Bottom && !HandleEdges(5).Top);
  EXPECT_TRUE(HandleEdges(6).Bottom && !HandleEdges(6).Left && !HandleEdges(6).Right);
  EXPECT_EQ(HandleCursor(0), TCropCursor::SizeNwSe);
  EXPECT_EQ(HandleCursor(2), TCropCursor::SizeNeSw);
  EXPECT_EQ(HandleCursor(3), TCropCursor::SizeWe);
  EXPECT_EQ(HandleCursor(6), TCropCursor::SizeNs);
  EXPECT_EQ(HandleCursor(8), TCropCursor::Arrow);
  EXPECT_EQ(HandleRect(area, -1), TViewRect{});
}

// A visible crop area over the 16:9 display of the 353 × 265 view.
TCropArea VisibleArea(const TCropRect& rect) {
  TCropArea area;
  area.SetGeometry(Geometry(2));
  area.SetVisible(true);
  area.SetVideoRect(rect);
  return area;
}

TEST(CropAreaTest, DraggingMovesWithinTheDisplayAndSetVideoRectWaitsForIt) {
  TCropArea area = VisibleArea({0, 0, 160, 120});
  const TViewRect start = area.ViewRect();
  EXPECT_EQ(area.CursorAt(start.Left + 30, start.Top + 30), TCropCursor::SizeAll);
  ASSERT_TRUE(area.Press(start.Left + 30, start.Top + 30));
  EXPECT_TRUE(area.MoveTo(start.Left + 40, start.Top + 35));
  EXPECT_EQ(area.ViewRect(), start.Moved(10, 5));
  // The owner's rectangle is ignored while the user drags.
  EXPECT_FALSE(area.SetVideoRect({1, 1, 50, 50}));
  EXPECT_EQ(area.ViewRect(), start.Moved(10, 5));
  // Far beyond the display: held at its bottom-right.
  EXPECT_TRUE(area.MoveTo(1000, 1000));
  EXPECT_EQ(area.ViewRect().Right, 352);
  EXPECT_EQ(area.ViewRect().Bottom, 231);
  area.Release();
  EXPECT_EQ(area.VideoRect().Right, 320);
  EXPECT_EQ(area.VideoRect().Bottom, 240);
  EXPECT_TRUE(area.SetVideoRect({1, 1, 50, 50}));
  // A press outside or on a hidden area starts nothing.
  EXPECT_FALSE(area.Press(1, 1));
  area.SetVisible(false);
  EXPECT_FALSE(area.Press(area.ViewRect().Left + 2, area.ViewRect().Top + 2));
}

TEST(CropAreaTest, HandlesResizeButNeverBelowTheMinimum) {
  TCropArea area = VisibleArea({80, 60, 240, 180});
  const TViewRect start = area.ViewRect();
  const TViewRect corner = HandleRect(start, 7);
  ASSERT_EQ(area.HandleAt(corner.Left + 3, corner.Top + 3), 7);
  ASSERT_TRUE(area.Press(corner.Left + 3, corner.Top + 3));
  EXPECT_TRUE(area.MoveTo(corner.Left + 13, corner.Top + 8));
  EXPECT_EQ(area.ViewRect(), (TViewRect{start.Left, start.Top, start.Right + 10, start.Bottom + 5}));
  // Shrinking far past the left edge: the rectangle stops at 16 × 16.
  area.MoveTo(-500, -500);
  EXPECT_EQ(area.ViewRect().Width(), kCropMinSize);
  EXPECT_EQ(area.ViewRect().Height(), kCropMinSize);
  area.Release();

  // The left handle may not leave less than 16.
  const TViewRect now = area.ViewRect();
  const TViewRect left = HandleRect(now, 3);
  ASSERT_TRUE(area.Press(left.Left + 3, left.Top + 3));
  EXPECT_FALSE(area.MoveTo(left.Left + 3 + 50, left.Top + 3));
  EXPECT_EQ(area.ViewRect().Left, now.Left);
  area.Release();
  // Hidden handles catch nothing.
  area.SetHandlesVisible(false);
  EXPECT_EQ(area.HandleAt(left.Left + 3, left.Top + 3), -1);
}

TEST(CropAreaTest, ALeftEdgeStopsAtTheDisplayAndNeverGoesNegative) {
  TViewGeometry wide = Geometry(1);
  wide.ClientWidth = 500;  // the picture lies from x 73 to 426
  TCropArea area;
  area.SetGeometry(wide);
  area.SetVisible(true);
  area.SetVideoRect({100, 60, 300, 200});
  const TViewRect start = area.ViewRect();
  ASSERT_EQ(start.Left, 183);
  const int32_t y = HandleRect(start, 3).Top + 3;
  ASSERT_TRUE(area.Press(start.Left, y));
  EXPECT_TRUE(area.MoveTo(10, y));
  EXPECT_EQ(area.ViewRect().Left, 73);
  area.Release();
  EXPECT_EQ(area.VideoRect().Left, 0);
  // A travel that would take the edge below 0 is not taken.
  ASSERT_TRUE(area.Press(73, y));
  EXPECT_FALSE(area.MoveTo(-500, y));
  EXPECT_EQ(area.ViewRect().Left, 73);
  area.Release();
}

TEST(CropAreaTest, KeysNudgeAndStopAtTheBorder) {
  TCropArea area = VisibleArea({100, 100, 200, 200});
  const TViewRect start = area.ViewRect();
  EXPECT_FALSE(area.Key(TCropKey::Right, false, false));  // a plain arrow is not ours
  EXPECT_TRUE(area.Key(TCropKey::Right, true, false));
  EXPECT_EQ(area.ViewRect(), start.Moved(1, 0));
  EXPECT_TRUE(area.Key(TCropKey::Up, true, false));
  EXPECT_EQ(area.ViewRect(), start.Moved(1, -1));
  EXPECT_TRUE(area.Key(TCropKey::Right, false, true));
  EXPECT_EQ(area.ViewRect().Width(), start.Width() + 1);
  EXPECT_TRUE(area.Key(TCropKey::Down, false, true));
  EXPECT_EQ(area.ViewRect().Height(), start.Height() + 1);

  // At the right border Ctrl+Right and Shift+Right change nothing.
  TCropArea border = VisibleArea({200, 100, 320, 200});
  ASSERT_EQ(border.ViewRect().Right, 352);
  const TViewRect held = border.ViewRect();
  EXPECT_FALSE(border.Key(TCropKey::Right, true, false));
  EXPECT_FALSE(border.Key(TCropKey::Right, false, true));
  EXPECT_EQ(border.ViewRect(), held);
  // Shift+Left stops at 16 wide.
  for (int i = 0; i < 400; ++i) border.Key(TCropKey::Left, false, true);
  EXPECT_EQ(border.ViewRect().Width(), kCropMinSize);
}

TEST(CropAreaTest, ANewGeometryLaysTheAreaOutAgainFromThePicturePixels) {
  TCropArea area = VisibleArea({0, 0, 160, 120});
  const TCropRect picture = area.VideoRect();
  TViewGeometry bigger = Geometry(2);
  bigger.ClientWidth = 706;
  bigger.ClientHeight = 530;
  area.SetGeometry(bigger);
  EXPECT_EQ(area.VideoRect(), picture);
  EXPECT_EQ(area.ViewRect().Left, 0);
  EXPECT_EQ(area.ViewRect().Width(), 353 - 1);
}

}  // namespace
}  // namespace fc::gui
