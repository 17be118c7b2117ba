#include "subclass/msg_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qorv::subclass {
namespace {

struct Op {
  enum Kind { kAdd, kRemove } kind;
  uint32_t msg;
  bool expectAdded = true;  // result of Add; ignored for Remove
};

Op Add(uint32_t m, bool ok = true) { return {Op::kAdd, m, ok}; }
Op Remove(uint32_t m) { return {Op::kRemove, m}; }

std::vector<uint32_t> EntriesOf(const MsgTable& t) {
  std::vector<uint32_t> v;
  for (int32_t i = 1; i <= t.Count(); ++i) v.push_back(t.Entry(i));
  return v;
}

struct ScriptCase {
  std::string name;
  std::vector<Op> ops;
  int32_t count;
  std::vector<uint32_t> entries;  // entries 1..count when count > 0
  std::vector<uint32_t> selected;
  std::vector<uint32_t> notSelected;

  friend void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }
};

class MsgTableScript : public testing::TestWithParam<ScriptCase> {};

TEST_P(MsgTableScript, EndsInExpectedState) {
  const ScriptCase& c = GetParam();
  MsgTable t;
  for (size_t i = 0; i < c.ops.size(); ++i) {
    const Op& op = c.ops[i];
    if (op.kind == Op::kAdd) {
      EXPECT_EQ(t.Add(op.msg), op.expectAdded) << "op " << i << " add " << op.msg;
    } else {
      t.Remove(op.msg);
    }
  }
  EXPECT_EQ(t.Count(), c.count);
  if (c.count > 0) {
    EXPECT_EQ(EntriesOf(t), c.entries);
  }
  for (uint32_t m : c.selected) EXPECT_TRUE(t.Selects(m)) << m;
  for (uint32_t m : c.notSelected) EXPECT_FALSE(t.Selects(m)) << m;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, MsgTableScript,
    testing::Values(
        ScriptCase{"Empty", {}, 0, {}, {}, {0x0F, 0, ALL_MESSAGES}},
        ScriptCase{"AddsInOrder", {Add(5), Add(0x0F), Add(0x200)}, 3, {5, 0x0F, 0x200},
                   {5, 0x0F, 0x200}, {6, 0x201}},
        ScriptCase{"DuplicateChangesNothing", {Add(5), Add(6), Add(5)}, 2, {5, 6}, {5, 6}, {7}},
        ScriptCase{"RemovalLeavesHole", {Add(5), Add(6), Add(7), Remove(6)}, 3, {5, 0, 7},
                   {5, 7}, {6}},
        ScriptCase{"HoleFilledWithoutGrowing", {Add(5), Add(6), Add(7), Remove(6), Add(9)}, 3,
                   {5, 9, 7}, {5, 9, 7}, {6}},
        ScriptCase{"FirstHoleFilledFirst",
                   {Add(1), Add(2), Add(3), Add(4), Remove(3), Remove(2), Add(8), Add(9)}, 4,
                   {1, 8, 9, 4}, {1, 8, 9, 4}, {2, 3}},
        // A hole before a message already present must not receive a second copy of it, or
        // removing the message once would leave it reported.
        ScriptCase{"NoDuplicateIntoEarlierHole", {Add(5), Add(6), Add(7), Remove(5), Add(7),
                                                  Remove(7)},
                   3, {0, 6, 0}, {6}, {5, 7}},
        ScriptCase{"RemoveNeverAdded", {Add(5), Remove(6), Remove(0x200)}, 1, {5}, {5}, {6}},
        ScriptCase{"RemoveFromEmpty", {Remove(6), Remove(ALL_MESSAGES)}, 0, {}, {}, {6}},
        ScriptCase{"AllMessagesSelectsEverything", {Add(ALL_MESSAGES)}, kAllMessagesCount, {},
                   {0, 1, 0x0F, 0x2A3, 0xC000, 0xFFFFFFFEu}, {}},
        ScriptCase{"SpecificRemovalKeepsAll", {Add(ALL_MESSAGES), Remove(0x0F)},
                   kAllMessagesCount, {}, {0x0F, 5}, {}},
        ScriptCase{"SpecificAfterAllIsOnlyContent", {Add(5), Add(6), Add(ALL_MESSAGES),
                                                      Add(0x200)},
                   1, {0x200}, {0x200}, {5, 6, 0x0F}},
        ScriptCase{"RemoveAllSwitchesOff", {Add(5), Add(6), Remove(ALL_MESSAGES)}, 0, {}, {},
                   {5, 6}},
        ScriptCase{"AddAfterSwitchedOffRestarts", {Add(5), Add(6), Remove(ALL_MESSAGES), Add(9)},
                   1, {9}, {9}, {5, 6}},
        ScriptCase{"RemoveAllOnAllTable", {Add(ALL_MESSAGES), Remove(ALL_MESSAGES)}, 0, {}, {},
                   {5, 0}}),
    [](const testing::TestParamInfo<ScriptCase>& info) { return info.param.name; });

