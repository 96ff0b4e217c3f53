#include "swf/shapes.h"

#include <gtest/gtest.h>

#include "tag_test_util.h"

namespace fc {
namespace {

using test::As;
using test::Bytes;
using test::ExpectGolden;
using test::RawReason;
using test::ReadOne;

// --- Builders ---

TSWFStyleChangeRecord& AddStyle(TSWFShapeRecords& list) {
  list.push_back(std::make_unique<TSWFStyleChangeRecord>());
  return static_cast<TSWFStyleChangeRecord&>(*list.back());
}

void AddLine(TSWFShapeRecords& list, int32_t dx, int32_t dy) {
  list.push_back(std::make_unique<TSWFStraightEdgeRecord>(dx, dy));
}

void AddCurve(TSWFShapeRecords& list, int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
  list.push_back(std::make_unique<TSWFCurvedEdgeRecord>(cx, cy, ax, ay));
}

std::unique_ptr<TSWFColorFill> Solid(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  auto f = std::make_unique<TSWFColorFill>();
  f->Color.SetRGBA(SWFRGBA(r, g, b, a));
  return f;
}

// The bits a record list writes with the given widths, aligned.
Bytes RecordBytes(TSWFShapeRecords& list, uint8_t fill_bits, uint8_t line_bits, const TSWFStyleFormat& fmt = {}) {
  Bytes out;
  TBitsEngine be(&out);
  WriteShapeRecords(be, list, fill_bits, line_bits, fmt);
  return out;
}

TSWFShapeRecords ReadRecords(const Bytes& bytes, uint8_t fill_bits, uint8_t line_bits, const TSWFStyleFormat& fmt = {}) {
  TSWFShapeRecords list;
  TBitsEngine be(bytes);
  ReadShapeRecords(be, list, fill_bits, line_bits, fmt);
  EXPECT_TRUE(be.AtEnd());
  return list;
}

// The sum of the edge deltas of a record list: where the pen ends.
std::pair<int64_t, int64_t> PenEnd(const TSWFShapeRecords& list) {
  int64_t x = 0, y = 0;
  for (const auto& r : list) {
    if (r->RecordKind == kShapeRecordStraightEdge) {
      const auto& e = static_cast<const TSWFStraightEdgeRecord&>(*r);
      x += e.DeltaX;
      y += e.DeltaY;
    } else if (r->RecordKind == kShapeRecordCurvedEdge) {
      const auto& c = static_cast<const TSWFCurvedEdgeRecord&>(*r);
      x += c.ControlDeltaX + c.AnchorDeltaX;
      y += c.ControlDeltaY + c.AnchorDeltaY;
    }
  }
  return {x, y};
}

// --- Golden tags: hand-checked bytes, both directions ---

const Bytes kRedSquare = {
    0x9C, 0x00,                                // DefineShape, 28 bytes
    0x01, 0x00,                                // ShapeID 1
    0x60, 0x00, 0x3E, 0x80, 0x00, 0x3E, 0x80,  // 12-bit rect (0,0)-(2000,2000)
    0x01, 0x00, 0xFF, 0x00, 0x00,              // one solid fill, red RGB
    0x00,                                      // no line styles
    0x10,                                      // widths: fill 1, line 0
    // style: fill1=1 | line 2000,0 | line 0,2000 | line -2000,0 | line 0,-2000 | end
    0x13, 0xD0, 0xFA, 0x1D, 0x2F, 0xA1, 0xD1, 0x06, 0x1D, 0x30, 0x60, 0x00};

TSWFDefineShape MakeRedSquare() {
  TSWFDefineShape s;
  s.ShapeID = 1;
  s.ShapeBounds = TSWFRect::FromScreen({0, 0, 2000, 2000});
  s.FillStyles.push_back(Solid(255, 0, 0));
  AddStyle(s.Records).SetFillStyle1(1);
  AddLine(s.Records, 2000, 0);
  AddLine(s.Records, 0, 2000);
  AddLine(s.Records, -2000, 0);
  AddLine(s.Records, 0, -2000);
  return s;
}

TEST(ShapeTagTest, RedSquare) {
  TSWFDefineShape s = MakeRedSquare();
  ExpectGolden(s, kRedSquare);
  EXPECT_EQ(s.MinVersion(), 1);
  auto back = ReadOne(kRedSquare);
  auto& r = As<TSWFDefineShape>(back);
  EXPECT_EQ(r.ShapeBounds, TSWFRect::FromScreen({0, 0, 2000, 2000}));
  ASSERT_EQ(r.FillStyles.size(), 1u);
  EXPECT_EQ(dynamic_cast<TSWFColorFill&>(*r.FillStyles[0]).Color.GetRGBA(), SWFRGBA(255, 0, 0, 255));
  ASSERT_EQ(r.Records.size(), 6u);  // the end record is kept
  EXPECT_EQ(r.Records.back()->RecordKind, kShapeRecordEnd);
  const auto& sc = static_cast<const TSWFStyleChangeRecord&>(*r.Records[0]);
  EXPECT_TRUE(sc.HasFillStyle1 && !sc.HasMoveTo && !sc.HasFillStyle0);
  EXPECT_EQ(sc.FillStyle1, 1);
  EXPECT_EQ(static_cast<const TSWFStraightEdgeRecord&>(*r.Records[3]).DeltaX, -2000);
}

TEST(ShapeTagTest, Shape3WithLinearGradientAndAlpha) {
  TSWFDefineShape3 s;
  s.ShapeID = 2;
  s.ShapeBounds = TSWFRect::FromScreen({0, 0, 200, 100});
  auto g = std::make_unique<TSWFGradientFill>();
  g->Matrix.SetScale(1, 1);
  g->Matrix.SetTranslate(100, 50);
  g->Record(0).Color.SetRGBA(SWFRGBA(255, 0, 0, 0x80));
  g->Record(1).Ratio = 255;
  g->Record(1).Color.SetRGBA(SWFRGBA(0, 0, 255, 255));
  s.FillStyles.push_back(std::move(g));
  auto l = std::make_unique<TSWFLineStyle>();
  l->Width = 20;
  l->Color.SetRGBA(SWFRGBA(0, 0, 0, 0x40));
  s.LineStyles.push_back(std::move(l));
  auto& sc = AddStyle(s.Records);
  sc.SetMoveTo(10, 10);
  sc.SetFillStyle0(1);
  sc.SetLineStyle(1);
  AddLine(s.Records, 200, 0);
  AddCurve(s.Records, 0, 50, -50, 50);
  const Bytes bytes = {
      0x2F, 0x08, 0x02, 0x00, 0x48, 0x01, 0x90, 0x00, 0x32, 0x00,  // header, ID, 9-bit rect
      0x01, 0x10, 0xC9, 0x00, 0x00, 0x40, 0x00, 0x08, 0x64, 0x32,  // linear gradient, matrix
      0x02, 0x00, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0x00, 0x00, 0xFF, 0xFF,  // two RGBA stops
      0x01, 0x14, 0x00, 0x00, 0x00, 0x00, 0x40,                          // line 20, RGBA
      0x11,                                                              // widths 1, 1
      0x2C, 0xAA, 0x57, 0xB8, 0xC8, 0x94, 0x03, 0x29, 0xCC, 0x80};
  ExpectGolden(s, bytes);
  EXPECT_EQ(s.MinVersion(), 3);
  auto back = ReadOne(bytes);
  auto& r = As<TSWFDefineShape3>(back);
  const auto& rg = dynamic_cast<const TSWFGradientFill&>(*r.FillStyles[0]);
  EXPECT_EQ(rg.Matrix.ScaleX, 0x10000);
  EXPECT_EQ(rg.Matrix.TranslateY, 50);
  ASSERT_EQ(rg.Count(), 2u);
  EXPECT_EQ(rg.Records[0].Color.Alpha(), 0x80);
  EXPECT_EQ(r.LineStyles[0]->Color.GetRGBA(), SWFRGBA(0, 0, 0, 0x40));
  EXPECT_EQ(dynamic_cast<const TSWFCurvedEdgeRecord&>(*r.Records[2]).AnchorDeltaX, -50);
}

TEST(ShapeTagTest, Shape4WithLineStyle2AndFocalGradient) {
  TSWFDefineShape4 s;
  s.ShapeID = 3;
  s.ShapeBounds = TSWFRect::FromScreen({-100, -100, 100, 100});
  s.EdgeBounds = TSWFRect::FromScreen({-90, -90, 90, 90});
  auto g = std::make_unique<TSWFFocalGradientFill>();
  g->Record(0).Color.SetRGBA(SWFRGBA(255, 255, 255, 255));
  g->SetFocalPoint(0.5f);  // 127.5 rounds to the even 128
  s.FillStyles.push_back(std::move(g));
  auto l = std::make_unique<TSWFLineStyle2>();
  l->Width = 40;
  l->JoinStyle = kJoinMiter;
  l->MiterLimitFactor = 3;
  l->NoHScale = true;
  l->Color.SetRGBA(SWFRGBA(0x11, 0x22, 0x33, 0x44));
  s.LineStyles.push_back(std::move(l));
  auto& sc = AddStyle(s.Records);
  sc.SetMoveTo(-100, -100);
  sc.SetFillStyle1(1);
  sc.SetLineStyle(1);
  AddLine(s.Records, 200, 200);
  const Bytes bytes = {
      0xEC, 0x14, 0x03, 0x00, 0x44, 0xE3, 0x24, 0xE3, 0x20,  // header, ID, bounds
      0x45, 0x32, 0xD5, 0x32, 0xD0,                          // edge bounds
      0x02,                                                  // non-scaling strokes
      0x01, 0x13, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00,  // focal gradient, focus 128
      0x01, 0x28, 0x00, 0x24, 0x00, 0x00, 0x03, 0x11, 0x22, 0x33, 0x44,  // LineStyle2, miter 3.0
      0x11, 0x35, 0x13, 0x93, 0x9E, 0xF6, 0x43, 0x20, 0x00};
  ExpectGolden(s, bytes);
  EXPECT_EQ(s.MinVersion(), 8);
  EXPECT_TRUE(s.UsesNonScalingStrokes);
  EXPECT_FALSE(s.UsesScalingStrokes);
  auto back = ReadOne(bytes);
  auto& r = As<TSWFDefineShape4>(back);
  EXPECT_EQ(r.EdgeBounds, TSWFRect::FromScreen({-90, -90, 90, 90}));
  EXPECT_EQ(dynamic_cast<const TSWFFocalGradientFill&>(*r.FillStyles[0]).FocalPoint, 128);
  const auto& rl = dynamic_cast<const TSWFLineStyle2&>(*r.LineStyles[0]);
  EXPECT_EQ(rl.JoinStyle, kJoinMiter);
  EXPECT_FLOAT_EQ(rl.MiterLimitFactor, 3.0f);
  EXPECT_TRUE(rl.NoHScale);
}

TEST(ShapeTagTest, MorphShapeWithOffset) {
  TSWFDefineMorphShape m;
  m.CharacterID = 4;
  m.StartBounds = TSWFRect::FromScreen({0, 0, 100, 100});
  m.EndBounds = TSWFRect::FromScreen({0, 0, 200, 200});
  auto f = std::make_unique<TSWFMorphColorFill>();
  f->StartColor.SetRGBA(SWFRGBA(255, 0, 0, 255));
  f->EndColor.SetRGBA(SWFRGBA(0, 0, 255, 0x80));
  m.MorphFillStyles.push_back(std::move(f));
  auto l = std::make_unique<TSWFMorphLineStyle>();
  l->StartWidth = 20;
  l->EndWidth = 40;
  l->StartColor.SetRGBA(SWFRGBA(0, 0, 0, 255));
  l->EndColor.SetRGBA(SWFRGBA(255, 255, 255, 255));
  m.MorphLineStyles.push_back(std::move(l));
  auto& sc = AddStyle(m.StartEdges);
  sc.SetMoveTo(0, 0);
  sc.SetFillStyle0(1);
  sc.SetLineStyle(1);
  AddLine(m.StartEdges, 100, 0);
  AddStyle(m.EndEdges).SetMoveTo(0, 0);
  AddLine(m.EndEdges, 200, 0);
  const Bytes bytes = {
      0xB4, 0x0B, 0x04, 0x00, 0x40, 0x03, 0x20, 0x03, 0x20, 0x48, 0x01, 0x90, 0x00, 0x64, 0x00,
      0x1D, 0x00, 0x00, 0x00,                                      // offset 29
      0x01, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x80,  // red to translucent blue
      0x01, 0x14, 0x00, 0x28, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0x11, 0x2C, 0x1E, 0xC3, 0x20, 0x00,  // start edges
      0x00, 0x04, 0x1B, 0x8C, 0x80, 0x00};  // end edges with widths 0
  ExpectGolden(m, bytes);
  EXPECT_EQ(m.MinVersion(), 3);
  auto back = ReadOne(bytes);
  auto& r = As<TSWFDefineMorphShape>(back);
  EXPECT_EQ(r.EndBounds, TSWFRect::FromScreen({0, 0, 200, 200}));
  EXPECT_EQ(dynamic_cast<const TSWFMorphColorFill&>(*r.MorphFillStyles[0]).EndColor.Alpha(), 0x80);
  EXPECT_EQ(r.MorphLineStyles[0]->EndWidth, 40);
  EXPECT_EQ(PenEnd(r.EndEdges), (std::pair<int64_t, int64_t>{200, 0}));
}

TEST(ShapeTagTest, MorphShape2StylesAndFlags) {
  TSWFDefineMorphShape2 m;
  m.CharacterID = 5;
  m.StartBounds = TSWFRect::FromScreen({0, 0, 10, 10});
  m.EndBounds = TSWFRect::FromScreen({0, 0, 20, 20});
  auto g = std::make_unique<TSWFMorphFocalGradientFill>();
  g->SpreadMode = 1;
  g->Record(0).EndRatio = 255;
  g->StartFocalPoint = -10;
  g->EndFocalPoint = 200;
  m.MorphFillStyles.push_back(std::move(g));
  auto img = std::make_unique<TSWFMorphImageFill>();
  img->BitmapID = 7;
  img->EndMatrix.SetTranslate(5, 5);
  m.MorphFillStyles.push_back(std::move(img));
  auto l = std::make_unique<TSWFMorphLineStyle2>();
  l->StartWidth = 1;
  l->EndWidth = 2;
  l->NoVScale = true;
  l->GetFill(kFillSolid);
  m.MorphLineStyles.push_back(std::move(l));
  auto& sc = AddStyle(m.StartEdges);
  sc.SetFillStyle0(2);
  sc.SetLineStyle(1);
  AddLine(m.StartEdges, 10, 0);
  AddLine(m.EndEdges, 20, 0);
  const Bytes bytes = m.ToBytes();
  EXPECT_TRUE(m.UsesNonScalingStrokes);
  auto back = ReadOne(bytes);
  auto& r = As<TSWFDefineMorphShape2>(back);
  const auto& rg = dynamic_cast<const TSWFMorphFocalGradientFill&>(*r.MorphFillStyles[0]);
  EXPECT_EQ(rg.SpreadMode, 1);  // the gradient byte keeps its modes
  EXPECT_EQ(rg.EndFocalPoint, 200);
  EXPECT_EQ(rg.Records[0].EndRatio, 255);
  EXPECT_EQ(dynamic_cast<const TSWFMorphImageFill&>(*r.MorphFillStyles[1]).EndMatrix.TranslateX, 5);
  const auto& rl = dynamic_cast<const TSWFMorphLineStyle2&>(*r.MorphLineStyles[0]);
  EXPECT_TRUE(rl.HasFill && rl.Fill && rl.NoVScale);
  EXPECT_EQ(static_cast<const TSWFStyleChangeRecord&>(*r.StartEdges[0]).FillStyle0, 2);
  EXPECT_EQ(back->ToBytes(), bytes);
  std::vector<uint16_t> ids;
  back->ForEachReferencedID([&](uint16_t& id) { ids.push_back(id); });
  EXPECT_EQ(ids, (std::vector<uint16_t>{7}));
}

// --- Record bits ---

TEST(ShapeRecordTest, EdgeEncodings) {
  TSWFShapeRecords list;
  AddLine(list, 100, 0);  // 11 0110 0 0 01100100, then the end record
  EXPECT_EQ(RecordBytes(list, 0, 0), (Bytes{0b11011000, 0b01100100, 0b00000000}));
  list.clear();
  AddLine(list, 1, -1);  // n = 2, general: 11 0000 1 01 11
  EXPECT_EQ(RecordBytes(list, 0, 0), (Bytes{0b11000010, 0b11100000, 0b00000000}));
  list.clear();
  AddLine(list, 0, 0);  // n = 2, vertical 0
  EXPECT_EQ(RecordBytes(list, 0, 0), (Bytes{0b11000001, 0b00000000}));
  list.clear();
  AddCurve(list, 0, 0, 0, 0);  // disappears
  AddCurve(list, 1, 0, 0, -1);  // 10 0000 01 00 00 11
  EXPECT_EQ(RecordBytes(list, 0, 0), (Bytes{0b10000001, 0b00001100, 0b00000000}));
}

TEST(ShapeRecordTest, StyleChangeWithoutFlagsMovesToItsPoint) {
  TSWFShapeRecords list;
  AddStyle(list);  // would read as an end record: written as a move to (0, 0)
  EXPECT_EQ(RecordBytes(list, 0, 0), (Bytes{0b00000100, 0b00000000, 0b00000000}));
  auto back = ReadRecords({0b00000100, 0b00000000, 0b00000000}, 0, 0);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_TRUE(static_cast<const TSWFStyleChangeRecord&>(*back[0]).HasMoveTo);
}

TEST(ShapeRecordTest, MoveToReadsXBeforeY) {
  TSWFShapeRecords list;
  AddStyle(list).SetMoveTo(3, -7);  // 000001 00100 0011 1001, then the end record
  const Bytes bytes = {0b00000100, 0b10000111, 0b00100000, 0b00000000};
  EXPECT_EQ(RecordBytes(list, 0, 0), bytes);
  auto back = ReadRecords(bytes, 0, 0);
  const auto& r = static_cast<const TSWFStyleChangeRecord&>(*back[0]);
  EXPECT_EQ(r.DeltaX, 3);
  EXPECT_EQ(r.DeltaY, -7);
}

TEST(ShapeRecordTest, NewStylesOnlyAddNoMove) {
  TSWFShapeRecords list;
  auto& sc = AddStyle(list);
  sc.NewFillStyles().push_back(Solid(1, 2, 3));
  sc.SetFillStyle0(1);  // refers to the new styles; written with the old width
  AddStyle(list).SetFillStyle0(1);
  AddLine(list, 5, 5);
  const Bytes bytes = RecordBytes(list, 1, 0);
  auto back = ReadRecords(bytes, 1, 0);
  ASSERT_EQ(back.size(), 4u);
  const auto& r = static_cast<const TSWFStyleChangeRecord&>(*back[0]);
  EXPECT_FALSE(r.HasMoveTo);
  EXPECT_TRUE(r.HasNewStyles);
  ASSERT_EQ(r.GetNewFillStyles().size(), 1u);
  EXPECT_EQ(dynamic_cast<const TSWFColorFill&>(*r.GetNewFillStyles()[0]).Color.GetRGBA(), SWFRGBA(1, 2, 3, 255));
  EXPECT_EQ(r.NewFillBits, 1);
  EXPECT_EQ(static_cast<const TSWFStyleChangeRecord&>(*back[1]).FillStyle0, 1);
  EXPECT_EQ(RecordBytes(back, 1, 0), bytes);
}

TEST(ShapeRecordTest, IndexWidthsFollowTheIndexesUsed) {
  // One fill style, but the records select fill 5 and line 2: the widths hold them.
  TSWFDefineShape2 s;
  s.FillStyles.push_back(Solid(0, 0, 0));
  auto& sc = AddStyle(s.Records);
  sc.SetFillStyle0(5);
  sc.SetLineStyle(2);
  AddLine(s.Records, 1, 1);
  auto back = ReadOne(s.ToBytes());
  const auto& r = static_cast<const TSWFStyleChangeRecord&>(*As<TSWFDefineShape2>(back).Records[0]);
  EXPECT_EQ(r.FillBits, 3);
  EXPECT_EQ(r.LineBits, 2);
  EXPECT_EQ(r.FillStyle0, 5);
  EXPECT_EQ(r.LineStyle, 2);
}

TEST(ShapeRecordTest, OneFillNoLinesDropsTheLineFlag) {
  TSWFDefineShape s;
  s.FillStyles.push_back(Solid(0, 0, 0));
  auto& sc = AddStyle(s.Records);
  sc.SetFillStyle0(1);
  sc.SetLineStyle(0);
  const Bytes bytes = s.ToBytes();
  EXPECT_EQ(bytes[bytes.size() - 3], 0x10);  // widths 1 and 0
  auto back = ReadOne(bytes);
  const auto& r = static_cast<const TSWFStyleChangeRecord&>(*As<TSWFDefineShape>(back).Records[0]);
  EXPECT_FALSE(r.HasLineStyle);
  EXPECT_TRUE(r.HasFillStyle0);
}

TEST(ShapeRecordTest, GivenWidthsRefuseAnIndexThatDoesNotFit) {
  // A glyph is written with fill width 1 and line width 0.
  TSWFShapeRecords glyph;
  AddStyle(glyph).SetLineStyle(1);
  EXPECT_THROW(RecordBytes(glyph, 1, 0), Error);
  glyph.clear();
  AddStyle(glyph).SetFillStyle1(2);
  EXPECT_THROW(RecordBytes(glyph, 1, 0), Error);
}

TEST(ShapeRecordTest, LongEdgesAreSplitExactly) {
  TSWFShapeRecords list;
  AddLine(list, 200000, -70000);
  AddCurve(list, 100000, 3, -5, 90001);
  AddLine(list, 65535, 0);  // still one record
  auto back = ReadRecords(RecordBytes(list, 0, 0), 0, 0);
  EXPECT_EQ(PenEnd(back), PenEnd(list));
  size_t lines = 0, curves = 0;
  for (const auto& r : back) {
    lines += r->RecordKind == kShapeRecordStraightEdge;
    curves += r->RecordKind == kShapeRecordCurvedEdge;
  }
  EXPECT_EQ(lines, 4u + 1u);
  EXPECT_GE(curves, 2u);
}

TEST(ShapeRecordTest, MoveToBeyondTheWidthFieldIsRefused) {
  TSWFShapeRecords list;
  AddStyle(list).SetMoveTo(1 << 30, 0);
  try {
    RecordBytes(list, 0, 0);
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("MoveTo"), std::string::npos);
  }
}

TEST(ShapeRecordTest, CopyIsDeep) {
  TSWFShapeRecords src;
  auto& sc = AddStyle(src);
  sc.SetMoveTo(3, 4);
  sc.NewLineStyles().push_back(std::make_unique<TSWFLineStyle2>());
  AddCurve(src, 1, 2, 3, 4);
  src.push_back(std::make_unique<TSWFEndShapeRecord>());
  TSWFShapeRecords dst;
  CopyShapeRecords(src, dst);
  ASSERT_EQ(dst.size(), 3u);
  EXPECT_EQ(RecordBytes(dst, 0, 0), RecordBytes(src, 0, 0));
  auto& copy = static_cast<TSWFStyleChangeRecord&>(*dst[0]);
  EXPECT_NE(copy.NewLineStyles()[0].get(), sc.NewLineStyles()[0].get());
  EXPECT_NE(dynamic_cast<TSWFLineStyle2*>(copy.NewLineStyles()[0].get()), nullptr);
}

TEST(ShapeRecordTest, RandomListsReadBackEqual) {
  // Deterministic random shapes: every record field read back equals the one written.
  uint32_t seed = 12345;
  auto next = [&](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  auto delta = [&] {
    static const int32_t kMax[] = {1, 20, 1000, 65535};
    const int32_t m = kMax[next(4)];
    return static_cast<int32_t>(next(2 * m + 1)) - m;
  };
  for (int round = 0; round < 200; ++round) {
    TSWFDefineShape3 s;
    const size_t fills = next(4), lines = next(4);
    for (size_t i = 0; i < fills; ++i) s.FillStyles.push_back(Solid(1, 2, 3, 4));
    for (size_t i = 0; i < lines; ++i) s.LineStyles.push_back(std::make_unique<TSWFLineStyle>());
    for (uint32_t n = next(30); n > 0; --n) {
      switch (next(3)) {
        case 0: AddLine(s.Records, delta(), delta()); break;
        case 1: AddCurve(s.Records, delta() | 1, delta(), delta(), delta()); break;
        default: {
          auto& sc = AddStyle(s.Records);
          if (next(2)) sc.SetMoveTo(delta(), delta());
          if (fills && next(2)) sc.SetFillStyle0(static_cast<uint16_t>(1 + next(static_cast<uint32_t>(fills))));
          if (fills && next(2)) sc.SetFillStyle1(static_cast<uint16_t>(next(static_cast<uint32_t>(fills) + 1)));
          if (lines && next(2)) sc.SetLineStyle(static_cast<uint16_t>(1 + next(static_cast<uint32_t>(lines))));
          if (!sc.HasFillStyle0 && !sc.HasFillStyle1 && !sc.HasLineStyle) sc.HasMoveTo = true;
          break;
        }
      }
    }
    auto back = ReadOne(s.ToBytes());
    ASSERT_EQ(RawReason(*back), "") << round;
    const auto& r = As<TSWFDefineShape3>(back).Records;
    ASSERT_EQ(r.size(), s.Records.size() + 1) << round;
    for (size_t i = 0; i < s.Records.size(); ++i) EXPECT_EQ(r[i]->Describe(), s.Records[i]->Describe()) << round;
  }
}

// --- Styles ---

TEST(ShapeStyleTest, StyleCountsNeverWrap) {
  TSWFDefineShape2 s2;
  for (int i = 0; i < 255; ++i) s2.FillStyles.push_back(Solid(0, 0, 0));
  const Bytes bytes = s2.ToBytes();
  // Header (long form), ID, 1-byte empty rect, then FF and 255 as a word.
  EXPECT_EQ(Bytes(bytes.begin() + 9, bytes.begin() + 12), (Bytes{0xFF, 0xFF, 0x00}));
  EXPECT_EQ(As<TSWFDefineShape2>(ReadOne(bytes)).FillStyles.size(), 255u);

  TSWFDefineShape s1;  // DefineShape has no extended count
  for (int i = 0; i < 255; ++i) s1.LineStyles.push_back(std::make_unique<TSWFLineStyle>());
  try {
    s1.ToBytes();
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("line style count"), std::string::npos);
  }
  s1.LineStyles.pop_back();
  EXPECT_EQ(As<TSWFDefineShape>(ReadOne(s1.ToBytes())).LineStyles.size(), 254u);
}

TEST(ShapeStyleTest, GradientOfSixteenRecordsIsRefused) {
  TSWFDefineShape3 s;
  auto g = std::make_unique<TSWFGradientFill>();
  g->Record(15);
  s.FillStyles.push_back(std::move(g));
  EXPECT_THROW(s.ToBytes(), Error);
}

TEST(ShapeStyleTest, FocalPoint) {
  TSWFFocalGradientFill f;
  f.SetFocalPoint(1.0f);
  EXPECT_EQ(f.FocalPoint, 255);
  f.SetFocalPoint(-2.0f);
  EXPECT_EQ(f.FocalPoint, -255);
  EXPECT_FLOAT_EQ(f.GetFocalPoint(), -1.0f);
  f.FocalPoint = 300;
  EXPECT_FLOAT_EQ(f.GetFocalPoint(), 1.0f);
}

TEST(ShapeStyleTest, GetFillReplacesOnlyAnotherType) {
  TSWFLineStyle2 l;
  EXPECT_EQ(l.GetFill(-1), nullptr);
  TSWFFillStyle* f = l.GetFill(kFillSolid);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(l.HasFill && f->HasAlpha);
  EXPECT_EQ(l.GetFill(kFillSolid), f);
  TSWFFillStyle* img = l.GetFill(kFillRepeatingBitmap);
  EXPECT_NE(dynamic_cast<TSWFImageFill*>(img), nullptr);
  EXPECT_EQ(img->FillType, kFillRepeatingBitmap);
}

TEST(ShapeStyleTest, LineStylesTakeTheLayoutOfTheShape) {
  // A plain line style in DefineShape4 is written as a LineStyle2; a LineStyle2 in
  // DefineShape3 as a plain one.
  TSWFDefineShape4 s4;
  auto l = std::make_unique<TSWFLineStyle>();
  l->Width = 20;
  s4.LineStyles.push_back(std::move(l));
  auto back4 = ReadOne(s4.ToBytes());
  EXPECT_NE(dynamic_cast<TSWFLineStyle2*>(As<TSWFDefineShape4>(back4).LineStyles[0].get()), nullptr);
  EXPECT_TRUE(As<TSWFDefineShape4>(back4).UsesScalingStrokes);
  TSWFDefineShape3 s3;
  auto l2 = std::make_unique<TSWFLineStyle2>();
  l2->Width = 20;
  l2->NoHScale = true;
  s3.LineStyles.push_back(std::move(l2));
  auto back3 = ReadOne(s3.ToBytes());
  EXPECT_EQ(As<TSWFDefineShape3>(back3).LineStyles[0]->Width, 20);
}

TEST(ShapeStyleTest, FlagsByteKeepsTheWindingRule) {
  TSWFDefineShape4 s;
  s.UsesFillWindingRule = true;
  const Bytes bytes = s.ToBytes();
  auto back = ReadOne(bytes);
  EXPECT_TRUE(As<TSWFDefineShape4>(back).UsesFillWindingRule);
  EXPECT_EQ(back->ToBytes(), bytes);
}

// --- Reading hostile bodies ---

TEST(ShapeReadTest, EveryCutBodyStaysRaw) {
  TSWFDefineMorphShape2 m;
  m.MorphFillStyles.push_back(std::make_unique<TSWFMorphGradientFill>());
  m.MorphLineStyles.push_back(std::make_unique<TSWFMorphLineStyle2>());
  AddStyle(m.StartEdges).SetMoveTo(5, 5);
  AddCurve(m.StartEdges, 1, 2, 3, 4);
  AddLine(m.EndEdges, 2, 0);
  TSWFDefineShape4 s4;
  s4.FillStyles.push_back(std::make_unique<TSWFFocalGradientFill>());
  AddStyle(s4.Records).NewLineStyles().push_back(std::make_unique<TSWFLineStyle2>());
  for (const Bytes& full : {kRedSquare, m.ToBytes(), s4.ToBytes()}) {
    ASSERT_LT(full.size(), 65u);
    for (size_t cut = 2; cut < full.size(); ++cut) {
      Bytes b(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
      const uint16_t code = (full[0] | full[1] << 8) >> 6;
      const uint16_t h = static_cast<uint16_t>(code << 6 | (cut - 2));
      b[0] = h & 0xFF;
      b[1] = h >> 8;
      auto obj = ReadOne(b);
      EXPECT_NE(RawReason(*obj), "") << "cut at " << cut;
      EXPECT_EQ(obj->ToBytes(), b);
    }
  }
}

TEST(ShapeReadTest, UnknownFillTypeStaysRaw) {
  Bytes b = kRedSquare;
  b[12] = 0x20;  // fill type
  auto obj = ReadOne(b);
  EXPECT_NE(RawReason(*obj).find("fill style type 0x20"), std::string::npos);
  EXPECT_EQ(obj->ToBytes(), b);
}

TEST(ShapeReadTest, MorphOffsetThatDisagreesStaysRaw) {
  TSWFDefineMorphShape m;
  AddLine(m.StartEdges, 1, 0);
  AddLine(m.EndEdges, 2, 0);
  Bytes b = m.ToBytes();
  ASSERT_EQ(RawReason(*ReadOne(b)), "");
  b[6] += 1;  // the offset, after a 2-byte header, the ID and two 1-byte rects
  auto obj = ReadOne(b);
  EXPECT_NE(RawReason(*obj).find("end edges offset"), std::string::npos);
  EXPECT_EQ(obj->ToBytes(), b);
}

TEST(ShapeReadTest, MorphEndEdgesMayDifferInCount) {
  TSWFDefineMorphShape m;
  m.MorphFillStyles.push_back(std::make_unique<TSWFMorphColorFill>());
  AddStyle(m.StartEdges).SetFillStyle0(1);
  AddLine(m.StartEdges, 1, 0);
  AddLine(m.StartEdges, 0, 1);
  AddStyle(m.EndEdges).SetFillStyle0(1);  // the end widths must hold this index
  AddLine(m.EndEdges, 3, 0);
  auto back = ReadOne(m.ToBytes());
  auto& r = As<TSWFDefineMorphShape>(back);
  EXPECT_EQ(r.StartEdges.size(), 4u);
  EXPECT_EQ(r.EndEdges.size(), 3u);
  EXPECT_EQ(static_cast<const TSWFStyleChangeRecord&>(*r.EndEdges[0]).FillStyle0, 1);
  EXPECT_EQ(PenEnd(r.EndEdges), (std::pair<int64_t, int64_t>{3, 0}));
}

// --- Copies and IDs ---

TEST(ShapeCopyTest, CloneWritesTheSameBytes) {
  TSWFDefineShape s = MakeRedSquare();
  auto c = s.Clone();
  EXPECT_EQ(c->ToBytes(), kRedSquare);
  s.Records.clear();
  EXPECT_EQ(c->ToBytes(), kRedSquare);
}

TEST(ShapeCopyTest, Shape4FromAnOlderShape) {
  TSWFDefineShape3 s3;
  s3.ShapeBounds = TSWFRect::FromScreen({1, 2, 3, 4});
  TSWFDefineShape4 s4;
  s4.Assign(s3);
  EXPECT_EQ(s4.EdgeBounds, s3.ShapeBounds);
}

TEST(ShapeCopyTest, MorphShape2FromMorphShape) {
  TSWFDefineMorphShape m;
  m.StartBounds = TSWFRect::FromScreen({0, 0, 5, 5});
  auto l = std::make_unique<TSWFMorphLineStyle>();
  l->StartWidth = 7;
  l->EndColor.SetRGBA(SWFRGBA(1, 2, 3, 4));
  m.MorphLineStyles.push_back(std::move(l));
  TSWFDefineMorphShape2 m2;
  m2.Assign(m);
  EXPECT_EQ(m2.StartEdgeBounds, m.StartBounds);
  const auto* l2 = dynamic_cast<const TSWFMorphLineStyle2*>(m2.MorphLineStyles[0].get());
  ASSERT_NE(l2, nullptr);
  EXPECT_EQ(l2->StartWidth, 7);
  EXPECT_EQ(l2->EndColor.GetRGBA(), SWFRGBA(1, 2, 3, 4));
}

TEST(ShapeCopyTest, BitmapReferencesIncludeNewStylesAndLineFills) {
  TSWFDefineShape4 s;
  s.ShapeID = 9;
  auto img = std::make_unique<TSWFImageFill>();
  img->BitmapID = 3;
  s.FillStyles.push_back(std::move(img));
  auto none = std::make_unique<TSWFImageFill>();
  none->BitmapID = 0xFFFF;  // draws no bitmap
  s.FillStyles.push_back(std::move(none));
  auto l = std::make_unique<TSWFLineStyle2>();
  static_cast<TSWFImageFill*>(l->GetFill(kFillClippedBitmap))->BitmapID = 4;
  s.LineStyles.push_back(std::move(l));
  auto& sc = AddStyle(s.Records);
  auto img2 = std::make_unique<TSWFImageFill>();
  img2->BitmapID = 5;
  sc.NewFillStyles().push_back(std::move(img2));
  auto back = ReadOne(s.ToBytes());
  std::vector<uint16_t> ids;
  back->ForEachReferencedID([&](uint16_t& id) {
    ids.push_back(id);
    id += 100;
  });
  EXPECT_EQ(ids, (std::vector<uint16_t>{3, 4, 5}));
  auto again = ReadOne(back->ToBytes());
  ids.clear();
  again->ForEachReferencedID([&](uint16_t& id) { ids.push_back(id); });
  EXPECT_EQ(ids, (std::vector<uint16_t>{103, 104, 105}));
  back->ForEachDefinedID([&](uint16_t& id) { EXPECT_EQ(id, 9); });
}

TEST(ShapeCopyTest, DescribeNamesTheKeyFields) {
  const std::string d = ReadOne(kRedSquare)->Describe();
  EXPECT_NE(d.find("bounds=(0,0)-(2000,2000)"), std::string::npos) << d;
  EXPECT_NE(d.find("fills=1[solid #FF0000]"), std::string::npos) << d;
  EXPECT_NE(d.find("4 edges, 0 curves, 1 style changes"), std::string::npos) << d;
}

}  // namespace
}  // namespace fc
