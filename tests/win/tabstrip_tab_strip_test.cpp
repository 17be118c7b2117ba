// The tab strip as a window: stored properties, layout, pages in the container, and selection and
// events driven by real mouse messages through its hook and window procedure.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "tests/win/tabstrip_fixture.h"

namespace qorv::tabstrip::test {
namespace {

RECT ClientOf(HWND h) {
  RECT rc{};
  ::GetClientRect(h, &rc);
  return rc;
}

TEST(TabStripProperties, ReadInOrderWithDefaultsAndAlwaysWritten) {
  HWND host = qorv::test::CreateHostWindow(0, 0, 400, 200);
  controls::PropertyBag bag;
  bag.Preset(L"TabStyle", int32_t{1});
  bag.Preset(L"TabLeftSize", int32_t{10});
  {
    uTab strip;
    ASSERT_TRUE(strip.Create(host, 0, 0, 300, &bag));
    EXPECT_EQ(bag.Reads(), (std::vector<std::wstring>{L"TabStyle", L"TabLeftSize", L"TabRightSize"}));
    EXPECT_EQ(strip.TabStyle(), 1);
    EXPECT_EQ(strip.TabLeftSize(), 10);
    EXPECT_EQ(strip.TabRightSize(), 0);
    EXPECT_EQ(ClientOf(strip.Hwnd()).bottom, 32);
    controls::PropertyBag out;
    strip.WriteProperties(out);
    EXPECT_EQ(out.Writes(), (std::vector<std::wstring>{L"TabStyle", L"TabLeftSize", L"TabRightSize"}));
    EXPECT_EQ(controls::AsInt32(*out.Find(L"TabRightSize")), 0);
  }
  {
    uTab strip;  // no stored data: style 0, 25 high, margins 40 and 0
    ASSERT_TRUE(strip.Create(host, 0, 0, 300));
    EXPECT_EQ(strip.TabStyle(), 0);
    EXPECT_EQ(strip.TabLeftSize(), 40);
    EXPECT_EQ(ClientOf(strip.Hwnd()).bottom, 25);
    // A host that sets a wrong height gets the style's height back.
    ::SetWindowPos(strip.Hwnd(), nullptr, 0, 0, 280, 60, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientOf(strip.Hwnd()).bottom, 25);
    EXPECT_EQ(ClientOf(strip.Hwnd()).right, 280);
  }
  ::DestroyWindow(host);
}

TEST(TabStripProperties, ToolTipTextReachesATooltipOverTheWholeStrip) {
  StripHarness h;
  h.strip->SetToolTipText(L"first");
  h.strip->SetToolTipText(L"页面标题");
  EXPECT_EQ(h.strip->ToolTipText(), L"页面标题");
  HWND tip = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM found) -> BOOL {
        wchar_t name[64]{};
        ::GetClassNameW(w, name, 64);
        if (::lstrcmpiW(name, TOOLTIPS_CLASSW) != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&tip));
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t text[80]{};
  TTTOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.hwnd = h.Strip();
  ti.uId = reinterpret_cast<UINT_PTR>(h.Strip());
  ti.lpszText = text;
  ::SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
  EXPECT_STREQ(text, L"页面标题");
}

TEST(TabStripLayout, NothingLaidOutUntilRedrawIsUnlocked) {
  HWND host = qorv::test::CreateHostWindow(0, 0, 800, 200);
  HWND container = CreateContainer(host, 0, 40, 700, 150);
  uTab strip;
  strip.Create(host, 0, 0, 640);  // style 0, tab area 600
  strip.SethContainerWnd(container);
  std::vector<std::shared_ptr<TestPage>> pages;
  for (int i = 0; i < 3; ++i) {
    pages.push_back(std::make_shared<TestPage>());
    strip.TabItems().Add(L"t", pages.back());
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(strip.TabItems().Item(i)->Left(), 0);
    EXPECT_EQ(strip.TabItems().Item(i)->Width(), 0);
  }
  EXPECT_EQ(strip.TabWidth(), 108);
  strip.LockReDraw(false);
  int lefts[] = {14, 122, 230};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(strip.TabItems().Item(i)->Left(), lefts[i]);
    EXPECT_EQ(strip.TabItems().Item(i)->Width(), 108);
  }
  // Locking again keeps the layout; a narrower control re-lays out only once unlocked.
  strip.LockReDraw(true);
  strip.Move(0, 0, 340);
  EXPECT_EQ(strip.TabItems().Item(2)->Left(), 230);
  strip.LockReDraw(false);
  EXPECT_EQ(strip.TabWidth(), 95);  // area 300: (300 - 14) / 3 = 95.33
  ::DestroyWindow(host);
}

