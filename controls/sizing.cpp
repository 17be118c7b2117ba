#include "controls/sizing.h"

#include <cstdlib>

#include "base/units.h"

namespace qorv::controls {

namespace {

bool Near(int64_t a, int64_t b) { return std::llabs(a - b) <= kSizingTolerance; }
bool Inside(int64_t v, int64_t lo, int64_t hi) {
  return lo + kSizingTolerance < v && v < hi - kSizingTolerance;
}

}  // namespace

int HitZone(const PixelRect& w, int32_t x, int32_t y) {
  if (Near(x, w.left) && Near(y, w.bottom)) return kZoneBottomLeft;
  if (Near(y, w.top) && Near(x, w.left)) return kZoneTopLeft;
  if (Near(x, w.right) && Near(y, w.bottom)) return kZoneBottomRight;
  if (Near(x, w.right) && Near(y, w.top)) return kZoneTopRight;
  if (Near(y, w.top) && Inside(x, w.left, w.right)) return kZoneTop;
  if (Near(x, w.right) && Inside(y, w.top, w.bottom)) return kZoneRight;
  if (Near(y, w.bottom) && Inside(x, w.left, w.right)) return kZoneBottom;
  if (Near(x, w.left) && Inside(y, w.top, w.bottom)) return kZoneLeft;
  return kZoneNone;
}

PixelRect UpdateOutline(PixelRect o, int zone, int32_t x, int32_t y) {
  // 64-bit sums: an outline near the coordinate limits must not wrap into a pass.
  auto rightOk = [&] { return int64_t{x} > int64_t{o.left} + kOutlineMinWidth; };
  auto bottomOk = [&] { return int64_t{y} > int64_t{o.top} + kOutlineMinHeight; };
  auto leftOk = [&] { return int64_t{o.right} - x > kOutlineMinWidth; };
  switch (zone) {
    case kZoneTop:
      o.top = y;
      break;
    case kZoneTopRight:
      o.top = y;
      o.right = x;
      break;
    case kZoneRight:
      if (rightOk()) o.right = x;
      break;
    case kZoneBottomRight:
      if (rightOk()) o.right = x;
      if (bottomOk()) o.bottom = y;
      break;
    case kZoneBottom:
      if (bottomOk()) o.bottom = y;
      break;
    case kZoneBottomLeft:
      if (leftOk()) o.left = x;
      if (bottomOk()) o.bottom = y;
      break;
    case kZoneLeft:
      if (leftOk()) o.left = x;
      break;
    case kZoneTopLeft:
      o.top = y;
      o.left = x;
      break;
    default:
      break;
  }
  return o;
}

std::vector<PixelRect> OutlineDrag::Begin(const PixelRect& window, int zone) {
  std::vector<PixelRect> draw;
  if (m_active) draw = End();  // a drag never starts over another one's outline
  m_active = true;
  m_zone = zone;
  m_drawn = window;
  draw.push_back(m_drawn);
  return draw;
}

std::vector<PixelRect> OutlineDrag::Move(int32_t x, int32_t y) {
  if (!m_active) return {};
  PixelRect next = UpdateOutline(m_drawn, m_zone, x, y);
  std::vector<PixelRect> draw{m_drawn, next};
  m_drawn = next;
  return draw;
}

std::vector<PixelRect> OutlineDrag::End() {
  if (!m_active) return {};
  m_active = false;
  return {m_drawn};
}

int16_t TaskbarHeightTwips(int32_t screenHeightPx, int32_t workAreaBottomPx,
                           double twipsPerPixelX, double twipsPerPixelY) {
  if (twipsPerPixelX <= 0 || twipsPerPixelY <= 0) return 0;
  double screenTwips = static_cast<double>(screenHeightPx) * twipsPerPixelY;
  int64_t h = RoundHalfEven((screenTwips / twipsPerPixelX - workAreaBottomPx) * twipsPerPixelX);
  return h < 0 ? 0 : ClampToInt16(h);
}

TwipsRect MaximisedBounds(int32_t screenWidthPx, int32_t screenHeightPx, int16_t taskbarTwips,
                          double twipsPerPixelX, double twipsPerPixelY) {
  TwipsRect b;
  b.width = RoundHalfEven(screenWidthPx * twipsPerPixelX);
  b.height = RoundHalfEven(screenHeightPx * twipsPerPixelY) - taskbarTwips;
  return b;
}

}  // namespace qorv::controls
