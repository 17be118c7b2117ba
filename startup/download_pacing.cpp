#include "startup/download_pacing.h"

namespace qorv {

void ReadPacer::Record(uint32_t asked, uint32_t got, double seconds) {
  if (seconds >= kSlowSeconds) {
    m_next = kMinRead;
  } else if (got >= asked && seconds < kFastSeconds && m_next < kMaxRead) {
    m_next *= 2;
    if (m_next > kMaxRead) m_next = kMaxRead;
  }
}

}  // namespace qorv
