#include "movie/flash_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "font_test_util.h"
#include "movie_test_util.h"
#include "swf/fonts_text.h"

namespace fc {
namespace {

using test::FindTag;
using test::HaveDejaVuSans;
using test::ReadBack;

std::vector<uint8_t> Written(TFlashObject& object) {
  std::vector<uint8_t> bytes;
  TBitsEngine be(&bytes);
  object.WriteToStream(be);
  return bytes;
}

// ---- Creating and setting ----

TEST(FlashTextSetters, AddTextTakesTheFontSizeUnitsAndLayout) {
  TFlashMovie movie(0, 0, 100, 100, 12);  // pixels
  TFlashFont* font = movie.AddFont();
  font->SetSize(16);
  TFlashText* text = movie.AddText("ab", SWFRGBA(1, 2, 3, 4), font, 10, 5, kAlignCenter);
  EXPECT_EQ(movie.Texts, (TFlashObjectList<TFlashText>{text}));
  EXPECT_EQ(text->GetID(), 2);
  EXPECT_EQ(text->X, 200);
  EXPECT_EQ(text->Y, 100);
  EXPECT_EQ(text->Height(), 320);  // the font's size, already in twips
  EXPECT_EQ(text->Align(), kAlignCenter);
  EXPECT_TRUE(text->HasLayout());
  EXPECT_TRUE(font->HasLayout() || !HaveDejaVuSans());
  EXPECT_FALSE(text->UseOutlines());  // a device font
  EXPECT_EQ(text->Color().GetRGBA(), SWFRGBA(1, 2, 3, 4));
  EXPECT_EQ(font->Usage, TFlashFont::kUsedByStaticText);

  text->SetIndent(3);
  text->SetLeftMargin(7);
  EXPECT_EQ(text->Indent(), 3);
  EXPECT_EQ(text->LeftMargin(), 7);
  text->SetHeight(10);
  EXPECT_EQ(text->Height(), 200);
  text->SetUseOutlines(false);
  EXPECT_FALSE(font->DeviceFont);  // whatever the flag
}

TEST(FlashTextSetters, EditAndHtmlFlags) {
  TFlashText text;
  text.ReadOnly = text.NoSelect = true;
  text.SetEditText(true);
  EXPECT_FALSE(text.ReadOnly);
  EXPECT_FALSE(text.NoSelect);
  text.SetEditText(false);
  text.ReadOnly = true;
  text.SetHTML(true);
  EXPECT_TRUE(text.EditText());
  EXPECT_TRUE(text.ReadOnly);  // HTML turns on the edit field without clearing
  EXPECT_EQ(text.MinVersion(), 4);
  text.SetMaxLength(20);
  EXPECT_TRUE(text.HasMaxLength());
}

TEST(FlashTextSetters, SettingTheTextAddsWideThenAnsiCharacters) {
  TFlashFont font;
  TFlashText text;
  text.SetFont(&font);
  text.SetText("ba");
  EXPECT_TRUE(font.Wide());  // a wide string always makes the font wide
  ASSERT_EQ(font.Glyphs().size(), 2u);
  EXPECT_EQ(font.Glyphs()[0]->Code(), 'a');
  // Setting the same text again adds nothing; a font set after the text gets its characters.
  text.SetText("ba");
  TFlashFont later;
  TFlashText early;
  early.SetText("xy");
  early.SetFont(&later);
  ASSERT_EQ(later.Glyphs().size(), 2u);
}

TEST(FlashTextSetters, AssignCopiesTextAndTheFontOnlyWithinOneMovie) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashFont* font = movie.AddFont();
  TFlashText* text = movie.AddText("hi", SWFRGBA(9, 8, 7, 255), font, 1, 2);
  text->Matrix().SetScale(2, 2);
  TFlashText* same_movie = movie.AddText("", 0, nullptr, 0, 0);
  same_movie->Assign(*text);
  EXPECT_EQ(same_movie->Font(), font);
  EXPECT_EQ(same_movie->Text(), u"hi");
  EXPECT_EQ(same_movie->AnsiText(), "hi");
  EXPECT_EQ(same_movie->Matrix().ScaleX, text->Matrix().ScaleX);
  TFlashMovie other(0, 0, 100, 100, 12);
  TFlashText* elsewhere = other.AddText("", 0, nullptr, 0, 0);
  elsewhere->Assign(*text);
  EXPECT_EQ(elsewhere->Font(), nullptr);
  EXPECT_EQ(elsewhere->X, 20);
}

// ---- Static text ----

// A text in a twips movie: font 1 with glyphs A and B of advances 300 and 600 already built,
// text 2 "BA" at height 1024 in explicit bounds.
struct TStaticFixture {
  TFlashFont font;
  TFlashText text;
  TStaticFixture(uint8_t alpha) {
    font.SetID(1);
    font.Name = "DejaVu Sans";
    text.SetID(2);
    text.SetFont(&font);
    text.SetText("BA");
    font.Glyphs()[0]->Advance = 300;
    font.Glyphs()[1]->Advance = 600;
    font.Glyphs()[0]->Built = font.Glyphs()[1]->Built = true;
    text.Color().SetRGBA(SWFRGBA(0x10, 0x20, 0x30, alpha));
    text.SetHeight(1024);
    text.AutoBounds = false;
    text.Bounds = TSWFRect::FromScreen({0, 0, 600, 1200});
  }
};

TEST(FlashTextStatic, GoldenDefineTextAndDefineText2ByAlpha) {
  REQUIRE_DEJAVU();  // the record's baseline is the font's ascent, 950
  TStaticFixture opaque(255);
  EXPECT_EQ(Written(opaque.text),
            (std::vector<uint8_t>{0xDB, 0x02, 0x02, 0x00, 0x60, 0x00, 0x12, 0xC0, 0x00, 0x25, 0x80, 0x00, 0x01, 0x0B, 0x8E,
                                  0x01, 0x00, 0x10, 0x20, 0x30, 0xB6, 0x03, 0x00, 0x04, 0x02, 0xA5, 0x81, 0x2C, 0x00}));
  TStaticFixture translucent(128);
  EXPECT_EQ(Written(translucent.text),
            (std::vector<uint8_t>{0x5C, 0x08, 0x02, 0x00, 0x60, 0x00, 0x12, 0xC0, 0x00, 0x25, 0x80, 0x00, 0x01, 0x0B, 0x8E,
                                  0x01, 0x00, 0x10, 0x20, 0x30, 0x80, 0xB6, 0x03, 0x00, 0x04, 0x02, 0xA5, 0x81, 0x2C, 0x00}));
}

TEST(FlashTextStatic, AlignedBoundsAroundThePosition) {
  REQUIRE_DEJAVU();
  TFlashMovie movie(0, 0, 1000, 1000, 12, false);  // twips
  TFlashFont* font = movie.AddFont({"DejaVu Sans", 200, false, false, 1}, false);
  TFlashText* text = movie.AddText("Wave", SWFRGBA(0, 0, 0, 255), font, 1000, 500, kAlignCenter);
  // A size whose measured width is odd, so that the halving shows.
  int32_t w = 0;
  for (uint16_t size = 200; size < 240; ++size) {
    font->SetSize(size);
    w = font->MeasureText(std::u16string_view(u"Wave")).Width;
    if (w % 2) break;
  }
  ASSERT_EQ(w % 2, 1);
  const int32_t h = font->MeasureText(std::u16string_view(u"Wave")).Height;
  EXPECT_EQ(text->TextRect(), (TRect{1000 - w / 2, 500, 1000 - w / 2 + w, 500 + h}));
  text->SetAlign(kAlignRight);
  EXPECT_EQ(text->TextRect().Right, 1000);
  text->SetAlign(kAlignLeft);
  EXPECT_EQ(text->TextRect().Left, 1000);
  text->SetAlign(kAlignJustify);
  EXPECT_EQ(text->TextRect().Left, 1000 - w / 2);
}

TEST(FlashTextStatic, AnsiFormInAFontWithoutSizeDoesNotDivideByZero) {
  REQUIRE_DEJAVU();
  TFlashMovie movie(0, 0, 1000, 1000, 12, false);
  TFlashFont* font = movie.AddFont();  // size 0 from creation
  font->Name = "DejaVu Sans";
  TFlashText* text = movie.AddText("", SWFRGBA(0, 0, 0, 255), font, 0, 0);
  text->SetAnsiText("Hi");
  text->SetHeight(512);
  const TTextExtent em = font->MeasureTextEm(u"Hi");
  const int32_t w = static_cast<int32_t>(std::nearbyint(em.Width / 2.0));  // half the em
  EXPECT_EQ(text->TextRect(), (TRect{0, 0, w, 596}));                        // 1192 / 2
  auto reader = ReadBack(movie);
  const auto* tag = FindTag<TSWFDefineText>(*reader);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->TextBounds.Xmax(), w);
}

