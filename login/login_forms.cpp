#include "login/login_forms.h"

#include "base/endpoints.h"
#include "base/text.h"
#include "base/win/borderless.h"
#include "base/win/dpi.h"
#include "base/win/environment.h"
#include "base/win/handover.h"
#include "base/win/log.h"
#include "startup/public_data.h"

namespace qorv::login {
namespace {

constexpr UINT kRunPendingCommand = WM_APP + 1;
constexpr UINT kOpenNewWindows = WM_APP + 2;
constexpr UINT kFinishHiddenParts = WM_APP + 3;

win::FormHolder<LoginBgFrm> g_loginBg;
win::FormHolder<LoginFrm> g_login;

// The classes' background: made once, with the classes, which stay registered to the end.
HBRUSH KeyBrush() {
  static const win::UniqueBrush brush(::CreateSolidBrush(kKeyColour));
  return brush.Get();
}

// Both windows take the same place, so the page window lies on the background's corner from the
// start; FollowMoveProc keeps it there. Laid out before either window exists: at the primary
// monitor's DPI, where they are created.
LoginPlaces LoginScreenPlaces() {
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return PlaceLoginScreen(PixelRect::Edges(work.left, work.top, work.right, work.bottom),
                          win::SystemDpi());
}

void MinimizeLoginScreen() {
  // The system command, not ShowWindow: it hides the owned page window with the background.
  if (g_loginBg.IsLoaded()) ::SendMessageW(LoginBgForm().Hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void UnloadSplash() {
  if (auto& splash = win::Forms().splashIfLoaded) {
    if (win::ISplashForm* s = splash()) s->Unload();
  }
}

bool GameWindowLoaded() {
  auto& game = win::Forms().gameWindowIfLoaded;
  return game && game() != nullptr;
}

}  // namespace

LoginBgFrm& LoginBgForm() { return g_loginBg.Get(); }
LoginFrm& LoginForm() { return g_login.Get(); }
bool LoginBgLoaded() { return g_loginBg.IsLoaded(); }
LoginFrm* LoginFormIfLoaded() { return g_login.IfLoaded(); }

void CloseLoginScreen() {
  if (LoginBgFrm* bg = g_loginBg.IfLoaded()) {
    bg->Unload();  // unloads the page window and the splash
  } else if (LoginFrm* page = g_login.IfLoaded()) {
    page->Unload();
    UnloadSplash();
  }
}

void RegisterLoginForms() {
  win::Forms().login = []() -> win::ILoginForm& { return LoginForm(); };
  startup::SetMoveFollower([]() -> HWND {
    LoginFrm* page = g_login.IfLoaded();
    return page ? page->Hwnd() : nullptr;
  });
}

// ---- LoginBgFrm ----------------------------------------------------------------------------

void LoginBgFrm::CreateFormWindow() {
  RegisterClassOnce(kLoginBgClass, 0, win::ClassIcon(ICON_BIG), ::LoadCursorW(nullptr, IDC_ARROW),
                    nullptr, win::ClassIcon(ICON_SMALL));
  const PixelRect at = LoginScreenPlaces().screen;
  // The design's frame and caption; the layered picture removes the frame at load.
  Create(kLoginBgClass, 0, L"Mossgate客户端",
         WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX, at.left, at.top,
         at.Width(), at.Height(), nullptr);
}

void LoginBgFrm::OnLoad() {
  // Hidden until the login page has loaded: its picture need not hold up the splash.
  if (!m_image.SetUpBeforeShow(Hwnd(), startup::kLoginBackgroundPicture, true)) {
    win::LogError(L"login background picture unavailable");
  }
  m_hooked = startup::HookWindow(Hwnd());
  ::SetWindowTextW(Hwnd(), kProductCaption);
}

void LoginBgFrm::OnUnload() {
  m_image.Release();
  if (m_hooked) startup::UnhookWindow(Hwnd());
  m_hooked = false;
  if (LoginFrm* page = g_login.IfLoaded()) page->Unload();
  // Closed before any page completed: the splash would otherwise stay up for ever, or on top
  // of the game.
  UnloadSplash();
}

LRESULT LoginBgFrm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) {
    win::DragByCaption(Hwnd());
    return 0;
  }
  return Form::HandleMessage(msg, wParam, lParam);
}

// ---- LoginFrm ------------------------------------------------------------------------------

bool LoginFrm::Picture::Create(HWND parent, const PixelRect& at) {
  RegisterClassOnce(kPictureClass, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW), KeyBrush());
  return Window::Create(kPictureClass, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN |
                        WS_CLIPSIBLINGS, at.left, at.top, at.Width(), at.Height(),
                        parent) != nullptr;
}

