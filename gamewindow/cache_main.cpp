#include "gamewindow/cache_main.h"

#include <wininet.h>

#include <algorithm>
#include <vector>

#include "base/win/handles.h"
#include "base/win/log.h"

namespace qorv::gamewindow {
namespace {

using UniqueCacheFind = win::Unique<win::SimpleTraits<HANDLE, ::FindCloseUrlCache>>;

class WinInetCache : public IUrlCache {
 public:
  bool HasGroups() override { return true; }

  CacheCall FindFirstGroup(int64_t& groupId) override {
    GROUPID id = 0;
    // Some implementations fail here without setting the last error; nothing reported is read
    // as "no groups" rather than as a failure that would leave the entries in place.
    ::SetLastError(ERROR_SUCCESS);
    m_groups.Reset(::FindFirstUrlCacheGroup(0, CACHEGROUP_SEARCH_ALL, nullptr, 0, &id, nullptr));
    if (!m_groups) {
      DWORD error = ::GetLastError();
      return {false, error == ERROR_SUCCESS ? kErrorFileNotFound : error};
    }
    groupId = id;
    return {true};
  }
  CacheCall FindNextGroup(int64_t& groupId) override {
    GROUPID id = groupId;
    if (!::FindNextUrlCacheGroup(m_groups.Get(), &id, nullptr)) return {false, ::GetLastError()};
    groupId = id;
    return {true};
  }
  bool DeleteGroup(int64_t groupId) override {
    return ::DeleteUrlCacheGroup(groupId, CACHEGROUP_FLAG_FLUSHURL_ONDELETE, nullptr) != FALSE;
  }
  void EndGroups() override { m_groups.Reset(); }

  CacheCall FindFirstEntry(const wchar_t* pattern, uint32_t bufferSize,
                           CacheEntry& entry) override {
    DWORD size = Prepare(bufferSize);
    m_entries.Reset(::FindFirstUrlCacheEntryW(pattern, Record(), &size));
    if (!m_entries) return Failure(size);
    return Read(entry);
  }
  CacheCall FindNextEntry(uint32_t bufferSize, CacheEntry& entry) override {
    DWORD size = Prepare(bufferSize);
    if (!::FindNextUrlCacheEntryW(m_entries.Get(), Record(), &size)) return Failure(size);
    return Read(entry);
  }
  bool DeleteEntry(const std::wstring& sourceUrl) override {
    return ::DeleteUrlCacheEntryW(sourceUrl.c_str()) != FALSE;
  }
  void EndEntries() override { m_entries.Reset(); }

 private:
  INTERNET_CACHE_ENTRY_INFOW* Record() {
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(m_buffer.data());
  }
  DWORD Prepare(uint32_t bufferSize) {
    size_t words = (std::max<size_t>(bufferSize, sizeof(INTERNET_CACHE_ENTRY_INFOW)) + 7) / 8;
    if (m_buffer.size() < words) m_buffer.resize(words);
    Record()->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
    return bufferSize;
  }
  static CacheCall Failure(DWORD size) {
    DWORD error = ::GetLastError();
    return {false, error, error == ERROR_INSUFFICIENT_BUFFER ? size : 0};
  }
  CacheCall Read(CacheEntry& entry) {
    const INTERNET_CACHE_ENTRY_INFOW* record = Record();
    entry.sourceUrl = record->lpszSourceUrlName ? record->lpszSourceUrlName : L"";
    entry.type = record->CacheEntryType;
    return {true};
  }

  UniqueCacheFind m_groups;
  UniqueCacheFind m_entries;
  std::vector<uint64_t> m_buffer;  // 8-byte aligned: the record holds pointers and FILETIMEs
};

}  // namespace

FlushReport CacheMain::FlushUrlCache(const wchar_t* strUrlPattern, uint32_t dwKeptTypes) {
  WinInetCache cache;
  FlushReport report = gamewindow::FlushUrlCache(cache, strUrlPattern, dwKeptTypes);
  bool clean = report.end == FlushEnd::Complete || report.end == FlushEnd::EmptyCache;
  win::Log(clean ? win::LogLevel::Info : win::LogLevel::Error, DescribeFlush(report));
  return report;
}

void ClearCacheCommand(HWND owner) {
  CacheMain::FlushUrlCache(nullptr, kKeptCacheTypes);
  ::MessageBoxW(owner, kCacheClearedText, kCacheClearedTitle, MB_ICONINFORMATION | MB_OK);
}

}  // namespace qorv::gamewindow
