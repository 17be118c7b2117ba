// The skin button with real windows, real input routing and its real hover poll: frames read
// back from its image, events in order, the poll switching itself off, and handlers that destroy
// the button.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/ibutton.h"
#include "win/support/gdi_count.h"
#include "win/support/test_window.h"

namespace qorv::controls {
namespace {

using test::PumpFor;
using test::PumpUntil;

constexpr POINT kAway{1250, 1000};

void CursorAway() {
  ::SetCursorPos(kAway.x, kAway.y);
  PumpFor(30);
}

POINT ScreenCentre(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }


long GdiObjects() { return test::GdiObjectCount(); }

TEST(GdiCount, SeesObjectsComeAndGo) {
  long before = GdiObjects();
  ASSERT_GT(before, 0);
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 10; ++i) brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
  EXPECT_EQ(GdiObjects(), before + 10);
  for (HBRUSH b : brushes) ::DeleteObject(b);
  EXPECT_EQ(GdiObjects(), before);
}

// Frame i of a strip resource, pixel by pixel, as the screen's format shows it.
std::vector<COLORREF> StripFrame(int resourceId, int index, int fw, int fh) {
  std::vector<COLORREF> px;
  HBITMAP strip = ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId));
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, strip);
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < fw; ++x) px.push_back(::GetPixel(dc, index * fw + x, y));
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(strip);
  return px;
}

std::vector<COLORREF> Shown(const iButton& b, int fw, int fh) {
  std::vector<COLORREF> px;
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < fw; ++x) px.push_back(::GetPixel(b.hdc(), x, y));
  return px;
}

class IButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CursorAway();
    m_host = test::CreateHostWindow(100, 100, 400, 300);
    PumpFor(30);
  }
  void TearDown() override {
    m_btn.reset();
    ::DestroyWindow(m_host);
    CursorAway();
  }

  iButton& Make(int resourceId, int32_t style = 0, int x = 20, int y = 20) {
    m_btn = std::make_unique<iButton>();
    EXPECT_TRUE(m_btn->Create(m_host, x, y, 100, 40));
    if (style) m_btn->SetStyle(style);
    if (resourceId) m_btn->SetBackPicture(resourceId);
    Record(*m_btn);
    PumpFor(20);
    return *m_btn;
  }

  void Record(iButton& b) {
    b.Click = [this] { m_events.push_back("Click"); };
    b.MouseDown = [this](int16_t& btn, int16_t&, float&, float&) {
      m_events.push_back("MouseDown" + std::to_string(btn));
    };
    b.MouseUp = [this](int16_t& btn, int16_t&, float&, float&) {
      m_events.push_back("MouseUp" + std::to_string(btn));
    };
    b.KeyDown = [this](int16_t& k, int16_t&) { m_events.push_back("KeyDown" + std::to_string(k)); };
    b.KeyUP = [this](int16_t& k, int16_t&) { m_events.push_back("KeyUP" + std::to_string(k)); };
    b.KeyPress = [this](int16_t& k) { m_events.push_back("KeyPress" + std::to_string(k)); };
    b.MouseOut = [this] { m_events.push_back("MouseOut"); };
    b.MouseOver = [this] { m_events.push_back("MouseOver"); };
    b.DBClick = [this] { m_events.push_back("DBClick"); };
    b.MouseMove = [this](int16_t&, int16_t&, float&, float&) { ++m_moves; };
  }

  // The real cursor over the button; the system's own mouse move reaches it.
  void Hover(iButton& b) {
    POINT c = ScreenCentre(b.hWnd());
    ::SetCursorPos(c.x, c.y);
    if (!PumpUntil([&] { return b.Hovering(); }, 500))
      ::SendMessageW(b.hWnd(), WM_MOUSEMOVE, 0, At(5, 5));
    ASSERT_TRUE(b.Hovering());
  }
  void LeftDown(iButton& b) { ::SendMessageW(b.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5)); }
  void LeftUp(iButton& b, LPARAM at = MAKELPARAM(5, 5)) {
    ::SendMessageW(b.hWnd(), WM_LBUTTONUP, 0, at);
  }

  HWND m_host = nullptr;
  std::unique_ptr<iButton> m_btn;
  std::vector<std::string> m_events;
  int m_moves = 0;
};

using Events = std::vector<std::string>;

