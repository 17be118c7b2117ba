// Shared pieces of the tab strip's Win32 tests: page forms with real windows, a host window with
// a container, a strip wired to an event journal, mouse messages, and a GDI object count.
#pragma once

#include <windows.h>

#include "win/support/gdi_count.h"
#include <winternl.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/property_bag.h"
#include "tabstrip/tab_strip.h"
#include "win/support/test_window.h"

namespace qorv::tabstrip::test {

// A page form: a real top-level window that the strip re-parents.
class TestPage final : public ITabForm {
 public:
  TestPage() {
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
      wc.lpszClassName = L"QorvTabTestPage";
      ::RegisterClassW(&wc);
      registered = true;
    }
    m_hwnd = ::CreateWindowExW(0, L"QorvTabTestPage", L"page", WS_OVERLAPPEDWINDOW, 100, 100, 300,
                               200, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  ~TestPage() override {
    if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
  }
  WindowHandle hWnd() const override { return reinterpret_cast<WindowHandle>(m_hwnd); }
  void Initialize(IuTab* Implement, const std::shared_ptr<CTabItem>& Item) override {
    ++initializes;
    strip = Implement;
    item = Item;
  }
  void RefreshPage() override { ++refreshes; }
  void UnloadPage() override {
    ++unloads;
    if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
  }
  HWND Hwnd() const { return m_hwnd; }

  int initializes = 0;
  int refreshes = 0;
  int unloads = 0;
  IuTab* strip = nullptr;
  std::weak_ptr<CTabItem> item;

 private:
  HWND m_hwnd = nullptr;
};

inline HWND CreateContainer(HWND parent, int x, int y, int w, int h) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"QorvTabTestContainer";
    ::RegisterClassW(&wc);
    registered = true;
  }
  return ::CreateWindowExW(0, L"QorvTabTestContainer", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                           x, y, w, h, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

using qorv::test::GdiObjectCount;

// A host window with a container below a strip; every event goes into `events`.
struct StripHarness {
  explicit StripHarness(int style = 1, int width = 600, int left = 10, int right = 0) {
    host = qorv::test::CreateHostWindow(0, 0, 800, 600);
    container = CreateContainer(host, 0, 60, 780, 500);
    bag.Preset(L"TabStyle", int32_t{style});
    bag.Preset(L"TabLeftSize", int32_t{left});
    bag.Preset(L"TabRightSize", int32_t{right});
    strip = std::make_unique<uTab>();
    strip->Create(host, 10, 10, width, &bag);
    strip->SethContainerWnd(container);
    Wire();
    strip->LockReDraw(false);
  }
  ~StripHarness() {
    strip.reset();
    pages.clear();
    if (::IsWindow(host)) ::DestroyWindow(host);
  }
  void Wire() {
    uTab& s = *strip;
    auto mouse = [this](const char* name) {
      return [this, name](int32_t i, int16_t& b, int16_t&, float&, float&) {
        events.push_back(std::string(name) + " " + std::to_string(i) +
                         (b > 1 ? " b" + std::to_string(b) : ""));
      };
    };
    s.TabChanged = [this] { events.push_back("TabChanged"); };
    s.OnMouseDown = mouse("Down");
    s.OnMouseUp = mouse("Up");
    s.OnMouseHover = mouse("Hover");
    s.OnDblClick = mouse("DblClick");
    s.OnMouseLeave = [this] { events.push_back("Leave"); };
    s.OnItemColose = [this](int32_t i, bool& cancel) {
      events.push_back("Close " + std::to_string(i));
      cancel = vetoClose;
    };
  }
  std::shared_ptr<TestPage> AddPage(const std::wstring& caption) {
    auto page = std::make_shared<TestPage>();
    pages.push_back(page);
    strip->TabItems().Add(caption, page, L"key" + std::to_wstring(pages.size()));
    return page;
  }
  HWND Strip() const { return strip->Hwnd(); }
  void Send(UINT msg, int x, int y, WPARAM wParam = 0) {
    ::SendMessageW(Strip(), msg, wParam, MAKELPARAM(x, y));
  }
  void Move(int x, int y) { Send(WM_MOUSEMOVE, x, y); }
  void Press(int x, int y) { Send(WM_LBUTTONDOWN, x, y, MK_LBUTTON); }
  void Release(int x, int y) { Send(WM_LBUTTONUP, x, y); }
  // Control coordinates of a tab's close image centre and body.
  POINT CloseOf(int i) {
    auto item = strip->TabItems().Item(i);
    const SkinMetrics& m = MetricsFor(strip->TabStyle());
    return {strip->TabLeftSize() + item->Left() + item->Width() - m.closeDx + 6, m.closeY + 6};
  }
  POINT BodyOf(int i) {
    auto item = strip->TabItems().Item(i);
    return {strip->TabLeftSize() + item->Left() + item->Width() / 2 - 10, 20};
  }
  std::string Events() {
    std::string out;
    for (auto& e : events) out += (out.empty() ? "" : ", ") + e;
    events.clear();
    return out;
  }

  HWND host = nullptr;
  HWND container = nullptr;
  controls::PropertyBag bag;
  std::unique_ptr<uTab> strip;
  std::vector<std::shared_ptr<TestPage>> pages;
  std::vector<std::string> events;
  bool vetoClose = false;
};

}  // namespace qorv::tabstrip::test
