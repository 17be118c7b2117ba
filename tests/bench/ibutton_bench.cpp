// How often an idle skin button wakes the UI thread: WM_TIMER messages retrieved for it over
// 10 seconds while the cursor is elsewhere (target 0). The count comes from a message hook on
// the thread, which sees every message the loop takes from the queue, so nothing of the button
// is instrumented. For scale, the same count over 1 second while hovered is printed too.
#include <windows.h>

#include <cstdio>

#include "controls/ibutton.h"
#include "win/support/test_window.h"

namespace {

HWND g_button = nullptr;
int g_timerMessages = 0;
HHOOK g_hook = nullptr;

LRESULT CALLBACK CountTimers(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg->message == WM_TIMER && msg->hwnd == g_button) ++g_timerMessages;
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

int CountFor(int ms) {
  g_timerMessages = 0;
  qorv::test::PumpFor(ms);
  return g_timerMessages;
}

}  // namespace

int wmain() {
  ::SetCursorPos(1250, 1000);
  HWND host = qorv::test::CreateHostWindow(100, 100, 300, 200, L"ibutton bench");
  qorv::controls::iButton button;
  if (!button.Create(host, 20, 20, 60, 30)) {
    std::printf("ibutton_create_failed=1\n");
    return 1;
  }
  button.SetBackPicture(103);
  g_button = button.hWnd();
  g_hook = ::SetWindowsHookExW(WH_GETMESSAGE, CountTimers, nullptr, ::GetCurrentThreadId());
  qorv::test::PumpFor(200);  // creation settles

  int idle = CountFor(10000);
  std::printf("ibutton_idle_timer_wakeups=%d\n", idle);

  // The same hook sees the hover poll while the cursor is over the button (about 20 a second).
  RECT r{};
  ::GetWindowRect(g_button, &r);
  ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  qorv::test::PumpFor(100);
  std::printf("ibutton_hovered_timer_wakeups_per_s=%d\n", CountFor(1000));
  ::SetCursorPos(1250, 1000);
  qorv::test::PumpFor(300);
  std::printf("ibutton_after_leave_timer_wakeups_per_s=%d\n", CountFor(1000));

  ::UnhookWindowsHookEx(g_hook);
  ::DestroyWindow(host);
  return idle == 0 ? 0 : 2;
}
