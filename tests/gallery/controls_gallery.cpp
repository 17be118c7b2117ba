// A look at the skinned controls together (not shipped): a borderless window with the window
// style helper (edge sizing, maximise/restore from the toggle), the title bar with its border
// painted on the form, the four skin buttons of the main window's title bar, and a row of
// buttons in their other states. "--exit-after MS" closes it by itself, for screenshots.
#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "base/units.h"
#include "base/win/window.h"
#include "controls/bform.h"
#include "controls/ibutton.h"
#include "controls/set_style.h"
#include "controls/surface.h"

namespace qorv::controls {
namespace {

constexpr wchar_t kGalleryClass[] = L"Qorv.ControlsGallery";
constexpr UINT_PTR kExitTimer = 7;

// Three frames of a text button: blue, lighter blue (hover), dark blue (pressed), each with a
// one-pixel darker edge.
HBITMAP MakePlainStrip(int fw, int fh) {
  HDC screen = ::GetDC(nullptr);
  HBITMAP strip = ::CreateCompatibleBitmap(screen, fw * 3, fh);
  ::ReleaseDC(nullptr, screen);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, strip);
  const COLORREF fills[] = {RGB(40, 100, 180), RGB(70, 135, 215), RGB(20, 60, 120)};
  for (int i = 0; i < 3; ++i) {
    HBRUSH edge = ::CreateSolidBrush(RGB(15, 40, 90));
    HBRUSH fill = ::CreateSolidBrush(fills[i]);
    RECT r{i * fw, 0, (i + 1) * fw, fh};
    ::FillRect(dc, &r, edge);
    ::InflateRect(&r, -1, -1);
    ::FillRect(dc, &r, fill);
    ::DeleteObject(edge);
    ::DeleteObject(fill);
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return strip;
}

class Gallery : public win::Window {
 public:
  bool Open(int exitAfterMs) {
    RegisterClassOnce(kGalleryClass, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
    if (!Create(kGalleryClass, 0, L"controls gallery", WS_POPUP | WS_CLIPCHILDREN, 80, 60, 640,
                400, nullptr))
      return false;
    m_surface = std::make_unique<FormSurface>(Hwnd(), 0xF0F0F0);
    m_style = std::make_unique<cSetStyle>();
    m_style->SetobjForm(Hwnd());
    m_style->SetWindowStyle(Hwnd());
    m_style->CloseClick = [this] { ::DestroyWindow(Hwnd()); };

    m_title.Create(Hwnd(), 0, 0, 640);
    m_title.SetCaption(L"BrindleQorvane 控件一览");
    m_title.SetfrmHwnd(Hwnd());

    m_close.Create(Hwnd(), 0, 1, 43, 18);
    m_close.SetBackPicture(103);
    m_close.Click = [this] { ::DestroyWindow(Hwnd()); };
    m_minmax.Create(Hwnd(), 0, 1, 25, 18);
    m_minmax.SetStyle(1);
    m_minmax.SetBackPicture(102);
    m_minmax.SetValue(true);
    m_minmax.Click = [this] {
      bool maximised = m_style->CallWindowStateChange();
      m_title.SetfrmHwnd(maximised ? nullptr : Hwnd());
    };
    m_min.Create(Hwnd(), 0, 1, 24, 18);
    m_min.SetBackPicture(101);
    m_min.Click = [this] { ::ShowWindow(Hwnd(), SW_MINIMIZE); };
    m_tool.Create(Hwnd(), 0, 1, 24, 18);
    m_tool.SetBackPicture(104);
    // Children created later lie below earlier ones: the buttons go on top of the title bar.
    for (HWND h : {m_tool.hWnd(), m_min.hWnd(), m_minmax.hWnd(), m_close.hWnd()})
      ::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // A captioned button with an icon on a plain strip, and the looks the strips give.
    m_caption.Create(Hwnd(), 40, 80, 140, 28);
    HBITMAP strip = MakePlainStrip(140, 28);
    m_caption.SetBackPicture(strip);
    ::DeleteObject(strip);
    m_caption.SetcForeColor(0xFFFFFF);
    FontDesc font = DefaultFontDesc();
    if (FontFaceExists(kBFormCaptionFace)) font.face = kBFormCaptionFace;
    font.charset = 134;
    font.bold = true;
    m_caption.SetcFont(font);
    m_caption.SetIcon(static_cast<HICON>(
        ::LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, 16, 16, LR_SHARED)));
    m_caption.SetCaption(L"登录其他帐号");
    int x = 40;
    for (int i = 0; i < 4; ++i) {
      auto& b = m_looks.emplace_back(std::make_unique<iButton>());
      b->Create(Hwnd(), x, 140, 43, 18);
      b->SetBackPicture(103);
      if (i == 1) b->cMouseAction(1, true);  // hover
      if (i == 2) b->SetLocked(true);        // pressed
      if (i == 3) b->SetEnabled(false);      // disabled
      x += 60;
    }
    x = 40;
    for (int i = 0; i < 3; ++i) {
      auto& b = m_looks.emplace_back(std::make_unique<iButton>());
      b->Create(Hwnd(), x, 180, 25, 18);
      b->SetStyle(1);
      b->SetBackPicture(102);
      b->SetValue(i > 0);
      if (i == 2) b->SetLocked(true);
      x += 60;
    }

    Layout();
    ::ShowWindow(Hwnd(), SW_SHOWNORMAL);
    if (exitAfterMs > 0) ::SetTimer(Hwnd(), kExitTimer, static_cast<UINT>(exitAfterMs), nullptr);
    return true;
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    if (m_surface && m_surface->HandleMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
      case WM_SIZE:
        Layout();
        return 0;
      case WM_TIMER:
        if (wParam == kExitTimer) ::DestroyWindow(Hwnd());
        return 0;
      case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
      default:
        return DefaultHandling(msg, wParam, lParam);
    }
  }

 private:
  // The main window's title-bar arithmetic: buttons from the right edge, in twips.
  void Layout() {
    if (!m_surface || ::IsIconic(Hwnd())) return;
    RECT r{};
    ::GetWindowRect(Hwnd(), &r);
    int w = (r.right - r.left) * kTwipsPerPixel;
    ::MoveWindow(m_title.hWnd(), 0, 0, r.right - r.left, 33, TRUE);
    m_title.Printform(*m_surface);
    auto left = [&](int twips) { return TwipsToPixels(w - twips); };
    ::SetWindowPos(m_close.hWnd(), nullptr, left(730), 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(m_minmax.hWnd(), nullptr, left(1105), 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(m_min.hWnd(), nullptr, left(1465), 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(m_tool.hWnd(), nullptr, left(1825), 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }

  std::unique_ptr<FormSurface> m_surface;
  std::unique_ptr<cSetStyle> m_style;
  BForm m_title;
  iButton m_close, m_minmax, m_min, m_tool, m_caption;
  std::vector<std::unique_ptr<iButton>> m_looks;
};

}  // namespace
}  // namespace qorv::controls

int wmain(int argc, wchar_t** argv) {
  int exitAfter = 0;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::wstring(argv[i]) == L"--exit-after")
      exitAfter = static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10));
  qorv::controls::Gallery gallery;
  if (!gallery.Open(exitAfter)) return 1;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
