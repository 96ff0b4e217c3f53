#pragma once
// Fonts of the movie builder: a font description, its metrics and the characters in use,
// written as a DefineFont2 whose glyph outlines come from the installed system font.
//
// Geometry is worked in an em square of 1024 font units (the EM of SWF fonts), so outlines,
// advances, ascent, descent and text extents go into DefineFont2 unchanged; a size in twips
// scales them to twips.
//
// Text comes in two forms. The wide form is UTF-16. The ANSI form is a byte string in the
// "system ANSI code page", which on this platform is fixed to Windows-1252 (ASCII plus the
// Western European letters, the code page the format's 8-bit font codes were made for). It is
// never UTF-8: a non-ASCII character is one byte of the ANSI form (or "?" when 1252 lacks it),
// so no glyph is ever made of a single byte of a UTF-8 sequence.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "movie/flash_edges.h"
#include "movie/flash_movie.h"
#include "readers/font_reader.h"
#include "swf/shapes.h"

namespace fc {

// Windows-1252 (the ANSI code page, see above). Bytes that 1252 leaves undefined map to the
// UTF-16 unit of the same value; units 1252 lacks become '?'.
char16_t AnsiToWide(uint8_t ansi);
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);

// One glyph of a font: owned by the font's glyph list.
class TFlashChar {
public:
  TFlashChar(uint16_t code, bool wide);
  TFlashChar(const TFlashChar&) = delete;
  TFlashChar& operator=(const TFlashChar&) = delete;

  uint16_t Code() const { return code_; }  // as added: an ANSI byte or a UTF-16 unit
  bool Wide() const { return wide_; }      // the font was wide when the glyph was made
  // The glyph's UTF-16 unit: Code when above 255 or wide, else the ANSI byte converted.
  uint16_t WideCode() const;
  // The outline's shape records (font units, y down, no end record).
  const TSWFShapeRecords& Records() const { return records_; }
  // The edge builder over them; without an owner it takes font units as they are.
  TFlashEdges& Outline() { return outline_; }
  int32_t Advance = 0;  // font units
  bool Built = false;   // outline and advance have been read

  // Code, Wide and Built; with Built also the advance and a copy of the outline.
  void Assign(const TFlashChar& source);

private:
  uint16_t code_;
  bool wide_;
  TSWFShapeRecords records_;
  TFlashEdges outline_{records_};
};

class TFlashFont : public TFlashIDObject {
public:
  // Encoding of the font's codes.
  enum : uint8_t { kEncodingAnsi = 0, kEncodingShiftJIS = 1, kEncodingWide = 2 };
  // Usage bits.
  enum : uint8_t { kUsedByStaticText = 1, kUsedByEditText = 2 };
  static constexpr int32_t kEmSize = 1024;

  std::string Name;
  bool Bold = false, Italic = false, SmallText = false;
  bool DeviceFont = false;  // outlines are left out unless static text uses the font
  uint8_t Encoding = kEncodingAnsi;
  uint8_t LanguageCode = 0;
  int16_t Ascent = 0, Descent = 0, Leading = 0;  // font units
  uint8_t Usage = 0;
  // A description realised instead of Name, Bold, Italic, ... when its face name is set.
  std::optional<TFontDescription> LogFont;

  uint16_t Size() const { return size_; }  // twips
  // The size in the movie's units (pixels or twips).
  void SetSize(uint16_t size);
  uint8_t Charset() const { return charset_; }
  // Sets the language code and encoding that go with a Windows character set.
  void SetCharset(uint8_t charset);
  bool HasLayout() const { return has_layout_; }
  // Turning layout on reads the metrics first.
  void SetHasLayout(bool flag);
  // Set by a character above 255 or a wide string; never cleared.
  bool Wide() const { return wide_; }

  // Adds a character in ascending order; false when it was already there. A wide font in a
  // movie below version 6 raises the movie to 6.
  bool AddChar(uint16_t code);
  void AddChars(std::string_view ansi_text);
  void AddChars(std::u16string_view wide_text);
  const std::vector<std::unique_ptr<TFlashChar>>& Glyphs() const { return glyphs_; }
  // The first glyph whose Code is `code`, or null.
  const TFlashChar* FindGlyph(uint16_t code) const;
  // The position of the glyph in the list, or in the list ordered by Code (as an ANSI font
  // writes it).
  std::optional<size_t> GlyphIndex(uint16_t code, bool ordered_by_code) const;

  // Ascent, descent and leading of the realised font.
  void ReadMetrics();
  // Reads outline and advance of every glyph not yet built (metrics first).
  void BuildGlyphs();
  // Width and height of one line in twips at the font's size.
  TTextExtent MeasureText(std::string_view ansi_text) const;
  TTextExtent MeasureText(std::u16string_view wide_text) const;
  // The same in font units.
  TTextExtent MeasureTextEm(std::u16string_view wide_text) const;
  // Font units to twips at the font's size.
  int32_t ScaleFromEm(double value) const;
  bool HasWideGlyphs() const;
  // The description given to the font reader.
  TFontRequest Request() const;

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 3; }
  bool IsResource() const override { return true; }
  void WriteToStream(TBitsEngine& be) override;

private:
  int32_t Multiplier() const;

  uint16_t size_ = 0;
  uint8_t charset_ = 0;
  bool has_layout_ = false;
  bool wide_ = false;
  std::vector<std::unique_ptr<TFlashChar>> glyphs_;
};

// The platform's description of a system font, as a font dialog or the settings give it.
struct TSystemFont {
  std::string Name;
  int32_t Height = 0;  // pixels; the sign is ignored
  bool Bold = false;
  bool Italic = false;
  uint8_t Charset = 1;  // a Windows character set (1: default)
};

}  // namespace fc