TEST(FlashTextStatic, GlyphIndexesAdvancesAndBitWidthsFitWhatIsWritten) {
  REQUIRE_DEJAVU();
  TFlashMovie movie(0, 0, 800, 600, 12);
  TFlashFont* font = movie.AddFont({"DejaVu Sans", 30, false, false, 1}, false);
  const std::string letters = "The quick brown fox jumps over a lazy dog, 0123456789 WAVE!";
  movie.AddText(letters, SWFRGBA(0, 0, 0, 255), font, 10, 10);
  auto reader = ReadBack(movie);
  const auto* tag = FindTag<TSWFDefineText>(*reader);
  const auto* font_tag = FindTag<TSWFDefineFont2>(*reader);
  ASSERT_NE(tag, nullptr);
  ASSERT_NE(font_tag, nullptr);
  ASSERT_EQ(tag->TextRecords.size(), 1u);
  const TSWFTextRecord& record = tag->TextRecords[0];
  ASSERT_EQ(record.GlyphEntries.size(), letters.size());
  uint32_t max_index = 0;
  int32_t max_advance = 0;
  for (size_t i = 0; i < letters.size(); ++i) {
    const TSWFGlyphEntry& e = record.GlyphEntries[i];
    ASSERT_LT(e.GlyphIndex, font_tag->CodeTable.size());
    EXPECT_EQ(font_tag->CodeTable[e.GlyphIndex], static_cast<uint8_t>(letters[i])) << i;
    EXPECT_EQ(e.GlyphAdvance, std::nearbyint(font_tag->AdvanceTable.empty()
                                                 ? font->FindGlyph(static_cast<uint8_t>(letters[i]))->Advance / 1024.0 * 600
                                                 : font_tag->AdvanceTable[e.GlyphIndex] / 1024.0 * 600));
    max_index = std::max(max_index, e.GlyphIndex);
    max_advance = std::max(max_advance, e.GlyphAdvance);
  }
  EXPECT_EQ(tag->GlyphBits, GetBitsCount(max_index));
  EXPECT_EQ(tag->AdvanceBits, GetBitsCount(max_advance, 1));
  EXPECT_EQ(record.FontID(), font->GetID());
  EXPECT_EQ(record.TextHeight(), 600);
  EXPECT_EQ(record.XOffset(), 200);
  EXPECT_EQ(record.YOffset(), 200 + std::nearbyint(950 / 1024.0 * 600));
}

