#include "base/win/log.h"
#include "browser/browser.h"
#include "browser/web_browser_host.h"

namespace qorv::browser {

BrowserFactory& CurrentBrowserFactory() {
  static BrowserFactory factory = CreateWebBrowserHost;
  return factory;
}

std::unique_ptr<IBrowser> CreateBrowser(HWND parent, const RECT& rect) {
  const BrowserFactory& factory = CurrentBrowserFactory();
  std::unique_ptr<IBrowser> browser = factory ? factory(parent, rect) : nullptr;
  if (!browser) win::LogError(L"the web browser control could not be created");
  return browser;
}

}  // namespace qorv::browser
