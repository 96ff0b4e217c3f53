#include "cli/output_text.h"

#include <algorithm>
#include <cmath>

#include "core/text.h"

namespace fc::cli {

std::string JsonLine(const TJson& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string JsonDocument(const TJson& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string SizeText(uint64_t bytes) {
  if (bytes < 1024) return Format("%lluB", static_cast<unsigned long long>(bytes));
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double v = static_cast<double>(bytes);
  int u = -1;
  while (v >= 1024 && u < 3) v /= 1024, ++u;
  return Format("%.1f%s", v, units[u]);
}

std::string TimeText(double seconds) {
  const auto s = static_cast<long long>(std::max(0.0, std::nearbyint(seconds)));
  return Format("%.2lld:%.2lld:%.2lld", s / 3600, s / 60 % 60, s % 60);
}

}  // namespace fc::cli
