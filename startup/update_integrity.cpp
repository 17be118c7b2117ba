#include "startup/update_integrity.h"

#include <type_traits>

#include "base/text.h"

namespace qorv::startup {
namespace {

int HexValue(unsigned c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// Exactly 2 * N hex digits into N bytes.
template <size_t N, class Char>
std::optional<std::array<uint8_t, N>> FromHex(std::basic_string_view<Char> hex) {
  if (hex.size() != 2 * N) return std::nullopt;
  std::array<uint8_t, N> out{};
  for (size_t i = 0; i < N; ++i) {
    // Through unsigned: a wide or negative char must not alias an ASCII digit.
    int hi = HexValue(static_cast<std::make_unsigned_t<Char>>(hex[2 * i]));
    int lo = HexValue(static_cast<std::make_unsigned_t<Char>>(hex[2 * i + 1]));
    if (hi < 0 || lo < 0) return std::nullopt;
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return out;
}

}  // namespace

std::optional<Sha256Digest> ParseDigest(std::wstring_view field) {
  return FromHex<32>(std::wstring_view(TrimSpaces(field)));
}

std::optional<P256PublicKey> ParsePublicKey(std::string_view hex) { return FromHex<64>(hex); }

std::optional<P256Signature> ParseSignatureFile(std::string_view bytes) {
  if (bytes.ends_with("\r\n")) {
    bytes.remove_suffix(2);
  } else if (bytes.ends_with("\n")) {
    bytes.remove_suffix(1);
  }
  return FromHex<64>(bytes);
}

std::wstring LowerHex(const uint8_t* bytes, size_t size) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring out;
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::wstring DigestHex(const Sha256Digest& digest) {
  return LowerHex(digest.data(), digest.size());
}

const wchar_t* SignatureStatusName(SignatureStatus status) {
  switch (status) {
    case SignatureStatus::Missing: return L"missing";
    case SignatureStatus::Malformed: return L"not a signature";
    case SignatureStatus::Invalid: return L"does not verify";
    case SignatureStatus::Valid: return L"valid";
  }
  return L"?";
}

ManifestTrust TrustOf(SignatureStatus status) {
  return status == SignatureStatus::Valid ? ManifestTrust::Signed : ManifestTrust::Rejected;
}

bool MayFetch(ManifestTrust trust, bool hasDigest) {
  switch (trust) {
    case ManifestTrust::Unsigned: return true;
    case ManifestTrust::Signed: return hasDigest;
    case ManifestTrust::Rejected: return false;
  }
  return false;
}

bool MayKeep(bool arrivedWhole, const std::optional<Sha256Digest>& expected,
             const std::optional<Sha256Digest>& actual) {
  if (!arrivedWhole) return false;
  if (!expected) return true;
  return actual && *actual == *expected;
}

}  // namespace qorv::startup
