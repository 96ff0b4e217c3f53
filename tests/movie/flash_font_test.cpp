#include "movie/flash_font.h"

#include <gtest/gtest.h>

#include "movie/flash_text.h"
#include "font_test_util.h"
#include "movie_test_util.h"
#include "swf/fonts_text.h"

namespace fc {
namespace {

using test::FindTag;
using test::HaveDejaVuSans;
using test::ReadBack;

std::vector<uint16_t> CodesOf(const TFlashFont& font) {
  std::vector<uint16_t> codes;
  for (const auto& g : font.Glyphs()) codes.push_back(g->Code());
  return codes;
}

// ---- The ANSI code page ----

TEST(AnsiCodePage, IsWindows1252BothWays) {
  EXPECT_EQ(AnsiToWide(uint8_t{'A'}), u'A');
  EXPECT_EQ(AnsiToWide(uint8_t{0x80}), u'\u20AC');
  EXPECT_EQ(AnsiToWide(uint8_t{0x9F}), u'\u0178');
  EXPECT_EQ(AnsiToWide(uint8_t{0xFC}), u'\u00FC');
  EXPECT_EQ(AnsiToWide(uint8_t{0x81}), u'\u0081');  // undefined in 1252: kept
  EXPECT_EQ(WideToAnsi(u"Gr\u00FC\u00DFe \u20AC\u0142\u3042"), "Gr\xFC\xDF" "e \x80??");
  EXPECT_EQ(AnsiToWide(WideToAnsi(u"\u00C6\u00D8\u00C5 \u2014\u0081")), u"\u00C6\u00D8\u00C5 \u2014\u0081");
}

TEST(AnsiCodePage, NonAsciiTextNeverBecomesGlyphsOfUtf8Bytes) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashFont* font = movie.AddFont();
  TFlashText* text = movie.AddText("Gr\u00FC\u00DFe", SWFRGBA(0, 0, 0, 255), font, 0, 0);
  EXPECT_EQ(text->AnsiText(), "Gr\xFC\xDF" "e");
  EXPECT_EQ(text->Text(), u"Gr\u00FC\u00DFe");
  EXPECT_EQ(CodesOf(*font), (std::vector<uint16_t>{'G', 'e', 'r', 0xDF, 0xFC}));
  EXPECT_EQ(font->FindGlyph(0xC3), nullptr);  // the lead byte of both in UTF-8

  // The ANSI form alone, in a font that never saw wide text: 1252 bytes, 1252 glyph codes.
  TFlashFont* ansi_font = movie.AddFont();
  TFlashText* ansi = movie.AddText("", SWFRGBA(0, 0, 0, 255), ansi_font, 0, 0);
  ansi->SetAnsiText(WideToAnsi(u"\u20AC\u00E9"));
  EXPECT_FALSE(ansi_font->Wide());
  ASSERT_EQ(ansi_font->Glyphs().size(), 2u);
  // Ordered by the characters: é (U+00E9) before € (U+20AC), though the bytes are 0xE9 and 0x80.
  EXPECT_EQ(ansi_font->Glyphs()[0]->WideCode(), 0xE9);
  EXPECT_EQ(ansi_font->Glyphs()[1]->WideCode(), 0x20AC);
  EXPECT_EQ(ansi_font->Glyphs()[1]->Code(), 0x80);
}

// ---- Glyph list ----

TEST(FlashFontGlyphs, AddCharKeepsAscendingOrderAndRefusesRepeats) {
  TFlashFont font;
  EXPECT_TRUE(font.AddChar('b'));
  EXPECT_TRUE(font.AddChar('a'));
  EXPECT_FALSE(font.AddChar('b'));
  EXPECT_EQ(CodesOf(font), (std::vector<uint16_t>{'a', 'b'}));
  font.AddChars(std::string_view("dcb"));
  EXPECT_EQ(CodesOf(font), (std::vector<uint16_t>{'a', 'b', 'c', 'd'}));
  EXPECT_FALSE(font.Wide());
  ASSERT_NE(font.FindGlyph('c'), nullptr);
  EXPECT_EQ(font.FindGlyph('c')->Code(), 'c');
  EXPECT_EQ(font.FindGlyph('z'), nullptr);
  EXPECT_FALSE(font.Glyphs()[0]->Built);
  EXPECT_TRUE(font.Glyphs()[0]->Records().empty());
}

TEST(FlashFontGlyphs, WideCharacterRaisesTheMovieToVersion6) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  ASSERT_EQ(movie.Version(), 5);
  TFlashFont* font = movie.AddFont();
  font->AddChar('a');
  EXPECT_EQ(movie.Version(), 5);
  EXPECT_TRUE(font->AddChar(0x416));
  EXPECT_TRUE(font->Wide());
  EXPECT_TRUE(font->HasWideGlyphs());
  EXPECT_EQ(movie.Version(), 6);
  EXPECT_TRUE(font->Glyphs()[1]->Wide());
  EXPECT_FALSE(font->Glyphs()[0]->Wide());

