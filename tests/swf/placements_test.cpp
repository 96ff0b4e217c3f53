#include "swf/placements.h"

#include <gtest/gtest.h>

#include "tag_test_util.h"

namespace fc {
namespace {

using test::As;
using test::Bytes;
using test::ExpectGolden;
using test::RawReason;
using test::ReadOne;

TEST(PlaceObjectTest, PlaceObjectWithAndWithoutColorTransform) {
  TSWFPlaceObject p;
  p.CharacterID = 1;
  p.Depth = 2;
  // Matrix with nothing set: 7 bits, one byte.
  ExpectGolden(p, {0x05, 0x01, 0x01, 0x00, 0x02, 0x00, 0x00});
  p.ColorTransform.SetAddR(1);
  p.ColorTransform.SetAddG(2);
  p.ColorTransform.SetAddB(3);
  // Add terms only, 3 bits each: 1 0 0011 001 010 011.
  ExpectGolden(p, {0x07, 0x01, 0x01, 0x00, 0x02, 0x00, 0x00, 0x8C, 0xA6});
  EXPECT_TRUE(As<TSWFPlaceObject>(ReadOne({0x07, 0x01, 0x01, 0x00, 0x02, 0x00, 0x00, 0x8C, 0xA6})).HasColorTransform);
}

TEST(PlaceObjectTest, PlaceObject2MoveWritesMatrixFlagsOnly) {
  TSWFPlaceObject2 p;
  p.Depth = 5;
  p.Move = true;
  p.GetMatrix().SetTranslate(100, 200);
  // Flags 0x05; matrix 0 0 01001 (9 bits) 100 200.
  ExpectGolden(p, {0x87, 0x06, 0x05, 0x05, 0x00, 0x12, 0x64, 0x64, 0x00});
  EXPECT_EQ(p.MinVersion(), 3);
  auto back = ReadOne({0x87, 0x06, 0x05, 0x05, 0x00, 0x12, 0x64, 0x64, 0x00});
  auto& q = As<TSWFPlaceObject2>(back);
  EXPECT_TRUE(q.Move);
  EXPECT_FALSE(q.HasCharacter);
  EXPECT_EQ(q.Matrix().TranslateY, 200);
}

TEST(PlaceObjectTest, PlaceObject2NameRatioClipDepth) {
  TSWFPlaceObject2 p;
  p.Depth = 1;
  p.SetCharacterID(9);
  p.SetName("ab");
  p.HasRatio = true;
  p.Ratio = 0x0102;
  p.HasClipDepth = true;
  p.ClipDepth = 4;
  ExpectGolden(p, {0x8C, 0x06, 0x72, 0x01, 0x00, 0x09, 0x00, 0x02, 0x01, 'a', 'b', 0x00, 0x04, 0x00});
}

// One record on Load with a Stop action, event flags 2 bytes wide before version 6.
TEST(PlaceObjectTest, ClipActionsFollowTheFileVersion) {
  auto make = [](uint8_t version) {
    auto p = std::make_unique<TSWFPlaceObject2>();
    p->Version = version;
    p->Depth = 1;
    p->SetCharacterID(2);
    p->GetClipActions().AddRecord(kClipLoad)->Add(CreateActionObject(0x07));
    return p;
  };
  const Bytes v5 = {0x93, 0x06, 0x82, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00,
                    0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00};
  const Bytes v6 = {0x99, 0x06, 0x82, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
                    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00};
  auto p5 = make(3);  // raised to 5 by its clip actions
  EXPECT_EQ(p5->MinVersion(), 5);
  EXPECT_EQ(p5->ToBytes(), v5);
  auto p6 = make(6);
  EXPECT_EQ(p6->MinVersion(), 6);
  EXPECT_EQ(p6->ToBytes(), v6);
  for (auto [bytes, version] : {std::pair{v5, uint8_t{5}}, std::pair{v6, uint8_t{6}}}) {
    auto back = ReadOne(bytes, version);
    auto& q = As<TSWFPlaceObject2>(back);
    ASSERT_EQ(q.ClipActions().Records.size(), 1u);
    EXPECT_EQ(q.ClipActions().Records[0]->EventFlags, kClipLoad);
    EXPECT_EQ(q.ClipActions().Records[0]->Count(), 1u);
    EXPECT_EQ(back->ToBytes(), bytes);
  }
  // Kept as a raw block when actions are not parsed, written back the same.
  auto raw = ReadOne(v6, 6, false);
  EXPECT_EQ(raw->ToBytes(), v6);
}

TEST(PlaceObjectTest, KeyPressRecordCarriesItsKeyCode) {
  TSWFPlaceObject2 p;
  p.Version = 6;
  p.Depth = 1;
  p.GetClipActions().AddRecord(0, 13)->Add(CreateActionObject(0x07));
  EXPECT_EQ(p.ClipActions().Records[0]->EventFlags, kClipKeyPress);
  const Bytes body = {0x80, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00,
                      0x03, 0x00, 0x00, 0x00, 0x0D, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00};
  Bytes tag = {static_cast<uint8_t>(0x80 | body.size()), 0x06};
  tag.insert(tag.end(), body.begin(), body.end());
  ExpectGolden(p, tag, 6);
  EXPECT_EQ(As<TSWFPlaceObject2>(ReadOne(tag, 6)).ClipActions().Records[0]->KeyCode, 13);
}

TEST(PlaceObjectTest, EventFlagsRefusedWhereTheyCannotBeWritten) {
  TSWFPlaceObject2 p;
  p.Version = 5;
  p.GetClipActions().AddRecord(kClipConstruct);
  EXPECT_THROW(p.ToBytes(), Error);  // 32-bit events in a version-5 movie
  TSWFPlaceObject2 empty;
  empty.Version = 6;
  empty.GetClipActions().AddRecord(0);
  EXPECT_THROW(empty.ToBytes(), Error);  // would read as the end of the list
}

TEST(PlaceObjectTest, EmptyClipActionListClearsTheFlag) {
  TSWFPlaceObject2 p;
  p.Depth = 1;
  p.GetClipActions();
  EXPECT_EQ(p.ToBytes(), (Bytes{0x83, 0x06, 0x00, 0x01, 0x00}));
}

TEST(PlaceObjectTest, PlaceObject3ExtraFlagsReadForEveryVersionFromNine) {
  const Bytes tag = {0x86, 0x11, 0x00, 0x08, 0x01, 0x00, 'C', 0x00};
  for (uint8_t v : {9, 10, 11, 15}) {
    SCOPED_TRACE(v);
    auto back = ReadOne(tag, v);
    ASSERT_EQ(RawReason(*back), "");
    EXPECT_EQ(As<TSWFPlaceObject3>(back).ClassName, "C");
    EXPECT_EQ(back->ToBytes(), tag);
  }
  TSWFPlaceObject3 p;
  p.Depth = 1;
  p.SetClassName("C");
  EXPECT_EQ(p.MinVersion(), 9);
  ExpectGolden(p, tag);
}

TEST(PlaceObjectTest, DefaultDropShadowAndSkipExtras) {
  TSWFPlaceObject3 p;
  p.Depth = 1;
  p.GetFilters().Add<TSWFDropShadowFilter>();
  ExpectGolden(p, {0x9D, 0x11, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x04,
                   0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x01, 0x21});
  EXPECT_EQ(p.MinVersion(), 8);

  // What the movie builder does when no extra is used: byte for byte a PlaceObject2.
  TSWFPlaceObject3 s;
  s.TagID = 26;
  s.SkipExtras = true;
  s.Depth = 5;
  s.Move = true;
  s.GetMatrix().SetTranslate(100, 200);
  EXPECT_EQ(s.ToBytes(), (Bytes{0x87, 0x06, 0x05, 0x05, 0x00, 0x12, 0x64, 0x64, 0x00}));
}

TEST(PlaceObjectTest, EveryFilterKindRoundTrips) {
  TSWFPlaceObject3 p;
  p.Depth = 3;
  p.HasBlendMode = true;
  p.BlendMode = 3;
  auto& f = p.GetFilters();
  f.Add<TSWFDropShadowFilter>()->Passes = 3;
  f.Add<TSWFBlurFilter>()->Passes = 2;
  f.Add<TSWFGlowFilter>()->InnerGlow = true;
  f.Add<TSWFBevelFilter>()->OnTop = true;
  f.Add<TSWFGradientGlowFilter>()->Stops.push_back({SWFRGBA(1, 2, 3, 4), 128});
  auto* conv = f.Add<TSWFConvolutionFilter>();
  conv->MatrixX = 3;
  conv->MatrixY = 1;
  conv->Matrix = {0.5f, 1, -0.25f};
  conv->Clamp = true;
  f.Add<TSWFColorMatrixFilter>()->Matrix[4] = 0.5f;
  f.Add<TSWFGradientBevelFilter>();
  const Bytes bytes = p.ToBytes();
  auto back = ReadOne(bytes);
  auto& q = As<TSWFPlaceObject3>(back);
  ASSERT_EQ(q.Filters().Count(), 8u);
  EXPECT_EQ(q.Filters().Describe(), "DropShadow,Blur,Glow,Bevel,GradientGlow,Convolution,ColorMatrix,GradientBevel");
  EXPECT_EQ(q.BlendMode, 3);
  EXPECT_EQ(static_cast<TSWFGradientGlowFilter&>(*q.Filters().Items[4]).Stops.size(), 3u);
  EXPECT_EQ(back->ToBytes(), bytes);
  // A copy writes the same bytes.
  EXPECT_EQ(back->Clone()->ToBytes(), bytes);
}

TEST(PlaceObjectTest, UnknownFilterKeepsTheTagRaw) {
  const Bytes tag = {0x86, 0x11, 0x00, 0x01, 0x01, 0x00, 0x01, 0x09};
  auto back = ReadOne(tag);
  EXPECT_NE(RawReason(*back), "");
  EXPECT_EQ(back->ToBytes(), tag);
}

}  // namespace
}  // namespace fc
