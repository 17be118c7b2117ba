// The game window driven for a long while, its pages and the login screen played by the scripted
// browser: a thousand resizes, hundreds of tabs, exit questions and login screens leave the
// window and GDI counts, the heap and the working set where they were after a warm-up.
//
// Under Wine the working set also holds the X11 driver's own memory, which follows window sizes
// and the X server rather than the client, so it gets a loose bound that still catches a bitmap
// or page lost per resize; the blocks in use on the process's heaps (everything the client
// allocates) get a tight one.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/win/form.h"
#include "base/win/form_registry.h"
#include "gamewindow/msg_frm.h"
#include "gamewindow/web_main_frm.h"
#include "gamewindow/web_url.h"
#include "login/login_forms.h"
#include "win/support/exit_question.h"
#include "win/support/gdi_count.h"
#include "win/support/scripted_browser.h"
#include "win/support/test_window.h"

namespace qorv::gamewindow {
namespace {

using test::ScriptedBrowser;
using test::ScriptedBrowsers;

struct Figures {
  long windows = 0;
  long gdi = 0;
  long heapKb = 0;
  long workingSetKb = 0;
};

long HeapInUseKb() {
  HANDLE heaps[64];
  DWORD count = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
  long long bytes = 0;
  for (DWORD i = 0; i < count; ++i) {
    ::HeapLock(heaps[i]);
    PROCESS_HEAP_ENTRY entry{};
    while (::HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
    }
    ::HeapUnlock(heaps[i]);
  }
  return static_cast<long>(bytes / 1024);
}

Figures Measure() {
  // What the scripted browsers record is the test's, not the client's.
  for (ScriptedBrowser* b : ScriptedBrowsers::Browsers()) {
    b->moves = {};
    b->navigations = {};
    b->silentCalls = {};
  }
  // Released forms and the message hooks' deferred releases (100 ms) go first.
  win::Application::Instance().CollectReleased();
  test::PumpFor(250);
  win::Application::Instance().CollectReleased();
  Figures f;
  f.windows = test::ThreadWindowCount();
  f.gdi = test::GdiObjectCount();
  f.heapKb = HeapInUseKb();
  PROCESS_MEMORY_COUNTERS memory{sizeof(memory)};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
  f.workingSetKb = static_cast<long>(memory.WorkingSetSize / 1024);
  return f;
}

void Print(const char* when, const Figures& f) {
  std::printf("soak %-9s windows %ld, GDI objects %ld, heap in use %ld KB, working set %ld KB\n",
              when, f.windows, f.gdi, f.heapKb, f.workingSetKb);
  std::fflush(stdout);
}

void Click(controls::iButton& button) {
  ::SendMessageW(button.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ::SendMessageW(button.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

class SoakTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterGameWindow();
    login::RegisterLoginForms();
    win::Forms().splashIfLoaded = []() -> win::ISplashForm* { return nullptr; };
    DefaultBrowserLauncher() = [](const std::wstring&) {};
    m_main = &MainForm();
    m_main->SetURL(L"http://127.0.0.1:9/game");
    m_main->Show();
    Click(m_main->Button(2));  // restored: a window that can be given any size
  }
  void TearDown() override {
    login::CloseLoginScreen();
    if (WebMainFrm* f = MainFormIfLoaded()) {
      f->m_bExit = true;
      f->Unload();
    }
    win::Application::Instance().CollectReleased();
    test::PumpFor(50);
  }

  void Resizes(int n) {
    for (int i = 0; i < n; ++i) {
      // 40 sizes, all met in the warm-up.
      ::SetWindowPos(m_main->Hwnd(), nullptr, 0, 0, 480 + (i % 8) * 90, 360 + (i % 5) * 110,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  void Tabs(int n) {
    auto& items = m_main->WebuTab().TabItems();
    for (int i = 0; i < n; ++i) {
      m_main->OpenPage(L"http://127.0.0.1:9/news?" + std::to_wstring(i));
      auto* page = static_cast<ScriptedBrowser*>(
          static_cast<WebUrl*>(items.Item(1)->Form().get())->Browser());
      page->FireTitleChange(L"公告 " + std::to_wstring(i));
      items.Remove(int32_t{1});
      if (i % 20 == 0) test::PumpFor(0);
    }
  }
  void ExitQuestions(int n) {
    for (int i = 0; i < n; ++i) {
      test::AnswerExitQuestionLater(false, 10);
      m_main->CloseClick();
      ASSERT_EQ(MsgFrm::IfLoaded(), nullptr);
      ASSERT_NE(MainFormIfLoaded(), nullptr);
    }
  }
  // As OtherUserBtn does it, then closed as Alt+F4 on the page window closes it.
  void LoginScreens(int n) {
    for (int i = 0; i < n; ++i) {
      Click(m_main->Button(4));
      login::LoginFrm* page = login::LoginFormIfLoaded();
      ASSERT_NE(page, nullptr);
      ASSERT_TRUE(::IsWindowVisible(page->Hwnd()));
      ::SendMessageW(page->Hwnd(), WM_CLOSE, 0, 0);
      ASSERT_EQ(login::LoginFormIfLoaded(), nullptr);
      ASSERT_FALSE(login::LoginBgLoaded());
      win::Application::Instance().CollectReleased();
    }
  }

  ScriptedBrowsers m_browsers;
  WebMainFrm* m_main = nullptr;
};

TEST_F(SoakTest, ResizesTabsExitQuestionsAndLoginScreensLeaveNothingBehind) {
  // Warm-up: first-use allocations, the system's caches and the skin's pieces.
  Resizes(80);
  Tabs(10);
  ExitQuestions(5);
  LoginScreens(5);
  const Figures start = Measure();
  Print("warmed-up", start);

  Resizes(500);
  Tabs(100);
  ExitQuestions(50);
  LoginScreens(50);
  const Figures half = Measure();
  Print("half-way", half);

  Resizes(500);
  Tabs(100);
  ExitQuestions(50);
  LoginScreens(50);
  const Figures end = Measure();
  Print("end", end);

  EXPECT_EQ(end.windows, start.windows);
  EXPECT_LE(end.gdi, start.gdi + 4);
  // 32 bytes lost per resize would be 32 KB.
  EXPECT_LE(end.heapKb, start.heapKb + 32);
  EXPECT_LE(end.heapKb, half.heapKb + 16);
  // One 1036 x 639 bitmap lost per resize would be 2.6 GB.
  EXPECT_LE(end.workingSetKb, start.workingSetKb + 32 * 1024);
  EXPECT_EQ(m_main->WebuTab().TabItems().Count(), 1);
  EXPECT_EQ(ScriptedBrowsers::Browsers().size(), 2u);  // the game page and the placeholder
}

}  // namespace
}  // namespace qorv::gamewindow
