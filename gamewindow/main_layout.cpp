#include "gamewindow/main_layout.h"

#include "base/units.h"
#include "base/version.h"

namespace qorv::gamewindow {

namespace {

// The design's places of the controls that stay where they are created (twips).
constexpr TwipsRect kLogo{100, 30, 440, 440};
constexpr int64_t kButtonTop = 15, kButtonHeight = 270;
constexpr int64_t kToolWidth = 360, kMinWidth = 360, kMinMaxWidth = 375, kCloseWidth = 645;
constexpr int64_t kCaptionButtonHeight = 330;
constexpr int64_t kOtherUserWidth = 1485, kGameSpaceWidth = 1215;
constexpr int64_t kDesignClientWidthTwips = 15540, kDesignClientHeightTwips = 9585;

// A control whose left edge follows the window: its left converted on its own, its size from the
// design, as a window is moved.
PixelRect At(double left, int64_t top, int64_t width, int64_t height, int dpi) {
  return PixelRect::Sized(TwipsToPixels(left, dpi), TwipsToPixels(static_cast<double>(top), dpi),
                          TwipsToPixels(static_cast<double>(width), dpi),
                          TwipsToPixels(static_cast<double>(height), dpi));
}

}  // namespace

MainLayout LayOutMainWindow(double windowWidth, double clientWidth, double clientHeight,
                            double tabHeight, int dpi) {
  MainLayout l;
  l.regionRight = ClampToInt16(int64_t{TwipsToPixels(clientWidth, dpi)} + 1);
  l.regionBottom = ClampToInt16(int64_t{TwipsToPixels(clientHeight, dpi)} + 1);
  // With their widths 645, 375, 360 and 360 the four sit edge to edge, 85 twips from the right.
  l.closeLeft = windowWidth - 730;
  l.minmaxLeft = windowWidth - 1105;
  l.minLeft = windowWidth - 1465;
  l.toolLeft = windowWidth - 1825;
  if (clientWidth - 6900 > 0) l.tabWidth = clientWidth - 6900;
  l.gameSpaceLeft = clientWidth - 3300;
  l.otherUserLeft = clientWidth - 4850;
  MainLayout::Panel panel{60, tabHeight, clientWidth - 120, clientHeight - tabHeight - 60};
  if (panel.width > 0 && panel.height > 0) l.panel = panel;
  return l;
}

MainPlaces PlaceMainWindow(int windowWidthPx, int clientWidthPx, int clientHeightPx,
                           int tabHeightPx, int frameHeightPx, int dpi) {
  dpi = ClampDpi(dpi);
  const MainLayout l = LayOutMainWindow(
      PixelsToTwips(windowWidthPx, dpi), PixelsToTwips(clientWidthPx, dpi),
      PixelsToTwips(clientHeightPx, dpi), PixelsToTwips(tabHeightPx, dpi), dpi);
  MainPlaces m;
  m.frame = PixelRect::Sized(0, 0, windowWidthPx, frameHeightPx);
  m.logo = ToPixels(kLogo, dpi);
  m.close = At(l.closeLeft, kButtonTop, kCloseWidth, kButtonHeight, dpi);
  m.minmax = At(l.minmaxLeft, kButtonTop, kMinMaxWidth, kButtonHeight, dpi);
  m.min = At(l.minLeft, kButtonTop, kMinWidth, kButtonHeight, dpi);
  m.tool = At(l.toolLeft, kButtonTop, kToolWidth, kButtonHeight, dpi);
  m.gameSpace = At(l.gameSpaceLeft, 0, kGameSpaceWidth, kCaptionButtonHeight, dpi);
  m.otherUser = At(l.otherUserLeft, 0, kOtherUserWidth, kCaptionButtonHeight, dpi);
  if (l.tabWidth) {
    m.tab = PixelRect::Sized(TwipsToPixels(kTabLeft, dpi), TwipsToPixels(kTabTop, dpi),
                             TwipsToPixels(*l.tabWidth, dpi), tabHeightPx);
  }
  if (l.panel) {
    m.panel = PixelRect::Sized(
        TwipsToPixels(l.panel->left, dpi), TwipsToPixels(l.panel->top, dpi),
        TwipsToPixels(l.panel->width, dpi), TwipsToPixels(l.panel->height, dpi));
  }
  m.regionRight = l.regionRight;
  m.regionBottom = l.regionBottom;
  return m;
}

int DesignClientWidth(int dpi) {
  return TwipsToPixels(static_cast<double>(kDesignClientWidthTwips), dpi);
}
int DesignClientHeight(int dpi) {
  return TwipsToPixels(static_cast<double>(kDesignClientHeightTwips), dpi);
}

int64_t CentredOrigin(double screenTwips, double windowTwips) {
  return RoundHalfEven(screenTwips - windowTwips) / 2;
}

std::wstring VersionCaption(int major, int minor, int revision) {
  return L"版本号:" + FormatVersion(major, minor, revision);
}

}  // namespace qorv::gamewindow
