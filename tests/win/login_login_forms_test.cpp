// The login screen in real windows, with the scripted browser standing in for the control: what
// its load leaves behind, when it shows, the page's commands, and how the two windows move,
// minimise and go.
#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/win/environment.h"
#include "base/win/form.h"
#include "base/win/form_registry.h"
#include "base/win/resource.h"
#include "login/image_control.h"
#include "login/login_forms.h"
#include "startup/load_frm.h"
#include "startup/public_data.h"
#include "win/support/message_box_watcher.h"
#include "win/support/scripted_browser.h"
#include "win/support/test_window.h"

namespace qorv::login {
namespace {

using test::ScriptedBrowser;
using test::ScriptedBrowsers;

constexpr wchar_t kChildVariable[] = L"QORV_LOGIN_TEST_CHILD";

struct FakeSplash : win::ISplashForm {
  bool loaded = true;
  int unloads = 0;
  void Unload() override {
    ++unloads;
    loaded = false;
  }
};

struct FakeGame : win::IGameWindow {
  std::vector<std::wstring> calls;
  void SetURL(const std::wstring& url) override { calls.push_back(L"SetURL " + url); }
  void Show() override { calls.push_back(L"Show"); }
  HWND Hwnd() const override { return nullptr; }
};

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterLoginForms();
    win::Forms().splashIfLoaded = [this]() -> win::ISplashForm* {
      return m_splash.loaded ? &m_splash : nullptr;
    };
    win::Forms().gameWindow = [this]() -> win::IGameWindow& {
      m_gameLoaded = true;
      return m_game;
    };
    win::Forms().gameWindowIfLoaded = [this]() -> win::IGameWindow* {
      return m_gameLoaded ? &m_game : nullptr;
    };
    LoginForm();
    m_browser = ScriptedBrowsers::Last();
    ASSERT_NE(m_browser, nullptr);
  }
  void TearDown() override {
    CloseLoginScreen();
    test::PumpFor(50);
    win::Application::Instance().CollectReleased();
  }
  HWND Bg() const { return LoginBgLoaded() ? LoginBgForm().Hwnd() : nullptr; }
  HWND Page() const { return LoginFormIfLoaded() ? LoginFormIfLoaded()->Hwnd() : nullptr; }
  // The commands run after the browser's event returns.
  void Settle() { test::PumpFor(100); }

  ScriptedBrowsers m_browsers;
  ScriptedBrowser* m_browser = nullptr;
  FakeSplash m_splash;
  FakeGame m_game;
  bool m_gameLoaded = false;
};

