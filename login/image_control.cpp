#include "login/image_control.h"

#include <windowsx.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "base/win/log.h"
#include "base/win/resource.h"

namespace qorv::login {
namespace {

constexpr wchar_t kClassName[] = L"Qorv.ImageControl";
namespace gp = Gdiplus::DllExports;

}  // namespace

HBITMAP DecodeGifResource(int id, COLORREF matte, SIZE* size) {
  auto bytes = win::LoadCustomResource(id, L"GIF");
  if (bytes.empty()) return nullptr;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return nullptr;
  HBITMAP result = nullptr;
  IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                        static_cast<UINT>(bytes.size()));
  Gdiplus::GpBitmap* gif = nullptr;
  if (stream && gp::GdipCreateBitmapFromStream(stream, &gif) == Gdiplus::Ok) {
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(gif, &w);
    gp::GdipGetImageHeight(gif, &h);
    if (w > 0 && h > 0 && w <= 1024 && h <= 1024) {
      BITMAPINFO bmi{};
      bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
      bmi.bmiHeader.biWidth = static_cast<LONG>(w);
      bmi.bmiHeader.biHeight = -static_cast<LONG>(h);
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = 32;
      void* bits = nullptr;
      result = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
      // The frame converted to ARGB straight into the DIB in one call: asking for each pixel on
      // its own cost more than the rest of the login window's buttons together.
      Gdiplus::GpRect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
      Gdiplus::BitmapData target{};
      target.Width = w;
      target.Height = h;
      target.Stride = static_cast<INT>(w * 4);
      target.PixelFormat = PixelFormat32bppARGB;
      target.Scan0 = bits;
      if (result &&
          gp::GdipBitmapLockBits(gif, &all,
                                 Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                 PixelFormat32bppARGB, &target) != Gdiplus::Ok) {
        ::DeleteObject(std::exchange(result, nullptr));
      }
      if (result) {
        gp::GdipBitmapUnlockBits(gif, &target);
        auto* px = static_cast<uint32_t*>(bits);
        const uint32_t key = (GetRValue(matte) << 16) | (GetGValue(matte) << 8) | GetBValue(matte);
        for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i) {
          // A GIF's alpha is all or nothing.
          px[i] = (px[i] >> 24) < 128 ? key : (px[i] & 0x00FFFFFFu);
        }
        if (size) *size = {static_cast<LONG>(w), static_cast<LONG>(h)};
      }
    }
    gp::GdipDisposeImage(gif);
  }
  if (stream) stream->Release();
  Gdiplus::GdiplusShutdown(token);
  return result;
}

bool ImageControl::Create(HWND parent, int x, int y, int gifId, COLORREF keyColour) {
  m_picture.Reset(DecodeGifResource(gifId, keyColour, &m_size));
  if (!m_picture) {
    win::LogError(L"GIF resource " + std::to_wstring(gifId) + L" could not be decoded");
    return false;
  }
  RegisterClassOnce(kClassName, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
  return Window::Create(kClassName, 0, L"", WS_CHILD | WS_VISIBLE, x, y, m_size.cx, m_size.cy,
                        parent) != nullptr;
}

void ImageControl::Paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(Hwnd(), &ps);
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, m_picture.Get());
  ::BitBlt(dc, 0, 0, m_size.cx, m_size.cy, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  ::EndPaint(Hwnd(), &ps);
}

LRESULT ImageControl::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      m_pressed = true;
      ::SetCapture(Hwnd());
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = m_pressed;
      m_pressed = false;
      if (::GetCapture() == Hwnd()) ::ReleaseCapture();
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT rc{0, 0, m_size.cx, m_size.cy};
      // Last: the handler may destroy the parent and this window with it.
      if (wasPressed && ::PtInRect(&rc, pt) && Click) Click();
      return 0;
    }
    case WM_CAPTURECHANGED:
      m_pressed = false;
      return 0;
    default:
      return Window::HandleMessage(msg, wParam, lParam);
  }
}

}  // namespace qorv::login
