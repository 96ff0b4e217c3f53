#pragma once
// The edge builder of shapes and glyphs: draws moves, lines, curves and rectangles into a list
// of shape records. Coordinates are in the owner movie's units (times its multiplier, 20 for
// pixels) unless InTwips is set or there is no owner: glyph outlines in font units are drawn
// unscaled. Every record stays within what one SWF edge record can hold.

#include <cstdint>

#include "readers/font_reader.h"
#include "swf/shapes.h"

namespace fc {

class TFlashMovie;

// A point in twips.
struct TTwipsPoint {
  int32_t X = 0, Y = 0;
  bool operator==(const TTwipsPoint&) const = default;
};

class TFlashEdges final : public TOutlineSink {
public:
  // The longest delta one edge record is given; longer lines are split into equal pieces.
  static constexpr int32_t kMaxEdgeDelta = 65535;

  explicit TFlashEdges(TSWFShapeRecords& records, TFlashMovie* owner = nullptr);

  TSWFShapeRecords& Records;
  TTwipsPoint Pen;    // the current point
  TTwipsPoint Start;  // the point of the last move: Close draws back to it
  TFlashMovie* Owner = nullptr;
  bool InTwips = false;
  bool Merge = false;  // fold a straight edge into the previous one when they are collinear

  // 1 with InTwips or without an owner, else the movie's multiplier.
  int32_t Multiplier() const;

  // Starts a new contour; a trailing style-change record takes the move instead of a new one.
  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void LineBy(int32_t dx, int32_t dy);
  // A quadratic curve through control (cx, cy) to anchor (ax, ay); degenerate curves (no
  // bend possible) become one straight edge.
  void CurveTo(int32_t cx, int32_t cy, int32_t ax, int32_t ay) override;
  void CurveBy(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady);
  void Close() override;
  // From the pen: right by width, down by height, back left and up.
  void Rectangle(int32_t width, int32_t height);
  void EndShape();
  // Mirrors every record (and the pen) on the chosen axes.
  void Flip(bool horizontal, bool vertical) override;

  // The same in twips, whatever the multiplier.
  void LineByTwips(int32_t dx, int32_t dy);
  void CurveByTwips(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady);

private:
  int32_t Scale(int32_t value) const;
  bool MergeInto(TSWFShapeRecord* last, int32_t dx, int32_t dy);
};

}  // namespace fc
