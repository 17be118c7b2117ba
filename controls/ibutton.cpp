#include "controls/ibutton.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/mouse_args.h"
#include "base/win/picture.h"

namespace qorv::controls {

namespace {

double ScreenTwipsPerPixel(int index) {
  int dpi = 96;
  if (win::ScreenDC screen; screen) dpi = ::GetDeviceCaps(screen.Get(), index);
  return dpi > 0 ? 1440.0 / dpi : kTwipsPerPixel;
}

win::UniqueBitmap CopyBitmap(HBITMAP bitmap) {
  if (!bitmap) return {};
  SIZE size = BitmapSize(bitmap);
  if (size.cx <= 0 || size.cy <= 0) return {};
  return win::UniqueBitmap(
      static_cast<HBITMAP>(::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
}

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !::GetIconInfo(icon, &info)) return SIZE{0, 0};
  win::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
  SIZE size = BitmapSize(colour ? colour.Get() : mask.Get());
  if (!colour) size.cy /= 2;  // a monochrome icon's mask holds AND and XOR halves
  return size;
}

}  // namespace

iButton::iButton() = default;

iButton::~iButton() {
  m_life.End();
  Destroy();
}

bool iButton::Create(HWND parent, int x, int y, int width, int height, PropertyBag* bag,
                     int controlId) {
  RegisterClassOnce(kIButtonClass, CS_DBLCLKS, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
  HWND hwnd = win::Window::Create(
      kIButtonClass, 0, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, x, y, std::max(width, 0),
      std::max(height, 0), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
  if (!hwnd) return false;
  m_dpi = win::DpiOf(hwnd);
  m_image.SetFontDpi(m_dpi);
  if (bag) ReadProperties(*bag);
  ::ShowWindow(hwnd, SW_SHOWNA);
  return true;
}

// ---- properties ----

void iButton::SetBackPicture(int resourceId) {
  LoadBackPicture(resourceId);
  m_changed.Mark(L"BackPicture");
  BuildFrames();
}

void iButton::LoadBackPicture(int resourceId) {
  // The strip is made at the button's DPI from the finer art, so its looks are copied 1:1.
  m_backPicture = win::StripForDpi(resourceId, m_dpi, FramesInStrip(Style()), m_maskColour);
  if (BitmapSize(m_backPicture.Get()).cx <= 0) m_backPicture.Reset();
  m_backPictureId = m_backPicture ? resourceId : 0;
  m_pictureDpi = m_dpi;
}

void iButton::SetBackPicture(HBITMAP bitmap, int pictureDpi) {
  m_backPicture = CopyBitmap(bitmap);
  m_pictureDpi = ClampDpi(pictureDpi);
  m_backPictureId = 0;
  m_changed.Mark(L"BackPicture");
  BuildFrames();
}

void iButton::ClearBackPicture() {
  m_backPicture.Reset();
  m_backPictureId = 0;
  m_changed.Mark(L"BackPicture");
  BuildFrames();
}

void iButton::SetIcon(HICON icon) {
  m_icon.Reset(icon ? ::CopyIcon(icon) : nullptr);
  m_changed.Mark(L"Icon");
}

void iButton::SetEnabled(bool enabled) {
  if (Hwnd()) ::EnableWindow(Hwnd(), enabled);
  m_changed.Mark(L"Enabled");
  Apply(m_state.SetEnabled(enabled, IsMouseOver()));
}

void iButton::SetcBackStyle(int16_t backStyle) {
  m_backStyle = backStyle;
  m_changed.Mark(L"cBackStyle");
  // An opaque button shows its whole rectangle again.
  if (backStyle != 0 && Hwnd()) ::SetWindowRgn(Hwnd(), nullptr, TRUE);
  PaintLook(CurrentLook());
}

void iButton::SetCaption(std::wstring caption) {
  m_caption = std::move(caption);
  m_changed.Mark(L"Caption");
  PaintLook(CurrentLook());
}

void iButton::SetStyle(int32_t style) {
  m_state.SetStyle(style);
  m_changed.Mark(L"Style");
  // The strip's looks are scaled one by one, so their count is part of the picture.
  if (m_backPictureId && m_dpi != kDesignDpi) LoadBackPicture(m_backPictureId);
  BuildFrames();
}

void iButton::SetAutoSize(bool autoSize) {
  m_autoSize = autoSize;
  m_changed.Mark(L"AutoSize");
  if (autoSize) BuildFrames();
}

void iButton::SetcForeColor(uint32_t colour) {
  m_image.SetForeColor(colour);
  m_changed.Mark(L"cForeColor");
  PaintLook(CurrentLook());
}

int iButton::AtDpi(int picturePixels) const {
  return TwipsToPixels(PixelsToTwips(picturePixels, m_pictureDpi), m_dpi);
}

void iButton::FitToPicture() {
  if (!m_autoSize || !m_backPicture || !Hwnd()) return;
  SIZE strip = BitmapSize(m_backPicture.Get());
  FrameSize fs = ComputeFrameSize(PixelsToHimetric(strip.cx), PixelsToHimetric(strip.cy), Style());
  if (fs.fw <= 0 || fs.fh <= 0) return;
  RECT rc{};
  ::GetClientRect(Hwnd(), &rc);
  if (rc.right == AtDpi(fs.fw) && rc.bottom == AtDpi(fs.fh)) return;
  m_sizing = true;
  ::SetWindowPos(Hwnd(), nullptr, 0, 0, AtDpi(fs.fw), AtDpi(fs.fh),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_sizing = false;
  ::GetClientRect(Hwnd(), &rc);
  m_image.Resize(rc.right, rc.bottom);
}

void iButton::SetDpi(int dpi) {
  m_dpi = ClampDpi(dpi);
  m_image.SetFontDpi(m_dpi);
  if (m_backPictureId && m_pictureDpi != m_dpi) {
    LoadBackPicture(m_backPictureId);
    BuildFrames();
  }
  FitToPicture();
  PaintLook(CurrentLook());
}

void iButton::SetcFont(const FontDesc& font) {
  m_image.SetFont(font);
  m_changed.Mark(L"cFont");
  PaintLook(CurrentLook());
}

void iButton::SetcDrawMode(int16_t mode) {
  m_image.SetDrawMode(mode);
  m_changed.Mark(L"cDrawMode");
  PaintLook(CurrentLook());
}

void iButton::SetValue(bool value) { Apply(m_state.SetValue(value, IsMouseOver())); }

void iButton::SetLocked(bool locked) { Apply(m_state.SetLocked(locked, IsMouseOver())); }

void iButton::cMouseAction(int32_t cAction, bool vComplePaint) {
  Apply(m_state.MouseAction(cAction, vComplePaint));
}

int iButton::CurrentLook() const { return m_state.CurrentLook(IsMouseOver()); }

bool iButton::IsMouseOver() const {
  if (!Hwnd()) return false;
  POINT pt{};
  if (!::GetCursorPos(&pt)) return false;
  return ::WindowFromPoint(pt) == Hwnd();
}

// ---- persistence ----

void iButton::ReadProperties(PropertyBag& bag) {
  PropertyValue picture = bag.ReadProperty(L"BackPicture", std::monostate{});
  m_backPicture.Reset();
  m_backPictureId = 0;
  if (auto* ref = std::get_if<PictureRef>(&picture)) {
    if (ref->resourceId) {
      LoadBackPicture(ref->resourceId);
    } else if (ref->handle) {
      m_backPicture = CopyBitmap(reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(ref->handle)));
    }
  }
  PropertyValue icon = bag.ReadProperty(L"Icon", std::monostate{});
  m_icon.Reset();
  if (auto* ref = std::get_if<PictureRef>(&icon); ref && ref->handle)
    m_icon.Reset(::CopyIcon(reinterpret_cast<HICON>(static_cast<uintptr_t>(ref->handle))));

  bool enabled = AsBool(bag.ReadProperty(L"Enabled", true)).value_or(true);
  if (Hwnd()) ::EnableWindow(Hwnd(), enabled);
  m_state.SetEnabled(enabled, false);  // the look is settled by the next paint
  m_backStyle = static_cast<int16_t>(AsInt32(bag.ReadProperty(L"cBackStyle", 1)).value_or(1));
  m_caption = AsText(bag.ReadProperty(L"Caption", std::wstring())).value_or(L"");
  m_state.SetStyle(AsInt32(bag.ReadProperty(L"Style", 0)).value_or(0));
  m_autoSize = AsBool(bag.ReadProperty(L"AutoSize", true)).value_or(true);
  Colour fore{m_image.ForeColor()};
  m_image.SetForeColor(AsColour(bag.ReadProperty(L"cForeColor", fore)).value_or(fore).value);
  PropertyValue font = bag.ReadProperty(L"cFont", m_image.Font());
  if (auto* desc = std::get_if<FontDesc>(&font)) m_image.SetFont(*desc);
  int16_t mode = m_image.DrawMode();
  m_image.SetDrawMode(
      static_cast<int16_t>(AsInt32(bag.ReadProperty(L"cDrawMode", int32_t{mode})).value_or(mode)));

  // The first show after loading cuts the frames from what was read.
  if (Hwnd() && ::IsWindowVisible(Hwnd())) {
    m_shownOnce = true;
    BuildFrames();
  }
}

void iButton::WriteProperties(PropertyBag& bag) const {
  PropertyValue picture = std::monostate{};
  if (m_backPicture)
    picture = PictureRef{m_backPictureId,
                         m_backPictureId ? 0 : reinterpret_cast<uintptr_t>(m_backPicture.Get())};
  PropertyValue icon = std::monostate{};
  if (m_icon) icon = PictureRef{0, reinterpret_cast<uintptr_t>(m_icon.Get())};
  bag.WriteProperty(L"BackPicture", picture, PropertyValue{std::monostate{}});
  bag.WriteProperty(L"Icon", icon, PropertyValue{std::monostate{}});
  bag.WriteProperty(L"Enabled", Enabled(), PropertyValue{true});
  bag.WriteProperty(L"Style", Style(), PropertyValue{int32_t{0}});
  bag.WriteProperty(L"cBackStyle", int32_t{m_backStyle}, PropertyValue{int32_t{1}});
  bag.WriteProperty(L"Caption", m_caption, PropertyValue{std::wstring()});
  bag.WriteProperty(L"AutoSize", m_autoSize, PropertyValue{true});
  bag.WriteProperty(L"cFont", m_image.Font());
  bag.WriteProperty(L"cDrawMode", int32_t{m_image.DrawMode()});
  bag.WriteProperty(L"cForeColor", Colour{m_image.ForeColor()});
}

// ---- frames and painting ----

void iButton::DiscardFrames() {
  m_frames.clear();
  m_greyed.clear();
}

iButton::Frame iButton::CutFrame(HDC source, const PixelRect& rect, int width, int height) {
  Frame frame;
  frame.bitmap.Reset(::CreateCompatibleBitmap(source, width, height));
  if (!frame.bitmap) return frame;
  win::UniqueMemDC dc(::CreateCompatibleDC(source));
  win::SelectGuard select(dc.Get(), frame.bitmap.Get());
  std::optional<win::PaletteGuard> palette;  // out again before the bitmap
  if ((::GetDeviceCaps(source, RASTERCAPS) & RC_PALETTE) &&
      ::GetDeviceCaps(source, SIZEPALETTE) == 256) {
    struct {
      LOGPALETTE head;
      PALETTEENTRY more[255];
    } pal{};
    pal.head.palVersion = 0x300;
    pal.head.palNumEntries = 256;
    ::GetSystemPaletteEntries(source, 0, 256, pal.head.palPalEntry);
    frame.palette.Reset(::CreatePalette(&pal.head));
    if (frame.palette) {
      palette.emplace(dc.Get(), frame.palette.Get());
      ::RealizePalette(dc.Get());
    }
  }
  // Whatever of the frame lies outside the strip shows the mask colour, not stale memory.
  RECT all{0, 0, width, height};
  win::UniqueBrush brush(::CreateSolidBrush(m_maskColour));
  ::FillRect(dc.Get(), &all, brush.Get());
  if (rect.Width() > 0 && rect.Height() > 0)
    ::BitBlt(dc.Get(), 0, 0, rect.Width(), rect.Height(), source, rect.left, rect.top, SRCCOPY);
  return frame;
}

void iButton::BuildFrames() {
  DiscardFrames();
  m_framesReady = false;
  SIZE strip = BitmapSize(m_backPicture.Get());
  if (m_backPicture && strip.cx > 0 && strip.cy > 0) {
    m_frameSize = ComputeFrameSize(PixelsToHimetric(strip.cx), PixelsToHimetric(strip.cy),
                                   Style());
    if (m_frameSize.fw > 0 && m_frameSize.fh > 0) {
      win::UniqueMemDC source(::CreateCompatibleDC(m_image.Dc()));
      {
        win::SelectGuard select(source.Get(), m_backPicture.Get());
        // Only the frames the looks can show are cut: 3, or 6 for a toggle.
        int count = Style() == 1 ? 6 : 3;
        for (int i = 0; i < count; ++i)
          m_frames.push_back(CutFrame(source.Get(),
                                      FrameSource(i, m_frameSize, strip.cx, strip.cy),
                                      m_frameSize.fw, m_frameSize.fh));
      }
      m_greyed.resize(m_frames.size());
      for (size_t i = 0; i < m_frames.size(); i += 3)
        m_greyed[i].bitmap = MakeGreyedCopy(m_frames[i].bitmap.Get());
      if (m_autoSize && Hwnd()) {
        m_sizing = true;
        ::SetWindowPos(Hwnd(), nullptr, 0, 0, AtDpi(m_frameSize.fw), AtDpi(m_frameSize.fh),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_sizing = false;
      }
      m_framesReady = true;
    }
  } else {
    m_frameSize = {};
  }
  cMouseAction(CurrentLook(), true);
}

double iButton::WidthTwips() const { return static_cast<double>(m_image.Width()) * kTwipsPerPixel; }
double iButton::HeightTwips() const {
  return static_cast<double>(m_image.Height()) * kTwipsPerPixel;
}

int64_t iButton::IconWidth() const {
  if (!m_icon) return 0;
  return IconWidthTwips(PixelsToHimetric(IconSize(m_icon.Get()).cx));
}

void iButton::PaintFrame() {
  FrameChoice choice = ChooseFrame(m_state.Look(), Value(), Style(), Locked());
  const std::vector<Frame>& table = choice.greyed ? m_greyed : m_frames;
  if (!m_framesReady || choice.frame < 0 || choice.frame >= static_cast<int>(table.size()) ||
      !table[choice.frame].bitmap) {
    m_lastFrame = FrameChoice{-1, false};
    return;
  }
  m_lastFrame = choice;
  HBITMAP bitmap = table[choice.frame].bitmap.Get();
  m_image.PaintBitmap(bitmap, 0, 0, m_image.Width(), m_image.Height(), 0, 0, m_frameSize.fw,
                      m_frameSize.fh);
  if (m_backStyle != 0) {
    if (m_icon) {
      double textWidth = m_image.TextExtent(m_caption).cx * static_cast<double>(kTwipsPerPixel);
      double left = IconLeft(WidthTwips(), m_caption.empty() ? 0 : textWidth, IconWidth());
      ::DrawIconEx(m_image.Dc(), TwipsToPixels(left), 0, m_icon.Get(), 0, 0, 0, nullptr,
                   DI_NORMAL);
    }
  } else {
    ApplyMask();
  }
}

void iButton::ApplyMask() {
  if (!Hwnd()) return;
  win::UniqueRegion region =
      RegionWithoutColour(m_image.Dc(), m_image.Width(), m_image.Height(), m_maskColour);
  if (region && ::SetWindowRgn(Hwnd(), region.Get(), TRUE)) region.Release();  // now the system's
}

void iButton::PaintLook(int look) {
  m_image.Clear();
  PaintFrame();
  if (!m_caption.empty()) {
    SIZE extent = m_image.TextExtent(m_caption);
    Point at = CaptionPosition(WidthTwips(), HeightTwips(),
                               extent.cx * static_cast<double>(kTwipsPerPixel),
                               extent.cy * static_cast<double>(kTwipsPerPixel), IconWidth(), look);
    m_image.Print(TwipsToPixels(static_cast<double>(at.x)),
                  TwipsToPixels(static_cast<double>(at.y)), m_caption);
  }
  Present();
}

void iButton::DrawFocus() {
  PixelRect r = FocusRectangle(WidthTwips(), HeightTwips(), ScreenTwipsPerPixel(LOGPIXELSX),
                               ScreenTwipsPerPixel(LOGPIXELSY));
  RECT rc{r.left, r.top, r.right, r.bottom};
  if (rc.right > rc.left && rc.bottom > rc.top) ::DrawFocusRect(m_image.Dc(), &rc);
  Present();
}

void iButton::Present() {
  if (Hwnd()) ::InvalidateRect(Hwnd(), nullptr, FALSE);
}

// ---- reactions ----

bool iButton::Apply(const ButtonEffects& effects) {
  for (const ButtonEffect& e : effects) {
    switch (e.kind) {
      case ButtonEffect::Paint:
        PaintLook(e.look);
        break;
      case ButtonEffect::HandCursor:
        m_cursor = ::LoadCursorW(nullptr, IDC_HAND);
        ::SetCursor(m_cursor);
        break;
      case ButtonEffect::ArrowCursor:
        m_cursor = ::LoadCursorW(nullptr, IDC_ARROW);
        ::SetCursor(m_cursor);
        break;
      case ButtonEffect::TimerOn:
        if (Hwnd()) ::SetTimer(Hwnd(), kHoverTimerId, kHoverTimerMs, nullptr);
        break;
      case ButtonEffect::TimerOff:
        if (Hwnd()) ::KillTimer(Hwnd(), kHoverTimerId);
        break;
      case ButtonEffect::DrawFocus:
        DrawFocus();
        break;
      case ButtonEffect::RaiseClick:
        if (!Raise(m_life, Click)) return false;
        break;
      case ButtonEffect::RaiseMouseOver:
        if (!Raise(m_life, MouseOver)) return false;
        break;
      case ButtonEffect::RaiseMouseOut:
        if (!Raise(m_life, MouseOut)) return false;
        break;
      case ButtonEffect::RaiseDBClick:
        if (!Raise(m_life, DBClick)) return false;
        break;
    }
  }
  return true;
}

void iButton::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  win::MouseArgs a = win::MoveArgs(wParam, lParam);
  if (!Raise(m_life, MouseMove, a.button, a.shift, a.x, a.y)) return;
  Apply(m_state.OnMouseMove(IsMouseOver()));
}

void iButton::OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  LivenessWatch watch = m_life.Watch();
  // Clicking a button gives it the focus; the focus reaction comes before MouseDown.
  if (::GetFocus() != Hwnd()) ::SetFocus(Hwnd());
  if (!watch.Alive()) return;
  ::SetCapture(Hwnd());
  win::MouseArgs a = win::ButtonArgs(msg, wParam, lParam);
  uint8_t bit = static_cast<uint8_t>(a.button);
  m_pressed |= bit;
  m_clickable |= bit;
  if (!Raise(m_life, MouseDown, a.button, a.shift, a.x, a.y)) return;
  Apply(m_state.OnMouseDown(a.button));
}

void iButton::OnButtonUp(UINT msg, WPARAM wParam, LPARAM lParam) {
  win::MouseArgs a = win::ButtonArgs(msg, wParam, lParam);
  uint8_t bit = static_cast<uint8_t>(a.button);
  bool clickable = (m_clickable & bit) != 0;
  m_pressed &= static_cast<uint8_t>(~bit);
  m_clickable &= static_cast<uint8_t>(~bit);
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  RECT client{};
  ::GetClientRect(Hwnd(), &client);
  bool releasedOver = ::PtInRect(&client, pt) != FALSE;

  if (!Raise(m_life, MouseUp, a.button, a.shift, a.x, a.y)) return;
  if (!Apply(m_state.OnMouseUp(a.button, IsMouseOver()))) return;
  if (!m_pressed && ::GetCapture() == Hwnd()) ::ReleaseCapture();
  if (clickable && releasedOver) Apply(m_state.OnClick(IsMouseOver()));
}

void iButton::OnDoubleClick(UINT msg) {
  // The second press of a double click: its release raises MouseUp but no Click.
  m_pressed |= static_cast<uint8_t>(win::ButtonOf(msg));
  ::SetCapture(Hwnd());
  Apply(m_state.OnDoubleClick());
}

void iButton::OnKeyDown(WPARAM wParam) {
  int16_t key = static_cast<int16_t>(wParam), shift = win::KeyboardShift();
  if (!Raise(m_life, KeyDown, key, shift)) return;
  Apply(m_state.OnKeyDown(key, IsMouseOver()));
}

void iButton::OnKeyUp(WPARAM wParam) {
  int16_t key = static_cast<int16_t>(wParam), shift = win::KeyboardShift();
  if (!Raise(m_life, KeyUP, key, shift)) return;
  Apply(m_state.OnKeyUp(key, IsMouseOver()));
}

void iButton::OnSize() {
  RECT rc{};
  ::GetClientRect(Hwnd(), &rc);
  m_image.Resize(rc.right, rc.bottom);
  if (m_sizing) return;
  FitToPicture();
  cMouseAction(CurrentLook(), true);
}

void iButton::StopHoverPoll() {
  if (Hwnd()) ::KillTimer(Hwnd(), kHoverTimerId);
}

void iButton::OnCreate(const CREATESTRUCTW& cs) {
  m_image.Resize(cs.cx, cs.cy);
  BuildFrames();
}

void iButton::OnShowWindow(bool shown) {
  if (shown && !m_shownOnce) {
    m_shownOnce = true;
    BuildFrames();
  }
}

void iButton::OnPaint() {
  win::PaintGuard paint(Hwnd());
  m_image.CopyTo(paint.Dc(), paint.Ps().rcPaint);
}

bool iButton::OnSetCursor(LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT || !m_cursor) return false;
  ::SetCursor(m_cursor);
  return true;
}

void iButton::OnCaptureChanged(HWND taker) {
  // Capture taken away mid-press (a dialog, a task switch): the press ends where it is, as
  // a release elsewhere, with no MouseUp since no button came up.
  if (taker != Hwnd() && (m_pressed || m_state.Held())) {
    m_pressed = m_clickable = 0;
    if (m_state.Held()) Apply(m_state.OnMouseUp(kLeftButton, false));
  }
}

LRESULT iButton::OnGetDlgCode(const MSG* m) {
  if (m && (m->message == WM_KEYDOWN || m->message == WM_KEYUP) &&
      (m->wParam == VK_RETURN || m->wParam == VK_SPACE))
    return DLGC_WANTMESSAGE;
  return DLGC_WANTCHARS;
}

void iButton::OnChar(WPARAM wParam) {
  int16_t ascii = static_cast<int16_t>(wParam);
  Raise(m_life, KeyPress, ascii);
}

void iButton::OnDestroy() {
  StopHoverPoll();
  DiscardFrames();
  m_backPicture.Reset();
  m_backPictureId = 0;
  m_framesReady = false;
}

LRESULT iButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      OnCreate(*reinterpret_cast<const CREATESTRUCTW*>(lParam));
      return 0;
    case WM_SHOWWINDOW:
      OnShowWindow(wParam != 0);
      break;
    case WM_SIZE: OnSize(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: OnPaint(); return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(lParam)) return TRUE;
      break;
    case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return 0;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
      OnButtonDown(msg, wParam, lParam);
      return 0;
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
      OnButtonUp(msg, wParam, lParam);
      return 0;
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
      OnDoubleClick(msg);
      return 0;
    case WM_CAPTURECHANGED:
      OnCaptureChanged(reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_TIMER:
      if (wParam != kHoverTimerId) break;
      Apply(m_state.OnTimer(IsMouseOver()));
      return 0;
    case WM_GETDLGCODE:
      return OnGetDlgCode(reinterpret_cast<const MSG*>(lParam));
    case WM_KEYDOWN: OnKeyDown(wParam); return 0;
    case WM_KEYUP: OnKeyUp(wParam); return 0;
    case WM_CHAR: OnChar(wParam); return 0;
    case WM_SETFOCUS: case WM_KILLFOCUS:
      Apply(m_state.OnFocus(msg == WM_SETFOCUS, IsMouseOver()));
      return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCDESTROY:
      m_life.Revoke();
      break;
  }
  return DefaultHandling(msg, wParam, lParam);
}

}  // namespace qorv::controls
