#include "gamewindow/cache_flush.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qorv::gamewindow {
namespace {

constexpr uint32_t kNormal = 0x1;  // NORMAL_CACHE_ENTRY
constexpr uint32_t kSticky = 0x4;

struct FakeEntry {
  std::wstring url;
  uint32_t type = kNormal;
  uint32_t recordSize = 200;
  uint32_t growthPerAsk = 0;  // the record grows every time it does not fit (changing cache)
};

// A cache that behaves as the platform's: an enumeration cursor that does not advance on 122,
// 259 at the end, and deletions that do not disturb the cursor.
class FakeCache : public IUrlCache {
 public:
  std::vector<FakeEntry> entries;
  std::vector<int64_t> groups;
  bool hasGroups = true;
  uint32_t firstGroupError = 0;      // instead of the first group
  std::set<int64_t> undeletableGroups;
  uint32_t nextGroupError = 0;       // every FindNextGroup fails so
  std::set<size_t> failingGroupSteps;  // FindNextGroup call numbers that fail once with error 5
  uint32_t endOfGroups = kErrorFileNotFound;
  std::map<size_t, uint32_t> nextEntryErrors;  // call number -> error
  std::set<std::wstring> undeletable;

  std::set<std::wstring> deleted;
  std::vector<int64_t> deletedGroups;
  std::vector<uint32_t> bufferSizes;
  const wchar_t* patternSeen = L"(not called)";
  int openEntrySearches = 0;
  int openGroupSearches = 0;

  bool HasGroups() override { return hasGroups; }
  CacheCall FindFirstGroup(int64_t& id) override {
    if (firstGroupError) return {false, firstGroupError};
    if (groups.empty()) return {false, endOfGroups};
    m_group = 0;
    id = groups[0];
    ++openGroupSearches;
    return {true};
  }
  // A failed step leaves both the id and the cursor where they were.
  CacheCall FindNextGroup(int64_t& id) override {
    if (nextGroupError) return {false, nextGroupError};
    if (failingGroupSteps.count(++m_groupSteps)) return {false, 5};
    if (++m_group >= groups.size()) return {false, endOfGroups};
    id = groups[m_group];
    return {true};
  }
  // A deleted group is gone: deleting it again fails, as an unknown id does.
  bool DeleteGroup(int64_t id) override {
    if (undeletableGroups.count(id)) return false;
    if (std::find(deletedGroups.begin(), deletedGroups.end(), id) != deletedGroups.end()) {
      return false;
    }
    deletedGroups.push_back(id);
    return true;
  }
  void EndGroups() override { --openGroupSearches; }

  CacheCall FindFirstEntry(const wchar_t* pattern, uint32_t size, CacheEntry& out) override {
    patternSeen = pattern;
    m_cursor = 0;
    CacheCall call = Deliver(size, out);
    if (call.ok) ++openEntrySearches;  // a failed first call leaves no search to end
    return call;
  }
  CacheCall FindNextEntry(uint32_t size, CacheEntry& out) override {
    auto err = nextEntryErrors.find(++m_nextCalls);
    if (err != nextEntryErrors.end()) return {false, err->second};
    return Deliver(size, out);
  }
  bool DeleteEntry(const std::wstring& url) override {
    if (undeletable.count(url)) return false;
    return deleted.insert(url).second;
  }
  void EndEntries() override { --openEntrySearches; }

  std::vector<std::wstring> Remaining() const {
    std::vector<std::wstring> out;
    for (const auto& e : entries) {
      if (!deleted.count(e.url)) out.push_back(e.url);
    }
    return out;
  }