TEST(TabStripPages, AttachedHiddenAndTheSelectedOneShownAtTheContainersSize) {
  StripHarness h;
  auto first = h.AddPage(L"first");
  // The first tab is selected but its page is not shown until the host selects it.
  EXPECT_EQ(h.strip->Selected(), 0);
  EXPECT_EQ(::GetParent(first->Hwnd()), h.container);
  LONG style = ::GetWindowLongW(first->Hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(::IsWindowVisible(first->Hwnd()));
  EXPECT_EQ(first->initializes, 2);
  EXPECT_EQ(first->strip, h.strip.get());

  auto second = h.AddPage(L"second");
  h.strip->SetSelected(1);
  EXPECT_TRUE(::IsWindowVisible(second->Hwnd()));
  RECT page = ClientOf(second->Hwnd()), box = ClientOf(h.container);
  EXPECT_EQ(page.right, box.right);
  EXPECT_EQ(page.bottom, box.bottom);

  // The container grows: the selected page follows, the other keeps its size until selected.
  ::SetWindowPos(h.container, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(ClientOf(second->Hwnd()).right, 700);
  EXPECT_EQ(ClientOf(second->Hwnd()).bottom, 400);
  EXPECT_EQ(ClientOf(first->Hwnd()).right, 780);
  h.strip->SetSelected(0);
  EXPECT_EQ(ClientOf(first->Hwnd()).right, 700);
  // The page shown before is left visible below the new one.
  EXPECT_TRUE(::IsWindowVisible(second->Hwnd()));
  EXPECT_EQ(::GetWindow(h.container, GW_CHILD), first->Hwnd());
}

TEST(TabStripSelection, PropertyRules) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"p");
  h.strip->SetSelected(2);
  h.strip->SetSelected(3);  // Count: ignored
  EXPECT_EQ(h.strip->Selected(), 2);
  h.strip->SetSelected(-5);  // -1, the shown page stays
  EXPECT_EQ(h.strip->Selected(), -1);
  EXPECT_TRUE(::IsWindowVisible(h.pages[2]->Hwnd()));
  EXPECT_EQ(h.strip->TabItems().Selected(), -1);
  try {
    h.strip->RefreshPage();
    ADD_FAILURE() << "refresh without a selected tab";
  } catch (const TabError& e) {
    EXPECT_EQ(e.Number(), kErrNoObject);
  }
  h.strip->TabItems().SetSelected(1);
  h.strip->RefreshPage();
  EXPECT_EQ(h.pages[1]->refreshes, 1);
  EXPECT_TRUE(h.events.empty());  // selecting by property raises nothing
}

TEST(TabStripSelection, RemovalsKeepOrMoveTheSelection) {
  StripHarness h;
  for (int i = 0; i < 4; ++i) h.AddPage(L"p");
  h.strip->SetSelected(2);
  EXPECT_TRUE(h.strip->TabItems().Remove(0));  // before the selected: same tab, index 1
  EXPECT_EQ(h.strip->Selected(), 1);
  EXPECT_EQ(h.strip->TabItems().Item(1)->Form().get(), h.pages[2].get());
  EXPECT_TRUE(h.strip->TabItems().Remove(1));  // the selected: tab 0 selected and shown
  EXPECT_EQ(h.strip->Selected(), 0);
  EXPECT_TRUE(::IsWindowVisible(h.pages[1]->Hwnd()));
  EXPECT_EQ(h.pages[2]->unloads, 1);
  EXPECT_TRUE(h.strip->TabItems().Remove(1));
  EXPECT_TRUE(h.strip->TabItems().Remove(0));  // the last: Selected 0 with no tabs
  EXPECT_EQ(h.strip->Selected(), 0);
  EXPECT_EQ(h.strip->TabItems().Count(), 0);
  EXPECT_EQ(h.strip->TabItems().Item(0), nullptr);
}

TEST(TabStripMouse, HoverPressAndReleaseOnTabs) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"tab");
  POINT b1 = h.BodyOf(1);
  h.Move(b1.x, b1.y);
  EXPECT_EQ(h.Events(), "Hover 1");
  h.Move(b1.x + 1, b1.y);  // same tab: no new hover
  EXPECT_EQ(h.Events(), "");
  EXPECT_EQ(h.strip->HoverIndex(), 1);
  h.Press(b1.x, b1.y);
  EXPECT_EQ(h.Events(), "TabChanged, Down 1");
  EXPECT_EQ(h.strip->Selected(), 1);
  EXPECT_TRUE(::IsWindowVisible(h.pages[1]->Hwnd()));
  h.Release(b1.x, b1.y);
  EXPECT_EQ(h.Events(), "Up 1");
  EXPECT_EQ(h.strip->TabItems().Count(), 3);
  // Pressing the selected tab again still reports TabChanged.
  h.Press(b1.x, b1.y);
  h.Release(b1.x, b1.y);
  EXPECT_EQ(h.Events(), "TabChanged, Down 1, Up 1");
}

