// A screenshot of the selected tab's page area: the page's own client rectangle in device pixels,
// without the frame, the tabs or the title strip, saved as PNG (GDI+'s encoder) under a name of
// screenshot_rule.h in the player's Pictures folder. The picture comes from the window's own
// rendering (PrintWindow with full-content rendering, which also holds what the page draws with
// the graphics card), else from the screen while the window is shown; the page is never reloaded
// or resized for it. A hidden or minimised window gives nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/win/gdi.h"
#include "base/win/handles.h"
#include "gamewindow/screenshot_rule.h"

namespace qorv::gamewindow {

struct ScreenshotResult {
  bool saved = false;
  std::wstring path;  // the file written, when saved
  ScreenshotFailure failure = ScreenshotFailure::kCaptureFailed;
  DWORD error = 0;    // the system's error of a failed write
};

// The picture of area's client rectangle as its top-level window `top` shows it; empty when top
// is hidden or minimised or no picture could be had.
struct CapturedArea {
  win::UniqueBitmap bitmap;
  int width = 0, height = 0;
};
std::optional<CapturedArea> CaptureArea(HWND top, HWND area);

// The PNG file's bytes for a bitmap; empty when GDI+ could not encode it.
std::optional<std::vector<uint8_t>> EncodePng(HBITMAP bitmap);

// What opens a folder for the player (the shell's "open"); tests replace it.
using FolderOpenerFn = std::function<void(const std::wstring& folder)>;
FolderOpenerFn& FolderOpener();

// The player's Pictures folder as the system names it (whether or not it exists).
std::wstring PicturesFolder();
LocalTime LocalNow();

// Captures area out of top and writes it into picturesDir\BrindleQorvane under the first free
// name for `now`; the folder is made when missing, the Pictures folder itself never is.
ScreenshotResult TakeScreenshot(HWND top, HWND area, const std::wstring& picturesDir,
                                const LocalTime& now);

}  // namespace qorv::gamewindow
