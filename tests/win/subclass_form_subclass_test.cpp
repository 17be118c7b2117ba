// cFormSubclass against real windows: MsgCome before (and after) the window's own procedure,
// consuming and rewriting messages, and releasing the object while a message is still inside it.
#include "subclass/form_subclass.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "subclass/subclass.h"
#include "subclass/window_hook.h"
#include "win/support/test_window.h"

namespace qorv::subclass {
namespace {

constexpr UINT kMsgA = WM_APP + 1;
constexpr UINT kMsgB = WM_APP + 2;

using Lines = std::vector<std::string>;
Lines g_trace;

std::string Name(UINT m) {
  switch (m) {
    case kMsgA: return "A";
    case kMsgB: return "B";
    case WM_DESTROY: return "DESTROY";
    case WM_NCDESTROY: return "NCDESTROY";
    case WM_CLOSE: return "CLOSE";
    default: return std::to_string(m);
  }
}

bool Traced(UINT m) {
  return m == kMsgA || m == kMsgB || m == WM_DESTROY || m == WM_NCDESTROY || m == WM_CLOSE;
}

// The window's own procedure: test messages answer wParam * 10 and are traced with wParam.
LRESULT CALLBACK TargetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (Traced(uMsg)) g_trace.push_back("orig " + Name(uMsg) + " w=" + std::to_string(wParam));
  if (uMsg == kMsgA || uMsg == kMsgB) return static_cast<LRESULT>(wParam * 10);
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreateTarget() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QorvFormSubclassTarget";
    ::RegisterClassW(&wc);
    registered = true;
  }
  return ::CreateWindowExW(0, L"QorvFormSubclassTarget", L"target", WS_POPUP, 0, 0, 100, 100,
                           nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

WNDPROC ProcOf(HWND h) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(h, GWLP_WNDPROC)); }

using Handler =
    std::function<void(bool, bool&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&)>;

class FormSubclassTest : public testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    m_baseline = LiveRecords();
    m_hwnd = CreateTarget();
    ASSERT_TRUE(m_hwnd);
    m_orig = ProcOf(m_hwnd);
  }
  void TearDown() override {
    m_sub.reset();
    if (::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    EXPECT_TRUE(test::PumpUntil([&] { return LiveRecords() == m_baseline; }, 2000))
        << "records still live: " << LiveRecords() - m_baseline;
  }

  // Traces the test messages, then runs the test's extra handling.
  void Watch(Handler extra = nullptr) {
    m_sub->MsgCome = [extra](bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& h, UINT& m,
                             WPARAM& w, LPARAM& l) {
      if (Traced(m)) {
        g_trace.push_back(std::string(bBefore ? "before " : "after ") + Name(m) + " r=" +
                          std::to_string(lReturn));
      }
      if (extra) extra(bBefore, bHandled, lReturn, h, m, w, l);
    };
  }

  LRESULT Send(UINT m, WPARAM w = 1, LPARAM l = 0) { return ::SendMessageW(m_hwnd, m, w, l); }

  std::unique_ptr<cFormSubclass> m_sub = std::make_unique<cFormSubclass>();
  HWND m_hwnd = nullptr;
  WNDPROC m_orig = nullptr;
  int m_baseline = 0;
};

TEST_F(FormSubclassTest, EveryMessageComesOnceBeforeAndGoesOnUnchanged) {
  Watch();
  std::vector<UINT> all;
  Handler record = [&](bool bBefore, bool&, LRESULT&, HWND& h, UINT& m, WPARAM&, LPARAM&) {
    EXPECT_TRUE(bBefore);
    EXPECT_EQ(h, m_hwnd);
    all.push_back(m);
  };
  Watch(record);
  EXPECT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  EXPECT_EQ(Send(kMsgA, 4), 40);
  EXPECT_EQ(Send(kMsgB, 2, 77), 20);
  ::SetWindowTextW(m_hwnd, L"title");
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A w=4", "before B r=0", "orig B w=2"}));
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0], kMsgA);
  EXPECT_EQ(all[1], kMsgB);
  EXPECT_EQ(all[2], static_cast<UINT>(WM_SETTEXT));
  wchar_t back[16] = {};
  ::GetWindowTextW(m_hwnd, back, 16);
  EXPECT_STREQ(back, L"title");
}

