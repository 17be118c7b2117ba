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
  EXPECT_EQ(TwipsToPixels(100, 0), 0);  // a broken factor must not divide by zero
  EXPECT_EQ(PixelsToTwips(356), 5340);
  EXPECT_EQ(TwipsToPixels(1e12), std::numeric_limits<int>::max());
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
