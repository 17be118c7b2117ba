// Edge sizing of a borderless window, without a window: which edge or corner a point is on, how
// the dotted outline follows the cursor, the outlines to draw so that none stays on the screen,
// and the maximised bounds above a taskbar docked at the bottom of the window's monitor.
#pragma once

#include <cstdint>
#include <vector>

#include "base/geometry.h"

namespace qorv::controls {

// Hit zones, clockwise from the top edge; -1 is none.
inline constexpr int kZoneNone = -1;
inline constexpr int kZoneTop = 0;
inline constexpr int kZoneTopRight = 1;
inline constexpr int kZoneRight = 2;
inline constexpr int kZoneBottomRight = 3;
inline constexpr int kZoneBottom = 4;
inline constexpr int kZoneBottomLeft = 5;
inline constexpr int kZoneLeft = 6;
inline constexpr int kZoneTopLeft = 7;

// Pixels at 96 DPI; at another DPI each is as many pixels more as the DPI is (the same length on
// the screen), so the edges are as easy to catch at 150 % as at 100 %.
inline constexpr int kSizingTolerance = 5;
inline constexpr int kOutlineMinWidth = 800;   // the outline stays wider than this
inline constexpr int kOutlineMinHeight = 600;  // ... and taller than this

// The zone of screen point (x, y) for a window with bounds `window`; corners win over edges.
int HitZone(const PixelRect& window, int32_t x, int32_t y, int dpi = kDesignDpi);

// The outline after the cursor moved to (x, y) while dragging `zone`. The right, bottom and left
// edges stop where the outline would no longer be wider than 800 or taller than 600 pixels; the
// top edge, and the right edge in zone 1 and the left edge in zone 7, do not stop.
PixelRect UpdateOutline(PixelRect outline, int zone, int32_t x, int32_t y, int dpi = kDesignDpi);

// The outlines of one drag, drawn by XOR: Begin draws the window's bounds, every Move removes
// the drawn outline and draws the new one, End removes the drawn one. Every rectangle drawn is
// therefore drawn twice by the end, and nothing stays on the screen.
class OutlineDrag {
 public:
  std::vector<PixelRect> Begin(const PixelRect& window, int zone, int dpi = kDesignDpi);
  std::vector<PixelRect> Move(int32_t x, int32_t y);
  // The outline to move the window to is Drawn(), read before End.
  std::vector<PixelRect> End();
  bool Active() const { return m_active; }
  int Zone() const { return m_zone; }
  const PixelRect& Drawn() const { return m_drawn; }

 private:
  bool m_active = false;
  int m_zone = kZoneNone;
  int m_dpi = kDesignDpi;
  PixelRect m_drawn;
};

// Height in twips of a taskbar docked at the bottom: the screen's height less the work area's
// bottom, both converted with the horizontal factor (the vertical one is not read). Never
// negative: a work area reaching below the screen has no taskbar under it.
int16_t TaskbarHeightTwips(int32_t screenHeightPx, int32_t workAreaBottomPx,
                           double twipsPerPixelX, double twipsPerPixelY);

// Bounds of a maximised window in twips: the whole screen width from (0, 0), the screen height
// less the taskbar.
TwipsRect MaximisedBounds(int32_t screenWidthPx, int32_t screenHeightPx, int16_t taskbarTwips,
                          double twipsPerPixelX, double twipsPerPixelY);

// Where a maximised window goes on a monitor (its rectangle and work area in screen pixels, its
// DPI): the bounds above, taken on that monitor at its DPI. Its whole width from its top-left
// corner, down to the top of a taskbar docked at its bottom; a taskbar at its top or a side is
// covered.
PixelRect MaximisedOnMonitor(const PixelRect& monitor, const PixelRect& workArea, int dpi);

}  // namespace qorv::controls
