#include "base/picture_scale.h"

#include <gtest/gtest.h>

#include <string>

#include "base/units.h"

namespace qorv {
namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// A picture whose columns [edges[i], edges[i+1]) (design pixels) are colours[i], at `scale`.
PixelImage Stripes(const std::vector<int>& edges, const std::vector<uint32_t>& colours, int height,
                   int scale) {
  PixelImage image;
  image.width = edges.back() * scale;
  image.height = height * scale;
  for (int y = 0; y < image.height; ++y) {
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
      for (int x = edges[i] * scale; x < edges[i + 1] * scale; ++x)
        image.pixels.push_back(colours[i]);
    }
  }
  return image;
}

uint32_t At(const PixelImage& image, int x, int y) {
  return image.pixels[static_cast<size_t>(y) * image.width + x];
}

TEST(PictureScale, TheFinestPictureNeededIsChosen) {
  const int wholeOnly[] = {100, 200};
  const int upToThree[] = {100, 200, 300};
  struct Case {
    int dpi;
    std::span<const int> scales;
    int scale;
  } cases[] = {
      {96, kPictureScales, 100}, {97, kPictureScales, 150}, {120, kPictureScales, 150},
      {144, kPictureScales, 150}, {145, kPictureScales, 200}, {168, kPictureScales, 200},
      {192, kPictureScales, 200}, {240, kPictureScales, 200}, {480, kPictureScales, 200},
      {72, kPictureScales, 100}, {144, wholeOnly, 200},       {97, wholeOnly, 200},
      {240, upToThree, 300},     {288, upToThree, 300},       {193, upToThree, 300},
      {144, {}, 100},
  };
  for (const Case& c : cases) EXPECT_EQ(PictureScaleFor(c.dpi, c.scales), c.scale) << c.dpi;
}

// A strip of three 25-pixel frames from the 2x art: every frame fills its own scaled cell with its
// colour alone, so a layout cutting at the scaled edges gets no seam of the neighbouring frame.
TEST(PictureScale, FramesOfAStripStayWholeAtEveryDpi) {
  const PixelImage strip = Stripes({0, 25, 50, 75}, {kRed, kGreen, kBlue}, 18, 2);
  const int edges[] = {25, 50};
  for (int dpi : {96, 120, 144, 168, 192, 240}) {
    const PixelImage scaled = ScalePicture(strip, 200, dpi, edges);
    ASSERT_EQ(scaled.width, ScaleForDpi(75, dpi)) << dpi;
    ASSERT_EQ(scaled.height, ScaleForDpi(18, dpi)) << dpi;
    const int cut[] = {0, ScaleForDpi(25, dpi), ScaleForDpi(50, dpi), scaled.width};
    const uint32_t colour[] = {kRed, kGreen, kBlue};
    for (int frame = 0; frame < 3; ++frame) {
      for (int x = cut[frame]; x < cut[frame + 1]; ++x) {
        for (int y : {0, scaled.height / 2, scaled.height - 1}) {
          ASSERT_EQ(At(scaled, x, y), colour[frame]) << "dpi " << dpi << " x " << x;
        }
      }
    }
  }
}

// A button's state strip: at 150 % a 25-pixel look is 37.5 pixels, and every look must still be
// one width, so that the button's equal cuts take each look whole and none of its neighbour.
TEST(PictureScale, EveryLookOfAButtonStripIsOneWidthAtEveryDpi) {
  const PixelImage strip = Stripes({0, 25, 50, 75}, {kRed, kGreen, kBlue}, 18, 2);
  for (int dpi : {96, 120, 144, 168, 192, 240}) {
    const PixelImage scaled = ScaleFrameStrip(strip, 200, dpi, 3);
    const int look = ScaleForDpi(25, dpi);
    ASSERT_EQ(scaled.width, 3 * look) << dpi;
    ASSERT_EQ(scaled.height, ScaleForDpi(18, dpi)) << dpi;
    const uint32_t colour[] = {kRed, kGreen, kBlue};
    for (int x = 0; x < scaled.width; ++x) {
      ASSERT_EQ(At(scaled, x, scaled.height / 2), colour[x / look]) << "dpi " << dpi << " x " << x;
    }
  }
  // Keyed art stays key or art along each look's edge.
  const uint32_t key = 0xFF00FF;
  const PixelImage keyed = Stripes({0, 3, 25, 28, 50}, {key, 0xFF0000, key, 0x00FF00}, 4, 2);
  const PixelImage scaled = ScaleFrameStrip(keyed, 200, 144, 2, &key);
  ASSERT_EQ(scaled.width, 2 * 38);
  for (uint32_t p : scaled.pixels)
    ASSERT_TRUE(p == key || p == 0xFF0000 || p == 0x00FF00) << std::hex << p;
  // A strip that is not whole looks gives nothing rather than looks cut in the wrong places.
  EXPECT_TRUE(ScaleFrameStrip(strip, 200, 144, 4).pixels.empty());
}

