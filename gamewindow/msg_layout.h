// The exit question's places at a DPI: the design is in twips (a 3630 x 2100 window), so the
// dialog, its question, its two answers and its close button keep their proportions.
#pragma once

#include <cstdint>

#include "base/geometry.h"

namespace qorv::gamewindow {

struct MsgFrmPlaces {
  PixelRect window;  // at (0, 0)
  PixelRect bar, question, yes, no, close;
  int16_t cornerEllipse = 0;  // the rounded region's corner
};

MsgFrmPlaces PlaceMsgFrm(int dpi);
// The close button's left edge: 730 twips in from the right edge of a window outerWidthPx wide.
int MsgFrmCloseLeft(int outerWidthPx, int dpi);

}  // namespace qorv::gamewindow
