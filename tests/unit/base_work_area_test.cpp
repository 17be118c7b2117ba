#include "base/work_area.h"

#include <gtest/gtest.h>

#include <climits>

namespace qorv {
namespace {

TEST(WorkArea, CentredOnEachAxis) {
  struct Case {
    const char* name;
    int start, length, window, expected;
  } cases[] = {
      {"the splash on 1920 pixels", 0, 1920, 356, 782},
      {"an odd pixel left over goes after the window", 0, 1025, 400, 312},
      {"a taskbar on the left moves the area", 48, 1872, 242, 863},
      {"a work area above the primary origin", -1080, 1040, 140, -630},
      {"exactly the area", 0, 1040, 1040, 0},
      {"the login screen on a 680-pixel-high area", 0, 680, 696, 0},
      {"larger than an area that starts further in", 30, 600, 1237, 30},
      {"an empty area", 100, 0, 10, 100},
      {"the largest area", 0, INT_MAX, 1, INT_MAX / 2},
      {"a window of no size", 0, 101, 0, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CentredOnArea(c.start, c.length, c.window), c.expected);
  }
}

}  // namespace
}  // namespace qorv
