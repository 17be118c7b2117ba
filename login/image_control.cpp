#include "login/image_control.h"

#include <windowsx.h>

#include <cstdint>
#include <utility>

#include "base/win/dpi.h"
#include "base/win/log.h"
#include "base/win/picture.h"

namespace qorv::login {
namespace {

constexpr wchar_t kClassName[] = L"Qorv.ImageControl";
constexpr int kLargestSide = 1024 * 5;  // the buttons are 40 x 40 at 96 DPI; 500 % is 200

}  // namespace

HBITMAP DecodeGifResource(int id, COLORREF matte, SIZE* size, int dpi) {
  const uint32_t key = (GetRValue(matte) << 16) | (GetGValue(matte) << 8) | GetBValue(matte);
  win::PictureCuts cuts;
  cuts.key = key;
  // A GIF's alpha is all or nothing; scaled art is made so again around the key.
  PixelImage picture = win::PictureAtDpi(L"GIF", id, dpi, cuts);
  if (picture.width > kLargestSide || picture.height > kLargestSide) return nullptr;
  if (size && size->cx > 0 && size->cy > 0 &&
      (size->cx != picture.width || size->cy != picture.height)) {
    picture = ResizeKeyedPicture(picture, key, size->cx, size->cy);
  }
  win::UniqueBitmap bitmap = win::BitmapFromPixels(picture);
  if (bitmap && size) *size = {picture.width, picture.height};
  return bitmap.Release();
}

bool ImageControl::Create(HWND parent, int x, int y, int gifId, COLORREF keyColour, SIZE size) {
  m_size = size;
  m_picture.Reset(DecodeGifResource(gifId, keyColour, &m_size, win::DpiOf(parent)));
  if (!m_picture) {
    win::LogError(L"GIF resource " + std::to_wstring(gifId) + L" could not be decoded");
    return false;
  }
  RegisterClassOnce(kClassName, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
  return Window::Create(kClassName, 0, L"", WS_CHILD | WS_VISIBLE, x, y, m_size.cx, m_size.cy,
                        parent) != nullptr;
}

void ImageControl::Paint() {
  win::PaintGuard paint(Hwnd());
  win::UniqueMemDC mem(::CreateCompatibleDC(paint.Dc()));
  win::SelectGuard select(mem.Get(), m_picture.Get());
  ::BitBlt(paint.Dc(), 0, 0, m_size.cx, m_size.cy, mem.Get(), 0, 0, SRCCOPY);
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
