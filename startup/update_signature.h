// The platform's cryptography (CNG) for updates: SHA-256 of a manifest or of a file as it is
// downloaded, and ECDSA P-256 verification of the manifest's signature with the publisher's key.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "startup/update_integrity.h"

namespace qorv::startup {

// The keys this program was built with: the publisher's current one (QORV_UPDATE_PUBKEY) and,
// while it moves to another, the next one (QORV_UPDATE_PUBKEY_NEXT). Never empty in a program.
const std::vector<P256PublicKey>& BuiltInUpdateKeys();

std::optional<Sha256Digest> Sha256Of(std::string_view bytes);

// SHA-256 of a stream of blocks, computed on a thread of its own: a download hands its blocks
// over and goes on reading, so hashing does not slow it down where hashing is slower than the
// network. At most a few blocks wait at a time (Add waits while they are full): memory stays
// flat whatever the file's size.
class Sha256Stream {
 public:
  Sha256Stream();
  ~Sha256Stream();
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;

  // False when the hash could not be set up; Finish then gives nothing.
  explicit operator bool() const { return m_ok; }
  void Add(const void* data, size_t size);
  // The digest of everything added; nothing after a failure. Ends the stream.
  std::optional<Sha256Digest> Finish();

 private:
  struct Cng;
  void Work();
  void Hand(std::vector<uint8_t> block);

  std::unique_ptr<Cng> m_cng;
  bool m_ok = false;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::vector<uint8_t>> m_queue;
  std::vector<uint8_t> m_filling;
  bool m_closing = false;
  bool m_failed = false;
  bool m_finished = false;
  std::thread m_worker;
};

// The CNG status of verifying `signature` over SHA-256(`message`) with `key`: 0 when it holds,
// STATUS_INVALID_SIGNATURE (0xC000A000) when it does not, another failure when the key is no
// P-256 point or CNG fails.
long VerifyP256Sha256(const P256PublicKey& key, std::string_view message,
                      const P256Signature& signature);

// A manifest's signature file (nothing: there is none) checked against the manifest's bytes.
SignatureStatus CheckManifestSignature(const P256PublicKey& key, std::string_view manifest,
                                       const std::optional<std::string>& signatureFile);
// The same with each of `keys`: Valid when one of them verifies it; no keys verify nothing.
SignatureStatus CheckManifestSignature(const std::vector<P256PublicKey>& keys,
                                       std::string_view manifest,
                                       const std::optional<std::string>& signatureFile);

}  // namespace qorv::startup
