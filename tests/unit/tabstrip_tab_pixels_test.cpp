#include "tabstrip/tab_pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace qorv::tabstrip {
namespace {

constexpr uint32_t K = 0x00FF00FF;  // the key, magenta
constexpr uint32_t B = kPixelBlack, W = kPixelWhite;

struct Image {
  Image(int w, int h, uint32_t fill) : pixels(static_cast<size_t>(w) * h, fill), w(w), h(h) {}
  Image(int w, std::vector<uint32_t> p) : pixels(std::move(p)), w(w), h(static_cast<int>(pixels.size()) / w) {}
  PixelView View() { return {pixels.data(), w, h, w}; }
  std::vector<uint32_t> pixels;
  int w, h;
};

TEST(TabPixels, ColourOfAColorRef) {
  EXPECT_EQ(PixelOf(0x00FF00FF), 0x00FF00FFu);
  EXPECT_EQ(PixelOf(0x00A36004), 0x000460A3u);  // RGB(4, 96, 163)
}

TEST(TabPixels, KeyedCopyLeavesTheKeyOutAndClips) {
  struct Case {
    const char* name;
    int x, y;
    std::vector<uint32_t> expected;  // 3 x 2 destination, initially all 9
  } cases[] = {
      {"inside", 0, 0, {1, 9, 2, 3, 4, 9}},
      {"one right: the last column falls off", 1, 0, {9, 1, 9, 9, 3, 4}},
      {"one left and one up", -1, -1, {4, 9, 9, 9, 9, 9}},
      {"wholly outside", 3, 0, {9, 9, 9, 9, 9, 9}},
  };
  for (const Case& c : cases) {
    Image src(3, {1, K, 2, 3, 4, 0xFF000000 | K});  // the top byte is no colour
    Image dst(3, 2, 9);
    KeyedCopy(dst.View(), c.x, c.y, src.View(), K);
    EXPECT_EQ(dst.pixels, c.expected) << c.name;
  }
}

TEST(TabPixels, CoverTellsCoveredFromLeftAloneAndRefusesBlends) {
  // Over black / over white, 4 x 2.
  Image black(4, {5, B, B, 7, B, 0x123456, B, W});
  Image white(4, {5, W, W, 7, W, 0x123456, 0xFF000000 | W, W});
  auto cover = CoverOf(black.View(), white.View());
  ASSERT_TRUE(cover);
  ASSERT_EQ(cover->runs.size(), 4u);
  EXPECT_EQ(cover->runs[0].x, 0);
  EXPECT_EQ(cover->runs[0].length, 1);
  EXPECT_EQ(cover->runs[1].x, 3);
  EXPECT_EQ(cover->runs[2].y, 1);
  EXPECT_EQ(cover->runs[3].x, 3);  // white over both: covered, white
  EXPECT_EQ(cover->pixels, (std::vector<uint32_t>{5, 7, 0x123456, W}));

  // Text blended into a transparent part: neither the same nor black and white.
  for (auto [b, w] : {std::pair{0x000010u, 0xEFEFEFu}, {B, 0xFEFEFEu}, {0x010101u, W}}) {
    Image bl(2, {1, b}), wh(2, {1, w});
    EXPECT_FALSE(CoverOf(bl.View(), wh.View())) << std::hex << b << " " << w;
  }
}

TEST(TabPixels, PutCoverClipsAtEveryEdge) {
  Image black(3, {1, B, 2, 3, 4, 5}), white(3, {1, W, 2, 3, 4, 5});
  auto cover = CoverOf(black.View(), white.View());
  ASSERT_TRUE(cover);
  struct Case {
    int x, y;
    std::vector<uint32_t> expected;  // 4 x 2 destination, initially all 0
  } cases[] = {
      {0, 0, {1, 0, 2, 0, 3, 4, 5, 0}},
      {1, 0, {0, 1, 0, 2, 0, 3, 4, 5}},
      {2, 1, {0, 0, 0, 0, 0, 0, 1, 0}},
      {-2, 0, {2, 0, 0, 0, 5, 0, 0, 0}},
      {0, -1, {3, 4, 5, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Image dst(4, 2, 0);
    PutCover(dst.View(), c.x, c.y, *cover);
    EXPECT_EQ(dst.pixels, c.expected) << c.x << "," << c.y;
  }
}

TEST(TabPixels, PixelsOutAndBackAndCompared) {
  Image big(4, {1, 2, 3, 4, 5, 6, 7, 8});
  PixelView middle = big.View().Sub(1, 0, 2, 2);
  std::vector<uint32_t> got = PixelsOf(middle);
  EXPECT_EQ(got, (std::vector<uint32_t>{2, 3, 6, 7}));
  EXPECT_TRUE(HoldsPixels(middle, got));
  EXPECT_TRUE(HoldsPixels(middle, {0xFF000002, 3, 6, 7}));  // the top byte is no colour
  EXPECT_FALSE(HoldsPixels(middle, {2, 3, 6, 8}));
  EXPECT_FALSE(HoldsPixels(middle, {2, 3, 6}));
  PutPixels(middle, {9, 9, 9, 9});
  EXPECT_EQ(big.pixels, (std::vector<uint32_t>{1, 9, 9, 4, 5, 9, 9, 8}));
}

}  // namespace
}  // namespace qorv::tabstrip
