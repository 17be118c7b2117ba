// One pixel rectangle, one twips rectangle and one point for every layout. Pixels are a window's
// device pixels at its DPI; twips are the design's units. Twips become pixels only through
// base/units, at the DPI the caller names.
#pragma once

#include <cstdint>

#include "base/units.h"

namespace qorv {

// Edges, as RECT has them. Built only through Edges or Sized, so that four bare numbers never
// mean edges at one call and a size at the next.
struct PixelRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;

  constexpr PixelRect() = default;
  static constexpr PixelRect Edges(int32_t l, int32_t t, int32_t r, int32_t b) {
    PixelRect rect;
    rect.left = l;
    rect.top = t;
    rect.right = r;
    rect.bottom = b;
    return rect;
  }
  static constexpr PixelRect Sized(int32_t x, int32_t y, int32_t w, int32_t h) {
    return Edges(x, y, x + w, y + h);
  }
  constexpr int32_t Width() const { return right - left; }
  constexpr int32_t Height() const { return bottom - top; }
  constexpr PixelRect Moved(int32_t dx, int32_t dy) const {
    return Edges(left + dx, top + dy, right + dx, bottom + dy);
  }
  constexpr bool Contains(int32_t x, int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Origin and size, as the design gives its controls.
struct TwipsRect {
  int64_t left = 0, top = 0, width = 0, height = 0;
  friend constexpr bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

struct Point {
  int64_t x = 0, y = 0;
  friend constexpr bool operator==(const Point&, const Point&) = default;
};

// Origin and size each converted on their own, as a window is moved (MoveWindow takes a size):
// a control keeps its design width in pixels wherever its left edge rounds to.
inline PixelRect ToPixels(const TwipsRect& r, int dpi = kDesignDpi) {
  return PixelRect::Sized(TwipsToPixels(static_cast<double>(r.left), dpi),
                          TwipsToPixels(static_cast<double>(r.top), dpi),
                          TwipsToPixels(static_cast<double>(r.width), dpi),
                          TwipsToPixels(static_cast<double>(r.height), dpi));
}

// The left edge of a control anchored `twipsFromRight` in from the right edge of a window
// widthPx wide: the window's width back in twips, then the edge in pixels, so it rounds as the
// design's arithmetic does.
inline int LeftFromRightEdge(int widthPx, double twipsFromRight, int dpi) {
  return TwipsToPixels(PixelsToTwips(widthPx, dpi) - twipsFromRight, dpi);
}

}  // namespace qorv