TEST(TabStripMouse, CloseButtonPressDoesNotSelectAndReleaseOnItCloses) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"tab");
  h.strip->SetSelected(0);
  POINT c2 = h.CloseOf(2);
  h.Move(c2.x, c2.y);
  EXPECT_EQ(h.strip->CloseState(), 1);
  h.Press(c2.x, c2.y);
  EXPECT_EQ(h.strip->Selected(), 0);
  EXPECT_EQ(h.strip->CloseState(), 2);
  // Moves while pressed change neither the hover nor the close state.
  h.Send(WM_MOUSEMOVE, h.BodyOf(0).x, 20, MK_LBUTTON);
  EXPECT_EQ(h.strip->HoverIndex(), 2);
  EXPECT_EQ(h.strip->CloseState(), 2);
  h.Release(c2.x, c2.y);
  EXPECT_EQ(h.Events(), "Hover 2, TabChanged, Down 2, Close 2, Up 2");
  EXPECT_EQ(h.strip->TabItems().Count(), 2);
  EXPECT_EQ(h.pages[2]->unloads, 1);
  EXPECT_EQ(h.strip->CloseState(), 0);
}

TEST(TabStripMouse, PressOnOneTabAndReleaseOnAnothersCloseClosesNothing) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"tab");
  POINT b0 = h.BodyOf(0), c1 = h.CloseOf(1);
  h.Move(b0.x, b0.y);
  h.Press(b0.x, b0.y);
  h.Send(WM_MOUSEMOVE, c1.x, c1.y, MK_LBUTTON);
  h.Release(c1.x, c1.y);
  EXPECT_EQ(h.Events(), "Hover 0, TabChanged, Down 0, Up 1");
  EXPECT_EQ(h.strip->TabItems().Count(), 3);
  // Pressed on tab 1's body, released on its own close button: it closes.
  POINT b1 = h.BodyOf(1);
  h.Move(b1.x, b1.y);
  h.Press(b1.x, b1.y);
  h.Release(c1.x, c1.y);
  EXPECT_EQ(h.Events(), "Hover 1, TabChanged, Down 1, Close 1, Up 1");
  EXPECT_EQ(h.strip->TabItems().Count(), 2);
}

TEST(TabStripMouse, VetoAndHiddenButtons) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"tab");
  h.vetoClose = true;
  POINT c1 = h.CloseOf(1);
  h.Move(c1.x, c1.y);
  h.Press(c1.x, c1.y);
  h.Release(c1.x, c1.y);
  EXPECT_EQ(h.Events(), "Hover 1, TabChanged, Down 1, Close 1, Up 1");
  EXPECT_EQ(h.strip->TabItems().Count(), 3);
  EXPECT_EQ(h.pages[1]->unloads, 0);
  EXPECT_EQ(h.strip->CloseState(), 0);

  h.vetoClose = false;
  h.strip->TabItems().Item(2)->SetHideButton(true);
  POINT c2 = h.CloseOf(2);
  h.Move(c2.x, c2.y);
  EXPECT_EQ(h.strip->CloseState(), 0);
  h.Press(c2.x, c2.y);
  h.Release(c2.x, c2.y);
  EXPECT_EQ(h.strip->TabItems().Count(), 3);
  EXPECT_EQ(h.strip->Selected(), 2);  // its close area is ordinary tab body
}

TEST(TabStripMouse, HandlerThatClearsTheStripWhileTheCloseIsRaised) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"tab");
  h.strip->OnItemColose = [&h](int32_t, bool&) { h.strip->TabItems().Clear(); };
  POINT c1 = h.CloseOf(1);
  h.Move(c1.x, c1.y);
  h.Press(c1.x, c1.y);
  h.Release(c1.x, c1.y);
  EXPECT_EQ(h.strip->TabItems().Count(), 0);
  for (auto& p : h.pages) EXPECT_EQ(p->unloads, 1);
  EXPECT_EQ(h.Events(), "Hover 1, TabChanged, Down 1, Up 1");
  // The strip still works.
  h.AddPage(L"again");
  h.Move(h.BodyOf(0).x, 20);
  EXPECT_EQ(h.strip->HoverIndex(), 0);
}

