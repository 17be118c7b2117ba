// The plumbing the borderless top-level windows share (the login screen, the main window, the
// exit question, the updater): dragging by a press anywhere the design calls the caption, the
// rounded outline, and the first place on the work area.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qorv::win {

// Hands the mouse to the system's move loop for hwnd, as a press on a caption would; the call
// returns when the button is released, with the window where the player put it. Messages are
// dispatched meanwhile, so the caller may be gone by then. Without a window only the capture is
// released.
void DragByCaption(HWND hwnd);

// The top-left corner of a width x height window centred on the primary monitor's work area
// (the whole screen when the system tells none), kept on the area when the window is larger.
POINT CentredOnWorkArea(int width, int height);

// Gives hWnd the round-rectangle region from (0, 0) to (right, bottom), exclusive, with corner
// ellipses of ellipseWidth x ellipseHeight pixels, redrawn at once. Once the window has the
// region the system owns it; a region the window refused is deleted here.
void RectRgn(HWND hWnd, int16_t right, int16_t bottom, int16_t ellipseWidth,
             int16_t ellipseHeight);

}  // namespace qorv::win
