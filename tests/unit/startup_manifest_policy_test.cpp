#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "startup/manifest.h"
#include "startup/manifest_policy.h"

namespace qorv::startup {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t k2027_03_01 = 1803859200;  // 2027-03-01 00:00:00 UTC

// The manifest as both programs read it: byte order mark dropped, lines split, each decoded.
std::vector<std::wstring> LinesOf(std::string_view bytes) {
  bytes.remove_prefix(DetectManifestEncoding(bytes).skip);
  std::vector<std::wstring> lines;
  for (const auto& line : SplitManifestLines(bytes)) lines.push_back(Utf8ToWide(line));
  return lines;
}

TEST(ProductVersion, OnlyThreeDecimalPartsAreAVersion) {
  struct Case {
    const wchar_t* text;
    std::optional<ProductVersion> version;
  } cases[] = {
      {L"1.1.0", ProductVersion{1, 1, 0}},
      {L"0.0.0", ProductVersion{0, 0, 0}},
      {L"10.20.300", ProductVersion{10, 20, 300}},
      {L"01.002.0003", ProductVersion{1, 2, 3}},  // leading zeros: same number
      {L"4294967295.4294967295.4294967295", ProductVersion{4294967295u, 4294967295u, 4294967295u}},
      {L"4294967296.0.0", std::nullopt},               // one past 32 bits
      {L"1.99999999999999999999999.0", std::nullopt},  // far past, no wrap
      {L"1.1", std::nullopt},
      {L"1.1.0.0", std::nullopt},  // four parts
      {L"1.1.0.", std::nullopt},
      {L"1..0", std::nullopt},  // an empty part
      {L".1.0", std::nullopt},
      {L"1.1.", std::nullopt},
      {L"", std::nullopt},
      {L"1.1.0b", std::nullopt},  // letters
      {L"v1.1.0", std::nullopt},
      {L"1.a.0", std::nullopt},
      {L" 1.1.0", std::nullopt},  // spaces (the line trims them)
      {L"1.1.0 ", std::nullopt},
      {L"1. 1.0", std::nullopt},
      {L"+1.1.0", std::nullopt},
      {L"-1.1.0", std::nullopt},
      {L"1.1.0\t", std::nullopt},
      {L"1,1,0", std::nullopt},
      {L"\x0661.1.0", std::nullopt},  // a non-ASCII digit
      {L"１.1.0", std::nullopt},      // a full-width one
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseProductVersion(c.text), c.version) << WideToUtf8(c.text);
  }
}

TEST(ProductVersion, ComparedAsNumbersPartByPart) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int order;  // sign of a - b
  } cases[] = {
      {L"1.1.0", L"1.1.0", 0},      {L"1.1.1", L"1.1.0", 1},   {L"1.2.0", L"1.1.9", 1},
      {L"2.0.0", L"1.99.99", 1},    {L"1.10.0", L"1.9.0", 1},  // not as text: "10" > "9"
      {L"1.1.0", L"1.1.00", 0},     {L"0.9.9", L"1.0.0", -1},
      {L"4294967295.0.0", L"4294967294.9.9", 1},
  };
  for (const auto& c : cases) {
    auto a = ParseProductVersion(c.a), b = ParseProductVersion(c.b);
    ASSERT_TRUE(a && b) << WideToUtf8(c.a) << " " << WideToUtf8(c.b);
    int order = *a < *b ? -1 : *a > *b ? 1 : 0;
    EXPECT_EQ(order, c.order) << WideToUtf8(c.a) << " vs " << WideToUtf8(c.b);
  }
}

