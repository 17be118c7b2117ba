#include "startup/download_decision.h"

#include <algorithm>

namespace qorv::startup {

std::optional<uint64_t> ParseContentLength(std::wstring_view text) {
  while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
  if (text.empty() || text.size() > 19) return std::nullopt;  // 19 digits fit in 64 bits
  uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - L'0');
  }
  return value;
}

AnswerVerdict CheckAnswer(const AnswerHeaders& headers, const DownloadLimits& limits, double now) {
  if (headers.status != 200u) return AnswerVerdict::NotOk;
  if (limits.maxBytes && headers.lengthText && *headers.lengthText > *limits.maxBytes) {
    return AnswerVerdict::TooLarge;
  }
  if (!headers.length || *headers.length == 0 || (limits.maxBytes && !headers.lengthText)) {
    return AnswerVerdict::NoLength;
  }
  if (limits.deadline && now >= *limits.deadline) return AnswerVerdict::Late;
  return AnswerVerdict::Accepted;
}

bool BodyTally::Arrive(uint32_t bytes) {
  m_arrived += bytes;
  return m_arrived <= m_announced;
}

void BodyTally::Handed(uint32_t bytes) {
  m_reportable += m_inFlight;
  m_inFlight = bytes;
}

std::optional<uint64_t> BodyTally::NextBlock() {
  if (m_reportable == 0) return std::nullopt;
  uint64_t block = std::min<uint64_t>(kBlockSize, m_reportable);
  m_reportable -= block;
  m_received += block;
  return m_received;
}

BodyEnd EndOf(const BodyTally& tally, bool failed, bool stopped) {
  if (!failed && tally.AllReported()) return BodyEnd::Whole;
  return stopped ? BodyEnd::Stopped : BodyEnd::Short;
}

Disposal Dispose(BodyEnd end, bool staging, const std::optional<Sha256Digest>& expected,
                 const std::optional<Sha256Digest>& actual) {
  switch (end) {
    case BodyEnd::Whole:
      if (!MayKeep(true, expected, actual)) return Disposal::DigestMismatch;
      return staging ? Disposal::Stage : Disposal::Commit;
    case BodyEnd::Stopped:
      return Disposal::Stopped;
    case BodyEnd::Short:
      break;
  }
  return Disposal::Short;
}

}  // namespace qorv::startup
