#include "base/units.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qorv {

namespace {

int ToInt(int64_t value) {
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

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

int ClampDpi(int dpi) { return std::clamp(dpi, kMinDpi, kMaxDpi); }

// twips * dpi is exact for every twips value a window can have, so a true half stays a half
// after the one division and the rounding sees it.
int TwipsToPixels(double twips, int dpi) {
  return ToInt(RoundHalfEven(twips * ClampDpi(dpi) / kTwipsPerInch));
}

double PixelsToTwips(int pixels, int dpi) {
  return static_cast<double>(pixels) * kTwipsPerInch / ClampDpi(dpi);
}

int ScaleForDpi(int pixelsAt96, int dpi) {
  return ToInt(RoundHalfEven(static_cast<double>(pixelsAt96) * ClampDpi(dpi) / kDesignDpi));
}

int HimetricToPixels(double himetric) { return ToInt(RoundHalfEven(himetric / kHimetricPerPixel)); }

int16_t ClampToInt16(int64_t value) {
  if (value > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (value < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(value);
}

}  // namespace qorv
