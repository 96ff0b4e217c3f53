#include "swf/objects.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "swf/actions.h"
#include "swf/tag_factory.h"

namespace fc {
namespace {

using Bytes = std::vector<uint8_t>;

// Reads a whole tag (header and body) through the factory, as the file reader does.
std::unique_ptr<TSWFObject> ReadOne(const Bytes& tag, uint8_t version = 10) {
  TBitsEngine be(tag);
  TSWFTagHeader h = ReadTagHeader(be);
  TSWFReadContext ctx;
  ctx.Version = version;
  return ReadTagObject(h, be.ReadSpan(h.Length), h.HeaderSize(), ctx, true);
}

struct GoldenTag {
  const char* name;
  std::function<std::unique_ptr<TSWFObject>()> make;
  Bytes bytes;
};

// Each object writes exactly these bytes, and these bytes read back into an object that
// writes them again.
const std::vector<GoldenTag>& GoldenTags() {
  static const std::vector<GoldenTag> table = {
      {"End", [] { return std::make_unique<TSWFEnd>(); }, {0x00, 0x00}},
      {"ShowFrame", [] { return std::make_unique<TSWFShowFrame>(); }, {0x40, 0x00}},
      {"SetBackgroundColor white",
       [] {
         auto t = std::make_unique<TSWFSetBackgroundColor>();
         t->Color = TSWFRGB(255, 255, 255);
         return t;
       },
       {0x43, 0x02, 0xFF, 0xFF, 0xFF}},
      {"RemoveObject",
       [] {
         auto t = std::make_unique<TSWFRemoveObject>();
         t->CharacterID = 3;
         t->Depth = 0x102;
         return t;
       },
       {0x44, 0x01, 0x03, 0x00, 0x02, 0x01}},
      {"RemoveObject2",
       [] {
         auto t = std::make_unique<TSWFRemoveObject2>();
         t->Depth = 7;
         return t;
       },
       {0x02, 0x07, 0x07, 0x00}},
      {"FrameLabel anchor",
       [] {
         auto t = std::make_unique<TSWFFrameLabel>("go");
         t->NamedAnchor = true;
         return t;
       },
       {0xC4, 0x0A, 'g', 'o', 0x00, 0x01}},
      {"FrameLabel", [] { return std::make_unique<TSWFFrameLabel>("a"); }, {0xC2, 0x0A, 'a', 0x00}},
      {"ExportAssets",
       [] {
         auto t = std::make_unique<TSWFExportAssets>();
         t->Assets = {{1, "a"}, {0x0203, "bc"}};
         return t;
       },
       {0x0B, 0x0E, 0x02, 0x00, 0x01, 0x00, 'a', 0x00, 0x03, 0x02, 'b', 'c', 0x00}},
      {"ImportAssets2",
       [] {
         auto t = std::make_unique<TSWFImportAssets2>();
         t->URL = "u";
         t->Assets = {{5, "x"}};
         return t;
       },
       {0xCA, 0x11, 'u', 0x00, 0x01, 0x00, 0x01, 0x00, 0x05, 0x00, 'x', 0x00}},
      {"ScriptLimits",
       [] {
         auto t = std::make_unique<TSWFScriptLimits>();
         t->MaxRecursionDepth = 1000;
         t->ScriptTimeoutSeconds = 60;
         return t;
       },
       {0x44, 0x10, 0xE8, 0x03, 0x3C, 0x00}},
      {"FileAttributes",
       [] {
         auto t = std::make_unique<TSWFFileAttributes>();
         t->HasMetadata = true;
         t->UseNetwork = true;
         return t;
       },
       {0x44, 0x11, 0x11, 0x00, 0x00, 0x00}},
      {"Metadata",
       [] {
         auto t = std::make_unique<TSWFMetadata>();
         t->Metadata = "<r/>";
         return t;
       },
       {0x45, 0x13, '<', 'r', '/', '>', 0x00}},
      {"DefineScalingGrid",
       [] {
         auto t = std::make_unique<TSWFDefineScalingGrid>();
         t->CharacterID = 2;
         t->Splitter = TSWFRect::FromScreen({0, 0, 0, 0});
         return t;
       },
       {0x83, 0x13, 0x02, 0x00, 0x00}},
      {"DefineBinaryData",
       [] {
         auto t = std::make_unique<TSWFDefineBinaryData>();
         t->CharacterID = 9;
         t->Data = {0xAB, 0xCD};
         return t;
       },
       {0xC8, 0x15, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAB, 0xCD}},
      {"ProductInfo",
       [] {
         auto t = std::make_unique<TSWFProductInfo>();
         t->ProductID = 3;
         t->Edition = 6;
         t->MajorVersion = 9;
         t->MinorVersion = 0;
         t->BuildLow = 0x1234;
         t->CompilationDate = 0x0000011122334455ull;
         return t;
       },
       {0x5A, 0x0A, 0x03, 0, 0, 0, 0x06, 0, 0, 0, 0x09, 0x00, 0x34, 0x12, 0, 0, 0, 0, 0, 0,
        0x55, 0x44, 0x33, 0x22, 0x11, 0x01, 0x00, 0x00}},
      {"Protect with a stored hash",
       [] {
         auto t = std::make_unique<TSWFProtect>();
         t->Hash = "$1$ab$x";
         return t;
       },
       {0x0A, 0x06, 0x00, 0x00, '$', '1', '$', 'a', 'b', '$', 'x', 0x00}},
      {"Protect without password", [] { return std::make_unique<TSWFProtect>(); }, {0x00, 0x06}},
  };
  return table;
}

TEST(SWFTags, GoldenBytesWritten) {
  for (const auto& g : GoldenTags()) {
    SCOPED_TRACE(g.name);
    EXPECT_EQ(g.make()->ToBytes(), g.bytes);
  }
}

TEST(SWFTags, GoldenBytesReadBackIntoEqualObjects) {
  for (const auto& g : GoldenTags()) {
    SCOPED_TRACE(g.name);
    auto obj = ReadOne(g.bytes);
    ASSERT_EQ(dynamic_cast<TSWFByteCodeTag*>(obj.get()), nullptr) << obj->Describe();
    EXPECT_EQ(obj->TagID, g.make()->TagID);
    EXPECT_EQ(obj->ToBytes(), g.bytes);
    // Assign gives an equal copy.
    EXPECT_EQ(obj->Clone()->ToBytes(), g.bytes);
  }
}

TEST(SWFTags, HeaderForm) {
  TSWFDefineBinaryData t;
  t.Data.resize(56);  // body of 62 bytes: short header
  Bytes b = t.ToBytes();
  EXPECT_EQ(b.size(), 64u);
  EXPECT_EQ(b[0] & 63, 62);
  t.Data.resize(57);  // 63 bytes: long header
  b = t.ToBytes();
  EXPECT_EQ(b.size(), 69u);
  EXPECT_EQ(b[0] & 63, 63);
  EXPECT_EQ(b[2], 63);

  // A raw tag made in the program takes the forced long form of its stored code.
  TSWFByteCodeTag raw;
  raw.StoredTagID = TagNumber(TSWFTagCode::DefineBitsLossless);
  raw.Data.assign(10, 0);
  b = raw.ToBytes();
  EXPECT_EQ(b, (Bytes{0x3F, 0x05, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(SWFTags, WrittenAfterOtherBytes) {
  // Tags land behind what the engine holds already, in either header form.
  Bytes out{0xEE};
  TBitsEngine be(&out);
  TSWFDefineBinaryData short_tag;
  short_tag.Data.assign(2, 0x5A);
  short_tag.WriteToStream(be);
  TSWFDefineBinaryData long_tag;
  long_tag.Data.assign(57, 0x5B);
  long_tag.WriteToStream(be);
  Bytes expected{0xEE};
  const Bytes short_bytes = short_tag.ToBytes(), long_bytes = long_tag.ToBytes();
  expected.insert(expected.end(), short_bytes.begin(), short_bytes.end());
  expected.insert(expected.end(), long_bytes.begin(), long_bytes.end());
  EXPECT_EQ(out, expected);
  EXPECT_EQ(short_tag.BodySize, 8u);
  EXPECT_EQ(long_tag.BodySize, 63u);

  // A tag that cannot be written leaves nothing behind.
  TSWFExportAssets bad;
  bad.Assets.resize(70000);
  EXPECT_THROW(bad.WriteToStream(be), Error);
  EXPECT_EQ(out, expected);
}

TEST(SWFTags, RawTagsKeepTheirBytesAndHeaderForm) {
  // DefineVideoStream written with a short header by another tool (kept raw when its body
  // cannot be read), and an unknown code written with a long header although short.
  const Bytes video{0x09, 0x0F, 1, 0, 2, 0, 0x40, 0, 0x30, 0, 0};
  const Bytes unknown{0xFF, 0x3F, 0x02, 0, 0, 0, 0xAA, 0xBB};
  for (const Bytes& tag : {video, unknown}) {
    auto obj = ReadOne(tag);
    ASSERT_NE(dynamic_cast<TSWFByteCodeTag*>(obj.get()), nullptr);
    EXPECT_EQ(obj->ToBytes(), tag);
    EXPECT_EQ(obj->ToBytes(), tag);  // twice: the object is unchanged by writing
  }
  EXPECT_STREQ(TagName(1020), "Unknown");
}

TEST(SWFTags, BadBodiesBecomeRawTagsNamingTheFault) {
  // RemoveObject with a 3-byte body: the Depth runs past the body.
  auto cut = ReadOne({0x43, 0x01, 0x01, 0x00, 0x02});
  auto* raw = dynamic_cast<TSWFByteCodeTag*>(cut.get());
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->StoredTagID, 5);
  EXPECT_NE(raw->ErrorMessage.find("Depth"), std::string::npos);
  EXPECT_EQ(raw->ToBytes(), (Bytes{0x43, 0x01, 0x01, 0x00, 0x02}));

  // A body longer than its fields is not silently shortened.
  auto longer = ReadOne({0x45, 0x01, 0x01, 0x00, 0x02, 0x00, 0x09});
  ASSERT_NE(dynamic_cast<TSWFByteCodeTag*>(longer.get()), nullptr);
  EXPECT_EQ(longer->ToBytes(), (Bytes{0x45, 0x01, 0x01, 0x00, 0x02, 0x00, 0x09}));

  // An asset count far beyond the body: no allocation from the count, a raw tag.
  auto huge = ReadOne({0x03, 0x0E, 0xFF, 0xFF, 0x01});
  ASSERT_NE(dynamic_cast<TSWFByteCodeTag*>(huge.get()), nullptr);

  // ShowFrame must have no body.
  auto frame = ReadOne({0x41, 0x00, 0x00});
  ASSERT_NE(dynamic_cast<TSWFByteCodeTag*>(frame.get()), nullptr);
  EXPECT_EQ(frame->ToBytes(), (Bytes{0x41, 0x00, 0x00}));
}

TEST(SWFTags, FrameLabelAnchorOnlyWithOneTrailingByte) {
  auto plain = ReadOne({0xC3, 0x0A, 'a', 'b', 0x00});
  EXPECT_FALSE(dynamic_cast<TSWFFrameLabel&>(*plain).NamedAnchor);
  EXPECT_EQ(plain->MinVersion(), 3);
  auto anchor = ReadOne({0xC4, 0x0A, 'a', 'b', 0x00, 0x01});
  EXPECT_TRUE(dynamic_cast<TSWFFrameLabel&>(*anchor).NamedAnchor);
  EXPECT_EQ(anchor->MinVersion(), 6);
}

TEST(SWFTags, ProtectHashesAPlainPassword) {
  TSWFProtect p;
  EXPECT_EQ(p.MinVersion(), 2);
  p.Password = "secret";
  EXPECT_EQ(p.MinVersion(), 5);
  Bytes b = p.ToBytes();
  ASSERT_EQ(b.size(), 2u + 2 + 28 + 1);
  EXPECT_EQ(p.Hash.substr(0, 3), "$1$");
  EXPECT_EQ(p.Hash, MD5Crypt("secret", p.Hash.substr(3, 2)));
}

TEST(SWFTags, FileAttributesKeepFlagsItDoesNotName) {
  auto obj = ReadOne({0x44, 0x11, 0x71, 0x00, 0x00, 0x00});  // direct blit, GPU, metadata, network
  auto& fa = dynamic_cast<TSWFFileAttributes&>(*obj);
  EXPECT_TRUE(fa.HasMetadata);
  EXPECT_TRUE(fa.UseNetwork);
  EXPECT_FALSE(fa.ActionScript3);
  EXPECT_EQ(obj->ToBytes(), (Bytes{0x44, 0x11, 0x71, 0x00, 0x00, 0x00}));
}

TEST(SWFTags, WideFieldsRaiseErrors) {
  TSWFExportAssets e;
  e.Assets.resize(70000);
  EXPECT_THROW(e.ToBytes(), Error);
  TSWFDefineScalingGrid g;
  g.Splitter = TSWFRect::FromScreen({-2147483647 - 1, 0, 0, 0});
  EXPECT_THROW(g.ToBytes(), Error);
}

TEST(SWFTags, FactoryMapsEveryModelledCode) {
  for (uint16_t code : {0, 1, 5, 9, 12, 24, 28, 41, 43, 56, 57, 58, 59, 64, 65, 66, 69, 71, 76, 77, 78, 87}) {
    auto obj = CreateTagObject(code);
    EXPECT_EQ(obj->TagID, code) << code;
    EXPECT_TRUE(IsModelledTag(code));
  }
  auto raw = CreateTagObject(3);  // a code without a class
  EXPECT_EQ(raw->TagID, TagNumber(TSWFTagCode::ByteCode));
  EXPECT_EQ(raw->HeaderTagID(), 3);
  EXPECT_STREQ(TagName(3), "FreeCharacter");
}

}  // namespace
}  // namespace fc
