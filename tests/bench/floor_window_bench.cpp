// The platform's floor for the client's start-up: a program that does only what the client's
// start-up order requires before its splash shows (OLE, the connection check, one WinINet request
// to the manifest address, GDI+, the browser control created and navigating to the login page)
// and then shows one window. It carries the client's resources, its manifest with them, so it runs
// with the same DPI awareness and common controls. The client's time to its splash against this
// program's time to its window is what the client's own work costs on top of the platform.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <wininet.h>

#include <memory>

#include "base/win/environment.h"
#include "bench/one_window.h"
#include "browser/browser.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ::OleInitialize(nullptr);
  DWORD flags = 0;
  ::InternetGetConnectedState(&flags, 0);
  HINTERNET internet = ::InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (internet) {
    HINTERNET request = ::InternetOpenUrlW(
        internet, qorv::win::CurrentEndpoints().ManifestUrl().c_str(), nullptr, 0,
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (request) ::InternetCloseHandle(request);
    ::InternetCloseHandle(internet);
  }
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);

  // The control's host is a plain hidden window; the benchmark looks for the shown one by class.
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"Qorv.FloorHost";
  ::RegisterClassW(&wc);
  HWND host = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 767,
                                475, nullptr, nullptr, instance, nullptr);
  std::unique_ptr<qorv::browser::IBrowser> control =
      qorv::browser::CreateBrowser(host, RECT{0, 0, 767, 475});
  if (control) control->Navigate(qorv::win::CurrentEndpoints().LoginPageUrl());
  const int code = qorv::bench::ShowOneWindowAndRun(instance, L"Qorv.FloorWindow");
  control.reset();
  ::DestroyWindow(host);
  Gdiplus::GdiplusShutdown(token);
  ::OleUninitialize();
  return code;
}
