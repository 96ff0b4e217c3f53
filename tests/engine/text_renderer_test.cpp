#include "engine/text_renderer.h"

#include <gtest/gtest.h>

#include "core/text.h"

namespace fc {
namespace {

int Coverage(const TDibImage& image) {
  int n = 0;
  for (size_t i = 3; i < image.Bits().size(); i += 4) n += image.Bits()[i] > 128;
  return n;
}

TEST(TextRendererTest, DrawsTheTextInItsColourOnTransparency) {
  const TDibImage image = RenderText({.Text = "Hello", .FontName = "DejaVu Sans", .Color = 0xFF8000, .PointSize = 24});
  ASSERT_FALSE(image.empty());
  EXPECT_GT(image.Width(), image.Height());
  EXPECT_GT(Coverage(image), 50);
  EXPECT_EQ(image.Bits()[3], 0);  // the top-left corner is clear
  for (size_t i = 0; i < image.Bits().size(); i += 4) {
    if (image.Bits()[i + 3] == 0) continue;
    ASSERT_EQ(image.Bits()[i + 2], 0xFF);  // red
    ASSERT_EQ(image.Bits()[i + 1], 0x80);  // green
    ASSERT_EQ(image.Bits()[i], 0x00);      // blue
  }
}

TEST(TextRendererTest, SizeStylesAndLinesChangeThePicture) {
  const TTextRequest base{.Text = "Abc", .FontName = "DejaVu Sans", .PointSize = 20};
  const TDibImage plain = RenderText(base);
  TTextRequest big = base;
  big.PointSize = 40;
  EXPECT_GT(RenderText(big).Height(), plain.Height() * 3 / 2);
  TTextRequest bold = base;
  bold.Style = kTextBold;
  EXPECT_GT(Coverage(RenderText(bold)), Coverage(plain));
  TTextRequest under = base;
  under.Style = kTextUnderline;
  EXPECT_GT(Coverage(RenderText(under)), Coverage(plain));
  TTextRequest strike = base;
  strike.Style = kTextStrikeOut;
  EXPECT_GT(Coverage(RenderText(strike)), Coverage(plain));
  TTextRequest two = base;
  two.Text = "Abc\nAbc";
  EXPECT_EQ(RenderText(two).Height(), plain.Height() * 2);
  TTextRequest italic = base;
  italic.Style = kTextItalic;
  EXPECT_NE(RenderText(italic).Bits(), plain.Bits());
}

TEST(TextRendererTest, UnknownFontFallsBackAndEmptyTextGivesNoImage) {
  EXPECT_FALSE(RenderText({.Text = "x", .FontName = "No Such Font At All"}).empty());
  EXPECT_TRUE(RenderText({.Text = "", .FontName = "DejaVu Sans"}).empty());
}

TEST(TextRendererTest, LongTextsAndFontNamesAreCutNotOverrun) {
  const std::string long_text(5000, 'W');
  EXPECT_EQ(CutToUtf16Units(long_text, kMaxTextUnits).size(), 1024u);
  // A character outside the BMP takes two units and is never split.
  std::string emoji_run = std::string(1023, 'a') + "\xF0\x9F\x98\x80";  // U+1F600 at units 1023-1024
  EXPECT_EQ(CutToUtf16Units(emoji_run, 1024), std::string(1023, 'a'));
  EXPECT_EQ(CutToUtf16Units("short", 1024), "short");
  const std::string long_font(300, 'F');
  EXPECT_EQ(CutToUtf16Units(long_font, kMaxFontNameUnits).size(), 127u);
  const TDibImage image = RenderText({.Text = long_text, .FontName = long_font, .PointSize = 6});
  EXPECT_FALSE(image.empty());
}

}  // namespace
}  // namespace fc
