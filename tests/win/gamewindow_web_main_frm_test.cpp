// The main game window in real windows, its pages played by the scripted browser: what its load
// leaves, how addresses become tabs, the pages' titles and new windows, the commands, the hot key
// and tray toggles, closing, and what is left after it goes.
#include <gtest/gtest.h>
#include <windows.h>
#include <ddeml.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "base/handover_clock.h"
#include "base/text.h"
#include "base/win/form.h"
#include "base/win/dpi.h"
#include "base/win/form_registry.h"
#include "base/win/log.h"
#include "gamewindow/dde_source.h"
#include "gamewindow/mod_msg.h"
#include "gamewindow/msg_frm.h"
#include "gamewindow/web_main_frm.h"
#include "gamewindow/web_url.h"
#include "login/login_forms.h"
#include "startup/public_data.h"
#include "win/support/dde_client_run.h"
#include "win/support/exit_question.h"
#include "win/support/gdi_count.h"
#include "win/support/scripted_browser.h"
#include "win/support/test_window.h"

namespace qorv::gamewindow {
namespace {

using test::ScriptedBrowser;
using test::ScriptedBrowsers;

class GameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The login page window writes the icon file before the game window loads.
    startup::SaveResFile(101, L"ICON", startup::GetTempDir() + L"qorv.ico");
    RegisterGameWindow();
    win::Forms().login = nullptr;
    DefaultBrowserLauncher() = [this](const std::wstring& url) { m_launched.push_back(url); };
    m_main = &MainForm();
  }
  void TearDown() override {
    if (WebMainFrm* f = MainFormIfLoaded()) {
      f->m_bExit = true;
      f->Unload();
    }
    win::Application::Instance().CollectReleased();
    test::PumpFor(50);
  }
  ScriptedBrowser* PageBrowser(int index) {
    auto item = m_main->WebuTab().TabItems().Item(index);
    return static_cast<ScriptedBrowser*>(static_cast<WebUrl*>(item->Form().get())->Browser());
  }

  ScriptedBrowsers m_browsers;
  WebMainFrm* m_main = nullptr;
  std::vector<std::wstring> m_launched;
};

