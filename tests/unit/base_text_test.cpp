#include "base/text.h"

#include <gtest/gtest.h>

namespace qorv {

TEST(Text, Utf8RoundTripKeepsChineseAndAstralCharacters) {
  std::wstring texts[] = {L"", L"提示", L"未能连接到服务器，请检查网络连接是否正常！",
                          L"a\U0001F600b", L"plain ascii"};
  for (const auto& t : texts) EXPECT_EQ(Utf8ToWide(WideToUtf8(t)), t);
  EXPECT_EQ(WideToUtf8(L"提示"), "\xE6\x8F\x90\xE7\xA4\xBA");
}

TEST(Text, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(Utf8ToWide("\xE6\x8F"), L"\uFFFD\uFFFD");       // truncated sequence
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\uFFFD\uFFFD");       // overlong "/"
  EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
}

TEST(Text, LowerAndTrim) {
  EXPECT_EQ(AsciiLower(L"VerSION=提示"), L"version=提示");
  EXPECT_EQ(TrimSpaces(L"  1.1.0   "), L"1.1.0");
  EXPECT_EQ(TrimSpaces(L"\t1.1.0 "), L"\t1.1.0");  // only spaces are trimmed
  EXPECT_EQ(TrimSpaces(L"    "), L"");
}

}  // namespace qorv

namespace qorv {
namespace {

TEST(ForLog, CutsLongTextAndLeavesTheEscapingToTheLog) {
  EXPECT_EQ(ForLog(std::wstring(L"a\0b\n", 4)), std::wstring(L"a\0b\n", 4));
  EXPECT_EQ(ForLog(L"short"), L"short");
  std::wstring big(64 * 1024, L'x');
  EXPECT_EQ(ForLog(big), std::wstring(200, L'x') + L"... (65536 characters)");
}

}  // namespace
}  // namespace qorv
