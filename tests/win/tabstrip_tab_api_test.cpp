// The tab strip's drawing helpers against real GDI: memory DCs and their bitmaps, failures with
// their texts, skin pieces with kept borders and a transparent colour, style edits.
#include <gtest/gtest.h>

#include "tabstrip/tab_api.h"
#include "tests/win/tabstrip_fixture.h"

namespace qorv::tabstrip::test {
namespace {

constexpr COLORREF kRed = RGB(200, 0, 0), kBlue = RGB(0, 0, 200), kGreen = RGB(0, 200, 0),
                   kWhite = RGB(255, 255, 255), kMagenta = RGB(255, 0, 255);

SIZE BitmapSize(HDC dc) {
  BITMAP bm{};
  ::GetObjectW(::GetCurrentObject(dc, OBJ_BITMAP), sizeof(bm), &bm);
  return {bm.bmWidth, bm.bmHeight};
}

void Fill(HDC dc, int x, int y, int w, int h, COLORREF c) {
  RECT rc{x, y, x + w, y + h};
  HBRUSH b = ::CreateSolidBrush(c);
  ::FillRect(dc, &rc, b);
  ::DeleteObject(b);
}

// The first use of the screen DC makes objects the system keeps: counted from after that.
void WarmUp() { DeleteMemoryDC(CreateMemoryDC(2, 2)); }

TEST(TabApi, MemoryDcOwnsItsBitmap) {
  WarmUp();
  long before = GdiObjectCount();
  HDC dc = CreateMemoryDC(37, 19);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(BitmapSize(dc).cx, 37);
  EXPECT_EQ(BitmapSize(dc).cy, 19);
  EXPECT_EQ(GdiObjectCount(), before + 2);
  EXPECT_EQ(DeleteMemoryDC(dc), 1);
  EXPECT_EQ(GdiObjectCount(), before);

  HBITMAP bitmap = ::CreateBitmap(5, 5, 1, 32, nullptr);
  HDC owner = CreateBitmapDC(bitmap);
  EXPECT_EQ(::GetCurrentObject(owner, OBJ_BITMAP), bitmap);
  DeleteMemoryDC(owner);
  EXPECT_EQ(::GetObjectType(bitmap), 0u);  // deleted with its DC
  EXPECT_EQ(GdiObjectCount(), before);
}

TEST(TabApi, FailedBitmapRaisesItsTextAndLeaksNothing) {
  WarmUp();
  long before = GdiObjectCount();
  // A negative width, and a bitmap too large for any memory.
  for (auto [cx, cy] : {std::pair{-4, 25}, std::pair{25, -4}, std::pair{300000, 300000}}) {
    try {
      DeleteMemoryDC(CreateMemoryDC(cx, cy));
      ADD_FAILURE() << cx << " x " << cy << " made a DC";
    } catch (const TabApiError& e) {
      EXPECT_EQ(e.Description(), L"CreateCompatibleBitmap调用失败");
      EXPECT_STREQ(e.what(),
                   "CreateCompatibleBitmap\xE8\xB0\x83\xE7\x94\xA8\xE5\xA4\xB1\xE8\xB4\xA5");
    }
  }
  EXPECT_EQ(GdiObjectCount(), before);
  EXPECT_STREQ(TabApiError(kErrGetDC).what(), "GetDC\xE8\xB0\x83\xE7\x94\xA8\xE5\xA4\xB1\xE8\xB4\xA5");
  EXPECT_STREQ(TabApiError(kErrCreateCompatibleDC).what(),
               "CreateCompatibleDC\xE8\xB0\x83\xE7\x94\xA8\xE5\xA4\xB1\xE8\xB4\xA5");
}

class SkinImage : public ::testing::Test {
 protected:
  void SetUp() override {
    // A 30 x 10 source: red left border (4), blue middle, green right border (4), magenta
    // corners at the top left and bottom right.
    src = UniqueMemoryDC(CreateMemoryDC(30, 10));
    Fill(src.Get(), 0, 0, 4, 10, kRed);
    Fill(src.Get(), 4, 0, 22, 10, kBlue);
    Fill(src.Get(), 26, 0, 4, 10, kGreen);
    ::SetPixel(src.Get(), 0, 0, kMagenta);
    ::SetPixel(src.Get(), 29, 9, kMagenta);
    dst = UniqueMemoryDC(CreateMemoryDC(120, 20));
    Fill(dst.Get(), 0, 0, 120, 20, kWhite);
  }
  COLORREF At(int x, int y) { return ::GetPixel(dst.Get(), x, y); }
  UniqueMemoryDC src, dst;
};

TEST_F(SkinImage, KeepsBordersStretchesTheMiddleAndLeavesOutTheKeyColour) {
  long before = GdiObjectCount();
  EXPECT_TRUE(DrawSkinImage(dst.Get(), 10, 5, 100, 10, src.Get(), 0, 0, 30, 10, 4, 0, 4, 0,
                            kMagenta));
  EXPECT_EQ(GdiObjectCount(), before);  // the temporary image is gone
  struct Case {
    int x, y;
    COLORREF expected;
  } cases[] = {
      {10, 5, kWhite},  // magenta corner left out
      {11, 5, kRed},   {13, 14, kRed},  {14, 10, kBlue},  {60, 10, kBlue},  {105, 10, kBlue},
      {106, 5, kGreen}, {109, 13, kGreen},
      {109, 14, kWhite},  // magenta corner left out
      {9, 10, kWhite},    {110, 10, kWhite}, {50, 4, kWhite}, {50, 15, kWhite},
  };
  for (auto& c : cases) EXPECT_EQ(At(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(SkinImage, WithoutAColourTheKeyColourIsCopied) {
  DrawSkinImage(dst.Get(), 0, 0, 60, 10, src.Get(), 0, 0, 30, 10, 4, 0, 4, 0);
  EXPECT_EQ(At(0, 0), kMagenta);
  EXPECT_EQ(At(59, 9), kMagenta);
}

TEST_F(SkinImage, ZeroOrNegativeSizesDrawNothing) {
  long before = GdiObjectCount();
  for (auto [w, h] : {std::pair{0, 10}, std::pair{50, 0}, std::pair{-20, 10}}) {
    EXPECT_FALSE(DrawSkinImage(dst.Get(), 0, 0, w, h, src.Get(), 0, 0, 30, 10, 4, 0, 4, 0,
                               kMagenta));
  }
  EXPECT_FALSE(DrawSkinImage(dst.Get(), 0, 0, 50, 10, src.Get(), 0, 0, 0, 10, 4, 0, 4, 0));
  for (int x = 0; x < 60; x += 7) EXPECT_EQ(At(x, 5), kWhite);
  EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(SkinImage, NarrowerThanItsBordersIsCutNotMirrored) {
  // 6 wide with borders 4 + 4: three columns of the left end, three of the right end.
  DrawSkinImage(dst.Get(), 0, 0, 6, 10, src.Get(), 0, 0, 30, 10, 4, 0, 4, 0);
  EXPECT_EQ(At(0, 0), kMagenta);
  EXPECT_EQ(At(2, 3), kRed);
  EXPECT_EQ(At(3, 3), kGreen);
  EXPECT_EQ(At(5, 3), kGreen);
  EXPECT_EQ(At(6, 3), kWhite);
}

TEST_F(SkinImage, TransparentCopyIsOneToOne) {
  EXPECT_TRUE(TransparentCopy(dst.Get(), 50, 2, 6, 6, src.Get(), 0, 0, kMagenta));
  EXPECT_EQ(At(50, 2), kWhite);
  EXPECT_EQ(At(51, 2), kRed);
  EXPECT_EQ(At(54, 7), kBlue);
  EXPECT_EQ(At(56, 7), kWhite);
}

struct StyleWatch {
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_STYLECHANGING) ++styleChanges;
    if (m == WM_NCCALCSIZE) ++frameChanges;
    return ::DefWindowProcW(h, m, w, l);
  }
  static inline int styleChanges = 0;
  static inline int frameChanges = 0;
};

TEST(TabApi, ModifyStyleWritesOnlyAChangeAndRefreshesTheFrame) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &StyleWatch::Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QorvStyleWatch";
  ::RegisterClassW(&wc);
  HWND w = ::CreateWindowExW(0, L"QorvStyleWatch", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                             nullptr, nullptr, wc.hInstance, nullptr);
  StyleWatch::styleChanges = StyleWatch::frameChanges = 0;
  EXPECT_FALSE(ModifyStyle(w, GWL_STYLE, WS_CAPTION, 0, 0));  // no frame refresh asked
  EXPECT_EQ(StyleWatch::styleChanges, 1);
  EXPECT_EQ(StyleWatch::frameChanges, 0);
  EXPECT_FALSE(::GetWindowLongW(w, GWL_STYLE) & WS_CAPTION);
  EXPECT_FALSE(ModifyStyle(w, GWL_STYLE, WS_THICKFRAME, 0, SWP_FRAMECHANGED));
  EXPECT_EQ(StyleWatch::styleChanges, 2);
  EXPECT_GE(StyleWatch::frameChanges, 1);
  int frames = StyleWatch::frameChanges;
  EXPECT_FALSE(ModifyStyle(w, GWL_STYLE, WS_CAPTION, 0, SWP_FRAMECHANGED));  // already clear
  EXPECT_EQ(StyleWatch::styleChanges, 2);
  EXPECT_EQ(StyleWatch::frameChanges, frames);
  ::DestroyWindow(w);
}

}  // namespace
}  // namespace qorv::tabstrip::test
