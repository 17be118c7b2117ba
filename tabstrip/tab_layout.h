// The tab strip's arithmetic: tab widths and positions, hit testing, and what each tab looks like
// where (frames, captions, close images, the skin's kept borders). Numbers in, numbers out; the
// control applies the results with GDI.
//
// Coordinates are pixels at the strip's DPI: every size of the design (96 DPI) below, the
// margins and the skin's coordinates are scaled by dpi/96 (ScaleForDpi), each on its own, so at
// 96 DPI nothing moves and elsewhere drawing and hit testing agree pixel for pixel.
// Tab positions (Left, Width) are relative to the tab area, which starts
// TabLeftSize pixels into the control; hit tests take control coordinates.
//
// When tabs no longer fit, the strip degrades without drawing anything misplaced: a tab whose
// width is 0 or less is neither drawn nor hit, an unlocked tab is never laid out narrower than
// 0 (so later tabs never move back over earlier ones), a close button is shown, and hit, only
// while its image lies inside the tab's frame, and a caption only while its box is wider than 0.
#pragma once

#include <cstdint>
#include <vector>

#include "base/geometry.h"
#include "base/units.h"

namespace qorv::tabstrip {

inline constexpr int32_t kHitNone = -1;     // inside the tab area, on no tab
inline constexpr int32_t kHitMargin = -2;   // in the left or right margin
inline constexpr int32_t kHitOutside = -3;  // outside the control or below the tab row
inline constexpr int32_t kHitRowBottom = 25;  // in both styles, at 96 DPI

inline constexpr int32_t kTabWidthStart = 108;
inline constexpr int32_t kCloseSize = 12;
inline constexpr int32_t kFrameBorder = 14;  // kept left and right ends of a frame
inline constexpr int32_t kFirstTabLeft = 14;  // style 0: the first frame's border fits before it
inline constexpr int32_t kTabGap = 5;         // style 1: between tabs

// A design size (pixels at 96 DPI) at the strip's DPI.
inline int32_t TabPx(int32_t at96, int dpi) { return ScaleForDpi(at96, dpi); }

struct SkinMetrics {
  int bitmapId;
  int32_t stripHeight;        // control height
  int32_t backgroundHeight;   // height of the skin's background column
  int32_t lockedWidth;        // full tab width of the style
  int32_t frameWidth, frameHeight;
  int32_t frameX[3];          // normal, hovered, selected
  int32_t closeX[4];          // selected tab's, normal, hovered, pressed
  int32_t closeDx, closeY;    // close image at (Left + Width - closeDx, closeY)
};
// At 96 DPI, as the skin bitmaps are drawn.
const SkinMetrics& MetricsFor(int32_t tabStyle);  // 0: style 0; anything else: style 1
inline int32_t StripHeight(int32_t tabStyle, int dpi = kDesignDpi) {
  return TabPx(MetricsFor(tabStyle).stripHeight, dpi);
}

// The skin's cut lines (96-DPI pixels): frames, close images, the background column and the
// close images' bottom. The skin at another DPI is scaled cell by cell at them, so each frame
// and close image starts at TabPx of its 96-DPI place and none blends into its neighbour.
struct SkinCuts {
  std::vector<int> x;
  std::vector<int> y;
};
SkinCuts SkinCutsFor(int32_t tabStyle);

// The width of every unlocked tab. No lower bound: many tabs make it small, 0 or negative.
// leftSize and rightSize are pixels at the DPI already.
int32_t ComputeTabWidth(int32_t tabStyle, int32_t controlWidth, int32_t leftSize,
                        int32_t rightSize, int32_t count, int32_t lockedCount,
                        int dpi = kDesignDpi);

struct TabSlot {
  int32_t left = 0;
  int32_t width = 0;
  friend bool operator==(const TabSlot&, const TabSlot&) = default;
};
std::vector<TabSlot> LayoutTabs(int32_t tabStyle, int32_t tabWidth,
                                const std::vector<bool>& lockSize, int dpi = kDesignDpi);

// What hit testing and painting read of one item.
struct TabView {
  int32_t left = 0;
  int32_t width = 0;
  bool hideButton = false;
};

bool CloseButtonShown(int32_t tabStyle, const TabView& tab, int dpi = kDesignDpi);

struct HitResult {
  int32_t index = kHitNone;
  bool close = false;
  friend bool operator==(const HitResult&, const HitResult&) = default;
};
HitResult HitTest(int32_t tabStyle, int32_t controlWidth, int32_t leftSize, int32_t rightSize,
                  const std::vector<TabView>& tabs, int32_t x, int32_t y, int dpi = kDesignDpi);

// An event coordinate as the hit test takes it: nearest integer, halves to even.
int32_t RoundCoordinate(float value);

enum class FrameImage { Normal = 0, Hovered = 1, Selected = 2 };
enum class CloseImage { Selected = 0, Normal = 1, Hovered = 2, Pressed = 3 };

// One tab as it is painted into the tab-area buffer.
struct TabPaint {
  int32_t index = 0;
  bool selected = false;
  PixelRect frame;        // destination
  PixelRect frameSource;  // in the skin
  FrameImage frameImage = FrameImage::Normal;
  bool drawCaption = false;
  PixelRect captionBox;
  bool drawClose = false;
  PixelRect close;          // destination, 12 x 12 at 96 DPI
  int32_t closeSourceX = 0; // in the skin, y 0
  CloseImage closeImage = CloseImage::Normal;
  int32_t frameBorder = kFrameBorder;  // kept at each end of the frame, in both frame and skin
  friend bool operator==(const TabPaint&, const TabPaint&) = default;
};

// Unselected tabs from last to first (each over its right neighbour), then the selected tab over
// both of its neighbours. closeState: 0 none, 1 hovered close button, 2 pressed.
std::vector<TabPaint> PlanTabPaint(int32_t tabStyle, const std::vector<TabView>& tabs,
                                   int32_t selected, int32_t hoverIndex, int32_t closeState,
                                   int dpi = kDesignDpi);

inline constexpr uint32_t kCaptionCentred = 0x25;     // centred, vertically centred, one line
inline constexpr uint32_t kCaptionEllipsis = 0x8000;  // from the left, cut with an ellipsis

struct CaptionPlan {
  bool draw = false;
  PixelRect box;
  uint32_t format = kCaptionCentred;
  friend bool operator==(const CaptionPlan&, const CaptionPlan&) = default;
};
// textW x textH is the measured caption. A caption wider than its box starts at the box's left
// edge, centred vertically by hand, and ends in an ellipsis; one that fits is centred.
CaptionPlan PlanCaption(int32_t x, int32_t y, int32_t w, int32_t h, int32_t textW, int32_t textH);

// One copy into the temporary image of a skin piece: 1:1 (a corner) or stretched.
struct SkinBlit {
  bool stretch = false;
  PixelRect dst;
  PixelRect src;
  friend bool operator==(const SkinBlit&, const SkinBlit&) = default;
};
// The copies that draw the source rectangle into a w x h image with its borders kept at their
// size and the rest stretched. Empty (draw nothing) when a size is 0 or less. Borders larger
// than the image share what there is in proportion, so a narrow piece is cut, never mirrored.
std::vector<SkinBlit> PlanSkinImage(int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                                    int32_t sh, int32_t left, int32_t top, int32_t right,
                                    int32_t bottom);

}  // namespace qorv::tabstrip
