#include "gamewindow/main_layout.h"

#include "base/units.h"
#include "base/version.h"

namespace qorv::gamewindow {

MainLayout LayOutMainWindow(int64_t windowWidth, int64_t clientWidth, int64_t clientHeight,
                            int64_t tabHeight) {
  MainLayout l;
  l.regionRight = ClampToInt16(TwipsToPixels(static_cast<double>(clientWidth)) + 1);
  l.regionBottom = ClampToInt16(TwipsToPixels(static_cast<double>(clientHeight)) + 1);
  // With their widths 645, 375, 360 and 360 the four sit edge to edge, 85 twips from the right.
  l.closeLeft = windowWidth - 730;
  l.minmaxLeft = windowWidth - 1105;
  l.minLeft = windowWidth - 1465;
  l.toolLeft = windowWidth - 1825;
  if (clientWidth - 6900 > 0) l.tabWidth = clientWidth - 6900;
  l.gameSpaceLeft = clientWidth - 3300;
  l.otherUserLeft = clientWidth - 4850;
  TwipsRect panel{60, tabHeight, clientWidth - 120, clientHeight - tabHeight - 60};
  if (panel.width > 0 && panel.height > 0) l.panel = panel;
  return l;
}

int64_t CentredOrigin(double screenTwips, double windowTwips) {
  return RoundHalfEven(screenTwips - windowTwips) / 2;
}

std::wstring VersionCaption(int major, int minor, int revision) {
  return L"版本号:" + FormatVersion(major, minor, revision);
}

}  // namespace qorv::gamewindow
