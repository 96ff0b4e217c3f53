#include "swf/bitmaps.h"

#include <gtest/gtest.h>

#include "tag_test_util.h"

namespace fc {
namespace {

using test::As;
using test::Bytes;
using test::ExpectGolden;
using test::ReadOne;

TEST(BitmapTest, CompleteJPEGWrittenAfterTheErrorHeader) {
  TSWFDefineBitsJPEG2 j;
  j.CharacterID = 1;
  j.Data = {0xFF, 0xD8, 0xAA, 0xFF, 0xD9};
  ExpectGolden(j, {0x4B, 0x05, 0x01, 0x00, 0xFF, 0xD9, 0xFF, 0xD8, 0xFF, 0xD8, 0xAA, 0xFF, 0xD9});
  EXPECT_EQ(j.MinVersion(), 2);
}

TEST(BitmapTest, FramedJPEGKeepsTheBytesBetweenTheMarkers) {
  TSWFDefineBits j;
  j.CharacterID = 1;
  j.Data = {0x11, 0x22};
  const Bytes bytes = {0x88, 0x01, 0x01, 0x00, 0xFF, 0xD8, 0x11, 0x22, 0xFF, 0xD9};
  ExpectGolden(j, bytes);
  EXPECT_EQ(As<TSWFDefineBits>(ReadOne(bytes)).Data, (Bytes{0x11, 0x22}));
}

TEST(BitmapTest, PNGGIFAndShortSectionsKeptVerbatim) {
  const Bytes png = {0x48, 0x05, 0x01, 0x00, 0x89, 'P', 'N', 'G', 0x0D, 0x0A};
  auto p = ReadOne(png);
  EXPECT_EQ(As<TSWFDefineBitsJPEG2>(p).Data, (Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A}));
  EXPECT_EQ(p->MinVersion(), 8);
  EXPECT_EQ(p->ToBytes(), png);
  const Bytes gif = {0x48, 0x05, 0x01, 0x00, 'G', 'I', 'F', '8', '9', 'a'};
  EXPECT_EQ(ReadOne(gif)->ToBytes(), gif);
  for (const Bytes& cut : {Bytes{0x45, 0x05, 0x01, 0x00, 0xFF, 0xD8, 0x00}, Bytes{0x43, 0x05, 0x01, 0x00, 0xFF},
                           Bytes{0x42, 0x05, 0x01, 0x00}}) {
    auto c = ReadOne(cut);
    EXPECT_EQ(As<TSWFDefineBitsJPEG2>(c).Data.size(), cut.size() - 4);
    EXPECT_EQ(c->ToBytes(), cut);
  }
}

TEST(BitmapTest, JPEG3AlphaOffset) {
  TSWFDefineBitsJPEG3 j;
  j.CharacterID = 2;
  j.Data.assign(996, 0x55);
  j.AlphaData.assign(200, 0x77);
  const Bytes bytes = j.ToBytes();
  ASSERT_EQ(bytes.size(), 6u + 1206u);
  EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 12), (Bytes{0xE8, 0x03, 0x00, 0x00}));  // 1000
  auto back = ReadOne(bytes);
  EXPECT_EQ(As<TSWFDefineBitsJPEG3>(back).AlphaData.size(), 200u);
  EXPECT_EQ(back->ToBytes(), bytes);
  // An offset past the body keeps the tag raw.
  EXPECT_NE(test::RawReason(*ReadOne({0xC8, 0x08, 0x02, 0x00, 0x10, 0x00, 0x00, 0x00, 0xFF, 0xD8})), "");
}

TEST(BitmapTest, JPEG4DeblockAndTables) {
  TSWFDefineBitsJPEG4 j;
  j.CharacterID = 1;
  j.DeblockParam = 0x0100;
  j.Data = {0x11};
  ExpectGolden(j, {0x8D, 0x16, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xD8, 0x11, 0xFF, 0xD9});
  TSWFJPEGTables t;
  ExpectGolden(t, {0x00, 0x02});
}

TEST(BitmapTest, LosslessFormats) {
  TSWFDefineBitsLossless l;
  l.CharacterID = 1;
  l.BitmapFormat = kBitmapPalette;
  l.BitmapWidth = 2;
  l.BitmapHeight = 1;
  l.BitmapColorTableSize = 1;
  l.Data = {0x78, 0x9C};
  ExpectGolden(l, {0x3F, 0x05, 0x0A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 0x02, 0x00, 0x01, 0x00, 0x01, 0x78, 0x9C});
  TSWFDefineBitsLossless2 l2;
  l2.CharacterID = 1;
  l2.BitmapWidth = 2;
  l2.BitmapHeight = 1;
  l2.Data = {0x78, 0x9C};
  ExpectGolden(l2, {0x3F, 0x09, 0x09, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0x02, 0x00, 0x01, 0x00, 0x78, 0x9C});
}

}  // namespace
}  // namespace fc
