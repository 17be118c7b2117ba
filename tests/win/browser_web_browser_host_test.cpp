// The WebBrowser host with the real control, in a real window: activation and placement, the
// events the windows rely on (app:// routing, downloads, navigation errors from a loopback server
// and a refused port), destruction from inside an event, and that a hundred controls leave no
// window, handle or container object behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <docobj.h>
#include <exdisp.h>

#include <memory>
#include <string>
#include <vector>

#include "base/win/com.h"
#include "browser/web_browser_host.h"
#include "win/download_test_server.h"
#include "win/support/gdi_count.h"
#include "win/support/test_window.h"

namespace qorv {
namespace {

using browser::IBrowser;

// A port nobody listens on: the discard service is not run on a test machine.
constexpr wchar_t kRefusedUrl[] = L"http://127.0.0.1:9/index.aspx";

struct Recorded {
  // "B <url>" ("B(frame) <url>" from a frame), "D", "C <url>", "T <text>", "E <status> <url>"
  std::vector<std::wstring> lines;
  std::vector<int32_t> errors;
  bool cancelNavigation = false;

  void Attach(IBrowser& b) {
    b.events.DownloadBegin = [this] { lines.push_back(L"D"); };
    b.events.BeforeNavigate2 = [this](const std::wstring& url, bool top, bool& cancel) {
      lines.push_back((top ? L"B " : L"B(frame) ") + url);
      cancel = cancelNavigation;
    };
    b.events.DocumentComplete = [this](const std::wstring& url, bool) {
      lines.push_back(L"C " + url);
    };
    b.events.TitleChange = [this](const std::wstring& t) { lines.push_back(L"T " + t); };
    b.events.NavigateError = [this](const std::wstring& url, int32_t status, bool, bool&) {
      lines.push_back(L"E " + std::to_wstring(status) + L" " + url);
      errors.push_back(status);
    };
  }
  int Count(wchar_t kind) const {
    int n = 0;
    for (const auto& l : lines) n += !l.empty() && l[0] == kind;
    return n;
  }
};

std::string Joined(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const auto& l : lines) out += std::string(l.begin(), l.end()) + "\n";
  return out;
}

class BrowserHostTest : public testing::Test {
 protected:
  void SetUp() override {
    m_host = test::CreateHostWindow(100, 100, 640, 480, L"browser host");
    ASSERT_TRUE(m_host);
  }
  void TearDown() override {
    if (m_host) ::DestroyWindow(m_host);
  }
  std::unique_ptr<IBrowser> Create(RECT rect = {10, 20, 410, 320}) {
    return browser::CreateWebBrowserHost(m_host, rect);
  }
  int DescendantWindows() const {
    int n = 0;
    ::EnumChildWindows(
        m_host, [](HWND, LPARAM p) { return ++*reinterpret_cast<int*>(p), TRUE; },
        reinterpret_cast<LPARAM>(&n));
    return n;
  }
  static bool IsDescendant(HWND root, HWND child) {
    struct Find {
      HWND wanted;
      bool found = false;
    } find{child};
    ::EnumChildWindows(
        root,
        [](HWND h, LPARAM p) {
          auto* f = reinterpret_cast<Find*>(p);
          if (h == f->wanted) f->found = true;
          return f->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
  }
  RECT RectInHost(HWND w) const {
    RECT r{};
    ::GetWindowRect(w, &r);
    ::MapWindowPoints(HWND_DESKTOP, m_host, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  HWND m_host = nullptr;
};

void ExpectRect(const RECT& r, int l, int t, int rr, int b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}

// First in the file: the value is written once per process, before the first control.
TEST_F(BrowserHostTest, WritesTheDocumentModeForItsOwnExecutable) {
  const wchar_t* key =
      L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
  // Another mode left behind (an older build, another tool): replaced, not taken as ours.
  const DWORD other = 7000;
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"browser_web_browser_host_test.exe",
                              REG_DWORD, &other, sizeof(other)),
            ERROR_SUCCESS);
  auto b = Create();
  ASSERT_TRUE(b);
  DWORD value = 0;
  DWORD size = sizeof(value);
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, key, L"browser_web_browser_host_test.exe",
                           RRF_RT_REG_DWORD, nullptr, &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 11001u);
}

TEST_F(BrowserHostTest, InPlaceActiveAtTheRequestedRectangleAndMoves) {
  auto b = Create({10, 20, 410, 320});
  ASSERT_TRUE(b);
  HWND control = b->ControlWindow();
  ASSERT_TRUE(control);
  EXPECT_TRUE(IsDescendant(m_host, control));
  EXPECT_TRUE(::IsWindowVisible(control));
  ExpectRect(RectInHost(control), 10, 20, 410, 320);

  // The border may lie outside the container: negative positions are kept.
  b->Move(-1, -1, 500, 400);
  ExpectRect(RectInHost(control), -1, -1, 499, 399);

  // UI activation takes the keyboard focus into the control.
  ::SetForegroundWindow(m_host);
  ::SetFocus(m_host);
  b->Focus();
  HWND focus = ::GetFocus();
  EXPECT_TRUE(focus == control || IsDescendant(control, focus)) << focus;

  b.reset();
  EXPECT_FALSE(::IsWindow(control));
  EXPECT_EQ(DescendantWindows(), 0);
}

TEST_F(BrowserHostTest, AppAddressRaisesBeforeNavigate2AndCancelStopsIt) {
  auto b = Create();
  ASSERT_TRUE(b);
  Recorded rec;
  rec.cancelNavigation = true;
  rec.Attach(*b);
  const std::wstring url = L"app://loadgame|http://127.0.0.1:9/game|x|y";
  b->Navigate(url);
  test::PumpUntil([&] { return !rec.lines.empty(); }, 5000);
  test::PumpFor(500);  // anything that would follow a navigation that went on
  ASSERT_EQ(rec.lines.size(), 1u) << Joined(rec.lines);
  EXPECT_EQ(rec.lines[0], L"B " + url);
}

// The browser's own rule, after a handler that lets everything through: a page, a frame or the
// client cannot reach local files.
TEST_F(BrowserHostTest, AFileAddressIsCancelledWhateverTheHandlerSays) {
  auto b = Create();
  ASSERT_TRUE(b);
  Recorded rec;
  rec.Attach(*b);
  b->Navigate(L"file:///C:/windows/win.ini");
  test::PumpUntil([&] { return !rec.lines.empty(); }, 5000);
  test::PumpFor(500);  // anything that would follow a navigation that went on
  // The control may report the address as a path (Wine: "C:\\windows\\win.ini").
  ASSERT_EQ(rec.lines.size(), 1u) << Joined(rec.lines);
  EXPECT_NE(rec.lines[0].find(L"win.ini"), std::wstring::npos) << Joined(rec.lines);
}

// The engine reads these once per document; a structure from an older engine is too short to
// carry them and is refused rather than written past its end.
TEST(BrowserHostInfo, AsksForTheDpiAwarePageWithoutBordersAndRefusesShortStructures) {
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_EQ(browser::DescribeHost(&info), S_OK);
  for (DWORD flag : {DOCHOSTUIFLAG_DPI_AWARE, DOCHOSTUIFLAG_NO3DBORDER,
                     DOCHOSTUIFLAG_NO3DOUTERBORDER, DOCHOSTUIFLAG_THEME,
                     DOCHOSTUIFLAG_DISABLE_HELP_MENU}) {
    EXPECT_EQ(info.dwFlags & flag, flag) << std::hex << flag;
  }
  EXPECT_EQ(info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO, 0u) << "the page keeps its scroll bars";

  DOCHOSTUIINFO shorter{};
  shorter.cbSize = sizeof(shorter) - sizeof(shorter.pchHostNS);
  EXPECT_EQ(browser::DescribeHost(&shorter), E_INVALIDARG);
  EXPECT_EQ(shorter.dwFlags, 0u);
  EXPECT_EQ(browser::DescribeHost(nullptr), E_INVALIDARG);
}

TEST_F(BrowserHostTest, TheEnginesSafetySwitchesAreOnOnceAControlExists) {
  auto b = Create();
  ASSERT_TRUE(b);
  for (INTERNETFEATURELIST feature : browser::kSafetySwitches) {
    if (feature == FEATURE_LOCALMACHINE_LOCKDOWN) continue;  // the per-user setting below
    EXPECT_EQ(::CoInternetIsFeatureEnabled(feature, GET_FEATURE_FROM_PROCESS), S_OK) << feature;
  }
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER,
                           L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
                           L"FEATURE_LOCALMACHINE_LOCKDOWN",
                           L"browser_web_browser_host_test.exe", RRF_RT_REG_DWORD, nullptr,
                           &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
}

TEST_F(BrowserHostTest, LoopbackPageRaisesDownloadBegin) {
  test::TestHttpServer server;
  ASSERT_FALSE(server.Url().empty()) << server.Error();
  auto b = Create();
  ASSERT_TRUE(b);
  Recorded rec;
  rec.Attach(*b);
  const std::wstring url = server.Url(L"/bytes/200/page.html");
  b->Navigate(url);
  ASSERT_TRUE(test::PumpUntil([&] { return rec.Count(L'D') > 0; }, 15000));
  ASSERT_FALSE(rec.lines.empty());
  EXPECT_EQ(rec.lines[0], L"B " + url);
  EXPECT_EQ(rec.lines[1], L"D") << Joined(rec.lines);
  // Under Wine a page that arrived still ends in an error (no document engine): never a
  // transport failure, since the server answered.
  test::PumpFor(500);
  for (int32_t status : rec.errors) EXPECT_FALSE(browser::IsTransportFailure(status)) << status;
  // Without a document (Wine has no engine; on Windows before it completes) every accessor says
  // so instead of failing.
  if (!b->DocumentURL()) {
    EXPECT_FALSE(b->DocumentInnerHTML());
    EXPECT_FALSE(b->SetDocumentOverflow(L"hidden"));
  }
}

TEST_F(BrowserHostTest, NavigationErrorsTellTransportFailuresFromHttpStatuses) {
  test::TestHttpServer server;
  ASSERT_FALSE(server.Url().empty()) << server.Error();
  struct Case {
    std::wstring url;
    bool transport;
    int32_t status;  // the first error's status; 0: any transport failure
  };
  const Case cases[] = {
      {kRefusedUrl, true, 0},
      {server.Url(L"/status/404"), false, 404},
      {server.Url(L"/status/503"), false, 503},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.url.begin(), c.url.end()));
    auto b = Create();
    ASSERT_TRUE(b);
    Recorded rec;
    rec.Attach(*b);
    b->Navigate(c.url);
    ASSERT_TRUE(test::PumpUntil([&] { return !rec.errors.empty(); }, 20000));
    EXPECT_EQ(browser::IsTransportFailure(rec.errors[0]), c.transport) << rec.errors[0];
    if (c.status) {
      EXPECT_EQ(rec.errors[0], c.status);
    }
  }
}

