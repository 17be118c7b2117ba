#include "login/login_layout.h"

namespace qorv::login {

namespace {

PixelRect Scaled(int x, int y, int w, int h, int dpi) {
  return PixelRect::Sized(ScaleForDpi(x, dpi), ScaleForDpi(y, dpi), ScaleForDpi(w, dpi),
                          ScaleForDpi(h, dpi));
}

// The origin along one axis: the whole extent centred if it fits, else the part that must be
// seen (from `from`, `size` long) centred.
int Origin(int workLo, int workHi, int extent, int from, int size) {
  const int work = workHi - workLo;
  if (extent <= work) return workLo + (work - extent) / 2;
  return workLo + (work - size) / 2 - from;
}

}  // namespace

LoginPlaces PlaceLoginScreen(const PixelRect& work, int dpi) {
  LoginPlaces p;
  const int width = ScaleForDpi(kLoginWidth, dpi);
  const int height = ScaleForDpi(kLoginHeight, dpi);
  p.picture = Scaled(399, 119, 748, 456, dpi);
  p.page = Scaled(-1, -1, 767, 475, dpi);
  p.miniButton = Point{ScaleForDpi(1130, dpi), ScaleForDpi(116, dpi)};
  p.closeButton = Point{ScaleForDpi(1146, dpi), ScaleForDpi(147, dpi)};
  const int x = Origin(work.left, work.right, width, p.picture.left, p.picture.Width());
  const int y = Origin(work.top, work.bottom, height, p.picture.top, p.picture.Height());
  p.screen = PixelRect::Sized(x, y, width, height);
  return p;
}

}  // namespace qorv::login