TEST_F(IButtonTest, PushButtonShowsEachFrameAndClicksOnce) {
  iButton& b = Make(103);
  RECT rc{};
  ::GetClientRect(b.hWnd(), &rc);
  EXPECT_EQ(rc.right, 43);  // AutoSize: one frame of the 129 x 18 strip
  EXPECT_EQ(rc.bottom, 18);
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 0, 43, 18));
  Hover(b);
  EXPECT_EQ(b.LastFrame().frame, 1);
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 1, 43, 18));
  LeftDown(b);
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 2, 43, 18));
  LeftUp(b);
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 1, 43, 18));
  EXPECT_EQ(m_events, (Events{"MouseOver", "MouseDown1", "MouseUp1", "Click"}));
  EXPECT_GT(m_moves, 0);
  // The image reaches the screen.
  ::UpdateWindow(b.hWnd());
  POINT c = ScreenCentre(b.hWnd());
  EXPECT_EQ(test::ScreenPixel(c.x, c.y), ::GetPixel(b.hdc(), 21, 9));
}

TEST_F(IButtonTest, ToggleUsesTheSecondHalfAndInvertsValueBeforeClick) {
  iButton& b = Make(102, 1);
  b.SetValue(true);
  EXPECT_EQ(b.Frames().fw, 25);
  EXPECT_EQ(Shown(b, 25, 18), StripFrame(102, 3, 25, 18));
  Hover(b);
  EXPECT_EQ(Shown(b, 25, 18), StripFrame(102, 4, 25, 18));
  LeftDown(b);
  EXPECT_EQ(Shown(b, 25, 18), StripFrame(102, 5, 25, 18));
  bool valueAtClick = true;
  b.Click = [&] { valueAtClick = b.Value(); };
  LeftUp(b);
  EXPECT_FALSE(valueAtClick);
  EXPECT_EQ(Shown(b, 25, 18), StripFrame(102, 1, 25, 18));  // hover, Value false

  // A push button keeps Value false.
  iButton& push = Make(101);
  push.SetValue(true);
  EXPECT_FALSE(push.Value());
}

TEST_F(IButtonTest, LockedShowsPressedThroughoutAndStillClicks) {
  iButton& b = Make(103);
  b.SetLocked(true);
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 2, 43, 18));
  Hover(b);
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 2, 43, 18));
  LeftDown(b);
  LeftUp(b);
  CursorAway();
  PumpUntil([&] { return !b.Hovering(); }, 1000);
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 2, 43, 18));
  EXPECT_EQ(m_events, (Events{"MouseOver", "MouseDown1", "MouseUp1", "Click", "MouseOut"}));
}

TEST_F(IButtonTest, RightButtonGivesNoPressedLookAndNoClick) {
  iButton& b = Make(103);
  ::SetFocus(b.hWnd());  // a press focuses the button; here it already has the focus
  Hover(b);
  ::SendMessageW(b.hWnd(), WM_RBUTTONDOWN, MK_RBUTTON, At(5, 5));
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 1, 43, 18));
  ::SendMessageW(b.hWnd(), WM_RBUTTONUP, 0, At(5, 5));
  ::SendMessageW(b.hWnd(), WM_RBUTTONDBLCLK, MK_RBUTTON, At(5, 5));
  ::SendMessageW(b.hWnd(), WM_RBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(m_events, (Events{"MouseOver", "MouseDown2", "MouseUp2", "DBClick", "MouseUp2"}));
  EXPECT_EQ(::GetCapture(), nullptr);  // no button left captured
}

TEST_F(IButtonTest, DragOutAndReleaseOutsideGivesNoClickAndMouseOutAfterTheNextTick) {
  iButton& b = Make(103);
  Hover(b);
  LeftDown(b);
  EXPECT_EQ(::GetCapture(), b.hWnd());
  CursorAway();
  ASSERT_TRUE(PumpUntil([&] { return b.Look() == 0; }, 1000));  // a tick: normal look, held
  EXPECT_TRUE(b.Held());
  EXPECT_TRUE(b.HoverPollRunning());
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 0, 43, 18));
  // Back over while held: pressed again at the next tick.
  Hover(b);
  ASSERT_TRUE(PumpUntil([&] { return b.Look() == 2; }, 1000));
  CursorAway();
  ASSERT_TRUE(PumpUntil([&] { return b.Look() == 0; }, 1000));
  LeftUp(b, MAKELPARAM(-300, 400));
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(m_events, (Events{"MouseOver", "MouseDown1", "MouseUp1"}));
  ASSERT_TRUE(PumpUntil([&] { return !b.HoverPollRunning(); }, 1000));
  EXPECT_EQ(m_events, (Events{"MouseOver", "MouseDown1", "MouseUp1", "MouseOut"}));
}

