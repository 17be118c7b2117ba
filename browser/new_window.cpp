#include "browser/new_window.h"

#include <windows.h>
#include <shellapi.h>

#include "base/text.h"
#include "base/web_address.h"
#include "base/win/log.h"

namespace qorv::browser {

BrowserLauncher& DefaultBrowserLauncher() {
  static BrowserLauncher launcher = [](const std::wstring& url) {
    ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  return launcher;
}

NewWindowRequests::NewWindowRequests() : m_limit([] { return ::GetTickCount64(); }) {}

NewWindowRequests::NewWindowRequests(LaunchLimit::Clock clock) : m_limit(std::move(clock)) {}

bool NewWindowRequests::Take(const std::wstring& url) {
  std::optional<std::wstring> address = WebAddress(url);
  if (!address) {
    // ShellExecute would open local files and start programs for such an address. Info, not
    // error: a page can repeat it at will, and errors also go to the system's event log.
    win::LogInfo(L"not a web address; not handed to the default browser: " + ForLog(url));
    return false;
  }
  if (!m_limit.Admit()) {
    win::LogInfo(L"too many new windows from the page; dropped: " + ForLog(*address));
    return false;
  }
  m_pending.push_back(std::move(*address));
  return true;
}

void NewWindowRequests::OpenPending() {
  std::vector<std::wstring> due;
  due.swap(m_pending);
  BrowserLauncher launch = DefaultBrowserLauncher();
  if (!launch) return;
  for (const std::wstring& url : due) launch(url);
}

}  // namespace qorv::browser
