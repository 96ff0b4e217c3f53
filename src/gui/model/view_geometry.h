#pragma once
// The geometry of a preview view, without Qt: where the picture lies in the view, the
// conversions between view pixels and picture pixels, and the editable rectangle (the crop
// area or the watermark) that the user moves with the mouse, resizes with eight handles and
// nudges with the keyboard. The view widget only paints what this decides and forwards the
// mouse and the keys.

#include <array>
#include <cstdint>

#include "engine/video_processor.h"

namespace fc::gui {

// A rectangle in view pixels. The display rectangle is right and bottom exclusive; the crop
// area's rectangle has its right and bottom frame lines at Right and Bottom.
struct TViewRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool Contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  TViewRect Moved(int32_t dx, int32_t dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  bool operator==(const TViewRect&) const = default;
};

// What the geometry depends on.
struct TViewGeometry {
  int32_t ClientWidth = 0, ClientHeight = 0;
  bool HasPlayer = false;
  // 0 fills the view, 2 is 16:9, 3 is 4:3, 5 fits the height; others keep the picture's aspect.
  int32_t ResizeMode = 1;
  int32_t ViewMode = 0;  // 0 the source picture, 1 the processed output
  int32_t DisplayWidth = 0, DisplayHeight = 0;  // the output size shown in view mode 1
  // The picture shown: its size in pixels and its display aspect (0 when unknown).
  int32_t FrameWidth = 0, FrameHeight = 0;
  int32_t AspectX = 0, AspectY = 0;
};

// Where the picture lies in the view; the whole client area without a player.
TViewRect DisplayRect(const TViewGeometry& g);
// View pixels to picture pixels and back (rounded half to even); both copy the rectangle
// unchanged without a player.
TCropRect ViewToPicture(const TViewGeometry& g, const TViewRect& view);
TViewRect PictureToView(const TViewGeometry& g, const TCropRect& picture);

inline constexpr int32_t kCropMinSize = 16;  // view pixels
inline constexpr int32_t kHandleSize = 7;

enum TConstrainKind : int32_t { kConstrainMove = 1, kConstrainResize = 2, kConstrainBoth = 3 };
// Keeps a rectangle at least 16 × 16 and inside `bounds` (the display rectangle): a resize
// clips its edges, a move shifts it back in.
TViewRect Constrain(TViewRect r, const TViewRect& bounds, int32_t kind);

enum class TCropCursor { Arrow, SizeAll, SizeNwSe, SizeNeSw, SizeNs, SizeWe };

// The eight handles: 0 top-left, 1 top, 2 top-right, 3 left, 4 right, 5 bottom-left,
// 6 bottom, 7 bottom-right.
inline constexpr int kHandleCount = 8;
struct THandleEdges {
  bool Left = false, Top = false, Right = false, Bottom = false;
};
THandleEdges HandleEdges(int handle);
TCropCursor HandleCursor(int handle);
// The handle's 7 × 7 square: its top-left corner 3 pixels up and left of its anchor.
TViewRect HandleRect(const TViewRect& area, int handle);

enum class TCropKey { Left, Right, Up, Down };

// The editable rectangle of a view: kept in view pixels and in picture pixels, moved and
// resized by the user. Each user change that returns true is one the owner hears of.
class TCropArea {
public:
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool HandlesVisible() const { return handles_visible_; }
  void SetHandlesVisible(bool visible) { handles_visible_ = visible; }
  const TViewRect& ViewRect() const { return view_rect_; }
  const TCropRect& VideoRect() const { return video_rect_; }
  bool Busy() const { return moving_ || handle_ >= 0; }

  // The view's geometry changed (size, mode, picture): the rectangle is laid out again from
  // its picture pixels.
  void SetGeometry(const TViewGeometry& g);
  // The owner's rectangle in picture pixels; ignored while the user moves or resizes it.
  // False when ignored.
  bool SetVideoRect(const TCropRect& rect);

  // The handle under a point (-1 for none; only while the handles show).
  int HandleAt(int32_t x, int32_t y) const;
  // The cursor for a point of the view.
  TCropCursor CursorAt(int32_t x, int32_t y) const;

  // Mouse: a press on a handle starts a resize, inside the rectangle a move; false when the
  // press starts neither.
  bool Press(int32_t x, int32_t y);
  // True when the rectangle changed.
  bool MoveTo(int32_t x, int32_t y);
  // Ends a move or a resize (a move that went somewhere is constrained once more, silently).
  void Release();

  // Ctrl with an arrow shifts by one pixel; Shift with an arrow moves the right or the bottom
  // edge. True when the rectangle changed.
  bool Key(TCropKey key, bool ctrl, bool shift);

private:
  void Store(const TViewRect& r);

  TViewGeometry geometry_;
  bool visible_ = false;
  bool handles_visible_ = true;
  TViewRect view_rect_{0, 0, 16, 16};
  TCropRect video_rect_{0, 0, 16, 16};
  // Moving: where the press was and the rectangle then.
  bool moving_ = false, moved_ = false;
  int32_t anchor_x_ = 0, anchor_y_ = 0;
  TViewRect move_start_;
  // Resizing: the handle and the last mouse point.
  int handle_ = -1;
  int32_t last_x_ = 0, last_y_ = 0;
};

}  // namespace fc::gui
