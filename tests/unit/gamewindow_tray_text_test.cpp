#include "gamewindow/tray_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorv::gamewindow {
namespace {

std::u16string Repeat(std::u16string_view piece, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

const std::u16string kSmile = u"\U0001F600";  // one character, two units

struct FitCase {
  const char* name;
  std::u16string text;
  size_t field;
  size_t expected;
};

TEST(TrayText, FittedLengthKeepsRoomForTheNulAndWholeCharacters) {
  const FitCase cases[] = {
      {"the product's tip", u"BrindleQorvane客户端", kTipFieldUnits, 17},
      {"empty", u"", kTipFieldUnits, 0},
      {"exactly the field less one", Repeat(u"a", 127), kTipFieldUnits, 127},
      {"exactly the field", Repeat(u"a", 128), kTipFieldUnits, 127},
      {"far too long", Repeat(u"a", 5000), kTipFieldUnits, 127},
      {"Chinese, long", Repeat(u"客户端", 60), kTipFieldUnits, 127},
      {"pair split by the cut: both halves go", u"a" + Repeat(u"b", 125) + kSmile + u"c",
       kTipFieldUnits, 126},
      {"pair ending right at the cut stays", Repeat(u"b", 125) + kSmile + u"c", kTipFieldUnits,
       127},
      {"pairs only, odd field", Repeat(kSmile, 100), kInfoTitleFieldUnits, 62},
      {"balloon text", Repeat(u"缓", 300), kInfoFieldUnits, 255},
      {"stops at an embedded NUL", std::u16string(u"ab\0cd", 5), kTipFieldUnits, 2},
      {"a lone high surrogate at the cut is not a pair", Repeat(u"a", 126) + u"\xD83D" + u"x",
       kTipFieldUnits, 127},
      {"field of one holds only the NUL", u"abc", 1, 0},
      {"field of nothing", u"abc", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FittedLength(c.text, c.field), c.expected) << c.name;
  }
}

TEST(TrayText, FieldIsTextThenZerosNeverSpaces) {
  std::vector<char16_t> field(kTipFieldUnits, u'#');
  FillTextField(field.data(), field.size(), u"提示 ");
  EXPECT_EQ(std::u16string(field.data()), u"提示 ");  // the caller's own space stays
  for (size_t i = 3; i < field.size(); ++i) ASSERT_EQ(field[i], u'\0') << i;

  // A full field still ends in a NUL, and a shorter text later leaves nothing of the longer.
  FillTextField(field.data(), field.size(), Repeat(u"客", 400));
  EXPECT_EQ(field.back(), u'\0');
  EXPECT_EQ(std::u16string(field.data()), Repeat(u"客", 127));
  FillTextField(field.data(), field.size(), u"x");
  EXPECT_EQ(std::u16string(field.data(), field.size()), u"x" + std::u16string(127, u'\0'));
}

}  // namespace
}  // namespace qorv::gamewindow
