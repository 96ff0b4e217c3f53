#include "movie/flash_shape.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "movie/flash_button.h"
#include "movie/flash_image.h"
#include "movie_test_util.h"

namespace fc {
namespace {

using test::Dump;

TSWFRGBA Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  TSWFRGBA c(true);
  c.R = r, c.G = g, c.B = b;
  c.SetAlpha(a);
  return c;
}

// --- Tags, bounds and style selection ---

TEST(FlashShape, ARectangleWritesAsDefineShape2) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashShape* shape = movie.AddRectangle({1, 1, 3, 2});
  shape->AddSolidFill(TSWFRGB(255, 0, 0), 255);
  EXPECT_EQ(shape->GetID(), 1);
  EXPECT_EQ(movie.Shapes, (std::vector<TFlashShape*>{shape}));
  EXPECT_EQ(Dump(shape->Records), "m20,20/f1=1 l40,0 l0,20 l-40,0 l0,-20");
  EXPECT_EQ(shape->MinVersion(), 2);
  std::vector<uint8_t> out;
  TBitsEngine be(&out);
  shape->WriteToStream(be);
  // DefineShape2 (22), ID 1, bounds (20, 60, 20, 40) in 7 bits, one RGB fill FF0000, no
  // lines, widths 1/0, a style change moving to (20, 20) with fill 1, four edges, end.
  EXPECT_EQ(out, (std::vector<uint8_t>{0x99, 0x05, 0x01, 0x00, 0x39, 0x47, 0x85, 0x14, 0x00, 0x01, 0x00, 0xFF,
                                       0x00, 0x00, 0x00, 0x10, 0x14, 0xCA, 0x29, 0xD4, 0x51, 0xA2, 0xA6, 0xA5,
                                       0x8D, 0x1B, 0x00}));
}

TEST(FlashShape, ARectangleAtTheOriginKeepsItsFill) {
  // A move to the origin adds no record; the fill still needs a style change to live in.
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashShape* shape = movie.AddRectangle({0, 0, 2, 1});
  shape->AddSolidFill(Rgba(0, 0, 255));
  EXPECT_EQ(Dump(shape->Records), "m/f1=1 l40,0 l0,20 l-40,0 l0,-20");
  EXPECT_EQ(shape->FillStyle1(), 1);
  // Styles chosen before drawing: the first move takes over their style change.
  TFlashShape* other = movie.AddShape();
  other->AddLineStyle(20, Rgba(0, 0, 0));
  other->Edges.MoveTo(1, 1);
  other->Edges.LineBy(1, 0);
  EXPECT_EQ(Dump(other->Records), "m20,20/l=1 l20,0");
  EXPECT_EQ(movie.Shapes.size(), 2u);
  EXPECT_EQ(other->GetID(), 2);
}

TEST(FlashShape, SelectionsGoToTheFirstOrLastStyleChange) {
  TFlashShape shape;
  shape.Edges.MoveTo(1, 1);
  shape.Edges.LineBy(5, 0);
  shape.Edges.MoveTo(9, 9);
  shape.Edges.LineBy(5, 0);
  shape.AddSolidFill(Rgba(1, 2, 3));
  EXPECT_EQ(Dump(shape.Records), "m1,1/f1=1 l5,0 m9,9 l5,0");
  shape.SelectOnLast = true;
  shape.AddLineStyle();
  shape.SelectFillStyle0(1);
  EXPECT_EQ(Dump(shape.Records), "m1,1/f1=1 l5,0 m9,9/f0=1/l=1 l5,0");
  EXPECT_EQ(shape.LineStyle(), 1);
  EXPECT_EQ(shape.FillStyle1(), 0);  // not selected in the last record
}

