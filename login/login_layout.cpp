#include "login/login_layout.h"

#include <algorithm>

#include "base/picture_scale.h"
#include "base/units.h"
#include "base/work_area.h"

namespace qorv::login {

namespace {

// A length in the background's pixels at 96 DPI, at the DPI and then shrunk as the background is.
class Scaler {
 public:
  Scaler(int dpi, double shrink) : m_dpi(dpi), m_shrink(shrink) {}
  int operator()(int at96) const {
    const int scaled = ScaleForDpi(at96, m_dpi);
    return m_shrink < 1.0 ? static_cast<int>(RoundHalfEven(scaled * m_shrink)) : scaled;
  }

 private:
  int m_dpi;
  double m_shrink;
};

}  // namespace

PixelSize LoginBackgroundSize(const PixelRect& work, int dpi) {
  return FitWithin(ScaleForDpi(kLoginWidth, dpi), ScaleForDpi(kLoginHeight, dpi), work.Width(),
                   work.Height());
}

LoginPlaces PlaceLoginScreen(const PixelRect& work, int dpi) {
  const int fullWidth = ScaleForDpi(kLoginWidth, dpi);
  const int fullHeight = ScaleForDpi(kLoginHeight, dpi);
  PixelSize size = LoginBackgroundSize(work, dpi);
  if (size.width <= 0 || size.height <= 0) size = {fullWidth, fullHeight};  // no work area read
  // The tighter side's factor: the other side was rounded down from it.
  const double shrink = std::min(static_cast<double>(size.width) / fullWidth,
                                 static_cast<double>(size.height) / fullHeight);
  const Scaler at(dpi, shrink);
  LoginPlaces p;
  p.picture = PixelRect::Sized(at(399), at(119), at(748), at(456));
  p.page = PixelRect::Sized(at(-1), at(-1), at(767), at(475));
  p.miniButton = PixelRect::Sized(at(1130), at(116), at(32), at(32));
  p.closeButton = PixelRect::Sized(at(1146), at(147), at(40), at(40));
  p.screen = PixelRect::Sized(CentredOnArea(work.left, work.Width(), size.width),
                              CentredOnArea(work.top, work.Height(), size.height), size.width,
                              size.height);
  return p;
}

}  // namespace qorv::login