LoginFrm::~LoginFrm() = default;

void LoginFrm::CreateFormWindow() {
  RegisterClassOnce(kLoginFrmClass, 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW), KeyBrush());
  m_places = LoginScreenPlaces();
  const LoginPlaces& p = m_places;
  Create(kLoginFrmClass, 0, kProductCaption, WS_POPUP | WS_CLIPCHILDREN, p.screen.left,
         p.screen.top, p.screen.Width(), p.screen.Height(), nullptr);
  m_picture1.Create(Hwnd(), p.picture);
  // Larger than its container: the control's border and the page's scroll bars fall outside.
  m_browser = browser::CreateBrowser(m_picture1.Hwnd(), RECT{p.page.left, p.page.top,
                                                             p.page.right, p.page.bottom});
  if (m_browser) {
    m_browser->SetContextMenuEnabled(false);
    browser::BrowserEvents& ev = m_browser->events;
    ev.DownloadBegin = [this] { OnDownloadBegin(); };
    ev.BeforeNavigate2 = [this](const std::wstring& url, bool topLevel, bool& cancel) {
      OnBeforeNavigate2(url, topLevel, cancel);
    };
    ev.NewWindow = [this](const std::wstring& url, bool& processed) {
      OnNewWindow(url, processed);
    };
    ev.DocumentComplete = [this](const std::wstring& url, bool topLevel) {
      OnDocumentComplete(url, topLevel);
    };
    ev.NavigateError = [this](const std::wstring& url, int32_t status, bool topLevel, bool&) {
      OnNavigateError(url, status, topLevel);
    };
  }
}

void LoginFrm::OnLoad() {
  LoginBgForm();  // referring to it loads it, before the page starts navigating
  // Both windows stay hidden until the page has loaded, so their icons and image buttons need not
  // hold up the splash: they are made once the message loop runs, after the splash is up, or just
  // before the windows show, whichever comes first.
  ::PostMessageW(Hwnd(), kFinishHiddenParts, 0, 0);
  if (m_browser) {
    m_browser->Navigate(win::CurrentEndpoints().LoginPageUrl());
  } else {
    // Without the control no login page can ever load: the splash would stay for ever.
    NoConnection();
  }

  ::SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE,
                      ::GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(Hwnd(), kKeyColour, 0, LWA_COLORKEY);
  ::SetWindowLongPtrW(Hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(LoginBgForm().Hwnd()));
  LoginBgForm();
}

void LoginFrm::FinishHiddenParts() {
  if (m_hiddenPartsDone || !Hwnd()) return;
  m_hiddenPartsDone = true;
  const std::wstring iconFile = startup::IconFilePath();
  startup::SaveResFile(101, L"ICON", iconFile);
  HWND background = LoginBgForm().Hwnd();
  const win::IconSizes sizes = win::IconSizesForDpi(win::DpiOf(background));
  m_icons = win::LoadFormIcons(iconFile, sizes.big, sizes.small);
  win::SetFormIcons(background, m_icons);

  const LoginPlaces& p = m_places;  // where the window was laid out, whatever changed since
  if (m_miniBtn.Create(Hwnd(), p.miniButton.left, p.miniButton.top, kMiniGif, kKeyColour,
                       SIZE{p.miniButton.Width(), p.miniButton.Height()})) {
    m_miniBtn.Click = [] { MinimizeLoginScreen(); };
  }
  if (m_closeBtn.Create(Hwnd(), p.closeButton.left, p.closeButton.top, kCloseGif, kKeyColour,
                        SIZE{p.closeButton.Width(), p.closeButton.Height()})) {
    m_closeBtn.Click = [] { CloseLoginScreen(); };
  }
}

void LoginFrm::Show() {
  FinishHiddenParts();
  if (Hwnd()) ::ShowWindow(Hwnd(), SW_SHOW);
}

bool LoginFrm::OnQueryUnload() {
  // The page window never closes alone: a close request takes the whole login screen.
  CloseLoginScreen();
  return false;
}

void LoginFrm::OnUnload() {
  if (m_browser) {
    m_browser->events = {};
    m_browser.reset();
  }
}

LRESULT LoginFrm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kRunPendingCommand:
      RunPendingCommand();
      return 0;
    case kOpenNewWindows:
      m_newWindows.OpenPending();
      return 0;
    case kFinishHiddenParts:
      FinishHiddenParts();
      return 0;
    case WM_LBUTTONDOWN:
      win::DragByCaption(Hwnd());
      return 0;
    default:
      return Form::HandleMessage(msg, wParam, lParam);
  }
}