TEST(FlashShape, TheTagFollowsWhatTheShapeUses) {
  TFlashShape shape;
  shape.Bounds = TSWFRect::FromScreen({0, 0, 100, 50});
  shape.Edges.LineBy(100, 50);
  shape.AddLineStyle(40, Rgba(0, 0, 0));
  shape.AddLineStyle(10, Rgba(0, 0, 0));
  auto tag = shape.BuildTag();
  EXPECT_EQ(tag->TagID, 22);
  // Grown on every side by half the widest line.
  EXPECT_EQ(tag->ShapeBounds, TSWFRect::FromScreen({-20, -20, 120, 70}));

  shape.AddSolidFill(TSWFRGB(9, 9, 9), 128);
  EXPECT_TRUE(shape.HasAlpha);
  EXPECT_EQ(shape.BuildTag()->TagID, 32);
  EXPECT_EQ(shape.MinVersion(), 3);

  shape.UseLineStyle2 = true;
  tag = shape.BuildTag();
  ASSERT_EQ(tag->TagID, 83);
  EXPECT_EQ(static_cast<TSWFDefineShape4&>(*tag).EdgeBounds, shape.Bounds);
  EXPECT_NE(dynamic_cast<TSWFLineStyle2*>(tag->LineStyles[0].get()), nullptr);
  EXPECT_EQ(shape.MinVersion(), 8);

  // A line with alpha needs RGBA colours too.
  TFlashShape lines;
  lines.AddLineStyle(20, Rgba(0, 0, 0, 100));
  lines.Edges.LineBy(10, 0);
  EXPECT_EQ(lines.BuildTag()->TagID, 32);
}

TEST(FlashShape, WithoutBoundsTheEdgesGiveThem) {
  TFlashShape shape;
  shape.Edges.MoveTo(10, 20);
  shape.Edges.LineBy(30, 0);
  shape.Edges.CurveBy(10, 0, 0, 40);
  EXPECT_EQ(shape.BuildTag()->ShapeBounds, TSWFRect::FromScreen({10, 20, 50, 60}));
}

TEST(FlashShape, ShapesWriteAndReadBackInAMovie) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashShape* shape = movie.AddRectangle({5, 5, 50, 40});
  shape->AddSolidFill(TSWFRGB(0, 128, 0), 100);
  shape->AddLineStyle(40, Rgba(0, 0, 0));
  movie.PlaceObject(shape, 1);
  auto reader = test::ReadBack(movie);
  EXPECT_EQ(test::Codes(*reader), (std::vector<uint16_t>{32, 26, 1, 0}));
  auto& tag = static_cast<TSWFDefineShape&>(*reader->TagList[0]->Object);
  EXPECT_EQ(tag.ShapeID, 1);
  ASSERT_EQ(tag.FillStyles.size(), 1u);
  EXPECT_EQ(static_cast<TSWFColorFill&>(*tag.FillStyles[0]).Color.Alpha(), 100);
  EXPECT_EQ(Dump(tag.Records), "m100,100/f1=1/l=1 l900,0 l0,700 l-900,0 l0,-700 e");
}

// --- Dashed outlines ---

TEST(FlashShape, DashesCutStraightEdgesAndGoOnAcrossThem) {
  TFlashShape shape;
  shape.AddLineStyle(20, Rgba(0, 0, 0));
  shape.Edges.LineBy(1000, 0);
  shape.Edges.LineBy(0, 300);
  shape.DashPattern().Pattern = {10, 5};  // 200 twips dash, 100 gap
  EXPECT_EQ(Dump(shape.BuildTag()->Records),
            "m/l=1 l200,0 m300,0 l200,0 m600,0 l200,0 m900,0 l100,0 l0,100 m1000,200 l0,100");
}

TEST(FlashShape, AGapColourDrawsTheGaps) {
  TFlashShape shape;
  shape.AddLineStyle(20, Rgba(0, 0, 0));
  shape.Edges.LineBy(1000, 0);
  shape.DashPattern().Pattern = {10, 5};
  shape.GapColor() = Rgba(255, 255, 0, 128);
  auto tag = shape.BuildTag();
  EXPECT_EQ(tag->TagID, 32);  // the gap colour has alpha
  ASSERT_EQ(tag->LineStyles.size(), 2u);
  EXPECT_EQ(tag->LineStyles[1]->Width, 20);
  EXPECT_EQ(tag->LineStyles[1]->Color.GetRGBA(), SWFRGBA(255, 255, 0, 128));
  EXPECT_EQ(Dump(tag->Records),
            "m/l=1 l200,0 m/l=2 l100,0 m/l=1 l200,0 m/l=2 l100,0 m/l=1 l200,0 m/l=2 l100,0 m/l=1 l100,0");
  EXPECT_EQ(shape.LineStyles.size(), 1u);  // the shape's own styles are left alone
}

