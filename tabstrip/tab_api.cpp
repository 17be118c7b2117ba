#include "tabstrip/tab_api.h"

#include <utility>

#include "base/text.h"
#include "tabstrip/tab_layout.h"

namespace qorv::tabstrip {

TabApiError::TabApiError(const wchar_t* description)
    : std::runtime_error(WideToUtf8(description)), m_description(description) {}

BOOL ModifyStyle(HWND hWnd, int index, DWORD remove, DWORD add, UINT swpFlags) {
  auto old = static_cast<DWORD>(::GetWindowLongW(hWnd, index));
  DWORD now = (old & ~remove) | add;
  if (now == old) return FALSE;
  ::SetWindowLongW(hWnd, index, static_cast<LONG>(now));
  if (swpFlags != 0) {
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                   swpFlags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return FALSE;
}

namespace {

[[noreturn]] void Throw(win::BackBuffer::Refused refused) {
  switch (refused) {
    case win::BackBuffer::Refused::kScreen: throw TabApiError(kErrGetDC);
    case win::BackBuffer::Refused::kBitmap: throw TabApiError(kErrCreateCompatibleBitmap);
    default: throw TabApiError(kErrCreateCompatibleDC);
  }
}

}  // namespace

HDC CreateMemoryDC(int cx, int cy) {
  win::BackBuffer::Refused refused{};
  win::BackBuffer buffer = win::BackBuffer::Compatible(nullptr, cx, cy, &refused);
  if (!buffer) Throw(refused);
  return buffer.Release();
}

HDC CreateBitmapDC(HBITMAP bitmap) {
  win::BackBuffer::Refused refused{};
  win::UniqueBitmap taken(bitmap);
  win::BackBuffer buffer = win::BackBuffer::Holding(nullptr, std::move(taken), &refused);
  if (!buffer) {
    taken.Release();  // refused before the DC took it: still the caller's
    Throw(refused);
  }
  return buffer.Release();
}

int DeleteMemoryDC(HDC dc) {
  win::BackBuffer owner(dc);
  return 1;
}

BOOL DrawSkinImage(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                   int left, int top, int right, int bottom, std::optional<COLORREF> transparent) {
  auto plan = PlanSkinImage(w, h, sx, sy, sw, sh, left, top, right, bottom);
  if (plan.empty()) return FALSE;
  UniqueMemoryDC temp(CreateMemoryDC(w, h));
  ComposeSkinPieces(temp.Get(), src, plan);
  if (transparent) {
    return ::TransparentBlt(dst, x, y, w, h, temp.Get(), 0, 0, w, h, *transparent);
  }
  return ::BitBlt(dst, x, y, w, h, temp.Get(), 0, 0, SRCCOPY);
}

void ComposeSkinPieces(HDC dst, HDC src, const std::vector<SkinBlit>& plan) {
  ::SetStretchBltMode(dst, HALFTONE);
  ::SetBrushOrgEx(dst, 0, 0, nullptr);  // halftone needs its brush origin reset
  for (const SkinBlit& b : plan) {
    if (b.stretch) {
      ::StretchBlt(dst, b.dst.left, b.dst.top, b.dst.Width(), b.dst.Height(), src, b.src.left,
                   b.src.top, b.src.Width(), b.src.Height(), SRCCOPY);
    } else {
      ::BitBlt(dst, b.dst.left, b.dst.top, b.dst.Width(), b.dst.Height(), src, b.src.left,
               b.src.top, SRCCOPY);
    }
  }
}

BOOL TransparentCopy(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy,
                     COLORREF transparent) {
  return ::TransparentBlt(dst, x, y, w, h, src, sx, sy, w, h, transparent);
}

int DrawTextBox(HDC dc, const std::wstring& text, int count, int x, int y, int w, int h,
                UINT format) {
  RECT rc{x, y, x + w, y + h};
  return ::DrawTextW(dc, text.c_str(), count, &rc, format);
}

void DrawCaption(HDC hdc, const std::wstring& text, int x, int y, int w, int h) {
  SIZE size{};
  ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
  CaptionPlan plan = PlanCaption(x, y, w, h, size.cx, size.cy);
  if (!plan.draw) return;
  // Captions are page titles, not mnemonics: an "&" is shown as it is.
  DrawTextBox(hdc, text, -1, plan.box.left, plan.box.top, plan.box.Width(), plan.box.Height(),
              plan.format | DT_NOPREFIX);
}

}  // namespace qorv::tabstrip
