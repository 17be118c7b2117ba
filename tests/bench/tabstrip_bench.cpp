// Cost of one tab pass (tabs drawn into the tab-area buffer, composed, copied to the window) for
// 5 and for 50 tabs, as a multiple of one full-strip BitBlt of the same size to the same window,
// measured in the same run. A hover change runs exactly one such pass; what handling the same
// mouse move costs without a redraw (reading the keyboard state for the event's Shift argument,
// hit testing) is timed too and taken off. The real cursor rests on the strip, as it does while
// a user hovers, so the leave tracking is already in place.
//
// At 96 DPI and again at 144 (the strip told its DPI, the strip 1.5 times as wide and tall, and the
// BitBlt it is measured against too).
//
// Prints per DPI: tabstrip_drawtabs_ratio_5=<x> tabstrip_drawtabs_ratio_50=<y> (suffixed _144 at
// 144), then the raw times.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "controls/property_bag.h"
#include "tabstrip/tab_strip.h"
#include "win/support/test_window.h"

namespace {

using namespace qorv::tabstrip;

constexpr int kWidth = 800;  // at 96 DPI
constexpr int kStyle = 1;  // the main window's style
constexpr int kRounds = 7;
constexpr double kRoundMicroseconds = 300000;  // each round runs about this long

class BenchPage final : public ITabForm {
 public:
  BenchPage() {
    m_hwnd = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  }
  ~BenchPage() override { UnloadPage(); }
  WindowHandle hWnd() const override { return reinterpret_cast<WindowHandle>(m_hwnd); }
  void Initialize(IuTab*, const std::shared_ptr<CTabItem>&) override {}
  void RefreshPage() override {}
  void UnloadPage() override {
    if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
  }

 private:
  HWND m_hwnd = nullptr;
};

double MicroNow() { return qorv::test::NowSeconds() * 1e6; }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Microseconds per pass of each kind, medians over rounds; the rounds of the two kinds take
// turns, so that both meet the same machine.
template <class F, class G>
std::pair<double, double> Time(F passA, G passB) {
  auto passesFor = [](auto& pass) {
    double start = MicroNow();
    for (int i = 0; i < 10; ++i) pass(i);  // warm up, and a first estimate
    ::GdiFlush();
    const double estimate = std::max((MicroNow() - start) / 10, 0.01);
    int passes = std::clamp(static_cast<int>(kRoundMicroseconds / estimate), 6, 100000);
    return passes + passes % 2;  // every round starts from the same state
  };
  auto round = [](auto& pass, int passes) {
    ::GdiFlush();
    double start = MicroNow();
    for (int i = 0; i < passes; ++i) pass(i);
    ::GdiFlush();
    return (MicroNow() - start) / passes;
  };
  const int a = passesFor(passA), b = passesFor(passB);
  std::vector<double> ra, rb;
  for (int r = 0; r < kRounds; ++r) {
    ra.push_back(round(passA, a));
    rb.push_back(round(passB, b));
  }
  return {Median(ra), Median(rb)};
}

template <class F>
double Time(F pass) {
  return Time(pass, [](int) {}).first;
}

struct PassTimes {
  double hover = 0;  // a move to another tab: one tab pass
  double still = 0;  // the same move again: no redraw
  double Pass() const { return hover - still; }
};

// One tab pass per call: the hover alternates between two tabs.
PassTimes TimeDrawTabs(HWND host, HWND container, int tabs, int dpi) {
  qorv::controls::PropertyBag bag;
  bag.Preset(L"TabStyle", int32_t{kStyle});
  bag.Preset(L"TabLeftSize", int32_t{10});
  uTab strip;
  const int width = TabPx(kWidth, dpi);
  strip.Create(host, 0, 0, width, &bag);
  strip.SetDpi(dpi);
  strip.SethContainerWnd(container);
  strip.LockReDraw(false);
  for (int i = 0; i < tabs; ++i)
    strip.TabItems().Add(L"页面标题 " + std::to_wstring(i), std::make_shared<BenchPage>());
  strip.SetSelected(0);
  POINT rest{width - 5, StripHeight(kStyle, dpi) / 2};
  ::ClientToScreen(strip.Hwnd(), &rest);
  ::SetCursorPos(rest.x, rest.y);
  qorv::test::PumpFor(100);
  auto centreOf = [&](int i) {
    auto item = strip.TabItems().Item(i);
    return MAKELPARAM(TabPx(strip.TabLeftSize(), dpi) + item->Left() + item->Width() / 2, 20);
  };
  const LPARAM a = centreOf(1), b = centreOf(2);
  auto move = [&](LPARAM at) { ::SendMessageW(strip.Hwnd(), WM_MOUSEMOVE, 0, at); };
  PassTimes t;
  std::tie(t.hover, t.still) = Time([&](int i) { move(i % 2 ? a : b); }, [&](int) { move(a); });
  strip.TabItems().Clear();
  return t;
}

double TimeBitBlt(HWND host, int dpi) {
  const int w = TabPx(kWidth, dpi), h = StripHeight(kStyle, dpi);
  UniqueMemoryDC source(CreateMemoryDC(w, h));
  HWND target = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, w, h, host,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
  double us = Time([&](int) {
    qorv::win::WindowDC dc(target);
    ::BitBlt(dc.Get(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
  });
  ::DestroyWindow(target);
  return us;
}

}  // namespace

int wmain() {
  HWND host = qorv::test::CreateHostWindow(0, 0, TabPx(kWidth, 144) + 20, 300);
  HWND container = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 60,
                                     TabPx(kWidth, 144), 150, host, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
  qorv::test::PumpFor(200);
  for (int dpi : {96, 144}) {
    const std::string at = dpi == 96 ? "" : "_" + std::to_string(dpi);
    const char* s = at.c_str();
    double blit = TimeBitBlt(host, dpi);
    PassTimes five = TimeDrawTabs(host, container, 5, dpi);
    PassTimes fifty = TimeDrawTabs(host, container, 50, dpi);
    double blitAgain = TimeBitBlt(host, dpi);
    blit = std::min(blit, blitAgain);
    std::printf("tabstrip_drawtabs_ratio_5%s=%.1f tabstrip_drawtabs_ratio_50%s=%.1f\n", s,
                five.Pass() / blit, s, fifty.Pass() / blit);
    std::printf("tabstrip_drawtabs_us_5%s=%.1f tabstrip_drawtabs_us_50%s=%.1f "
                "tabstrip_bitblt_us%s=%.2f (%dx%d, style %d)\n",
                s, five.Pass(), s, fifty.Pass(), s, blit, TabPx(kWidth, dpi),
                StripHeight(kStyle, dpi), kStyle);
    std::printf("tabstrip_hover_move_us_5%s=%.1f tabstrip_hover_move_us_50%s=%.1f "
                "tabstrip_still_move_us_5%s=%.1f tabstrip_still_move_us_50%s=%.1f\n",
                s, five.hover, s, fifty.hover, s, five.still, s, fifty.still);
  }
  ::DestroyWindow(host);
  return 0;
}
