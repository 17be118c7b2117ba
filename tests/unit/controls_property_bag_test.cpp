#include "controls/property_bag.h"

#include <gtest/gtest.h>

namespace qorv::controls {
namespace {

using Keys = std::vector<std::wstring>;

TEST(PropertyBag, ReadsGiveStoredValueOrDefaultAndAreRecordedInOrder) {
  PropertyBag bag;
  bag.Preset(L"Caption", std::wstring(L"关闭"));
  bag.Preset(L"Style", int32_t{1});
  EXPECT_EQ(bag.ReadProperty(L"Style", int32_t{0}), PropertyValue{int32_t{1}});
  EXPECT_EQ(bag.ReadProperty(L"AutoSize", true), PropertyValue{true});  // absent: read default
  EXPECT_EQ(bag.ReadProperty(L"Caption", std::wstring()), PropertyValue{std::wstring(L"关闭")});
  EXPECT_EQ(bag.ReadProperty(L"Icon", std::monostate{}), PropertyValue{std::monostate{}});
  EXPECT_EQ(bag.Reads(), (Keys{L"Style", L"AutoSize", L"Caption", L"Icon"}));
  EXPECT_TRUE(bag.Writes().empty());  // presetting is not writing
}

TEST(PropertyBag, ValuesEqualToTheirWrittenDefaultAreLeftOut) {
  PropertyBag bag;
  bag.WriteProperty(L"BackPicture", std::monostate{}, PropertyValue{std::monostate{}});
  bag.WriteProperty(L"Enabled", false, PropertyValue{true});
  bag.WriteProperty(L"Style", int32_t{0}, PropertyValue{int32_t{0}});
  bag.WriteProperty(L"Caption", std::wstring(L"x"), PropertyValue{std::wstring()});
  bag.WriteProperty(L"cForeColor", Colour{0}, std::nullopt);  // no default: always written
  bag.WriteProperty(L"cFont", FontDesc{}, std::nullopt);
  EXPECT_EQ(bag.WriteAttempts(),
            (Keys{L"BackPicture", L"Enabled", L"Style", L"Caption", L"cForeColor", L"cFont"}));
  EXPECT_EQ(bag.Writes(), (Keys{L"Enabled", L"Caption", L"cForeColor", L"cFont"}));
  EXPECT_FALSE(bag.Contains(L"Style"));
  EXPECT_EQ(bag.Size(), 4u);
}

TEST(PropertyBag, WritingTheDefaultRemovesAnOlderValueSoTheReadDefaultApplies) {
  PropertyBag bag;
  bag.WriteProperty(L"Caption", std::wstring(L"old"), PropertyValue{std::wstring(L"NewForm")});
  bag.WriteProperty(L"Caption", std::wstring(L"NewForm"), PropertyValue{std::wstring(L"NewForm")});
  EXPECT_FALSE(bag.Contains(L"Caption"));
  bag.WriteProperty(L"frmHwnd", int32_t{5}, PropertyValue{int32_t{0}});
  bag.WriteProperty(L"frmHwnd", int32_t{7}, PropertyValue{int32_t{0}});
  ASSERT_NE(bag.Find(L"frmHwnd"), nullptr);
  EXPECT_EQ(*bag.Find(L"frmHwnd"), PropertyValue{int32_t{7}});
  EXPECT_EQ(bag.Size(), 1u);
  bag.ClearLog();
  EXPECT_TRUE(bag.Writes().empty());
  EXPECT_TRUE(bag.WriteAttempts().empty());
}

TEST(PropertyBag, ValuesOfDifferentKindsAreNotEqual) {
  // A written default of the wrong kind must not swallow a value: 0 is not false, "" is not none.
  PropertyBag bag;
  bag.WriteProperty(L"a", int32_t{0}, PropertyValue{false});
  bag.WriteProperty(L"b", std::wstring(), PropertyValue{std::monostate{}});
  bag.WriteProperty(L"c", PictureRef{101, 0}, PropertyValue{PictureRef{102, 0}});
  EXPECT_EQ(bag.Writes(), (Keys{L"a", L"b", L"c"}));
}

TEST(PropertyBag, TextOfThirtyTwoBitNumbers) {
  struct Case {
    const wchar_t* text;
    std::optional<int32_t> value;
  } cases[] = {
      {L"14346732", 14346732},   {L" 42 ", 42},          {L"-2147483648", INT32_MIN},
      {L"2147483647", INT32_MAX}, {L"2147483648", std::nullopt},
      {L"&HDEDEDE", 0xDEDEDE},   {L"&h80000005", static_cast<int32_t>(0x80000005u)},
      {L"&HFFFFFFFF", -1},       {L"&H100000000", std::nullopt},
      {L"", std::nullopt},       {L"12a", std::nullopt}, {L"&H", std::nullopt},
      {L"-&H1", std::nullopt},   {L"+7", 7},             {L"99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInt32Text(c.text), c.value) << c.text;
}

TEST(PropertyBag, ConversionsBetweenStoredKinds) {
  // A colour written as a number reads back as its decimal text, and text as a number.
  EXPECT_EQ(AsText(int32_t{14346732}), std::wstring(L"14346732"));
  EXPECT_EQ(AsText(Colour{0xDAE9EC}), std::wstring(L"14346732"));
  EXPECT_EQ(AsText(FontDesc{}), std::nullopt);
  EXPECT_EQ(AsInt32(std::wstring(L"300")), 300);
  EXPECT_EQ(AsInt32(true), -1);
  EXPECT_EQ(AsInt32(std::wstring(L"x")), std::nullopt);
  EXPECT_EQ(AsInt32(std::monostate{}), std::nullopt);
  EXPECT_EQ(AsBool(int32_t{-1}), true);
  EXPECT_EQ(AsBool(int32_t{0}), false);
  EXPECT_EQ(AsBool(std::wstring(L"True")), true);
  EXPECT_EQ(AsBool(std::wstring(L"false")), false);
  EXPECT_EQ(AsBool(std::wstring(L"maybe")), std::nullopt);
  EXPECT_EQ(AsColour(int32_t{255}), Colour{255});
  EXPECT_EQ(AsColour(true), std::nullopt);
  EXPECT_EQ(AsColour(PictureRef{}), std::nullopt);
}

TEST(ChangeMarks, EachKeyOnceInFirstChangeOrder) {
  ChangeMarks marks;
  EXPECT_FALSE(marks.Any());
  marks.Mark(L"Caption");
  marks.Mark(L"BackColor");
  marks.Mark(L"Caption");
  EXPECT_EQ(marks.Keys(), (Keys{L"Caption", L"BackColor"}));
  EXPECT_TRUE(marks.Has(L"BackColor"));
  marks.Clear();
  EXPECT_FALSE(marks.Any());
}

}  // namespace
}  // namespace qorv::controls
