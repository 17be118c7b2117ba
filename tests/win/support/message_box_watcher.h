// Watches for a message box from a thread of its own, reads it and answers it: the box runs its
// own modal loop in the thread that shows it, so a test in that thread cannot answer it itself.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace qorv::test {

// What a message box showed, read before it was answered.
struct MessageBoxSeen {
  bool seen = false;
  std::wstring title, text;
  bool ok = false, yes = false, no = false;
  bool icon = false;
  HWND owner = nullptr;
};

struct MessageBoxWatch {
  DWORD pid = ::GetCurrentProcessId();  // whose box
  std::wstring title;                   // empty: any title
  int press = IDOK;  // when the box has no such button, its only way out: OK, else No
  int timeoutMs = 15000;
};

// A visible message box of process `pid` titled `title` (any title when empty), or nothing.
HWND FindMessageBox(DWORD pid, const std::wstring& title = {});

// Answers the first visible box that matches, then ends; Stop (or the destructor) waits for it.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(MessageBoxWatch watch)
      : m_thread([this, watch] { Watch(watch); }) {}
  ~MessageBoxWatcher() { Stop(); }
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  MessageBoxSeen Stop();

 private:
  void Watch(const MessageBoxWatch& watch);

  std::atomic<bool> m_stop{false};
  MessageBoxSeen m_seen;
  std::thread m_thread;
};

}  // namespace qorv::test
