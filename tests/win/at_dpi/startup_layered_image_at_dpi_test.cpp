// The layered splash and login background on a display at 144 DPI (150 %), as scripts/wine-at-dpi
// runs it: the picture is the design's size at that DPI, drawn from the finer art rather than
// stretched from the 96 DPI one, and the login background fits the monitor's work area.
#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/win/dpi.h"
#include "base/win/resource.h"
#include "startup/layered_image.h"
#include "startup/load_frm.h"
#include "win/support/test_window.h"

namespace qorv {
namespace {

constexpr int kDpi = 144;

// The pixels of width x height of dc at (x, y), as 0x00RRGGBB.
std::vector<uint32_t> Capture(HDC dc, int x, int y, int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  BITMAPINFO bmi{};
  bmi.bmiHeader = {sizeof(bmi.bmiHeader), width, -height, 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, dib);
  ::BitBlt(mem, 0, 0, width, height, dc, x, y, SRCCOPY);
  ::GdiFlush();
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t*>(bits)[i] & 0xFFFFFF;
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  ::DeleteObject(dib);
  return pixels;
}

// How much neighbouring pixels differ, squared, per pixel, inside the picture's opaque middle: a
// picture stretched up from fewer pixels spreads each edge's step over more pixels, and two half
// steps weigh half of one whole one.
double Sharpness(const std::vector<uint32_t>& pixels, int width, int height, int inset) {
  double sum = 0;
  int count = 0;
  for (int y = inset; y < height - inset; ++y) {
    for (int x = inset; x + 1 < width - inset; ++x) {
      const uint32_t a = pixels[static_cast<size_t>(y) * width + x];
      const uint32_t b = pixels[static_cast<size_t>(y) * width + x + 1];
      for (int c = 0; c < 24; c += 8) {
        const int step = int((a >> c) & 0xFF) - int((b >> c) & 0xFF);
        sum += step * step;
      }
      ++count;
    }
  }
  return count ? sum / count : 0;
}

// What the system's stretch of the 96 DPI picture would show: the 1x resource, decoded apart from
// the code under test, drawn at width x height with GDI's smoothing filter on the same backdrop.
std::vector<uint32_t> StretchedOneX(int id, int width, int height, COLORREF backdrop) {
  namespace gp = Gdiplus::DllExports;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  std::vector<uint32_t> out;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return out;
  auto bytes = win::LoadCustomResource(id, L"PNG");
  IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                        static_cast<UINT>(bytes.size()));
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (stream && gp::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(mem, target);
    HBRUSH brush = ::CreateSolidBrush(backdrop);
    RECT all{0, 0, width, height};
    ::FillRect(mem, &all, brush);
    Gdiplus::GpGraphics* graphics = nullptr;
    gp::GdipCreateFromHDC(mem, &graphics);
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeBilinear);
    gp::GdipDrawImageRectI(graphics, bitmap, 0, 0, width, height);
    gp::GdipDeleteGraphics(graphics);
    out = Capture(mem, 0, 0, width, height);
    ::SelectObject(mem, old);
    ::DeleteObject(brush);
    ::DeleteObject(target);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    gp::GdipDisposeImage(bitmap);
  }
  if (stream) stream->Release();
  Gdiplus::GdiplusShutdown(token);
  return out;
}

class LayeredAtDpi : public ::testing::Test {
 protected:
  void SetUp() override {
    backdrop = test::CreateHostWindow(0, 0, 1280, 1024, L"backdrop", WS_POPUP | WS_VISIBLE);
    ::SetClassLongPtrW(backdrop, GCLP_HBRBACKGROUND,
                       reinterpret_cast<LONG_PTR>(::CreateSolidBrush(kBackdrop)));
    ::InvalidateRect(backdrop, nullptr, TRUE);
    window = test::CreateHostWindow(40, 30, 50, 50, L"layered", WS_POPUP, WS_EX_TOOLWINDOW);
    test::PumpFor(200);
    ASSERT_EQ(win::DpiOf(window), kDpi) << "not run at 144 DPI (scripts/wine-at-dpi)";
  }
  void TearDown() override {
    image.Release();
    ::DestroyWindow(window);
    ::DestroyWindow(backdrop);
  }
  static constexpr COLORREF kBackdrop = RGB(0, 200, 0);
  HWND backdrop = nullptr;
  HWND window = nullptr;
  startup::LayeredImage image;
};

TEST_F(LayeredAtDpi, TheSplashIsItsDesignAtTheDpiAndSharperThanAStretch) {
  ASSERT_TRUE(image.SetUp(window, 102, false));
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  test::PumpFor(500);
  RECT r{};
  ::GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  ASSERT_EQ(r.right - r.left, 534);  // 356 x 122 at 150 %
  ASSERT_EQ(r.bottom - r.top, 183);

  HDC screen = ::GetDC(nullptr);
  std::vector<uint32_t> shown = Capture(screen, 40, 30, 534, 183);
  ::ReleaseDC(nullptr, screen);
  std::vector<uint32_t> stretched = StretchedOneX(102, 534, 183, kBackdrop);
  ASSERT_EQ(stretched.size(), shown.size());
  const double crisp = Sharpness(shown, 534, 183, 12);
  const double blurred = Sharpness(stretched, 534, 183, 12);
  std::printf("sharpness shown %.1f, 1x stretched %.1f\n", crisp, blurred);
  EXPECT_GT(crisp, blurred * 1.2) << "shown " << crisp << ", 1x stretched " << blurred;
}

TEST_F(LayeredAtDpi, TheSplashIsCentredOnTheWorkAreaAtItsScaledSize) {
  const RECT place = startup::SplashPlacement(kDpi);
  ::SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(image.SetUp(window, startup::kSplashPicture, false));
  RECT r{};
  ::GetWindowRect(window, &r);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  // Twice the centres, so that an odd leftover pixel is not lost to integer halves.
  EXPECT_NEAR(r.left + r.right, work.left + work.right, 2) << r.left << ", " << r.right;
  EXPECT_NEAR(r.top + r.bottom, work.top + work.bottom, 2) << r.top << ", " << r.bottom;
}

TEST_F(LayeredAtDpi, TheLoginBackgroundFitsTheWorkAreaInItsProportions) {
  ASSERT_TRUE(image.SetUp(window, 101, true));
  RECT r{};
  ::GetWindowRect(window, &r);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = r.right - r.left, height = r.bottom - r.top;
  const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  if (workWidth >= 1856 && workHeight >= 1044) {
    EXPECT_EQ(width, 1856);  // 1237 x 696 at 150 %
    EXPECT_EQ(height, 1044);
  } else {
    EXPECT_LE(width, workWidth);
    EXPECT_LE(height, workHeight);
    EXPECT_TRUE(width == workWidth || height == workHeight) << width << " x " << height;
    EXPECT_NEAR(static_cast<double>(width) / height, 1237.0 / 696.0, 0.01);
  }
}

}  // namespace
}  // namespace qorv
