// The login screen at the DPIs Windows offers most, and on work areas too small for it.
#include <gtest/gtest.h>

#include "login/login_layout.h"

namespace qorv::login {
namespace {

TEST(LoginLayout, PageBoxAndButtonsAtEachDpi) {
  const PixelRect work = PixelRect::Edges(0, 0, 4000, 3000);  // room for all of them
  struct Case {
    int dpi, width, height;
    int boxX, boxY, boxW, boxH, pageW, pageH, miniX, closeY, miniW, closeW;
  } cases[] = {
      {96, 1237, 696, 399, 119, 748, 456, 767, 475, 1130, 147, 32, 40},
      // 1546.25, 870, 498.75, 148.75, 935, 570, 958.75, 593.75, 1412.5 -> 1412, 183.75
      {120, 1546, 870, 499, 149, 935, 570, 959, 594, 1412, 184, 40, 50},
      // 1855.5 -> 1856, 1044, 598.5 -> 598, 178.5 -> 178, 1122, 684, 1150.5 -> 1150, 712.5 -> 712
      {144, 1856, 1044, 598, 178, 1122, 684, 1150, 712, 1695, 220, 48, 60},
      {192, 2474, 1392, 798, 238, 1496, 912, 1534, 950, 2260, 294, 64, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    LoginPlaces p = PlaceLoginScreen(work, c.dpi);
    EXPECT_EQ(p.screen.Width(), c.width);
    EXPECT_EQ(p.screen.Height(), c.height);
    EXPECT_EQ(p.picture, PixelRect::Sized(c.boxX, c.boxY, c.boxW, c.boxH));
    EXPECT_EQ(p.page.Width(), c.pageW);
    EXPECT_EQ(p.page.Height(), c.pageH);
    EXPECT_EQ(p.miniButton.left, c.miniX);
    EXPECT_EQ(p.closeButton.top, c.closeY);
    // The images are square.
    EXPECT_EQ(p.miniButton,
              PixelRect::Sized(p.miniButton.left, p.miniButton.top, c.miniW, c.miniW));
    EXPECT_EQ(p.closeButton,
              PixelRect::Sized(p.closeButton.left, p.closeButton.top, c.closeW, c.closeW));
    // Centred on a work area it fits.
    EXPECT_EQ(p.screen.left, (4000 - c.width) / 2);
    EXPECT_EQ(p.screen.top, (3000 - c.height) / 2);
  }
}

// On a work area smaller than the background at the DPI, the background shrinks to fit in its
// proportions (as its layered picture does) and the page's box and buttons shrink with it: each
// place is its 96 DPI pixels at the DPI times the tighter side's factor, halves to even.
TEST(LoginLayout, OnASmallWorkAreaThePlacesShrinkWithTheBackground) {
  struct Case {
    const char* name;
    PixelRect work;
    int dpi;
    PixelRect screen, box;
    int pageW, pageH, miniX, closeY, miniW, closeW;
  } cases[] = {
      // 1856 x 1044 into 1280 wide: x 0.6897; box 598 x 0.6897 = 412.4, 1122 -> 773.8; the
      // images' 48 and 60 -> 33.1 and 41.4
      {"1280 x 984 at 150 %", PixelRect::Edges(0, 0, 1280, 984), 144,
       PixelRect::Sized(0, 132, 1280, 720), PixelRect::Sized(412, 123, 774, 472), 793, 491, 1169,
       152, 33, 41},
      // 1546 x 870 into 728 high: width 1546 x 728 / 870 = 1293.7 -> 1293
      {"1366 x 728 at 125 %", PixelRect::Edges(0, 0, 1366, 728), 120,
       PixelRect::Sized(36, 0, 1293, 728), PixelRect::Sized(417, 125, 782, 477), 802, 497, 1181,
       154, 33, 42},
      {"1024 x 728 at 100 %", PixelRect::Edges(0, 0, 1024, 728), 96,
       PixelRect::Sized(0, 76, 1024, 576), PixelRect::Sized(330, 98, 619, 377), 635, 393, 935, 122,
       26, 33},
      {"a second monitor left of the first", PixelRect::Edges(-1280, 40, 0, 1024), 144,
       PixelRect::Sized(-1280, 172, 1280, 720), PixelRect::Sized(412, 123, 774, 472), 793, 491,
       1169, 152, 33, 41},
      // Only 4 pixels short in height: the shrink is slight, and still applied to every place.
      {"1920 x 1040 at 150 %", PixelRect::Edges(0, 0, 1920, 1040), 144,
       PixelRect::Sized(36, 0, 1848, 1040), PixelRect::Sized(595, 177, 1117, 681), 1145, 709, 1688,
       219, 48, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoginPlaces p = PlaceLoginScreen(c.work, c.dpi);
    EXPECT_EQ(p.screen, c.screen);
    EXPECT_EQ(p.picture, c.box);
    EXPECT_EQ(p.page.Width(), c.pageW);
    EXPECT_EQ(p.page.Height(), c.pageH);
    EXPECT_EQ(p.miniButton.left, c.miniX);
    EXPECT_EQ(p.closeButton.top, c.closeY);
    // The images shrink with the rest: they keep their spot on the picture's artwork.
    EXPECT_EQ(p.miniButton.Width(), c.miniW);
    EXPECT_EQ(p.miniButton.Height(), c.miniW);
    EXPECT_EQ(p.closeButton.Width(), c.closeW);
    EXPECT_EQ(p.closeButton.Height(), c.closeW);
    // The size the layered picture is shrunk to, by the same rule.
    const PixelSize picture = LoginBackgroundSize(c.work, c.dpi);
    EXPECT_EQ(picture.width, p.screen.Width());
    EXPECT_EQ(picture.height, p.screen.Height());
    const PixelRect box = p.picture.Moved(p.screen.left, p.screen.top);
    EXPECT_GE(box.left, c.work.left);
    EXPECT_GE(box.top, c.work.top);
    EXPECT_LE(box.right, c.work.right);
    EXPECT_LE(box.bottom, c.work.bottom);
  }
}

}  // namespace
}  // namespace qorv::login
