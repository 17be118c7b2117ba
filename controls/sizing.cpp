#include "controls/sizing.h"

#include <cstdlib>

#include "base/units.h"

namespace qorv::controls {

namespace {

bool Near(int64_t a, int64_t b, int tolerance) { return std::llabs(a - b) <= tolerance; }
bool Inside(int64_t v, int64_t lo, int64_t hi, int tolerance) {
  return lo + tolerance < v && v < hi - tolerance;
}

}  // namespace

int HitZone(const PixelRect& w, int32_t x, int32_t y, int dpi) {
  const int t = ScaleForDpi(kSizingTolerance, dpi);
  auto near = [t](int64_t a, int64_t b) { return Near(a, b, t); };
  auto inside = [t](int64_t v, int64_t lo, int64_t hi) { return Inside(v, lo, hi, t); };
  if (near(x, w.left) && near(y, w.bottom)) return kZoneBottomLeft;
  if (near(y, w.top) && near(x, w.left)) return kZoneTopLeft;
  if (near(x, w.right) && near(y, w.bottom)) return kZoneBottomRight;
  if (near(x, w.right) && near(y, w.top)) return kZoneTopRight;
  if (near(y, w.top) && inside(x, w.left, w.right)) return kZoneTop;
  if (near(x, w.right) && inside(y, w.top, w.bottom)) return kZoneRight;
  if (near(y, w.bottom) && inside(x, w.left, w.right)) return kZoneBottom;
  if (near(x, w.left) && inside(y, w.top, w.bottom)) return kZoneLeft;
  return kZoneNone;
}

PixelRect UpdateOutline(PixelRect o, int zone, int32_t x, int32_t y, int dpi) {
  const int minWidth = ScaleForDpi(kOutlineMinWidth, dpi);
  const int minHeight = ScaleForDpi(kOutlineMinHeight, dpi);
  // 64-bit sums: an outline near the coordinate limits must not wrap into a pass.
  auto rightOk = [&] { return int64_t{x} > int64_t{o.left} + minWidth; };
  auto bottomOk = [&] { return int64_t{y} > int64_t{o.top} + minHeight; };
  auto leftOk = [&] { return int64_t{o.right} - x > minWidth; };
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

std::vector<PixelRect> OutlineDrag::Begin(const PixelRect& window, int zone, int dpi) {
  std::vector<PixelRect> draw;
  if (m_active) draw = End();  // a drag never starts over another one's outline
  m_active = true;
  m_zone = zone;
  m_dpi = dpi;
  m_drawn = window;
  draw.push_back(m_drawn);
  return draw;
}

std::vector<PixelRect> OutlineDrag::Move(int32_t x, int32_t y) {
  if (!m_active) return {};
  PixelRect next = UpdateOutline(m_drawn, m_zone, x, y, m_dpi);
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

PixelRect MaximisedOnMonitor(const PixelRect& monitor, const PixelRect& workArea, int dpi) {
  // Through twips at the monitor's DPI, as at the design's: the round trip is exact (an error of
  // a twip is less than half a pixel at any DPI Windows offers).
  const double f = static_cast<double>(kTwipsPerInch) / ClampDpi(dpi);
  const int16_t taskbar = TaskbarHeightTwips(monitor.Height(), workArea.bottom - monitor.top, f, f);
  const TwipsRect b = MaximisedBounds(monitor.Width(), monitor.Height(), taskbar, f, f);
  return ToPixels(b, dpi).Moved(monitor.left, monitor.top);
}

}  // namespace qorv::controls
