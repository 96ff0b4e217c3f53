#include "movie/flash_edges.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "movie/flash_movie.h"
#include "swf/bits_engine.h"

namespace fc {
namespace {

// A record list as text: "m x,y" moves, "l dx,dy" lines, "c cx,cy,ax,ay" curves, "e" ends.
std::string Dump(const TSWFShapeRecords& records) {
  std::string out;
  for (const auto& r : records) {
    if (!out.empty()) out += ' ';
    switch (r->RecordKind) {
      case kShapeRecordStyleChange: {
        const auto& s = static_cast<const TSWFStyleChangeRecord&>(*r);
        out += "m" + std::to_string(s.DeltaX) + "," + std::to_string(s.DeltaY);
        break;
      }
      case kShapeRecordStraightEdge: {
        const auto& s = static_cast<const TSWFStraightEdgeRecord&>(*r);
        out += "l" + std::to_string(s.DeltaX) + "," + std::to_string(s.DeltaY);
        break;
      }
      case kShapeRecordCurvedEdge: {
        const auto& c = static_cast<const TSWFCurvedEdgeRecord&>(*r);
        out += "c" + std::to_string(c.ControlDeltaX) + "," + std::to_string(c.ControlDeltaY) + "," +
               std::to_string(c.AnchorDeltaX) + "," + std::to_string(c.AnchorDeltaY);
        break;
      }
      default:
        out += "e";
    }
  }
  return out;
}

TEST(FlashEdges, WithoutOwnerCoordinatesAreTakenAsTheyAre) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  EXPECT_EQ(edges.Multiplier(), 1);
  edges.MoveTo(10, 20);
  edges.LineTo(30, 20);
  edges.LineBy(0, 5);
  edges.Close();
  EXPECT_EQ(Dump(records), "m10,20 l20,0 l0,5 l-20,-5");
  EXPECT_EQ(edges.Pen, (TTwipsPoint{10, 20}));
  edges.Close();  // already at the start: nothing more
  EXPECT_EQ(records.size(), 4u);
}

TEST(FlashEdges, AMovieInPixelsScalesByTwenty) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TSWFShapeRecords records;
  TFlashEdges edges(records, &movie);
  edges.MoveTo(1, 2);
  edges.Rectangle(3, 4);
  EXPECT_EQ(Dump(records), "m20,40 l60,0 l0,80 l-60,0 l0,-80");
  EXPECT_EQ(edges.Pen, edges.Start);
  edges.InTwips = true;
  edges.LineBy(7, 0);
  EXPECT_EQ(Dump(records), "m20,40 l60,0 l0,80 l-60,0 l0,-80 l7,0");
}

TEST(FlashEdges, MovesReuseATrailingStyleChange) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  edges.MoveTo(0, 0);  // to the current point with no records: nothing
  EXPECT_TRUE(records.empty());
  records.push_back(std::make_unique<TSWFStyleChangeRecord>());
  static_cast<TSWFStyleChangeRecord&>(*records[0]).SetLineStyle(1);
  edges.MoveTo(5, 6);
  edges.MoveTo(7, 8);  // still the same record
  ASSERT_EQ(records.size(), 1u);
  const auto& change = static_cast<const TSWFStyleChangeRecord&>(*records[0]);
  EXPECT_TRUE(change.HasMoveTo);
  EXPECT_TRUE(change.HasLineStyle);
  EXPECT_EQ(Dump(records), "m7,8");
  edges.LineBy(1, 0);
  edges.MoveTo(7, 8);  // a new contour after an edge
  EXPECT_EQ(Dump(records), "m7,8 l1,0 m7,8");
  EXPECT_EQ(edges.Start, (TTwipsPoint{7, 8}));
}

TEST(FlashEdges, ZeroLengthEdgesAddNothing) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  edges.MoveTo(5, 5);
  edges.LineBy(0, 0);
  edges.LineTo(5, 5);
  edges.CurveTo(9, 9, 5, 5);  // back to the current point
  edges.Rectangle(0, 0);
  EXPECT_EQ(Dump(records), "m5,5");
}

TEST(FlashEdges, MergingFoldsCollinearEdgesOnlyWhenAsked) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  EXPECT_FALSE(edges.Merge);  // off for a new builder
  edges.LineBy(10, 0);
  edges.LineBy(10, 0);
  EXPECT_EQ(Dump(records), "l10,0 l10,0");

  records.clear();
  edges.Merge = true;
  edges.LineBy(10, 0);
  edges.LineBy(10, 0);
  EXPECT_EQ(Dump(records), "l20,0");
  edges.LineBy(0, 10);  // a turn: a new edge
  edges.LineBy(0, 5);
  edges.LineBy(0, -5);  // vertical but backwards: kept apart
  edges.LineBy(3, 4);
  edges.LineBy(3, 4);   // the same diagonal again
  edges.LineBy(3, 5);   // not the same: kept apart
  EXPECT_EQ(Dump(records), "l20,0 l0,15 l0,-5 l6,8 l3,5");
}

