#include "base/win/borderless.h"

#include "base/win/handles.h"

namespace qorv::win {

void DragByCaption(HWND hwnd) {
  ::ReleaseCapture();
  if (hwnd) ::SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void RectRgn(HWND hWnd, int16_t right, int16_t bottom, int16_t ellipseWidth,
             int16_t ellipseHeight) {
  UniqueRegion region(::CreateRoundRectRgn(0, 0, right, bottom, ellipseWidth, ellipseHeight));
  if (region && ::SetWindowRgn(hWnd, region.Get(), TRUE)) region.Release();
}

}  // namespace qorv::win
