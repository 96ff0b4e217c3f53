#pragma once
// Measures on the harness's screenshots, shared by the tests of the template movies.

#include <cstdint>
#include <cstdlib>

#include "player_harness.h"

namespace fc::test {

// The share of the pixels in a rectangle that are close to a colour.
inline double ShareNear(const Image& image, int x0, int y0, int x1, int y1, uint32_t rgb, int tolerance = 24) {
  int near = 0, all = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++all) {
      const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      near += std::abs(p[0] - int(rgb >> 16 & 255)) < tolerance && std::abs(p[1] - int(rgb >> 8 & 255)) < tolerance &&
              std::abs(p[2] - int(rgb & 255)) < tolerance;
    }
  return all ? double(near) / all : 0;
}

// The mean brightness (0..255, the mean of the colour channels) of a rectangle.
inline double MeanBrightness(const Image& image, int x0, int y0, int x1, int y1) {
  double sum = 0;
  int all = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++all) {
      const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      sum += (p[0] + p[1] + p[2]) / 3.0;
    }
  return all ? sum / all : 0;
}

}  // namespace fc::test
