// A scripted stand-in for the embedded browser, for tests of the windows that host one (never
// linked into the programs). It records every call, holds a document of the test's choosing and
// fires any event on request, synchronously, as the real control does. A handler may destroy the
// browser while an event is being fired: the Fire functions touch nothing of it afterwards.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/browser.h"

namespace qorv::test {

class ScriptedBrowser : public browser::IBrowser {
 public:
  struct Document {
    std::wstring url;
    std::optional<std::wstring> innerHTML;  // empty: no documentElement
    std::wstring overflow;
  };

  ScriptedBrowser(HWND parent, const RECT& rect);
  ~ScriptedBrowser() override;

  // ---- IBrowser
  void Navigate(const std::wstring& url) override;
  void Refresh() override { ++refreshes; }
  void SetSilent(bool silent) override { silentCalls.push_back(silent); }
  void Move(int left, int top, int width, int height) override;
  void SetContextMenuEnabled(bool enabled) override { contextMenuEnabled = enabled; }
  void Focus() override { ++focusCalls; }
  void SetOpticalZoom(int percent) override { zoomCalls.push_back(percent); }
  std::optional<std::wstring> DocumentURL() override;
  std::optional<std::wstring> DocumentInnerHTML() override;
  bool SetDocumentOverflow(const std::wstring& value) override;
  HWND ControlWindow() const override { return m_window; }

  // ---- what the host did
  std::vector<std::wstring> navigations;
  std::vector<bool> silentCalls;
  std::vector<RECT> moves;
  std::vector<std::wstring> overflowWrites;
  int refreshes = 0;
  int focusCalls = 0;
  std::vector<int> zoomCalls;
  bool contextMenuEnabled = true;
  RECT createdAt{};

  // ---- the script
  std::optional<Document> document;
  // Runs inside Navigate, after the call is recorded (BeforeNavigate2 from inside Navigate2).
  std::function<void(ScriptedBrowser&, const std::wstring& url)> onNavigate;

  // Each returns what the handler set; false/absent when the browser went during the event.
  bool FireBeforeNavigate2(const std::wstring& url, bool topLevel = true);
  void FireDownloadBegin();
  void FireDocumentComplete(const std::wstring& url, bool topLevel = true);
  void FireTitleChange(const std::wstring& text);
  bool FireNewWindow(const std::wstring& url);
  void FireNavigateError(const std::wstring& url, int32_t status, bool topLevel = true);
  // A page load as the control reports it: BeforeNavigate2 and, unless cancelled,
  // DownloadBegin, the document in place, DocumentComplete.
  void LoadPage(const std::wstring& url, const std::wstring& innerHTML);

  std::weak_ptr<bool> AliveToken() const { return m_alive; }

 private:
  HWND m_window = nullptr;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// Makes CreateBrowser hand out ScriptedBrowsers until the object goes (the previous factory comes
// back then). Browsers() lists the live ones, oldest first.
class ScriptedBrowsers {
 public:
  ScriptedBrowsers();
  ~ScriptedBrowsers();
  static std::vector<ScriptedBrowser*>& Browsers();
  static ScriptedBrowser* Last();

 private:
  browser::BrowserFactory m_previous;
};

}  // namespace qorv::test
