// Clearing the real URL cache of the prefix: entries made through the cache API, cleared by the
// clearcache command, whose message box is read and answered from a second thread.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "gamewindow/cache_main.h"
#include "win/support/message_box_watcher.h"

namespace qorv::gamewindow {
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

test::MessageBoxWatch CacheClearedBox() {
  return {.title = kCacheClearedTitle, .press = IDOK, .timeoutMs = 10000};
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
    test::MessageBoxWatcher watcher(CacheClearedBox());
    ClearCacheCommand(nullptr);
    test::MessageBoxSeen box = watcher.Stop();
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.text, kCacheClearedText);
    EXPECT_TRUE(box.icon);
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

  test::MessageBoxWatcher watcher(CacheClearedBox());
  ClearCacheCommand(nullptr);
  EXPECT_TRUE(watcher.Stop().seen);
}

}  // namespace
}  // namespace qorv::gamewindow
