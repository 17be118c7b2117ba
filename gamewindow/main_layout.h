// The main window's arithmetic: where its controls go for a window and client size (twips in,
// twips and pixels out), and where a window of some size is centred.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/geometry.h"

namespace qorv::gamewindow {

// Twips are fractional at DPIs where a pixel is not a whole number of them (7.5 at 192).
struct MainLayout {
  int16_t regionRight = 0, regionBottom = 0;  // pixels, the rounded region's far corner
  double closeLeft = 0, minmaxLeft = 0, minLeft = 0, toolLeft = 0;
  // The tab strip at (2300, 45): no width when the window is too narrow for one.
  std::optional<double> tabWidth;
  double gameSpaceLeft = 0, otherUserLeft = 0;
  // Picture1 and pCnt; no panel when it would have no size.
  struct Panel {
    double left = 0, top = 0, width = 0, height = 0;
  };
  std::optional<Panel> panel;
};

inline constexpr int64_t kTabLeft = 2300;
inline constexpr int64_t kTabTop = 45;

// windowWidth and the client size in twips; tabHeight is the strip's height in twips; dpi is the
// window's, for the region's pixels.
MainLayout LayOutMainWindow(double windowWidth, double clientWidth, double clientHeight,
                            double tabHeight, int dpi = kDesignDpi);

// Every control of the main window in the window's pixels at its DPI: the fixed ones where the
// design puts them, the ones that follow the right edge from LayOutMainWindow.
struct MainPlaces {
  PixelRect frame, logo, tool, min, minmax, close, otherUser, gameSpace;
  std::optional<PixelRect> tab;  // its height is the strip's own
  std::optional<PixelRect> panel;
  int16_t regionRight = 0, regionBottom = 0;
};
MainPlaces PlaceMainWindow(int windowWidthPx, int clientWidthPx, int clientHeightPx,
                           int tabHeightPx, int frameHeightPx, int dpi);

// The window's design client size in pixels at a DPI.
int DesignClientWidth(int dpi);
int DesignClientHeight(int dpi);

// (screen - window) rounded to whole twips, then halved toward zero.
int64_t CentredOrigin(double screenTwips, double windowTwips);

// "版本号:" followed by the version.
std::wstring VersionCaption(int major, int minor, int revision);

}  // namespace qorv::gamewindow
