// The title bar with real windows: its pixels against the skin, the border it paints on a form,
// its stored properties, and a real drag (input injected from another thread while the system's
// move loop runs).
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/units.h"
#include "controls/bform.h"
#include "win/support/gdi_count.h"
#include "win/support/test_window.h"

namespace qorv::controls {
namespace {

using test::PumpFor;
using test::PumpUntil;

long GdiObjects() { return test::GdiObjectCount(); }

SIZE TextExtentOf(HDC dc, const std::wstring& text) {
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// The frame skin's pixels as the screen's format shows them.
class Skin {
 public:
  Skin() {
    m_bitmap = ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kFrameSkinResource));
    m_dc = ::CreateCompatibleDC(nullptr);
    m_old = ::SelectObject(m_dc, m_bitmap);
  }
  ~Skin() {
    ::SelectObject(m_dc, m_old);
    ::DeleteDC(m_dc);
    ::DeleteObject(m_bitmap);
  }
  COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }

 private:
  HBITMAP m_bitmap;
  HDC m_dc;
  HGDIOBJ m_old;
};

class BFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SetCursorPos(1250, 1000);
    m_host = test::CreateHostWindow(200, 200, 400, 300);
    PumpFor(30);
  }
  void TearDown() override {
    m_bar.reset();
    ::DestroyWindow(m_host);
  }
  BForm& Make(int width, PropertyBag* bag = nullptr) {
    m_bar = std::make_unique<BForm>();
    EXPECT_TRUE(m_bar->Create(m_host, 0, 0, width, bag));
    PumpFor(20);
    return *m_bar;
  }
  RECT HostRect() const {
    RECT r{};
    ::GetWindowRect(m_host, &r);
    return r;
  }

  HWND m_host = nullptr;
  std::unique_ptr<BForm> m_bar;
};

TEST_F(BFormTest, TitleIsTiledFromTheSkinAndKeptAt500Twips) {
  BForm& bar = Make(200);  // 3000 twips
  ASSERT_TRUE(bar.SkinLoaded());
  bar.SetCaption(L"");
  RECT rc{};
  ::GetClientRect(bar.hWnd(), &rc);
  EXPECT_EQ(rc.right, 200);
  EXPECT_EQ(rc.bottom, 33);  // 500 twips
  Skin skin;
  // Columns of the bar and the skin column each shows: the left end (0-35), middle tiles
  // (source 20-39, repeating every 20 pixels), the right end (133-199 from source 27-93).
  struct Column {
    int bar, skin;
  } columns[] = {{0, 0}, {10, 10}, {35, 35}, {40, 20}, {59, 39}, {100, 20}, {110, 30},
                 {133, 27}, {150, 44}, {199, 93}};
  for (auto c : columns)
    for (int y = 0; y < 33; ++y)
      ASSERT_EQ(::GetPixel(bar.hdc(), c.bar, y), skin.At(c.skin, y)) << c.bar << "," << y;

  ::SetWindowPos(bar.hWnd(), nullptr, 0, 0, 300, 120, SWP_NOMOVE | SWP_NOZORDER);
  ::GetClientRect(bar.hWnd(), &rc);
  EXPECT_EQ(rc.right, 300);
  EXPECT_EQ(rc.bottom, 33);
  EXPECT_EQ(::GetPixel(bar.hdc(), 299, 5), skin.At(93, 5));  // the right end moved along
}

TEST_F(BFormTest, CaptionStartsAt150TwipsOr600WithLogo) {
  BForm& bar = Make(300);
  bar.SetCaption(L"BrindleQorvane");
  auto firstWhiteColumn = [&] {
    for (int x = 0; x < 300; ++x)
      for (int y = 0; y < 33; ++y)
        if (::GetPixel(bar.hdc(), x, y) == RGB(255, 255, 255)) return x;
    return -1;
  };
  int plain = firstWhiteColumn();
  EXPECT_GE(plain, 10);  // 150 twips, plus the first glyph's bearing
  EXPECT_LE(plain, 13);
  bar.SetHasLogo(true);
  EXPECT_EQ(firstWhiteColumn(), plain + 30);  // 600 twips
  bar.SetCaption(L"");
  EXPECT_EQ(firstWhiteColumn(), -1);
}

