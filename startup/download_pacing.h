// How much of the body a download asks the network for at a time. A synchronous read waits until
// it has all it asked for, so a big read on a slow line freezes the window until it fills; small
// reads on a fast line cost a round trip each. The pacer starts at one block and doubles while
// reads come back full and fast, and drops back to one block as soon as one is slow.
#pragma once

#include <cstdint>

namespace qorv::startup {

class ReadPacer {
 public:
  static constexpr uint32_t kMinRead = 8192;
  // Reached only after half of it came back in under kFastSeconds, so a read still lasts about
  // 2 * kFastSeconds at the rate last seen, whatever this cap; a larger cap only spares a fast
  // line round trips (under Wine, 1 MB reads take half the time of 256 KB ones on loopback).
  static constexpr uint32_t kMaxRead = 1024 * 1024;
  static constexpr double kFastSeconds = 0.010;  // a read this quick may ask for more
  static constexpr double kSlowSeconds = 0.040;  // a read this slow: back to one block

  uint32_t Next() const { return m_next; }
  void Record(uint32_t asked, uint32_t got, double seconds);

 private:
  uint32_t m_next = kMinRead;
};

// When a download looks whether window messages wait. Looking costs a round trip to the window
// server under Wine (20 to 40 microseconds, more than reading and writing a block on a fast
// line), so after a block it looks only when kInterval has passed since it last looked: the
// window still answers within a few milliseconds, and a fast download is not held up.
class QueueCheckPacer {
 public:
  static constexpr double kInterval = 0.005;

  // Whether to look after the block that ended at `now` (seconds on any steady clock).
  bool Due(double now);

 private:
  bool m_looked = false;
  double m_last = 0;
};

}  // namespace qorv::startup
