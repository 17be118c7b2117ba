// The Button and Shift arguments of the controls' mouse and key events: one bit per button or
// key, as the events have always reported them.
#pragma once

#include <cstdint>

namespace qorv {

inline constexpr int16_t kLeftButton = 1;
inline constexpr int16_t kRightButton = 2;
inline constexpr int16_t kMiddleButton = 4;

inline constexpr int16_t kShiftKey = 1;
inline constexpr int16_t kCtrlKey = 2;
inline constexpr int16_t kAltKey = 4;

}  // namespace qorv