// The caption's ink (its white pixels) in the bar's image: the rows it spans.
int InkRows(BForm& bar) {
  RECT rc{};
  ::GetClientRect(bar.hWnd(), &rc);
  int top = -1, bottom = -1;
  for (int y = 0; y < rc.bottom; ++y) {
    for (int x = 0; x < rc.right; ++x) {
      if (::GetPixel(bar.hdc(), x, y) != RGB(255, 255, 255)) continue;
      if (top < 0) top = y;
      bottom = y;
      break;
    }
  }
  return top < 0 ? 0 : bottom - top + 1;
}

// Moved to a monitor of another scaling, the bar is that DPI's height and prints its caption with
// that DPI's font, whatever DPI the system (the monitor the program started on) has.
TEST_F(BFormTest, AtAnotherDpiTheCaptionIsThatDpisSizeAndFitsTheBar) {
  BForm& bar = Make(400);
  bar.SetCaption(L"BrindleQorvane");
  const int session = bar.Dpi();
  const SIZE before = TextExtentOf(bar.hdc(), bar.Caption());
  const int inkBefore = InkRows(bar);
  ASSERT_GT(inkBefore, 0);
  for (int other : {session == 144 ? 96 : 144, 192}) {
    SCOPED_TRACE(other);
    bar.SetDpi(other);
    RECT rc{};
    ::GetClientRect(bar.hWnd(), &rc);
    EXPECT_EQ(rc.bottom, TwipsToPixels(500, other));
    const double factor = static_cast<double>(other) / session;
    const SIZE after = TextExtentOf(bar.hdc(), bar.Caption());
    EXPECT_NEAR(after.cy, before.cy * factor, 2);
    EXPECT_NEAR(after.cx, before.cx * factor, before.cx * factor / 10);  // glyphs round alike
    EXPECT_NEAR(InkRows(bar), inkBefore * factor, inkBefore * factor / 5);  // hinted glyphs
    // Whole inside the bar from its origin (150 twips in, 150 down).
    EXPECT_LE(TwipsToPixels(150, other) + after.cy, rc.bottom);
    EXPECT_LE(TwipsToPixels(150, other) + after.cx, rc.right);
  }
  bar.SetDpi(session);
  EXPECT_EQ(TextExtentOf(bar.hdc(), bar.Caption()).cy, before.cy);
  EXPECT_EQ(InkRows(bar), inkBefore);
}

TEST_F(BFormTest, BackColorIsDecimalText) {
  PropertyBag empty;
  BForm& bar = Make(200, &empty);
  EXPECT_EQ(bar.BackColor(), L"14346732");
  EXPECT_EQ(bar.Caption(), L"NewForm");
  EXPECT_TRUE(bar.SetBackColor(L"&HFF"));
  EXPECT_EQ(bar.BackColor(), L"255");
  EXPECT_FALSE(bar.SetBackColor(L"blue"));
  EXPECT_EQ(bar.BackColor(), L"255");
  EXPECT_TRUE(bar.Changed().Has(L"BackColor"));
  // Placed new on a form (no stored data): frmHwnd 0, the design background.
  BForm& fresh = Make(200);
  EXPECT_EQ(fresh.frmHwnd(), nullptr);
  EXPECT_EQ(fresh.BackColor(), std::to_wstring(0xDEDEDE));
}

