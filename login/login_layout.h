// The login screen's places at a DPI: the background picture (1237 x 696 pixels at 96 DPI) and,
// on it, the page window's picture box, the page inside it and the two buttons, all from the
// picture's pixels at 96 scaled to the DPI.
#pragma once

#include "base/geometry.h"

namespace qorv::login {

inline constexpr int kLoginWidth = 1237;  // the background picture's size at 96 DPI
inline constexpr int kLoginHeight = 696;

struct LoginPlaces {
  PixelRect screen;   // both windows, in screen pixels
  PixelRect picture;  // the page's box, in the window
  PixelRect page;     // the browser in the box (its border and scroll bars fall outside)
  Point miniButton, closeButton;
};

// Centred on the work area. Where the background is larger than the work area (a small monitor
// at a high DPI), the page's box is what must be seen whole: it is centred instead, and the
// background's edges fall off the work area.
LoginPlaces PlaceLoginScreen(const PixelRect& work, int dpi);

}  // namespace qorv::login
