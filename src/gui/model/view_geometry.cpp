#include "gui/model/view_geometry.h"

#include <algorithm>
#include <cmath>

namespace fc::gui {

namespace {

// Keeps divisions finite for empty sizes.
constexpr double kTiny = 0.000001;

// To nearest, halves to even (the default rounding mode).
int32_t Round(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

// The size of the picture the view shows, for the picture-to-view conversion: the output
// size in view mode 1 when it is set.
void ShownSize(const TViewGeometry& g, double& width, double& height) {
  const bool display = g.ViewMode == 1 && g.DisplayWidth > 0 && g.DisplayHeight > 0;
  width = display ? g.DisplayWidth : g.FrameWidth;
  height = display ? g.DisplayHeight : g.FrameHeight;
}

double PictureAspect(const TViewGeometry& g) {
  if (g.ViewMode == 1 && g.DisplayWidth > 0 && g.DisplayHeight > 0)
    return g.DisplayWidth / (g.DisplayHeight + kTiny);
  if (g.AspectY != 0) return g.AspectX / (g.AspectY + kTiny);
  return g.FrameWidth / (g.FrameHeight + kTiny);
}

struct THandle {
  int X2, Y2;  // the anchor in halves of the width and height: 0, 1 (middle) or 2
  THandleEdges Edges;
  TCropCursor Cursor;
};

// One table for the handles: anchor, edges moved, cursor.
constexpr std::array<THandle, kHandleCount> kHandles = {{
    {0, 0, {true, true, false, false}, TCropCursor::SizeNwSe},
    {1, 0, {false, true, false, false}, TCropCursor::SizeNs},
    {2, 0, {false, true, true, false}, TCropCursor::SizeNeSw},
    {0, 1, {true, false, false, false}, TCropCursor::SizeWe},
    {2, 1, {false, false, true, false}, TCropCursor::SizeWe},
    {0, 2, {true, false, false, true}, TCropCursor::SizeNeSw},
    {1, 2, {false, false, false, true}, TCropCursor::SizeNs},
    {2, 2, {false, false, true, true}, TCropCursor::SizeNwSe},
}};

bool ValidHandle(int handle) { return handle >= 0 && handle < kHandleCount; }

}  // namespace

TViewRect DisplayRect(const TViewGeometry& g) {
  const int32_t cw = g.ClientWidth, ch = g.ClientHeight;
  if (!g.HasPlayer) return {0, 0, cw, ch};
  double aspect;
  switch (g.ResizeMode) {
    case 0: aspect = cw / (ch + kTiny); break;
    case 2: aspect = 16.0 / 9.0; break;
    case 3: aspect = 4.0 / 3.0; break;
    default: aspect = PictureAspect(g); break;
  }
  if (cw / (ch + kTiny) >= aspect || g.ResizeMode == 5) {
    const int32_t width = Round(ch * aspect);
    const int32_t left = (cw - width) / 2;
    return {left, 0, left + width, ch};
  }
  const int32_t height = Round(cw / (aspect + kTiny));
  const int32_t top = (ch - height) / 2;
  return {0, top, cw, top + height};
}

TCropRect ViewToPicture(const TViewGeometry& g, const TViewRect& view) {
  if (!g.HasPlayer) return {view.Left, view.Top, view.Right, view.Bottom};
  const TViewRect d = DisplayRect(g);
  const double sx = g.FrameWidth / (d.Width() + kTiny);
  const double sy = g.FrameHeight / (d.Height() + kTiny);
  return {Round((view.Left - d.Left) * sx), Round((view.Top - d.Top) * sy), Round((view.Right - d.Left + 1) * sx),
          Round((view.Bottom - d.Top + 1) * sy)};
}

TViewRect PictureToView(const TViewGeometry& g, const TCropRect& picture) {
  if (!g.HasPlayer) return {picture.Left, picture.Top, picture.Right, picture.Bottom};
  const TViewRect d = DisplayRect(g);
  double width, height;
  ShownSize(g, width, height);
  const double sx = d.Width() / (width + kTiny);
  const double sy = d.Height() / (height + kTiny);
  TViewRect r;
  r.Left = Round(picture.Left * sx) + d.Left;
  r.Top = Round(picture.Top * sy) + d.Top;
  r.Right = Round((picture.Right - picture.Left) * sx) + r.Left - 1;
  r.Bottom = Round((picture.Bottom - picture.Top) * sy) + r.Top - 1;
  return r;
}

TViewRect Constrain(TViewRect r, const TViewRect& b, int32_t kind) {
  if (r.Width() < kCropMinSize) r.Right = r.Left + kCropMinSize;
  if (r.Height() < kCropMinSize) r.Bottom = r.Top + kCropMinSize;
  if (kind & kConstrainResize) {
    r.Left = std::max(r.Left, b.Left);
    r.Top = std::max(r.Top, b.Top);
    r.Right = std::min(r.Right, b.Right - 1);
    r.Bottom = std::min(r.Bottom, b.Bottom - 1);
  }
  if (kind & kConstrainMove) {
    if (r.Width() > b.Width()) r.Right = r.Left + b.Width();
    if (r.Height() > b.Height()) r.Bottom = r.Top + b.Height();
    int32_t dx = 0, dy = 0;
    if (r.Right + 1 > b.Right)
      dx = b.Right - r.Right - 1;
    else if (r.Left < b.Left)
      dx = b.Left - r.Left;
    if (r.Top < b.Top) dy = b.Top - r.Top;
    if (r.Bottom + 1 > b.Bottom) dy = b.Bottom - r.Bottom - 1;
    r = r.Moved(dx, dy);
  }
  return r;
}

THandleEdges HandleEdges(int handle) { return ValidHandle(handle) ? kHandles[handle].Edges : THandleEdges{}; }

TCropCursor HandleCursor(int handle) { return ValidHandle(handle) ? kHandles[handle].Cursor : TCropCursor::Arrow; }

TViewRect HandleRect(const TViewRect& area, int handle) {
  if (!ValidHandle(handle)) return {};
  const THandle& h = kHandles[handle];
  const int32_t x = area.Left + area.Width() * h.X2 / 2;  // middles truncated
  const int32_t y = area.Top + area.Height() * h.Y2 / 2;
  const int32_t left = x - kHandleSize / 2, top = y - kHandleSize / 2;
  return {left, top, left + kHandleSize, top + kHandleSize};
}

// ---------------------------------------------------------------------------------------------
// TCropArea

void TCropArea::SetGeometry(const TViewGeometry& g) {
  geometry_ = g;
  if (!Busy()) view_rect_ = PictureToView(geometry_, video_rect_);
}

bool TCropArea::SetVideoRect(const TCropRect& rect) {
  if (Busy()) return false;
  video_rect_ = rect;
  view_rect_ = PictureToView(geometry_, video_rect_);
  return true;
}

int TCropArea::HandleAt(int32_t x, int32_t y) const {
  if (!visible_ || !handles_visible_) return -1;
  for (int handle = 0; handle < kHandleCount; ++handle)
    if (HandleRect(view_rect_, handle).Contains(x, y)) return handle;
  return -1;
}

TCropCursor TCropArea::CursorAt(int32_t x, int32_t y) const {
  if (handle_ >= 0) return HandleCursor(handle_);
  if (moving_) return TCropCursor::SizeAll;
  const int handle = HandleAt(x, y);
  if (handle >= 0) return HandleCursor(handle);
  return visible_ && view_rect_.Contains(x, y) ? TCropCursor::SizeAll : TCropCursor::Arrow;
}

bool TCropArea::Press(int32_t x, int32_t y) {
  if (!visible_) return false;
  const int handle = HandleAt(x, y);
  if (handle >= 0) {
    handle_ = handle;
    last_x_ = x;
    last_y_ = y;
    return true;
  }
  if (!view_rect_.Contains(x, y)) return false;
  moving_ = true;
  moved_ = false;
  anchor_x_ = x;
  anchor_y_ = y;
  move_start_ = view_rect_;
  return true;
}

bool TCropArea::MoveTo(int32_t x, int32_t y) {
  const TViewRect bounds = DisplayRect(geometry_);
  if (moving_) {
    const TViewRect r = Constrain(move_start_.Moved(x - anchor_x_, y - anchor_y_), bounds, kConstrainMove);
    if (r == view_rect_) return false;
    moved_ = true;
    Store(r);
    return true;
  }
  if (handle_ < 0) return false;
  const THandleEdges edges = HandleEdges(handle_);
  const int32_t dx = x - last_x_, dy = y - last_y_;
  TViewRect r = view_rect_;
  if (edges.Left) {
    const int32_t left = r.Left + dx;
    if (left >= 0 && r.Right - left > kCropMinSize) r.Left = std::max(left, bounds.Left);
  }
  if (edges.Top) {
    const int32_t top = r.Top + dy;
    if (top >= 0 && r.Bottom - top > kCropMinSize) r.Top = std::max(top, bounds.Top);
  }
  if (edges.Right) r.Right = std::min(r.Right + dx, bounds.Right);
  if (edges.Bottom) r.Bottom = std::min(r.Bottom + dy, bounds.Bottom);
  r = Constrain(r, bounds, kConstrainResize);
  // The handle follows the mouse; while an edge is held back the travel counts from the
  // handle, so that it catches up once the mouse comes back.
  const TViewRect handle = HandleRect(r, handle_);
  if (handle.Contains(x, y)) {
    last_x_ = x;
    last_y_ = y;
  } else {
    last_x_ = handle.Left;
    last_y_ = handle.Top;
  }
  if (r == view_rect_) return false;
  Store(r);
  return true;
}

void TCropArea::Release() {
  if (moving_ && moved_) {
    view_rect_ = Constrain(view_rect_, DisplayRect(geometry_), kConstrainBoth);
    video_rect_ = ViewToPicture(geometry_, view_rect_);
  }
  moving_ = moved_ = false;
  handle_ = -1;
}

bool TCropArea::Key(TCropKey key, bool ctrl, bool shift) {
  if (!visible_ || Busy() || (!ctrl && !shift)) return false;
  const int32_t dx = key == TCropKey::Left ? -1 : key == TCropKey::Right ? 1 : 0;
  const int32_t dy = key == TCropKey::Up ? -1 : key == TCropKey::Down ? 1 : 0;
  TViewRect r = view_rect_;
  const TViewRect bounds = DisplayRect(geometry_);
  if (ctrl) {
    // Shifted back first, so that a nudge against the border leaves the rectangle as it was
    // rather than clipping it smaller.
    r = Constrain(r.Moved(dx, dy), bounds, kConstrainMove);
  } else {
    r.Right += dx;
    r.Bottom += dy;
  }
  r = Constrain(r, bounds, kConstrainBoth);
  if (r == view_rect_) return false;
  Store(r);
  return true;
}

void TCropArea::Store(const TViewRect& r) {
  view_rect_ = r;
  video_rect_ = ViewToPicture(geometry_, view_rect_);
}

}  // namespace fc::gui
