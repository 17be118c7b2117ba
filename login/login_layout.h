// The login screen's places at a DPI: the background picture (1237 x 696 pixels at 96 DPI) and,
// on it, the page window's picture box, the page inside it and the two buttons, all from the
// picture's pixels at 96 scaled to the DPI.
#pragma once

#include "base/geometry.h"
#include "base/picture_scale.h"

namespace qorv::login {

inline constexpr int kLoginWidth = 1237;  // the background picture's size at 96 DPI
inline constexpr int kLoginHeight = 696;

struct LoginPlaces {
  PixelRect screen;   // both windows, in screen pixels
  PixelRect picture;  // the page's box, in the window
  PixelRect page;     // the browser in the box (its border and scroll bars fall outside)
  // The two images: their pictures' 32 x 32 and 40 x 40 at the DPI, shrunk as every place is.
  PixelRect miniButton, closeButton;
};

// The background's size at the DPI, shrunk in its proportions where the work area is smaller:
// the layered picture is shrunk by this same rule (FitWithin), so the places below stay on it.
PixelSize LoginBackgroundSize(const PixelRect& work, int dpi);

// Centred on the work area at LoginBackgroundSize; on a background shrunk to fit, every place
// on it shrinks by the same factor, so the whole page is seen on any work area.
LoginPlaces PlaceLoginScreen(const PixelRect& work, int dpi);

}  // namespace qorv::login