// A skin's 4-pixel border around its middle keeps its width in scaled pixels on every side, with
// no blend across the inner edge.
TEST(PictureScale, BordersKeepTheirScaledWidth) {
  constexpr int kSize = 20, kBorder = 4;
  PixelImage skin;
  skin.width = skin.height = kSize * 2;
  for (int y = 0; y < skin.height; ++y) {
    for (int x = 0; x < skin.width; ++x) {
      const bool border = x < kBorder * 2 || y < kBorder * 2 || x >= (kSize - kBorder) * 2 ||
                          y >= (kSize - kBorder) * 2;
      skin.pixels.push_back(border ? kBlue : 0x80402010);  // a premultiplied half-alpha middle
    }
  }
  const int edges[] = {kBorder, kSize - kBorder};
  for (int dpi : {120, 144, 168}) {
    const PixelImage scaled = ScalePicture(skin, 200, dpi, edges, edges);
    const int border = ScaleForDpi(kBorder, dpi);
    const int inner = ScaleForDpi(kSize - kBorder, dpi);
    ASSERT_EQ(scaled.width, ScaleForDpi(kSize, dpi));
    for (int x = 0; x < scaled.width; ++x) {
      const bool inBorder = x < border || x >= inner;
      const int mid = scaled.height / 2;
      EXPECT_EQ(At(scaled, x, mid), inBorder ? kBlue : 0x80402010u) << dpi << " x " << x;
      EXPECT_EQ(At(scaled, mid, x), inBorder ? kBlue : 0x80402010u) << dpi << " y " << x;
    }
  }
}

// A white disc-like blob on the magenta key: after scaling every pixel is either the key or
// white, never a pink blend that would show as a fringe where the key is drawn transparent.
TEST(PictureScale, KeyedArtGetsNoFringeOfTheKey) {
  constexpr uint32_t kKey = 0xFF00FF, kWhite = 0xFFFFFF;
  PixelImage art{24, 24, {}};
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      const int dx = x - 12, dy = y - 12;
      art.pixels.push_back(dx * dx + dy * dy < 81 ? kWhite : kKey);
    }
  }
  // Each pixel the key or white, and the blob about its area (pi * 9^2 of the art's pixels).
  auto expectBlob = [&](const PixelImage& scaled, int side) {
    SCOPED_TRACE(side);
    ASSERT_EQ(scaled.width, side);
    ASSERT_EQ(scaled.height, side);
    int white = 0;
    for (uint32_t p : scaled.pixels) {
      ASSERT_TRUE(p == kKey || p == kWhite) << std::hex << p;
      white += p == kWhite;
    }
    const double area = 3.14159 * 9 * 9 * side * side / (24.0 * 24.0);
    EXPECT_NEAR(white, area, area * 0.2);
  };
  for (int dpi : {96, 120, 144, 168}) {
    expectBlob(ScaleKeyedPicture(art, kKey, 200, dpi), ScaleForDpi(12, dpi));
  }
  // Shrunk to sizes no DPI gives (a picture shrunk with the window it sits on).
  for (int side : {17, 9}) expectBlob(ResizeKeyedPicture(art, kKey, side, side), side);
}

// Near-white art on a near-white key (the login buttons' X on 0xFEFEFE): two whites either side
// of the key average to exactly the key, and such a pixel would be punched through the art.
TEST(PictureScale, ArtThatAveragesToTheKeyStaysOpaque) {
  constexpr uint32_t kKey = 0xFEFEFE;
  PixelImage art{8, 8, {}};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) art.pixels.push_back(x % 2 ? 0xFFFFFF : 0xFDFDFD);
  }
  for (int dpi : {96, 120, 144}) {
    const PixelImage scaled = ScaleKeyedPicture(art, kKey, 200, dpi);
    ASSERT_EQ(scaled.width, ScaleForDpi(4, dpi));
    for (uint32_t p : scaled.pixels) {
      EXPECT_NE(p, kKey) << dpi;
      for (int c = 0; c < 24; c += 8) {
        EXPECT_NEAR(static_cast<int>((p >> c) & 0xFF), 0xFE, 1) << std::hex << p << " at " << dpi;
      }
    }
  }
}

