#include "browser/browser_events.h"

#include <exdispid.h>

#include "base/text.h"
#include "base/web_address.h"
#include "base/win/com.h"
#include "base/win/log.h"

namespace qorv::browser {

namespace {

// One level of VT_BYREF|VT_VARIANT is how the control passes most arguments; a reference to a
// reference is no documented shape.
const VARIANT* Deref(const VARIANT& arg) {
  if (arg.vt != (VT_BYREF | VT_VARIANT)) return &arg;
  if (!arg.pvarVal || arg.pvarVal->vt == (VT_BYREF | VT_VARIANT)) return nullptr;
  return arg.pvarVal;
}

// The writable flag of a Cancel or Processed argument.
VARIANT_BOOL* BoolOut(const VARIANT& arg) {
  if (arg.vt == (VT_BYREF | VT_BOOL)) return arg.pboolVal;
  if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal && arg.pvarVal->vt == VT_BOOL) {
    return &arg.pvarVal->boolVal;
  }
  return nullptr;
}

// pDisp of the frame or window the event is about; null when it is not an object reference.
bool ObjectArgument(const VARIANT& arg, IUnknown** out) {
  const VARIANT* v = Deref(arg);
  if (!v) return false;
  if (v->vt == VT_DISPATCH) {
    *out = v->pdispVal;
    return true;
  }
  if (v->vt == VT_UNKNOWN) {
    *out = v->punkVal;
    return true;
  }
  if (v->vt == (VT_BYREF | VT_DISPATCH)) {
    *out = v->ppdispVal ? *v->ppdispVal : nullptr;
    return true;
  }
  return false;
}

// COM identity: the same object answers IUnknown with the same pointer through any interface.
bool SameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return false;
  win::ComPtr<IUnknown> ua(a);
  win::ComPtr<IUnknown> ub(b);
  return ua.As<IUnknown>() == ub.As<IUnknown>();
}

EventDecode Malformed(const wchar_t* event, const DISPPARAMS* params, const wchar_t* what) {
  win::LogError(std::wstring(L"browser event ") + event + L" ignored (" +
                std::to_wstring(params ? params->cArgs : 0) + L" arguments): " + what);
  return EventDecode::Malformed;
}

bool HasArgs(const DISPPARAMS* params, UINT count) {
  return params && params->cArgs == count && (count == 0 || params->rgvarg);
}

EventDecode DecodeDownloadBegin(const DISPPARAMS* params, const BrowserEvents& events) {
  if (!HasArgs(params, 0)) return Malformed(L"DownloadBegin", params, L"expected none");
  auto handler = events.DownloadBegin;
  if (handler) handler();
  return EventDecode::Raised;
}

EventDecode DecodeBeforeNavigate2(const DISPPARAMS* params, const BrowserEvents& events,
                                  IUnknown* browserIdentity) {
  // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel
  if (!HasArgs(params, 7)) return Malformed(L"BeforeNavigate2", params, L"expected 7");
  VARIANT_BOOL* cancelOut = BoolOut(params->rgvarg[0]);
  // Whatever else is wrong with the call, a navigation that can be stopped is stopped.
  auto refuse = [&](const wchar_t* what) {
    if (cancelOut) *cancelOut = VARIANT_TRUE;
    return Malformed(L"BeforeNavigate2", params, what);
  };
  IUnknown* frame = nullptr;
  if (!ObjectArgument(params->rgvarg[6], &frame)) return refuse(L"pDisp is not an object");
  auto url = StringArgument(params->rgvarg[5]);
  if (!url) return refuse(L"URL is not a string");
  if (!cancelOut) return Malformed(L"BeforeNavigate2", params, L"Cancel is not a flag");
  const bool topLevel = SameObject(frame, browserIdentity);
  bool cancel = *cancelOut != VARIANT_FALSE;
  auto handler = events.BeforeNavigate2;
  if (handler) handler(*url, topLevel, cancel);
  if (!cancel && !IsNavigableAddress(*url)) {
    win::LogInfo(std::wstring(L"navigation refused (") + (topLevel ? L"page" : L"frame") +
                 L"): " + ForLog(*url));
    cancel = true;
  }
  *cancelOut = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  return EventDecode::Raised;
}

EventDecode DecodeDocumentComplete(const DISPPARAMS* params, const BrowserEvents& events,
                                   IUnknown* browserIdentity) {
  // pDisp, URL
  if (!HasArgs(params, 2)) return Malformed(L"DocumentComplete", params, L"expected 2");
  IUnknown* frame = nullptr;
  if (!ObjectArgument(params->rgvarg[1], &frame)) {
    return Malformed(L"DocumentComplete", params, L"pDisp is not an object");
  }
  auto url = StringArgument(params->rgvarg[0]);
  if (!url) return Malformed(L"DocumentComplete", params, L"URL is not a string");
  bool topLevel = SameObject(frame, browserIdentity);
  auto handler = events.DocumentComplete;
  if (handler) handler(*url, topLevel);
  return EventDecode::Raised;
}

EventDecode DecodeTitleChange(const DISPPARAMS* params, const BrowserEvents& events) {
  if (!HasArgs(params, 1)) return Malformed(L"TitleChange", params, L"expected 1");
  auto text = StringArgument(params->rgvarg[0]);
  if (!text) return Malformed(L"TitleChange", params, L"Text is not a string");
  auto handler = events.TitleChange;
  if (handler) handler(*text);
  return EventDecode::Raised;
}

