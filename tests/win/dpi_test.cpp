// The windows at the DPI the session runs at (96 in the usual run, 144 in the win144 run, where
// QORV_EXPECT_DPI says which): the controls where the design puts them at that DPI, captions
// that fit, presses at the drawn centres that land, and DPI changes that lay the main window out
// again without leaking.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/form.h"
#include "base/win/form_registry.h"
#include "gamewindow/main_layout.h"
#include "gamewindow/msg_frm.h"
#include "gamewindow/msg_layout.h"
#include "gamewindow/web_main_frm.h"
#include "startup/public_data.h"
#include "tabstrip/tab_layout.h"
#include "win/support/gdi_count.h"
#include "win/support/scripted_browser.h"
#include "win/support/test_window.h"

namespace qorv::gamewindow {
namespace {

PixelRect ChildRect(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return PixelRect::Edges(r.left, r.top, r.right, r.bottom);
}

POINT ScreenCentre(HWND h) {
  RECT r{};
  ::GetWindowRect(h, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Real input: the system's hit test decides which window gets the press.
void PressAt(POINT p) {
  auto send = [](DWORD flags, POINT at) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = at.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = at.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
  };
  send(MOUSEEVENTF_MOVE, p);
  test::PumpFor(60);
  send(MOUSEEVENTF_LEFTDOWN, p);
  test::PumpFor(60);
  send(MOUSEEVENTF_LEFTUP, p);
}

SIZE TextExtent(HDC dc, const std::wstring& text) {
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

class DpiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startup::SaveResFile(101, L"ICON", startup::GetTempDir() + L"qorv.ico");
    RegisterGameWindow();
    win::Forms().login = nullptr;
    m_main = &MainForm();
    m_main->SetURL(L"http://g/");
    m_main->Show();
    test::PumpFor(100);
    m_dpi = win::DpiOf(m_main->Hwnd());
  }
  void TearDown() override {
    if (WebMainFrm* f = MainFormIfLoaded()) {
      f->m_bExit = true;
      f->Unload();
    }
    win::Application::Instance().CollectReleased();
    test::PumpFor(50);
  }
  MainPlaces Expected(int dpi) {
    RECT wr{}, cr{}, fr{};
    ::GetWindowRect(m_main->Hwnd(), &wr);
    ::GetClientRect(m_main->Hwnd(), &cr);
    ::GetWindowRect(m_main->WebBForm().hWnd(), &fr);
    return PlaceMainWindow(wr.right - wr.left, cr.right, cr.bottom, m_main->WebuTab().Height(),
                           fr.bottom - fr.top, dpi);
  }
  void ExpectLaidOutAt(int dpi) {
    // The window manager may resize the window after the call that moved it; its WM_SIZE then
    // comes through the queue.
    test::PumpUntil([&] { return ChildRect(m_main->Button(3).hWnd()) == Expected(dpi).close; },
                    2000);
    const MainPlaces m = Expected(dpi);
    EXPECT_EQ(ChildRect(m_main->Button(0).hWnd()), m.tool);
    EXPECT_EQ(ChildRect(m_main->Button(1).hWnd()), m.min);
    EXPECT_EQ(ChildRect(m_main->Button(2).hWnd()), m.minmax);
    EXPECT_EQ(ChildRect(m_main->Button(3).hWnd()), m.close);
    EXPECT_EQ(ChildRect(m_main->Button(4).hWnd()), m.otherUser);
    EXPECT_EQ(ChildRect(m_main->Button(5).hWnd()), m.gameSpace);
    EXPECT_EQ(ChildRect(m_main->Logo()), m.logo);
    ASSERT_TRUE(m.tab);
    EXPECT_EQ(ChildRect(m_main->WebuTab().Hwnd()), *m.tab);
    // The strip's own height, the design's 32 pixels at the DPI, so the page area below it too.
    EXPECT_EQ(m.tab->Height(), tabstrip::TabPx(32, dpi));
    // The title bar draws its caption with a font of the window's DPI, not the session's.
    EXPECT_EQ(m_main->WebBForm().Dpi(), dpi);
  }
  void ChangeDpi(int dpi) {
    // Where the window is, or is restored to when minimised (a minimised window's own rectangle
    // is its icon's).
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(m_main->Hwnd(), &placement);
    RECT wr = placement.rcNormalPosition;
    if (!::IsIconic(m_main->Hwnd())) ::GetWindowRect(m_main->Hwnd(), &wr);
    // A size that fits the test screen at both DPIs (the system keeps a window within it).
    RECT suggested{wr.left, wr.top, wr.left + TwipsToPixels(9000, dpi),
                   wr.top + TwipsToPixels(6000, dpi)};
    ::SendMessageW(m_main->Hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
  }
  void Restore() {
    if (m_main->Button(2).Value()) {
      ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
      ::SendMessageW(m_main->Button(2).hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }
  }

  test::ScriptedBrowsers m_browsers;
  WebMainFrm* m_main = nullptr;
  int m_dpi = kDesignDpi;
};

TEST_F(DpiTest, MainWindowControlsAreTheDesignsAtItsDpiAndNoCaptionIsClipped) {
  if (const char* expect = std::getenv("QORV_EXPECT_DPI")) {
    ASSERT_EQ(m_dpi, std::atoi(expect)) << "the session does not run at the DPI it was set to";
  }
  ExpectLaidOutAt(m_dpi);
  // The design's sizes in this DPI's pixels, whatever the layout code says.
  EXPECT_EQ(ChildRect(m_main->Button(3).hWnd()).Width(), TwipsToPixels(645, m_dpi));
  EXPECT_EQ(ChildRect(m_main->Button(3).hWnd()).Height(), TwipsToPixels(270, m_dpi));
  for (int which : {4, 5}) {
    controls::iButton& b = m_main->Button(which);
    const int width = ChildRect(b.hWnd()).Width();
    EXPECT_LE(TextExtent(b.hdc(), b.Caption()).cx, width) << which;
  }
  // The title runs from 600 twips (beside the logo) and must end before the tab strip starts.
  controls::BForm& bar = m_main->WebBForm();
  const int titleLeft = TwipsToPixels(600, m_dpi);
  EXPECT_LE(titleLeft + TextExtent(bar.hdc(), bar.Caption()).cx,
            ChildRect(m_main->WebuTab().Hwnd()).left);
  EXPECT_LE(TextExtent(bar.hdc(), bar.Caption()).cy, ChildRect(bar.hWnd()).Height());
}

UINT_PTR g_answerTimer = 0;
bool g_answerYes = false;
bool g_sawQuestionFit = false;
int g_dialogDpiChange = 0;  // a DPI the dialog is told of before the press, 0 none
bool g_dialogLaidOut = false;

// Inside the exit question's modal loop: checks that its question fits its label, then presses
// the answer at its drawn centre with real input.
void CALLBACK AnswerByPress(HWND, UINT, UINT_PTR id, DWORD) {
  MsgFrm* dialog = MsgFrm::IfLoaded();
  if (!dialog || !::IsWindowVisible(dialog->Hwnd())) return;
  ::KillTimer(nullptr, id);
  HDC dc = ::GetDC(dialog->Label());
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(
                                       ::SendMessageW(dialog->Label(), WM_GETFONT, 0, 0)));
  RECT label{};
  ::GetClientRect(dialog->Label(), &label);
  RECT need = label;
  ::DrawTextW(dc, kMsgFrmQuestion, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  g_sawQuestionFit = need.bottom <= label.bottom && need.right <= label.right;
  ::SelectObject(dc, old);
  ::ReleaseDC(dialog->Label(), dc);
  if (g_dialogDpiChange) {
    // Moved to a monitor of another DPI while it asks: laid out again there, and still answers.
    const MsgFrmPlaces want = PlaceMsgFrm(g_dialogDpiChange);
    RECT wr{};
    ::GetWindowRect(dialog->Hwnd(), &wr);
    RECT suggested{wr.left, wr.top, wr.left + want.window.Width(), wr.top + want.window.Height()};
    ::SendMessageW(dialog->Hwnd(), WM_DPICHANGED, MAKEWPARAM(g_dialogDpiChange, g_dialogDpiChange),
                   reinterpret_cast<LPARAM>(&suggested));
    g_dialogLaidOut = ChildRect(dialog->YesButton().hWnd()) == want.yes &&
                      ChildRect(dialog->NoButton().hWnd()) == want.no &&
                      ChildRect(dialog->Label()) == want.question &&
                      dialog->Frame().Dpi() == g_dialogDpiChange;
  }
  PressAt(ScreenCentre(g_answerYes ? dialog->YesButton().hWnd() : dialog->NoButton().hWnd()));
}

TEST_F(DpiTest, APressAtTheDrawnCentreOfEachTitleButtonAndEachAnswerActs) {
  ::SetForegroundWindow(m_main->Hwnd());
  test::PumpFor(100);
  // The restore button: the window leaves its maximised bounds.
  ASSERT_TRUE(m_main->Button(2).Value());
  PressAt(ScreenCentre(m_main->Button(2).hWnd()));
  EXPECT_TRUE(test::PumpUntil([&] { return !m_main->Button(2).Value(); }, 3000));
  ExpectLaidOutAt(m_dpi);

  // The close button asks; "否" pressed where it is drawn keeps the window, also after the dialog
  // was moved to another DPI while it asked.
  g_answerYes = false;
  g_dialogDpiChange = m_dpi == 144 ? 96 : 144;
  g_dialogLaidOut = false;
  g_sawQuestionFit = false;
  g_answerTimer = ::SetTimer(nullptr, 0, 100, AnswerByPress);
  HWND main = m_main->Hwnd();
  PressAt(ScreenCentre(m_main->Button(3).hWnd()));
  EXPECT_TRUE(test::PumpUntil([] { return MsgFrm::IfLoaded() == nullptr && g_sawQuestionFit; },
                              5000));
  EXPECT_TRUE(g_sawQuestionFit) << "the question does not fit its label";
  EXPECT_TRUE(g_dialogLaidOut) << "the dialog was not laid out again at its new DPI";
  EXPECT_TRUE(::IsWindow(main));
  ASSERT_NE(MainFormIfLoaded(), nullptr);

  // The minimise button.
  PressAt(ScreenCentre(m_main->Button(1).hWnd()));
  EXPECT_TRUE(test::PumpUntil([&] { return ::IsIconic(m_main->Hwnd()) != FALSE; }, 3000));
  ::ShowWindow(m_main->Hwnd(), SW_RESTORE);
  ASSERT_TRUE(test::PumpUntil([&] { return !::IsIconic(m_main->Hwnd()); }, 3000));
  ::SetForegroundWindow(m_main->Hwnd());
  test::PumpFor(500);  // the window manager's restore is over before the next press

  // And "是" closes it.
  g_answerYes = true;
  g_dialogDpiChange = 0;
  g_answerTimer = ::SetTimer(nullptr, 0, 100, AnswerByPress);
  m_main->CloseClick();
  EXPECT_TRUE(test::PumpUntil([] { return MainFormIfLoaded() == nullptr; }, 5000));
  ::KillTimer(nullptr, g_answerTimer);
}

// Run inside the tool menu's own loop, once the menu is up (WM_ENTERIDLE reaches its owner), once
// per opening.
std::function<void(HWND menu)> g_inMenu;
LRESULT CALLBACK RunInMenu(int code, WPARAM wParam, LPARAM lParam) {
  auto* cw = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && cw->message == WM_ENTERIDLE && cw->wParam == MSGF_MENU && g_inMenu) {
    auto step = std::move(g_inMenu);
    g_inMenu = nullptr;
    step(reinterpret_cast<HWND>(cw->lParam));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(DpiTest, ADpiChangeWithTheToolMenuOpenOrTheWindowHiddenLeavesBothWorking) {
  const int other = m_dpi == 144 ? 96 : 144;
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, RunInMenu, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  auto pressTool = [&] {
    // The press opens the menu: its loop runs until the menu closes.
    ::SendMessageW(m_main->Button(0).hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageW(m_main->Button(0).hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    test::PumpFor(100);
  };

  bool menuShown = false;
  g_inMenu = [&](HWND menu) {
    menuShown = menu && ::IsWindowVisible(menu);
    ChangeDpi(other);
    // Whether the change closed it or not, the player then clicks elsewhere.
    ::PostMessageW(m_main->Hwnd(), WM_CANCELMODE, 0, 0);
  };
  pressTool();
  EXPECT_TRUE(menuShown) << "the tool menu did not open";
  EXPECT_FALSE(g_inMenu) << "the tool menu's loop never went idle";
  ExpectLaidOutAt(other);

  // Opened again at the new DPI, its second entry ("隐藏/恢复(F10)") chosen by key hides the
  // window.
  g_inMenu = [&](HWND) {
    ::PostMessageW(m_main->Hwnd(), WM_KEYDOWN, VK_DOWN, 1);
    ::PostMessageW(m_main->Hwnd(), WM_KEYDOWN, VK_DOWN, 1);
    ::PostMessageW(m_main->Hwnd(), WM_CHAR, L'\r', 1);
  };
  pressTool();
  EXPECT_FALSE(g_inMenu) << "the tool menu did not open again";
  EXPECT_TRUE(test::PumpUntil([&] { return !::IsWindowVisible(m_main->Hwnd()); }, 3000));
  ::UnhookWindowsHookEx(hook);
  g_inMenu = nullptr;

  // Hidden, it moves to a monitor of another DPI; F10 shows it laid out there.
  ChangeDpi(m_dpi);
  ::SendMessageW(m_main->Hwnd(), WM_HOTKEY, 1000, MAKELPARAM(0, VK_F10));
  EXPECT_TRUE(test::PumpUntil([&] { return ::IsWindowVisible(m_main->Hwnd()) != FALSE; }, 3000));
  ExpectLaidOutAt(m_dpi);
}

// Where the strip draws tab `index`'s close image, on the screen.
POINT CloseButtonCentre(tabstrip::uTab& strip, int32_t index) {
  std::vector<tabstrip::TabView> views;
  auto& items = strip.TabItems();
  for (int32_t i = 0; i < items.Count(); ++i)
    views.push_back({items.Item(i)->Left(), items.Item(i)->Width(), items.Item(i)->HideButton()});
  for (const tabstrip::TabPaint& p :
       tabstrip::PlanTabPaint(strip.TabStyle(), views, strip.Selected(), -1, 0, strip.Dpi())) {
    if (p.index != index || !p.drawClose) continue;
    // Tab-area coordinates: the area starts TabLeftSize design pixels into the strip.
    POINT centre{
        tabstrip::TabPx(strip.TabLeftSize(), strip.Dpi()) + p.close.left + p.close.Width() / 2,
        p.close.top + p.close.Height() / 2};
    ::ClientToScreen(strip.Hwnd(), &centre);
    return centre;
  }
  ADD_FAILURE() << "tab " << index << " shows no close button";
  return {};
}

TEST_F(DpiTest, APressAtATabsDrawnCloseButtonClosesThatTab) {
  m_main->SetURL(L"http://g/a");
  m_main->SetURL(L"http://g/b");
  tabstrip::uTab& strip = m_main->WebuTab();
  ASSERT_EQ(strip.TabItems().Count(), 3);
  EXPECT_EQ(strip.Dpi(), m_dpi);
  ::SetForegroundWindow(m_main->Hwnd());
  test::PumpFor(100);
  PressAt(CloseButtonCentre(strip, 1));
  ASSERT_TRUE(test::PumpUntil([&] { return strip.TabItems().Count() == 2; }, 3000));
  EXPECT_EQ(strip.TabItems().Item(0)->Caption(), L"Gamehttp://g/");
  EXPECT_EQ(strip.TabItems().Item(1)->Caption(), L"Gamehttp://g/b");
}

TEST_F(DpiTest, DpiChangesLayTheWindowOutAgainAndLeakNothing) {
  // Maximised stays maximised, to the monitor's work area.
  ASSERT_TRUE(m_main->Button(2).Value());
  ChangeDpi(144);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(::MonitorFromWindow(m_main->Hwnd(), MONITOR_DEFAULTTONEAREST), &info);
  RECT wr{};
  ::GetWindowRect(m_main->Hwnd(), &wr);
  EXPECT_EQ(PixelRect::Edges(wr.left, wr.top, wr.right, wr.bottom),
            PixelRect::Edges(info.rcWork.left, info.rcWork.top, info.rcWork.right,
                             info.rcWork.bottom));
  ExpectLaidOutAt(144);

  Restore();
  for (int dpi : {96, 144, 96}) {
    ChangeDpi(dpi);
    SCOPED_TRACE(dpi);
    ::GetWindowRect(m_main->Hwnd(), &wr);
    EXPECT_EQ(wr.right - wr.left, TwipsToPixels(9000, dpi));  // the suggested rectangle taken
    ExpectLaidOutAt(dpi);
  }
  // A DPI from outside what the system offers lays out at the nearest one in range.
  ChangeDpi(1000);
  EXPECT_EQ(ChildRect(m_main->Button(3).hWnd()).Width(), TwipsToPixels(645, 480));
  // Minimised, nothing moves; restored, the window is laid out at the DPI it was told of.
  ::SendMessageW(m_main->Hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(test::PumpUntil([&] { return ::IsIconic(m_main->Hwnd()) != FALSE; }, 3000));
  ChangeDpi(144);
  ::ShowWindow(m_main->Hwnd(), SW_RESTORE);
  ASSERT_TRUE(test::PumpUntil([&] { return !::IsIconic(m_main->Hwnd()); }, 3000));
  test::PumpFor(300);
  ExpectLaidOutAt(144);

  auto cycle = [&](int rounds) {
    for (int i = 0; i < rounds; ++i) {
      ChangeDpi(144);
      ChangeDpi(96);
    }
    test::PumpFor(20);
  };
  cycle(5);  // warm-up: caches, first-use allocations
  const long gdi = test::GdiObjectCount();
  const long windows = test::ThreadWindowCount();
  cycle(100);
  EXPECT_LE(test::GdiObjectCount(), gdi + 2);
  EXPECT_EQ(test::ThreadWindowCount(), windows);
  ExpectLaidOutAt(96);
}

}  // namespace
}  // namespace qorv::gamewindow
