// The DDE source with a second process as its client (tests/dde_client.exe, beside this test):
// what reaches Execute, what is refused, and the service gone after Stop.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/web_address.h"
#include "gamewindow/dde_source.h"
#include "win/support/dde_client_run.h"

namespace qorv::gamewindow {
namespace {

std::wstring TempFile(const std::vector<unsigned char>& bytes) {
  wchar_t dir[MAX_PATH] = {}, path[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, dir);
  ::GetTempFileNameW(dir, L"dde", 0, path);
  HANDLE h = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
  return path;
}

std::vector<unsigned char> Utf16(const std::wstring& text) {
  auto* p = reinterpret_cast<const unsigned char*>(text.data());
  return {p, p + text.size() * sizeof(wchar_t)};
}

int SendBytes(const std::wstring& service, const std::wstring& topic,
              const std::vector<unsigned char>& bytes) {
  std::wstring file = TempFile(bytes);
  int code = test::RunDdeClient(L"--service " + service + L" --topic " + topic + L" --file \"" +
                                file + L"\"");
  ::DeleteFileW(file.c_str());
  return code;
}

constexpr int kAccepted = 0, kNoConnection = 1, kRefused = 3;

// Wine's DDEML takes execute data with a character above U+00FF, or of an odd length, for ANSI
// text and "converts" it, which leaves the first character only. Windows passes the text of a
// Unicode client to a Unicode server as it is. Under Wine such a command must then be refused
// whole: a mangled address never reaches Execute.
bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}
bool WineMangles(const std::vector<unsigned char>& bytes) {
  if (bytes.size() % 2) return true;
  for (size_t i = 1; i < bytes.size(); i += 2) {
    if (bytes[i] != 0) return true;
  }
  return false;
}

class DdeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_source.Execute = [this](const std::wstring& text) { m_received.push_back(text); };
    ASSERT_TRUE(m_source.Start());
  }
  DdeSource m_source;
  std::vector<std::wstring> m_received;
  const std::wstring m_service = DdeSource::ProgramServiceName();
};

TEST_F(DdeTest, ExecuteFromAnotherProcessDeliversTheExactAddress) {
  EXPECT_EQ(m_service, L"gamewindow_dde_source_test");
  std::wstring longAddress = L"http://127.0.0.1:8470/game?q=";
  longAddress += std::wstring(kMaxWebAddressLength - longAddress.size(), L'a');  // the longest
  const std::wstring cases[] = {
      L"http://127.0.0.1:8470/game",
      L"https://127.0.0.1:8470/游戏/首页?名字=玩家\U0001F600",
      L"http://127.0.0.1:8470/%E6%B8%B8%E6%88%8F",  // the same, as addresses usually travel
      longAddress,
  };
  for (const auto& address : cases) {
    m_received.clear();
    // As a client sends a string: its terminating NUL included.
    std::vector<unsigned char> bytes = Utf16(address + L'\0');
    int code = SendBytes(m_service, kDdeTopic, bytes);
    if (UnderWine() && WineMangles(bytes)) {
      EXPECT_EQ(code, kRefused) << address.size();
      EXPECT_TRUE(m_received.empty()) << address.size();
      continue;
    }
    EXPECT_EQ(code, kAccepted) << address.size();
    ASSERT_EQ(m_received.size(), 1u) << address.size();
    EXPECT_TRUE(m_received[0] == address) << address.size();
  }
  // Text given on the command line goes the same way.
  m_received.clear();
  EXPECT_EQ(test::RunDdeClient(L"--service " + m_service + L" --topic TidewellDDE --text "
                      L"http://127.0.0.1/login?a=1"),
            kAccepted);
  EXPECT_EQ(m_received, (std::vector<std::wstring>{L"http://127.0.0.1/login?a=1"}));
}

TEST_F(DdeTest, BadCommandsAreRefusedAndTheSourceGoesOn) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    int code;
    std::vector<std::wstring> delivered;
  };
  std::vector<unsigned char> odd = Utf16(std::wstring(L"http://127.0.0.1/odd") + L'\0');
  odd.push_back(0x41);
  const Case cases[] = {
      {"empty: only the NUL", {0, 0}, kRefused, {}},
      {"text after an embedded NUL", Utf16(std::wstring(L"http://a/\0http://b/", 19)), kRefused,
       {}},
      {"odd byte count", odd, kAccepted, {L"http://127.0.0.1/odd"}},
      {"a local file", Utf16(L"file:///C:/windows/notepad.exe"), kRefused, {}},
      {"a program's protocol", Utf16(L"ms-settings:privacy"), kRefused, {}},
      {"a UNC path", Utf16(L"\\\\server\\share\\x.exe"), kRefused, {}},
      // Read as a browser reads an address, and handed on cleaned.
      {"blanks around, a line break inside", Utf16(L" http://127.0.0.1/x\r\ny\r\n"), kAccepted,
       {L"http://127.0.0.1/xy"}},
      {"over the longest address", Utf16(L"http://a/" + std::wstring(kMaxWebAddressLength, L'a')),
       kRefused, {}},
  };
  for (const auto& c : cases) {
    m_received.clear();
    int code = SendBytes(m_service, kDdeTopic, c.bytes);
    if (UnderWine() && WineMangles(c.bytes) && !c.delivered.empty()) {
      EXPECT_EQ(code, kRefused) << c.name;
      EXPECT_TRUE(m_received.empty()) << c.name;
      continue;
    }
    EXPECT_EQ(code, c.code) << c.name;
    EXPECT_EQ(m_received, c.delivered) << c.name;
  }
  EXPECT_EQ(SendBytes(m_service, L"OtherTopic", Utf16(L"http://127.0.0.1/")), kNoConnection);
  m_received.clear();
  EXPECT_EQ(SendBytes(m_service, kDdeTopic, Utf16(L"http://127.0.0.1/after")), kAccepted);
  EXPECT_EQ(m_received.size(), 1u);
}

TEST_F(DdeTest, AfterStopTheServiceIsGoneAndCanComeBack) {
  m_source.Stop();
  EXPECT_FALSE(m_source.Running());
  EXPECT_EQ(SendBytes(m_service, kDdeTopic, Utf16(L"http://127.0.0.1/")), kNoConnection);
  ASSERT_TRUE(m_source.Start());
  EXPECT_EQ(SendBytes(m_service, kDdeTopic, Utf16(L"http://127.0.0.1/")), kAccepted);
  DdeSource second;
  EXPECT_FALSE(second.Start());  // one per process
}

}  // namespace
}  // namespace qorv::gamewindow
