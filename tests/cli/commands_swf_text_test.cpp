// flarecast-cli swf text seen from outside: the movie it writes (an embedded font, the text
// that uses it, a stage fitted to the line) and its usage errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/test_folder.h"
#include "run_program.h"
#include "swf/fonts_text.h"
#include "swf/streams.h"

namespace fc {
namespace {

const std::string kCli = std::string(FLARECAST_PROGRAM_DIR) + "/flarecast-cli";

class SwfTextTest : public ::testing::Test {
protected:
  test::TempFolder dir;

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", dir.file("settings.ini")});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }

  template <typename T>
  static const T* Find(const TSWFStreamReader& reader) {
    for (const auto& info : reader.TagList)
      if (const auto* tag = dynamic_cast<const T*>(info->Object)) return tag;
    return nullptr;
  }
};

TEST_F(SwfTextTest, StaticTextInTheFontsOutlinesOnAFittedStage) {
  const auto r = Cli({"swf", "text", "Gr\u00FC\u00DFe", "--font", "DejaVu Sans", "--font-size", "40", "--bold",
                      "--color", "#336699", "-o", dir.file("text.swf")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("static text"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("bold"), std::string::npos) << r.out;

  TSWFStreamReader reader;
  reader.LoadFromFile(dir.file("text.swf"));
  reader.ParseTags(true, true);
  EXPECT_TRUE(reader.Warnings.empty());
  EXPECT_GE(reader.Version(), 6);  // wide codes
  const auto* font = Find<TSWFDefineFont2>(reader);
  const auto* text = Find<TSWFDefineText>(reader);
  ASSERT_TRUE(font && text);
  EXPECT_TRUE(font->Bold);
  EXPECT_TRUE(font->WideCodes);
  EXPECT_EQ(font->CodeTable, (std::vector<uint16_t>{'G', 'e', 'r', 0xDF, 0xFC}));
  for (const auto& glyph : font->Glyphs) EXPECT_FALSE(glyph.empty());
  ASSERT_EQ(text->TextRecords.size(), 1u);
  EXPECT_EQ(text->TextRecords[0].GlyphEntries.size(), 5u);
  EXPECT_EQ(text->TextRecords[0].TextColor().GetRGBA(), SWFRGBA(0x33, 0x66, 0x99, 255));
  EXPECT_EQ(text->TextRecords[0].TextHeight(), 800);
  // The stage holds the text with a margin of 10 pixels (a quarter of the size) around it.
  EXPECT_EQ(text->TextBounds.Xmin(), 200);
  EXPECT_EQ(text->TextBounds.Ymin(), 200);
  EXPECT_LE(text->TextBounds.Xmax() + 200, reader.FrameRect.Right);
  EXPECT_GE(text->TextBounds.Xmax() + 220, reader.FrameRect.Right);
  EXPECT_LE(text->TextBounds.Ymax() + 200, reader.FrameRect.Bottom);

  // --size keeps the stage; --edit writes a field.
  const auto e = Cli({"swf", "text", "Hi", "--font", "DejaVu Sans", "--edit", "--align", "center", "--size",
                      "300x100", "-o", dir.file("edit.swf")});
  ASSERT_EQ(e.exit_code, 0) << e.err;
  TSWFStreamReader edit_reader;
  edit_reader.LoadFromFile(dir.file("edit.swf"));
  edit_reader.ParseTags(true, true);
  EXPECT_EQ(edit_reader.FrameRect.Right, 6000);
  const auto* field = Find<TSWFDefineEditText>(edit_reader);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->InitialTextBytes(), "Hi");
  EXPECT_TRUE(field->UseOutlines);
  EXPECT_EQ(field->Align, 2);
}

TEST_F(SwfTextTest, UsageErrorsGoToStderr) {
  const auto no_font = Cli({"swf", "text", "Hello", "-o", dir.file("a.swf")});
  EXPECT_NE(no_font.exit_code, 0);
  EXPECT_NE(no_font.err.find("--font"), std::string::npos) << no_font.err;
  EXPECT_TRUE(no_font.out.empty());
  const auto bad_color = Cli({"swf", "text", "Hello", "--font", "DejaVu Sans", "--color", "blue", "-o", dir.file("a.swf")});
  EXPECT_NE(bad_color.exit_code, 0);
  EXPECT_NE(bad_color.err.find("RRGGBB"), std::string::npos) << bad_color.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.swf")));
  const auto help = Cli({"swf", "text", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--font-size"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace fc