TEST(FlashTextStatic, CharactersTheFontLacksAreLeftOutNeverAnotherGlyph) {
  REQUIRE_DEJAVU();
  TFlashMovie movie(0, 0, 800, 600, 12);
  TFlashFont* font = movie.AddFont({"DejaVu Sans", 30, false, false, 1}, false);
  TFlashText* text = movie.AddText("abc", SWFRGBA(0, 0, 0, 255), font, 0, 0);
  TFlashFont fewer;
  fewer.AddChars(std::u16string_view(u"b"));
  font->Assign(fewer);  // the font loses a and c (and its ID, size and name: set back)
  font->SetID(1);
  font->Name = "DejaVu Sans";
  font->SetSize(30);
  EXPECT_EQ(text->Font()->Glyphs().size(), 1u);
  auto reader = ReadBack(movie);
  const auto* tag = FindTag<TSWFDefineText>(*reader);
  ASSERT_NE(tag, nullptr);
  ASSERT_EQ(tag->TextRecords[0].GlyphEntries.size(), 1u);
  EXPECT_EQ(tag->TextRecords[0].GlyphEntries[0].GlyphIndex, 0u);
}

TEST(FlashTextStatic, EmptyTextWritesNothing) {
  TFlashFont font;
  TFlashText text;
  text.SetFont(&font);
  EXPECT_TRUE(Written(text).empty());
}