 private:
  CacheCall Deliver(uint32_t size, CacheEntry& out) {
    bufferSizes.push_back(size);
    if (m_cursor >= entries.size()) return {false, kErrorNoMoreItems};
    FakeEntry& e = entries[m_cursor];
    if (e.recordSize > size) {
      uint32_t needed = e.recordSize;
      e.recordSize += e.growthPerAsk;
      return {false, kErrorInsufficientBuffer, needed};
    }
    out = {e.url, e.type};
    ++m_cursor;
    return {true};
  }
  size_t m_cursor = 0;
  size_t m_nextCalls = 0;
  size_t m_group = 0;
  size_t m_groupSteps = 0;
};

std::vector<FakeEntry> Mixed() {
  return {{L"http://g/a.js"},
          {L"Cookie:player@g/", kCookieCacheEntry},
          {L"http://g/b.png", kSticky},
          {L"Visited: player@http://g/", kUrlHistoryCacheEntry},
          {L"http://g/both", kNormal | kCookieCacheEntry},
          {L"http://g/c.swf"}};
}

TEST(CacheFlush, DeletesContentKeepsCookiesAndHistoryWithEveryEntryListed) {
  FakeCache cache;
  cache.entries = Mixed();
  FlushReport r = FlushUrlCache(cache, nullptr, kKeptCacheTypes);
  EXPECT_EQ(cache.patternSeen, nullptr);
  EXPECT_EQ(r.end, FlushEnd::Complete);
  EXPECT_EQ(cache.Remaining(), (std::vector<std::wstring>{L"Cookie:player@g/",
                                                          L"Visited: player@http://g/",
                                                          L"http://g/both"}));
  EXPECT_EQ(r.entriesDeleted, 3);
  EXPECT_EQ(r.entriesKept, 3);
  EXPECT_EQ(cache.openEntrySearches, 0);
  for (uint32_t size : cache.bufferSizes) EXPECT_EQ(size, kFirstEntryBuffer);

  FakeCache all;
  all.entries = Mixed();
  FlushUrlCache(all, nullptr, 0);
  EXPECT_TRUE(all.Remaining().empty());
}

// Entry enumeration: records that do not fit, errors, a cache that changes meanwhile.
struct EntryCase {
  const char* name;
  std::vector<FakeEntry> entries;
  std::map<size_t, uint32_t> nextErrors;
  std::set<std::wstring> undeletable;
  FlushEnd end;
  uint32_t lastError;
  std::vector<std::wstring> remaining;
  int growths;
};

TEST(CacheFlush, EntryEnumerationCases) {
  const std::wstring big(3000, L'x');
  const EntryCase cases[] = {
      {"empty cache", {}, {}, {}, FlushEnd::EmptyCache, kErrorNoMoreItems, {}, 0},
      {"a record over the first buffer grows it and is retried",
       {{L"a"}, {L"big", kNormal, 5000}, {L"c"}}, {}, {}, FlushEnd::Complete, 0, {}, 1},
      {"the first record too big", {{L"big", kNormal, 2049}, {L"b", kNormal, 2049}}, {}, {},
       FlushEnd::Complete, 0, {}, 1},
      {"a record over the ceiling ends it there",
       {{L"a"}, {L"huge", kNormal, kMaxEntryBuffer + 1}, {L"c"}}, {}, {},
       FlushEnd::EntryTooLarge, kErrorInsufficientBuffer, {L"huge", L"c"}, 0},
      {"a record that grows at every retry is given up",
       {{L"a"}, {L"moving", kNormal, 3000, 100000}, {L"c"}}, {}, {}, FlushEnd::EntryTooLarge,
       kErrorInsufficientBuffer, {L"moving", L"c"}, 4},
      {"another error ends it", {{L"a"}, {L"b"}, {L"c"}}, {{2, 5}}, {}, FlushEnd::EntrySearchFailed,
       5, {L"c"}, 0},
      {"entries gone or locked meanwhile are passed over", {{L"a"}, {L"gone"}, {L"c"}}, {},
       {L"gone"}, FlushEnd::Complete, 0, {L"gone"}, 0},
      {"no more items on a later call is the end", {{L"a"}, {L"b"}}, {{1, kErrorNoMoreItems}}, {},
       FlushEnd::Complete, 0, {L"b"}, 0},
  };
  for (const auto& c : cases) {
    FakeCache cache;
    cache.entries = c.entries;
    cache.nextEntryErrors = c.nextErrors;
    cache.undeletable = c.undeletable;
    FlushReport r = FlushUrlCache(cache, nullptr, kKeptCacheTypes);
    EXPECT_EQ(r.end, c.end) << c.name;
    EXPECT_EQ(r.lastError, c.lastError) << c.name;
    EXPECT_EQ(cache.Remaining(), c.remaining) << c.name;
    EXPECT_EQ(r.bufferGrowths, c.growths) << c.name;
    EXPECT_LE(cache.openEntrySearches, 0) << c.name;
    for (uint32_t size : cache.bufferSizes) EXPECT_LE(size, kMaxEntryBuffer) << c.name;
  }
}

TEST(CacheFlush, GrownBufferServesTheRestAndTheRecordIsNotAskedBeyondItsSize) {
  FakeCache cache;
  cache.entries = {{L"a"}, {L"big", kNormal, 5000}, {L"c", kNormal, 4000}, {L"d"}};
  FlushUrlCache(cache, nullptr, kKeptCacheTypes);
  EXPECT_EQ(cache.bufferSizes, (std::vector<uint32_t>{2048, 2048, 5000, 5000, 5000, 5000}));
}

// Groups first; how their failures decide whether the entries are cleared.
struct GroupCase {
  const char* name;
  bool hasGroups;
  std::vector<int64_t> groups;
  uint32_t firstError;
  std::set<int64_t> undeletable;
  uint32_t nextError;
  std::set<size_t> failingSteps;
  uint32_t endOfGroups;
  FlushEnd end;
  std::vector<int64_t> deletedGroups;
  bool entriesCleared;
};

TEST(CacheFlush, GroupCases) {
  const GroupCase cases[] = {
      {"no groups (error 2)", true, {}, 0, {}, 0, {}, 2, FlushEnd::Complete, {}, true},
      {"no groups, said with 259", true, {}, 0, {}, 0, {}, 259, FlushEnd::Complete, {}, true},
      {"groups deleted, then the entries", true, {7, 8, 9}, 0, {}, 0, {}, 2, FlushEnd::Complete,
       {7, 8, 9}, true},
      {"group search ending with 18", true, {7, 8}, 0, {}, 0, {}, 18, FlushEnd::Complete, {7, 8},
       true},
      {"the system lacks the group functions", false, {7}, 0, {}, 0, {}, 2, FlushEnd::Complete,
       {}, true},
      {"the group search fails otherwise", true, {7}, 5, {}, 0, {}, 2,
       FlushEnd::GroupSearchFailed, {}, false},
      {"a group that cannot be deleted ends it all", true, {7, 8, 9}, 0, {8}, 0, {}, 2,
       FlushEnd::GroupDeleteFailed, {7}, false},
      {"a failed step in the middle deletes nothing twice and goes on", true, {7, 8, 9}, 0, {}, 0,
       {2}, 2, FlushEnd::Complete, {7, 8, 9}, true},
      {"failed steps in a row, then the rest", true, {7, 8, 9}, 0, {}, 0, {1, 2, 3, 5}, 2,
       FlushEnd::Complete, {7, 8, 9}, true},
      {"a group search that never reaches its end is bounded", true, {7}, 0, {}, 5, {}, 2,
       FlushEnd::Complete, {7}, true},
  };
  for (const auto& c : cases) {
    FakeCache cache;
    cache.entries = {{L"a"}, {L"b"}};
    cache.hasGroups = c.hasGroups;
    cache.groups = c.groups;
    cache.firstGroupError = c.firstError;
    cache.undeletableGroups = c.undeletable;
    cache.nextGroupError = c.nextError;
    cache.failingGroupSteps = c.failingSteps;
    cache.endOfGroups = c.endOfGroups;
    FlushReport r = FlushUrlCache(cache, nullptr, kKeptCacheTypes);
    EXPECT_EQ(r.end, c.end) << c.name;
    EXPECT_EQ(cache.deletedGroups, c.deletedGroups) << c.name;
    EXPECT_EQ(cache.Remaining().empty(), c.entriesCleared) << c.name;
    EXPECT_EQ(cache.openGroupSearches, 0) << c.name;
  }
}

}  // namespace
}  // namespace qorv::gamewindow