void LoginFrm::OnDownloadBegin() {
  if (!Closing() && m_browser) m_browser->SetSilent(true);
}

void LoginFrm::OnBeforeNavigate2(const std::wstring& url, bool topLevel, bool& cancel) {
  if (Closing()) {
    cancel = true;
    win::LogInfo(L"login screen closing; navigation dropped: " + ForLog(url));
    return;
  }
  // A frame (an advertisement) commands nothing; its "app://" address is then refused by the
  // browser's navigation rule like any other that is not a web address.
  RoutedAddress routed = RouteAddress(url, topLevel);
  switch (routed.command) {
    case ClientCommand::kNone:
      return;
    case ClientCommand::kMinimize:
      cancel = true;
      MinimizeLoginScreen();
      return;
    case ClientCommand::kExitGame:
      cancel = true;
      break;
    case ClientCommand::kLoadGame:
      // Cancelled as well: the pseudo-address can only fail in the control (or reach a program
      // registered for the scheme), and the window is going anyway.
      cancel = true;
      if (routed.gameAddress.empty()) {
        win::LogError(L"app://loadgame without a web address in field 1: " + ForLog(url));
        return;
      }
      win::HandoverBegin();
      break;
  }
  // Closing the control from inside its own event is unsafe: the command runs once the event
  // has returned.
  m_pending = std::move(routed);
  ::PostMessageW(Hwnd(), kRunPendingCommand, 0, 0);
}

void LoginFrm::OnNewWindow(const std::wstring& url, bool& processed) {
  // The control opens no window of its own, whatever becomes of the address.
  processed = true;
  if (Closing()) return;
  if (m_newWindows.Take(url)) ::PostMessageW(Hwnd(), kOpenNewWindows, 0, 0);
}

void LoginFrm::RunPendingCommand() {
  if (!m_pending) return;
  const RoutedAddress command = *m_pending;
  win::HandoverStep(L"to_command");
  CloseLoginScreen();
  // This window is gone now; only locals from here on.
  if (command.command != ClientCommand::kLoadGame) return;
  win::HandoverStep(L"close_login");
  auto& game = win::Forms().gameWindow;
  if (!game) {
    win::LogError(L"no game window to open " + ForLog(command.gameAddress));
    return;
  }
  win::IGameWindow& window = game();
  window.SetURL(command.gameAddress);
  win::HandoverStep(L"set_url");
  window.Show();
}

void LoginFrm::OnDocumentComplete(const std::wstring& url, bool) {
  if (Closing() || !m_browser) {
    win::LogInfo(L"login screen closing; document ignored: " + ForLog(url));
    return;
  }
  m_browser->SetSilent(true);
  std::optional<std::wstring> root = m_browser->DocumentInnerHTML();
  if (!root) {
    win::LogInfo(L"a document without a root element completed: " + ForLog(url));
    return;
  }
  if (root->empty()) {
    win::LogError(L"the login page is empty: " + ForLog(url));
    NoConnection();
    return;
  }
  const std::wstring documentUrl = m_browser->DocumentURL().value_or(L"");
  if (documentUrl.find(url) == std::wstring::npos) return;  // a frame or another document
  FinishHiddenParts();
  ::ShowWindow(LoginBgForm().Hwnd(), SW_SHOW);
  ::ShowWindow(Hwnd(), SW_SHOW);
  m_pageShown = true;
  UnloadSplash();
}

void LoginFrm::OnNavigateError(const std::wstring& url, int32_t status, bool topLevel) {
  if (Closing()) return;
  win::LogInfo(L"navigation error " + std::to_wstring(static_cast<uint32_t>(status)) + L": " +
               ForLog(url));
  // The control shows its own error page, which is neither empty nor the login page: without
  // this the splash would stay for ever.
  if (topLevel && browser::IsTransportFailure(status) && !m_pageShown) NoConnection();
}

void LoginFrm::NoConnection() {
  // A second login while the game runs: ending at once would kill the game without its exit
  // question and leave its tray icon behind, so only the login screen goes. Closing counts from
  // before the warning, so the page's events meanwhile are dropped, and the close itself waits
  // until the control's event has returned.
  const bool gameRuns = GameWindowLoaded();
  if (gameRuns) {
    RoutedAddress close;
    close.command = ClientCommand::kExitGame;
    m_pending = std::move(close);
  }
  ::MessageBoxW(nullptr, kConnectionWarning, kMessageTitle, MB_ICONEXCLAMATION | MB_OK);
  if (!gameRuns) win::Application::EndAtOnce();
  ::PostMessageW(Hwnd(), kRunPendingCommand, 0, 0);
}

}  // namespace qorv::login
