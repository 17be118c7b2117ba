// Numbers of the skin button: how a state strip is cut into frames, which frame a look shows,
// where the caption, the icon and the focus rectangle go. Sizes of pictures are HIMETRIC,
// positions on the button are twips, frames are pixels.
#pragma once

#include <cstdint>

#include "base/geometry.h"

namespace qorv::controls {

// Looks of the button.
inline constexpr int kLookNormal = 0;
inline constexpr int kLookHover = 1;
inline constexpr int kLookPressed = 2;
inline constexpr int kLookDisabled = 3;

// The HIMETRIC size a picture made from a bitmap of `pixels` pixels reports.
int32_t PixelsToHimetric(int pixels);
// A picture's HIMETRIC size back in pixels, as the button reads it (nearest, halves to even).
int HimetricToPixelsNearest(double himetric);

struct FrameSize {
  int fw = 0;
  int fh = 0;
};

// A strip is cut into 3 frames for a push button (Style 0) and into 6 otherwise.
int FramesInStrip(int32_t style);
FrameSize ComputeFrameSize(int32_t widthHimetric, int32_t heightHimetric, int32_t style);

// Frame i of the strip, clipped to the strip: a frame computed past the strip's right edge (a
// rounding of the frame width up, a strip narrower than its frames) reads nothing outside it.
// w or h 0 means the frame has no pixels in the strip.
PixelRect FrameSource(int index, FrameSize size, int stripWidth, int stripHeight);

// The frame a look shows: look + |Value| x Style x 3, the pressed look when Locked. The disabled
// look has no frame of its own in the strips; it shows the normal frame of the same half, greyed.
// Value counts only for a toggle (Style 1), the one style whose Value can be true.
struct FrameChoice {
  int frame = 0;
  bool greyed = false;
};
FrameChoice ChooseFrame(int look, bool value, int32_t style, bool locked);

// Icon width as the caption arithmetic uses it: (HIMETRIC width \ 26) x 15 twips.
int64_t IconWidthTwips(int32_t iconWidthHimetric);

// Where the caption is printed, in twips (whole numbers). textWidth and textHeight are the
// caption's extent in twips; iconWidth is IconWidthTwips, or 0 without an icon.
Point CaptionPosition(double width, double height, double textWidth, double textHeight,
                      int64_t iconWidth, int look);
// Left edge of the icon in twips (the fraction is kept); its top is 0.
double IconLeft(double width, double textWidth, int64_t iconWidth);

// The focus rectangle in pixels: 3 pixels in from each edge of a width x height twips button.
PixelRect FocusRectangle(double width, double height, double twipsPerPixelX,
                         double twipsPerPixelY);

}  // namespace qorv::controls
