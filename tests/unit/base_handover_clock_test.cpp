#include "base/handover_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace qorv {
namespace {

TEST(HandoverClock, StepsAreConsecutiveAndAddUpToTheTotal) {
  HandoverClock clock;
  clock.Begin(1000.0, true);
  clock.Step(L"close_login", 1012.25);
  clock.Step(L"load", 1090.0);
  auto record = clock.End(1104.5, 144, L"paint");
  ASSERT_TRUE(record);
  EXPECT_DOUBLE_EQ(record->totalMs, 104.5);
  EXPECT_EQ(record->dpi, 144);
  ASSERT_EQ(record->steps.size(), 3u);
  const struct {
    const wchar_t* name;
    double ms;
  } want[] = {{L"close_login", 12.25}, {L"load", 77.75}, {L"paint", 14.5}};
  double sum = 0;
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(record->steps[i].name, want[i].name);
    EXPECT_DOUBLE_EQ(record->steps[i].ms, want[i].ms) << i;
    sum += record->steps[i].ms;
  }
  EXPECT_DOUBLE_EQ(sum, record->totalMs);
}

TEST(HandoverClock, EndsOnceAndABeginStartsAfresh) {
  HandoverClock clock;
  clock.Step(L"stray", 5);
  EXPECT_FALSE(clock.End(10, 96, L"paint"));  // a Show with no "app://loadgame" before it

  clock.Begin(0, true);
  clock.Step(L"first", 3);
  // A second "app://loadgame" before the window showed: the clock starts again, steps and all.
  clock.Begin(50, true);
  clock.Step(L"second", 60);
  auto record = clock.End(70, 96, L"paint");
  ASSERT_TRUE(record);
  EXPECT_DOUBLE_EQ(record->totalMs, 20);
  ASSERT_EQ(record->steps.size(), 2u);
  EXPECT_EQ(record->steps[0].name, L"second");
  EXPECT_FALSE(clock.End(80, 96, L"paint"));  // a later Show (the tray, F10) logs nothing

  clock.Begin(100, false);
  clock.Step(L"unasked", 110);
  record = clock.End(130, 96, L"paint");
  ASSERT_TRUE(record);
  EXPECT_DOUBLE_EQ(record->totalMs, 30);
  EXPECT_TRUE(record->steps.empty());
}

TEST(HandoverLine, WritesTenthsAndReadsBackFromALogLine) {
  const struct {
    HandoverRecord record;
    std::wstring line;
  } cases[] = {
      {{123.44, 96, {}}, L"loadgame_to_visible_ms=123.4 dpi=96"},
      {{0.05, 144, {}}, L"loadgame_to_visible_ms=0.1 dpi=144"},
      {{-3, 96, {}}, L"loadgame_to_visible_ms=0.0 dpi=96"},  // a clock that stepped back
      {{149.96, 144, {{L"close_login", 10.04}, {L"paint", 139.92}}},
       L"loadgame_to_visible_ms=150.0 dpi=144 steps=close_login:10.0,paint:139.9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HandoverLine(c.record), c.line);
    auto back = ParseHandoverLine(L"2026-12-10 10:00:00.000 [42] INFO " + c.line + L"\r\n");
    ASSERT_TRUE(back) << c.line;
    EXPECT_EQ(HandoverLine(*back), c.line);
    EXPECT_EQ(back->steps.size(), c.record.steps.size());
  }
}

TEST(HandoverLine, OtherAndDamagedLinesAreNotRead) {
  for (const wchar_t* line : {
           L"2026-12-10 10:00:00.000 [42] INFO the DDE topic could not be registered",
           L"loadgame_to_visible_ms= dpi=96",
           L"loadgame_to_visible_ms=12,5 dpi=96",
           L"loadgame_to_visible_ms=12. dpi=96",
           L"loadgame_to_visible_ms=12.5",
           L"loadgame_to_visible_ms=12.5 dpi=96.5",
           L"loadgame_to_visible_ms=12.5 dpi=96 steps=",
           L"loadgame_to_visible_ms=12.5 dpi=96 steps=load:",
           L"loadgame_to_visible_ms=12.5 dpi=96 steps=load:1.0,",
           L"loadgame_to_visible_ms=12.5 dpi=96 steps=Load:1.0",
           L"loadgame_to_visible_ms=12.5 dpi=96 and more",
       }) {
    EXPECT_FALSE(ParseHandoverLine(line)) << line;
  }
}

}  // namespace
}  // namespace qorv
