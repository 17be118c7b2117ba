// Whether a manifest may be acted on at all, decided before anything it names is fetched: it must
// be signed with one of the build's keys, name a version in exactly the running version's shape
// that is higher than the running one, and carry an expiry date not yet reached. An attacker on
// the path can then neither offer their own files, nor replay an old signed manifest to go back
// to a version with a known flaw, nor hold a client on a frozen manifest beyond its expiry.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "startup/update_integrity.h"

namespace qorv::startup {

// "major.minor.revision": three parts of decimal digits only, each fitting in 32 bits.
struct ProductVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t revision = 0;
  auto operator<=>(const ProductVersion&) const = default;
};
// Exactly three non-empty digit runs joined by "."; no signs, spaces or other characters.
std::optional<ProductVersion> ParseProductVersion(std::wstring_view text);
std::wstring ProductVersionText(const ProductVersion& version);

// "EXPIRES=YYYY-MM-DD": a line old clients skip (it holds no "|" and no "version").
inline constexpr std::wstring_view kExpiresKey = L"expires";
struct ExpiryDate {
  int year = 0;
  int month = 0;
  int day = 0;
  auto operator<=>(const ExpiryDate&) const = default;
};
// Whether a line is an expiry line: "expires" in any case, spaces allowed around it, then "=".
bool IsExpiresLine(std::wstring_view line);
// The date of an expiry line: the value after "=", spaces trimmed, exactly "YYYY-MM-DD" naming a
// real day of the Gregorian calendar from 1970 on.
std::optional<ExpiryDate> ParseExpiresLine(std::wstring_view line);
std::optional<ExpiryDate> ParseExpiryDate(std::wstring_view text);
// A manifest stops being good at 00:00:00 UTC of its expiry date. `nowUtc`: seconds since
// 1970-01-01 00:00:00 UTC.
bool IsExpiredAt(const ExpiryDate& expires, int64_t nowUtc);

enum class ManifestVerdict {
  Accept,             // signed, current, newer: offer it, install it
  NotSigned,          // the signature is missing, malformed or from no key of this build
  NoVersion,          // no version line
  BadVersion,         // a version line whose value is no "N.N.N"
  BadRunningVersion,  // the program's own version is no "N.N.N" (a build fault)
  NoExpiry,           // no expiry line
  BadExpiry,          // an expiry line whose value is no date
  TwoExpiries,        // more than one expiry line: which one the publisher meant is unknown
  Expired,            // past its expiry date: treated as no manifest
  NotNewer,           // the published version is the running one or older
};
struct ManifestDecision {
  ManifestVerdict verdict = ManifestVerdict::NotSigned;
  std::optional<ProductVersion> published;
  std::optional<ExpiryDate> expires;
  bool Accepted() const { return verdict == ManifestVerdict::Accept; }
};

// The whole check on a manifest's decoded lines (byte order mark removed, as the readers do),
// the state of its signature, the running version and the time now. The first line holding
// "version" names the published version, as old clients read it.
ManifestDecision DecideManifest(const std::vector<std::wstring>& lines, SignatureStatus signature,
                                std::wstring_view runningVersion, int64_t nowUtc);
// One line for the log: why a manifest was refused, or what it offers.
std::wstring DescribeManifestDecision(const ManifestDecision& decision,
                                      std::wstring_view runningVersion);

}  // namespace qorv::startup