TEST(FlashShape, AClosedFilledOutlineIsFilledFirstThenDashed) {
  TFlashShape shape;
  shape.AddSolidFill(Rgba(255, 0, 0));
  shape.AddLineStyle(20, Rgba(0, 0, 0));
  shape.Edges.MoveTo(10, 10);
  shape.Edges.Rectangle(400, 300);
  shape.DashPattern().Pattern = {10, 10};
  EXPECT_EQ(Dump(shape.BuildTag()->Records),
            "m10,10/f1=1/l=0 l400,0 l0,300 l-400,0 l0,-300 "
            "m10,10/f0=0/f1=0/l=1 l200,0 m410,10 l0,200 m310,310 l-200,0 m10,210 l0,-200");
}

// The pen after the records, and the edges drawn (moves skipped).
struct TWalk {
  TTwipsPoint Pen;
  std::vector<std::pair<TTwipsPoint, TTwipsPoint>> Pieces;
  int Curves = 0;
};

TWalk Walk(const TSWFShapeRecords& records) {
  TWalk w;
  for (const auto& r : records) {
    const TTwipsPoint from = w.Pen;
    if (r->RecordKind == kShapeRecordStyleChange) {
      const auto& s = static_cast<const TSWFStyleChangeRecord&>(*r);
      if (s.HasMoveTo) w.Pen = {s.DeltaX, s.DeltaY};
      continue;
    }
    if (r->RecordKind == kShapeRecordStraightEdge) {
      const auto& e = static_cast<const TSWFStraightEdgeRecord&>(*r);
      w.Pen = {w.Pen.X + e.DeltaX, w.Pen.Y + e.DeltaY};
    } else if (r->RecordKind == kShapeRecordCurvedEdge) {
      const auto& c = static_cast<const TSWFCurvedEdgeRecord&>(*r);
      w.Pen = {w.Pen.X + c.ControlDeltaX + c.AnchorDeltaX, w.Pen.Y + c.ControlDeltaY + c.AnchorDeltaY};
      ++w.Curves;
    }
    w.Pieces.push_back({from, w.Pen});
  }
  return w;
}

double Distance(TTwipsPoint a, TTwipsPoint b) { return std::hypot(double(a.X - b.X), double(a.Y - b.Y)); }

TEST(FlashShape, DashesFollowCurves) {
  TFlashShape shape;
  shape.AddLineStyle(20, Rgba(0, 0, 0));
  shape.Edges.CurveBy(1000, 0, 0, 1000);  // about 1623 twips long
  shape.DashPattern().Pattern = {10, 10};
  const TWalk w = Walk(shape.BuildTag()->Records);
  // Dashes at 0, 400, 800, 1200 and the start of one at 1600.
  ASSERT_EQ(w.Pieces.size(), 5u);
  EXPECT_EQ(w.Pieces.front().first, (TTwipsPoint{0, 0}));
  EXPECT_EQ(w.Pieces.back().second, (TTwipsPoint{1000, 1000}));
  EXPECT_EQ(w.Curves, 4);  // the short last piece is straight
  for (size_t i = 0; i + 1 < w.Pieces.size(); ++i) {
    EXPECT_NEAR(Distance(w.Pieces[i].first, w.Pieces[i].second), 200, 3) << i;          // a dash
    EXPECT_NEAR(Distance(w.Pieces[i].second, w.Pieces[i + 1].first), 200, 3) << i;      // a gap
  }
}

