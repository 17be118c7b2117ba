#include "base/win/window.h"

#include <exception>
#include <string>

#include "base/text.h"
#include "base/win/log.h"

namespace qorv::win {

HINSTANCE ThisModule() { return ::GetModuleHandleW(nullptr); }

Window::~Window() { Destroy(); }

void Window::RegisterClassOnce(const wchar_t* className, UINT style, HICON icon, HCURSOR cursor,
                               HBRUSH background, HICON smallIcon) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(ThisModule(), className, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = style;
  wc.lpfnWndProc = &Window::StaticWndProc;
  wc.hInstance = ThisModule();
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = cursor ? cursor : ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  ::RegisterClassExW(&wc);
}

HWND Window::Create(const wchar_t* className, DWORD exStyle, const wchar_t* title, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu) {
  return ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                           ThisModule(), this);
}

void Window::Destroy() {
  if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
  m_hwnd = nullptr;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandling(msg, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    self = static_cast<Window*>(cs->lpCreateParams);
    self->m_hwnd = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);

  LRESULT result = 0;
  try {
    result = self->HandleMessage(msg, wParam, lParam);
  } catch (const std::exception& e) {
    LogError(L"window message " + std::to_wstring(msg) + L" failed: " + Utf8ToWide(e.what()));
    result = ::DefWindowProcW(hwnd, msg, wParam, lParam);
  } catch (...) {
    LogError(L"window message " + std::to_wstring(msg) + L" failed");
    result = ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    // Objects outlive their windows (a form is released only after its window is destroyed), so
    // the object is still there to forget its handle.
    self->m_hwnd = nullptr;
  }
  return result;
}

}  // namespace qorv::win
