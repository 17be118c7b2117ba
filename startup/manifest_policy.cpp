#include "startup/manifest_policy.h"

#include <limits>

#include "base/text.h"
#include "startup/manifest.h"

namespace qorv::startup {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A run of decimal digits as a number no larger than `max`; nothing for an empty run, any other
// character or a value past `max`.
std::optional<uint32_t> DigitsValue(std::wstring_view digits, uint32_t max) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (wchar_t c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - L'0');
    if (value > max) return std::nullopt;  // checked every digit: no run of digits can wrap
  }
  return static_cast<uint32_t>(value);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysSinceEpoch(const ExpiryDate& date) {
  int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yearOfEra = y - era * 400;
  int64_t m = date.month;
  int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::wstring TwoDigits(int n) { return (n < 10 ? L"0" : L"") + std::to_wstring(n); }

std::wstring DateText(const ExpiryDate& date) {
  return std::to_wstring(date.year) + L"-" + TwoDigits(date.month) + L"-" + TwoDigits(date.day);
}

}  // namespace

std::optional<ProductVersion> ParseProductVersion(std::wstring_view text) {
  constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
  uint32_t parts[3];
  for (int i = 0; i < 3; ++i) {
    size_t dot = text.find(L'.');
    bool last = i == 2;
    // Three parts exactly: a dot after the third, or none after the second, is no version.
    if (last != (dot == std::wstring_view::npos)) return std::nullopt;
    auto value = DigitsValue(text.substr(0, dot), kMax);
    if (!value) return std::nullopt;
    parts[i] = *value;
    if (!last) text.remove_prefix(dot + 1);
  }
  return ProductVersion{parts[0], parts[1], parts[2]};
}

std::wstring ProductVersionText(const ProductVersion& version) {
  return std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) + L"." +
         std::to_wstring(version.revision);
}

bool IsExpiresLine(std::wstring_view line) {
  size_t equals = line.find(L'=');
  if (equals == std::wstring_view::npos) return false;
  return AsciiLower(TrimSpaces(line.substr(0, equals))) == kExpiresKey;
}

std::optional<ExpiryDate> ParseExpiresLine(std::wstring_view line) {
  if (!IsExpiresLine(line)) return std::nullopt;
  return ParseExpiryDate(TrimSpaces(line.substr(line.find(L'=') + 1)));
}

std::optional<ExpiryDate> ParseExpiryDate(std::wstring_view text) {
  if (text.size() != 10 || text[4] != L'-' || text[7] != L'-') return std::nullopt;
  auto year = DigitsValue(text.substr(0, 4), 9999);
  auto month = DigitsValue(text.substr(5, 2), 12);
  auto day = DigitsValue(text.substr(8, 2), 31);
  if (!year || !month || !day || *year < 1970 || *month < 1 || *day < 1) return std::nullopt;
  ExpiryDate date{static_cast<int>(*year), static_cast<int>(*month), static_cast<int>(*day)};
  if (date.day > DaysInMonth(date.year, date.month)) return std::nullopt;
  return date;
}

bool IsExpiredAt(const ExpiryDate& expires, int64_t nowUtc) {
  constexpr int64_t kSecondsPerDay = 86400;
  return nowUtc >= DaysSinceEpoch(expires) * kSecondsPerDay;
}

ManifestDecision DecideManifest(const std::vector<std::wstring>& lines, SignatureStatus signature,
                                std::wstring_view runningVersion, int64_t nowUtc) {
  ManifestDecision decision;
  auto verdict = [&](ManifestVerdict v) {
    decision.verdict = v;
    return decision;
  };
  if (signature != SignatureStatus::Valid) return verdict(ManifestVerdict::NotSigned);

  int expiryLines = 0;
  std::optional<std::wstring_view> expiryLine;
  for (const auto& line : lines) {
    if (!IsExpiresLine(line)) continue;
    ++expiryLines;
    expiryLine = line;
  }
  std::optional<std::wstring> versionValue = FindVersionValue(lines);
  if (!versionValue) return verdict(ManifestVerdict::NoVersion);
  decision.published = ParseProductVersion(*versionValue);
  if (!decision.published) return verdict(ManifestVerdict::BadVersion);
  if (expiryLines == 0) return verdict(ManifestVerdict::NoExpiry);
  if (expiryLines > 1) return verdict(ManifestVerdict::TwoExpiries);
  decision.expires = ParseExpiresLine(*expiryLine);
  if (!decision.expires) return verdict(ManifestVerdict::BadExpiry);
  if (IsExpiredAt(*decision.expires, nowUtc)) return verdict(ManifestVerdict::Expired);
  std::optional<ProductVersion> running = ParseProductVersion(runningVersion);
  if (!running) return verdict(ManifestVerdict::BadRunningVersion);
  return verdict(*decision.published > *running ? ManifestVerdict::Accept
                                                : ManifestVerdict::NotNewer);
}

std::wstring DescribeManifestDecision(const ManifestDecision& decision,
                                      std::wstring_view runningVersion) {
  std::wstring published =
      decision.published ? ProductVersionText(*decision.published) : std::wstring(L"?");
  std::wstring expires = decision.expires ? DateText(*decision.expires) : std::wstring(L"?");
  switch (decision.verdict) {
    case ManifestVerdict::Accept:
      return L"version " + published + L" is newer than " + std::wstring(runningVersion) +
             L" (the manifest expires on " + expires + L")";
    case ManifestVerdict::NotSigned:
      return L"refused: the manifest is not signed with this build's key";
    case ManifestVerdict::NoVersion:
      return L"refused: the manifest has no version line";
    case ManifestVerdict::BadVersion:
      return L"refused: the manifest's version is not three numbers";
    case ManifestVerdict::BadRunningVersion:
      return L"refused: the running version \"" + ForLog(runningVersion) +
             L"\" is not three numbers";
    case ManifestVerdict::NoExpiry:
      return L"refused: the manifest has no expiry line";
    case ManifestVerdict::BadExpiry:
      return L"refused: the manifest's expiry is not a date YYYY-MM-DD";
    case ManifestVerdict::TwoExpiries:
      return L"refused: the manifest has more than one expiry line";
    case ManifestVerdict::Expired:
      return L"refused: the manifest expired on " + expires;
    case ManifestVerdict::NotNewer:
      return L"nothing to do: version " + published + L" is not newer than " +
             std::wstring(runningVersion);
  }
  return L"refused";
}

}  // namespace qorv::startup
