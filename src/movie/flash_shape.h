#pragma once
// Shapes of a movie: fill styles (colours and image fills), line styles, edges drawn with
// TFlashEdges, and dashed outlines. Written as the simplest DefineShape tag that holds what
// the shape uses: DefineShape2, DefineShape3 for alpha, DefineShape4 for LineStyle2 styles.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "movie/flash_edges.h"
#include "movie/flash_movie.h"
#include "swf/shapes.h"

namespace fc {

// A dash pattern: dash and gap lengths in pixels (0..255), alternating, starting with a
// dash; the pattern repeats.
class TFlashLineStyle {
public:
  std::vector<uint8_t> Pattern;
  // Entry k mod count, in twips.
  int32_t LengthAt(size_t k) const { return Pattern[k % Pattern.size()] * 20; }
  // Nothing to cut by: an empty or all-zero pattern is drawn as a solid line.
  bool IsSolid() const;
};

class TFlashShape : public TFlashVisualObject {
public:
  // How an image fill maps the picture onto the shape.
  enum TImageFillMode : uint8_t {
    kImageScaled = 0,     // clipped, pixels scaled by scale_x and scale_y
    kImageStretched = 1,  // clipped, stretched over the shape's bounds
    kImageTiled = 2,      // repeated, pixels scaled by scale_x and scale_y
  };

  TFlashShape();
  TFlashShape(const TFlashShape&) = delete;
  TFlashShape& operator=(const TFlashShape&) = delete;
  void OwnerChanged() override { Edges.Owner = Owner; }
  void Assign(const TBasedSWFObject& Source) override;

  TSWFShapeRecords Records;
  // Draws into Records in the movie's units; Edges.InTwips (its own flag, not the shape's)
  // takes coordinates in twips.
  TFlashEdges Edges{Records};
  TSWFRect Bounds;             // twips; the edges' extent when left empty
  TSWFFillStyles FillStyles;
  TSWFLineStyles LineStyles;
  bool SelectOnLast = false;  // style selections go to the last style change, not the first
  bool HasAlpha = false;      // a colour with alpha below 255 is used
  bool UseLineStyle2 = false;

  // In the shape's units.
  void SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // A colour fill, selected as FillStyle1.
  TSWFColorFill& AddSolidFill(const TSWFRGBA& color);
  TSWFColorFill& AddSolidFill(const TSWFRGB& color, uint8_t alpha);
  // A bitmap fill of the image anchored at the bounds' top-left corner, selected as
  // FillStyle1. The image moves in front of the shape in the movie when it stands after it.
  TSWFImageFill& AddImageFill(const TFlashImage& image, TImageFillMode mode, float scale_x = 1, float scale_y = 1);
  // The style (a default one when none is given), selected.
  TSWFLineStyle& AddLineStyle(std::unique_ptr<TSWFLineStyle> style = nullptr);
  // A line of `width` twips in the colour.
  TSWFLineStyle& AddLineStyle(uint16_t width, const TSWFRGBA& color);

  // 1-based style indexes (0 for none) in the first style change, or the last with
  // SelectOnLast; one is put in front of the edges when there is none yet.
  void SelectFillStyle0(uint16_t n);
  void SelectFillStyle1(uint16_t n);
  void SelectLineStyle(uint16_t n);
  uint16_t FillStyle0() const;
  uint16_t FillStyle1() const;
  uint16_t LineStyle() const;

  // Created on first access, which turns dashing on.
  TFlashLineStyle& DashPattern();
  bool IsDashed() const { return dash_.has_value(); }
  // Gaps are drawn in this colour instead of being left open; created on first access.
  TSWFRGBA& GapColor();
  bool HasGapColor() const { return gap_color_.has_value(); }

  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;
  // The tag as it will be written.
  std::unique_ptr<TSWFDefineShape> BuildTag() const;

private:
  TSWFStyleChangeRecord* SelectionRecord();
  const TSWFStyleChangeRecord* FindSelectionRecord() const;
  uint16_t Selected(bool TSWFStyleChangeRecord::*has, uint16_t TSWFStyleChangeRecord::*index) const;
  TSWFRect EdgeExtent() const;

  std::optional<TFlashLineStyle> dash_;
  std::optional<TSWFRGBA> gap_color_;
};

}  // namespace fc