TEST_F(FormSubclassTest, HandledMessageNeverReachesTheWindow) {
  Watch([](bool, bool& bHandled, LRESULT& lReturn, HWND&, UINT& m, WPARAM&, LPARAM&) {
    if (m == kMsgA) {
      bHandled = true;
      lReturn = -3;
    }
  });
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  EXPECT_EQ(Send(kMsgA, 4), -3);
  EXPECT_EQ(Send(kMsgB, 4), 40);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "before B r=0", "orig B w=4"}));
}

TEST_F(FormSubclassTest, BeforeCallMayRewriteTheMessage) {
  HWND other = CreateTarget();
  HWND seenBy = nullptr;
  Watch([&](bool bBefore, bool&, LRESULT&, HWND& h, UINT& m, WPARAM& w, LPARAM&) {
    if (bBefore && m == kMsgA) {
      m = kMsgB;
      w = 9;
      h = other;
    } else if (!bBefore) {
      seenBy = h;
    }
  });
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  m_sub->AddMsg(m_hwnd, kMsgB, cFormSubclass::MSG_AFTER);
  EXPECT_EQ(Send(kMsgA, 4), 90);
  // The after table is looked up with the rewritten message, and the after call sees it too.
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig B w=9", "after B r=90"}));
  EXPECT_EQ(seenBy, other);
  m_sub.reset();
  ::DestroyWindow(other);
}

TEST_F(FormSubclassTest, AfterCallSeesAndMayChangeTheResult) {
  Watch([](bool bBefore, bool&, LRESULT& lReturn, HWND&, UINT&, WPARAM&, LPARAM&) {
    if (!bBefore) lReturn += 1;
  });
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  m_sub->DelMsg(m_hwnd, ALL_MESSAGES, cFormSubclass::MSG_BEFORE);
  m_sub->AddMsg(m_hwnd, kMsgA, cFormSubclass::MSG_AFTER);
  m_sub->AddMsg(m_hwnd, kMsgA, cFormSubclass::MSG_AFTER);  // one slot for it
  EXPECT_EQ(Send(kMsgA, 5), 51);
  EXPECT_EQ(Send(kMsgB, 5), 50);
  EXPECT_EQ(g_trace, (Lines{"orig A w=5", "after A r=50", "orig B w=5"}));
  // Removed once, gone.
  m_sub->DelMsg(m_hwnd, kMsgA, cFormSubclass::MSG_AFTER);
  g_trace.clear();
  EXPECT_EQ(Send(kMsgA, 5), 50);
  EXPECT_EQ(g_trace, (Lines{"orig A w=5"}));
}

TEST_F(FormSubclassTest, DeleteWindowMsgLeavesTheInterceptionInPlace) {
  Watch();
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  WNDPROC hooked = ProcOf(m_hwnd);
  EXPECT_FALSE(m_sub->DeleteWindowMsg(m_hwnd));
  EXPECT_EQ(ProcOf(m_hwnd), hooked);
  Send(kMsgA, 1);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A w=1"}));
}

TEST_F(FormSubclassTest, AddingTheSameWindowAgainInterceptsItOnce) {
  Watch();
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  WNDPROC hooked = ProcOf(m_hwnd);
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  EXPECT_EQ(ProcOf(m_hwnd), hooked);
  EXPECT_EQ(LiveRecords(), m_baseline + 1);
  Send(kMsgA, 1);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A w=1"}));
}

TEST_F(FormSubclassTest, WindowsThatCannotBeInterceptedAreRefused) {
  const HWND refused[] = {nullptr, reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff0f0)),
                          ::GetDesktopWindow()};
  for (HWND h : refused) {
    EXPECT_FALSE(m_sub->AddWindowMsgs(h));
    EXPECT_EQ(LiveRecords(), m_baseline);
  }
}

