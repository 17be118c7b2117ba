#include "base/win/borderless.h"

#include "base/win/gdi.h"
#include "base/work_area.h"

namespace qorv::win {

void DragByCaption(HWND hwnd) {
  ::ReleaseCapture();
  if (hwnd) ::SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

POINT CentredOnWorkArea(int width, int height) {
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return {CentredOnArea(work.left, work.right - work.left, width),
          CentredOnArea(work.top, work.bottom - work.top, height)};
}

void RectRgn(HWND hWnd, int16_t right, int16_t bottom, int16_t ellipseWidth,
             int16_t ellipseHeight) {
  UniqueRegion region(::CreateRoundRectRgn(0, 0, right, bottom, ellipseWidth, ellipseHeight));
  if (region && ::SetWindowRgn(hWnd, region.Get(), TRUE)) region.Release();
}

}  // namespace qorv::win
