#include "win/support/test_signer.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "startup/update_signature.h"

namespace qorv::test {
namespace {

std::vector<uint8_t> FromHex(std::string_view hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

}  // namespace

std::string BuildKeyPublicHex() { return std::string(QORV_TEST_SIGNING_KEY_HEX).substr(0, 128); }

namespace {

std::string SignWith(BCRYPT_KEY_HANDLE key, std::string_view manifest) {
  startup::Sha256Digest digest = *startup::Sha256Of(manifest);
  uint8_t signature[64];
  ULONG size = 0;
  if (!BCRYPT_SUCCESS(::BCryptSignHash(key, nullptr, digest.data(), 32, signature,
                                       sizeof(signature), &size, 0)) ||
      size != 64) {
    return {};
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : signature) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out + "\n";
}

// Signs with the key `import` gives (nullptr on failure).
template <class Import>
std::string SignWithKey(std::string_view manifest, Import import) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  std::string out;
  if (BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM,
                                                    nullptr, 0))) {
    if (BCRYPT_KEY_HANDLE key = import(algorithm)) {
      out = SignWith(key, manifest);
      ::BCryptDestroyKey(key);
    }
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
  }
  return out;
}

}  // namespace

std::string SignWithBuildKey(std::string_view manifest) {
  return SignWithKey(manifest, [](BCRYPT_ALG_HANDLE algorithm) -> BCRYPT_KEY_HANDLE {
    std::vector<uint8_t> xyd = FromHex(QORV_TEST_SIGNING_KEY_HEX);
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB));
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PRIVATE_P256_MAGIC;
    header->cbKey = 32;
    blob.insert(blob.end(), xyd.begin(), xyd.end());
    BCRYPT_KEY_HANDLE key = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPRIVATE_BLOB, &key,
                                              blob.data(), static_cast<ULONG>(blob.size()), 0))) {
      return nullptr;
    }
    return key;
  });
}

std::string SignWithOtherKey(std::string_view manifest) {
  return SignWithKey(manifest, [](BCRYPT_ALG_HANDLE algorithm) -> BCRYPT_KEY_HANDLE {
    BCRYPT_KEY_HANDLE key = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptGenerateKeyPair(algorithm, &key, 256, 0)) ||
        !BCRYPT_SUCCESS(::BCryptFinalizeKeyPair(key, 0))) {
      if (key) ::BCryptDestroyKey(key);
      return nullptr;
    }
    return key;
  });
}

std::string WithExpiry(std::string_view manifest, std::string_view date) {
  size_t end = manifest.find_first_of("\r\n");
  std::string eol = "\r\n";
  if (end == std::string_view::npos) {
    return std::string(manifest) + eol + "EXPIRES=" + std::string(date) + eol;
  }
  size_t after = manifest.find_first_not_of("\r\n", end);
  if (after == std::string_view::npos) after = manifest.size();
  return std::string(manifest.substr(0, after)) + "EXPIRES=" + std::string(date) + eol +
         std::string(manifest.substr(after));
}

}  // namespace qorv::test
