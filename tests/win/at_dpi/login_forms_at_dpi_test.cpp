// The login screen on a display at 144 DPI (150 %), as scripts/wine-at-dpi runs it, shown once its
// page has loaded: the page window lies exactly on the background picture, and the page's box,
// the page and both buttons sit on the same spot of the artwork as in the 1237 x 696 design,
// whether the screen holds the whole background at that DPI or it had to shrink to fit.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/win/dpi.h"
#include "base/win/form.h"
#include "login/login_forms.h"
#include "win/support/scripted_browser.h"
#include "win/support/test_window.h"

namespace qorv::login {
namespace {

// The design, in the background picture's pixels at 96 DPI.
constexpr RECT kDesignBox{399, 119, 399 + 748, 119 + 456};
constexpr RECT kDesignPage{-1, -1, -1 + 767, -1 + 475};  // in the box
constexpr RECT kDesignMini{1130, 116, 1130 + 32, 116 + 32};
constexpr RECT kDesignClose{1146, 147, 1146 + 40, 147 + 40};

RECT InParent(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<HWND> Children(HWND parent, const wchar_t* className) {
  std::vector<HWND> found;
  for (HWND h = ::FindWindowExW(parent, nullptr, className, nullptr); h;
       h = ::FindWindowExW(parent, h, className, nullptr)) {
    found.push_back(h);
  }
  return found;
}

std::string Text(const RECT& r) {
  char text[64];
  std::snprintf(text, sizeof(text), "(%ld, %ld) %ld x %ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return text;
}

class LoginAtDpi : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterLoginForms();
    LoginForm();
    browser = test::ScriptedBrowsers::Last();
    ASSERT_NE(browser, nullptr);
    ASSERT_FALSE(browser->navigations.empty());
    browser->LoadPage(browser->navigations.back(), L"<body>x</body>");
    test::PumpFor(200);
    ASSERT_TRUE(LoginBgLoaded());
    background = LoginBgForm().Hwnd();
    page = LoginForm().Hwnd();
    ASSERT_EQ(win::DpiOf(page), 144) << "not run at 144 DPI (scripts/wine-at-dpi)";
  }
  void TearDown() override {
    CloseLoginScreen();
    test::PumpFor(50);
    win::Application::Instance().CollectReleased();
  }

  test::ScriptedBrowsers browsers;
  test::ScriptedBrowser* browser = nullptr;
  HWND background = nullptr;
  HWND page = nullptr;
};

TEST_F(LoginAtDpi, ThePageBoxAndButtonsSitWhereTheDesignPutsThemOnTheBackground) {
  ASSERT_TRUE(::IsWindowVisible(background));
  ASSERT_TRUE(::IsWindowVisible(page));
  RECT bg{}, pg{};
  ::GetWindowRect(background, &bg);
  ::GetWindowRect(page, &pg);
  EXPECT_TRUE(::EqualRect(&bg, &pg)) << Text(bg) << " under " << Text(pg);

  // The background is the design at 150 %, or that shrunk in its proportions to the work area.
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const double fx = (bg.right - bg.left) / 1237.0, fy = (bg.bottom - bg.top) / 696.0;
  EXPECT_NEAR(fx, fy, 0.005);
  if (work.right - work.left >= 1856 && work.bottom - work.top >= 1044) {
    EXPECT_NEAR(fx, 1.5, 0.001);
  }
  EXPECT_GE(bg.left, work.left);
  EXPECT_GE(bg.top, work.top);
  EXPECT_LE(bg.right, work.right);
  EXPECT_LE(bg.bottom, work.bottom);

  HWND box = ::GetParent(browser->ControlWindow());
  std::vector<HWND> buttons = Children(page, L"Qorv.ImageControl");
  ASSERT_EQ(buttons.size(), 2u);
  // Minimise left of close, whatever order the system keeps siblings in.
  if (InParent(buttons[0]).left > InParent(buttons[1]).left) std::swap(buttons[0], buttons[1]);
  struct Case {
    const char* name;
    HWND window;
    RECT design;
  } cases[] = {
      {"page box", box, kDesignBox},
      {"page", browser->ControlWindow(), kDesignPage},
      {"minimise", buttons[0], kDesignMini},
      {"close", buttons[1], kDesignClose},
  };
  for (const Case& c : cases) {
    const RECT got = InParent(c.window);
    SCOPED_TRACE(testing::Message() << c.name << " at " << Text(got));
    // Each place is rounded once at the DPI and once more when shrunk: a pixel either way.
    EXPECT_NEAR(got.left, c.design.left * fx, 1.0);
    EXPECT_NEAR(got.top, c.design.top * fy, 1.0);
    EXPECT_NEAR(got.right - got.left, (c.design.right - c.design.left) * fx, 1.0);
    EXPECT_NEAR(got.bottom - got.top, (c.design.bottom - c.design.top) * fy, 1.0);
  }
}

}  // namespace
}  // namespace qorv::login
