#include "updater/update_layout.h"

namespace qorv::updater {

namespace {

constexpr TwipsRect kWindow{0, 0, 6000, 1650};
constexpr int64_t kMargin = 240;
constexpr TwipsRect kLabel{kMargin, 690, 6000 - 2 * kMargin, 270};
constexpr TwipsRect kClose{0, 90, 645, 270};
constexpr int64_t kBarTop = 1140;
constexpr int kCloseRightTwips = 730;
constexpr int kCornerEllipseAt96 = 6;

}  // namespace

UpdateFrmPlaces PlaceUpdateFrm(int dpi) {
  UpdateFrmPlaces p;
  p.window = ToPixels(kWindow, dpi);
  p.label = ToPixels(kLabel, dpi);
  const PixelRect close = ToPixels(kClose, dpi);
  p.close = PixelRect::Sized(UpdateFrmCloseLeft(p.window.Width(), dpi), close.top, close.Width(),
                             close.Height());
  p.barLeft = p.label.left;
  p.barTop = TwipsToPixels(static_cast<double>(kBarTop), dpi);
  p.barWidth = p.label.Width();
  p.cornerEllipse = ScaleForDpi(kCornerEllipseAt96, dpi);
  return p;
}

int UpdateFrmCloseLeft(int widthPx, int dpi) {
  return LeftFromRightEdge(widthPx, kCloseRightTwips, dpi);
}

}  // namespace qorv::updater
