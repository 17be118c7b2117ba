#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

#include "updater/progress_bar_model.h"

namespace qorv::updater {
namespace {

struct Props {
  int32_t min, max, value;
  bool operator==(const Props&) const = default;
};
Props Of(const ProgressBarModel& m) { return {m.Min(), m.Max(), m.Value()}; }

TEST(ProgressBarProperties, SettersFollowTheirRules) {
  enum Which { Min, Max, Value };
  struct Case {
    const char* what;
    Props start;
    Which which;
    int32_t v;
    bool taken;
    Props end;
  } cases[] = {
      {"min inside", {0, 100, 50}, Min, 10, true, {10, 100, 50}},
      {"min raises value", {0, 100, 5}, Min, 20, true, {20, 100, 20}},
      {"min may not reach max", {0, 100, 5}, Min, 100, false, {0, 100, 5}},
      {"min may not be negative", {0, 100, 5}, Min, -1, false, {0, 100, 5}},
      {"min zero", {10, 100, 50}, Min, 0, true, {0, 100, 50}},
      {"max lowers value", {0, 100, 80}, Max, 60, true, {0, 60, 60}},
      {"max above min only", {10, 100, 50}, Max, 10, false, {10, 100, 50}},
      {"max below min", {10, 100, 50}, Max, 5, false, {10, 100, 50}},
      {"max huge", {0, 100, 50}, Max, INT32_MAX, true, {0, INT32_MAX, 50}},
      {"value at min", {10, 100, 50}, Value, 10, true, {10, 100, 10}},
      {"value at max", {10, 100, 50}, Value, 100, true, {10, 100, 100}},
      {"value below min", {10, 100, 50}, Value, 9, false, {10, 100, 50}},
      {"value above max", {10, 100, 50}, Value, 101, false, {10, 100, 50}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProgressBarModel m;
    m.ReadProperties([&](std::wstring_view key) -> std::optional<int32_t> {
      if (key == L"Min") return c.start.min;
      if (key == L"Max") return c.start.max;
      return c.start.value;
    });
    ASSERT_FALSE(m.Changed());
    bool taken = c.which == Min ? m.SetMin(c.v) : c.which == Max ? m.SetMax(c.v) : m.SetValue(c.v);
    EXPECT_EQ(taken, c.taken);
    EXPECT_EQ(Of(m), c.end);
    EXPECT_TRUE(m.Changed());  // marked for saving whether taken or not
  }
}

TEST(ProgressBarProperties, StoredValuesInOrderWithDefaults) {
  std::vector<std::wstring> asked;
  std::map<std::wstring, int32_t> stored = {{L"Max", 5000}};
  ProgressBarModel m;
  m.ReadProperties([&](std::wstring_view key) -> std::optional<int32_t> {
    asked.emplace_back(key);
    auto it = stored.find(std::wstring(key));
    if (it == stored.end()) return std::nullopt;
    return it->second;
  });
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"Min", L"Max", L"Value"}));
  EXPECT_EQ(Of(m), (Props{0, 5000, 0}));

  std::vector<std::pair<std::wstring, int32_t>> written;
  m.WriteProperties([&](std::wstring_view k, int32_t v) { written.emplace_back(k, v); });
  EXPECT_EQ(written, (std::vector<std::pair<std::wstring, int32_t>>{
                         {L"Min", 0}, {L"Max", 5000}, {L"Value", 0}}));
  ProgressBarModel defaults;
  defaults.ReadProperties({});
  EXPECT_EQ(Of(defaults), (Props{0, 100, 0}));
}

