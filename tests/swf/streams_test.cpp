#include "swf/streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <typeinfo>
#include <sstream>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "swf/actions.h"
#include "swf/buttons_sprites.h"
#include "swf/dump.h"
#include "swf/tag_factory.h"
#include "tag_test_util.h"

namespace fc {
namespace {

using Bytes = std::vector<uint8_t>;

std::filesystem::path Data(const char* name) {
  return std::filesystem::path(FLARECAST_TEST_DATA_DIR) / "swf" / "data" / name;
}

class TestMovie : public TBasedSWFStream {
public:
  using TBasedSWFStream::TBasedSWFStream;
  size_t FindFrameEnd(uint16_t) override { return 0; }
  void BuildBody() override {}
  void MoveResources(int, int, int) override {}
};

Bytes Tag(uint16_t code, Bytes body, bool long_header = false) {
  Bytes out;
  const uint32_t n = static_cast<uint32_t>(body.size());
  if (long_header || n >= 63) {
    const uint16_t w = static_cast<uint16_t>(code << 6 | 63);
    out = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
           static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
  } else {
    const uint16_t w = static_cast<uint16_t>(code << 6 | n);
    out = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)};
  }
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A plain file around the given tags: 100x100 px stage, 12 fps.
Bytes Movie(const std::vector<Bytes>& tags, uint16_t frames = 1, uint8_t version = 8) {
  TestMovie m(0, 0, 100, 100, 12, true);
  m.SetVersion(version);
  m.FrameCount = frames;
  Bytes body;
  for (const auto& t : tags) body.insert(body.end(), t.begin(), t.end());
  m.SetBodyStream(body);
  return m.SaveToBytes();
}

TEST(SWFStream, NewMovieHeader) {
  TestMovie m(0, 0, 550, 400, 12, true);
  EXPECT_EQ(m.GetWidth(), 550);
  EXPECT_EQ(m.GetHeaderSize(), 21u);
  const Bytes b = m.SaveToBytes();
  EXPECT_EQ(b, (Bytes{'F', 'W', 'S', 5, 21, 0, 0, 0, 0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x0C,
                      0x00, 0x00}));
}

TEST(SWFStream, CompressedSaveRaisesVersionAndKeepsTheUncompressedLength) {
  TestMovie m(0, 0, 550, 400, 12, true);
  m.SetBodyStream(Tag(1, {}));
  m.SetCompressed(true);
  EXPECT_EQ(m.Version(), 6);
  m.SetVersion(5);
  EXPECT_EQ(m.Version(), 6);
  const Bytes b = m.SaveToBytes();
  EXPECT_EQ(std::string(b.begin(), b.begin() + 3), "CWS");
  EXPECT_EQ(b[3], 6);
  EXPECT_EQ(b[4], 23);  // 21 + the ShowFrame tag

  TSWFStreamReader r;
  r.LoadFromStream(b);
  EXPECT_TRUE(r.IsValid);
  EXPECT_TRUE(r.Compressed());
  EXPECT_EQ(r.GetBodyStream(), Tag(1, {}));
  EXPECT_TRUE(r.Warnings.empty());
}

// A copy that decodes nothing gives back the file byte for byte: its version (also a
// compressed file's version below 6), frame count, frame rate bytes and the width the
// rectangle was written with.
TEST(SWFStream, RawCopiesKeepEveryHeaderByte) {
  TestMovie m(0, 0, 100, 100, 12, true);
  m.SetBodyStream(Concat({Tag(1, {}), Tag(0, {})}));
  m.SetCompressed(true);
  Bytes cws = m.SaveToBytes();
  cws[3] = 5;  // written by a tool that compressed a version 5 movie
  for (bool decode : {false, true}) {
    SCOPED_TRACE(decode ? "decoded" : "raw");
    TSWFStreamReader r;
    r.LoadFromStream(cws);
    EXPECT_EQ(r.Version(), 5);
    r.ParseTags(decode, true);
    if (decode) r.BuildBody();
    EXPECT_EQ(r.SaveToBytes(), cws);
  }

  // A rectangle of 20-bit fields (8 would do), a rate of 0x0C01 (12 + 1/256 fps) and a frame
  // count of 0 although the body shows two frames.
  Bytes rect;
  TBitsEngine be(&rect);
  be.WriteBits(20, 5);
  for (uint32_t v : {0u, 2000u, 0u, 2000u}) be.WriteBits(v, 20);
  be.FlushLastByte(true);
  const Bytes body = Concat({Tag(9, {1, 2, 3}), Tag(1, {}), Tag(1, {}), Tag(0, {})});
  Bytes fws = {'F', 'W', 'S', 7, 0, 0, 0, 0};
  fws.insert(fws.end(), rect.begin(), rect.end());
  fws.insert(fws.end(), {0x01, 0x0C, 0x00, 0x00});
  fws.insert(fws.end(), body.begin(), body.end());
  fws[4] = static_cast<uint8_t>(fws.size());
  for (bool decode : {false, true}) {
    SCOPED_TRACE(decode ? "decoded" : "raw");
    TSWFStreamReader r;
    r.LoadFromStream(fws);
    EXPECT_TRUE(r.Warnings.empty());
    r.ParseTags(decode, true);
    if (decode) r.BuildBody();
    EXPECT_EQ(r.SaveToBytes(), fws);
  }
}

// Players treat a sprite without an End tag, or with a frame count of 0, differently from
// one with them: a decoded copy keeps what the file had.
TEST(SWFStream, SpritesWithoutEndOrFramesCopyAsTheyAre) {
  const Bytes file = Movie({Tag(39, {1, 0, 1, 0, 0x40, 0x00}),              // one frame, no End
                            Tag(39, {2, 0, 0, 0, 0x40, 0x00, 0x00, 0x00}),  // frame count 0
                            Tag(39, {3, 0, 0, 0}),                          // nothing at all
                            Tag(1, {}), Tag(0, {})});
  for (bool decode : {false, true}) {
    SCOPED_TRACE(decode ? "decoded" : "raw");
    TSWFStreamReader r;
    r.LoadFromStream(file);
    r.ParseTags(decode, true);
    if (decode) {
      for (size_t i = 0; i < 3; ++i) EXPECT_NE(dynamic_cast<TSWFDefineSprite*>(r.GetTagInfo(i).Object), nullptr) << i;
      r.BuildBody();
    }
    EXPECT_EQ(r.SaveToBytes(), file);
  }
}

// A compressed file is saved as it came while nothing in it changed (another compressor packs
// the same content into other bytes); any change, in the body or the header, packs it anew.
TEST(SWFStream, CompressedFilesAreRepackedOnlyWhenSomethingChanged) {
  const Bytes body = Concat({Tag(9, {1, 2, 3}), Tag(1, {}), Tag(0, {})});
  for (const char* name : {"ffmpeg_flv1_zlib.swf", "ffmpeg_flv1_lzma.swf"}) {
    SCOPED_TRACE(name);
    const Bytes original = ReadFileBytes(Data(name));
    TSWFStreamReader r;
    r.LoadFromStream(original);
    r.ParseTags(false, true);
    r.BuildBody();
    EXPECT_EQ(r.SaveToBytes(), original);

    TSWFStreamReader changed_header;
    changed_header.LoadFromStream(original);
    changed_header.FrameCount += 1;
    const Bytes repacked = changed_header.SaveToBytes();
    TSWFStreamReader back;
    back.LoadFromStream(repacked);
    EXPECT_EQ(back.FrameCount, changed_header.FrameCount);
    EXPECT_EQ(back.GetBodyStream(), changed_header.GetBodyStream());

    TSWFStreamReader changed_body;
    changed_body.LoadFromStream(original);
    changed_body.SetBodyStream(body);
    back.LoadFromStream(changed_body.SaveToBytes());
    EXPECT_EQ(back.GetBodyStream(), body);

    // Another version, or another compression, is a change too.
    TSWFStreamReader other_version;
    other_version.LoadFromStream(original);
    other_version.SetVersion(other_version.Version() + 1);
    EXPECT_NE(other_version.SaveToBytes(), original);
    TSWFStreamReader plain;
    plain.LoadFromStream(original);
    plain.SetCompression(TSWFCompression::None);
    const Bytes fws = plain.SaveToBytes();
    EXPECT_EQ(Bytes(fws.begin(), fws.begin() + 3), (Bytes{'F', 'W', 'S'}));
  }
}

TEST(SWFStream, ProgressWhileCompressingGrows) {
  TestMovie m(0, 0, 10, 10, 12, true);
  m.SetBodyStream(Bytes(300000, 0x40));
  m.SetCompressed(true);
  std::vector<int> seen;
  m.OnProgress = [&](TBasedSWFStream&, int pct, int kind) {
    EXPECT_EQ(kind, kProgressCompressing);
    seen.push_back(pct);
  };
  m.SaveToBytes();
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
}

TEST(SWFStream, FilesFromOtherToolsCopyExactly) {
  for (const char* name : {"ffmpeg_flv1.swf", "ffmpeg_flv1_mp3.swf", "ffmpeg_flv1_zlib.swf", "ffmpeg_flv1_lzma.swf"}) {
    SCOPED_TRACE(name);
    const Bytes original = ReadFileBytes(Data(name));
    TSWFStreamReader raw;
    raw.LoadFromStream(original);
    ASSERT_TRUE(raw.IsValid);
    raw.ParseTags(false, true);
    EXPECT_EQ(raw.SaveToBytes(), original);

    // Decoded: every modelled tag rewritten from its fields reads back into an equal object
    // (records such as matrices are written with the narrowest bit fields, which other
    // tools need not use, so the bytes may be fewer).
    TSWFStreamReader decoded;
    decoded.LoadFromStream(original);
    decoded.ParseTags(true, true);
    EXPECT_TRUE(decoded.Warnings.empty()) << decoded.Warnings.front();
    decoded.BuildBody();
    TSWFStreamReader again;
    again.SetBodyStream(decoded.GetBodyStream());
    again.ParseTags(true, true);
    ASSERT_EQ(again.TagList.size(), decoded.TagList.size());
    for (size_t i = 0; i < again.TagList.size(); ++i) {
      EXPECT_EQ(typeid(*again.TagList[i]->Object), typeid(*decoded.TagList[i]->Object)) << i;
      EXPECT_EQ(again.TagList[i]->Object->ToBytes(), decoded.TagList[i]->Object->ToBytes()) << i;
    }
    EXPECT_EQ(decoded.FileLength, original.size() > 0 ? raw.FileLength : 0);
  }
  // The compressed copies hold the same body as the plain file.
  TSWFStreamReader plain(Data("ffmpeg_flv1.swf")), zlib(Data("ffmpeg_flv1_zlib.swf")), lzma(Data("ffmpeg_flv1_lzma.swf"));
  EXPECT_EQ(zlib.GetBodyStream(), plain.GetBodyStream());
  EXPECT_EQ(lzma.GetBodyStream(), plain.GetBodyStream());
  EXPECT_EQ(lzma.Compression(), TSWFCompression::LZMA);
  zlib.SetCompressed(false);
  EXPECT_EQ(zlib.SaveToBytes(), ReadFileBytes(Data("ffmpeg_flv1.swf")));
}

// Shapes, gradients, strokes, fonts, text and bitmaps drawn by another SWF writer (see
// data/freehep/README.md): every tag decodes, the raw copy keeps the body, and the decoded
// copy reads back into equal objects.
TEST(SWFStream, FreehepFilesDecodeAndReadBack) {
  for (const char* name : {"shapes.swf", "text.swf", "text_shapes.swf", "images_lossless.swf", "images_jpeg.swf"}) {
    SCOPED_TRACE(name);
    const Bytes original = ReadFileBytes(Data("freehep") / name);
    TSWFStreamReader raw;
    raw.LoadFromStream(original);
    ASSERT_TRUE(raw.IsValid);
    raw.ParseTags(false, true);
    TSWFStreamReader raw_back;
    raw_back.LoadFromStream(raw.SaveToBytes());
    EXPECT_EQ(raw_back.GetBodyStream(), raw.GetBodyStream());
    EXPECT_TRUE(raw_back.Warnings.empty());

    TSWFStreamReader decoded;
    decoded.LoadFromStream(original);
    const Bytes body = decoded.GetBodyStream();
    decoded.ParseTags(true, true);
    // The writer counts one byte too many in the header's file length; nothing else is amiss,
    // and our copies give the true length.
    ASSERT_EQ(decoded.Warnings.size(), 1u);
    EXPECT_NE(decoded.Warnings[0].find("the data holds"), std::string::npos) << decoded.Warnings[0];
    for (const auto& e : decoded.TagList) {
      EXPECT_EQ(test::RawReason(*e->Object), "") << "tag " << e->TagID << " at " << e->Position;
    }
    decoded.BuildBody();
    TSWFStreamReader again;
    again.LoadFromStream(decoded.SaveToBytes());
    again.ParseTags(true, true);
    EXPECT_TRUE(again.Warnings.empty());
    ASSERT_EQ(again.TagList.size(), decoded.TagList.size());
    for (size_t i = 0; i < again.TagList.size(); ++i) {
      EXPECT_EQ(typeid(*again.TagList[i]->Object), typeid(*decoded.TagList[i]->Object)) << i;
      EXPECT_EQ(again.TagList[i]->Object->ToBytes(), decoded.TagList[i]->Object->ToBytes()) << i;
    }
  }
}

// Every control tag and action kind, written minimally: decoding and writing back gives the
// same bytes, and the written file reads back into equal objects and action lists.
TEST(SWFStream, DecodedCopyReadsBackIntoEqualObjects) {
  const Bytes original = ReadFileBytes(Data("control_tags_and_actions.swf"));
  TSWFStreamReader r;
  r.LoadFromStream(original);
  r.ParseTags(true, true);
  // The file's shape is only an ID and an empty rectangle, with no style arrays: it stays
  // raw, with a warning, and is written back as it was.
  ASSERT_EQ(r.Warnings.size(), 1u);
  EXPECT_NE(r.Warnings[0].find("kept raw: DefineShape"), std::string::npos) << r.Warnings[0];
  size_t decoded = 0;
  for (const auto& e : r.TagList) decoded += dynamic_cast<TSWFByteCodeTag*>(e->Object) == nullptr;
  EXPECT_EQ(decoded, r.TagList.size() - 1);
  r.BuildBody();
  const Bytes written = r.SaveToBytes();
  EXPECT_EQ(written, original);

  TSWFStreamReader back;
  back.LoadFromStream(written);
  back.ParseTags(true, true);
  ASSERT_EQ(back.TagList.size(), r.TagList.size());
  for (size_t i = 0; i < r.TagList.size(); ++i) {
    TSWFObject& a = *r.TagList[i]->Object;
    TSWFObject& b = *back.TagList[i]->Object;
    EXPECT_EQ(typeid(a), typeid(b)) << i;
    EXPECT_EQ(a.ToBytes(), b.ToBytes()) << i;
    std::vector<std::vector<std::string>> lists_a, lists_b;
    a.ForEachActionList([&](const std::string&, TSWFActionList& l) { lists_a.push_back(DisassembleActionList(l)); });
    b.ForEachActionList([&](const std::string&, TSWFActionList& l) { lists_b.push_back(DisassembleActionList(l)); });
    EXPECT_EQ(lists_a, lists_b) << i;
  }
  // Without decoding actions the DoAction keeps one raw block and still writes the same bytes.
  TSWFStreamReader raw_actions;
  raw_actions.LoadFromStream(original);
  raw_actions.ParseTags(true, false);
  raw_actions.BuildBody();
  EXPECT_EQ(raw_actions.SaveToBytes(), original);
}

TEST(SWFStream, LzmaSaveReadsBack) {
  TSWFStreamReader plain(Data("ffmpeg_flv1.swf"));
  plain.SetCompression(TSWFCompression::LZMA);
  EXPECT_EQ(plain.Version(), 13);
  const Bytes z = plain.SaveToBytes();
  EXPECT_EQ(std::string(z.begin(), z.begin() + 3), "ZWS");
  TSWFStreamReader back;
  back.LoadFromStream(z);
  EXPECT_EQ(back.GetBodyStream(), TSWFStreamReader(Data("ffmpeg_flv1.swf")).GetBodyStream());
  EXPECT_TRUE(back.Warnings.empty());
}

TEST(SWFStream, TagIndex) {
  Bytes long63(63, 0);
  const Bytes file = Movie({Tag(9, {1, 2, 3}), Tag(87, long63), Tag(1, {}), Tag(1, {}), Tag(1, {}), Tag(0, {})}, 3);
  TSWFStreamReader r;
  r.LoadFromStream(file);
  r.ParseTags(true, true);
  ASSERT_EQ(r.TagList.size(), 6u);
  EXPECT_TRUE(r.GetTagInfo(1).LongHeader);
  EXPECT_EQ(r.GetTagInfo(1).Length, 63u);
  EXPECT_EQ(r.GetTagInfo(1).Position, 5u);
  EXPECT_EQ(r.GetTagInfo(4).FrameNum, 3);
  EXPECT_EQ(r.GetTagInfo(5).FrameNum, 4);
  EXPECT_EQ(r.FindFrameEnd(0), 0u);
  EXPECT_EQ(r.FindFrameEnd(2), 3u);
  EXPECT_EQ(r.FindFrameEnd(5), 5u);
  EXPECT_NE(dynamic_cast<TSWFSetBackgroundColor*>(r.GetTagInfo(0).Object), nullptr);
}

TEST(SWFStream, ObjectsOnlyWhereAccepted) {
  const Bytes file = Movie({Tag(9, {1, 2, 3}), Tag(28, {1, 0}), Tag(1, {}), Tag(0, {})});
  TSWFStreamReader r;
  r.LoadFromStream(file);
  r.OnCreateTagObject = [](TSWFTagInfo& info, bool& accept) { accept = info.TagID == 28; };
  r.ParseTags(true, true);
  EXPECT_EQ(r.GetTagInfo(0).Object, nullptr);
  ASSERT_NE(r.GetTagInfo(1).Object, nullptr);
  EXPECT_TRUE(r.GetTagInfo(1).OwnsObject());
  dynamic_cast<TSWFRemoveObject2&>(*r.GetTagInfo(1).Object).Depth = 9;
  r.BuildBody();
  EXPECT_EQ(r.SaveToBytes(), Movie({Tag(9, {1, 2, 3}), Tag(28, {9, 0}), Tag(1, {}), Tag(0, {})}));
  // Positions follow the rebuilt body, so a second rebuild copies the right bytes.
  r.BuildBody();
  EXPECT_EQ(r.SaveToBytes(), Movie({Tag(9, {1, 2, 3}), Tag(28, {9, 0}), Tag(1, {}), Tag(0, {})}));
}

TEST(SWFStream, RenumberIDs) {
  // DefineShape 1, DefineBits 2, DefineSound 5 (raw: their class comes later), then a
  // PlaceObject2 of 5, a PlaceObject2 of 9 (not defined here), an export of 2.
  const Bytes file = Movie({Tag(2, {1, 0, 0xAA}), Tag(6, {2, 0}), Tag(14, {5, 0, 0x11}),
                            Tag(26, {0x02, 1, 0, 5, 0}), Tag(26, {0x02, 2, 0, 9, 0}),
                            Tag(56, {1, 0, 2, 0, 'b', 0}), Tag(59, {5, 0, 0}), Tag(1, {}), Tag(0, {})});
  TSWFStreamReader r;
  r.LoadFromStream(file);
  r.ParseTags(true, true);
  EXPECT_EQ(r.RenumberIDs(100), 103);
  r.BuildBody();
  const Bytes expected = Movie({Tag(2, {100, 0, 0xAA}), Tag(6, {101, 0}), Tag(14, {102, 0, 0x11}),
                                Tag(26, {0x02, 1, 0, 102, 0}), Tag(26, {0x02, 2, 0, 9, 0}),
                                Tag(56, {1, 0, 101, 0, 'b', 0}), Tag(59, {102, 0, 0}), Tag(1, {}), Tag(0, {})});
  EXPECT_EQ(r.SaveToBytes(), expected);

  TSWFStreamReader refuse;
  refuse.LoadFromStream(file);
  refuse.ParseTags(true, true);
  refuse.OnRenumberTag = [](TSWFObject&, bool& accept) { accept = false; };
  EXPECT_EQ(refuse.RenumberIDs(100), 100);
  EXPECT_THROW(r.RenumberIDs(65534), Error);  // three IDs do not fit
}

TEST(SWFStream, RenumberIDsReachesIntoSprites) {
  // DefineShape 1 and a sprite 2 whose own timeline places shape 1 at depth 1.
  const Bytes sprite = {2, 0, 1, 0, 0x85, 0x06, 0x02, 1, 0, 1, 0, 0x40, 0x00, 0x00, 0x00};
  const Bytes file = Movie({Tag(2, {1, 0, 0xAA}), Tag(39, sprite), Tag(1, {}), Tag(0, {})});
  const Bytes renumbered = {41, 0, 1, 0, 0x85, 0x06, 0x02, 1, 0, 40, 0, 0x40, 0x00, 0x00, 0x00};
  TSWFStreamReader r;
  r.LoadFromStream(file);
  r.ParseTags(true, true);
  EXPECT_EQ(r.RenumberIDs(40), 42);
  r.BuildBody();
  EXPECT_EQ(r.SaveToBytes(), Movie({Tag(2, {40, 0, 0xAA}), Tag(39, renumbered), Tag(1, {}), Tag(0, {})}));
}

TEST(SWFStream, MoveResources) {
  const Bytes file = Movie({Tag(1, {}), Tag(6, {1, 0}), Tag(1, {}), Tag(14, {2, 0}), Tag(1, {}), Tag(0, {})}, 3);
  TSWFStreamReader r;
  r.LoadFromStream(file);
  r.ParseTags(false, true);
  r.MoveResources(0, 2, -1);
  r.BuildBody();
  EXPECT_EQ(r.SaveToBytes(),
            Movie({Tag(14, {2, 0}), Tag(1, {}), Tag(6, {1, 0}), Tag(1, {}), Tag(1, {}), Tag(0, {})}, 3));
  r.ParseTags(false, true);
  r.MoveResources(3, 3, 3);  // an empty range moves nothing
  r.BuildBody();
  EXPECT_EQ(r.SaveToBytes(),
            Movie({Tag(14, {2, 0}), Tag(1, {}), Tag(6, {1, 0}), Tag(1, {}), Tag(1, {}), Tag(0, {})}, 3));
  r.ParseTags(false, true);
  r.MoveResources(0, 1, 1);  // frames 2 only
  r.BuildBody();
  EXPECT_EQ(r.SaveToBytes(),
            Movie({Tag(6, {1, 0}), Tag(14, {2, 0}), Tag(1, {}), Tag(1, {}), Tag(1, {}), Tag(0, {})}, 3));
}

TEST(SWFStream, MoveResourcesTakesEveryKindOfBitmap) {
  // A DefineBitsJPEG4 moves like the other bitmaps, as it does in the movie builder.
  const Bytes file = Movie({Tag(1, {}), Tag(90, {1, 0, 0, 0, 0, 0, 0, 0}), Tag(1, {}), Tag(0, {})}, 2);
  TSWFStreamReader r;
  r.LoadFromStream(file);
  r.ParseTags(false, true);
  r.MoveResources(0, 1, -1);
  r.BuildBody();
  EXPECT_EQ(r.SaveToBytes(), Movie({Tag(90, {1, 0, 0, 0, 0, 0, 0, 0}), Tag(1, {}), Tag(1, {}), Tag(0, {})}, 2));
}

TEST(SWFStream, CutFilesKeepEverythingBeforeTheCut) {
  const Bytes whole = Movie({Tag(9, {1, 2, 3}), Tag(1, {}), Tag(87, Bytes(100, 7)), Tag(0, {})});
  for (size_t cut : {whole.size() - 1, whole.size() - 2, whole.size() - 50, size_t{21 + 5 + 2 + 3}}) {
    SCOPED_TRACE(cut);
    const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    TSWFStreamReader r;
    r.LoadFromStream(part);
    r.ParseTags(true, true);
    ASSERT_GE(r.TagList.size(), 2u);
    EXPECT_NE(dynamic_cast<TSWFSetBackgroundColor*>(r.GetTagInfo(0).Object), nullptr);
    EXPECT_FALSE(r.Warnings.empty());
    r.BuildBody();
    const Bytes back = r.SaveToBytes();
    EXPECT_EQ(Bytes(back.begin() + 8, back.end()), Bytes(part.begin() + 8, part.end()));  // nothing lost
  }
  // Cut inside the header: a clear error.
  TSWFStreamReader r;
  EXPECT_THROW(r.LoadFromStream(Bytes(whole.begin(), whole.begin() + 12)), FormatError);
  // Not an SWF at all.
  r.LoadFromStream(Bytes{'G', 'I', 'F', '8', '9'});
  EXPECT_FALSE(r.IsValid);
}

TEST(SWFStream, CompressedFileLengthIsNotTrusted) {
  TestMovie m(0, 0, 10, 10, 12, true);
  m.SetBodyStream(Tag(1, {}));
  m.SetCompressed(true);
  Bytes z = m.SaveToBytes();
  z[4] = z[5] = z[6] = z[7] = 0xFF;  // claims 4 GB
  TSWFStreamReader r;
  r.LoadFromStream(z);
  EXPECT_EQ(r.GetBodyStream(), Tag(1, {}));
  EXPECT_FALSE(r.Warnings.empty());
  // Saved again, the file says its true length: the bytes as read are not reused.
  const Bytes saved = r.SaveToBytes();
  EXPECT_EQ(saved[7], 0);
  TSWFStreamReader back;
  back.LoadFromStream(saved);
  EXPECT_TRUE(back.Warnings.empty());
  // A compressed stream cut short keeps what it holds, and is packed anew when saved.
  Bytes cutz(z.begin(), z.end() - 6);
  TSWFStreamReader c;
  c.LoadFromStream(cutz);
  EXPECT_FALSE(c.Warnings.empty());
  back.LoadFromStream(c.SaveToBytes());
  EXPECT_EQ(back.GetBodyStream(), c.GetBodyStream());
}

TEST(SWFStream, FailedSaveKeepsTheOldFile) {
  const auto dir = std::filesystem::temp_directory_path() / "fc_swf_save_test";
  std::filesystem::create_directories(dir);
  const auto path = dir / "movie.swf";
  WriteFileAtomic(path, std::string_view("old"));
  TestMovie m(0, 0, 10, 10, 12, true);
  m.SetBodyStream(Bytes(200000, 0x40));
  m.SetCompressed(true);
  m.OnProgress = [](TBasedSWFStream&, int pct, int) {
    if (pct > 50) throw Error("stopped");
  };
  EXPECT_THROW(m.SaveToFile(path), Error);
  EXPECT_EQ(ReadFileText(path), "old");
  m.OnProgress = nullptr;
  m.SaveToFile(path);
  EXPECT_EQ(ReadFileBytes(path), m.SaveToBytes());
  std::filesystem::remove_all(dir);
}

TEST(SWFStream, DumpShowsTagsAndActions) {
  const Bytes file = Movie({Tag(9, {0xFF, 0x00, 0x80}), Tag(12, {0x99, 0x02, 0x00, 0x02, 0x00, 0x07, 0x07, 0x00}), Tag(2, {1, 0}),
                            Tag(1, {}), Tag(0, {})});
  TSWFStreamReader r;
  r.LoadFromStream(file);
  r.ParseTags(true, true);
  std::ostringstream out;
  DumpSWFHeader(r, out);
  DumpSWFTags(r, out, true);
  const std::string s = out.str();
  EXPECT_NE(s.find("SWF version 8, FWS (uncompressed), file length 42"), std::string::npos) << s;
  EXPECT_NE(s.find("frame (0,0)-(2000,2000) twips = 100x100 px, rate 12 fps, 1 frames"), std::string::npos) << s;
  EXPECT_NE(s.find("#0 f1 SetBackgroundColor (9) len=3 color=#FF0080"), std::string::npos) << s;
  EXPECT_NE(s.find("#2 f1 DefineShape (2) len=2 raw"), std::string::npos) << s;
  EXPECT_NE(s.find("  Jump label 1\n      Stop\n      Stop\n    label 1:"), std::string::npos) << s;
}

}  // namespace
}  // namespace fc
