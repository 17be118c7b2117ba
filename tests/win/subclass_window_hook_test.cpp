// CSubclass against real windows and real messages: the order of the before call, the previous
// procedure and the after call; consuming and overriding results; nesting; unhooking from inside a
// callback; windows destroyed while hooked; misuse and its log texts; chains with other
// subclassers.
#include "subclass/subclass.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win/log.h"
#include "subclass/window_hook.h"
#include "win/support/test_window.h"

namespace qorv::subclass {
namespace {

constexpr UINT kMsgA = WM_APP + 1;
constexpr UINT kMsgB = WM_APP + 2;
constexpr UINT kMsgC = WM_APP + 3;

// Everything that happens, in order: callbacks and the window's own procedure.
std::vector<std::string> g_trace;

std::string Name(UINT m) {
  switch (m) {
    case kMsgA: return "A";
    case kMsgB: return "B";
    case kMsgC: return "C";
    case WM_NCDESTROY: return "NCDESTROY";
    case WM_DESTROY: return "DESTROY";
    default: return std::to_string(m);
  }
}

// The window's own procedure: answers the test messages with wParam * 10.
LRESULT CALLBACK TargetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg >= kMsgA && uMsg <= kMsgC) {
    g_trace.push_back("orig " + Name(uMsg));
    return static_cast<LRESULT>(wParam * 10);
  }
  if (uMsg == WM_NCDESTROY || uMsg == WM_DESTROY) g_trace.push_back("orig " + Name(uMsg));
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreateTarget(bool visible = false) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QorvSubclassTarget";
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    ::RegisterClassW(&wc);
    registered = true;
  }
  return ::CreateWindowExW(0, L"QorvSubclassTarget", L"target",
                           WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 200, 200, nullptr,
                           nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

WNDPROC ProcOf(HWND h) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(h, GWLP_WNDPROC)); }

// The text the log file gained since construction.
class LogWatch {
 public:
  LogWatch() : m_start(Size()) {}
  std::wstring NewText() const {
    std::string bytes = Read();
    return bytes.size() > m_start ? Utf8ToWide(bytes.substr(m_start)) : std::wstring();
  }
  bool Contains(const std::wstring& text) const {
    return NewText().find(text) != std::wstring::npos;
  }

 private:
  static std::string Read() {
    std::string bytes;
    HANDLE f = ::CreateFileW(win::LogFilePath().c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) bytes.append(buf, n);
    ::CloseHandle(f);
    return bytes;
  }
  static size_t Size() { return Read().size(); }
  size_t m_start;
};

class SubclassTest : public testing::Test {
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
    // Every record goes back to the pool 100 ms after its window let go of it.
    EXPECT_TRUE(test::PumpUntil([&] { return LiveRecords() == m_baseline; }, 2000))
        << "records still live: " << LiveRecords() - m_baseline;
  }

  // Records every event into the trace, then runs the test's extra handling.
  void Trace(std::function<void(bool, bool&, LRESULT&, HWND, UINT, WPARAM, LPARAM, LONG_PTR&)>
                 extra = nullptr) {
    m_sub->WindowProc = [extra](bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd,
                                UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser) {
      g_trace.push_back(std::string(bBefore ? "before " : "after ") + Name(uMsg) + " r=" +
                        std::to_string(lReturn));
      if (extra) extra(bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam, lParamUser);
    };
  }

  LRESULT Send(UINT m, WPARAM w = 1, LPARAM l = 0) { return ::SendMessageW(m_hwnd, m, w, l); }

  std::unique_ptr<CSubclass> m_sub = std::make_unique<CSubclass>();
  HWND m_hwnd = nullptr;
  WNDPROC m_orig = nullptr;
  int m_baseline = 0;
};

using Lines = std::vector<std::string>;

// ---- before / after order and the tables -------------------------------------------------

struct WhenCase {
  CSubclass::HookWhen when;
  Lines expected;
};

