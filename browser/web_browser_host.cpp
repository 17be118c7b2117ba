#include "browser/web_browser_host.h"

#include <exdisp.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <ocidl.h>
#include <olectl.h>

#include <exception>
#include <vector>

#include "base/win/com.h"
#include "base/win/form.h"
#include "base/win/handles.h"
#include "base/win/log.h"
#include "browser/browser_events.h"

namespace qorv::browser {

namespace {

using win::ComPtr;

std::wstring Hex(HRESULT hr) { return win::HresultText(hr); }

class BrowserSite;

// IDispatch without type information (late binding by DISPID only): just Invoke is the object's.
template <class... Interfaces>
class DispatchObject : public win::ComObject<Interfaces...> {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// The DWebBrowserEvents2 sink: its own object, so ambient property queries (which go to the
// site's IDispatch) never reach event code. It holds no reference to the site; the site detaches
// it before letting go of the control.
class EventSink final
    : public DispatchObject<IDispatch, win::ComAlias<DWebBrowserEvents2, IDispatch>> {
 public:
  explicit EventSink(BrowserSite* site) : m_site(site) {}
  void Detach() { m_site = nullptr; }

  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  BrowserSite* m_site;
};

// While the host is being destroyed the control may still report navigations; they are refused
// (no navigation, no new window) and reach nobody.
const BrowserEvents& RefusingEvents() {
  static const BrowserEvents events = [] {
    BrowserEvents e;
    e.BeforeNavigate2 = [](const std::wstring&, bool, bool& cancel) { cancel = true; };
    e.NewWindow = [](const std::wstring&, bool& processed) { processed = true; };
    return e;
  }();
  return events;
}

// The OLE container of one control: client site, in-place site and frame, document host UI
// handler and ambient properties. Reference-counted: the control holds it as its site, the host
// owns one reference, and every call into the control or from it holds one more, so teardown
// never runs underneath the control's own code.
class BrowserSite final
    : public DispatchObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IDocHostUIHandler,
                            IDispatch, win::ComAlias<IOleWindow, IOleInPlaceSite>,
                            win::ComAlias<IOleInPlaceUIWindow, IOleInPlaceFrame>> {
 public:
  BrowserSite(HWND parent, const RECT& rect) : m_parent(parent), m_rect(rect) {}

  bool Create();
  void SetEvents(BrowserEvents* events) { m_events = events; }
  // The host is going: no more events; the control is closed now, or as soon as no call into it
  // or from it is running.
  void Shutdown();
  void OnEvent(DISPID id, DISPPARAMS* params);

  void Navigate(const std::wstring& url);
  void Refresh();
  void SetSilent(bool silent);
  void Move(int left, int top, int width, int height);
  void SetContextMenuEnabled(bool enabled) { m_contextMenu = enabled; }
  void Focus();
  void SetOpticalZoom(int percent);
  std::optional<std::wstring> DocumentURL();
  std::optional<std::wstring> DocumentInnerHTML();
  bool SetDocumentOverflow(const std::wstring& value);
  HWND ControlWindow() const { return m_controlWindow; }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (both the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    if (!hwnd) return E_POINTER;
    *hwnd = m_parent;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    m_uiActive.Reset();
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
    if (rect && m_inPlace) {
      m_rect = *rect;
      m_inPlace->SetObjectRects(&m_rect, &m_rect);
    }
    return S_OK;
  }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override {
    m_uiActive = ComPtr<IOleInPlaceActiveObject>(active);
    return S_OK;
  }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }  // also IDocHostUIHandler's
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
    return m_contextMenu ? S_FALSE : S_OK;  // S_OK: handled, so no menu
  }
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  // S_OK: the host shows its own menus and toolbars, which is none.
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key) *key = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override {
    if (target) *target = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetExternal(IDispatch** external) override {
    if (external) *external = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }

  // IDispatch: ambient properties only.
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                      EXCEPINFO*, UINT*) override;

  // The teardown, once: Stop, Unadvise, InPlaceDeactivate, Close, SetClientSite(null), release.
  void Teardown();

 private:
  friend class BusyScope;
  IOleClientSite* ClientSite() { return static_cast<IOleClientSite*>(this); }
  bool TranslateKey(MSG& msg);
  ComPtr<IHTMLElement> RootElement();

