// The window-style helper on a real borderless window: zones and pointers from real cursor
// positions, an edge drag that moves the window once and leaves no outline on the screen, exact
// maximise and restore, setting changes and the close command.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "controls/set_style.h"
#include "win/support/test_window.h"

namespace qorv::controls {
namespace {

using test::PumpFor;
using test::PumpUntil;

int g_sizes = 0;
int g_closes = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      ++g_sizes;
      break;
    case WM_CLOSE:
      ++g_closes;
      return 0;  // the test decides when the window goes
    case WM_ERASEBKGND: {
      RECT rc;
      ::GetClientRect(hwnd, &rc);
      HBRUSH b = ::CreateSolidBrush(RGB(40, 160, 40));
      ::FillRect(reinterpret_cast<HDC>(wParam), &rc, b);
      ::DeleteObject(b);
      return 1;
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeForm(int x, int y, int w, int h) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"QorvStyledForm";
    ::RegisterClassW(&wc);
    registered = true;
  }
  // Shown as a popup first: the window manager then leaves its position alone, so the screen
  // coordinates below stay where the test put them.
  return ::CreateWindowExW(0, L"QorvStyledForm", L"styled", WS_POPUP | WS_VISIBLE, x,
                           y, w, h, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

RECT Bounds(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return r;
}

// Screen pixels along a horizontal and a vertical line.
std::vector<COLORREF> Line(int x0, int y0, int x1, int y1) {
  std::vector<COLORREF> px;
  HDC screen = ::GetDC(nullptr);
  for (int x = x0, y = y0; x <= x1 && y <= y1; x0 == x1 ? ++y : ++x)
    px.push_back(::GetPixel(screen, x, y));
  ::ReleaseDC(nullptr, screen);
  return px;
}

class SetStyleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SetCursorPos(1270, 1015);
    m_form = MakeForm(100, 100, 900, 700);
    m_style = std::make_unique<cSetStyle>();
    m_style->SetobjForm(m_form);
    m_style->SetWindowStyle(m_form);
    m_style->MouseSize = [this](int32_t zone) { m_zones.push_back(zone); };
    ::MoveWindow(m_form, 100, 100, 900, 700, TRUE);
    ASSERT_TRUE(PumpUntil([this] {
      RECT r = Bounds(m_form);
      return r.left == 100 && r.top == 100 && r.right == 1000 && r.bottom == 800;
    }));
    PumpFor(50);
    g_sizes = g_closes = 0;
  }
  void TearDown() override {
    if (::GetCapture()) ::ReleaseCapture();
    m_style.reset();
    ::DestroyWindow(m_form);
    PumpFor(30);
  }
  // The real cursor at a screen point, and the window's mouse move for it.
  void MoveTo(int x, int y, WPARAM keys = 0) {
    ::SetCursorPos(x, y);
    POINT client{x, y};
    ::ScreenToClient(m_form, &client);
    ::SendMessageW(m_form, WM_MOUSEMOVE, keys, MAKELPARAM(client.x, client.y));
  }
  void Down() { ::SendMessageW(m_form, WM_LBUTTONDOWN, MK_LBUTTON, 0); }
  void Up() { ::SendMessageW(m_form, WM_LBUTTONUP, 0, 0); }

  HWND m_form = nullptr;
  std::unique_ptr<cSetStyle> m_style;
  std::vector<int32_t> m_zones;
};

TEST_F(SetStyleTest, StyleIsBorderlessWithSystemMenuAndMinimiseBox) {
  LONG_PTR style = ::GetWindowLongPtrW(m_form, GWL_STYLE);
  EXPECT_EQ(style & ~static_cast<LONG_PTR>(WS_VISIBLE | WS_CLIPSIBLINGS), kBorderlessStyle);
  EXPECT_TRUE(style & WS_VISIBLE);  // kept: the window stays shown
  RECT w = Bounds(m_form), c{};
  ::GetClientRect(m_form, &c);
  EXPECT_EQ(c.right, w.right - w.left);  // no frame left
  EXPECT_EQ(c.bottom, w.bottom - w.top);
}

TEST_F(SetStyleTest, ZonesAndPointersFollowTheCursor) {
  struct Case {
    int x, y, zone;
    const wchar_t* cursor;
  } cases[] = {
      {102, 450, kZoneLeft, IDC_SIZEWE},        {998, 450, kZoneRight, IDC_SIZEWE},
      {500, 101, kZoneTop, IDC_SIZENS},         {500, 797, kZoneBottom, IDC_SIZENS},
      {101, 101, kZoneTopLeft, IDC_SIZENWSE},   {998, 797, kZoneBottomRight, IDC_SIZENWSE},
      {998, 101, kZoneTopRight, IDC_SIZENESW},  {101, 797, kZoneBottomLeft, IDC_SIZENESW},
      {500, 450, kZoneNone, IDC_ARROW},         {106, 450, kZoneNone, IDC_ARROW},
      {105, 450, kZoneLeft, IDC_SIZEWE},
  };
  for (const auto& c : cases) {
    m_zones.clear();
    MoveTo(c.x, c.y);
    EXPECT_EQ(m_zones, std::vector<int32_t>{c.zone}) << c.x << "," << c.y;
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, c.cursor)) << c.x << "," << c.y;
  }
}

