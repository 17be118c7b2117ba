// The skin buttons on a display at 144 DPI (150 %), as scripts/wine-at-dpi runs them: each look of
// a strip is made at the DPI from the finer art and shown 1:1, whatever the rounding of its
// design width (25 pixels is 37.5 at 150 %), and a change of DPI makes the strip again.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/picture.h"
#include "controls/button_frames.h"
#include "controls/ibutton.h"
#include "win/support/test_window.h"

namespace qorv::controls {
namespace {

std::vector<COLORREF> Pixels(HDC dc, int x0, int width, int height) {
  std::vector<COLORREF> out;
  for (int y = 0; y < height; ++y) {
    for (int x = x0; x < x0 + width; ++x) out.push_back(::GetPixel(dc, x, y));
  }
  return out;
}

std::vector<COLORREF> StripPixels(HBITMAP strip, int x0, int width, int height) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, strip);
  std::vector<COLORREF> out = Pixels(dc, x0, width, height);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return out;
}

TEST(IButtonAtDpi, EachLookIsItsStripAtTheDpiShownWhole) {
  HWND host = test::CreateHostWindow(100, 100, 400, 300);
  ASSERT_EQ(win::DpiOf(host), 144) << "not run at 144 DPI (scripts/wine-at-dpi)";
  struct Case {
    int bitmap, style, designLook;  // the main window's title buttons: a look of 25 is odd
    int dpi;
  } cases[] = {{102, 1, 25, 144}, {103, 0, 43, 144}, {102, 1, 25, 120}, {103, 0, 43, 96}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bitmap << " at " << c.dpi);
    auto button = std::make_unique<iButton>();
    ASSERT_TRUE(button->Create(host, 10, 10, 100, 40));
    button->SetStyle(c.style);
    button->SetBackPicture(c.bitmap);
    button->SetDpi(c.dpi);
    const int look = ScaleForDpi(c.designLook, c.dpi), height = ScaleForDpi(18, c.dpi);
    RECT r{};
    ::GetClientRect(button->Hwnd(), &r);
    EXPECT_EQ(r.right, look);
    EXPECT_EQ(r.bottom, height);
    const win::UniqueBitmap strip =
        win::StripForDpi(c.bitmap, c.dpi, FramesInStrip(c.style), kDefaultMaskColour);
    ASSERT_TRUE(strip);
    // Normal: the strip's first look.
    EXPECT_EQ(Pixels(button->hdc(), 0, look, height), StripPixels(strip.Get(), 0, look, height));
    button.reset();
  }
  ::DestroyWindow(host);
}

}  // namespace
}  // namespace qorv::controls
