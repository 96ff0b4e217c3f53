#pragma once
// Small helpers shared by the media readers (private to the library).

#include <cmath>
#include <cstdint>
#include <limits>

namespace fc::detail {

inline uint16_t ReadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t ReadBE24(const uint8_t* p) { return (uint32_t{p[0]} << 16) | (p[1] << 8) | p[2]; }
inline uint32_t ReadBE32(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
inline uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLE32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

// Nearest integer, halves to even; NaN gives 0 and values beyond the range saturate.
inline int64_t RoundToInt64(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(v);
  if (r >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (r <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(r);
}

inline uint16_t ClampToU16(int64_t v) {
  return static_cast<uint16_t>(v < 0 ? 0 : v > 65535 ? 65535 : v);
}

}  // namespace fc::detail
