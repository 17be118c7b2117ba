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

TEST(MainLayout, CentringAndVersionCaption) {
  EXPECT_EQ(CentredOrigin(19200, 15540), 1830);
  EXPECT_EQ(CentredOrigin(15540, 15555), -7);  // toward zero, not floor
  EXPECT_EQ(CentredOrigin(100.5, 0), 50);      // 100.5 rounds to 100 first
  EXPECT_EQ(VersionCaption(1, 1, 0), L"版本号:1.1.0");
  EXPECT_EQ(VersionCaption(1, 1, 12), L"版本号:1.1.12");
}

}  // namespace
}  // namespace qorv::gamewindow
