#include "controls/button_frames.h"

#include <algorithm>
#include <limits>

#include "base/units.h"

namespace qorv::controls {

namespace {

int ClampInt(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

}  // namespace

int32_t PixelsToHimetric(int pixels) {
  return static_cast<int32_t>(RoundHalfEven(pixels * 2540.0 / 96.0));
}

int HimetricToPixelsNearest(double himetric) {
  return ClampInt(RoundHalfEven(himetric / kHimetricPerPixel));
}

int FramesInStrip(int32_t style) { return style == 0 ? 3 : 6; }

FrameSize ComputeFrameSize(int32_t widthHimetric, int32_t heightHimetric, int32_t style) {
  FrameSize s;
  s.fh = HimetricToPixelsNearest(heightHimetric);
  s.fw = ClampInt(RoundHalfEven(widthHimetric / kHimetricPerPixel / FramesInStrip(style)));
  return s;
}

PixelRect FrameSource(int index, FrameSize size, int stripWidth, int stripHeight) {
  PixelRect r;
  if (index < 0 || size.fw <= 0 || size.fh <= 0 || stripWidth <= 0 || stripHeight <= 0) return r;
  int64_t left = static_cast<int64_t>(index) * size.fw;
  int64_t right = std::min<int64_t>(left + size.fw, stripWidth);
  if (left >= right) return r;
  return PixelRect::Sized(static_cast<int32_t>(left), 0, static_cast<int32_t>(right - left),
                          std::min(size.fh, stripHeight));
}

FrameChoice ChooseFrame(int look, bool value, int32_t style, bool locked) {
  FrameChoice c;
  int half = (value && style == 1) ? 3 : 0;
  if (locked) {
    c.frame = kLookPressed + half;
  } else if (look == kLookDisabled) {
    c.frame = kLookNormal + half;
    c.greyed = true;
  } else {
    c.frame = std::clamp(look, kLookNormal, kLookPressed) + half;
  }
  return c;
}

int64_t IconWidthTwips(int32_t iconWidthHimetric) {
  return static_cast<int64_t>(iconWidthHimetric / 26) * 15;
}

Point CaptionPosition(double width, double height, double textWidth, double textHeight,
                      int64_t iconWidth, int look) {
  double x = width / 2 - textWidth / 2 + static_cast<double>(iconWidth);
  Point p{RoundHalfEven(x), RoundHalfEven(height / 2 - textHeight / 2)};
  if (look == kLookPressed) {
    p.x += 15;
    p.y += 15;
  }
  return p;
}

double IconLeft(double width, double textWidth, int64_t iconWidth) {
  return (width / 2 - textWidth / 2) - static_cast<double>(iconWidth) / 2;
}

PixelRect FocusRectangle(double width, double height, double twipsPerPixelX,
                         double twipsPerPixelY) {
  if (twipsPerPixelX <= 0) twipsPerPixelX = kTwipsPerPixel;
  if (twipsPerPixelY <= 0) twipsPerPixelY = kTwipsPerPixel;
  return PixelRect::Edges(3, 3, ClampInt(RoundHalfEven(width / twipsPerPixelX - 3)),
                          ClampInt(RoundHalfEven(height / twipsPerPixelY - 3)));
}

}  // namespace qorv::controls
