#pragma once
// Private to the font reader (and its tests): drawing contours of 16.16 points onto an edge
// sink by the rules of line and quadratic-spline records, with cubic arcs approximated by
// quadratics.

#include <cstdint>
#include <vector>

#include "readers/font_reader.h"

namespace fc::detail {

struct TOutlinePoint {
  int64_t X = 0, Y = 0;  // 16.16, y pointing up
  enum TTag : uint8_t { On, Conic, Cubic } Tag = On;
};
using TOutlineContour = std::vector<TOutlinePoint>;

// Draws every contour (MoveTo, records, Close) and, when anything was drawn, flips the
// outline vertically. Contours with fewer than two points are passed over.
void DrawContours(const std::vector<TOutlineContour>& contours, TOutlineSink& edges);

}  // namespace fc::detail