  // An empty wide string changes nothing; any other makes the font wide.
  TFlashFont plain;
  plain.AddChars(std::u16string_view());
  EXPECT_FALSE(plain.Wide());
  plain.AddChars(std::u16string_view(u"x"));
  EXPECT_TRUE(plain.Wide());
}

TEST(FlashFontGlyphs, HasWideGlyphsOfADeviceFontIsItsOwnFlagOnly) {
  TFlashFont font;
  font.AddChars(std::u16string_view(u"a"));  // wide glyph, then...
  TFlashFont copy;
  copy.Assign(font);
  EXPECT_TRUE(copy.HasWideGlyphs());
  TFlashFont narrow;
  narrow.AddChar('a');
  narrow.DeviceFont = true;
  EXPECT_FALSE(narrow.HasWideGlyphs());
}

TEST(FlashFontGlyphs, AssignCopiesFieldsAndGlyphsWithTheirOutlines) {
  TFlashFont source;
  source.Name = "DejaVu Sans";
  source.Bold = true;
  source.SetCharset(128);
  source.AddChars(std::string_view("ab"));
  TFlashChar& a = *source.Glyphs()[0];
  a.Outline().MoveTo(5, 5);
  a.Outline().LineTo(10, 0);
  a.Advance = 512;
  a.Built = true;
  TFlashFont copy;
  copy.Assign(source);
  EXPECT_EQ(copy.Name, "DejaVu Sans");
  EXPECT_TRUE(copy.Bold);
  EXPECT_EQ(copy.Charset(), 128);
  EXPECT_EQ(copy.Encoding, TFlashFont::kEncodingShiftJIS);
  ASSERT_EQ(CodesOf(copy), (std::vector<uint16_t>{'a', 'b'}));
  EXPECT_TRUE(copy.Glyphs()[0]->Built);
  EXPECT_EQ(copy.Glyphs()[0]->Advance, 512);
  EXPECT_EQ(copy.Glyphs()[0]->Records().size(), 2u);
  EXPECT_FALSE(copy.Glyphs()[1]->Built);
}

// ---- Character sets, size, scale ----

TEST(FlashFontSettings, CharsetTable) {
  TFlashFont font;
  font.SetCharset(128);
  EXPECT_EQ(font.Encoding, TFlashFont::kEncodingShiftJIS);
  EXPECT_EQ(font.LanguageCode, 2);
  font.SetCharset(129);  // Hangeul keeps the encoding
  EXPECT_EQ(font.Encoding, TFlashFont::kEncodingShiftJIS);
  EXPECT_EQ(font.LanguageCode, 3);
  font.LanguageCode = 99;
  font.SetCharset(129);  // the same set again: nothing happens
  EXPECT_EQ(font.LanguageCode, 99);
  font.SetCharset(1);
  EXPECT_EQ(font.Encoding, TFlashFont::kEncodingWide);
  EXPECT_EQ(font.LanguageCode, 0);
  font.SetCharset(2);
  EXPECT_EQ(font.Encoding, TFlashFont::kEncodingAnsi);
  font.SetCharset(134);
  EXPECT_EQ(font.LanguageCode, 4);
  font.SetCharset(136);
  EXPECT_EQ(font.LanguageCode, 5);
  EXPECT_EQ(font.Encoding, TFlashFont::kEncodingAnsi);
  font.SetCharset(204);  // Cyrillic, and any other
  EXPECT_EQ(font.LanguageCode, 64);
  EXPECT_EQ(font.Encoding, TFlashFont::kEncodingWide);
}