  win::OleSession m_ole;  // first member: OLE outlives every interface below
  HWND m_parent;
  RECT m_rect;
  ComPtr<IOleObject> m_oleObject;
  ComPtr<IOleInPlaceObject> m_inPlace;
  ComPtr<IOleInPlaceActiveObject> m_controlActive;  // the control's own: keys before UI activation
  ComPtr<IOleInPlaceActiveObject> m_uiActive;       // the one SetActiveObject passes
  ComPtr<IWebBrowser2> m_browser;
  ComPtr<IUnknown> m_identity;
  ComPtr<IConnectionPoint> m_connection;
  DWORD m_cookie = 0;
  ComPtr<EventSink> m_sink;
  HWND m_controlWindow = nullptr;
  bool m_keyFilter = false;
  BrowserEvents* m_events = nullptr;
  bool m_contextMenu = true;
  int m_busy = 0;
  bool m_shutdown = false;
  bool m_tornDown = false;
};

// A call into the control or from it: the site stays alive and its teardown waits.
class BusyScope {
 public:
  explicit BusyScope(BrowserSite* site) : m_site(site) { ++m_site->m_busy; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  ~BusyScope() { --m_site->m_busy; }
  bool Usable() const { return !m_site->m_tornDown; }

 private:
  ComPtr<BrowserSite> m_site;
};

// Teardowns asked for while the control was busy run from the message loop: a thread timer needs
// no window of its own.
std::vector<ComPtr<BrowserSite>>& PendingTeardowns() {
  static std::vector<ComPtr<BrowserSite>> pending;
  return pending;
}
UINT_PTR g_teardownTimer = 0;

void CALLBACK RunPendingTeardowns(HWND, UINT, UINT_PTR, DWORD);

void ScheduleTeardown(ComPtr<BrowserSite> site) {
  PendingTeardowns().push_back(std::move(site));
  if (!g_teardownTimer) {
    g_teardownTimer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, RunPendingTeardowns);
  }
}

void CALLBACK RunPendingTeardowns(HWND, UINT, UINT_PTR, DWORD) {
  ::KillTimer(nullptr, g_teardownTimer);
  g_teardownTimer = 0;
  std::vector<ComPtr<BrowserSite>> due;
  due.swap(PendingTeardowns());
  for (ComPtr<BrowserSite>& site : due) site->Shutdown();  // busy again (a nested loop): re-queued
}

bool BrowserSite::Create() {
  if (!m_ole.Ok()) {
    win::LogError(L"web browser: OleInitialize failed, " + Hex(m_ole.Result()));
    return false;
  }
  EnsureBrowserEmulation();
  EnsureSafetySwitches();
  HRESULT hr = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  m_oleObject.PutVoid());
  if (FAILED(hr) || !m_oleObject) {
    win::LogError(L"web browser: the control cannot be created, " + Hex(hr));
    return false;
  }
  // The control asks for its site first (OLEMISC_SETCLIENTSITEFIRST): it reads ambients and
  // finds the UI handler there before activation.
  hr = m_oleObject->SetClientSite(ClientSite());
  if (FAILED(hr)) {
    win::LogError(L"web browser: SetClientSite failed, " + Hex(hr));
    return false;
  }
  m_browser = m_oleObject.As<IWebBrowser2>();
  m_identity = m_oleObject.As<IUnknown>();
  m_controlActive = m_oleObject.As<IOleInPlaceActiveObject>();
  if (!m_browser) {
    win::LogError(L"web browser: no IWebBrowser2");
    return false;
  }
  hr = m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, ClientSite(), 0, m_parent, &m_rect);
  m_inPlace = m_oleObject.As<IOleInPlaceObject>();
  if (FAILED(hr) || !m_inPlace) {
    win::LogError(L"web browser: in-place activation failed, " + Hex(hr));
    return false;
  }
  m_inPlace->GetWindow(&m_controlWindow);

  m_sink = win::MakeCom<EventSink>(this);
  auto points = m_oleObject.As<IConnectionPointContainer>();
  if (points) hr = points->FindConnectionPoint(DIID_DWebBrowserEvents2, m_connection.Put());
  if (!points || FAILED(hr) || !m_connection ||
      FAILED(hr = m_connection->Advise(static_cast<IDispatch*>(m_sink.Get()), &m_cookie))) {
    win::LogError(L"web browser: no event connection, " + Hex(hr));
    m_connection.Reset();
    return false;
  }

  if (m_controlWindow) {
    // The filter holds no reference: it is removed in Teardown, before the site can go.
    win::Application::Instance().SetKeyFilter(m_controlWindow,
                                              [this](MSG& msg) { return TranslateKey(msg); });
    m_keyFilter = true;
  }
  return true;
}