TEST_F(BrowserHostTest, DestroyedFromInsideItsOwnBeforeNavigate2) {
  const long objectsBefore = win::ComObjectsAlive();
  auto b = Create();
  ASSERT_TRUE(b);
  HWND control = b->ControlWindow();
  int calls = 0;
  int later = 0;
  bool controlOpenInEvent = false;
  b->events.DownloadBegin = [&] { ++later; };
  b->events.NavigateError = [&](const std::wstring&, int32_t, bool, bool&) { ++later; };
  b->events.BeforeNavigate2 = [&](const std::wstring&, bool, bool&) {
    ++calls;
    b.reset();  // the handler unloads the window that hosts the browser
    // The control is not closed underneath its own event call.
    controlOpenInEvent = ::IsWindow(control) != FALSE;
  };
  // Not cancelled: a navigation that went on would end in NavigateError (refused port).
  b->Navigate(kRefusedUrl);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(b);
  EXPECT_TRUE(controlOpenInEvent);
  EXPECT_TRUE(test::PumpUntil([&] { return !::IsWindow(control); }, 3000));
  test::PumpFor(500);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(later, 0);
  EXPECT_EQ(DescendantWindows(), 0);
  EXPECT_EQ(win::ComObjectsAlive(), objectsBefore);
}

TEST_F(BrowserHostTest, AHundredControlsLeaveNothingBehind) {
  auto cycle = [&] {
    auto b = Create();
    if (!b) return false;
    b->events.BeforeNavigate2 = [](const std::wstring&, bool, bool& cancel) { cancel = true; };
    b->Navigate(L"app://minimize");
    return true;
  };
  // First creations load the control's libraries and caches for good.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(cycle());
  test::PumpFor(100);
  const long objects = win::ComObjectsAlive();
  const long gdi = test::GdiObjectCount();
  const long user = static_cast<long>(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS));
  DWORD handles = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handles);

  for (int i = 0; i < 100; ++i) ASSERT_TRUE(cycle()) << i;
  test::PumpFor(100);

  EXPECT_EQ(win::ComObjectsAlive(), objects);
  EXPECT_EQ(DescendantWindows(), 0);
  // A leak per control shows as 100 or more; the system's own lazy caches add a few (up to 7
  // GDI objects seen under Wine).
  constexpr long kSlack = 20;
  EXPECT_LE(test::GdiObjectCount(), gdi + kSlack);
  EXPECT_LE(static_cast<long>(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)),
            user + kSlack);
  DWORD handlesAfter = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
  EXPECT_LE(static_cast<long>(handlesAfter), static_cast<long>(handles) + kSlack);
}


