// The updater's window loaded in this process. Its load runs a whole pass; this program's command
// line names no client directory, so the pass is refused and the window ends in its closing
// message, which is where it is read.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/win/form.h"
#include "controls/bform.h"
#include "controls/ibutton.h"
#include "startup/update_check.h"
#include "updater/kp_progress_bar.h"
#include "updater/progress_bar_model.h"
#include "updater/update_frm.h"
#include "updater/update_pass.h"

namespace qorv::updater {
namespace {

std::vector<HWND> ThreadDialogs() {
  std::vector<HWND> found;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND h, LPARAM lp) -> BOOL {
        wchar_t cls[16] = {};
        ::GetClassNameW(h, cls, 16);
        if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(h)) {
          reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring TextOf(HWND h) {
  wchar_t text[256] = {};
  ::GetWindowTextW(h, text, 256);
  return text;
}

// The child's rectangle in its parent's client pixels: {left, top, width, height}.
RECT PlaceOf(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

struct Seen {
  bool boxUp = false;
  std::wstring boxText;
  HWND boxOwner = nullptr;
  size_t dialogsAfterClose = 0;
  RECT window{}, frame{}, close{}, label{}, bar{};
  bool cornerCut = false, edgeIn = false;
};
Seen* g_seen = nullptr;

void ReadWhileTheClosingMessageShows(HWND form) {
  Seen& s = *g_seen;
  s.boxUp = true;
  ::GetWindowRect(form, &s.window);
  s.frame = PlaceOf(::FindWindowExW(form, nullptr, controls::kBFormClass, nullptr));
  s.close = PlaceOf(::FindWindowExW(form, nullptr, controls::kIButtonClass, nullptr));
  s.label = PlaceOf(::FindWindowExW(form, nullptr, L"Static", nullptr));
  s.bar = PlaceOf(::FindWindowExW(form, nullptr, kKpProgressBarClass, nullptr));
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  if (::GetWindowRgn(form, region) != ERROR) {
    s.cornerCut = !::PtInRegion(region, 0, 0);
    s.edgeIn = ::PtInRegion(region, 200, 0) != FALSE;
  }
  ::DeleteObject(region);

  HWND box = ThreadDialogs().front();
  s.boxText = TextOf(::GetDlgItem(box, 0xFFFF));
  s.boxOwner = ::GetWindow(box, GW_OWNER);
  // The pass is over: a close request now has nothing left to stop, so it asks nothing.
  ::SendMessageW(form, WM_CLOSE, 0, 0);
  s.dialogsAfterClose = ThreadDialogs().size();
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (ThreadDialogs().empty()) return;  // not yet
  ::KillTimer(nullptr, id);
  HWND form = ::FindWindowW(kUpdateFrmClass, nullptr);
  if (form) ReadWhileTheClosingMessageShows(form);
}

TEST(UpdateFrm, LaysOutItsControlsAndAsksNothingOnceThePassIsOver) {
  Seen seen;
  g_seen = &seen;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 50, OnTimer);
  win::FormHolder<UpdateFrm> holder;
  holder.Get();  // returns once the window unloaded itself
  ::KillTimer(nullptr, timer);
  win::Application::Instance().CollectReleased();
  g_seen = nullptr;

  ASSERT_TRUE(seen.boxUp) << "no closing message";
  EXPECT_EQ(seen.boxText, kUpdateFailedText);
  EXPECT_NE(seen.boxOwner, nullptr);
  EXPECT_EQ(seen.dialogsAfterClose, 1u) << "a close request after the pass asked again";
  EXPECT_FALSE(holder.IsLoaded());
  EXPECT_EQ(::FindWindowW(kUpdateFrmClass, nullptr), nullptr);

  constexpr int kWidth = 400, kHeight = 110;  // 6000 x 1650 twips at 96 DPI
  EXPECT_EQ(seen.window.right - seen.window.left, kWidth);
  EXPECT_EQ(seen.window.bottom - seen.window.top, kHeight);
  EXPECT_TRUE(seen.cornerCut) << "the window is not rounded";
  EXPECT_TRUE(seen.edgeIn);
  struct Expected {
    const char* name;
    const RECT& got;
    RECT want;  // left, top, width, height
  } cases[] = {
      {"BForm1", seen.frame, {0, 0, kWidth, 33}},
      // 730 twips from the right edge.
      {"closebtn", seen.close, {kWidth - 49, 6, 43, 18}},
      {"Label1", seen.label, {16, 46, kWidth - 32, 18}},
      {"KpProgressBar1", seen.bar, {16, 76, kWidth - 32, kProgressBarHeight}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.got.left, c.want.left) << c.name;
    EXPECT_EQ(c.got.top, c.want.top) << c.name;
    EXPECT_EQ(c.got.right, c.want.right) << c.name << " width";
    EXPECT_EQ(c.got.bottom, c.want.bottom) << c.name << " height";
  }
}

}  // namespace
}  // namespace qorv::updater
