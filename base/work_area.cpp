#include "base/work_area.h"

namespace qorv {

int CentredOnArea(int areaStart, int areaLength, int windowLength) {
  if (windowLength >= areaLength) return areaStart;
  return areaStart + (areaLength - windowLength) / 2;
}

}  // namespace qorv
