// Gallery host for the tab strip (not shipped): a style-0 and a style-1 strip, each over its own
// container of page windows with long and short captions, one tab without a close button and one
// of locked width. One tab of each strip is selected and another hovered (its close button too),
// so that a screenshot shows every look at once.
//
// usage: tabstrip_demo [seconds] [style]
//   seconds: how long it stays open (default 6; 0: until closed)
//   style:   the strip (0 or 1) under the mouse pointer (default 0)
// The window sits at the screen's top left: strip 0 at (10, 10), strip 1 at (10, 130), each
// 740 pixels wide.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "controls/property_bag.h"
#include "tabstrip/tab_strip.h"

namespace {

using qorv::tabstrip::CTabItem;
using qorv::tabstrip::ITabForm;
using qorv::tabstrip::IuTab;
using qorv::tabstrip::uTab;
using qorv::tabstrip::WindowHandle;

LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    wchar_t text[256];
    ::GetWindowTextW(hwnd, text, 256);
    ::SetBkMode(dc, TRANSPARENT);
    ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::EndPaint(hwnd, &ps);
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

class DemoPage final : public ITabForm {
 public:
  explicit DemoPage(const std::wstring& text) {
    m_hwnd = ::CreateWindowExW(0, L"QorvDemoPage", (L"page: " + text).c_str(),
                               WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  }
  ~DemoPage() override { UnloadPage(); }
  WindowHandle hWnd() const override { return reinterpret_cast<WindowHandle>(m_hwnd); }
  void Initialize(IuTab*, const std::shared_ptr<CTabItem>&) override {}
  void RefreshPage() override { ::InvalidateRect(m_hwnd, nullptr, TRUE); }
  void UnloadPage() override {
    if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
  }

 private:
  HWND m_hwnd = nullptr;
};

struct DemoStrip {
  std::unique_ptr<uTab> strip;
  HWND container = nullptr;
};

DemoStrip MakeStrip(HWND host, int style, int y) {
  DemoStrip d;
  qorv::controls::PropertyBag bag;
  bag.Preset(L"TabStyle", int32_t{style});
  bag.Preset(L"TabLeftSize", int32_t{style == 0 ? 40 : 10});
  d.container = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 10,
                                  y + qorv::tabstrip::StripHeight(style), 740, 70, host, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  d.strip = std::make_unique<uTab>();
  d.strip->Create(host, 10, y, 740, &bag);
  d.strip->SethContainerWnd(d.container);
  const wchar_t* captions[] = {L"游戏首页", L"A page title far too long to fit in its tab",
                               L"短", L"Settings (no close button)", L"Locked width", L"News"};
  for (const wchar_t* caption : captions) {
    d.strip->TabItems().Add(caption, std::make_shared<DemoPage>(caption));
  }
  d.strip->TabItems().Item(3)->SetHideButton(true);
  d.strip->TabItems().Item(4)->SetLockSize(true);
  d.strip->LockReDraw(false);  // one layout pass and one drawing for all of the above
  d.strip->OnMouseHover = [s = d.strip.get()](int32_t i, int16_t&, int16_t&, float&, float&) {
    s->SetToolTipText(i >= 0 && i < s->TabItems().Count() ? s->TabItems().Item(i)->Caption()
                                                           : L"");
  };
  d.strip->OnItemColose = [s = d.strip.get()](int32_t, bool& cancel) {
    cancel = s->TabItems().Count() <= 1;  // the last tab stays
  };
  return d;
}

// Puts the mouse pointer on a tab's close button.
void HoverClose(uTab& strip, int tab) {
  auto item = strip.TabItems().Item(tab);
  const auto& m = qorv::tabstrip::MetricsFor(strip.TabStyle());
  POINT p{strip.TabLeftSize() + item->Left() + item->Width() - m.closeDx + 6, m.closeY + 6};
  ::ClientToScreen(strip.Hwnd(), &p);
  ::SetCursorPos(p.x, p.y);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int seconds = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 6;
  int hovered = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 0;
  WNDCLASSW page{};
  page.lpfnWndProc = PageProc;
  page.hInstance = ::GetModuleHandleW(nullptr);
  page.lpszClassName = L"QorvDemoPage";
  ::RegisterClassW(&page);
  WNDCLASSW hostClass{};
  hostClass.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_CLOSE) ::PostQuitMessage(0);
    return ::DefWindowProcW(h, m, w, l);
  };
  hostClass.hInstance = page.hInstance;
  hostClass.hbrBackground = ::CreateSolidBrush(RGB(222, 222, 222));
  hostClass.lpszClassName = L"QorvDemoHost";
  ::RegisterClassW(&hostClass);
  HWND host = ::CreateWindowExW(0, L"QorvDemoHost", L"tab strip gallery",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 760, 240, nullptr,
                                nullptr, page.hInstance, nullptr);

  DemoStrip s0 = MakeStrip(host, 0, 10);
  DemoStrip s1 = MakeStrip(host, 1, 130);
  s0.strip->SetSelected(0);
  s1.strip->SetSelected(1);
  if (hovered == 0) {
    HoverClose(*s0.strip, 2);
  } else {
    HoverClose(*s1.strip, 0);
  }
  std::printf("strip0 10,10 740x25 strip1 10,130 740x32\n");
  std::fflush(stdout);

  if (seconds > 0) ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  s0.strip->TabItems().Clear();
  s1.strip->TabItems().Clear();
  ::DestroyWindow(host);
  return 0;
}