// The zoom command as the real control passes it on. The control offers an ExecWB first to its
// container's command target (the IOleContainer its client site hands out), then to the document;
// this container takes it, so the exact call is seen even where the engine loads no document.
struct ExecCall {
  bool defaultGroup;
  DWORD id, option;
  VARTYPE inType;
  LONG in;
  VARTYPE outType;
  LONG out;
};

class RecordingContainer final : public win::ComObject<IOleContainer, IOleCommandTarget> {
 public:
  std::vector<ExecCall> calls;
  STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP EnumObjects(DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP LockContainer(BOOL) override { return S_OK; }
  STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
    return OLECMDERR_E_NOTSUPPORTED;
  }
  STDMETHODIMP Exec(const GUID* group, DWORD id, DWORD option, VARIANT* in,
                    VARIANT* out) override {
    calls.push_back({group == nullptr, id, option, in ? in->vt : VARTYPE(VT_EMPTY),
                     in && in->vt == VT_I4 ? in->lVal : 0, out ? out->vt : VARTYPE(VT_EMPTY),
                     out && out->vt == VT_I4 ? out->lVal : 0});
    return S_OK;
  }
};

// The least a site needs for in-place activation, which is when the control asks for the
// container.
class ContainerSite final
    : public win::ComObject<IOleClientSite, IOleInPlaceSite,
                            win::ComAlias<IOleWindow, IOleInPlaceSite>> {
 public:
  ContainerSite(win::ComPtr<RecordingContainer> container, HWND window)
      : m_container(std::move(container)), m_window(window) {}
  STDMETHODIMP GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = m_window;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
    if (frame) *frame = nullptr;
    if (doc) *doc = nullptr;
    if (pos) *pos = RECT{0, 0, 100, 100};
    if (clip) *clip = RECT{0, 0, 100, 100};
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override {
    if (m) *m = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    if (!out) return E_POINTER;
    *out = m_container.Get();
    (*out)->AddRef();
    return S_OK;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

 private:
  win::ComPtr<RecordingContainer> m_container;
  HWND m_window;
};

TEST(BrowserZoomCommand, TheControlGetsTheOpticalZoomWithTheNoPersistFlag) {
  win::OleSession ole;
  ASSERT_TRUE(ole.Ok());
  win::ComPtr<IOleObject> control;
  ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IOleObject, control.PutVoid()));
  HWND host = test::CreateHostWindow(0, 0, 100, 100);
  auto container = win::MakeCom<RecordingContainer>();
  auto site = win::MakeCom<ContainerSite>(container, host);
  IOleClientSite* clientSite = site.Get();
  ASSERT_HRESULT_SUCCEEDED(control->SetClientSite(clientSite));
  RECT rc{0, 0, 100, 100};
  ASSERT_HRESULT_SUCCEEDED(
      control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, host, &rc));
  auto browser = control.As<IWebBrowser2>();
  ASSERT_TRUE(browser);

  EXPECT_HRESULT_SUCCEEDED(browser::ExecOpticalZoom(browser.Get(), 125));
  ASSERT_EQ(container->calls.size(), 1u);
  const ExecCall& call = container->calls[0];
  EXPECT_TRUE(call.defaultGroup);
  EXPECT_EQ(call.id, static_cast<DWORD>(OLECMDID_OPTICAL_ZOOM));
  EXPECT_EQ(call.option, static_cast<DWORD>(OLECMDEXECOPT_DONTPROMPTUSER));
  EXPECT_EQ(call.inType, VT_I4);
  EXPECT_EQ(call.in, 125);
  EXPECT_EQ(call.outType, VT_I4);
  EXPECT_EQ(call.out, static_cast<LONG>(OLECMDIDF_OPTICAL_ZOOM_NOPERSIST));

  browser.Reset();
  if (auto inPlace = control.As<IOleInPlaceObject>()) inPlace->InPlaceDeactivate();
  control->Close(OLECLOSE_NOSAVE);
  control->SetClientSite(nullptr);
  control.Reset();
  ::DestroyWindow(host);
}

}  // namespace
}  // namespace qorv
