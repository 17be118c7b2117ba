// The page zoom steps the player moves through, in percent of the page's size at the window's
// DPI (the engine's optical zoom comes on top of the display scale, not in place of it).
#pragma once

#include <array>

namespace qorv::gamewindow {

inline constexpr std::array<int, 11> kZoomSteps = {50, 67, 75, 80, 90, 100,
                                                   110, 125, 150, 175, 200};
inline constexpr int kDefaultZoom = 100;

// The next step up or down from percent; the largest and smallest steps stay where they are. A
// percent between steps (a remembered value from elsewhere) moves to the neighbouring step in
// that direction.
int ZoomIn(int percent);
int ZoomOut(int percent);
// The nearest step (the lower one on a tie); outside the range the end step.
int NearestZoomStep(int percent);
bool IsZoomStep(int percent);

}  // namespace qorv::gamewindow
