#include "gui/model/credit_overlay.h"

#include <algorithm>
#include <cmath>

namespace fc::gui {

namespace {

// To nearest, halves to even (the default rounding mode).
int32_t Round(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

// a × b / c, or `fallback` where c is 0 (a frame or control of no size).
double Scale(double a, double b, double c, double fallback = 0) { return c > 0 ? a * b / c : fallback; }

}  // namespace

TCreditOverlayGeometry::TCreditOverlayGeometry(int32_t control_width, int32_t control_height, const TBaseInfo& base)
    : width_(std::max(control_width, 0)),
      height_(std::max(control_height, 0)),
      video_height_(std::max(control_height - kControlBarRows, 0)),
      base_width_(std::max(base.Width, 0)),
      base_height_(std::max(base.Height, 0)) {}

int32_t TCreditOverlayGeometry::TextPointSize(int32_t font_size) const {
  // font size / (frame width / control width), the frame's points scaled to the control.
  return Round(Scale(font_size, width_, base_width_, font_size) + 0.5);
}

TOverlayRect TCreditOverlayGeometry::TextRect(const TTextInfo& text) const {
  return {Round(Scale(text.X, width_, base_width_)), Round(Scale(text.Y, video_height_, base_height_)), 0, 0};
}

TOverlayRect TCreditOverlayGeometry::PictureRect(const TImageInfo& image) const {
  double sx, sy;
  if (width_ < image.Width || height_ < image.Height) {
    const double s = std::min(std::min(1.0, Scale(0.9, width_, image.Width, 1.0)),
                              std::min(1.0, Scale(0.9, video_height_, image.Height, 1.0)));
    sx = sy = s;
  } else {
    sx = Scale(1, width_, base_width_);
    sy = Scale(1, video_height_, base_height_);
  }
  return {Round(image.X * sx), Round(image.Y * sy), Round(image.Width * sx), Round(image.Height * sy)};
}

TOverlayRect TCreditOverlayGeometry::Drag(const TOverlayRect& start, int32_t x0, int32_t y0, int32_t x,
                                          int32_t y) const {
  // The cursor is kept off the control bar: the overlay's top ends at 240 of 281 rows.
  const int32_t bottom = height_ * (kPreviewHeight - kControlBarRows) / kPreviewHeight;
  TOverlayRect r = start;
  r.Left = std::clamp(x + start.Left - x0, 0, std::max(0, width_ - start.Width));
  r.Top = std::clamp(y + start.Top - y0, 0, std::max(0, bottom - start.Height));
  return r;
}

TOverlayRect TCreditOverlayGeometry::Resize(const TOverlayRect& start, uint32_t edges, int32_t x0, int32_t y0,
                                            int32_t x, int32_t y) const {
  TOverlayRect r = start;
  if (edges & kEdgeRight) r.Width = x + start.Width - x0;
  if (edges & kEdgeBottom) r.Height = y + start.Height - y0;
  if (edges & kEdgeLeft) {
    r.Width = start.Width + x0 - x;
    if (r.Width > kMinSize) r.Left = x + start.Left - x0;
  }
  if (edges & kEdgeTop) {
    r.Height = start.Height + y0 - y;
    if (r.Height > kMinSize) r.Top = y + start.Top - y0;
  }
  r.Width = std::max(r.Width, kMinSize);
  r.Height = std::max(r.Height, kMinSize);
  return r;
}

void TCreditOverlayGeometry::StoreText(const TOverlayRect& rect, TTextInfo& text) const {
  text.X = Round(Scale(rect.Left, base_width_, width_));
  text.Y = Round(Scale(rect.Top, base_height_, video_height_));
}

void TCreditOverlayGeometry::StorePicture(const TOverlayRect& rect, TImageInfo& image) const {
  image.X = Round(Scale(rect.Left, base_width_, width_));
  image.Y = Round(Scale(rect.Top, base_height_, video_height_));
  image.Width = Round(Scale(rect.Width, base_width_, width_));
  image.Height = Round(Scale(rect.Height, base_height_, video_height_));
}

}  // namespace fc::gui
