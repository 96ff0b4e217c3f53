#include "swf/records.h"

#include <gtest/gtest.h>

namespace fc {
namespace {

TEST(SWFRect, SettersKeepTheOrder) {
  TSWFRect r;
  r.SetXmin(100);  // above Xmax 0: the pair swaps
  EXPECT_EQ(r.Xmin(), 0);
  EXPECT_EQ(r.Xmax(), 100);
  r.SetRect({50, 80, 10, 20});
  EXPECT_EQ(r.SWFRect(), (TRect{10, 50, 20, 80}));
  EXPECT_EQ(r.Rect(), (TRect{10, 20, 50, 80}));
  EXPECT_EQ(TSWFRect::FromSWF({10, 50, 20, 80}), r);
}

TEST(SWFRGBA, AlphaFlag) {
  TSWFRGBA c;
  c.SetAlpha(255);
  EXPECT_FALSE(c.HasAlpha());
  c.SetAlpha(128);
  EXPECT_TRUE(c.HasAlpha());
  c.SetRGB(0x00112233);
  EXPECT_EQ(c.Alpha(), 255);
  EXPECT_TRUE(c.HasAlpha());
  c.SetHasAlpha(false);
  EXPECT_EQ(c.Alpha(), 255);
  c.SetRGBA(0x80332211);
  EXPECT_EQ(c.GetRGBA(), 0x80332211u);
  TSWFRGBA d;
  d.Assign(TSWFRGB(1, 2, 3));
  EXPECT_EQ(d.GetRGBA(), 0xFF030201u);
  d.Assign(c);
  EXPECT_EQ(d.GetRGBA(), 0x80332211u);
}

TEST(SWFColorTransform, SettersClampAndRecordRoundTrip) {
  TSWFColorTransform t;
  t.SetAddR(300);
  EXPECT_EQ(t.AddR(), 255);
  EXPECT_TRUE(t.HasAdd);
  t.SetMultG(-5);
  EXPECT_EQ(t.MultG(), 0);
  EXPECT_TRUE(t.HasMult);
  EXPECT_FALSE(t.HasAlpha);
  t.SetAddA(-10);
  EXPECT_TRUE(t.HasAlpha);

  TSWFColorTransformRec rec;
  rec.HasMult = true;
  rec.MultR = 1000;  // clamped through the setter
  TSWFColorTransform u;
  u.SetAddR(5);
  u.SetRec(rec);
  EXPECT_FALSE(u.HasAdd);
  EXPECT_EQ(u.MultR(), 256);
  EXPECT_TRUE(u.Rec().HasMult);
}

TEST(SWFMatrix, RotateNinetyDegrees) {
  TSWFMatrix m;
  m.SetRotate(90);
  EXPECT_TRUE(m.HasScale);
  EXPECT_TRUE(m.HasRotate);
  EXPECT_EQ(m.ScaleX, 0);
  EXPECT_EQ(m.ScaleY, 0);
  EXPECT_EQ(m.RotateSkew0, -65536);
  EXPECT_EQ(m.RotateSkew1, 65536);
  m.SetTranslate(20, -20);
  TSWFMatrix n;
  n.SetRec(m.Rec());
  EXPECT_EQ(n, m);
  m.SetScale(2.0f, 0.5f);
  EXPECT_EQ(m.ScaleX, 131072);
  EXPECT_FLOAT_EQ(m.GetScaleY(), 0.5f);
}

}  // namespace
}  // namespace fc