void BrowserSite::Shutdown() {
  m_events = nullptr;
  m_shutdown = true;
  if (m_tornDown) return;
  if (m_busy > 0) {
    ScheduleTeardown(ComPtr<BrowserSite>(this));
  } else {
    Teardown();
  }
}

void BrowserSite::Teardown() {
  if (m_tornDown) return;
  m_tornDown = true;
  ComPtr<BrowserSite> keep(this);  // the control's release of its site must not end us midway
  m_events = nullptr;
  if (m_keyFilter) win::Application::Instance().RemoveKeyFilter(m_controlWindow);
  m_keyFilter = false;
  if (m_browser) m_browser->Stop();
  if (m_connection) m_connection->Unadvise(m_cookie);
  m_connection.Reset();
  if (m_sink) m_sink->Detach();
  if (m_inPlace) m_inPlace->InPlaceDeactivate();
  if (m_oleObject) {
    m_oleObject->Close(OLECLOSE_NOSAVE);
    m_oleObject->SetClientSite(nullptr);
  }
  m_uiActive.Reset();
  m_controlActive.Reset();
  m_inPlace.Reset();
  m_identity.Reset();
  m_browser.Reset();
  m_oleObject.Reset();
  m_sink.Reset();
  m_controlWindow = nullptr;
}

void BrowserSite::OnEvent(DISPID id, DISPPARAMS* params) {
  BusyScope busy(this);
  DecodeBrowserEvent(id, params, m_events ? *m_events : RefusingEvents(), m_identity.Get());
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                               EXCEPINFO*, UINT*) {
  ComPtr<EventSink> keep(this);
  try {
    if (m_site) m_site->OnEvent(id, params);
  } catch (const std::exception&) {
    win::LogError(L"web browser: an event handler failed (event " + std::to_wstring(id) + L")");
  } catch (...) {
    win::LogError(L"web browser: an event handler failed (event " + std::to_wstring(id) + L")");
  }
  return S_OK;
}

bool BrowserSite::TranslateKey(MSG& msg) {
  BusyScope busy(this);
  IOleInPlaceActiveObject* active = m_uiActive ? m_uiActive.Get() : m_controlActive.Get();
  return active && active->TranslateAccelerator(&msg) == S_OK;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                           LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *doc = nullptr;
  *pos = m_rect;
  *clip = m_rect;
  info->fMDIApp = FALSE;
  info->hwndFrame = m_parent;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) { return DescribeHost(info); }

STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                 EXCEPINFO*, UINT*) {
  if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
  switch (id) {
    case DISPID_AMBIENT_DLCONTROL:
      // Pictures, videos, background sounds and scripts as the zone allows; no ActiveX control
      // is downloaded or run and no Java applet, whatever the zone says.
      ::VariantInit(result);
      result->vt = VT_I4;
      result->lVal = kDownloadControl;
      return S_OK;
    case DISPID_AMBIENT_USERMODE:
      ::VariantInit(result);
      result->vt = VT_BOOL;
      result->boolVal = VARIANT_TRUE;
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

void BrowserSite::Navigate(const std::wstring& url) {
  BusyScope busy(this);
  if (!busy.Usable() || !m_browser) return;
  win::Variant address(url);
  win::Variant empty;
  HRESULT hr =
      m_browser->Navigate2(address.Get(), empty.Get(), empty.Get(), empty.Get(), empty.Get());
  if (FAILED(hr)) win::LogError(L"web browser: Navigate2 failed, " + Hex(hr));
}

void BrowserSite::Refresh() {
  BusyScope busy(this);
  if (busy.Usable() && m_browser) m_browser->Refresh();
}

void BrowserSite::SetSilent(bool silent) {
  BusyScope busy(this);
  if (busy.Usable() && m_browser) m_browser->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
}

void BrowserSite::Move(int left, int top, int width, int height) {
  BusyScope busy(this);
  m_rect = RECT{left, top, left + width, top + height};
  if (busy.Usable() && m_inPlace) m_inPlace->SetObjectRects(&m_rect, &m_rect);
}

void BrowserSite::Focus() {
  BusyScope busy(this);
  if (!busy.Usable() || !m_oleObject) return;
  HRESULT hr =
      m_oleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, ClientSite(), 0, m_parent, &m_rect);
  if (FAILED(hr)) win::LogError(L"web browser: UI activation failed, " + Hex(hr));
  // The document's window takes the focus on activation; where the control did not move it
  // (no document yet, or Wine's control), its innermost window gets it, so keys reach the
  // control and its accelerators.
  HWND focus = ::GetFocus();
  if (m_controlWindow && focus != m_controlWindow && !::IsChild(m_controlWindow, focus)) {
    HWND target = m_controlWindow;
    for (HWND child; (child = ::GetWindow(target, GW_CHILD)) != nullptr;) target = child;
    ::SetFocus(target);
  }
}

void BrowserSite::SetOpticalZoom(int percent) {
  BusyScope busy(this);
  if (!busy.Usable() || !m_browser) return;
  // Refused while no document is loaded (and always where the engine has none): the page's host
  // applies the zoom again on the next completed document.
  HRESULT hr = ExecOpticalZoom(m_browser.Get(), percent);
  if (FAILED(hr)) {
    win::LogInfo(L"web browser: zoom " + std::to_wstring(percent) + L"% not taken, " + Hex(hr));
  }
}

std::optional<std::wstring> BrowserSite::DocumentURL() {
  BusyScope busy(this);
  if (!busy.Usable() || !m_browser) return std::nullopt;
  ComPtr<IDispatch> document;
  if (m_browser->get_Document(document.Put()) != S_OK || !document) return std::nullopt;
  auto html = document.As<IHTMLDocument2>();
  win::Bstr url;
  if (!html || FAILED(html->get_URL(url.Put()))) return std::nullopt;
  return url.Str();
}

ComPtr<IHTMLElement> BrowserSite::RootElement() {
  ComPtr<IDispatch> document;
  if (!m_browser || m_browser->get_Document(document.Put()) != S_OK || !document) return {};
  auto html = document.As<IHTMLDocument3>();
  ComPtr<IHTMLElement> root;
  if (!html || FAILED(html->get_documentElement(root.Put()))) return {};
  return root;
}

std::optional<std::wstring> BrowserSite::DocumentInnerHTML() {
  BusyScope busy(this);
  if (!busy.Usable()) return std::nullopt;
  ComPtr<IHTMLElement> root = RootElement();
  win::Bstr text;
  if (!root || FAILED(root->get_innerHTML(text.Put()))) return std::nullopt;
  return text.Str();
}

bool BrowserSite::SetDocumentOverflow(const std::wstring& value) {
  BusyScope busy(this);
  if (!busy.Usable()) return false;
  ComPtr<IHTMLElement> root = RootElement();
  ComPtr<IHTMLStyle> style;
  if (!root || FAILED(root->get_style(style.Put())) || !style) return false;
  win::Bstr text(value);
  return SUCCEEDED(style->put_overflow(text.Get()));
}

class WebBrowserHost final : public IBrowser {
 public:
  explicit WebBrowserHost(ComPtr<BrowserSite> site) : m_site(std::move(site)) {
    m_site->SetEvents(&events);
  }
  ~WebBrowserHost() override { m_site->Shutdown(); }

  // Each call goes through the site, which keeps itself alive for the call: a handler raised
  // inside it may destroy this object.
  void Navigate(const std::wstring& url) override { m_site->Navigate(url); }
  void Refresh() override { m_site->Refresh(); }
  void SetSilent(bool silent) override { m_site->SetSilent(silent); }
  void Move(int left, int top, int width, int height) override {
    m_site->Move(left, top, width, height);
  }
  void SetContextMenuEnabled(bool enabled) override { m_site->SetContextMenuEnabled(enabled); }
  void Focus() override { m_site->Focus(); }
  void SetOpticalZoom(int percent) override { m_site->SetOpticalZoom(percent); }
  std::optional<std::wstring> DocumentURL() override { return m_site->DocumentURL(); }
  std::optional<std::wstring> DocumentInnerHTML() override { return m_site->DocumentInnerHTML(); }
  bool SetDocumentOverflow(const std::wstring& value) override {
    return m_site->SetDocumentOverflow(value);
  }
  HWND ControlWindow() const override { return m_site->ControlWindow(); }

 private:
  ComPtr<BrowserSite> m_site;
};

}  // namespace