TEST_F(FormSubclassTest, ReleasingTheObjectRestoresEveryWindow) {
  HWND other = CreateTarget();
  Watch();
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  ASSERT_TRUE(m_sub->AddWindowMsgs(other));
  m_sub.reset();
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
  EXPECT_EQ(ProcOf(other), m_orig);
  Send(kMsgA, 1);
  EXPECT_EQ(g_trace, (Lines{"orig A w=1"}));
  ::DestroyWindow(other);
}

TEST_F(FormSubclassTest, HandlerMayReleaseTheObject) {
  Watch([this](bool, bool&, LRESULT&, HWND&, UINT& m, WPARAM& w, LPARAM&) {
    if (m == kMsgA) {
      w = 7;  // the rewrite made before the release still counts
      m_sub.reset();
    }
  });
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  EXPECT_EQ(Send(kMsgA, 1), 70);
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A w=7"}));
}

TEST_F(FormSubclassTest, ReleasedWhileTheWindowIsTornDownFromInsideItsProcedure) {
  // Closing the window from a message: its destruction runs nested inside that message, and the
  // object is released while both calls are still inside the interception.
  Watch([this](bool bBefore, bool&, LRESULT&, HWND& h, UINT& m, WPARAM&, LPARAM&) {
    if (!bBefore) return;
    if (m == WM_CLOSE) ::DestroyWindow(h);
    if (m == WM_DESTROY) m_sub.reset();
  });
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  m_sub->AddMsg(m_hwnd, WM_CLOSE, cFormSubclass::MSG_AFTER);
  Send(WM_CLOSE);
  EXPECT_FALSE(::IsWindow(m_hwnd));
  EXPECT_EQ(m_sub, nullptr);
  EXPECT_EQ(g_trace, (Lines{"before CLOSE r=0", "before DESTROY r=0", "orig DESTROY w=0",
                            "orig NCDESTROY w=0", "orig CLOSE w=1"}));
}

TEST_F(FormSubclassTest, WindowDestroyedBeforeTheObjectIsReleased) {
  Watch();
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  ::DestroyWindow(m_hwnd);
  EXPECT_EQ(g_trace, (Lines{"before DESTROY r=0", "orig DESTROY w=0", "before NCDESTROY r=0",
                            "orig NCDESTROY w=0"}));
  EXPECT_TRUE(test::PumpUntil([&] { return LiveRecords() == m_baseline; }, 1000));
  m_sub.reset();  // nothing left to restore
}

TEST_F(FormSubclassTest, StacksWithACSubclassOnTheSameWindow) {
  CSubclass below;
  ASSERT_TRUE(below.ssc_Subclass(m_hwnd));
  below.ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  below.WindowProc = [](bool bBefore, bool&, LRESULT& lReturn, HWND, UINT uMsg, WPARAM, LPARAM,
                        LONG_PTR&) {
    g_trace.push_back(std::string(bBefore ? "hook before " : "hook after ") + Name(uMsg) + " r=" +
                      std::to_string(lReturn));
  };
  Watch();
  ASSERT_TRUE(m_sub->AddWindowMsgs(m_hwnd));
  m_sub->AddMsg(m_hwnd, kMsgA, cFormSubclass::MSG_AFTER);
  EXPECT_EQ(Send(kMsgA, 2), 20);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "hook before A r=0", "orig A w=2", "hook after A r=20",
                            "after A r=20"}));
  // The lower layer leaves first: the upper one keeps working.
  below.ssc_Terminate();
  g_trace.clear();
  EXPECT_EQ(Send(kMsgA, 3), 30);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A w=3", "after A r=30"}));
  m_sub.reset();
  g_trace.clear();
  Send(kMsgA, 1);
  EXPECT_EQ(g_trace, (Lines{"orig A w=1"}));
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
}

}  // namespace
}  // namespace qorv::subclass