TEST(FlashEdges, MergingStopsBeforeTheLongestEdge) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  edges.Merge = true;
  edges.LineBy(60000, 0);
  edges.LineBy(5534, 0);  // the sum 65534 still folds
  edges.LineBy(1, 0);     // 65535 would not
  EXPECT_EQ(Dump(records), "l65534,0 l1,0");
  records.clear();
  edges.LineBy(0, 40000);
  edges.LineBy(0, 25535);  // 65535 vertical: kept apart
  EXPECT_EQ(Dump(records), "l0,40000 l0,25535");
  records.clear();
  edges.LineBy(32767, 1);
  edges.LineBy(32767, 1);  // twice 32767 = 65534: folds
  edges.LineBy(32768, 1);
  edges.LineBy(32768, 1);  // twice 32768 is too long
  EXPECT_EQ(Dump(records), "l65534,2 l32768,1 l32768,1");
}

TEST(FlashEdges, LongLinesAreSplitIntoEqualPieces) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  edges.LineBy(100000, 0);
  EXPECT_EQ(Dump(records), "l50000,0 l50000,0");
  records.clear();
  edges.LineBy(-65535, 65535);  // exactly the longest piece
  EXPECT_EQ(Dump(records), "l-65535,65535");
  records.clear();
  edges.LineBy(200001, -7);  // four pieces adding up exactly
  EXPECT_EQ(Dump(records), "l50000,-2 l50001,-2 l50000,-1 l50000,-2");
  EXPECT_EQ(edges.Pen, (TTwipsPoint{200001 - 65535 + 100000, 65535 - 7}));
}

TEST(FlashEdges, LongLinesInPixelsFitTheRecords) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TSWFShapeRecords records;
  TFlashEdges edges(records, &movie);
  edges.LineBy(4000, 3000);  // 80000 x 60000 twips
  EXPECT_EQ(Dump(records), "l40000,30000 l40000,30000");
}

TEST(FlashEdges, CurvesAndTheirDegenerateForms) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  edges.CurveTo(10, 0, 10, 10);
  EXPECT_EQ(Dump(records), "c10,0,0,10");
  EXPECT_EQ(edges.Pen, (TTwipsPoint{10, 10}));
  records.clear();
  edges.Merge = true;
  edges.LineBy(5, 0);
  edges.CurveTo(20, 10, 25, 10);  // both deltas horizontal: one straight edge, not merged
  edges.CurveTo(25, 10, 30, 20);  // control on the pen
  edges.CurveTo(35, 30, 35, 30);  // anchor on the control
  edges.CurveTo(35, 40, 35, 30);  // vertical, out and back
  EXPECT_EQ(Dump(records), "l5,0 l10,0 l5,10 l5,10");
  EXPECT_EQ(edges.Pen, (TTwipsPoint{35, 30}));
}

TEST(FlashEdges, FlipMirrorsEveryRecord) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  edges.MoveTo(1, 2);
  edges.LineBy(3, 4);
  edges.CurveBy(5, 6, 7, 8);
  edges.EndShape();
  edges.Flip(false, true);
  EXPECT_EQ(Dump(records), "m1,-2 l3,-4 c5,-6,7,-8 e");
  edges.Flip(true, false);
  EXPECT_EQ(Dump(records), "m-1,-2 l-3,-4 c-5,-6,-7,-8 e");
  EXPECT_EQ(edges.Pen, (TTwipsPoint{-16, -20}));
}

TEST(FlashEdges, AFontFaceDrawsThroughTheOutlineSink) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  TOutlineSink& sink = edges;
  sink.MoveTo(0, 0);
  sink.LineTo(100, 0);
  sink.CurveTo(100, 100, 0, 100);
  sink.Close();
  sink.Flip(false, true);
  EXPECT_EQ(Dump(records), "l100,0 c0,-100,-100,0 l0,100");
}

TEST(FlashEdges, TheRecordsWriteAsShapeRecords) {
  TSWFShapeRecords records;
  TFlashEdges edges(records);
  edges.MoveTo(1, 0);
  edges.LineBy(100, 0);
  edges.EndShape();
  std::vector<uint8_t> out;
  TBitsEngine be(&out);
  WriteShapeRecords(be, records, 0, 0);
  // Style change: 0, 00001 flags, 5-bit width 2, x=1, y=0 in 2 bits. Line: 11, 0110,
  // 0 (not general), 0 (horizontal), 100 in 8 bits. End: 000000.
  EXPECT_EQ(out, (std::vector<uint8_t>{0x04, 0x49, 0xB0, 0xC8, 0x00}));
}

TEST(FlashEdges, CoordinatesFarOffTheStageAreRefused) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TSWFShapeRecords records;
  TFlashEdges edges(records, &movie);
  EXPECT_THROW(edges.MoveTo(2000000000, 0), Error);
  EXPECT_THROW(edges.LineBy(0, 100000000), Error);
  EXPECT_TRUE(records.empty());
}

}  // namespace
}  // namespace fc