TEST(FlashFontSettings, SizeTakesTheMovieUnitsAndScaleRoundsHalvesToEven) {
  TFlashMovie movie(0, 0, 100, 100, 12);  // pixels
  TFlashFont* font = movie.AddFont();
  EXPECT_TRUE(font->DeviceFont);
  EXPECT_EQ(font->Size(), 0);
  EXPECT_EQ(font->ScaleFromEm(1000), 0);  // no size yet: no division, just 0
  font->SetSize(32);
  EXPECT_EQ(font->Size(), 640);
  EXPECT_EQ(font->ScaleFromEm(1024), 640);
  font->SetSize(1);  // 20 twips: 512 font units are 10, 25.6 units 0.5 -> 0, 76.8 -> 1.5 -> 2
  EXPECT_EQ(font->ScaleFromEm(512), 10);
  EXPECT_EQ(font->ScaleFromEm(25.6), 0);
  EXPECT_EQ(font->ScaleFromEm(76.8), 2);

  TFlashMovie twips(0, 0, 2000, 2000, 12, false);
  TSystemFont system{"DejaVu Sans", -24, true, true, 128};
  TFlashFont* from_system = twips.AddFont(system, false);
  EXPECT_EQ(from_system->Name, "DejaVu Sans");
  EXPECT_EQ(from_system->Size(), 24);
  EXPECT_TRUE(from_system->Bold);
  EXPECT_TRUE(from_system->Italic);
  EXPECT_FALSE(from_system->DeviceFont);
  EXPECT_EQ(from_system->Encoding, TFlashFont::kEncodingShiftJIS);
  EXPECT_EQ(twips.Fonts, (TFlashObjectList<TFlashFont>{from_system}));
}

// ---- The system font ----

TEST(FlashFontSystem, MetricsGlyphsAndMeasuringComeFromTheRealisedFont) {
  REQUIRE_DEJAVU();
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashFont* font = movie.AddFont({"DejaVu Sans", 20, false, false, 1}, false);
  font->SetHasLayout(true);
  EXPECT_EQ(font->Ascent, 950);
  EXPECT_EQ(font->Descent, 242);
  EXPECT_EQ(font->Leading, 950 + 242 - 1024);
  font->AddChars(std::u16string_view(u"H i"));
  font->BuildGlyphs();
  TFontFace face(MakeLogFont(font->Request()));
  for (const auto& glyph : font->Glyphs()) {
    EXPECT_TRUE(glyph->Built);
    EXPECT_EQ(glyph->Advance, face.Advance(glyph->WideCode()));
  }
  EXPECT_TRUE(font->FindGlyph(' ')->Records().empty());  // a blank has no outline
  EXPECT_FALSE(font->FindGlyph('H')->Records().empty());
  const TTextExtent em = face.MeasureText(u"Hi");
  EXPECT_EQ(font->MeasureText(std::u16string_view(u"Hi")),
            (TTextExtent{font->ScaleFromEm(em.Width), font->ScaleFromEm(950 + 242)}));
  EXPECT_EQ(font->MeasureText(std::string_view("Hi")), font->MeasureText(std::u16string_view(u"Hi")));
}

TEST(FlashFontWrite, GoldenDefineFont2WithAnOutlineAndABlank) {
  REQUIRE_DEJAVU();
  TFlashFont font;  // no movie: version 6
  font.SetID(1);
  font.Name = "DejaVu Sans";
  font.AddChars(std::u16string_view(u"BA"));
  font.Usage = TFlashFont::kUsedByStaticText;
  TFlashChar& a = *font.Glyphs()[0];
  a.Outline().MoveTo(0, 0);  // at the pen already: the edge builder adds no move...
  a.Outline().LineTo(100, 0);
  a.Outline().LineTo(0, -100);
  a.Outline().Close();
  ASSERT_EQ(a.Records().front()->RecordKind, kShapeRecordStraightEdge);  // ...the writer puts one first

  a.Built = font.Glyphs()[1]->Built = true;
  std::vector<uint8_t> bytes;
  TBitsEngine be(&bytes);
  font.WriteToStream(be);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x29, 0x0C, 0x01, 0x00, 0x14, 0x00, 0x0B, 0x44, 0x65, 0x6A, 0x61, 0x56, 0x75,
                                         0x20, 0x53, 0x61, 0x6E, 0x73, 0x02, 0x00, 0x06, 0x00, 0x11, 0x00, 0x13, 0x00,
                                         0x10, 0x14, 0x1D, 0x86, 0x4D, 0xB3, 0x93, 0x9B, 0x2C, 0x80, 0x00, 0x10, 0x00,
                                         0x41, 0x00, 0x42, 0x00}));
}

