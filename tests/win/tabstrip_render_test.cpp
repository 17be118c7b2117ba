// The rendered strip: frames and close images per state against the skins, the selected
// caption's bold colour, caption fitting, the copy to the screen, a host-drawn background, every
// redraw identical pixel for pixel to drawing each tab directly, and no GDI object leaked over
// thousands of redraws and resizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "tests/win/tabstrip_fixture.h"

namespace qorv::tabstrip::test {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

bool Near(COLORREF a, COLORREF b, int tolerance = 3) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The skin bitmap as the program carries it.
struct Skin {
  explicit Skin(int style) : metrics(MetricsFor(style)) {
    bitmap = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr),
                                               MAKEINTRESOURCEW(metrics.bitmapId), IMAGE_BITMAP,
                                               0, 0, LR_CREATEDIBSECTION));
    dc = ::CreateCompatibleDC(nullptr);
    old = ::SelectObject(dc, bitmap);
  }
  ~Skin() {
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(bitmap);
  }
  COLORREF At(int x, int y) const { return ::GetPixel(dc, x, y); }
  const SkinMetrics& metrics;
  HBITMAP bitmap;
  HDC dc;
  HGDIOBJ old;
};

struct Render : StripHarness {
  using StripHarness::StripHarness;
  COLORREF At(int x, int y) { return ::GetPixel(strip->CompositionDC(), x, y); }
  COLORREF Background(int x, int y) { return ::GetPixel(strip->BackgroundDC(), x, y); }
  // A tab's pixel at frame column fx (from the frame's left edge) compared with the skin's
  // frame image: a transparent skin pixel shows the background.
  void ExpectFrame(int tab, FrameImage image, const Skin& skin, int row) {
    auto item = strip->TabItems().Item(tab);
    const SkinMetrics& m = skin.metrics;
    int frameX = strip->TabStyle() == 0 ? item->Left() - kFrameBorder : item->Left();
    int frameW = strip->TabStyle() == 0 ? item->Width() + kFrameBorder : item->Width();
    int sx = m.frameX[static_cast<int>(image)];
    struct Probe {
      int dx, sdx;
    };
    // Style 0 frames overlap their neighbours at both ends: only the middle is the tab's own.
    std::vector<Probe> probes{{frameW / 2, m.frameWidth / 2}};
    if (strip->TabStyle() != 0) {
      probes.insert(probes.end(), {{3, 3}, {10, 10}, {frameW - 5, m.frameWidth - 5}});
    }
    for (auto p : probes) {
      COLORREF s = skin.At(sx + p.sdx, row);
      int x = strip->TabLeftSize() + frameX + p.dx;
      COLORREF expected = s == kMagenta ? Background(x, row) : s;
      EXPECT_TRUE(Near(At(x, row), expected, 6))
          << "tab " << tab << " image " << static_cast<int>(image) << " column " << p.dx
          << " row " << row << ": " << std::hex << At(x, row) << " vs " << expected;
    }
  }
  // The 12 x 12 close image of a tab against the skin's image; transparent pixels not compared.
  int CloseMismatches(int tab, CloseImage image, const Skin& skin) {
    auto item = strip->TabItems().Item(tab);
    const SkinMetrics& m = skin.metrics;
    int x0 = strip->TabLeftSize() + item->Left() + item->Width() - m.closeDx;
    int sx = m.closeX[static_cast<int>(image)];
    int bad = 0;
    for (int y = 0; y < kCloseSize; ++y) {
      for (int x = 0; x < kCloseSize; ++x) {
        COLORREF s = skin.At(sx + x, y);
        if (s != kMagenta && !Near(At(x0 + x, m.closeY + y), s)) ++bad;
      }
    }
    return bad;
  }
  // Pixels of the composition inside [x0, x1) that `predicate` accepts.
  template <class P>
  int Count(int x0, int x1, P predicate) {
    int n = 0;
    for (int x = x0; x < x1; ++x)
      for (int y = 0; y < 25; ++y) n += predicate(At(x, y)) ? 1 : 0;
    return n;
  }
};

class RenderBothStyles : public ::testing::TestWithParam<int> {};

