// The exit question's and the updater's places at the DPIs Windows offers most, every number
// from the design's twips by hand; x.5 pixels go to the even neighbour.
#include <gtest/gtest.h>

#include "gamewindow/msg_layout.h"
#include "updater/update_layout.h"

namespace qorv {
namespace {

using gamewindow::MsgFrmCloseLeft;
using gamewindow::MsgFrmPlaces;
using gamewindow::PlaceMsgFrm;
using updater::PlaceUpdateFrm;
using updater::UpdateFrmCloseLeft;
using updater::UpdateFrmPlaces;

struct R {
  int x, y, w, h;
};

PixelRect Px(R r) { return PixelRect::Sized(r.x, r.y, r.w, r.h); }

TEST(MsgFrmLayout, EveryControlAtEachDpi) {
  struct Case {
    int dpi;
    R window, question, yes, no, close;
    int corner;
  } cases[] = {
      {96, {0, 0, 242, 140}, {24, 56, 209, 32}, {56, 88, 65, 25}, {136, 88, 65, 25},
       {193, 1, 43, 18}, 4},
      // 302.5 -> 302, 261.25, 81.25, 31.25 down; 53.75 -> 54; 22.5 -> 22.
      {120, {0, 0, 302, 175}, {30, 70, 261, 40}, {70, 110, 81, 31}, {170, 110, 81, 31},
       {241, 1, 54, 22}, 5},
      // 313.5 -> 314, 97.5 -> 98, 37.5 -> 38, 64.5 -> 64, 1.5 -> 2.
      {144, {0, 0, 363, 210}, {36, 84, 314, 48}, {84, 132, 98, 38}, {204, 132, 98, 38},
       {290, 2, 64, 27}, 6},
      {192, {0, 0, 484, 280}, {48, 112, 418, 64}, {112, 176, 130, 50}, {272, 176, 130, 50},
       {387, 2, 86, 36}, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    MsgFrmPlaces p = PlaceMsgFrm(c.dpi);
    EXPECT_EQ(p.window, Px(c.window));
    EXPECT_EQ(p.question, Px(c.question));
    EXPECT_EQ(p.yes, Px(c.yes));
    EXPECT_EQ(p.no, Px(c.no));
    EXPECT_EQ(p.close, Px(c.close));
    EXPECT_EQ(p.cornerEllipse, c.corner);
    // The answers and the question stay inside the window, the close button too.
    for (const PixelRect& r : {p.question, p.yes, p.no, p.close}) {
      EXPECT_GE(r.left, 0);
      EXPECT_LE(r.right, p.window.right);
      EXPECT_LE(r.bottom, p.window.bottom);
    }
  }
}

TEST(UpdateFrmLayout, EveryControlAtEachDpi) {
  struct Case {
    int dpi;
    R window, label, close;
    int barTop, corner;
  } cases[] = {
      {96, {0, 0, 400, 110}, {16, 46, 368, 18}, {351, 6, 43, 18}, 76, 6},
      // 137.5 -> 138, 57.5 -> 58, 22.5 -> 22, 7.5 -> 8 (corner and close top).
      {120, {0, 0, 500, 138}, {20, 58, 460, 22}, {439, 8, 54, 22}, 95, 8},
      {144, {0, 0, 600, 165}, {24, 69, 552, 27}, {527, 9, 64, 27}, 114, 9},
      {192, {0, 0, 800, 220}, {32, 92, 736, 36}, {703, 12, 86, 36}, 152, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    UpdateFrmPlaces p = PlaceUpdateFrm(c.dpi);
    EXPECT_EQ(p.window, Px(c.window));
    EXPECT_EQ(p.label, Px(c.label));
    EXPECT_EQ(p.close, Px(c.close));
    EXPECT_EQ(p.barTop, c.barTop);
    EXPECT_EQ(p.barLeft, c.label.x);
    EXPECT_EQ(p.barWidth, c.label.w);
    EXPECT_EQ(p.cornerEllipse, c.corner);
  }
}

TEST(DialogLayouts, CloseButtonFollowsTheRightEdgeOfAWiderWindow) {
  // 730 twips from the right at any width: 48.67 pixels at 96, 73 at 144.
  EXPECT_EQ(MsgFrmCloseLeft(500, 96), 451);
  EXPECT_EQ(MsgFrmCloseLeft(500, 144), 427);
  EXPECT_EQ(UpdateFrmCloseLeft(1000, 96), 951);
  EXPECT_EQ(UpdateFrmCloseLeft(1000, 144), 927);
  // A DPI from a broken monitor lays out as the nearest one in range.
  EXPECT_EQ(PlaceMsgFrm(0).window, PlaceMsgFrm(96).window);
  EXPECT_EQ(PlaceUpdateFrm(100000).window, PlaceUpdateFrm(480).window);
}

}  // namespace
}  // namespace qorv
