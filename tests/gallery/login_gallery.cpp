// The login screen as a player sees it once the login page has loaded (not shipped): the real
// login windows, with the scripted browser in the control's place. Wine here has no HTML engine,
// so no page of the client's ever completes; the gallery completes one on the double, and the
// double's window shows a plain panel labelled as a stand-in, so a screenshot never passes it off
// as the platform's page.
//
// Once both windows are shown it prints their place on the screen and their DPI,
//   shown x=X y=Y w=W h=H dpi=D
// and runs until the login screen is closed (its close image, WM_CLOSE to the background, or
// "--exit-after MS").
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/form.h"
#include "base/win/gdi.h"
#include "login/login_forms.h"
#include "win/support/scripted_browser.h"

namespace qorv::login {
namespace {

constexpr UINT_PTR kStandInSubclass = 1;
constexpr COLORREF kPanel = RGB(232, 237, 243);
constexpr COLORREF kEdge = RGB(150, 160, 175);
constexpr COLORREF kInk = RGB(60, 70, 85);

win::UniqueFont TextFont(int pixelsAt96, int dpi, int weight) {
  return win::UniqueFont(::CreateFontW(-ScaleForDpi(pixelsAt96, dpi), 0, 0, 0, weight, FALSE,
                                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                                       L"Tahoma"));
}

void DrawLine(HDC dc, const wchar_t* text, const win::UniqueFont& font, RECT box) {
  win::SelectGuard select(dc, font.Get());
  ::DrawTextW(dc, text, -1, &box, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// Lays the label out on the part of the control its container shows: the control is larger than
// its box, so its own middle is not the middle the player sees.
void PaintStandIn(HWND hwnd) {
  win::PaintGuard paint(hwnd);
  HDC dc = paint.Dc();
  const int dpi = win::DpiOf(hwnd);
  RECT all{};
  ::GetClientRect(hwnd, &all);
  const win::UniqueBrush panel(::CreateSolidBrush(kPanel));
  ::FillRect(dc, &all, panel.Get());

  RECT seen{};
  HWND box = ::GetParent(hwnd);
  ::GetClientRect(box, &seen);
  ::MapWindowPoints(box, hwnd, reinterpret_cast<POINT*>(&seen), 2);
  const int inset = ScaleForDpi(10, dpi);
  ::InflateRect(&seen, -inset, -inset);
  const win::UniqueBrush edge(::CreateSolidBrush(kEdge));
  ::FrameRect(dc, &seen, edge.Get());

  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, kInk);
  const int middle = (seen.top + seen.bottom) / 2;
  DrawLine(dc, L"login page", TextFont(28, dpi, FW_BOLD),
           RECT{seen.left, middle - ScaleForDpi(40, dpi), seen.right, middle});
  DrawLine(dc, L"a stand-in: the platform's page is shown here", TextFont(14, dpi, FW_NORMAL),
           RECT{seen.left, middle + ScaleForDpi(6, dpi), seen.right,
                middle + ScaleForDpi(30, dpi)});
}

LRESULT CALLBACK StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                             DWORD_PTR) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintStandIn(hwnd);
      return 0;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, StandInProc, id);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

void CALLBACK ExitTimer(HWND, UINT, UINT_PTR, DWORD) { CloseLoginScreen(); }

int ExitAfter(int argc, wchar_t** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::wcscmp(argv[i], L"--exit-after") == 0)
      return static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10));
  return 0;
}

}  // namespace
}  // namespace qorv::login

int wmain(int argc, wchar_t** argv) {
  using namespace qorv;
  test::ScriptedBrowsers browsers;
  login::RegisterLoginForms();
  login::LoginForm();
  test::ScriptedBrowser* browser = test::ScriptedBrowsers::Last();
  if (!browser || browser->navigations.empty()) {
    std::fprintf(stderr, "login gallery: no browser, or it never navigated\n");
    return 1;
  }
  ::SetWindowSubclass(browser->ControlWindow(), login::StandInProc, login::kStandInSubclass, 0);
  // The load as the control reports it, of the address the window asked for.
  browser->LoadPage(browser->navigations.back(), L"<body>login page</body>");

  HWND background = login::LoginBgLoaded() ? login::LoginBgForm().Hwnd() : nullptr;
  login::LoginFrm* page = login::LoginFormIfLoaded();
  if (!background || !page || !::IsWindowVisible(background) || !::IsWindowVisible(page->Hwnd())) {
    std::fprintf(stderr, "login gallery: the login screen did not show\n");
    return 2;
  }
  RECT r{};
  ::GetWindowRect(background, &r);
  std::printf("shown x=%ld y=%ld w=%ld h=%ld dpi=%d\n", r.left, r.top, r.right - r.left,
              r.bottom - r.top, win::DpiOf(background));
  std::fflush(stdout);

  if (const int ms = login::ExitAfter(argc, argv); ms > 0)
    ::SetTimer(nullptr, 0, static_cast<UINT>(ms), login::ExitTimer);
  return win::Application::Instance().Run();
}
