#include "updater/kp_progress_bar.h"

#include <utility>

namespace qorv::updater {

KpProgressBar::~KpProgressBar() { Destroy(); }

bool KpProgressBar::CreateBar(HWND parent, int x, int y, int width, HBITMAP skin,
                              const ProgressBarModel::PropertyLookup& stored) {
  RegisterClassOnce(kKpProgressBarClass, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
  win::UniqueBitmap bitmap(skin ? skin
                                : static_cast<HBITMAP>(::LoadImageW(
                                      win::ThisModule(), MAKEINTRESOURCEW(kProgressSkinBitmap),
                                      IMAGE_BITMAP, 0, 0, 0)));
  m_skin = win::BackBuffer::Holding(nullptr, std::move(bitmap));
  m_model.ReadProperties(stored);
  if (!Create(kKpProgressBarClass, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width,
              kProgressBarHeight, parent)) {
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
      ::CreateCompatibleBitmap(window.Get(), width > 0 ? width : 1, kProgressBarHeight)));
}

void KpProgressBar::DrawBar() {
  if (!m_image.Bitmap() || !m_skin.Bitmap()) return;
  // A download sets Value for every 8 KB; the picture changes only when the fill's end moves a
  // pixel, so the same copies are not drawn (and the window not repainted) again.
  std::vector<SkinCopy> copies =
      ProgressBarCopies(m_width, m_model.Min(), m_model.Max(), m_model.Value());
  if (m_imageCurrent && copies == m_drawn) return;
  ::SetStretchBltMode(m_image.Get(), COLORONCOLOR);
  for (const SkinCopy& c : copies) {
    ::StretchBlt(m_image.Get(), c.dstX, 0, c.dstWidth, kProgressBarHeight, m_skin.Get(),
                 c.srcX, 0, c.srcWidth, kProgressSkinSize, SRCCOPY);
  }
  m_drawn = std::move(copies);
  m_imageCurrent = true;
  if (Hwnd()) ::InvalidateRect(Hwnd(), nullptr, FALSE);
}

void KpProgressBar::OnWindowPosChanging(WINDOWPOS& pos) {
  if (!(pos.flags & SWP_NOSIZE)) pos.cy = kProgressBarHeight;
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