// ---- Edit fields ----

TEST(FlashTextEdit, GoldenHtmlFieldWithBoldItalicFont) {
  TFlashFont font;
  font.SetID(1);
  font.DeviceFont = true;
  font.Name = "F";
  font.Bold = font.Italic = true;
  TFlashText text;
  text.SetID(2);
  text.SetEditText(true);
  text.SetFont(&font);
  text.SetHTML(true);
  text.SetText("T");
  text.X = 20;
  text.Y = 40;
  text.SetHeight(240);
  EXPECT_EQ(font.Usage, TFlashFont::kUsedByEditText);
  EXPECT_EQ(Written(text),
            (std::vector<uint8_t>{0x74, 0x09, 0x02, 0x00, 0x39, 0x42, 0x8A, 0x14, 0x00, 0x81, 0x42, 0x01, 0x00, 0xF0,
                                  0x00, 0x00, 0x3C, 0x66, 0x6F, 0x6E, 0x74, 0x20, 0x66, 0x61, 0x63, 0x65, 0x3D, 0x22,
                                  0x46, 0x22, 0x3E, 0x3C, 0x62, 0x3E, 0x3C, 0x69, 0x3E, 0x54, 0x3C, 0x2F, 0x69, 0x3E,
                                  0x3C, 0x2F, 0x62, 0x3E, 0x3C, 0x2F, 0x66, 0x6F, 0x6E, 0x74, 0x3E, 0x00}));
}

TEST(FlashTextEdit, FieldsFlagsAndTheAnsiFormInUtf8) {
  TFlashMovie movie(0, 0, 400, 300, 12);
  movie.SetVersion(6);
  TFlashFont* font = movie.AddFont();
  font->Name = "DejaVu Sans";
  font->Ascent = 900, font->Descent = 200, font->Leading = 76;
  TFlashText* field = movie.AddText("", SWFRGBA(0, 0, 0, 255), nullptr, 0, 0);
  field->SetEditText(true);
  field->SetFont(font);
  field->SetAnsiText(WideToAnsi(u"Gr\u00FC\u00DFe"));  // no wide text: the font stays narrow
  field->X = 40;
  field->Y = 60;
  field->SetHeight(12);
  field->SetMaxLength(30);
  field->SetLeftMargin(2);
  field->Border = field->Multiline = field->WordWrap = true;
  field->VariableName = "caption";
  auto reader = ReadBack(movie);
  const auto* tag = FindTag<TSWFDefineEditText>(*reader);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->CharacterID, field->GetID());
  EXPECT_EQ(tag->Bounds, TSWFRect::FromScreen({40, 60, 40, 60}));
  EXPECT_TRUE(tag->HasFont);
  EXPECT_EQ(tag->FontID, font->GetID());
  EXPECT_EQ(tag->FontHeight, 240);
  EXPECT_TRUE(tag->HasTextColor);
  EXPECT_TRUE(tag->HasMaxLength);
  EXPECT_EQ(tag->MaxLength, 30);
  EXPECT_TRUE(tag->HasLayout);
  EXPECT_EQ(tag->LeftMargin, 40);
  EXPECT_TRUE(tag->Border && tag->Multiline && tag->WordWrap && tag->AutoSize);
  EXPECT_FALSE(tag->UseOutlines);  // a device font
  EXPECT_FALSE(tag->HTML);
  EXPECT_EQ(tag->VariableName, "caption");
  EXPECT_EQ(tag->InitialTextBytes(), "Gr\u00FC\u00DFe");  // 1252 bytes, written as UTF-8
}

}  // namespace
}  // namespace fc
