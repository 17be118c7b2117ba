#include "startup/update_signature.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

#include "base/win/handles.h"
#include "base/win/log.h"

#if NTDDI_VERSION < NTDDI_WINTHRESHOLD
// One-shot hashing came with Windows 10; the headers are set to an older target.
extern "C" NTSTATUS WINAPI BCryptHash(BCRYPT_ALG_HANDLE hAlgorithm, PUCHAR pbSecret,
                                      ULONG cbSecret, PUCHAR pbInput, ULONG cbInput,
                                      PUCHAR pbOutput, ULONG cbOutput);
#endif

namespace qorv::startup {
namespace {

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusInvalidSignature = static_cast<NTSTATUS>(0xC000A000);
constexpr NTSTATUS kStatusUnsuccessful = static_cast<NTSTATUS>(0xC0000001);
constexpr size_t kHashBlock = 256 * 1024;  // what waits in one queued block
constexpr size_t kQueuedBlocks = 4;

struct AlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
using UniqueAlgorithm = win::Unique<AlgorithmTraits>;
using UniqueKey = win::Unique<win::SimpleTraits<BCRYPT_KEY_HANDLE, ::BCryptDestroyKey>>;
using UniqueHash = win::Unique<win::SimpleTraits<BCRYPT_HASH_HANDLE, ::BCryptDestroyHash>>;

UniqueAlgorithm OpenAlgorithm(const wchar_t* name) {
  BCRYPT_ALG_HANDLE h = nullptr;
  if (::BCryptOpenAlgorithmProvider(&h, name, nullptr, 0) != kStatusSuccess) return {};
  return UniqueAlgorithm(h);
}

PUCHAR Bytes(const void* p) { return static_cast<PUCHAR>(const_cast<void*>(p)); }

}  // namespace

std::optional<Sha256Digest> Sha256Of(std::string_view bytes) {
  UniqueAlgorithm sha = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
  Sha256Digest digest{};
  if (!sha || bytes.size() > MAXDWORD ||
      ::BCryptHash(sha.Get(), nullptr, 0, Bytes(bytes.data()), static_cast<ULONG>(bytes.size()),
                   digest.data(), static_cast<ULONG>(digest.size())) != kStatusSuccess) {
    return std::nullopt;
  }
  return digest;
}

struct Sha256Stream::Cng {
  UniqueAlgorithm algorithm;
  UniqueHash hash;  // goes before the algorithm it belongs to
};

Sha256Stream::Sha256Stream() : m_cng(std::make_unique<Cng>()) {
  m_cng->algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (m_cng->algorithm &&
      ::BCryptCreateHash(m_cng->algorithm.Get(), &hash, nullptr, 0, nullptr, 0, 0) ==
          kStatusSuccess) {
    m_cng->hash.Reset(hash);
    try {
      m_worker = std::thread([this] { Work(); });
      m_ok = true;
    } catch (const std::system_error&) {
      win::LogError(L"update signature: no thread to hash with");
    }
  }
}

Sha256Stream::~Sha256Stream() {
  {
    std::lock_guard lock(m_mutex);
    m_closing = true;
    m_queue.clear();
  }
  m_changed.notify_all();
  if (m_worker.joinable()) m_worker.join();
}

void Sha256Stream::Work() {
  for (;;) {
    std::vector<uint8_t> block;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [this] { return m_closing || !m_queue.empty(); });
      if (m_queue.empty()) return;
      block = std::move(m_queue.front());
      m_queue.pop_front();
    }
    m_changed.notify_all();  // room for the next block
    bool ok = ::BCryptHashData(m_cng->hash.Get(), block.data(), static_cast<ULONG>(block.size()),
                               0) == kStatusSuccess;
    if (!ok) {
      std::lock_guard lock(m_mutex);
      m_failed = true;
    }
  }
}

void Sha256Stream::Hand(std::vector<uint8_t> block) {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_queue.size() < kQueuedBlocks; });
  m_queue.push_back(std::move(block));
  lock.unlock();
  m_changed.notify_all();
}

void Sha256Stream::Add(const void* data, size_t size) {
  if (!m_ok || m_finished) return;
  auto p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    if (m_filling.capacity() < kHashBlock) m_filling.reserve(kHashBlock);
    size_t take = std::min(size, kHashBlock - m_filling.size());
    m_filling.insert(m_filling.end(), p, p + take);
    p += take;
    size -= take;
    if (m_filling.size() == kHashBlock) Hand(std::exchange(m_filling, {}));
  }
}

std::optional<Sha256Digest> Sha256Stream::Finish() {
  if (!m_ok || m_finished) return std::nullopt;
  m_finished = true;
  if (!m_filling.empty()) Hand(std::exchange(m_filling, {}));
  {
    std::lock_guard lock(m_mutex);
    m_closing = true;  // the worker drains the queue, then ends
  }
  m_changed.notify_all();
  m_worker.join();
  Sha256Digest digest{};
  if (m_failed || ::BCryptFinishHash(m_cng->hash.Get(), digest.data(),
                                     static_cast<ULONG>(digest.size()), 0) != kStatusSuccess) {
    return std::nullopt;
  }
  return digest;
}

long VerifyP256Sha256(const P256PublicKey& key, std::string_view message,
                      const P256Signature& signature) {
  UniqueAlgorithm ecdsa = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!ecdsa) return kStatusUnsuccessful;
  struct {
    BCRYPT_ECCKEY_BLOB header;
    uint8_t xy[64];
  } blob{};
  blob.header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  blob.header.cbKey = 32;
  std::memcpy(blob.xy, key.data(), key.size());
  BCRYPT_KEY_HANDLE handle = nullptr;
  NTSTATUS status = ::BCryptImportKeyPair(ecdsa.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle,
                                          reinterpret_cast<PUCHAR>(&blob), sizeof(blob), 0);
  if (status != kStatusSuccess) return status;
  UniqueKey publicKey(handle);
  std::optional<Sha256Digest> digest = Sha256Of(message);
  if (!digest) return kStatusUnsuccessful;
  return ::BCryptVerifySignature(publicKey.Get(), nullptr, digest->data(),
                                 static_cast<ULONG>(digest->size()), Bytes(signature.data()),
                                 static_cast<ULONG>(signature.size()), 0);
}

SignatureStatus CheckManifestSignature(const P256PublicKey& key, std::string_view manifest,
                                       const std::optional<std::string>& signatureFile) {
  if (!signatureFile) return SignatureStatus::Missing;
  std::optional<P256Signature> signature = ParseSignatureFile(*signatureFile);
  if (!signature) return SignatureStatus::Malformed;
  long status = VerifyP256Sha256(key, manifest, *signature);
  if (status == kStatusSuccess) return SignatureStatus::Valid;
  if (status != kStatusInvalidSignature) {
    wchar_t text[64];
    ::wsprintfW(text, L"update signature: CNG failed (status 0x%08lX)",
                static_cast<unsigned long>(status));
    win::LogError(text);
  }
  return SignatureStatus::Invalid;
}

SignatureStatus CheckManifestSignature(const std::vector<P256PublicKey>& keys,
                                       std::string_view manifest,
                                       const std::optional<std::string>& signatureFile) {
  SignatureStatus status = SignatureStatus::Invalid;
  for (const P256PublicKey& key : keys) {
    status = CheckManifestSignature(key, manifest, signatureFile);
    if (status != SignatureStatus::Invalid) return status;  // valid, or no signature to try
  }
  if (keys.empty()) win::LogError(L"update signature: this program carries no key");
  return status;
}

}  // namespace qorv::startup
