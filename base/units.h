// Twips, pixels and HIMETRIC: the units the window layouts are given in, and the one rounding
// rule every conversion uses. The design is in twips (1440 to the inch); a pixel is 1440/DPI
// twips at the window's DPI, 15 at the design's 96.
#pragma once

#include <cstdint>

namespace qorv {

inline constexpr int kDesignDpi = 96;
inline constexpr int kMinDpi = 96;
inline constexpr int kMaxDpi = 480;   // 500 %, the most Windows offers
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kTwipsPerPixel = kTwipsPerInch / kDesignDpi;  // at the design's DPI
inline constexpr double kHimetricPerPixel = 26.45836; // 2540 per inch at 96 DPI

// Nearest integer, halves to the even neighbour (banker's rounding). std::round sends halves
// away from zero, which moves layouts by a pixel at every .5.
int64_t RoundHalfEven(double value);

// A DPI the layouts can trust: a failed query (0), a broken driver or a value from a setting
// outside what Windows offers ends up at the nearest end of 96..480.
int ClampDpi(int dpi);

// The one conversion from design units: twips * dpi / 1440, halves to even, at the clamped DPI.
int TwipsToPixels(double twips, int dpi = kDesignDpi);
double PixelsToTwips(int pixels, int dpi = kDesignDpi);
// A size drawn in pixels at 96 DPI (a border width, an artwork's size) at another DPI.
int ScaleForDpi(int pixelsAt96, int dpi);
int HimetricToPixels(double himetric);

// A 16-bit integer slot: values outside the range wrap as a 16-bit store would not; they clamp,
// so a huge window cannot turn into a negative region size.
int16_t ClampToInt16(int64_t value);

}  // namespace qorv
