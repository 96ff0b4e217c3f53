// Text written by `flarecast-cli swf text` in DejaVu Sans, shown by a real Flash player: the
// glyphs are inked where the text's records put them and nowhere else; wide (non-ASCII)
// characters are drawn; bold differs from regular; an edit field shows its text.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "player_harness.h"
#include "readers/font_reader.h"
#include "swf/fonts_text.h"
#include "swf/streams.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Q;
using test::ShellQuote;

// Ink: clearly darker than the white background.
bool Inked(const test::Image& image, int x, int y) {
  const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
  return p[0] + p[1] + p[2] < 3 * 160;
}

int InkIn(const test::Image& image, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = std::max(0, top); y < std::min(image.height, bottom); ++y)
    for (int x = std::max(0, left); x < std::min(image.width, right); ++x) count += Inked(image, x, y);
  return count;
}

struct TWrittenText {
  TRect Bounds;                   // pixels
  std::vector<int> GlyphStarts;   // pixels, one per character, plus the end of the last
  std::vector<int> PenTwips;      // the exact pen position of each glyph, twips
  int BaselineTwips = 0;
  int HeightTwips = 0;
};

// The static text of a movie: its bounds and where each glyph starts along the line.
TWrittenText ReadText(const fs::path& file) {
  TSWFStreamReader reader;
  reader.LoadFromFile(file);
  reader.ParseTags(true, true);
  for (const auto& info : reader.TagList) {
    const auto* text = dynamic_cast<const TSWFDefineText*>(info->Object);
    if (!text) continue;
    TWrittenText out;
    out.Bounds = {text->TextBounds.Xmin() / 20, text->TextBounds.Ymin() / 20, (text->TextBounds.Xmax() + 19) / 20,
                  (text->TextBounds.Ymax() + 19) / 20};
    const TSWFTextRecord& record = text->TextRecords.at(0);
    int x = record.XOffset();
    out.BaselineTwips = record.YOffset();
    out.HeightTwips = record.TextHeight();
    for (const TSWFGlyphEntry& e : record.GlyphEntries) {
      out.GlyphStarts.push_back(x / 20);
      out.PenTwips.push_back(x);
      x += e.GlyphAdvance;
    }
    out.GlyphStarts.push_back(x / 20);
    return out;
  }
  ADD_FAILURE() << file << " has no static text";
  return {};
}

// Every glyph but blanks has ink in its own span of the line; nothing is inked outside the
// text's bounds (give or take a pixel of antialiasing).
void ExpectInkWhereTheGlyphsAre(const test::Image& image, const TWrittenText& text, const std::u16string& chars,
                                const std::string& name) {
  const TRect& b = text.Bounds;
  const int inside = InkIn(image, b.Left, b.Top, b.Right, b.Bottom);
  EXPECT_GT(inside, 30) << name;
  const int all = InkIn(image, 0, 0, image.width, image.height);
  EXPECT_LE(all - InkIn(image, b.Left - 1, b.Top - 1, b.Right + 1, b.Bottom + 1), 0) << name << ": ink outside";
  ASSERT_EQ(text.GlyphStarts.size(), chars.size() + 1) << name;
  for (size_t i = 0; i < chars.size(); ++i) {
    if (chars[i] == u' ') continue;
    EXPECT_GT(InkIn(image, text.GlyphStarts[i], b.Top, text.GlyphStarts[i + 1], b.Bottom), 5)
        << name << ": no ink for character " << i;
  }
  // The ink is dark text, not a filled box: at most half of the bounds.
  EXPECT_LT(inside, (b.Right - b.Left) * (b.Bottom - b.Top) / 2) << name;
}

