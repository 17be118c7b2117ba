// The start-up helpers against the real platform: resources written to disk, the layered splash
// on screen, and the window that drags another along.
#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/win/resource.h"
#include "startup/layered_image.h"
#include "startup/public_data.h"
#include "win/support/test_window.h"

namespace qorv::startup {
namespace {

std::vector<char> ReadFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<char> ResourceBytes(int id, const wchar_t* type) {
  auto span = win::LoadCustomResource(id, type);
  auto* p = reinterpret_cast<const char*>(span.data());
  return {p, p + span.size()};
}

TEST(PublicData, TempDirIsAnExistingDirectoryEndingInBackslash) {
  std::wstring dir = GetTempDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), L'\\');
  DWORD attrs = ::GetFileAttributesW(dir.c_str());
  ASSERT_NE(attrs, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(PublicData, SaveResFileWritesTheExactResourceBytes) {
  struct { int id; const wchar_t* type; } cases[] = {
      {101, L"PNG"}, {102, L"PNG"}, {101, L"ICON"}, {101, L"UPDATE"}};
  for (auto c : cases) {
    auto expected = ResourceBytes(c.id, c.type);
    ASSERT_FALSE(expected.empty()) << c.type << c.id;
    std::wstring path = GetTempDir() + L"qorv-test-" + c.type + std::to_wstring(c.id) + L".bin";
    ASSERT_TRUE(SaveResFile(c.id, c.type, path));
    EXPECT_EQ(ReadFile(path), expected) << c.type << c.id;
    ::DeleteFileW(path.c_str());
  }
}

TEST(PublicData, SaveResFileReplacesALongerFileWhole) {
  std::wstring path = GetTempDir() + L"qorv-test-replace.bin";
  {
    std::ofstream out(path.c_str(), std::ios::binary);
    std::string junk(10 * 1024 * 1024, 'x');  // longer than any resource
    out << junk;
  }
  ASSERT_TRUE(SaveResFile(102, L"PNG", path));
  EXPECT_EQ(ReadFile(path), ResourceBytes(102, L"PNG"));  // no stale tail after the new bytes
  ::DeleteFileW(path.c_str());
}

TEST(PublicData, SaveResFileRefusesMissingResourcesAndUnsafePaths) {
  std::wstring path = GetTempDir() + L"qorv-test-missing.bin";
  ::DeleteFileW(path.c_str());
  EXPECT_FALSE(SaveResFile(999, L"PNG", path));
  EXPECT_FALSE(SaveResFile(101, L"NOSUCHTYPE", path));
  EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  // A relative path would land in whatever the current directory is.
  EXPECT_FALSE(SaveResFile(102, L"PNG", L"qorv-relative.bin"));
  EXPECT_EQ(::GetFileAttributesW(L"qorv-relative.bin"), INVALID_FILE_ATTRIBUTES);
  // A directory that does not exist: reported, nothing created.
  EXPECT_FALSE(SaveResFile(102, L"PNG", GetTempDir() + L"no\\such\\dir\\x.bin"));
}

class SplashOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    // A solid backdrop so that what shows through transparent pixels is known.
    backdrop = test::CreateHostWindow(100, 100, 600, 400, L"backdrop", WS_POPUP | WS_VISIBLE);
    HBRUSH green = ::CreateSolidBrush(RGB(0, 200, 0));
    ::SetClassLongPtrW(backdrop, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(green));
    ::InvalidateRect(backdrop, nullptr, TRUE);
    splash = test::CreateHostWindow(200, 150, 50, 50, L"splash", WS_POPUP, WS_EX_TOOLWINDOW);
    test::PumpFor(200);
  }
  void TearDown() override {
    image.Release();
    ::DestroyWindow(splash);
    ::DestroyWindow(backdrop);
  }
  HWND backdrop = nullptr;
  HWND splash = nullptr;
  LayeredImage image;
};

