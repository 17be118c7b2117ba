// The icons a form shows in its caption, on the taskbar and in the task switcher, read from the
// program's icon file at the sizes asked for.
#pragma once

#include <windows.h>

#include <string>

#include "base/win/gdi.h"

namespace qorv::win {

inline constexpr int kBigIconSize = 32;    // pixels, at 96 DPI
inline constexpr int kSmallIconSize = 16;

struct FormIcons {
  UniqueIcon smallIcon;
  UniqueIcon bigIcon;
};

// The sizes the system asks a window's icons in at dpi (SM_CXICON and SM_CXSMICON for that DPI):
// 32 and 16 at 96, 48 and 24 at 144. The tray takes the small one.
struct IconSizes {
  int big = kBigIconSize;
  int small = kSmallIconSize;
};
IconSizes IconSizesForDpi(int dpi);

// An icon the file lacks, or a file that is not there, leaves that one empty.
FormIcons LoadFormIcons(const std::wstring& iconFile, int bigSize = kBigIconSize,
                        int smallSize = kSmallIconSize);

// The window only borrows the icons: whoever holds them keeps them until the window is gone.
void SetFormIcons(HWND hwnd, const FormIcons& icons);

// The program's icon (resource 1) for a window class: ICON_BIG at SM_CXICON, ICON_SMALL at
// SM_CXSMICON, the sizes the system asks a class's icons in at its DPI. A size the icon has no
// picture of is made from a larger one scaled down (a smaller one scaled up is blurred). Made
// once and kept for the process: a class holds its icons as long as it is registered.
HICON ClassIcon(WPARAM which);

}  // namespace qorv::win
