#include "gamewindow/mod_msg.h"

#include "base/win/log.h"

namespace qorv::gamewindow {
namespace {

WNDPROC g_previous = nullptr;
HWND g_hooked = nullptr;
bool g_passThrough = false;  // unhooked while another hook was above us
MainWindowActions g_actions;

}  // namespace

void ToggleVisible(HWND hWnd) {
  if (::IsWindowVisible(hWnd) && ::IsIconic(hWnd)) {
    // Hiding a minimised window would bring it back minimised on the next toggle: the player
    // asking for the game gets it in front instead.
    ::ShowWindow(hWnd, SW_RESTORE);
    ::SetForegroundWindow(hWnd);
    return;
  }
  ::ShowWindow(hWnd, ::IsWindowVisible(hWnd) ? SW_HIDE : SW_SHOW);
}

bool HookMainWindow(HWND hWnd, const MainWindowActions& actions) {
  if (g_previous) {
    // One saved procedure: a second hook would lose the first one's.
    win::LogError(L"HookMainWindow: a main window is already hooked");
    return false;
  }
  if (!::RegisterHotKey(hWnd, kHotKeyId, 0, kHotKeyVk)) {
    win::LogInfo(L"F10 is taken by another program; the tray icon and the menu still toggle");
  }
  g_actions = actions;
  g_previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindowProc)));
  g_hooked = g_previous ? hWnd : nullptr;
  g_passThrough = false;
  return g_previous != nullptr;
}

void UnhookMainWindow(HWND hWnd) {
  ::UnregisterHotKey(hWnd, kHotKeyId);
  if (!g_previous || hWnd != g_hooked) return;
  if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == &MainWindowProc) {
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    g_previous = nullptr;
    g_hooked = nullptr;
  } else {
    g_passThrough = true;
  }
  g_actions = {};
}

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = g_previous;
  if (!previous || hWnd != g_hooked) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  if (g_passThrough) {
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == &MainWindowProc) {
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      g_previous = nullptr;
      g_hooked = nullptr;
      g_passThrough = false;
    }
  } else if (uMsg == WM_HOTKEY && HIWORD(lParam) == kHotKeyVk) {
    ToggleVisible(hWnd);
  } else if (uMsg == kTrayMessage) {
    if (lParam == WM_LBUTTONUP) {
      ToggleVisible(hWnd);
    } else if (lParam == WM_RBUTTONUP && g_actions.popupMenu) {
      g_actions.popupMenu(hWnd);
    }
  }
  LRESULT result = ::CallWindowProcW(previous, hWnd, uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) {
    // The window is gone: there is nothing left to restore, and the next main window may hook.
    g_previous = nullptr;
    g_hooked = nullptr;
    g_passThrough = false;
    g_actions = {};
  }
  return result;
}

}  // namespace qorv::gamewindow
