#include "engine/text_renderer.h"

#include <gtest/gtest.h>

#include "core/text.h"

namespace fc {
namespace {

int Coverage(const TDibImage& image) {
  int n = 0;
  for (size_t i = 3; i < image.bits().size(); i += 4) n += image.bits()[i] > 128;
  return n;
}

TEST(TextRendererTest, DrawsTheTextInItsColourOnTransparency) {
  const TDibImage image = RenderText({.text = "Hello", .font_name = "DejaVu Sans", .color = 0xFF8000, .point_size = 24});
  ASSERT_FALSE(image.empty());
  EXPECT_GT(image.width(), image.height());
  EXPECT_GT(Coverage(image), 50);
  EXPECT_EQ(image.bits()[3], 0);  // the top-left corner is clear
  for (size_t i = 0; i < image.bits().size(); i += 4) {
    if (image.bits()[i + 3] == 0) continue;
    ASSERT_EQ(image.bits()[i + 2], 0xFF);  // red
    ASSERT_EQ(image.bits()[i + 1], 0x80);  // green
    ASSERT_EQ(image.bits()[i], 0x00);      // blue
  }
}

TEST(TextRendererTest, SizeStylesAndLinesChangeThePicture) {
  const TextRequest base{.text = "Abc", .font_name = "DejaVu Sans", .point_size = 20};
  const TDibImage plain = RenderText(base);
  TextRequest big = base;
  big.point_size = 40;
  EXPECT_GT(RenderText(big).height(), plain.height() * 3 / 2);
  TextRequest bold = base;
  bold.style = kTextBold;
  EXPECT_GT(Coverage(RenderText(bold)), Coverage(plain));
  TextRequest under = base;
  under.style = kTextUnderline;
  EXPECT_GT(Coverage(RenderText(under)), Coverage(plain));
  TextRequest strike = base;
  strike.style = kTextStrikeOut;
  EXPECT_GT(Coverage(RenderText(strike)), Coverage(plain));
  TextRequest two = base;
  two.text = "Abc\nAbc";
  EXPECT_EQ(RenderText(two).height(), plain.height() * 2);
  TextRequest italic = base;
  italic.style = kTextItalic;
  EXPECT_NE(RenderText(italic).bits(), plain.bits());
}

TEST(TextRendererTest, UnknownFontFallsBackAndEmptyTextGivesNoImage) {
  EXPECT_FALSE(RenderText({.text = "x", .font_name = "No Such Font At All"}).empty());
  EXPECT_TRUE(RenderText({.text = "", .font_name = "DejaVu Sans"}).empty());
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
  const TDibImage image = RenderText({.text = long_text, .font_name = long_font, .point_size = 6});
  EXPECT_FALSE(image.empty());
}

}  // namespace
}  // namespace fc