TEST_F(SplashOnScreen, TakesThePictureSizeKeepsItsPlaceAndIsLayered) {
  ASSERT_TRUE(image.SetUp(splash, 102, false));
  ::ShowWindow(splash, SW_SHOWNOACTIVATE);
  test::PumpFor(300);
  RECT r{};
  ::GetWindowRect(splash, &r);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 150);
  EXPECT_EQ(r.right - r.left, 356);
  EXPECT_EQ(r.bottom - r.top, 122);
  EXPECT_TRUE(::GetWindowLongW(splash, GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(SplashOnScreen, TransparentPixelsShowWhatIsBehind) {
  ASSERT_TRUE(image.SetUp(splash, 102, false));
  ::ShowWindow(splash, SW_SHOWNOACTIVATE);
  test::PumpFor(500);
  // The picture's corners are fully transparent; its centre is opaque artwork.
  COLORREF corner = test::ScreenPixel(200, 150);
  COLORREF centre = test::ScreenPixel(200 + 178, 150 + 61);
  EXPECT_EQ(corner, RGB(0, 200, 0));
  EXPECT_NE(centre, RGB(0, 200, 0));
  // Moving the window re-runs nothing and keeps the picture.
  ::SetWindowPos(splash, nullptr, 220, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  test::PumpFor(300);
  EXPECT_EQ(test::ScreenPixel(220 + 178, 160 + 61), centre);
}

// The resource's own pixels (straight alpha), decoded apart from the code under test.
struct DecodedPixel {
  int x, y;
  Gdiplus::ARGB argb;
};

std::vector<DecodedPixel> SamplePixels(int id) {
  namespace gp = Gdiplus::DllExports;
  std::vector<DecodedPixel> out;
  auto bytes = ResourceBytes(id, L"PNG");
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return out;
  IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                        static_cast<UINT>(bytes.size()));
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (stream && gp::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(bitmap, &w);
    gp::GdipGetImageHeight(bitmap, &h);
    // Partly transparent edge pixels (where a missing or doubled premultiplication shows), and
    // opaque ones (where swapped channels show).
    int partial = 0, opaque = 0;
    for (UINT y = 0; y < h; y += 3) {
      for (UINT x = 0; x < w; x += 5) {
        Gdiplus::ARGB argb = 0;
        gp::GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &argb);
        BYTE a = argb >> 24;
        bool isPartial = a > 40 && a < 215 && partial < 12;
        bool isOpaque = a == 255 && opaque < 4 && (x + y) % 7 == 0;
        if (isPartial || isOpaque) out.push_back({static_cast<int>(x), static_cast<int>(y), argb});
        partial += isPartial;
        opaque += isOpaque;
      }
    }
    gp::GdipDisposeImage(bitmap);
  }
  if (stream) stream->Release();
  Gdiplus::GdiplusShutdown(token);
  return out;
}

TEST_F(SplashOnScreen, EdgePixelsBlendWithWhatIsBehind) {
  ASSERT_TRUE(image.SetUp(splash, 102, false));
  ::ShowWindow(splash, SW_SHOWNOACTIVATE);
  test::PumpFor(500);
  std::vector<DecodedPixel> samples = SamplePixels(102);
  ASSERT_GE(samples.size(), 8u);
  const COLORREF behind = RGB(0, 200, 0);
  for (const DecodedPixel& p : samples) {
    double a = (p.argb >> 24) / 255.0;
    auto blend = [&](int source, int back) { return source * a + back * (1 - a); };
    COLORREF seen = test::ScreenPixel(200 + p.x, 150 + p.y);
    int expected[3] = {static_cast<int>(blend((p.argb >> 16) & 0xFF, GetRValue(behind)) + 0.5),
                       static_cast<int>(blend((p.argb >> 8) & 0xFF, GetGValue(behind)) + 0.5),
                       static_cast<int>(blend(p.argb & 0xFF, GetBValue(behind)) + 0.5)};
    int actual[3] = {GetRValue(seen), GetGValue(seen), GetBValue(seen)};
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(actual[c], expected[c], 3)
          << "pixel (" << p.x << ", " << p.y << ") channel " << c << " alpha " << (p.argb >> 24);
    }
  }
}

