// Decoding of the WebBrowser control's DWebBrowserEvents2 calls (IDispatch::Invoke with a DISPID
// and DISPPARAMS) into the typed BrowserEvents. The arguments arrive reversed (rgvarg[0] is the
// last parameter) and mostly by reference (VT_BYREF|VT_VARIANT); every count and type is checked,
// and a call that does not have the documented shape is logged and ignored.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>

#include "browser/browser.h"

namespace qorv::browser {

enum class EventDecode {
  Raised,      // a known event with well-formed arguments (its handler, if any, was called)
  Unhandled,   // an event the client does not use
  Malformed,   // a known event whose arguments do not have the documented shape; logged
};

// Raises the event on events and writes the handler's cancel/processed answer back into the
// arguments. topLevel compares the event's pDisp with browserIdentity (the control's IUnknown).
// BeforeNavigate2 is cancelled after its handler when the navigation rule refuses the address
// (logged), so no handler can let a page reach file:, script or another program's protocol.
// The handler is copied before it runs (it may destroy the object that owns events), and nothing
// but params is touched after it returns.
EventDecode DecodeBrowserEvent(DISPID id, const DISPPARAMS* params, const BrowserEvents& events,
                               IUnknown* browserIdentity);

// A string argument given directly (VT_BSTR), by reference, or through a VARIANT reference.
// Empty for any other type and for a NULL BSTR.
std::optional<std::wstring> StringArgument(const VARIANT& arg);
// VT_I4/VT_UI4/VT_INT, directly or by reference.
std::optional<int32_t> IntArgument(const VARIANT& arg);

}  // namespace qorv::browser