TEST_F(LoginTest, LoadLeavesIconsOwnerColourKeyAndTheLoginPageNavigation) {
  Settle();  // the icons are made once the message loop runs
  std::ifstream in((startup::GetTempDir() + L"qorv.ico").c_str(), std::ios::binary);
  std::vector<char> written{std::istreambuf_iterator<char>(in), {}};
  auto resource = win::LoadCustomResource(101, L"ICON");
  ASSERT_FALSE(resource.empty());
  EXPECT_EQ(written.size(), resource.size());
  EXPECT_TRUE(std::equal(written.begin(), written.end(),
                         reinterpret_cast<const char*>(resource.data())));

  ASSERT_NE(Bg(), nullptr);
  HICON small = reinterpret_cast<HICON>(::SendMessageW(Bg(), WM_GETICON, ICON_SMALL, 0));
  HICON big = reinterpret_cast<HICON>(::SendMessageW(Bg(), WM_GETICON, ICON_BIG, 0));
  ASSERT_NE(small, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(small, &info));
  BITMAP bm{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 16);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  EXPECT_NE(big, nullptr);
  EXPECT_NE(big, small);

  wchar_t caption[64] = {};
  ::GetWindowTextW(Bg(), caption, 64);
  EXPECT_STREQ(caption, L"BrindleQorvane客户端");
  EXPECT_EQ(reinterpret_cast<HWND>(::GetWindowLongPtrW(Page(), GWLP_HWNDPARENT)), Bg());
  EXPECT_TRUE(::GetWindowLongPtrW(Page(), GWL_EXSTYLE) & WS_EX_LAYERED);
  COLORREF key = 0;
  BYTE alpha = 1;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(Page(), &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(254, 254, 254));
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
  EXPECT_FALSE(::GetWindowLongPtrW(Page(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));

  ASSERT_EQ(m_browser->navigations.size(), 1u);
  EXPECT_EQ(m_browser->navigations[0], win::CurrentEndpoints().LoginPageUrl());
  EXPECT_FALSE(m_browser->contextMenuEnabled);
  // Larger than its container, whose own place is (399, 119) on the page window.
  EXPECT_EQ(m_browser->createdAt.left, -1);
  EXPECT_EQ(m_browser->createdAt.right - m_browser->createdAt.left, 767);
  EXPECT_EQ(m_browser->createdAt.bottom - m_browser->createdAt.top, 475);
  HWND container = ::GetParent(m_browser->ControlWindow());
  RECT rc{};
  ::GetWindowRect(container, &rc);
  POINT origin{0, 0};
  ::ClientToScreen(Page(), &origin);
  EXPECT_EQ(rc.left - origin.x, 399);
  EXPECT_EQ(rc.top - origin.y, 119);
  EXPECT_EQ(rc.right - rc.left, 748);
  EXPECT_EQ(rc.bottom - rc.top, 456);

  EXPECT_FALSE(::IsWindowVisible(Bg()));
  EXPECT_FALSE(::IsWindowVisible(Page()));
}

TEST_F(LoginTest, OnlyAMatchingDocumentShowsBothWindowsAndTakesTheSplash) {
  const std::wstring login = L"http://127.0.0.1/index.aspx";
  m_browser->document = ScriptedBrowser::Document{login, L"<body>x</body>", L""};
  m_browser->FireDocumentComplete(L"http://127.0.0.1/ad-frame.html", false);  // a frame
  EXPECT_FALSE(::IsWindowVisible(Bg()));
  EXPECT_TRUE(m_splash.loaded);

  m_browser->FireDocumentComplete(login);
  EXPECT_TRUE(::IsWindowVisible(Bg()));
  EXPECT_TRUE(::IsWindowVisible(Page()));
  EXPECT_EQ(m_splash.unloads, 1);
  EXPECT_GE(m_browser->silentCalls.size(), 1u);

  // The page navigates again: still shown, the splash already gone.
  m_browser->LoadPage(login + L"?again", L"<body>y</body>");
  EXPECT_TRUE(::IsWindowVisible(Page()));
  EXPECT_EQ(m_splash.unloads, 1);
  // A document without a root element is logged and changes nothing.
  m_browser->document = ScriptedBrowser::Document{login, std::nullopt, L""};
  m_browser->FireDocumentComplete(login);
  EXPECT_TRUE(::IsWindowVisible(Page()));
}

TEST_F(LoginTest, ExitGameClosesTheLoginScreenAndTheSplashAfterTheEvent) {
  bool cancel = m_browser->FireBeforeNavigate2(L"app://exitgame&app://loadgame|http://g/");
  EXPECT_TRUE(cancel);
  EXPECT_TRUE(LoginBgLoaded());  // not inside the browser's own event
  Settle();
  EXPECT_FALSE(LoginBgLoaded());
  EXPECT_EQ(LoginFormIfLoaded(), nullptr);
  EXPECT_EQ(m_splash.unloads, 1);
  EXPECT_TRUE(m_game.calls.empty());
}

TEST_F(LoginTest, LoadGameHandsAWebAddressToTheGameWindowAndOnlyThen) {
  struct Case {
    std::wstring url;
    bool opens;
  };
  const Case cases[] = {
      {L"app://loadgame", false},
      {L"app://loadgame|", false},
      {L"app://loadgame|file:///C:/Windows/notepad.exe", false},
      {L"app://loadgame|javascript:alert(1)", false},
      {std::wstring(L"app://loadgame|http://g/\0x", 26), false},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(m_browser->FireBeforeNavigate2(c.url));
    Settle();
    EXPECT_TRUE(LoginBgLoaded());
    EXPECT_TRUE(m_game.calls.empty());
  }
  // Blanks before the command and after the address, as a page script may leave them: the
  // address is read as a browser reads it and handed on cleaned.
  EXPECT_TRUE(
      m_browser->FireBeforeNavigate2(L" \tapp://loadgame|http://127.0.0.1:9/game \r\n|extra"));
  Settle();
  EXPECT_FALSE(LoginBgLoaded());
  EXPECT_EQ(m_splash.unloads, 1);  // not left on top of the game
  EXPECT_EQ(m_game.calls,
            (std::vector<std::wstring>{L"SetURL http://127.0.0.1:9/game", L"Show"}));
}

TEST_F(LoginTest, AFrameOrAnAddressThatOnlyCarriesACommandCommandsNothing) {
  m_browser->document = ScriptedBrowser::Document{L"http://h/", L"x", L""};
  m_browser->FireDocumentComplete(L"http://h/");
  struct Case {
    std::wstring url;
    bool topLevel;
  };
  const Case cases[] = {
      {L"http://x/?app://exitgame", true},
      {L"http://h/?cmd=app://minimize", true},
      {L"http://ad/?next=app://loadgame|http://evil/", true},
      {L"app://exitgame", false},
      {L"app://minimize", false},
      {L"app://loadgame|http://evil/", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.url.begin(), c.url.end()) + (c.topLevel ? "" : " (frame)"));
    // Not cancelled here: the browser's own rule refuses the frame's pseudo-address.
    EXPECT_FALSE(m_browser->FireBeforeNavigate2(c.url, c.topLevel));
    Settle();
    ASSERT_TRUE(LoginBgLoaded());  // the browser is gone with it: no further case could run
    EXPECT_FALSE(::IsIconic(Bg()));
    EXPECT_TRUE(::IsWindowVisible(Page()));
  }
  EXPECT_TRUE(m_game.calls.empty());
}

