#include "base/picture_scale.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/units.h"

namespace qorv {

namespace {

struct Span1D {
  int start = 0;
  int length = 0;
};

// One target pixel's share of each source pixel along an axis: the overlap of the source pixel
// with the target pixel's footprint, in source pixels.
struct Tap {
  int first = 0;
  std::vector<float> weights;
};

std::vector<Tap> AreaTaps(int sourceLength, int targetLength) {
  std::vector<Tap> taps(static_cast<size_t>(targetLength));
  const double ratio = static_cast<double>(sourceLength) / targetLength;
  for (int t = 0; t < targetLength; ++t) {
    const double from = t * ratio;
    const double to = std::min<double>((t + 1) * ratio, sourceLength);
    Tap& tap = taps[static_cast<size_t>(t)];
    tap.first = std::min(static_cast<int>(from), sourceLength - 1);
    for (int s = tap.first; s < sourceLength && s < to; ++s) {
      const double overlap = std::min<double>(s + 1, to) - std::max<double>(s, from);
      tap.weights.push_back(static_cast<float>(std::max(overlap, 0.0) / ratio));
    }
  }
  return taps;
}

uint32_t Pack(const float (&c)[4]) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    const float v = std::clamp(c[i], 0.0f, 255.0f);
    out |= static_cast<uint32_t>(std::lround(v)) << (8 * i);
  }
  return out;
}

// Resamples the sx x sy block of source into the tx x ty block of target: rows first into a
// float buffer, then columns.
void ResampleBlock(const PixelImage& source, Span1D sx, Span1D sy, PixelImage& target, Span1D tx,
                   Span1D ty) {
  if (sx.length <= 0 || sy.length <= 0 || tx.length <= 0 || ty.length <= 0) return;
  const std::vector<Tap> across = AreaTaps(sx.length, tx.length);
  const std::vector<Tap> down = AreaTaps(sy.length, ty.length);
  std::vector<float> rows(static_cast<size_t>(sy.length) * tx.length * 4);
  for (int y = 0; y < sy.length; ++y) {
    const uint32_t* in =
        &source.pixels[static_cast<size_t>(sy.start + y) * source.width + sx.start];
    float* out = &rows[static_cast<size_t>(y) * tx.length * 4];
    for (int x = 0; x < tx.length; ++x) {
      const Tap& tap = across[static_cast<size_t>(x)];
      float c[4] = {};
      for (size_t k = 0; k < tap.weights.size(); ++k) {
        const uint32_t p = in[tap.first + static_cast<int>(k)];
        for (int i = 0; i < 4; ++i)
          c[i] += tap.weights[k] * static_cast<float>((p >> (8 * i)) & 0xFF);
      }
      std::copy(c, c + 4, out + static_cast<size_t>(x) * 4);
    }
  }
  for (int y = 0; y < ty.length; ++y) {
    const Tap& tap = down[static_cast<size_t>(y)];
    uint32_t* out = &target.pixels[static_cast<size_t>(ty.start + y) * target.width + tx.start];
    for (int x = 0; x < tx.length; ++x) {
      float c[4] = {};
      for (size_t k = 0; k < tap.weights.size(); ++k) {
        const float* in = &rows[(static_cast<size_t>(tap.first) + k) * tx.length * 4 + x * 4];
        for (int i = 0; i < 4; ++i) c[i] += tap.weights[k] * in[i];
      }
      out[x] = Pack(c);
    }
  }
}

// A design length at the picture's scale, if it is a whole number of the picture's pixels.
std::optional<int> AtScale(int designLength, int pictureScale) {
  if (designLength * pictureScale % 100 != 0) return std::nullopt;
  return designLength * pictureScale / 100;
}

// The cells along one axis: design edges 0 < e < designLength, as source and target spans; none
// when an edge falls inside a source pixel.
std::vector<std::pair<Span1D, Span1D>> Cells(std::span<const int> edges, int designLength,
                                             int pictureScale, int dpi) {
  std::vector<int> at{0};
  for (int e : edges) {
    if (e > 0 && e < designLength) at.push_back(e);
  }
  at.push_back(designLength);
  std::sort(at.begin(), at.end());
  at.erase(std::unique(at.begin(), at.end()), at.end());
  std::vector<std::pair<Span1D, Span1D>> cells;
  for (size_t i = 0; i + 1 < at.size(); ++i) {
    const int t0 = ScaleForDpi(at[i], dpi);
    const int t1 = ScaleForDpi(at[i + 1], dpi);
    const std::optional<int> s0 = AtScale(at[i], pictureScale);
    const std::optional<int> s1 = AtScale(at[i + 1], pictureScale);
    if (!s0 || !s1) return {};
    cells.push_back({Span1D{*s0, *s1 - *s0}, Span1D{t0, t1 - t0}});
  }
  return cells;
}

bool WellFormed(const PixelImage& image) {
  return image.width > 0 && image.height > 0 &&
         image.pixels.size() == static_cast<size_t>(image.width) * image.height;
}

}  // namespace

int PictureScaleFor(int dpi, std::span<const int> scales) {
  if (scales.empty()) return 100;
  for (int scale : scales) {
    if (scale * kDesignDpi >= dpi * 100) return scale;
  }
  return scales.back();
}

PixelImage Resample(const PixelImage& source, int width, int height) {
  PixelImage target;
  if (!WellFormed(source) || width <= 0 || height <= 0) return target;
  target.width = width;
  target.height = height;
  if (width == source.width && height == source.height) {
    target.pixels = source.pixels;
    return target;
  }
  target.pixels.assign(static_cast<size_t>(width) * height, 0);
  ResampleBlock(source, {0, source.width}, {0, source.height}, target, {0, width}, {0, height});
  return target;
}

