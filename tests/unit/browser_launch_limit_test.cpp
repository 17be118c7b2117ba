// The limit on default-browser launches from pages, with a clock the test moves.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "browser/launch_limit.h"

namespace qorv::browser {
namespace {

struct Step {
  uint64_t at;  // ms on the test's clock
  bool admitted;
};

void RunSteps(const std::vector<Step>& steps) {
  uint64_t now = 0;
  LaunchLimit limit([&] { return now; });
  for (size_t i = 0; i < steps.size(); ++i) {
    now = steps[i].at;
    EXPECT_EQ(limit.Admit(), steps[i].admitted) << "step " << i << " at " << now << " ms";
  }
}

TEST(LaunchLimit, OneASecond) {
  RunSteps({{0, true}, {0, false}, {999, false}, {1000, true}, {1500, false}, {2000, true}});
}

TEST(LaunchLimit, FiveAMinuteCountingOnlyAdmittedLaunches) {
  RunSteps({{0, true}, {1000, true}, {2000, true}, {3000, true}, {4000, true},
       {5000, false}, {30000, false}, {59999, false},
       {60000, true},    // the first launch has left the minute
       {60500, false},   // but a second has not passed
       {61000, true}, {62000, true}, {63000, true}, {64000, true},
       {119999, false}, {120000, true}});
}

TEST(LaunchLimit, AFloodIsAlmostAllDroppedAndRefusalsDoNotPostpone) {
  uint64_t now = 0;
  LaunchLimit limit([&] { return now; });
  int admitted = 0;
  // A page calling window.open every 10 ms for three minutes.
  for (now = 0; now < 180000; now += 10) admitted += limit.Admit();
  EXPECT_EQ(admitted, 15);
}

TEST(LaunchLimit, AClockThatGoesBackCountsAsNoTimePassed) {
  RunSteps({{5000, true}, {4000, false}, {5999, false}, {6000, true}});
}

}  // namespace
}  // namespace qorv::browser
