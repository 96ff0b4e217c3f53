// flarecast-cli swf text ...: a line of text in an installed font, as static text with the
// font's outlines embedded, or as an edit field.

#include <cmath>
#include <ostream>

#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/swf_toolbox.h"
#include "core/error.h"
#include "core/text.h"
#include "movie/flash_sprite.h"
#include "movie/flash_text.h"

namespace fc::cli {
namespace {

constexpr TNamedValue kAlignNames[] = {
    {"left", kAlignLeft}, {"right", kAlignRight}, {"center", kAlignCenter}, {"justify", kAlignJustify}};
constexpr int32_t kDefaultFontSize = 36;  // pixels
constexpr double kFrameRate = 12;

int SwfText(const TArgs& args, std::ostream& out) {
  const TToolboxSettings settings = ReadToolboxSettings(args, "swf text");
  const std::string text = args.At(0);
  if (text.empty()) throw UsageError("swf text needs a non-empty TEXT");
  if (ContainsLineBreak(text)) throw UsageError("swf text writes one line: TEXT must not contain line breaks");
  const std::optional<std::string> family = args.get("--font");
  if (!family || family->empty()) throw UsageError("swf text needs --font FAMILY");
  const int32_t font_size = IntValue(args, "--font-size", 1, 1000).value_or(kDefaultFontSize);
  const TRgbColor rgb = RgbValue(args, "--color").value_or(TRgbColor{});
  const TColor color = SWFRGBA(rgb.R, rgb.G, rgb.B, 255);
  const uint8_t align = static_cast<uint8_t>(NamedValue(args, "--align", kAlignNames).value_or(kAlignLeft));
  const bool edit = args.Has("--edit");
  const TSystemFont system_font{*family, font_size, args.Has("--bold"), args.Has("--italic"), 1};

  // The stage: the measured line with a margin of a quarter of the size around it, unless
  // --size gives one.
  const int32_t margin = std::max(2, font_size / 4);
  TFrameSize stage{};
  {
    TFlashFont measuring;  // without a movie: sizes in twips
    measuring.Name = system_font.Name;
    measuring.Bold = system_font.Bold;
    measuring.Italic = system_font.Italic;
    measuring.SetSize(static_cast<uint16_t>(font_size * 20));
    const TTextExtent extent = measuring.MeasureText(std::u16string_view(Utf8ToUtf16(text)));
    stage = {std::clamp((extent.Width + 19) / 20 + 2 * margin, 1, 8191),
             std::clamp((extent.Height + 19) / 20 + 2 * margin, 1, 8191)};
  }
  std::unique_ptr<TFlashMovie> movie = MakeToolboxMovie(settings, stage, kFrameRate);
  if (settings.Size) stage = *settings.Size;
  movie->BackgroundColor().SetRGB(SWFRGBA(255, 255, 255, 255));

  TFlashFont* font = movie->AddFont(system_font, false);
  const int32_t x = align == kAlignLeft ? margin : align == kAlignRight ? stage.Width - margin : stage.Width / 2;
  TFlashText* item = movie->AddText(text, color, font, x, margin, align);
  if (edit) {
    item->SetEditText(true);
    font->Usage |= TFlashFont::kUsedByEditText;
    item->SetUseOutlines(true);  // the player draws the field with the embedded outlines
    item->ReadOnly = true;
    // The field spans the stage inside the margins, so that its alignment has room.
    item->AutoBounds = false;
    item->Bounds = TSWFRect::FromScreen({margin * 20, margin * 20, (stage.Width - margin) * 20,
                                         (stage.Height - margin) * 20});
  }
  movie->PlaceObject(item, 1);
  movie->ShowFrame();
  SaveToolboxMovie(*movie, settings,
                   Format("%s \"%s\" in %s %dpx%s%s", edit ? "edit field" : "static text", text.c_str(),
                          font->Name.c_str(), font_size, system_font.Bold ? " bold" : "",
                          system_font.Italic ? " italic" : ""),
                   out);
  return 0;
}

}  // namespace

void RegisterSwfTextCommands(TCommandTable& table) {
  const std::string details =
      std::string(
          "Writes a movie showing TEXT (one line, UTF-8) in the installed font FAMILY, found by\n"
          "fontconfig (a missing family is replaced by the nearest installed one). The glyph\n"
          "outlines of the characters used are embedded in the movie, so every player shows the\n"
          "same shapes. Without --size the stage fits the measured line with a margin of a\n"
          "quarter of the font size; the background is white. With --edit the text is an edit\n"
          "field (read-only, drawn with the embedded outlines) instead of static text.\n") +
      kToolboxDetails;
  table.Add({.Name = "swf text",
             .Args = "TEXT",
             .Summary = "a line of text in an installed font as an SWF movie",
             .Details = details,
             .Options = ToolboxOptions({{"--font", "FAMILY", "font family, e.g. \"DejaVu Sans\" (required)"},
                                        {"--font-size", "PX", "font size in pixels, 1 to 1000 (default 36)"},
                                        {"--bold", "", "bold face"},
                                        {"--italic", "", "italic face"},
                                        {"--color", "RRGGBB", "text colour (default 000000, black)"},
                                        {"--align", "ALIGN", "left, right, center or justify (default left)"},
                                        {"--edit", "", "write an edit field instead of static text"}}),
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = SwfText});
}

}  // namespace fc::cli
