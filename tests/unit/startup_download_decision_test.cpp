#include "startup/download_decision.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qorv::startup {
namespace {

constexpr uint64_t kFourGiB = 1ull << 32;

TEST(ParseContentLength, DigitsOnlyWithSpacesAroundAndNoWrap) {
  struct Case {
    const wchar_t* text;
    std::optional<uint64_t> want;
  } cases[] = {
      {L"1234", 1234},
      {L"  42 ", 42},
      {L"0", 0},
      {L"4294967301", kFourGiB + 5},  // would be 5 as the system's 32-bit number
      {L"9999999999999999999", 9999999999999999999ull},
      {L"18446744073709551616", std::nullopt},  // 20 digits: past 64 bits
      {L"", std::nullopt},
      {L"   ", std::nullopt},
      {L"12a", std::nullopt},
      {L"-1", std::nullopt},
      {L"+5", std::nullopt},
      {L"1 2", std::nullopt},
      {L"0x10", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseContentLength(c.text), c.want) << c.text;
}

TEST(CheckAnswer, ReadsOnlyAnOkBodyOfKnownLengthWithinTheLimits) {
  using V = AnswerVerdict;
  const std::optional<uint32_t> none;
  struct Case {
    const char* name;
    AnswerHeaders headers;
    DownloadLimits limits;
    V want;
  } cases[] = {
      {"plain", {200, 100, none}, {}, V::Accepted},
      {"no status", {none, 100, none}, {}, V::NotOk},
      {"not found", {404, 100, none}, {}, V::NotOk},
      {"partial content", {206, 100, none}, {}, V::NotOk},
      {"no length", {200, none, none}, {}, V::NoLength},
      {"length 0", {200, 0, 0}, {}, V::NoLength},
      {"text ignored without a limit", {200, 100, std::nullopt}, {}, V::Accepted},
      {"at the limit", {200, 100, 100}, {100, std::nullopt}, V::Accepted},
      {"over the limit", {200, 101, 101}, {100, std::nullopt}, V::TooLarge},
      {"wrapped 32-bit length", {200, 5, kFourGiB + 5}, {1 << 20, std::nullopt}, V::TooLarge},
      {"limit, no text", {200, 100, std::nullopt}, {100, std::nullopt}, V::NoLength},
      {"not ok before too large", {500, 101, 101}, {100, std::nullopt}, V::NotOk},
      {"too large before late", {200, 101, 101}, {100, 10.0}, V::TooLarge},
      {"no length before late", {200, none, none}, {std::nullopt, 10.0}, V::NoLength},
      {"deadline passed", {200, 100, none}, {std::nullopt, 9.0}, V::Late},
      {"deadline now", {200, 100, none}, {std::nullopt, 10.0}, V::Late},
      {"deadline ahead", {200, 100, none}, {std::nullopt, 10.5}, V::Accepted},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckAnswer(c.headers, c.limits, 10.0), c.want) << c.name;
  }
}

// Reads of `sizes` handed to the writer one after another, then the end: the received counts
// reported after each hand-over (a read is reported once the next one is handed over).
std::vector<std::vector<uint64_t>> ReportsOf(BodyTally& tally, std::vector<uint32_t> sizes) {
  std::vector<std::vector<uint64_t>> reports;
  sizes.push_back(0);
  for (uint32_t size : sizes) {
    EXPECT_TRUE(tally.Arrive(size)) << size;
    tally.Handed(size);
    reports.emplace_back();
    while (auto received = tally.NextBlock()) reports.back().push_back(*received);
  }
  return reports;
}

TEST(BodyTally, ReportsEachReadInBlocksOnceTheNextIsHandedOver) {
  BodyTally tally(30000);
  auto reports = ReportsOf(tally, {10000, 8192, 11808});
  using R = std::vector<uint64_t>;
  EXPECT_EQ(reports, (std::vector<R>{{}, {8192, 10000}, {18192}, {26384, 30000}}));
  EXPECT_TRUE(tally.AllArrived());
  EXPECT_TRUE(tally.AllReported());
  EXPECT_EQ(tally.Received(), 30000u);
}

TEST(BodyTally, ARunPastTheAnnouncedLengthIsRefusedAtTheReadThatOverruns) {
  BodyTally tally(100);
  EXPECT_TRUE(tally.Arrive(60));
  EXPECT_FALSE(tally.AllArrived());
  EXPECT_TRUE(tally.Arrive(40));
  EXPECT_TRUE(tally.AllArrived());
  EXPECT_FALSE(tally.Arrive(1));
}

TEST(BodyTally, AShortBodyIsNeverAllReported) {
  BodyTally tally(20000);
  auto reports = ReportsOf(tally, {8192, 8192});
  EXPECT_EQ(reports.back(), (std::vector<uint64_t>{16384}));
  EXPECT_FALSE(tally.AllReported());
  EXPECT_EQ(EndOf(tally, false, false), BodyEnd::Short);
}

TEST(DownloadDisposal, OnlyAWholeMatchingBodyIsKept) {
  Sha256Digest a{};
  Sha256Digest b{};
  b[31] = 1;
  const std::optional<Sha256Digest> none;
  struct Case {
    const char* name;
    bool failed, stopped, allReported, staging;
    std::optional<Sha256Digest> expected, actual;
    Disposal want;
  } cases[] = {
      {"whole", false, false, true, false, none, none, Disposal::Commit},
      {"whole, staged", false, false, true, true, none, none, Disposal::Stage},
      {"whole, matching", false, false, true, false, a, a, Disposal::Commit},
      {"whole, matching, staged", false, false, true, true, a, a, Disposal::Stage},
      {"whole, other digest", false, false, true, false, a, b, Disposal::DigestMismatch},
      {"whole, staged, other digest", false, false, true, true, a, b, Disposal::DigestMismatch},
      {"whole, no hash to compare", false, false, true, false, a, none, Disposal::DigestMismatch},
      {"stop after the last byte", false, true, true, false, none, none, Disposal::Commit},
      {"stopped part-way", false, true, false, true, none, none, Disposal::Stopped},
      {"failed and stopped", true, true, false, false, none, none, Disposal::Stopped},
      {"short", false, false, false, false, none, none, Disposal::Short},
      {"failed once all was reported", true, false, true, true, none, none, Disposal::Short},
  };
  for (const auto& c : cases) {
    uint32_t arrived = c.allReported ? 100 : 60;
    BodyTally tally(100);
    tally.Arrive(arrived);
    tally.Handed(arrived);
    tally.Handed(0);
    while (tally.NextBlock()) {
    }
    BodyEnd end = EndOf(tally, c.failed, c.stopped);
    std::optional<Sha256Digest> actual = end == BodyEnd::Whole ? c.actual : std::nullopt;
    EXPECT_EQ(Dispose(end, c.staging, c.expected, actual), c.want) << c.name;
  }
}

}  // namespace
}  // namespace qorv::startup