TEST(ManifestExpiry, OnlyOneRealDateInOneShape) {
  struct Case {
    const wchar_t* line;
    std::optional<ExpiryDate> date;
  } cases[] = {
      {L"EXPIRES=2027-03-01", ExpiryDate{2027, 3, 1}},
      {L"expires=2027-03-01", ExpiryDate{2027, 3, 1}},        // the key in any case
      {L"Expires = 2027-03-01  ", ExpiryDate{2027, 3, 1}},    // spaces around key and value
      {L"EXPIRES=2028-02-29", ExpiryDate{2028, 2, 29}},       // a leap day
      {L"EXPIRES=2000-02-29", ExpiryDate{2000, 2, 29}},
      {L"EXPIRES=2100-02-29", std::nullopt},                  // no leap day in 2100
      {L"EXPIRES=2027-02-29", std::nullopt},
      {L"EXPIRES=2027-02-30", std::nullopt},
      {L"EXPIRES=2027-04-31", std::nullopt},
      {L"EXPIRES=2027-13-01", std::nullopt},
      {L"EXPIRES=2027-00-10", std::nullopt},
      {L"EXPIRES=2027-01-00", std::nullopt},
      {L"EXPIRES=2027-3-1", std::nullopt},
      {L"EXPIRES=27-03-01", std::nullopt},
      {L"EXPIRES=2027/03/01", std::nullopt},
      {L"EXPIRES=01-03-2027", std::nullopt},
      {L"EXPIRES=2027-03-01T00:00:00Z", std::nullopt},
      {L"EXPIRES=20270301", std::nullopt},
      {L"EXPIRES=+027-03-01", std::nullopt},
      {L"EXPIRES=1969-12-31", std::nullopt},
      {L"EXPIRES=", std::nullopt},
      {L"EXPIRES=2027-03-01 x", std::nullopt},
      {L"EXPIRES:2027-03-01", std::nullopt},                  // no "=": not an expiry line
      {L"EXPIRE=2027-03-01", std::nullopt},
      {L"NOEXPIRES=2027-03-01", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseExpiresLine(c.line), c.date) << WideToUtf8(c.line);
  }
}

