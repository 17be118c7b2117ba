#include "gamewindow/msg_layout.h"

namespace qorv::gamewindow {

namespace {

constexpr TwipsRect kWindow{0, 0, 3630, 2100};
constexpr TwipsRect kBar{0, 0, 3630, 495};
// 480 high, not the design's 615: a label window reaching into the buttons' row paints over
// their tops (a windowless label lay beneath them), and two lines of the question fit.
constexpr TwipsRect kQuestion{360, 840, 3135, 480};
constexpr TwipsRect kYes{840, 1320, 975, 375};
constexpr TwipsRect kNo{2040, 1320, 975, 375};
constexpr TwipsRect kClose{2880, 15, 645, 270};
constexpr int kCloseRightTwips = 730;
constexpr int kCornerEllipseAt96 = 4;

}  // namespace

MsgFrmPlaces PlaceMsgFrm(int dpi) {
  MsgFrmPlaces p;
  p.window = ToPixels(kWindow, dpi);
  p.bar = ToPixels(kBar, dpi);
  p.question = ToPixels(kQuestion, dpi);
  p.yes = ToPixels(kYes, dpi);
  p.no = ToPixels(kNo, dpi);
  p.close = ToPixels(kClose, dpi);
  p.close = PixelRect::Sized(MsgFrmCloseLeft(p.window.Width(), dpi), p.close.top,
                             p.close.Width(), p.close.Height());
  p.cornerEllipse = static_cast<int16_t>(ScaleForDpi(kCornerEllipseAt96, dpi));
  return p;
}

int MsgFrmCloseLeft(int outerWidthPx, int dpi) {
  return LeftFromRightEdge(outerWidthPx, kCloseRightTwips, dpi);
}

}  // namespace qorv::gamewindow