TEST_P(RenderBothStyles, FramesPerState) {
  const int style = GetParam();
  Skin skin(style);
  ASSERT_NE(skin.bitmap, nullptr);
  Render r(style, 700, 30);
  for (int i = 0; i < 4; ++i) r.AddPage(L"");
  r.strip->SetSelected(1);
  r.Move(r.BodyOf(2).x, 20);
  const int row = skin.metrics.frameHeight - 5;
  r.ExpectFrame(0, FrameImage::Normal, skin, row);
  r.ExpectFrame(1, FrameImage::Selected, skin, row);
  r.ExpectFrame(2, FrameImage::Hovered, skin, row);
  r.ExpectFrame(3, FrameImage::Normal, skin, row);
  // Hovering the selected tab keeps its selected frame.
  r.Move(r.BodyOf(1).x, 20);
  r.ExpectFrame(1, FrameImage::Selected, skin, row);
  r.ExpectFrame(2, FrameImage::Normal, skin, row);
}

TEST_P(RenderBothStyles, CloseImagesPerState) {
  const int style = GetParam();
  Skin skin(style);
  // The four images must differ, or this test could not tell them apart.
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) {
      int differ = 0;
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
          differ += skin.At(skin.metrics.closeX[a] + x, y) != skin.At(skin.metrics.closeX[b] + x, y);
      ASSERT_GT(differ, 0) << a << " " << b;
    }
  Render r(style, 700, 30);
  for (int i = 0; i < 3; ++i) r.AddPage(L"");
  r.strip->SetSelected(0);
  EXPECT_EQ(r.CloseMismatches(0, CloseImage::Selected, skin), 0);
  EXPECT_EQ(r.CloseMismatches(2, CloseImage::Normal, skin), 0);
  POINT c2 = r.CloseOf(2);
  r.Move(c2.x, c2.y);
  EXPECT_EQ(r.CloseMismatches(2, CloseImage::Hovered, skin), 0);
  r.Press(c2.x, c2.y);
  EXPECT_EQ(r.CloseMismatches(2, CloseImage::Pressed, skin), 0);
  r.Release(r.BodyOf(0).x, 20);  // released elsewhere: nothing closes, image back to normal
  EXPECT_EQ(r.CloseMismatches(2, CloseImage::Normal, skin), 0);
  EXPECT_EQ(r.strip->TabItems().Count(), 3);
  // The selected tab's own close button, hovered.
  POINT c0 = r.CloseOf(0);
  r.Move(c0.x, c0.y);
  EXPECT_EQ(r.CloseMismatches(0, CloseImage::Hovered, skin), 0);
  // A hidden button shows no close image: the spot shows the frame instead.
  r.strip->TabItems().Item(2)->SetHideButton(true);
  EXPECT_GT(r.CloseMismatches(2, CloseImage::Normal, skin), 10);
}

INSTANTIATE_TEST_SUITE_P(Styles, RenderBothStyles, ::testing::Values(0, 1));

TEST(TabStripRender, SelectedCaptionIsBoldInItsColour) {
  Render r(1, 700, 10);
  for (int i = 0; i < 3; ++i) r.AddPage(L"");
  r.strip->SetSelected(1);
  const COLORREF blue = uTab::kSelectedTextColour;
  // The caption's pixels of tab i: where the image differs from the same tab without caption.
  struct Ink {
    int pixels = 0, blue = 0, black = 0, first = -1, last = -1;
  };
  auto ink = [&](int i) {
    auto item = r.strip->TabItems().Item(i);
    const int x0 = r.strip->TabLeftSize() + item->Left(), x1 = x0 + item->Width();
    std::vector<COLORREF> blank;
    for (int x = x0; x < x1; ++x)
      for (int y = 0; y < 26; ++y) blank.push_back(r.At(x, y));
    item->SetCaption(L"WMWMW");
    Ink out;
    for (int x = x0; x < x1; ++x) {
      for (int y = 0; y < 26; ++y) {
        COLORREF c = r.At(x, y);
        if (c == blank[(x - x0) * 26 + y]) continue;
        ++out.pixels;
        out.blue += Near(c, blue, 8);
        out.black += Near(c, RGB(0, 0, 0), 8);
        if (out.first < 0) out.first = x - x0;
        out.last = x - x0;
      }
    }
    item->SetCaption(L"");
    return out;
  };
  Ink selected = ink(1), unselected = ink(2);
  EXPECT_GT(selected.blue, 10);
  EXPECT_EQ(selected.black, 0);
  EXPECT_GT(unselected.black, 10);
  EXPECT_EQ(unselected.blue, 0);
  // Bold: the same text runs wider and leaves more ink than the normal weight.
  EXPECT_GT(selected.last - selected.first, unselected.last - unselected.first);
  EXPECT_GT(selected.pixels, unselected.pixels);
}

