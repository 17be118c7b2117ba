#include "controls/set_style.h"

#include "base/units.h"
#include "base/win/dpi.h"
#include "subclass/form_subclass.h"

namespace qorv::controls {

namespace {

double TwipsPerPixel(int index) {
  int dpi = 96;
  if (win::ScreenDC screen; screen) dpi = ::GetDeviceCaps(screen.Get(), index);
  return dpi > 0 ? 1440.0 / dpi : kTwipsPerPixel;
}

const wchar_t* PointerForZone(int zone) {
  switch (zone) {
    case kZoneTop:
    case kZoneBottom: return IDC_SIZENS;
    case kZoneTopRight:
    case kZoneBottomLeft: return IDC_SIZENESW;
    case kZoneRight:
    case kZoneLeft: return IDC_SIZEWE;
    case kZoneBottomRight:
    case kZoneTopLeft: return IDC_SIZENWSE;
    default: return nullptr;
  }
}

}  // namespace

PixelRect MaximisedRect(HMONITOR monitor, int dpi) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!monitor || !::GetMonitorInfoW(monitor, &info)) {
    // No monitor to be had: the primary screen, as the system metrics give it.
    info.rcMonitor = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
  }
  auto pixels = [](const RECT& r) { return PixelRect::Edges(r.left, r.top, r.right, r.bottom); };
  return MaximisedOnMonitor(pixels(info.rcMonitor), pixels(info.rcWork), dpi);
}

int16_t GetTaskbarHeight() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return TaskbarHeightTwips(::GetSystemMetrics(SM_CYSCREEN), work.bottom,
                            TwipsPerPixel(LOGPIXELSX), TwipsPerPixel(LOGPIXELSY));
}

cSetStyle::cSetStyle() : m_objSubclass(std::make_unique<subclass::cFormSubclass>()) {
  m_objSubclass->MsgCome = [this](bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& hWnd,
                                  UINT& uMsg, WPARAM& wParam, LPARAM& lParam) {
    OnMsgCome(bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam);
  };
}

cSetStyle::~cSetStyle() {
  m_life.End();
  if (m_objSubclass) m_objSubclass->MsgCome = nullptr;
  CancelDrag();
  if (m_objSubclass) m_objSubclass->DeleteWindowMsg(m_window);
  m_objSubclass.reset();  // the interception goes with it
}

void cSetStyle::SetWindowStyle(HWND hWnd) {
  m_window = hWnd;
  LONG_PTR keep = ::GetWindowLongPtrW(hWnd, GWL_STYLE) &
                  (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE | WS_CLIPCHILDREN |
                   WS_CLIPSIBLINGS);
  ::SetWindowLongPtrW(hWnd, GWL_STYLE, kBorderlessStyle | keep);
  ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_objSubclass->AddWindowMsgs(hWnd);
}

PixelRect cSetStyle::WindowBounds() const {
  RECT r{};
  ::GetWindowRect(m_window, &r);
  return PixelRect::Edges(r.left, r.top, r.right, r.bottom);
}

void cSetStyle::FitMaximised(HMONITOR monitor, int dpi) {
  const PixelRect b = MaximisedRect(monitor, dpi);
  ::MoveWindow(m_objForm, b.left, b.top, b.Width(), b.Height(), TRUE);
}

void cSetStyle::MoveFormTwips(int64_t left, int64_t top, int64_t width, int64_t height) {
  const int dpi = win::DpiOf(m_objForm);
  ::MoveWindow(m_objForm, TwipsToPixels(static_cast<double>(left), dpi),
               TwipsToPixels(static_cast<double>(top), dpi),
               TwipsToPixels(static_cast<double>(width), dpi),
               TwipsToPixels(static_cast<double>(height), dpi), TRUE);
}

bool cSetStyle::CallWindowStateChange() {
  if (m_maximised) {
    MoveFormTwips(m_saved.left, m_saved.top, m_saved.width, m_saved.height);
    m_maximised = false;
  } else {
    RECT r{};
    ::GetWindowRect(m_objForm, &r);
    // At the DPI the restore converts back at: on a monitor other than the one the program
    // started on, the system's DPI would bring the window back at another size.
    const int dpi = win::DpiOf(m_objForm);
    m_saved.left = RoundHalfEven(PixelsToTwips(r.left, dpi));
    m_saved.top = RoundHalfEven(PixelsToTwips(r.top, dpi));
    m_saved.width = RoundHalfEven(PixelsToTwips(r.right - r.left, dpi));
    m_saved.height = RoundHalfEven(PixelsToTwips(r.bottom - r.top, dpi));
    FitMaximised(::MonitorFromWindow(m_objForm, MONITOR_DEFAULTTONEAREST), dpi);
    m_maximised = true;
  }
  return m_maximised;
}

