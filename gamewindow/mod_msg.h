// The main window's hot key and tray procedure: F10 (hot key 1000) and left clicks on the tray
// icon toggle the window, right clicks open the tool menu. Installed once per main window at its
// load, removed at its unload.
//
// The procedure sits below the window-style object's subclass, which is installed after it and
// released after it. Unhooking therefore never writes the window's procedure while another hook
// is above: the procedure then only passes messages on, and puts the previous procedure back the
// first time a message finds it on top again.
#pragma once

#include <windows.h>

namespace qorv::gamewindow {

inline constexpr int kHotKeyId = 1000;
inline constexpr UINT kHotKeyVk = VK_F10;      // 121
inline constexpr UINT kTrayMessage = 6242;     // 0x1862

struct MainWindowActions {
  void (*popupMenu)(HWND hWnd) = nullptr;  // the tool menu at the mouse position
};

// Registers F10 and installs MainWindowProc on hWnd; false when a window is already hooked.
bool HookMainWindow(HWND hWnd, const MainWindowActions& actions);
void UnhookMainWindow(HWND hWnd);
LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Hides a shown window and shows a hidden one; a minimised one is restored and brought forward.
void ToggleVisible(HWND hWnd);

}  // namespace qorv::gamewindow
