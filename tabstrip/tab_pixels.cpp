#include "tabstrip/tab_pixels.h"

#include <algorithm>

namespace qorv::tabstrip {

void KeyedCopy(const PixelView& dst, int32_t x, int32_t y, const PixelView& src, uint32_t key) {
  const int32_t x0 = std::max(0, -x), y0 = std::max(0, -y);
  const int32_t x1 = std::min(src.width, dst.width - x), y1 = std::min(src.height, dst.height - y);
  key &= kPixelRgb;
  for (int32_t sy = y0; sy < y1; ++sy) {
    for (int32_t sx = x0; sx < x1; ++sx) {
      const uint32_t p = src.At(sx, sy);
      if ((p & kPixelRgb) != key) dst.At(x + sx, y + sy) = p;
    }
  }
}

std::optional<Cover> CoverOf(const PixelView& overBlack, const PixelView& overWhite) {
  Cover cover;
  for (int32_t y = 0; y < overBlack.height; ++y) {
    Cover::Run* run = nullptr;
    for (int32_t x = 0; x < overBlack.width; ++x) {
      const uint32_t b = overBlack.At(x, y) & kPixelRgb;
      const uint32_t w = overWhite.At(x, y) & kPixelRgb;
      if (b == w) {
        if (!run) {
          cover.runs.push_back({x, y, 0, static_cast<uint32_t>(cover.pixels.size())});
          run = &cover.runs.back();
        }
        ++run->length;
        cover.pixels.push_back(b);
      } else if (b == kPixelBlack && w == kPixelWhite) {
        run = nullptr;
      } else {
        return std::nullopt;
      }
    }
  }
  return cover;
}

void PutCover(const PixelView& dst, int32_t x, int32_t y, const Cover& cover) {
  for (const Cover::Run& run : cover.runs) {
    const int32_t row = y + run.y;
    if (row < 0 || row >= dst.height) continue;
    const int32_t from = std::max(0, -(x + run.x));
    const int32_t to = std::min(run.length, dst.width - (x + run.x));
    if (from >= to) continue;
    std::copy_n(&cover.pixels[run.first + from], to - from, &dst.At(x + run.x + from, row));
  }
}

std::vector<uint32_t> PixelsOf(const PixelView& v) {
  std::vector<uint32_t> out;
  out.reserve(static_cast<size_t>(v.width) * v.height);
  for (int32_t y = 0; y < v.height; ++y) out.insert(out.end(), &v.At(0, y), &v.At(0, y) + v.width);
  return out;
}

void PutPixels(const PixelView& dst, const std::vector<uint32_t>& pixels) {
  for (int32_t y = 0; y < dst.height; ++y)
    std::copy_n(&pixels[static_cast<size_t>(y) * dst.width], dst.width, &dst.At(0, y));
}

bool HoldsPixels(const PixelView& v, const std::vector<uint32_t>& pixels) {
  if (pixels.size() != static_cast<size_t>(v.width) * v.height) return false;
  for (int32_t y = 0; y < v.height; ++y) {
    const uint32_t* expected = &pixels[static_cast<size_t>(y) * v.width];
    for (int32_t x = 0; x < v.width; ++x) {
      if ((v.At(x, y) & kPixelRgb) != (expected[x] & kPixelRgb)) return false;
    }
  }
  return true;
}

}  // namespace qorv::tabstrip
