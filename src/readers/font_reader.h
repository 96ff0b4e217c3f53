#pragma once
// Glyph outlines of installed system fonts for embedding in Flash font tags. Fonts are found
// through fontconfig (by family, bold and italic, with its substitution when a face is
// missing) and read with FreeType at an em square of 1024 units: outlines, advances, ascent,
// descent and leading all come in those font units. Outlines are fed, segment by segment,
// into an edge sink, y pointing down as the movie draws (flipped at the end of each glyph).

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fc {

// The font description realised for reading (the equivalent of a logical font record).
struct TFontDescription {
  std::string FaceName;   // the family asked for; fontconfig substitutes when it is missing
  int32_t Height = -1024; // a character height of 1024 units: the em square is 1024
  int32_t Weight = 400;   // 700 for bold
  bool Italic = false;
  uint8_t CharSet = 1;
  uint8_t Quality = 4;    // 4 antialiased, 3 not
};

// What the reader needs of a font object.
struct TFontRequest {
  std::string Name;
  bool Bold = false;
  bool Italic = false;
  uint8_t Charset = 1;
  bool Smoothed = true;
  std::optional<TFontDescription> LogFont;  // used instead when its face name is not empty
};

struct TFontMetrics {
  int16_t Ascent = 0;
  int16_t Descent = 0;
  int16_t Leading = 0;  // internal leading: ascent + descent - em
  bool operator==(const TFontMetrics&) const = default;
};

// The extent of a line of text in font units: the sum of the advances (no kerning) and the
// font's ascent plus descent.
struct TTextExtent {
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TTextExtent&) const = default;
};

// The edge builder interface the outlines are drawn on (the movie's edge builder implements
// it; TGlyphOutline collects the segments).
class TOutlineSink {
public:
  virtual ~TOutlineSink() = default;
  virtual void MoveTo(int32_t x, int32_t y) = 0;
  virtual void LineTo(int32_t x, int32_t y) = 0;
  virtual void CurveTo(int32_t control_x, int32_t control_y, int32_t anchor_x, int32_t anchor_y) = 0;
  virtual void Close() = 0;  // a line back to the contour's start when the pen is elsewhere
  virtual void Flip(bool horizontal, bool vertical) = 0;
};

struct TOutlineSegment {
  enum TKind : uint8_t { Move, Line, Curve };
  TKind Kind = Move;
  int32_t X = 0, Y = 0;    // end point
  int32_t Cx = 0, Cy = 0;  // control point of a curve
  bool operator==(const TOutlineSegment&) const = default;
};

// Collects the segments of one glyph.
class TGlyphOutline final : public TOutlineSink {
public:
  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y) override;
  void Close() override;
  void Flip(bool horizontal, bool vertical) override;

  std::vector<TOutlineSegment> Segments;

private:
  int32_t start_x_ = 0, start_y_ = 0, pen_x_ = 0, pen_y_ = 0;
};

// A glyph as the font object keeps it.
struct TFlashGlyph {
  char16_t Code = 0;
  int32_t Advance = 0;  // font units
  bool Built = false;
  TGlyphOutline Outline;
};

// 16.16 fixed point to integer: the integer part when the fraction is 0, else rounded to
// nearest with halves to even.
int32_t FixedToInt(int32_t fixed);

// The description of a font object: its own when that has a face name, else built from its
// name, weight, italic flag, character set and smoothing.
TFontDescription MakeLogFont(const TFontRequest& font);

// A realised font: the matched font file opened at a 1024-unit em.
class TFontFace {
public:
  // Throws Error when fontconfig finds no scalable font at all or FreeType cannot open it.
  explicit TFontFace(const TFontDescription& description);
  // A face read from the bytes of a font file (the first face of a collection), without
  // synthetic bold or slant. Throws Error when FreeType cannot read it as a scalable font.
  explicit TFontFace(std::span<const uint8_t> font_file);
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  const std::string& FilePath() const;
  const std::string& FamilyName() const;  // of the font actually used
  TFontMetrics Metrics() const;
  // Draws the outline of a UTF-16 unit; a glyph without outline (a space) draws nothing.
  void ReadGlyphOutline(char16_t code, TOutlineSink& edges);
  // Marks the glyph built, draws its outline and sets its advance.
  void ReadGlyph(TFlashGlyph& glyph);
  int32_t Advance(char16_t code);
  // The extent of one line of UTF-16 units (line breaks count as characters).
  TTextExtent MeasureText(std::u16string_view text);

private:
  struct TImpl;
  static void SetUpFace(TImpl& impl);
  std::unique_ptr<TImpl> impl_;
};

// Ascent, descent and leading of a font object's realised font.
TFontMetrics ReadFontMetrics(const TFontRequest& font);

}  // namespace fc