TEST_F(SubclassTest, WhenSelectsCallsAroundThePreviousProcedure) {
  const WhenCase cases[] = {
      {CSubclass::kMsgBefore, {"before A r=0", "orig A"}},
      {CSubclass::kMsgAfter, {"orig A", "after A r=40"}},
      {CSubclass::kMsgBeforeAndAfter, {"before A r=0", "orig A", "after A r=40"}},
  };
  for (const WhenCase& c : cases) {
    CSubclass sub;
    ASSERT_TRUE(sub.ssc_Subclass(m_hwnd));
    sub.WindowProc = [](bool bBefore, bool&, LRESULT& lReturn, HWND, UINT uMsg, WPARAM, LPARAM,
                        LONG_PTR&) {
      g_trace.push_back(std::string(bBefore ? "before " : "after ") + Name(uMsg) + " r=" +
                        std::to_string(lReturn));
    };
    sub.ssc_AddMsg(m_hwnd, kMsgA, c.when);
    g_trace.clear();
    EXPECT_EQ(Send(kMsgA, 4), 40) << static_cast<int>(c.when);
    Send(kMsgB, 2);  // not selected: reaches the window only
    Lines expected = c.expected;
    expected.push_back("orig B");
    EXPECT_EQ(g_trace, expected) << "When " << static_cast<int>(c.when);
  }
}

TEST_F(SubclassTest, EventCarriesTheMessageAndItsParameters) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd, 0x1234));
  struct Seen {
    bool before;
    HWND h;
    UINT m;
    WPARAM w;
    LPARAM l;
    LONG_PTR user;
  };
  std::vector<Seen> seen;
  m_sub->WindowProc = [&](bool bBefore, bool&, LRESULT&, HWND hWnd, UINT uMsg, WPARAM wParam,
                          LPARAM lParam, LONG_PTR& lParamUser) {
    seen.push_back({bBefore, hWnd, uMsg, wParam, lParam, lParamUser});
  };
  m_sub->ssc_AddMsg(m_hwnd, kMsgC, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(Send(kMsgC, 7, -5), 70);
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.h, m_hwnd);
    EXPECT_EQ(s.m, kMsgC);
    EXPECT_EQ(s.w, 7u);
    EXPECT_EQ(s.l, -5);
    EXPECT_EQ(s.user, 0x1234);
  }
  EXPECT_TRUE(seen[0].before);
  EXPECT_FALSE(seen[1].before);
}

TEST_F(SubclassTest, HandledBeforeCallConsumesTheMessage) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace([](bool bBefore, bool& bHandled, LRESULT& lReturn, HWND, UINT, WPARAM, LPARAM,
           LONG_PTR&) {
    if (bBefore) {
      bHandled = true;
      lReturn = 1;
    }
  });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(Send(kMsgA, 4), 1);
  EXPECT_EQ(g_trace, (Lines{"before A r=0"}));
}

TEST_F(SubclassTest, ResultCanBeSetBeforeWithoutConsumingAndOverriddenAfter) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace([](bool bBefore, bool&, LRESULT& lReturn, HWND, UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
    if (bBefore) {
      lReturn = 5;  // not handled: the previous procedure's result replaces it
    } else if (uMsg == kMsgA) {
      lReturn += 7;
    }
  });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_AddMsg(m_hwnd, kMsgB, CSubclass::kMsgBefore);
  EXPECT_EQ(Send(kMsgA, 4), 47);
  EXPECT_EQ(Send(kMsgB, 3), 30);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A", "after A r=40", "before B r=0", "orig B"}));
}

