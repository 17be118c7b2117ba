// The embedded web browser as the client uses it: a few operations on the control and its
// current document, and the events the windows react to. The product implements it over the
// platform's WebBrowser control (browser/web_browser_host.h); tests use a scripted double.
//
// Events are raised synchronously, often from inside Navigate. A handler may unload the window
// that hosts the browser and so destroy this object: an implementation raises each event last,
// touches nothing of itself afterwards, and finishes a teardown that was asked for inside an event
// only after the event has returned. No event reaches the host once destruction has begun.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "browser/navigation_status.h"  // IsTransportFailure

namespace qorv::browser {

struct BrowserEvents {
  std::function<void()> DownloadBegin;
  // Setting cancel stops the navigation. topLevel: the browser's own document navigates, not one
  // of its frames. After the handler, the browser cancels whatever the navigation rule refuses
  // (IsNavigableAddress: http, https and about:blank only), frames and top level alike.
  std::function<void(const std::wstring& url, bool topLevel, bool& cancel)> BeforeNavigate2;
  // Per document, frames included (topLevel false), the top-level document last.
  std::function<void(const std::wstring& url, bool topLevel)> DocumentComplete;
  std::function<void(const std::wstring& text)> TitleChange;
  // A page asks for a new window for url (empty when the control does not say: NewWindow2);
  // processed = true means the browser opens none.
  std::function<void(const std::wstring& url, bool& processed)> NewWindow;
  // statusCode is an HTTP status or an HRESULT (INET_E_*); cancel suppresses the error page.
  std::function<void(const std::wstring& url, int32_t statusCode, bool topLevel, bool& cancel)>
      NavigateError;
};

class IBrowser {
 public:
  virtual ~IBrowser() = default;

  virtual void Navigate(const std::wstring& url) = 0;
  virtual void Refresh() = 0;
  virtual void SetSilent(bool silent) = 0;
  // Position and size in pixels, in the client coordinates of the window it was created in.
  virtual void Move(int left, int top, int width, int height) = 0;
  // No context menu on the page while disabled (the default is enabled).
  virtual void SetContextMenuEnabled(bool enabled) = 0;
  // Gives the page the keyboard focus (UI activation).
  virtual void Focus() = 0;
  // The page's optical zoom in percent (on top of the display scale), for this control alone:
  // the engine is told not to carry it over to new windows. A navigation resets it; the host
  // sets it again after each completed document.
  virtual void SetOpticalZoom(int percent) = 0;

  // The current document: empty when there is none.
  virtual std::optional<std::wstring> DocumentURL() = 0;
  // documentElement.innerHTML: empty when the document or its root element is missing.
  virtual std::optional<std::wstring> DocumentInnerHTML() = 0;
  // documentElement.style.overflow; false when there is no root element to style.
  virtual bool SetDocumentOverflow(const std::wstring& value) = 0;

  // The control's own window (a child of the window it was created in); null before activation.
  virtual HWND ControlWindow() const = 0;

  BrowserEvents events;
};

// Creates a browser as a child of parent at rect (pixels, parent's client coordinates), in-place
// active. Returns null when the control cannot be had.
using BrowserFactory = std::function<std::unique_ptr<IBrowser>(HWND parent, const RECT& rect)>;

// The factory the windows use: the product's WebBrowser host unless a test replaces it.
BrowserFactory& CurrentBrowserFactory();
std::unique_ptr<IBrowser> CreateBrowser(HWND parent, const RECT& rect);

}  // namespace qorv::browser
