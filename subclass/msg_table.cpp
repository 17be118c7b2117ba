#include "subclass/msg_table.h"

namespace qorv::subclass {

bool MsgTable::Add(uint32_t uMsg) {
  if (uMsg == ALL_MESSAGES) {
    m_count = kAllMessagesCount;
    return true;
  }
  // A table that reported every message restarts with this one message.
  const int32_t n = m_count < 0 ? 0 : m_count;
  // Look for the message first: filling an earlier hole with it would leave a second copy that
  // a later removal misses.
  int32_t hole = 0;
  for (int32_t i = 1; i <= n; ++i) {
    uint32_t e = m_entries[static_cast<std::size_t>(i - 1)];
    if (e == uMsg) return true;
    if (e == 0 && hole == 0) hole = i;
  }
  if (hole != 0) {
    m_entries[static_cast<std::size_t>(hole - 1)] = uMsg;
    m_count = n;
    return true;
  }
  if (static_cast<std::size_t>(n) >= m_capacity) return false;
  const auto index = static_cast<std::size_t>(n);
  if (index < m_entries.size()) {
    m_entries[index] = uMsg;
  } else {
    m_entries.push_back(uMsg);
  }
  m_count = n + 1;
  return true;
}

void MsgTable::Remove(uint32_t uMsg) {
  if (uMsg == ALL_MESSAGES) {
    m_count = 0;
    return;
  }
  for (int32_t i = 1; i <= m_count; ++i) {
    uint32_t& e = m_entries[static_cast<std::size_t>(i - 1)];
    if (e == uMsg) {
      e = 0;
      return;
    }
  }
}

void MsgTable::Reset(std::size_t capacity) {
  m_count = 0;
  m_capacity = capacity;
  m_entries.clear();
  if (capacity != kUnbounded) m_entries.reserve(capacity);
}

}  // namespace qorv::subclass
