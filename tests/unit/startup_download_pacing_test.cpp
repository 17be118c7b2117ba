#include <gtest/gtest.h>

#include <vector>

#include "startup/download_pacing.h"

namespace qorv::startup {
namespace {

TEST(ReadPacer, GrowsOnFastFullReadsAndFallsBackOnASlowOne) {
  ReadPacer p;
  EXPECT_EQ(p.Next(), 8192u);
  std::vector<uint32_t> sizes;
  for (int i = 0; i < 10; ++i) {
    p.Record(p.Next(), p.Next(), 0.001);
    sizes.push_back(p.Next());
  }
  EXPECT_EQ(sizes, (std::vector<uint32_t>{16384, 32768, 65536, 131072, 262144, 524288, 1048576,
                                          1048576, 1048576, 1048576}));  // never above the buffer
  p.Record(p.Next(), p.Next(), 0.020);  // neither fast nor slow: stays
  EXPECT_EQ(p.Next(), 1048576u);
  p.Record(p.Next(), p.Next(), 0.5);  // a slow line: one block at a time again
  EXPECT_EQ(p.Next(), 8192u);
}

TEST(ReadPacer, AShortReadDoesNotGrow) {
  ReadPacer p;
  p.Record(8192, 100, 0.0001);  // the end of the body, or a trickle
  EXPECT_EQ(p.Next(), 8192u);
  p.Record(8192, 8192, 0.0001);
  p.Record(16384, 9000, 0.0001);
  EXPECT_EQ(p.Next(), 16384u);
}

TEST(QueueCheckPacer, LooksFirstThenAtMostEveryInterval) {
  constexpr double kI = QueueCheckPacer::kInterval;
  QueueCheckPacer pacer;
  struct Step {
    double now;
    bool look;
  } steps[] = {
      {100.0, true},                 // the first block always looks
      {100.0, false},
      {100.0 + kI * 0.99, false},
      {100.0 + kI * 1.01, true},     // a whole interval since the last look
      {100.0 + kI * 1.5, false},
      {100.0 + kI * 3, true},
      {50.0, true},                  // the clock went back: look rather than wait for it
      {50.0 + kI * 0.5, false},
  };
  for (const auto& s : steps) EXPECT_EQ(pacer.Due(s.now), s.look) << s.now;
}

}  // namespace
}  // namespace qorv::startup
