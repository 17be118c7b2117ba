#include "base/log_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qorv {
namespace {

TEST(LogText, EscapesWhatCouldBreakOrForgeALine) {
  const struct {
    std::wstring in, out;
  } cases[] = {
      {L"plain 文字 text", L"plain 文字 text"},
      {L"a\r\nb", L"a\\r\\nb"},
      {L"http://x/\n2026-12-10 05:00:00.000 [1] ERROR forged",
       L"http://x/\\n2026-12-10 05:00:00.000 [1] ERROR forged"},
      {L"tab\there", L"tab\\there"},
      {std::wstring(L"nul\0end", 7), L"nul\\x00end"},
      {L"\x1b[31mred", L"\\x1b[31mred"},
      {L"del\x7f c1\x85", L"del\\x7f c1\\x85"},
      {L"sep\u2028par\u2029", L"sep\\u2028par\\u2029"},
      // Doubled, so a text that spells an escape reads back as itself.
      {L"C:\\Temp\\n.txt", L"C:\\\\Temp\\\\n.txt"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeForLog(c.in), c.out);
}

TEST(LogText, LongTextIsCutWithItsLengthNotedAndNoHalfPair) {
  std::wstring big(kMaxLogText + 5, L'x');
  EXPECT_EQ(EscapeForLog(big), std::wstring(kMaxLogText, L'x') + L"... (16389 characters)");
  std::wstring exact(kMaxLogText, L'y');
  EXPECT_EQ(EscapeForLog(exact), exact);
  // A high surrogate at the cut goes with its pair.
  std::wstring pair(kMaxLogText - 1, L'z');
  pair += static_cast<wchar_t>(0xD83D);
  pair += static_cast<wchar_t>(0xDE00);
  EXPECT_EQ(EscapeForLog(pair), std::wstring(kMaxLogText - 1, L'z') + L"... (16385 characters)");
}

TEST(LogText, TheFileStartsAgainOnlyWhenALineWouldPassTheLimit) {
  const struct {
    uint64_t file, line;
    LogWrite want;
  } cases[] = {
      {0, 100, LogWrite::Append},
      {0, kLogLimitBytes + 1, LogWrite::Append},  // nothing to keep
      {kLogLimitBytes - 100, 100, LogWrite::Append},
      {kLogLimitBytes - 100, 101, LogWrite::StartAgain},
      {kLogLimitBytes, 1, LogWrite::StartAgain},
      {5 * kLogLimitBytes, 1, LogWrite::StartAgain},  // grown by an older version
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideLogWrite(c.file, c.line), c.want) << c.file << " + " << c.line;
  }
}

}  // namespace
}  // namespace qorv