TEST_F(SetStyleTest, PressSixPixelsInsideIsNotASizingPress) {
  MoveTo(106, 450);
  Down();
  EXPECT_FALSE(m_style->Sizing());
  Up();
  MoveTo(105, 450);
  Down();
  EXPECT_TRUE(m_style->Sizing());
  Up();
  EXPECT_FALSE(m_style->Sizing());
}

TEST_F(SetStyleTest, DragMovesOnceAtTheReleaseAndLeavesNoOutline) {
  // The outlines drawn on the way (a focus rectangle's right and bottom lines lie on its last
  // column and row: 1049 and 849, then 1099 and 899) and the top edge right of the window lie
  // outside both the old and the new bounds: the screen there must look the same after the
  // drag as before it.
  auto column = [] { return Line(1049, 120, 1049, 840); };
  auto row = [] { return Line(120, 849, 1040, 849); };
  auto top = [] { return Line(1001, 100, 1098, 100); };
  auto beyond = [] { return Line(1099, 120, 1099, 890); };
  std::vector<COLORREF> colBefore = column(), rowBefore = row(), topBefore = top(),
                        beyondBefore = beyond();

  MoveTo(998, 797);  // bottom-right corner
  Down();
  ASSERT_TRUE(m_style->Sizing());
  EXPECT_EQ(::GetCapture(), m_form);
  MoveTo(1050, 850, MK_LBUTTON);
  EXPECT_EQ(m_style->Outline(), (PixelRect::Edges(100, 100, 1050, 850)));
  PumpFor(50);
  EXPECT_NE(column(), colBefore);  // the dotted outline is on the screen now
  MoveTo(1100, 900, MK_LBUTTON);
  MoveTo(960, 760, MK_LBUTTON);
  EXPECT_EQ(Bounds(m_form).right, 1000);  // nothing moves during the drag
  EXPECT_EQ(g_sizes, 0);
  Up();
  PumpFor(100);
  RECT r = Bounds(m_form);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right, 960);
  EXPECT_EQ(r.bottom, 760);
  EXPECT_EQ(g_sizes, 1);  // one move
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(column(), colBefore);
  EXPECT_EQ(row(), rowBefore);
  EXPECT_EQ(top(), topBefore);
  EXPECT_EQ(beyond(), beyondBefore);
}

TEST_F(SetStyleTest, DragThatEndsWhereItStartedLeavesNoOutline) {
  // The window ends where it was, so nothing on the screen is repainted by the move: any outline
  // not drawn a second time would still be there, on the window's last column or beyond it.
  auto edge = [] { return Line(999, 120, 999, 780); };
  auto beyond = [] { return Line(1049, 120, 1049, 780); };
  std::vector<COLORREF> edgeBefore = edge(), beyondBefore = beyond();
  MoveTo(998, 450);
  Down();
  EXPECT_NE(edge(), edgeBefore);  // the first outline shows at the press
  MoveTo(1050, 450, MK_LBUTTON);
  EXPECT_NE(beyond(), beyondBefore);
  EXPECT_EQ(edge(), edgeBefore);
  MoveTo(1000, 450, MK_LBUTTON);
  Up();
  PumpFor(100);
  RECT r = Bounds(m_form);
  EXPECT_EQ(r.right, 1000);
  EXPECT_EQ(g_sizes, 0);  // the same bounds: nothing resized
  EXPECT_EQ(edge(), edgeBefore);
  EXPECT_EQ(beyond(), beyondBefore);
}