TEST_F(SplashOnScreen, StrippingTheFrameClearsCaptionAndSizingBorder) {
  HWND framed = test::CreateHostWindow(300, 300, 200, 200, L"framed",
                                       WS_OVERLAPPEDWINDOW);
  LayeredImage bg;
  ASSERT_TRUE(bg.SetUp(framed, 102, true));
  LONG style = ::GetWindowLongW(framed, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
  bg.Release();
  ::DestroyWindow(framed);
}

TEST_F(SplashOnScreen, AMissingPictureLeavesTheWindowAsItWas) {
  LONG before = ::GetWindowLongW(splash, GWL_EXSTYLE);
  EXPECT_FALSE(image.SetUp(splash, 4242, false));
  EXPECT_EQ(::GetWindowLongW(splash, GWL_EXSTYLE), before);
}

// The login background's way: prefetched on another thread, taken by a hidden window that does not
// wait for it, and on screen whole by the time the window is shown, whichever comes first.
TEST_F(SplashOnScreen, APrefetchedPictureIsOnTheHiddenWindowByItsShow) {
  PrefetchLayeredPictures({kSplashPicture});
  ASSERT_TRUE(image.SetUpBeforeShow(splash, kSplashPicture, false));
  ::ShowWindow(splash, SW_SHOWNOACTIVATE);
  EXPECT_EQ(image.ImageSize().cx, 356);  // there before ShowWindow returned
  EXPECT_TRUE(::GetWindowLongW(splash, GWL_EXSTYLE) & WS_EX_LAYERED);
  test::PumpFor(500);
  RECT r{};
  ::GetWindowRect(splash, &r);
  EXPECT_EQ(r.right - r.left, 356);
  EXPECT_EQ(r.bottom - r.top, 122);
  EXPECT_NE(test::ScreenPixel(200 + 178, 150 + 61), RGB(0, 200, 0));
  EXPECT_EQ(test::ScreenPixel(200, 150), RGB(0, 200, 0));
}

// A picture decoded only once the splash is up: nothing of it before the release (taking the
// splash's own picture is none), all of it after, and a window shown before any release takes it
// without waiting for ever.
TEST_F(SplashOnScreen, AnAfterSplashPictureWaitsForTheReleaseOrForItsWindowsShow) {
  for (bool releaseFirst : {true, false}) {
    SCOPED_TRACE(releaseFirst ? "released" : "shown first");
    PrefetchLayeredPictures({kLoginBackgroundPicture}, {kSplashPicture});
    HWND first = test::CreateHostWindow(0, 0, 10, 10, L"first", WS_POPUP);
    LayeredImage firstImage;
    ASSERT_TRUE(firstImage.SetUp(first, kLoginBackgroundPicture, false));
    ASSERT_TRUE(image.SetUpBeforeShow(splash, kSplashPicture, false));
    test::PumpFor(300);
    EXPECT_EQ(image.ImageSize().cx, 0);  // held back, although decoding it takes far less
    firstImage.Release();
    ::DestroyWindow(first);
    if (releaseFirst) {
      DecodeAfterSplashPictures();
      EXPECT_TRUE(test::PumpUntil([&] { return image.ImageSize().cx == 356; }, 3000));
      EXPECT_FALSE(::IsWindowVisible(splash));
    } else {
      ::ShowWindow(splash, SW_SHOWNOACTIVATE);
      EXPECT_EQ(image.ImageSize().cx, 356);
      ::ShowWindow(splash, SW_HIDE);
    }
    image.Release();
  }
}

TEST(LayeredImage, RepeatedSetUpAndReleaseLeaksNoGdiObjects) {
  HWND w = test::CreateHostWindow(0, 0, 10, 10, L"leak", WS_POPUP);
  LayeredImage image;
  ASSERT_TRUE(image.SetUp(w, 102, false));
  image.Release();
  DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(image.SetUp(w, 102, false));
    image.Release();
  }
  EXPECT_LE(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), before + 2);
  ::DestroyWindow(w);
}

HWND g_follower = nullptr;

TEST(HookWindow, TheFollowerMovesToTheHookedWindowsCorner) {
  HWND lead = test::CreateHostWindow(100, 100, 300, 200, L"lead", WS_POPUP | WS_VISIBLE);
  g_follower = test::CreateHostWindow(500, 500, 120, 80, L"follower", WS_POPUP | WS_VISIBLE);
  SetMoveFollower([] { return g_follower; });
  auto original = ::GetWindowLongPtrW(lead, GWLP_WNDPROC);

  ASSERT_TRUE(HookWindow(lead));
  EXPECT_NE(::GetWindowLongPtrW(lead, GWLP_WNDPROC), original);
  EXPECT_FALSE(HookWindow(lead));  // one hooked window at a time, never twice

  ::SetWindowPos(lead, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  test::PumpFor(100);
  RECT f{};
  ::GetWindowRect(g_follower, &f);
  EXPECT_EQ(f.left, 40);
  EXPECT_EQ(f.top, 60);
  EXPECT_EQ(f.right - f.left, 120);  // size unchanged
  EXPECT_EQ(f.bottom - f.top, 80);

  UnhookWindow(lead);
  EXPECT_EQ(::GetWindowLongPtrW(lead, GWLP_WNDPROC), original);
  ::SetWindowPos(lead, nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  test::PumpFor(100);
  ::GetWindowRect(g_follower, &f);
  EXPECT_EQ(f.left, 40);  // no longer follows

  // After unhooking, another window may be hooked.
  EXPECT_TRUE(HookWindow(g_follower));
  UnhookWindow(g_follower);
  SetMoveFollower(nullptr);
  ::DestroyWindow(g_follower);
  ::DestroyWindow(lead);
}

TEST(HookWindow, RefusesWindowsThatAreNotOurs) {
  EXPECT_FALSE(HookWindow(nullptr));
  EXPECT_FALSE(HookWindow(reinterpret_cast<HWND>(0x7fff1234)));
  HWND desktop = ::GetDesktopWindow();  // belongs to the desktop process
  DWORD pid = 0;
  ::GetWindowThreadProcessId(desktop, &pid);
  if (pid != ::GetCurrentProcessId()) {
    EXPECT_FALSE(HookWindow(desktop));
  }
  UnhookWindow(nullptr);  // nothing hooked: nothing happens
}

}  // namespace
}  // namespace qorv::startup
