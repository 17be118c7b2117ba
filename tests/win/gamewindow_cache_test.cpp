// Clearing the real URL cache of the prefix: entries made through the cache API, cleared by the
// clearcache command, whose message box is read and answered from a second thread.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "gamewindow/cache_main.h"

namespace qorv {
namespace {

bool AddEntry(const std::wstring& url, DWORD type) {
  wchar_t file[MAX_PATH] = {};
  if (!::CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) return false;
  HANDLE h = ::CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  ::WriteFile(h, "cached", 6, &written, nullptr);
  ::CloseHandle(h);
  FILETIME none{};
  return ::CommitUrlCacheEntryW(url.c_str(), file, none, none, type, nullptr, 0, L"txt",
                                nullptr) != FALSE;
}

bool InCache(const std::wstring& url) {
  std::vector<uint64_t> buffer(8192 / 8);
  DWORD size = 8192;
  return ::GetUrlCacheEntryInfoW(url.c_str(),
                                 reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()),
                                 &size) != FALSE;
}

// Waits on another thread for the message box, reads it and presses OK.
class MessageBoxReader {
 public:
  MessageBoxReader() : m_thread([this] { Run(); }) {}
  ~MessageBoxReader() {
    m_stop = true;
    m_thread.join();
  }
  bool seen() const { return m_seen; }
  std::vector<std::wstring> texts;
  bool hasIcon = false;

 private:
  void Run() {
    for (int i = 0; i < 1000 && !m_stop; ++i) {
      HWND box = ::FindWindowW(L"#32770", kCacheClearedTitle);
      if (box && ::IsWindowVisible(box)) {
        for (HWND c = nullptr; (c = ::FindWindowExW(box, c, L"Static", nullptr));) {
          if ((::GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) hasIcon = true;
          wchar_t text[256] = {};
          ::GetWindowTextW(c, text, 256);
          if (text[0]) texts.emplace_back(text);
        }
        m_seen = true;
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      ::Sleep(10);
    }
  }
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_seen{false};
  std::thread m_thread;
};

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
  for (const auto& t : texts) {
    if (t == text) return true;
  }
  return false;
}

TEST(CacheClearing, ContentGoesCookiesAndHistoryStayAndThePlayerIsTold) {
  const std::wstring page = L"http://127.0.0.1:8470/game/index.html";
  const std::wstring image = L"http://127.0.0.1:8470/game/skin.png";
  // A record over the first 2048-byte buffer: the URL alone is 2 bytes a character.
  const std::wstring big = L"http://127.0.0.1:8470/game/" + std::wstring(1500, L'q') + L".js";
  const std::wstring cookie = L"Cookie:player@127.0.0.1/";
  const std::wstring visited = L"Visited: player@http://127.0.0.1:8470/game/index.html";
  ASSERT_TRUE(AddEntry(page, NORMAL_CACHE_ENTRY));
  ASSERT_TRUE(AddEntry(image, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY));
  ASSERT_TRUE(AddEntry(big, NORMAL_CACHE_ENTRY));
  ASSERT_TRUE(AddEntry(cookie, COOKIE_CACHE_ENTRY));
  ASSERT_TRUE(AddEntry(visited, URLHISTORY_CACHE_ENTRY));
  for (const auto& url : {page, image, big, cookie, visited}) ASSERT_TRUE(InCache(url));

  {
    MessageBoxReader reader;
    ClearCacheCommand(nullptr);
    ASSERT_TRUE(reader.seen());
    EXPECT_TRUE(Contains(reader.texts, kCacheClearedText));
    EXPECT_TRUE(reader.hasIcon);
  }
  EXPECT_FALSE(InCache(page));
  EXPECT_FALSE(InCache(image));
  EXPECT_FALSE(InCache(big));
  EXPECT_TRUE(InCache(cookie));
  EXPECT_TRUE(InCache(visited));
}

TEST(CacheClearing, EmptyCacheStillEndsWithTheMessage) {
  CacheMain::FlushUrlCache(nullptr, 0);  // everything, cookies too
  FlushReport again = CacheMain::FlushUrlCache(nullptr, 0);
  EXPECT_EQ(again.end, FlushEnd::EmptyCache);
  EXPECT_EQ(again.entriesDeleted + again.entriesKept, 0);

  MessageBoxReader reader;
  ClearCacheCommand(nullptr);
  EXPECT_TRUE(reader.seen());
}

}  // namespace
}  // namespace qorv
