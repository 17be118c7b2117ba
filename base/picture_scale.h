// Pictures at the display's scale. The artwork is generated at a few scales (1x, 1.5x, 2x; not
// every picture at every one); a window draws from the nearest one at least as fine as its DPI
// asks and scales it down to the DPI's exact size, once, so every paint afterwards is a plain copy.
// A scale is given in percent of the design's pixels: 150 is 1.5x.
//
// Pixels are 32-bit premultiplied BGRA (the form UpdateLayeredWindow and AlphaBlend take);
// averaging premultiplied values keeps a transparent pixel's colour out of its opaque neighbours.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qorv {

// The scales resources/generate draws pictures at, in percent. Every picture has 100 and 200;
// those that are costly to decode at start-up have 150 too, the most common laptop setting.
inline constexpr int kPictureScales[] = {100, 150, 200};

// The smallest scale (percent) whose pixels are at least as many as the DPI's, else the largest
// one (scaling up from the finest art beats scaling up from the coarsest). scales ascend.
int PictureScaleFor(int dpi, std::span<const int> scales = kPictureScales);

struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // rows top down, no padding
};

// Each cell of a picture sliced at the given edges (design pixels, in any order; the picture's own
// edges need not be named) scaled on its own from a picture at `pictureScale` percent to dpi: an
// edge e of the design lands on ScaleForDpi(e, dpi), so the pieces a layout cuts out at scaled
// edges are whole frames of a strip, with nothing of the neighbouring frame blended in, and a
// skin's border keeps its width in scaled pixels. Edges outside the picture are ignored. Empty
// for an empty source, a source that is not pictureScale percent of a whole design size, or an
// edge that does not fall on a whole pixel of the source.
PixelImage ScalePicture(const PixelImage& source, int pictureScale, int dpi,
                        std::span<const int> xEdges = {}, std::span<const int> yEdges = {});

// Colour-keyed art (the tab skins' magenta, the login buttons' matte): the key becomes
// transparent before scaling, so no blend of art and key appears along a shape's edge, and
// after scaling a pixel that is mostly key becomes the key again and the rest opaque art (never
// the key's own colour).
// Pixels are 0x00RRGGBB in and out (the key's alpha byte is ignored).
PixelImage ScaleKeyedPicture(const PixelImage& source, uint32_t keyColour, int pictureScale,
                             int dpi, std::span<const int> xEdges = {},
                             std::span<const int> yEdges = {});

// The same for the whole of a keyed picture resampled to width x height (a picture shrunk with
// the window it sits on). Empty as Resample is.
PixelImage ResizeKeyedPicture(const PixelImage& source, uint32_t keyColour, int width,
                              int height);

// A strip of `frames` equal frames side by side (a skin button's looks), each frame scaled on its
// own to ScaleForDpi(the design frame's width): every frame at the DPI is equally wide, so a cut
// at a multiple of that width takes one look whole. Where ScalePicture's edges would round a
// 25-pixel frame to 38, 37, 38, ... at 150 %, this gives 38 each. keyColour (0x00RRGGBB) when the
// art is colour-keyed (see ScaleKeyedPicture); pixels then come out 0x00RRGGBB. Empty when the
// design width is no multiple of `frames`.
PixelImage ScaleFrameStrip(const PixelImage& source, int pictureScale, int dpi, int frames,
                           const uint32_t* keyColour = nullptr);

// The largest size of the picture's proportions (each side rounded down) that fits in
// maxWidth x maxHeight, or the picture's own size when it fits already. 0 x 0 for no room.
struct PixelSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};
PixelSize FitWithin(int width, int height, int maxWidth, int maxHeight);

// Area-averaging resample of the whole of source to width x height (each target pixel the mean
// of the source area under it): the high-quality filter for the factors between 1 and 2 the
// artwork is scaled down by, with no ringing around the skins' hard edges.
PixelImage Resample(const PixelImage& source, int width, int height);

}  // namespace qorv
