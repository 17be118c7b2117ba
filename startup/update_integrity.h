// What makes an update trustworthy: the publisher signs the exact bytes of the manifest with
// ECDSA P-256 over SHA-256, and each file line may carry the SHA-256 of its file as a third field
// ("name|url|sha256"). A client built with the publisher's public key takes only a manifest whose
// signature verifies, and from it only lines with a digest. Every build carries a key.
//
// Encodings (what the publisher's tool writes, and nothing else is accepted):
// - public key: 128 hex digits, X then Y (32 bytes each, big-endian), no "04" prefix;
// - signature ("update.txt.sig" beside the manifest): 128 hex digits, r then s (32 bytes each,
//   big-endian), optionally followed by one LF or CR LF. Text rather than raw bytes so that the
//   file survives editors, copy and paste and text-mode transfers; a fixed length rather than DER
//   so that anything else (an HTML error page, a truncated file) is rejected by its shape alone;
// - digest: 64 hex digits in either case, spaces around the field ignored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qorv::startup {

using Sha256Digest = std::array<uint8_t, 32>;
using P256PublicKey = std::array<uint8_t, 64>;  // X || Y
using P256Signature = std::array<uint8_t, 64>;  // r || s

inline constexpr wchar_t kSignatureFileName[] = L"update.txt.sig";
inline constexpr char kSignatureSuffix[] = ".sig";
// 128 digits and a CR LF; a longer file is no signature, whatever it holds.
inline constexpr size_t kMaxSignatureFileBytes = 130;
// A manifest is read whole before it is trusted; one larger than this is refused, whether it
// arrives or lies on disk. Real ones hold a few hundred bytes.
inline constexpr size_t kMaxManifestBytes = 1u << 20;

// Exactly 64 hex digits (either case) after trimming spaces; nothing otherwise.
std::optional<Sha256Digest> ParseDigest(std::wstring_view field);
std::optional<P256PublicKey> ParsePublicKey(std::string_view hex);
std::optional<P256Signature> ParseSignatureFile(std::string_view bytes);
std::wstring DigestHex(const Sha256Digest& digest);  // lower case, for logs
std::wstring LowerHex(const uint8_t* bytes, size_t size);

// The state of a manifest's signature as the client found it.
enum class SignatureStatus {
  Missing,    // no signature file
  Malformed,  // a file that is no signature (wrong length, not hex, an error page)
  Invalid,    // a signature that does not verify with the build's key
  Valid,
};
const wchar_t* SignatureStatusName(SignatureStatus status);

enum class ManifestTrust {
  Unsigned,  // read without a signature check: what a line says about itself only (tests, tools)
  Signed,    // verified with one of the build's keys
  Rejected,  // the signature is missing or wrong: no manifest at all
};
ManifestTrust TrustOf(SignatureStatus status);

// Whether a file line may be downloaded at all: in a signed manifest only with a digest.
bool MayFetch(ManifestTrust trust, bool hasDigest);
// Whether a downloaded file may replace its target (and so be opened): it arrived whole and, if
// its line named a digest, matched it.
bool MayKeep(bool arrivedWhole, const std::optional<Sha256Digest>& expected,
             const std::optional<Sha256Digest>& actual);

}  // namespace qorv::startup