TEST_F(LoginTest, NewWindowsGoToTheDefaultBrowserOneASecond) {
  std::vector<std::wstring> launched;
  const browser::BrowserLauncher previous = browser::DefaultBrowserLauncher();
  browser::DefaultBrowserLauncher() = [&](const std::wstring& url) { launched.push_back(url); };
  EXPECT_TRUE(m_browser->FireNewWindow(L"file:///C:/Windows/System32/calc.exe"));
  EXPECT_TRUE(m_browser->FireNewWindow(L"http://news.example/a\n"));
  EXPECT_TRUE(m_browser->FireNewWindow(L"http://news.example/b"));  // within the second
  EXPECT_TRUE(launched.empty());  // not from inside the browser's event
  Settle();
  browser::DefaultBrowserLauncher() = previous;
  EXPECT_EQ(launched, std::vector<std::wstring>{L"http://news.example/a"});
  EXPECT_TRUE(LoginBgLoaded());
}

TEST_F(LoginTest, MinimizeHidesBothAndRestoringBringsBothBack) {
  m_browser->document = ScriptedBrowser::Document{L"http://h/", L"x", L""};
  m_browser->FireDocumentComplete(L"http://h/");
  ASSERT_TRUE(::IsWindowVisible(Page()));
  EXPECT_TRUE(m_browser->FireBeforeNavigate2(L"app://minimize"));
  ASSERT_TRUE(test::PumpUntil([&] { return ::IsIconic(Bg()) && !::IsWindowVisible(Page()); }));
  ::SendMessageW(Bg(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(test::PumpUntil([&] { return !::IsIconic(Bg()) && ::IsWindowVisible(Page()); }));
  EXPECT_TRUE(LoginBgLoaded());
}

TEST_F(LoginTest, ThePageWindowFollowsEveryMoveOfTheBackground) {
  for (POINT p : {POINT{10, 20}, POINT{300, 5}, POINT{-40, 200}}) {
    ::SetWindowPos(Bg(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT page{};
    ::GetWindowRect(Page(), &page);
    EXPECT_EQ(page.left, p.x);
    EXPECT_EQ(page.top, p.y);
    EXPECT_EQ(page.right - page.left, kLoginWidth);
  }
}

// Which window a real click at a screen point reaches. The X server routes it (Wine gives
// layered windows the shape of their opaque pixels there), so the click comes from xdotool, not
// from SendInput, which Wine's own hit test would route past the shape.
HWND g_clicked = nullptr;
LRESULT CALLBACK RecordPress(int code, WPARAM wParam, LPARAM lParam) {
  auto* m = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && m->message == WM_LBUTTONDOWN) g_clicked = m->hwnd;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND ClickAt(POINT p) {
  g_clicked = nullptr;
  std::wstring cmd = L"Z:\\usr\\bin\\xdotool mousemove " + std::to_wstring(p.x) + L" " +
                     std::to_wstring(p.y) + L" click 1";
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return reinterpret_cast<HWND>(-1);
  }
  ::CloseHandle(pi.hThread);
  for (int i = 0; i < 100 && ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; ++i) {
    test::PumpFor(20);
  }
  ::CloseHandle(pi.hProcess);
  test::PumpUntil([] { return g_clicked != nullptr; }, 1000);
  return g_clicked;
}

// One press per test: a press activates and raises what it reaches.
int ImageButtonsOf(HWND page) {
  int count = 0;
  for (HWND child = ::FindWindowExW(page, nullptr, L"Qorv.ImageControl", nullptr); child;
       child = ::FindWindowExW(page, child, L"Qorv.ImageControl", nullptr)) {
    ++count;
  }
  return count;
}

// The hidden windows' icons and image buttons do not hold up the splash: they are made when the
// message loop first runs, or at once should the page complete before that, and only once.
TEST_F(LoginTest, IconsAndButtonsAreMadeWhenTheLoopRunsOrAtTheLatestWhenThePageShows) {
  EXPECT_EQ(::SendMessageW(Bg(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(ImageButtonsOf(Page()), 0);
  m_browser->document = ScriptedBrowser::Document{L"http://h/", L"x", L""};
  m_browser->FireDocumentComplete(L"http://h/");
  ASSERT_TRUE(::IsWindowVisible(Page()));
  EXPECT_NE(::SendMessageW(Bg(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(ImageButtonsOf(Page()), 2);
  Settle();
  EXPECT_EQ(ImageButtonsOf(Page()), 2);

  CloseLoginScreen();
  Settle();
  win::Application::Instance().CollectReleased();
  LoginForm();
  m_browser = ScriptedBrowsers::Last();
  Settle();
  EXPECT_FALSE(::IsWindowVisible(Page()));
  EXPECT_NE(::SendMessageW(Bg(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(ImageButtonsOf(Page()), 2);
}

TEST_F(LoginTest, APressOnThePagesKeyColourReachesTheBackground) {
  RECT bg{};
  ::GetWindowRect(Bg(), &bg);
  m_browser->document = ScriptedBrowser::Document{L"http://h/", L"x", L""};
  m_browser->FireDocumentComplete(L"http://h/");
  test::PumpFor(300);
  HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, RecordPress, nullptr, ::GetCurrentThreadId());
  EXPECT_EQ(ClickAt(POINT{bg.left + 200, bg.top + 300}), Bg());
  ::UnhookWindowsHookEx(hook);
}

TEST_F(LoginTest, APressOnTheBackgroundsTransparentCornerReachesTheWindowBelow) {
  RECT bg{};
  ::GetWindowRect(Bg(), &bg);
  HWND below = test::CreateHostWindow(bg.left, bg.top, kLoginWidth, kLoginHeight, L"below");
  m_browser->document = ScriptedBrowser::Document{L"http://h/", L"x", L""};
  m_browser->FireDocumentComplete(L"http://h/");
  test::PumpFor(300);
  HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, RecordPress, nullptr, ::GetCurrentThreadId());
  EXPECT_EQ(ClickAt(POINT{bg.left + 1, bg.top + 1}), below);
  ::UnhookWindowsHookEx(hook);
  ::DestroyWindow(below);
}

// Messages sent to the background, recorded on their way in.
std::vector<MSG> g_sent;
HWND g_watched = nullptr;
LONG_PTR g_procAtDestroy = 0;
LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam) {
  auto* cw = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && cw->hwnd == g_watched) {
    g_sent.push_back(MSG{cw->hwnd, cw->message, cw->wParam, cw->lParam, 0, {}});
    if (cw->message == WM_DESTROY) g_procAtDestroy = ::GetWindowLongPtrW(cw->hwnd, GWLP_WNDPROC);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(LoginTest, OnlyTheLeftButtonStartsADragAndTheProcedureIsRestoredAtUnload) {
  g_watched = Bg();
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, RecordSent, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  auto drags = [] {
    int n = 0;
    for (const MSG& m : g_sent) n += m.message == WM_NCLBUTTONDOWN && m.wParam == HTCAPTION;
    return n;
  };
  ::SendMessageW(Bg(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(600, 300));
  EXPECT_EQ(drags(), 0);
  // The drag's own loop ends at once: no button is really down.
  ::SendMessageW(Bg(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 300));
  EXPECT_EQ(drags(), 1);

  // While hooked the window runs startup::FollowMoveProc; by WM_DESTROY its own procedure is back.
  const LONG_PTR classProc = ::GetClassLongPtrW(Bg(), GCLP_WNDPROC);
  EXPECT_EQ(::GetWindowLongPtrW(Bg(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(&startup::FollowMoveProc));
  g_procAtDestroy = 0;
  LoginBgForm().Unload();
  ::UnhookWindowsHookEx(hook);
  EXPECT_EQ(g_procAtDestroy, classProc);
  EXPECT_FALSE(LoginBgLoaded());
}

// A click on one of the page window's images, at a point inside it.
void ClickImage(HWND page, POINT at) {
  HWND image = ::ChildWindowFromPointEx(page, at, CWP_SKIPINVISIBLE);
  ASSERT_NE(image, page);
  ::SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

TEST_F(LoginTest, TheImagesMinimiseAndCloseAndSoDoesACloseRequest) {
  m_browser->document = ScriptedBrowser::Document{L"http://h/", L"x", L""};
  m_browser->FireDocumentComplete(L"http://h/");
  ClickImage(Page(), POINT{1130 + 25, 116 + 5});  // MiniBtn, right of the browser
  EXPECT_TRUE(test::PumpUntil([&] { return ::IsIconic(Bg()) && !::IsWindowVisible(Page()); }));
  ::SendMessageW(Bg(), WM_SYSCOMMAND, SC_RESTORE, 0);
  ClickImage(Page(), POINT{1146 + 20, 147 + 30});  // CloseBtn
  EXPECT_FALSE(LoginBgLoaded());
  EXPECT_EQ(LoginFormIfLoaded(), nullptr);
  EXPECT_EQ(m_splash.unloads, 1);
}

TEST_F(LoginTest, ACloseRequestOnThePageWindowTakesTheWholeLoginScreen) {
  ::SendMessageW(Page(), WM_CLOSE, 0, 0);  // Alt+F4 on the page window
  EXPECT_FALSE(LoginBgLoaded());
  EXPECT_EQ(LoginFormIfLoaded(), nullptr);
  EXPECT_EQ(m_splash.unloads, 1);
}

TEST_F(LoginTest, EventsWhileClosingAreDroppedAndLateNavigationsCancelled) {
  EXPECT_TRUE(m_browser->FireBeforeNavigate2(L"app://exitgame"));
  // Before the posted command runs: everything the page does now is refused.
  EXPECT_TRUE(m_browser->FireBeforeNavigate2(L"http://elsewhere/"));
  m_browser->document = ScriptedBrowser::Document{L"http://h/", L"", L""};
  m_browser->FireDocumentComplete(L"http://h/");  // empty, but no warning while closing
  Settle();
  EXPECT_FALSE(LoginBgLoaded());
}

// ---- cases that end the program: each runs in a child process --------------------------------

int RunChild(const std::wstring& name) {
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=LoginChild.Run";
  ::SetEnvironmentVariableW(kChildVariable, name.c_str());
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  BOOL ok = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi);
  ::SetEnvironmentVariableW(kChildVariable, nullptr);
  if (!ok) return -1;
  // The warning box: press OK when it comes, and note that it came.
  test::MessageBoxWatcher watcher({.pid = pi.dwProcessId, .title = L"提示", .press = IDOK,
                                   .timeoutMs = 10000});
  ::WaitForSingleObject(pi.hProcess, 15000);
  bool boxSeen = watcher.Stop().seen;
  DWORD code = 99;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return boxSeen ? static_cast<int>(code) : 100 + static_cast<int>(code);
}

// The buttons' pictures against the frames' own pixels, read one at a time apart from the code
// under test: transparent ones take the key colour, opaque ones keep their colour.
TEST(ImageButtons, PicturesAreTheGifFramesOnTheKeyColour) {
  namespace gp = Gdiplus::DllExports;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  for (int id : {kMiniGif, kCloseGif}) {
    for (COLORREF matte : {kKeyColour, RGB(1, 2, 3)}) {
      SCOPED_TRACE(testing::Message() << "GIF " << id << " matte " << matte);
      SIZE size{};
      HBITMAP picture = DecodeGifResource(id, matte, &size);
      ASSERT_NE(picture, nullptr);
      std::vector<uint32_t> got(static_cast<size_t>(size.cx) * size.cy);
      BITMAPINFO bmi{};
      bmi.bmiHeader = {sizeof(bmi.bmiHeader), size.cx, -size.cy, 1, 32, BI_RGB};
      HDC screen = ::GetDC(nullptr);
      ASSERT_EQ(::GetDIBits(screen, picture, 0, size.cy, got.data(), &bmi, DIB_RGB_COLORS),
                size.cy);
      ::ReleaseDC(nullptr, screen);
      ::DeleteObject(picture);

      auto bytes = win::LoadCustomResource(id, L"GIF");
      IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                            static_cast<UINT>(bytes.size()));
      Gdiplus::GpBitmap* gif = nullptr;
      ASSERT_EQ(gp::GdipCreateBitmapFromStream(stream, &gif), Gdiplus::Ok);
      const uint32_t key = (GetRValue(matte) << 16) | (GetGValue(matte) << 8) | GetBValue(matte);
      std::vector<uint32_t> want(got.size());
      int transparent = 0;
      for (size_t i = 0; i < want.size(); ++i) {
        Gdiplus::ARGB argb = 0;
        gp::GdipBitmapGetPixel(gif, static_cast<INT>(i % size.cx), static_cast<INT>(i / size.cx),
                               &argb);
        transparent += (argb >> 24) < 128;
        want[i] = (argb >> 24) < 128 ? key : (argb & 0x00FFFFFFu);
        got[i] &= 0x00FFFFFFu;
      }
      EXPECT_EQ(got, want);
      // Both kinds present, or the comparison proves nothing about the matte.
      EXPECT_GT(transparent, 0);
      EXPECT_LT(transparent, static_cast<int>(want.size()));
      gp::GdipDisposeImage(gif);
      stream->Release();
    }
  }
  Gdiplus::GdiplusShutdown(token);
}

TEST(LoginEnds, WithTheWarningOnAnEmptyPageOrAnUnreachableOneOnly) {
  EXPECT_EQ(RunChild(L"empty-root"), 0);
  EXPECT_EQ(RunChild(L"refused"), 0);
  EXPECT_EQ(RunChild(L"timed-out"), 0);
  // Neither an HTTP status nor Wine's missing document engine ends anything: the child reports
  // 7 when it is still running with the login screen after the event.
  EXPECT_EQ(RunChild(L"http-503"), 107);
  EXPECT_EQ(RunChild(L"no-engine"), 107);
}

// A second login while the game runs: the warning closes the login screen alone; the child
// reports 9 when it is still running then with the game window untouched.
TEST(LoginEnds, NotTheRunningGameOnASecondLoginThatFails) {
  EXPECT_EQ(RunChild(L"empty-root game"), 9);
  EXPECT_EQ(RunChild(L"refused game"), 9);
}

TEST(LoginChild, Run) {
  wchar_t name[32] = {};
  if (!::GetEnvironmentVariableW(kChildVariable, name, 32)) GTEST_SKIP() << "child process only";
  ScriptedBrowsers browsers;
  RegisterLoginForms();
  std::wstring scenario = name;
  FakeGame game;
  const bool gameRuns = scenario.ends_with(L" game");
  if (gameRuns) {
    scenario.resize(scenario.size() - 5);
    win::Forms().gameWindow = [&game]() -> win::IGameWindow& { return game; };
    win::Forms().gameWindowIfLoaded = [&game]() -> win::IGameWindow* { return &game; };
  }
  LoginForm();
  ScriptedBrowser* b = ScriptedBrowsers::Last();
  const std::wstring url = L"http://127.0.0.1:1/index.aspx";
  if (scenario == L"empty-root") b->LoadPage(url, L"");
  if (scenario == L"refused") b->FireNavigateError(url, static_cast<int32_t>(0x800C0008));
  if (scenario == L"timed-out") b->FireNavigateError(url, static_cast<int32_t>(0x800C000B));
  if (scenario == L"http-503") b->FireNavigateError(url, 503);
  if (scenario == L"no-engine") b->FireNavigateError(url, static_cast<int32_t>(0x80040154));
  test::PumpFor(100);
  if (LoginBgLoaded() || LoginFormIfLoaded()) ::ExitProcess(7);
  ::ExitProcess(gameRuns && game.calls.empty() ? 9 : 8);
}

}  // namespace
}  // namespace qorv::login