TEST(TabStripRender, CaptionCentredWhenItFitsElseFromTheLeft) {
  Render r(1, 700, 10);
  r.AddPage(L"");
  r.AddPage(L"");
  r.strip->SetSelected(0);
  // The columns (relative to the tab's Left) where the caption changes the image.
  auto ink = [&](const std::wstring& caption) {
    auto item = r.strip->TabItems().Item(1);
    const int x0 = r.strip->TabLeftSize() + item->Left(), x1 = x0 + item->Width();
    auto snapshot = [&] {
      std::vector<COLORREF> v;
      for (int x = x0; x < x1; ++x)
        for (int y = 0; y < 26; ++y) v.push_back(r.At(x, y));
      return v;
    };
    item->SetCaption(L"");
    auto blank = snapshot();
    item->SetCaption(caption);
    auto drawn = snapshot();
    int first = -1, last = -1;
    for (int x = 0; x < x1 - x0; ++x) {
      for (int y = 0; y < 26; ++y) {
        if (blank[x * 26 + y] != drawn[x * 26 + y]) {
          if (first < 0) first = x;
          last = x;
        }
      }
    }
    return std::pair{first, last};
  };
  // Caption box of tab 1: from Left + 12, Width - 28 wide (close button shown).
  const int boxLeft = 12, boxRight = r.strip->TabItems().Item(1)->Width() - 16;
  auto [f1, l1] = ink(L"ab");
  EXPECT_NEAR(f1 - boxLeft, boxRight - 1 - l1, 3) << f1 << " " << l1;
  auto [f2, l2] = ink(L"a caption far too long for its tab, cut with an ellipsis");
  EXPECT_LE(f2, boxLeft + 2);
  EXPECT_LE(l2, boxRight);
  EXPECT_GT(l2, boxRight - 12);
}

