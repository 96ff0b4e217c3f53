#pragma once
// The text renderer: draws a text with a font into a picture with alpha (text watermarks and
// credit texts), on FreeType and fontconfig.

#include <cstdint>
#include <string>

#include "engine/dib_image.h"

namespace fc {

inline constexpr int32_t kTextBold = 1;
inline constexpr int32_t kTextItalic = 2;
inline constexpr int32_t kTextUnderline = 4;
inline constexpr int32_t kTextStrikeOut = 8;

// The longest text and font name a request carries (UTF-16 code units), as in the fixed fields
// of the text block that other parts of the program save.
inline constexpr size_t kMaxTextUnits = 1024;
inline constexpr size_t kMaxFontNameUnits = 127;

struct TTextRequest {
  std::string Text;          // UTF-8; lines break at '\n'
  std::string FontName;     // a family name ("DejaVu Sans"); fontconfig picks the nearest
  uint32_t Color = 0xFFFFFF; // RGB, red in the high byte
  int32_t PointSize = 36;   // points at 96 dots per inch
  int32_t Style = 0;         // kText... bits
};

// Cuts text to at most `max_units` UTF-16 code units without splitting a character.
std::string CutToUtf16Units(const std::string& text, size_t max_units);

// Renders the text: the picture is as large as the text's lines, transparent around the
// letters. Text and font name are cut to their limits. Throws MediaError when no font at all
// can be found; an empty text gives an empty image.
TDibImage RenderText(const TTextRequest& request);

}  // namespace fc
