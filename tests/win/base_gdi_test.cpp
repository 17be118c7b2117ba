// The off-screen image against real GDI: each way of making, resizing, swapping and handing over
// a BackBuffer gives back every object it made, and a swapped bitmap leaves the DC's own state.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "base/win/gdi.h"
#include "win/support/gdi_count.h"

namespace qorv {
namespace {

using win::BackBuffer;
using Refused = BackBuffer::Refused;

// The first use of the screen DC makes objects the system keeps: counted from after that.
void WarmUp() { BackBuffer::Compatible(nullptr, 2, 2); }

TEST(BackBuffer, EveryWayOfUseGivesBackWhatItMade) {
  struct Case {
    const char* what;
    std::function<void()> use;
  };
  const Case cases[] = {
      {"resized by assignment", [] {
         BackBuffer b;
         for (int w = 1; w <= 40; ++w) b = BackBuffer::Compatible(nullptr, w, 7);
       }},
      {"DIB sections", [] {
         for (int w = 1; w <= 40; ++w) BackBuffer::Dib32(nullptr, w, w);
       }},
      {"a DC alone, then bitmaps put in one after another", [] {
         win::ScreenDC screen;
         BackBuffer b = BackBuffer::Holding(nullptr, {});
         for (int w = 1; w <= 40; ++w) {
           b.PutBitmap(win::UniqueBitmap(::CreateCompatibleBitmap(screen.Get(), w, 3)));
         }
       }},
      {"bitmaps taken out", [] {
         for (int w = 1; w <= 40; ++w) {
           win::UniqueBitmap taken = BackBuffer::Compatible(nullptr, w, 4).TakeBitmap();
         }
       }},
      {"handed over as a DC and taken back", [] {
         for (int w = 1; w <= 40; ++w) {
           HDC dc = BackBuffer::Compatible(nullptr, w, 5).Release();
           BackBuffer back(dc);
         }
       }},
      {"reset onto a handed-over DC", [] {
         BackBuffer b = BackBuffer::Dib32(nullptr, 3, 3);
         for (int w = 1; w <= 40; ++w) b.Reset(BackBuffer::Compatible(nullptr, w, 2).Release());
       }},
      {"fonts chosen one after another through one guard", [] {
         BackBuffer b = BackBuffer::Compatible(nullptr, 8, 6);
         win::UniqueFont font;
         win::SelectGuard selected(b.Get());
         for (int size = 8; size <= 40; ++size) {
           win::UniqueFont next(::CreateFontW(-size, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                              0, 0, 0, 0, L"Arial"));
           selected.Select(next.Get());
           font = std::move(next);  // the one before is out of the DC: deleted
         }
       }},
  };
  WarmUp();
  for (const Case& c : cases) {
    long before = test::GdiObjectCount();
    c.use();
    EXPECT_EQ(test::GdiObjectCount(), before) << c.what;
  }
}

TEST(BackBuffer, PutBitmapKeepsTheDcAndWhatIsSelectedIntoIt) {
  WarmUp();
  win::ScreenDC screen;
  BackBuffer b = BackBuffer::Compatible(nullptr, 10, 10);
  ASSERT_TRUE(b);
  HDC dc = b.Get();
  HBITMAP first = b.Bitmap();
  win::UniqueFont font(::CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                     L"Arial"));
  win::SelectGuard selected(dc, font.Get());
  ::SetTextColor(dc, RGB(1, 2, 3));

  b.PutBitmap(win::UniqueBitmap(::CreateCompatibleBitmap(screen.Get(), 30, 20)));
  EXPECT_EQ(b.Get(), dc);
  EXPECT_EQ(b.Size().cx, 30);
  EXPECT_EQ(b.Size().cy, 20);
  EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), b.Bitmap());
  EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font.Get());
  EXPECT_EQ(::GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(::GetObjectType(first), 0u);  // deleted once out of the DC
}

TEST(BackBuffer, TakenBitmapIsSelectedNowhereAndKeepsItsPixels) {
  WarmUp();
  BackBuffer b = BackBuffer::Compatible(nullptr, 4, 4);
  ::SetPixel(b.Get(), 2, 1, RGB(10, 200, 30));
  win::UniqueBitmap taken = b.TakeBitmap();
  ASSERT_TRUE(taken);
  EXPECT_EQ(b.Bitmap(), nullptr);
  EXPECT_NE(::GetCurrentObject(b.Get(), OBJ_BITMAP), taken.Get());
  // A bitmap can be in one DC at a time: selecting it elsewhere works only once it is out.
  BackBuffer other = BackBuffer::Holding(nullptr, std::move(taken));
  EXPECT_EQ(::GetPixel(other.Get(), 2, 1), RGB(10, 200, 30));
}

TEST(BackBuffer, DibPixelsAreReachableAndSizesRefusedAtTheBitmap) {
  BackBuffer dib = BackBuffer::Dib32(nullptr, 5, 3);
  ASSERT_TRUE(dib && dib.Bits());
  ::SetPixel(dib.Get(), 4, 2, RGB(0x12, 0x34, 0x56));
  ::GdiFlush();
  EXPECT_EQ(dib.Bits()[2 * 5 + 4] & 0xFFFFFF, 0x123456u);

  struct Size {
    int w, h;
  };
  for (Size s : {Size{-1, 5}, Size{5, -1}, Size{300000, 300000}}) {
    for (bool asDib : {false, true}) {
      Refused refused = Refused::kNothing;
      BackBuffer b = asDib ? BackBuffer::Dib32(nullptr, s.w, s.h, &refused)
                           : BackBuffer::Compatible(nullptr, s.w, s.h, &refused);
      EXPECT_FALSE(b) << s.w << " x " << s.h << (asDib ? " DIB" : "");
      EXPECT_EQ(refused, Refused::kBitmap) << s.w << " x " << s.h << (asDib ? " DIB" : "");
    }
  }
}

}  // namespace
}  // namespace qorv
