#include "win/support/scripted_browser.h"

#include <algorithm>

namespace qorv::test {

ScriptedBrowser::ScriptedBrowser(HWND parent, const RECT& rect) : createdAt(rect) {
  m_window = ::CreateWindowExW(0, L"STATIC", L"scripted browser", WS_CHILD | WS_VISIBLE,
                               rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                               parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ScriptedBrowsers::Browsers().push_back(this);
}

ScriptedBrowser::~ScriptedBrowser() {
  *m_alive = false;
  auto& all = ScriptedBrowsers::Browsers();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  if (m_window && ::IsWindow(m_window)) ::DestroyWindow(m_window);
}

void ScriptedBrowser::Navigate(const std::wstring& url) {
  navigations.push_back(url);
  if (onNavigate) {
    auto script = onNavigate;  // the script may replace itself
    script(*this, url);
  }
}

void ScriptedBrowser::Move(int left, int top, int width, int height) {
  moves.push_back(RECT{left, top, left + width, top + height});
  if (m_window) ::MoveWindow(m_window, left, top, width, height, TRUE);
}

std::optional<std::wstring> ScriptedBrowser::DocumentURL() {
  if (!document) return std::nullopt;
  return document->url;
}

std::optional<std::wstring> ScriptedBrowser::DocumentInnerHTML() {
  if (!document) return std::nullopt;
  return document->innerHTML;
}

bool ScriptedBrowser::SetDocumentOverflow(const std::wstring& value) {
  overflowWrites.push_back(value);
  if (!document || !document->innerHTML) return false;
  document->overflow = value;
  return true;
}

bool ScriptedBrowser::FireBeforeNavigate2(const std::wstring& url, bool topLevel) {
  bool cancel = false;
  if (auto handler = events.BeforeNavigate2) handler(url, topLevel, cancel);
  return cancel;
}

void ScriptedBrowser::FireDownloadBegin() {
  if (auto handler = events.DownloadBegin) handler();
}

void ScriptedBrowser::FireDocumentComplete(const std::wstring& url, bool topLevel) {
  if (auto handler = events.DocumentComplete) handler(url, topLevel);
}

void ScriptedBrowser::FireTitleChange(const std::wstring& text) {
  if (auto handler = events.TitleChange) handler(text);
}

bool ScriptedBrowser::FireNewWindow(const std::wstring& url) {
  bool processed = false;
  if (auto handler = events.NewWindow) handler(url, processed);
  return processed;
}

void ScriptedBrowser::FireNavigateError(const std::wstring& url, int32_t status, bool topLevel) {
  bool cancel = false;
  if (auto handler = events.NavigateError) handler(url, status, topLevel, cancel);
}

void ScriptedBrowser::LoadPage(const std::wstring& url, const std::wstring& innerHTML) {
  std::weak_ptr<bool> alive = m_alive;
  if (FireBeforeNavigate2(url) || alive.expired()) return;
  FireDownloadBegin();
  if (alive.expired()) return;
  document = Document{url, innerHTML, L""};
  FireDocumentComplete(url, true);
}

ScriptedBrowsers::ScriptedBrowsers() : m_previous(browser::CurrentBrowserFactory()) {
  browser::CurrentBrowserFactory() = [](HWND parent, const RECT& rect) {
    return std::unique_ptr<browser::IBrowser>(new ScriptedBrowser(parent, rect));
  };
}

ScriptedBrowsers::~ScriptedBrowsers() { browser::CurrentBrowserFactory() = m_previous; }

std::vector<ScriptedBrowser*>& ScriptedBrowsers::Browsers() {
  static std::vector<ScriptedBrowser*> browsers;
  return browsers;
}

ScriptedBrowser* ScriptedBrowsers::Last() {
  auto& all = Browsers();
  return all.empty() ? nullptr : all.back();
}

}  // namespace qorv::test
