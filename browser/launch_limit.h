// How often the pages of one browser may start the system's default browser (window.open, links
// with a blank target): at most one launch a second and five a minute. A page that loops on
// window.open thus cannot flood the player's desktop. Refused attempts do not count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

namespace qorv::browser {

class LaunchLimit {
 public:
  // Milliseconds from any fixed start; never goes back.
  using Clock = std::function<uint64_t()>;

  static constexpr uint64_t kMinGapMs = 1000;
  static constexpr uint64_t kWindowMs = 60 * 1000;
  static constexpr size_t kPerWindow = 5;

  explicit LaunchLimit(Clock clock) : m_clock(std::move(clock)) {}

  // True when a launch may go now; it is then counted.
  bool Admit();

 private:
  Clock m_clock;
  std::deque<uint64_t> m_recent;  // admitted launches of the last window, oldest first
};

}  // namespace qorv::browser
