// The Button and Shift arguments the controls' mouse and key events carry: bit masks of
// 1 left / 2 right / 4 middle, and 1 Shift / 2 Ctrl / 4 Alt.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qorv::win {

// Alt is not in a mouse message's key flags, so it is read from the keyboard state.
inline int16_t MouseShift(WPARAM wParam) {
  int16_t shift = 0;
  if (wParam & MK_SHIFT) shift |= 1;
  if (wParam & MK_CONTROL) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

inline int16_t KeyboardShift() {
  int16_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

// Buttons held during a move.
inline int16_t MouseButtons(WPARAM wParam) {
  int16_t buttons = 0;
  if (wParam & MK_LBUTTON) buttons |= 1;
  if (wParam & MK_RBUTTON) buttons |= 2;
  if (wParam & MK_MBUTTON) buttons |= 4;
  return buttons;
}

}  // namespace qorv::win
