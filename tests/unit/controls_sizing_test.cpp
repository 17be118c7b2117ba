#include "controls/sizing.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

namespace qorv::controls {
namespace {

const PixelRect kWin = PixelRect::Edges(100, 100, 1100, 800);

TEST(Sizing, HitZonesCornersBeforeEdges) {
  struct Case {
    int x, y, zone;
  } cases[] = {
      {100, 800, kZoneBottomLeft}, {100, 100, kZoneTopLeft},   {1100, 800, kZoneBottomRight},
      {1100, 100, kZoneTopRight},  {600, 100, kZoneTop},       {1100, 450, kZoneRight},
      {600, 800, kZoneBottom},     {100, 450, kZoneLeft},      {600, 450, kZoneNone},
      // Tolerance 5 on both sides of an edge; 6 is out.
      {105, 450, kZoneLeft},       {106, 450, kZoneNone},      {95, 450, kZoneLeft},
      {94, 450, kZoneNone},        {600, 105, kZoneTop},       {600, 106, kZoneNone},
      {1095, 450, kZoneRight},     {1094, 450, kZoneNone},     {600, 795, kZoneBottom},
      {600, 794, kZoneNone},
      // Within 5 of a corner along an edge is the corner; an edge starts 6 from it.
      {105, 100, kZoneTopLeft},    {106, 100, kZoneTop},       {1094, 100, kZoneTop},
      {1095, 100, kZoneTopRight},  {100, 105, kZoneTopLeft},   {100, 106, kZoneLeft},
      {1100, 794, kZoneRight},     {1100, 795, kZoneBottomRight},
      {99, 801, kZoneBottomLeft},
  };
  for (const auto& c : cases) EXPECT_EQ(HitZone(kWin, c.x, c.y), c.zone) << c.x << "," << c.y;
}

TEST(Sizing, HitZoneOrderDecidesOnATinyWindow) {
  // Every corner matches here; the first in the order wins.
  PixelRect tiny = PixelRect::Edges(0, 0, 8, 8);
  EXPECT_EQ(HitZone(tiny, 0, 4), kZoneBottomLeft);
  EXPECT_EQ(HitZone(tiny, 8, 4), kZoneBottomRight);
  EXPECT_EQ(HitZone(PixelRect::Edges(0, 0, 8, 100), 4, 0), kZoneTopLeft);
  // An edge starts 6 pixels from each corner.
  EXPECT_EQ(HitZone(PixelRect::Edges(0, 0, 12, 100), 6, 0), kZoneTop);
  EXPECT_EQ(HitZone(PixelRect::Edges(0, 0, 12, 100), 6, 50), kZoneNone);
}

// The zones are as wide on the screen at every DPI: 5 pixels at 96, 6 at 120 (6.25), 8 at 144
// (7.5 to the even 8), 10 at 192; a DPI out of range counts as the nearest in range.
TEST(Sizing, HitZonesScaleWithTheDpi) {
  const PixelRect w = PixelRect::Edges(100, 100, 2100, 1600);
  struct Case {
    int dpi, tolerance;
  } cases[] = {{96, 5}, {120, 6}, {144, 8}, {192, 10}, {0, 5}, {1000, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(HitZone(w, 1000, 100 - c.tolerance, c.dpi), kZoneTop);
    EXPECT_EQ(HitZone(w, 1000, 100 - c.tolerance - 1, c.dpi), kZoneNone);
    EXPECT_EQ(HitZone(w, 2100 + c.tolerance, 800, c.dpi), kZoneRight);
    EXPECT_EQ(HitZone(w, 2100 + c.tolerance + 1, 800, c.dpi), kZoneNone);
    EXPECT_EQ(HitZone(w, 100 + c.tolerance, 1600 + c.tolerance, c.dpi), kZoneBottomLeft);
    // Just past the corner's reach along the edge: the edge, not the corner.
    EXPECT_EQ(HitZone(w, 100 + c.tolerance + 1, 1600, c.dpi), kZoneBottom);
  }
}

TEST(Sizing, OutlineLimitsScaleWithTheDpi) {
  const PixelRect o = PixelRect::Edges(0, 0, 2000, 1500);
  struct Case {
    int dpi, minWidth, minHeight;
  } cases[] = {{96, 800, 600}, {120, 1000, 750}, {144, 1200, 900}, {192, 1600, 1200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(UpdateOutline(o, kZoneRight, c.minWidth + 1, 0, c.dpi).right, c.minWidth + 1);
    EXPECT_EQ(UpdateOutline(o, kZoneRight, c.minWidth, 0, c.dpi).right, 2000);
    EXPECT_EQ(UpdateOutline(o, kZoneBottom, 0, c.minHeight, c.dpi).bottom, 1500);
    OutlineDrag drag;
    drag.Begin(o, kZoneLeft, c.dpi);
    drag.Move(2000 - c.minWidth, 0);
    EXPECT_EQ(drag.Drawn().left, 0) << "the drag keeps the DPI it began at";
  }
}

TEST(Sizing, OutlineUpdateByZoneWithLimits) {
  const PixelRect o = PixelRect::Edges(100, 100, 1100, 800);
  struct Case {
    int zone, x, y;
    PixelRect r;
  } cases[] = {
      {kZoneTop, 50, 900, PixelRect::Edges(100, 900, 1100, 800)},  // the top edge has no limit
      {kZoneTopRight, 20, 30,
       PixelRect::Edges(100, 30, 20, 800)},  // nor the right edge of the top-right corner
      {kZoneRight, 901, 0, PixelRect::Edges(100, 100, 901, 800)},
      {kZoneRight, 900, 0, o},  // the width would not exceed 800
      {kZoneBottomRight, 900, 701, PixelRect::Edges(100, 100, 1100, 701)},
      {kZoneBottomRight, 1200, 700, PixelRect::Edges(100, 100, 1200, 800)},
      {kZoneBottom, 0, 701, PixelRect::Edges(100, 100, 1100, 701)},
      {kZoneBottom, 0, 700, o},
      {kZoneBottomLeft, 299, 900, PixelRect::Edges(299, 100, 1100, 900)},
      {kZoneBottomLeft, 300, 650, o},
      {kZoneLeft, 299, 0, PixelRect::Edges(299, 100, 1100, 800)},
      {kZoneLeft, 300, 0, o},
      {kZoneTopLeft, 2000, 2000,
       PixelRect::Edges(2000, 2000, 1100, 800)},  // nor the top-left corner
      {kZoneNone, 0, 0, o},
      {42, 0, 0, o},
  };
  for (const auto& c : cases)
    EXPECT_EQ(UpdateOutline(o, c.zone, c.x, c.y), c.r) << "zone " << c.zone << " " << c.x;
}

TEST(Sizing, DraggingTheRightEdgeLeftStopsAbove800) {
  OutlineDrag drag;
  drag.Begin(kWin, kZoneRight);
  for (int x = 1100; x >= 700; x -= 7) drag.Move(x, 400);
  EXPECT_EQ(drag.Drawn().right, 904);  // the last x tried that still left more than 800
  // The top edge dragged down has no stop.
  OutlineDrag top;
  top.Begin(kWin, kZoneTop);
  top.Move(500, 790);
  EXPECT_EQ(top.Drawn().top, 790);
  // Limits near the coordinate range do not wrap.
  EXPECT_EQ(
      UpdateOutline(PixelRect::Edges(INT32_MAX - 10, 0, 0, 0), kZoneRight, INT32_MIN, 0).right, 0);
}

TEST(Sizing, EveryOutlineDrawnIsDrawnTwice) {
  // XOR drawing: a rectangle drawn an even number of times leaves nothing on the screen.
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    OutlineDrag drag;
    std::map<std::tuple<int, int, int, int>, int> count;
    auto record = [&](const std::vector<PixelRect>& rects) {
      for (const auto& r : rects) ++count[{r.left, r.top, r.right, r.bottom}];
    };
    record(drag.Begin(kWin, static_cast<int>(rng() % 8)));
    int moves = static_cast<int>(rng() % 20);
    for (int i = 0; i < moves; ++i) {
      if (rng() % 10 == 0) record(drag.Begin(kWin, static_cast<int>(rng() % 8)));  // restarted
      record(drag.Move(static_cast<int>(rng() % 2000) - 200, static_cast<int>(rng() % 1500) - 200));
    }
    PixelRect final = drag.Drawn();
    record(drag.End());
    record(drag.End());  // a second end draws nothing
    record(drag.Move(1, 1));  // nor does a move after it
    EXPECT_FALSE(drag.Active());
    for (const auto& [rect, n] : count) EXPECT_EQ(n % 2, 0) << "round " << round;
    (void)final;
  }
}

TEST(Sizing, EndReportsTheOutlineToMoveTo) {
  OutlineDrag drag;
  EXPECT_EQ(drag.Begin(kWin, kZoneBottomRight), std::vector<PixelRect>{kWin});
  auto drawn = drag.Move(1300, 950);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0], kWin);  // the old outline removed first
  EXPECT_EQ(drawn[1], (PixelRect::Edges(100, 100, 1300, 950)));
  EXPECT_EQ(drag.Drawn(), (PixelRect::Edges(100, 100, 1300, 950)));
  EXPECT_EQ(drag.End(), std::vector<PixelRect>{(PixelRect::Edges(100, 100, 1300, 950))});
}

TEST(Sizing, TaskbarHeight) {
  EXPECT_EQ(TaskbarHeightTwips(1024, 994, 15, 15), 450);  // 30 pixels docked at the bottom
  EXPECT_EQ(TaskbarHeightTwips(1024, 1024, 15, 15), 0);   // at the top, a side, or none
  EXPECT_EQ(TaskbarHeightTwips(1024, 1100, 15, 15), 0);   // a work area below the screen
  EXPECT_EQ(TaskbarHeightTwips(1024, -100000, 15, 15), 32767);
  EXPECT_EQ(TaskbarHeightTwips(1024, 994, 0, 15), 0);
  // The screen's twips come from the vertical factor, everything else from the horizontal one:
  // (768 x 15 / 12 - 738) x 12 = 2664.
  EXPECT_EQ(TaskbarHeightTwips(768, 738, 12, 15), 2664);
}

TEST(Sizing, MaximisedBoundsAboveTheTaskbar) {
  EXPECT_EQ(MaximisedBounds(1280, 1024, 450, 15, 15), (TwipsRect{0, 0, 19200, 14910}));
  EXPECT_EQ(MaximisedBounds(1280, 1024, 0, 15, 15), (TwipsRect{0, 0, 19200, 15360}));
}

TEST(Sizing, MaximisedOnTheWindowsMonitorAboveItsBottomTaskbar) {
  using R = PixelRect;
  struct Case {
    const char* what;
    PixelRect monitor, work;
    int dpi;
    PixelRect want;
  } cases[] = {
      {"primary, taskbar at the bottom", R::Edges(0, 0, 1280, 1024), R::Edges(0, 0, 1280, 994), 96,
       R::Edges(0, 0, 1280, 994)},
      {"taskbar at the top: covered", R::Edges(0, 0, 1280, 1024), R::Edges(0, 40, 1280, 1024), 96,
       R::Edges(0, 0, 1280, 1024)},
      {"taskbar on the left: covered", R::Edges(0, 0, 1280, 1024), R::Edges(60, 0, 1280, 1024), 96,
       R::Edges(0, 0, 1280, 1024)},
      {"hidden taskbar", R::Edges(0, 0, 1920, 1080), R::Edges(0, 0, 1920, 1080), 120,
       R::Edges(0, 0, 1920, 1080)},
      {"second monitor right of the primary at 150 %", R::Edges(1280, 0, 4160, 1620),
       R::Edges(1280, 0, 4160, 1548), 144, R::Edges(1280, 0, 4160, 1548)},
      {"monitor left of and above the primary at 125 %", R::Edges(-1920, -200, 0, 880),
       R::Edges(-1920, -200, 0, 832), 120, R::Edges(-1920, -200, 0, 832)},
      {"odd sizes at 175 %", R::Edges(0, 0, 2561, 1441), R::Edges(0, 0, 2561, 1373), 168,
       R::Edges(0, 0, 2561, 1373)},
      {"odd place and sizes at 500 %", R::Edges(3, 7, 3844, 2168), R::Edges(3, 7, 3844, 2107), 480,
       R::Edges(3, 7, 3844, 2107)},
      {"a DPI from a broken query", R::Edges(0, 0, 1366, 768), R::Edges(0, 0, 1366, 728), 0,
       R::Edges(0, 0, 1366, 728)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MaximisedOnMonitor(c.monitor, c.work, c.dpi), c.want) << c.what;
  }
  // The twips between the work area's pixels and the window's lose nothing at any DPI: the
  // window is the monitor down to its work area's bottom.
  std::mt19937 random(7);
  std::uniform_int_distribution<int> size(200, 8000), place(-8000, 8000), bar(0, 300);
  for (int dpi = kMinDpi; dpi <= kMaxDpi; dpi += 8) {
    const PixelRect monitor =
        PixelRect::Sized(place(random), place(random), size(random), size(random));
    PixelRect work = monitor;
    work.bottom -= bar(random);
    EXPECT_EQ(MaximisedOnMonitor(monitor, work, dpi),
              PixelRect::Edges(monitor.left, monitor.top, monitor.right, work.bottom))
        << dpi;
  }
}

}  // namespace
}  // namespace qorv::controls
