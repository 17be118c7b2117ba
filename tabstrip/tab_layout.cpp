#include "tabstrip/tab_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/units.h"

namespace qorv::tabstrip {
namespace {

constexpr SkinMetrics kStyle0{106, 25, 25, 108, 122, 25, {1, 123, 245}, {367, 379, 391, 403}, 24, 6};
constexpr SkinMetrics kStyle1{107, 32, 28, 200, 124, 26, {1, 125, 249}, {373, 385, 397, 409}, 20, 7};

int32_t ClampInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The frame's destination: style 0 frames start a border's width left of the tab and overlap
// their left neighbour; style 1 frames cover exactly the tab.
PixelRect FrameRect(int32_t tabStyle, const TabView& t, int dpi) {
  const SkinMetrics& m = MetricsFor(tabStyle);
  const int32_t h = TabPx(m.frameHeight, dpi);
  if (tabStyle == 0) {
    const int32_t border = TabPx(kFrameBorder, dpi);
    return PixelRect::Sized(t.left - border, 0, t.width + border, h);
  }
  return PixelRect::Sized(t.left, 0, t.width, h);
}

PixelRect CaptionBox(int32_t tabStyle, const TabView& t, bool selected, bool closeShown,
                     int dpi) {
  auto px = [dpi](int32_t v) { return TabPx(v, dpi); };
  if (tabStyle == 0) {
    int32_t w = selected ? t.width - px(26) : (closeShown ? t.width - px(38) : t.width - px(14));
    return PixelRect::Sized(t.left, 0, w, px(25));
  }
  return PixelRect::Sized(t.left + px(12), 0, closeShown ? t.width - px(28) : t.width - px(8),
                          px(26));
}

// Two borders that together exceed the space share it in proportion.
void FitBorders(int32_t total, int32_t& a, int32_t& b) {
  if (static_cast<int64_t>(a) + b <= total) return;
  int64_t sum = static_cast<int64_t>(a) + b;
  a = static_cast<int32_t>(static_cast<int64_t>(total) * a / sum);
  b = total - a;
}

}  // namespace

const SkinMetrics& MetricsFor(int32_t tabStyle) { return tabStyle == 0 ? kStyle0 : kStyle1; }

SkinCuts SkinCutsFor(int32_t tabStyle) {
  const SkinMetrics& m = MetricsFor(tabStyle);
  SkinCuts cuts;
  cuts.x.push_back(1);  // the background column
  for (int32_t x : m.frameX) cuts.x.push_back(x);
  cuts.x.push_back(m.frameX[2] + m.frameWidth);
  for (int32_t x : m.closeX) cuts.x.push_back(x);
  cuts.x.push_back(m.closeX[3] + kCloseSize);
  cuts.y = {kCloseSize, m.frameHeight};
  return cuts;
}

int32_t ComputeTabWidth(int32_t tabStyle, int32_t controlWidth, int32_t leftSize,
                        int32_t rightSize, int32_t count, int32_t lockedCount, int dpi) {
  const int64_t area = static_cast<int64_t>(controlWidth) - leftSize - rightSize;
  const int64_t unlocked = static_cast<int64_t>(count) - lockedCount;
  const int64_t full = TabPx(MetricsFor(tabStyle).lockedWidth, dpi);
  int64_t free;
  if (tabStyle == 0) {
    free = area - full * lockedCount - TabPx(kFirstTabLeft, dpi);
  } else {
    free = area - full * lockedCount - TabPx(kTabGap, dpi) * static_cast<int64_t>(count);
  }
  int64_t w = full;
  if (unlocked > 0) w = RoundHalfEven(static_cast<double>(free) / static_cast<double>(unlocked));
  return ClampInt32(std::min(w, full));
}

std::vector<TabSlot> LayoutTabs(int32_t tabStyle, int32_t tabWidth,
                                const std::vector<bool>& lockSize, int dpi) {
  const int32_t lockedWidth = TabPx(MetricsFor(tabStyle).lockedWidth, dpi);
  std::vector<TabSlot> slots;
  slots.reserve(lockSize.size());
  int64_t x = tabStyle == 0 ? TabPx(kFirstTabLeft, dpi) : 0;
  const int64_t gap = tabStyle == 0 ? 0 : TabPx(kTabGap, dpi);
  for (bool locked : lockSize) {
    int32_t width = locked ? lockedWidth : std::max(tabWidth, 0);
    slots.push_back({ClampInt32(x), width});
    x += width + gap;
  }
  return slots;
}

bool CloseButtonShown(int32_t tabStyle, const TabView& tab, int dpi) {
  if (tab.hideButton || tab.width <= 0) return false;
  const SkinMetrics& m = MetricsFor(tabStyle);
  PixelRect frame = FrameRect(tabStyle, tab, dpi);
  int64_t closeX = static_cast<int64_t>(tab.left) + tab.width - TabPx(m.closeDx, dpi);
  return closeX >= frame.left &&
         closeX + TabPx(kCloseSize, dpi) <= static_cast<int64_t>(frame.right);
}

HitResult HitTest(int32_t tabStyle, int32_t controlWidth, int32_t leftSize, int32_t rightSize,
                  const std::vector<TabView>& tabs, int32_t x, int32_t y, int dpi) {
  const int64_t W = controlWidth;
  if (x < 0 || x > W || y < 0 || y > TabPx(kHitRowBottom, dpi)) return {kHitOutside, false};
  if (x > W - rightSize || x < leftSize) return {kHitMargin, false};
  if (tabs.empty()) return {kHitNone, false};
  const int64_t r = static_cast<int64_t>(x) - leftSize;
  if (r <= TabPx(kFirstTabLeft, dpi)) return {0, false};
  const SkinMetrics& m = MetricsFor(tabStyle);
  const int32_t closeDx = TabPx(m.closeDx, dpi), closeY = TabPx(m.closeY, dpi);
  const int32_t closeSize = TabPx(kCloseSize, dpi);
  for (size_t i = 0; i < tabs.size(); ++i) {
    const TabView& t = tabs[i];
    if (t.width <= 0) continue;  // not drawn, so not there to hit
    const int64_t right = static_cast<int64_t>(t.left) + t.width;
    if (t.left <= r && r <= right) {
      bool close = false;
      if (CloseButtonShown(tabStyle, t, dpi)) {
        const int64_t cx = right - closeDx;
        close = cx <= r && r <= cx + closeSize && closeY <= y && y <= closeY + closeSize;
      }
      return {static_cast<int32_t>(i), close};
    }
  }
  return {kHitNone, false};
}

int32_t RoundCoordinate(float value) { return ClampInt32(RoundHalfEven(value)); }

std::vector<TabPaint> PlanTabPaint(int32_t tabStyle, const std::vector<TabView>& tabs,
                                   int32_t selected, int32_t hoverIndex, int32_t closeState,
                                   int dpi) {
  const SkinMetrics& m = MetricsFor(tabStyle);
  auto px = [dpi](int32_t v) { return TabPx(v, dpi); };
  const auto count = static_cast<int32_t>(tabs.size());
  std::vector<TabPaint> out;
  auto paint = [&](int32_t i, bool isSelected) {
    const TabView& t = tabs[static_cast<size_t>(i)];
    if (t.width <= 0) return;
    TabPaint p;
    p.index = i;
    p.selected = isSelected;
    p.frame = FrameRect(tabStyle, t, dpi);
    if (p.frame.Width() <= 0) return;
    p.frameImage = isSelected ? FrameImage::Selected
                   : (i == hoverIndex ? FrameImage::Hovered : FrameImage::Normal);
    // The skin is scaled at its cut lines: a frame is where its 96-DPI edges land.
    const int32_t fx = m.frameX[static_cast<int>(p.frameImage)];
    p.frameSource = PixelRect::Edges(px(fx), 0, px(fx + m.frameWidth), px(m.frameHeight));
    p.frameBorder = px(kFrameBorder);
    p.drawClose = CloseButtonShown(tabStyle, t, dpi);
    p.captionBox = CaptionBox(tabStyle, t, isSelected, p.drawClose, dpi);
    p.drawCaption = p.captionBox.Width() > 0;
    if (p.drawClose) {
      if (i == hoverIndex && closeState == 1) {
        p.closeImage = CloseImage::Hovered;
      } else if (i == hoverIndex && closeState == 2) {
        p.closeImage = CloseImage::Pressed;
      } else {
        p.closeImage = isSelected ? CloseImage::Selected : CloseImage::Normal;
      }
      p.close = PixelRect::Sized(t.left + t.width - px(m.closeDx), px(m.closeY), px(kCloseSize),
                                 px(kCloseSize));
      p.closeSourceX = px(m.closeX[static_cast<int>(p.closeImage)]);
    }
    out.push_back(p);
  };
  for (int32_t i = count - 1; i >= 0; --i) {
    if (i != selected) paint(i, false);
  }
  if (selected >= 0 && selected < count) paint(selected, true);
  return out;
}

CaptionPlan PlanCaption(int32_t x, int32_t y, int32_t w, int32_t h, int32_t textW,
                        int32_t textH) {
  if (w <= 0 || h <= 0) return {};
  if (w < textW) {
    auto y2 = ClampInt32(RoundHalfEven((static_cast<double>(h) - textH) / 2.0 + y));
    return {true, PixelRect::Sized(x, y2, w, h), kCaptionEllipsis};
  }
  return {true, PixelRect::Sized(x, y, w, h), kCaptionCentred};
}

std::vector<SkinBlit> PlanSkinImage(int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                                    int32_t sh, int32_t left, int32_t top, int32_t right,
                                    int32_t bottom) {
  std::vector<SkinBlit> out;
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return out;
  out.reserve(9);  // four corners, four edges, the centre
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::max(right, 0);
  bottom = std::max(bottom, 0);
  auto add = [&out](bool stretch, PixelRect dst, PixelRect src) {
    if (dst.Width() <= 0 || dst.Height() <= 0 || src.Width() <= 0 || src.Height() <= 0) return;
    out.push_back({stretch, dst, src});
  };
  if (left == 0 && top == 0 && right == 0 && bottom == 0) {
    add(true, PixelRect::Sized(0, 0, w, h), PixelRect::Sized(sx, sy, sw, sh));
    return out;
  }
  // Corners are copied 1:1, so a border is cut to what both the image and the source can hold.
  FitBorders(std::min(w, sw), left, right);
  FitBorders(std::min(h, sh), top, bottom);

  if (left > 0 && top > 0)
    add(false, PixelRect::Sized(0, 0, left, top), PixelRect::Sized(sx, sy, left, top));
  if (right > 0 && top > 0)
    add(false, PixelRect::Sized(w - right, 0, right, top),
        PixelRect::Sized(sx + sw - right, sy, right, top));
  if (left > 0 && bottom > 0)
    add(false, PixelRect::Sized(0, h - bottom, left, bottom),
        PixelRect::Sized(sx, sy + sh - bottom, left, bottom));
  if (right > 0 && bottom > 0)
    add(false, PixelRect::Sized(w - right, h - bottom, right, bottom),
        PixelRect::Sized(sx + sw - right, sy + sh - bottom, right, bottom));

  const int32_t midH = h - top - bottom, srcMidH = sh - top - bottom;
  const int32_t midW = w - left - right, srcMidW = sw - left - right;
  if (left > 0)
    add(true, PixelRect::Sized(0, top, left, midH), PixelRect::Sized(sx, sy + top, left, srcMidH));
  if (right > 0)
    add(true, PixelRect::Sized(w - right, top, right, midH),
        PixelRect::Sized(sx + sw - right, sy + top, right, srcMidH));
  if (top > 0)
    add(true, PixelRect::Sized(left, 0, midW, top), PixelRect::Sized(sx + left, sy, srcMidW, top));
  if (bottom > 0)
    add(true, PixelRect::Sized(left, h - bottom, midW, bottom),
        PixelRect::Sized(sx + left, sy + sh - bottom, srcMidW, bottom));
  add(true, PixelRect::Sized(left, top, midW, midH),
      PixelRect::Sized(sx + left, sy + top, srcMidW, srcMidH));
  return out;
}

}  // namespace qorv::tabstrip