PixelImage ScalePicture(const PixelImage& source, int pictureScale, int dpi,
                        std::span<const int> xEdges, std::span<const int> yEdges) {
  PixelImage target;
  if (!WellFormed(source) || pictureScale <= 0 || source.width * 100 % pictureScale ||
      source.height * 100 % pictureScale) {
    return target;
  }
  const int designWidth = source.width * 100 / pictureScale;
  const int designHeight = source.height * 100 / pictureScale;
  target.width = ScaleForDpi(designWidth, dpi);
  target.height = ScaleForDpi(designHeight, dpi);
  if (target.width <= 0 || target.height <= 0) return PixelImage{};
  if (target.width == source.width && target.height == source.height) {
    target.pixels = source.pixels;  // the picture is already at this scale
    return target;
  }
  target.pixels.assign(static_cast<size_t>(target.width) * target.height, 0);
  const auto columns = Cells(xEdges, designWidth, pictureScale, dpi);
  const auto rows = Cells(yEdges, designHeight, pictureScale, dpi);
  if (columns.empty() || rows.empty()) return PixelImage{};
  for (const auto& [sy, ty] : rows) {
    for (const auto& [sx, tx] : columns) ResampleBlock(source, sx, sy, target, tx, ty);
  }
  return target;
}

namespace {

// The key as transparent and the rest opaque, premultiplied: what the averaging takes.
PixelImage Unkeyed(const PixelImage& source, uint32_t key) {
  PixelImage premultiplied = source;
  for (uint32_t& p : premultiplied.pixels) p = (p & 0xFFFFFFu) == key ? 0u : (p | 0xFF000000u);
  return premultiplied;
}

PixelImage Rekeyed(PixelImage scaled, uint32_t key) {
  for (uint32_t& p : scaled.pixels) {
    const uint32_t alpha = p >> 24;
    if (alpha < 128) {
      p = key;
      continue;
    }
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
      const uint32_t c = (p >> (8 * i)) & 0xFF;
      out |= std::min<uint32_t>(255, (c * 255 + alpha / 2) / alpha) << (8 * i);
    }
    // Art that averaged out at the key itself (two near-whites either side of a near-white key)
    // would be drawn transparent: one step of blue off the key keeps it art.
    p = out == key ? out ^ 1u : out;
  }
  return scaled;
}

}  // namespace

PixelImage ScaleKeyedPicture(const PixelImage& source, uint32_t keyColour, int pictureScale,
                             int dpi, std::span<const int> xEdges, std::span<const int> yEdges) {
  const uint32_t key = keyColour & 0xFFFFFFu;
  return Rekeyed(ScalePicture(Unkeyed(source, key), pictureScale, dpi, xEdges, yEdges), key);
}

PixelImage ResizeKeyedPicture(const PixelImage& source, uint32_t keyColour, int width,
                              int height) {
  const uint32_t key = keyColour & 0xFFFFFFu;
  return Rekeyed(Resample(Unkeyed(source, key), width, height), key);
}

PixelImage ScaleFrameStrip(const PixelImage& source, int pictureScale, int dpi, int frames,
                           const uint32_t* keyColour) {
  if (!WellFormed(source) || pictureScale <= 0 || frames <= 0 || source.width % frames) {
    return {};
  }  // a frame that is not a whole design size fails in ScalePicture
  const int frameWidth = source.width / frames;
  PixelImage frame;
  frame.width = frameWidth;
  frame.height = source.height;
  PixelImage strip;
  for (int i = 0; i < frames; ++i) {
    frame.pixels.clear();
    for (int y = 0; y < source.height; ++y) {
      const auto row = source.pixels.begin() + static_cast<ptrdiff_t>(y) * source.width;
      frame.pixels.insert(frame.pixels.end(), row + i * frameWidth, row + (i + 1) * frameWidth);
    }
    const PixelImage scaled = keyColour ? ScaleKeyedPicture(frame, *keyColour, pictureScale, dpi)
                                        : ScalePicture(frame, pictureScale, dpi);
    if (scaled.pixels.empty()) return {};
    if (i == 0) {
      strip.width = scaled.width * frames;
      strip.height = scaled.height;
      strip.pixels.resize(static_cast<size_t>(strip.width) * strip.height);
    }
    for (int y = 0; y < scaled.height; ++y) {
      std::copy_n(
          scaled.pixels.begin() + static_cast<ptrdiff_t>(y) * scaled.width, scaled.width,
          strip.pixels.begin() + static_cast<ptrdiff_t>(y) * strip.width + i * scaled.width);
    }
  }
  return strip;
}

PixelSize FitWithin(int width, int height, int maxWidth, int maxHeight) {
  if (width <= 0 || height <= 0 || maxWidth <= 0 || maxHeight <= 0) return {};
  if (width <= maxWidth && height <= maxHeight) return {width, height};
  // Whichever side is tighter sets the factor; the other follows it, rounded down so it too fits.
  if (static_cast<int64_t>(maxWidth) * height <= static_cast<int64_t>(maxHeight) * width) {
    return {maxWidth,
            std::max<int>(1, static_cast<int>(static_cast<int64_t>(height) * maxWidth / width))};
  }
  return {std::max<int>(1, static_cast<int>(static_cast<int64_t>(width) * maxHeight / height)),
          maxHeight};
}

}  // namespace qorv
