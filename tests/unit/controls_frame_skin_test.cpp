#include "controls/frame_skin.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qorv::controls {
namespace {

std::vector<int64_t> Xs(const std::vector<Placement>& v, FramePiece piece) {
  std::vector<int64_t> out;
  for (const auto& p : v)
    if (p.piece == piece) out.push_back(p.x);
  return out;
}
std::vector<int64_t> Ys(const std::vector<Placement>& v, FramePiece piece) {
  std::vector<int64_t> out;
  for (const auto& p : v)
    if (p.piece == piece) out.push_back(p.y);
  return out;
}
std::vector<int64_t> Steps(int64_t from, int64_t to) {
  std::vector<int64_t> out;
  for (int64_t v = from; v <= to; v += 300) out.push_back(v);
  return out;
}

TEST(FrameSkin, PieceSourcesInTheSkin) {
  struct Case {
    FramePiece piece;
    TwipsRect r;
  } cases[] = {
      {FramePiece::TitleLeft, {0, 0, 545, 545}},
      {FramePiece::TitleMiddle, {300, 0, 300, 545}},
      {FramePiece::TitleRight, {410, 0, 1000, 545}},
      {FramePiece::MinCover, {210, 0, 400, 545}},
      {FramePiece::LeftBorder, {0, 800, 60, 500}},
      {FramePiece::RightBorder, {1350, 800, 300, 500}},
      {FramePiece::BottomBorder, {300, 1215, 300, 500}},
      {FramePiece::BottomLeft, {0, 1215, 545, 60}},
      {FramePiece::BottomRight, {910, 1215, 500, 60}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PieceSource(c.piece), c.r) << static_cast<int>(c.piece);
}

TEST(FrameSkin, TitleOf3000Twips) {
  auto v = TitlePlacements(3000);
  EXPECT_EQ(Xs(v, FramePiece::TitleMiddle), Steps(300, 3300));  // 11 tiles
  ASSERT_EQ(v.size(), 13u);
  // The ends are painted last, over the tiles.
  EXPECT_EQ(v[11], (Placement{FramePiece::TitleLeft, 0, 0}));
  EXPECT_EQ(v[12], (Placement{FramePiece::TitleRight, 2000, 0}));
  EXPECT_EQ(TitleCaptionOrigin(false).x, 150);
  EXPECT_EQ(TitleCaptionOrigin(true).x, 600);
  EXPECT_EQ(TitleCaptionOrigin(true).y, 150);
}

TEST(FrameSkin, BorderOfA6000By4500Form) {
  auto v = BorderPlacements(6000, 4500);
  EXPECT_EQ(Xs(v, FramePiece::BottomBorder), Steps(300, 6300));  // 21 tiles
  auto bottomYs = Ys(v, FramePiece::BottomBorder);
  EXPECT_TRUE(std::all_of(bottomYs.begin(), bottomYs.end(), [](int64_t y) { return y == 4440; }));
  EXPECT_EQ(Ys(v, FramePiece::LeftBorder), Steps(300, 4800));  // 16 tiles
  EXPECT_EQ(Ys(v, FramePiece::RightBorder), Steps(300, 4800));
  auto leftXs = Xs(v, FramePiece::LeftBorder), rightXs = Xs(v, FramePiece::RightBorder);
  EXPECT_TRUE(std::all_of(leftXs.begin(), leftXs.end(), [](int64_t x) { return x == 0; }));
  EXPECT_TRUE(std::all_of(rightXs.begin(), rightXs.end(), [](int64_t x) { return x == 5940; }));
  // Corners last, over the tiles.
  EXPECT_EQ(v[v.size() - 2], (Placement{FramePiece::BottomLeft, 0, 4440}));
  EXPECT_EQ(v.back(), (Placement{FramePiece::BottomRight, 5500, 4440}));
  EXPECT_EQ(MinCoverPlacement(3000), (Placement{FramePiece::MinCover, 2170, 0}));
}

TEST(FrameSkin, BrokenSizesMakeFewTiles) {
  auto small = TitlePlacements(-500);
  EXPECT_EQ(small.size(), 2u);  // only the ends
  EXPECT_EQ(TitlePlacements(299).size(), 3u);  // Int(299 / 300) + 1 = 1 tile
  EXPECT_EQ(TitlePlacements(300).size(), 4u);
  // No window is wider than 32767 pixels: a wild width is held to that.
  EXPECT_LE(TitlePlacements(INT64_MAX / 2).size(), 32767u * 15 / 300 + 4);
  EXPECT_LE(BorderPlacements(INT64_MIN / 2, INT64_MAX / 2).size(), 2 * (32767u * 15 / 300 + 2) + 3);
}

TEST(FrameSkin, PiecesAreClippedToPictureAndTarget) {
  // The 94 x 85 pixel skin, a 400 x 300 pixel form.
  struct Case {
    FramePiece piece;
    int64_t x, y;
    std::optional<PieceBlit> blit;
  } cases[] = {
      // Right border: 300 twips wide in the table, 60 left in the picture.
      {FramePiece::RightBorder, 5940, 300, PieceBlit{90, 53, 396, 20, 4, 32}},
      // Bottom border: 500 high in the table, 60 left in the picture.
      {FramePiece::BottomBorder, 300, 4440, PieceBlit{20, 81, 20, 296, 20, 4}},
      // The last bottom tile starts past the form's right edge.
      {FramePiece::BottomBorder, 6300, 4440, std::nullopt},
      // The left end of the title is 545 twips (36 pixels) high; a 33-pixel target cuts it.
      {FramePiece::TitleLeft, 0, 0, PieceBlit{0, 0, 0, 0, 36, 36}},
      // A piece starting left of the target loses its left part.
      {FramePiece::TitleMiddle, -150, 0, PieceBlit{30, 0, 0, 0, 10, 36}},
      {FramePiece::BottomRight, 5500, 4440, PieceBlit{61, 81, 367, 296, 33, 4}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClipPiece(PieceSource(c.piece), c.x, c.y, 94, 85, 400, 300), c.blit)
        << static_cast<int>(c.piece) << " at " << c.x;
  auto title = ClipPiece(PieceSource(FramePiece::TitleLeft), 0, 0, 94, 85, 200, 33);
  ASSERT_TRUE(title);
  EXPECT_EQ(title->h, 33);
  // Tiles 300 twips apart are 20 pixels apart and 20 wide: they meet without gaps.
  auto a = ClipPiece(PieceSource(FramePiece::TitleMiddle), 300, 0, 94, 85, 400, 33);
  auto b = ClipPiece(PieceSource(FramePiece::TitleMiddle), 600, 0, 94, 85, 400, 33);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->dstX + a->w, b->dstX);
  // The right end fills the bar to its last pixel: 3000 twips = 200 pixels.
  auto right = ClipPiece(PieceSource(FramePiece::TitleRight), 2000, 0, 94, 85, 200, 33);
  ASSERT_TRUE(right);
  EXPECT_EQ(right->dstX + right->w, 200);
  // Nothing at all: no picture, or an empty target.
  EXPECT_EQ(ClipPiece(PieceSource(FramePiece::TitleLeft), 0, 0, 0, 0, 400, 300), std::nullopt);
  EXPECT_EQ(ClipPiece(PieceSource(FramePiece::TitleLeft), 0, 0, 94, 85, 0, 0), std::nullopt);
}

}  // namespace
}  // namespace qorv::controls