TEST_F(BFormTest, PropertiesAreReadAndWrittenInTheirOrders) {
  using Keys = std::vector<std::wstring>;
  PropertyBag bag;
  bag.Preset(L"BackColor", int32_t{0x123456});
  bag.Preset(L"Caption", std::wstring(L"更新"));
  bag.Preset(L"HasLogo", true);
  BForm& bar = Make(200, &bag);
  EXPECT_EQ(bag.Reads(), (Keys{L"BackColor", L"Caption", L"frmHwnd", L"HasLogo"}));
  EXPECT_EQ(bar.BackColor(), std::to_wstring(0x123456));
  EXPECT_TRUE(bar.HasLogo());
  EXPECT_EQ(bar.Caption(), L"更新");

  PropertyBag out;
  bar.WriteProperties(out);
  EXPECT_EQ(out.WriteAttempts(), (Keys{L"BackColor", L"Caption", L"frmHwnd", L"HasLogo"}));
  EXPECT_EQ(out.Writes(), (Keys{L"BackColor", L"Caption", L"HasLogo"}));  // frmHwnd 0 skipped
  ASSERT_NE(out.Find(L"BackColor"), nullptr);
  EXPECT_EQ(*out.Find(L"BackColor"), PropertyValue{int32_t{0x123456}});  // a number, not text

  bar.SetCaption(L"NewForm");
  bar.SetBackColor(L"14346732");
  bar.SetfrmHwnd(m_host);
  PropertyBag out2;
  bar.WriteProperties(out2);
  EXPECT_EQ(out2.Writes(), (Keys{L"frmHwnd", L"HasLogo"}));
  BForm again;
  ASSERT_TRUE(again.Create(m_host, 0, 100, 100, &out2));
  EXPECT_EQ(again.frmHwnd(), m_host);
  EXPECT_EQ(again.Caption(), L"NewForm");
}

TEST_F(BFormTest, PrintformPaintsTheBorderOfA6000By4500TwipsForm) {
  FormSurface form(m_host, 0x00FF00);  // green: what the border does not cover
  BForm& bar = Make(400);
  bar.Printform(form);
  HDC img = form.Image().Dc();
  Skin skin;
  EXPECT_EQ(form.Image().Width(), 400);
  // Bottom border tiles at y 296 (4440 twips), from skin row 81.
  EXPECT_EQ(::GetPixel(img, 100, 297), skin.At(20, 82));
  EXPECT_EQ(::GetPixel(img, 250, 299), skin.At(30, 84));
  // Left border 4 pixels wide from y 20; overlapping tiles, the later one on top.
  EXPECT_EQ(::GetPixel(img, 1, 50), skin.At(1, 63));
  EXPECT_EQ(::GetPixel(img, 3, 25), skin.At(3, 58));
  EXPECT_EQ(::GetPixel(img, 1, 10), RGB(0, 255, 0));  // the first 300 twips are the title's
  // Right border at x 396.
  EXPECT_EQ(::GetPixel(img, 397, 50), skin.At(91, 63));
  // Corners.
  EXPECT_EQ(::GetPixel(img, 30, 298), skin.At(30, 83));
  EXPECT_EQ(::GetPixel(img, 390, 298), skin.At(84, 83));
  // Inside: the form's own background.
  EXPECT_EQ(::GetPixel(img, 200, 150), RGB(0, 255, 0));
  EXPECT_EQ(::GetPixel(img, 5, 150), RGB(0, 255, 0));
}

