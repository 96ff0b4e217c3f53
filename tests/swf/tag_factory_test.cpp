#include "swf/tag_factory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/tag_codes.h"
#include "tag_test_util.h"

namespace fc {
namespace {

using test::Bytes;

// Every class the table creates carries the code the table files it under, and its name
// reads back to that code.
TEST(TagTable, EveryClassCarriesItsOwnCode) {
  size_t modelled = 0;
  for (uint16_t code = 0; code <= kMaxTagCode; ++code) {
    if (!IsModelledTag(code)) continue;
    ++modelled;
    SCOPED_TRACE(TagName(code));
    EXPECT_EQ(CreateTagObject(code)->TagID, code);
    EXPECT_EQ(CreateTagObject(code)->HeaderTagID(), code);
  }
  EXPECT_GE(modelled, 60u);
  EXPECT_FALSE(IsModelledTag(TagNumber(TSWFTagCode::ByteCode)));
  EXPECT_STREQ(TagName(TagNumber(TSWFTagCode::DefineSceneAndFrameLabelData)), "DefineSceneAndFrameLabelData");
}

// The questions the reader, renumbering, resource moving and the template import ask of a
// code, answered from the one table.
TEST(TagTable, TraitsOfTheCodes) {
  using enum TSWFTagCode;
  using enum TSWFTagTrait;
  auto codes_with = [](TSWFTagTrait trait) {
    std::vector<uint16_t> codes;
    for (uint16_t code = 0; code <= kMaxTagCode; ++code)
      if (TagHasTrait(static_cast<TSWFTagCode>(code), trait)) codes.push_back(code);
    return codes;
  };
  EXPECT_EQ(codes_with(LongHeader), (std::vector<uint16_t>{19, 20, 36, 60}));
  EXPECT_EQ(codes_with(Resource), (std::vector<uint16_t>{6, 8, 10, 14, 20, 21, 35, 36, 48, 75, 90}));
  EXPECT_EQ(codes_with(Placement), (std::vector<uint16_t>{4, 26, 70}));
  EXPECT_EQ(codes_with(FileLevel), (std::vector<uint16_t>{0, 9, 24, 58, 64, 69, 77}));
  EXPECT_EQ(codes_with(NamesFont), (std::vector<uint16_t>{13, 48, 62, 75}));
  EXPECT_EQ(codes_with(DefinesCharacter), (std::vector<uint16_t>{2, 6, 7, 10, 11, 14, 20, 21, 22, 32, 33, 34, 35, 36,
                                                                37, 39, 46, 48, 60, 75, 83, 84, 87, 90, 91}));
  EXPECT_EQ(codes_with(RefersFirst), (std::vector<uint16_t>{4, 5, 13, 15, 23, 59, 61, 62, 73, 74, 78, 88}));
  EXPECT_EQ(codes_with(Display), (std::vector<uint16_t>{4, 5, 15, 26, 28, 70}));
  EXPECT_EQ(codes_with(Timeline), (std::vector<uint16_t>{4, 5, 12, 15, 18, 19, 26, 28, 43, 45, 61, 70, 89}));
  EXPECT_TRUE(TagHasTrait(PlaceObject, Display | Timeline | Placement));
  EXPECT_FALSE(TagHasTrait(DefineSprite, Timeline));
  EXPECT_FALSE(TagHasTrait(static_cast<TSWFTagCode>(1000), DefinesCharacter));
}

// Codes without a class are kept raw under the product's own (misspelt) marker; a body that
// a class could not read is kept raw with the reason instead.
TEST(TagTable, UnknownCodesAreMarkedApartFromUnreadableBodies) {
  auto unknown = CreateTagObject(TagNumber(TSWFTagCode::DefineFont4));
  auto& raw = test::As<TSWFByteCodeTag>(unknown);
  EXPECT_EQ(raw.ErrorMessage, "Uniknow tag");
  EXPECT_TRUE(raw.IsUnknownCode());
  EXPECT_FALSE(raw.HasReadError());
  EXPECT_EQ(raw.Describe(), "raw");

  auto read = test::ReadOne({0xC2, 0x16, 0xAA, 0xBB});  // an unknown code read from a file
  EXPECT_TRUE(test::As<TSWFByteCodeTag>(read).IsUnknownCode());

  auto cut = test::ReadOne({0x43, 0x01, 0x01, 0x00, 0x02});  // RemoveObject without its depth
  auto& bad = test::As<TSWFByteCodeTag>(cut);
  EXPECT_FALSE(bad.IsUnknownCode());
  EXPECT_TRUE(bad.HasReadError());
  EXPECT_EQ(bad.Describe().find("raw (RemoveObject: "), 0u) << bad.Describe();
}

TEST(TagTable, HeaderWordLayout) {
  TSWFByteCodeTag tag(TagNumber(TSWFTagCode::SetBackgroundColor), Bytes{1, 2, 3});
  const Bytes b = tag.ToBytes();
  EXPECT_EQ(b[0] | b[1] << 8, 9 << kTagCodeShift | 3);
  TBitsEngine be(b);
  const TSWFTagHeader h = ReadTagHeader(be);
  EXPECT_EQ(h.Code(), TSWFTagCode::SetBackgroundColor);
  EXPECT_EQ(h.Length, 3u);
  TSWFByteCodeTag too_large(kMaxTagCode + 1, Bytes{});
  EXPECT_THROW(too_large.ToBytes(), Error);
}

}  // namespace
}  // namespace fc