TEST(ProgressBarDrawing, FillEndRoundsHalvesToEven) {
  struct Case {
    int width;
    int32_t min, max, value;
    int x;
  } cases[] = {
      {102, 0, 100, 0, 1},
      {102, 0, 100, 100, 101},
      {102, 0, 100, 50, 51},
      {12, 0, 4, 1, 4},     // 10/4*1+1 = 3.5 -> 4
      {12, 0, 4, 3, 8},     // 10/4*3+1 = 8.5 -> 8
      {8, 0, 4, 1, 2},      // 6/4*1+1 = 2.5 -> 2
      {8, 0, 4, 3, 6},      // 6/4*3+1 = 5.5 -> 6
      {302, 0, 1000000, 1, 1},
      {302, 10, 20, 15, 151},
      {302, 0, INT32_MAX, INT32_MAX, 301},
      {102, 5, 5, 5, 1},    // min equal to max: an empty bar, no division by zero
      {102, 0, 100, 500, 101},  // stored values outside the range stay on the track
      {102, 0, 100, -50, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressFillEnd(c.width, c.min, c.max, c.value), c.x)
        << c.width << " " << c.min << " " << c.max << " " << c.value;
  }
}

TEST(ProgressBarDrawing, CopiesInOrder) {
  using V = std::vector<SkinCopy>;
  // Half way on a 100-pixel bar: X = 98/100*50+1 = 50; the empty track from 50, 49 wide.
  EXPECT_EQ(ProgressBarCopies(100, 0, 100, 50),
            (V{{0, 3, 0, 3}, {3, 2, 3, 94}, {5, 3, 97, 3}, {8, 2, 50, 49}}));
  // Full: no empty part at all.
  EXPECT_EQ(ProgressBarCopies(100, 0, 100, 100), (V{{0, 3, 0, 3}, {3, 2, 3, 94}, {5, 3, 97, 3}}));
  // Empty: the track from 1 to the last column but one.
  EXPECT_EQ(ProgressBarCopies(100, 0, 100, 0),
            (V{{0, 3, 0, 3}, {3, 2, 3, 94}, {5, 3, 97, 3}, {8, 2, 1, 98}}));
  // Min equal to Max draws the empty bar.
  EXPECT_EQ(ProgressBarCopies(100, 7, 7, 7), ProgressBarCopies(100, 0, 100, 0));
  // Too narrow for a middle: the stretched copies of no width are left out.
  EXPECT_EQ(ProgressBarCopies(6, 0, 1, 1), (V{{0, 3, 0, 3}, {5, 3, 3, 3}}));
  EXPECT_EQ(ProgressBarCopies(0, 0, 1, 0), (V{{0, 3, 0, 3}, {5, 3, -3, 3}}));
}

// At another DPI the skin's columns 3, 5, 8 and 10 and the border of 1 are at ScaleForDpi of
// their design pixels (at 150 %: 4, 8, 12, 15 and 2), in the skin and in the bar alike, so the
// ends are copied 1:1 and the fill stops inside the border at its scaled width.
TEST(ProgressBarDrawing, CopiesAtTheDpiKeepTheEndsWhole) {
  using V = std::vector<SkinCopy>;
  struct Case {
    int width, value, dpi;
    V copies;
  } cases[] = {
      // X = (200 - 4) / 100 * 50 + 2 = 100; the empty track 200 - 100 - 2 wide.
      {200, 50, 144, V{{0, 4, 0, 4}, {4, 4, 4, 192}, {8, 4, 196, 4}, {12, 3, 100, 98}}},
      {200, 100, 144, V{{0, 4, 0, 4}, {4, 4, 4, 192}, {8, 4, 196, 4}}},
      {200, 0, 144, V{{0, 4, 0, 4}, {4, 4, 4, 192}, {8, 4, 196, 4}, {12, 3, 2, 196}}},
      // 125 %: 3.75 -> 4, 6.25 -> 6, 10, 12.5 -> 12; the border 1.25 -> 1.
      {200, 50, 120, V{{0, 4, 0, 4}, {4, 2, 4, 192}, {6, 4, 196, 4}, {10, 2, 100, 99}}},
      {200, 50, 192, V{{0, 6, 0, 6}, {6, 4, 6, 188}, {10, 6, 194, 6}, {16, 4, 100, 98}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressBarCopies(c.width, 0, 100, c.value, c.dpi), c.copies)
        << c.width << " " << c.value << " at " << c.dpi;
  }
}

}  // namespace
}  // namespace qorv::updater
