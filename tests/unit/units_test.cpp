#include "base/units.h"

#include <gtest/gtest.h>

#include <limits>

namespace qorv {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  struct Case { double in; int64_t out; } cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
      {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {7.0, 7}, {-7.0, -7}};
  for (auto c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(RoundHalfEven, NonFiniteAndHugeValuesDoNotOverflow) {
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundHalfEven(-1e300), std::numeric_limits<int64_t>::min());
}

TEST(Units, TwipsAndPixels) {
  EXPECT_EQ(TwipsToPixels(15540), 1036);
  EXPECT_EQ(TwipsToPixels(9585), 639);
  EXPECT_EQ(TwipsToPixels(7.5), 0);     // half a pixel goes to the even 0
  EXPECT_EQ(TwipsToPixels(22.5), 2);    // 1.5 -> 2
  EXPECT_EQ(TwipsToPixels(37.5), 2);    // 2.5 -> 2
  EXPECT_EQ(TwipsToPixels(-22.5), -2);
  EXPECT_EQ(PixelsToTwips(356), 5340);
  EXPECT_EQ(TwipsToPixels(1e12), std::numeric_limits<int>::max());
}

// Every design length at the DPIs Windows offers most: the same twips give the pixels the display
// scaling asks for, halves of a pixel going to the even neighbour.
TEST(Units, TwipsToPixelsAtEachDpi) {
  struct Case { double twips; int dpi; int px; } cases[] = {
      {15, 96, 1},     {15, 120, 1},    {15, 144, 2},    {15, 192, 2},     // 1, 1.25, 1.5, 2
      {30, 120, 2},    {30, 144, 3},    {90, 120, 8},    {90, 144, 9},     // 2.5 -> 2, 7.5 -> 8
      {150, 120, 12},  {150, 144, 15},  {180, 120, 15},  {270, 144, 27},   // 12.5 -> 12
      {15540, 96, 1036}, {15540, 120, 1295}, {15540, 144, 1554}, {15540, 192, 2072},
      {9585, 96, 639}, {9585, 120, 799}, {9585, 144, 958}, {9585, 192, 1278},  // 798.75, 958.5
      {-30, 120, -2},  {0, 144, 0},     {1440, 480, 480},
  };
  for (auto c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.px) << c.twips << " @" << c.dpi;
}

TEST(Units, DpiOutsideTheRangeIsClamped) {
  struct Case { int in; int out; } cases[] = {
      {0, 96}, {-144, 96}, {72, 96}, {96, 96}, {120, 120}, {480, 480}, {481, 480}, {100000, 480}};
  for (auto c : cases) {
    EXPECT_EQ(ClampDpi(c.in), c.out) << c.in;
    // A layout given the broken DPI draws what it would at the clamped one.
    EXPECT_EQ(TwipsToPixels(15540, c.in), TwipsToPixels(15540, c.out)) << c.in;
    EXPECT_EQ(ScaleForDpi(7, c.in), ScaleForDpi(7, c.out)) << c.in;
    EXPECT_EQ(PixelsToTwips(100, c.in), PixelsToTwips(100, c.out)) << c.in;
  }
}

TEST(Units, PixelSizesAtEachDpi) {
  struct Case { int px; int dpi; int out; } cases[] = {
      {1, 96, 1}, {1, 120, 1}, {1, 144, 2}, {1, 192, 2},  // 1.25 -> 1, 1.5 -> 2
      {2, 120, 2}, {3, 144, 4}, {5, 144, 8}, {6, 120, 8},  // 2.5 -> 2, 4.5 -> 4, 7.5 -> 8
      {43, 144, 64}, {18, 120, 22}, {0, 192, 0}, {-3, 144, -4}};
  for (auto c : cases) EXPECT_EQ(ScaleForDpi(c.px, c.dpi), c.out) << c.px << " @" << c.dpi;
}

TEST(Units, PixelsBackToTwipsRoundTrip) {
  for (int dpi : {96, 120, 144, 192}) {
    for (int px : {0, 1, 7, 356, 1036}) {
      EXPECT_EQ(TwipsToPixels(PixelsToTwips(px, dpi), dpi), px) << px << " @" << dpi;
    }
  }
  EXPECT_DOUBLE_EQ(PixelsToTwips(2, 144), 20.0);
  EXPECT_DOUBLE_EQ(PixelsToTwips(1, 120), 12.0);
}

TEST(Units, HimetricPictureSizes) {
  // A 72-pixel-wide strip is stored as 72 * 26.45836 HIMETRIC, and comes back as 72.
  EXPECT_EQ(HimetricToPixels(72 * kHimetricPerPixel), 72);
  EXPECT_EQ(HimetricToPixels(1905), 72);  // 1905 / 26.45836 = 71.999..
  EXPECT_EQ(HimetricToPixels(0), 0);
}

TEST(Units, ClampToInt16) {
  EXPECT_EQ(ClampToInt16(1037), 1037);
  EXPECT_EQ(ClampToInt16(40000), 32767);
  EXPECT_EQ(ClampToInt16(-40000), -32768);
}

}  // namespace qorv