TEST(TabStripRender, WindowShowsTheCompositionAndPaintRestoresIt) {
  Render r(1, 600, 10);
  for (int i = 0; i < 3; ++i) r.AddPage(L"tab");
  r.strip->SetSelected(1);
  qorv::test::PumpFor(100);
  auto screenAt = [&](int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(r.Strip(), &p);
    return qorv::test::ScreenPixel(p.x, p.y);
  };
  POINT probes[] = {{3, 3}, {r.BodyOf(1).x, 20}, {r.CloseOf(2).x, r.CloseOf(2).y}, {590, 30}};
  for (auto p : probes) EXPECT_EQ(screenAt(p.x, p.y), r.At(p.x, p.y)) << p.x << "," << p.y;
  {
    qorv::win::WindowDC dc(r.Strip());
    RECT all{0, 0, 600, 32};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  ::InvalidateRect(r.Strip(), nullptr, TRUE);
  ::UpdateWindow(r.Strip());
  qorv::test::PumpFor(50);
  for (auto p : probes) EXPECT_EQ(screenAt(p.x, p.y), r.At(p.x, p.y)) << p.x << "," << p.y;
}

TEST(TabStripRender, HostDrawnBackgroundAndTheDefaultOne) {
  Skin skin(1);
  Render r(1, 600, 40);
  r.AddPage(L"tab");
  EXPECT_EQ(r.At(5, 0), skin.At(0, 0));  // the skin's column, stretched
  EXPECT_EQ(r.At(590, 31), skin.At(0, 27));
  int raised = 0;
  r.strip->OnDrawBackground = [&](HDC hdc, int32_t cx, int32_t cy, bool& skip) {
    ++raised;
    EXPECT_EQ(cx, 600);
    EXPECT_EQ(cy, 32);
    RECT rc{0, 0, cx, cy};
    HBRUSH b = ::CreateSolidBrush(RGB(10, 200, 30));
    ::FillRect(hdc, &rc, b);
    ::DeleteObject(b);
    skip = true;
  };
  r.strip->refresh();
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(r.At(5, 10), RGB(10, 200, 30));
  EXPECT_EQ(r.At(590, 30), RGB(10, 200, 30));
  // Hovering redraws only the tabs: the host is not asked again.
  r.Move(r.BodyOf(0).x, 20);
  EXPECT_EQ(raised, 1);
}

TEST(TabStripRender, NothingChangesWhileRedrawIsLocked) {
  Render r(0, 600, 40);
  for (int i = 0; i < 3; ++i) r.AddPage(L"tab");
  r.strip->SetSelected(0);
  std::vector<COLORREF> before;
  for (int x = 0; x < 600; x += 3) before.push_back(r.At(x, 12));
  r.strip->LockReDraw(true);
  r.strip->SetSelected(2);
  r.strip->TabItems().Item(0)->SetCaption(L"another caption");
  r.Move(r.BodyOf(1).x, 20);
  r.AddPage(L"fourth");
  r.strip->refresh();
  std::vector<COLORREF> after;
  for (int x = 0; x < 600; x += 3) after.push_back(r.At(x, 12));
  EXPECT_EQ(before, after);
  r.strip->LockReDraw(false);
  after.clear();
  for (int x = 0; x < 600; x += 3) after.push_back(r.At(x, 12));
  EXPECT_NE(before, after);
}

TEST(TabStripRender, TabsThatNoLongerFitAndControlsNarrowerThanTheirMargins) {
  Render r(0, 400, 40);
  r.strip->LockReDraw(true);
  for (int i = 0; i < 60; ++i) r.AddPage(L"x");
  r.strip->LockReDraw(false);
  EXPECT_LE(r.strip->TabWidth(), 6);
  r.strip->SetSelected(59);
  for (int x = 0; x < 400; x += 20) r.Move(x, 12);
  r.strip->refresh();
  EXPECT_EQ(r.strip->TabItems().Count(), 60);
  // Locked tabs leave less than nothing for the others: their width goes negative, and later
  // tabs never move back over earlier ones.
  for (int i = 10; i < 14; ++i) r.strip->TabItems().Item(i)->SetLockSize(true);
  r.strip->Move(10, 10, 399);  // the next layout pass
  EXPECT_LT(r.strip->TabWidth(), 0);
  int previous = 0;
  for (int i = 0; i < r.strip->TabItems().Count(); ++i) {
    auto item = r.strip->TabItems().Item(i);
    EXPECT_GE(item->Width(), 0);
    EXPECT_GE(item->Left(), previous);
    previous = item->Left();
  }
  long before = GdiObjectCount();
  r.strip->refresh();
  r.strip->Move(10, 10, 30);  // narrower than the left margin
  r.strip->refresh();
  r.Move(20, 10);
  r.strip->Move(10, 10, 400);
  EXPECT_NE(r.strip->CompositionDC(), nullptr);
  EXPECT_EQ(GdiObjectCount(), before);
  r.strip->Move(10, 10, 0);
  EXPECT_EQ(r.strip->CompositionDC(), nullptr);
  ::SendMessageW(r.Strip(), WM_PAINT, 0, 0);
}

// The RGB pixels of a DC's rectangle, row after row.
std::vector<uint32_t> PixelsOf(HDC dc, int x, int y, int w, int h) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC copy = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(copy, dib);
  ::BitBlt(copy, 0, 0, w, h, dc, x, y, SRCCOPY);
  ::GdiFlush();
  std::vector<uint32_t> out(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + w * h);
  for (auto& p : out) p &= 0x00FFFFFF;
  ::SelectObject(copy, old);
  ::DeleteDC(copy);
  ::DeleteObject(dib);
  return out;
}

