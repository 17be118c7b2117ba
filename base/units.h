// Twips, pixels and HIMETRIC: the units the window layouts are given in, and the one rounding
// rule every conversion uses.
#pragma once

#include <cstdint>

namespace qorv {

inline constexpr int kTwipsPerPixel = 15;            // at the usual 96 DPI
inline constexpr double kHimetricPerPixel = 26.45836; // 2540 per inch at 96 DPI

// Nearest integer, halves to the even neighbour (banker's rounding). std::round sends halves
// away from zero, which moves layouts by a pixel at every .5.
int64_t RoundHalfEven(double value);

int TwipsToPixels(double twips, double twipsPerPixel = kTwipsPerPixel);
inline constexpr int PixelsToTwips(int pixels, int twipsPerPixel = kTwipsPerPixel) {
  return pixels * twipsPerPixel;
}
int HimetricToPixels(double himetric);

// A 16-bit integer slot: values outside the range wrap as a 16-bit store would not; they clamp,
// so a huge window cannot turn into a negative region size.
int16_t ClampToInt16(int64_t value);

}  // namespace qorv