TEST_F(SetStyleTest, OutlineStopsAtTheMinimumWidthButTheTopEdgeDoesNot) {
  MoveTo(998, 450);
  Down();
  MoveTo(850, 450, MK_LBUTTON);  // width 750: refused
  EXPECT_EQ(m_style->Outline().right, 1000);
  MoveTo(901, 450, MK_LBUTTON);
  EXPECT_EQ(m_style->Outline().right, 901);
  Up();
  EXPECT_EQ(Bounds(m_form).right, 901);
  MoveTo(500, 101);
  Down();
  MoveTo(500, 700, MK_LBUTTON);  // 100 high: the top edge has no stop
  Up();
  EXPECT_EQ(Bounds(m_form).top, 700);
}

TEST_F(SetStyleTest, LostCaptureEndsTheDragWithoutMoving) {
  auto column = [] { return Line(1049, 120, 1049, 840); };
  std::vector<COLORREF> before = column();
  MoveTo(998, 797);
  Down();
  MoveTo(1050, 850, MK_LBUTTON);
  HWND other = test::CreateHostWindow(5, 5, 20, 20);
  ::SetCapture(other);
  EXPECT_FALSE(m_style->Sizing());
  ::ReleaseCapture();
  ::DestroyWindow(other);
  Up();
  PumpFor(100);
  EXPECT_EQ(Bounds(m_form).right, 1000);
  EXPECT_EQ(column(), before);
}

TEST_F(SetStyleTest, MaximiseAndRestoreExactly) {
  ::MoveWindow(m_form, 123, 77, 850, 650, TRUE);
  EXPECT_TRUE(m_style->CallWindowStateChange());
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int taskbarPx = GetTaskbarHeight() / 15;
  int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(taskbarPx, screenHeight - std::min<int>(work.bottom, screenHeight));
  RECT r = Bounds(m_form);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, ::GetSystemMetrics(SM_CYSCREEN) - taskbarPx);
  // Maximised: no zones, no pointer changes, no sizing.
  m_zones.clear();
  MoveTo(2, 400);
  EXPECT_TRUE(m_zones.empty());
  Down();
  EXPECT_FALSE(m_style->Sizing());
  Up();
  EXPECT_FALSE(m_style->CallWindowStateChange());
  r = Bounds(m_form);
  EXPECT_EQ(r.left, 123);
  EXPECT_EQ(r.top, 77);
  EXPECT_EQ(r.right - r.left, 850);
  EXPECT_EQ(r.bottom - r.top, 650);
  // Twice more: the same bounds again.
  m_style->CallWindowStateChange();
  m_style->CallWindowStateChange();
  RECT again = Bounds(m_form);
  EXPECT_TRUE(::EqualRect(&again, &r));
}

TEST_F(SetStyleTest, SettingChangeReappliesTheMaximisedSizeOnly) {
  int changes = 0;
  m_style->SettingChange = [&] { ++changes; };
  ::SendMessageW(m_form, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Bounds(m_form).left, 100);  // restored: nothing moves
  m_style->CallWindowStateChange();
  RECT maximised = Bounds(m_form);
  ::MoveWindow(m_form, 10, 10, 500, 400, TRUE);
  ::SendMessageW(m_form, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  EXPECT_EQ(changes, 2);
  RECT r = Bounds(m_form);
  EXPECT_TRUE(::EqualRect(&r, &maximised));
}

TEST_F(SetStyleTest, CloseCommandIsReportedAndAHandlerMayReleaseTheObject) {
  int closes = 0;
  m_style->CloseClick = [&] {
    ++closes;
    m_style.reset();  // the host lets go of its style object while it raises
  };
  ::SendMessageW(m_form, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(g_closes, 1);  // the message still went on to the window
  // The interception is gone; the window works as before.
  ::SendMessageW(m_form, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(g_closes, 2);
  MoveTo(102, 450);
  EXPECT_TRUE(m_zones.empty());
}

TEST_F(SetStyleTest, ReleasingTheObjectMidDragRemovesTheOutline) {
  auto column = [] { return Line(1049, 120, 1049, 840); };
  std::vector<COLORREF> before = column();
  MoveTo(998, 797);
  Down();
  MoveTo(1050, 850, MK_LBUTTON);
  m_style.reset();
  PumpFor(100);
  EXPECT_EQ(column(), before);
  EXPECT_EQ(Bounds(m_form).right, 1000);
}

}  // namespace
}  // namespace qorv::controls
