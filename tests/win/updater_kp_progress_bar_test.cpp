// The updater's progress bar as a real child window: what it draws from its skin for each state,
// its fixed height, and that the screen shows its image.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <vector>

#include "updater/kp_progress_bar.h"
#include "win/support/test_window.h"

namespace qorv::updater {
namespace {

// A skin whose ten columns have ten different colours, so every drawn pixel tells which column
// of the skin it came from.
COLORREF SkinColumn(int c) { return RGB(20 + c * 23, 200 - c * 17, (c * 53) % 256); }

HBITMAP MakeSkin() {
  HDC screen = ::GetDC(nullptr);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, 10, 10);
  HDC dc = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(dc, bmp);
  for (int x = 0; x < 10; ++x) {
    for (int y = 0; y < 10; ++y) ::SetPixel(dc, x, y, SkinColumn(x));
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return bmp;
}

// The skin column each pixel of row `y` came from (-1: none of them).
std::vector<int> Columns(HDC dc, int width, int y = 5) {
  std::vector<int> out;
  for (int x = 0; x < width; ++x) {
    COLORREF c = ::GetPixel(dc, x, y);
    int col = -1;
    for (int k = 0; k < 10; ++k) {
      if (c == SkinColumn(k)) col = k;
    }
    out.push_back(col);
  }
  return out;
}

class ProgressBar : public testing::Test {
 protected:
  void SetUp() override {
    host = test::CreateHostWindow(50, 50, 300, 100, L"bar host");
    ASSERT_TRUE(host);
  }
  void TearDown() override {
    bar.reset();
    ::DestroyWindow(host);
  }
  void Make(int width, const ProgressBarModel::PropertyLookup& stored = {}) {
    bar = std::make_unique<KpProgressBar>();
    ASSERT_TRUE(bar->CreateBar(host, 10, 20, width, MakeSkin(), stored));
  }
  // Where the empty track starts, checking the rest of the row on the way: the ends and the
  // filled middle where they belong.
  int TrackStart(int width) {
    auto cols = Columns(bar->ImageDC(), width);
    int start = width;
    for (int x = 0; x < width; ++x) {
      int c = cols[x];
      EXPECT_NE(c, -1) << "x=" << x;
      if ((c == 8 || c == 9) && start == width) start = x;
      if (start == width) {
        if (x < 3) {
          EXPECT_EQ(c, x) << "left end, x=" << x;
        } else if (x < width - 3) {
          EXPECT_TRUE(c == 3 || c == 4) << "filled middle, x=" << x << " col " << c;
        } else if (x < width - 1) {
          EXPECT_EQ(c, 5 + (x - (width - 3))) << "right end, x=" << x;
        }
      } else if (x < width - 1) {
        EXPECT_TRUE(c == 8 || c == 9) << "empty track, x=" << x << " col " << c;
      }
    }
    if (width >= 1) {
      EXPECT_EQ(cols[width - 1], 7);  // the right end's last column always shows
    }
    return start;
  }
  HWND host = nullptr;
  std::unique_ptr<KpProgressBar> bar;
};

TEST_F(ProgressBar, DrawsFillUpToTheComputedEnd) {
  Make(100);
  struct Case {
    int32_t max, value;
    int trackStart;  // 100 when full
  } cases[] = {
      {100, 0, 1}, {100, 50, 50}, {100, 100, 100}, {100, 99, 98}, {4, 1, 26}, {4, 3, 74},
      {1000000, 999999, 100},  // X = 99 leaves no empty track
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.max << " " << c.value);
    ASSERT_TRUE(bar->SetMax(c.max));
    ASSERT_TRUE(bar->SetValue(c.value));
    EXPECT_EQ(TrackStart(100), c.trackStart);
  }
}

TEST_F(ProgressBar, RefusedValuesDrawNothingNew) {
  Make(120);
  ASSERT_TRUE(bar->SetValue(40));
  int before = TrackStart(120);
  EXPECT_FALSE(bar->SetValue(101));
  EXPECT_FALSE(bar->SetMax(0));
  EXPECT_FALSE(bar->SetMin(100));
  EXPECT_EQ(TrackStart(120), before);
  EXPECT_EQ(bar->Value(), 40);
  // Lowering Max below Value pulls Value down with it: a full bar.
  ASSERT_TRUE(bar->SetMax(30));
  EXPECT_EQ(bar->Value(), 30);
  EXPECT_EQ(TrackStart(120), 120);
}

TEST_F(ProgressBar, MinEqualToMaxFromStoredPropertiesDrawsAnEmptyBar) {
  Make(80, [](std::wstring_view key) -> std::optional<int32_t> {
    if (key == L"Min" || key == L"Max" || key == L"Value") return 7;
    return std::nullopt;
  });
  EXPECT_EQ(bar->Min(), 7);
  EXPECT_EQ(bar->Max(), 7);
  EXPECT_EQ(TrackStart(80), 1);
}

TEST_F(ProgressBar, HeightStaysTenPixels) {
  Make(100);
  for (int h : {1, 30, 200}) {
    ::SetWindowPos(bar->Hwnd(), nullptr, 0, 0, 150, h, SWP_NOMOVE | SWP_NOZORDER);
    RECT r{};
    ::GetClientRect(bar->Hwnd(), &r);
    EXPECT_EQ(r.bottom, 10);
    EXPECT_EQ(r.right, 150);
  }
  // The image follows the new width and the bar is redrawn for it.
  ASSERT_TRUE(bar->SetValue(100));
  EXPECT_EQ(TrackStart(150), 150);
}

TEST_F(ProgressBar, TheScreenShowsTheImage) {
  Make(200);
  ASSERT_TRUE(bar->SetValue(25));
  ::UpdateWindow(host);
  test::PumpFor(200);
  RECT r{};
  ::GetWindowRect(bar->Hwnd(), &r);
  int x = ProgressFillEnd(200, 0, 100, 25);
  // Both sides of the fill's end, as they appear on the screen.
  std::set<COLORREF> filled = {SkinColumn(3), SkinColumn(4)};
  std::set<COLORREF> empty = {SkinColumn(8), SkinColumn(9)};
  EXPECT_TRUE(filled.count(test::ScreenPixel(r.left + x - 2, r.top + 5)));
  EXPECT_TRUE(empty.count(test::ScreenPixel(r.left + x + 2, r.top + 5)));
  EXPECT_EQ(test::ScreenPixel(r.left, r.top + 5), SkinColumn(0));
}

}  // namespace
}  // namespace qorv::updater
