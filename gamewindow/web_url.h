// WebUrl: the page inside one tab of the main window. A plain window holding one browser, which
// the tab strip re-parents into its container. The tab's caption follows the page title, the
// page's scroll bars are hidden on every completed document, and a page's request for a new
// window goes to the system's default browser instead (web addresses only).
//
// Owned by its tab item; the item unloads it (UnloadPage) when the tab goes. A browser event may
// arrive while the page is being unloaded: it is dropped.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/win/window.h"
#include "browser/browser.h"
#include "browser/new_window.h"
#include "tabstrip/tab_model.h"

namespace qorv::gamewindow {

inline constexpr wchar_t kWebUrlClass[] = L"Qorv.WebUrl";

class WebUrl final : public win::Window, public tabstrip::ITabForm {
 public:
  // Loads the page (a blank document first); OpenURL then navigates to the address.
  WebUrl();
  ~WebUrl() override;

  void OpenURL(const std::wstring& szURL);

  // ITabForm
  tabstrip::WindowHandle hWnd() const override {
    return reinterpret_cast<tabstrip::WindowHandle>(Hwnd());
  }
  void Initialize(tabstrip::IuTab* Implement,
                  const std::shared_ptr<tabstrip::CTabItem>& Item) override;
  void RefreshPage() override;
  void UnloadPage() override;

  browser::IBrowser* Browser() const { return m_wb.get(); }

  // The page's own zoom in percent: sent to its browser now and again after every completed
  // top-level document, since a navigation puts the engine back to its default.
  void SetZoom(int percent);
  int Zoom() const { return m_zoom; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Layout();
  void OnNewWindow(const std::wstring& url, bool& processed);

  HWND m_picture1 = nullptr;
  std::unique_ptr<browser::IBrowser> m_wb;
  tabstrip::IuTab* m_strip = nullptr;
  std::weak_ptr<tabstrip::CTabItem> m_item;  // the item keeps us; we keep it weakly
  browser::NewWindowRequests m_newWindows;   // handed to the default browser after the event
  bool m_unloading = false;
  int m_zoom = 100;
};

// A plain child panel (a container of a browser or of the tab pages), arrow pointer.
HWND CreatePanel(HWND parent, int x, int y, int width, int height);

// What hands an address to the system (browser/new_window.h).
using browser::BrowserLauncher;
using browser::DefaultBrowserLauncher;

}  // namespace qorv::gamewindow