TEST_F(IButtonTest, HoverPollSwitchesItselfOff) {
  iButton& b = Make(103);
  // Never hovered: no poll at all.
  PumpFor(150);
  EXPECT_FALSE(::KillTimer(b.hWnd(), kHoverTimerId));
  Hover(b);
  EXPECT_TRUE(b.HoverPollRunning());
  PumpFor(200);  // ticks while over change nothing
  EXPECT_EQ(m_events, (Events{"MouseOver"}));
  CursorAway();
  ASSERT_TRUE(PumpUntil([&] { return !b.HoverPollRunning(); }, 1000));
  EXPECT_EQ(m_events, (Events{"MouseOver", "MouseOut"}));
  EXPECT_EQ(Shown(b, 43, 18), StripFrame(103, 0, 43, 18));
  PumpFor(150);
  MSG msg;
  EXPECT_FALSE(::PeekMessageW(&msg, b.hWnd(), WM_TIMER, WM_TIMER, PM_NOREMOVE));
  EXPECT_FALSE(::KillTimer(b.hWnd(), kHoverTimerId));  // nothing left to kill
}

TEST_F(IButtonTest, EnterClicksOnKeyDownSpaceOnKeyUp) {
  iButton& b = Make(102, 1);
  ::SetFocus(b.hWnd());
  PumpFor(20);
  ::SendMessageW(b.hWnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(m_events, (Events{"KeyDown13", "Click"}));
  EXPECT_TRUE(b.Value());
  ::SendMessageW(b.hWnd(), WM_KEYUP, VK_RETURN, 0);
  m_events.clear();
  ::SendMessageW(b.hWnd(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(b.LastFrame().frame, 5);  // pressed, Value true
  EXPECT_EQ(m_events, (Events{"KeyDown32"}));
  ::SendMessageW(b.hWnd(), WM_CHAR, L' ', 0);
  ::SendMessageW(b.hWnd(), WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(m_events, (Events{"KeyDown32", "KeyPress32", "KeyUP32", "Click"}));
  EXPECT_FALSE(b.Value());
  // Unhovered, the focus rectangle is drawn 3 pixels in: its dots change the frame's pixels
  // there and nowhere outside it.
  std::vector<COLORREF> frame = StripFrame(102, 0, 25, 18);
  int dotted = 0;
  for (int x = 3; x < 22; ++x) dotted += ::GetPixel(b.hdc(), x, 3) != frame[3 * 25 + x];
  EXPECT_GE(dotted, 5);
  for (int x = 0; x < 25; ++x) EXPECT_EQ(::GetPixel(b.hdc(), x, 1), frame[25 + x]);
}

TEST_F(IButtonTest, KeyDownHandlerCanCancelByChangingKeyCode) {
  iButton& b = Make(103);
  b.KeyDown = [](int16_t& key, int16_t&) { key = 0; };
  ::SendMessageW(b.hWnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(m_events.empty());  // the reaction used the changed code: no Click
}

TEST_F(IButtonTest, DisabledLookIsTheNormalFrameGreyed) {
  iButton& b = Make(103);
  b.SetEnabled(false);
  EXPECT_TRUE(b.LastFrame().greyed);
  EXPECT_FALSE(::IsWindowEnabled(b.hWnd()));
  std::vector<COLORREF> shown = Shown(b, 43, 18), normal = StripFrame(103, 0, 43, 18);
  EXPECT_NE(shown, normal);
  for (COLORREF c : shown) {
    EXPECT_EQ(GetRValue(c), GetGValue(c));
    EXPECT_EQ(GetGValue(c), GetBValue(c));
  }
  b.SetEnabled(true);
  EXPECT_EQ(Shown(b, 43, 18), normal);
}

// A handler that destroys the button from each event it raises during a click or a key.
class IButtonDestroyTest : public IButtonTest,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(IButtonDestroyTest, HandlerDestroysTheButton) {
  std::string event = GetParam();
  iButton& b = Make(102, 1);
  HWND hwnd = b.hWnd();
  auto kill = [this] { m_btn.reset(); };
  if (event == "Click") b.Click = kill;
  if (event == "MouseDown") b.MouseDown = [&](int16_t&, int16_t&, float&, float&) { kill(); };
  if (event == "MouseUp") b.MouseUp = [&](int16_t&, int16_t&, float&, float&) { kill(); };
  if (event == "MouseOver") b.MouseOver = kill;
  if (event == "KeyDown") b.KeyDown = [&](int16_t&, int16_t&) { kill(); };
  if (event == "DestroyWindow") b.Click = [hwnd] { ::DestroyWindow(hwnd); };
  if (event == "MouseOut") b.MouseOut = kill;

  POINT c = ScreenCentre(hwnd);
  ::SetCursorPos(c.x, c.y);
  PumpFor(100);
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_LBUTTONUP, 0, At(5, 5));
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
  CursorAway();
  PumpFor(200);
  EXPECT_FALSE(::IsWindow(hwnd)) << event;
  EXPECT_EQ(::GetCapture(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Events, IButtonDestroyTest,
                         ::testing::Values("Click", "MouseDown", "MouseUp", "MouseOver",
                                           "KeyDown", "DestroyWindow", "MouseOut"));

TEST_F(IButtonTest, CaptionIsCentredAndShiftsWhenPressed) {
  iButton& b = Make(103);
  b.SetAutoSize(false);
  ::MoveWindow(b.hWnd(), 20, 20, 120, 30, TRUE);
  b.SetcForeColor(0x0000FF);  // pure red: not in the skin
  std::vector<COLORREF> blank;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) blank.push_back(::GetPixel(b.hdc(), x, y));
  b.SetCaption(L"OK");
  auto redBox = [&] {
    RECT box{1000, 1000, -1, -1};
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 120; ++x)
        if (::GetPixel(b.hdc(), x, y) == RGB(255, 0, 0)) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x);
          box.bottom = std::max<LONG>(box.bottom, y);
        }
    return box;
  };
  RECT normal = redBox();
  ASSERT_LT(normal.left, normal.right) << "caption not drawn";
  // Centred: as much room left as right, within a pixel of rounding and glyph bearings. Every
  // pixel the caption touched counts, its smoothed edges too: pure red alone depends on the font.
  RECT ink{1000, 1000, -1, -1};
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x)
      if (::GetPixel(b.hdc(), x, y) != blank[static_cast<size_t>(y * 120 + x)]) {
        ink.left = std::min<LONG>(ink.left, x);
        ink.right = std::max<LONG>(ink.right, x);
      }
  EXPECT_NEAR(ink.left, 119 - ink.right, 3);
  Hover(b);
  LeftDown(b);
  RECT pressed = redBox();
  EXPECT_EQ(pressed.left, normal.left + 1);
  EXPECT_EQ(pressed.top, normal.top + 1);
  LeftUp(b);
  b.SetCaption(L"");
  EXPECT_GT(redBox().left, redBox().right);  // an empty caption draws nothing
}

TEST_F(IButtonTest, TransparentButtonHidesMaskColouredPixels) {
  // A 3-frame strip of 10 x 10 frames: magenta left half, blue right half.
  HDC screen = ::GetDC(nullptr);
  HBITMAP strip = ::CreateCompatibleBitmap(screen, 30, 10);
  ::ReleaseDC(nullptr, screen);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, strip);
  for (int x = 0; x < 30; ++x)
    for (int y = 0; y < 10; ++y)
      ::SetPixel(dc, x, y, (x % 10) < 5 ? kDefaultMaskColour : RGB(0, 0, 255));
  ::SelectObject(dc, old);
  ::DeleteDC(dc);

  iButton& b = Make(0);
  b.SetBackPicture(strip);
  ::DeleteObject(strip);  // the button keeps its own copy
  b.SetcBackStyle(0);
  HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(b.hWnd(), rgn), ERROR);
  EXPECT_FALSE(::PtInRegion(rgn, 2, 5));
  EXPECT_TRUE(::PtInRegion(rgn, 7, 5));
  b.SetcBackStyle(1);
  EXPECT_EQ(::GetWindowRgn(b.hWnd(), rgn), ERROR);  // opaque: the whole rectangle again
  ::DeleteObject(rgn);
}