// The tab area as drawing every tab directly makes it, over the strip's own background: per tab
// the frame through a temporary image keyed onto the area, the caption, the keyed close image.
std::vector<uint32_t> DirectlyDrawnTabArea(uTab& strip, const Skin& skin) {
  RECT rc{};
  ::GetClientRect(strip.Hwnd(), &rc);
  const int L = strip.TabLeftSize(), A = rc.right - L - strip.TabRightSize();
  const int H = StripHeight(strip.TabStyle());
  UniqueMemoryDC area(CreateMemoryDC(A, H));
  ::BitBlt(area.Get(), 0, 0, A, H, strip.BackgroundDC(), L, 0, SRCCOPY);
  LOGFONTW lf{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfWeight = 100;
  qorv::win::UniqueFont normal(::CreateFontIndirectW(&lf));
  lf.lfWeight = 700;
  qorv::win::UniqueFont bold(::CreateFontIndirectW(&lf));
  std::vector<TabView> views;
  CTabItems& items = strip.TabItems();
  for (int i = 0; i < items.Count(); ++i) {
    auto item = items.Item(i);
    views.push_back({item->Left(), item->Width(), item->HideButton()});
  }
  {
    qorv::win::SelectGuard font(area.Get(), normal.Get());
    ::SetBkMode(area.Get(), TRANSPARENT);
    ::SetTextColor(area.Get(), RGB(0, 0, 0));
    for (const TabPaint& p : PlanTabPaint(strip.TabStyle(), views, strip.Selected(),
                                          strip.HoverIndex(), strip.CloseState())) {
      if (p.selected) {
        ::SelectObject(area.Get(), bold.Get());
        ::SetTextColor(area.Get(), uTab::kSelectedTextColour);
      }
      DrawSkinImage(area.Get(), p.frame.left, p.frame.top, p.frame.Width(), p.frame.Height(),
                    skin.dc, p.frameSource.left, p.frameSource.top, p.frameSource.Width(),
                    p.frameSource.Height(), kFrameBorder, 0, kFrameBorder, 0, kMagenta);
      if (p.drawCaption) {
        DrawCaption(area.Get(), items.Item(p.index)->Caption(), p.captionBox.left, p.captionBox.top,
                    p.captionBox.Width(), p.captionBox.Height());
      }
      if (p.drawClose) {
        TransparentCopy(area.Get(), p.close.left, p.close.top, kCloseSize, kCloseSize, skin.dc,
                        p.closeSourceX, 0, kMagenta);
      }
    }
  }
  return PixelsOf(area.Get(), 0, 0, A, H);
}

TEST_P(RenderBothStyles, EveryRedrawEqualsDrawingEachTabDirectly) {
  const int style = GetParam();
  Skin skin(style);
  Render r(style, 700, 30, 12);
  const wchar_t* captions[] = {L"", L"ab", L"页面标题 1", L"A & B",
                               L"a caption far too long for any tab, cut with an ellipsis",
                               L"WMWMWMWM", L"x"};
  for (const wchar_t* c : captions) r.AddPage(c);
  r.strip->TabItems().Item(4)->SetHideButton(true);
  r.strip->TabItems().Item(5)->SetLockSize(true);
  r.strip->Move(10, 10, 701);  // lays the locked tab out
  auto expectSame = [&](const std::string& step) {
    RECT rc{};
    ::GetClientRect(r.Strip(), &rc);
    const int L = r.strip->TabLeftSize(), A = rc.right - L - r.strip->TabRightSize();
    const int H = StripHeight(style);
    std::vector<uint32_t> drawn = PixelsOf(r.strip->CompositionDC(), L, 0, A, H);
    std::vector<uint32_t> direct = DirectlyDrawnTabArea(*r.strip, skin);
    int differ = 0, first = -1;
    for (size_t i = 0; i < drawn.size(); ++i) {
      if (drawn[i] != direct[i]) {
        ++differ;
        if (first < 0) first = static_cast<int>(i);
      }
    }
    EXPECT_EQ(differ, 0) << step << ": first at x " << first % A << " y " << first / A;
    // What reaches the window, redrawn in part or whole, is the composition.
    // (the part of the strip that its parent shows: when wide, it reaches beyond it).
    qorv::win::WindowDC window(r.Strip());
    RECT shownPart{};
    ::GetClipBox(window.Get(), &shownPart);
    const int w = std::min<int>(rc.right, shownPart.right);
    std::vector<uint32_t> shown = PixelsOf(window.Get(), 0, 0, w, H);
    std::vector<uint32_t> composed = PixelsOf(r.strip->CompositionDC(), 0, 0, w, H);
    auto at = std::mismatch(shown.begin(), shown.end(), composed.begin()).first - shown.begin();
    EXPECT_EQ(at, static_cast<ptrdiff_t>(shown.size()))
        << step << ": window differs first at x " << at % w << " y " << at / w;
  };
  // A host background that differs from column to column: text blended into a transparent part
  // then meets other pixels wherever its tab goes.
  auto stripes = [&](HDC hdc, int32_t cx, int32_t cy, bool& skip) {
    for (int x = 0; x < cx; ++x) {
      RECT col{x, 0, x + 1, cy};
      HBRUSH b = ::CreateSolidBrush(RGB(x * 7 % 256, 255 - x % 256, x * 3 % 200));
      ::FillRect(hdc, &col, b);
      ::DeleteObject(b);
    }
    skip = true;
  };
  struct Step {
    const char* name;
    std::function<void()> act;
  } steps[] = {
      {"first drawing", [] {}},
      {"hover a body", [&] { r.Move(r.BodyOf(2).x, 20); }},
      {"hover a close button", [&] { r.Move(r.CloseOf(1).x, r.CloseOf(1).y); }},
      {"press it", [&] { r.Press(r.CloseOf(1).x, r.CloseOf(1).y); }},
      {"release elsewhere", [&] { r.Release(r.BodyOf(3).x, 20); }},
      {"select by property", [&] { r.strip->SetSelected(2); }},
      {"selected caption changes", [&] { r.strip->TabItems().Item(2)->SetCaption(L"新的标题"); }},
      {"hover the selected close button", [&] { r.Move(r.CloseOf(2).x, r.CloseOf(2).y); }},
      {"mouse leaves", [&] { ::SendMessageW(r.Strip(), WM_MOUSELEAVE, 0, 0); }},
      {"narrow: the buffers are made again", [&] { r.strip->Move(10, 10, 420); }},
      {"narrow, hover", [&] { r.Move(r.BodyOf(1).x, 20); }},
      {"narrow, select the last", [&] { r.strip->SetSelected(6); }},
      {"host background", [&] {
         r.strip->OnDrawBackground = stripes;
         r.strip->refresh();
       }},
      {"host background, select another", [&] { r.strip->SetSelected(0); }},
      {"host background, select back", [&] { r.strip->SetSelected(6); }},
      {"many tabs", [&] {
         r.strip->Move(10, 10, 985);  // unlocked tabs about 11 wide in style 1
         for (int i = 0; i < 40; ++i) r.AddPage(L"页面标题 " + std::to_wstring(i));
       }},
      {"many tabs, hover", [&] { r.Move(r.BodyOf(20).x, 20); }},
      // Redrawn in the columns of the two tabs only, over the striped background, their
      // neighbours reaching into those columns.
      {"many tabs, hover the next", [&] {
         r.Move(r.BodyOf(21).x, 20);
         EXPECT_LT(r.strip->TabsDrawnLastFrame(), 8u);
       }},
      {"many tabs, hover back", [&] { r.Move(r.BodyOf(20).x, 20); }},
      {"many tabs, another caption", [&] { r.strip->TabItems().Item(25)->SetCaption(L"新"); }},
      {"many tabs, select", [&] { r.strip->SetSelected(30); }},
      // The same selected look one place further left, over other pixels.
      {"a tab before the selected one goes", [&] { r.strip->TabItems().Remove(int32_t{0}); }},
      {"wide again", [&] { r.strip->Move(10, 10, 700); }},
      {"default background", [&] {
         r.strip->OnDrawBackground = nullptr;
         r.strip->refresh();
       }},
  };
  for (auto& step : steps) {
    step.act();
    expectSame(step.name);
  }
}

TEST(TabStripRender, NoGdiObjectLeakedOverThousandsOfRedrawsAndResizes) {
  Render r(1, 600, 10);
  for (int i = 0; i < 5; ++i) r.AddPage(L"page " + std::to_wstring(i));
  r.strip->TabItems().Item(3)->SetLockSize(true);
  r.strip->SetSelected(2);
  // Warm up: every path once (tooltip window, caches of the system).
  r.strip->SetToolTipText(L"tip");
  r.Move(r.BodyOf(1).x, 20);
  r.strip->refresh();
  r.strip->Move(10, 10, 580);
  const long baseline = GdiObjectCount();
  ASSERT_GT(baseline, 0);
  // 2000 redraws (a hover change and a full redraw each round), 200 resizes.
  for (int i = 0; i < 1000; ++i) {
    POINT p = (i % 3 == 0) ? r.CloseOf(i % 5) : r.BodyOf(i % 5);
    r.Move(p.x, p.y);
    r.strip->refresh();
    if (i % 5 == 0) r.strip->Move(10, 10, 500 + (i % 200));
    if (i % 10 == 0) r.strip->SetSelected(i % 5);
    if (i % 50 == 0) ::SendMessageW(r.Strip(), WM_PAINT, 0, 0);
  }
  EXPECT_EQ(GdiObjectCount(), baseline);

  // Controls made and destroyed give back everything: skins, fonts, buffers.
  r.strip.reset();
  const long withoutStrip = GdiObjectCount();
  for (int i = 0; i < 30; ++i) {
    uTab strip;
    strip.Create(r.host, 0, 0, 300);
    strip.LockReDraw(false);
  }
  EXPECT_EQ(GdiObjectCount(), withoutStrip);
}

}  // namespace
}  // namespace qorv::tabstrip::test
