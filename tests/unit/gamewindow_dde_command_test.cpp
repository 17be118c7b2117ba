#include "gamewindow/dde_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorv::gamewindow {
namespace {

std::vector<uint8_t> Bytes(std::u16string_view text) {
  std::vector<uint8_t> out;
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

struct DecodeCase {
  const char* name;
  std::vector<uint8_t> bytes;
  std::u16string text;
  bool oddByte, cutAtNul, tooLong;
  bool logged;
};

TEST(DdeCommand, DecodesWhatTheClientSent) {
  std::vector<uint8_t> odd = Bytes(u"http://a/");
  odd.push_back(0x41);
  std::vector<uint8_t> oddWithNul = Bytes(std::u16string(u"http://a/\0", 10));
  oddWithNul.push_back(0);
  const DecodeCase cases[] = {
      {"plain with its NUL", Bytes(std::u16string(u"http://a/\0", 10)), u"http://a/", false, false,
       false, false},
      {"without a NUL", Bytes(u"http://a/"), u"http://a/", false, false, false, false},
      {"Chinese and a pair", Bytes(u"http://a/游戏\U0001F600"), u"http://a/游戏\U0001F600", false,
       false, false, false},
      {"trailing NULs are padding", Bytes(std::u16string(u"x\0\0\0", 4)), u"x", false, false,
       false, false},
      {"text after a NUL", Bytes(std::u16string(u"http://a/\0evil", 14)), u"http://a/", false,
       true, false, true},
      {"odd count", odd, u"http://a/", true, false, false, true},
      {"odd count ending in zero", oddWithNul, u"http://a/", true, false, false, true},
      {"nothing", {}, u"", false, false, false, true},
      {"one byte", {0x68}, u"", true, false, false, true},
      {"too long", std::vector<uint8_t>(kMaxDdeCommandBytes + 2, 0x61), u"", false, false, true,
       true},
  };
  for (const auto& c : cases) {
    DdeCommandText got = DecodeDdeCommand(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(got.text, c.text) << c.name;
    EXPECT_EQ(got.oddByte, c.oddByte) << c.name;
    EXPECT_EQ(got.cutAtNul, c.cutAtNul) << c.name;
    EXPECT_EQ(got.tooLong, c.tooLong) << c.name;
    EXPECT_EQ(!DescribeDdeCommand(got, c.bytes.size()).empty(), c.logged) << c.name;
  }
}

TEST(DdeCommand, LargestAcceptedCommandIsReadWhole) {
  std::u16string text(kMaxDdeCommandBytes / 2, u'字');
  std::vector<uint8_t> bytes = Bytes(text);
  // Unaligned data: the decoder reads bytes, not units.
  std::vector<uint8_t> shifted(bytes.size() + 1);
  std::copy(bytes.begin(), bytes.end(), shifted.begin() + 1);
  DdeCommandText got = DecodeDdeCommand(shifted.data() + 1, bytes.size());
  EXPECT_FALSE(got.tooLong);
  EXPECT_EQ(got.text.size(), text.size());
  EXPECT_TRUE(got.text == text);
}

}  // namespace
}  // namespace qorv::gamewindow
