// The rounded outline of the borderless windows: the main window (6 x 6 corners) and the exit
// dialog (4 x 4).
#pragma once

#include <windows.h>

#include <cstdint>

namespace qorv::gamewindow {

// Gives hWnd the round-rectangle region from (0, 0) to (right, bottom), exclusive, with corner
// ellipses of ellipseWidth x ellipseHeight pixels, redrawn at once. Once the window has the
// region the system owns it; a region the window refused is deleted here.
void RectRgn(HWND hWnd, int16_t right, int16_t bottom, int16_t ellipseWidth,
             int16_t ellipseHeight);

}  // namespace qorv::gamewindow
