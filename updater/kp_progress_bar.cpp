#include "updater/kp_progress_bar.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/picture.h"

namespace qorv::updater {

KpProgressBar::~KpProgressBar() { Destroy(); }

bool KpProgressBar::CreateBar(HWND parent, int x, int y, int width, HBITMAP skin,
                              const ProgressBarModel::PropertyLookup& stored) {
  RegisterClassOnce(kKpProgressBarClass, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
  m_dpi = win::DpiOf(parent);
  m_ownSkin = !skin;
  if (skin) {
    m_skin = win::BackBuffer::Holding(nullptr, win::UniqueBitmap(skin));
    m_skinDpi = kDesignDpi;  // a given skin is the design's 10 x 10
  } else {
    LoadSkin();
  }
  m_model.ReadProperties(stored);
  if (!Create(kKpProgressBarClass, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width,
              Height(), parent)) {
    return false;
  }
  if (!m_image.Bitmap()) {  // no WM_SIZE came with the creation
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    OnSize(client.right);
  }
  m_model.ClearChanged();
  return true;
}

void KpProgressBar::LoadSkin() {
  // Made at the bar's DPI from the finer art, its parts cut apart, so the ends copy 1:1.
  m_skin = win::BackBuffer::Holding(
      nullptr, m_dpi == kDesignDpi
                   ? win::UniqueBitmap(static_cast<HBITMAP>(::LoadImageW(
                         win::ThisModule(), MAKEINTRESOURCEW(kProgressSkinBitmap), IMAGE_BITMAP,
                         0, 0, 0)))
                   : win::PictureForDpi(kProgressSkinBitmap, m_dpi,
                                        win::PictureCuts{kProgressSkinColumns, {}, std::nullopt}));
  m_skinDpi = m_dpi;
}

int KpProgressBar::Height() const { return ScaleForDpi(kProgressBarHeight, m_dpi); }

void KpProgressBar::SetDpi(int dpi) {
  m_dpi = ClampDpi(dpi);
  if (m_ownSkin && m_skinDpi != m_dpi) LoadSkin();
  if (!Hwnd()) return;
  RECT client{};
  ::GetClientRect(Hwnd(), &client);
  ::SetWindowPos(Hwnd(), nullptr, 0, 0, client.right, Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  OnSize(client.right);  // a new height, or the same size with a new skin: drawn again
}

bool KpProgressBar::SetMin(int32_t v) {
  bool taken = m_model.SetMin(v);
  if (taken) DrawBar();
  return taken;
}

bool KpProgressBar::SetMax(int32_t v) {
  bool taken = m_model.SetMax(v);
  if (taken) DrawBar();
  return taken;
}

bool KpProgressBar::SetValue(int32_t v) {
  bool taken = m_model.SetValue(v);
  if (taken) DrawBar();
  return taken;
}

void KpProgressBar::MakeImage(int width) {
  m_image.TakeBitmap();  // the old size's image goes, whether or not a new one can be made
  m_imageCurrent = false;
  m_width = width;
  win::WindowDC window(Hwnd());
  if (!m_image) m_image = win::BackBuffer::Holding(window.Get(), {});
  m_image.PutBitmap(win::UniqueBitmap(
      ::CreateCompatibleBitmap(window.Get(), width > 0 ? width : 1, Height())));
}

void KpProgressBar::DrawBar() {
  if (!m_image.Bitmap() || !m_skin.Bitmap()) return;
  // A download sets Value for every 8 KB; the picture changes only when the fill's end moves a
  // pixel, so the same copies are not drawn (and the window not repainted) again.
  std::vector<SkinCopy> copies =
      ProgressBarCopies(m_width, m_model.Min(), m_model.Max(), m_model.Value(), m_dpi);
  if (m_imageCurrent && copies == m_drawn) return;
  ::SetStretchBltMode(m_image.Get(), COLORONCOLOR);
  for (const SkinCopy& c : copies) {
    // A skin given at the design's size: its columns are found at the design's pixels.
    const int srcX = MulDiv(c.srcX, m_skinDpi, m_dpi), srcWidth = MulDiv(c.srcWidth, m_skinDpi, m_dpi);
    ::StretchBlt(m_image.Get(), c.dstX, 0, c.dstWidth, Height(), m_skin.Get(), srcX, 0,
                 std::max(srcWidth, 1), ScaleForDpi(kProgressSkinSize, m_skinDpi), SRCCOPY);
  }
  m_drawn = std::move(copies);
  m_imageCurrent = true;
  if (Hwnd()) ::InvalidateRect(Hwnd(), nullptr, FALSE);
}

void KpProgressBar::OnWindowPosChanging(WINDOWPOS& pos) {
  if (!(pos.flags & SWP_NOSIZE)) pos.cy = Height();
}

void KpProgressBar::OnSize(int width) {
  MakeImage(width);
  if (m_model.Max() != 0) DrawBar();
}

void KpProgressBar::OnPaint() {
  win::PaintGuard paint(Hwnd());
  if (!m_image) return;
  const RECT& r = paint.Ps().rcPaint;
  ::BitBlt(paint.Dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, m_image.Get(), r.left,
           r.top, SRCCOPY);
}

LRESULT KpProgressBar::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_SIZE:
      OnSize(static_cast<int>(LOWORD(lParam)));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the image covers the whole bar
    case WM_PAINT:
      OnPaint();
      return 0;
  }
  return Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qorv::updater
