// What a download decides from numbers alone, apart from the network and the disk: whether the
// server's answer may be read at all, how many of its bytes have arrived and been written, and
// what becomes of the part file once the transfer is over.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "startup/update_integrity.h"

namespace qorv::startup {

// What a caller that cannot trust the server bounds a download by: an answer that announces or
// sends more than `maxBytes`, or is not whole by `deadline` (a DownloadClockSeconds() time), fails
// as if the server had not answered, and the older file stays.
struct DownloadLimits {
  std::optional<uint64_t> maxBytes;
  std::optional<double> deadline;
};

// The Content-Length header as the server wrote it, read as text: a length of 4 GiB or more does
// not fit the 32-bit number the system gives, and must not wrap to a small one. Spaces around the
// digits are allowed; nothing when the text is empty, not all digits, or longer than 64 bits hold.
std::optional<uint64_t> ParseContentLength(std::wstring_view text);

// The answer's headers as the request gave them; nothing where a header could not be read.
struct AnswerHeaders {
  std::optional<uint32_t> status;
  std::optional<uint32_t> length;      // the system's 32-bit reading of Content-Length
  std::optional<uint64_t> lengthText;  // ParseContentLength of the header's text
};

enum class AnswerVerdict {
  Accepted,  // read the body: `length` bytes of it
  NotOk,     // no status, or not 200
  TooLarge,  // announces more than the limit allows
  NoLength,  // no usable Content-Length: a body of unknown size is never whole
  Late,      // the deadline passed while the server answered
};
// Whether the body may be read, `now` on the deadline's clock. Under a byte limit the length must
// also be readable as text, so that a wrapped 32-bit reading cannot pass for a small body.
AnswerVerdict CheckAnswer(const AnswerHeaders& headers, const DownloadLimits& limits, double now);

// The bytes of one body against the length the server announced: what arrived from the network,
// what is on disk, and what of that was reported, a block at a time.
class BodyTally {
 public:
  static constexpr uint32_t kBlockSize = 8192;

  explicit BodyTally(uint32_t announced = 0) : m_announced(announced) {}

  // A read of `bytes` from the network; false when it takes the body past the announced length,
  // which is then not the body the server promised.
  bool Arrive(uint32_t bytes);
  bool AllArrived() const { return m_arrived == m_announced; }
  // `bytes` were handed to the writer, which only takes them once the read before is on disk:
  // the bytes of that read become reportable now. At the end, 0 once the writer has finished.
  void Handed(uint32_t bytes);
  // The received count after the next block on disk is reported; nothing when all is reported.
  std::optional<uint64_t> NextBlock();

  uint32_t Announced() const { return m_announced; }
  uint64_t Received() const { return m_received; }
  bool AllReported() const { return m_received == m_announced; }

 private:
  uint32_t m_announced;
  uint64_t m_arrived = 0;
  uint64_t m_received = 0;   // on disk and reported
  uint64_t m_reportable = 0; // on disk, not yet reported
  uint32_t m_inFlight = 0;   // handed to the writer, maybe not yet on disk
};

// How a transfer ended. Only a body that was reported whole, without a failed read or write,
// counts as complete: a stop that came after its last byte still keeps it.
enum class BodyEnd { Whole, Stopped, Short };
BodyEnd EndOf(const BodyTally& tally, bool failed, bool stopped);

// What becomes of the part file.
enum class Disposal {
  Commit,          // moved over the target now
  Stage,           // kept, still held, for the caller to move in later
  DigestMismatch,  // whole, but not the bytes the manifest named: thrown away
  Stopped,         // thrown away
  Short,           // thrown away
};
Disposal Dispose(BodyEnd end, bool staging, const std::optional<Sha256Digest>& expected,
                 const std::optional<Sha256Digest>& actual);

}  // namespace qorv::startup
