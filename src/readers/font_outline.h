#pragma once
// Private to the font reader (and its tests): drawing contours of 16.16 points onto an edge
// sink by the rules of line and quadratic-spline records, with cubic arcs approximated by
// quadratics.

#include <cstdint>
#include <vector>

#include "readers/font_reader.h"

namespace fc::detail {

struct OutlinePoint {
  int64_t x = 0, y = 0;  // 16.16, y pointing up
  enum Tag : uint8_t { On, Conic, Cubic } tag = On;
};
using OutlineContour = std::vector<OutlinePoint>;

// Draws every contour (MoveTo, records, Close) and, when anything was drawn, flips the
// outline vertically. Contours with fewer than two points are passed over.
void DrawContours(const std::vector<OutlineContour>& contours, TOutlineSink& edges);

}  // namespace fc::detail