TEST(ManifestExpiry, ExpiredFromMidnightUtcOfTheDate) {
  ExpiryDate date{2027, 3, 1};
  struct Case {
    int64_t now;
    bool expired;
  } cases[] = {
      {k2027_03_01 - 1, false},
      {k2027_03_01, true},
      {k2027_03_01 + 1, true},
      {k2027_03_01 - 365 * kDay, false},
      {0, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsExpiredAt(date, c.now), c.expired) << c.now;
  EXPECT_TRUE(IsExpiredAt({1970, 1, 1}, 0));
  EXPECT_FALSE(IsExpiredAt({2000, 3, 1}, 951868800 - 1));  // the day after a leap day
  EXPECT_TRUE(IsExpiredAt({2000, 3, 1}, 951868800));
}

TEST(ManifestDecision, OnlyASignedCurrentNewerManifestIsTaken) {
  const int64_t now = k2027_03_01 - kDay;  // the day before the manifests below expire
  const std::string files = "q|http://h/qorv.exe|" + std::string(64, 'a') + "\r\n";
  struct Case {
    const char* name;
    std::string manifest;
    SignatureStatus signature;
    const wchar_t* running;
    ManifestVerdict verdict;
  } cases[] = {
      {"newer", "version=1.2.0\r\nEXPIRES=2027-03-01\r\n" + files, SignatureStatus::Valid,
       L"1.1.0", ManifestVerdict::Accept},
      {"newer by a number, not by text", "version=1.10.0\r\nEXPIRES=2027-03-01\r\n",
       SignatureStatus::Valid, L"1.9.0", ManifestVerdict::Accept},
      {"byte order mark", "\xEF\xBB\xBFversion=1.2.0\r\nEXPIRES=2027-03-01\r\n",
       SignatureStatus::Valid, L"1.1.0", ManifestVerdict::Accept},
      {"mark before the expiry line", "\xEF\xBB\xBF" "EXPIRES=2027-03-01\r\nversion=1.2.0\r\n",
       SignatureStatus::Valid, L"1.1.0", ManifestVerdict::Accept},
      {"LF line ends", "version=1.2.0\nEXPIRES=2027-03-01\n" + files, SignatureStatus::Valid,
       L"1.1.0", ManifestVerdict::Accept},
      {"CR line ends, none at the end", "version=1.2.0\rEXPIRES=2027-03-01",
       SignatureStatus::Valid, L"1.1.0", ManifestVerdict::Accept},
      {"no signature", "version=1.2.0\r\nEXPIRES=2027-03-01\r\n", SignatureStatus::Missing,
       L"1.1.0", ManifestVerdict::NotSigned},
      {"another key", "version=1.2.0\r\nEXPIRES=2027-03-01\r\n", SignatureStatus::Invalid,
       L"1.1.0", ManifestVerdict::NotSigned},
      {"no signature's shape", "version=1.2.0\r\nEXPIRES=2027-03-01\r\n",
       SignatureStatus::Malformed, L"1.1.0", ManifestVerdict::NotSigned},
      {"equal", "version=1.1.0\r\nEXPIRES=2027-03-01\r\n", SignatureStatus::Valid, L"1.1.0",
       ManifestVerdict::NotNewer},
      {"older", "version=1.0.9\r\nEXPIRES=2027-03-01\r\n", SignatureStatus::Valid, L"1.1.0",
       ManifestVerdict::NotNewer},
      {"no version", "EXPIRES=2027-03-01\r\n" + files, SignatureStatus::Valid, L"1.1.0",
       ManifestVerdict::NoVersion},
      {"four parts", "version=1.2.0.1\r\nEXPIRES=2027-03-01\r\n", SignatureStatus::Valid,
       L"1.1.0", ManifestVerdict::BadVersion},
      {"letters", "version=1.2.0-beta\r\nEXPIRES=2027-03-01\r\n", SignatureStatus::Valid,
       L"1.1.0", ManifestVerdict::BadVersion},
      {"space before the separator", "version = 1.2.0\r\nEXPIRES=2027-03-01\r\n",
       SignatureStatus::Valid, L"1.1.0", ManifestVerdict::BadVersion},
      {"no expiry", "version=1.2.0\r\n" + files, SignatureStatus::Valid, L"1.1.0",
       ManifestVerdict::NoExpiry},
      {"expiry in a wrong format", "version=1.2.0\r\nEXPIRES=01.03.2027\r\n",
       SignatureStatus::Valid, L"1.1.0", ManifestVerdict::BadExpiry},
      {"February 30", "version=1.2.0\r\nEXPIRES=2027-02-30\r\n", SignatureStatus::Valid,
       L"1.1.0", ManifestVerdict::BadExpiry},
      {"two expiry lines", "version=1.2.0\r\nEXPIRES=2027-03-01\r\nexpires=2099-01-01\r\n",
       SignatureStatus::Valid, L"1.1.0", ManifestVerdict::TwoExpiries},
      {"two, the same date", "version=1.2.0\r\nEXPIRES=2027-03-01\r\nEXPIRES=2027-03-01\r\n",
       SignatureStatus::Valid, L"1.1.0", ManifestVerdict::TwoExpiries},
      {"expired today", "version=1.2.0\r\nEXPIRES=2027-02-28\r\n", SignatureStatus::Valid,
       L"1.1.0", ManifestVerdict::Expired},
      {"running version broken", "version=1.2.0\r\nEXPIRES=2027-03-01\r\n",
       SignatureStatus::Valid, L"1.1", ManifestVerdict::BadRunningVersion},
  };
  for (const auto& c : cases) {
    ManifestDecision decision = DecideManifest(LinesOf(c.manifest), c.signature, c.running, now);
    EXPECT_EQ(decision.verdict, c.verdict) << c.name;
    EXPECT_EQ(decision.Accepted(), c.verdict == ManifestVerdict::Accept) << c.name;
    std::wstring log = DescribeManifestDecision(decision, c.running);
    EXPECT_EQ(log.starts_with(L"refused"),
              c.verdict != ManifestVerdict::Accept && c.verdict != ManifestVerdict::NotNewer)
        << c.name;
  }
}

TEST(ManifestDecision, TheLogSaysWhichVersionsAndWhichDate) {
  auto lines = LinesOf("version=1.2.0\r\nEXPIRES=2027-03-01\r\n");
  EXPECT_EQ(DescribeManifestDecision(DecideManifest(lines, SignatureStatus::Valid, L"1.1.0", 0),
                                     L"1.1.0"),
            L"version 1.2.0 is newer than 1.1.0 (the manifest expires on 2027-03-01)");
  EXPECT_EQ(DescribeManifestDecision(
                DecideManifest(lines, SignatureStatus::Valid, L"1.1.0", k2027_03_01), L"1.1.0"),
            L"refused: the manifest expired on 2027-03-01");
}

}  // namespace
}  // namespace qorv::startup