TEST_F(SubclassTest, AllMessagesAndRemovals) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace();
  m_sub->ssc_AddMsg(m_hwnd, ALL_MESSAGES, CSubclass::kMsgBefore);
  Send(kMsgA);
  Send(kMsgC);
  ::SetWindowTextW(m_hwnd, L"x");  // a system message as well
  EXPECT_EQ(g_trace[0], "before A r=0");
  EXPECT_EQ(g_trace[2], "before C r=0");
  EXPECT_EQ(g_trace[4], "before " + std::to_string(WM_SETTEXT) + " r=0");

  // A specific message after ALL_MESSAGES is the table's only content.
  m_sub->ssc_AddMsg(m_hwnd, kMsgB, CSubclass::kMsgBefore);
  g_trace.clear();
  Send(kMsgA);
  Send(kMsgB);
  EXPECT_EQ(g_trace, (Lines{"orig A", "before B r=0", "orig B"}));

  // Removing: a list with things that are not messages, and a message never added.
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_AddMsg(m_hwnd, kMsgC, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_DelMsg(m_hwnd, CSubclass::kMsgBeforeAndAfter, {kMsgA, L"text", 2.5, WM_TIMER});
  g_trace.clear();
  Send(kMsgA);
  Send(kMsgB);
  Send(kMsgC);
  EXPECT_EQ(g_trace, (Lines{"orig A", "before B r=0", "orig B", "before C r=0", "orig C",
                            "after C r=10"}));

  // Removing from the after table only, then ALL_MESSAGES switches the before table off.
  m_sub->ssc_DelMsg(m_hwnd, CSubclass::kMsgAfter, kMsgC);
  m_sub->ssc_DelMsg(m_hwnd, CSubclass::kMsgBefore, ALL_MESSAGES);
  g_trace.clear();
  Send(kMsgB);
  Send(kMsgC);
  EXPECT_EQ(g_trace, (Lines{"orig B", "orig C"}));
}

TEST_F(SubclassTest, ThirtyThirdMessageIsLoggedAndNotReportedButStillReachesTheAfterTable) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace();
  for (UINT m = 0; m < 32; ++m) m_sub->ssc_AddMsg(m_hwnd, WM_APP + 100 + m, CSubclass::kMsgBefore);
  LogWatch log;
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);  // before table full, after table empty
  EXPECT_TRUE(log.Contains(
      L"CSubclass.zAddMsg: Message table overflow. Either increase the value of Const "
      L"MSG_ENTRIES or use ALL_MESSAGES instead of specific message values"));
  Send(kMsgA, 2);
  Send(WM_APP + 131);  // the 32nd one is there
  EXPECT_EQ(g_trace, (Lines{"orig A", "after A r=20", "before 32899 r=0"}));
}

TEST_F(SubclassTest, LParamUserIsKeptPerWindow) {
  HWND other = CreateTarget();
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd, 11));
  ASSERT_TRUE(m_sub->ssc_Subclass(other, 22));
  std::vector<LONG_PTR> seen;
  m_sub->WindowProc = [&](bool, bool&, LRESULT&, HWND hWnd, UINT, WPARAM, LPARAM,
                          LONG_PTR& lParamUser) {
    seen.push_back(lParamUser);
    if (hWnd == m_hwnd) lParamUser += 100;
  };
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBefore);
  m_sub->ssc_AddMsg(other, kMsgA, CSubclass::kMsgBefore);
  EXPECT_EQ(m_sub->zGet_lParamUser(m_hwnd), 11);
  Send(kMsgA);
  ::SendMessageW(other, kMsgA, 0, 0);
  EXPECT_EQ(m_sub->zGet_lParamUser(m_hwnd), 111);
  EXPECT_EQ(m_sub->zGet_lParamUser(other), 22);
  m_sub->zSet_lParamUser(other, 33);
  ::SendMessageW(other, kMsgA, 0, 0);
  Send(kMsgA);
  EXPECT_EQ(seen, (std::vector<LONG_PTR>{11, 22, 33, 111}));
  EXPECT_EQ(m_sub->zGet_lParamUser(m_hwnd), 211);
  m_sub.reset();
  ::DestroyWindow(other);
}

TEST_F(SubclassTest, CallOrigWndProcBypassesTheHook) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace();
  m_sub->ssc_AddMsg(m_hwnd, ALL_MESSAGES, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(m_sub->ssc_CallOrigWndProc(m_hwnd, kMsgB, 6, 0), 60);
  EXPECT_EQ(g_trace, (Lines{"orig B"}));
}

TEST_F(SubclassTest, EachHookedWindowGetsItsOwnProcedure) {
  HWND other = CreateTarget();
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  ASSERT_TRUE(m_sub->ssc_Subclass(other));
  EXPECT_NE(ProcOf(m_hwnd), m_orig);
  EXPECT_NE(ProcOf(other), m_orig);
  EXPECT_NE(ProcOf(m_hwnd), ProcOf(other));
  m_sub.reset();
  ::DestroyWindow(other);
}

// ---- nesting and release -------------------------------------------------------------------