MsgTable FullTable(std::size_t capacity = MSG_ENTRIES) {
  MsgTable t(capacity);
  for (uint32_t m = 1; m <= MSG_ENTRIES; ++m) EXPECT_TRUE(t.Add(0x100 + m));
  return t;
}

TEST(MsgTableCapacity, ThirtyThirdDistinctMessageIsRefusedAndTableUnchanged) {
  MsgTable t = FullTable();
  ASSERT_EQ(t.Count(), 32);
  const std::vector<uint32_t> before = EntriesOf(t);
  EXPECT_FALSE(t.Add(0x500));
  EXPECT_EQ(t.Count(), 32);
  EXPECT_EQ(EntriesOf(t), before);
  EXPECT_FALSE(t.Selects(0x500));
  // Already present, so no overflow.
  EXPECT_TRUE(t.Add(0x120));
  // Switching to every message still works on a full table.
  EXPECT_TRUE(t.Add(ALL_MESSAGES));
  EXPECT_EQ(t.Count(), kAllMessagesCount);
}

TEST(MsgTableCapacity, FullTableTakesNewMessageIntoHole) {
  MsgTable t = FullTable();
  t.Remove(0x110);
  EXPECT_TRUE(t.Add(0x500));
  EXPECT_EQ(t.Count(), 32);
  EXPECT_EQ(t.Entry(16), 0x500u);
  EXPECT_FALSE(t.Add(0x501));
}

TEST(MsgTableCapacity, UnboundedTableGrows) {
  MsgTable t(MsgTable::kUnbounded);
  for (uint32_t m = 1; m <= 200; ++m) ASSERT_TRUE(t.Add(m));
  EXPECT_EQ(t.Count(), 200);
  EXPECT_TRUE(t.Selects(200));
  EXPECT_FALSE(t.Selects(201));
}

TEST(MsgTableCapacity, ResetEmptiesAndSetsCapacity) {
  MsgTable t = FullTable();
  t.Reset(2);
  EXPECT_EQ(t.Count(), 0);
  EXPECT_FALSE(t.Selects(0x101));
  EXPECT_TRUE(t.Add(1));
  EXPECT_TRUE(t.Add(2));
  EXPECT_FALSE(t.Add(3));
}

enum class SmallEnum : int16_t { kSize = 5 };
enum WideEnum : int64_t { kWide = 7 };

TEST(MsgListItem, AcceptsIntegersOfAtMost32BitsAndSkipsTheRest) {
  struct Row {
    const char* what;
    MsgListItem item;
    bool valid;
    uint32_t msg;
  };
  const Row rows[] = {
      {"int", MsgListItem(5), true, 5},
      {"unsigned", MsgListItem(0x200u), true, 0x200},
      {"short -1 is every message", MsgListItem(static_cast<int16_t>(-1)), true, ALL_MESSAGES},
      {"int -1 is every message", MsgListItem(-1), true, ALL_MESSAGES},
      {"byte", MsgListItem(static_cast<uint8_t>(0xFF)), true, 0xFF},
      {"uint16 stays positive", MsgListItem(static_cast<uint16_t>(0xFFFF)), true, 0xFFFF},
      {"small enum", MsgListItem(SmallEnum::kSize), true, 5},
      {"64-bit", MsgListItem(static_cast<int64_t>(5)), false, 0},
      {"64-bit enum", MsgListItem(kWide), false, 0},
      {"bool", MsgListItem(true), false, 0},
      {"double", MsgListItem(5.0), false, 0},
      {"text", MsgListItem("WM_SIZE"), false, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.item.valid, r.valid) << r.what;
    if (r.valid) {
      EXPECT_EQ(r.item.uMsg, r.msg) << r.what;
    }
  }
}

}  // namespace
}  // namespace qorv::subclass
