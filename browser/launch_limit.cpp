#include "browser/launch_limit.h"

namespace qorv::browser {

bool LaunchLimit::Admit() {
  const uint64_t now = m_clock ? m_clock() : 0;
  while (!m_recent.empty() && now >= m_recent.front() && now - m_recent.front() >= kWindowMs) {
    m_recent.pop_front();
  }
  // A clock that went back counts as no time passed.
  if (!m_recent.empty() && (now < m_recent.back() || now - m_recent.back() < kMinGapMs)) {
    return false;
  }
  if (m_recent.size() >= kPerWindow) return false;
  m_recent.push_back(now);
  return true;
}

}  // namespace qorv::browser
