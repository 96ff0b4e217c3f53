#include "gui/model/track_scale.h"

#include <algorithm>
#include <cmath>

namespace fc::gui {

int BarPosition(double seconds, double length, int bar_min, int bar_max) {
  if (bar_max <= bar_min || !(length > 0) || !std::isfinite(length) || !std::isfinite(seconds)) return bar_min;
  const double steps = static_cast<double>(bar_max - bar_min);
  const double position = std::nearbyint(steps / length * std::clamp(seconds, 0.0, length));
  return bar_min + static_cast<int>(std::clamp(position, 0.0, steps));
}

double BarTime(int position, int bar_min, int bar_max, double length) {
  if (bar_max <= bar_min || !(length > 0) || !std::isfinite(length)) return 0;
  const int clamped = std::clamp(position, bar_min, bar_max);
  return static_cast<double>(clamped - bar_min) * length / static_cast<double>(bar_max - bar_min);
}

}  // namespace fc::gui