EventDecode DecodeNewWindow3(const DISPPARAMS* params, const BrowserEvents& events) {
  // ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl
  if (!HasArgs(params, 5)) return Malformed(L"NewWindow3", params, L"expected 5");
  VARIANT_BOOL* cancelOut = BoolOut(params->rgvarg[3]);
  auto url = StringArgument(params->rgvarg[0]);
  if (!cancelOut) return Malformed(L"NewWindow3", params, L"Cancel is not a flag");
  if (!url) return Malformed(L"NewWindow3", params, L"bstrUrl is not a string");
  bool processed = *cancelOut != VARIANT_FALSE;
  auto handler = events.NewWindow;
  if (handler) handler(*url, processed);
  *cancelOut = processed ? VARIANT_TRUE : VARIANT_FALSE;
  return EventDecode::Raised;
}

EventDecode DecodeNewWindow2(const DISPPARAMS* params, const BrowserEvents& events) {
  // ppDisp, Cancel. Raised only where NewWindow3 is not: the address is unknown, so the
  // window is refused all the same.
  if (!HasArgs(params, 2)) return Malformed(L"NewWindow2", params, L"expected 2");
  VARIANT_BOOL* cancelOut = BoolOut(params->rgvarg[0]);
  if (!cancelOut) return Malformed(L"NewWindow2", params, L"Cancel is not a flag");
  bool processed = *cancelOut != VARIANT_FALSE;
  auto handler = events.NewWindow;
  if (handler) handler(std::wstring(), processed);
  *cancelOut = processed ? VARIANT_TRUE : VARIANT_FALSE;
  return EventDecode::Raised;
}

EventDecode DecodeNavigateError(const DISPPARAMS* params, const BrowserEvents& events,
                                IUnknown* browserIdentity) {
  // pDisp, URL, Frame, StatusCode, Cancel
  if (!HasArgs(params, 5)) return Malformed(L"NavigateError", params, L"expected 5");
  IUnknown* frame = nullptr;
  if (!ObjectArgument(params->rgvarg[4], &frame)) {
    return Malformed(L"NavigateError", params, L"pDisp is not an object");
  }
  auto url = StringArgument(params->rgvarg[3]);
  auto status = IntArgument(params->rgvarg[1]);
  VARIANT_BOOL* cancelOut = BoolOut(params->rgvarg[0]);
  if (!url) return Malformed(L"NavigateError", params, L"URL is not a string");
  if (!status) return Malformed(L"NavigateError", params, L"StatusCode is not a number");
  if (!cancelOut) return Malformed(L"NavigateError", params, L"Cancel is not a flag");
  bool topLevel = SameObject(frame, browserIdentity);
  bool cancel = *cancelOut != VARIANT_FALSE;
  auto handler = events.NavigateError;
  if (handler) handler(*url, *status, topLevel, cancel);
  *cancelOut = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  return EventDecode::Raised;
}

}  // namespace

std::optional<std::wstring> StringArgument(const VARIANT& arg) {
  const VARIANT* v = Deref(arg);
  if (!v) return std::nullopt;
  BSTR s = nullptr;
  if (v->vt == VT_BSTR) {
    s = v->bstrVal;
  } else if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal) {
    s = *v->pbstrVal;
  }
  if (!s) return std::nullopt;
  return std::wstring(s, ::SysStringLen(s));
}

std::optional<int32_t> IntArgument(const VARIANT& arg) {
  const VARIANT* v = Deref(arg);
  if (!v) return std::nullopt;
  switch (v->vt) {
    case VT_I4: return v->lVal;
    case VT_UI4: return static_cast<int32_t>(v->ulVal);
    case VT_INT: return v->intVal;
    case VT_BYREF | VT_I4: if (v->plVal) return *v->plVal; break;
    case VT_BYREF | VT_UI4: if (v->pulVal) return static_cast<int32_t>(*v->pulVal); break;
    case VT_BYREF | VT_INT: if (v->pintVal) return *v->pintVal; break;
    default: break;
  }
  return std::nullopt;
}

EventDecode DecodeBrowserEvent(DISPID id, const DISPPARAMS* params, const BrowserEvents& events,
                               IUnknown* browserIdentity) {
  switch (id) {
    case DISPID_DOWNLOADBEGIN:
      return DecodeDownloadBegin(params, events);
    case DISPID_BEFORENAVIGATE2:
      return DecodeBeforeNavigate2(params, events, browserIdentity);
    case DISPID_DOCUMENTCOMPLETE:
      return DecodeDocumentComplete(params, events, browserIdentity);
    case DISPID_TITLECHANGE:
      return DecodeTitleChange(params, events);
    case DISPID_NEWWINDOW3:
      return DecodeNewWindow3(params, events);
    case DISPID_NEWWINDOW2:
      return DecodeNewWindow2(params, events);
    case DISPID_NAVIGATEERROR:
      return DecodeNavigateError(params, events, browserIdentity);
    default:
      return EventDecode::Unhandled;
  }
}

}  // namespace qorv::browser
