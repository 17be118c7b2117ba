#include "base/win/gdi.h"

#include <cstdlib>

namespace qorv::win {

BackBuffer& BackBuffer::operator=(BackBuffer&& o) noexcept {
  if (this != &o) {
    Reset();
    m_dc = std::exchange(o.m_dc, nullptr);
    m_bitmap = std::exchange(o.m_bitmap, nullptr);
    m_original = std::exchange(o.m_original, nullptr);
    m_bits = std::exchange(o.m_bits, nullptr);
  }
  return *this;
}

namespace {

BackBuffer Refuse(BackBuffer::Refused step, BackBuffer::Refused* refused) {
  if (refused) *refused = step;
  return {};
}

}  // namespace

BackBuffer BackBuffer::Compatible(HDC like, int width, int height, Refused* refused) {
  ScreenDC screen;
  if (!like && !screen) return Refuse(Refused::kScreen, refused);
  if (!like) like = screen.Get();
  // Windows refuses a negative size; some GDI implementations take its absolute value.
  UniqueBitmap bitmap(width < 0 || height < 0 ? nullptr
                                              : ::CreateCompatibleBitmap(like, width, height));
  if (!bitmap) return Refuse(Refused::kBitmap, refused);
  return Holding(like, std::move(bitmap), refused);
}

BackBuffer BackBuffer::Dib32(HDC like, int width, int height, Refused* refused) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  UniqueBitmap dib(width < 0 || height < 0
                       ? nullptr
                       : ::CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib) return Refuse(Refused::kBitmap, refused);
  BackBuffer out = Holding(like, std::move(dib), refused);
  if (out) out.m_bits = static_cast<uint32_t*>(bits);
  return out;
}

BackBuffer BackBuffer::Holding(HDC like, UniqueBitmap bitmap, Refused* refused) {
  ScreenDC screen;
  if (!like && !screen) return Refuse(Refused::kScreen, refused);
  BackBuffer out;
  out.m_dc = ::CreateCompatibleDC(like ? like : screen.Get());
  if (!out.m_dc) return Refuse(Refused::kDc, refused);
  out.m_original = ::GetCurrentObject(out.m_dc, OBJ_BITMAP);
  if (bitmap) {
    ::SelectObject(out.m_dc, bitmap.Get());
    out.m_bitmap = bitmap.Release();
  }
  if (refused) *refused = Refused::kNothing;
  return out;
}

SIZE BackBuffer::Size() const {
  BITMAP bm{};
  if (!m_bitmap || !::GetObjectW(m_bitmap, sizeof(bm), &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, std::abs(bm.bmHeight)};
}

void BackBuffer::PutBitmap(UniqueBitmap bitmap) {
  if (!m_dc || !bitmap) return;
  ::SelectObject(m_dc, bitmap.Get());
  UniqueBitmap before(std::exchange(m_bitmap, bitmap.Release()));  // out of the DC now
  m_bits = nullptr;
}

UniqueBitmap BackBuffer::TakeBitmap() {
  if (!m_dc || !m_bitmap || !m_original) return {};
  ::SelectObject(m_dc, m_original);
  m_bits = nullptr;
  return UniqueBitmap(std::exchange(m_bitmap, nullptr));
}

HDC BackBuffer::Release() {
  m_bitmap = nullptr;
  m_original = nullptr;
  m_bits = nullptr;
  return std::exchange(m_dc, nullptr);
}

void BackBuffer::Reset(HDC memoryDc) {
  HDC dc = std::exchange(m_dc, memoryDc);
  HBITMAP bitmap = std::exchange(m_bitmap, nullptr);
  HGDIOBJ original = std::exchange(m_original, nullptr);
  m_bits = nullptr;
  if (memoryDc) m_bitmap = static_cast<HBITMAP>(::GetCurrentObject(memoryDc, OBJ_BITMAP));
  if (!dc) return;
  if (original) ::SelectObject(dc, original);
  ::DeleteDC(dc);
  // A DC that never held a bitmap of ours reports its stock one; deleting a stock object is
  // ignored.
  if (bitmap) ::DeleteObject(bitmap);
}

}  // namespace qorv::win