TEST_F(SubclassTest, NestedMessageRunsInsideTheOuterOne) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace([this](bool bBefore, bool&, LRESULT&, HWND hWnd, UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
    if (bBefore && uMsg == kMsgA) {
      EXPECT_EQ(::SendMessageW(hWnd, kMsgB, 3, 0), 30);
    }
  });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_AddMsg(m_hwnd, kMsgB, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(Send(kMsgA, 1), 10);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "before B r=0", "orig B", "after B r=30", "orig A",
                            "after A r=10"}));
}

TEST_F(SubclassTest, UnhookInsideNestedCallbackWaitsForTheOutermostCall) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  WNDPROC hooked = ProcOf(m_hwnd);
  WNDPROC seenAfterInner = nullptr;
  Trace([&](bool bBefore, bool&, LRESULT&, HWND hWnd, UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
    if (!bBefore) return;
    if (uMsg == kMsgA) {
      ::SendMessageW(hWnd, kMsgB, 3, 0);
      // The inner call has returned, the outer is still running: the hook must still be in place.
      seenAfterInner = ProcOf(hWnd);
    } else if (uMsg == kMsgB) {
      m_sub->ssc_UnSubclass(hWnd);
    }
  });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_AddMsg(m_hwnd, kMsgB, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(Send(kMsgA, 2), 20);
  EXPECT_EQ(seenAfterInner, hooked);
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
  // No after call once unhooked, for the inner message nor the outer one.
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "before B r=0", "orig B", "orig A"}));
  g_trace.clear();
  Send(kMsgA);
  EXPECT_EQ(g_trace, (Lines{"orig A"}));
}

TEST_F(SubclassTest, UnSubclassStopsEventsAndFreesTheRecordLater) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace();
  m_sub->ssc_AddMsg(m_hwnd, ALL_MESSAGES, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_UnSubclass(m_hwnd);
  EXPECT_EQ(Send(kMsgA, 5), 50);
  EXPECT_EQ(g_trace, (Lines{"orig A"}));
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
  // Still held right away (deferred release), back in the pool after the timer.
  EXPECT_EQ(LiveRecords(), m_baseline + 1);
  EXPECT_TRUE(test::PumpUntil([&] { return LiveRecords() == m_baseline; }, 1000));
  // The window is not known any more: nothing is logged for the ignored lookup.
  LogWatch log;
  m_sub->ssc_UnSubclass(m_hwnd);
  EXPECT_EQ(log.NewText(), L"");
}

TEST_F(SubclassTest, HandlerMayDestroyTheCSubclass) {
  HWND other = CreateTarget();
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  ASSERT_TRUE(m_sub->ssc_Subclass(other));
  Trace([this](bool, bool&, LRESULT&, HWND, UINT, WPARAM, LPARAM, LONG_PTR&) { m_sub.reset(); });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(Send(kMsgA, 3), 30);  // still reaches the window, no after call
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A"}));
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
  EXPECT_EQ(ProcOf(other), m_orig);
  ::DestroyWindow(other);
}

TEST_F(SubclassTest, TeardownUnhooksEveryWindow) {
  HWND other = CreateTarget();
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  ASSERT_TRUE(m_sub->ssc_Subclass(other));
  Trace();
  m_sub->ssc_AddMsg(m_hwnd, ALL_MESSAGES, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_AddMsg(other, ALL_MESSAGES, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_Terminate();
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
  EXPECT_EQ(ProcOf(other), m_orig);
  Send(kMsgA);
  ::SendMessageW(other, kMsgB, 0, 0);
  EXPECT_EQ(g_trace, (Lines{"orig A", "orig B"}));
  // After termination the map is gone again.
  LogWatch log;
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBefore);
  EXPECT_TRUE(log.Contains(L"CSubclass.zMap_VFunction: Thunk hasn't been initialized"));
  // And hooking again works.
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBefore);
  g_trace.clear();
  Send(kMsgA);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A"}));
  ::DestroyWindow(other);
}

