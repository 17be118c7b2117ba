#include "win/support/test_window.h"

namespace qorv::test {

void PumpFor(int ms) {
  DWORD end = ::GetTickCount() + ms;
  MSG msg;
  for (;;) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    auto left = static_cast<LONG>(end - ::GetTickCount());
    if (left <= 0) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
  }
}

bool PumpUntil(const std::function<bool()>& pred, int timeoutMs) {
  DWORD end = ::GetTickCount() + timeoutMs;
  while (!pred()) {
    if (static_cast<LONG>(end - ::GetTickCount()) <= 0) return pred();
    PumpFor(10);
  }
  return true;
}

HWND CreateHostWindow(int x, int y, int width, int height, const wchar_t* title, DWORD style,
                      DWORD exStyle) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"QorvTestHost";
    ::RegisterClassW(&wc);
    registered = true;
  }
  return ::CreateWindowExW(exStyle, L"QorvTestHost", title, style, x, y, width, height, nullptr,
                           nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

bool StartXInput(const std::wstring& args) {
  std::wstring cmd = L"Z:\\usr\\bin\\xdotool " + args;
  if (::GetFileAttributesW(L"Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES) return false;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
    return false;
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}

double NowSeconds() {
  static const LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = ::GetDC(nullptr);
  COLORREF c = ::GetPixel(screen, x, y);
  ::ReleaseDC(nullptr, screen);
  return c;
}

long ThreadWindowCount() {
  long n = 0;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND h, LPARAM lp) -> BOOL {
        auto* count = reinterpret_cast<long*>(lp);
        ++*count;
        ::EnumChildWindows(
            h, [](HWND, LPARAM c) -> BOOL { return ++*reinterpret_cast<long*>(c), TRUE; }, lp);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&n));
  return n;
}

}  // namespace qorv::test
