// The login screen at the DPIs Windows offers most, and on work areas too small for it.
#include <gtest/gtest.h>

#include "login/login_layout.h"

namespace qorv::login {
namespace {

TEST(LoginLayout, PageBoxAndButtonsAtEachDpi) {
  const PixelRect work = PixelRect::Edges(0, 0, 4000, 3000);  // room for all of them
  struct Case {
    int dpi, width, height;
    int boxX, boxY, boxW, boxH, pageW, pageH, miniX, closeY;
  } cases[] = {
      {96, 1237, 696, 399, 119, 748, 456, 767, 475, 1130, 147},
      // 1546.25, 870, 498.75, 148.75, 935, 570, 958.75, 593.75, 1412.5 -> 1412, 183.75
      {120, 1546, 870, 499, 149, 935, 570, 959, 594, 1412, 184},
      // 1855.5 -> 1856, 1044, 598.5 -> 598, 178.5 -> 178, 1122, 684, 1150.5 -> 1150, 712.5 -> 712
      {144, 1856, 1044, 598, 178, 1122, 684, 1150, 712, 1695, 220},
      {192, 2474, 1392, 798, 238, 1496, 912, 1534, 950, 2260, 294},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    LoginPlaces p = PlaceLoginScreen(work, c.dpi);
    EXPECT_EQ(p.screen.Width(), c.width);
    EXPECT_EQ(p.screen.Height(), c.height);
    EXPECT_EQ(p.picture, PixelRect::Sized(c.boxX, c.boxY, c.boxW, c.boxH));
    EXPECT_EQ(p.page.Width(), c.pageW);
    EXPECT_EQ(p.page.Height(), c.pageH);
    EXPECT_EQ(p.miniButton.x, c.miniX);
    EXPECT_EQ(p.closeButton.y, c.closeY);
    // Centred on a work area it fits.
    EXPECT_EQ(p.screen.left, (4000 - c.width) / 2);
    EXPECT_EQ(p.screen.top, (3000 - c.height) / 2);
  }
}

TEST(LoginLayout, TheWholePageIsSeenOnAWorkAreaSmallerThanTheBackground) {
  struct Case {
    const char* name;
    PixelRect work;
    int dpi;
  } cases[] = {
      {"1280 x 984 at 150 %", PixelRect::Edges(0, 0, 1280, 984), 144},
      {"1366 x 728 at 125 %", PixelRect::Edges(0, 0, 1366, 728), 120},
      {"1024 x 728 at 100 %", PixelRect::Edges(0, 0, 1024, 728), 96},
      {"a second monitor left of the first", PixelRect::Edges(-1280, 40, 0, 1024), 144},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoginPlaces p = PlaceLoginScreen(c.work, c.dpi);
    const PixelRect box = p.picture.Moved(p.screen.left, p.screen.top);
    EXPECT_GE(box.left, c.work.left);
    EXPECT_GE(box.top, c.work.top);
    EXPECT_LE(box.right, c.work.right);
    EXPECT_LE(box.bottom, c.work.bottom);
  }
}

}  // namespace
}  // namespace qorv::login