TEST_F(SubclassTest, WindowDestroyedWhileHookedReleasesItself) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace();
  m_sub->ssc_AddMsg(m_hwnd, WM_NCDESTROY, CSubclass::kMsgBeforeAndAfter);
  ASSERT_EQ(LiveRecords(), m_baseline + 1);
  HWND dead = m_hwnd;
  ::DestroyWindow(m_hwnd);
  EXPECT_EQ(g_trace, (Lines{"orig DESTROY", "before NCDESTROY r=0", "orig NCDESTROY",
                            "after NCDESTROY r=0"}));
  EXPECT_TRUE(test::PumpUntil([&] { return LiveRecords() == m_baseline; }, 1000));
  // The key stays until unhooked; operations on it find no record and do nothing.
  EXPECT_EQ(m_sub->zGet_lParamUser(dead), 0);
  m_sub->ssc_UnSubclass(dead);
  m_sub->ssc_Terminate();
}

TEST_F(SubclassTest, WindowDestroyedFromInsideItsOwnCallback) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace([](bool bBefore, bool&, LRESULT&, HWND hWnd, UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
    if (bBefore && uMsg == kMsgA) ::DestroyWindow(hWnd);
  });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  m_sub->ssc_AddMsg(m_hwnd, WM_NCDESTROY, CSubclass::kMsgBefore);
  Send(kMsgA, 1);
  EXPECT_FALSE(::IsWindow(m_hwnd));
  // The outer message still goes on to the (destroyed) window's previous procedure and its
  // after call, because the record stays valid until the outer call returns.
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig DESTROY", "before NCDESTROY r=0",
                            "orig NCDESTROY", "orig A", "after A r=10"}));
}

TEST_F(SubclassTest, HookedAgainFromInsideTheCallbackThatUnhooked) {
  // The old record cannot put the previous procedure back while the new one sits on top of it:
  // it stays in the chain, passing messages on, until the new one goes.
  CSubclass second;
  second.WindowProc = [](bool bBefore, bool&, LRESULT&, HWND, UINT uMsg, WPARAM, LPARAM,
                         LONG_PTR&) {
    g_trace.push_back(std::string(bBefore ? "second before " : "second after ") + Name(uMsg));
  };
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace([&](bool bBefore, bool&, LRESULT&, HWND hWnd, UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
    if (bBefore && uMsg == kMsgA) {
      m_sub->ssc_UnSubclass(hWnd);
      ASSERT_TRUE(second.ssc_Subclass(hWnd));
      second.ssc_AddMsg(hWnd, kMsgB, CSubclass::kMsgBefore);
    }
  });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBefore);
  Send(kMsgA);
  g_trace.clear();
  for (int i = 0; i < 2; ++i) Send(kMsgB);
  EXPECT_EQ(g_trace, (Lines{"second before B", "orig B", "second before B", "orig B"}));
  second.ssc_Terminate();
  g_trace.clear();
  Send(kMsgB);
  EXPECT_EQ(g_trace, (Lines{"orig B"}));
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
}

// A subclasser of another kind, on top of the hook.
WNDPROC g_thirdPrevious = nullptr;
LRESULT CALLBACK ThirdPartyProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m >= kMsgA && m <= kMsgC) g_trace.push_back("third " + Name(m));
  return ::CallWindowProcW(g_thirdPrevious, h, m, w, l);
}

TEST_F(SubclassTest, UnhookUnderAnotherSubclasserKeepsTheChain) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace();
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBefore);
  g_thirdPrevious = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ThirdPartyProc)));
  m_sub->ssc_UnSubclass(m_hwnd);
  Send(kMsgA);
  Send(kMsgA);
  EXPECT_EQ(g_trace, (Lines{"third A", "orig A", "third A", "orig A"}));
  EXPECT_EQ(ProcOf(m_hwnd), ThirdPartyProc);
  // The record is still in the chain: it must not go back to the pool.
  test::PumpFor(250);
  EXPECT_EQ(LiveRecords(), m_baseline + 1);
  // The other subclasser leaves; the next message lets the record go.
  ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_thirdPrevious));
  g_trace.clear();
  Send(kMsgA);
  EXPECT_EQ(g_trace, (Lines{"orig A"}));
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
}

