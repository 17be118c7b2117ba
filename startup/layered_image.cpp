#include "startup/layered_image.h"

#include <cstring>
#include <string>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/gdi.h"
#include "base/win/log.h"
#include "base/win/picture.h"

namespace qorv {

namespace {

RECT WorkAreaOf(HWND hwnd) {
  HMONITOR monitor = hwnd ? ::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST)
                          : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor && ::GetMonitorInfoW(monitor, &info)) return info.rcWork;
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

void BecomeLayered(HWND hwnd, bool stripFrame) {
  if (stripFrame) {
    LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    ::SetWindowLongW(hwnd, GWL_STYLE, style & ~static_cast<LONG>(WS_CAPTION | WS_THICKFRAME));
  }
  LONG exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
  ::SetWindowLongW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
}

void Present(HWND hwnd, HDC windowDC, HDC pictureDC, SIZE size) {
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  POINT source{0, 0};
  // No destination point: the window keeps its position and takes the picture's size.
  if (!::UpdateLayeredWindow(hwnd, windowDC, nullptr, &size, pictureDC, &source, 0, &blend,
                             ULW_ALPHA)) {
    win::LogError(L"UpdateLayeredWindow failed (error " + std::to_wstring(::GetLastError()) + L")");
  }
}

}  // namespace

PixelImage LayeredPictureFor(HWND hwnd, int resourceId, int dpi) {
  PixelImage picture = win::LoadPictureAtDpi(L"PNG", resourceId, dpi);
  const RECT work = WorkAreaOf(hwnd);
  const PixelSize fitted = FitWithin(picture.width, picture.height, work.right - work.left,
                                     work.bottom - work.top);
  if (fitted.width != picture.width || fitted.height != picture.height) {
    picture = Resample(picture, fitted.width, fitted.height);
  }
  return picture;
}

bool LayeredImage::SetUp(HWND hwnd, int resourceId, bool stripFrame) {
  PixelImage picture = LayeredPictureFor(hwnd, resourceId, win::DpiOf(hwnd));
  if (picture.pixels.empty()) {
    win::LogError(L"PNG resource " + std::to_wstring(resourceId) + L" could not be decoded");
    return false;
  }
  return SetUp(hwnd, picture, stripFrame);
}

bool LayeredImage::SetUp(HWND hwnd, const PixelImage& picture, bool stripFrame) {
  Release();
  win::WindowDC windowDC(hwnd);
  // Premultiplied BGRA in a 32-bit DIB section is the form UpdateLayeredWindow blends: the pixels
  // go in as they are.
  win::BackBuffer buffer = win::BackBuffer::Holding(windowDC.Get(), win::BitmapFromPixels(picture));
  if (!buffer || !buffer.Bitmap()) {
    win::LogError(L"no memory for a layered picture of " + std::to_wstring(picture.width) + L" x " +
                  std::to_wstring(picture.height));
    return false;
  }
  BecomeLayered(hwnd, stripFrame);
  m_size = {picture.width, picture.height};
  Present(hwnd, windowDC.Get(), buffer.Get(), m_size);
  return true;
}

}  // namespace qorv