TEST_F(IButtonTest, PropertiesAreWrittenAndReadInTheirOrders) {
  iButton& b = Make(103);
  b.SetCaption(L"确定");
  b.SetStyle(1);
  PropertyBag bag;
  b.WriteProperties(bag);
  using Keys = std::vector<std::wstring>;
  EXPECT_EQ(bag.WriteAttempts(), (Keys{L"BackPicture", L"Icon", L"Enabled", L"Style", L"cBackStyle",
                                       L"Caption", L"AutoSize", L"cFont", L"cDrawMode",
                                       L"cForeColor"}));
  // Defaults are left out; font, draw mode and fore colour always go in.
  EXPECT_EQ(bag.Writes(),
            (Keys{L"BackPicture", L"Style", L"Caption", L"cFont", L"cDrawMode", L"cForeColor"}));
  EXPECT_TRUE(b.Changed().Has(L"Caption"));

  iButton copy;
  ASSERT_TRUE(copy.Create(m_host, 200, 20, 10, 10, &bag));
  EXPECT_EQ(bag.Reads(), (Keys{L"BackPicture", L"Icon", L"Enabled", L"cBackStyle", L"Caption",
                               L"Style", L"AutoSize", L"cForeColor", L"cFont", L"cDrawMode"}));
  EXPECT_EQ(copy.Caption(), L"确定");
  EXPECT_EQ(copy.Style(), 1);
  EXPECT_TRUE(copy.HasBackPicture());
  EXPECT_TRUE(copy.FramesReady());  // cut at the first show after reading
  RECT rc{};
  ::GetClientRect(copy.hWnd(), &rc);
  EXPECT_EQ(rc.right, 21);  // 129 pixels read as six frames: 21.499
  EXPECT_FALSE(copy.Changed().Any());  // reading marks nothing changed
}

