// The decisions of clearing the browser's URL cache, against an interface so that a fake cache
// tests them: phase 1 deletes the cache groups (with their URLs), phase 2 deletes every entry
// whose type has no bit in the kept mask. The Win32 side (cache_main.h) implements the interface
// over WinINet's W functions.
#pragma once

#include <cstdint>
#include <string>

namespace qorv::gamewindow {

inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorNoMoreFiles = 18;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorNoMoreItems = 259;

inline constexpr uint32_t kCookieCacheEntry = 0x00100000;
inline constexpr uint32_t kUrlHistoryCacheEntry = 0x00200000;
inline constexpr uint32_t kKeptCacheTypes = kCookieCacheEntry | kUrlHistoryCacheEntry;

inline constexpr uint32_t kFirstEntryBuffer = 2048;
// An entry record larger than this is not read (the enumeration ends there): no real record comes
// near it, and a cache reporting more is broken.
inline constexpr uint32_t kMaxEntryBuffer = 1u << 20;

// The outcome of one cache call: ok, or the thread's last error right after it.
struct CacheCall {
  bool ok = false;
  uint32_t error = 0;
  // With error 122: the record size the entry needs.
  uint32_t neededSize = 0;
};

struct CacheEntry {
  std::wstring sourceUrl;
  uint32_t type = 0;
};

class IUrlCache {
 public:
  // False when the system lacks the group functions.
  virtual bool HasGroups() = 0;
  virtual CacheCall FindFirstGroup(int64_t& groupId) = 0;
  virtual CacheCall FindNextGroup(int64_t& groupId) = 0;
  virtual bool DeleteGroup(int64_t groupId) = 0;  // with its URLs flushed
  virtual void EndGroups() = 0;

  // pattern null: every entry. bufferSize is the record buffer the call may fill.
  virtual CacheCall FindFirstEntry(const wchar_t* pattern, uint32_t bufferSize,
                                   CacheEntry& entry) = 0;
  virtual CacheCall FindNextEntry(uint32_t bufferSize, CacheEntry& entry) = 0;
  virtual bool DeleteEntry(const std::wstring& sourceUrl) = 0;
  virtual void EndEntries() = 0;

 protected:
  ~IUrlCache() = default;
};

enum class FlushEnd {
  Complete,            // every entry was seen
  EmptyCache,          // the first entry call found nothing (or failed)
  GroupSearchFailed,   // the first group call failed with an error other than 2
  GroupDeleteFailed,
  EntrySearchFailed,   // an entry call failed with an error other than 259
  EntryTooLarge,       // a record over kMaxEntryBuffer, or one that kept growing
};

struct FlushReport {
  FlushEnd end = FlushEnd::Complete;
  uint32_t lastError = 0;
  int groupsDeleted = 0;
  int entriesDeleted = 0;
  int entriesKept = 0;
  int deleteFailures = 0;  // entries gone meanwhile, locked, ...
  int bufferGrowths = 0;
};

// Never throws. pattern null enumerates every entry.
FlushReport FlushUrlCache(IUrlCache& cache, const wchar_t* pattern, uint32_t keptTypes);

std::wstring DescribeFlush(const FlushReport& report);

}  // namespace qorv::gamewindow