TEST_F(SubclassTest, HandlerExceptionGivesTheUnhookedResult) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace([](bool, bool& bHandled, LRESULT& lReturn, HWND, UINT, WPARAM, LPARAM, LONG_PTR&) {
    bHandled = true;
    lReturn = 99;
    throw std::runtime_error("handler failed");
  });
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(Send(kMsgA, 2), 20);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A", "after A r=20"}));
}

// ---- the Unicode flag ---------------------------------------------------------------------

TEST_F(SubclassTest, UnicodeArgumentReportsTheWindowKindAndTextSurvivesEitherWay) {
  WNDCLASSA wc{};
  // A procedure of our own: the system's default procedures exist in both character sets.
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    return ::DefWindowProcA(h, m, w, l);
  };
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = "QorvSubclassAnsi";
  ::RegisterClassA(&wc);
  HWND ansi = ::CreateWindowExA(0, "QorvSubclassAnsi", "a", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(ansi);
  ASSERT_FALSE(::IsWindowUnicode(ansi));
  struct Row {
    HWND h;
    bool in;
    bool out;
  };
  const Row rows[] = {{m_hwnd, true, true}, {m_hwnd, false, false}, {ansi, true, false},
                      {ansi, false, false}};
  for (const Row& r : rows) {
    CSubclass sub;
    bool bUnicode = r.in;
    ASSERT_TRUE(sub.ssc_Subclass(r.h, 0, 1, true, bUnicode, false));
    EXPECT_EQ(bUnicode, r.out);
    sub.ssc_AddMsg(r.h, ALL_MESSAGES, CSubclass::kMsgBeforeAndAfter);
    int calls = 0;
    sub.WindowProc = [&](bool, bool&, LRESULT&, HWND, UINT, WPARAM, LPARAM, LONG_PTR&) {
      ++calls;
    };
    // Text for a Unicode window must not pass through the ANSI code page on its way, whatever
    // the caller asked for (U+0E01 exists in no code page the tests run with).
    const wchar_t* text = L"\u63d0\u793a \u0e01";
    EXPECT_TRUE(::SetWindowTextW(r.h, text));
    EXPECT_GT(calls, 0);
    wchar_t back[64] = {};
    if (r.h == m_hwnd) {
      ::GetWindowTextW(r.h, back, 64);
      EXPECT_STREQ(back, text);
    } else {
      // An ANSI window's procedure can only be reached through CallWindowProcW's conversion.
      EXPECT_TRUE(::SetWindowTextW(r.h, L"plain"));
      ::GetWindowTextW(r.h, back, 64);
      EXPECT_STREQ(back, L"plain");
    }
  }
  ::DestroyWindow(ansi);
}

// ---- misuse and its log texts ---------------------------------------------------------------

TEST_F(SubclassTest, RefusedHooksAreLoggedAndAllocateNothing) {
  struct Row {
    const char* what;
    HWND h;
    int nOrdinal;
    const wchar_t* text;
  };
  HWND desktop = ::GetDesktopWindow();
  DWORD desktopPid = 0;
  ::GetWindowThreadProcessId(desktop, &desktopPid);
  ASSERT_NE(desktopPid, ::GetCurrentProcessId()) << "the desktop should be another process's";
  const Row rows[] = {
      {"no window", nullptr, 1, L"CSubclass.ssc_Subclass: Invalid window handle"},
      {"made-up handle", reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff0f0)), 1,
       L"CSubclass.ssc_Subclass: Invalid window handle"},
      {"desktop (another process)", desktop, 1,
       L"CSubclass.ssc_Subclass: Window handle belongs to another process"},
      {"unknown callback", m_hwnd, 2, L"CSubclass.ssc_Subclass: Callback method not found"},
      {"no callback", m_hwnd, 0, L"CSubclass.ssc_Subclass: Callback method not found"},
  };
  for (const Row& r : rows) {
    LogWatch log;
    bool bUnicode = false;
    EXPECT_FALSE(m_sub->ssc_Subclass(r.h, 0, r.nOrdinal, true, bUnicode, false)) << r.what;
    EXPECT_TRUE(log.Contains(r.text)) << r.what << ": " << WideToUtf8(log.NewText());
    EXPECT_EQ(LiveRecords(), m_baseline) << r.what;
  }
  EXPECT_EQ(ProcOf(m_hwnd), m_orig);
  // None of these got past the allocation step, so there is still no map.
  LogWatch log;
  EXPECT_EQ(m_sub->zGet_lParamUser(m_hwnd), 0);
  EXPECT_TRUE(log.Contains(L"CSubclass.zMap_VFunction: Thunk hasn't been initialized"));
}

