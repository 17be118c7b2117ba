// Base of every window class: one static procedure finds the C++ object through GWLP_USERDATA
// (stored at WM_NCCREATE, cleared at WM_NCDESTROY) and calls HandleMessage. No exception may
// unwind through the system's dispatch: it is caught, logged, and the message gets the default
// handling.
#pragma once

#include <windows.h>

namespace qorv::win {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Hwnd() const { return m_hwnd; }

 protected:
  // Registers the class once per process (a second call is a no-op).
  static void RegisterClassOnce(const wchar_t* className, UINT style = 0, HICON icon = nullptr,
                                HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                HICON smallIcon = nullptr);
  HWND Create(const wchar_t* className, DWORD exStyle, const wchar_t* title, DWORD style, int x,
              int y, int width, int height, HWND parent, HMENU menu = nullptr);
  void Destroy();

  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hwnd, msg, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND m_hwnd = nullptr;
};

HINSTANCE ThisModule();

}  // namespace qorv::win
