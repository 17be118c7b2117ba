// Where the pieces of the window-frame skin come from and where they go. The skin is one
// picture (PW x PH twips); the title bar is tiled from its top rows, the border of the host form
// from its left, right and bottom edges. Every piece is copied at its own size; what falls outside
// the picture or the target is clipped. Positions are twips; the blit is pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/geometry.h"

namespace qorv::controls {

enum class FramePiece {
  TitleLeft,
  TitleMiddle,
  TitleRight,
  MinCover,
  LeftBorder,
  RightBorder,
  BottomBorder,
  BottomLeft,
  BottomRight,
};

inline constexpr int kTitleBarHeight = 500;   // twips; the pieces are 545 high and clipped
inline constexpr int kFrameSkinWidth = 1410;  // twips of the 94 x 85 pixel skin
inline constexpr int kFrameSkinHeight = 1275;

struct Placement {
  FramePiece piece;
  int64_t x = 0;
  int64_t y = 0;
  friend bool operator==(const Placement&, const Placement&) = default;
};

TwipsRect PieceSource(FramePiece piece, int64_t pictureWidth = kFrameSkinWidth,
                      int64_t pictureHeight = kFrameSkinHeight);

// The title bar of a `width` twips wide frame, in painting order: the middle tiles, then the left
// end, then the right end over them.
std::vector<Placement> TitlePlacements(int64_t width);
// The border of a W x H twips form, in painting order: bottom tiles, left tiles, right tiles,
// bottom-left corner, bottom-right corner.
std::vector<Placement> BorderPlacements(int64_t formWidth, int64_t formHeight);
// The cover over the minimise area at the right end of the title bar.
Placement MinCoverPlacement(int64_t width);

struct CaptionOrigin {
  int64_t x = 0;
  int64_t y = 0;
};
CaptionOrigin TitleCaptionOrigin(bool hasLogo);

// One copy in pixels: source and target position and the common size. Twip edges become pixel
// edges each on its own (nearest, halves to even), so tiles 300 twips apart meet exactly.
struct PieceBlit {
  int srcX = 0;
  int srcY = 0;
  int dstX = 0;
  int dstY = 0;
  int w = 0;
  int h = 0;
  friend bool operator==(const PieceBlit&, const PieceBlit&) = default;
};
// nullopt when nothing of the piece is both in the picture and in the target.
std::optional<PieceBlit> ClipPiece(const TwipsRect& source, int64_t dstX, int64_t dstY,
                                   int pictureWidthPx, int pictureHeightPx, int targetWidthPx,
                                   int targetHeightPx);

}  // namespace qorv::controls