TEST(FlashShape, PatternsWithoutLengthDrawSolidLines) {
  for (const std::vector<uint8_t>& pattern : {std::vector<uint8_t>{}, std::vector<uint8_t>{0, 0}}) {
    TFlashShape shape;
    shape.AddLineStyle(20, Rgba(0, 0, 0));
    shape.Edges.LineBy(1000, 0);
    shape.DashPattern().Pattern = pattern;
    EXPECT_EQ(Dump(shape.BuildTag()->Records), "m/l=1 l1000,0");
  }
  // Zero entries among others are passed over.
  TFlashShape shape;
  shape.AddLineStyle(20, Rgba(0, 0, 0));
  shape.Edges.LineBy(1000, 0);
  shape.DashPattern().Pattern = {0, 5};  // a gap of 100 after every empty dash
  EXPECT_EQ(Dump(shape.BuildTag()->Records), "");  // only gaps
  shape.DashPattern().Pattern = {0, 5, 10};  // gap 100, dash 200, dash 100, gap 200, ...
  EXPECT_EQ(Dump(shape.BuildTag()->Records), "m100,0/l=1 l200,0 l100,0 m700,0 l200,0 l100,0");
}

// --- Image fills ---

TEST(FlashShape, ImageFillsPlaceThePictureAtTheTopLeftCorner) {
  TFlashMovie movie(0, 0, 200, 200, 12);
  TFlashShape* shape = movie.AddRectangle({10, 10, 110, 60});
  TFlashImage* image = movie.AddImage();
  image->Width = 50;
  image->Height = 25;
  ASSERT_LT(movie.IndexOf(shape), movie.IndexOf(image));

  TSWFImageFill& stretched = shape->AddImageFill(*image, TFlashShape::kImageStretched);
  EXPECT_LT(movie.IndexOf(image), movie.IndexOf(shape));  // defined before its use
  EXPECT_EQ(stretched.FillType, kFillClippedBitmap);
  EXPECT_EQ(stretched.BitmapID, image->GetID());
  EXPECT_EQ(stretched.Matrix.TranslateX, 195);  // half a pixel up and left for older players
  EXPECT_EQ(stretched.Matrix.TranslateY, 195);
  EXPECT_NEAR(stretched.Matrix.GetScaleX(), 40 + 15.0 / 4096, 1e-4);
  EXPECT_NEAR(stretched.Matrix.GetScaleY(), 40 + 15.0 / 4096, 1e-4);
  EXPECT_EQ(shape->FillStyle1(), 1);

  movie.FillCorrection = false;
  TSWFImageFill& tiled = shape->AddImageFill(*image, TFlashShape::kImageTiled, 2, 0.5f);
  EXPECT_EQ(tiled.FillType, kFillRepeatingBitmap);
  EXPECT_EQ(tiled.Matrix.TranslateX, 200);
  EXPECT_FLOAT_EQ(tiled.Matrix.GetScaleX(), 40);
  EXPECT_FLOAT_EQ(tiled.Matrix.GetScaleY(), 10);
  EXPECT_EQ(shape->FillStyle1(), 2);
  TSWFImageFill& scaled = shape->AddImageFill(*image, TFlashShape::kImageScaled);
  EXPECT_EQ(scaled.FillType, kFillClippedBitmap);
  EXPECT_FLOAT_EQ(scaled.Matrix.GetScaleX(), 20);
}

TEST(FlashShape, AnEmptyImageCannotBeStretched) {
  TFlashMovie movie(0, 0, 200, 200, 12);
  TFlashShape* shape = movie.AddRectangle({0, 0, 10, 10});
  TFlashImage* image = movie.AddImage();  // 0 x 0
  EXPECT_THROW(shape->AddImageFill(*image, TFlashShape::kImageStretched), Error);
  EXPECT_TRUE(shape->FillStyles.empty());
  EXPECT_THROW(shape->AddImageFill(*image, static_cast<TFlashShape::TImageFillMode>(3)), Error);
}

// --- Character IDs ---

TEST(FlashShape, NoDefinitionIsAddedPastTheLastCharacterID) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.NextID = kMaxCharacterID;
  EXPECT_EQ(movie.AddShape()->GetID(), 65535);
  const size_t count = movie.Objects.size();
  EXPECT_THROW(movie.AddShape(), Error);
  EXPECT_THROW(movie.AddRectangle({0, 0, 1, 1}), Error);
  EXPECT_THROW(movie.AddButton(), Error);
  EXPECT_EQ(movie.Objects.size(), count);
  EXPECT_EQ(movie.Shapes.size(), 1u);
}

}  // namespace
}  // namespace fc
