// Which copy of a picture a DPI is drawn from: the program carries some pictures at 1.5x as well
// as 1x and 2x, and a DPI takes the smallest copy at least as fine as it needs, or the next finer
// one where that picture has no such copy.
#include "base/win/picture.h"

#include <gtest/gtest.h>

#include "base/units.h"
#include "base/win/resource.h"

namespace qorv::win {
namespace {

constexpr int kSplash = 102, kLoginBackground = 101, kLoginClose = 102;  // PNG, PNG, GIF ids

PixelImage Decoded(int id, const wchar_t* type) {
  return DecodePicture(LoadCustomResource(id, type));
}

TEST(PictureCopies, EachDpiIsDrawnFromTheSmallestCopyFineEnough) {
  // 150 %: the splash's 1.5x copy as it stands, with nothing scaled.
  const PixelImage threeHalves = Decoded(kSplash, L"PNG1.5X");
  ASSERT_EQ(threeHalves.width, 534);
  ASSERT_EQ(threeHalves.height, 183);
  EXPECT_EQ(LoadPictureAtDpi(L"PNG", kSplash, 144).pixels, threeHalves.pixels);

  // 125 %: scaled down from the 1.5x copy, not from the 2x one.
  const PixelImage at120 = LoadPictureAtDpi(L"PNG", kSplash, 120);
  EXPECT_EQ(at120.width, ScaleForDpi(356, 120));
  EXPECT_EQ(at120.height, ScaleForDpi(122, 120));
  EXPECT_EQ(at120.pixels, ScalePicture(threeHalves, 150, 120).pixels);
  EXPECT_NE(at120.pixels, ScalePicture(Decoded(kSplash, L"PNG2X"), 200, 120).pixels);

  // Above 150 %: the 2x copy.
  EXPECT_EQ(LoadPictureAtDpi(L"PNG", kSplash, 168).pixels,
            ScalePicture(Decoded(kSplash, L"PNG2X"), 200, 168).pixels);

  // The login background has no 1.5x copy: 150 % falls back to the 2x one.
  ASSERT_TRUE(LoadCustomResource(kLoginBackground, L"PNG1.5X").empty());
  const PixelImage background = LoadPictureAtDpi(L"PNG", kLoginBackground, 144);
  EXPECT_EQ(background.width, 1856);
  EXPECT_EQ(background.height, 1044);
}

TEST(PictureCopies, AKeyedButtonAt150PercentIsItsOwnArtKeyedAgain) {
  constexpr uint32_t kKey = 0xFEFEFE;  // the login buttons' key (login_forms.h)
  PictureCuts cuts;
  cuts.key = kKey;
  const PixelImage button = PictureAtDpi(L"GIF", kLoginClose, 144, cuts);
  const PixelImage art = Decoded(kLoginClose, L"GIF1.5X");
  ASSERT_EQ(button.width, 60);
  ASSERT_EQ(button.height, 60);
  ASSERT_EQ(art.pixels.size(), button.pixels.size());
  for (size_t i = 0; i < art.pixels.size(); ++i) {
    const uint32_t want = (art.pixels[i] >> 24) < 128 ? kKey : (art.pixels[i] & 0xFFFFFF);
    ASSERT_EQ(button.pixels[i], want) << i;
  }
}

}  // namespace
}  // namespace qorv::win
