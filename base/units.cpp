#include "base/units.h"

#include <cmath>
#include <limits>

namespace qorv {

int64_t RoundHalfEven(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double kLimit = 9.0e18;  // beyond this a double has no fraction left anyway
  if (value >= kLimit) return std::numeric_limits<int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<int64_t>::min();
  double floor = std::floor(value);
  double diff = value - floor;
  auto result = static_cast<int64_t>(floor);
  if (diff > 0.5) return result + 1;
  if (diff < 0.5) return result;
  return (result % 2 == 0) ? result : result + 1;
}

int TwipsToPixels(double twips, double twipsPerPixel) {
  if (twipsPerPixel <= 0) return 0;
  int64_t px = RoundHalfEven(twips / twipsPerPixel);
  if (px > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (px < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(px);
}

int HimetricToPixels(double himetric) {
  return TwipsToPixels(himetric, kHimetricPerPixel);
}

int16_t ClampToInt16(int64_t value) {
  if (value > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (value < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(value);
}

}  // namespace qorv
