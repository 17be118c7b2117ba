// The main window's layout arithmetic, centring and version caption.
#include <gtest/gtest.h>

#include "gamewindow/main_layout.h"

namespace qorv::gamewindow {
namespace {

TEST(MainLayout, DesignSize) {
  // The designed client of 15540 x 9585 twips, borderless: the window is as wide.
  MainLayout l = LayOutMainWindow(15540, 15540, 9585, 480);
  EXPECT_EQ(l.regionRight, 1037);
  EXPECT_EQ(l.regionBottom, 640);
  ASSERT_TRUE(l.tabWidth);
  EXPECT_EQ(*l.tabWidth, 8640);
  EXPECT_EQ(l.gameSpaceLeft, 12240);
  EXPECT_EQ(l.otherUserLeft, 10690);
  EXPECT_EQ(l.closeLeft, 14810);
  EXPECT_EQ(l.closeLeft - l.minmaxLeft, 375);  // edge to edge with the widths
  EXPECT_EQ(l.minmaxLeft - l.minLeft, 360);
  EXPECT_EQ(l.minLeft - l.toolLeft, 360);
  ASSERT_TRUE(l.panel);
  EXPECT_EQ(l.panel->left, 60);
  EXPECT_EQ(l.panel->top, 480);
  EXPECT_EQ(l.panel->width, 15420);
  EXPECT_EQ(l.panel->height, 9585 - 480 - 60);
}

TEST(MainLayout, NarrowAndTinyWindowsKeepPlacingWhatFits) {
  struct Case {
    int64_t width, height;
    bool tab, panel;
  };
  const Case cases[] = {{6900, 3000, false, true}, {6915, 3000, true, true},
                        {3000, 500, false, false}, {0, 0, false, false}};
  for (const Case& c : cases) {
    MainLayout l = LayOutMainWindow(c.width, c.width, c.height, 480);
    EXPECT_EQ(l.tabWidth.has_value(), c.tab) << c.width;
    EXPECT_EQ(l.panel.has_value(), c.panel) << c.width;
    EXPECT_EQ(l.gameSpaceLeft, c.width - 3300);  // placed even when negative
  }
  // 127 twips are 8.47 pixels: 8, plus the region's extra one.
  EXPECT_EQ(LayOutMainWindow(0, 127, 127, 0).regionRight, 9);
  // A huge client clamps instead of wrapping into a negative region.
  EXPECT_EQ(LayOutMainWindow(0, 15LL * 100000, 15LL * 100000, 0).regionRight, 32767);
}

// The design-size window at each DPI, every control from its design twips by hand (x.5 cases go
// to the even pixel: 64.5, 22.5, 1443.5, 121.5, 148.5, 4.5, 2.5 and 27.5).
TEST(MainLayout, EveryControlAtEachDpi) {
  struct Case {
    int dpi, windowW, windowH, tabH;
    struct R { int x, y, w, h; } logo, tool, min, minmax, close, gameSpace, otherUser, tab, panel;
    int regionRight, regionBottom;
  } cases[] = {
      {96, 1036, 639, 32, {7, 2, 29, 29}, {914, 1, 24, 18}, {938, 1, 24, 18}, {962, 1, 25, 18},
       {987, 1, 43, 18}, {816, 0, 81, 22}, {713, 0, 99, 22}, {153, 3, 576, 32},
       {4, 32, 1028, 603}, 1037, 640},
      {120, 1295, 799, 40, {8, 2, 37, 37}, {1143, 1, 30, 22}, {1173, 1, 30, 22},
       {1203, 1, 31, 22}, {1234, 1, 54, 22}, {1020, 0, 101, 28}, {891, 0, 124, 28},
       {192, 4, 720, 40}, {5, 40, 1285, 754}, 1296, 800},
      {144, 1554, 958, 48, {10, 3, 44, 44}, {1372, 2, 36, 27}, {1408, 2, 36, 27},
       {1444, 2, 38, 27}, {1481, 2, 64, 27}, {1224, 0, 122, 33}, {1069, 0, 148, 33},
       {230, 4, 864, 48}, {6, 48, 1542, 904}, 1555, 959},
      {192, 2072, 1278, 64, {13, 4, 59, 59}, {1829, 2, 48, 36}, {1877, 2, 48, 36},
       {1925, 2, 50, 36}, {1975, 2, 86, 36}, {1632, 0, 162, 44}, {1425, 0, 198, 44},
       {307, 6, 1152, 64}, {8, 64, 2056, 1206}, 2073, 1279},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(DesignClientWidth(c.dpi), c.windowW);
    EXPECT_EQ(DesignClientHeight(c.dpi), c.windowH);
    MainPlaces m = PlaceMainWindow(c.windowW, c.windowW, c.windowH, c.tabH, 50, c.dpi);
    auto expect = [](const PixelRect& got, Case::R want, const char* name) {
      EXPECT_EQ(got, PixelRect::Sized(want.x, want.y, want.w, want.h)) << name;
    };
    expect(m.logo, c.logo, "logo");
    expect(m.tool, c.tool, "tool");
    expect(m.min, c.min, "min");
    expect(m.minmax, c.minmax, "minmax");
    expect(m.close, c.close, "close");
    expect(m.gameSpace, c.gameSpace, "gameSpace");
    expect(m.otherUser, c.otherUser, "otherUser");
    ASSERT_TRUE(m.tab);
    expect(*m.tab, c.tab, "tab");
    ASSERT_TRUE(m.panel);
    expect(*m.panel, c.panel, "panel");
    EXPECT_EQ(m.frame, PixelRect::Sized(0, 0, c.windowW, 50));
    EXPECT_EQ(m.regionRight, c.regionRight);
    EXPECT_EQ(m.regionBottom, c.regionBottom);
    // The four title buttons stay edge to edge at every DPI: a gap would show the bar between.
    EXPECT_LE(m.tool.right, m.min.left + 1);
    EXPECT_LE(m.min.right, m.minmax.left + 1);
    EXPECT_LE(m.minmax.right, m.close.left + 1);
  }
}

TEST(MainLayout, ABrokenDpiLaysOutAsTheNearestOneInRange) {
  MainPlaces low = PlaceMainWindow(1036, 1036, 639, 32, 33, 0);
  MainPlaces design = PlaceMainWindow(1036, 1036, 639, 32, 33, 96);
  EXPECT_EQ(low.close, design.close);
  EXPECT_EQ(low.panel, design.panel);
  MainPlaces high = PlaceMainWindow(4000, 4000, 3000, 160, 160, 9999);
  EXPECT_EQ(high.close, PlaceMainWindow(4000, 4000, 3000, 160, 160, 480).close);
}

TEST(MainLayout, CentringAndVersionCaption) {
  EXPECT_EQ(CentredOrigin(19200, 15540), 1830);
  EXPECT_EQ(CentredOrigin(15540, 15555), -7);  // toward zero, not floor
  EXPECT_EQ(CentredOrigin(100.5, 0), 50);      // 100.5 rounds to 100 first
  EXPECT_EQ(VersionCaption(1, 1, 0), L"版本号:1.1.0");
  EXPECT_EQ(VersionCaption(1, 1, 12), L"版本号:1.1.12");
}

}  // namespace
}  // namespace qorv::gamewindow
