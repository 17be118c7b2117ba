// The baseline for start-up timing: a bare Win32 program that shows one window and runs its
// message loop until the window is closed.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"Qorv.BareWindow";
  ::RegisterClassW(&wc);
  HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"bare", WS_POPUP, 400, 400,
                                356, 122, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
