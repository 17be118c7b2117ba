#include "tabstrip/tab_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace qorv::tabstrip {
namespace {

TEST(TabWidth, WorkedNumbersAndNoLowerBound) {
  struct Case {
    const char* name;
    int32_t style, W, left, right, n, j, expected;
  } cases[] = {
      // Tab area 600, 3 unlocked: F = 586, w = 195 capped at 108.
      {"style 0, roomy", 0, 640, 40, 0, 3, 0, 108},
      // Tab area 300, 4 unlocked: F = 280, w = 70.
      {"style 1, four tabs", 1, 310, 10, 0, 4, 0, 70},
      // Tab area 300, 1 locked + 3 unlocked: F = 178, w = 59.33 -> 59.
      {"style 0, one locked", 0, 340, 40, 0, 4, 1, 59},
      {"right margin counts", 0, 340, 20, 20, 4, 1, 59},
      {"style 1 cap is 200", 7, 1000, 0, 0, 2, 0, 200},
      {"all locked: full width", 0, 100, 0, 0, 2, 2, 108},
      {"all locked, style 1", 1, 100, 0, 0, 3, 3, 200},
      {"no tabs", 0, 500, 40, 0, 0, 0, 108},
      // F / (n - j) with halves to even: F = 5, n = 2 -> 2.5 -> 2; F = 7 -> 3.5 -> 4.
      {"half to even down", 0, 19, 0, 0, 2, 0, 2},
      {"half to even up", 0, 21, 0, 0, 2, 0, 4},
      // No lower bound.
      {"zero", 0, 14, 0, 0, 3, 0, 0},
      {"negative", 0, 40, 40, 0, 2, 0, -7},
      {"style 1 negative", 1, 100, 0, 0, 30, 0, -2},
      {"locked tabs push it negative", 0, 300, 0, 0, 4, 3, -38},
      {"control narrower than its margins", 1, 5, 40, 40, 1, 0, -80},
  };
  for (auto& c : cases)
    EXPECT_EQ(ComputeTabWidth(c.style, c.W, c.left, c.right, c.n, c.j), c.expected) << c.name;
}

std::vector<TabSlot> Slots(std::initializer_list<std::pair<int32_t, int32_t>> list) {
  std::vector<TabSlot> out;
  for (auto [l, w] : list) out.push_back({l, w});
  return out;
}

TEST(TabLayout, PositionsPerStyle) {
  EXPECT_EQ(LayoutTabs(0, 108, {false, false, false}), Slots({{14, 108}, {122, 108}, {230, 108}}));
  EXPECT_EQ(LayoutTabs(1, 70, {false, false, false, false}),
            Slots({{0, 70}, {75, 70}, {150, 70}, {225, 70}}));
  EXPECT_EQ(LayoutTabs(0, 59, {false, true, false}), Slots({{14, 59}, {73, 108}, {181, 59}}));
  EXPECT_EQ(LayoutTabs(1, 60, {true, false}), Slots({{0, 200}, {205, 60}}));
  EXPECT_TRUE(LayoutTabs(0, 108, {}).empty());
}

TEST(TabLayout, TabsThatNoLongerFitNeverMoveBackOverEarlierOnes) {
  // A negative tab width lays unlocked tabs out at width 0; locked ones keep theirs.
  EXPECT_EQ(LayoutTabs(0, -7, {true, false, false, true}),
            Slots({{14, 108}, {122, 0}, {122, 0}, {122, 108}}));
  EXPECT_EQ(LayoutTabs(1, -2, {false, false, true}), Slots({{0, 0}, {5, 0}, {10, 200}}));
}

std::vector<TabView> Views(int32_t style, int32_t tabWidth, int n) {
  std::vector<TabView> out;
  for (auto s : LayoutTabs(style, tabWidth, std::vector<bool>(n, false)))
    out.push_back({s.left, s.width, false});
  return out;
}

TEST(TabHitTest, CodesMarginsRowsAndGaps) {
  // Style 1, W 320, margins 10 / 10, four tabs of 70 at 0, 75, 150, 225.
  auto tabs1 = Views(1, 70, 4);
  // Style 0, W 400, margins 40 / 0, three tabs of 108 at 14, 122, 230.
  auto tabs0 = Views(0, 108, 3);
  struct Case {
    const char* name;
    int style;
    const std::vector<TabView>* tabs;
    int32_t W, left, right, x, y;
    HitResult expected;
  } cases[] = {
      {"left of the control", 1, &tabs1, 320, 10, 10, -1, 10, {kHitOutside, false}},
      {"right of the control", 1, &tabs1, 320, 10, 10, 321, 10, {kHitOutside, false}},
      {"above", 1, &tabs1, 320, 10, 10, 50, -1, {kHitOutside, false}},
      {"row 26 of a 32 high strip", 1, &tabs1, 320, 10, 10, 50, 26, {kHitOutside, false}},
      {"row 25 still counts", 1, &tabs1, 320, 10, 10, 50, 25, {0, false}},
      {"left margin", 1, &tabs1, 320, 10, 10, 9, 10, {kHitMargin, false}},
      {"right margin", 1, &tabs1, 320, 10, 10, 311, 10, {kHitMargin, false}},
      {"right margin edge is area", 1, &tabs1, 320, 10, 10, 310, 10, {kHitNone, false}},
      {"last pixel with no right margin", 0, &tabs0, 400, 40, 0, 400, 10, {kHitNone, false}},
      {"first tab", 1, &tabs1, 320, 10, 10, 40, 10, {0, false}},
      {"tab's right edge included", 1, &tabs1, 320, 10, 10, 80, 10, {0, false}},
      {"gap between tabs", 1, &tabs1, 320, 10, 10, 83, 10, {kHitNone, false}},
      {"next tab's left edge", 1, &tabs1, 320, 10, 10, 85, 10, {1, false}},
      {"fourth tab", 1, &tabs1, 320, 10, 10, 300, 10, {3, false}},
      {"style 0 shared edge goes to the first", 0, &tabs0, 400, 40, 0, 162, 10, {0, false}},
      {"style 0 second tab", 0, &tabs0, 400, 40, 0, 163, 10, {1, false}},
      {"past the last style 0 tab", 0, &tabs0, 400, 40, 0, 379, 10, {kHitNone, false}},
      {"r of 14 is tab 0", 0, &tabs0, 400, 40, 0, 54, 10, {0, false}},
      {"r of 0 is tab 0", 0, &tabs0, 400, 40, 0, 40, 10, {0, false}},
  };
  for (auto& c : cases)
    EXPECT_EQ(HitTest(c.style, c.W, c.left, c.right, *c.tabs, c.x, c.y), c.expected) << c.name;
  EXPECT_EQ(HitTest(0, 400, 40, 0, {}, 100, 10), (HitResult{kHitNone, false}));
  EXPECT_EQ(HitTest(0, 400, 40, 0, {}, 10, 10), (HitResult{kHitMargin, false}));
}

TEST(TabHitTest, NarrowFirstTabStillOwnsTheFirstFourteenPixels) {
  // Tab 0 is 5 wide (style 1): r = 14 is past it, yet tab 0 is hit; r = 15 is in no tab.
  std::vector<TabView> tabs{{0, 5, false}, {10, 100, false}};
  EXPECT_EQ(HitTest(1, 300, 0, 0, tabs, 14, 10), (HitResult{0, false}));
  EXPECT_EQ(HitTest(1, 300, 0, 0, tabs, 15, 10), (HitResult{1, false}));
  // Even over tab 1's close area the rule answers tab 0 without close.
  std::vector<TabView> small{{0, 5, false}, {5, 20, false}};
  EXPECT_EQ(HitTest(1, 300, 0, 0, small, 12, 10), (HitResult{0, false}));
}

TEST(TabHitTest, CloseAreasIncludeTheirBounds) {
  // Style 0: tab 1 at Left 122, Width 108: close r in [206, 218], y in [6, 18].
  auto tabs0 = Views(0, 108, 3);
  // Style 1: tab 1 at Left 75, Width 70: close r in [125, 137], y in [7, 19].
  auto tabs1 = Views(1, 70, 4);
  struct Case {
    const char* name;
    int style;
    int32_t r, y;
    HitResult expected;
  } cases[] = {
      {"s0 left bound", 0, 206, 6, {1, true}},   {"s0 right bound", 0, 218, 18, {1, true}},
      {"s0 one left", 0, 205, 10, {1, false}},   {"s0 one right", 0, 219, 10, {1, false}},
      {"s0 one above", 0, 210, 5, {1, false}},   {"s0 one below", 0, 210, 19, {1, false}},
      {"s1 left bound", 1, 125, 7, {1, true}},   {"s1 right bound", 1, 137, 19, {1, true}},
      {"s1 one left", 1, 124, 12, {1, false}},   {"s1 one right", 1, 138, 12, {1, false}},
      {"s1 one above", 1, 130, 6, {1, false}},   {"s1 one below", 1, 130, 20, {1, false}},
  };
  for (auto& c : cases) {
    const auto& tabs = c.style == 0 ? tabs0 : tabs1;
    EXPECT_EQ(HitTest(c.style, 1000, 0, 0, tabs, c.r, c.y), c.expected) << c.name;
  }
  auto hidden = tabs0;
  hidden[1].hideButton = true;
  EXPECT_EQ(HitTest(0, 1000, 0, 0, hidden, 210, 10), (HitResult{1, false}));
}

TEST(TabHitTest, NoCloseWhereTheCloseImageIsNotShown) {
  // Style 1 tabs narrower than 20 show no close image, and their close area closes nothing.
  std::vector<TabView> narrow{{0, 19, false}, {24, 19, false}, {48, 20, false}};
  EXPECT_FALSE(CloseButtonShown(1, narrow[1]));
  EXPECT_TRUE(CloseButtonShown(1, narrow[2]));
  EXPECT_EQ(HitTest(1, 300, 0, 0, narrow, 30, 10), (HitResult{1, false}));
  EXPECT_EQ(HitTest(1, 300, 0, 0, narrow, 50, 10), (HitResult{2, true}));
  // Zero-width tabs are not there to hit.
  std::vector<TabView> zero{{14, 108, false}, {122, 0, false}, {122, 0, false}};
  EXPECT_EQ(HitTest(0, 300, 0, 0, zero, 122, 10), (HitResult{0, false}));
  EXPECT_EQ(HitTest(0, 300, 0, 0, zero, 123, 10), (HitResult{kHitNone, false}));
  EXPECT_FALSE(CloseButtonShown(0, {0, 9, false}));
  EXPECT_TRUE(CloseButtonShown(0, {0, 10, false}));
}

TEST(TabHitTest, CoordinatesRoundHalfToEven) {
  EXPECT_EQ(RoundCoordinate(2.5f), 2);
  EXPECT_EQ(RoundCoordinate(3.5f), 4);
  EXPECT_EQ(RoundCoordinate(-0.5f), 0);
  EXPECT_EQ(RoundCoordinate(1e20f), INT32_MAX);
}

std::string Describe(const std::vector<TabPaint>& plan) {
  std::string out;
  for (auto& p : plan) {
    out += std::to_string(p.index) + ":" + "NHS"[static_cast<int>(p.frameImage)];
    if (p.drawClose) out += "SNHP"[static_cast<int>(p.closeImage)];
    out += " ";
  }
  return out;
}

TEST(TabPaintPlan, OrderFramesAndCloseImagesByState) {
  auto tabs = Views(0, 108, 4);
  struct Case {
    const char* name;
    int32_t selected, hover, closeState;
    const char* expected;
  } cases[] = {
      {"nothing hovered", 1, -1, 0, "3:NN 2:NN 0:NN 1:SS "},
      {"hover a tab", 1, 2, 0, "3:NN 2:HN 0:NN 1:SS "},
      {"hover its close", 1, 2, 1, "3:NN 2:HH 0:NN 1:SS "},
      {"press its close", 1, 2, 2, "3:NN 2:HP 0:NN 1:SS "},
      {"hover the selected", 1, 1, 0, "3:NN 2:NN 0:NN 1:SS "},
      {"hover the selected's close", 1, 1, 1, "3:NN 2:NN 0:NN 1:SH "},
      {"press the selected's close", 1, 1, 2, "3:NN 2:NN 0:NN 1:SP "},
      {"close state without hover", 1, -1, 2, "3:NN 2:NN 0:NN 1:SS "},
      {"no selection", -1, 0, 0, "3:NN 2:NN 1:NN 0:HN "},
      {"selection past the end", 4, -1, 0, "3:NN 2:NN 1:NN 0:NN "},
  };
  for (auto& c : cases)
    EXPECT_EQ(Describe(PlanTabPaint(0, tabs, c.selected, c.hover, c.closeState)), c.expected)
        << c.name;
}

PixelRect Px(int32_t x, int32_t y, int32_t w, int32_t h) { return PixelRect::Sized(x, y, w, h); }

TEST(TabPaintPlan, GeometryPerStyle) {
  struct Case {
    const char* name;
    int style;
    bool selected, hide;
    PixelRect frame, source, caption;
    bool close;
    PixelRect closeRect;
    int32_t closeSourceX;
  } cases[] = {
      // Style 0 tab at Left 122, Width 108.
      {"s0 normal", 0, false, false, Px(108, 0, 122, 25), Px(1, 0, 122, 25), Px(122, 0, 70, 25),
       true, Px(206, 6, 12, 12), 379},
      {"s0 normal, no button",
       0,
       false,
       true,
       Px(108, 0, 122, 25),
       Px(1, 0, 122, 25),
       Px(122, 0, 94, 25),
       false,
       {},
       0},
      {"s0 selected", 0, true, false, Px(108, 0, 122, 25), Px(245, 0, 122, 25), Px(122, 0, 82, 25),
       true, Px(206, 6, 12, 12), 367},
      {"s0 selected, no button",
       0,
       true,
       true,
       Px(108, 0, 122, 25),
       Px(245, 0, 122, 25),
       Px(122, 0, 82, 25),
       false,
       {},
       0},
      // Style 1 tab at Left 75, Width 70.
      {"s1 normal", 1, false, false, Px(75, 0, 70, 26), Px(1, 0, 124, 26), Px(87, 0, 42, 26), true,
       Px(125, 7, 12, 12), 385},
      {"s1 normal, no button",
       1,
       false,
       true,
       Px(75, 0, 70, 26),
       Px(1, 0, 124, 26),
       Px(87, 0, 62, 26),
       false,
       {},
       0},
      {"s1 selected", 1, true, false, Px(75, 0, 70, 26), Px(249, 0, 124, 26), Px(87, 0, 42, 26),
       true, Px(125, 7, 12, 12), 373},
      {"s1 selected, no button",
       1,
       true,
       true,
       Px(75, 0, 70, 26),
       Px(249, 0, 124, 26),
       Px(87, 0, 62, 26),
       false,
       {},
       0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto tabs = c.style == 0 ? Views(0, 108, 3) : Views(1, 70, 3);
    tabs[1].hideButton = c.hide;
    auto plan = PlanTabPaint(c.style, tabs, c.selected ? 1 : -1, -1, 0);
    auto it = std::find_if(plan.begin(), plan.end(), [](auto& p) { return p.index == 1; });
    ASSERT_NE(it, plan.end());
    EXPECT_EQ(it->frame, c.frame);
    EXPECT_EQ(it->frameSource, c.source);
    EXPECT_TRUE(it->drawCaption);
    EXPECT_EQ(it->captionBox, c.caption);
    EXPECT_EQ(it->drawClose, c.close);
    if (c.close) {
      EXPECT_EQ(it->close, c.closeRect);
      EXPECT_EQ(it->closeSourceX, c.closeSourceX);
    }
  }
  // Hovered frames come from x 123 / 125; pressed and hovered close images from 391 / 403.
  auto plan = PlanTabPaint(0, Views(0, 108, 1), -1, 0, 2);
  EXPECT_EQ(plan[0].frameSource.left, 123);
  EXPECT_EQ(plan[0].closeSourceX, 403);
  plan = PlanTabPaint(1, Views(1, 70, 1), -1, 0, 1);
  EXPECT_EQ(plan[0].frameSource.left, 125);
  EXPECT_EQ(plan[0].closeSourceX, 397);
}

TEST(TabPaintPlan, TabsThatNoLongerFitDrawNothingMisplaced) {
  // Width 0: nothing at all. Width 12 in style 0: frame, no caption (12 - 38 < 0) but a close
  // image inside the frame. Width 15 in style 1: frame and caption box 7 wide, no close image.
  std::vector<TabView> tabs0{{14, 0, false}, {14, 12, false}};
  auto plan = PlanTabPaint(0, tabs0, 0, -1, 0);
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_EQ(plan[0].index, 1);
  EXPECT_FALSE(plan[0].drawCaption);
  EXPECT_TRUE(plan[0].drawClose);
  EXPECT_GE(plan[0].close.left, plan[0].frame.left);
  std::vector<TabView> tabs1{{0, 15, false}};
  plan = PlanTabPaint(1, tabs1, 0, 0, 1);
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_TRUE(plan[0].drawCaption);
  EXPECT_EQ(plan[0].captionBox.Width(), 7);
  EXPECT_FALSE(plan[0].drawClose);
  EXPECT_TRUE(PlanTabPaint(1, {{0, -5, false}}, 0, -1, 0).empty());
}

TEST(TabCaption, CentredWhenItFitsElseLeftWithEllipsis) {
  struct Case {
    const char* name;
    int32_t x, y, w, h, cx, cy;
    CaptionPlan expected;
  } cases[] = {
      {"fits", 122, 0, 70, 25, 60, 13, {true, Px(122, 0, 70, 25), kCaptionCentred}},
      {"exactly fits", 122, 0, 70, 25, 70, 13, {true, Px(122, 0, 70, 25), kCaptionCentred}},
      // (25 - 14) / 2 = 5.5 -> 6; (25 - 13) / 2 = 6; (26 - 15) / 2 = 5.5 -> 6; (26 - 13) / 2
      // = 6.5 -> 6.
      {"too wide, 5.5 up", 122, 0, 70, 25, 71, 14, {true, Px(122, 6, 70, 25), kCaptionEllipsis}},
      {"too wide, even", 122, 0, 70, 25, 200, 13, {true, Px(122, 6, 70, 25), kCaptionEllipsis}},
      {"too wide, s1", 87, 0, 42, 26, 80, 15, {true, Px(87, 6, 42, 26), kCaptionEllipsis}},
      {"too wide, 6.5 down", 87, 0, 42, 26, 80, 13, {true, Px(87, 6, 42, 26), kCaptionEllipsis}},
      {"offset box", 10, 3, 20, 25, 80, 16, {true, Px(10, 8, 20, 25), kCaptionEllipsis}},
      {"zero-width box", 10, 0, 0, 25, 80, 16, {}},
      {"negative box", 10, 0, -5, 25, 80, 16, {}},
  };
  for (auto& c : cases)
    EXPECT_EQ(PlanCaption(c.x, c.y, c.w, c.h, c.cx, c.cy), c.expected) << c.name;
}

TEST(TabSkinImage, KeptBordersAndStretchedMiddle) {
  // A style 0 frame 122 wide drawn 136 wide with borders 14, 0, 14, 0.
  auto plan = PlanSkinImage(136, 25, 245, 0, 122, 25, 14, 0, 14, 0);
  std::vector<SkinBlit> expected{
      {true, Px(0, 0, 14, 25), Px(245, 0, 14, 25)},
      {true, Px(122, 0, 14, 25), Px(353, 0, 14, 25)},
      {true, Px(14, 0, 108, 25), Px(259, 0, 94, 25)},
  };
  EXPECT_EQ(plan, expected);
  // All four borders: four 1:1 corners, four edges, the centre.
  plan = PlanSkinImage(50, 40, 10, 20, 30, 30, 4, 5, 6, 7);
  std::vector<SkinBlit> all{
      {false, Px(0, 0, 4, 5), Px(10, 20, 4, 5)},    {false, Px(44, 0, 6, 5), Px(34, 20, 6, 5)},
      {false, Px(0, 33, 4, 7), Px(10, 43, 4, 7)},   {false, Px(44, 33, 6, 7), Px(34, 43, 6, 7)},
      {true, Px(0, 5, 4, 28), Px(10, 25, 4, 18)},   {true, Px(44, 5, 6, 28), Px(34, 25, 6, 18)},
      {true, Px(4, 0, 40, 5), Px(14, 20, 20, 5)},   {true, Px(4, 33, 40, 7), Px(14, 43, 20, 7)},
      {true, Px(4, 5, 40, 28), Px(14, 25, 20, 18)},
  };
  EXPECT_EQ(plan, all);
  // No borders: one stretch of the whole source.
  plan = PlanSkinImage(300, 32, 0, 0, 1, 28, 0, 0, 0, 0);
  EXPECT_EQ(plan, (std::vector<SkinBlit>{{true, Px(0, 0, 300, 32), Px(0, 0, 1, 28)}}));
}

TEST(TabSkinImage, EmptyOrNarrowTargetsNeverMirror) {
  for (auto [w, h, sw, sh] : {std::array{0, 25, 122, 25}, std::array{136, 0, 122, 25},
                              std::array{136, 25, 0, 25}, std::array{136, 25, 122, 0},
                              std::array{-5, 25, 122, 25}})
    EXPECT_TRUE(PlanSkinImage(w, h, 0, 0, sw, sh, 14, 0, 14, 0).empty()) << w << " " << h;
  // Every width from 1 to 40: the borders share the width, every copy has a positive size on
  // both sides, stays inside the image and inside the source.
  for (int32_t w = 1; w <= 40; ++w) {
    auto plan = PlanSkinImage(w, 25, 1, 0, 122, 25, 14, 0, 14, 0);
    int32_t covered = 0;
    for (auto& b : plan) {
      EXPECT_GT(b.dst.Width(), 0);
      EXPECT_GT(b.src.Width(), 0);
      EXPECT_GE(b.dst.left, 0);
      EXPECT_LE(b.dst.right, w);
      EXPECT_GE(b.src.left, 1);
      EXPECT_LE(b.src.right, 123);
      covered += b.dst.Width();
    }
    EXPECT_EQ(covered, w) << w;
  }
  auto plan = PlanSkinImage(10, 25, 1, 0, 122, 25, 14, 0, 14, 0);
  EXPECT_EQ(plan, (std::vector<SkinBlit>{{true, Px(0, 0, 5, 25), Px(1, 0, 5, 25)},
                                         {true, Px(5, 0, 5, 25), Px(118, 0, 5, 25)}}));
}

}  // namespace
}  // namespace qorv::tabstrip