TEST(TabStripMouse, HandlerThatDestroysTheStripWhileTheCloseIsRaised) {
  StripHarness h;
  for (int i = 0; i < 2; ++i) h.AddPage(L"tab");
  HWND stripWindow = h.Strip();
  bool upRaised = false;
  h.strip->OnMouseUp = [&](int32_t, int16_t&, int16_t&, float&, float&) { upRaised = true; };
  h.strip->OnItemColose = [&h](int32_t, bool&) {
    h.strip->TabItems().Clear();
    h.strip.reset();
  };
  POINT c0 = h.CloseOf(0);
  h.Move(c0.x, c0.y);
  h.Press(c0.x, c0.y);
  h.Release(c0.x, c0.y);
  EXPECT_FALSE(upRaised);
  EXPECT_FALSE(::IsWindow(stripWindow));
  for (auto& p : h.pages) EXPECT_EQ(p->unloads, 1);
  qorv::test::PumpFor(50);
}

TEST(TabStripMouse, CodesOutsideTheTabs) {
  StripHarness h;  // style 1, 600 wide, left margin 10
  for (int i = 0; i < 2; ++i) h.AddPage(L"tab");
  h.Press(5, 10);  // margin
  h.Release(5, 10);
  h.Press(300, 27);  // below row 25 of a 32-pixel strip
  h.Release(300, 27);
  h.Press(10 + 202, 10);  // gap between the 200-wide style 1 tabs
  h.Release(10 + 202, 10);
  h.Send(WM_RBUTTONDOWN, h.BodyOf(1).x, 10, MK_RBUTTON);
  h.Send(WM_RBUTTONUP, h.BodyOf(1).x, 10);
  EXPECT_EQ(h.Events(), "Down -2, Up -2, Down -3, Up -3, Down -1, Up -1, Down 0 b2, Up 0 b2");
  EXPECT_EQ(h.strip->Selected(), 0);
}

TEST(TabStripMouse, LeaveAndDoubleClick) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"tab");
  ::SendMessageW(h.Strip(), WM_MOUSELEAVE, 0, 0);  // nothing hovered: still raised
  h.Move(h.BodyOf(1).x, 20);
  ::SendMessageW(h.Strip(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(h.strip->HoverIndex(), -1);
  EXPECT_EQ(h.Events(), "Leave, Hover 1, Leave");
  POINT b2 = h.BodyOf(2);
  h.Send(WM_LBUTTONDBLCLK, b2.x, b2.y, MK_LBUTTON);
  h.Release(b2.x, b2.y);
  EXPECT_EQ(h.Events(), "TabChanged, Down 2, DblClick 2, Up 2");
  EXPECT_EQ(h.strip->Selected(), 2);
}

TEST(TabStripMouse, RealInputHoveringManyTimesStillEndsInOneLeave) {
  StripHarness h;
  for (int i = 0; i < 3; ++i) h.AddPage(L"tab");
  ::SetForegroundWindow(h.host);
  qorv::test::PumpFor(100);
  auto moveTo = [&](POINT p) {
    ::ClientToScreen(h.Strip(), &p);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = p.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = p.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
    qorv::test::PumpFor(60);
  };
  // Moves over the strip after the first one find the leave already tracked.
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 3; ++i) moveTo(h.BodyOf(i));
  }
  ASSERT_TRUE(qorv::test::PumpUntil([&] { return h.strip->HoverIndex() == 2; }, 2000));
  h.Events();
  moveTo({300, 400});  // below the strip, over the container
  ASSERT_TRUE(qorv::test::PumpUntil([&] { return h.strip->HoverIndex() == -1; }, 2000));
  qorv::test::PumpFor(100);
  EXPECT_EQ(h.Events(), "Leave");
}

TEST(TabStripMouse, RealInputReleaseOutsideTheWindowEndsThePress) {
  StripHarness h;
  for (int i = 0; i < 2; ++i) h.AddPage(L"tab");
  ::SetForegroundWindow(h.host);
  qorv::test::PumpFor(100);
  POINT c1 = h.CloseOf(1);
  POINT screen = c1;
  ::ClientToScreen(h.Strip(), &screen);
  auto input = [](DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
    qorv::test::PumpFor(80);
  };
  input(MOUSEEVENTF_MOVE, screen.x, screen.y);
  input(MOUSEEVENTF_MOVE, screen.x + 1, screen.y);
  ASSERT_TRUE(qorv::test::PumpUntil([&] { return h.strip->CloseState() == 1; }, 2000));
  input(MOUSEEVENTF_LEFTDOWN, screen.x + 1, screen.y);
  ASSERT_TRUE(qorv::test::PumpUntil([&] { return h.strip->CloseState() == 2; }, 2000));
  input(MOUSEEVENTF_MOVE, screen.x, screen.y + 300);
  input(MOUSEEVENTF_LEFTUP, screen.x, screen.y + 300);
  ASSERT_TRUE(qorv::test::PumpUntil([&] { return h.strip->CloseState() == 0; }, 2000));
  EXPECT_EQ(h.strip->TabItems().Count(), 2);
  EXPECT_NE(h.Events().find("Up -3"), std::string::npos);
}

}  // namespace
}  // namespace qorv::tabstrip::test