void cSetStyle::SetPointerForZone(int zone) {
  const wchar_t* id = PointerForZone(zone);
  m_pointer = ::LoadCursorW(nullptr, id ? id : IDC_ARROW);
  ::SetCursor(m_pointer);
}

void cSetStyle::Draw(const std::vector<PixelRect>& rects) {
  if (!m_screenDC || !*m_screenDC) return;
  for (const PixelRect& r : rects) {
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::DrawFocusRect(m_screenDC->Get(), &rc);
  }
}

void cSetStyle::OnMouseMove(WPARAM wParam) {
  ::GetCursorPos(&m_cursor);
  if (!m_drag.Active() && !m_maximised) {
    m_zone = HitZone(WindowBounds(), m_cursor.x, m_cursor.y, win::DpiOf(m_window));
    if (!Raise(m_life, MouseSize, m_zone)) return;
    SetPointerForZone(m_zone);
  }
  if (m_drag.Active() && (wParam & MK_LBUTTON)) Draw(m_drag.Move(m_cursor.x, m_cursor.y));
}

void cSetStyle::OnButtonDown() {
  ::GetCursorPos(&m_cursor);
  m_zone = HitZone(WindowBounds(), m_cursor.x, m_cursor.y, win::DpiOf(m_window));
  if (m_zone == kZoneNone || m_drag.Active() || m_maximised) return;
  // The screen DC is taken here rather than at the first move, so the outline shows at once;
  // without one nothing is drawn during the whole drag, which keeps draws and erasures paired.
  m_screenDC.emplace();
  Draw(m_drag.Begin(WindowBounds(), m_zone, win::DpiOf(m_window)));
  // Moves and the release outside the window must still reach it.
  ::SetCapture(m_window);
}

void cSetStyle::OnButtonUp() {
  if (!m_drag.Active()) return;
  PixelRect to = m_drag.Drawn();
  Draw(m_drag.End());
  ::MoveWindow(m_window, to.left, to.top, to.right - to.left, to.bottom - to.top, TRUE);
  m_screenDC.reset();
  if (::GetCapture() == m_window) ::ReleaseCapture();
}

void cSetStyle::CancelDrag() {
  if (!m_drag.Active()) return;
  Draw(m_drag.End());
  m_screenDC.reset();
  if (m_window && ::GetCapture() == m_window) ::ReleaseCapture();
}

void cSetStyle::OnMsgCome(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg,
                          WPARAM wParam, LPARAM lParam) {
  if (!bBefore) return;
  switch (uMsg) {
    case WM_SETTINGCHANGE: {
      if (!Raise(m_life, SettingChange)) return;
      if (!::IsIconic(m_objForm) && m_maximised) {
        FitMaximised(::MonitorFromWindow(m_objForm, MONITOR_DEFAULTTONEAREST),
                     win::DpiOf(m_objForm));
      }
      break;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && CloseClick) {
        auto handler = CloseClick;
        handler();
      }
      break;
    case WM_SETCURSOR:
      // The form's mouse pointer: over its own surface the sizing pointer of the zone stays.
      if (reinterpret_cast<HWND>(wParam) == hWnd && LOWORD(lParam) == HTCLIENT && m_pointer &&
          !m_maximised) {
        ::SetCursor(m_pointer);
        bHandled = true;
        lReturn = TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam);
      break;
    case WM_LBUTTONDOWN:
      OnButtonDown();
      break;
    case WM_LBUTTONUP:
      OnButtonUp();
      break;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-drag (a task switch, a dialog): the outline goes, nothing moves.
      if (m_drag.Active() && reinterpret_cast<HWND>(lParam) != m_window) CancelDrag();
      break;
    case WM_DESTROY:
      CancelDrag();
      break;
    default:
      break;
  }
}

}  // namespace qorv::controls
