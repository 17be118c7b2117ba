#include "startup/layered_image.h"

#include <gdiplus.h>

#include <cstring>

#include "base/win/gdi.h"
#include "base/win/log.h"
#include "base/win/resource.h"

namespace qorv {

namespace gp = Gdiplus::DllExports;

bool LayeredImage::LoadResPng(int id, const wchar_t* typeName) {
  auto bytes = win::LoadCustomResource(id, typeName);
  if (bytes.empty()) return false;
  m_block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!m_block) return false;
  void* dest = ::GlobalLock(m_block);
  if (!dest) return false;
  std::memcpy(dest, bytes.data(), bytes.size());
  ::GlobalUnlock(m_block);
  // The stream does not own the block: the block must outlive the image decoded from it.
  if (FAILED(::CreateStreamOnHGlobal(m_block, FALSE, &m_stream))) return false;
  Gdiplus::GpImage* image = nullptr;
  if (gp::GdipLoadImageFromStream(m_stream, &image) != Gdiplus::Ok) return false;
  m_image = image;
  return true;
}

bool LayeredImage::SetUp(HWND hwnd, int resourceId, bool stripFrame) {
  Release();
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
    m_gdiplusToken = 0;
    win::LogError(L"GDI+ did not start");
    return false;
  }
  if (!LoadResPng(resourceId, L"PNG")) {
    win::LogError(L"PNG resource " + std::to_wstring(resourceId) + L" could not be decoded");
    Release();
    return false;
  }
  UINT width = 0, height = 0;
  auto* image = static_cast<Gdiplus::GpImage*>(m_image);
  gp::GdipGetImageWidth(image, &width);
  gp::GdipGetImageHeight(image, &height);
  if (width == 0 || height == 0 || width > 16384 || height > 16384) {
    Release();
    return false;
  }
  m_size = {static_cast<LONG>(width), static_cast<LONG>(height)};

  // A 32-bit top-down DIB section: premultiplied ARGB is the format UpdateLayeredWindow blends.
  win::WindowDC windowDC(hwnd);
  m_memDC = ::CreateCompatibleDC(windowDC.Get());
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = m_size.cx;
  bmi.bmiHeader.biHeight = -m_size.cy;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  m_bitmap = ::CreateDIBSection(windowDC.Get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!m_memDC || !m_bitmap || !bits) {
    Release();
    return false;
  }
  m_previousBitmap = ::SelectObject(m_memDC, m_bitmap);

  // The whole picture at (0, 0) in its own size is a plain copy: GDI+ converts the decoded pixels
  // straight into the DIB's memory, the same bytes a graphics object over the DIB would draw,
  // without the drawing pass (under Wine that pass was a third of the login background's load).
  Gdiplus::GpRect all(0, 0, m_size.cx, m_size.cy);
  Gdiplus::BitmapData target{};
  target.Width = width;
  target.Height = height;
  target.Stride = m_size.cx * 4;
  target.PixelFormat = PixelFormat32bppPARGB;
  target.Scan0 = bits;
  auto* bitmap = static_cast<Gdiplus::GpBitmap*>(m_image);
  Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
  gp::GdipGetImageType(image, &type);
  if (type != Gdiplus::ImageTypeBitmap ||
      gp::GdipBitmapLockBits(bitmap, &all,
                             Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                             PixelFormat32bppPARGB, &target) != Gdiplus::Ok) {
    win::LogError(L"PNG resource " + std::to_wstring(resourceId) + L" could not be converted");
    Release();
    return false;
  }
  gp::GdipBitmapUnlockBits(bitmap, &target);

  if (stripFrame) {
    LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    ::SetWindowLongW(hwnd, GWL_STYLE, style & ~static_cast<LONG>(WS_CAPTION | WS_THICKFRAME));
  }
  LONG exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
  ::SetWindowLongW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);

  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  POINT source{0, 0};
  SIZE size = m_size;
  // No destination point: the window keeps its position and takes the picture's size.
  if (!::UpdateLayeredWindow(hwnd, windowDC.Get(), nullptr, &size, m_memDC, &source, 0, &blend,
                             ULW_ALPHA)) {
    win::LogError(L"UpdateLayeredWindow failed (error " + std::to_wstring(::GetLastError()) + L")");
  }
  return true;
}

void LayeredImage::Release() {
  if (m_image) gp::GdipDisposeImage(static_cast<Gdiplus::GpImage*>(std::exchange(m_image, nullptr)));
  if (m_gdiplusToken) Gdiplus::GdiplusShutdown(std::exchange(m_gdiplusToken, 0));
  if (m_memDC && m_previousBitmap) ::SelectObject(m_memDC, std::exchange(m_previousBitmap, nullptr));
  if (m_bitmap) ::DeleteObject(std::exchange(m_bitmap, nullptr));
  if (m_memDC) ::DeleteDC(std::exchange(m_memDC, nullptr));
  if (m_stream) std::exchange(m_stream, nullptr)->Release();
  if (m_block) ::GlobalFree(std::exchange(m_block, nullptr));
  m_size = {};
}

}  // namespace qorv