TEST(FlashFontWrite, WideCodesLayoutAndBlanks) {
  REQUIRE_DEJAVU();
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashFont* font = movie.AddFont({"DejaVu Sans", 20, false, false, 0}, false);
  font->SetHasLayout(true);
  font->AddChars(std::string_view("a "));
  font->AddChar(0x416);
  auto reader = ReadBack(movie);
  const auto* tag = FindTag<TSWFDefineFont2>(*reader);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(reader->Version(), 6);
  EXPECT_TRUE(tag->WideCodes);
  EXPECT_TRUE(tag->HasLayout);
  EXPECT_TRUE(tag->ANSI);  // character set 0
  EXPECT_EQ(tag->CodeTable, (std::vector<uint16_t>{' ', 'a', 0x416}));
  EXPECT_EQ(tag->Ascent, 950);
  EXPECT_EQ(tag->Descent, 242);
  ASSERT_EQ(tag->AdvanceTable.size(), 3u);
  EXPECT_GT(tag->AdvanceTable[0], 200);  // the blank keeps its advance...
  ASSERT_EQ(tag->Glyphs.size(), 3u);
  EXPECT_LE(tag->Glyphs[0].size(), 1u);  // ...and has no edges (at most its end record)
  EXPECT_GT(tag->Glyphs[1].size(), 3u);
  EXPECT_EQ(tag->BoundsTable.size(), 3u);
}

TEST(FlashFontWrite, EightBitCodesAreWrittenInCodeOrder) {
  REQUIRE_DEJAVU();
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashFont* font = movie.AddFont({"DejaVu Sans", 20, false, false, 0}, false);
  font->AddChars(WideToAnsi(u"\u20AC\u00E9a"));
  ASSERT_FALSE(font->HasWideGlyphs());
  auto reader = ReadBack(movie);
  const auto* tag = FindTag<TSWFDefineFont2>(*reader);
  ASSERT_NE(tag, nullptr);
  EXPECT_FALSE(tag->WideCodes);
  EXPECT_EQ(tag->CodeTable, (std::vector<uint16_t>{'a', 0x80, 0xE9}));
  // Static text in the ANSI form indexes them the same way; the list itself is by character.
  EXPECT_EQ(font->GlyphIndex(0x80, true), 1u);
  EXPECT_EQ(font->GlyphIndex(0x80, false), 2u);
}

TEST(FlashFontWrite, DeviceFontOfEditFieldsHasLayoutButNoGlyphsUntilStaticTextUsesIt) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashFont* font = movie.AddFont();
  font->Name = "DejaVu Sans";
  font->SetSize(12);
  font->Ascent = 900, font->Descent = 200, font->Leading = 76;  // no font lookup needed
  TFlashText* field = movie.AddText("", SWFRGBA(0, 0, 0, 255), nullptr, 0, 0);
  field->SetEditText(true);
  field->SetFont(font);
  field->SetText("abc");
  EXPECT_EQ(font->Usage, TFlashFont::kUsedByEditText);
  {
    auto reader = ReadBack(movie);
    const auto* tag = FindTag<TSWFDefineFont2>(*reader);
    ASSERT_NE(tag, nullptr);
    EXPECT_TRUE(tag->Glyphs.empty());
    EXPECT_TRUE(tag->CodeTable.empty());
    EXPECT_EQ(tag->FontName, "DejaVu Sans");
  }
  {
    std::vector<uint8_t> bytes;
    TBitsEngine be(&bytes);
    font->WriteToStream(be);
    // HasLayout is only written with codes; the font names itself and has none.
    EXPECT_EQ(bytes[4], 0x14);  // flags: ANSI (always without codes) and wide codes
  }
  if (!HaveDejaVuSans()) return;
  movie.AddText("ab", SWFRGBA(0, 0, 0, 255), font, 0, 0);  // static text
  auto reader = ReadBack(movie);
  const auto* tag = FindTag<TSWFDefineFont2>(*reader);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->CodeTable, (std::vector<uint16_t>{'a', 'b', 'c'}));
  EXPECT_TRUE(tag->HasLayout);
  EXPECT_EQ(tag->Ascent, 950);  // building glyphs reads the metrics again
}

}  // namespace
}  // namespace fc