std::unique_ptr<IBrowser> CreateWebBrowserHost(HWND parent, const RECT& rect) {
  try {
    auto site = win::MakeCom<BrowserSite>(parent, rect);
    if (!site->Create()) {
      site->Teardown();
      return nullptr;
    }
    return std::make_unique<WebBrowserHost>(std::move(site));
  } catch (const std::exception&) {
    win::LogError(L"web browser: out of memory");
    return nullptr;
  }
}

HRESULT ExecOpticalZoom(IWebBrowser2* browser, int percent) {
  if (!browser) return E_POINTER;
  VARIANT in, flags;
  ::VariantInit(&in);
  ::VariantInit(&flags);
  in.vt = VT_I4;
  in.lVal = percent;
  flags.vt = VT_I4;
  flags.lVal = OLECMDIDF_OPTICAL_ZOOM_NOPERSIST;
  return browser->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &in, &flags);
}

namespace {

// A per-user feature control value for this executable, read by the engine when it starts.
bool WriteFeatureControl(const wchar_t* feature, DWORD value) {
  std::wstring path(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return false;
  path.resize(n);
  std::wstring exe = path.substr(path.find_last_of(L"\\/") + 1);
  const std::wstring subKey =
      std::wstring(L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\") + feature;
  // Set by an earlier start (or the installer) as a rule: a reading spares the start-up a write.
  DWORD current = 0;
  DWORD size = sizeof(current);
  if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), exe.c_str(), RRF_RT_REG_DWORD, nullptr,
                     &current, &size) == ERROR_SUCCESS &&
      current == value) {
    return true;
  }
  win::UniqueRegKey key;
  LONG rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.Put(), nullptr);
  if (rc == ERROR_SUCCESS) {
    rc = ::RegSetValueExW(key.Get(), exe.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof(value));
  }
  if (rc != ERROR_SUCCESS) {
    win::LogError(std::wstring(L"web browser: the setting ") + feature +
                  L" was not written, error " + std::to_wstring(rc));
  }
  return rc == ERROR_SUCCESS;
}

}  // namespace

HRESULT DescribeHost(DOCHOSTUIINFO* info) {
  if (!info || info->cbSize < sizeof(DOCHOSTUIINFO)) return E_INVALIDARG;
  info->dwFlags = kHostUiFlags;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  info->pchHostCss = nullptr;
  info->pchHostNS = nullptr;
  return S_OK;
}

bool EnsureBrowserEmulation() {
  static const bool written = WriteFeatureControl(L"FEATURE_BROWSER_EMULATION", kBrowserEmulationMode);
  return written;
}

bool EnsureSafetySwitches() {
  static const bool allOn = [] {
    bool ok = true;
    for (INTERNETFEATURELIST feature : kSafetySwitches) {
      HRESULT hr = ::CoInternetSetFeatureEnabled(feature, SET_FEATURE_ON_PROCESS, TRUE);
      // Local machine lockdown is documented as not settable per process: the per-user setting
      // below is what turns it on there.
      if (FAILED(hr) && feature != FEATURE_LOCALMACHINE_LOCKDOWN) {
        win::LogError(L"web browser: safety switch " + std::to_wstring(feature) +
                      L" not set, " + Hex(hr));
        ok = false;
      }
    }
    return WriteFeatureControl(L"FEATURE_LOCALMACHINE_LOCKDOWN", 1) && ok;
  }();
  return allOn;
}

}  // namespace qorv::browser
