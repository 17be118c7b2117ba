// The end of both yardstick programs of the start-up benchmark: one window of the class the
// benchmark looks for, shown, then a message loop until the window is closed.
#pragma once

#include <windows.h>

namespace qorv::bench {

inline int ShowOneWindowAndRun(HINSTANCE instance, const wchar_t* className) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className;
  ::RegisterClassW(&wc);
  HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 400, 400, 356, 122,
                                nullptr, nullptr, instance, nullptr);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace qorv::bench
