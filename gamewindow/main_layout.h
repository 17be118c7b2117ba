// The main window's arithmetic: where its controls go for a window and client size (twips in,
// twips and pixels out), and where a window of some size is centred.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/geometry.h"

namespace qorv::gamewindow {

struct MainLayout {
  int16_t regionRight = 0, regionBottom = 0;  // pixels, the rounded region's far corner
  int64_t closeLeft = 0, minmaxLeft = 0, minLeft = 0, toolLeft = 0;
  // The tab strip at (2300, 45): no width when the window is too narrow for one.
  std::optional<int64_t> tabWidth;
  int64_t gameSpaceLeft = 0, otherUserLeft = 0;
  // Picture1 and pCnt; no panel when it would have no size.
  std::optional<TwipsRect> panel;
};

inline constexpr int64_t kTabLeft = 2300;
inline constexpr int64_t kTabTop = 45;

// windowWidth and the client size in twips; tabHeight is the strip's height in twips.
MainLayout LayOutMainWindow(int64_t windowWidth, int64_t clientWidth, int64_t clientHeight,
                            int64_t tabHeight);

// (screen - window) rounded to whole twips, then halved toward zero.
int64_t CentredOrigin(double screenTwips, double windowTwips);

// "版本号:" followed by the version.
std::wstring VersionCaption(int major, int minor, int revision);

}  // namespace qorv::gamewindow