TEST_F(SubclassTest, SameWindowTwiceKeepsTheFirstHook) {
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd, 5));
  Trace();
  m_sub->ssc_AddMsg(m_hwnd, kMsgA, CSubclass::kMsgBefore);
  WNDPROC hooked = ProcOf(m_hwnd);
  LogWatch log;
  EXPECT_FALSE(m_sub->ssc_Subclass(m_hwnd, 6));
  EXPECT_TRUE(log.Contains(L"CSubclass.ssc_Subclass: Window handle is already subclassed"));
  EXPECT_EQ(LiveRecords(), m_baseline + 1);
  EXPECT_EQ(ProcOf(m_hwnd), hooked);
  EXPECT_EQ(m_sub->zGet_lParamUser(m_hwnd), 5);
  Send(kMsgA);
  EXPECT_EQ(g_trace, (Lines{"before A r=0", "orig A"}));
}

TEST_F(SubclassTest, OperationsOnWindowsThatAreNotHooked) {
  HWND other = CreateTarget();
  // Before any hook: no map.
  {
    LogWatch log;
    m_sub->ssc_AddMsg(other, kMsgA, CSubclass::kMsgBeforeAndAfter);
    EXPECT_EQ(m_sub->ssc_CallOrigWndProc(other, kMsgA, 1, 0), 0);
    m_sub->ssc_UnSubclass(other);
    const std::wstring text = log.NewText();
    size_t count = 0;
    for (size_t p = 0; (p = text.find(L"Thunk hasn't been initialized", p)) != std::wstring::npos;
         ++p) {
      ++count;
    }
    EXPECT_EQ(count, 3u) << WideToUtf8(text);
    EXPECT_EQ(text.find(L"does not exist"), std::wstring::npos);
  }
  ASSERT_TRUE(m_sub->ssc_Subclass(m_hwnd));
  Trace();
  struct Row {
    const char* what;
    std::function<void()> op;
    bool logged;
  };
  const Row rows[] = {
      {"AddMsg", [&] { m_sub->ssc_AddMsg(other, kMsgA, CSubclass::kMsgBeforeAndAfter); }, true},
      {"DelMsg", [&] { m_sub->ssc_DelMsg(other, CSubclass::kMsgBeforeAndAfter, {kMsgA, kMsgB}); }, true},
      {"CallOrigWndProc", [&] { EXPECT_EQ(m_sub->ssc_CallOrigWndProc(other, kMsgA, 1, 0), 0); },
       true},
      {"Get_lParamUser", [&] { EXPECT_EQ(m_sub->zGet_lParamUser(other), 0); }, true},
      {"Set_lParamUser", [&] { m_sub->zSet_lParamUser(other, 9); }, true},
      {"UnSubclass (errors ignored)", [&] { m_sub->ssc_UnSubclass(other); }, false},
      {"DelMsg never added on the hooked window", [&] { m_sub->ssc_DelMsg(m_hwnd, CSubclass::kMsgBeforeAndAfter, kMsgC); },
       false},
  };
  for (const Row& r : rows) {
    LogWatch log;
    r.op();
    EXPECT_EQ(log.Contains(L"CSubclass.zMap_VFunction: Thunk type for  does not exist"), r.logged)
        << r.what << ": " << WideToUtf8(log.NewText());
  }
  EXPECT_EQ(g_trace, Lines{});
  ::SendMessageW(other, kMsgA, 0, 0);
  EXPECT_EQ(g_trace, (Lines{"orig A"}));
  // With the map empty again nothing is logged at all.
  m_sub->ssc_UnSubclass(m_hwnd);
  LogWatch log;
  m_sub->ssc_AddMsg(other, kMsgA, CSubclass::kMsgBeforeAndAfter);
  EXPECT_EQ(log.NewText(), L"");
  ::DestroyWindow(other);
}

