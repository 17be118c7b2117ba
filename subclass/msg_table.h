// The message table of a window hook: which messages are reported to the hook's owner. A count of
// ALL_MESSAGES means every message, 0 means none, n means entries 1..n are scanned. A removal
// leaves a hole (entry 0) that the next addition fills, so the count never shrinks except when the
// whole table is switched off with ALL_MESSAGES.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace qorv::subclass {

// As a count: every message. As a message number: "all of them".
inline constexpr uint32_t ALL_MESSAGES = 0xFFFFFFFFu;  // -1 as a 32-bit value
inline constexpr int32_t kAllMessagesCount = -1;
// Capacity of each table of a CSubclass hook.
inline constexpr std::size_t MSG_ENTRIES = 32;

class MsgTable {
 public:
  static constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1);

  constexpr MsgTable() = default;
  explicit MsgTable(std::size_t capacity) : m_capacity(capacity) {}

  // Returns false only when the message is new and the table is full; the table is unchanged
  // then. A message already present is not added again, even when a hole comes before it.
  bool Add(uint32_t uMsg);
  // ALL_MESSAGES switches the table off (count 0, entries left in place). Any other message:
  // its first entry becomes a hole. A table that reports every message is left as it is.
  void Remove(uint32_t uMsg);
  bool Selects(uint32_t uMsg) const {
    if (m_count == 0) return false;
    if (m_count < 0) return true;
    const uint32_t* p = m_entries.data();
    for (int32_t i = 0; i < m_count; ++i) {
      if (p[i] == uMsg) return true;
    }
    return false;
  }

  // Empties the table and sets its capacity; keeps its storage.
  void Reset(std::size_t capacity);

  // Entry 0 of the table: -1 (every message), 0 (none) or the number of entries in use.
  int32_t Count() const { return m_count; }
  // Entry i, 1-based, for 1 <= i <= Count(); 0 is a hole.
  uint32_t Entry(int32_t i) const { return m_entries[static_cast<std::size_t>(i - 1)]; }
  std::size_t Capacity() const { return m_capacity; }

 private:
  int32_t m_count = 0;
  std::size_t m_capacity = MSG_ENTRIES;
  // m_entries[i - 1] is entry i; entries past the count may be stale.
  std::vector<uint32_t> m_entries;
};

// Converts one element of a message list to a message number. Integers of at most 32 bits
// (and enumerations of that size) count, sign-extended so that a 16-bit -1 still means
// ALL_MESSAGES; anything else (bool, floating point, 64-bit values, text) is skipped.
struct MsgListItem {
  template <class T>
  MsgListItem(const T& value) {  // NOLINT(google-explicit-constructor): built from list elements
    if constexpr (std::is_enum_v<T>) {
      using U = std::underlying_type_t<T>;
      if constexpr (sizeof(U) <= 4) Set(static_cast<U>(value));
    } else if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
      if constexpr (sizeof(T) <= 4) Set(value);
    }
  }

  bool valid = false;
  uint32_t uMsg = 0;

 private:
  template <class I>
  void Set(I v) {
    valid = true;
    if constexpr (std::is_signed_v<I>) {
      uMsg = static_cast<uint32_t>(static_cast<int32_t>(v));
    } else {
      uMsg = static_cast<uint32_t>(v);
    }
  }
};

}  // namespace qorv::subclass