namespace qorv::tabstrip {
namespace {

// One worked strip per style and DPI: a 300 (style 0) or 600 (style 1) pixel control with the
// main window's margins (design 40 and 10, so 50/60/80 and 12/15/20 scaled), three unlocked
// tabs; tab 1 unselected under the cursor's nothing. Each size is the design's at dpi/96,
// halves to even: 14 -> 17.5 -> 18 at 120, 123 -> 184.5 -> 184 and 7 -> 10.5 -> 10 at 144.
struct DpiStrip {
  int dpi;
  int style;
  int32_t control, left, height, width;
  int32_t slot1;           // tab 1's Left
  PixelRect frame, source;  // tab 1's frame and its normal image in the scaled skin
  int32_t border;
  PixelRect close;        // tab 1's close image
  int32_t closeSourceX;   // the normal close image in the scaled skin
  int32_t captionWidth;   // 0 or less: no caption drawn
};

const DpiStrip kDpiStrips[] = {
    // Style 0: width (300 - L - 14s) / 3, close at Left + Width - 24s, 12s square at y 6s.
    {96, 0, 300, 40, 25, 82, 96, Px(82, 0, 96, 25), Px(1, 0, 122, 25), 14, Px(154, 6, 12, 12),
     379, 44},
    {120, 0, 300, 50, 31, 77, 95, Px(77, 0, 95, 31), Px(1, 0, 153, 31), 18, Px(142, 8, 15, 15),
     474, 29},
    {144, 0, 300, 60, 38, 73, 94, Px(73, 0, 94, 38), Px(2, 0, 182, 38), 21, Px(131, 9, 18, 18),
     568, 16},
    {192, 0, 300, 80, 50, 64, 92, Px(64, 0, 92, 50), Px(2, 0, 244, 50), 28, Px(108, 12, 24, 24),
     758, -12},
    // Style 1: width (600 - L - 3 * 5s) / 3 capped at 200s, tabs 5s apart, close at
    // Left + Width - 20s, y 7s; the frame covers the tab.
    {96, 1, 600, 10, 32, 192, 197, Px(197, 0, 192, 26), Px(1, 0, 124, 26), 14,
     Px(369, 7, 12, 12), 385, 164},
    {120, 1, 600, 12, 40, 190, 196, Px(196, 0, 190, 32), Px(1, 0, 155, 32), 18,
     Px(361, 9, 15, 15), 481, 155},
    {144, 1, 600, 15, 48, 187, 195, Px(195, 0, 187, 39), Px(2, 0, 186, 39), 21,
     Px(352, 10, 18, 18), 578, 145},
    {192, 1, 600, 20, 64, 183, 193, Px(193, 0, 183, 52), Px(2, 0, 248, 52), 28,
     Px(336, 14, 24, 24), 770, 127},
};

TEST(TabStripAtDpi, SizesPositionsAndSkinPiecesAreTheDesignsScaled) {
  for (const DpiStrip& c : kDpiStrips) {
    SCOPED_TRACE(testing::Message() << "style " << c.style << " at " << c.dpi);
    EXPECT_EQ(StripHeight(c.style, c.dpi), c.height);
    const int32_t width = ComputeTabWidth(c.style, c.control, c.left, 0, 3, 0, c.dpi);
    EXPECT_EQ(width, c.width);
    const auto slots = LayoutTabs(c.style, width, {false, false, false}, c.dpi);
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots[1], (TabSlot{c.slot1, c.width}));
    std::vector<TabView> tabs;
    for (const TabSlot& s : slots) tabs.push_back({s.left, s.width, false});
    const auto plan = PlanTabPaint(c.style, tabs, 0, -1, 0, c.dpi);
    const auto tab1 = std::find_if(plan.begin(), plan.end(), [](auto& p) { return p.index == 1; });
    ASSERT_NE(tab1, plan.end());
    EXPECT_EQ(tab1->frame, c.frame);
    EXPECT_EQ(tab1->frameSource, c.source);
    EXPECT_EQ(tab1->frameBorder, c.border);
    ASSERT_TRUE(tab1->drawClose);
    EXPECT_EQ(tab1->close, c.close);
    EXPECT_EQ(tab1->closeSourceX, c.closeSourceX);
    EXPECT_EQ(tab1->captionBox.Width(), c.captionWidth);
    EXPECT_EQ(tab1->drawCaption, c.captionWidth > 0);
    EXPECT_EQ(tab1->captionBox.Height(), c.style == 0 ? c.height : c.frame.Height());
  }
}

TEST(TabStripAtDpi, APressLandsOnWhatIsDrawnThere) {
  for (const DpiStrip& c : kDpiStrips) {
    SCOPED_TRACE(testing::Message() << "style " << c.style << " at " << c.dpi);
    std::vector<TabView> tabs;
    for (const TabSlot& s : LayoutTabs(c.style, c.width, {false, false, false}, c.dpi))
      tabs.push_back({s.left, s.width, false});
    const PixelRect& x = c.close;  // tab-area coordinates; the hit test takes the control's
    auto hit = [&](int32_t r, int32_t y) { return HitTest(c.style, c.control, c.left, 0, tabs,
                                                          c.left + r, y, c.dpi); };
    const int32_t midX = x.left + x.Width() / 2, midY = x.top + x.Height() / 2;
    EXPECT_EQ(hit(midX, midY), (HitResult{1, true})) << "the close image's centre";
    EXPECT_EQ(hit(x.left, x.top), (HitResult{1, true}));
    EXPECT_EQ(hit(x.right, x.bottom), (HitResult{1, true}));
    EXPECT_EQ(hit(x.left - 1, midY), (HitResult{1, false}));
    EXPECT_EQ(hit(x.right + 1, midY), (HitResult{1, false}));
    EXPECT_EQ(hit(midX, x.bottom + 1), (HitResult{1, false}));
    // The row is style 0's height in both styles, scaled: nothing below it is a tab.
    const int32_t rowBottom = c.style == 0 ? c.height : StripHeight(0, c.dpi);
    EXPECT_EQ(hit(c.slot1 + 2, rowBottom), (HitResult{1, false}));
    EXPECT_EQ(hit(c.slot1 + 2, rowBottom + 1), (HitResult{kHitOutside, false}));
    // The first tab owns the first border's width of the area, as its frame starts there.
    EXPECT_EQ(hit(TabPx(kFirstTabLeft, c.dpi), 3).index, 0);
  }
}

}  // namespace
}  // namespace qorv::tabstrip
