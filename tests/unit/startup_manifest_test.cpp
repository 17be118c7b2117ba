#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "startup/manifest.h"

namespace qorv::startup {
namespace {

// The manifest as the client reads it: split the bytes, decode each line, find the version.
std::optional<std::wstring> VersionOf(std::string_view bytes) {
  std::vector<std::wstring> lines;
  for (const auto& line : SplitManifestLines(bytes)) lines.push_back(Utf8ToWide(line));
  return FindVersionValue(lines);
}

TEST(ManifestLines, EveryLineEndSplitsTheSameWay) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},          // no line end after the last line
      {"a\n\nb", {"a", "", "b"}},       // an empty line in between is a line
      {"a\r\r\nb", {"a", "", "b"}},     // CR, then CR LF
      {"a\n\rb", {"a", "", "b"}},       // LF CR is two line ends
      {"", {}},
      {"\r\n", {""}},
      {"x", {"x"}},
      {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},  // NUL is an ordinary byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitManifestLines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST(ManifestLines, ChunkBoundariesDoNotMatter) {
  const std::string text = "version=1.1.0\r\nq|http://h/a.exe\r\n\r\nr|http://h/b\rs|x\nlast";
  const auto whole = SplitManifestLines(text);
  for (size_t chunk = 1; chunk <= text.size(); ++chunk) {
    std::vector<std::string> got;
    ManifestLineSplitter splitter([&](std::string_view line) {
      got.emplace_back(line);
      return true;
    });
    for (size_t i = 0; i < text.size(); i += chunk)
      splitter.Feed(std::string_view(text).substr(i, chunk));
    splitter.Finish();
    EXPECT_EQ(got, whole) << "chunk " << chunk;
  }
}

TEST(ManifestLines, TheSinkCanStopTheReading) {
  std::vector<std::string> got;
  ManifestLineSplitter splitter([&](std::string_view line) {
    got.emplace_back(line);
    return line != "stop";
  });
  EXPECT_FALSE(splitter.Feed("a\nstop\nb\nc"));
  splitter.Finish();
  EXPECT_EQ(got, (std::vector<std::string>{"a", "stop"}));
}

TEST(ManifestLines, AnEndlessLineIsCutNotHeldWhole) {
  std::string huge(ManifestLineSplitter::kMaxLineBytes + 5000, 'x');
  auto lines = SplitManifestLines(huge + "\nversion=2\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), ManifestLineSplitter::kMaxLineBytes);
  EXPECT_EQ(lines[1], "version=2");
}

TEST(ManifestVersion, ValueFromTheFirstVersionLine) {
  struct Case {
    const char* manifest;
    std::optional<std::wstring> version;
  } cases[] = {
      {"version=1.1.0\r\n", L"1.1.0"},
      {"VERSION=1.1.0\r\n", L"1.1.0"},                 // the key in any case
      {"VeRsIoN:1.1.0\r\n", L"1.1.0"},                 // any separator
      {"version=1.1.0   \r\n", L"1.1.0"},            // trailing spaces
      {"version=   1.1.0\r\n", L"1.1.0"},            // leading ones too
      {"version = 1.1.0\r\n", L"= 1.1.0"},           // the value starts at the ninth character
      {"version=1.1.0\t\r\n", L"1.1.0\t"},           // only spaces are trimmed
      {"a|http://h/a.exe\r\nversion=2.0.0\r\n", L"2.0.0"},  // lines before it are skipped
      {"version=1\r\nversion=2\r\n", L"1"},           // the first one counts
      {"myversion=9\r\n", L"n=9"},                    // "version" anywhere; the value still at 9
      {"version\r\n", L""},
      {"version=\r\n", L""},
      {"q|http://h/a\r\nnothing here\r\n", std::nullopt},
      {"", std::nullopt},
      {"version=1.1.0\nq|http://h/a.exe\n", L"1.1.0"},  // LF alone ends the line as CR LF does
      {"version=1.1.0\rq|http://h/a.exe\r", L"1.1.0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionOf(c.manifest), c.version) << c.manifest;
  }
}

TEST(ManifestVersion, ByteOrderMarkIsNotPartOfTheText) {
  EXPECT_EQ(DetectManifestEncoding("\xEF\xBB\xBFversion=1").encoding, ManifestEncoding::Utf8);
  EXPECT_EQ(DetectManifestEncoding("\xEF\xBB\xBFversion=1").skip, 3u);
  EXPECT_EQ(DetectManifestEncoding("version=1").encoding, ManifestEncoding::Ansi);
  EXPECT_EQ(DetectManifestEncoding("\xEF\xBB").skip, 0u);
  EXPECT_EQ(DetectManifestEncoding("").skip, 0u);
}

TEST(ManifestVersion, JunkAndHugeInputsStayBounded) {
  std::string junk;
  for (int i = 0; i < 70000; ++i) junk += static_cast<char>((i * 131 + 7) % 256);
  // Whatever the bytes, the answer is some value or none; and the key planted after the junk is
  // found when the junk holds none.
  std::string clean;
  for (char c : junk) clean += (c == 'v' || c == 'V') ? 'x' : c;
  auto v = VersionOf(clean + "\nversion=7.7.7\n");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(*v, L"7.7.7");

  std::string longValue(200000, '9');
  EXPECT_EQ(VersionOf("version=" + longValue + "\r\n"), Utf8ToWide(longValue));
}

}  // namespace
}  // namespace qorv::startup
