// Where a window first goes: centred on the work area, along each axis on its own.
#pragma once

namespace qorv {

// The window's first pixel along one axis of an area starting at areaStart, areaLength long:
// centred (an odd pixel left over goes after the window), but never before areaStart, so a
// window larger than the area keeps its caption and its top-left corner on it.
int CentredOnArea(int areaStart, int areaLength, int windowLength);

}  // namespace qorv
