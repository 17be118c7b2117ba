// The updater window's places at a DPI, from its design in twips (a 6000 x 1650 window).
#pragma once

#include "base/geometry.h"

namespace qorv::updater {

struct UpdateFrmPlaces {
  PixelRect window;  // at (0, 0)
  PixelRect label, close;
  int barLeft = 0, barTop = 0, barWidth = 0;  // the bar's height is its skin's
  int cornerEllipse = 0;
};

UpdateFrmPlaces PlaceUpdateFrm(int dpi);
// The close button's left edge: 730 twips in from the right edge of a window widthPx wide.
int UpdateFrmCloseLeft(int widthPx, int dpi);

}  // namespace qorv::updater