TEST_F(GameWindowTest, LoadLeavesIconsTrayHotKeyCaptionsStyleAndMenu) {
  HWND h = m_main->Hwnd();
  EXPECT_NE(::SendMessageW(h, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(::SendMessageW(h, WM_GETICON, ICON_BIG, 0), 0);
  ASSERT_NE(m_main->TrayIcon(), nullptr);
  // F10 is ours: nobody else can have it now.
  HWND other = test::CreateHostWindow(0, 0, 10, 10);
  EXPECT_FALSE(::RegisterHotKey(other, 1, 0, VK_F10));
  ::DestroyWindow(other);

  wchar_t caption[64] = {};
  ::GetWindowTextW(h, caption, 64);
  EXPECT_STREQ(caption, L"BrindleQorvane客户端");
  EXPECT_EQ(m_main->WebBForm().Caption(), L"BrindleQorvane");
  EXPECT_FALSE(::GetWindowLongPtrW(h, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
  EXPECT_FALSE(::IsWindowVisible(h));
  // Maximised to the work area, and not draggable by its frame while so.
  RECT work{}, rc{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::GetWindowRect(h, &rc);
  EXPECT_EQ(rc.left, work.left);
  EXPECT_EQ(rc.top, work.top);
  EXPECT_EQ(rc.right, work.right);
  EXPECT_EQ(rc.bottom, work.bottom);
  EXPECT_EQ(m_main->WebBForm().frmHwnd(), nullptr);
  EXPECT_TRUE(m_main->Button(2).Value());
  for (int b = 0; b < 4; ++b) EXPECT_TRUE(m_main->Button(b).HasBackPicture()) << b;
  EXPECT_EQ(m_main->Button(4).Caption(), L"登录其他帐号");
  EXPECT_EQ(m_main->Button(5).Caption(), L"游戏官网");

  HMENU popup = ::GetSubMenu(m_main->AppMenu(), 0);
  ASSERT_NE(popup, nullptr);
  const wchar_t* expected[] = {L"刷新(F5)",           L"隐藏/恢复(F10)",     L"清除缓存",
                               L"静音(Ctrl+Shift+M)", L"截图(Ctrl+Shift+S)", L"窗口置顶",
                               L"缩放 100%",          L"",                   L"更新",
                               L"版本号:1.1.0",       L"退出"};
  ASSERT_EQ(::GetMenuItemCount(popup), 11);
  for (int i = 0; i < 11; ++i) {
    wchar_t text[64] = {};
    ::GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, expected[i]) << i;
  }
  EXPECT_EQ(::GetMenuState(popup, 7, MF_BYPOSITION) & MF_SEPARATOR,
            static_cast<UINT>(MF_SEPARATOR));
  HMENU zoom = ::GetSubMenu(popup, 6);
  ASSERT_NE(zoom, nullptr);
  EXPECT_EQ(::GetMenuItemCount(zoom), 3);
}

TEST_F(GameWindowTest, EachAddressGetsOneTabUnderItsKey) {
  EXPECT_TRUE(::IsWindowVisible(m_main->PlaceholderPanel()) ||
              !::IsWindowVisible(m_main->Hwnd()));
  m_main->SetURL(L"http://127.0.0.1:9/game");
  m_main->SetURL(L"http://127.0.0.1:9/game");
  auto& items = m_main->WebuTab().TabItems();
  ASSERT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Item(0)->Caption(), L"Gamehttp://127.0.0.1:9/game");
  EXPECT_EQ(PageBrowser(0)->navigations,
            (std::vector<std::wstring>{L"about:blank", L"http://127.0.0.1:9/game"}));
  m_main->OpenPage(L"http://127.0.0.1:9/game?second");
  EXPECT_EQ(items.Count(), 2);
  EXPECT_EQ(items.Selected(), 1);
  m_main->OpenPage(L"http://127.0.0.1:9/game");
  EXPECT_EQ(items.Count(), 2);
  EXPECT_EQ(items.Selected(), 0);
  EXPECT_FALSE(::IsWindowVisible(m_main->PlaceholderPanel()));
  // Not web addresses: no tab.
  for (const wchar_t* bad : {L"", L"file:///C:/Windows/notepad.exe", L"\\\\host\\share\\x.exe",
                             L"javascript:alert(1)", L"calc"}) {
    m_main->OpenPage(bad);
  }
  EXPECT_EQ(items.Count(), 2);
}

TEST_F(GameWindowTest, PagesFollowTheirTitleHideScrollBarsAndSendNewWindowsOut) {
  m_main->SetURL(L"http://g/");
  ScriptedBrowser* page = PageBrowser(0);
  auto item = m_main->WebuTab().TabItems().Item(0);
  page->FireTitleChange(L"得分 10");
  page->FireTitleChange(std::wstring(5000, L'长'));
  page->FireTitleChange(L"得分 20");
  EXPECT_EQ(item->Caption(), L"得分 20");

  page->document = ScriptedBrowser::Document{L"http://g/", L"<p>x</p>", L""};
  page->FireDocumentComplete(L"http://g/frame", false);
  page->FireDocumentComplete(L"http://g/");
  EXPECT_EQ(page->document->overflow, L"hidden");
  page->document = ScriptedBrowser::Document{L"http://g/", std::nullopt, L""};
  page->FireDocumentComplete(L"http://g/");  // no root element: tolerated
  EXPECT_FALSE(page->silentCalls.empty());

  // Cleaned as a browser reads it; refused when no web address; within a second of the last
  // launch, dropped. Each tab has its own limit.
  EXPECT_TRUE(page->FireNewWindow(L"http://elsewhere/news \r\n"));
  EXPECT_TRUE(page->FireNewWindow(L"file:///C:/Windows/System32/calc.exe"));
  EXPECT_TRUE(page->FireNewWindow(L"ms-settings:"));
  EXPECT_TRUE(page->FireNewWindow(L"http://elsewhere/again"));
  EXPECT_TRUE(m_launched.empty());  // not from inside the browser's event
  test::PumpFor(100);
  EXPECT_EQ(m_launched, std::vector<std::wstring>{L"http://elsewhere/news"});
  EXPECT_EQ(m_main->WebuTab().TabItems().Count(), 1);  // no window or tab of the client

  m_main->SetURL(L"http://g/second");
  EXPECT_TRUE(PageBrowser(1)->FireNewWindow(L"http://other/"));
  test::PumpFor(100);
  EXPECT_EQ(m_launched, (std::vector<std::wstring>{L"http://elsewhere/news", L"http://other/"}));
}

TEST_F(GameWindowTest, RefreshReachesThePlaceholderOrTheSelectedPage) {
  ScriptedBrowser* placeholder = ScriptedBrowsers::Browsers().front();  // the window's own
  m_main->Show();
  m_main->RunMenuCommand(kCmdRefresh);
  EXPECT_EQ(placeholder->refreshes, 1);
  // Hidden by F10 before any tab: the placeholder is still the page in the window.
  ::SendMessageW(m_main->Hwnd(), WM_HOTKEY, 1000, MAKELPARAM(0, VK_F10));
  ASSERT_FALSE(::IsWindowVisible(m_main->Hwnd()));
  m_main->RunMenuCommand(kCmdRefresh);
  EXPECT_EQ(placeholder->refreshes, 2);
  m_main->SetURL(L"http://a/");
  m_main->SetURL(L"http://b/");
  m_main->WebuTab().TabItems().SetSelected(0);
  m_main->RunMenuCommand(kCmdRefresh);
  EXPECT_EQ(PageBrowser(0)->refreshes, 1);
  EXPECT_EQ(PageBrowser(1)->refreshes, 0);
  EXPECT_EQ(placeholder->refreshes, 2);
}

TEST_F(GameWindowTest, HotKeyTrayClicksAndTheMenuEntryToggle) {
  HWND h = m_main->Hwnd();
  m_main->Show();
  ASSERT_TRUE(::IsWindowVisible(h));
  ::SendMessageW(h, WM_HOTKEY, 1000, MAKELPARAM(0, VK_F10));
  EXPECT_FALSE(::IsWindowVisible(h));
  ::SendMessageW(h, WM_HOTKEY, 1000, MAKELPARAM(0, VK_F10));
  EXPECT_TRUE(::IsWindowVisible(h));
  ::SendMessageW(h, WM_HOTKEY, 1000, MAKELPARAM(0, VK_F9));  // another key: nothing
  EXPECT_TRUE(::IsWindowVisible(h));
  ::SendMessageW(h, kTrayMessage, 1000, WM_LBUTTONUP);
  EXPECT_FALSE(::IsWindowVisible(h));
  // A double click: up, double-click, up; toggled twice, as it was.
  for (LPARAM m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    ::SendMessageW(h, kTrayMessage, 1000, m);
  }
  EXPECT_FALSE(::IsWindowVisible(h));
  m_main->RunMenuCommand(kCmdHideRestore);
  EXPECT_TRUE(::IsWindowVisible(h));
}

TEST_F(GameWindowTest, ATrayClickOrF10BringsAMinimisedWindowBackInFront) {
  HWND h = m_main->Hwnd();
  m_main->Show();
  const struct {
    UINT msg;
    LPARAM lParam;
  } ways[] = {{kTrayMessage, WM_LBUTTONUP}, {WM_HOTKEY, MAKELPARAM(0, VK_F10)}};
  for (const auto& way : ways) {
    ::ShowWindow(h, SW_MINIMIZE);
    ASSERT_TRUE(test::PumpUntil([&] { return ::IsIconic(h) != FALSE; }));
    ::SendMessageW(h, way.msg, 1000, way.lParam);
    EXPECT_TRUE(::IsWindowVisible(h)) << way.msg;
    EXPECT_FALSE(::IsIconic(h)) << way.msg;
    EXPECT_TRUE(test::PumpUntil([&] { return ::GetForegroundWindow() == h; })) << way.msg;
  }
  // Shown and not minimised, it toggles as before.
  ::SendMessageW(h, kTrayMessage, 1000, WM_LBUTTONUP);
  EXPECT_FALSE(::IsWindowVisible(h));
}

// WM_INITMENUPOPUP seen on the main window: the tool menu opened (and is closed at once).
int g_menusOpened = 0;
LRESULT CALLBACK CloseMenus(int code, WPARAM wParam, LPARAM lParam) {
  auto* cw = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && cw->message == WM_INITMENUPOPUP) {
    ++g_menusOpened;
    ::PostMessageW(cw->hwnd, WM_CANCELMODE, 0, 0);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(GameWindowTest, ARightClickOnTheTrayIconOpensTheToolMenu) {
  m_main->Show();
  g_menusOpened = 0;
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, CloseMenus, nullptr, ::GetCurrentThreadId());
  ::SendMessageW(m_main->Hwnd(), kTrayMessage, 1000, WM_RBUTTONUP);
  ::UnhookWindowsHookEx(hook);
  EXPECT_EQ(g_menusOpened, 1);
  EXPECT_TRUE(::IsWindowVisible(m_main->Hwnd()));
}

TEST_F(GameWindowTest, OtherUserShowsTheLoginAgainAndItsGameAddsATab) {
  login::RegisterLoginForms();
  win::Forms().splashIfLoaded = [] { return static_cast<win::ISplashForm*>(nullptr); };
  m_main->SetURL(L"http://g/first");
  m_main->Show();
  ::SendMessageW(m_main->Button(4).hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(m_main->Button(4).hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  login::LoginFrm* page = login::LoginFormIfLoaded();
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(::IsWindowVisible(page->Hwnd()));  // at once; the background waits for the page
  auto* browser = static_cast<ScriptedBrowser*>(page->Browser());
  EXPECT_TRUE(browser->FireBeforeNavigate2(L"app://loadgame|http://g/second"));
  test::PumpFor(100);
  EXPECT_EQ(login::LoginFormIfLoaded(), nullptr);
  ASSERT_EQ(MainFormIfLoaded(), m_main);  // the same window
  EXPECT_EQ(m_main->WebuTab().TabItems().Count(), 2);
  EXPECT_TRUE(::IsWindowVisible(m_main->Hwnd()));
}

// What the process wrote to the log past `from` bytes.
std::string LogSince(size_t from) {
  std::ifstream log(std::filesystem::path(win::LogFilePath()), std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  return all.size() > from ? all.substr(from) : std::string();
}

size_t LogSize() { return LogSince(0).size(); }

TEST_F(GameWindowTest, ALoadGameIsTimedToTheShownWindowInOneLineAndTheTrayAndDdeFollow) {
  login::RegisterLoginForms();
  win::Forms().splashIfLoaded = [] { return static_cast<win::ISplashForm*>(nullptr); };
  ::SetEnvironmentVariableW(L"QORV_HANDOVER_STEPS", L"1");
  const size_t from = LogSize();
  login::LoginForm();
  auto* browser = static_cast<ScriptedBrowser*>(login::LoginFormIfLoaded()->Browser());
  EXPECT_TRUE(browser->FireBeforeNavigate2(L"app://loadgame|http://g/first"));
  test::PumpFor(100);
  ASSERT_TRUE(::IsWindowVisible(m_main->Hwnd()));
  // Hidden and shown again (F10): that is no hand-over.
  ::SendMessageW(m_main->Hwnd(), WM_HOTKEY, 1000, MAKELPARAM(0, VK_F10));
  ::SendMessageW(m_main->Hwnd(), WM_HOTKEY, 1000, MAKELPARAM(0, VK_F10));
  ::SetEnvironmentVariableW(L"QORV_HANDOVER_STEPS", nullptr);

  std::vector<HandoverRecord> records;
  std::istringstream lines(LogSince(from));
  const std::string tag = "[" + std::to_string(::GetCurrentProcessId()) + "] INFO ";
  for (std::string line; std::getline(lines, line);) {
    if (line.find(tag) == std::string::npos) continue;
    if (auto r = ParseHandoverLine(Utf8ToWide(line))) records.push_back(*r);
  }
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].dpi, win::DpiOf(m_main->Hwnd()));
  EXPECT_GT(records[0].totalMs, 0);
  // The steps run from the command to the painted window, without a gap between them.
  std::vector<std::wstring> names;
  double sum = 0;
  for (const HandoverStep& step : records[0].steps) {
    names.push_back(step.name);
    sum += step.ms;
  }
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names.front(), L"to_command");
  EXPECT_EQ(std::vector<std::wstring>(names.end() - 3, names.end()),
            (std::vector<std::wstring>{L"set_url", L"show_window", L"paint"}));
  EXPECT_NEAR(sum, records[0].totalMs, 0.05 * static_cast<double>(names.size()) + 0.05);

  // What waited for the window: the tray icon is up and the DDE topic answers.
  ASSERT_NE(m_main->TrayIcon(), nullptr);
  EXPECT_TRUE(m_main->TrayIcon()->Added());
  EXPECT_EQ(test::RunDdeClient(L"--service " + DdeSource::ProgramServiceName() + L" --topic " +
                               kDdeTopic + L" --text http://g/second"),
            0);
  EXPECT_EQ(m_main->WebuTab().TabItems().Count(), 2);
}

TEST(GameWindowAlone, F10HeldByAnotherProgramLeavesTheTrayAndMenuToggles) {
  HWND other = test::CreateHostWindow(0, 0, 10, 10);
  ASSERT_TRUE(::RegisterHotKey(other, 7, 0, VK_F10));
  RegisterGameWindow();
  ScriptedBrowsers browsers;
  WebMainFrm& main = MainForm();
  main.Show();
  ::SendMessageW(main.Hwnd(), kTrayMessage, 1000, WM_LBUTTONUP);
  EXPECT_FALSE(::IsWindowVisible(main.Hwnd()));
  main.RunMenuCommand(kCmdHideRestore);
  EXPECT_TRUE(::IsWindowVisible(main.Hwnd()));
  main.m_bExit = true;
  main.Unload();
  win::Application::Instance().CollectReleased();
  EXPECT_FALSE(::RegisterHotKey(other, 8, 0, VK_F10));  // still the other program's
  ::DestroyWindow(other);
}

// Messages sent to the main window, recorded on their way in.
std::vector<UINT> g_sent;
HWND g_watched = nullptr;
LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam) {
  auto* cw = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && cw->hwnd == g_watched && cw->message == WM_NCLBUTTONDOWN) {
    g_sent.push_back(static_cast<UINT>(cw->wParam));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(GameWindowTest, TheStripsEmptyPartDragsOnlyARestoredWindowAndHoverShowsCaptions) {
  m_main->SetURL(L"http://g/");
  m_main->Show();
  g_watched = m_main->Hwnd();
  g_sent.clear();
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, RecordSent, nullptr, ::GetCurrentThreadId());
  RECT strip{};
  ::GetClientRect(m_main->WebuTab().Hwnd(), &strip);
  const LPARAM empty = MAKELPARAM(strip.right - 5, 10);
  ::SendMessageW(m_main->WebuTab().Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, empty);
  ::SendMessageW(m_main->WebuTab().Hwnd(), WM_LBUTTONUP, 0, empty);
  EXPECT_TRUE(g_sent.empty());  // maximised: nothing moves
  m_main->Button(2).SetValue(false);
  ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  ASSERT_FALSE(m_main->Button(2).Value());  // restored now
  EXPECT_EQ(m_main->WebBForm().frmHwnd(), m_main->Hwnd());
  ::SendMessageW(m_main->WebuTab().Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, empty);
  ::SendMessageW(m_main->WebuTab().Hwnd(), WM_LBUTTONUP, 0, empty);
  ::UnhookWindowsHookEx(hook);
  EXPECT_EQ(g_sent, std::vector<UINT>{HTCAPTION});

  int16_t button = 0, shift = 0;
  float x = 0, y = 0;
  m_main->WebuTab().OnMouseHover(0, button, shift, x, y);
  EXPECT_EQ(m_main->WebuTab().ToolTipText(), L"Gamehttp://g/");
  m_main->WebuTab().OnMouseHover(-1, button, shift, x, y);
  EXPECT_EQ(m_main->WebuTab().ToolTipText(), L"");
}

TEST_F(GameWindowTest, APressOnTheLogoOfARestoredWindowStaysOnTheLogo) {
  HWND h = m_main->Hwnd();
  m_main->SetURL(L"http://g/");
  m_main->Show();
  ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  ASSERT_EQ(m_main->WebBForm().frmHwnd(), h);  // restored: the frame would drag it
  test::PumpFor(100);
  RECT logo{}, before{}, after{};
  ::GetWindowRect(m_main->Logo(), &logo);
  ::GetWindowRect(h, &before);
  POINT centre{(logo.left + logo.right) / 2, (logo.top + logo.bottom) / 2};
  // Where the system sends the press: a window transparent to hit tests passes it beneath.
  HWND hit = ::WindowFromPoint(centre);
  EXPECT_EQ(hit, m_main->Logo());
  g_watched = h;
  g_sent.clear();
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, RecordSent, nullptr, ::GetCurrentThreadId());
  ::ScreenToClient(hit, &centre);
  ::SendMessageW(hit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
  ::SendMessageW(hit, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
  ::UnhookWindowsHookEx(hook);
  EXPECT_TRUE(g_sent.empty());
  ::GetWindowRect(h, &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
}

// Answers every exit question with "是", counting them.
int g_questions = 0;
void CALLBACK AnswerYes(HWND, UINT, UINT_PTR, DWORD) {
  MsgFrm* dialog = MsgFrm::IfLoaded();
  if (!dialog || !::IsWindowVisible(dialog->Hwnd())) return;
  ++g_questions;
  HWND yes = dialog->YesButton().hWnd();
  ::SendMessageW(yes, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(yes, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// The system's close command reaches the window-style object first, which asks; "是" releases
// that object from inside its own handling, with the dialog's modal loop still on the stack.
TEST_F(GameWindowTest, AltF4AndTheTaskbarsCloseAnsweredYesCloseTheWindowAfterOneQuestion) {
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, AnswerYes);
  for (int way = 0; way < 2; ++way) {
    WebMainFrm& main = MainForm();
    main.SetURL(L"http://g/");
    main.Show();
    HWND h = main.Hwnd();
    g_questions = 0;
    if (way == 0) {
      // Alt+F4 as the keyboard delivers it: the system turns it into SC_CLOSE.
      ::SendMessageW(h, WM_SYSKEYDOWN, VK_F4, MAKELPARAM(1, KF_ALTDOWN | 0x3E));
    } else {
      ::SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    EXPECT_TRUE(test::PumpUntil([] { return MainFormIfLoaded() == nullptr; }, 5000)) << way;
    test::PumpFor(300);  // deferred releases, and a second question if one came
    win::Application::Instance().CollectReleased();
    EXPECT_FALSE(::IsWindow(h)) << way;
    EXPECT_EQ(g_questions, 1) << way;
    EXPECT_EQ(MsgFrm::IfLoaded(), nullptr) << way;
  }
  ::KillTimer(nullptr, timer);
}

TEST_F(GameWindowTest, ADdeExecuteOfAnOpenAddressSelectsItsTabAndRestoresTheWindow) {
  HWND h = m_main->Hwnd();
  m_main->SetURL(L"http://127.0.0.1:9/a");
  m_main->SetURL(L"http://127.0.0.1:9/b");
  m_main->Show();
  ::ShowWindow(h, SW_MINIMIZE);
  ASSERT_TRUE(test::PumpUntil([&] { return ::IsIconic(h) != FALSE; }));
  EXPECT_EQ(test::RunDdeClient(L"--service " + DdeSource::ProgramServiceName() + L" --topic " +
                               kDdeTopic + L" --text http://127.0.0.1:9/a"),
            0);
  auto& items = m_main->WebuTab().TabItems();
  EXPECT_EQ(items.Count(), 2);
  EXPECT_EQ(items.Selected(), 0);
  EXPECT_FALSE(::IsIconic(h));
  EXPECT_TRUE(::IsWindowVisible(h));
}

// Every direct child's place in the form, and the form's region.
std::vector<std::vector<LONG>> LayoutOf(HWND form) {
  std::vector<std::vector<LONG>> places;
  for (HWND c = ::GetWindow(form, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
    places.push_back({r.left, r.top, r.right, r.bottom});
  }
  RECT box{};
  ::GetWindowRgnBox(form, &box);
  places.push_back({box.left, box.top, box.right, box.bottom});
  return places;
}

TEST_F(GameWindowTest, AResizeWhileMinimisedChangesNothing) {
  HWND h = m_main->Hwnd();
  m_main->SetURL(L"http://g/");
  m_main->Show();
  ::ShowWindow(h, SW_MINIMIZE);
  ASSERT_TRUE(test::PumpUntil([&] { return ::IsIconic(h) != FALSE; }));
  const auto before = LayoutOf(h);
  ::SendMessageW(h, WM_SIZE, SIZE_MINIMIZED, 0);
  ::SendMessageW(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
  ::SetWindowPos(h, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  test::PumpFor(50);
  EXPECT_EQ(LayoutOf(h), before);
}

TEST_F(GameWindowTest, ClosingAsksUnlessConfirmedAndTheLastTabCloseIsTheWindowClose) {
  m_main->SetURL(L"http://g/");
  m_main->Show();
  test::AnswerExitQuestionLater(false);
  bool cancel = false;
  m_main->WebuTab().OnItemColose(0, cancel);
  EXPECT_TRUE(cancel);
  ASSERT_NE(MainFormIfLoaded(), nullptr);  // "否": the tab and the window stay
  EXPECT_FALSE(m_main->m_bExit);
  EXPECT_EQ(m_main->WebuTab().TabItems().Count(), 1);

  test::AnswerExitQuestionLater(true);
  ::SendMessageW(m_main->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(MainFormIfLoaded(), nullptr);
}

TEST_F(GameWindowTest, AConfirmedWindowClosesWithoutAQuestionAndLeavesNothingBehind) {
  HWND h = m_main->Hwnd();
  m_main->SetURL(L"http://g/");
  m_main->m_bExit = true;
  m_main->RunMenuCommand(kCmdExit);
  EXPECT_EQ(MainFormIfLoaded(), nullptr);
  EXPECT_EQ(MsgFrm::IfLoaded(), nullptr);
  EXPECT_FALSE(::IsWindow(h));
  HWND other = test::CreateHostWindow(0, 0, 10, 10);
  EXPECT_TRUE(::RegisterHotKey(other, 1, 0, VK_F10));  // F10 is free again
  ::UnregisterHotKey(other, 1);
  ::DestroyWindow(other);
  NOTIFYICONDATAW nid{sizeof(nid)};
  nid.hWnd = h;
  nid.uID = 1000;
  EXPECT_FALSE(::Shell_NotifyIconW(NIM_DELETE, &nid));  // the icon is gone already
  EXPECT_TRUE(ScriptedBrowsers::Browsers().empty());
  // A second main window hooks again.
  MainForm();
  EXPECT_FALSE(::RegisterHotKey(test::CreateHostWindow(0, 0, 10, 10), 2, 0, VK_F10));
}

TEST_F(GameWindowTest, ResizesAndTabCyclesKeepHandleCountsFlat) {
  m_main->SetURL(L"http://g/");
  m_main->Show();
  m_main->Button(2).SetValue(false);
  ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  auto cycle = [&](int resizes, int tabs) {
    for (int i = 0; i < resizes; ++i) {
      ::SetWindowPos(m_main->Hwnd(), nullptr, 0, 0, 500 + (i % 7) * 60, 400 + (i % 5) * 40,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (int i = 0; i < tabs; ++i) {
      m_main->OpenPage(L"http://g/" + std::to_wstring(i));
      m_main->WebuTab().TabItems().Remove(int32_t{1});
    }
    test::PumpFor(20);
  };
  cycle(20, 5);  // warm-up: caches, first-use allocations
  const long gdi = test::GdiObjectCount();
  const long windows = test::ThreadWindowCount();
  cycle(500, 100);
  EXPECT_LE(test::GdiObjectCount(), gdi + 2);
  EXPECT_EQ(test::ThreadWindowCount(), windows);
  EXPECT_EQ(m_main->WebuTab().TabItems().Count(), 1);
}

}  // namespace
}  // namespace qorv::gamewindow
