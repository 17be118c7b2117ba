#include "gamewindow/zoom_steps.h"

#include <algorithm>
#include <cstdlib>

namespace qorv::gamewindow {

int ZoomIn(int percent) {
  auto next = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), percent);
  return next == kZoomSteps.end() ? kZoomSteps.back() : *next;
}

int ZoomOut(int percent) {
  auto first = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), percent);
  return first == kZoomSteps.begin() ? kZoomSteps.front() : *(first - 1);
}

int NearestZoomStep(int percent) {
  int best = kZoomSteps.front();
  for (int step : kZoomSteps) {
    // Differences in 64 bits: a damaged value may be anywhere in the int range.
    if (std::llabs(static_cast<long long>(step) - percent) <
        std::llabs(static_cast<long long>(best) - percent)) {
      best = step;
    }
  }
  return best;
}

bool IsZoomStep(int percent) {
  return std::binary_search(kZoomSteps.begin(), kZoomSteps.end(), percent);
}

}  // namespace qorv::gamewindow
