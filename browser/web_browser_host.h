// The product's IBrowser: the platform's WebBrowser control (CLSID_WebBrowser) in a hand-written
// OLE container. The container (client site, in-place site and frame, document host UI handler,
// ambient properties) and the DWebBrowserEvents2 sink are reference-counted objects of their own,
// so a handler that destroys the browser from inside an event leaves them alive until the event
// has returned; the control is then closed from the message loop. Events stop the moment
// destruction begins.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "browser/browser.h"

namespace qorv::browser {

// Creates the control as a child of parent at rect, in-place active; null when it cannot be had
// (no OLE on this thread, the control not registered, activation refused).
std::unique_ptr<IBrowser> CreateWebBrowserHost(HWND parent, const RECT& rect);

// The per-user document-mode setting for this executable (FEATURE_BROWSER_EMULATION = 11001, the
// newest engine, ignoring DOCTYPE). Written once per process, before the first control.
constexpr DWORD kBrowserEmulationMode = 11001;
bool EnsureBrowserEmulation();

}  // namespace qorv::browser