TEST_F(SubclassTest, FullPoolIsReportedAsAllocationFailure) {
  // A record cut out of its window's chain by someone else's unconditional restore never sees the
  // window's WM_NCDESTROY; once the window is gone, a full pool takes it back.
  HWND cutOut = CreateTarget();
  ASSERT_TRUE(m_sub->ssc_Subclass(cutOut));
  ::SetWindowLongPtrW(cutOut, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_orig));
  m_sub->ssc_UnSubclass(cutOut);
  ::DestroyWindow(cutOut);
  test::PumpFor(250);
  ASSERT_EQ(LiveRecords(), m_baseline + 1);

  std::vector<HWND> windows;
  const int room = static_cast<int>(kPoolSize) - m_baseline;
  for (int i = 0; i < room; ++i) {
    windows.push_back(CreateTarget());
    ASSERT_TRUE(m_sub->ssc_Subclass(windows.back())) << i;
  }
  EXPECT_EQ(LiveRecords(), static_cast<int>(kPoolSize));
  windows.push_back(CreateTarget());
  LogWatch log;
  EXPECT_FALSE(m_sub->ssc_Subclass(windows.back()));
  EXPECT_TRUE(log.Contains(L"CSubclass.ssc_Subclass: VirtualAlloc failed, error: 8"));
  EXPECT_EQ(ProcOf(windows.back()), m_orig);
  m_sub->ssc_Terminate();
  for (HWND h : windows) {
    EXPECT_EQ(ProcOf(h), m_orig);
    ::DestroyWindow(h);
  }
}

// ---- the record itself ----------------------------------------------------------------------

TEST_F(SubclassTest, RecordWhoseCallbackIsGoneUnhooksAndDestroysAnApiWindow) {
  for (bool destroy : {false, true}) {
    HWND h = CreateTarget();
    Record* r = Acquire(MSG_ENTRIES);
    ASSERT_TRUE(r);
    ASSERT_TRUE(Install(r, h, nullptr, nullptr, 0, destroy, true));
    g_trace.clear();
    EXPECT_EQ(::SendMessageW(h, kMsgA, 4, 0), 40);
    EXPECT_EQ(r->release, kReleaseInvalidCallback);
    EXPECT_EQ(::IsWindow(h) == FALSE, destroy);
    if (destroy) {
      EXPECT_EQ(g_trace, (Lines{"orig A", "orig DESTROY", "orig NCDESTROY"}));
    } else {
      EXPECT_EQ(g_trace, (Lines{"orig A"}));
      EXPECT_EQ(ProcOf(h), m_orig);
      ::DestroyWindow(h);
    }
    EXPECT_TRUE(test::PumpUntil([&] { return LiveRecords() == m_baseline; }, 1000));
  }
}

// ---- mouse-leave tracking -------------------------------------------------------------------

TEST_F(SubclassTest, TrackMouseTrackingAsksForOneMouseLeave) {
  HWND h = CreateTarget(true);
  ::SetWindowPos(h, HWND_TOPMOST, 0, 0, 200, 200, SWP_SHOWWINDOW);
  ::SetForegroundWindow(h);
  ::SetCursorPos(100, 100);
  test::PumpFor(200);
  ASSERT_TRUE(m_sub->ssc_Subclass(h));
  int leaves = 0;
  m_sub->WindowProc = [&](bool, bool&, LRESULT&, HWND, UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
    if (uMsg == WM_MOUSELEAVE) ++leaves;
  };
  m_sub->ssc_AddMsg(h, WM_MOUSELEAVE, CSubclass::kMsgBefore);
  m_sub->TrackMouseTracking(h);
  test::PumpFor(200);
  EXPECT_EQ(leaves, 0);
  ::SetCursorPos(600, 600);
  EXPECT_TRUE(test::PumpUntil([&] { return leaves > 0; }, 3000));
  ::SetCursorPos(100, 100);
  test::PumpFor(100);
  ::SetCursorPos(600, 600);
  test::PumpFor(400);
  EXPECT_EQ(leaves, 1);  // one request, one notification
  m_sub.reset();
  ::DestroyWindow(h);
}

}  // namespace
}  // namespace qorv::subclass