// A real drag: the left button goes down over the bar, the pointer moves 50 right and 40 down,
// and the button comes up; the system's move loop runs inside the bar's button-down handling.
TEST_F(BFormTest, LeftDragMovesTheFormAndMouseDownComesAfter) {
  BForm& bar = Make(400);
  bar.SetfrmHwnd(m_host);
  RECT start = HostRect();
  RECT atMouseDown{};
  int downs = 0;
  bar.MouseDown = [&](int16_t& button, int16_t&, float& x, float& y) {
    ++downs;
    EXPECT_EQ(button, 1);
    EXPECT_EQ(x, 150.0f * 15);  // where the press was, in twips
    EXPECT_EQ(y, 15.0f * 15);
    atMouseDown = HostRect();
  };
  int x = start.left + 150, y = start.top + 15;
  std::wstring script = L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) +
                        L" sleep 0.2 mousedown 1 sleep 0.4 mousemove " + std::to_wstring(x + 25) +
                        L" " + std::to_wstring(y + 20) + L" sleep 0.2 mousemove " +
                        std::to_wstring(x + 50) + L" " + std::to_wstring(y + 40) +
                        L" sleep 0.3 mouseup 1";
  if (!test::StartXInput(script)) GTEST_SKIP() << "no X input tool";
  ASSERT_TRUE(PumpUntil([&] { return downs > 0; }, 5000));
  PumpFor(50);
  RECT end = HostRect();
  EXPECT_EQ(end.left - start.left, 50);
  EXPECT_EQ(end.top - start.top, 40);
  EXPECT_EQ(end.right - end.left, start.right - start.left);
  EXPECT_EQ(atMouseDown.left, end.left);  // raised after the move ended
  EXPECT_EQ(atMouseDown.top, end.top);
  EXPECT_EQ(downs, 1);
}

TEST_F(BFormTest, RightPressOrNoFrmHwndMovesNothing) {
  BForm& bar = Make(400);
  std::vector<int> buttons;
  bar.MouseDown = [&](int16_t& button, int16_t&, float&, float&) { buttons.push_back(button); };
  RECT start = HostRect();
  bar.SetfrmHwnd(m_host);
  ::SendMessageW(bar.hWnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 10));
  bar.SetfrmHwnd(nullptr);
  ::SendMessageW(bar.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  EXPECT_EQ(buttons, (std::vector<int>{2, 1}));
  RECT end = HostRect();
  EXPECT_EQ(end.left, start.left);
  EXPECT_EQ(end.top, start.top);
  int dbl = 0, moves = 0;
  bar.DblClick = [&] { ++dbl; };
  bar.MouseMove = [&](int16_t&, int16_t&, float& x, float&) {
    ++moves;
    EXPECT_EQ(x, 300.0f);  // twips
  };
  ::SendMessageW(bar.hWnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 10));
  ::SendMessageW(bar.hWnd(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(moves, 1);
}

TEST_F(BFormTest, HandlerMayDestroyTheBar) {
  BForm& bar = Make(400);
  HWND hwnd = bar.hWnd();
  bar.MouseDown = [&](int16_t&, int16_t&, float&, float&) { m_bar.reset(); };
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  EXPECT_FALSE(::IsWindow(hwnd));
  BForm& second = Make(400);
  hwnd = second.hWnd();
  second.DblClick = [&] { ::DestroyWindow(hwnd); };
  ::SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 10));
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(BFormTest, RepaintsAndBordersLeakNoGdiObjects) {
  FormSurface form(m_host);
  long before = 0;
  for (int round = 0; round < 4; ++round) {
    if (round == 1) before = GdiObjects();
    BForm& bar = Make(400);
    for (int i = 0; i < 50; ++i) {
      ::MoveWindow(bar.hWnd(), 0, 0, 50 + i * 13, 40, TRUE);
      bar.SetCaption(std::wstring(static_cast<size_t>(i) * 100, L'字'));
      bar.SetHasLogo(i % 2 == 0);
      bar.Nomin();
      bar.SetDpi(i % 3 == 0 ? 144 : 96);  // font and skin made again
      ::MoveWindow(m_host, 200, 200, 100 + i * 7, 80 + i * 5, TRUE);
      form.SyncSize();
      bar.Printform(form);
      ::UpdateWindow(bar.hWnd());
    }
    ::MoveWindow(bar.hWnd(), 0, 0, -10, -10, TRUE);  // broken sizes
    bar.PaintTitle();
    m_bar.reset();
  }
  EXPECT_EQ(GdiObjects(), before);
}

}  // namespace
}  // namespace qorv::controls
