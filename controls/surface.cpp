#include "controls/surface.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace qorv::controls {

namespace {

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

COLORREF ResolveColour(uint32_t colour) {
  if (colour & 0x80000000u) return ::GetSysColor(static_cast<int>(colour & 0xFF));
  return colour & 0x00FFFFFFu;
}

FontDesc DefaultFontDesc() {
  LOGFONTW lf{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  FontDesc d;
  d.face = lf.lfFaceName;
  d.points = 9.0;
  return d;
}

bool FontFaceExists(std::wstring_view face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  bool found = false;
  win::ScreenDC screen;
  ::EnumFontFamiliesExW(screen.Get(), &lf, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

win::UniqueFont CreateFontFromDesc(const FontDesc& desc, int dpi) {
  LOGFONTW lf{};
  if (dpi <= 0) {
    dpi = 96;
    if (win::ScreenDC screen; screen) dpi = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
  }
  double points = std::isfinite(desc.points) ? std::clamp(desc.points, 1.0, 1000.0) : 9.0;
  lf.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
  lf.lfWeight = desc.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = desc.italic;
  lf.lfUnderline = desc.underline;
  lf.lfStrikeOut = desc.strikethrough;
  lf.lfCharSet = static_cast<BYTE>(desc.charset);
  lf.lfQuality = DEFAULT_QUALITY;
  std::wstring face = FontFaceExists(desc.face) ? desc.face : DefaultFontDesc().face;
  face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return win::UniqueFont(::CreateFontIndirectW(&lf));
}

Surface::Surface()
    : m_image(win::BackBuffer::Holding(nullptr, {})), m_fontSelected(m_image.Get()) {
  ::SetBkMode(Dc(), TRANSPARENT);
  ::SetROP2(Dc(), m_drawMode);
  SetForeColor(m_fore);
  SetFont(DefaultFontDesc());
  Make(1, 1);
}

void Surface::Make(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  win::BackBuffer fresh = win::BackBuffer::Compatible(nullptr, width, height);
  if (!fresh) return;  // out of GDI memory: keep drawing into the old image
  RECT all{0, 0, width, height};
  win::UniqueBrush brush(::CreateSolidBrush(ResolveColour(m_back)));
  ::FillRect(fresh.Get(), &all, brush.Get());
  if (m_image.Bitmap())
    ::BitBlt(fresh.Get(), 0, 0, std::min(width, m_width), std::min(height, m_height), Dc(), 0, 0,
             SRCCOPY);
  m_image.PutBitmap(fresh.TakeBitmap());
  m_width = width;
  m_height = height;
}

void Surface::Resize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == m_width && height == m_height) return;
  Make(width, height);
}

void Surface::SetForeColor(uint32_t colour) {
  m_fore = colour;
  ::SetTextColor(Dc(), ResolveColour(colour));
}

void Surface::SetFontDpi(int dpi) {
  if (dpi == m_fontDpi) return;
  m_fontDpi = dpi;
  if (m_font) SetFont(FontDesc(m_fontDesc));
}

void Surface::SetFont(const FontDesc& desc) {
  win::UniqueFont font = CreateFontFromDesc(desc, m_fontDpi);
  if (!font) return;
  m_fontSelected.Select(font.Get());
  m_font = std::move(font);  // the one before is out of the DC now
  m_fontDesc = desc;
}

void Surface::SetDrawMode(int16_t mode) {
  m_drawMode = mode;
  if (mode >= R2_BLACK && mode <= R2_WHITE) ::SetROP2(Dc(), mode);
}

void Surface::Clear() {
  RECT all{0, 0, m_width, m_height};
  win::UniqueBrush brush(::CreateSolidBrush(ResolveColour(m_back)));
  ::FillRect(Dc(), &all, brush.Get());
}

void Surface::Print(int x, int y, std::wstring_view text) {
  if (text.empty()) return;
  // TextOutW takes an int count; nothing past the image's width shows anyway.
  int count = static_cast<int>(std::min<size_t>(text.size(), 1 << 20));
  ::TextOutW(Dc(), x, y, text.data(), count);
}

SIZE Surface::TextExtent(std::wstring_view text) const {
  SIZE size{};
  if (text.empty()) {
    TEXTMETRICW tm{};
    ::GetTextMetricsW(Dc(), &tm);
    size.cy = tm.tmHeight;
    return size;
  }
  int count = static_cast<int>(std::min<size_t>(text.size(), 1 << 20));
  ::GetTextExtentPoint32W(Dc(), text.data(), count, &size);
  return size;
}

void Surface::PaintBitmap(HBITMAP bitmap, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                          int sh) {
  if (!bitmap || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  win::UniqueMemDC source(::CreateCompatibleDC(Dc()));
  win::SelectGuard select(source.Get(), bitmap);
  if (dw == sw && dh == sh) {
    ::BitBlt(Dc(), dx, dy, dw, dh, source.Get(), sx, sy, SRCCOPY);
  } else {
    int oldMode = ::SetStretchBltMode(Dc(), COLORONCOLOR);
    ::StretchBlt(Dc(), dx, dy, dw, dh, source.Get(), sx, sy, sw, sh, SRCCOPY);
    ::SetStretchBltMode(Dc(), oldMode);
  }
}

void Surface::CopyTo(HDC target, const RECT& area) const {
  ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top,
           Dc(), area.left, area.top, SRCCOPY);
}

FormSurface::FormSurface(HWND form, uint32_t backColour) : m_form(form) {
  m_image.SetBackColor(backColour);
  SyncSize();
  m_image.Clear();
}

void FormSurface::SyncSize() {
  RECT rc{};
  ::GetClientRect(m_form, &rc);
  m_image.Resize(rc.right - rc.left, rc.bottom - rc.top);
}

void FormSurface::Refresh() { ::InvalidateRect(m_form, nullptr, FALSE); }

bool FormSurface::HandleMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  switch (msg) {
    case WM_SIZE:
      SyncSize();
      return false;  // the form still lays itself out
    case WM_ERASEBKGND:
      result = 1;  // the image covers everything
      return true;
    case WM_PAINT: {
      win::PaintGuard paint(m_form);
      m_image.CopyTo(paint.Dc(), paint.Ps().rcPaint);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, std::abs(bm.bmHeight)};
}

win::UniqueBitmap MakeGreyedCopy(HBITMAP source) {
  SIZE size = BitmapSize(source);
  if (size.cx <= 0 || size.cy <= 0) return {};
  // The pixels go through a DIB section: read and written in place, without GetDIBits' rule that
  // the bitmap be selected nowhere.
  win::BackBuffer dib = win::BackBuffer::Dib32(nullptr, size.cx, size.cy);
  win::BackBuffer result = win::BackBuffer::Compatible(nullptr, size.cx, size.cy);
  if (!dib || !result) return {};
  {
    win::UniqueMemDC src(::CreateCompatibleDC(nullptr));
    win::SelectGuard s(src.Get(), source);
    ::BitBlt(dib.Get(), 0, 0, size.cx, size.cy, src.Get(), 0, 0, SRCCOPY);
  }
  ::GdiFlush();
  // Luminance, pulled halfway to white: readable as the same button, clearly not clickable.
  uint32_t* bits = dib.Bits();
  for (size_t i = 0, n = static_cast<size_t>(size.cx) * size.cy; i < n; ++i) {
    uint32_t p = bits[i];
    uint32_t b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
    uint32_t y = (r * 299 + g * 587 + b * 114) / 1000;
    uint32_t v = (y + 255 + 1) / 2;
    bits[i] = v | (v << 8) | (v << 16);
  }
  ::BitBlt(result.Get(), 0, 0, size.cx, size.cy, dib.Get(), 0, 0, SRCCOPY);
  return result.TakeBitmap();
}

win::UniqueRegion RegionWithoutColour(HDC dc, int width, int height, COLORREF maskColour) {
  if (width <= 0 || height <= 0) return {};
  win::BackBuffer dib = win::BackBuffer::Dib32(dc, width, height);
  if (!dib) return {};
  ::BitBlt(dib.Get(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
  ::GdiFlush();
  uint32_t mask = (GetRValue(maskColour) << 16) | (GetGValue(maskColour) << 8) |
                  GetBValue(maskColour);
  std::vector<RECT> runs;
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = dib.Bits() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width;) {
      while (x < width && (row[x] & 0xFFFFFF) == mask) ++x;
      int start = x;
      while (x < width && (row[x] & 0xFFFFFF) != mask) ++x;
      if (x > start) runs.push_back(RECT{start, y, x, y + 1});
    }
  }
  if (runs.empty()) return win::UniqueRegion(::CreateRectRgn(0, 0, 0, 0));
  std::vector<std::byte> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* rd = reinterpret_cast<RGNDATA*>(data.data());
  rd->rdh.dwSize = sizeof(RGNDATAHEADER);
  rd->rdh.iType = RDH_RECTANGLES;
  rd->rdh.nCount = static_cast<DWORD>(runs.size());
  rd->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
  rd->rdh.rcBound = RECT{0, 0, width, height};
  std::copy(runs.begin(), runs.end(), reinterpret_cast<RECT*>(rd->Buffer));
  return win::UniqueRegion(
      ::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), rd));
}

}  // namespace qorv::controls
