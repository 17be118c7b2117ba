// The log on real files in a temporary directory of its own: a forged line stays one line, and
// the file starts again, keeping one previous file, as it would pass its limit.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/log_text.h"
#include "base/win/log.h"

namespace qorv::win {
namespace {

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint64_t SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

TEST(LogFile, StartsAgainBeforePassingItsLimitAndKeepsOneLineALine) {
  wchar_t base[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, base);
  const std::wstring dir = std::wstring(base) + L"qorv-log-test-" +
                           std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
  ::SetEnvironmentVariableW(L"TMP", dir.c_str());
  ::SetEnvironmentVariableW(L"TEMP", dir.c_str());
  const std::wstring path = LogFilePath();
  ASSERT_EQ(path, dir + L"qorv.log");
  const std::wstring previous = path + L".1";

  LogInfo(L"dde: http://x/\r\n2026-01-01 00:00:00.000 [1] ERROR forged");
  std::string text = ReadAll(path);
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;  // one line
  EXPECT_NE(text.find("http://x/\\r\\n2026-01-01"), std::string::npos) << text;

  // Almost full, and an older previous file: the next line that does not fit starts again.
  {
    std::ofstream full(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    full << std::string(kLogLimitBytes - 40, 'o');
    std::ofstream old(std::filesystem::path(previous), std::ios::binary | std::ios::trunc);
    old << "older";
  }
  LogInfo(L"x");  // fits: about 36 bytes
  EXPECT_LT(SizeOf(path), kLogLimitBytes);
  EXPECT_EQ(ReadAll(previous), "older");
  const uint64_t full = SizeOf(path);
  LogError(L"this line does not fit any more");
  EXPECT_EQ(SizeOf(previous), full);
  text = ReadAll(path);
  EXPECT_EQ(text.find("ERROR this line does not fit any more"), text.find(']') + 2) << text;
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;

  // Lines of the longest text, past the limit more than once: both files stay under it.
  const std::wstring longest(kMaxLogText + 100, L'\n');
  for (int i = 0; i < 40; ++i) LogInfo(longest);
  EXPECT_LT(SizeOf(path), kLogLimitBytes);
  EXPECT_LT(SizeOf(previous), kLogLimitBytes);

  ::DeleteFileW(path.c_str());
  ::DeleteFileW(previous.c_str());
  EXPECT_TRUE(::RemoveDirectoryW(dir.c_str()));
}

}  // namespace
}  // namespace qorv::win
