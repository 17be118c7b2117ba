#include "base/win/dpi.h"

#include "base/units.h"

namespace qorv::win {

namespace {

// Looked up rather than imported: Windows 10 before 1607 lacks both, and an import the loader
// cannot resolve would stop the program before it shows anything.
template <class Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                : nullptr;
}

}  // namespace

int SystemDpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  if (getDpiForSystem) return ClampDpi(static_cast<int>(getDpiForSystem()));
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
  if (screen) ::ReleaseDC(nullptr, screen);
  return ClampDpi(dpi);
}

int DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (window && getDpiForWindow) {
    UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return ClampDpi(static_cast<int>(dpi));
  }
  return SystemDpi();
}

}  // namespace qorv::win
