#include "controls/bform.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "base/units.h"
#include "base/win/borderless.h"
#include "base/win/dpi.h"
#include "base/win/mouse_args.h"
#include "base/win/picture.h"
#include "controls/frame_skin.h"

namespace qorv::controls {

namespace {

constexpr uint32_t kDesignBackColor = 0xDEDEDE;
// WM_DPICHANGED_BEFOREPARENT and _AFTERPARENT, from Windows 10 1703 (above the WINVER we build
// for): sent to the children of a per-monitor (v2) window that moved to another DPI.
constexpr UINT kDpiChangedBeforeParent = 0x02E2;
constexpr UINT kDpiChangedAfterParent = 0x02E3;
int BarHeightPx(int dpi) { return TwipsToPixels(kTitleBarHeight, dpi); }

void SetArrow() { ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }

}  // namespace

BForm::BForm() {
  m_image.SetBackColor(kDesignBackColor);
  m_image.SetForeColor(0xFFFFFF);
  FontDesc font;
  font.face = FontFaceExists(kBFormCaptionFace) ? kBFormCaptionFace : DefaultFontDesc().face;
  font.points = 9;
  font.bold = true;
  font.charset = 134;  // GB2312: the caption's glyphs
  m_image.SetFont(font);
}

BForm::~BForm() {
  m_life.End();
  Destroy();
}

bool BForm::Create(HWND parent, int x, int y, int width, PropertyBag* bag, int controlId) {
  RegisterClassOnce(kBFormClass, CS_DBLCLKS, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
  // A child has its top-level window's DPI, which changes with the monitor.
  m_dpi = win::DpiOf(parent);
  m_image.SetFontDpi(m_dpi);
  LoadSkin(m_dpi);
  HWND hwnd = win::Window::Create(kBFormClass, 0, L"", WS_CHILD | WS_CLIPSIBLINGS, x, y,
                                  std::max(width, 0), BarHeightPx(m_dpi), parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
  if (!hwnd) return false;
  // The bar is the background of the title area: the host's logo, tabs and buttons sit on it.
  ::SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (bag) {
    ReadProperties(*bag);
  } else {
    InitProperties();
  }
  PaintTitle();
  ::ShowWindow(hwnd, SW_SHOWNA);
  return true;
}

// ---- properties ----

std::wstring BForm::BackColor() const {
  return std::to_wstring(static_cast<int32_t>(m_image.BackColor()));
}

void BForm::ApplyBackColor(uint32_t colour) { m_image.SetBackColor(colour); }

bool BForm::SetBackColor(std::wstring_view text) {
  auto value = ParseInt32Text(text);
  if (!value) return false;
  ApplyBackColor(static_cast<uint32_t>(*value));
  PaintTitle();
  m_changed.Mark(L"BackColor");
  return true;
}

void BForm::SetCaption(std::wstring caption) {
  m_caption = std::move(caption);
  PaintTitle();
  m_changed.Mark(L"Caption");
}

void BForm::SetfrmHwnd(HWND hwnd) {
  m_frmHwnd = hwnd;
  m_changed.Mark(L"frmHwnd");
}

void BForm::SetHasLogo(bool hasLogo) {
  m_hasLogo = hasLogo;
  PaintTitle();
  m_changed.Mark(L"HasLogo");
}

// ---- painting ----

// The skin at the window's DPI, made again when the window has moved to another: every piece's
// edges are cuts (see ScalePicture), so a piece cut out at its scaled edges is whole, with
// nothing of its neighbour in the skin blended in.
void BForm::LoadSkin(int dpi) {
  std::vector<int> xs, ys;
  for (int i = 0; i <= static_cast<int>(FramePiece::BottomRight); ++i) {
    const TwipsRect r = PieceSource(static_cast<FramePiece>(i));
    for (int64_t x : {r.left, r.left + r.width})
      xs.push_back(static_cast<int>(RoundHalfEven(x / double{kTwipsPerPixel})));
    for (int64_t y : {r.top, r.top + r.height})
      ys.push_back(static_cast<int>(RoundHalfEven(y / double{kTwipsPerPixel})));
  }
  m_skin = win::PictureForDpi(kFrameSkinResource, dpi, win::PictureCuts{xs, ys, std::nullopt});
  m_skinDpi = dpi;
}

// A piece is cut and clipped in the design's pixels against the target's extent at 96, then each
// of its edges goes to the target's DPI on its own, in the target and in the skin made at that
// DPI, so that tiles still meet edge to edge and the borders keep their width on the screen.
void BForm::PaintPiece(Surface& target, const Placement& placement, int dpi) {
  if (!m_skin) return;  // not created yet, or no skin to be had
  if (dpi != m_skinDpi) LoadSkin(dpi);
  if (!m_skin) return;
  const int skinWidth = kFrameSkinWidth / kTwipsPerPixel,
            skinHeight = kFrameSkinHeight / kTwipsPerPixel;
  TwipsRect source = PieceSource(placement.piece);
  auto at96 = [dpi](int px) {
    return static_cast<int>(std::ceil(PixelsToTwips(px, dpi) / kTwipsPerPixel));
  };
  auto blit = ClipPiece(source, placement.x, placement.y, skinWidth, skinHeight,
                        at96(target.Width()), at96(target.Height()));
  if (!blit) return;
  auto scaled = [dpi](int from, int length) {
    const int a = ScaleForDpi(from, dpi);
    return std::pair{a, ScaleForDpi(from + length, dpi) - a};
  };
  const auto [x0, w] = scaled(blit->dstX, blit->w);
  const auto [y0, h] = scaled(blit->dstY, blit->h);
  const auto [sx, sw] = scaled(blit->srcX, blit->w);
  const auto [sy, sh] = scaled(blit->srcY, blit->h);
  target.PaintBitmap(m_skin.Get(), x0, y0, w, h, sx, sy, sw, sh);
}

void BForm::SetDpi(int dpi) {
  dpi = ClampDpi(dpi);
  if (dpi == m_dpi) return;
  m_dpi = dpi;
  // The font the system DPI would give stays the size it was on the monitor the program started
  // on; the caption is printed at the bar's own DPI.
  m_image.SetFontDpi(m_dpi);
  // The height follows m_dpi (WM_WINDOWPOSCHANGING); the size change repaints at the new DPI.
  RECT rc{};
  if (Hwnd() && ::GetClientRect(Hwnd(), &rc) && rc.bottom != BarHeightPx(m_dpi)) {
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, rc.right, BarHeightPx(m_dpi),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    PaintTitle();
  }
}

void BForm::PaintTitle() {
  m_image.Clear();
  const int dpi = m_dpi;
  const int64_t width = RoundHalfEven(PixelsToTwips(m_image.Width(), dpi));
  for (const Placement& p : TitlePlacements(width))
    PaintPiece(m_image, p, dpi);
  if (m_nomin) {
    Placement cover = MinCoverPlacement(width);
    PaintPiece(m_image, cover, dpi);
  }
  CaptionOrigin at = TitleCaptionOrigin(m_hasLogo);
  m_image.Print(TwipsToPixels(static_cast<double>(at.x), dpi),
                TwipsToPixels(static_cast<double>(at.y), dpi), m_caption);
  if (Hwnd()) ::InvalidateRect(Hwnd(), nullptr, FALSE);
}

void BForm::Printform(FormSurface& frm) {
  RECT wr{};
  if (!::GetWindowRect(frm.Hwnd(), &wr)) return;
  frm.SyncSize();
  Surface& image = frm.Image();
  image.Clear();
  const int dpi = win::DpiOf(frm.Hwnd());
  const int64_t w = RoundHalfEven(PixelsToTwips(wr.right - wr.left, dpi));
  const int64_t h = RoundHalfEven(PixelsToTwips(wr.bottom - wr.top, dpi));
  for (const Placement& p : BorderPlacements(w, h))
    PaintPiece(image, p, dpi);
  frm.Refresh();
}

void BForm::Nomin() {
  // The cover hides the minimise button painted into the bar's right end. It is kept for later
  // repaints (a resize would otherwise bring the button back); the caption is not printed again.
  m_nomin = true;
  const int dpi = m_dpi;
  Placement cover = MinCoverPlacement(RoundHalfEven(PixelsToTwips(m_image.Width(), dpi)));
  PaintPiece(m_image, cover, dpi);
  if (Hwnd()) ::InvalidateRect(Hwnd(), nullptr, FALSE);
}

// ---- persistence ----

void BForm::InitProperties() { m_frmHwnd = nullptr; }

void BForm::ReadProperties(PropertyBag& bag) {
  auto colour = ParseInt32Text(
      AsText(bag.ReadProperty(L"BackColor", std::wstring(L"14346732"))).value_or(L""));
  ApplyBackColor(colour ? static_cast<uint32_t>(*colour) : kBFormDefaultBackColor);
  m_caption = AsText(bag.ReadProperty(L"Caption", std::wstring(L"NewForm"))).value_or(L"NewForm");
  PaintTitle();
  int32_t hwnd = AsInt32(bag.ReadProperty(L"frmHwnd", int32_t{0})).value_or(0);
  m_frmHwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(hwnd));
  m_hasLogo = AsBool(bag.ReadProperty(L"HasLogo", m_hasLogo)).value_or(m_hasLogo);
  // The caption's place depends on HasLogo, read last.
  PaintTitle();
}

void BForm::WriteProperties(PropertyBag& bag) {
  bag.WriteProperty(L"BackColor", static_cast<int32_t>(m_image.BackColor()),
                    PropertyValue{static_cast<int32_t>(kBFormDefaultBackColor)});
  bag.WriteProperty(L"Caption", m_caption, PropertyValue{std::wstring(L"NewForm")});
  PaintTitle();
  // Window handles are 32-bit values on every Windows, also in 64-bit processes.
  bag.WriteProperty(L"frmHwnd", static_cast<int32_t>(reinterpret_cast<intptr_t>(m_frmHwnd)),
                    PropertyValue{int32_t{0}});
  bag.WriteProperty(L"HasLogo", m_hasLogo);
}

// ---- messages ----

void BForm::OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  SetArrow();
  if (msg == WM_LBUTTONDOWN) {
    LivenessWatch watch = m_life.Watch();
    win::DragByCaption(m_frmHwnd);
    if (!watch.Alive()) return;
    SetArrow();
  }
  win::MouseArgs a = win::ButtonArgs(msg, wParam, lParam);
  Raise(m_life, MouseDown, a.button, a.shift, a.x, a.y);
}

LRESULT BForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      m_image.Resize(reinterpret_cast<CREATESTRUCTW*>(lParam)->cx, BarHeightPx(m_dpi));
      return 0;
    case WM_WINDOWPOSCHANGING: {
      // The bar is 500 twips high whatever size it is given.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOSIZE)) pos->cy = BarHeightPx(m_dpi);
      return 0;
    }
    case kDpiChangedBeforeParent:  // the host lays itself out around the bar's new height
    case kDpiChangedAfterParent:   // in case the bar had not yet been given its DPI before
      SetDpi(win::DpiOf(Hwnd()));
      return 0;
    case WM_SIZE: {
      RECT rc{};
      ::GetClientRect(Hwnd(), &rc);
      m_image.Resize(rc.right, rc.bottom);
      PaintTitle();
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      win::PaintGuard paint(Hwnd());
      m_image.CopyTo(paint.Dc(), paint.Ps().rcPaint);
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetArrow();
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE: {
      SetArrow();
      win::MouseArgs a = win::MoveArgs(wParam, lParam);
      Raise(m_life, MouseMove, a.button, a.shift, a.x, a.y);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      OnButtonDown(msg, wParam, lParam);
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      Raise(m_life, DblClick);
      return 0;
    case WM_NCDESTROY:
      m_life.Revoke();
      break;
    default:
      break;
  }
  return DefaultHandling(msg, wParam, lParam);
}

}  // namespace qorv::controls
