// Helpers for Win32 tests under Wine: a plain top-level window to host controls, message pumping
// with a deadline, and reading pixels back from the screen.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace qorv::test {

// Dispatches queued messages for about `ms` milliseconds.
void PumpFor(int ms);
// Pumps until pred() is true or timeoutMs passes; returns pred().
bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 3000);

// A visible, plain top-level window (class "QorvTestHost").
HWND CreateHostWindow(int x, int y, int width, int height, const wchar_t* title = L"test host",
                      DWORD style = WS_POPUP | WS_VISIBLE, DWORD exStyle = 0);

// Seconds from an arbitrary start, from the high-resolution counter (benchmarks).
double NowSeconds();

// Starts the X server's input tool with a command line (drags must be real X input: under Wine
// the system's move loop follows the X pointer and its buttons). False where the tool is not.
bool StartXInput(const std::wstring& args);

// The colour on the screen at (x, y) in screen pixels (composited, as the user sees it).
COLORREF ScreenPixel(int x, int y);

// Windows of this thread, children included: USER objects as Wine lets them be counted
// (GetGuiResources gives 0 there).
long ThreadWindowCount();

}  // namespace qorv::test
