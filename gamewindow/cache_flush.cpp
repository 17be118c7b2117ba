#include "gamewindow/cache_flush.h"

#include <algorithm>

namespace qorv::gamewindow {
namespace {

// A group enumeration that keeps failing without reaching its end would loop for ever.
constexpr int kMaxFailedGroupSteps = 16;
// The same entry asking for more room again and again (it grows between calls).
constexpr int kMaxGrowthsPerEntry = 4;

// The group search names its end with error 2; the other "nothing more" errors mean the same and
// must not be taken for a failure, which would leave every entry in place.
bool IsEndOfGroups(uint32_t error) {
  return error == kErrorFileNotFound || error == kErrorNoMoreFiles || error == kErrorNoMoreItems;
}

bool RunGroups(IUrlCache& cache, FlushReport& report) {
  int64_t group = 0;
  CacheCall first = cache.FindFirstGroup(group);
  if (!first.ok) {
    if (IsEndOfGroups(first.error)) return true;  // no groups
    report.end = FlushEnd::GroupSearchFailed;
    report.lastError = first.error;
    return false;
  }
  int failedSteps = 0;
  bool keepGoing = true;
  bool fresh = true;  // the id names a group not yet deleted
  for (;;) {
    if (fresh) {
      if (!cache.DeleteGroup(group)) {
        report.end = FlushEnd::GroupDeleteFailed;
        keepGoing = false;
        break;
      }
      ++report.groupsDeleted;
    }
    // A failed step leaves the id on the group just deleted: deleting it again would fail
    // against the real cache and end the clearing before a single entry is gone.
    CacheCall next = cache.FindNextGroup(group);
    fresh = next.ok;
    if (next.ok) {
      failedSteps = 0;
      continue;
    }
    if (IsEndOfGroups(next.error)) break;
    if (++failedSteps >= kMaxFailedGroupSteps) break;  // the entries are still cleared
  }
  cache.EndGroups();
  return keepGoing;
}

// One entry call, retried with a bigger buffer while the record does not fit.
template <class Call>
CacheCall WithRoom(uint32_t& bufferSize, FlushReport& report, Call call) {
  CacheCall result = call(bufferSize);
  for (int growths = 0; !result.ok && result.error == kErrorInsufficientBuffer; ++growths) {
    // The size the cache names; a cache that names none (or no more) gets twice the room.
    uint64_t wanted =
        result.neededSize > bufferSize ? result.neededSize : uint64_t{bufferSize} * 2;
    if (wanted > kMaxEntryBuffer || growths >= kMaxGrowthsPerEntry) return result;
    bufferSize = static_cast<uint32_t>(wanted);
    ++report.bufferGrowths;
    result = call(bufferSize);
  }
  return result;
}

void RunEntries(IUrlCache& cache, const wchar_t* pattern, uint32_t keptTypes,
                FlushReport& report) {
  uint32_t bufferSize = kFirstEntryBuffer;
  CacheEntry entry;
  CacheCall call = WithRoom(bufferSize, report, [&](uint32_t size) {
    return cache.FindFirstEntry(pattern, size, entry);
  });
  if (!call.ok) {
    report.end = call.error == kErrorInsufficientBuffer ? FlushEnd::EntryTooLarge
                                                         : FlushEnd::EmptyCache;
    report.lastError = call.error;
    return;
  }
  for (;;) {
    if ((entry.type & keptTypes) != 0) {
      ++report.entriesKept;
    } else if (cache.DeleteEntry(entry.sourceUrl)) {
      ++report.entriesDeleted;
    } else {
      ++report.deleteFailures;
    }
    call = WithRoom(bufferSize, report,
                    [&](uint32_t size) { return cache.FindNextEntry(size, entry); });
    if (call.ok) continue;
    if (call.error != kErrorNoMoreItems) {
      report.end = call.error == kErrorInsufficientBuffer ? FlushEnd::EntryTooLarge
                                                           : FlushEnd::EntrySearchFailed;
      report.lastError = call.error;
    }
    break;
  }
  cache.EndEntries();
}

const wchar_t* EndName(FlushEnd end) {
  switch (end) {
    case FlushEnd::Complete: return L"complete";
    case FlushEnd::EmptyCache: return L"no entries";
    case FlushEnd::GroupSearchFailed: return L"group search failed";
    case FlushEnd::GroupDeleteFailed: return L"group delete failed";
    case FlushEnd::EntrySearchFailed: return L"entry search failed";
    case FlushEnd::EntryTooLarge: return L"entry record too large";
  }
  return L"?";
}

}  // namespace

FlushReport FlushUrlCache(IUrlCache& cache, const wchar_t* pattern, uint32_t keptTypes) {
  FlushReport report;
  try {
    if (cache.HasGroups() && !RunGroups(cache, report)) return report;
    RunEntries(cache, pattern, keptTypes, report);
  } catch (...) {
    report.end = FlushEnd::EntrySearchFailed;
  }
  return report;
}

std::wstring DescribeFlush(const FlushReport& report) {
  std::wstring text = L"cache: ";
  text += EndName(report.end);
  if (report.lastError) text += L" (error " + std::to_wstring(report.lastError) + L")";
  text += L"; groups deleted " + std::to_wstring(report.groupsDeleted) + L", entries deleted " +
          std::to_wstring(report.entriesDeleted) + L", kept " +
          std::to_wstring(report.entriesKept) + L", not deletable " +
          std::to_wstring(report.deleteFailures) + L", buffer growths " +
          std::to_wstring(report.bufferGrowths);
  return text;
}

}  // namespace qorv::gamewindow
