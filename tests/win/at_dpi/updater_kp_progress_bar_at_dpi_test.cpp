// The updater's progress bar on a display at 144 DPI (150 %), as scripts/wine-at-dpi runs it: its
// height follows its skin, and the skin's ends are made at the DPI and copied 1:1, not stretched
// from the 96 DPI picture; a change of DPI makes both again.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/picture.h"
#include "updater/kp_progress_bar.h"
#include "win/support/test_window.h"

namespace qorv::updater {
namespace {

// The columns [from, from + count) of dc's rows 0..height-1, as COLORREFs.
std::vector<COLORREF> Columns(HDC dc, int from, int count, int height) {
  std::vector<COLORREF> out;
  for (int y = 0; y < height; ++y) {
    for (int x = from; x < from + count; ++x) out.push_back(::GetPixel(dc, x, y));
  }
  return out;
}

std::vector<COLORREF> SkinColumns(HBITMAP skin, int from, int count, int height) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, skin);
  std::vector<COLORREF> out = Columns(dc, from, count, height);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return out;
}

TEST(KpProgressBarAtDpi, TheSkinsEndsAreCopiedWholeAtTheDpiAndMadeAgainOnAChange) {
  HWND host = test::CreateHostWindow(50, 50, 400, 120, L"bar host");
  ASSERT_EQ(win::DpiOf(host), 144) << "not run at 144 DPI (scripts/wine-at-dpi)";
  auto bar = std::make_unique<KpProgressBar>();
  ASSERT_TRUE(bar->CreateBar(host, 10, 20, 300));
  ASSERT_TRUE(bar->SetValue(50));

  struct Case {
    int dpi, height, end;  // the bar's height and each end's width at the DPI
  } cases[] = {{144, 15, 4}, {96, 10, 3}, {144, 15, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    bar->SetDpi(c.dpi);
    RECT r{};
    ::GetClientRect(bar->Hwnd(), &r);
    EXPECT_EQ(r.bottom, c.height);
    EXPECT_EQ(r.right, 300);
    const win::UniqueBitmap skin = win::PictureForDpi(
        kProgressSkinBitmap, c.dpi, win::PictureCuts{kProgressSkinColumns, {}, std::nullopt});
    ASSERT_TRUE(skin);
    const int right = ScaleForDpi(5, c.dpi);
    EXPECT_EQ(Columns(bar->ImageDC(), 0, c.end, c.height), SkinColumns(skin.Get(), 0, c.end, c.height))
        << "left end";
    EXPECT_EQ(Columns(bar->ImageDC(), 300 - c.end, c.end, c.height),
              SkinColumns(skin.Get(), right, c.end, c.height))
        << "right end";
  }
  bar.reset();
  ::DestroyWindow(host);
}

}  // namespace
}  // namespace qorv::updater
