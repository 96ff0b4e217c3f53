// Text written by `flarecast-cli swf text` in DejaVu Sans, shown by a real Flash player: the
// glyphs are inked where the text's records put them and nowhere else; wide (non-ASCII)
// characters are drawn; bold differs from regular; an edit field shows its text.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "player_harness.h"
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
    for (const TSWFGlyphEntry& e : record.GlyphEntries) {
      out.GlyphStarts.push_back(x / 20);
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

  ExpectInkWhereTheGlyphsAre(shots[0], ReadText(hello), u"Hello", "hello");
  ExpectInkWhereTheGlyphsAre(shots[1], ReadText(wide), u"Gr\u00FC\u00DFe \u00C6\u00D8\u00C5", "wide");
  ExpectInkWhereTheGlyphsAre(shots[2], ReadText(regular), u"Hello", "regular");
  ExpectInkWhereTheGlyphsAre(shots[3], ReadText(bold), u"Hello", "bold");

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