TEST(PictureScale, AreaAveragingMixesEachTargetPixelsFootprint) {
  // Two source pixels per target pixel: a black/white pair becomes the mean; three to two
  // (1.5 per target pixel) weighs the middle source pixel half to each side.
  PixelImage pairs{4, 1, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}};
  PixelImage halved = Resample(pairs, 2, 1);
  ASSERT_EQ(halved.pixels.size(), 2u);
  EXPECT_EQ(halved.pixels[0], 0xFF808080u);  // 127.5 rounds up
  EXPECT_EQ(halved.pixels[1], 0xFFFFFFFFu);

  PixelImage three{3, 1, {0xFF000000, 0xFF969696, 0xFFFFFFFF}};
  PixelImage two = Resample(three, 2, 1);
  ASSERT_EQ(two.pixels.size(), 2u);
  EXPECT_EQ(two.pixels[0], 0xFF323232u);  // (0 * 1 + 150 * 0.5) / 1.5 = 50
  EXPECT_EQ(two.pixels[1], 0xFFDCDCDCu);  // (150 * 0.5 + 255 * 1) / 1.5 = 220
}

// The login background at 144 DPI (1856 x 1044) on monitors of various work areas.
TEST(PictureScale, APictureTooLargeForTheWorkAreaShrinksToFitInProportion) {
  struct Case {
    int maxWidth, maxHeight;
    PixelSize fitted;
  } cases[] = {
      {1920, 1080, {1856, 1044}},  // fits as it is
      {1856, 1044, {1856, 1044}},  // exactly
      {1280, 994, {1280, 720}},    // width is tighter: 1044 * 1280 / 1856 = 720.0
      {1920, 1000, {1777, 1000}},  // height is tighter: 1856 * 1000 / 1044 = 1777.7, down
      {1855, 1044, {1855, 1043}},  // one pixel too wide costs a row too (1043.4)
      {1, 1, {1, 1}},
      {0, 1000, {}},
      {1000, -5, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitWithin(1856, 1044, c.maxWidth, c.maxHeight), c.fitted)
        << c.maxWidth << " x " << c.maxHeight;
  }
  EXPECT_EQ(FitWithin(0, 10, 100, 100), PixelSize{});
}

// Art at 1.5x: taken as it stands at 144 DPI, scaled down below it, and cut only where a design
// edge falls on a whole pixel of it (an odd design edge is half a pixel in).
TEST(PictureScale, ThreeHalvesArtIsCutOnlyOnWholePixels) {
  PixelImage threeHalves;  // a design of 50 x 18: red up to 24, green after
  threeHalves.width = 75;
  threeHalves.height = 27;
  for (int y = 0; y < 27; ++y) {
    for (int x = 0; x < 75; ++x) threeHalves.pixels.push_back(x < 36 ? kRed : kGreen);
  }
  const int even[] = {24};
  const PixelImage same = ScalePicture(threeHalves, 150, 144, even);
  EXPECT_EQ(same.pixels, threeHalves.pixels);
  for (int dpi : {97, 120, 132}) {
    const PixelImage scaled = ScalePicture(threeHalves, 150, dpi, even);
    ASSERT_EQ(scaled.width, ScaleForDpi(50, dpi)) << dpi;
    ASSERT_EQ(scaled.height, ScaleForDpi(18, dpi)) << dpi;
    const int cut = ScaleForDpi(24, dpi);
    for (int x = 0; x < scaled.width; ++x)
      ASSERT_EQ(At(scaled, x, 5), x < cut ? kRed : kGreen) << "dpi " << dpi << " x " << x;
  }
  const int odd[] = {25};
  EXPECT_TRUE(ScalePicture(threeHalves, 150, 120, odd).pixels.empty());
}

TEST(PictureScale, PicturesThatAreNotWhatTheyClaimGiveNothing) {
  PixelImage odd{5, 4, std::vector<uint32_t>(20, kRed)};  // not twice any design size
  EXPECT_TRUE(ScalePicture(odd, 200, 144).pixels.empty());
  PixelImage shortPixels{4, 4, std::vector<uint32_t>(15, kRed)};
  EXPECT_TRUE(ScalePicture(shortPixels, 200, 144).pixels.empty());
  EXPECT_TRUE(Resample(shortPixels, 2, 2).pixels.empty());
  PixelImage fine{4, 4, std::vector<uint32_t>(16, kRed)};
  EXPECT_TRUE(ScalePicture(fine, 0, 144).pixels.empty());
  EXPECT_TRUE(Resample(fine, 0, 3).pixels.empty());
  PixelImage notThreeHalves{5, 6, std::vector<uint32_t>(30, kRed)};  // 5 is 1.5 x 3.33
  EXPECT_TRUE(ScalePicture(notThreeHalves, 150, 144).pixels.empty());
  // Edges outside the picture, repeated or unordered, change nothing.
  const int wild[] = {-3, 9, 2, 2, 0};
  EXPECT_EQ(ScalePicture(fine, 200, 144, wild).pixels, ScalePicture(fine, 200, 144).pixels);
}

}  // namespace
}  // namespace qorv
