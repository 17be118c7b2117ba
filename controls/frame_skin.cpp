#include "controls/frame_skin.h"

#include <algorithm>

#include "base/units.h"

namespace qorv::controls {

namespace {

// No window is wider or taller than 32767 pixels; beyond that every further tile is clipped, so
// a broken size must not make millions of them.
constexpr int64_t kMaxExtent = 32767LL * kTwipsPerPixel;

int64_t Tame(int64_t v) { return std::clamp<int64_t>(v, -kMaxExtent, kMaxExtent); }

// Int(extent / 300) + 1 tiles, starting at 300: the first 300 twips belong to the ends.
int64_t TileCount(int64_t extent) {
  int64_t q = extent >= 0 ? extent / 300 : -((-extent + 299) / 300);  // floor
  return std::max<int64_t>(q + 1, 0);
}

int64_t ToPx(int64_t twips) { return RoundHalfEven(static_cast<double>(twips) / kTwipsPerPixel); }

}  // namespace

TwipsRect PieceSource(FramePiece piece, int64_t pw, int64_t ph) {
  switch (piece) {
    case FramePiece::TitleLeft: return {0, 0, 545, 545};
    case FramePiece::TitleMiddle: return {300, 0, 300, 545};
    case FramePiece::TitleRight: return {pw - 1000, 0, 1000, 545};
    case FramePiece::MinCover: return {pw - 1200, 0, 400, 545};
    case FramePiece::LeftBorder: return {0, 800, 60, 500};
    case FramePiece::RightBorder: return {pw - 60, 800, 300, 500};
    case FramePiece::BottomBorder: return {300, ph - 60, 300, 500};
    case FramePiece::BottomLeft: return {0, ph - 60, 545, 60};
    case FramePiece::BottomRight: return {pw - 500, ph - 60, 500, 60};
  }
  return {};
}

std::vector<Placement> TitlePlacements(int64_t width) {
  width = Tame(width);
  std::vector<Placement> out;
  int64_t n = TileCount(width);
  for (int64_t i = 1; i <= n; ++i) out.push_back({FramePiece::TitleMiddle, i * 300, 0});
  out.push_back({FramePiece::TitleLeft, 0, 0});
  out.push_back({FramePiece::TitleRight, width - 1000, 0});
  return out;
}

std::vector<Placement> BorderPlacements(int64_t w, int64_t h) {
  w = Tame(w);
  h = Tame(h);
  std::vector<Placement> out;
  for (int64_t i = 1, n = TileCount(w); i <= n; ++i)
    out.push_back({FramePiece::BottomBorder, i * 300, h - 60});
  for (int64_t i = 1, n = TileCount(h); i <= n; ++i)
    out.push_back({FramePiece::LeftBorder, 0, i * 300});
  for (int64_t i = 1, n = TileCount(h); i <= n; ++i)
    out.push_back({FramePiece::RightBorder, w - 60, i * 300});
  out.push_back({FramePiece::BottomLeft, 0, h - 60});
  out.push_back({FramePiece::BottomRight, w - 500, h - 60});
  return out;
}

Placement MinCoverPlacement(int64_t width) {
  return {FramePiece::MinCover, Tame(width) - 830, 0};
}

CaptionOrigin TitleCaptionOrigin(bool hasLogo) { return {hasLogo ? 600 : 150, 150}; }

std::optional<PieceBlit> ClipPiece(const TwipsRect& source, int64_t dstX, int64_t dstY,
                                   int pictureWidthPx, int pictureHeightPx, int targetWidthPx,
                                   int targetHeightPx) {
  if (source.width <= 0 || source.height <= 0) return std::nullopt;
  int64_t sx0 = ToPx(source.left), sy0 = ToPx(source.top);
  int64_t sx1 = ToPx(source.left + source.width), sy1 = ToPx(source.top + source.height);
  int64_t dx0 = ToPx(Tame(dstX)), dy0 = ToPx(Tame(dstY));

  // Clip to the picture: whatever is cut from the source's start moves the target's start too.
  auto clipSource = [](int64_t& s0, int64_t& s1, int64_t& d0, int64_t limit) {
    if (s0 < 0) {
      d0 -= s0;
      s0 = 0;
    }
    s1 = std::min(s1, limit);
  };
  clipSource(sx0, sx1, dx0, pictureWidthPx);
  clipSource(sy0, sy1, dy0, pictureHeightPx);
  // Clip to the target.
  auto clipTarget = [](int64_t& s0, int64_t& s1, int64_t& d0, int64_t limit) {
    if (d0 < 0) {
      s0 -= d0;
      d0 = 0;
    }
    s1 = std::min(s1, s0 + (limit - d0));
  };
  clipTarget(sx0, sx1, dx0, targetWidthPx);
  clipTarget(sy0, sy1, dy0, targetHeightPx);
  if (sx1 <= sx0 || sy1 <= sy0) return std::nullopt;
  return PieceBlit{static_cast<int>(sx0), static_cast<int>(sy0), static_cast<int>(dx0),
                   static_cast<int>(dy0), static_cast<int>(sx1 - sx0),
                   static_cast<int>(sy1 - sy0)};
}

}  // namespace qorv::controls
