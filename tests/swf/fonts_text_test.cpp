#include "swf/fonts_text.h"

#include <gtest/gtest.h>

#include "tag_test_util.h"

namespace fc {
namespace {

using test::As;
using test::Bytes;
using test::ExpectGolden;
using test::RawReason;
using test::ReadOne;

// Bounds (0,0)-(100,50) twips: 8-bit fields, 37 bits in 5 bytes.
const Bytes kBounds = {0x40, 0x03, 0x20, 0x01, 0x90};

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string ErrorOf(TSWFObject& obj) {
  try {
    obj.ToBytes();
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

// ---------------------------------------------------------------------------------------
// Fonts with outlines

// A glyph: move to (10,-20) selecting fill 1, a 40-twip line, the end record.
void FillGlyph(TSWFShapeRecords& g) {
  auto move = std::make_unique<TSWFStyleChangeRecord>();
  move->SetMoveTo(10, -20);
  move->SetFillStyle1(1);
  g.push_back(std::move(move));
  g.push_back(std::make_unique<TSWFStraightEdgeRecord>(40, 0));
}

// Widths byte 0x10, then 000101 00110 001010 101100 1 | 11 0101 0 0 0101000 | 000000.
const Bytes kGlyph = {0x10, 0x14, 0xC5, 0x59, 0xD4, 0x50, 0x00};

// A glyph of `edges` diagonal lines of 29 bits each.
void FillBigGlyph(TSWFShapeRecords& g, size_t edges) {
  FillGlyph(g);
  for (size_t i = 0; i < edges; ++i) g.push_back(std::make_unique<TSWFStraightEdgeRecord>(1000, i % 2 ? -1000 : 1000));
}

void FillFont2(TSWFDefineFont2& f, bool layout) {
  f.FontID = 1;
  f.FontName = "A";
  f.ANSI = true;
  f.Bold = true;
  FillGlyph(f.AddGlyph());
  f.CodeTable = {'a'};
  if (!layout) return;
  f.HasLayout = true;
  f.Ascent = 800;
  f.Descent = 200;
  f.AdvanceTable = {600};
  f.BoundsTable = {TSWFRect()};
  f.KerningTable = {{'a', 'b', -50}};
}

TEST(FontTest, GoldenDefineFont) {
  TSWFDefineFont f;
  f.FontID = 1;
  FillGlyph(f.AddGlyph());
  ExpectGolden(f, Cat({{0x8B, 0x02, 0x01, 0x00, 0x02, 0x00}, kGlyph}));
  auto back = ReadOne(f.ToBytes());
  ASSERT_EQ(As<TSWFDefineFont>(back).Glyphs.size(), 1u);
  EXPECT_EQ(As<TSWFDefineFont>(back).Glyphs[0].size(), 3u);  // with its end record
  EXPECT_EQ(back->Clone()->ToBytes(), f.ToBytes());
  TSWFDefineFont empty;
  ExpectGolden(empty, {0x84, 0x02, 0x00, 0x00, 0x00, 0x00});
}

TEST(FontTest, GlyphWithoutFillSelectsFillOne) {
  TSWFDefineFont f;
  auto move = std::make_unique<TSWFStyleChangeRecord>();
  move->SetMoveTo(10, -20);
  move->SetFillStyle0(0);
  f.AddGlyph().push_back(std::move(move));
  f.Glyphs[0].push_back(std::make_unique<TSWFStraightEdgeRecord>(40, 0));
  EXPECT_EQ(f.ToBytes(), Cat({{0x8B, 0x02, 0x00, 0x00, 0x02, 0x00}, kGlyph}));
  // A glyph filled on its left side keeps that.
  TSWFDefineFont left;
  auto m2 = std::make_unique<TSWFStyleChangeRecord>();
  m2->SetFillStyle0(1);
  left.AddGlyph().push_back(std::move(m2));
  auto back = ReadOne(left.ToBytes());
  const auto& sc = static_cast<const TSWFStyleChangeRecord&>(*As<TSWFDefineFont>(back).Glyphs[0][0]);
  EXPECT_TRUE(sc.HasFillStyle0 && !sc.HasFillStyle1);
}

TEST(FontTest, GoldenDefineFont2) {
  TSWFDefineFont2 f;
  FillFont2(f, false);
  ExpectGolden(f, Cat({{0x14, 0x0C, 0x01, 0x00, 0x11, 0x00, 0x01, 'A', 0x01, 0x00, 0x04, 0x00, 0x0B, 0x00}, kGlyph, {'a'}}));
  EXPECT_EQ(f.MinVersion(), 3);
  TSWFDefineFont2 l;
  FillFont2(l, true);
  const Bytes layout = {0x20, 0x03, 0xC8, 0x00, 0x00, 0x00, 0x58, 0x02, 0x00, 0x01, 0x00, 'a', 'b', 0xCE, 0xFF};
  ExpectGolden(l, Cat({{0x23, 0x0C, 0x01, 0x00, 0x91, 0x00, 0x01, 'A', 0x01, 0x00, 0x04, 0x00, 0x0B, 0x00}, kGlyph,
                       {'a'}, layout}));
  auto back = ReadOne(l.ToBytes());
  const auto& b = As<TSWFDefineFont2>(back);
  EXPECT_EQ(b.KerningTable, l.KerningTable);
  EXPECT_EQ(b.AdvanceTable, l.AdvanceTable);
  EXPECT_EQ(b.Ascent, 800);
  EXPECT_EQ(back->Clone()->ToBytes(), l.ToBytes());
}

TEST(FontTest, GoldenDefineFont3HasWideCodes) {
  TSWFDefineFont3 f;
  FillFont2(f, true);
  const Bytes layout = {0x20, 0x03, 0xC8, 0x00, 0x00, 0x00, 0x58, 0x02, 0x00,
                        0x01, 0x00, 'a',  0x00, 'b',  0x00, 0xCE, 0xFF};
  ExpectGolden(f, Cat({{0xE6, 0x12, 0x01, 0x00, 0x95, 0x00, 0x01, 'A', 0x01, 0x00, 0x04, 0x00, 0x0B, 0x00}, kGlyph,
                       {'a', 0x00}, layout}));
  EXPECT_EQ(f.MinVersion(), 8);
}

TEST(FontTest, NoCodesWritesNoLayoutAndANSI) {
  TSWFDefineFont2 f;
  f.FontID = 3;
  f.FontName = "Arial";
  f.HasLayout = true;
  f.ANSI = false;
  const Bytes bytes = {0x0E, 0x0C, 0x03, 0x00, 0x10, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l', 0x00, 0x00, 0x02, 0x00};
  EXPECT_EQ(f.ToBytes(), bytes);
  EXPECT_EQ(ReadOne(bytes)->ToBytes(), bytes);
  // A device font written without the code table offset reads too.
  auto short_form = ReadOne({0x0C, 0x0C, 0x03, 0x00, 0x10, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l', 0x00, 0x00});
  EXPECT_EQ(As<TSWFDefineFont2>(short_form).FontName, "Arial");
}

TEST(FontTest, WideOffsetsByCodeCountAndByDataSize) {
  auto offsets_wide = [](TSWFDefineFont2& f) {
    const Bytes b = f.ToBytes();
    return (b[8] & 0x08) != 0;  // the flags byte after a long header and the font ID
  };
  TSWFDefineFont2 f;
  for (uint16_t i = 0; i < 200; ++i) {
    FillGlyph(f.AddGlyph());
    f.CodeTable.push_back(i);
  }
  EXPECT_TRUE(offsets_wide(f));
  EXPECT_EQ(As<TSWFDefineFont2>(ReadOne(f.ToBytes())).Glyphs.size(), 200u);
  f.Glyphs.resize(100);
  f.CodeTable.resize(100);
  EXPECT_FALSE(offsets_wide(f));
  EXPECT_FALSE(f.WideOffsets);
  // Two glyphs, but the second starts beyond 65,535 bytes.
  TSWFDefineFont2 big;
  FillBigGlyph(big.AddGlyph(), 20000);  // 72,500 bytes of edges
  FillGlyph(big.AddGlyph());
  big.CodeTable = {'a', 'b'};
  EXPECT_TRUE(offsets_wide(big));
  EXPECT_TRUE(big.WideOffsets);
  auto back = ReadOne(big.ToBytes());
  ASSERT_EQ(As<TSWFDefineFont2>(back).Glyphs.size(), 2u);
  EXPECT_EQ(As<TSWFDefineFont2>(back).Glyphs[0].size(), 20003u);
  EXPECT_EQ(back->ToBytes(), big.ToBytes());
  // DefineFont has no wide form: it refuses instead of cutting the offsets.
  TSWFDefineFont plain;
  FillBigGlyph(plain.AddGlyph(), 20000);
  FillGlyph(plain.AddGlyph());
  EXPECT_NE(ErrorOf(plain).find("OffsetTable"), std::string::npos);
}

TEST(FontTest, FieldsThatCannotHoldTheirValuesRaise) {
  TSWFDefineFont2 f;
  FillFont2(f, true);
  f.FontName.assign(256, 'x');
  EXPECT_NE(ErrorOf(f).find("FontName"), std::string::npos);
  f.FontName = "x";
  f.CodeTable = {0x263A};
  EXPECT_NE(ErrorOf(f).find("CodeTable"), std::string::npos);
  f.CodeTable = {'a', 'b'};
  EXPECT_NE(ErrorOf(f).find("CodeTable"), std::string::npos);
  f.CodeTable = {'a'};
  f.AdvanceTable.clear();
  EXPECT_NE(ErrorOf(f).find("AdvanceTable"), std::string::npos);
  f.AdvanceTable = {1};
  f.KerningTable = {{0x263A, 'a', 0}};
  EXPECT_NE(ErrorOf(f).find("KerningTable"), std::string::npos);
  f.WideCodes = true;
  EXPECT_EQ(ErrorOf(f), "");
}

TEST(FontTest, UnreadableFontsStayRaw) {
  TSWFDefineFont2 f;
  FillFont2(f, false);
  Bytes b = f.ToBytes();
  Bytes cut = b;  // the code table offset points one byte early: the glyph overruns it
  cut[12] = 0x0A;
  EXPECT_NE(RawReason(*ReadOne(cut)), "");
  Bytes gap = b;  // the first glyph does not follow the table
  gap[10] = 0x05;
  EXPECT_NE(RawReason(*ReadOne(gap)), "");
  Bytes extra = b;  // a byte after the last field
  extra.push_back(0);
  extra[0] += 1;
  EXPECT_NE(RawReason(*ReadOne(extra)), "");
  // DefineFont: an odd first offset, and a glyph span with bytes after its end record.
  EXPECT_NE(RawReason(*ReadOne({0x85, 0x02, 0x01, 0x00, 0x03, 0x00, 0x10})), "");
  EXPECT_NE(RawReason(*ReadOne({0x87, 0x02, 0x01, 0x00, 0x02, 0x00, 0x10, 0x00, 0x00})), "");
}

TEST(FontTest, FontInfoAfterAFontReadsItsOwnCodeCount) {
  // A DefineFont of 40 glyphs, its info with 40 codes, then an info of 3 codes for another
  // font: each info takes its count from its own body.
  TSWFDefineFont font;
  font.FontID = 1;
  for (int i = 0; i < 40; ++i) FillGlyph(font.AddGlyph());
  TSWFDefineFontInfo info;
  info.FontID = 1;
  info.CodeTable.assign(40, 'x');
  TSWFDefineFontInfo other;
  other.FontID = 2;
  other.CodeTable = {'a', 'b', 'c'};
  const Bytes all = Cat({font.ToBytes(), info.ToBytes(), other.ToBytes(), info.ToBytes()});
  TBitsEngine be(all);
  TSWFReadContext ctx;
  ctx.Version = 6;
  const TSWFObjectList list = ReadTagList(be, ctx, true);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(As<TSWFDefineFont>(list[0]).Glyphs.size(), 40u);
  EXPECT_EQ(As<TSWFDefineFontInfo>(list[1]).CodeTable.size(), 40u);
  EXPECT_EQ(As<TSWFDefineFontInfo>(list[2]).CodeTable.size(), 3u);
  EXPECT_EQ(As<TSWFDefineFontInfo>(list[3]).CodeTable.size(), 40u);
}

// ---------------------------------------------------------------------------------------
// Font info, align zones, names, text settings

TEST(FontInfoTest, GoldenNarrowAndWideCodes) {
  TSWFDefineFontInfo fi;
  fi.FontID = 1;
  fi.FontName = "Ab";
  fi.ANSI = true;
  fi.Bold = true;
  fi.CodeTable = {'A', 'b'};
  ExpectGolden(fi, {0x48, 0x03, 0x01, 0x00, 0x02, 'A', 'b', 0x0A, 'A', 'b'});
  EXPECT_EQ(fi.MinVersion(), 1);
  fi.WideCodes = true;
  ExpectGolden(fi, {0x4A, 0x03, 0x01, 0x00, 0x02, 'A', 'b', 0x0B, 'A', 0x00, 'b', 0x00});
  fi.WideCodes = false;
  fi.CodeTable = {0x263A};
  EXPECT_NE(ErrorOf(fi).find("CodeTable"), std::string::npos);
}

TEST(FontInfoTest, Info2HasLanguageAndAlwaysWideCodes) {
  TSWFDefineFontInfo2 fi;
  fi.FontID = 1;
  fi.FontName = "A";
  fi.SmallText = true;
  fi.Italic = true;
  fi.WideCodes = false;  // ignored: the second form always has 16-bit codes
  fi.LanguageCode = 1;
  fi.CodeTable = {'A'};
  ExpectGolden(fi, {0x88, 0x0F, 0x01, 0x00, 0x01, 'A', 0x25, 0x01, 'A', 0x00});
  EXPECT_EQ(fi.MinVersion(), 6);
  auto back = ReadOne(fi.ToBytes());
  EXPECT_EQ(As<TSWFDefineFontInfo2>(back).LanguageCode, 1);
  EXPECT_EQ(back->Clone()->ToBytes(), fi.ToBytes());
}

TEST(FontInfoTest, CodeCountComesFromTheBodyAlone) {
  // 40 narrow codes, then 3 wide ones: each body gives its own count, whatever was read before.
  TSWFDefineFontInfo a;
  a.CodeTable.assign(40, 'x');
  TSWFDefineFontInfo b;
  b.WideCodes = true;
  b.CodeTable = {1, 2, 0x3000};
  EXPECT_EQ(As<TSWFDefineFontInfo>(ReadOne(a.ToBytes())).CodeTable.size(), 40u);
  EXPECT_EQ(As<TSWFDefineFontInfo>(ReadOne(b.ToBytes())).CodeTable, (std::vector<uint16_t>{1, 2, 0x3000}));
  EXPECT_EQ(As<TSWFDefineFontInfo>(ReadOne(a.ToBytes())).CodeTable.size(), 40u);
  // Half a wide code, or a name longer than the body, keeps the tag raw.
  EXPECT_NE(RawReason(*ReadOne({0x45, 0x03, 0x01, 0x00, 0x00, 0x01, 0x41, 0x00, 0x42})), "");
  EXPECT_NE(RawReason(*ReadOne({0x44, 0x03, 0x01, 0x00, 0x09, 0x41})), "");
}

TEST(FontInfoTest, NameLengthNeverWraps) {
  TSWFDefineFontInfo fi;
  fi.FontName.assign(255, 'n');
  EXPECT_EQ(As<TSWFDefineFontInfo>(ReadOne(fi.ToBytes())).FontName.size(), 255u);
  fi.FontName.assign(256, 'n');
  EXPECT_NE(ErrorOf(fi).find("FontName"), std::string::npos);
}

TEST(FontAlignZonesTest, Golden) {
  TSWFDefineFontAlignZones z;
  z.FontID = 2;
  z.CSMTableHint = 1;
  z.ZoneTable.push_back({{{0x1234, 0x0100}, {0x0000, 0x3C00}}, true, true});
  ExpectGolden(z, {0x4D, 0x12, 0x02, 0x00, 0x40, 0x02, 0x34, 0x12, 0x00, 0x01, 0x00, 0x00, 0x00, 0x3C, 0x03});
  EXPECT_EQ(As<TSWFDefineFontAlignZones>(ReadOne(z.ToBytes())).ZoneTable, z.ZoneTable);
  z.ZoneTable[0].ZoneData.resize(256);
  EXPECT_NE(ErrorOf(z).find("NumZoneData"), std::string::npos);
}

TEST(FontNameTest, Golden) {
  TSWFDefineFontName n;
  n.FontID = 1;
  n.FontName = "Ab";
  n.FontCopyright = "C";
  ExpectGolden(n, {0x07, 0x16, 0x01, 0x00, 'A', 'b', 0x00, 'C', 0x00});
  EXPECT_EQ(n.MinVersion(), 9);
}

TEST(CSMTextSettingsTest, Golden) {
  TSWFCSMTextSettings s;
  s.TextID = 3;
  s.UseFlashType = 1;
  s.GridFit = 2;
  s.Thickness = 1.0f;
  s.Sharpness = -2.0f;
  ExpectGolden(s, {0x8C, 0x12, 0x03, 0x00, 0x50, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00});
  EXPECT_EQ(s.MinVersion(), 8);
  // A reserved byte that is not 0 is kept raw, so it is not lost.
  EXPECT_NE(RawReason(*ReadOne({0x8C, 0x12, 0x03, 0x00, 0x50, 0, 0, 0, 0, 0, 0, 0, 0, 0x01})), "");
}

// ---------------------------------------------------------------------------------------
// Static text

void FillText(TSWFDefineText& t) {
  t.CharacterID = 1;
  t.TextBounds = TSWFRect::FromScreen({0, 0, 100, 50});
  TSWFTextRecord& r = t.AddRecord();
  r.SetFontID(1);
  r.SetTextHeight(240);
  r.GetTextColor().SetRGBA(SWFRGBA(0xFF, 0, 0, 0x80));
  r.SetXOffset(20);
  r.AddGlyph(1, 100);
  r.AddGlyph(2, -5);
}

TEST(TextTest, GoldenDefineText) {
  TSWFDefineText t;
  FillText(t);
  // Widths left 0 by the producer: 2 bits for index 2, 8 for an advance of 100.
  const Bytes record = {0x8D, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x14, 0x00, 0xF0, 0x00, 0x02, 0x59, 0x2F, 0xB0};
  ExpectGolden(t, Cat({{0xD9, 0x02, 0x01, 0x00}, kBounds, {0x00, 0x02, 0x08}, record, {0x00}}));
  EXPECT_EQ(t.GlyphBits, 2);
  EXPECT_EQ(t.AdvanceBits, 8);
  auto back = ReadOne(t.ToBytes());
  const TSWFDefineText& b = As<TSWFDefineText>(back);
  ASSERT_EQ(b.TextRecords.size(), 1u);
  EXPECT_EQ(b.TextRecords[0].GlyphEntries, (std::vector<TSWFGlyphEntry>{{1, 100}, {2, -5}}));
  EXPECT_EQ(b.TextRecords[0].TextColor().GetRGBA(), SWFRGBA(0xFF, 0, 0, 0xFF));  // no alpha in DefineText
  EXPECT_EQ(b.TextBounds, t.TextBounds);
  EXPECT_EQ(back->Clone()->ToBytes(), t.ToBytes());
}

TEST(TextTest, GoldenDefineText2WithAlpha) {
  TSWFDefineText2 t2;
  FillText(t2);
  const Bytes record = {0x8D, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x80, 0x14, 0x00, 0xF0, 0x00, 0x02, 0x59, 0x2F, 0xB0};
  ExpectGolden(t2, Cat({{0x5A, 0x08, 0x01, 0x00}, kBounds, {0x00, 0x02, 0x08}, record, {0x00}}));
  EXPECT_EQ(t2.MinVersion(), 3);
  auto back = ReadOne(t2.ToBytes());
  EXPECT_TRUE(As<TSWFDefineText2>(back).TextRecords[0] == t2.TextRecords[0]);
}

TEST(TextTest, WidthsNeverCutAnIndexOrAdvance) {
  TSWFDefineText t;
  t.GlyphBits = 1;
  t.AdvanceBits = 2;
  t.AddRecord().AddGlyph(5, -300);
  auto back = ReadOne(t.ToBytes());
  EXPECT_EQ(As<TSWFDefineText>(back).TextRecords[0].GlyphEntries[0], (TSWFGlyphEntry{5, -300}));
  EXPECT_EQ(t.GlyphBits, 3);
  EXPECT_EQ(t.AdvanceBits, 10);
  // Wider widths set by the producer are kept.
  t.GlyphBits = 9;
  EXPECT_EQ(As<TSWFDefineText>(ReadOne(t.ToBytes())).GlyphBits, 9);
}

TEST(TextTest, MoreThan255GlyphsSplitIntoRecords) {
  TSWFDefineText t;
  TSWFTextRecord& r = t.AddRecord();
  r.SetFontID(7);
  r.SetTextHeight(200);
  r.SetYOffset(-40);
  for (uint32_t i = 0; i < 600; ++i) r.AddGlyph(i % 50, 10);
  auto back = ReadOne(t.ToBytes());
  const auto& records = As<TSWFDefineText>(back).TextRecords;
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].GlyphEntries.size(), 255u);
  EXPECT_EQ(records[1].GlyphEntries.size(), 255u);
  EXPECT_EQ(records[2].GlyphEntries.size(), 90u);
  EXPECT_TRUE(records[0].HasFont && records[0].HasYOffset);
  EXPECT_EQ(records[0].YOffset(), -40);
  // The continuations carry no style: the glyphs follow on where the record before ended.
  EXPECT_FALSE(records[1].HasFont || records[1].HasColor || records[1].HasXOffset || records[1].HasYOffset);
  EXPECT_EQ(records[2].GlyphEntries[89], (TSWFGlyphEntry{599 % 50, 10}));
  EXPECT_EQ(As<TSWFDefineText>(back).GlyphCount(), 600u);
  // An empty record is still a record.
  TSWFDefineText e;
  e.AddRecord();
  EXPECT_EQ(As<TSWFDefineText>(ReadOne(e.ToBytes())).TextRecords.size(), 1u);
}

// Some writers follow each style record (holding no glyphs) with a glyph-only record: high
// bit clear, the glyph count in the low 7 bits, no style fields.
TEST(TextTest, GoldenGlyphOnlyRecords) {
  TSWFDefineText t;
  t.CharacterID = 1;
  t.TextBounds = TSWFRect::FromScreen({0, 0, 100, 50});
  TSWFTextRecord& style = t.AddRecord();
  style.SetFontID(1);
  style.SetTextHeight(240);
  TSWFTextRecord& glyphs = t.AddRecord();
  glyphs.GlyphsOnly = true;
  glyphs.AddGlyph(1, 100);
  glyphs.AddGlyph(2, -5);
  const Bytes records = {0x88, 0x01, 0x00, 0xF0, 0x00, 0x00, 0x02, 0x59, 0x2F, 0xB0, 0x00};
  ExpectGolden(t, Cat({{0xD5, 0x02, 0x01, 0x00}, kBounds, {0x00, 0x02, 0x08}, records}));
  auto back = ReadOne(t.ToBytes());
  const auto& read = As<TSWFDefineText>(back).TextRecords;
  ASSERT_EQ(read.size(), 2u);
  EXPECT_TRUE(read[1] == glyphs);
  EXPECT_FALSE(read[0].GlyphsOnly);
  EXPECT_EQ(As<TSWFDefineText>(back).GlyphCount(), 2u);

  // Over 127 glyphs continue in further glyph-only records.
  TSWFDefineText many;
  TSWFTextRecord& long_run = many.AddRecord();
  long_run.GlyphsOnly = true;
  for (uint32_t i = 0; i < 200; ++i) long_run.AddGlyph(1, 1);
  auto many_back = ReadOne(many.ToBytes());
  const auto& split = As<TSWFDefineText>(many_back).TextRecords;
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0].GlyphEntries.size(), 127u);
  EXPECT_TRUE(split[1].GlyphsOnly);
  EXPECT_EQ(split[1].GlyphEntries.size(), 73u);

  // The short form cannot hold a style or zero glyphs (its byte would end the list): such a
  // record is written in the full form.
  TSWFDefineText full;
  full.AddRecord().GlyphsOnly = true;
  TSWFTextRecord& styled = full.AddRecord();
  styled.GlyphsOnly = true;
  styled.SetXOffset(3);
  styled.AddGlyph(0, 0);
  auto full_back = ReadOne(full.ToBytes());
  const auto& written = As<TSWFDefineText>(full_back).TextRecords;
  ASSERT_EQ(written.size(), 2u);
  EXPECT_FALSE(written[0].GlyphsOnly || written[1].GlyphsOnly);
  EXPECT_EQ(written[1].XOffset(), 3);
}

TEST(TextTest, UnreadableBodiesStayRaw) {
  // DefineText is code 11: the short header word is 11 << 6 plus the body length.
  auto text = [](const Bytes& records) {
    const Bytes body = Cat({{0x01, 0x00}, kBounds, {0x00, 0x02, 0x08}, records});
    return Cat({{static_cast<uint8_t>(0xC0 + body.size()), 0x02}, body});
  };
  EXPECT_EQ(RawReason(*ReadOne(text({0x80, 0x00, 0x00}))), "");
  EXPECT_NE(RawReason(*ReadOne(text({0x80, 0x00, 0x00, 0x00}))), "");  // a byte after the end marker
  EXPECT_NE(RawReason(*ReadOne(text({0x90, 0x00, 0x00}))), "");        // reserved bit
  EXPECT_NE(RawReason(*ReadOne(text({0x08, 0x00, 0x00}))), "");        // 8 glyph-only glyphs past the body
  EXPECT_NE(RawReason(*ReadOne(text({0x80, 0x05, 0x00}))), "");        // glyphs past the body
  EXPECT_NE(RawReason(*ReadOne(text({0x80, 0x00}))), "");              // no end marker
}

TEST(TextTest, RenumberingReachesTheRecordFonts) {
  TSWFDefineText t;
  FillText(t);
  t.AddRecord().AddGlyph(0, 0);  // no font: not visited
  std::vector<uint16_t> seen;
  t.ForEachReferencedID([&](uint16_t& id) { seen.push_back(id); id = 9; });
  EXPECT_EQ(seen, (std::vector<uint16_t>{1}));
  EXPECT_EQ(t.TextRecords[0].FontID(), 9);
}

// ---------------------------------------------------------------------------------------
// Edit text

TEST(EditTextTest, Golden) {
  TSWFDefineEditText e;
  e.CharacterID = 2;
  e.Bounds = TSWFRect::FromScreen({0, 0, 100, 50});
  e.HasText = e.ReadOnly = e.HasTextColor = e.HasFont = e.HasLayout = e.NoSelect = true;
  e.FontID = 1;
  e.FontHeight = 240;
  e.TextColor.SetRGBA(SWFRGBA(0, 0, 0xFF, 0xFF));
  e.Align = kAlignCenter;
  e.Leading = 40;
  e.VariableName = "v";
  e.InitialText = "Hi";
  ExpectGolden(e, Cat({{0x5F, 0x09, 0x02, 0x00},
                       kBounds,
                       {0x8D, 0x30, 0x01, 0x00, 0xF0, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x28, 0x00, 'v', 0x00, 'H', 'i', 0x00}}));
  EXPECT_EQ(e.MinVersion(), 4);
  e.AutoSize = true;
  EXPECT_EQ(e.MinVersion(), 6);
  auto back = ReadOne(e.ToBytes());
  EXPECT_EQ(As<TSWFDefineEditText>(back).InitialText, "Hi");
  EXPECT_EQ(back->Clone()->ToBytes(), e.ToBytes());
}

TEST(EditTextTest, FontClassByVersion) {
  TSWFDefineEditText e;
  e.FontClass = "F";
  e.FontHeight = 200;
  e.Version = 8;
  EXPECT_EQ(e.ToBytes(), (Bytes{0x46, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(e.MinVersion(), 4);
  e.Version = 9;
  // The height follows the class even without a font ID.
  ExpectGolden(e, {0x4A, 0x09, 0x00, 0x00, 0x00, 0x00, 0x80, 'F', 0x00, 0xC8, 0x00, 0x00}, 9);
  EXPECT_EQ(e.MinVersion(), 9);
  e.FontClass.clear();
  e.ToBytes();
  EXPECT_FALSE(e.HasFontClass);
}

TEST(EditTextTest, FontClassFlagInAnOlderFileIsStillRead) {
  const Bytes bytes = {0x4A, 0x09, 0x00, 0x00, 0x00, 0x00, 0x80, 'F', 0x00, 0xC8, 0x00, 0x00};
  auto back = ReadOne(bytes, 8);
  const auto& e = As<TSWFDefineEditText>(back);
  EXPECT_EQ(e.FontClass, "F");
  EXPECT_EQ(e.FontHeight, 200);
  EXPECT_EQ(e.MinVersion(), 9);
  EXPECT_EQ(back->ToBytes(), bytes);
}

TEST(EditTextTest, InitialTextForms) {
  TSWFDefineEditText e;
  e.HasText = true;
  e.InitialText = "<b>x</b>";
  e.HTML = true;
  e.Version = 5;
  EXPECT_EQ(As<TSWFDefineEditText>(ReadOne(e.ToBytes(), 5)).InitialText, "<b>x</b>");
  e.InitialTextWide = u"\u00e9t\u00e9";  // preferred, written as UTF-8
  const Bytes b = e.ToBytes();
  EXPECT_EQ(Bytes(b.end() - 6, b.end()), (Bytes{0xC3, 0xA9, 't', 0xC3, 0xA9, 0x00}));
  EXPECT_EQ(As<TSWFDefineEditText>(ReadOne(b)).InitialText, "\xC3\xA9t\xC3\xA9");
  // The bit between Border and HTML survives a copy.
  const Bytes was_static = {0x46, 0x09, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00};
  auto s = ReadOne(was_static);
  EXPECT_TRUE(As<TSWFDefineEditText>(s).WasStatic);
  EXPECT_EQ(s->ToBytes(), was_static);
}

// ---------------------------------------------------------------------------------------
// What the dump shows

TEST(FontTextDescribeTest, KeyFields) {
  TSWFDefineFont2 f;
  FillFont2(f, true);
  EXPECT_EQ(f.Describe(), "font=1 name=\"A\" glyphs=1 codes=1 bold ansi ascent=800 descent=200 leading=0 kerning=1");
  TSWFDefineText t;
  FillText(t);
  t.ToBytes();
  EXPECT_EQ(t.Describe(), "id=1 bounds=(0,0)-(100,50) records=1 glyphs=2 bits=2/8");
  TSWFDefineEditText e;
  e.HasText = true;
  e.VariableName = "_root.title";
  e.InitialText = "line\n\"two\"";
  EXPECT_EQ(e.Describe(), "id=0 bounds=(0,0)-(0,0) var=\"_root.title\" text=\"line\\x0A\\\"two\\\"\"");
}

}  // namespace
}  // namespace fc
