// Where a page's request for a new window goes: never to a window of the control's own, but to
// the system's default browser, when the address is a web address and the page has not asked too
// often (LaunchLimit). Shared by every browser of the client that pages run in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "browser/launch_limit.h"

namespace qorv::browser {

// What hands an address to the system: ShellExecute "open" unless a test replaces it.
using BrowserLauncher = std::function<void(const std::wstring& url)>;
BrowserLauncher& DefaultBrowserLauncher();

// The new-window requests of one browser. The request is taken inside the control's event; the
// owner opens what was taken once the event has returned (a posted message), since the launch
// can take long and may re-enter the message loop.
class NewWindowRequests {
 public:
  NewWindowRequests();  // the system's tick count
  explicit NewWindowRequests(LaunchLimit::Clock clock);

  // True when the cleaned address was taken and waits for OpenPending; a refused address or one
  // over the limit is logged and dropped.
  bool Take(const std::wstring& url);
  // Hands every waiting address to the default browser.
  void OpenPending();
  bool HasPending() const { return !m_pending.empty(); }

 private:
  LaunchLimit m_limit;
  std::vector<std::wstring> m_pending;
};

}  // namespace qorv::browser
