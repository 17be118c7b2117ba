// Cost of one SendMessage through a CSubclass hook whose before and after tables are full (32
// messages each, the sent one last, so both lookups scan everything and both calls are made)
// against the same window without the hook. Rounds alternate hooked and plain; the best round of
// each counts.
//
// Prints: subclass_sendmessage_ratio=<hooked/plain> hooked_ns=<per message> plain_ns=<per message>
#include <windows.h>

#include <cstdio>

#include "subclass/subclass.h"
#include "win/support/test_window.h"

namespace {

constexpr UINT kBenchMsg = WM_APP + 77;
constexpr int kMessagesPerRound = 100000;
constexpr int kRounds = 15;

LRESULT CALLBACK PlainProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == kBenchMsg) return static_cast<LRESULT>(wParam + 1);
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// Nanoseconds per SendMessage; the sum keeps the calls from being optimised away.
double Measure(HWND hWnd, LRESULT& sum) {
  double start = qorv::test::NowSeconds() * 1e9;
  for (int i = 0; i < kMessagesPerRound; ++i) sum += ::SendMessageW(hWnd, kBenchMsg, i, 0);
  return (qorv::test::NowSeconds() * 1e9 - start) / kMessagesPerRound;
}

}  // namespace

int wmain() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QorvSubclassBench";
  ::RegisterClassW(&wc);
  HWND hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP, 0, 0, 50, 50, nullptr,
                                nullptr, wc.hInstance, nullptr);
  if (!hWnd) return 1;

  LRESULT sum = 0;
  long long events = 0;
  double bestPlain = 1e300;
  double bestHooked = 1e300;
  Measure(hWnd, sum);  // warm-up
  for (int round = 0; round < kRounds; ++round) {
    double plain = Measure(hWnd, sum);
    if (plain < bestPlain) bestPlain = plain;

    qorv::subclass::CSubclass sub;
    sub.WindowProc = [&events](bool, bool&, LRESULT& lReturn, HWND, UINT, WPARAM, LPARAM,
                               LONG_PTR&) {
      ++events;
      lReturn += 0;
    };
    if (!sub.ssc_Subclass(hWnd)) return 2;
    for (UINT m = 0; m < 31; ++m) sub.ssc_AddMsg(hWnd, WM_APP + 200 + m, qorv::subclass::CSubclass::kMsgBeforeAndAfter);
    sub.ssc_AddMsg(hWnd, kBenchMsg, qorv::subclass::CSubclass::kMsgBeforeAndAfter);
    double hooked = Measure(hWnd, sum);
    if (hooked < bestHooked) bestHooked = hooked;
    sub.ssc_Terminate();
    qorv::test::PumpFor(150);  // the record goes back to its pool
  }
  ::DestroyWindow(hWnd);

  if (events != 2LL * kRounds * kMessagesPerRound) {
    std::fprintf(stderr, "expected %lld events, got %lld\n", 2LL * kRounds * kMessagesPerRound,
                 events);
    return 3;
  }
  std::printf("subclass_sendmessage_ratio=%.3f hooked_ns=%.1f plain_ns=%.1f\n",
              bestHooked / bestPlain, bestHooked, bestPlain);
  std::fprintf(stderr, "(checksum %lld)\n", static_cast<long long>(sum));
  return 0;
}