TEST_F(IButtonTest, BadInputNeitherCrashesNorLeaksGdiObjects) {
  long before = 0;
  for (int round = 0; round < 4; ++round) {
    // The first round may fill process-wide caches (cursors, font lists); count after it.
    if (round == 1) before = GdiObjects();
    iButton& b = Make(9999);  // no such bitmap
    EXPECT_FALSE(b.HasBackPicture());
    EXPECT_FALSE(b.FramesReady());
    HBITMAP tiny = ::CreateBitmap(1, 5, 1, 32, nullptr);  // frames of 0 pixels
    b.SetBackPicture(tiny);
    ::DeleteObject(tiny);
    EXPECT_FALSE(b.FramesReady());
    b.SetBackPicture(static_cast<HBITMAP>(nullptr));
    b.SetBackPicture(103);
    for (int32_t style : {7, -3, INT32_MAX, INT32_MIN, 1, 0}) {
      b.SetStyle(style);
      b.SetValue(true);
      b.SetLocked(style % 2 != 0);
      b.SetEnabled(style >= 0);
      EXPECT_TRUE(b.FramesReady()) << style;
      EXPECT_LT(b.LastFrame().frame, 6) << style;
    }
    b.SetEnabled(true);
    b.SetCaption(std::wstring(100000, L'宽'));
    b.SetAutoSize(false);
    ::MoveWindow(b.hWnd(), -50, -50, -20, -30, TRUE);
    ::MoveWindow(b.hWnd(), 0, 0, 0, 0, TRUE);
    ::MoveWindow(b.hWnd(), 10, 10, 3000, 2000, TRUE);
    HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    b.SetIcon(icon);
    b.SetCaption(L"x");
    ::MoveWindow(b.hWnd(), 10, 10, 60, 20, TRUE);
    for (int i = 0; i < 100; ++i) {
      ::SendMessageW(b.hWnd(), WM_MOUSEMOVE, 0, At(5, 5));
      ::SendMessageW(b.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
      ::SendMessageW(b.hWnd(), WM_LBUTTONUP, 0, At(5, 5));
      b.SetcBackStyle(static_cast<int16_t>(i % 2));
      ::InvalidateRect(b.hWnd(), nullptr, FALSE);
      ::UpdateWindow(b.hWnd());
    }
    m_btn.reset();
    PumpFor(20);
  }
  EXPECT_EQ(GdiObjects(), before);
}

}  // namespace
}  // namespace qorv::controls
