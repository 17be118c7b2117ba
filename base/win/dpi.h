// The DPI a window is drawn at. The programs declare per-monitor awareness, so each top-level
// window has the DPI of the monitor it is on and learns of a change by WM_DPICHANGED.
#pragma once

#include <windows.h>

namespace qorv::win {

// The window's DPI, clamped to what the layouts accept; the system DPI where the window's own
// cannot be read (no window, a system without per-window DPI).
int DpiOf(HWND window);
// The DPI of the primary monitor's desktop, for what is laid out before it has a window.
int SystemDpi();

}  // namespace qorv::win
