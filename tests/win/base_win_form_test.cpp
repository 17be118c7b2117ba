// Form lifetime and the message loop: forms whose windows go without Unload, modal forms, the
// key filter ahead of translation, and a hand-over from the last form to a new one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/win/form.h"
#include "win/support/test_window.h"

namespace qorv::win {
namespace {

std::vector<std::string> g_events;

class PlainForm : public Form {
 public:
  HWND owner = nullptr;

 protected:
  void CreateFormWindow() override {
    RegisterClassOnce(L"Qorv.TestPlainForm");
    Create(L"Qorv.TestPlainForm", 0, L"plain", WS_POPUP, 0, 0, 100, 80, owner);
  }
  void OnUnload() override { g_events.push_back("unload"); }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_KEYDOWN) g_events.push_back("key " + std::to_string(wParam));
    if (msg == WM_APP) Unload();
    return Form::HandleMessage(msg, wParam, lParam);
  }
};

FormHolder<PlainForm> g_first;
FormHolder<PlainForm> g_second;

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override { g_events.clear(); }
  void TearDown() override {
    if (auto* f = g_first.IfLoaded()) f->Unload();
    if (auto* f = g_second.IfLoaded()) f->Unload();
    Application::Instance().CollectReleased();
  }
};

TEST_F(FormTest, AWindowDestroyedFromOutsideUnloadsItsForm) {
  const int before = Application::Instance().LoadedForms();
  HWND hwnd = g_first.Get().Hwnd();
  ::DestroyWindow(hwnd);
  EXPECT_FALSE(g_first.IsLoaded());
  EXPECT_EQ(Application::Instance().LoadedForms(), before);
  EXPECT_EQ(g_events, std::vector<std::string>{"unload"});

  // An owned form goes with its owner.
  HWND owner = test::CreateHostWindow(0, 0, 50, 50);
  PlainForm& owned = g_second.Get();
  ::SetWindowLongPtrW(owned.Hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  ::DestroyWindow(owner);
  EXPECT_FALSE(g_second.IsLoaded());
  Application::Instance().CollectReleased();
}

TEST_F(FormTest, ShowModalDisablesTheOwnerUntilTheFormIsUnloaded) {
  HWND owner = test::CreateHostWindow(0, 0, 200, 200);
  PlainForm& dialog = g_first.Get();
  bool enabledDuring = true;
  ::SetTimer(owner, 1, 50, nullptr);
  // The timer fires inside the modal loop: look at the owner, then close the dialog.
  struct Ctx {
    HWND owner;
    HWND dialog;
    bool* enabledDuring;
  };
  static Ctx ctx;
  ctx = {owner, dialog.Hwnd(), &enabledDuring};
  ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    *ctx.enabledDuring = ::IsWindowEnabled(ctx.owner) != FALSE;
    ::PostMessageW(ctx.dialog, WM_APP, 0, 0);
  });
  Application::Instance().ShowModal(dialog, owner);
  EXPECT_FALSE(enabledDuring);
  EXPECT_TRUE(::IsWindowEnabled(owner));
  EXPECT_FALSE(g_first.IsLoaded());
  ::DestroyWindow(owner);
}

TEST_F(FormTest, KeysReachTheFilterOfTheWindowThatContainsTheFocus) {
  PlainForm& form = g_first.Get();
  HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, form.Hwnd(), nullptr,
                                 nullptr, nullptr);
  std::vector<WPARAM> filtered;
  Application::Instance().SetKeyFilter(form.Hwnd(), [&](MSG& m) {
    filtered.push_back(m.wParam);
    return m.wParam == VK_TAB;  // consumed: never translated or dispatched
  });
  MSG tab{child, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  MSG enter{form.Hwnd(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  MSG click{form.Hwnd(), WM_LBUTTONDOWN, 0, 0, 0, {}};
  EXPECT_TRUE(Application::Instance().PreTranslate(tab));
  EXPECT_FALSE(Application::Instance().PreTranslate(enter));
  EXPECT_FALSE(Application::Instance().PreTranslate(click));  // keys only
  EXPECT_EQ(filtered, (std::vector<WPARAM>{VK_TAB, VK_RETURN}));

  // Through the real loop: Tab is consumed, Enter arrives.
  ::PostMessageW(child, WM_KEYDOWN, VK_TAB, 0);
  ::PostMessageW(form.Hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  Application::Instance().PumpPending();
  EXPECT_EQ(g_events, std::vector<std::string>{"key 13"});
  Application::Instance().RemoveKeyFilter(form.Hwnd());
  MSG again{child, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_FALSE(Application::Instance().PreTranslate(again));
}

TEST_F(FormTest, TheLoopGoesOnWhenTheLastFormHandsOverToANewOne) {
  const int before = Application::Instance().LoadedForms();
  PlainForm& first = g_first.Get();
  // One handler unloads the only form and loads another, as the login screen does for the game.
  ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_first.IfLoaded()->Unload();
    g_second.Get();
    ::PostMessageW(g_second.IfLoaded()->Hwnd(), WM_APP, 0, 0);  // and that one goes later
  });
  (void)first;
  ASSERT_EQ(before, 0) << "each test runs in a process of its own";
  EXPECT_EQ(Application::Instance().Run(), 0);
  EXPECT_FALSE(g_second.IsLoaded());
  EXPECT_EQ(g_events, (std::vector<std::string>{"unload", "unload"}));
}

}  // namespace
}  // namespace qorv::win
