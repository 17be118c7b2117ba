// Pixel work behind the tab strip's cached tab looks: colour-keyed copies, telling what a drawn
// layer covers from what it leaves alone, and putting such a layer down again.
//
// Pixels are those of a 32-bit top-down DIB, 0x00RRGGBB; the top byte carries no colour and is
// ignored when pixels are compared.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qorv::tabstrip {

inline constexpr uint32_t kPixelRgb = 0x00FFFFFF;
inline constexpr uint32_t kPixelBlack = 0x00000000;
inline constexpr uint32_t kPixelWhite = 0x00FFFFFF;

// A COLORREF (0x00BBGGRR) as a DIB pixel.
constexpr uint32_t PixelOf(uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

// A rectangle of pixels inside a larger image whose rows lie `stride` pixels apart.
struct PixelView {
  uint32_t* pixels = nullptr;
  int32_t width = 0, height = 0, stride = 0;
  uint32_t& At(int32_t x, int32_t y) const { return pixels[static_cast<int64_t>(y) * stride + x]; }
  PixelView Sub(int32_t x, int32_t y, int32_t w, int32_t h) const {
    return {&At(x, y), w, h, stride};
  }
};

// What a colour-keyed copy (TransparentBlt) does: every pixel of `src` that is not `key` replaces
// the pixel of `dst` at (x, y) + its position; the parts outside `dst` are left out.
void KeyedCopy(const PixelView& dst, int32_t x, int32_t y, const PixelView& src, uint32_t key);

// The pixels a layer covers, row by row in runs, with their colours.
struct Cover {
  struct Run {
    int32_t x, y, length;
    uint32_t first;  // index of its first pixel in `pixels`
  };
  std::vector<Run> runs;
  std::vector<uint32_t> pixels;
};

// One layer drawn once over black and once over white. A pixel equal in both is the layer's own;
// one that stayed black and white is left alone. Any other depends on what lies below in some
// other way (text blended into a transparent part): then there is no cover.
std::optional<Cover> CoverOf(const PixelView& overBlack, const PixelView& overWhite);

// The covered pixels onto `dst`, the cover's origin at (x, y); the parts outside are left out.
void PutCover(const PixelView& dst, int32_t x, int32_t y, const Cover& cover);

// Pixels of a view, row after row, and back; and whether a view holds exactly these pixels.
std::vector<uint32_t> PixelsOf(const PixelView& v);
void PutPixels(const PixelView& dst, const std::vector<uint32_t>& pixels);
bool HoldsPixels(const PixelView& v, const std::vector<uint32_t>& pixels);

}  // namespace qorv::tabstrip
