#include "gamewindow/rect_rgn.h"

#include "base/win/gdi.h"

namespace qorv::gamewindow {

void RectRgn(HWND hWnd, int16_t right, int16_t bottom, int16_t ellipseWidth,
             int16_t ellipseHeight) {
  win::UniqueRegion region(
      ::CreateRoundRectRgn(0, 0, right, bottom, ellipseWidth, ellipseHeight));
  if (region && ::SetWindowRgn(hWnd, region.Get(), TRUE)) region.Release();
}

}  // namespace qorv::gamewindow
