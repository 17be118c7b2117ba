#include "startup/download_pacing.h"

namespace qorv::startup {

void ReadPacer::Record(uint32_t asked, uint32_t got, double seconds) {
  if (seconds >= kSlowSeconds) {
    m_next = kMinRead;
  } else if (got >= asked && seconds < kFastSeconds && m_next < kMaxRead) {
    m_next *= 2;
    if (m_next > kMaxRead) m_next = kMaxRead;
  }
}

bool QueueCheckPacer::Due(double now) {
  // A clock that went backwards counts as time passed: never a stretch without looking.
  if (m_looked && now >= m_last && now - m_last < kInterval) return false;
  m_looked = true;
  m_last = now;
  return true;
}

}  // namespace qorv::startup
