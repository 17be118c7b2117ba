// The exit question as the main window uses it: shown modally over a loaded owner form, answered
// with a real click on one of its three buttons, the answer in the owner's flag.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "base/win/form.h"
#include "gamewindow/msg_frm.h"
#include "win/support/test_window.h"

namespace qorv::gamewindow {
namespace {

using test::PumpUntil;

class OwnerFrm : public win::Form {
 protected:
  void CreateFormWindow() override {
    RegisterClassOnce(L"QorvMsgFrmTestOwner", 0, nullptr, ::LoadCursorW(nullptr, IDC_ARROW),
                      static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
    Create(L"QorvMsgFrmTestOwner", 0, L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 800, 600,
           nullptr);
  }
};

// Runs once from the modal loop's own dispatch.
std::function<void()> g_whileShown;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  auto run = std::move(g_whileShown);
  if (run) run();
}

RECT ClientRectIn(HWND child, HWND parent) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectAt(HWND child, HWND parent, RECT expected, const char* name) {
  RECT r = ClientRectIn(child, parent);
  EXPECT_EQ(r.left, expected.left) << name;
  EXPECT_EQ(r.top, expected.top) << name;
  EXPECT_EQ(r.right - r.left, expected.right) << name;
  EXPECT_EQ(r.bottom - r.top, expected.bottom) << name;
}

void ClickOn(HWND button) {
  RECT r{};
  ::GetWindowRect(button, &r);
  ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  test::PumpFor(30);
  ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

class MsgFrmTest : public ::testing::Test {
 protected:
  void SetUp() override { m_owner = &m_holder.Get(); }
  void TearDown() override {
    if (m_holder.IsLoaded()) m_owner->Unload();
    win::Application::Instance().CollectReleased();
  }
  win::FormHolder<OwnerFrm> m_holder;
  OwnerFrm* m_owner = nullptr;
};

TEST_F(MsgFrmTest, ModalOverTheOwnerWithItsControlsInPlace) {
  HWND owner = m_owner->Hwnd();
  bool seen = false;
  g_whileShown = [&] {
    MsgFrm* frm = MsgFrm::IfLoaded();
    ASSERT_NE(frm, nullptr);
    seen = true;
    HWND h = frm->Hwnd();
    EXPECT_TRUE(::IsWindowVisible(h));
    EXPECT_FALSE(::IsWindowEnabled(owner));
    EXPECT_EQ(::GetWindow(h, GW_OWNER), owner);
    LONG style = ::GetWindowLongW(h, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
    RECT client{};
    ::GetClientRect(h, &client);
    EXPECT_EQ(client.right, 242);
    EXPECT_EQ(client.bottom, 140);

    // Asked for 243 x 141: a round-rectangle region leaves out its last row and column, so the
    // outline is the whole 242 x 140 dialog, with 4 x 4 corners cut.
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(::GetWindowRgn(h, rgn), ERROR);
    RECT box{};
    ::GetRgnBox(rgn, &box);
    EXPECT_EQ(box.right, 242);
    EXPECT_EQ(box.bottom, 140);
    EXPECT_FALSE(::PtInRegion(rgn, 0, 0));
    EXPECT_TRUE(::PtInRegion(rgn, 2, 0));
    EXPECT_TRUE(::PtInRegion(rgn, 121, 139));
    ::DeleteObject(rgn);

    ExpectAt(frm->Frame().hWnd(), h, {0, 0, 242, 33}, "BForm1");
    EXPECT_EQ(frm->Frame().Caption(), L"BrindleQorvane客户端");
    // Ends above the buttons' row: a label window over them would paint over their captions.
    ExpectAt(frm->Label(), h, {24, 56, 209, 32}, "Label1");
    wchar_t text[64] = {};
    ::GetWindowTextW(frm->Label(), text, 64);
    EXPECT_STREQ(text, L"窗口即将关闭，确定要退出游戏？");
    ExpectAt(frm->YesButton().hWnd(), h, {56, 88, 65, 25}, "iButton1");
    EXPECT_EQ(frm->YesButton().Caption(), L"是");
    ExpectAt(frm->NoButton().hWnd(), h, {136, 88, 65, 25}, "iButton2");
    EXPECT_EQ(frm->NoButton().Caption(), L"否");
    ExpectAt(frm->CloseButton().hWnd(), h, {193, 1, 43, 18}, "closebtn");  // 3630 - 730 twips
    EXPECT_TRUE(frm->CloseButton().HasBackPicture());
    frm->Unload();
  };
  ::SetTimer(nullptr, 0, 50, OnTimer);
  bool exit = false;
  MsgFrm::ShowModal(owner, exit);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(::IsWindowEnabled(owner));
  EXPECT_EQ(MsgFrm::IfLoaded(), nullptr);
}

TEST_F(MsgFrmTest, EachButtonAnswersAndUnloads) {
  struct Case {
    const char* name;
    controls::iButton& (MsgFrm::*button)();
    bool before, after;
  } cases[] = {
      {"是", &MsgFrm::YesButton, false, true},
      {"否", &MsgFrm::NoButton, true, false},
      {"closebtn", &MsgFrm::CloseButton, true, false},
  };
  HWND owner = m_owner->Hwnd();
  for (const auto& c : cases) {
    bool exit = c.before;
    bool second = c.before;
    g_whileShown = [&] {
      MsgFrm* frm = MsgFrm::IfLoaded();
      ASSERT_NE(frm, nullptr) << c.name;
      // A second close request while it asks is the same request.
      MsgFrm::ShowModal(owner, second);
      ClickOn((frm->*c.button)().hWnd());
    };
    ::SetTimer(nullptr, 0, 50, OnTimer);
    MsgFrm::ShowModal(owner, exit);
    EXPECT_EQ(exit, c.after) << c.name;
    EXPECT_EQ(second, c.before) << c.name;
    EXPECT_EQ(MsgFrm::IfLoaded(), nullptr) << c.name;
    EXPECT_TRUE(::IsWindowEnabled(owner)) << c.name;
    win::Application::Instance().CollectReleased();
  }
}

// A real left-button drag on the title bar (X input): the dialog follows the pointer.
TEST_F(MsgFrmTest, DraggedByItsTitleBar) {
  HWND owner = m_owner->Hwnd();
  RECT start{}, end{};
  bool started = false;
  g_whileShown = [&] {
    MsgFrm* frm = MsgFrm::IfLoaded();
    ASSERT_NE(frm, nullptr);
    HWND h = frm->Hwnd();
    ::GetWindowRect(h, &start);
    int x = start.left + 100, y = start.top + 15;
    std::wstring script = L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) +
                          L" sleep 0.2 mousedown 1 sleep 0.4 mousemove " +
                          std::to_wstring(x + 30) + L" " + std::to_wstring(y + 20) +
                          L" sleep 0.2 mousemove " + std::to_wstring(x + 60) + L" " +
                          std::to_wstring(y + 40) + L" sleep 0.3 mouseup 1";
    started = test::StartXInput(script);
    if (started) {
      PumpUntil([&] {
        ::GetWindowRect(h, &end);
        return end.left - start.left == 60 && end.top - start.top == 40;
      }, 5000);
      test::PumpFor(300);  // the button comes up; the move loop ends
      ::GetWindowRect(h, &end);
    }
    frm->Unload();
  };
  ::SetTimer(nullptr, 0, 50, OnTimer);
  bool exit = false;
  MsgFrm::ShowModal(owner, exit);
  if (!started) GTEST_SKIP() << "no X input tool";
  EXPECT_EQ(end.left - start.left, 60);
  EXPECT_EQ(end.top - start.top, 40);
  EXPECT_EQ(end.right - end.left, 242);
  EXPECT_FALSE(exit);
}

}  // namespace
}  // namespace qorv::gamewindow
