#include "gamewindow/web_url.h"

#include "base/win/log.h"

namespace qorv::gamewindow {
namespace {

constexpr UINT kOpenPending = WM_APP + 1;
constexpr wchar_t kPanelClass[] = L"Qorv.Panel";

}  // namespace

HWND CreatePanel(HWND parent, int x, int y, int width, int height) {
  WNDCLASSEXW wc{sizeof(wc)};
  if (!::GetClassInfoExW(win::ThisModule(), kPanelClass, &wc)) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = win::ThisModule();
    // The arrow over the panels: the main window's own pointer shows sizing shapes near its edges.
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kPanelClass;
    ::RegisterClassExW(&wc);
  }
  return ::CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN |
                           WS_CLIPSIBLINGS, x, y, width, height, parent, nullptr,
                           win::ThisModule(), nullptr);
}

WebUrl::WebUrl() {
  RegisterClassOnce(kWebUrlClass, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW),
                    reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  Create(kWebUrlClass, 0, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 640, 480, nullptr);
  m_picture1 = CreatePanel(Hwnd(), 0, 0, 640, 480);
  m_wb = browser::CreateBrowser(m_picture1, RECT{-2, -2, 642, 482});
  if (!m_wb) return;
  browser::BrowserEvents& ev = m_wb->events;
  ev.DownloadBegin = [this] {
    if (!m_unloading) m_wb->SetSilent(true);
  };
  ev.TitleChange = [this](const std::wstring& text) {
    // Before Initialize there is no item yet: the next title sets the caption.
    if (auto item = m_item.lock(); item && !m_unloading) item->SetCaption(text);
  };
  ev.DocumentComplete = [this](const std::wstring&, bool topLevel) {
    if (m_unloading) return;
    m_wb->SetSilent(true);
    if (!m_wb->SetDocumentOverflow(L"hidden")) win::LogInfo(L"a document without a root element");
    // Frames complete first; the page's zoom belongs to the top document, which comes last.
    if (topLevel) m_wb->SetOpticalZoom(m_zoom);
  };
  ev.NewWindow = [this](const std::wstring& url, bool& processed) { OnNewWindow(url, processed); };
  m_wb->Navigate(L"about:blank");
}

WebUrl::~WebUrl() { UnloadPage(); }

void WebUrl::OpenURL(const std::wstring& szURL) {
  if (m_wb && !m_unloading) m_wb->Navigate(szURL);
}

void WebUrl::Initialize(tabstrip::IuTab* Implement,
                        const std::shared_ptr<tabstrip::CTabItem>& Item) {
  m_strip = Implement;
  m_item = Item;
}

void WebUrl::RefreshPage() {
  if (m_wb && !m_unloading) m_wb->Refresh();
}

void WebUrl::SetZoom(int percent) {
  m_zoom = percent;
  if (m_wb && !m_unloading) m_wb->SetOpticalZoom(percent);
}

void WebUrl::UnloadPage() {
  if (m_unloading) return;
  m_unloading = true;
  if (m_wb) {
    m_wb->events = {};
    m_wb.reset();
  }
  Destroy();
}

void WebUrl::OnNewWindow(const std::wstring& url, bool& processed) {
  // The browser opens no window of its own; the address goes out once the event has returned.
  processed = true;
  if (m_unloading) return;
  if (m_newWindows.Take(url)) ::PostMessageW(Hwnd(), kOpenPending, 0, 0);
}

void WebUrl::Layout() {
  RECT rc{};
  ::GetClientRect(Hwnd(), &rc);
  ::MoveWindow(m_picture1, 0, 0, rc.right, rc.bottom, TRUE);
  // The browser's 2-pixel border lies outside the panel.
  if (m_wb) m_wb->Move(-2, -2, rc.right + 4, rc.bottom + 4);
}

LRESULT WebUrl::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      Layout();
      return 0;
    case kOpenPending:
      m_newWindows.OpenPending();
      return 0;
    default:
      return Window::HandleMessage(msg, wParam, lParam);
  }
}

}  // namespace qorv::gamewindow