// The text as FreeType itself renders DejaVu Sans at the text's height, each glyph at the pen
// position of the text record: the coverage (0..255) of every stage pixel.
std::vector<uint8_t> FreeTypeRendering(const TWrittenText& text, const std::u16string& chars, int width, int height) {
  std::vector<uint8_t> coverage(static_cast<size_t>(width) * height, 0);
  const std::string path = TFontFace(MakeLogFont({"DejaVu Sans"})).FilePath();
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
    ADD_FAILURE() << "FreeType cannot open " << path;
    return coverage;
  }
  FT_Set_Char_Size(face, 0, text.HeightTwips * 64 / 20, 72, 72);  // the em is the text height
  for (size_t i = 0; i < chars.size(); ++i) {
    FT_Vector pen{text.PenTwips[i] * 64 / 20, -(text.BaselineTwips * 64 / 20)};  // y up in FreeType
    FT_Set_Transform(face, nullptr, &pen);
    if (FT_Load_Char(face, chars[i], FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    for (unsigned row = 0; row < g->bitmap.rows; ++row)
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        const int x = g->bitmap_left + static_cast<int>(col), y = -g->bitmap_top + static_cast<int>(row);
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        uint8_t& c = coverage[static_cast<size_t>(y) * width + x];
        c = std::max(c, g->bitmap.buffer[row * g->bitmap.pitch + col]);
      }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return coverage;
}

// The player's ink and FreeType's agree, give or take a pixel: the share of pixels that one
// of them inks solidly while the other has nothing within one pixel.
double InkDisagreement(const test::Image& image, const std::vector<uint8_t>& coverage) {
  const auto near = [&](int x, int y, auto&& test) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if (nx >= 0 && ny >= 0 && nx < image.width && ny < image.height && test(nx, ny)) return true;
      }
    return false;
  };
  int inked = 0, disagree = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const bool player = Inked(image, x, y), freetype = coverage[static_cast<size_t>(y) * image.width + x] > 128;
      if (!player && !freetype) continue;
      ++inked;
      if (player && !near(x, y, [&](int nx, int ny) { return coverage[static_cast<size_t>(ny) * image.width + nx] > 0; }))
        ++disagree;
      else if (freetype && !near(x, y, [&](int nx, int ny) { return Inked(image, nx, ny); }))
        ++disagree;
    }
  return inked ? double(disagree) / inked : 1.0;
}

TEST(PlayerText, StaticTextWideTextBoldAndAnEditFieldRender) {
  const fs::path dir = test::ScratchDir("text");
  const fs::path hello = dir / "hello.swf", wide = dir / "wide.swf", regular = dir / "regular.swf",
                 bold = dir / "bold.swf", edit = dir / "edit.swf";
  Cli("swf text Hello --font 'DejaVu Sans' --font-size 48 -o " + Q(hello));
  Cli("swf text " + ShellQuote("Gr\u00FC\u00DFe \u00C6\u00D8\u00C5") + " --font 'DejaVu Sans' --font-size 40 -o " +
      Q(wide));
  Cli("swf text Hello --font 'DejaVu Sans' --font-size 40 --size 240x80 -o " + Q(regular));
  Cli("swf text Hello --font 'DejaVu Sans' --font-size 40 --size 240x80 --bold -o " + Q(bold));
  Cli("swf text Hello --font 'DejaVu Sans' --font-size 40 --size 240x80 --edit -o " + Q(edit));

  test::PlayOptions options;
  options.frames = 2;
  options.screenshot_dir = dir / "shots";
  const std::vector<test::PlayResult> results = test::PlaySwfs({hello, wide, regular, bold, edit}, options);
  ASSERT_EQ(results.size(), 5u);
  for (const auto& r : results) ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
  std::vector<test::Image> shots;
  for (const auto& r : results) shots.push_back(test::ReadPng(r.screenshot));

  const std::u16string wide_chars = u"Gr\u00FC\u00DFe \u00C6\u00D8\u00C5";
  ExpectInkWhereTheGlyphsAre(shots[0], ReadText(hello), u"Hello", "hello");
  ExpectInkWhereTheGlyphsAre(shots[1], ReadText(wide), wide_chars, "wide");
  ExpectInkWhereTheGlyphsAre(shots[2], ReadText(regular), u"Hello", "regular");
  ExpectInkWhereTheGlyphsAre(shots[3], ReadText(bold), u"Hello", "bold");

  // The glyphs are the font's own: FreeType draws the same shapes at the same places.
  EXPECT_LT(InkDisagreement(shots[0], FreeTypeRendering(ReadText(hello), u"Hello", shots[0].width, shots[0].height)),
            0.02);
  EXPECT_LT(InkDisagreement(shots[1], FreeTypeRendering(ReadText(wide), wide_chars, shots[1].width, shots[1].height)),
            0.02);
  // The measure tells glyphs apart: the same pens with the letters reversed disagree widely.
  const double reversed =
      InkDisagreement(shots[0], FreeTypeRendering(ReadText(hello), u"olleH", shots[0].width, shots[0].height));
  EXPECT_GT(reversed, 0.3);

  // Bold strokes are heavier: more ink for the same word at the same size.
  const int regular_ink = InkIn(shots[2], 0, 0, shots[2].width, shots[2].height);
  const int bold_ink = InkIn(shots[3], 0, 0, shots[3].width, shots[3].height);
  EXPECT_GT(bold_ink, regular_ink * 5 / 4);
  EXPECT_GT(test::PixelDifference(shots[2], shots[3]), 0.02);

  // The edit field shows the same word: ink in the same band of the stage, about as much as
  // the static text has.
  const int edit_ink = InkIn(shots[4], 0, 0, shots[4].width, shots[4].height);
  EXPECT_GT(edit_ink, regular_ink / 2);
  EXPECT_LT(edit_ink, regular_ink * 2);
}

}  // namespace
}  // namespace fc
