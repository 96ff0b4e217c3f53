#pragma once
// Where the credit (a text or a picture laid over the player) lies on the Customize page's
// preview, and back: the preview movie is 320 × 281 with the control bar in its lowest 41
// rows, shown in a player control of any size, while the credit's position and size are kept
// in movie pixels of the output frame (Base.Width × Base.Height). The overlay widgets only
// show these rectangles and forward the mouse.

#include <cstdint>

#include "flash/swf_feature.h"

namespace fc::gui {

struct TOverlayRect {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TOverlayRect&) const = default;
};

// Which edges a picture handle moves (a corner moves two).
enum TOverlayEdge : uint32_t {
  kEdgeLeft = 1,
  kEdgeTop = 2,
  kEdgeRight = 4,
  kEdgeBottom = 8,
};

class TCreditOverlayGeometry {
public:
  static constexpr int32_t kControlBarRows = 41;  // of the preview movie's 281
  static constexpr int32_t kPreviewHeight = 281;
  static constexpr int32_t kMinSize = 15;

  // The player control's size and the output frame's.
  TCreditOverlayGeometry(int32_t control_width, int32_t control_height, const TBaseInfo& base);

  // The video area's height in the control.
  int32_t VideoHeight() const { return video_height_; }
  // The text's point size on the preview for its size in the movie.
  int32_t TextPointSize(int32_t font_size) const;
  // The text's top-left corner on the preview (Width and Height 0: the text decides them).
  TOverlayRect TextRect(const TTextInfo& text) const;
  // The picture's frame on the preview; a picture larger than the control is shown smaller.
  TOverlayRect PictureRect(const TImageInfo& image) const;

  // Dragging: the overlay as it was, the cursor where the drag began and where it is now.
  // The overlay stays within the video area (the control bar's rows excluded).
  TOverlayRect Drag(const TOverlayRect& start, int32_t x0, int32_t y0, int32_t x, int32_t y) const;
  // Resizing by a handle of the picture (`edges` a set of TOverlayEdge); never below 15 pixels.
  TOverlayRect Resize(const TOverlayRect& start, uint32_t edges, int32_t x0, int32_t y0, int32_t x, int32_t y) const;

  // The movie pixels of an overlay, written into the settings.
  void StoreText(const TOverlayRect& rect, TTextInfo& text) const;
  void StorePicture(const TOverlayRect& rect, TImageInfo& image) const;

private:
  int32_t width_, height_, video_height_;
  int32_t base_width_, base_height_;
};

}  // namespace fc::gui
