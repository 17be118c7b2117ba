// Whether an object survived a call out of it: an event handler, a nested message loop (a modal
// box, the system's move loop, a download pumping messages) may destroy the object that made the
// call. The object holds a Liveness; before calling out it takes a watch, and afterwards it
// touches nothing of itself unless the watch still sees it alive.
#pragma once

#include <memory>
#include <utility>

namespace qorv {

class LivenessWatch {
 public:
  bool Alive() const { return *m_flag; }

 private:
  friend class Liveness;
  explicit LivenessWatch(std::shared_ptr<const bool> flag) : m_flag(std::move(flag)) {}
  std::shared_ptr<const bool> m_flag;
};

class Liveness {
 public:
  Liveness() = default;
  Liveness(const Liveness&) = delete;
  Liveness& operator=(const Liveness&) = delete;
  ~Liveness() { End(); }

  LivenessWatch Watch() const { return LivenessWatch(m_flag); }
  // Every watch, taken before or after, sees the object gone: the first thing a destructor
  // does when its teardown (destroying a window, releasing pages) may still reach handlers.
  void End() { *m_flag = false; }
  // Every watch taken so far sees the object gone; later ones see it alive: a control whose
  // window is destroyed ends the calls running into that window, yet may be created again.
  void Revoke() {
    *m_flag = false;
    m_flag = std::make_shared<bool>(true);
  }

 private:
  std::shared_ptr<bool> m_flag = std::make_shared<bool>(true);
};

// Calls an event slot (an empty one is no call) and returns false when the handler destroyed
// the owner of `life`. The slot is copied first: the handler may destroy it, or assign it anew,
// while it runs. Arguments are passed as given, so a handler may change the ones the slot takes
// by reference.
template <class Slot, class... Args>
bool Raise(const Liveness& life, const Slot& slot, Args&&... args) {
  if (!slot) return true;
  LivenessWatch watch = life.Watch();
  Slot handler = slot;
  handler(std::forward<Args>(args)...);
  return watch.Alive();
}

}  // namespace qorv
