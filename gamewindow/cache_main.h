// CacheMain: clearing the WinINet URL cache that the embedded browser shares, keeping cookies and
// history so the player stays logged in. Runs synchronously on the calling thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gamewindow/cache_flush.h"

namespace qorv::gamewindow {

inline constexpr wchar_t kCacheClearedText[] = L"缓存已清理完毕！";
inline constexpr wchar_t kCacheClearedTitle[] = L"缓存清理";

namespace CacheMain {
// pattern null: every entry. Never throws; how far it got goes to the log and the result.
FlushReport FlushUrlCache(const wchar_t* strUrlPattern, uint32_t dwKeptTypes);
}  // namespace CacheMain

// The clearcache command: clears the cache (cookies and history kept) and then tells the player,
// in a message box over owner, however far the clearing got.
void ClearCacheCommand(HWND owner);

}  // namespace qorv::gamewindow
